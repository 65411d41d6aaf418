#include "shell/input_system.h"

#include <cmath>
#include <cstring>
#include <new>

#include "core/debug_log.h"

InputSystem g_Input;

namespace {

constexpr int kTableGrowth = 10;
constexpr float kHalfAxisThreshold = 0.02f;
constexpr float kFindThreshold = 0.5f;

// Application values 1..18 are the first eighteen axis slots; 19 and 20 skip two slots.
int AxisIndex(uint32_t v) { return v <= 18 ? int(v) - 1 : int(v) + 1; }

}  // namespace

void BuildActionTable(InputActionRow rows[INPUT_ACTION_ROWS]) {
    for (int r = 0; r < INPUT_ACTION_ROWS; ++r) {
        rows[r].applicationValue = uint32_t(r + 1);
        rows[r].genericAction = uint8_t(r);
        rows[r].nameText = INPUT_ACTION_NAME_TEXT + r;
    }
}

void ApplyDeviceItem(float* block, uint32_t v, int32_t data) {
    if (!block || v < 1 || v > 64) return;
    if (v <= 20) {
        block[AxisIndex(v)] = float(data) * 0.01f;
    } else if (v <= 24) {
        int p = int(v) - 21;
        block[ACTION_FIRST_HAT + p] = float(data);
        float* flags = block + ACTION_FIRST_HAT_DIRECTION + ACTION_HAT_DIRECTIONS * p;
        // A hat moving straight from one direction to another drops the earlier one, or it
        // would stay held.
        for (int d = 0; d < ACTION_HAT_DIRECTIONS; ++d) flags[d] = 0.0f;
        if (data >= 0 && data % 4500 == 0 && data / 4500 < ACTION_HAT_DIRECTIONS) flags[data / 4500] = 1.0f;
    } else {
        block[int(v) + 1] = (data & 0x80) ? 1.0f : 0.0f;
    }
}

void MergeActionValues(float* out, const float* const* blocks, int count, uint32_t* hatDirections) {
    for (int i = 0; i < ACTION_VALUE_COUNT; ++i) out[i] = 0.0f;
    for (int p = 0; p < ACTION_HATS; ++p) out[ACTION_FIRST_HAT + p] = -1.0f;
    uint32_t hats = 0;
    for (int k = 0; k < count; ++k) {
        const float* b = blocks[k];
        if (!b) continue;
        for (int i = 0; i < ACTION_AXIS_SLOTS; ++i) {
            if (std::fabs(b[i]) > std::fabs(out[i])) out[i] = b[i];
        }
        for (int p = 0; p < ACTION_HATS; ++p) {
            if (b[ACTION_FIRST_HAT + p] != -1.0f) out[ACTION_FIRST_HAT + p] = b[ACTION_FIRST_HAT + p];
        }
        for (int i = 0; i < ACTION_BUTTONS; ++i) {
            if (b[ACTION_FIRST_BUTTON + i] != 0.0f) out[ACTION_FIRST_BUTTON + i] = 1.0f;
        }
        for (int f = 0; f < ACTION_HATS * ACTION_HAT_DIRECTIONS; ++f) {
            if (b[ACTION_FIRST_HAT_DIRECTION + f] != 0.0f) hats |= 1u << f;
        }
    }
    // The flags follow the merged value, so a stronger opposite push from a later device does
    // not leave both halves set.
    for (int i = 0; i < ACTION_AXIS_SLOTS; ++i) {
        float v = out[i];
        bool moved = std::fabs(v) > kHalfAxisThreshold;
        out[ACTION_FIRST_HALF_AXIS + 2 * i] = (moved && v < 0.0f) ? 1.0f : 0.0f;
        out[ACTION_FIRST_HALF_AXIS + 2 * i + 1] = (moved && v > 0.0f) ? 1.0f : 0.0f;
    }
    // Last, so that the four flags shared with the half axes of slots 20 and 21 react to either.
    for (int f = 0; f < ACTION_HATS * ACTION_HAT_DIRECTIONS; ++f) {
        if (hats & (1u << f)) out[ACTION_FIRST_HAT_DIRECTION + f] = 1.0f;
    }
    if (hatDirections) *hatDirections = hats;
}

// ---- device manager ---------------------------------------------------------------------

InputDeviceManager::InputDeviceManager()
    : started(false), window(nullptr), format{}, callback(nullptr), callbackParam(nullptr) {}

