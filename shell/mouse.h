// The one program-wide record of the pointer, written by the window procedure.
#pragma once

#include <cstdint>

struct Vec3;
struct CellRef;

struct MouseButtonState {
    uint8_t held;
    uint8_t pressed;       // from the down message until the end of the frame
    uint8_t released;      // from the up message until the end of the frame
    uint32_t pressTime;    // timeGetTime() at the down message
    int32_t heldDuration;  // ms while held; 0 after up; -1 after a reset (no press since)

    void Reset();
};

enum MouseButton {
    MOUSE_LEFT = 0,
    MOUSE_RIGHT = 1,
    MOUSE_MIDDLE = 2,
    MOUSE_LEFT_DOUBLE = 3,
    MOUSE_RIGHT_DOUBLE = 4,
    MOUSE_MIDDLE_DOUBLE = 5,
    MOUSE_BUTTON_COUNT = 6
};

struct MouseState {
    int32_t x, y;
    int32_t prevX, prevY;
    MouseButtonState buttons[MOUSE_BUTTON_COUNT];
    int32_t wheel;

    MouseState() : x(0), y(0), prevX(0), prevY(0), buttons{}, wheel(0) {}

    // Position, buttons and wheel back to rest; the previous position stays.
    void Reset();
    void ClearEdges();
    bool IsInRect(int rx, int ry, int w, int h) const;
    bool IsInRelativeRect(float fx, float fy, float fw, float fh) const;
    bool PickWorldPoint(Vec3* out) const;
    bool PickMapCell(CellRef* out) const;
};

extern MouseState g_Mouse;
