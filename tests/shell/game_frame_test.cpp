// The game frame: frame time, one-second tick and the order of its calls, with a fake clock and
// the calls into other subsystems recorded.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fighters/character.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "core/clocks.h"
#include "shell/control.h"
#include "shell/input_system.h"
#include "shell/main_loop.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "world/map_editor.h"

namespace {

using Trace = std::vector<std::string>;

uint32_t g_now = 0;
Trace g_trace;
float g_cameraSeconds = -1.0f;

std::string CharacterName(const Character* c) {
    return c ? std::to_string(c - g_Characters) : std::string("none");
}

FrameCalls TracingCalls() {
    FrameCalls c;
    c.sceneUpdate = [](int ms) { g_trace.push_back("scene:" + std::to_string(ms)); };
    c.updateInput = [](Control& control) {
        g_trace.push_back("input");
        control.UpdateInput();
    };
    c.netProcessIncoming = [] { g_trace.push_back("receive"); };
    c.packetFlush = [] { g_trace.push_back("flush"); };
    c.updateAimPoint = [](Control&) { g_trace.push_back("aim"); };
    c.updateMouseLook = [](Control&, Character* ch, int player) {
        g_trace.push_back("look:" + CharacterName(ch) + "/" + std::to_string(player));
    };
    c.applyLocalActions = [](Control&, Character* ch, int player) {
        g_trace.push_back("act:" + CharacterName(ch) + "/" + std::to_string(player));
    };
    c.updateCharacters = [](Control&) { g_trace.push_back("fighters"); };
    c.scenarioUpdateAmbient = [](int ms) { g_trace.push_back("ambient:" + std::to_string(ms)); };
    c.matchUpdate = [] { g_trace.push_back("match"); };
    c.playViewerAnimationSounds = [](Control&) { g_trace.push_back("cues"); };
    c.updateCamera = [](Control&, float seconds) {
        g_cameraSeconds = seconds;
        g_trace.push_back("camera");
    };
    c.selectLevelOfDetail = [](Character* ch) { g_trace.push_back("lod:" + CharacterName(ch)); };
    c.updateEffects = [](uint32_t ms) { g_trace.push_back("effects:" + std::to_string(ms)); };
    c.hudUpdateMarkers = [] { g_trace.push_back("hud"); };
    c.mapEditorTick = [] { g_trace.push_back("editor"); };
    return c;
}

class GameFrameTest : public ::testing::Test {
protected:
    os::WindowHandle window = nullptr;

    void SetUp() override {
        g_now = 100000;
        os::SetTimeSource([] { return g_now; });
        ASSERT_TRUE(os::Init());
        os::WindowDesc desc;
        desc.title = "test";
        desc.proc = os::DefWindowProc;
        desc.width = 64;
        desc.height = 64;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        os::ShowWindow(window, true);
        ResetMainLoopState();
        g_Window = window;

        g_Settings.Clear();
        g_Settings.speedFactor = 1.0f;
        g_NetSession = NetSession();
        ResetMapEditor();
        g_Mouse = MouseState();
        for (Character& c : g_Characters) c = Character();
        g_Input.Release();
        uint8_t keys[256] = {};
        os::SetKeyboardState(keys);
        g_Control = Control();
        g_FrameCalls = TracingCalls();
        g_trace.clear();
        g_cameraSeconds = -1.0f;

        InitClocks();
        SetActiveClock(CLOCK_MATCH);
        g_now += 5;     // clock 0 away from 0, which would read as "no frame yet"
    }
    void TearDown() override {
        // What the cases set up for the frame would otherwise start the next test's match as a
        // play-test or a network game.
        ResetMapEditor();
        g_NetSession = NetSession();
        for (Character& c : g_Characters) c = Character();
        g_Control = Control();
        ResetFrameCalls();
        ResetMainLoopState();
        os::Shutdown();
        os::SetTimeSource({});
    }

    // A frame `ms` system milliseconds after the previous one; returns its calls.
    Trace Frame(uint32_t ms) {
        g_now += ms;
        g_trace.clear();
        g_Control.RunFrame();
        return g_trace;
    }

    static void MakeLocal(int slot = 0) {
        g_Characters[slot].active = 1;
        g_Control.localCharacter = &g_Characters[slot];
    }
};

TEST_F(GameFrameTest, FirstFrameHasNoTimeThenTheGapIsClampedAndScaled) {
    const struct {
        uint32_t gap;
        float factor;
        int ms;
    } cases[] = {
        {101, 1.0f, 100}, {100, 3.0f, 33},
        // A factor that is not positive would divide by zero; the frame runs unscaled.
        {40, 0.0f, 40}, {40, std::numeric_limits<float>::quiet_NaN(), 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.gap) + " ms at factor " + std::to_string(c.factor));
        g_Control = Control();
        g_Settings.speedFactor = c.factor;
        Frame(7);
        EXPECT_EQ(g_Control.frameMs, 0);
        EXPECT_EQ(Frame(c.gap).front(), "scene:" + std::to_string(c.ms));
        EXPECT_EQ(g_Control.frameMs, c.ms);
        EXPECT_FLOAT_EQ(g_Control.frameSeconds, float(c.ms) * 0.001f);
        EXPECT_FLOAT_EQ(g_cameraSeconds, g_Control.frameSeconds);
    }
}

