// The menu's 2D screens drawn on the OpenGL device at the front end's own 1024 x 768 over one
// flat colour, and read back: the front-end data's flat-colour pictures, a text table whose
// every entry is "T" and its number, saved players and a campaign, the fighter kit's skeletons
// for the preview fighters, and the menu camera. Helpers give the pixel rectangles of labels
// and widgets and compare pictures inside them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "fighters/character.h"
#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/overlays.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"
#include "frontend/sprite2d.h"
#include "frontend/text_label.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "gfx/gl_fixture.h"
#include "render/material_table.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/scene_element_records.h"
#include "shell/mouse.h"
#include "support/fighter_kit.h"
#include "support/frontend_data.h"
#include "support/temp_dir.h"

namespace screenpic {

constexpr int32_t kW = 1024, kH = 768;
// The empty screen: a colour no picture of the data has, and not black, so that a multiplying
// panel shows.
constexpr uint32_t kBackground = 0xFF406080;
// Every base skin of both sides: a dressed fighter shows it, a bare one does not.
constexpr uint32_t kSkinColour = 0xFF00FF00;

// Pixels [left, right) x [top, bottom).
struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    PixelRect Grown(int32_t by) const { return {left - by, top - by, right + by, bottom + by}; }
    int32_t CentreX() const { return (left + right) / 2; }
    int32_t CentreY() const { return (top + bottom) / 2; }
};

inline std::string Describe(const PixelRect& r) {
    char b[64];
    std::snprintf(b, sizeof b, "(%d,%d)-(%d,%d)", r.left, r.top, r.right, r.bottom);
    return b;
}

// The rectangle of fractions x, y, w, h in whole pixels, the edges rounded outwards.
inline PixelRect FractionRect(float x, float y, float w, float h) {
    return {int32_t(std::floor(x * kW)), int32_t(std::floor(y * kH)), int32_t(std::ceil((x + w) * kW)),
            int32_t(std::ceil((y + h) * kH))};
}

// Where a label's text lies: its anchor by its alignment and its measured size (a paragraph's
// box from its x).
inline PixelRect LabelRect(const TextLabel& l) {
    float left = l.x;
    if (l.alignment == 'C' || l.alignment == 'c')
        left -= l.w / 2;
    else if (l.alignment == 'D' || l.alignment == 'd')
        left -= l.w;
    return FractionRect(left, l.y, l.w, l.h);
}

inline bool HasText(const TextLabel& l) { return l.inUse && l.visible && l.text && l.text[0]; }

inline float AlignedLeft(float x, float w, uint8_t align) {
    if (align == 'C' || align == 'c') return x - w / 2;
    if (align == 'D' || align == 'd') return x - w;
    return x;
}

inline PixelRect ImageRect(const ImageButton& b) { return FractionRect(AlignedLeft(b.x, b.w, b.align), b.y, b.w, b.h); }
inline PixelRect PanelRect(const MenuPanel& p) { return {p.left, p.top, p.right, p.bottom}; }
inline PixelRect SpriteRect(const Sprite2D& s) {
    return {s.pixelX, s.pixelY, s.pixelX + s.pixelWidth, s.pixelY + s.pixelHeight};
}
inline PixelRect SwitchRect(const MenuSwitch& s) { return {s.px, s.py, s.px + s.pw, s.py + s.ph}; }
// The three pieces of a button, a pixel either way for the halving of a centred one.
inline PixelRect ButtonRect(const MenuButton& b) {
    const int32_t x = PixelX(b.x);
    const int32_t left = b.align == 'C' || b.align == 'c' ? x - b.pw / 2 : b.align == 'D' || b.align == 'd' ? x - b.pw : x;
    return PixelRect{left, b.py, left + b.pw, b.py + b.ph}.Grown(1);
}
inline PixelRect FieldRect(const TextField& f) { return PanelRect(f.frame); }
inline PixelRect SliderRect(const MenuSlider& s) { return FractionRect(s.x, s.y, s.w, s.h).Grown(1); }
// Both arrows and the value box between them.
inline PixelRect SelectorRect(const ArrowSelector& s) {
    return PixelRect{s.lx, s.ly, s.rx + s.rw, s.ly + std::max(s.lh, PixelY(s.y + s.boxH) - s.ly)}.Grown(1);
}

