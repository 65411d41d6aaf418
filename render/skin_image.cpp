#include "render/skin_image.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// 1/255 as the skins have always been blended with, in single precision: a full alpha comes out
// as exactly 1, so an opaque layer pixel replaces the skin and a clear one leaves it.
constexpr float kChannelScale = 0.003921569f;

int16_t Multiply(int16_t s, int16_t d) { return int16_t(float(s) * kChannelScale * float(d)); }

int AlphaChannel(int s, int d, float a) { return int16_t(float(s) * a + float(d) * (1.0f - a)); }

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

// Blend's own product outside the table's range.
int MultiplyChannel(const std::array<uint8_t, 256 * 256>& products, int s, int d) {
    return (uint32_t(s) | uint32_t(d)) < 256 ? products[size_t(s) << 8 | size_t(d)] : Multiply(int16_t(s), int16_t(d));
}

// How one kind of pixel is read and written: `step` values a pixel; red, green, blue and alpha
// as ints; Set writes red, green and blue and leaves alpha.
struct WorkingPixels {
    using Value = int16_t;
    static constexpr size_t step = 4;
    static int R(const Value* p) { return p[0]; }
    static int G(const Value* p) { return p[1]; }
    static int B(const Value* p) { return p[2]; }
    static int A(const Value* p) { return p[3]; }
    static void Set(Value* p, int r, int g, int b) {
        p[0] = int16_t(r);
        p[1] = int16_t(g);
        p[2] = int16_t(b);
    }
};

template <size_t Channels>
struct LayerPixels {
    using Value = const uint8_t;
    static constexpr size_t step = Channels;
    static int R(const Value* p) { return p[2]; }
    static int G(const Value* p) { return p[1]; }
    static int B(const Value* p) { return p[0]; }
    static int A(const Value* p) { return Channels == 4 ? p[3] : 255; }
};

// 0xAARRGGBB; every value written is a blend of 8-bit ones and stays within 0..255.
struct PicturePixels {
    using Value = uint32_t;
    static constexpr size_t step = 1;
    static int R(const Value* p) { return int(*p >> 16 & 0xFF); }
    static int G(const Value* p) { return int(*p >> 8 & 0xFF); }
    static int B(const Value* p) { return int(*p & 0xFF); }
    static void Set(Value* p, int r, int g, int b) {
        *p = (*p & 0xFF000000u) | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
    }
};

// The source's w x h pixels blended into the destination's with their top left at (x, y), the
// part that lands outside skipped.
template <typename Dst, typename Src>
void DrawPixels(typename Dst::Value* dst, uint32_t dstW, uint32_t dstH, const typename Src::Value* src,
                uint32_t srcW, uint32_t srcH, int32_t x, int32_t y, int mode) {
    // The part of the source that lands inside, in source columns and rows.
    const int64_t i0 = std::max<int64_t>(0, -int64_t(x));
    const int64_t i1 = std::min<int64_t>(srcW, int64_t(dstW) - x);
    const int64_t j0 = std::max<int64_t>(0, -int64_t(y));
    const int64_t j1 = std::min<int64_t>(srcH, int64_t(dstH) - y);
    if (i0 >= i1 || j0 >= j1) return;
    const size_t run = size_t(i1 - i0);
    const std::array<uint8_t, 256 * 256>& products = Products();
    for (int64_t j = j0; j < j1; ++j) {
        const typename Src::Value* s = src + (size_t(j) * srcW + size_t(i0)) * Src::step;
        typename Dst::Value* d = dst + (size_t(y + j) * dstW + size_t(x + i0)) * Dst::step;
        if (mode == SKIN_BLEND_ALPHA) {
            for (size_t i = 0; i < run; ++i, s += Src::step, d += Dst::step) {
                // Exactly what Blend gives at the two ends of the alpha range, without the sums.
                const int alpha = Src::A(s);
                if (alpha == 0) continue;
                if (alpha == 255) {
                    Dst::Set(d, Src::R(s), Src::G(s), Src::B(s));
                    continue;
                }
                const float a = float(alpha) * kChannelScale;
                Dst::Set(d, AlphaChannel(Src::R(s), Dst::R(d), a), AlphaChannel(Src::G(s), Dst::G(d), a),
                         AlphaChannel(Src::B(s), Dst::B(d), a));
            }
        } else if (mode == SKIN_BLEND_MULTIPLY) {
            for (size_t i = 0; i < run; ++i, s += Src::step, d += Dst::step)
                Dst::Set(d, MultiplyChannel(products, Src::R(s), Dst::R(d)),
                         MultiplyChannel(products, Src::G(s), Dst::G(d)),
                         MultiplyChannel(products, Src::B(s), Dst::B(d)));
        }
    }
}

