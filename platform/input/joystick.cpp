// Game controllers and joysticks on SDL's game-controller and joystick API.
//
// The one fixed mapping from SDL's objects to the generic actions:
//
// A device for which SDL knows a game-controller mapping is read through that mapping:
//   left stick x, y            -> AXIS_X_1, AXIS_Y_1   (the first X/Y pair)
//   right stick x, y           -> AXIS_X_2, AXIS_Y_2   (the second X/Y pair)
//   left, right trigger        -> AXIS_Z_1, AXIS_Z_2   (released reads as the middle of the
//                                                       range, fully pulled as its top)
//   d-pad                      -> hat 1
//   A, B, X, Y                 -> buttons 0, 1, 2, 3
//   left, right shoulder       -> buttons 4, 5
//   back, start                -> buttons 6, 7
//   left, right stick press    -> buttons 8, 9
//   guide, misc                -> buttons 10, 11
//   paddles 1 to 4             -> buttons 12 to 15
//   touchpad press             -> button 16
// Any other joystick is read raw, its objects in SDL's order:
//   axes 0 to 19   -> X_1, Y_1, X_2, Y_2, Z_1, Z_2, R_1, R_2, U_1, U_2, V_1, V_2, A_1, A_2,
//                     B_1, B_2, C_1, C_2, S_1, S_2 (the controller's axis order continued, so a
//                     pad without a mapping still has its first stick on the first X/Y pair)
//   hats 0 to 3    -> hats 1 to 4
//   buttons 0 to 39 -> buttons 0 to 39
// Objects beyond those are not read. Stick up and left are negative, as SDL reports them.
#include "platform/input/joystick.h"

#include <SDL.h>

#include <cmath>
#include <new>

namespace input {

namespace {

enum class Source : uint8_t {
    None,
    ControllerAxis,
    ControllerTrigger,
    ControllerButton,
    ControllerDpad,
    JoyAxis,
    JoyHat,
    JoyButton,
};

struct Binding {
    Source source = Source::None;
    int index = 0;
};

constexpr uint8_t kAxisOrder[GENERIC_AXES] = {
    AXIS_X_1, AXIS_Y_1, AXIS_X_2, AXIS_Y_2, AXIS_Z_1, AXIS_Z_2, AXIS_R_1, AXIS_R_2, AXIS_U_1, AXIS_U_2,
    AXIS_V_1, AXIS_V_2, AXIS_A_1, AXIS_A_2, AXIS_B_1, AXIS_B_2, AXIS_C_1, AXIS_C_2, AXIS_S_1, AXIS_S_2,
};

struct ControllerButtonSlot {
    SDL_GameControllerButton button;
    int generic;
};

constexpr ControllerButtonSlot kControllerButtons[] = {
    {SDL_CONTROLLER_BUTTON_A, 0},          {SDL_CONTROLLER_BUTTON_B, 1},
    {SDL_CONTROLLER_BUTTON_X, 2},          {SDL_CONTROLLER_BUTTON_Y, 3},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 4}, {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 5},
    {SDL_CONTROLLER_BUTTON_BACK, 6},       {SDL_CONTROLLER_BUTTON_START, 7},
    {SDL_CONTROLLER_BUTTON_LEFTSTICK, 8},  {SDL_CONTROLLER_BUTTON_RIGHTSTICK, 9},
    {SDL_CONTROLLER_BUTTON_GUIDE, 10},     {SDL_CONTROLLER_BUTTON_MISC1, 11},
    {SDL_CONTROLLER_BUTTON_PADDLE1, 12},   {SDL_CONTROLLER_BUTTON_PADDLE2, 13},
    {SDL_CONTROLLER_BUTTON_PADDLE3, 14},   {SDL_CONTROLLER_BUTTON_PADDLE4, 15},
    {SDL_CONTROLLER_BUTTON_TOUCHPAD, 16},
};

constexpr SDL_GameControllerButton kDpad[4] = {
    SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT};

int g_initCount = 0;

// SDL hat bits to hundredths of a degree clockwise from up; opposite bits cancel.
int32_t HatAngle(uint8_t bits) {
    bool up = (bits & SDL_HAT_UP) != 0, down = (bits & SDL_HAT_DOWN) != 0;
    bool left = (bits & SDL_HAT_LEFT) != 0, right = (bits & SDL_HAT_RIGHT) != 0;
    if (up && down) up = down = false;
    if (left && right) left = right = false;
    if (up) return right ? 4500 : left ? 31500 : 0;
    if (down) return right ? 13500 : left ? 22500 : 18000;
    if (right) return 9000;
    if (left) return 27000;
    return HAT_CENTRED;
}

}  // namespace