// One channel of a colour.
inline int Channel(uint32_t c, int k) { return int((c >> (8 * k)) & 0xFF); }
inline uint32_t FromChannels(const int (&ch)[3]) {
    return 0xFF000000u | uint32_t(std::clamp(ch[2], 0, 255)) << 16 | uint32_t(std::clamp(ch[1], 0, 255)) << 8 |
           uint32_t(std::clamp(ch[0], 0, 255));
}
// A picture tinted by a colour (the widgets' disabled look).
inline uint32_t Tinted(uint32_t c, uint32_t tint) {
    int ch[3];
    for (int k = 0; k < 3; ++k) ch[k] = Channel(c, k) * Channel(tint, k) / 255;
    return FromChannels(ch);
}
// A panel over a colour: a multiplying panel scales what is under it; the other kind adds its
// colour to that product.
inline uint32_t PanelOver(const MenuPanel& p, uint32_t under) {
    int ch[3];
    for (int k = 0; k < 3; ++k)
        ch[k] = (p.blend ? 0 : Channel(p.colour, k)) + Channel(under, k) * Channel(p.colour, k) / 255;
    return FromChannels(ch);
}

// The pixels where any of the rectangles lies, and how many lie on each.
class Coverage {
public:
    Coverage() : bits_(size_t(kW) * kH, 0) {}
    void Add(const PixelRect& r) {
        const int32_t left = std::clamp(r.left, 0, kW), right = std::clamp(r.right, 0, kW);
        for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, kH); ++y)
            for (int32_t x = left; x < right; ++x) {
                uint8_t& b = bits_[size_t(y) * kW + size_t(x)];
                if (b < 255) ++b;
            }
    }
    bool Has(int32_t x, int32_t y) const { return Count(x, y) != 0; }
    int Count(int32_t x, int32_t y) const {
        return x >= 0 && x < kW && y >= 0 && y < kH ? bits_[size_t(y) * kW + size_t(x)] : 0;
    }

private:
    std::vector<uint8_t> bits_;
};

struct Picture {
    std::vector<uint32_t> px;
    uint32_t At(int32_t x, int32_t y) const { return px[size_t(y) * kW + size_t(x)]; }
};

// The screen with nothing drawn on it.
inline const Picture& EmptyScreen() {
    static const Picture empty{std::vector<uint32_t>(size_t(kW) * kH, kBackground)};
    return empty;
}

inline bool Near(uint32_t a, uint32_t b, int tol) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(Channel(a, k) - Channel(b, k)) > tol) return false;
    return true;
}

// Pixels of the rectangle (clipped to the screen) where two pictures differ.
inline int Differing(const Picture& a, const Picture& b, const PixelRect& r, int tol = 2) {
    int n = 0;
    for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, kH); ++y)
        for (int32_t x = std::max(r.left, 0); x < std::min(r.right, kW); ++x) n += Near(a.At(x, y), b.At(x, y), tol) ? 0 : 1;
    return n;
}

// Pixels outside the coverage where two pictures differ, with the first one found.
struct Stray {
    int count = 0;
    int32_t x = -1, y = -1;
};
inline Stray StrayPixels(const Picture& a, const Picture& b, const Coverage& allowed, int tol = 2) {
    Stray s;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            if (allowed.Has(x, y) || Near(a.At(x, y), b.At(x, y), tol)) continue;
            if (s.count++ == 0) s.x = x, s.y = y;
        }
    return s;
}

