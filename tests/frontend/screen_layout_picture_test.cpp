// Every laid-out menu screen drawn on the OpenGL device and read back: the widgets stay inside
// their own rectangles, each label's ink inside the rectangle its anchor, alignment and measured
// size give and nowhere else, the widgets' states show by their flat colours, the question box
// covers the screen, and the preview fighters are drawn over the widgets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fighters/match.h"
#include "core/frame_stats.h"
#include "frontend/equipment_lists.h"
#include "frontend/mission_table.h"
#include "frontend/screen_picture_fixture.h"
#include "platform/os/os.h"
#include "render/geometry.h"
#include "scene/character_model.h"
#include "render/material.h"
#include "render/material_table.h"
#include "scene/sub_mesh.h"
#include "shell/mouse.h"

namespace {

using namespace screenpic;
using testsupport::FrontEndColour;

const int kScreens[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};

// The kit's fighter is one small triangle at its feet: the pixels around where it stands.
PixelRect Feet(const Character& c) {
    int32_t sx = 0, sy = 0;
    EXPECT_TRUE(WorldToScreen(c.position.x, c.position.y, c.position.z, &sx, &sy, *g_Scene.camera));
    return PixelRect{sx - 80, sy - 80, sx + 80, sy + 80};
}

class ScreenLayoutPictureTest : public ScreenPictureFixture, public ::testing::WithParamInterface<int> {
protected:
    // The menu state a screen shows its layout with: team members, a selected player, a won
    // mission, match results; then one frame of the screen's own logic with the pointer away.
    void Prepare(int screen) {
        g_Menu.LoadPlayerSaves(2);
        switch (screen) {
        case 5:
            s->teamIndex[0] = players[2];
            break;
        case 9:
            g_Menu.SelectPlayer(players[3], 0);
            break;
        case 10:
            for (int i = 0; i < 2; ++i) {
                s->teamIndex[i] = g_Menu.teamSlots[0][i] = players[size_t(i)];
                s->CopyTeamRecord(i);
            }
            break;
        case 11:
            for (int k = 0; k < MISSION_KINDS; ++k)
                if (g_Campaign.scenarios[0][CAMPAIGN_PLAYED + k]) {
                    g_Campaign.scenarios[0][CAMPAIGN_WON + k] = 1;
                    break;
                }
            break;
        case 13:
            // The two members' rows of a campaign match, the cards of side 0; the campaign's
            // progress already applied.
            g_GameSettings.fightersOwnMode2 = 2;
            g_GameSettings.fightersEnemyMode2 = 0;
            for (int row = 0; row < MAX_CHARACTERS; ++row) {
                uint32_t* r = g_Menu.results + RESULT_FIGHTER_FIRST + row * RESULT_FIGHTER_FIELDS;
                r[FIGHTER_SIDE] = row < 2 ? 0 : 1;
                r[FIGHTER_LINEUP_ID] = row < 2 ? uint32_t(players[size_t(row)]) : uint32_t(PLAYER_SLOTS);
            }
            g_Menu.resultsFought = 0xFFFF;
            s->teamSelection = 0;
            s->progressPending = 0;
            break;
        case 14:
        case 15:
            // Two pieces on offer, two owned, and one worn by the shown member.
            s->teamIndex[0] = g_Menu.teamSlots[0][0] = players[0];
            ClearEquipmentLists();
            for (auto& kind : g_Campaign.inventory) std::fill(std::begin(kind), std::end(kind), -1);
            ASSERT_TRUE(AddToShop(0, 1) && AddToShop(1, 2) && AddToInventory(2, 1) && AddToInventory(3, 2));
            g_Menu.playerTables.records[0][players[0]]->look.equipment[4] = 1;
            // Each piece's picture, named by its kind and catalogue numbers.
            for (const auto& [kind, id] : {std::pair{0, 1}, {1, 2}, {2, 1}, {3, 2}, {4, 1}}) {
                static const char* const kFormats[] = {"Casco%d%03d", "Guante%d%03d", "bota%d%03d", "Bracelet%d%03d",
                                                       "Hombrera%d%03d"};
                const EquipmentRow* row = GetEquipmentRow(kind, id);
                ASSERT_NE(row, nullptr);
                char name[32];
                std::snprintf(name, sizeof name, kFormats[kind], int(row->pieceClass), int(row->setWord));
                testsupport::WriteMenuPicture(*Kept().dir, name, 16, 16);
            }
            break;
        case 22:
            s->teamIndex[0] = g_Menu.teamSlots[0][0] = players[0];
            break;
        case 12:
        case 17:
        case 18:
            // A match of kind 0 that side 0 won, every count 0.
            g_GameSettings.gameKind = g_Menu.gameKind = 0;
            g_Menu.results[RESULT_ELAPSED] = 61000;
            g_Menu.results[RESULT_WINNER] = 0;
            g_Menu.resultsFought = 0xf;
            break;
        default: break;
        }
        Show(screen);
        // The credits page three seconds in, when the panel lets the labels show whole.
        if (screen == 19) s->creditsStart = os::timeGetTime() - 3000;
        g_Mouse = MouseState();
        g_Mouse.x = g_Mouse.y = -100;
        s->Update();
    }

