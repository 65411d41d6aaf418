#include "platform/gfx/dds.h"

#include <algorithm>
#include <cstring>

#include <stb_dxt.h>

#include "platform/gfx/image_internal.h"

namespace gfx {

using detail::Argb;
using detail::Fail;
using detail::LoadU16;
using detail::LoadU32;

namespace {

constexpr size_t kDdsHeaderBytes = 128;  // "DDS " + 124-byte header

// Header flags.
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_DEPTH = 0x800000;
// Pixel-format flags.
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
// Caps.
constexpr uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

struct Rgb {
    uint32_t r, g, b;
};

Rgb From565(uint16_t v) {
    return {detail::Expand((v >> 11) & 31, 5), detail::Expand((v >> 5) & 63, 6),
            detail::Expand(v & 31, 5)};
}

// The colour half of a block (8 bytes); `fourColours` forces the opaque four-colour mode.
void DecodeColourBlock(const uint8_t* block, bool fourColours, uint32_t out[16]) {
    uint16_t c0 = LoadU16(block), c1 = LoadU16(block + 2);
    Rgb a = From565(c0), b = From565(c1);
    uint32_t palette[4];
    palette[0] = Argb(255, a.r, a.g, a.b);
    palette[1] = Argb(255, b.r, b.g, b.b);
    if (fourColours || c0 > c1) {
        palette[2] = Argb(255, (2 * a.r + b.r) / 3, (2 * a.g + b.g) / 3, (2 * a.b + b.b) / 3);
        palette[3] = Argb(255, (a.r + 2 * b.r) / 3, (a.g + 2 * b.g) / 3, (a.b + 2 * b.b) / 3);
    } else {
        palette[2] = Argb(255, (a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2);
        palette[3] = 0;  // transparent black
    }
    uint32_t bits = LoadU32(block + 4);
    for (int i = 0; i < 16; ++i) out[i] = palette[(bits >> (2 * i)) & 3];
}

uint32_t SetAlpha(uint32_t p, uint32_t a) { return (p & 0x00FFFFFFu) | (a << 24); }

bool IsDxt(Format f) {
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT3 || f == D3DFMT_DXT5;
}

}  // namespace

bool IsDdsFile(const uint8_t* data, size_t size) {
    return data && size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

uint32_t DxtBlockBytes(Format format) {
    switch (format) {
    case D3DFMT_DXT1: return 8;
    case D3DFMT_DXT3:
    case D3DFMT_DXT5: return 16;
    default: return 0;
    }
}

size_t DxtLevelBytes(Format format, uint32_t width, uint32_t height) {
    size_t bw = std::max<size_t>(1, (size_t(width) + 3) / 4);
    size_t bh = std::max<size_t>(1, (size_t(height) + 3) / 4);
    return bw * bh * DxtBlockBytes(format);
}

void DecodeDxtBlock(Format format, const uint8_t* block, uint32_t out[16]) {
    switch (format) {
    case D3DFMT_DXT1: DecodeColourBlock(block, false, out); break;
    case D3DFMT_DXT3: {
        DecodeColourBlock(block + 8, true, out);
        for (int i = 0; i < 16; ++i) {
            uint32_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 15;
            out[i] = SetAlpha(out[i], nibble * 17);
        }
        break;
    }
    case D3DFMT_DXT5: {
        DecodeColourBlock(block + 8, true, out);
        uint32_t a0 = block[0], a1 = block[1];
        uint32_t alpha[8];
        alpha[0] = a0;
        alpha[1] = a1;
        if (a0 > a1) {
            for (uint32_t k = 2; k < 8; ++k) alpha[k] = ((8 - k) * a0 + (k - 1) * a1) / 7;
        } else {
            for (uint32_t k = 2; k < 6; ++k) alpha[k] = ((6 - k) * a0 + (k - 1) * a1) / 5;
            alpha[6] = 0;
            alpha[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i) out[i] = SetAlpha(out[i], alpha[(bits >> (3 * i)) & 7]);
        break;
    }
    default:
        for (int i = 0; i < 16; ++i) out[i] = 0;
        break;
    }
}

bool DecodeDxt(Format format, const uint8_t* blocks, size_t size, uint32_t width,
               uint32_t height, uint32_t* out) {
    uint32_t blockBytes = DxtBlockBytes(format);
    if (blockBytes == 0 || !blocks || !out || width == 0 || height == 0) return false;
    if (size < DxtLevelBytes(format, width, height)) return false;
    uint32_t bw = (width + 3) / 4, bh = (height + 3) / 4;
    uint32_t px[16];
    for (uint32_t by = 0; by < bh; ++by) {
        for (uint32_t bx = 0; bx < bw; ++bx) {
            DecodeDxtBlock(format, blocks + (size_t(by) * bw + bx) * blockBytes, px);
            for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y)
                for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x)
                    out[size_t(by * 4 + y) * width + bx * 4 + x] = px[y * 4 + x];
        }
    }
    return true;
}

bool EncodeDxt(Format format, const uint32_t* pixels, uint32_t width, uint32_t height,
               uint8_t* out) {
    uint32_t blockBytes = DxtBlockBytes(format);
    if (blockBytes == 0 || !pixels || !out || width == 0 || height == 0) return false;
    uint32_t bw = (width + 3) / 4, bh = (height + 3) / 4;
    uint8_t rgba[64];
    for (uint32_t by = 0; by < bh; ++by) {
        for (uint32_t bx = 0; bx < bw; ++bx) {
            for (uint32_t y = 0; y < 4; ++y) {
                for (uint32_t x = 0; x < 4; ++x) {
                    uint32_t sx = std::min(bx * 4 + x, width - 1);
                    uint32_t sy = std::min(by * 4 + y, height - 1);
                    uint32_t p = pixels[size_t(sy) * width + sx];
                    uint8_t* d = rgba + (y * 4 + x) * 4;
                    d[0] = uint8_t(p >> 16);
                    d[1] = uint8_t(p >> 8);
                    d[2] = uint8_t(p);
                    d[3] = uint8_t(p >> 24);
                }
            }
            uint8_t* dst = out + (size_t(by) * bw + bx) * blockBytes;
            switch (format) {
            case D3DFMT_DXT1: stb_compress_dxt_block(dst, rgba, 0, STB_DXT_HIGHQUAL); break;
            case D3DFMT_DXT5: stb_compress_dxt_block(dst, rgba, 1, STB_DXT_HIGHQUAL); break;
            default: {  // DXT3: 4-bit alpha per pixel, rounded, then a four-colour block
                for (int i = 0; i < 8; ++i) {
                    uint32_t lo = (rgba[(2 * i) * 4 + 3] * 15u + 127u) / 255u;
                    uint32_t hi = (rgba[(2 * i + 1) * 4 + 3] * 15u + 127u) / 255u;
                    dst[i] = uint8_t(lo | (hi << 4));
                }
                stb_compress_dxt_block(dst + 8, rgba, 0, STB_DXT_HIGHQUAL);
                break;
            }
            }
        }
    }
    return true;
}

bool ParseDds(const uint8_t* data, size_t size, DdsImage* out) {
    *out = DdsImage{};
    if (!IsDdsFile(data, size)) return Fail("not a DDS file");
    if (size < kDdsHeaderBytes) return Fail("DDS header truncated");
    const uint8_t* h = data + 4;
    if (LoadU32(h) != 124 || LoadU32(h + 72) != 32) return Fail("DDS header size wrong");
    const uint32_t flags = LoadU32(h + 4);
    const uint32_t height = LoadU32(h + 8);
    const uint32_t width = LoadU32(h + 12);
    const uint32_t depth = LoadU32(h + 20);
    const uint32_t mipCount = LoadU32(h + 24);
    const uint32_t pfFlags = LoadU32(h + 76);
    const uint32_t fourCC = LoadU32(h + 80);
    const uint32_t bitCount = LoadU32(h + 84);
    const uint32_t masks[4] = {LoadU32(h + 88), LoadU32(h + 92), LoadU32(h + 96), LoadU32(h + 100)};
    const uint32_t caps = LoadU32(h + 104);
    const uint32_t caps2 = LoadU32(h + 108);

    if (!detail::CheckSize(width, height)) return Fail("DDS size out of range");
    if ((caps2 & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME)) || ((flags & DDSD_DEPTH) && depth > 1))
        return Fail("DDS cube maps and volumes not supported");

