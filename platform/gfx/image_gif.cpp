// GIF: the first frame only, placed on the logical screen; the transparent index (from the
// graphic control extension before that frame) and any screen area the frame leaves uncovered
// become transparent black.
#include <algorithm>
#include <cstring>

#include "platform/gfx/image.h"
#include "platform/gfx/image_internal.h"

namespace gfx {

using detail::Argb;
using detail::Fail;
using detail::LoadU16;

namespace {

struct Cursor {
    const uint8_t* p;
    const uint8_t* end;
    size_t left() const { return size_t(end - p); }
};

// Skips a chain of data sub-blocks up to and including its zero-length terminator.
bool SkipSubBlocks(Cursor& c) {
    for (;;) {
        if (c.left() < 1) return false;
        uint8_t n = *c.p++;
        if (n == 0) return true;
        if (c.left() < n) return false;
        c.p += n;
    }
}

// Reads the LZW code stream of one frame (its sub-blocks) and writes at most `count` colour
// indices. False for a truncated or corrupt stream or one that ends before `count` indices.
bool DecodeLzw(Cursor& c, uint32_t minCodeSize, size_t count, std::vector<uint8_t>* indices) {
    constexpr uint32_t kMaxCodes = 4096;
    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;

    // Each dictionary entry is its prefix entry plus one last index; `first` is the first index
    // of the whole string and `length` its length, so a string can be written back to front.
    std::vector<uint16_t> prefix(kMaxCodes);
    std::vector<uint8_t> suffix(kMaxCodes), first(kMaxCodes);
    std::vector<uint16_t> length(kMaxCodes);
    for (uint32_t i = 0; i < clearCode; ++i) {
        prefix[i] = 0;
        suffix[i] = uint8_t(i);
        first[i] = uint8_t(i);
        length[i] = 1;
    }

    uint32_t codeSize = minCodeSize + 1;
    uint32_t nextCode = endCode + 1;
    int32_t previous = -1;

    uint32_t bitBuffer = 0, bitCount = 0;
    uint32_t blockLeft = 0;

    indices->clear();
    indices->reserve(std::min<size_t>(count, 1u << 20));
    std::vector<uint8_t> scratch(kMaxCodes);

    for (;;) {
        while (bitCount < codeSize) {
            if (blockLeft == 0) {
                if (c.left() < 1) return Fail("GIF image data truncated");
                blockLeft = *c.p++;
                if (blockLeft == 0) return Fail("GIF image data ended early");
                if (c.left() < blockLeft) return Fail("GIF image data truncated");
            }
            bitBuffer |= uint32_t(*c.p++) << bitCount;
            bitCount += 8;
            --blockLeft;
        }
        uint32_t code = bitBuffer & ((1u << codeSize) - 1);
        bitBuffer >>= codeSize;
        bitCount -= codeSize;

        if (code == clearCode) {
            codeSize = minCodeSize + 1;
            nextCode = endCode + 1;
            previous = -1;
            continue;
        }
        if (code == endCode) break;

        uint32_t emitCode;
        uint8_t firstIndex;
        if (code < nextCode) {
            emitCode = code;
            firstIndex = first[code];
        } else if (code == nextCode && previous >= 0) {
            // The code being defined right now: the previous string plus its own first index.
            emitCode = uint32_t(previous);
            firstIndex = first[previous];
        } else {
            return Fail("GIF image data corrupt");
        }
        if (emitCode == clearCode || emitCode == endCode) return Fail("GIF image data corrupt");

        // Write the string back to front.
        uint32_t len = length[emitCode];
        uint32_t k = emitCode;
        for (uint32_t i = len; i-- > 0;) {
            scratch[i] = suffix[k];
            k = prefix[k];
        }
        for (uint32_t i = 0; i < len && indices->size() < count; ++i) indices->push_back(scratch[i]);
        if (code == nextCode && indices->size() < count) indices->push_back(firstIndex);

        if (previous >= 0 && nextCode < kMaxCodes) {
            prefix[nextCode] = uint16_t(previous);
            suffix[nextCode] = firstIndex;
            first[nextCode] = first[previous];
            length[nextCode] = uint16_t(length[previous] + 1);
            ++nextCode;
            if (nextCode == (1u << codeSize) && codeSize < 12) ++codeSize;
        }
        previous = int32_t(code);
        if (indices->size() >= count) break;
    }
    if (indices->size() < count) return Fail("GIF image data ended early");

    // Step over whatever is left of the frame's sub-blocks.
    c.p += blockLeft;
    if (!SkipSubBlocks(c)) return Fail("GIF image data truncated");
    return true;
}

bool ReadColorTable(Cursor& c, uint32_t entries, std::vector<uint32_t>* table) {
    if (c.left() < size_t(entries) * 3) return false;
    table->assign(256, Argb(255, 0, 0, 0));
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* e = c.p + size_t(i) * 3;
        (*table)[i] = Argb(255, e[0], e[1], e[2]);
    }
    c.p += size_t(entries) * 3;
    return true;
}

}  // namespace

