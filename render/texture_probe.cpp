// ProbeImageHeader: the size and depth of a texture file from its header alone, before the
// whole file is decoded. Files that carry a signature are told apart by it first; only what
// is left goes through the TGA tests, which have no signature to go by.
#include <cstring>

#include "render/texture_manager.h"

namespace {

// Sides a texture may have: the header record keeps 16 bits.
bool SideFits(int64_t side) { return side > 0 && side <= 0xFFFF; }

uint8_t U8At(BinaryReader& r, size_t at) {
    uint8_t v = 0;
    if (r.Seek(at)) r.ReadU8(v);
    return v;
}
uint16_t U16At(BinaryReader& r, size_t at) {
    uint16_t v = 0;
    if (r.Seek(at)) r.ReadU16(v);
    return v;
}
uint32_t U32At(BinaryReader& r, size_t at) {
    uint32_t v = 0;
    if (r.Seek(at)) r.ReadU32(v);
    return v;
}

bool Accept(ImageHeaderInfo* info, uint8_t format, int64_t width, int64_t height, uint32_t bits) {
    if (!SideFits(width) || !SideFits(height)) return false;
    info->format = format;
    info->width = uint16_t(width);
    info->height = uint16_t(height);
    info->bits = uint8_t(bits);
    return true;
}

// The core header of 12 bytes keeps 16-bit sizes and no compression field; the later ones
// (40 bytes and up) 32-bit sizes. Rows stored top-down give a negative height.
bool ProbeBmp(BinaryReader& r, ImageHeaderInfo* info) {
    const uint32_t infoSize = U32At(r, 14);
    int64_t width = 0, height = 0;
    uint32_t bits = 0;
    if (infoSize == 12) {
        width = U16At(r, 18);
        height = int16_t(U16At(r, 20));
        bits = U16At(r, 24);
    } else if (infoSize >= 40) {
        width = int32_t(U32At(r, 18));
        height = int32_t(U32At(r, 22));
        bits = U16At(r, 28);
    } else {
        return false;
    }
    if (!r.ok()) return false;
    return Accept(info, IMAGE_HEADER_BMP, width, height < 0 ? -height : height, bits);
}

bool ProbeDds(BinaryReader& r, ImageHeaderInfo* info) {
    constexpr uint32_t kAlphaPixels = 0x1, kAlphaOnly = 0x2, kFourCc = 0x4;
    if (r.Size() < 128 || U32At(r, 4) != 124) return false;
    const uint32_t height = U32At(r, 12), width = U32At(r, 16);
    const uint32_t pixelFlags = U32At(r, 80), fourCc = U32At(r, 84);
    bool alpha = false;
    if (pixelFlags & kFourCc) {
        uint8_t code[4] = {uint8_t(fourCc), uint8_t(fourCc >> 8), uint8_t(fourCc >> 16), uint8_t(fourCc >> 24)};
        alpha = std::memcmp(code, "DXT1", 4) != 0;
    } else {
        alpha = (pixelFlags & (kAlphaPixels | kAlphaOnly)) != 0;
    }
    return Accept(info, IMAGE_HEADER_DDS, width, height, alpha ? 32 : 24);
}

bool ProbeTga(BinaryReader& r, ImageHeaderInfo* info) {
    const size_t size = r.Size();
    bool footer = false;
    if (r.Seek(size - 18)) {
        const uint8_t* tail = r.Span(18);
        for (size_t i = 0; tail && i + 10 <= 18 && !footer; ++i) footer = std::memcmp(tail + i, "TRUEVISION", 10) == 0;
    }
    const uint8_t depth = U8At(r, 16);
    const bool mappedRle = U8At(r, 0) == 0 && U8At(r, 1) == 1 && U8At(r, 2) == 9 && U8At(r, 3) == 0;
    if (!footer && depth != 8 && depth != 16 && depth != 24 && depth != 32 && !mappedRle) return false;
    info->format = IMAGE_HEADER_TGA;
    info->width = U16At(r, 12);
    info->height = U16At(r, 14);
    info->bits = depth;
    return true;
}

}  // namespace

bool ProbeImageHeader(BinaryReader& reader, ImageHeaderInfo* info) {
    if (!info) return false;
    info->format = IMAGE_HEADER_UNKNOWN;
    if (reader.Remaining() < 25) return false;
    // A reader of its own over the image, so the caller's position never moves.
    BinaryReader r(reader.Data() + reader.Tell(), reader.Remaining());
    uint8_t head[8] = {};
    r.ReadBytes(head, sizeof head);

    if (std::memcmp(head, "DDS ", 4) == 0) return ProbeDds(r, info);
    if (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0) {
        // The logical screen descriptor follows the signature.
        info->format = IMAGE_HEADER_GIF;
        info->width = U16At(r, 6);
        info->height = U16At(r, 8);
        info->bits = 8;
        return true;
    }
    if (head[0] == 'B' && head[1] == 'M') return ProbeBmp(r, info);
    // Signatures the TGA tests below would take for a TGA of some made-up size.
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(head, kPng, 8) == 0) return false;
    if (head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return false;
    return ProbeTga(r, info);
}