// The area a tabbed panel draws in: the tab buttons in use and its content area (the last panel).
template <size_t N>
void AddPanelArea(Coverage* c, const MenuPanel (&panels)[N], int used) {
    for (int i = 0; i < used && i < int(N) - 1; ++i) c->Add(PanelRect(panels[i]));
    c->Add(PanelRect(panels[N - 1]));
}

// Where the options panel's patch of each tab stands; the open tab's patch joins it to the
// content area and may reach past both.
constexpr float kPatchX[OPTIONS_TABS] = {0.203125f, 0.35351563f, 0.50292969f, 0.65332031f};
constexpr float kPatchY = 0.24088542f;
inline PixelRect PatchRect(int tab) {
    const Sprite2D* patch = g_Menu.pictures[21 + tab];
    if (!patch) return {};
    const int32_t x = PixelX(kPatchX[tab]), y = PixelY(kPatchY);
    return PixelRect{x, y, x + patch->pixelWidth, y + patch->pixelHeight}.Grown(1);
}

// A text table of "T<number>" for every entry, so that each label shows ink.
inline std::string KnownTextTable() {
    std::string out;
    char line[32];
    for (int id = 0; id < TEXT_TABLE_SLOTS; ++id) {
        std::snprintf(line, sizeof line, "TXT%04d\"T%d\";\n", id, id);
        out += line;
    }
    return out;
}

class ScreenPictureFixture : public gfxtest::GLDeviceTest {
protected:
    fxtest::SceneOnDevice scene;
    MenuScreens* s = nullptr;
    // The stored blocks the screens and panels edit, put back after each test.
    GameSettingsBlock savedGame = g_GameSettings;
    OptionsBlock savedOptions = g_Options;
    MultiplayerBlock savedMultiplayer = g_Multiplayer;
    TrainingBlock savedTraining = g_Training;
    // Player slots of side 0 in the campaign folder family.
    std::vector<int> players;

    // One device and one data folder for a whole suite: making a context and writing the
    // pictures are most of a test's time. Each test starts without saves.
    struct Shared {
        gfx::Device* device = nullptr;
        os::WindowHandle window = nullptr;
        gfx::DeviceParams params;
        std::unique_ptr<ScopedWorkDir> dir;
    };
    static Shared& Kept() {
        static Shared kept;
        return kept;
    }
    static void TearDownTestSuite() {
        Shared& k = Kept();
        if (k.device) EXPECT_EQ(k.device->Release(), 0u) << "resources left on the device";
        if (k.window) os::DestroyWindow(k.window);
        if (k.device || k.window) os::Shutdown();
        k.dir.reset();
        k = Shared();
    }

    void SetUp() override {
        Shared& k = Kept();
        if (!k.device) {
            ASSERT_TRUE(CreateDevice(kW, kH, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_D24S8));
            k.device = device;
            k.window = window;
            k.params = params;
        }
        device = k.device;
        window = k.window;
        params = k.params;
        scene.Enter(device, kW, params.present);
        g_Video.screenRect = {0, 0, kW - 1, kH - 1};
        g_Video.halfWidth = kW / 2;
        g_Video.halfHeight = kH / 2;
        g_Video.displayMode.Format = gfx::D3DFMT_X8R8G8B8;
        // As the video object's creation leaves them: the alpha test passes alpha 1 and above.
        device->SetRenderState(gfx::D3DRS_ALPHAREF, 1);
        device->SetRenderState(gfx::D3DRS_ALPHAFUNC, gfx::D3DCMP_GREATEREQUAL);
        if (!k.dir) {
            k.dir = std::make_unique<ScopedWorkDir>();
            WriteData(*k.dir);
        }
        std::filesystem::remove_all(k.dir->path() / "Saves");
        g_TextTable.Load("textos.txt");
        MenuShellCalls calls{};
        // The menu's camera: from 20 in front of the origin, 22.5 degrees.
        calls.selectControlMode = [] {
            g_Scene.camera->Set(0, 0, -20, 0, 0, 0, 0, std::numbers::pi_v<float> / 8, 1, 400);
            g_Scene.camera->Update();
        };
        g_MenuShellCalls = calls;
        g_Menu.saveMode = 2;
        g_Menu.gameType = 2;
        g_Menu.variant = 0;
        MakePlayersAndCampaign();
        g_Menu.BuildPage(0);
        s = g_Menu.screens;
        ASSERT_NE(s, nullptr);
        ASSERT_NE(g_SideTable[0].skeleton, nullptr) << "the preview fighters need the kit's skeletons";
        DropWords();
    }
    void TearDown() override {
        ResetMenu();
        FreeSkeletons();
        ClearCampaign();
        g_GameSettings = savedGame;
        g_Options = savedOptions;
        g_Multiplayer = savedMultiplayer;
        g_Training = savedTraining;
        g_Mouse = MouseState();
        ResetMenuShellCalls();
        ResetTextLabels();
        g_Fader.Zero();
        scene.Leave();
        // The suite's device stays for the next test.
        device = nullptr;
        window = nullptr;
    }