InputDeviceManager::~InputDeviceManager() { Release(); }

input::Result InputDeviceManager::Create(os::WindowHandle w, const ActionFormat& fmt, AddDeviceCallback cb,
                                         void* param) {
    window = w;
    callback = cb;
    callbackParam = param;
    if (!started) {
        if (!input::Init()) return input::ERR_FAIL;
        started = true;
    }
    return SetActionFormat(fmt, false);
}

input::Result InputDeviceManager::SetActionFormat(const ActionFormat& fmt, bool keepDevices) {
    format = fmt;
    if (keepDevices) {
        for (InputDeviceEntry& e : devices) {
            input::Unacquire(e.device);
            input::SetAxisRange(e.device, format.axisMin, format.axisMax);
        }
        return input::OK;
    }
    CloseDevices();
    int n = input::GetDeviceCount();
    for (int i = 0; i < n; ++i) {
        input::Device* d = input::OpenDevice(i);
        if (d) AddDevice(d);
    }
    return input::OK;
}

input::Result InputDeviceManager::AddDevice(input::Device* device) {
    input::Unacquire(device);
    input::SetCooperativeWindow(device, window);
    if (devices.size() == devices.capacity()) devices.reserve(devices.capacity() + kTableGrowth);
    InputDeviceEntry entry{device, nullptr};
    input::Result r = callback ? callback(this, &entry, callbackParam) : input::OK;
    // A device whose set-up failed has no state block to read into, so it stays out.
    if (r < 0) {
        delete[] entry.state;
        input::CloseDevice(device);
        return r;
    }
    input::SetAxisRange(device, format.axisMin, format.axisMax);
    devices.push_back(entry);
    return input::OK;
}

input::Result InputDeviceManager::GetDevices(InputDeviceEntry** out, int* count) {
    if (!out || !count) return input::ERR_INVALID_ARG;
    *out = devices.empty() ? nullptr : devices.data();
    *count = int(devices.size());
    return input::OK;
}

void InputDeviceManager::CloseDevices() {
    for (InputDeviceEntry& e : devices) {
        input::Unacquire(e.device);
        input::CloseDevice(e.device);
        delete[] e.state;
    }
    devices.clear();
}

void InputDeviceManager::Release() {
    CloseDevices();
    if (started) input::Shutdown();
    started = false;
}

input::Result OnInputDeviceAdded(InputDeviceManager*, InputDeviceEntry* entry, void*) {
    return SetupInputDevice(entry);
}

input::Result SetupInputDevice(InputDeviceEntry* entry) {
    if (!entry) return input::ERR_INVALID_ARG;
    input::SetDeadZone(entry->device, INPUT_DEAD_ZONE);
    entry->state = new (std::nothrow) float[ACTION_VALUE_COUNT]();
    return entry->state ? input::OK : input::ERR_FAIL;
}

// ---- the input system -------------------------------------------------------------------

InputSystem::InputSystem()
    : initialised(0), window(nullptr), deviceManager(nullptr), format{}, actionValues{}, hatDirections(0),
      keyboard{} {}

input::Result InputSystem::Init(os::WindowHandle w) {
    WriteDebugLog("Initializing DInput");
    window = w;
    BuildActionTable(format.actions);
    format.actionCount = INPUT_ACTION_ROWS;
    format.bufferSize = INPUT_BUFFER_SIZE;
    format.axisMin = INPUT_AXIS_MIN;
    format.axisMax = INPUT_AXIS_MAX;

    if (!deviceManager) deviceManager = new (std::nothrow) InputDeviceManager;
    if (!deviceManager) {
        WriteDebugLog("m_pInputDeviceManager allocation error");
        return input::ERR_OUT_OF_MEMORY;
    }
    input::Result r = deviceManager->Create(window, format, OnInputDeviceAdded, this);
    if (r < 0) {
        WriteDebugLog("m_pInputDeviceManager->Create error");
        return r;
    }
    initialised = 1;
    return input::OK;
}

void InputSystem::Poll() {
    if (initialised) ReadActions();
}

