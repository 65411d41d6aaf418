// libFuzzer target: any bytes as a loose skin layer file, read through the layer cache and drawn
// onto a small skin at places that clip it on every side. A layer that is read has 1 to 4096
// pixels a side, channels of 0-255 and full alpha unless it carries its own; a refused one leaves
// nothing in the cache. Nothing may crash, leak or trip a sanitizer.
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
    const SkinImage& layer = node->image;
    if (!layer.pixels || layer.width == 0 || layer.height == 0 || layer.width > SKIN_LAYER_MAX_SIDE ||
        layer.height > SKIN_LAYER_MAX_SIDE)
        std::abort();
    const size_t values = size_t(layer.width) * layer.height * 4;
    for (size_t i = 0; i < values; ++i) {
        if (layer.pixels[i] < 0 || layer.pixels[i] > 255) std::abort();
        if (i % 4 == 3 && !layer.hasAlpha && layer.pixels[i] != 255) std::abort();
    }
    std::vector<int16_t> skinPixels(16 * 16 * 4, 128);
    SkinImage skin{16, 16, skinPixels.data(), 0};
    const int32_t w = int32_t(layer.width), h = int32_t(layer.height);
    const int32_t places[][2] = {{0, 0}, {-w + 1, -h + 1}, {15, 15}, {-w / 2, 8}, {8, -h / 2}, {16, 0}};
    for (const auto& at : places) {
        skin.Draw(layer, at[0], at[1], SKIN_BLEND_ALPHA);
        skin.Draw(layer, at[0], at[1], SKIN_BLEND_MULTIPLY);
    }
    for (int16_t v : skinPixels)
        if (v < 0 || v > 255) std::abort();
    return 0;
}
