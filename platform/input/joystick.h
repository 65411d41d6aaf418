// Game controllers and joysticks, read as 64 generic actions: 20 axes, 4 hats and 40 buttons.
// Devices are listed and opened by index, read through a small buffer of changes since the
// previous read, and give values in a range and with a dead zone set per device. No SDL type
// leaks out of here. The fixed mapping from SDL's objects to the generic actions is described
// at the top of joystick.cpp.
#pragma once

#include <cstdint>

#include "platform/os/os.h"

namespace input {

// Failure codes are negative, as the callers test them.
using Result = int32_t;
constexpr Result OK = 0;
constexpr Result ERR_FAIL = int32_t(0x80004005u);
constexpr Result ERR_INVALID_ARG = int32_t(0x80070057u);
constexpr Result ERR_OUT_OF_MEMORY = int32_t(0x8007000Eu);
constexpr Result ERR_NOT_ACQUIRED = int32_t(0x8007000Cu);   // read before Acquire, or after focus loss
constexpr Result ERR_INPUT_LOST = int32_t(0x8007001Eu);     // the device was unplugged

// The generic actions, in this order: the axes X_1, X_2, Y_1, Y_2, Z_1, Z_2, R_1, R_2, U_1, U_2,
// V_1, V_2, A_1, A_2, B_1, B_2, C_1, C_2, S_1, S_2; the hats 1 to 4; the buttons 0 to 39.
enum GenericAction : uint8_t {
    AXIS_X_1 = 0, AXIS_X_2, AXIS_Y_1, AXIS_Y_2, AXIS_Z_1, AXIS_Z_2, AXIS_R_1, AXIS_R_2,
    AXIS_U_1, AXIS_U_2, AXIS_V_1, AXIS_V_2, AXIS_A_1, AXIS_A_2, AXIS_B_1, AXIS_B_2,
    AXIS_C_1, AXIS_C_2, AXIS_S_1, AXIS_S_2,
    FIRST_HAT = 20,
    FIRST_BUTTON = 24,
};
constexpr int GENERIC_AXES = 20;
constexpr int GENERIC_HATS = 4;
constexpr int GENERIC_BUTTONS = 40;
constexpr int GENERIC_ACTIONS = 64;

// Hat data: hundredths of a degree clockwise from up (0, 4500, ... 31500), or centred.
constexpr int32_t HAT_CENTRED = -1;
// Button data: pressed or released.
constexpr int32_t BUTTON_DOWN = 0x80;
constexpr int32_t BUTTON_UP = 0;

// One change read from a device: the generic action and its new value (axes in the device's
// range after the dead zone; hats and buttons as above).
struct DeviceItem {
    uint8_t action;
    int32_t data;
};

struct Device;  // opaque

// Starts and stops the joystick and game-controller services. Init may be called again;
// every Init needs its Shutdown. Close every device before the last Shutdown.
bool Init();
void Shutdown();

// Devices attached now, numbered 0 .. count - 1 (the numbers shift when one is removed).
int GetDeviceCount();
// Opens a device through the game-controller mapping when one is known for it, else as a plain
// joystick. Null when the index is out of range or the device cannot be opened. It starts
// unacquired, with the range -10000..10000 and no dead zone.
Device* OpenDevice(int index);
void CloseDevice(Device* device);
bool IsGameController(const Device* device);

// While a window is given, the device can be acquired only while that window has the focus.
Result SetCooperativeWindow(Device* device, os::WindowHandle window);
// Axis values run from min to max with the rest position in the middle (min < max).
Result SetAxisRange(Device* device, int32_t min, int32_t max);
// Part of each axis's travel around rest that reads as rest, in 1/10000 of the travel (0..10000);
// the travel beyond it is stretched over the whole range.
Result SetDeadZone(Device* device, int32_t tenThousandths);

Result Acquire(Device* device);
Result Unacquire(Device* device);
// Reads the device's current state; the changes become readable through GetDeviceData.
Result Poll(Device* device);
// Up to *count changes (in: room in `items`; out: how many were written), in action order.
// Changes that do not fit stay for the next call, so none is lost; a value that changes and
// changes back between two polls is not seen.
Result GetDeviceData(Device* device, DeviceItem* items, int* count);

}  // namespace input
