// Game controllers through action mapping: 64 generic actions, every attached device's buffered
// changes merged once per loop turn into 138 action values that key bindings can name. Keyboard
// and mouse stay on window messages; the three keyboard helpers serve the key-binding page.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/input/joystick.h"
#include "platform/os/os.h"

// The action values (and every device's state block) share this layout.
constexpr int ACTION_VALUE_COUNT = 138;
constexpr int ACTION_AXIS_SLOTS = 22;              // 0..21; 18 and 19 are never written
constexpr int ACTION_FIRST_HAT = 22;               // 22..25: raw hat value, -1.0 centred
constexpr int ACTION_HATS = 4;
constexpr int ACTION_FIRST_BUTTON = 26;            // 26..65: 1.0 pressed
constexpr int ACTION_BUTTONS = 40;
constexpr int ACTION_FIRST_HALF_AXIS = 66;         // 66 + 2i negative, 67 + 2i positive
constexpr int ACTION_FIRST_HAT_DIRECTION = 106;    // 106 + 8p + d for d x 45 degrees
constexpr int ACTION_HAT_DIRECTIONS = 8;

constexpr int INPUT_ACTION_ROWS = 64;
constexpr int INPUT_BUFFER_SIZE = 20;
constexpr int32_t INPUT_AXIS_MIN = -100;
constexpr int32_t INPUT_AXIS_MAX = 100;
constexpr int32_t INPUT_DEAD_ZONE = 500;           // 5 % of the travel
constexpr int INPUT_ACTION_NAME_TEXT = 901;        // text id of row 0's name

// One row of the action table: application value r + 1 for row r, the generic action it asks
// the devices for and the text naming it on the options page.
struct InputActionRow {
    uint32_t applicationValue;
    uint8_t genericAction;
    int32_t nameText;
};

struct ActionFormat {
    InputActionRow actions[INPUT_ACTION_ROWS];
    int32_t actionCount;
    int32_t bufferSize;
    int32_t axisMin;
    int32_t axisMax;
};

void BuildActionTable(InputActionRow rows[INPUT_ACTION_ROWS]);

// Applies one buffered change to a device's state block (ACTION_VALUE_COUNT floats).
// Application values outside 1..64 are ignored.
void ApplyDeviceItem(float* block, uint32_t applicationValue, int32_t data);
// Merges the state blocks of `count` devices, in table order, into `out`. `hatDirections` gets
// one bit per hat-direction flag (8p + d) set by some device.
void MergeActionValues(float* out, const float* const* blocks, int count, uint32_t* hatDirections);

struct InputDeviceEntry {
    input::Device* device;
    float* state;    // ACTION_VALUE_COUNT floats
};

class InputDeviceManager;
using AddDeviceCallback = input::Result (*)(InputDeviceManager* manager, InputDeviceEntry* entry, void* param);

// Opens the attached devices and keeps them with their state blocks.
class InputDeviceManager {
public:
    InputDeviceManager();
    ~InputDeviceManager();
    InputDeviceManager(const InputDeviceManager&) = delete;
    InputDeviceManager& operator=(const InputDeviceManager&) = delete;

    input::Result Create(os::WindowHandle window, const ActionFormat& format, AddDeviceCallback callback,
                         void* param);
    // Keeping the devices re-applies the format to each; otherwise they are closed and the
    // attached devices opened anew.
    input::Result SetActionFormat(const ActionFormat& format, bool keepDevices);
    input::Result GetDevices(InputDeviceEntry** devices, int* count);
    // Closes every device and frees the state blocks; safe to call again.
    void Release();

private:
    input::Result AddDevice(input::Device* device);
    void CloseDevices();

    bool started;
    os::WindowHandle window;
    std::vector<InputDeviceEntry> devices;
    ActionFormat format;
    AddDeviceCallback callback;
    void* callbackParam;
};

// The add-device callback: the device's dead zone and a zeroed state block.
input::Result OnInputDeviceAdded(InputDeviceManager* manager, InputDeviceEntry* entry, void* param);
input::Result SetupInputDevice(InputDeviceEntry* entry);

class InputSystem {
public:
    uint8_t initialised;
    os::WindowHandle window;
    InputDeviceManager* deviceManager;
    ActionFormat format;
    float actionValues[ACTION_VALUE_COUNT];
    uint32_t hatDirections;     // which of the hat-direction flags a hat set (bit 8p + d)
    uint8_t keyboard[256];      // the keyboard buffer of the key-binding helpers

    InputSystem();
    InputSystem(const InputSystem&) = delete;
    InputSystem& operator=(const InputSystem&) = delete;

    // Failures are logged and leave the system without devices.
    input::Result Init(os::WindowHandle window);
    void Poll();
    void ReadActions();
    // Frees the devices and their state blocks; the system is back to its start state.
    void Release();
    // The index of the first action value being pressed, or -1.
    int FindActiveControl() const;
};

extern InputSystem g_Input;

// The key-binding page's keyboard helpers. Clearing also forgets the typed characters.
void ClearKeyboardState();
// The characters typed (WM_CHAR, Windows-1252) since the last clear, oldest first; a full
// queue drops what is typed beyond it.
void PushTypedChar(uint8_t c);
// The oldest typed character, or -1 when none waits.
int TakeTypedChar();
int GetFirstPressedKey();
int TranslateKeyToAscii(int key, char out[2]);
