// Virtual keys: from SDL keys, to characters (US layout), to and from set-1 scan codes, and
// the 256-byte key state.
#include "platform/os/os_internal.h"

#include <cstring>

namespace os {
namespace detail {
namespace {

constexpr int kVkClear = 0x0C;       // keypad 5 without Num Lock
constexpr int kVkF13 = 0x7C;

int VkFromKeycode(int key) {
    if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
    if (key >= '0' && key <= '9') return key;
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return kVkF13 + (key - SDLK_F13);
    switch (key) {
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_CAPSLOCK: return VK_CAPITAL;
        case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
        case SDLK_SCROLLLOCK: return VK_SCROLL;
        case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_END: return VK_END;
        case SDLK_HOME: return VK_HOME;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT: case SDLK_RALT: return VK_MENU;
        case SDLK_LGUI: return VK_LWIN;
        case SDLK_RGUI: return VK_RWIN;
        case SDLK_APPLICATION: case SDLK_MENU: return VK_APPS;
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_KP_1: return VK_NUMPAD0 + 1;
        case SDLK_KP_2: return VK_NUMPAD0 + 2;
        case SDLK_KP_3: return VK_NUMPAD0 + 3;
        case SDLK_KP_4: return VK_NUMPAD0 + 4;
        case SDLK_KP_5: return VK_NUMPAD0 + 5;
        case SDLK_KP_6: return VK_NUMPAD0 + 6;
        case SDLK_KP_7: return VK_NUMPAD0 + 7;
        case SDLK_KP_8: return VK_NUMPAD0 + 8;
        case SDLK_KP_9: return VK_NUMPAD0 + 9;
        case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_COMMA: return VK_SEPARATOR;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_PERIOD: return VK_DECIMAL;
        case SDLK_KP_DIVIDE: return VK_DIVIDE;
        case SDLK_SEMICOLON: return VK_OEM_1;
        case SDLK_EQUALS: return VK_OEM_PLUS;
        case SDLK_PLUS: return VK_OEM_PLUS;
        case SDLK_COMMA: return VK_OEM_COMMA;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        case SDLK_SLASH: return VK_OEM_2;
        case SDLK_BACKQUOTE: return VK_OEM_3;
        case SDLK_LEFTBRACKET: return VK_OEM_4;
        case SDLK_BACKSLASH: return VK_OEM_5;
        case SDLK_RIGHTBRACKET: return VK_OEM_6;
        case SDLK_QUOTE: return VK_OEM_7;
        default: return 0;
    }
}

// Keys whose keycode depends on the layout (or is a control character) are found by their
// US position when the keycode means nothing to us; the rest have keycodes made from the
// scancode.
int VkFromScancode(int sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    switch (sc) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_RETURN: return VK_RETURN;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE: return VK_BACK;
        case SDL_SCANCODE_TAB: return VK_TAB;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_DELETE: return VK_DELETE;
        case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
        case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
        case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
        case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
        case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
        case SDL_SCANCODE_NONUSHASH: return VK_OEM_5;
        case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
        case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
        case SDL_SCANCODE_GRAVE: return VK_OEM_3;
        case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
        case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
        case SDL_SCANCODE_SLASH: return VK_OEM_2;
        case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
        default: break;
    }
    if (sc <= SDL_SCANCODE_UNKNOWN || sc >= SDL_NUM_SCANCODES) return 0;
    return VkFromKeycode(SDL_SCANCODE_TO_KEYCODE(sc));
}

struct ScanPair {
    int vk;
    int scan;
};

// Virtual key -> set-1 scan code (extended keys without their E0 prefix).
constexpr ScanPair kVkToScan[] = {
    {VK_ESCAPE, 0x01}, {'1', 0x02}, {'2', 0x03}, {'3', 0x04}, {'4', 0x05}, {'5', 0x06},
    {'6', 0x07}, {'7', 0x08}, {'8', 0x09}, {'9', 0x0A}, {'0', 0x0B}, {VK_OEM_MINUS, 0x0C},
    {VK_OEM_PLUS, 0x0D}, {VK_BACK, 0x0E}, {VK_TAB, 0x0F},
    {'Q', 0x10}, {'W', 0x11}, {'E', 0x12}, {'R', 0x13}, {'T', 0x14}, {'Y', 0x15}, {'U', 0x16},
    {'I', 0x17}, {'O', 0x18}, {'P', 0x19}, {VK_OEM_4, 0x1A}, {VK_OEM_6, 0x1B},
    {VK_RETURN, 0x1C}, {VK_CONTROL, 0x1D}, {VK_LCONTROL, 0x1D}, {VK_RCONTROL, 0x1D},
    {'A', 0x1E}, {'S', 0x1F}, {'D', 0x20}, {'F', 0x21}, {'G', 0x22}, {'H', 0x23}, {'J', 0x24},
    {'K', 0x25}, {'L', 0x26}, {VK_OEM_1, 0x27}, {VK_OEM_7, 0x28}, {VK_OEM_3, 0x29},
    {VK_SHIFT, 0x2A}, {VK_LSHIFT, 0x2A}, {VK_OEM_5, 0x2B},
    {'Z', 0x2C}, {'X', 0x2D}, {'C', 0x2E}, {'V', 0x2F}, {'B', 0x30}, {'N', 0x31}, {'M', 0x32},
    {VK_OEM_COMMA, 0x33}, {VK_OEM_PERIOD, 0x34}, {VK_OEM_2, 0x35}, {VK_DIVIDE, 0x35},
    {VK_RSHIFT, 0x36}, {VK_MULTIPLY, 0x37}, {VK_MENU, 0x38}, {VK_LMENU, 0x38},
    {VK_RMENU, 0x38}, {VK_SPACE, 0x39}, {VK_CAPITAL, 0x3A},
    {VK_F1, 0x3B}, {VK_F2, 0x3C}, {VK_F3, 0x3D}, {VK_F4, 0x3E}, {VK_F5, 0x3F}, {VK_F6, 0x40},
    {VK_F7, 0x41}, {VK_F8, 0x42}, {VK_F9, 0x43}, {VK_F10, 0x44},
    {VK_NUMLOCK, 0x45}, {VK_PAUSE, 0x45}, {VK_SCROLL, 0x46},
    {VK_NUMPAD0 + 7, 0x47}, {VK_NUMPAD0 + 8, 0x48}, {VK_NUMPAD0 + 9, 0x49}, {VK_SUBTRACT, 0x4A},
    {VK_NUMPAD0 + 4, 0x4B}, {VK_NUMPAD0 + 5, 0x4C}, {VK_NUMPAD0 + 6, 0x4D}, {VK_ADD, 0x4E},
    {VK_NUMPAD0 + 1, 0x4F}, {VK_NUMPAD0 + 2, 0x50}, {VK_NUMPAD0 + 3, 0x51}, {VK_NUMPAD0, 0x52},
    {VK_DECIMAL, 0x53},
    {VK_HOME, 0x47}, {VK_UP, 0x48}, {VK_PRIOR, 0x49}, {VK_LEFT, 0x4B}, {kVkClear, 0x4C},
    {VK_RIGHT, 0x4D}, {VK_END, 0x4F}, {VK_DOWN, 0x50}, {VK_NEXT, 0x51}, {VK_INSERT, 0x52},
    {VK_DELETE, 0x53},
    {VK_OEM_102, 0x56}, {VK_F11, 0x57}, {VK_F12, 0x58},
    {VK_LWIN, 0x5B}, {VK_RWIN, 0x5C}, {VK_APPS, 0x5D},
};

// Scan code -> virtual key where the first table is ambiguous: modifiers come back generic,
// and the keypad block gives the keys it stands for without Num Lock.
constexpr ScanPair kScanPreferred[] = {
    {VK_CONTROL, 0x1D}, {VK_SHIFT, 0x2A}, {VK_SHIFT, 0x36}, {VK_OEM_2, 0x35},
    {VK_MENU, 0x38}, {VK_NUMLOCK, 0x45},
    {VK_HOME, 0x47}, {VK_UP, 0x48}, {VK_PRIOR, 0x49}, {VK_LEFT, 0x4B}, {kVkClear, 0x4C},
    {VK_RIGHT, 0x4D}, {VK_END, 0x4F}, {VK_DOWN, 0x50}, {VK_NEXT, 0x51}, {VK_INSERT, 0x52},
    {VK_DELETE, 0x53},
};

struct Punct {
    int vk;
    char plain;
    char shifted;
};

constexpr Punct kPunctuation[] = {
    {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'},  {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_MINUS, '-', '_'},  {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
    {VK_OEM_3, '`', '~'},      {VK_OEM_4, '[', '{'},     {VK_OEM_5, '\\', '|'},
    {VK_OEM_6, ']', '}'},      {VK_OEM_7, '\'', '"'},    {VK_OEM_102, '\\', '|'},
    {VK_SPACE, ' ', ' '},      {VK_RETURN, '\r', '\r'},  {VK_BACK, '\b', '\b'},
    {VK_TAB, '\t', '\t'},      {VK_ESCAPE, 0x1B, 0x1B},
    {VK_MULTIPLY, '*', '*'},   {VK_ADD, '+', '+'},       {VK_SUBTRACT, '-', '-'},
    {VK_DECIMAL, '.', '.'},    {VK_DIVIDE, '/', '/'},
};

constexpr char kShiftedDigits[] = ")!@#$%^&*(";

char CharFor(int vk, bool shift, bool caps) {
    if (vk >= 'A' && vk <= 'Z') return char((shift != caps) ? vk : vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return shift ? kShiftedDigits[vk - '0'] : char(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return char('0' + (vk - VK_NUMPAD0));
    for (const Punct& p : kPunctuation) {
        if (p.vk == vk) return shift ? p.shifted : p.plain;
    }
    return 0;
}

}  // namespace

int SideVirtualKeyFromSdl(int sdlKeycode, int sdlScancode) {
    switch (sdlKeycode) {
        case SDLK_LSHIFT: return VK_LSHIFT;
        case SDLK_RSHIFT: return VK_RSHIFT;
        case SDLK_LCTRL: return VK_LCONTROL;
        case SDLK_RCTRL: return VK_RCONTROL;
        case SDLK_LALT: return VK_LMENU;
        case SDLK_RALT: return VK_RMENU;
        default: break;
    }
    if (VkFromKeycode(sdlKeycode) == 0) {
        switch (sdlScancode) {
            case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
            case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
            case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
            case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
            case SDL_SCANCODE_LALT: return VK_LMENU;
            case SDL_SCANCODE_RALT: return VK_RMENU;
            default: break;
        }
    }
    return VirtualKeyFromSdl(sdlKeycode, sdlScancode);
}

void SetKeyLocked(int vk, bool down) {
    if (vk <= 0 || vk > 255) return;
    uint8_t& k = g.keys[vk];
    if (down) {
        if (!(k & 0x80)) k ^= 0x01;     // toggles on the press, not on auto-repeat
        k |= 0x80;
        g.pressedSinceQuery[vk] = 1;
    } else {
        k &= uint8_t(~0x80);
    }
}

uintptr_t MouseKeyFlagsLocked() {
    constexpr uintptr_t kLeft = 0x01, kRight = 0x02, kShift = 0x04, kControl = 0x08, kMiddle = 0x10;
    uintptr_t f = 0;
    if (g.keys[VK_LBUTTON] & 0x80) f |= kLeft;
    if (g.keys[VK_RBUTTON] & 0x80) f |= kRight;
    if (g.keys[VK_SHIFT] & 0x80) f |= kShift;
    if (g.keys[VK_CONTROL] & 0x80) f |= kControl;
    if (g.keys[VK_MBUTTON] & 0x80) f |= kMiddle;
    return f;
}

}  // namespace detail

using detail::g;

int VirtualKeyFromSdl(int sdlKeycode, int sdlScancode) {
    int vk = detail::VkFromKeycode(sdlKeycode);
    return vk ? vk : detail::VkFromScancode(sdlScancode);
}

int16_t GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    std::lock_guard<std::mutex> hold(g.lock);
    const int16_t pressed = g.pressedSinceQuery[vk] ? 1 : 0;
    g.pressedSinceQuery[vk] = 0;
    return int16_t(((g.keys[vk] & 0x80) ? INT16_MIN : 0) | pressed);
}

bool GetKeyboardState(uint8_t state[256]) {
    if (!state) return false;
    std::lock_guard<std::mutex> hold(g.lock);
    std::memcpy(state, g.keys, sizeof g.keys);
    return true;
}

bool SetKeyboardState(const uint8_t state[256]) {
    if (!state) return false;
    std::lock_guard<std::mutex> hold(g.lock);
    std::memcpy(g.keys, state, sizeof g.keys);
    return true;
}

int ToAscii(int vk, int, const uint8_t state[256], char out[2]) {
    if (!out || vk <= 0 || vk > 255) return 0;
    bool shift = false, caps = false;
    if (state) {
        shift = ((state[VK_SHIFT] | state[VK_LSHIFT] | state[VK_RSHIFT]) & 0x80) != 0;
        caps = (state[VK_CAPITAL] & 0x01) != 0;
    }
    char c = detail::CharFor(vk, shift, caps);
    if (c == 0) return 0;
    out[0] = c;
    out[1] = 0;
    return 1;
}

int MapVirtualKey(int code, int mapType) {
    if (mapType == MAPVK_VK_TO_VSC) {
        for (const auto& p : detail::kVkToScan) {
            if (p.vk == code) return p.scan;
        }
        return 0;
    }
    if (mapType == MAPVK_VSC_TO_VK) {
        for (const auto& p : detail::kScanPreferred) {
            if (p.scan == code) return p.vk;
        }
        for (const auto& p : detail::kVkToScan) {
            if (p.scan == code) return p.vk;
        }
    }
    return 0;
}

}  // namespace os
