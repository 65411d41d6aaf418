// Small image files (TGA, BMP, GIF) made from 32-bit pictures, for the texture loaders' tests.
// They follow the file formats through the byte builders of image_builders.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datakit {

// width x height pixels 0xAARRGGBB, row 0 at the top.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t(y) * width + x]; }
};

Picture SolidPicture(uint32_t width, uint32_t height, uint32_t argb);
// Four quadrants: top-left, top-right, bottom-left, bottom-right.
Picture QuadrantPicture(uint32_t width, uint32_t height, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br);

struct TgaOptions {
    uint8_t depth = 24;    // 24 or 32 (with 8 alpha bits)
    bool footer = false;   // the "TRUEVISION-XFILE." footer
    bool rle = false;      // run-length packets
    bool topDown = false;  // rows stored from the top
};
std::vector<uint8_t> TgaFile(const Picture& picture, const TgaOptions& options = {});

// A 24-bit BMP; topDown stores the rows from the top with a negative height.
std::vector<uint8_t> BmpFile(const Picture& picture, bool topDown = false);

// A GIF whose global colour table holds the picture's colours (at most 256; alpha is dropped),
// padded to tableSize entries (a power of two, at least 2).
std::vector<uint8_t> GifFile(const Picture& picture, uint32_t tableSize = 256);

}  // namespace datakit
