// The pictures a fighter's skin is composed of: the 16-bit working image the character skin code
// hands over, the decoded layers a batch of spawns keeps, and the blending of one onto another.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/image.h"

// A layer file's pixels as a batch keeps them: 8-bit channels in the file's order (blue, green,
// red and, with alpha, alpha), rows top to bottom. Half the size of a working image of it, three
// eighths without alpha.
struct SkinLayerImage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t channels = 0;        // 3, or 4 with alpha
    std::vector<uint8_t> bytes;  // width x height x channels

    bool HasAlpha() const { return channels == 4; }
    bool Empty() const { return width == 0 || height == 0 || bytes.size() != size_t(width) * height * channels; }
};

// The picture the character skin code hands over: width x height pixels of four channels
// (red, green, blue, alpha, each 0..255), row by row.
struct SkinImage {
    uint32_t width;
    uint32_t height;
    int16_t* pixels;
    uint8_t hasAlpha;

    // The skin composition's working operations (render/skin_image.cpp). Pixels that CopyFrom or
    // a layer reader made are given back by Free; an image over borrowed pixels is never freed.
    bool CopyFrom(const SkinImage& other);
    // The layer's pixels, alpha 255 for a layer without it.
    bool CopyFrom(const SkinLayerImage& layer);
    void Free();
    // One pixel of the source into the destination: mode 1 by the source's alpha, mode 2
    // multiplied; the destination keeps its alpha.
    static void Blend(const int16_t* source, int16_t* destination, int mode);
    // The source blended in with its top left at (x, y); what falls outside is skipped.
    bool Draw(const SkinImage& source, int32_t x, int32_t y, int mode);
    bool Draw(const SkinLayerImage& source, int32_t x, int32_t y, int mode);
};
constexpr int SKIN_BLEND_ALPHA = 1;
constexpr int SKIN_BLEND_MULTIPLY = 2;

// A skin composed straight into the texture's source picture, which holds what SkinPicture makes
// of the working image composed from the same layers: their channels never leave 0..255, so
// 8 bits hold every value the 16-bit image would. The base starts it (opaque without alpha);
// false for an empty layer.
bool StartSkinPicture(const SkinLayerImage& base, gfx::Image* picture);
// A layer blended onto the picture as SkinImage::Draw blends it; the picture keeps its alpha.
bool DrawSkinLayer(gfx::Image* picture, const SkinLayerImage& layer, int32_t x, int32_t y, int mode);
