// Shared by the image decoders only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gfx/image.h"

namespace gfx::detail {

// Records why a decode failed and returns false, so a decoder can `return Fail("...")`.
bool Fail(const char* why);

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A channel of `bits` bits widened to 8 with rounding, so the full value maps to 255 and each
// step lands on the nearest 8-bit level (5 bits: 16 -> 132, 7 -> 58).
inline uint32_t Expand(uint32_t v, uint32_t bits) {
    if (bits == 0) return 0;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}

// A channel described by a bit mask (as in BMP and DDS headers).
struct MaskChannel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;
};
// False for a mask whose set bits are not one contiguous run.
bool MakeMaskChannel(uint32_t mask, MaskChannel* out);
inline uint32_t ReadMaskChannel(const MaskChannel& c, uint32_t value) {
    return Expand((value & c.mask) >> c.shift, c.bits);
}

// Both sides 1..kMaxImageSide.
bool CheckSize(uint32_t width, uint32_t height);
// Sizes the pixel array; false (with the reason set) on bad dimensions.
bool StartImage(Image* out, uint32_t width, uint32_t height, ImageFileType type,
                Format format);

}  // namespace gfx::detail
