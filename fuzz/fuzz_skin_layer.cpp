// libFuzzer target: any bytes as a loose skin layer file, read through the layer cache and drawn
// onto a small working image and a texture picture at places that clip it on every side. A layer
// that is read has 1 to 4096 pixels a side and three or four channels; a refused one leaves
// nothing in the cache. Both skins keep channels of 0-255 and agree. Nothing may crash, leak or
// trip a sanitizer.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/pack_file.h"
#include "fighters/skin.h"
#include "fuzz/scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("skin_layer");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("LAYER.TGA", data, size);
    SkinImageCache cache;
    const SkinImageCacheNode* node = cache.Get("layer.tga");
    if (!node) {
        if (cache.count != 0 || cache.head) std::abort();
        return 0;
    }
    const SkinLayerImage& layer = node->layer;
    if (layer.Empty() || layer.width > SKIN_LAYER_MAX_SIDE || layer.height > SKIN_LAYER_MAX_SIDE ||
        (layer.channels != 3 && layer.channels != 4))
        std::abort();
    std::vector<int16_t> skinPixels(16 * 16 * 4, 128);
    SkinImage skin{16, 16, skinPixels.data(), 0};
    gfx::Image picture;
    picture.width = picture.height = 16;
    picture.pixels.assign(16 * 16, 0xFF808080u);
    const int32_t w = int32_t(layer.width), h = int32_t(layer.height);
    const int32_t places[][2] = {{0, 0}, {-w + 1, -h + 1}, {15, 15}, {-w / 2, 8}, {8, -h / 2}, {16, 0}};
    for (const auto& at : places) {
        for (int mode : {SKIN_BLEND_ALPHA, SKIN_BLEND_MULTIPLY}) {
            skin.Draw(layer, at[0], at[1], mode);
            DrawSkinLayer(&picture, layer, at[0], at[1], mode);
        }
    }
    // The picture holds what the working image holds, its alpha untouched.
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const int16_t* v = &skinPixels[i * 4];
        for (int c = 0; c < 4; ++c)
            if (v[c] < 0 || v[c] > 255) std::abort();
        if (picture.pixels[i] != (0xFF000000u | uint32_t(v[0]) << 16 | uint32_t(v[1]) << 8 | uint32_t(v[2])))
            std::abort();
    }
    return 0;
}
