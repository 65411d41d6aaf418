// BMP: 1/4/8-bit palettised (also run-length encoded at 4 and 8 bits), 16/24/32-bit direct colour
// (default or bit-field masks), rows stored bottom-up (positive height) or top-down (negative).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gfx/image.h"
#include "platform/gfx/image_internal.h"

namespace gfx {

using detail::Argb;
using detail::Fail;
using detail::LoadU16;
using detail::LoadU32;

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

// Run-length pixels: a pair (n, v) with n > 0 is n pixels of index v (at 4 bits the two nibbles
// of v in turn); a pair (0, e) is an escape: 0 ends the line, 1 the bitmap, 2 moves the cursor
// right and up by the next two bytes, 3 and more is a literal run of e indices padded to 16 bits.
// Runs are cut at the right edge; pixels no run reaches stay transparent black.
bool DecodeRunLength(const uint8_t* p, const uint8_t* end, uint32_t bpp, const std::vector<uint32_t>& palette,
                     bool topDown, Image* out) {
    const uint32_t w = out->width, h = out->height;
    uint32_t x = 0, row = 0;  // row counts in file order
    size_t written = 0;
    auto put = [&](uint32_t index) {
        if (x >= w) return;
        uint32_t y = topDown ? row : h - 1 - row;
        out->pixels[size_t(y) * w + x++] = palette[index];
        ++written;
    };
    auto nibble = [&](uint8_t v, uint32_t i) -> uint32_t { return bpp == 8 ? v : (i & 1) ? (v & 15u) : (v >> 4); };
    // Rows only move on, so once past the last one nothing more can be drawn.
    while (row < h) {
        if (end - p < 2) return Fail("BMP run-length data truncated");
        const uint8_t n = p[0], v = p[1];
        p += 2;
        if (n > 0) {
            for (uint32_t i = 0; i < n; ++i) put(nibble(v, i));
        } else if (v == 0) {
            x = 0;
            ++row;
        } else if (v == 1) {
            break;
        } else if (v == 2) {
            if (end - p < 2) return Fail("BMP run-length data truncated");
            x = std::min(w, x + p[0]);
            row += p[1];
            p += 2;
        } else {
            const size_t bytes = bpp == 8 ? v : (v + 1u) / 2u;
            if (size_t(end - p) < bytes + (bytes & 1)) return Fail("BMP run-length data truncated");
            for (uint32_t i = 0; i < v; ++i) put(nibble(p[bpp == 8 ? i : i / 2], i));
            p += bytes + (bytes & 1);
        }
    }
    out->hasAlpha = written < size_t(w) * h;
    return true;
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Image* out) {
    *out = Image{};
    if (!data || size < 14 + 12) return Fail("BMP header truncated");
    if (data[0] != 'B' || data[1] != 'M') return Fail("not a BMP file");
    const uint32_t pixelOffset = LoadU32(data + 10);
    const uint8_t* info = data + 14;
    const uint32_t infoSize = LoadU32(info);
    if (infoSize < 12 || infoSize > size - 14) return Fail("BMP information header truncated");

    int64_t width = 0, height = 0;
    uint32_t bpp = 0, compression = BI_RGB, colorsUsed = 0;
    uint32_t paletteEntryBytes = 4;
    if (infoSize == 12) {
        // The old OS/2-style core header: 16-bit sizes, 3-byte palette entries.
        width = LoadU16(info + 4);
        height = int16_t(LoadU16(info + 6));
        bpp = LoadU16(info + 10);
        paletteEntryBytes = 3;
    } else {
        if (infoSize < 40) return Fail("BMP information header not supported");
        width = int32_t(LoadU32(info + 4));
        height = int32_t(LoadU32(info + 8));
        bpp = LoadU16(info + 14);
        compression = LoadU32(info + 16);
        colorsUsed = LoadU32(info + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return Fail("BMP size out of range");
    const uint32_t w = uint32_t(width), h = uint32_t(height);

    // Where the palette or the masks start: right after the information header.
    size_t pos = 14 + size_t(infoSize);

    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool haveMasks = false;
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        if (bpp != 16 && bpp != 32) return Fail("BMP bit fields need 16 or 32 bits");
        uint32_t n = compression == BI_ALPHABITFIELDS ? 4 : 3;
        if (infoSize >= 52) {
            // Version 3 extensions and later carry the masks inside the header.
            for (uint32_t i = 0; i < 3; ++i) masks[i] = LoadU32(info + 40 + 4 * i);
            if (infoSize >= 56) masks[3] = LoadU32(info + 52);
        } else {
            if (size_t(n) * 4 > size - pos) return Fail("BMP masks truncated");
            for (uint32_t i = 0; i < n; ++i) masks[i] = LoadU32(data + pos + 4 * i);
            pos += size_t(n) * 4;
        }
        haveMasks = true;
    } else if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (bpp != (compression == BI_RLE8 ? 8u : 4u)) return Fail("BMP run-length coding does not fit the bit count");
    } else if (compression != BI_RGB) {
        return Fail("BMP compression not supported");
    }

    Format format = D3DFMT_UNKNOWN;
    std::vector<uint32_t> palette;
    switch (bpp) {
    case 1:
    case 4:
    case 8: {
        format = D3DFMT_P8;
        uint32_t maxColors = 1u << bpp;
        uint32_t n = colorsUsed == 0 ? maxColors : colorsUsed;
        if (n > maxColors) n = maxColors;
        if (size_t(n) * paletteEntryBytes > size - pos) return Fail("BMP palette truncated");
        // Indices past the stored entries read as black.
        palette.assign(maxColors, Argb(255, 0, 0, 0));
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* e = data + pos + size_t(i) * paletteEntryBytes;
            palette[i] = Argb(255, e[2], e[1], e[0]);
        }
        break;
    }
    case 16:
        if (!haveMasks) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
        format = masks[3] ? D3DFMT_A1R5G5B5
                          : (masks[1] == 0x07E0 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5);
        break;
    case 24: format = D3DFMT_R8G8B8; break;
    case 32:
        // Without masks the fourth byte is reserved, not alpha.
        if (!haveMasks) {
            masks[0] = 0x00FF0000;
            masks[1] = 0x0000FF00;
            masks[2] = 0x000000FF;
        }
        format = masks[3] ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        break;
    default: return Fail("BMP bit count not supported");
    }

