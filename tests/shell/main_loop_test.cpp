#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fighters/match.h"
#include "frontend/menu.h"
#include "net/session.h"
#include "platform/gfx/device.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "core/clocks.h"
#include "shell/control.h"
#include "shell/main_loop.h"
#include "shell/mouse.h"
#include "core/settings.h"

namespace {

std::vector<std::string> g_trace;
bool g_changeModeResult = true;

class FakeDevice : public gfx::Device {
public:
    gfx::Result level = gfx::D3D_OK;
    gfx::Result TestCooperativeLevel() override { return level; }
};

ShellCalls TracingCalls() {
    ShellCalls c;
    c.pollInput = [] { g_trace.push_back("poll"); };
    c.menuFrame = [] { g_trace.push_back("menu"); };
    c.gameFrame = [] { g_trace.push_back("game"); };
    c.renderFrame = [] { g_trace.push_back("render"); };
    c.poseUndrawn = [] { g_trace.push_back("pose"); };
    c.sceneInvalidate = [] { g_trace.push_back("invalidate"); };
    c.videoReset = [] {
        g_trace.push_back("reset");
        return true;
    };
    c.videoChangeMode = [](const VideoSettings&) {
        g_trace.push_back("changemode");
        return g_changeModeResult;
    };
    c.sceneRestore = [] { g_trace.push_back("scene-restore"); };
    c.fontRestore = [] { g_trace.push_back("font-restore"); };
    c.faderRestore = [] { g_trace.push_back("fader-restore"); };
    c.returnFromMatch = [] { g_trace.push_back("return"); };
    return c;
}

class ShellTest : public ::testing::Test {
protected:
    FakeDevice device;
    os::WindowHandle window = nullptr;

    void SetUp() override {
        ASSERT_TRUE(os::Init());
        os::WindowDesc desc;
        desc.title = "test";
        desc.proc = WndProc;
        desc.width = 64;
        desc.height = 64;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        ResetMainLoopState();
        g_Window = window;
        g_Settings.Clear();
        g_Settings.speedFactor = 1.0f;
        ResetMenu();
        g_NetSession = NetSession();
        g_Mouse = MouseState();
        g_Control = Control();
        g_Video.Zero();
        g_Video.device = &device;
        g_ShellCalls = TracingCalls();
        g_trace.clear();
        g_changeModeResult = true;
        InitClocks();
    }
    void TearDown() override {
        ResetShellCalls();
        g_Video.Zero();
        ResetMainLoopState();
        os::Shutdown();
        os::SetTimeSource({});
    }

