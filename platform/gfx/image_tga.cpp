// TGA: colour-mapped, true-colour and grey images, raw or run-length encoded, 8/15/16/24/32 bits,
// with any of the four origins. The footer (if any) needs no reading: the header says it all.
#include <algorithm>

#include "platform/gfx/image.h"
#include "platform/gfx/image_internal.h"

namespace gfx {

using detail::Argb;
using detail::Expand;
using detail::Fail;

namespace {

constexpr size_t kHeaderBytes = 18;

// 16-bit TGA pixels are X1R5G5B5 (A1R5G5B5 when the header announces an alpha bit).
uint32_t From16(uint16_t v, bool alpha) {
    uint32_t a = alpha ? ((v & 0x8000) ? 255u : 0u) : 255u;
    return Argb(a, Expand((v >> 10) & 31, 5), Expand((v >> 5) & 31, 5), Expand(v & 31, 5));
}

// One stored pixel (or colour-map entry) of `bytes` bytes to 0xAARRGGBB.
uint32_t ReadTruecolor(const uint8_t* p, uint32_t bytes, bool alpha16) {
    switch (bytes) {
    case 2: return From16(detail::LoadU16(p), alpha16);
    case 3: return Argb(255, p[2], p[1], p[0]);
    default: return Argb(p[3], p[2], p[1], p[0]);
    }
}

}  // namespace

bool DecodeTga(const uint8_t* data, size_t size, Image* out) {
    *out = Image{};
    if (!data || size < kHeaderBytes) return Fail("TGA header truncated");
    const uint8_t idLength = data[0];
    const uint8_t mapType = data[1];
    const uint8_t type = data[2];
    const uint16_t mapFirst = detail::LoadU16(data + 3);
    const uint16_t mapLength = detail::LoadU16(data + 5);
    const uint8_t mapEntryBits = data[7];
    const uint32_t width = detail::LoadU16(data + 12);
    const uint32_t height = detail::LoadU16(data + 14);
    const uint8_t depth = data[16];
    const uint8_t descriptor = data[17];

    const bool rle = type >= 9;
    const uint8_t baseType = rle ? type - 8 : type;
    if (mapType > 1 || baseType < 1 || baseType > 3) return Fail("TGA image type not supported");
    if (!detail::CheckSize(width, height)) return Fail("TGA size out of range");

    const uint32_t alphaBits = descriptor & 0x0F;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const bool topDown = (descriptor & 0x20) != 0;

    size_t pos = kHeaderBytes + idLength;
    if (pos > size) return Fail("TGA truncated in the image id");

    // The colour map, read whether or not the image uses it (it always precedes the pixels).
    std::vector<uint32_t> palette;
    uint32_t mapEntryBytes = 0;
    if (mapType == 1) {
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            return Fail("TGA colour-map entry size not supported");
        mapEntryBytes = (mapEntryBits + 7u) / 8u;
        size_t mapBytes = size_t(mapLength) * mapEntryBytes;
        if (mapBytes > size - pos) return Fail("TGA truncated in the colour map");
        // Indices below the map's first entry or past its end read as opaque black.
        palette.assign(size_t(mapFirst) + mapLength, Argb(255, 0, 0, 0));
        for (uint32_t i = 0; i < mapLength; ++i)
            palette[size_t(mapFirst) + i] =
                ReadTruecolor(data + pos + size_t(i) * mapEntryBytes, mapEntryBytes,
                              mapEntryBits == 16 && alphaBits > 0);
        pos += mapBytes;
    }

    Format format = D3DFMT_UNKNOWN;
    uint32_t pixelBytes = 0;
    switch (baseType) {
    case 1:  // colour-mapped
        if (mapType != 1) return Fail("TGA colour-mapped image without a colour map");
        if (depth != 8 && depth != 16) return Fail("TGA index size not supported");
        pixelBytes = depth / 8u;
        format = D3DFMT_P8;
        break;
    case 2:  // true colour
        if (depth == 15 || depth == 16) {
            pixelBytes = 2;
            format = alphaBits > 0 && depth == 16 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
        } else if (depth == 24) {
            pixelBytes = 3;
            format = D3DFMT_R8G8B8;
        } else if (depth == 32) {
            pixelBytes = 4;
            format = D3DFMT_A8R8G8B8;
        } else {
            return Fail("TGA pixel depth not supported");
        }
        break;
    default:  // grey, optionally with alpha
        if (depth != 8 && depth != 16) return Fail("TGA grey depth not supported");
        pixelBytes = depth / 8u;
        format = depth == 8 ? D3DFMT_L8 : D3DFMT_A8L8;
        break;
    }

    const size_t count = size_t(width) * height;
    const size_t remaining = size - pos;
    if (!rle) {
        if (count * pixelBytes > remaining) return Fail("TGA truncated in the pixel data");
    } else {
        // Each packet (at least 1 + pixelBytes bytes) gives at most 128 pixels; refuse headers
        // that promise more pixels than the data could ever hold before allocating for them.
        size_t maxPixels = remaining / (1 + pixelBytes) * 128 + 128;
        if (count > maxPixels) return Fail("TGA truncated in the pixel data");
    }

    // The stored pixel stream in file order, then placed by the origin bits.
    std::vector<uint32_t> stream(count);
    const bool alpha16 = alphaBits > 0 && depth == 16;
    auto convert = [&](const uint8_t* p) -> uint32_t {
        switch (baseType) {
        case 1: {
            uint32_t index = pixelBytes == 1 ? p[0] : detail::LoadU16(p);
            return index < palette.size() ? palette[index] : Argb(255, 0, 0, 0);
        }
        case 2: return ReadTruecolor(p, pixelBytes, alpha16);
        default: return pixelBytes == 1 ? Argb(255, p[0], p[0], p[0]) : Argb(p[1], p[0], p[0], p[0]);
        }
    };

    const uint8_t* src = data + pos;
    const uint8_t* end = data + size;
    if (!rle) {
        for (size_t i = 0; i < count; ++i) stream[i] = convert(src + i * pixelBytes);
    } else {
        size_t i = 0;
        while (i < count) {
            if (src >= end) return Fail("TGA run-length data truncated");
            uint8_t head = *src++;
            size_t n = size_t(head & 0x7F) + 1;
            // A packet running past the last pixel is cut there.
            size_t take = std::min(n, count - i);
            if (head & 0x80) {
                if (size_t(end - src) < pixelBytes) return Fail("TGA run-length data truncated");
                uint32_t v = convert(src);
                src += pixelBytes;
                std::fill_n(stream.begin() + i, take, v);
            } else {
                if (size_t(end - src) < n * pixelBytes) return Fail("TGA run-length data truncated");
                for (size_t k = 0; k < take; ++k) stream[i + k] = convert(src + k * pixelBytes);
                src += n * pixelBytes;
            }
            i += take;
        }
    }

    detail::StartImage(out, width, height, ImageFileType::Tga, format);
    for (uint32_t row = 0; row < height; ++row) {
        uint32_t y = topDown ? row : height - 1 - row;
        const uint32_t* line = &stream[size_t(row) * width];
        uint32_t* dst = &out->pixels[size_t(y) * width];
        for (uint32_t x = 0; x < width; ++x) dst[rightToLeft ? width - 1 - x : x] = line[x];
    }

    switch (format) {
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A8L8: out->hasAlpha = true; break;
    case D3DFMT_A8R8G8B8: {
        // Many writers leave the alpha-bit count at 0 for 32-bit images that do carry alpha, so
        // the alpha bytes are trusted, except when every one is 0: that image means "opaque".
        bool anyAlpha = std::any_of(out->pixels.begin(), out->pixels.end(),
                                    [](uint32_t p) { return (p >> 24) != 0; });
        if (anyAlpha || alphaBits > 0) {
            out->hasAlpha = true;
        } else {
            for (uint32_t& p : out->pixels) p |= 0xFF000000u;
            out->sourceFormat = D3DFMT_X8R8G8B8;
        }
        break;
    }
    case D3DFMT_P8:
        out->hasAlpha = mapEntryBits == 32 || (mapEntryBits == 16 && alphaBits > 0);
        break;
    default: break;
    }
    return true;
}

}  // namespace gfx
