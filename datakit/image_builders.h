// Test-side writers of small image files (TGA, BMP, GIF, DDS) from stored values, so decoders
// can be checked on many variants. They follow the file formats, not the decoders: each test
// file also has hand-made byte arrays.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace imgtest {

using Bytes = std::vector<uint8_t>;

// Little-endian fields of `width` bytes each.
inline void Put(Bytes& b, uint32_t width, std::initializer_list<uint32_t> values) {
    for (uint32_t v : values)
        for (uint32_t i = 0; i < width; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutStr(Bytes& b, const char* s) {
    for (; *s; ++s) b.push_back(uint8_t(*s));
}
inline void PutRgb(Bytes& b, const std::vector<uint32_t>& table) {
    for (uint32_t c : table) b.insert(b.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
}

// ---- TGA ------------------------------------------------------------------------------
struct TgaLayout {
    uint8_t type = 2;          // 2 true colour, 3 grey; +8 for RLE
    uint8_t depth = 24;        // bits per stored pixel
    uint8_t descriptor = 0;    // alpha bits | 0x10 right-to-left | 0x20 top-down
    uint16_t width = 0, height = 0;
    bool footer = false;
};

// `stored` holds the stored pixels (depth/8 bytes each) in file order.
inline Bytes BuildTga(const TgaLayout& s, const Bytes& stored) {
    Bytes b;
    Put(b, 1, {0, 0, s.type, 0, 0, 0, 0, 0});  // no id, no colour map
    Put(b, 2, {0, 0, s.width, s.height});
    Put(b, 1, {s.depth, s.descriptor});
    const size_t px = (s.depth + 7) / 8, n = stored.size() / px;
    auto same = [&](size_t a, size_t c) { return std::memcmp(&stored[a * px], &stored[c * px], px) == 0; };
    // Runs of equal pixels become run packets, the rest raw packets; packets may cross rows.
    for (size_t i = 0; s.type >= 9 && i < n;) {
        size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run)) ++run;
        if (run < 2)
            while (i + run < n && run < 128 && !(i + run + 1 < n && same(i + run, i + run + 1))) ++run;
        const bool packed = run >= 2 && same(i, i + 1);
        b.push_back(uint8_t((packed ? 0x80 : 0) | (run - 1)));
        b.insert(b.end(), &stored[i * px], &stored[i * px] + (packed ? 1 : run) * px);
        i += run;
    }
    if (s.type < 9) b.insert(b.end(), stored.begin(), stored.end());
    if (s.footer) {
        Put(b, 4, {0, 0});
        PutStr(b, "TRUEVISION-XFILE.");
        b.push_back(0);
    }
    return b;
}

// ---- BMP ------------------------------------------------------------------------------
struct BmpLayout {
    int32_t width = 0, height = 0;  // negative height: top-down rows
    uint16_t bpp = 24;
    uint32_t compression = 0;       // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
    uint32_t masks[4] = {0, 0, 0, 0};
    uint32_t infoSize = 40;         // 12 core, 40, 108 or 124
    Bytes palette;                  // 4 bytes per entry (3 with the core header)
    uint32_t colorsUsed = 0;
};

// `rows` are the stored rows in file order, each exactly ceil(w*bpp/8) bytes; padding is added.
// Run-length files take `rows` as the coded data, written as given.
inline Bytes BuildBmp(const BmpLayout& s, const std::vector<Bytes>& rows) {
    Bytes info;
    if (s.infoSize == 12) {
        Put(info, 4, {12});
        Put(info, 2, {uint32_t(s.width), uint32_t(s.height), 1, s.bpp});
    } else {
        Put(info, 4, {s.infoSize, uint32_t(s.width), uint32_t(s.height)});
        Put(info, 2, {1, s.bpp});
        Put(info, 4, {s.compression, 0, 2835, 2835, s.colorsUsed, 0});
        if (s.infoSize >= 108) Put(info, 4, {s.masks[0], s.masks[1], s.masks[2], s.masks[3]});
        info.resize(std::max<size_t>(info.size(), s.infoSize), 0);
    }
    // Bit fields after a 40-byte header follow it.
    if (s.infoSize == 40 && s.compression == 3) Put(info, 4, {s.masks[0], s.masks[1], s.masks[2]});
    const uint32_t stride = ((uint32_t(std::abs(s.width)) * s.bpp + 31) / 32) * 4;
    const bool coded = s.compression == 1 || s.compression == 2;
    Bytes pixels;
    for (Bytes row : rows) {
        if (!coded) row.resize(stride, 0);
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    const uint32_t offset = 14 + uint32_t(info.size() + s.palette.size());
    Bytes b;
    PutStr(b, "BM");
    Put(b, 4, {offset + uint32_t(pixels.size()), 0, offset});
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), s.palette.begin(), s.palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// ---- GIF ------------------------------------------------------------------------------
// LZW "compression" that writes each index as a literal. The code width follows the format's
// rule as a reader sees it: every code after the first one following a clear defines an entry,
// and the width grows when the next entry number reaches 1 << width. A clear code is sent
// before the width would pass 12 bits.
inline Bytes LzwLiterals(const std::vector<uint8_t>& indices, uint32_t minCodeSize) {
    const uint32_t clear = 1u << minCodeSize, end = clear + 1;
    Bytes out;
    uint32_t acc = 0, nbits = 0, width = minCodeSize + 1, next = end + 1;
    bool first = true;
    auto emit = [&](uint32_t code) {
        acc |= code << nbits;
        for (nbits += width; nbits >= 8; nbits -= 8, acc >>= 8) out.push_back(uint8_t(acc));
    };
    emit(clear);
    for (uint8_t idx : indices) {
        if (!first && next + 2 >= (1u << 12)) {
            emit(clear);
            width = minCodeSize + 1;
            next = end + 1;
            first = true;
        }
        emit(idx);
        if (!first && ++next == (1u << width) && width < 12) ++width;
        first = false;
    }
    emit(end);
    if (nbits) out.push_back(uint8_t(acc));
    return out;
}

struct GifLayout {
    uint16_t screenW = 0, screenH = 0;
    uint16_t left = 0, top = 0, frameW = 0, frameH = 0;
    std::vector<uint32_t> globalTable;  // 0xRRGGBB entries (power of two, 2..256)
    std::vector<uint32_t> localTable;
    int transparent = -1;
    bool interlaced = false;
    uint32_t minCodeSize = 8;
};

inline uint32_t TableBits(size_t n) {
    uint32_t bits = 0;
    while ((2u << bits) < n) ++bits;
    return bits;
}

// `indices` in display order (row 0 first); interlaced frames are reordered here.
inline Bytes BuildGif(const GifLayout& s, const std::vector<uint8_t>& indices) {
    Bytes b;
    PutStr(b, "GIF89a");
    Put(b, 2, {s.screenW, s.screenH});
    Put(b, 1, {s.globalTable.empty() ? 0 : 0x80 | TableBits(s.globalTable.size()), 0, 0});
    PutRgb(b, s.globalTable);
    if (s.transparent >= 0) Put(b, 1, {0x21, 0xF9, 4, 1, 0, 0, uint32_t(s.transparent), 0});
    Put(b, 1, {0x2C});
    Put(b, 2, {s.left, s.top, s.frameW, s.frameH});
    Put(b, 1, {(s.interlaced ? 0x40 : 0) | (s.localTable.empty() ? 0 : 0x80 | TableBits(s.localTable.size()))});
    PutRgb(b, s.localTable);
    std::vector<uint8_t> order;
    const uint32_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < (s.interlaced ? 4 : 1); ++p)
        for (uint32_t y = s.interlaced ? start[p] : 0; y < s.frameH; y += s.interlaced ? step[p] : 1)
            order.insert(order.end(), indices.begin() + long(y) * s.frameW, indices.begin() + long(y + 1) * s.frameW);
    Put(b, 1, {s.minCodeSize});
    const Bytes data = LzwLiterals(order, s.minCodeSize);
    for (size_t i = 0; i < data.size(); i += 255) {  // sub-blocks of at most 255 bytes
        b.push_back(uint8_t(std::min<size_t>(255, data.size() - i)));
        b.insert(b.end(), data.begin() + long(i), data.begin() + long(std::min(data.size(), i + 255)));
    }
    Put(b, 1, {0, 0x3B});
    return b;
}

// ---- DDS ------------------------------------------------------------------------------
struct DdsLayout {
    uint32_t width = 0, height = 0;
    uint32_t mipCount = 0;   // written with the mip-count flag when above 0
    uint32_t pfFlags = 0x4;  // 0x4 four-cc, 0x40 RGB, 0x1 alpha pixels, 0x20000 luminance
    uint32_t fourCC = 0;
    uint32_t bitCount = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    uint32_t caps2 = 0;
};

inline uint32_t FourCC(const char* s) {
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) | (uint32_t(uint8_t(s[2])) << 16) |
           (uint32_t(uint8_t(s[3])) << 24);
}

inline Bytes BuildDds(const DdsLayout& s, const Bytes& payload) {
    Bytes b;
    PutStr(b, "DDS ");
    Put(b, 4, {124, 0x1007 | (s.mipCount ? 0x20000u : 0u), s.height, s.width, 0, 0, s.mipCount});
    Put(b, 4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Put(b, 4, {32, s.pfFlags, s.fourCC, s.bitCount, s.masks[0], s.masks[1], s.masks[2], s.masks[3]});
    Put(b, 4, {0x1000 | (s.mipCount > 1 ? 0x400008u : 0u), s.caps2, 0, 0, 0});
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

}  // namespace imgtest
