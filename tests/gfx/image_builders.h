// Test-side writers of small image files (TGA, BMP, GIF, DDS) from stored values, so decoders
// can be checked on many variants. They follow the file formats, not the decoders: each test
// file also has hand-made byte arrays.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace imgtest {

using Bytes = std::vector<uint8_t>;

inline void Put8(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); }
inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutStr(Bytes& b, const char* s) {
    for (; *s; ++s) b.push_back(uint8_t(*s));
}

// A channel of `bits` stored bits as an 8-bit value, by rounding v * 255 / max.
inline uint32_t Scale(uint32_t v, uint32_t bits) {
    uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}

inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// ---- TGA ------------------------------------------------------------------------------
struct TgaLayout {
    uint8_t type = 2;            // 1 colour-mapped, 2 true colour, 3 grey; +8 for RLE
    uint8_t depth = 24;          // bits per stored pixel
    uint8_t descriptor = 0;      // alpha bits | 0x10 right-to-left | 0x20 top-down
    uint16_t width = 0, height = 0;
    std::string id;              // image id field
    uint16_t mapFirst = 0;
    uint8_t mapEntryBits = 0;    // 0: no colour map
    Bytes map;                   // stored colour-map entries
    bool footer = false;
};

// `stored` holds the stored pixels (depth/8 bytes each) in file order.
inline Bytes BuildTga(const TgaLayout& s, const Bytes& stored) {
    Bytes b;
    uint32_t entryBytes = (s.mapEntryBits + 7) / 8;
    uint32_t mapLength = entryBytes ? uint32_t(s.map.size() / entryBytes) : 0;
    Put8(b, uint32_t(s.id.size()));
    Put8(b, s.mapEntryBits ? 1 : 0);
    Put8(b, s.type);
    Put16(b, s.mapFirst);
    Put16(b, mapLength);
    Put8(b, s.mapEntryBits);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, s.width);
    Put16(b, s.height);
    Put8(b, s.depth);
    Put8(b, s.descriptor);
    PutStr(b, s.id.c_str());
    b.insert(b.end(), s.map.begin(), s.map.end());
    uint32_t px = (s.depth + 7) / 8;
    if (s.type < 9) {
        b.insert(b.end(), stored.begin(), stored.end());
    } else {
        // Runs of equal pixels become run packets, the rest raw packets; packets may cross rows.
        size_t n = stored.size() / px, i = 0;
        auto same = [&](size_t a, size_t c) {
            return std::memcmp(&stored[a * px], &stored[c * px], px) == 0;
        };
        while (i < n) {
            size_t run = 1;
            while (i + run < n && run < 128 && same(i, i + run)) ++run;
            if (run >= 2) {
                Put8(b, 0x80 | uint32_t(run - 1));
                b.insert(b.end(), &stored[i * px], &stored[i * px] + px);
                i += run;
            } else {
                size_t raw = 1;
                while (i + raw < n && raw < 128 && !(i + raw + 1 < n && same(i + raw, i + raw + 1))) ++raw;
                Put8(b, uint32_t(raw - 1));
                b.insert(b.end(), &stored[i * px], &stored[i * px] + raw * px);
                i += raw;
            }
        }
    }
    if (s.footer) {
        Put32(b, 0);
        Put32(b, 0);
        PutStr(b, "TRUEVISION-XFILE.");
        Put8(b, 0);
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
        Put32(info, 12);
        Put16(info, uint32_t(s.width));
        Put16(info, uint32_t(s.height));
        Put16(info, 1);
        Put16(info, s.bpp);
    } else {
        Put32(info, s.infoSize);
        Put32(info, uint32_t(s.width));
        Put32(info, uint32_t(s.height));
        Put16(info, 1);
        Put16(info, s.bpp);
        Put32(info, s.compression);
        Put32(info, 0);
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, s.colorsUsed);
        Put32(info, 0);
        if (s.infoSize >= 108)
            for (uint32_t m : s.masks) Put32(info, m);
        while (info.size() < s.infoSize) Put8(info, 0);
    }
    Bytes extra;
    if (s.infoSize == 40 && s.compression == 3)
        for (int i = 0; i < 3; ++i) Put32(extra, s.masks[i]);
    uint32_t stride = ((uint32_t(s.width < 0 ? -s.width : s.width) * s.bpp + 31) / 32) * 4;
    uint32_t offset = 14 + uint32_t(info.size() + extra.size() + s.palette.size());
    const bool coded = s.compression == 1 || s.compression == 2;
    uint32_t total = offset;
    for (const Bytes& r : rows) total += coded ? uint32_t(r.size()) : stride;
    Bytes b;
    PutStr(b, "BM");
    Put32(b, total);
    Put32(b, 0);
    Put32(b, offset);
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), extra.begin(), extra.end());
    b.insert(b.end(), s.palette.begin(), s.palette.end());
    for (const Bytes& r : rows) {
        Bytes row = r;
        if (!coded) row.resize(stride, 0);
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// ---- GIF ------------------------------------------------------------------------------
// LZW "compression" that writes each index as a literal. The code width follows the format's
// rule as a reader sees it: every code after the first one following a clear defines an entry,
// and the width grows when the next entry number reaches 1 << width. A clear code is sent
// before the width would pass `maxBits`.
inline Bytes LzwLiterals(const std::vector<uint8_t>& indices, uint32_t minCodeSize) {
    const uint32_t clear = 1u << minCodeSize, end = clear + 1;
    Bytes out;
    uint32_t acc = 0, nbits = 0;
    uint32_t width = minCodeSize + 1, next = end + 1;
    bool first = true;
    auto emit = [&](uint32_t code) {
        acc |= code << nbits;
        nbits += width;
        while (nbits >= 8) {
            out.push_back(uint8_t(acc));
            acc >>= 8;
            nbits -= 8;
        }
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
        if (!first) {
            ++next;
            if (next == (1u << width) && width < 12) ++width;
        }
        first = false;
    }
    emit(end);
    if (nbits) out.push_back(uint8_t(acc));
    return out;
}

inline void PutSubBlocks(Bytes& b, const Bytes& data) {
    size_t i = 0;
    while (i < data.size()) {
        size_t n = std::min<size_t>(255, data.size() - i);
        Put8(b, uint32_t(n));
        b.insert(b.end(), data.begin() + long(i), data.begin() + long(i + n));
        i += n;
    }
    Put8(b, 0);
}

struct GifLayout {
    uint16_t screenW = 0, screenH = 0;
    uint16_t left = 0, top = 0, frameW = 0, frameH = 0;
    std::vector<uint32_t> globalTable;  // 0xRRGGBB entries (power of two, 2..256)
    std::vector<uint32_t> localTable;
    int transparent = -1;
    bool interlaced = false;
    uint32_t minCodeSize = 8;
    bool extraExtension = false;        // a comment extension before the frame
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
    Put16(b, s.screenW);
    Put16(b, s.screenH);
    Put8(b, s.globalTable.empty() ? 0 : 0x80 | TableBits(s.globalTable.size()));
    Put8(b, 0);
    Put8(b, 0);
    for (uint32_t c : s.globalTable) {
        Put8(b, c >> 16);
        Put8(b, c >> 8);
        Put8(b, c);
    }
    if (s.extraExtension) {
        Put8(b, 0x21);
        Put8(b, 0xFE);
        Bytes text{'h', 'i'};
        PutSubBlocks(b, text);
    }
    if (s.transparent >= 0) {
        Put8(b, 0x21);
        Put8(b, 0xF9);
        Put8(b, 4);
        Put8(b, 1);
        Put16(b, 0);
        Put8(b, uint32_t(s.transparent));
        Put8(b, 0);
    }
    Put8(b, 0x2C);
    Put16(b, s.left);
    Put16(b, s.top);
    Put16(b, s.frameW);
    Put16(b, s.frameH);
    uint32_t flags = s.interlaced ? 0x40 : 0;
    if (!s.localTable.empty()) flags |= 0x80 | TableBits(s.localTable.size());
    Put8(b, flags);
    for (uint32_t c : s.localTable) {
        Put8(b, c >> 16);
        Put8(b, c >> 8);
        Put8(b, c);
    }
    std::vector<uint8_t> order;
    if (!s.interlaced) {
        order = indices;
    } else {
        const uint32_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (uint32_t y = start[p]; y < s.frameH; y += step[p])
                order.insert(order.end(), indices.begin() + long(y) * s.frameW,
                             indices.begin() + long(y + 1) * s.frameW);
    }
    Put8(b, s.minCodeSize);
    PutSubBlocks(b, LzwLiterals(order, s.minCodeSize));
    Put8(b, 0x3B);
    return b;
}

// ---- DDS ------------------------------------------------------------------------------
struct DdsLayout {
    uint32_t width = 0, height = 0;
    uint32_t mipCount = 0;       // written with the mip-count flag when above 0
    uint32_t pfFlags = 0x4;      // 0x4 four-cc, 0x40 RGB, 0x1 alpha pixels, 0x20000 luminance
    uint32_t fourCC = 0;
    uint32_t bitCount = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    uint32_t caps2 = 0;
};

inline uint32_t FourCC(const char* s) {
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) |
           (uint32_t(uint8_t(s[2])) << 16) | (uint32_t(uint8_t(s[3])) << 24);
}

inline Bytes BuildDds(const DdsLayout& s, const Bytes& payload) {
    Bytes b;
    PutStr(b, "DDS ");
    Put32(b, 124);
    Put32(b, 0x1007 | (s.mipCount ? 0x20000u : 0u));
    Put32(b, s.height);
    Put32(b, s.width);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, s.mipCount);
    for (int i = 0; i < 11; ++i) Put32(b, 0);
    Put32(b, 32);
    Put32(b, s.pfFlags);
    Put32(b, s.fourCC);
    Put32(b, s.bitCount);
    for (uint32_t m : s.masks) Put32(b, m);
    Put32(b, 0x1000 | (s.mipCount > 1 ? 0x400008u : 0u));
    Put32(b, s.caps2);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

}  // namespace imgtest
