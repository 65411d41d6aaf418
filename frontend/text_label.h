// A positioned piece of front-end text: a caption, a value, a button text or a word-wrapped
// paragraph. In font mode it is printed every frame with the texture font; in texture mode it is
// rendered once into a texture of its own and drawn as one quad, again only when its text changes.
#pragma once

#include <cstdint>

namespace gfx {
class Device;
class Texture;
}  // namespace gfx
namespace text {
class Bitmap;
class DrawContext;
}  // namespace text

constexpr uint32_t LABEL_MODE_FONT = 0;
constexpr uint32_t LABEL_MODE_TEXTURE = 1;
// The alignment byte of a paragraph label.
constexpr uint8_t LABEL_PARAGRAPH = 3;
// The shared canvas texture-mode labels are rendered on.
constexpr int32_t LABEL_CANVAS_SIZE = 1024;

struct TextLabel {
    uint32_t inUse;
    float x, y;             // anchor, fractions of the viewport
    float w, h;             // measured (single lines) or given (paragraphs)
    uint8_t alignment;      // 'I', 'D', 'C', 'J' or LABEL_PARAGRAPH
    char* text;
    int32_t size;           // three times the caller's size
    uint32_t colour;        // FontColors index
    uint32_t highlightColour;
    uint8_t visible;
    uint8_t highlighted;
    int32_t pixelWidth, pixelHeight;    // texture mode
    uint32_t textureWidth, textureHeight;
    gfx::Texture* texture;

    TextLabel();
    ~TextLabel();
    TextLabel(const TextLabel&) = delete;
    TextLabel& operator=(const TextLabel&) = delete;

    void SetPosition(float x, float y);
    void SetPositionPixels(int32_t px, int32_t py);
    // A different text is measured or rendered again as one line; the same text costs nothing.
    void SetText(const char* text);
    void SetHighlightColor(uint32_t colour);
    bool IsMouseOver() const;
};

// The shared memory canvas of texture-mode labels and its two state blocks; it lives while any
// texture-mode label holds a texture.
struct LabelCanvas {
    text::Bitmap* bitmap;
    text::DrawContext* dc;
    gfx::Device* device;    // the device the blocks belong to
    uint32_t deviceSerial;
    uint32_t drawBlock;
    uint32_t savedBlock;
    uint32_t users;
};

extern uint32_t TextLabelMode;
extern LabelCanvas g_LabelCanvas;

bool CreateTextLabel(TextLabel* label, float x, float y, uint8_t alignLetter, const char* text, int32_t size,
                     uint32_t colour);
bool CreateTextParagraph(TextLabel* label, float x, float y, float w, float h, const char* text, int32_t size,
                         uint32_t colour);
void DestroyTextLabel(TextLabel* label);
void DrawTextLabel(const TextLabel* label);
uint32_t GetTextLabelMode();
void SetTextLabelMode(uint32_t mode);
// Font mode, and the canvas freed whatever labels still hold it (tests).
void ResetTextLabels();