    uint32_t levels = 1;
    if (mipCount > 0 && ((flags & DDSD_MIPMAPCOUNT) || (caps & DDSCAPS_MIPMAP))) levels = mipCount;
    levels = std::min(levels, FullMipLevelCount(width, height));

    Format format = D3DFMT_UNKNOWN;
    uint32_t pixelBytes = 0;
    bool alpha = false;
    if (pfFlags & DDPF_FOURCC) {
        format = static_cast<Format>(fourCC);
        if (!IsDxt(format)) return Fail("DDS compression not supported");
        alpha = format != D3DFMT_DXT1;
    } else if (pfFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) {
        if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
            return Fail("DDS bit count not supported");
        pixelBytes = bitCount / 8;
        alpha = (pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) && masks[3] != 0;
        if (pfFlags & DDPF_RGB) {
            if (bitCount == 32) format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
            else if (bitCount == 24) format = D3DFMT_R8G8B8;
            else if (bitCount == 16) {
                if (masks[1] == 0x07E0) format = D3DFMT_R5G6B5;
                else if (alpha && masks[3] == 0xF000) format = D3DFMT_A4R4G4B4;
                else if (alpha) format = D3DFMT_A1R5G5B5;
                else format = D3DFMT_X1R5G5B5;
            }
        } else if (pfFlags & DDPF_LUMINANCE) {
            format = alpha ? D3DFMT_A8L8 : D3DFMT_L8;
        } else {
            format = D3DFMT_A8;
        }
    } else {
        return Fail("DDS pixel format not supported");
    }