struct Device {
    SDL_GameController* controller = nullptr;
    SDL_Joystick* joystick = nullptr;
    os::WindowHandle window = nullptr;
    bool acquired = false;
    int32_t rangeMin = -10000;
    int32_t rangeMax = 10000;
    int32_t deadZone = 0;
    Binding bindings[GENERIC_ACTIONS];
    int32_t current[GENERIC_ACTIONS];    // as of the last Poll
    int32_t reported[GENERIC_ACTIONS];   // as last handed out
};

namespace {

// -1..1 (a trigger 0..1) through the dead zone into the device's range.
int32_t ScaleAxis(const Device& d, double v) {
    double m = std::fabs(v);
    double dz = d.deadZone / 10000.0;
    double s = 0.0;
    if (m > dz && dz < 1.0) s = (m - dz) / (1.0 - dz);
    if (s > 1.0) s = 1.0;
    if (v < 0.0) s = -s;
    double centre = (double(d.rangeMin) + double(d.rangeMax)) / 2.0;
    double half = (double(d.rangeMax) - double(d.rangeMin)) / 2.0;
    return int32_t(std::lround(centre + s * half));
}

double NormaliseStick(int16_t raw) {
    double v = raw / 32767.0;
    return v < -1.0 ? -1.0 : v;
}

int32_t RestValue(const Device& d, int action) {
    if (action < FIRST_HAT) return ScaleAxis(d, 0.0);
    if (action < FIRST_BUTTON) return HAT_CENTRED;
    return BUTTON_UP;
}

int32_t Sample(const Device& d, int action) {
    const Binding& b = d.bindings[action];
    switch (b.source) {
    case Source::ControllerAxis:
        return ScaleAxis(d, NormaliseStick(SDL_GameControllerGetAxis(d.controller, SDL_GameControllerAxis(b.index))));
    case Source::ControllerTrigger: {
        int16_t raw = SDL_GameControllerGetAxis(d.controller, SDL_GameControllerAxis(b.index));
        return ScaleAxis(d, raw < 0 ? 0.0 : raw / 32767.0);
    }
    case Source::ControllerButton:
        return SDL_GameControllerGetButton(d.controller, SDL_GameControllerButton(b.index)) ? BUTTON_DOWN : BUTTON_UP;
    case Source::ControllerDpad: {
        constexpr uint8_t kBits[4] = {SDL_HAT_UP, SDL_HAT_DOWN, SDL_HAT_LEFT, SDL_HAT_RIGHT};
        uint8_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            if (SDL_GameControllerGetButton(d.controller, kDpad[i])) bits |= kBits[i];
        }
        return HatAngle(bits);
    }
    case Source::JoyAxis: return ScaleAxis(d, NormaliseStick(SDL_JoystickGetAxis(d.joystick, b.index)));
    case Source::JoyHat: return HatAngle(SDL_JoystickGetHat(d.joystick, b.index));
    case Source::JoyButton: return SDL_JoystickGetButton(d.joystick, b.index) ? BUTTON_DOWN : BUTTON_UP;
    case Source::None: break;
    }
    return RestValue(d, action);
}

void BindController(Device* d) {
    constexpr SDL_GameControllerAxis kSticks[4] = {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY,
                                                   SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY};
    for (int i = 0; i < 4; ++i) {
        if (SDL_GameControllerHasAxis(d->controller, kSticks[i])) d->bindings[kAxisOrder[i]] = {Source::ControllerAxis, kSticks[i]};
    }
    constexpr SDL_GameControllerAxis kTriggers[2] = {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
    for (int i = 0; i < 2; ++i) {
        if (SDL_GameControllerHasAxis(d->controller, kTriggers[i]))
            d->bindings[kAxisOrder[4 + i]] = {Source::ControllerTrigger, kTriggers[i]};
    }
    for (SDL_GameControllerButton b : kDpad) {
        if (SDL_GameControllerHasButton(d->controller, b)) d->bindings[FIRST_HAT] = {Source::ControllerDpad, 0};
    }
    for (const ControllerButtonSlot& s : kControllerButtons) {
        if (SDL_GameControllerHasButton(d->controller, s.button))
            d->bindings[FIRST_BUTTON + s.generic] = {Source::ControllerButton, s.button};
    }
}

void BindJoystick(Device* d) {
    int axes = SDL_JoystickNumAxes(d->joystick);
    for (int i = 0; i < axes && i < GENERIC_AXES; ++i) d->bindings[kAxisOrder[i]] = {Source::JoyAxis, i};
    int hats = SDL_JoystickNumHats(d->joystick);
    for (int i = 0; i < hats && i < GENERIC_HATS; ++i) d->bindings[FIRST_HAT + i] = {Source::JoyHat, i};
    int buttons = SDL_JoystickNumButtons(d->joystick);
    for (int i = 0; i < buttons && i < GENERIC_BUTTONS; ++i) d->bindings[FIRST_BUTTON + i] = {Source::JoyButton, i};
}

bool Foreground(const Device& d) { return !d.window || os::IsForeground(d.window); }

}  // namespace