    static void WriteData(const ScopedWorkDir& dir) {
        testsupport::WriteFrontEndData(dir);
        dir.Write("textos.txt", KnownTextTable());
        g_TextTable.Load("textos.txt");
        char name[32];
        for (int i = 0; i < 20; ++i) {
            std::snprintf(name, sizeof name, "FondoEsc%02d", i);
            testsupport::WriteMenuPicture(dir, name, 32, 24);
        }
        for (int k = 0; k < 8; ++k) {
            std::snprintf(name, sizeof name, "KGame%02d", k);
            testsupport::WriteMenuPicture(dir, name, 16, 16);
        }
        testsupport::WriteMenuPicture(dir, "PlayerSel", 16, 16);
        // The text buttons' pieces at the demo set's proportions: at a button's height its two
        // ends are wider than a narrow button.
        for (const char* button : {"BotonMenuSinPulsar", "BotonMenuPulsado"})
            testsupport::WriteMenuPicture(dir, button, 256, 32);
        for (const char* side : {"orlin", "vorak"})
            for (int n = 0; n < 10; ++n) {
                std::snprintf(name, sizeof name, "%s%02d.tga", side, n);
                const std::vector<uint8_t> skin = datakit::TgaFile(datakit::SolidPicture(8, 8, kSkinColour));
                dir.Write(std::string("Texturas/Personajes/Pieles/") + name, std::string(skin.begin(), skin.end()));
            }
        // The skeletons the menu loads for its preview fighters.
        namespace fs = std::filesystem;
        const fs::path& kit = testsupport::FighterFilesFolder();
        fs::create_directories(dir.path() / "Modelos");
        fs::create_directory_symlink(kit / "Modelos" / "Personajes", dir.path() / "Modelos" / "Personajes");
        fs::create_directory_symlink(kit / "ANIMACIONES", dir.path() / "ANIMACIONES");
    }

    // Four saved players of side 0 and a team campaign of the first two.
    void MakePlayersAndCampaign() {
        PlayerRecord r;
        for (int i = 0; i < 4; ++i) {
            MakeRandomPlayer(0, &r);
            const int slot = AddPlayerRecord(r);
            ASSERT_GE(slot, 0);
            ASSERT_TRUE(SavePlayer(0, slot));
            players.push_back(slot);
        }
        const int32_t members[CAMPAIGN_MEMBERS] = {players[0], players[1], -1, -1};
        ASSERT_TRUE(CreateCampaign(0, "Marcha", members));
        g_Menu.ClearPlayerTables();
    }

    // The menu's 3D words go; the 2D screen is what is drawn.
    static void DropWords() {
        for (Text3D& b : g_Menu.buttons) b.Release();
        g_Menu.buttonCount = 0;
    }

