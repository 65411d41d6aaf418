// Game controllers and joysticks through SDL's virtual joysticks: the platform layer's mapping,
// dead zone, range, buffer and acquisition, and the game's action values built on it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "platform/input/joystick.h"
#include "platform/os/os.h"
#include "shell/input_system.h"

namespace {

using Items = std::vector<std::pair<int, int32_t>>;

// SDL's virtual game controller: its buttons in SDL's controller order (a, b, x, y, back, guide,
// start, left stick, right stick, left shoulder, right shoulder, d-pad up, down, left, right).
constexpr int kPadAxes = 6, kPadButtons = 15, kPadHats = 1;
constexpr int kPadA = 0, kPadY = 3, kPadBack = 4, kPadDpadUp = 11, kPadDpadRight = 14;

// The raw value that reads as `percent` of the travel with the game's 5 % dead zone: the travel
// past the dead zone is stretched over the whole range.
int16_t RawFor(double percent) {
    double v = 0.05 + std::fabs(percent) / 100.0 * 0.95;
    double raw = std::round(v * 32767.0);
    return int16_t(percent < 0 ? -raw : raw);
}

class JoystickTest : public ::testing::Test {
protected:
    std::vector<int> attached;            // device indices, in attach order
    std::vector<SDL_Joystick*> handles;   // the test's own handles, for setting values

    void SetUp() override {
        ASSERT_TRUE(input::Init());
        // Real devices would shift the indices the tests rely on.
        if (input::GetDeviceCount() != 0) GTEST_SKIP() << "a real joystick is attached";
    }
    void TearDown() override {
        g_Input.Release();
        for (SDL_Joystick* j : handles) SDL_JoystickClose(j);
        // Indices shift down as devices go, so the last one goes first.
        for (auto it = attached.rbegin(); it != attached.rend(); ++it) SDL_JoystickDetachVirtual(*it);
        input::Shutdown();
    }

    SDL_Joystick* Attach(SDL_JoystickType type, int axes, int buttons, int hats) {
        int index = SDL_JoystickAttachVirtual(type, axes, buttons, hats);
        EXPECT_GE(index, 0) << SDL_GetError();
        attached.push_back(index);
        SDL_Joystick* j = SDL_JoystickOpen(index);
        EXPECT_NE(j, nullptr) << SDL_GetError();
        handles.push_back(j);
        return j;
    }
    SDL_Joystick* AttachPad() { return Attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, kPadAxes, kPadButtons, kPadHats); }

    static void Axis(SDL_Joystick* j, int axis, int16_t value) { ASSERT_EQ(SDL_JoystickSetVirtualAxis(j, axis, value), 0); }
    static void Button(SDL_Joystick* j, int button, bool down) {
        ASSERT_EQ(SDL_JoystickSetVirtualButton(j, button, down ? 1 : 0), 0);
    }

    static input::Device* OpenReady(int index) {
        input::Device* d = input::OpenDevice(index);
        if (!d) return nullptr;
        EXPECT_EQ(input::SetAxisRange(d, -100, 100), input::OK);
        EXPECT_EQ(input::SetDeadZone(d, 0), input::OK);
        EXPECT_EQ(input::Acquire(d), input::OK);
        return d;
    }

    static Items Read(input::Device* d, int room = 64) {
        std::vector<input::DeviceItem> buffer(size_t(room > 0 ? room : 1));
        int n = room;
        EXPECT_EQ(input::Poll(d), input::OK);
        EXPECT_EQ(input::GetDeviceData(d, buffer.data(), &n), input::OK);
        Items out;
        for (int i = 0; i < n; ++i) out.emplace_back(buffer[size_t(i)].action, buffer[size_t(i)].data);
        return out;
    }
};

// ---- the platform layer --------------------------------------------------------------------

