// DDS files: the 128-byte header, block-compressed levels kept as they are for upload, and a CPU
// decoder of DXT1/3/5 blocks for tests and for devices that cannot take them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/image.h"

namespace gfx {

struct DdsLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t offset = 0;  // into DdsImage::data
    size_t size = 0;
};

struct DdsImage {
    Format format = D3DFMT_UNKNOWN;  // DXT1/3/5, or the uncompressed layout
    bool compressed = false;
    bool hasAlpha = false;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<DdsLevel> levels;      // level 0 first; every level lies inside data
    std::vector<uint8_t> data;         // the levels' bytes, copied from the file
    std::vector<Image> decodedLevels;  // uncompressed files only: each level as 0xAARRGGBB
};

bool IsDdsFile(const uint8_t* data, size_t size);

// Parses the header and keeps every level the header declares. Block-compressed levels stay
// compressed; uncompressed ones (16/24/32-bit RGB with masks, luminance, alpha) are decoded.
// Cube maps, volumes and extended headers are refused.
bool ParseDds(const uint8_t* data, size_t size, DdsImage* out);

// Level `level` as 32-bit pixels (compressed levels through DecodeDxt).
bool DdsLevelToImage(const DdsImage& dds, uint32_t level, Image* out);
// Level 0 of a DDS file as 32-bit pixels.
bool DecodeDds(const uint8_t* data, size_t size, Image* out);

// Bytes of one 4 x 4 block: 8 for DXT1, 16 for DXT3 and DXT5, 0 for other formats.
uint32_t DxtBlockBytes(Format format);
// Bytes of a whole width x height level in blocks (partial blocks at the edges count whole).
size_t DxtLevelBytes(Format format, uint32_t width, uint32_t height);

// One block to 16 pixels (row by row). DXT1 blocks whose first colour is not above the second
// use three colours and transparent black, as DXT1 defines; DXT3/5 colours always use four.
void DecodeDxtBlock(Format format, const uint8_t* block, uint32_t out[16]);
// A whole level; false when `size` is short of DxtLevelBytes or the format is not DXT.
bool DecodeDxt(Format format, const uint8_t* blocks, size_t size, uint32_t width,
               uint32_t height, uint32_t* out);

// Compresses 32-bit pixels into blocks (DXT1 without alpha, DXT3 explicit alpha, DXT5
// interpolated alpha). `out` must hold DxtLevelBytes. Edge blocks repeat the last row/column.
bool EncodeDxt(Format format, const uint32_t* pixels, uint32_t width, uint32_t height,
               uint8_t* out);

}  // namespace gfx
