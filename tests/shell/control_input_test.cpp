// Key bindings and action slots over a scripted key table and a fake millisecond clock.
#include <gtest/gtest.h>

#include <cstring>

#include "fighters/character.h"
#include "platform/os/os.h"
#include "core/clocks.h"
#include "shell/control.h"
#include "shell/input_system.h"
#include "shell/mouse.h"
#include "core/settings.h"

namespace {

uint32_t g_now = 0;

class ControlInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 100000;
        os::SetTimeSource([] { return g_now; });
        InitClocks();
        SetActiveClock(CLOCK_MATCH);
        g_Settings.Clear();
        g_Control = Control();
        g_Mouse = MouseState();
        g_Input.Release();
        for (Character& c : g_Characters) c = Character();
        SetAllKeys(0);
    }
    void TearDown() override {
        SetAllKeys(0);
        g_Input.Release();
        os::SetTimeSource({});
    }

    static void SetAllKeys(uint8_t state) {
        uint8_t keys[256];
        std::memset(keys, state, sizeof keys);
        os::SetKeyboardState(keys);
    }
    static void Key(int vk, bool down) {
        uint8_t keys[256];
        os::GetKeyboardState(keys);
        keys[vk] = down ? 0x80 : 0;
        os::SetKeyboardState(keys);
    }
    // One input refresh, `ms` system milliseconds after the previous one.
    static void Frame(uint32_t ms = 16) {
        g_now += ms;
        g_Control.UpdateInput();
    }
    static const ActionSlot& Slot(int action, int player = 0) { return g_Control.slots[player][action]; }
};

TEST_F(ControlInputTest, PressHoldAndReleaseEdgesLastOneFrame) {
    Key('E', true);
    Frame();
    EXPECT_EQ(Slot(12).pressed + Slot(29).pressed, 2);   // E also serves the editor
    Frame(40);
    EXPECT_EQ(Slot(12).pressed, 0);
    EXPECT_EQ(Slot(12).heldMs, 40);
    Key('E', false);
    Frame();
    EXPECT_EQ(Slot(12).released, 1);
    EXPECT_EQ(Slot(12).held, 0);
    Frame();
    EXPECT_EQ(Slot(12).released, 0);
}

TEST_F(ControlInputTest, SecondPressWithin200MsIsADoublePress) {
    const struct {
        uint32_t gap;
        uint8_t doublePress;
    } cases[] = {{199, 1}, {200, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gap);
        g_Control = Control();
        Key(' ', true);
        Frame(5000);
        EXPECT_EQ(Slot(10).doublePress, 0);
        Key(' ', false);
        Frame(c.gap / 2);
        Key(' ', true);
        Frame(c.gap - c.gap / 2);
        EXPECT_EQ(Slot(10).pressed, 1);
        EXPECT_EQ(Slot(10).doublePress, c.doublePress);
        Key(' ', false);
        Frame();
        EXPECT_EQ(Slot(10).doublePress, 0);
    }
}

TEST_F(ControlInputTest, OfOppositeDirectionsTheOneReadFirstWins) {
    Key('A', true);
    Key('D', true);
    Frame();
    EXPECT_EQ(Slot(2).held - Slot(3).held, 1);
    Key('A', false);
    Frame();
    EXPECT_EQ(Slot(2).released + Slot(3).pressed, 2);
}

TEST_F(ControlInputTest, InvertedControlsSwapDirectionsForTheirClockTime) {
    g_now += 1000;
    g_Control.StartInvertedControls(3000);
    Key('D', true);
    Frame();
    EXPECT_EQ(Slot(2).held - Slot(3).held, 1);
    Key('D', false);
    // Paused time does not count.
    SetActiveClock(CLOCK_PAUSE);
    Frame(10000);
    SetActiveClock(CLOCK_MATCH);
    g_now += 1000 + 3000 - GetTime(CLOCK_MATCH);
    Frame(0);
    EXPECT_EQ(g_Control.invertedControls, 1);   // exactly the duration: still on
    Frame(1);
    EXPECT_EQ(g_Control.invertedControls, 0);
    Key('W', true);
    Frame();
    EXPECT_EQ(Slot(0).held, 1);
}

TEST_F(ControlInputTest, OnlyBindingsWithinTheirTablesAreRead) {
    // Every key down and every device value set: only a valid field can hold the action.
    SetAllKeys(0x80);
    for (float& v : g_Input.actionValues) v = 1.0f;
    const struct {
        KeyBinding binding;
        uint8_t held;
    } cases[] = {
        {{256, -2, -1}, 0}, {{INT32_MIN, INT32_MAX, 1 << 30}, 0}, {{100000, -300, 138}, 0},
        {{255, -1, -1}, 1}, {{-1, -1, 137}, 1},
    };
    for (const auto& c : cases) {
        g_Control.bindings[23] = c.binding;
        g_Control.ClearActionSlot(0, 23);
        Frame();
        EXPECT_EQ(Slot(23).held, c.held) << c.binding.key1 << " " << c.binding.key2 << " " << c.binding.deviceAction;
    }
    // Slot indices out of range touch nothing; the field after the slots is where a write one
    // player past the end would land.
    g_Control.ClearActionSlot(8, 0);
    g_Control.ReadAction(8, 0);
    g_Control.ReadAction(0, 51);
    EXPECT_EQ(g_Control.comboIndex, 0);
}

}  // namespace
