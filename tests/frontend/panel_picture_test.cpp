// The options panel and the match set-up panel drawn tab by tab on the OpenGL device and read
// back: the tab buttons and the open tab's patch, the captions inside their rectangles, the
// widgets' states by their flat colours, the key list's lit cells and mode 11's pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "frontend/screen_picture_fixture.h"

namespace {

using namespace screenpic;
using testsupport::FrontEndColour;

constexpr uint32_t kOpenSetupTab = 0xff505050, kClosedSetupTab = 0xff808080;

class SettingsPanelPictureTest : public ScreenPictureFixture {
protected:
    // The colour a pixel of `under` takes once the panels containing it multiply over it, in
    // their drawing order.
    template <size_t N>
    static uint32_t ThroughPanels(const MenuPanel (&panels)[N], int used, int32_t x, int32_t y, uint32_t under) {
        for (int i = 0; i < int(N); ++i) {
            const bool drawn = i < used || i == int(N) - 1;
            if (drawn && PanelRect(panels[i]).Contains(x, y)) under = PanelOver(panels[i], under);
        }
        return under;
    }
    // The area a panel draws in, and the screen's own widgets.
    template <size_t N>
    Coverage PanelArea(const MenuPanel (&panels)[N], int used) const {
        Coverage c;
        AddPanelArea(&c, panels, used);
        for (const ImageButton& b : s->images)
            if (b.highlightSprite) c.Add(ImageRect(b).Grown(1));
        for (const MenuButton& b : s->buttons)
            if (b.label.inUse) c.Add(ButtonRect(b));
        return c;
    }
    static void AddLabels(std::vector<const TextLabel*>* out, Coverage* allowed, const TextLabel* first, int count) {
        for (int i = 0; i < count; ++i) {
            out->push_back(first + i);
            if (first[i].inUse) allowed->Add(LabelRect(first[i]).Grown(1));
        }
    }
};

TEST_F(SettingsPanelPictureTest, EveryOptionsTabShowsItsPatchCaptionsAndWidgets) {
    Show(8);
    OptionsPanel& o = s->options;
    ASSERT_EQ(o.tabCount, OPTIONS_TABS);
    const Sprite2D* patch = g_Menu.pictures[21];
    ASSERT_NE(patch, nullptr);
    for (int tab = 0; tab < OPTIONS_TABS; ++tab) {
        SCOPED_TRACE("tab " + std::to_string(tab));
        o.VideoOptionsScreen(tab, tab + 4);
        const Picture bare = Draw(false, false), text = Draw(true, false);

        // Nothing of the panel leaves its tabs, its content area and the patch joining them.
        Coverage area = PanelArea(o.panels, o.tabCount);
        area.Add(PatchRect(tab));
        const Stray outside = StrayPixels(bare, EmptyScreen(), area);
        EXPECT_EQ(outside.count, 0) << "first at " << outside.x << ", " << outside.y << " " << (outside.count ? gfxtest::Hex(bare.At(outside.x, outside.y)) : "");

        // The open tab's patch, under the panels that multiply over it; no patch at the others.
        for (int t = 0; t < OPTIONS_TABS; ++t) {
            const int32_t x = PixelX(kPatchX[t]) + patch->pixelWidth / 2, y = PixelY(kPatchY) + 1;
            const uint32_t with = ThroughPanels(o.panels, o.tabCount, x, y, FrontEndColour("Parches"));
            const uint32_t without = ThroughPanels(o.panels, o.tabCount, x, y, kBackground);
            EXPECT_TRUE(Near(bare.At(x, y), t == tab ? with : without, 3))
                << "patch of tab " << t << " at " << x << ", " << y << ": " << gfxtest::Hex(bare.At(x, y));
        }

        // The captions of the tabs and of the open tab's rows, the selectors' values, the button.
        std::vector<const TextLabel*> drawn;
        Coverage allowed;
        AddLabels(&drawn, &allowed, o.tabLabels, OPTIONS_TABS);
        std::vector<ArrowSelector*> selectors;
        std::vector<MenuSwitch*> switches;
        std::vector<MenuSlider*> sliders;
        switch (tab) {
        case 0:
            selectors = {&o.selectors[0], &o.selectors[1]};
            switches = {&o.switches[0]};
            sliders = {&o.sliders[0], &o.sliders[1]};
            AddLabels(&drawn, &allowed, o.rowLabels, 11);
            break;
        case 1:
            selectors = {&o.selectors[2], &o.selectors[3]};
            for (int w = 1; w <= 5; ++w) switches.push_back(&o.switches[w]);
            for (int w = 2; w <= 5; ++w) sliders.push_back(&o.sliders[w]);
            AddLabels(&drawn, &allowed, o.rowLabels, 11);
            break;
        case 2:
            for (int a = 0; a < OPTION_KEY_BINDINGS; ++a)
                if (o.rowLabels[a].visible) AddLabels(&drawn, &allowed, &o.rowLabels[a], 1);
            break;
        case 3:
            switches = {&o.switches[6], &o.switches[7]};
            sliders = {&o.sliders[6], &o.sliders[7]};
            AddLabels(&drawn, &allowed, o.rowLabels, 6);
            break;
        }
        for (const ArrowSelector* a : selectors) AddLabels(&drawn, &allowed, &a->label, 1);
        AddLabels(&drawn, &allowed, &o.buttons[tab].label, 1);
        // The key names are printed with the font inside their cells.
        if (tab == 2) allowed.Add(PanelRect(o.panels[OPTIONS_TABS]));
        ExpectInkInside(text, bare, drawn, allowed);

        // Widget states: each selector's arrows lit in turn and greyed; sliders and switches.
        // Every widget's rectangle counted, so that each is judged where it alone lies.
        Coverage all;
        for (const ArrowSelector* a : selectors) all.Add(SelectorRect(*a));
        for (const MenuSwitch* w : switches) all.Add(SwitchRect(*w));
        for (const MenuSlider* l : sliders) all.Add(SliderRect(*l));
        all.Add(ButtonRect(o.buttons[tab]));
        auto alone = [&all](const PixelRect& r) { return all.Count(r.CentreX(), r.CentreY()) == 1; };
        for (ArrowSelector* a : selectors) {
            if (!alone(SelectorRect(*a))) continue;
            const int32_t ly = a->ly + a->lh / 2, lx = a->lx + a->lw / 2, rx = a->rx + a->rw / 2;
            // Lit arrows are judged enabled (the multisampling selector is built disabled without
            // multisampling).
            const uint8_t wasEnabled = a->enabled;
            a->enabled = 1;
            a->state = 1;
            const Picture left = Draw(false, false);
            a->state = 2;
            const Picture right = Draw(false, false);
            a->state = 0;
            a->enabled = 0;
            const Picture grey = Draw(false, false);
            a->enabled = wasEnabled;
            SCOPED_TRACE("selector at " + std::to_string(a->lx) + ", " + std::to_string(a->ly));
            EXPECT_TRUE(Near(left.At(lx, ly), FrontEndColour("FlechaIzdaOn"), 3)) << gfxtest::Hex(left.At(lx, ly));
            EXPECT_TRUE(Near(left.At(rx, ly), FrontEndColour("FlechaDchaOff"), 3)) << gfxtest::Hex(left.At(rx, ly));
            EXPECT_TRUE(Near(right.At(lx, ly), FrontEndColour("FlechaIzdaOff"), 3));
            EXPECT_TRUE(Near(right.At(rx, ly), FrontEndColour("FlechaDchaOn"), 3));
            EXPECT_TRUE(Near(grey.At(lx, ly), Tinted(FrontEndColour("FlechaIzdaOff"), WIDGET_DISABLED_TINT), 3));
            EXPECT_TRUE(Near(grey.At(rx, ly), Tinted(FrontEndColour("FlechaDchaOff"), WIDGET_DISABLED_TINT), 3));
        }
        for (MenuSlider* l : sliders) l->enabled = 0;
        const Picture greySliders = Draw(false, false);
        for (MenuSlider* l : sliders) {
            l->enabled = 1;
            // The middle of the longer of the filled and the empty part, away from the knob.
            const bool filled = l->value >= 0.5f;
            const float at = filled ? l->value / 2 : (1 + l->value) / 2;
            const int32_t x = l->hitX + int32_t(float(l->hitW) * at), y = l->hitY + l->hitH / 2;
            const char* picture = filled ? "BarraDesplazamientoOn" : "BarraDesplazamientoOff";
            EXPECT_TRUE(Near(greySliders.At(x, y), Tinted(FrontEndColour(picture), WIDGET_DISABLED_TINT), 3))
                << "slider at " << x << ", " << y << ": " << gfxtest::Hex(greySliders.At(x, y));
        }
        std::vector<MenuSwitch*> lone;
        for (MenuSwitch* w : switches)
            if (alone(SwitchRect(*w))) lone.push_back(w);
        ExpectSwitchStates(lone);
        ExpectButtonStates({&o.buttons[tab]});
    }
}

// The advanced tab's eleven rows, 0.06 apart, stay inside the content area and clear of its
// defaults button.
TEST_F(SettingsPanelPictureTest, TheAdvancedTabsRowsKeepClearOfItsDefaultsButton) {
    Show(8);
    OptionsPanel& o = s->options;
    o.VideoOptionsScreen(1, 5);
    const PixelRect button = ButtonRect(o.buttons[1]), content = PanelRect(o.panels[OPTIONS_TABS]);
    std::vector<PixelRect> rows;
    for (const ArrowSelector* a : {&o.selectors[2], &o.selectors[3]}) rows.push_back(SelectorRect(*a));
    for (int w = 1; w <= 5; ++w) rows.push_back(SwitchRect(o.switches[w]));
    for (int l = 2; l <= 5; ++l) rows.push_back(SliderRect(o.sliders[l]));
    for (int c = 0; c < 11; ++c) rows.push_back(LabelRect(o.rowLabels[c]));
    EXPECT_TRUE(button.left >= content.left - 1 && button.right <= content.right + 1 && button.bottom <= content.bottom + 1)
        << "the button " << Describe(button) << " outside " << Describe(content);
    for (const PixelRect& r : rows) {
        EXPECT_TRUE(r.bottom <= button.top || r.top >= button.bottom || r.right <= button.left || r.left >= button.right)
            << Describe(r) << " under the button " << Describe(button);
        EXPECT_TRUE(r.top >= content.top - 1 && r.bottom <= content.bottom + 1) << Describe(r) << " outside " << Describe(content);
    }
}

// Mode 11: the game kind's description shows, and the scenario's picture, the kind's picture,
// the description and the arrows lie apart inside the panel.
TEST_F(SettingsPanelPictureTest, TheGameKindsDescriptionShows) {
    Show(2);
    MatchSetupPanel& m = s->matchSetup;
    m.SessionScreen(1, 11);
    const Picture bare = Draw(false, false), text = Draw(true, false);
    ASSERT_TRUE(m.rowLabels[7].inUse);
    EXPECT_GT(Differing(text, bare, LabelRect(m.rowLabels[7])), 0);
    ASSERT_TRUE(m.pictures11[0] && m.pictures11[1]);
    std::vector<PixelRect> parts = {SpriteRect(*m.pictures11[0]), SpriteRect(*m.pictures11[1]), LabelRect(m.rowLabels[7])};
    for (const ImageButton& a : m.arrows)
        if (a.highlightSprite) parts.push_back(ImageRect(a));
    const PixelRect panel = PanelRect(m.tabs[4]);
    auto apart = [](const PixelRect& a, const PixelRect& b) {
        return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
    };
    for (size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(parts[i].left >= panel.left && parts[i].right <= panel.right && parts[i].top >= panel.top &&
                    parts[i].bottom <= panel.bottom)
            << Describe(parts[i]) << " outside " << Describe(panel);
        for (size_t j = i + 1; j < parts.size() && i < 3; ++j)
            EXPECT_TRUE(apart(parts[i], parts[j])) << Describe(parts[i]) << " on " << Describe(parts[j]);
    }
}

TEST_F(SettingsPanelPictureTest, TheKeyListLightsTheEditedCellAndTheHoveredOne) {
    Show(8);
    OptionsPanel& o = s->options;
    o.VideoOptionsScreen(2, 6);
    o.scroll = 3;
    const Picture plain = Draw(false, false);
    // The cell of the third visible row's second column is being edited; then the sixth row's
    // first column is under the pointer.
    o.capturing = 1;
    o.captureRow = o.scroll + 2;
    o.column = 1;
    const Picture editing = Draw(false, false);
    o.capturing = 0;
    o.column = -1;
    o.hoverRow = o.scroll + 5;
    o.hoverSide = 0;
    const Picture hovered = Draw(false, false);
    auto cellPixel = [&](int row, int col) {
        const float cellX = o.x + o.width - (col == 0 ? 0.43f : 0.27f), rowY = o.y + 0.18f + 0.05f * float(row);
        // Inside the cell near its left end, clear of the right-aligned key name.
        return std::pair<int32_t, int32_t>{PixelX(cellX) + 3, PixelY(rowY + 0.02f)};
    };
    for (int row = 0; row < OPTIONS_KEY_ROWS; ++row)
        for (int col = 0; col < 2; ++col) {
            const auto [x, y] = cellPixel(row, col);
            const uint32_t lit = Tinted(plain.At(x, y), 0xffc0c0c0);
            SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(col));
            EXPECT_TRUE(Near(editing.At(x, y), row == 2 && col == 1 ? lit : plain.At(x, y), 3)) << gfxtest::Hex(editing.At(x, y));
            EXPECT_TRUE(Near(hovered.At(x, y), row == 5 && col == 0 ? lit : plain.At(x, y), 3)) << gfxtest::Hex(hovered.At(x, y));
        }
    EXPECT_FALSE(Near(plain.At(cellPixel(2, 1).first, cellPixel(2, 1).second), Tinted(plain.At(cellPixel(2, 1).first, cellPixel(2, 1).second), 0xffc0c0c0), 3))
        << "a lit cell must differ from a plain one";
}