template <typename Dst>
void DrawLayer(typename Dst::Value* dst, uint32_t dstW, uint32_t dstH, const SkinLayerImage& layer, int32_t x,
               int32_t y, int mode) {
    if (layer.HasAlpha())
        DrawPixels<Dst, LayerPixels<4>>(dst, dstW, dstH, layer.bytes.data(), layer.width, layer.height, x, y, mode);
    else
        DrawPixels<Dst, LayerPixels<3>>(dst, dstW, dstH, layer.bytes.data(), layer.width, layer.height, x, y, mode);
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

bool SkinImage::CopyFrom(const SkinLayerImage& layer) {
    Free();
    if (layer.Empty()) return true;
    const size_t count = size_t(layer.width) * layer.height;
    pixels = new int16_t[count * 4];
    width = layer.width;
    height = layer.height;
    hasAlpha = layer.HasAlpha() ? 1 : 0;
    const uint8_t* s = layer.bytes.data();
    int16_t* d = pixels;
    for (size_t i = 0; i < count; ++i, s += layer.channels, d += 4) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = layer.HasAlpha() ? s[3] : 255;
    }
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
        for (int c = 0; c < 3; ++c) d[c] = int16_t(AlphaChannel(s[c], d[c], a));
    } else if (mode == SKIN_BLEND_MULTIPLY) {
        for (int c = 0; c < 3; ++c) d[c] = Multiply(s[c], d[c]);
    }
}

bool SkinImage::Draw(const SkinImage& source, int32_t x, int32_t y, int mode) {
    if (!pixels || !source.pixels) return true;
    DrawPixels<WorkingPixels, WorkingPixels>(pixels, width, height, source.pixels, source.width, source.height, x, y,
                                             mode);
    return true;
}

bool SkinImage::Draw(const SkinLayerImage& source, int32_t x, int32_t y, int mode) {
    if (!pixels || source.Empty()) return true;
    DrawLayer<WorkingPixels>(pixels, width, height, source, x, y, mode);
    return true;
}

bool StartSkinPicture(const SkinLayerImage& base, gfx::Image* picture) {
    if (!picture || base.Empty()) return false;
    picture->width = base.width;
    picture->height = base.height;
    picture->hasAlpha = base.HasAlpha();
    picture->pixels.resize(size_t(base.width) * base.height);
    const uint8_t* s = base.bytes.data();
    if (base.HasAlpha()) {
        for (uint32_t& out : picture->pixels) {
            out = uint32_t(s[3]) << 24 | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
            s += 4;
        }
    } else {
        for (uint32_t& out : picture->pixels) {
            out = 0xFF000000u | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
            s += 3;
        }
    }
    return true;
}

bool DrawSkinLayer(gfx::Image* picture, const SkinLayerImage& layer, int32_t x, int32_t y, int mode) {
    if (!picture || picture->pixels.size() != size_t(picture->width) * picture->height || layer.Empty()) return false;
    DrawLayer<PicturePixels>(picture->pixels.data(), picture->width, picture->height, layer, x, y, mode);
    return true;
}
