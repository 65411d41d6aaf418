#include <gtest/gtest.h>

#include <random>

#include "image_builders.h"
#include "platform/gfx/image.h"

using gfx::Image;
using imgtest::Bytes;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// Header, logical screen w x h with a 4-entry global table (black, red, green, blue).
Bytes GifHead(uint8_t w, uint8_t h) {
    return {'G', 'I', 'F', '8', '9', 'a', w, 0, h, 0, 0x81, 0, 0,
            0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
}

void Append(Bytes& b, std::initializer_list<uint8_t> more) { b.insert(b.end(), more); }

// 4 x 1, all index 1, minimum code size 2. Codes: clear(4) 1 6 1 end(5): the third code is the
// entry being defined (string "1" + "1"), and after the fourth code the width grows to 4 bits,
// so the end code is 4 bits wide. Packed low bit first: 0x8C 0x53.
Bytes KwkwkGif() {
    Bytes b = GifHead(4, 1);
    Append(b, {0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0x00, 2, 2, 0x8C, 0x53, 0, 0x3B});
    return b;
}

TEST(GifDecode, DictionaryCodesAndCodeWidthGrowth) {
    Bytes b = KwkwkGif();
    Image img;
    ASSERT_TRUE(gfx::DecodeGif(b.data(), b.size(), &img)) << gfx::LastImageError();
    ASSERT_EQ(img.width, 4u);
    ASSERT_EQ(img.height, 1u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kRed, kRed, kRed}));
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.fileType, gfx::ImageFileType::Gif);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_P8);
}

TEST(GifDecode, TransparentIndexFromGraphicControl) {
    // 2 x 2, indices 0 1 2 3, index 0 transparent. Codes clear 0 1 2 (3 bits), 3 end (4 bits):
    // bytes 0x44 0x34 0x05.
    Bytes b = GifHead(2, 2);
    Append(b, {0x21, 0xF9, 4, 0x01, 0, 0, 0, 0});
    Append(b, {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x00, 2, 3, 0x44, 0x34, 0x05, 0, 0x3B});
    Image img;
    ASSERT_TRUE(gfx::DecodeGif(b.data(), b.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x00000000u, kRed, kGreen, kBlue}));
    EXPECT_TRUE(img.hasAlpha);
}

TEST(GifDecode, GeneratedFramesLocalTablesInterlaceAndOffsets) {
    std::mt19937 rng(5);
    struct Case {
        uint16_t screenW, screenH, left, top, frameW, frameH;
        bool interlaced, local, comment;
        uint32_t tableSize;
        int transparent;
    };
    const Case cases[] = {
        {7, 5, 0, 0, 7, 5, false, false, false, 256, -1},
        {7, 11, 0, 0, 7, 11, true, false, false, 16, -1},
        {9, 6, 2, 1, 5, 4, false, true, true, 4, 3},
        {3, 3, 0, 0, 3, 3, false, false, false, 2, -1},   // minimum code size 2 for 1-bit data
        {64, 70, 0, 0, 64, 70, false, false, false, 256, -1},  // past 4096 codes: clear codes
    };
    for (const Case& c : cases) {
        imgtest::GifLayout s;
        s.screenW = c.screenW;
        s.screenH = c.screenH;
        s.left = c.left;
        s.top = c.top;
        s.frameW = c.frameW;
        s.frameH = c.frameH;
        s.interlaced = c.interlaced;
        s.transparent = c.transparent;
        s.extraExtension = c.comment;
        s.minCodeSize = c.tableSize <= 4 ? 2 : (c.tableSize <= 16 ? 4 : 8);
        std::vector<uint32_t> table;
        for (uint32_t i = 0; i < c.tableSize; ++i) table.push_back(rng() & 0xFFFFFF);
        if (c.local) {
            s.localTable = table;
            s.globalTable = {0x123456, 0x654321};  // present but not used
        } else {
            s.globalTable = table;
        }
        std::vector<uint8_t> indices(size_t(c.frameW) * c.frameH);
        for (uint8_t& i : indices) i = uint8_t(rng() % c.tableSize);
        Bytes file = imgtest::BuildGif(s, indices);
        Image img;
        ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &img)) << gfx::LastImageError();
        ASSERT_EQ(img.width, c.screenW);
        ASSERT_EQ(img.height, c.screenH);
        for (uint32_t y = 0; y < c.screenH; ++y) {
            for (uint32_t x = 0; x < c.screenW; ++x) {
                uint32_t expected = 0;  // outside the frame: transparent
                if (x >= c.left && x < uint32_t(c.left + c.frameW) && y >= c.top &&
                    y < uint32_t(c.top + c.frameH)) {
                    uint8_t idx = indices[(y - c.top) * c.frameW + (x - c.left)];
                    expected = int(idx) == c.transparent ? 0u : (0xFF000000u | table[idx]);
                }
                ASSERT_EQ(img.pixels[y * c.screenW + x], expected)
                    << "case " << c.screenW << "x" << c.screenH << " at " << x << "," << y;
            }
        }
        bool covers = c.left == 0 && c.top == 0 && c.frameW == c.screenW && c.frameH == c.screenH;
        EXPECT_EQ(img.hasAlpha, !covers || c.transparent >= 0);
    }
}