    detail::MaskChannel ch[4];
    if (bpp == 16 || bpp == 32) {
        for (int i = 0; i < 4; ++i)
            if (!detail::MakeMaskChannel(masks[i], &ch[i])) return Fail("BMP mask not contiguous");
    }

    if (pixelOffset > size) return Fail("BMP truncated in the pixel data");
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        detail::StartImage(out, w, h, ImageFileType::Bmp, format);
        if (DecodeRunLength(data + pixelOffset, data + size, bpp, palette, topDown, out)) return true;
        *out = Image{};
        return false;
    }
    const size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
    if (stride * h > size - pixelOffset) return Fail("BMP truncated in the pixel data");

    detail::StartImage(out, w, h, ImageFileType::Bmp, format);
    out->hasAlpha = masks[3] != 0;
    for (uint32_t row = 0; row < h; ++row) {
        const uint8_t* src = data + pixelOffset + size_t(row) * stride;
        uint32_t y = topDown ? row : h - 1 - row;
        uint32_t* dst = &out->pixels[size_t(y) * w];
        for (uint32_t x = 0; x < w; ++x) {
            switch (bpp) {
            case 1: dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
            case 8: dst[x] = palette[src[x]]; break;
            case 24: dst[x] = Argb(255, src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
            default: {
                uint32_t v = bpp == 16 ? LoadU16(src + 2 * x) : LoadU32(src + 4 * x);
                uint32_t a = ch[3].mask ? detail::ReadMaskChannel(ch[3], v) : 255u;
                dst[x] = Argb(a, detail::ReadMaskChannel(ch[0], v), detail::ReadMaskChannel(ch[1], v),
                              detail::ReadMaskChannel(ch[2], v));
                break;
            }
            }
        }
    }
    return true;
}

}  // namespace gfx
