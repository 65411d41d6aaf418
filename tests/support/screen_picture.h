// Screenshots as the tests look at them: a BMP the game wrote, read back, and a few measures
// over rectangles of it (ink, colour, brightness), so that checks name properties, not pixels.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/gfx/image.h"

namespace testsupport {

struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;   // x1 and y1 excluded
};

// Channels of a 0xAARRGGBB pixel.
inline int Red(uint32_t p) { return int((p >> 16) & 0xFF); }
inline int Green(uint32_t p) { return int((p >> 8) & 0xFF); }
inline int Blue(uint32_t p) { return int(p & 0xFF); }
inline int Luma(uint32_t p) { return (299 * Red(p) + 587 * Green(p) + 114 * Blue(p)) / 1000; }

// The picture of a BMP file; false when it is missing or unreadable.
bool LoadScreenshot(const std::filesystem::path& file, gfx::Image* out);
// The screen of an X server kept in a file (an XWD image, as Xvfb -fbdir keeps it) as it is now;
// false when it is missing, or not of 32-bit true-colour pixels. Only the rows from `top` to
// `bottom` (fractions of the height) are read; the others are black.
bool LoadScreenFile(const std::filesystem::path& file, gfx::Image* out, float top = 0.0f, float bottom = 1.0f);
// A picture as a 24-bit BMP file, for a look after a failure.
bool SavePicture(const std::filesystem::path& file, const gfx::Image& image);

// A rectangle given in fractions of the picture.
PixelRect RelativeRect(const gfx::Image& image, float x0, float y0, float x1, float y1);

// Pixels of the rectangle (cut to the picture) for which `test` holds.
int CountPixels(const gfx::Image& image, const PixelRect& rect, const std::function<bool(uint32_t)>& test);
double MeanLuma(const gfx::Image& image, const PixelRect& rect);

}  // namespace testsupport
