// libFuzzer target: any bytes through the texture header probe, read as a pack entry. The probe
// must leave the reader's position alone, and wherever it names a kind the decoder reads by the
// same signature, the two must agree on the size: no texture is made at a size its file does
// not have.
#include <cstdint>
#include <cstdlib>

#include "core/pack_file.h"
#include "platform/gfx/image.h"
#include "render/texture_manager.h"

namespace {

// Whether the decoder took the file for the same kind the probe named.
bool SameKind(const ImageHeaderInfo& info, const uint8_t* data, size_t size) {
    switch (info.format) {
    case IMAGE_HEADER_GIF:
        // A screen size of 0 leaves the size to the first frame; the texture then takes the
        // file's own.
        return info.width != 0 && info.height != 0;
    case IMAGE_HEADER_TGA: return gfx::DetectImageFileType(data, size) == gfx::ImageFileType::Tga;
    default: return true;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PackEntry entry;
    entry.Assign(data, size, "FUZZ.TGA");
    BinaryReader& reader = entry.Reader();
    ImageHeaderInfo info{};
    const bool known = ProbeImageHeader(reader, &info);
    if (reader.Tell() != 0 || !reader.ok()) std::abort();
    if (!known) {
        if (info.format != IMAGE_HEADER_UNKNOWN) std::abort();
        return 0;
    }
    gfx::Image image;
    if (!gfx::DecodeImage(data, size, &image) || !SameKind(info, data, size)) return 0;
    if (image.width != info.width || image.height != info.height) std::abort();
    return 0;
}