TEST_F(GameFrameTest, CallOrderPerApplicationMode) {
    const Trace lod = {"camera", "lod:0", "lod:5", "effects:16", "hud"};
    auto join = [](Trace a, const Trace& b, const Trace& c = {}) {
        a.insert(a.end(), b.begin(), b.end());
        a.insert(a.end(), c.begin(), c.end());
        return a;
    };
    const Trace match = {"ambient:16", "match"};
    const struct {
        int mode;
        bool playTest, network, frozen;
        int actionClass;
        Trace expected;
    } cases[] = {
        {0, false, false, false, 0,
         join({"scene:16", "input", "aim", "look:0/0", "act:0/0", "fighters"}, match, lod)},
        {0, false, true, false, 12,
         join({"scene:16", "input", "receive", "flush", "aim", "look:0/0", "act:0/0", "fighters"}, match, lod)},
        // A frozen, spawning or rising fighter does not act; the rest of the frame runs.
        {0, false, false, true, 0, join({"scene:16", "input", "aim", "look:0/0", "fighters"}, match, lod)},
        {1, false, false, false, 0, join({"scene:16", "input", "cues"}, lod)},
        // The editor steps after the rest; a play-test is a match whose editor watches for its end.
        {3, false, false, false, 0, join({"scene:16", "input"}, lod, {"editor"})},
        {0, true, false, false, 0,
         join({"scene:16", "input", "aim", "look:0/0", "act:0/0", "fighters"}, match, join(lod, {"editor"}))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.playTest ? " play test" : "") +
                     (c.network ? " network" : "") + (c.frozen ? " frozen" : "") + " class " +
                     std::to_string(c.actionClass));
        g_Settings.mode = c.mode;
        g_MapEditor.playTest = c.playTest ? 1 : 0;
        g_NetSession.active = c.network ? 1 : 0;
        g_Control = Control();
        MakeLocal(0);
        g_Characters[0].states[STATE_FREEZE].active = c.frozen ? 1 : 0;
        g_Characters[0].actionClass = c.actionClass;
        g_Characters[5].active = 1;
        Frame(16);
        EXPECT_EQ(Frame(16), c.expected);
    }
}

TEST_F(GameFrameTest, BackgroundWindowStillPumpsTheNetworkAndReadsInput) {
    g_NetSession.active = 1;
    MakeLocal(0);
    Frame(16);
    os::ShowWindow(window, false);
    ASSERT_FALSE(os::IsForeground(window));
    uint8_t keys[256] = {};
    keys['W'] = 0x80;
    os::SetKeyboardState(keys);
    EXPECT_EQ(Frame(20), (Trace{"scene:20", "input", "receive", "flush"}));
    EXPECT_EQ(g_Control.slots[0][ACTION_FORWARD].held, 1);
    g_NetSession.active = 0;
    EXPECT_EQ(Frame(20), (Trace{"scene:20", "input"}));
}

TEST_F(GameFrameTest, PausedMatchStillMovesTheCameraAndClearsEdges) {
    MakeLocal(0);
    g_Control.tickBase = GetTime(CLOCK_MATCH);
    MouseButtonState& right = g_Mouse.buttons[MOUSE_RIGHT];
    right.held = 1;
    right.pressTime = g_now;
    Frame(16);
    SetActiveClock(CLOCK_PAUSE);
    right.pressed = 1;
    g_Mouse.buttons[MOUSE_MIDDLE_DOUBLE].released = 1;
    g_Mouse.x = 12;
    g_Mouse.y = 34;
    EXPECT_EQ(Frame(1500), (Trace{"scene:0", "input", "ambient:0", "match", "camera", "lod:0"}));
    EXPECT_EQ(g_Control.secondTick, 0);
    EXPECT_EQ(right.pressed + g_Mouse.buttons[MOUSE_MIDDLE_DOUBLE].released, 0);
    EXPECT_EQ(right.heldDuration, 1516);   // hold times run on the system clock
    EXPECT_EQ(g_Mouse.prevY, 34);
    // Resumed, the frame time is the match clock's since the last frame.
    SetActiveClock(CLOCK_MATCH);
    Frame(16);
    EXPECT_EQ(g_Control.frameMs, 16);
}

}  // namespace