// The session list's eight rows and its arrows stay inside the panel and clear of the join
// button.
TEST_F(SettingsPanelPictureTest, TheSessionListStaysInsideThePanel) {
    g_Menu.previousPage = 0;
    Show(6);
    MatchSetupPanel& m = s->matchSetup;
    m.SessionScreen(1, 10);
    m.sessionCount = SETUP_LIST_ROWS;
    for (int r = 0; r < SETUP_LIST_ROWS; ++r) std::snprintf(m.sessionNames[r], SETUP_SESSION_NAME, "Sesion %d", r);
    // As the frame shows them with eight sessions found.
    m.arrows[0].visible = m.arrows[1].visible = 1;
    const Stray outside = StrayPixels(Draw(), EmptyScreen(), PanelArea(m.tabs, m.tabCount));
    EXPECT_EQ(outside.count, 0) << "first at " << outside.x << ", " << outside.y;
    // The rows' names, printed with the font, and the arrows keep off the join button and inside
    // the panel.
    const PixelRect button = ButtonRect(m.actionButton), panel = PanelRect(m.tabs[4]);
    const Picture names = Draw(true, false, true), none = Draw(true, false, false);
    EXPECT_EQ(Differing(names, none, button), 0) << "a row on the join button " << Describe(button);
    int ink = 0;
    for (int32_t y = panel.top; y < panel.bottom; ++y)
        for (int32_t x = panel.left; x < panel.right; ++x) ink += Near(names.At(x, y), none.At(x, y), 2) ? 0 : 1;
    EXPECT_GT(ink, 0) << "no session names";
    EXPECT_EQ(Differing(names, none, {0, 0, kW, kH}), ink) << "a session name outside the panel";
    for (int a = 0; a < 2; ++a) {
        const PixelRect r = ImageRect(m.arrows[a]);
        EXPECT_TRUE(r.bottom <= button.top || r.right <= button.left || r.left >= button.right) << Describe(r);
        EXPECT_TRUE(r.top >= panel.top && r.bottom <= panel.bottom) << Describe(r) << " outside " << Describe(panel);
    }
}

