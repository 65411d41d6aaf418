// Texture images decoded from memory into 32-bit pixels, and the CPU-side work done on them
// before upload: resizing, mip chains and the colour key. Every decoder checks each field and
// count against the bytes it was given and rejects the file rather than guess.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/types.h"

namespace gfx {

enum class ImageFileType : uint8_t { Unknown, Bmp, Tga, Gif, Dds, Png, Jpeg, Other };

// Larger sides than the biggest texture are refused outright, which also keeps every
// width x height x 4 product far from overflow.
constexpr uint32_t kMaxImageSide = 16384;

struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // width x height, top row first, 0xAARRGGBB
    bool hasAlpha = false;         // the source carried alpha (or transparency)
    ImageFileType fileType = ImageFileType::Unknown;
    Format sourceFormat = D3DFMT_UNKNOWN;  // the pixel layout the data had in the file
};

// What the file says about itself, before any pixel is decoded.
ImageFileType DetectImageFileType(const uint8_t* data, size_t size);

// Any supported file: BMP, TGA, GIF (first frame) and DDS (level 0) by our own readers, PNG and
// JPEG through stb_image. False for anything unreadable; *out is then empty.
bool DecodeImage(const uint8_t* data, size_t size, Image* out);
bool DecodeTga(const uint8_t* data, size_t size, Image* out);
bool DecodeBmp(const uint8_t* data, size_t size, Image* out);
bool DecodeGif(const uint8_t* data, size_t size, Image* out);
bool DecodeWithStb(const uint8_t* data, size_t size, Image* out);

// Why the last decode on this thread failed (a short English phrase, never null).
const char* LastImageError();

// Number of levels in a full mip chain down to 1 x 1.
uint32_t FullMipLevelCount(uint32_t width, uint32_t height);

// Area-weighted (box) resampling to any size of at least 1 x 1, per channel, rounding halves
// up; halving averages 2 x 2 blocks. An empty image comes back for a size of 0 or bad input.
Image ResizeImage(const Image& src, uint32_t width, uint32_t height);
// The next mip level: both sides halved, never below 1.
Image HalveImage(const Image& src);
// Level 0 is a copy of base; each further level halves the one before. levels 0 means the full
// chain; more levels than the full chain are cut to it.
std::vector<Image> BuildMipChain(const Image& base, uint32_t levels);

// Pixels equal to the 32-bit key (alpha included) become transparent black. Key 0 does nothing.
// Returns the number of pixels replaced; any replacement makes the image carry alpha.
size_t ApplyColorKey(Image* image, uint32_t key);

}  // namespace gfx