bool Init() {
    // Acquisition decides whether a device is read without the focus, not SDL.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return false;
    ++g_initCount;
    return true;
}

void Shutdown() {
    if (g_initCount == 0) return;
    --g_initCount;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
}

int GetDeviceCount() {
    if (g_initCount == 0) return 0;
    int n = SDL_NumJoysticks();
    return n < 0 ? 0 : n;
}

Device* OpenDevice(int index) {
    if (index < 0 || index >= GetDeviceCount()) return nullptr;
    Device* d = new (std::nothrow) Device;
    if (!d) return nullptr;
    if (SDL_IsGameController(index)) {
        d->controller = SDL_GameControllerOpen(index);
        if (d->controller) d->joystick = SDL_GameControllerGetJoystick(d->controller);
    }
    if (!d->joystick) d->joystick = SDL_JoystickOpen(index);
    if (!d->joystick) {
        if (d->controller) SDL_GameControllerClose(d->controller);
        delete d;
        return nullptr;
    }
    if (d->controller)
        BindController(d);
    else
        BindJoystick(d);
    for (int a = 0; a < GENERIC_ACTIONS; ++a) d->current[a] = d->reported[a] = RestValue(*d, a);
    return d;
}

void CloseDevice(Device* device) {
    if (!device) return;
    if (device->controller)
        SDL_GameControllerClose(device->controller);
    else if (device->joystick)
        SDL_JoystickClose(device->joystick);
    delete device;
}

bool IsGameController(const Device* device) { return device && device->controller; }

Result SetCooperativeWindow(Device* device, os::WindowHandle window) {
    if (!device) return ERR_INVALID_ARG;
    device->window = window;
    return OK;
}

Result SetAxisRange(Device* device, int32_t min, int32_t max) {
    if (!device || min >= max) return ERR_INVALID_ARG;
    device->rangeMin = min;
    device->rangeMax = max;
    return OK;
}

Result SetDeadZone(Device* device, int32_t tenThousandths) {
    if (!device || tenThousandths < 0 || tenThousandths > 10000) return ERR_INVALID_ARG;
    device->deadZone = tenThousandths;
    return OK;
}

Result Acquire(Device* device) {
    if (!device) return ERR_INVALID_ARG;
    if (!SDL_JoystickGetAttached(device->joystick)) {
        device->acquired = false;
        return ERR_INPUT_LOST;
    }
    if (!Foreground(*device)) {
        device->acquired = false;
        return ERR_FAIL;
    }
    device->acquired = true;
    return OK;
}

Result Unacquire(Device* device) {
    if (!device) return ERR_INVALID_ARG;
    device->acquired = false;
    return OK;
}

Result Poll(Device* device) {
    if (!device) return ERR_INVALID_ARG;
    if (device->acquired && !Foreground(*device)) device->acquired = false;
    if (!device->acquired) return ERR_NOT_ACQUIRED;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(device->joystick)) {
        device->acquired = false;
        return ERR_INPUT_LOST;
    }
    for (int a = 0; a < GENERIC_ACTIONS; ++a) {
        if (device->bindings[a].source != Source::None) device->current[a] = Sample(*device, a);
    }
    return OK;
}

Result GetDeviceData(Device* device, DeviceItem* items, int* count) {
    if (!device || !count || *count < 0 || (*count > 0 && !items)) return ERR_INVALID_ARG;
    int room = *count;
    *count = 0;
    if (device->acquired && !Foreground(*device)) device->acquired = false;
    if (!device->acquired) return ERR_NOT_ACQUIRED;
    int n = 0;
    for (int a = 0; a < GENERIC_ACTIONS && n < room; ++a) {
        if (device->current[a] == device->reported[a]) continue;
        device->reported[a] = device->current[a];
        items[n++] = DeviceItem{uint8_t(a), device->current[a]};
    }
    *count = n;
    return OK;
}

}  // namespace input