struct SetupCase {
    int screen;
    std::vector<int> modes;   // by tab
};

TEST_F(SettingsPanelPictureTest, EverySetupTabShowsItsTabsCaptionsWidgetsAndPictures) {
    g_Menu.previousPage = 0;
    for (const SetupCase& c : {SetupCase{2, {12, 11, 2}}, SetupCase{6, {9, 10, 11, 12}}}) {
        Show(c.screen);
        MatchSetupPanel& m = s->matchSetup;
        ASSERT_EQ(m.tabCount, int(c.modes.size()));
        for (int tab = 0; tab < m.tabCount; ++tab) {
            SCOPED_TRACE("screen " + std::to_string(c.screen) + " tab " + std::to_string(tab));
            m.SessionScreen(tab, c.modes[size_t(tab)]);
            // The session list as the frame leaves it with no session found: no scroll arrows.
            if (c.modes[size_t(tab)] == 10) m.RefreshSessions();
            const Picture bare = Draw(false, false), text = Draw(true, false);

            const Stray outside = StrayPixels(bare, EmptyScreen(), PanelArea(m.tabs, m.tabCount));
            EXPECT_EQ(outside.count, 0) << "first at " << outside.x << ", " << outside.y << " " << (outside.count ? gfxtest::Hex(bare.At(outside.x, outside.y)) : "");
            // The open tab darker than the others, both multiplying the screen.
            for (int t = 0; t < m.tabCount; ++t) {
                const PixelRect r = PanelRect(m.tabs[t]);
                MenuPanel expected;
                expected.colour = t == tab ? kOpenSetupTab : kClosedSetupTab;
                expected.blend = 1;
                EXPECT_TRUE(Near(bare.At(r.left + 2, r.top + 2), PanelOver(expected, kBackground), 3))
                    << "tab " << t << ": " << gfxtest::Hex(bare.At(r.left + 2, r.top + 2));
            }

            std::vector<const TextLabel*> drawn;
            Coverage allowed;
            AddLabels(&drawn, &allowed, m.captionLabels, m.tabCount);
            AddLabels(&drawn, &allowed, m.rowLabels, 15);
            for (const TextField& f : m.fields) AddLabels(&drawn, &allowed, &f.textLabel, 1);
            AddLabels(&drawn, &allowed, &m.actionButton.label, 1);
            for (const MenuButton& b : s->buttons) AddLabels(&drawn, &allowed, &b.label, 1);
            // Values the panel prints with the font stand inside its content area.
            allowed.Add(PanelRect(m.tabs[4]));
            ExpectInkInside(text, bare, drawn, allowed);

            std::vector<ImageButton*> arrows;
            for (ImageButton& a : m.arrows)
                if (a.visible && a.highlightSprite) arrows.push_back(&a);
            ExpectImageStates(arrows);
            if (m.actionButton.label.inUse) ExpectButtonStates({&m.actionButton});

            if (c.modes[size_t(tab)] == 2) {
                // The team values, each printed with the font centred between its arrows: the
                // level one up, the team size, the random-level switch as its text.
                const Picture values = Draw(true, false, true), none = Draw(true, false, false);
                Coverage cells;
                std::vector<PixelRect> rects;
                for (int r = 0; r < 6; ++r) {
                    const int team = r / 3;
                    const std::string value = r % 3 == 0   ? std::to_string(g_Training.values[2 + team] + 1)
                                              : r % 3 == 1 ? std::to_string(g_Training.values[team])
                                                           : g_TextTable.Get(g_Training.randomLevel[team] ? 685 : 686);
                    const ImageButton &left = m.arrows[2 * r], &right = m.arrows[2 * r + 1];
                    const float w = g_Font.TextWidth(value.c_str(), int32_t(value.size()), 5);
                    const float middle = (left.x + left.w + right.x) / 2;
                    rects.push_back(FractionRect(middle - w / 2, left.y, w, g_Font.LineHeight(5)));
                    // The shadow falls a pixel right and below.
                    cells.Add(PixelRect{rects.back().left - 1, rects.back().top - 1, rects.back().right + 2,
                                        rects.back().bottom + 2});
                }
                const Stray stray = StrayPixels(values, none, cells);
                EXPECT_EQ(stray.count, 0) << "a value off its place, first at " << stray.x << ", " << stray.y;
                for (const PixelRect& r : rects) EXPECT_GT(Differing(values, none, r), 0) << Describe(r);
            }
            if (c.modes[size_t(tab)] == 11) {
                // The scenario's picture and the game kind's, each seen where nothing lies on it.
                for (int k = 0; k < 2; ++k) {
                    const Sprite2D* p = m.pictures11[k];
                    ASSERT_NE(p, nullptr) << k;
                    const PixelRect r = SpriteRect(*p);
                    const int32_t x = k == 0 ? r.right - 3 : r.CentreX(), y = k == 0 ? r.top + 3 : r.CentreY();
                    EXPECT_TRUE(Near(bare.At(x, y), FrontEndColour(p->name), 3)) << p->name << ": " << gfxtest::Hex(bare.At(x, y));
                }
            }
        }
    }
}

