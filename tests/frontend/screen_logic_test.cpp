// The screens' frames: pointer handling shared by every screen, the main menu and the profile
// choice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "frontend/menu_fixture.h"
#include "frontend/settings_files.h"
#include "frontend/text_table.h"
#include "scene/glow.h"

using menutest::Log;
using menutest::MenuTest;

namespace {

std::vector<uint32_t> g_musicStops;

class ScreenLogicTest : public MenuTest {
protected:
    MenuScreens* s = nullptr;

    void SetUp() override {
        MenuTest::SetUp();
        g_musicStops.clear();
        g_MenuShellCalls.stopMusic = [](uint32_t ms) { g_musicStops.push_back(ms); };
        Build(0);
        StopFading();
        s = g_Menu.screens;
    }
    // The screen built from a rest state: no sound, no transition.
    void Show(int screen) {
        DropButtons();
        s->SetScreen(screen);
        g_Menu.page = screen;
        g_Menu.targetPage = screen;
        StopFading();
        Log().sounds.clear();
    }
    static void PointAtRect(float left, float top, float w, float h) {
        g_Mouse.x = int32_t((left + w / 2) * SpriteScreenWidth());
        g_Mouse.y = int32_t((top + h / 2) * SpriteScreenHeight());
    }
    static void PointAt(const ImageButton& b) {
        const float left = AlignIs(b.align, 'C') ? b.x - b.w / 2 : AlignIs(b.align, 'D') ? b.x - b.w : b.x;
        PointAtRect(left, b.y, b.w, b.h);
    }
    static void PointAt(const MenuSwitch& w) {
        g_Mouse.x = w.px + w.pw / 2;
        g_Mouse.y = w.py + w.ph / 2;
    }
    // One frame with the left button pressed this frame (or only held, or up).
    void Frame(bool pressed, bool held = false) {
        g_Mouse.buttons[MOUSE_LEFT].pressed = pressed ? 1 : 0;
        g_Mouse.buttons[MOUSE_LEFT].held = pressed || held ? 1 : 0;
        s->Update();
        g_Mouse.buttons[MOUSE_LEFT].pressed = 0;
    }
    template <class W>
    void Click(const W& w) {
        PointAt(w);
        Frame(true);
    }
    void ExpectLeft(int from, int target, const std::vector<int>& sounds) {
        EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
        EXPECT_EQ(g_Menu.previousPage, from);
        EXPECT_EQ(g_Menu.targetPage, target);
        EXPECT_TRUE(g_Fader.running);
        EXPECT_EQ(Log().sounds, sounds);
    }
};

TEST_F(ScreenLogicTest, HoverShowsTheTipAndHighlightsOnlyWhileTheButtonIsUp) {
    Show(3);
    ImageButton& back = s->images[2];
    PointAt(back);
    Frame(false);
    EXPECT_EQ(std::string(g_Menu.tooltip.text), g_TextTable.Get(484));
    EXPECT_EQ(back.highlighted, 1);
    Frame(false, true);
    EXPECT_EQ(back.highlighted, 0) << "held";
    EXPECT_EQ(g_Menu.page, 3) << "a held button is no click";
    Frame(false);
    g_Mouse.x = g_Mouse.y = 1;
    Frame(false);
    EXPECT_EQ(back.highlighted, 0) << "pointer gone";
    EXPECT_TRUE(Log().sounds.empty());

    // Unbuilt, and the screens without logic, answer nothing.
    for (int screen : {3, 1, 7, 17}) {
        Show(screen);
        if (screen == 3) s->built = 0;
        for (ImageButton& b : s->images)
            if (b.highlightSprite) Click(b);
        EXPECT_EQ(g_Menu.page, screen) << screen;
        EXPECT_TRUE(Log().sounds.empty()) << screen;
    }
}

TEST_F(ScreenLogicTest, MainMenuLogoGoesToTheCreditsAndTheQuitBoxQuitsOnlyOnYes) {
    Show(0);
    Click(s->images[0]);
    ExpectLeft(0, 19, {200, 204});

    g_Settings.music = 1;
    Show(0);
    Build(0);
    StopFading();
    Log().sounds.clear();
    s->OpenQuitBox();
    // While the box is open the logo is dead.
    Click(s->images[0]);
    EXPECT_EQ(g_Menu.page, 0);
    g_Menu.escapePressed = 1;
    Frame(false);
    g_Menu.escapePressed = 0;
    EXPECT_EQ(s->boxOpen, 0);
    EXPECT_EQ(s->confirm.open, 0);
    EXPECT_EQ(g_Menu.page, 0);
    EXPECT_TRUE(g_musicStops.empty());

    s->OpenQuitBox();
    Log().sounds.clear();
    g_Menu.enterPressed = 1;
    Frame(false);
    g_Menu.enterPressed = 0;
    EXPECT_EQ(s->boxOpen, 0);
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, PAGE_QUIT);
    EXPECT_TRUE(g_Fader.running);
    EXPECT_EQ(g_musicStops, std::vector<uint32_t>({3000}));
    ASSERT_GT(g_Menu.buttonCount, 0);
    for (int k = 0; k < g_Menu.buttonCount; ++k) EXPECT_EQ(g_Menu.buttons[k].animation, TEXT3D_FLY_OUT) << k;
    EXPECT_EQ(Log().sounds, std::vector<int>({200, 205}));
}

TEST_F(ScreenLogicTest, ProfileChoiceSwitchesSidesAndLeavesByPlayType) {
    Show(3);
    g_Options.difficulty = 1;
    Click(s->switches[1]);
    EXPECT_EQ(g_Options.difficulty, 1u);
    EXPECT_TRUE(Log().sounds.empty()) << "the switch already on says nothing";
    for (int i : {2, 0}) {
        Click(s->switches[i]);
        EXPECT_EQ(g_Options.difficulty, uint32_t(i));
        for (int k = 0; k < SCREEN_SWITCHES; ++k) EXPECT_EQ(s->switches[k].on, k == i ? 1 : 0);
    }
    EXPECT_EQ(Log().sounds, std::vector<int>({202, 202}));

    Click(s->images[1]);
    EXPECT_EQ(g_Menu.variant, 1);
    EXPECT_EQ(s->images[1].highlighted, 1);
    EXPECT_EQ(s->images[0].highlighted, 0);

    // Editing the name: only the field runs until it ends.
    const float fx = s->field.x, fy = s->field.y, fw = s->field.w, fh = s->field.h;
    PointAtRect(fx, fy, fw, fh);
    Frame(true);
    EXPECT_EQ(s->boxOpen, 1);
    Click(s->images[2]);
    EXPECT_NE(g_Menu.page, PAGE_TRANSITION);
    s->field.editing = 0;
    s->boxOpen = 0;

    struct Case { int gameType, target; };
    for (Case c : {Case{2, 5}, Case{1, 20}}) {
        Show(3);
        g_Menu.gameType = c.gameType;
        s->teamIndex[2] = 7;
        Click(s->images[3]);
        ExpectLeft(3, c.target, {204});
        EXPECT_EQ(s->teamIndex[2], -1);
        EXPECT_EQ(g_Menu.selectedPlayer, -1);
    }
    Show(3);
    Click(s->images[2]);
    ExpectLeft(3, PAGE_PLAY_TYPE, {205});
}

}  // namespace
