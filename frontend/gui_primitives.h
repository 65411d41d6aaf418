// Immediate 2D drawing for the element-map editor's panels: a filled screen rectangle, the
// device state it draws with, and a plain push button with the group that owns ten of them.
#pragma once

#include <cstdint>

// Untextured screen quads: no blending or alpha test, no depth, pre-transformed vertices.
void SetQuadDrawState();
// Fills the rectangle between two corners given as fractions of the screen; the caller's device
// state is kept. Always true.
bool DrawQuad2D(float left, float top, float right, float bottom, uint32_t colour);
// Forgets the state block kept for DrawQuad2D (after the device was reset or made again, and in
// tests); the next quad records a new one.
void ResetQuadDrawState();

struct Button {
    float x, y, width, height;    // fractions of the screen
    char* caption;                // heap copy; null when none
    uint8_t visible;
    uint8_t enabled;
    uint8_t hover;
    uint8_t pressed;

    Button();
    ~Button() { FreeCaption(); }
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    // A null or empty caption keeps none.
    void Set(float x, float y, float width, float height, const char* caption);
    // Hover while visible, enabled and under the cursor; pressed in the frame of a left press.
    void HitTest();
    // Light edge, dark edge, face and caption; nothing for a zero width or height.
    void Draw();
    void FreeCaption();
};

constexpr int BUTTON_GROUP_SIZE = 10;

struct ButtonGroup {
    Button* buttons[BUTTON_GROUP_SIZE];
    uint32_t created;             // set once the owner has made the buttons

    ButtonGroup();
    ~ButtonGroup() { Free(); }
    ButtonGroup(const ButtonGroup&) = delete;
    ButtonGroup& operator=(const ButtonGroup&) = delete;

    // Deletes the buttons when the created flag is set; nothing otherwise.
    void Free();
};