TEST_F(SettingsPanelPictureTest, TheRandomLevelSwitchesReadOnOrOffNotTheirRowCaptions) {
    Show(2);
    MatchSetupPanel& m = s->matchSetup;
    m.SessionScreen(2, 2);
    // The switch rows (2 and 5) print the question box's answers, "yes" for on; the other rows
    // are printed as the panel prints them, so that only the switches' words can differ.
    for (int on = 0; on < 2; ++on) {
        SCOPED_TRACE(on ? "own on, enemy off" : "own off, enemy on");
        g_Training.randomLevel[0] = uint8_t(on);
        g_Training.randomLevel[1] = uint8_t(1 - on);
        const Picture drawn = Draw(true, false, true);
        // The same screen without the panel's printing, then the expected words printed where
        // the rows stand.
        gfx::Texture* glyphs = g_Font.texture;
        g_Font.texture = nullptr;
        Clear(kBackground);
        g_Video.RestoreStates();
        g_Video.Begin2D();
        s->DrawScreen();
        g_Font.texture = glyphs;
        for (int r = 0; r < 6; ++r) {
            const int team = r / 3;
            const std::string value = r % 3 == 0   ? std::to_string(g_Training.values[2 + team] + 1)
                                      : r % 3 == 1 ? std::to_string(g_Training.values[team])
                                                   : (g_Training.randomLevel[team] ? "T685" : "T686");
            const ImageButton &left = m.arrows[2 * r], &right = m.arrows[2 * r + 1];
            g_Font.Print(5, 18, (left.x + left.w + right.x) / 2, left.y, -1, value.c_str(), 'C', true);
        }
        g_Video.End2D();
        const Picture expected{ReadBack()};
        // The panel draws its arrows over its values; the words here lie over the arrows.
        Coverage arrows;
        for (const ImageButton& a : m.arrows)
            if (a.visible && a.highlightSprite) arrows.Add(ImageRect(a));
        const Stray stray = StrayPixels(drawn, expected, arrows);
        EXPECT_EQ(stray.count, 0) << "first at " << stray.x << ", " << stray.y;
    }
}

}  // namespace