    // Drains everything queued so far, one turn per message, without running frames.
    void Deliver() {
        os::Message msg;
        while (os::PeekMessage(&msg, os::PM_REMOVE)) {
            os::TranslateMessage(&msg);
            os::DispatchMessage(&msg);
        }
    }
    void Key(int vk) { WndProc(window, os::WM_KEYDOWN, uintptr_t(vk), 0); }
    void Char(char c) { WndProc(window, os::WM_CHAR, uintptr_t(uint8_t(c)), 0); }
};

using Trace = std::vector<std::string>;

// ---- the loop ----------------------------------------------------------------------

TEST_F(ShellTest, TurnWithMessageRunsNoFrameAndEmptyTurnRunsOne) {
    Deliver();
    ASSERT_TRUE(os::PostMessage(window, os::WM_KEYUP, 'A', 0));
    os::Message msg;
    ASSERT_TRUE(RunLoopTurn(&msg));
    EXPECT_EQ(msg.id, os::WM_KEYUP);
    EXPECT_TRUE(g_trace.empty());

    ASSERT_TRUE(RunLoopTurn(&msg));
    EXPECT_EQ(g_trace, (Trace{"poll", "game", "render"}));
    // A quit request ends the loop before the turn.
    g_trace.clear();
    g_QuitRequest = 1;
    EXPECT_FALSE(RunLoopTurn(&msg));
    EXPECT_TRUE(g_trace.empty());
}

TEST_F(ShellTest, AMinimisedGameFramePosesTheFightersInsteadOfDrawing) {
    Deliver();
    g_RenderEnabled = 0;
    os::Message msg;
    ASSERT_TRUE(RunLoopTurn(&msg));
    EXPECT_EQ(g_trace, (Trace{"poll", "game", "pose"}));
    g_trace.clear();
    g_Menu.active = 1;
    ASSERT_TRUE(RunLoopTurn(&msg));
    EXPECT_EQ(g_trace, (Trace{"poll", "menu"}));
}

TEST_F(ShellTest, BackToMenuServedInSameTurnAfterDispatchButNeverWhileMenuActive) {
    Deliver();
    g_Settings.frontEnd = 1;
    os::PostMessage(window, os::WM_KEYDOWN, os::VK_ESCAPE, 0);
    os::Message msg;
    ASSERT_TRUE(RunLoopTurn(&msg));
    EXPECT_EQ(g_trace, (Trace{"return"}));
    Deliver();   // the Escape's character
    g_trace.clear();
    g_Menu.active = 1;
    g_BackToMenuRequest = 1;
    ASSERT_TRUE(RunLoopTurn(&msg));
    EXPECT_EQ(g_trace, (Trace{"poll", "menu", "render"}));
    EXPECT_EQ(g_BackToMenuRequest, 0);
}

TEST_F(ShellTest, DeviceNotResetRoadRestoresInOrderAndRunsNoFrame) {
    device.level = gfx::D3DERR_DEVICENOTRESET;
    g_Mouse.x = 7;
    g_Mouse.y = 9;
    RunFrameTurn();
    EXPECT_EQ(g_trace, (Trace{"invalidate", "reset", "scene-restore", "font-restore", "fader-restore"}));
    EXPECT_EQ(g_Mouse.prevX, 7);
    EXPECT_EQ(g_Mouse.prevY, 9);
}

TEST_F(ShellTest, LostOrMissingDeviceRunsNothingButCopiesMouse) {
    device.level = gfx::D3DERR_DEVICELOST;
    g_Mouse.x = 3;
    RunFrameTurn();
    EXPECT_TRUE(g_trace.empty());
    EXPECT_EQ(g_Mouse.prevX, 3);

    g_Video.device = nullptr;
    g_Mouse.x = 4;
    RunFrameTurn();
    EXPECT_TRUE(g_trace.empty());
    EXPECT_EQ(g_Mouse.prevX, 4);
}

TEST_F(ShellTest, SizeMessagesMinimiseAndRestoreThroughAModeChange) {
    const struct {
        bool device, changeMode;
        Trace trace;
        uint8_t render;
    } cases[] = {
        {true, true, {"invalidate", "changemode", "scene-restore", "font-restore", "fader-restore"}, 1},
        {true, false, {"invalidate", "changemode"}, 0},   // a failed mode change skips the restores
        {false, true, {}, 1},                             // no device: nothing at all
    };
    for (const auto& c : cases) {
        g_trace.clear();
        g_RenderEnabled = 1;
        g_changeModeResult = c.changeMode;
        g_Video.device = c.device ? &device : nullptr;
        WndProc(window, os::WM_SIZE, os::SIZE_MINIMIZED, 0);
        EXPECT_EQ(g_RenderEnabled, c.device ? 0 : 1);
        WndProc(window, os::WM_SIZE, os::SIZE_RESTORED, os::MakeLParam(64, 64));
        EXPECT_EQ(g_trace, c.trace);
        EXPECT_EQ(g_RenderEnabled, c.render);
    }
}

TEST_F(ShellTest, CloseDestroysWindowAndQuits) {
    Deliver();
    os::PostMessage(window, os::WM_CLOSE, 0, 0);
    os::Message msg;
    int turns = 0;
    while (msg.id != os::WM_QUIT && turns++ < 100) RunLoopTurn(&msg);
    EXPECT_EQ(msg.id, os::WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_FALSE(os::IsWindow(window));
}

// ---- the key tables ----------------------------------------------------------------

TEST_F(ShellTest, EscapeRequests) {
    struct Case {
        uint8_t frontEnd, menuActive, test;
        uint8_t backToMenu, quit;
    };
    const Case cases[] = {
        {1, 0, 1, 1, 0},  // a match with the front end: back to the menu
        {0, 0, 1, 0, 1},  // test mode without the front end: quit
        {0, 0, 0, 0, 0},  // nothing at all: only the window can end the program
    };
    for (const Case& c : cases) {
        for (int key : {os::VK_ESCAPE, os::VK_F12}) {
            g_Settings.frontEnd = c.frontEnd;
            g_Menu.active = c.menuActive;
            g_Settings.test = c.test;
            g_BackToMenuRequest = 0;
            g_QuitRequest = 0;
            Key(key);
            EXPECT_EQ(g_BackToMenuRequest, c.backToMenu) << int(c.frontEnd) << int(c.menuActive) << int(c.test);
            EXPECT_EQ(g_QuitRequest, c.quit) << int(c.frontEnd) << int(c.menuActive) << int(c.test);
        }
    }
}

TEST_F(ShellTest, PauseKeyTogglesMatchAndPauseClocksOnly) {
    struct Case {
        int mode;
        uint8_t network;
        int startClock;
        int expectedClock;
    };
    const Case cases[] = {
        {2, 0, CLOCK_MATCH, CLOCK_PAUSE},
        {0, 0, CLOCK_MENU, CLOCK_MENU},   // the menu's clock is never paused
        {0, 1, CLOCK_MATCH, CLOCK_MATCH},  // nor a network game
        {3, 0, CLOCK_MATCH, CLOCK_MATCH},  // nor the editor
    };
    for (const Case& c : cases) {
        for (char key : {'P', 'p'}) {
            InitClocks();
            SetActiveClock(c.startClock);
            g_Settings.mode = c.mode;
            g_NetSession.active = c.network;
            Char(key);
            EXPECT_EQ(GetActiveClock(), c.expectedClock) << "mode " << c.mode << " clock " << c.startClock;
        }
    }
}

// ---- the mouse ---------------------------------------------------------------------

TEST_F(ShellTest, ButtonEdgesAndResetRelease) {
    WndProc(window, os::WM_RBUTTONDOWN, 0, 0);
    g_Mouse.Reset();
    WndProc(window, os::WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(g_Mouse.buttons[MOUSE_RIGHT].released, 0);
    EXPECT_EQ(g_Mouse.buttons[MOUSE_RIGHT].heldDuration, 0);

    // A click made entirely after a reset, before any game frame, keeps both edges.
    g_Mouse.Reset();
    WndProc(window, os::WM_MBUTTONDOWN, 0, 0);
    WndProc(window, os::WM_MBUTTONUP, 0, 0);
    EXPECT_EQ(g_Mouse.buttons[MOUSE_MIDDLE].pressed, 1);
    EXPECT_EQ(g_Mouse.buttons[MOUSE_MIDDLE].released, 1);
}

}  // namespace