void InputSystem::ReadActions() {
    if (!deviceManager) return;
    InputDeviceEntry* devices = nullptr;
    int count = 0;
    if (deviceManager->GetDevices(&devices, &count) < 0) return;

    std::vector<const float*> blocks;
    blocks.reserve(size_t(count));
    for (int k = 0; k < count; ++k) {
        InputDeviceEntry& e = devices[k];
        if (!e.state) continue;
        input::DeviceItem items[INPUT_BUFFER_SIZE];
        int n = INPUT_BUFFER_SIZE;
        input::Acquire(e.device);
        input::Poll(e.device);
        if (input::GetDeviceData(e.device, items, &n) < 0) n = 0;
        for (int i = 0; i < n; ++i) {
            if (items[i].action >= format.actionCount || items[i].action >= INPUT_ACTION_ROWS) continue;
            ApplyDeviceItem(e.state, format.actions[items[i].action].applicationValue, items[i].data);
        }
        blocks.push_back(e.state);
    }
    MergeActionValues(actionValues, blocks.data(), int(blocks.size()), &hatDirections);
}

void InputSystem::Release() {
    if (deviceManager) {
        deviceManager->Release();
        delete deviceManager;
    }
    deviceManager = nullptr;
    initialised = 0;
    window = nullptr;
    format = ActionFormat{};
    std::memset(actionValues, 0, sizeof actionValues);
    hatDirections = 0;
    std::memset(keyboard, 0, sizeof keyboard);
}

int InputSystem::FindActiveControl() const {
    for (int i = 0; i < ACTION_AXIS_SLOTS; ++i) {
        float v = actionValues[i];
        if (!(std::fabs(v) >= kFindThreshold)) continue;
        if (actionValues[ACTION_FIRST_HALF_AXIS + 2 * i] != 0.0f) return ACTION_FIRST_HALF_AXIS + 2 * i;
        if (actionValues[ACTION_FIRST_HALF_AXIS + 2 * i + 1] != 0.0f) return ACTION_FIRST_HALF_AXIS + 2 * i + 1;
        return i;
    }
    for (int i = 0; i < ACTION_BUTTONS; ++i) {
        if (actionValues[ACTION_FIRST_BUTTON + i] != 0.0f) return ACTION_FIRST_BUTTON + i;
    }
    // The half-axis flags are reported only through their axis above, which applies the
    // threshold; a slight push would otherwise be caught through its flag.
    for (int f = 0; f < ACTION_HATS * ACTION_HAT_DIRECTIONS; ++f) {
        if ((hatDirections & (1u << f)) && actionValues[ACTION_FIRST_HAT_DIRECTION + f] != 0.0f)
            return ACTION_FIRST_HAT_DIRECTION + f;
    }
    return -1;
}

// ---- keyboard helpers ------------------------------------------------------------------

namespace {
constexpr size_t kTypedChars = 64;
uint8_t g_Typed[kTypedChars];
size_t g_TypedFirst = 0, g_TypedCount = 0;
}  // namespace

void ClearKeyboardState() {
    std::memset(g_Input.keyboard, 0, sizeof g_Input.keyboard);
    os::SetKeyboardState(g_Input.keyboard);
    g_TypedFirst = g_TypedCount = 0;
}

void PushTypedChar(uint8_t c) {
    if (g_TypedCount == kTypedChars) return;
    g_Typed[(g_TypedFirst + g_TypedCount++) % kTypedChars] = c;
}

int TakeTypedChar() {
    if (g_TypedCount == 0) return -1;
    const uint8_t c = g_Typed[g_TypedFirst];
    g_TypedFirst = (g_TypedFirst + 1) % kTypedChars;
    --g_TypedCount;
    return c;
}

int GetFirstPressedKey() {
    if (!os::GetKeyboardState(g_Input.keyboard)) return -1;
    const uint8_t* k = g_Input.keyboard;
    for (int vk = 0; vk < 256; ++vk) {
        if (!(k[vk] & 0x01)) continue;
        // The generic modifiers name the side that was pressed when one was.
        if (vk == os::VK_SHIFT || vk == os::VK_CONTROL || vk == os::VK_MENU) {
            int left = vk == os::VK_SHIFT ? os::VK_LSHIFT : vk == os::VK_CONTROL ? os::VK_LCONTROL : os::VK_LMENU;
            if (k[left] & 0x01) return left;
            if (k[left + 1] & 0x01) return left + 1;
        }
        return vk;
    }
    return -1;
}

int TranslateKeyToAscii(int key, char out[2]) {
    if (key < 0) return 0;
    return os::ToAscii(key, os::MapVirtualKey(key, os::MAPVK_VK_TO_VSC), g_Input.keyboard, out);
}