    // The current screen drawn over the empty background and read back; without labels (label
    // mode that draws nothing), without its preview fighters or without what it prints with the
    // texture font (no font texture) when asked.
    Picture Draw(bool labels = true, bool previews = true, bool font = true) {
        gfx::Texture* glyphs = g_Font.texture;
        if (!font) g_Font.texture = nullptr;
        Character* saved[1 + 2 * SCREEN_TEAM] = {s->candidate};
        for (int i = 0; i < SCREEN_TEAM; ++i) saved[1 + i] = s->teamFighters[i], saved[5 + i] = s->enemyFighters[i];
        if (!previews) {
            s->candidate = nullptr;
            std::fill(std::begin(s->teamFighters), std::end(s->teamFighters), nullptr);
            std::fill(std::begin(s->enemyFighters), std::end(s->enemyFighters), nullptr);
        }
        const uint32_t mode = GetTextLabelMode();
        if (!labels) SetTextLabelMode(2);
        Clear(kBackground);
        g_Video.RestoreStates();
        // As every menu frame begins: the widgets set their textures past the material cache.
        g_Scene.materials->ResetCache();
        g_Video.Begin2D();
        s->DrawScreen();
        g_Video.End2D();
        SetTextLabelMode(mode);
        g_Font.texture = glyphs;
        s->candidate = saved[0];
        for (int i = 0; i < SCREEN_TEAM; ++i) s->teamFighters[i] = saved[1 + i], s->enemyFighters[i] = saved[5 + i];
        return Picture{ReadBack()};
    }