    // The labels the screen object owns and draws itself.
    std::vector<const TextLabel*> OwnLabels() const {
        std::vector<const TextLabel*> out;
        for (const TextLabel& l : s->labels) out.push_back(&l);
        for (const MenuButton& b : s->buttons) out.push_back(&b.label);
        if (s->field.target) out.push_back(&s->field.textLabel);
        return out;
    }
    // Every label that may draw on the screen, the panels' included.
    Coverage LabelCoverage() const {
        Coverage c;
        auto add = [&c](const TextLabel& l) {
            if (l.inUse) c.Add(LabelRect(l).Grown(1));
        };
        for (const TextLabel* l : OwnLabels()) add(*l);
        add(s->field.caretLabel);
        add(s->confirm.label);
        add(s->confirm.yes.label);
        add(s->confirm.no.label);
        add(s->notice.label);
        const OptionsPanel& o = s->options;
        for (const TextLabel& l : o.tabLabels) add(l);
        for (const TextLabel& l : o.rowLabels) add(l);
        for (const ArrowSelector& a : o.selectors) add(a.label);
        for (const MenuButton& b : o.buttons) add(b.label);
        const MatchSetupPanel& m = s->matchSetup;
        for (const TextLabel& l : m.captionLabels) add(l);
        for (const TextLabel& l : m.rowLabels) add(l);
        for (const TextField& f : m.fields) add(f.textLabel), add(f.caretLabel);
        add(m.actionButton.label);
        return c;
    }
    // The widgets' rectangles; a panel's whole area for the set-up and options screens.
    Coverage WidgetCoverage(int screen) const {
        Coverage c;
        for (const MenuPanel& p : s->panels)
            if (p.visible) c.Add(PanelRect(p));
        for (const ImageButton& b : s->images)
            if (b.visible && b.highlightSprite) c.Add(ImageRect(b).Grown(1));
        for (const MenuButton& b : s->buttons)
            if (b.label.inUse) c.Add(ButtonRect(b));
        for (const MenuSwitch& w : s->switches)
            if (w.onSprite) c.Add(SwitchRect(w).Grown(1));
        if (s->field.target) c.Add(FieldRect(s->field));
        for (const Sprite2D* p : s->pictures)
            if (p) c.Add(SpriteRect(*p).Grown(1));
        if (s->confirm.open || s->notice.open) c.Add({0, 0, kW, kH});
        if (screen == 2 || screen == 6) AddPanelArea(&c, s->matchSetup.tabs, s->matchSetup.tabCount);
        if (screen == 20 && g_Menu.pictures[34]) c.Add(SpriteRect(*g_Menu.pictures[34]).Grown(1));
        if (screen == 8) {
            AddPanelArea(&c, s->options.panels, s->options.tabCount);
            c.Add(PatchRect(s->options.currentTab));
        }
        return c;
    }
    // Widgets inside their rectangles, each label's ink inside its own; nothing on empty screens.
    void ExpectLayout(int screen);
    // The team choice's numbers: each member's level and attributes down its name panel, the
    // shown player's beside their names, the team's averages under their head.
    void ExpectTeamChoiceValues();
    // The preview fighters of the screens that show them, drawn over the widgets.
    void ExpectPreviews(int screen);
    // Highlighted, disabled and hidden widgets by their flat colours (changes the widgets).
    void ExpectStates(int screen);
    // The screen's question box opened: the screen darkened, the box, its question and answers.
    void ExpectOpenBox();
    // Every text button drawn alone lies inside, and fills, the rectangle its layout gives it.
    void ExpectButtonsInLayout();
    // The fighters a screen previews.
    std::vector<Character*> Previews() const {
        std::vector<Character*> out;
        if (s->candidate) out.push_back(s->candidate);
        for (Character* c : s->teamFighters)
            if (c) out.push_back(c);
        for (Character* c : s->enemyFighters)
            if (c) out.push_back(c);
        return out;
    }
};

std::string ScreenName(const ::testing::TestParamInfo<int>& info) { return "Screen" + std::to_string(info.param); }

void ScreenLayoutPictureTest::ExpectLayout(int screen) {
    const Picture& empty = EmptyScreen();
    const Picture widgets = Draw(false, false), text = Draw(true, false);

    const Stray outside = StrayPixels(widgets, empty, WidgetCoverage(screen));
    EXPECT_EQ(outside.count, 0) << "widget pixels outside every widget, first at " << outside.x << ", " << outside.y;

    std::vector<const TextLabel*> drawn;
    for (const TextLabel* l : OwnLabels()) {
        if (HasText(*l)) drawn.push_back(l);
    }
    ExpectInkInside(text, widgets, drawn, LabelCoverage());
    if (screen == 12) {
        // The results table: every value "0", printed with the font centred under its column's
        // head at its row label's height, in the rectangle its measured width and the font's
        // line height give.
        const Picture values = Draw(true, false, true), none = Draw(true, false, false);
        Coverage cells;
        std::vector<PixelRect> rects;
        for (int column : {3, 4})
            for (int row = 5; row <= 11; ++row) {
                const float w = g_Font.TextWidth("0", 1, 5);
                rects.push_back(FractionRect(s->labels[column].x - w / 2, s->labels[row].y, w, g_Font.LineHeight(5)));
                cells.Add(rects.back().Grown(1));
            }
        const Stray stray = StrayPixels(values, none, cells);
        EXPECT_EQ(stray.count, 0) << "a value outside its cell, first at " << stray.x << ", " << stray.y;
        for (const PixelRect& r : rects) EXPECT_GT(Differing(values, none, r.Grown(1)), 0) << Describe(r);
    }
    if (screen == 5) ExpectTeamChoiceValues();
    if (screen == 14 || screen == 15) {
        // The pieces' pictures: shop A both pieces on offer and both owned; shop B both owned and
        // the one worn. Each shows where it stands.
        int loaded = 0;
        for (const Sprite2D* p : s->pictures) {
            if (!p) continue;
            ++loaded;
            const PixelRect r = SpriteRect(*p);
            EXPECT_TRUE(Near(widgets.At(r.left + 2, r.top + 2), FrontEndColour(p->name), 3))
                << p->name << " " << Describe(r) << " " << gfxtest::Hex(widgets.At(r.left + 2, r.top + 2));
        }
        EXPECT_EQ(loaded, screen == 14 ? 4 : 3);
    }
    if (screen == 20) {
        // The player picture stands where the build placed it, under the player's name.
        const Sprite2D* back = g_Menu.pictures[34];
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(PixelX(0.02f), back->pixelX);
        EXPECT_EQ(PixelY(0.3f), back->pixelY);
        const PixelRect r = SpriteRect(*back);
        EXPECT_TRUE(Near(widgets.At(r.left + 2, r.top + 2), FrontEndColour("fondo_per"), 3)) << gfxtest::Hex(widgets.At(r.left + 2, r.top + 2));
    }
    if (screen == 9) {
        // The editor's two notes show only while no preview fighter does.
        ASSERT_NE(s->candidate, nullptr);
        const Picture bare = Draw(false, true), shown = Draw(true, true);
        for (int i : {18, 19}) {
            ASSERT_TRUE(HasText(s->labels[i])) << i;
            EXPECT_EQ(Differing(shown, bare, LabelRect(s->labels[i])), 0) << i;
            EXPECT_GT(Differing(text, widgets, LabelRect(s->labels[i])), 0) << i;
        }
    }
    const bool blank = screen == 1 || screen == 7 || screen == 16;
    if (blank) {
        EXPECT_TRUE(drawn.empty());
        EXPECT_EQ(Differing(text, empty, {0, 0, kW, kH}), 0) << "an empty screen draws nothing";
    } else {
        EXPECT_GT(Differing(text, empty, {0, 0, kW, kH}), 0);
    }
}

void ScreenLayoutPictureTest::ExpectTeamChoiceValues() {
    const Picture values = Draw(true, false, true), none = Draw(true, false, false);
    Coverage cells;
    std::vector<PixelRect> rects;
    // A right-aligned number ending at x; its shadow falls a pixel right and below.
    auto number = [&](int value, float x, float y, int scale) {
        const std::string t = std::to_string(value);
        const float w = g_Font.TextWidth(t.c_str(), int32_t(t.size()), scale);
        rects.push_back(FractionRect(x - w, y, w, g_Font.LineHeight(scale)));
        cells.Add(PixelRect{rects.back().left - 1, rects.back().top - 1, rects.back().right + 2, rects.back().bottom + 2});
    };
    auto lines = [&](const PlayerRecord& r, float x, float y, float gap) {
        number(int(r.level) + 1, x, y, 5);
        for (int a = 0; a < PLAYER_ATTRIBUTES; ++a) number(int(GetPlayerAttribute(a, &r)), x, y + gap * float(a + 1), 5);
    };
    int members = 0;
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        // An empty slot shows its frame alone.
        if (s->teamIndex[k] < 0) {
            EXPECT_FALSE(s->panels[k].visible) << "the name panel of empty slot " << k;
            continue;
        }
        ++members;
        const MenuPanel& p = s->panels[k];
        EXPECT_TRUE(p.visible) << "the name panel of member " << k;
        lines(s->teamRecords[k], p.x + p.w - 0.01f, p.y + 0.025f, 0.025f);
    }
    ASSERT_GT(members, 0);
    ASSERT_NE(s->candidateRecord, nullptr);
    const MenuPanel& shown = s->panels[5];
    EXPECT_TRUE(shown.visible);
    lines(*s->candidateRecord, shown.x + shown.w - 0.01f, s->labels[5].y, 0.04f);
    for (int line = 0; line < 6; ++line) {
        // Each line's name inside the shown player's panel, one under the other.
        const PixelRect name = LabelRect(s->labels[5 + line]);
        EXPECT_TRUE(name.left >= shown.left && name.right <= shown.right && name.top >= shown.top &&
                    name.bottom <= shown.bottom)
            << "line name " << line << " at " << Describe(name) << " outside " << Describe(PanelRect(shown));
        if (line > 0) {
            EXPECT_GE(name.top, LabelRect(s->labels[4 + line]).bottom - 1) << line;
        }
    }
    // The averages: scale 4, the sum over the four slots divided by four.
    for (int line = 0; line < 6; ++line) {
        int sum = 0;
        for (int k = 0; k < SCREEN_TEAM; ++k)
            if (s->teamIndex[k] >= 0)
                sum += line == 0 ? int(s->teamRecords[k].level) + 1 : int(GetPlayerAttribute(line - 1, &s->teamRecords[k]));
        const std::string t = std::to_string(sum / SCREEN_TEAM);
        const float w = g_Font.TextWidth(t.c_str(), int32_t(t.size()), 4);
        const TextLabel& head = s->labels[13];
        rects.push_back(FractionRect(head.x - w, head.y + 0.03f * float(line + 1), w, g_Font.LineHeight(4)));
        cells.Add(PixelRect{rects.back().left - 1, rects.back().top - 1, rects.back().right + 2, rects.back().bottom + 2});
    }
    const Stray stray = StrayPixels(values, none, cells);
    EXPECT_EQ(stray.count, 0) << "a value off its place, first at " << stray.x << ", " << stray.y;
    for (const PixelRect& r : rects) EXPECT_GT(Differing(values, none, r.Grown(1)), 0) << Describe(r);
}

