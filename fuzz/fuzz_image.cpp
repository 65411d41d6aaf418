// libFuzzer target: any bytes through every image decoder (TGA, BMP with its run-length codings,
// GIF, DDS with each of its levels) and the entry point that picks one, which hands what is none
// of those to stb_image, as the game does.
// A decode either fails with a reason and leaves no pixels, or gives exactly width x height
// pixels within the size limit.
#include <cstdint>
#include <cstdlib>

#include "platform/gfx/dds.h"
#include "platform/gfx/image.h"

namespace {

void Check(bool decoded, const gfx::Image& image) {
    if (!decoded) {
        if (!image.pixels.empty() || image.width != 0 || !gfx::LastImageError()) std::abort();
        return;
    }
    if (image.width == 0 || image.height == 0 || image.width > gfx::kMaxImageSide ||
        image.height > gfx::kMaxImageSide || image.pixels.size() != size_t(image.width) * image.height)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gfx::Image image;
    Check(gfx::DecodeImage(data, size, &image), image);
    Check(gfx::DecodeTga(data, size, &image), image);
    Check(gfx::DecodeBmp(data, size, &image), image);
    Check(gfx::DecodeGif(data, size, &image), image);
    gfx::DdsImage dds;
    if (gfx::ParseDds(data, size, &dds)) {
        for (uint32_t level = 0; level < dds.levels.size(); ++level) {
            const gfx::DdsLevel& l = dds.levels[level];
            if (l.offset > dds.data.size() || l.size > dds.data.size() - l.offset) std::abort();
            Check(gfx::DdsLevelToImage(dds, level, &image), image);
            if (image.width != l.width || image.height != l.height) std::abort();
        }
    }
    return 0;
}
