// The 2D text renderer: the glyphs of one font, characters 32 to 255, rasterised once into a
// single texture and drawn as textured screen-space quads. Used by the menus, widgets, HUD,
// overlays, editor panels and text labels.
#pragma once

#include <cstdint>

namespace gfx {
class Device;
class Texture;
}  // namespace gfx
namespace text {
class DrawContext;
}  // namespace text

constexpr int FONT_FIRST_CHAR = 32;
constexpr int FONT_GLYPHS = 224;      // codes 32 to 255
constexpr int FONT_SCALES = 10;
constexpr int FONT_COLOURS = 19;

// Style flags of TextureFont::Create.
constexpr uint32_t FONT_BOLD = 1;
constexpr uint32_t FONT_ITALIC = 2;
// DrawText flag: linear texture filtering (point filtering otherwise).
constexpr uint32_t FONT_FILTERED = 4;

// The text colours by number; 0 is the shadow colour.
extern const uint32_t FontColors[FONT_COLOURS];

// Horizontal alignment codes of the alignment letters.
constexpr int FONT_ALIGN_LEFT = 0;
constexpr int FONT_ALIGN_RIGHT = 1;
constexpr int FONT_ALIGN_CENTRE = 2;
constexpr int FONT_ALIGN_JUSTIFIED = 3;
// 'I' left, 'D' right, 'C' centre, 'J' justified, either case; -1 for anything else. Justified
// and unknown codes place text like left.
int AlignFromLetter(uint8_t letter);

// Where a glyph lies in the texture, as fractions of its width and height.
struct GlyphRect {
    float left, top, right, bottom;
};

class TextureFont {
public:
    char faceName[160];
    uint32_t flags;                 // FONT_BOLD, FONT_ITALIC as created
    gfx::Texture* texture;          // A4R4G4B4, one level, managed; null when released
    uint32_t textureWidth;
    uint32_t textureHeight;         // always equal to the width
    float textScale;                // 1.0 unless the device's largest texture forced a smaller one
    GlyphRect glyphs[FONT_GLYPHS];
    uint32_t drawBlock;             // state-block handles, 0 for none
    uint32_t savedBlock;
    // Entry i: {width factor, height factor}, both 0.01 + 0.005 i; the height factor is one
    // line's height as a fraction of the viewport's.
    float scales[FONT_SCALES][2];

    TextureFont() { Zero(); }
    ~TextureFont();
    TextureFont(const TextureFont&) = delete;
    TextureFont& operator=(const TextureFont&) = delete;
    // The constructed state (nothing is released: tests call Release first).
    void Zero();

    // Builds the glyph texture of the face at `height` points (96 dpi) on the video object's
    // device and records the state blocks. The texture is 256, 512 or 1024 square by the height
    // (at most the device's largest, the glyphs shrunk to match), larger when the glyphs of a
    // wide stand-in face would not fit. False when the texture or the font cannot be made.
    bool Create(const char* face, int32_t height, uint32_t styleFlags);
    // Records the two state blocks anew; after every device reset and mode change.
    void RestoreDeviceObjects();
    // Frees the texture and the state blocks and clears the face; may be called again. Must
    // come before the device goes.
    void Release();

    // Draws at pixel x, y (top-left of the first glyph) in one ARGB colour; flags FONT_FILTERED
    // for linear filtering. Bytes below 32 are skipped.
    bool DrawText(float x, float y, uint32_t colour, uint32_t drawFlags, const char* text);
    // Draws at viewport fractions with the glyph size of a scale entry and a colour number.
    bool DrawTextScaled(float x, float y, int scale, int colourIndex, const char* text, uint32_t drawFlags);
    // The front end's entry: text, or when it is null text number textNumber of the text table;
    // x, y viewport fractions (y the top of the line); align an alignment letter; with shadow a
    // copy in colour 0 goes first, 0.001 of the viewport to the right and below.
    void Print(int scale, int colourIndex, float x, float y, int32_t textNumber, const char* text, uint8_t align,
               bool shadow);
    // Width of the first length bytes (fewer when the text ends first) at a scale entry, as a
    // fraction of the viewport width; -1 for a null text, 0 with no device or no font.
    float TextWidth(const char* text, int32_t length, int scale) const;
    // One line's height at a scale entry as a fraction of the viewport height.
    float LineHeight(int scale) const;

private:
    gfx::Device* device_;           // the device the texture and the blocks belong to
    uint32_t deviceSerial_;

    bool CanDraw() const;
    // Lays the glyph cells out in rows of a size x size texture, drawing them through the
    // context when asked; false when a cell falls outside.
    bool PackGlyphs(text::DrawContext* dc, uint32_t size, bool draw);
    void DeleteBlocks();
    // Pixel width and height of a glyph drawn at a scale entry; false without a usable font.
    bool ScaledGlyphFactors(int scale, float viewportHeight, float* kx, float* ky) const;
    void DrawGlyphs(float x, float y, uint32_t colour, uint32_t drawFlags, const char* text, bool scaled, int scale,
                    float viewportHeight);
};

extern TextureFont g_Font;
