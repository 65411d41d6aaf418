#include <gtest/gtest.h>

#include <random>

#include "image_builders.h"
#include "platform/gfx/image.h"

using gfx::Image;
using imgtest::Argb;
using imgtest::Bytes;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

Image Decode(const Bytes& b) {
    Image img;
    EXPECT_TRUE(gfx::DecodeBmp(b.data(), b.size(), &img)) << gfx::LastImageError();
    return img;
}

// 2 x 2, 24 bits, bottom-up. Each 6-byte row is padded to 8.
const Bytes kBmp24 = {
    'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
    40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
    16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0,  // bottom: red, green
    0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0, 0,  // top: blue, white
};

TEST(BmpDecode, TwentyFourBitBottomUpWithRowPadding) {
    Image img = Decode(kBmp24);
    ASSERT_EQ(img.width, 2u);
    ASSERT_EQ(img.height, 2u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.fileType, gfx::ImageFileType::Bmp);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_R8G8B8);
}

TEST(BmpDecode, NegativeHeightIsTopDown) {
    Bytes b = kBmp24;
    b[22] = 0xFE;  // height -2
    b[23] = b[24] = b[25] = 0xFF;
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
}

TEST(BmpDecode, OneBitPaletteRows) {
    // 3 x 2, two palette entries (black, white); rows padded to 4 bytes.
    imgtest::BmpLayout s;
    s.width = 3;
    s.height = 2;
    s.bpp = 1;
    s.palette = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    Bytes b = imgtest::BuildBmp(s, {{0b10100000}, {0b01000000}});
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF000000, kWhite, 0xFF000000,
                                                 kWhite, 0xFF000000, kWhite}));
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_P8);
}

TEST(BmpDecode, FourBitPaletteUsesHighNibbleFirst) {
    imgtest::BmpLayout s;
    s.width = 3;
    s.height = 1;
    s.bpp = 4;
    s.colorsUsed = 3;
    s.palette = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};  // red, green, blue
    Bytes b = imgtest::BuildBmp(s, {{0x21, 0x50}});  // 2, 1, then 5 (past the palette)
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kGreen, 0xFF000000}));
}

TEST(BmpDecode, CoreHeaderWithThreeBytePalette) {
    imgtest::BmpLayout s;
    s.infoSize = 12;
    s.width = 2;
    s.height = 1;
    s.bpp = 8;
    s.palette.assign(256 * 3, 0);
    s.palette[7 * 3 + 0] = 0x11;  // entry 7: B G R = 11 22 33
    s.palette[7 * 3 + 1] = 0x22;
    s.palette[7 * 3 + 2] = 0x33;
    Bytes b = imgtest::BuildBmp(s, {{7, 0}});
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF332211u, 0xFF000000u}));
}

TEST(BmpDecode, SixteenBitDefaultIs555AndBitFieldsGive565) {
    imgtest::BmpLayout s;
    s.width = 2;
    s.height = 1;
    s.bpp = 16;
    Bytes b = imgtest::BuildBmp(s, {{0x00, 0x7C, 0x1F, 0x00}});  // 0x7C00 red, 0x001F blue
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kBlue}));
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_X1R5G5B5);

    s.compression = 3;
    s.masks[0] = 0xF800;
    s.masks[1] = 0x07E0;
    s.masks[2] = 0x001F;
    b = imgtest::BuildBmp(s, {{0xE0, 0x07, 0x20, 0x00}});  // 0x07E0 green, 0x0020 g6 = 1
    img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kGreen, 0xFF000400u}));
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_R5G6B5);
}

TEST(BmpDecode, ThirtyTwoBitPlainIgnoresFourthByteButMasksGiveAlpha) {
    imgtest::BmpLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 32;
    Bytes b = imgtest::BuildBmp(s, {{0x01, 0x02, 0x03, 0x40}});
    Image img = Decode(b);
    EXPECT_EQ(img.pixels[0], 0xFF030201u);
    EXPECT_FALSE(img.hasAlpha);

    // A version-5 header carrying R, G, B and A masks in an unusual order (A B G R bytes).
    s.infoSize = 124;
    s.compression = 3;
    s.masks[0] = 0xFF000000;
    s.masks[1] = 0x00FF0000;
    s.masks[2] = 0x0000FF00;
    s.masks[3] = 0x000000FF;
    b = imgtest::BuildBmp(s, {{0x40, 0x01, 0x02, 0x03}});  // value 0x03020140
    img = Decode(b);
    EXPECT_EQ(img.pixels[0], 0x40030201u);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_A8R8G8B8);
}