    // Label ink: every drawn label shows ink (where `text` differs from `bare`, the same picture
    // drawn without labels) inside its rectangle and stays on the screen, and no ink lies outside
    // the allowed rectangles.
    void ExpectInkInside(const Picture& text, const Picture& bare, const std::vector<const TextLabel*>& drawn,
                         const Coverage& allowed) {
        const Stray stray = StrayPixels(text, bare, allowed);
        EXPECT_EQ(stray.count, 0) << "text outside every label, first at " << stray.x << ", " << stray.y;
        for (const TextLabel* l : drawn) {
            if (!HasText(*l)) continue;
            const PixelRect r = LabelRect(*l);
            EXPECT_GT(Differing(text, bare, r.Grown(1)), 0) << "no ink for \"" << l->text << "\" in " << Describe(r);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= kW && r.bottom <= kH)
                << "\"" << l->text << "\" leaves the screen: " << Describe(r);
        }
    }

    // Image buttons, each judged at its centre: the highlight picture when highlighted, the
    // plain one tinted by the disabled colour when disabled, neither when hidden. Left as built.
    void ExpectImageStates(const std::vector<ImageButton*>& images) {
        std::vector<uint8_t> enabled;
        for (ImageButton* b : images) enabled.push_back(b->enabled), b->highlighted = 1, b->enabled = 1;
        const Picture lit = Draw(false, false);
        for (ImageButton* b : images) b->enabled = 0;
        const Picture disabled = Draw(false, false);
        std::vector<uint8_t> visible;
        for (ImageButton* b : images) visible.push_back(b->visible), b->visible = 0;
        const Picture hidden = Draw(false, false);
        for (size_t i = 0; i < images.size(); ++i) {
            ImageButton* b = images[i];
            const PixelRect r = ImageRect(*b);
            const int32_t x = r.CentreX(), y = r.CentreY();
            const uint32_t high = testsupport::FrontEndColour(b->highlightSprite->name);
            const uint32_t plain = testsupport::FrontEndColour(b->plainSprite->name);
            SCOPED_TRACE(std::string("image ") + b->plainSprite->name + " " + Describe(r));
            EXPECT_TRUE(r.right - r.left > 2 && r.bottom - r.top > 2) << "a picture button without a size";
            EXPECT_TRUE(Near(lit.At(x, y), high, 3)) << gfxtest::Hex(lit.At(x, y));
            EXPECT_TRUE(Near(disabled.At(x, y), Tinted(plain, b->disabledColour), 3)) << gfxtest::Hex(disabled.At(x, y));
            EXPECT_FALSE(Near(hidden.At(x, y), plain, 3) || Near(hidden.At(x, y), high, 3));
            b->visible = visible[i];
            b->enabled = enabled[i];
            b->highlighted = 0;
        }
    }

    // Text buttons: the plain pieces, the pressed ones when highlighted (judged inside the left
    // end, clear of the text); a disabled button greys its text and nothing else.
    void ExpectButtonStates(const std::vector<MenuButton*>& buttons) {
        const Picture plain = Draw(false, false);
        for (MenuButton* b : buttons) b->highlighted = 1;
        const Picture lit = Draw(false, false);
        for (MenuButton* b : buttons) b->highlighted = 0, b->enabled = 0;
        const Picture grey = Draw(true, false);
        for (MenuButton* b : buttons) {
            const PixelRect r = ButtonRect(*b);
            const int32_t x = r.left + 2 + b->plainLeft->pixelWidth / 2, y = r.CentreY();
            SCOPED_TRACE(std::string("button \"") + b->label.text + "\" " + Describe(r));
            EXPECT_TRUE(Near(plain.At(x, y), testsupport::FrontEndColour("BotonMenuSinPulsar"), 3)) << gfxtest::Hex(plain.At(x, y));
            EXPECT_TRUE(Near(lit.At(x, y), testsupport::FrontEndColour("BotonMenuPulsado"), 3)) << gfxtest::Hex(lit.At(x, y));
            int greyInk = 0, plainInk = 0;
            const PixelRect t = LabelRect(b->label);
            for (int32_t py = std::max(t.top, 0); py < std::min(t.bottom, kH); ++py)
                for (int32_t px = std::max(t.left, 0); px < std::min(t.right, kW); ++px) {
                    greyInk += Near(grey.At(px, py), FontColors[16], 2) ? 1 : 0;
                    plainInk += Near(grey.At(px, py), FontColors[1], 2) ? 1 : 0;
                }
            EXPECT_GT(greyInk, 0);
            EXPECT_EQ(plainInk, 0);
            b->enabled = 1;
        }
    }

    // Switches at their centres: on, off, and off while disabled. Left on and enabled as built.
    void ExpectSwitchStates(const std::vector<MenuSwitch*>& switches) {
        std::vector<uint8_t> was;
        for (MenuSwitch* w : switches) was.push_back(w->on), w->on = 1;
        const Picture on = Draw(false, false);
        for (MenuSwitch* w : switches) w->on = 0;
        const Picture off = Draw(false, false);
        for (MenuSwitch* w : switches) w->enabled = 0;
        const Picture offDisabled = Draw(false, false);
        for (size_t i = 0; i < switches.size(); ++i) {
            MenuSwitch* w = switches[i];
            const PixelRect r = SwitchRect(*w);
            const int32_t x = r.CentreX(), y = r.CentreY();
            SCOPED_TRACE("switch " + Describe(r));
            EXPECT_TRUE(Near(on.At(x, y), testsupport::FrontEndColour("Switchon"), 3)) << gfxtest::Hex(on.At(x, y));
            EXPECT_TRUE(Near(off.At(x, y), testsupport::FrontEndColour("Switchoff"), 3)) << gfxtest::Hex(off.At(x, y));
            EXPECT_TRUE(Near(offDisabled.At(x, y), Tinted(testsupport::FrontEndColour("Switchoff"), WIDGET_DISABLED_TINT), 3))
                << gfxtest::Hex(offDisabled.At(x, y));
            w->on = was[i];
            w->enabled = 1;
        }
    }

    // The screen built as the menu builds a page.
    void Show(int screen) {
        DropWords();
        s->SetScreen(screen);
    }
};

}  // namespace screenpic