TEST(GifDecode, TruncatedFilesAreRejectedAtEveryLength) {
    imgtest::GifLayout s;
    s.screenW = s.frameW = 6;
    s.screenH = s.frameH = 4;
    s.globalTable = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    s.minCodeSize = 2;
    s.transparent = 1;
    std::vector<uint8_t> idx(24);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t(i % 4);
    Bytes full = imgtest::BuildGif(s, idx);
    Image img;
    ASSERT_TRUE(gfx::DecodeGif(full.data(), full.size(), &img));
    // The trailer byte is not needed once the first frame is read.
    for (size_t n = 0; n + 1 < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        EXPECT_FALSE(gfx::DecodeGif(cut.data(), cut.size(), &img)) << "length " << n;
    }
}

TEST(GifDecode, CorruptStreamsAreRejected) {
    Image img;
    {
        // A code far beyond the dictionary: clear then code 7 while the next entry is 6.
        // 3-bit codes 4, 7, 5: bits 100 111 101 -> 0x7C 0x01.
        Bytes b = GifHead(2, 1);
        Append(b, {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x00, 2, 2, 0x7C, 0x01, 0, 0x3B});
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // The entry-being-defined code right after a clear (no previous string).
        // 3-bit codes 4, 6: bits 100 110 -> 0x34.
        Bytes b = GifHead(2, 1);
        Append(b, {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x00, 2, 1, 0x34, 0, 0x3B});
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // End code before every pixel was written (4 x 1 frame, one pixel given).
        // 3-bit codes 4, 1, 5: bits 100 001 101 -> 0x4C 0x01.
        Bytes b = GifHead(4, 1);
        Append(b, {0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0x00, 2, 2, 0x4C, 0x01, 0, 0x3B});
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // Minimum code size 12 is not allowed.
        Bytes b = KwkwkGif();
        b[GifHead(4, 1).size() + 10] = 12;
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // No colour table anywhere.
        Bytes b = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x00, 0, 0,
                   0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00, 2, 2, 0x44, 0x01, 0, 0x3B};
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // Only a trailer, no image.
        Bytes b = GifHead(1, 1);
        b.push_back(0x3B);
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // An unknown block introducer.
        Bytes b = GifHead(1, 1);
        b.push_back(0x99);
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
    {
        // A zero-sized frame.
        Bytes b = GifHead(1, 1);
        Append(b, {0x2C, 0, 0, 0, 0, 0, 0, 1, 0, 0x00, 2, 2, 0x44, 0x01, 0, 0x3B});
        EXPECT_FALSE(gfx::DecodeGif(b.data(), b.size(), &img));
    }
}

TEST(GifDecode, ScreenSizeZeroTakesTheFrameSize) {
    Bytes b = KwkwkGif();
    b[6] = b[7] = b[8] = b[9] = 0;
    Image img;
    ASSERT_TRUE(gfx::DecodeGif(b.data(), b.size(), &img));
    EXPECT_EQ(img.width, 4u);
    EXPECT_EQ(img.height, 1u);
    EXPECT_EQ(img.pixels[3], kRed);
}

}  // namespace