TEST(BmpDecode, GeneratedPaletteAndDirectVariantsBothOrientations) {
    std::mt19937 rng(11);
    for (uint16_t bpp : {uint16_t(1), uint16_t(4), uint16_t(8), uint16_t(16), uint16_t(24), uint16_t(32)}) {
        for (int w : {1, 3, 5, 8}) {
            for (bool topDown : {false, true}) {
                const int h = 3;
                imgtest::BmpLayout s;
                s.width = w;
                s.height = topDown ? -h : h;
                s.bpp = bpp;
                std::vector<uint32_t> palette;
                if (bpp <= 8) {
                    for (uint32_t i = 0; i < (1u << bpp); ++i) {
                        uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF;
                        s.palette.insert(s.palette.end(), {uint8_t(bl), uint8_t(g), uint8_t(r), 0});
                        palette.push_back(Argb(255, r, g, bl));
                    }
                }
                std::vector<uint32_t> expected(size_t(w) * h);
                std::vector<Bytes> rows;
                for (int fileRow = 0; fileRow < h; ++fileRow) {
                    int y = topDown ? fileRow : h - 1 - fileRow;
                    Bytes row((size_t(w) * bpp + 7) / 8, 0);
                    for (int x = 0; x < w; ++x) {
                        uint32_t& e = expected[size_t(y) * w + x];
                        if (bpp <= 8) {
                            uint32_t idx = rng() & ((1u << bpp) - 1);
                            size_t bit = size_t(x) * bpp;
                            row[bit / 8] |= uint8_t(idx << (8 - bpp - bit % 8));
                            e = palette[idx];
                        } else if (bpp == 16) {
                            uint32_t r5 = rng() & 31, g5 = rng() & 31, b5 = rng() & 31;
                            uint32_t v = (r5 << 10) | (g5 << 5) | b5;
                            row[2 * x] = uint8_t(v);
                            row[2 * x + 1] = uint8_t(v >> 8);
                            e = Argb(255, imgtest::Scale(r5, 5), imgtest::Scale(g5, 5), imgtest::Scale(b5, 5));
                        } else {
                            uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF;
                            size_t p = size_t(x) * bpp / 8;
                            row[p] = uint8_t(bl);
                            row[p + 1] = uint8_t(g);
                            row[p + 2] = uint8_t(r);
                            if (bpp == 32) row[p + 3] = uint8_t(rng());
                            e = Argb(255, r, g, bl);
                        }
                    }
                    rows.push_back(row);
                }
                Bytes file = imgtest::BuildBmp(s, rows);
                Image img;
                ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &img))
                    << bpp << " bits, width " << w << ": " << gfx::LastImageError();
                EXPECT_EQ(img.pixels, expected) << bpp << " bits, width " << w << " top-down " << topDown;
            }
        }
    }
}

TEST(BmpDecode, TruncatedFilesAreRejectedAtEveryLength) {
    for (const Bytes& full : {kBmp24, imgtest::BuildBmp([] {
                                          imgtest::BmpLayout s;
                                          s.width = 3;
                                          s.height = 2;
                                          s.bpp = 8;
                                          s.palette.assign(1024, 0x80);
                                          return s;
                                      }(),
                                                        {{1, 2, 3}, {4, 5, 6}})}) {
        Image img;
        ASSERT_TRUE(gfx::DecodeBmp(full.data(), full.size(), &img));
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
            EXPECT_FALSE(gfx::DecodeBmp(cut.data(), cut.size(), &img)) << "length " << n;
        }
    }
}

TEST(BmpDecode, BadHeadersAreRejected) {
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"width 0", 18, 0},
        {"negative width", 18, 0xFFFFFFFE},
        {"height 0", 22, 0},
        {"height INT32_MIN", 22, 0x80000000},
        {"width beyond the limit", 18, 16385},
        {"bit count 2", 28, 2},
        {"run-length compression", 30, 1},
        {"pixel offset past the end", 10, 0xFFFFFFF0},
        {"information header larger than the file", 14, 1000},
        {"information header of 20 bytes", 14, 20},
    };
    for (const Case& c : cases) {
        Bytes b = kBmp24;
        if (c.offset == 28) {
            b[28] = uint8_t(c.value);
            b[29] = 0;
        } else {
            for (int i = 0; i < 4; ++i) b[c.offset + i] = uint8_t(c.value >> (8 * i));
        }
        Image img;
        EXPECT_FALSE(gfx::DecodeBmp(b.data(), b.size(), &img)) << c.what;
    }
    // Bit fields with a mask that has a hole in it.
    imgtest::BmpLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 16;
    s.compression = 3;
    s.masks[0] = 0xF00F;
    s.masks[1] = 0x00F0;
    s.masks[2] = 0x0F00;
    Bytes holes = imgtest::BuildBmp(s, {{0, 0}});
    Image img;
    EXPECT_FALSE(gfx::DecodeBmp(holes.data(), holes.size(), &img));
}

}  // namespace