void ScreenLayoutPictureTest::ExpectPreviews(int screen) {
    const std::vector<Character*> fighters = Previews();
    bool shows = false;
    for (int with : {5, 9, 10, 13, 15, 20, 21, 22}) shows = shows || screen == with;
    EXPECT_EQ(!fighters.empty(), shows);
    if (fighters.empty()) return;
    // The kit's fighter's triangle is seen from behind.
    g_Video.cullMode = gfx::D3DCULL_NONE;
    {
        // Each fighter is dressed in its record's look: its skin (the data's one skin colour) shows.
        // The kit's material is vertex-coloured; like the game's models it takes the skin as its
        // textured first layer.
        for (const Character* c : fighters)
            for (auto& level : c->model->levels)
                for (SubMesh* m : level.subMeshes) {
                    Material* material = g_Scene.materials->Get(m->materialId);
                    if (!material || material->description.layerCount == 0) continue;
                    material->description.layers[0].kind = MATERIAL_KIND_BASE;
                    material->description.kindMask = MATERIAL_KIND_BASE;
                    material->Rebuild();
                }
        ++g_FrameStats.frameCounter;
        const Picture text = Draw(true, false), full = Draw(true, true);
        for (const Character* c : fighters) {
            const PixelRect r = Feet(*c);
            int skin = 0, ink = 0;
            for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, kH); ++y)
                for (int32_t x = std::max(r.left, 0); x < std::min(r.right, kW); ++x) {
                    const uint32_t p = full.At(x, y);
                    if (Near(p, text.At(x, y), 2)) continue;
                    ++ink;
                    skin += Channel(p, 1) > 40 && Channel(p, 0) < 8 && Channel(p, 2) < 8 ? 1 : 0;
                }
            EXPECT_GT(skin, 0) << "fighter " << c->slot << " undressed, " << ink << " pixels drawn";
        }
    }
    // From here on the fighters wear one plain white material whatever their look gave them.
    auto* plain = new Material();
    plain->passCount = 1;
    plain->passes[0].stageCount = 1;
    const int32_t white = g_Scene.materials->Add(plain);
    for (Character* c : fighters)
        for (auto& level : c->model->levels)
            for (SubMesh* m : level.subMeshes) m->SetOverrideMaterial(white);
    // A new frame, so that the fighters' bones take their poses where the fighters stand.
    ++g_FrameStats.frameCounter;
    const Picture text = Draw(true, false), full = Draw(true, true);
    // The fighters come last, over a cleared depth buffer: where one stands on a widget it
    // shows instead of the widget.
    const Coverage widgets = WidgetCoverage(screen);
    for (const Character* c : fighters) {
        const PixelRect around = Feet(*c);
        const int32_t sx = around.CentreX(), sy = around.CentreY();
        int ink = 0, overWidgets = 0;
        for (int32_t y = std::max(around.top, 0); y < std::min(around.bottom, kH); ++y)
            for (int32_t x = std::max(around.left, 0); x < std::min(around.right, kW); ++x) {
                if (Near(full.At(x, y), text.At(x, y), 2)) continue;
                ++ink;
                overWidgets += widgets.Has(x, y) ? 1 : 0;
            }
        SCOPED_TRACE("fighter " + std::to_string(c->slot) + " at " + std::to_string(sx) + ", " + std::to_string(sy));
        EXPECT_GT(ink, 0) << "not drawn";
        if (widgets.Has(sx, sy)) {
            EXPECT_GT(overWidgets, 0) << "hidden behind the widgets";
        }
    }
    // The team choice's members stand in their frames, the record screen's on their frames'
    // bottom edges.
    if (screen == 5 || screen == 10)
        for (int i = 0; i < SCREEN_TEAM; ++i) {
            const Character* c = s->teamFighters[i];
            if (!c) continue;
            int32_t sx = 0, sy = 0;
            WorldToScreen(c->position.x, c->position.y, c->position.z, &sx, &sy, *g_Scene.camera);
            const PixelRect frame = (screen == 5 ? ImageRect(s->images[i]) : PanelRect(s->panels[i])).Grown(2);
            EXPECT_TRUE(frame.Contains(sx, sy)) << "member " << i << " at " << sx << ", " << sy << " outside " << Describe(frame);
        }
    // Nothing else of the picture changes.
    Coverage feet;
    for (const Character* c : fighters) feet.Add(Feet(*c));
    // The player editor's two notes give way to its fighter.
    if (screen == 9)
        for (int i : {18, 19}) feet.Add(LabelRect(s->labels[i]).Grown(1));
    const Stray elsewhere = StrayPixels(full, text, feet);
    EXPECT_EQ(elsewhere.count, 0) << "first at " << elsewhere.x << ", " << elsewhere.y;
}