    out->format = format;
    out->compressed = IsDxt(format);
    out->hasAlpha = alpha;
    out->width = width;
    out->height = height;

    // Every declared level must be there in full.
    size_t pos = kDdsHeaderBytes;
    for (uint32_t i = 0; i < levels; ++i) {
        DdsLevel level;
        level.width = std::max(1u, width >> i);
        level.height = std::max(1u, height >> i);
        level.offset = pos - kDdsHeaderBytes;
        level.size = out->compressed ? DxtLevelBytes(format, level.width, level.height)
                                     : size_t(level.width) * level.height * pixelBytes;
        if (level.size > size - pos) {
            *out = DdsImage{};
            return Fail("DDS truncated in the pixel data");
        }
        pos += level.size;
        out->levels.push_back(level);
    }
    out->data.assign(data + kDdsHeaderBytes, data + pos);

    if (!out->compressed) {
        detail::MaskChannel ch[4];
        for (int i = 0; i < 4; ++i) {
            if (!detail::MakeMaskChannel(masks[i], &ch[i])) {
                *out = DdsImage{};
                return Fail("DDS mask not contiguous");
            }
        }
        const bool luminance = (pfFlags & DDPF_LUMINANCE) != 0;
        const bool alphaOnly = !(pfFlags & (DDPF_RGB | DDPF_LUMINANCE));
        for (const DdsLevel& level : out->levels) {
            Image img;
            detail::StartImage(&img, level.width, level.height, ImageFileType::Dds, format);
            img.hasAlpha = alpha;
            const uint8_t* p = out->data.data() + level.offset;
            for (uint32_t& px : img.pixels) {
                uint32_t v = 0;
                for (uint32_t b = 0; b < pixelBytes; ++b) v |= uint32_t(p[b]) << (8 * b);
                p += pixelBytes;
                uint32_t a = alpha ? detail::ReadMaskChannel(ch[3], v) : 255u;
                if (alphaOnly) {
                    px = Argb(a, 0, 0, 0);
                } else if (luminance) {
                    uint32_t l = detail::ReadMaskChannel(ch[0], v);
                    px = Argb(a, l, l, l);
                } else {
                    px = Argb(a, detail::ReadMaskChannel(ch[0], v), detail::ReadMaskChannel(ch[1], v),
                              detail::ReadMaskChannel(ch[2], v));
                }
            }
            out->decodedLevels.push_back(std::move(img));
        }
    }
    return true;
}

bool DdsLevelToImage(const DdsImage& dds, uint32_t level, Image* out) {
    *out = Image{};
    if (level >= dds.levels.size()) return Fail("DDS level missing");
    if (!dds.compressed) {
        if (level >= dds.decodedLevels.size()) return Fail("DDS level missing");
        *out = dds.decodedLevels[level];
        return true;
    }
    const DdsLevel& l = dds.levels[level];
    if (!detail::StartImage(out, l.width, l.height, ImageFileType::Dds, dds.format)) return false;
    out->hasAlpha = dds.hasAlpha;
    if (l.offset > dds.data.size() || l.size > dds.data.size() - l.offset ||
        !DecodeDxt(dds.format, dds.data.data() + l.offset, l.size, l.width, l.height,
                   out->pixels.data())) {
        *out = Image{};
        return Fail("DDS level data short");
    }
    if (dds.format == D3DFMT_DXT1) {
        // DXT1 carries alpha only where a block uses its transparent colour.
        out->hasAlpha = std::any_of(out->pixels.begin(), out->pixels.end(),
                                    [](uint32_t p) { return (p >> 24) == 0; });
    }
    return true;
}

bool DecodeDds(const uint8_t* data, size_t size, Image* out) {
    *out = Image{};
    DdsImage dds;
    if (!ParseDds(data, size, &dds)) return false;
    return DdsLevelToImage(dds, 0, out);
}

}  // namespace gfx
