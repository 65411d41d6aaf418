// Fonts for the game's own text drawing: faces found by family name, glyphs rasterised into
// 32-bit bitmaps, and the measurements the game's layout code relies on. The calls are shaped
// like the classic memory-DC text calls (create a font, select it with a bitmap, measure,
// draw), and sizes follow the same rules, so text lays out as the game was designed.
//
// Rules kept from the classic calls:
// - Heights: a negative height is the em size in pixels; a positive height is the cell height
//   (ascent + descent) in pixels; 0 takes a default em of 16 pixels.
// - Text is single-byte Windows-1252; every byte 0-255 stands for the character of that code
//   page (0x80 is the euro sign, 0xE9 e acute, ...). A character the face lacks draws the face's
//   missing-glyph shape.
// - Widths are whole pixels per character, with no kerning; the extent of a string is the sum of
//   its characters' advance widths and the cell height.
// - A bold or italic request that the chosen face cannot meet is synthesised.
// Faces come from the system's font configuration; a family it does not have resolves to the
// closest one it has (a sans-serif face at worst). Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace text {

constexpr int32_t FW_DONTCARE = 0;
constexpr int32_t FW_NORMAL = 400;
constexpr int32_t FW_BOLD = 700;

struct FontDesc {
    int32_t height = 0;         // see the height rules above
    int32_t weight = FW_NORMAL; // 1-1000 on the classic scale; 0 = normal
    bool italic = false;
    std::string face;           // family name, e.g. "Tahoma"
};

// What a family request resolves to on this system.
struct FaceMatch {
    std::string file;           // font file
    int32_t index = 0;          // face index inside the file
    std::string family;         // the family found (e.g. "DejaVu Sans" for "Tahoma")
    int32_t weight = FW_NORMAL; // the face's own weight on the classic scale
    bool italic = false;        // the face itself is italic or oblique
};

struct TextMetrics {
    int32_t height;             // ascent + descent
    int32_t ascent;
    int32_t descent;
    int32_t internalLeading;    // height - em size
    int32_t aveCharWidth;
    int32_t maxCharWidth;       // widest advance among the 256 characters
};

struct Size {
    int32_t cx, cy;
};

// The best face for a family, weight and slant. False when the system has no usable font.
bool FindFace(const char* family, int32_t weight, bool italic, FaceMatch* out);

class Font;
// Null when no face can be opened or the height is beyond 2048 pixels either way.
Font* CreateFont(const FontDesc& desc);
void DeleteFont(Font* font);
const FaceMatch* GetFontFace(const Font* font);
bool GetTextMetrics(const Font* font, TextMetrics* metrics);
// Advance width in pixels of one character.
int32_t GetCharWidth(const Font* font, uint8_t c);

// A 32-bit top-down bitmap, each pixel 0x00RRGGBB, initially black.
class Bitmap {
public:
    // Sizes below 1 or above 16384 make an empty bitmap (width and height 0).
    Bitmap(int32_t width, int32_t height);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint32_t* Pixels() { return pixels_.data(); }
    const uint32_t* Pixels() const { return pixels_.data(); }
    // 0 outside the bitmap.
    uint32_t Pixel(int32_t x, int32_t y) const;

private:
    int32_t width_, height_;
    std::vector<uint32_t> pixels_;
};

// Fills the text cell with the background colour before drawing.
constexpr uint32_t ETO_OPAQUE = 0x0002;

// A drawing context: the bitmap drawn into, the font, the colours. Text is drawn from its
// cell's top-left corner.
class DrawContext {
public:
    void SelectBitmap(Bitmap* bitmap) { bitmap_ = bitmap; }
    void SelectFont(const Font* font) { font_ = font; }
    void SetTextColor(uint32_t rgb) { textColor_ = rgb & 0xFFFFFF; }
    void SetBkColor(uint32_t rgb) { bkColor_ = rgb & 0xFFFFFF; }
    // False with no font or a negative length.
    bool GetTextExtentPoint32(const char* text, int32_t length, Size* size) const;
    // Draws length bytes at x, y, antialiased: each pixel moves from its colour towards the text
    // colour by the glyph's coverage. Pixels outside the bitmap are skipped. False with no font,
    // no bitmap or a negative length.
    bool ExtTextOut(int32_t x, int32_t y, uint32_t options, const char* text, int32_t length);
    // Widens the next line drawn by extra whole pixels, spread over its break characters
    // (spaces), the first ones taking the remainder, so that the line ends exactly that much
    // further right. A line without a break character is drawn as it is. 0 undoes it.
    void SetTextJustification(int32_t extra) { justify_ = extra > 0 ? extra : 0; }

private:
    Bitmap* bitmap_ = nullptr;
    const Font* font_ = nullptr;
    uint32_t textColor_ = 0;
    uint32_t bkColor_ = 0xFFFFFF;
    int32_t justify_ = 0;
};

// A glyph's outline, flattened: whole pixels, y pointing down, origin at the top-left corner of
// the character cell (the baseline lies at the ascent). Each contour is closed implicitly (the
// last point joins the first) and holds no repeated neighbours.
struct OutlinePoint {
    int32_t x, y;
};
using OutlineContour = std::vector<OutlinePoint>;

// The contours of one character: a new contour at every move of the outline, curves flattened
// with a fixed tolerance, bold made up when the face has none. A blank gives none. False with no
// font or when the glyph cannot be loaded.
bool GetGlyphOutline(const Font* font, uint8_t c, std::vector<OutlineContour>* contours);

// Makes the faces of a font file (a game path, any case and separators) available to FindFace
// and CreateFont by their family names, for the rest of the run or until unregistered. False
// when the file is missing or holds no font. Registering a registered file again is true.
bool RegisterFontFile(const char* path);
bool UnregisterFontFile(const char* path);

// The Unicode code point that a Windows-1252 byte stands for (unassigned codes map to
// themselves).
uint32_t CodePointFrom1252(uint8_t c);

// Drops every registered file and, once no font is alive, closes the glyph rasteriser (tests).
void Shutdown();

}  // namespace text