void ScreenLayoutPictureTest::ExpectStates(int screen) {
    // Every widget's rectangle counted, so that a widget is judged where it alone lies.
    Coverage all;
    for (const MenuPanel& p : s->panels)
        if (p.w > 0 && p.h > 0) all.Add(PanelRect(p));
    for (const ImageButton& b : s->images)
        if (b.highlightSprite) all.Add(ImageRect(b));
    for (const MenuButton& b : s->buttons)
        if (b.label.inUse) all.Add(ButtonRect(b));
    for (const MenuSwitch& w : s->switches)
        if (w.onSprite) all.Add(SwitchRect(w));
    if (s->field.target) all.Add(FieldRect(s->field));
    for (const Sprite2D* p : s->pictures)
        if (p) all.Add(SpriteRect(*p));
    auto alone = [&all](const PixelRect& r) {
        const int32_t x = r.CentreX(), y = r.CentreY();
        return !r.Empty() && x >= 0 && x < kW && y >= 0 && y < kH && all.Count(x, y) == 1;
    };

    std::vector<ImageButton*> images;
    for (ImageButton& b : s->images) {
        if (!b.visible || !b.highlightSprite) continue;
        // A button made from a picture that exists has a size.
        EXPECT_TRUE(b.w > 0.002f && b.h > 0.002f) << b.plainSprite->name << " " << Describe(ImageRect(b));
        if (alone(ImageRect(b))) images.push_back(&b);
    }
    ExpectImageStates(images);
    std::vector<MenuButton*> buttons;
    for (MenuButton& b : s->buttons)
        if (b.label.inUse && alone(ButtonRect(b))) buttons.push_back(&b);
    ExpectButtonStates(buttons);
    std::vector<MenuSwitch*> switches;
    for (MenuSwitch& w : s->switches)
        if (w.onSprite && alone(SwitchRect(w))) switches.push_back(&w);
    ExpectSwitchStates(switches);

    // Panels: their colour over the background when shown, the background when hidden. The
    // main menu, the profile choice, the campaign list and the player editor draw none of theirs;
    // the set-up and options screens' panels are their panels' own.
    for (int none : {0, 2, 3, 4, 6, 8, 9})
        if (screen == none) return;
    std::vector<MenuPanel*> panels;
    for (MenuPanel& p : s->panels)
        if (p.w > 0 && p.h > 0 && alone(PanelRect(p))) panels.push_back(&p);
    // Judged without the values a screen prints over its panels.
    for (MenuPanel* p : panels) p->visible = 1;
    const Picture shown = Draw(false, false, false);
    for (MenuPanel* p : panels) p->visible = 0;
    const Picture gone = Draw(false, false, false);
    for (const MenuPanel* p : panels) {
        const PixelRect r = PanelRect(*p);
        const int32_t x = r.CentreX(), y = r.CentreY();
        EXPECT_TRUE(Near(shown.At(x, y), PanelOver(*p, kBackground), 3)) << Describe(r) << " " << gfxtest::Hex(shown.At(x, y));
        EXPECT_TRUE(Near(gone.At(x, y), kBackground, 3)) << Describe(r) << " " << gfxtest::Hex(gone.At(x, y));
    }
}

