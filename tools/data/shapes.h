// Simple shapes the demo pictures are drawn from, and a 5 x 7 block font for the pictures that
// carry letters and digits (the HUD's counters and words, its banners).
#pragma once

#include <cstdint>
#include <string>

#include "datakit/image_writer.h"

namespace demodata {

using datakit::Picture;

std::string Format(const char* format, int a, int b = 0, int c = 0);

// Fills [x0, x1) x [y0, y1), cut to the picture.
void Fill(Picture* p, int x0, int y0, int x1, int y1, uint32_t argb);
void Frame(Picture* p, int thickness, uint32_t argb);
// Colour and alpha both falling off by a: the sprites draw blended by alpha or added.
uint32_t Faded(float a, uint32_t rgb);
// A soft round spot: a colour fading out from the centre, for glows and particles.
Picture Spot(uint32_t size, float sharpness, uint32_t rgb);
// A button-like picture: a panel with a border, lit or unlit.
Picture Button(uint32_t w, uint32_t h, bool on, uint32_t colour);
// A disc of radius r about (cx, cy), edges blended over what is there by their coverage.
void Disc(Picture* p, float cx, float cy, float r, uint32_t argb);

// The glyph of a capital, a digit, '-' or ':' (rows top down, bit 4 the left column); null for
// anything else (a space).
const uint8_t* Glyph(char ch);
constexpr int GLYPH_COLUMNS = 5;
constexpr int GLYPH_ROWS = 7;
// Draws the text with its top-left corner at (x, y), each glyph cell cw x ch texels, glyphs
// `advance` texels apart.
void DrawText(Picture* p, const std::string& text, int x, int y, int cw, int ch, int advance, uint32_t argb);

}  // namespace demodata
