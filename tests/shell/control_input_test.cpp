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

TEST_F(ControlInputTest, DefaultKeysAreTheFirstKeyOfEachAction) {
    g_Control.bindings[7] = {1, 2, 3};
    g_Control.SetDefaultKeys();
    // The first and last actions, and one that had a second key and a device action.
    EXPECT_EQ(g_Control.bindings[0].key1, 87);
    EXPECT_EQ(g_Control.bindings[CONTROL_ACTIONS - 1].key1, 8);
    EXPECT_EQ(g_Control.bindings[7].key1, 38);
    EXPECT_EQ(g_Control.bindings[7].key2 + g_Control.bindings[7].deviceAction, -2);
}

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
    for (int i = 0; i < 3; ++i) {
        Frame();
        EXPECT_EQ(Slot(2).held - Slot(3).held, 1);
    }
    Key('A', false);
    Frame();
    EXPECT_EQ(Slot(2).released + Slot(3).pressed, 2);
    Key('D', false);
    // Held first, the later action blocks the earlier one until the frame after its release.
    g_Control = Control();
    Key('S', true);
    Frame();
    Key('W', true);
    Frame();
    Key('S', false);
    Frame();
    EXPECT_EQ(Slot(1).released, 1);
    EXPECT_EQ(Slot(0).held, 0);
    Frame();
    EXPECT_EQ(Slot(0).pressed, 1);
}

TEST_F(ControlInputTest, InvertedControlsSwapDirectionsForTheirClockTime) {
    g_now += 1000;
    g_Control.StartInvertedControls(3000);
    EXPECT_EQ(g_Control.inversionStart, 1000u);
    const struct {
        int key, slot;
    } swaps[] = {{'W', 1}, {'D', 2}, {'E', 12}};
    for (const auto& s : swaps) {
        Key(s.key, true);
        Frame();
        EXPECT_EQ(Slot(s.slot).held, 1) << char(s.key);
        if (s.slot < 4) {
            EXPECT_EQ(Slot(s.slot ^ 1).held, 0) << char(s.key);
        }
        Key(s.key, false);
        Frame();
    }
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
        {{-1, -1, -1}, 0}, {{256, -2, -1}, 0}, {{INT32_MIN, INT32_MAX, 1 << 30}, 0}, {{100000, -300, 138}, 0},
        {{255, -1, -1}, 1}, {{-1, 0x10, -1}, 1}, {{-1, -1, 137}, 1},
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

TEST_F(ControlInputTest, InitClearsTheSlotsAndKeepsBindingsWhileTheFrontEndIsOn) {
    g_Characters[0].active = 1;
    g_Control.slots[0][5] = ActionSlot{1, 1, 1, 1, 5, 5};
    g_Control.bindings[0] = {1, 2, 3};
    g_Control.invertedControls = 1;
    g_Settings.frontEnd = 1;
    g_now += 700;
    g_Control.Init();
    EXPECT_EQ(g_Control.localCharacter, &g_Characters[0]);
    EXPECT_EQ(g_Control.slots[0][5].held + g_Control.invertedControls, 0);
    EXPECT_EQ(g_Control.slots[0][5].heldMs, -1);
    EXPECT_EQ(g_Control.comboIndex + g_Control.selectedPower, -2);
    EXPECT_EQ(g_Control.tickBase, 700u);
    EXPECT_EQ(g_Control.bindings[0].key2, 2);
    g_Settings.frontEnd = 0;
    g_Characters[0].active = 0;
    g_Control.Init();
    EXPECT_EQ(g_Control.localCharacter, nullptr);
    EXPECT_EQ(g_Control.bindings[0].key2, -1);
}

}  // namespace