void ScreenLayoutPictureTest::ExpectOpenBox() {
    ConfirmBox& box = s->confirm;
    if (!box.background) return;
    // The options screen draws its question only while the options wait to be saved.
    box.open = 1;
    g_Menu.optionsChanged = s->screen == 8 ? 1 : 0;
    const Picture bare = Draw(false, false), text = Draw(true, false);
    box.open = 0;
    g_Menu.optionsChanged = 0;
    // Over everything: the screen's top-left corner darkened, the box's middle its own picture.
    const PixelRect r = FractionRect(box.x, box.y, box.w, box.h);
    EXPECT_TRUE(Near(bare.At(1, 1), Tinted(Draw(false, false).At(1, 1), WIDGET_DISABLED_TINT), 3));
    EXPECT_TRUE(Near(bare.At(r.CentreX(), r.CentreY()), FrontEndColour("VentanaConfirmacion"), 3))
        << gfxtest::Hex(bare.At(r.CentreX(), r.CentreY()));
    // The screen's labels lie under the box, darkened.
    ExpectInkInside(text, bare, {&box.label, &box.yes.label, &box.no.label}, LabelCoverage());
}

void ScreenLayoutPictureTest::ExpectButtonsInLayout() {
    std::vector<MenuButton*> buttons;
    for (MenuButton& b : s->buttons)
        if (b.label.inUse) buttons.push_back(&b);
    for (MenuButton& b : s->options.buttons)
        if (b.label.inUse) buttons.push_back(&b);
    if (s->matchSetup.actionButton.label.inUse) buttons.push_back(&s->matchSetup.actionButton);
    ConfirmBox& box = s->confirm;
    if (box.background) {
        // Where the open box puts its answers.
        box.yes.SetPosition(box.x + box.w / 2 - 0.05f, box.y + 2 * box.h / 3);
        box.no.SetPosition(box.x + box.w / 2 + 0.05f, box.y + 2 * box.h / 3);
        buttons.push_back(&box.yes);
        buttons.push_back(&box.no);
    }
    const uint32_t mode = GetTextLabelMode();
    for (MenuButton* b : buttons) {
        // The widths the screens lay their buttons out at, by their heights; a text wider than
        // its button widens it to the text.
        const float laid = b->h == 0.03f ? 0.046666667f : b->h == 0.04f ? 0.2f : 0.14f;
        const float width = std::max(laid, b->label.w);
        const PixelRect layout = FractionRect(AlignedLeft(b->x, width, b->align), b->y, width, b->h);
        SCOPED_TRACE(std::string("button \"") + b->label.text + "\" laid out at " + Describe(layout));
        SetTextLabelMode(2);
        Clear(kBackground);
        g_Video.RestoreStates();
        g_Video.Begin2D();
        b->Draw();
        g_Video.End2D();
        SetTextLabelMode(mode);
        const Picture drawn{ReadBack()};
        PixelRect ink{kW, kH, 0, 0};
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x)
                if (!Near(drawn.At(x, y), kBackground, 2))
                    ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1), std::max(ink.bottom, y + 1)};
        ASSERT_FALSE(ink.Empty()) << "not drawn";
        const PixelRect room = layout.Grown(1);
        EXPECT_TRUE(ink.left >= room.left && ink.right <= room.right && ink.top >= room.top && ink.bottom <= room.bottom)
            << "drawn over " << Describe(ink);
        // Each of the three pieces loses its fraction of a pixel.
        EXPECT_GE(ink.right - ink.left, int32_t(width * float(kW)) - 3) << "drawn over " << Describe(ink);
        if (b == &box.yes || b == &box.no) {
            const PixelRect frame = FractionRect(box.x, box.y, box.w, box.h);
            EXPECT_TRUE(ink.left >= frame.left && ink.right <= frame.right) << "outside the box " << Describe(frame);
        }
    }
}