TEST_F(JoystickTest, GameControllerFollowsTheFixedMapping) {
    SDL_Joystick* pad = AttachPad();
    input::Device* d = OpenReady(0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(input::IsGameController(d));
    EXPECT_TRUE(Read(d).empty());   // at rest, triggers included

    Axis(pad, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    Axis(pad, SDL_CONTROLLER_AXIS_RIGHTY, -16384);
    Axis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
    Button(pad, kPadY, true);
    Button(pad, kPadBack, true);
    Button(pad, kPadDpadUp, true);
    EXPECT_EQ(Read(d), (Items{{input::AXIS_X_1, -100},
                              {input::AXIS_Y_2, -50},
                              {input::AXIS_Z_1, 100},
                              {input::FIRST_HAT, 0},
                              {input::FIRST_BUTTON + 3, input::BUTTON_DOWN},
                              {input::FIRST_BUTTON + 6, input::BUTTON_DOWN}}));

    // The d-pad is a hat with eight directions.
    Button(pad, kPadDpadRight, true);
    EXPECT_EQ(Read(d), (Items{{input::FIRST_HAT, 4500}}));
    input::CloseDevice(d);
}

TEST_F(JoystickTest, DeadZoneAndRange) {
    SDL_Joystick* stick = Attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 1, 0, 0);
    struct Case {
        int16_t raw;
        int32_t deadZone, min, max;
        int32_t value;
    };
    const Case cases[] = {
        {-32768, 500, -100, 100, -100}, {1638, 500, -100, 100, 0}, {RawFor(-75), 500, -100, 100, -75},
        {32767, 10000, -100, 100, 0},   {0, 500, 0, 1000, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        // A fresh device has reported nothing, which reads as 0 in a zeroed state block.
        input::Device* d = input::OpenDevice(0);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(input::SetDeadZone(d, c.deadZone), input::OK);
        ASSERT_EQ(input::SetAxisRange(d, c.min, c.max), input::OK);
        ASSERT_EQ(input::Acquire(d), input::OK);
        Axis(stick, 0, c.raw);
        int32_t value = 0;
        for (const auto& item : Read(d)) {
            EXPECT_EQ(item.first, input::AXIS_X_1);
            value = item.second;
        }
        EXPECT_EQ(value, c.value);
        input::CloseDevice(d);
    }
}

TEST_F(JoystickTest, ChangesThatDoNotFitWaitForTheNextRead) {
    SDL_Joystick* stick = Attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 0, 5, 0);
    input::Device* d = OpenReady(0);
    ASSERT_NE(d, nullptr);
    for (int b = 0; b < 5; ++b) Button(stick, b, true);
    EXPECT_EQ(Read(d, 2), (Items{{24, 0x80}, {25, 0x80}}));
    EXPECT_EQ(Read(d, 2), (Items{{26, 0x80}, {27, 0x80}}));
    Button(stick, 0, false);
    EXPECT_EQ(Read(d, 2), (Items{{24, 0}, {28, 0x80}}));
    // A press and release between two polls is not seen.
    Button(stick, 1, false);
    Button(stick, 1, true);
    EXPECT_TRUE(Read(d).empty());
    input::CloseDevice(d);
}

TEST_F(JoystickTest, ReadsNeedTheDeviceAcquiredAndItsWindowInFront) {
    AttachPad();
    input::Device* d = input::OpenDevice(0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(input::Poll(d), input::ERR_NOT_ACQUIRED);
    ASSERT_TRUE(os::Init());
    os::WindowDesc desc;
    os::WindowHandle w = os::CreateMainWindow(desc);
    ASSERT_NE(w, nullptr);
    input::SetCooperativeWindow(d, w);
    os::ShowWindow(w, false);
    EXPECT_LT(input::Acquire(d), 0);
    os::ShowWindow(w, true);
    EXPECT_EQ(input::Acquire(d), input::OK);
    os::ShowWindow(w, false);
    EXPECT_EQ(input::Poll(d), input::ERR_NOT_ACQUIRED) << "a window sent to the back lets go";
    input::CloseDevice(d);
    os::Shutdown();
}

// ---- the game's action values ---------------------------------------------------------------

TEST_F(JoystickTest, FullLeftStickGivesMinusOneAndASmallPushIsNotFound) {
    SDL_Joystick* pad = AttachPad();
    ASSERT_EQ(g_Input.Init(nullptr), input::OK);
    const float* m = g_Input.actionValues;
    Axis(pad, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    g_Input.Poll();
    EXPECT_EQ(m[0], -1.0f);
    EXPECT_EQ(m[66] - m[67], 1.0f);
    EXPECT_EQ(g_Input.FindActiveControl(), 66);

    Axis(pad, SDL_CONTROLLER_AXIS_LEFTX, RawFor(30));
    g_Input.Poll();
    EXPECT_NEAR(m[0], 0.3f, 1e-6f);
    EXPECT_EQ(g_Input.FindActiveControl(), -1) << "a small push is not a control";
    Axis(pad, SDL_CONTROLLER_AXIS_LEFTX, 1000);   // inside the dead zone
    Axis(pad, SDL_CONTROLLER_AXIS_RIGHTY, 32767);  // the second Y axis
    g_Input.Poll();
    EXPECT_EQ(m[0] + m[66] + m[67], 0.0f);
    EXPECT_EQ(m[3], 1.0f);
    EXPECT_EQ(g_Input.FindActiveControl(), 67 + 2 * 3);
}

TEST_F(JoystickTest, AnUnpluggedPadKeepsItsLastStateWithoutFailing) {
    SDL_Joystick* pad = AttachPad();
    ASSERT_EQ(g_Input.Init(nullptr), input::OK);
    Button(pad, kPadA, true);
    g_Input.Poll();
    ASSERT_EQ(g_Input.actionValues[26], 1.0f);
    SDL_JoystickClose(handles.back());
    handles.pop_back();
    ASSERT_EQ(SDL_JoystickDetachVirtual(attached.back()), 0);
    attached.pop_back();
    for (int i = 0; i < 3; ++i) g_Input.Poll();
    EXPECT_EQ(g_Input.actionValues[26], 1.0f);
    g_Input.Release();
}

}  // namespace
