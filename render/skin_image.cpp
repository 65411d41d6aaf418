#include <algorithm>
#include <array>
#include <cstring>

#include "render/texture_manager.h"

namespace {

// 1/255 as the skins have always been blended with, in single precision: a full alpha comes out
// as exactly 1, so an opaque layer pixel replaces the skin and a clear one leaves it.
constexpr float kChannelScale = 0.003921569f;

int16_t Multiply(int16_t s, int16_t d) { return int16_t(float(s) * kChannelScale * float(d)); }

// Every product of two channel values, worked out once: tattoos cover most of a skin.
const std::array<uint8_t, 256 * 256>& Products() {
    static const std::array<uint8_t, 256 * 256> table = [] {
        std::array<uint8_t, 256 * 256> t{};
        for (int s = 0; s < 256; ++s)
            for (int d = 0; d < 256; ++d) t[size_t(s) << 8 | size_t(d)] = uint8_t(Multiply(int16_t(s), int16_t(d)));
        return t;
    }();
    return table;
}

}  // namespace

bool SkinImage::CopyFrom(const SkinImage& other) {
    if (&other == this) return true;
    Free();
    if (!other.pixels || other.width == 0 || other.height == 0) return true;
    const size_t values = size_t(other.width) * other.height * 4;
    pixels = new int16_t[values];
    std::memcpy(pixels, other.pixels, values * sizeof(int16_t));
    width = other.width;
    height = other.height;
    hasAlpha = other.hasAlpha;
    return true;
}

void SkinImage::Free() {
    delete[] pixels;
    pixels = nullptr;
    width = height = 0;
    hasAlpha = 0;
}

void SkinImage::Blend(const int16_t* s, int16_t* d, int mode) {
    if (mode == SKIN_BLEND_ALPHA) {
        const float a = float(s[3]) * kChannelScale;
        for (int c = 0; c < 3; ++c) d[c] = int16_t(float(s[c]) * a + float(d[c]) * (1.0f - a));
    } else if (mode == SKIN_BLEND_MULTIPLY) {
        for (int c = 0; c < 3; ++c) d[c] = Multiply(s[c], d[c]);
    }
}

bool SkinImage::Draw(const SkinImage& source, int32_t x, int32_t y, int mode) {
    if (!pixels || !source.pixels) return true;
    // The part of the source that lands inside, in source columns and rows.
    const int64_t i0 = std::max<int64_t>(0, -int64_t(x));
    const int64_t i1 = std::min<int64_t>(source.width, int64_t(width) - x);
    const int64_t j0 = std::max<int64_t>(0, -int64_t(y));
    const int64_t j1 = std::min<int64_t>(source.height, int64_t(height) - y);
    if (i0 >= i1 || j0 >= j1) return true;
    const size_t run = size_t(i1 - i0);
    for (int64_t j = j0; j < j1; ++j) {
        const int16_t* s = source.pixels + (size_t(j) * source.width + size_t(i0)) * 4;
        int16_t* d = pixels + (size_t(y + j) * width + size_t(x + i0)) * 4;
        if (mode == SKIN_BLEND_ALPHA) {
            for (size_t i = 0; i < run; ++i, s += 4, d += 4) {
                // Exactly what Blend gives at the two ends of the alpha range, without the sums.
                if (s[3] == 0) continue;
                if (s[3] == 255) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                    continue;
                }
                Blend(s, d, mode);
            }
        } else if (mode == SKIN_BLEND_MULTIPLY) {
            const std::array<uint8_t, 256 * 256>& products = Products();
            for (size_t i = 0; i < run; ++i, s += 4, d += 4) {
                for (int c = 0; c < 3; ++c) {
                    // Blend's own product outside the table's range.
                    const uint16_t sv = uint16_t(s[c]), dv = uint16_t(d[c]);
                    d[c] = (sv | dv) < 256 ? int16_t(products[size_t(sv) << 8 | dv]) : Multiply(s[c], d[c]);
                }
            }
        }
    }
    return true;
}