bool DecodeGif(const uint8_t* data, size_t size, Image* out) {
    *out = Image{};
    if (!data || size < 13) return Fail("GIF header truncated");
    if (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0)
        return Fail("not a GIF file");
    Cursor c{data + 6, data + size};
    uint32_t screenW = LoadU16(c.p), screenH = LoadU16(c.p + 2);
    uint8_t flags = c.p[4];
    c.p += 7;
    std::vector<uint32_t> globalTable;
    if (flags & 0x80) {
        if (!ReadColorTable(c, 2u << (flags & 7), &globalTable))
            return Fail("GIF colour table truncated");
    }

    int32_t transparent = -1;
    for (;;) {
        if (c.left() < 1) return Fail("GIF has no image");
        uint8_t tag = *c.p++;
        if (tag == 0x3B) return Fail("GIF has no image");
        if (tag == 0x21) {
            if (c.left() < 1) return Fail("GIF extension truncated");
            uint8_t label = *c.p++;
            if (label == 0xF9) {
                // Graphic control: block of 4 bytes, flag bit 0 = transparent index valid.
                if (c.left() < 5 || c.p[0] < 4) return Fail("GIF extension truncated");
                uint8_t gceFlags = c.p[1];
                transparent = (gceFlags & 1) ? int32_t(c.p[4]) : -1;
            }
            if (!SkipSubBlocks(c)) return Fail("GIF extension truncated");
            continue;
        }
        if (tag != 0x2C) return Fail("GIF block unknown");

        if (c.left() < 9) return Fail("GIF image descriptor truncated");
        uint32_t left = LoadU16(c.p), top = LoadU16(c.p + 2);
        uint32_t frameW = LoadU16(c.p + 4), frameH = LoadU16(c.p + 6);
        uint8_t frameFlags = c.p[8];
        c.p += 9;
        std::vector<uint32_t> localTable;
        if (frameFlags & 0x80) {
            if (!ReadColorTable(c, 2u << (frameFlags & 7), &localTable))
                return Fail("GIF colour table truncated");
        }
        const std::vector<uint32_t>& table = localTable.empty() ? globalTable : localTable;
        if (table.empty()) return Fail("GIF without a colour table");
        if (!detail::CheckSize(frameW, frameH)) return Fail("GIF frame size out of range");
        // Some writers leave the screen size 0; the frame then defines it.
        if (screenW == 0 || screenH == 0) {
            screenW = left + frameW;
            screenH = top + frameH;
        }
        if (!detail::CheckSize(screenW, screenH)) return Fail("GIF size out of range");

        if (c.left() < 1) return Fail("GIF image data truncated");
        uint32_t minCodeSize = *c.p++;
        if (minCodeSize < 1 || minCodeSize > 8) return Fail("GIF code size invalid");
        std::vector<uint8_t> indices;
        if (!DecodeLzw(c, minCodeSize, size_t(frameW) * frameH, &indices)) return false;

        detail::StartImage(out, screenW, screenH, ImageFileType::Gif, D3DFMT_P8);
        bool uncovered = left > 0 || top > 0 || left + frameW < screenW || top + frameH < screenH;
        bool anyTransparent = false;
        const bool interlaced = (frameFlags & 0x40) != 0;
        // Interlaced frames store rows in four passes: every 8th from 0, every 8th from 4,
        // every 4th from 2, every 2nd from 1.
        static const uint32_t kStart[4] = {0, 4, 2, 1};
        static const uint32_t kStep[4] = {8, 8, 4, 2};
        uint32_t pass = 0, nextRow = 0;
        for (uint32_t r = 0; r < frameH; ++r) {
            uint32_t row = r;
            if (interlaced) {
                while (nextRow >= frameH) {
                    ++pass;
                    nextRow = kStart[pass];
                }
                row = nextRow;
                nextRow += kStep[pass];
            }
            uint32_t y = top + row;
            if (y >= screenH) continue;
            for (uint32_t x = 0; x < frameW; ++x) {
                uint32_t sx = left + x;
                if (sx >= screenW) break;
                uint8_t index = indices[size_t(r) * frameW + x];
                uint32_t v = table[index];
                if (int32_t(index) == transparent) {
                    v = 0;
                    anyTransparent = true;
                }
                out->pixels[size_t(y) * screenW + sx] = v;
            }
        }
        out->hasAlpha = uncovered || anyTransparent || transparent >= 0;
        return true;
    }
}

}  // namespace gfx