TEST_P(ScreenLayoutPictureTest, DrawsItsLayoutItsWidgetStatesAndItsPreviews) {
    const int screen = GetParam();
    Prepare(screen);
    {
        SCOPED_TRACE("layout");
        ExpectLayout(screen);
    }
    {
        SCOPED_TRACE("previews");
        ExpectPreviews(screen);
    }
    {
        SCOPED_TRACE("question box");
        ExpectOpenBox();
    }
    {
        SCOPED_TRACE("text buttons");
        ExpectButtonsInLayout();
    }
    SCOPED_TRACE("widget states");
    ExpectStates(screen);
}

// The credits panel fades the page by multiplying over its labels, so each page's labels lie
// inside it; the frame logic turns the pages 0-5 and then 9, each showing rows of its own.
TEST_F(ScreenPictureFixture, TheCreditsPagesLieInsideTheirFadingPanel) {
    Show(19);
    const PixelRect panel = PanelRect(s->panels[0]);
    std::vector<int> pages;
    std::vector<const TextLabel*> seen;
    g_Mouse = MouseState();
    g_Mouse.x = g_Mouse.y = -100;
    for (int turn = 0; turn < 8; ++turn) {
        pages.push_back(s->creditsPage);
        int shown = 0;
        for (const TextLabel& l : s->labels) {
            if (!HasText(l) || l.alignment == LABEL_PARAGRAPH) continue;
            ++shown;
            // The seven pages share no row; the eighth is the first again.
            if (turn < 7) {
                EXPECT_EQ(std::find(seen.begin(), seen.end(), &l), seen.end()) << "\"" << l.text << "\" on two pages";
                seen.push_back(&l);
            }
            const PixelRect r = LabelRect(l);
            EXPECT_TRUE(r.left >= panel.left && r.right <= panel.right && r.top >= panel.top && r.bottom <= panel.bottom)
                << "page " << s->creditsPage << ": \"" << l.text << "\" at " << Describe(r) << " outside " << Describe(panel);
        }
        EXPECT_GT(shown, 0) << "page " << s->creditsPage;
        // The page's time is up.
        s->creditsStart = os::timeGetTime() - 8100;
        s->Update();
    }
    EXPECT_EQ(pages, (std::vector<int>{0, 1, 2, 3, 4, 5, 9, 0}));
    // Every head and role of the credits, texts 1280 to 1301, on exactly one page.
    for (int id = 1280; id <= 1301; ++id) {
        const std::string text = "T" + std::to_string(id);
        EXPECT_EQ(std::count_if(seen.begin(), seen.end(), [&](const TextLabel* l) { return text == l->text; }), 1) << text;
    }
}

// The campaign team's "Empty" notes: ink only on a card the side had no fighter for, never beside
// the cards or over a filled card's values, whatever the team's size.
TEST_F(ScreenPictureFixture, TheCampaignTeamMarksOnlyItsEmptyCardsEmpty) {
    struct Card { float x, y, w, h; };
    // The cards' places for one to four fighters.
    const std::vector<std::vector<Card>> layouts = {
        {{0.36f, 0.18f, 0.45f, 0.52f}},
        {{0.29f, 0.18f, 0.29f, 0.33f}, {0.53f, 0.56f, 0.29f, 0.33f}},
        {{0.4f, 0.18f, 0.3f, 0.33f}, {0.18f, 0.56f, 0.3f, 0.33f}, {0.63f, 0.56f, 0.3f, 0.33f}},
        {{0.19f, 0.18f, 0.3f, 0.33f}, {0.635f, 0.18f, 0.3f, 0.33f}, {0.19f, 0.56f, 0.3f, 0.33f},
         {0.635f, 0.56f, 0.3f, 0.33f}}};
    constexpr int kEmptyLabel = 36;
    g_Menu.LoadPlayerSaves(2);
    // (the team's size, how many of it fought)
    for (const auto& [size, fought] : {std::pair{1, 1}, {2, 2}, {3, 3}, {4, 4}, {4, 3}, {3, 1}}) {
        SCOPED_TRACE(testing::Message() << size << " cards, " << fought << " fighters");
        g_GameSettings.fightersOwnMode2 = size;
        g_GameSettings.fightersEnemyMode2 = 0;
        for (int row = 0; row < MAX_CHARACTERS; ++row) {
            uint32_t* r = g_Menu.results + RESULT_FIGHTER_FIRST + row * RESULT_FIGHTER_FIELDS;
            std::fill(r, r + RESULT_FIGHTER_FIELDS, 0u);
            r[FIGHTER_SIDE] = row < fought ? 0 : 1;
            r[FIGHTER_LINEUP_ID] = row < fought ? uint32_t(players[size_t(row)]) : uint32_t(PLAYER_SLOTS);
        }
        g_Menu.resultsFought = 0xFFFF;
        s->teamSelection = 0;
        s->progressPending = 0;
        Show(13);
        const Picture with = Draw(true, false);
        uint8_t shown[SCREEN_TEAM];
        for (int i = 0; i < SCREEN_TEAM; ++i) shown[i] = s->labels[kEmptyLabel + i].visible, s->labels[kEmptyLabel + i].visible = 0;
        const Picture without = Draw(true, false);
        for (int i = 0; i < SCREEN_TEAM; ++i) s->labels[kEmptyLabel + i].visible = shown[i];
        Coverage emptyCards;
        const std::vector<Card>& cards = layouts[size_t(size - 1)];
        for (int i = fought; i < size; ++i) {
            const PixelRect card = FractionRect(cards[size_t(i)].x, cards[size_t(i)].y, cards[size_t(i)].w, cards[size_t(i)].h);
            emptyCards.Add(card);
            EXPECT_GT(Differing(with, without, card), 0) << "no note on empty card " << i;
        }
        const Stray stray = StrayPixels(with, without, emptyCards);
        EXPECT_EQ(stray.count, 0) << "\"Empty\" off the empty cards, first at " << stray.x << ", " << stray.y;
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenLayoutPictureTest, ::testing::ValuesIn(kScreens), ScreenName);

}  // namespace
