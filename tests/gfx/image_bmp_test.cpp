#include <gtest/gtest.h>

#include <random>

#include "image_builders.h"
#include "platform/gfx/image.h"

using gfx::Image;
using imgtest::Argb;
using imgtest::Bytes;

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000, kClear = 0;

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

// Palette: 0 black, 1 red, 2 green, 3 blue, 4 white (B G R x).
imgtest::BmpLayout Paletted(int32_t w, int32_t h, uint16_t bpp, uint32_t compression) {
    imgtest::BmpLayout s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    s.compression = compression;
    s.colorsUsed = 5;
    s.palette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    return s;
}

// 4 x 3, bottom row first: a run of 3 red, a literal run of 3 (green, blue, white, one byte of
// padding) cut at the right edge, end of line; 2 white, a move 1 right and 1 up, 1 blue, end of
// bitmap. What no run reaches stays transparent.
const Bytes kRle8 = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 4, 0, 2, 1, 1, 1, 3, 0, 1};
// 5 x 2: a run of 6 alternating red and green (cut at 5), end of line; a literal run of 5
// (blue, white, green, red, white: three bytes and one of padding), end of bitmap.
const Bytes kRle4 = {6, 0x12, 0, 0, 0, 5, 0x34, 0x21, 0x40, 0, 0, 1};

TEST(BmpDecode, HandMadeFiles) {
    Image img = Decode(kBmp24);
    ASSERT_EQ(img.width, 2u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
    Bytes topDown = kBmp24;
    topDown[22] = 0xFE;  // height -2
    topDown[23] = topDown[24] = topDown[25] = 0xFF;
    EXPECT_EQ(Decode(topDown).pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));

    // The OS/2-style core header: 16-bit sizes, three-byte palette entries.
    imgtest::BmpLayout core;
    core.infoSize = 12;
    core.width = 2;
    core.height = 1;
    core.bpp = 8;
    core.palette.assign(256 * 3, 0);
    core.palette[7 * 3 + 0] = 0x11;  // entry 7: B G R = 11 22 33
    core.palette[7 * 3 + 1] = 0x22;
    core.palette[7 * 3 + 2] = 0x33;
    EXPECT_EQ(Decode(imgtest::BuildBmp(core, {{7, 0}})).pixels, (std::vector<uint32_t>{0xFF332211u, kBlack}));

    // 16 bits: 5:5:5 by default, 5:6:5 through bit fields.
    imgtest::BmpLayout s16;
    s16.width = 2;
    s16.height = 1;
    s16.bpp = 16;
    EXPECT_EQ(Decode(imgtest::BuildBmp(s16, {{0x00, 0x7C, 0x1F, 0x00}})).pixels, (std::vector<uint32_t>{kRed, kBlue}));
    s16.compression = 3;
    s16.masks[0] = 0xF800;
    s16.masks[1] = 0x07E0;
    s16.masks[2] = 0x001F;
    EXPECT_EQ(Decode(imgtest::BuildBmp(s16, {{0xE0, 0x07, 0x20, 0x00}})).pixels,
              (std::vector<uint32_t>{kGreen, 0xFF000400u}));  // 0x0020: green 1 of 63

    // 32 bits: the fourth byte is no alpha without masks; a version-5 header's masks in an
    // unusual order (A B G R bytes) give alpha.
    imgtest::BmpLayout s32;
    s32.width = 1;
    s32.height = 1;
    s32.bpp = 32;
    img = Decode(imgtest::BuildBmp(s32, {{0x01, 0x02, 0x03, 0x40}}));
    EXPECT_EQ(img.pixels[0], 0xFF030201u);
    EXPECT_FALSE(img.hasAlpha);
    s32.infoSize = 124;
    s32.compression = 3;
    const uint32_t masks[4] = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    std::copy(masks, masks + 4, s32.masks);
    img = Decode(imgtest::BuildBmp(s32, {{0x40, 0x01, 0x02, 0x03}}));
    EXPECT_EQ(img.pixels[0], 0x40030201u);
    EXPECT_TRUE(img.hasAlpha);
}

TEST(BmpDecode, RunLengthCodedFiles) {
    Image img = Decode(imgtest::BuildBmp(Paletted(4, 3, 8, 1), {kRle8}));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kClear, kClear, kClear, kBlue,     //
                                                 kWhite, kWhite, kClear, kClear,    //
                                                 kRed, kRed, kRed, kGreen}));
    EXPECT_TRUE(img.hasAlpha);

    img = Decode(imgtest::BuildBmp(Paletted(5, 2, 4, 2), {kRle4}));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kWhite, kGreen, kRed, kWhite,  //
                                                 kRed, kGreen, kRed, kGreen, kRed}));
    EXPECT_FALSE(img.hasAlpha);

    // Hostile data: a move far past the picture, a run past the right edge (it must not wrap),
    // a literal run past the data's end, a coding that does not fit the bit count.
    for (const Bytes& far : {Bytes{0, 2, 255, 255, 5, 1, 0, 1}, Bytes{0, 2, 255, 0, 3, 1, 0, 1}})
        EXPECT_EQ(Decode(imgtest::BuildBmp(Paletted(4, 3, 8, 1), {far})).pixels, std::vector<uint32_t>(12, kClear));
    Image none;
    Bytes shortRun = imgtest::BuildBmp(Paletted(4, 3, 8, 1), {{0, 255, 1, 2}});
    EXPECT_FALSE(gfx::DecodeBmp(shortRun.data(), shortRun.size(), &none));
    Bytes mismatch = imgtest::BuildBmp(Paletted(4, 3, 8, 2), {kRle8});
    EXPECT_FALSE(gfx::DecodeBmp(mismatch.data(), mismatch.size(), &none));
}

TEST(BmpDecode, GeneratedPaletteAndDirectVariantsBothOrientations) {
    std::mt19937 rng(11);
    for (uint16_t bpp : {uint16_t(1), uint16_t(4), uint16_t(8), uint16_t(16), uint16_t(24), uint16_t(32)}) {
        for (int w : {1, 3, 5, 8}) {
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << bpp << " bits, width " << w << ", top-down " << topDown);
                const int h = 3;
                imgtest::BmpLayout s;
                s.width = w;
                s.height = topDown ? -h : h;
                s.bpp = bpp;
                std::vector<uint32_t> palette;
                for (uint32_t i = 0; bpp <= 8 && i < (1u << bpp); ++i) {
                    uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF;
                    s.palette.insert(s.palette.end(), {uint8_t(bl), uint8_t(g), uint8_t(r), 0});
                    palette.push_back(Argb(255, r, g, bl));
                }
                std::vector<uint32_t> expected(size_t(w) * h);
                std::vector<Bytes> rows;
                for (int fileRow = 0; fileRow < h; ++fileRow) {
                    const int y = topDown ? fileRow : h - 1 - fileRow;
                    Bytes row((size_t(w) * bpp + 7) / 8, 0);
                    for (int x = 0; x < w; ++x) {
                        uint32_t& e = expected[size_t(y) * w + x];
                        if (bpp <= 8) {
                            uint32_t idx = rng() & ((1u << bpp) - 1);
                            size_t bit = size_t(x) * bpp;
                            row[bit / 8] |= uint8_t(idx << (8 - bpp - bit % 8));
                            e = palette[idx];
                        } else if (bpp == 16) {
                            uint32_t r5 = rng() & 31, g5 = rng() & 31, b5 = rng() & 31, v = (r5 << 10) | (g5 << 5) | b5;
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
                ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &img)) << gfx::LastImageError();
                EXPECT_EQ(img.pixels, expected);
            }
        }
    }
}

TEST(BmpDecode, TruncatedOrBadFilesAreRefused) {
    const Bytes files[] = {kBmp24, imgtest::BuildBmp(Paletted(4, 3, 8, 1), {kRle8}),
                           imgtest::BuildBmp(Paletted(5, 2, 4, 2), {kRle4})};
    for (const Bytes& full : files) {
        for (size_t n = 0; n < full.size(); ++n) {
            Bytes cut(full.begin(), full.begin() + long(n));
            Image img;
            EXPECT_FALSE(gfx::DecodeBmp(cut.data(), cut.size(), &img)) << "length " << n;
        }
    }
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"width 0", 18, 0},
        {"negative width", 18, 0xFFFFFFFE},
        {"height INT32_MIN", 22, 0x80000000},
        {"width beyond the limit", 18, 16385},
        {"bit count 2", 28, 2},
        {"run-length coding of 24-bit pixels", 30, 1},
        {"pixel offset past the end", 10, 0xFFFFFFF0},
        {"information header larger than the file", 14, 1000},
        {"information header of 20 bytes", 14, 20},
    };
    for (const Case& c : cases) {
        Bytes b = kBmp24;
        for (int i = 0; i < (c.offset == 28 ? 2 : 4); ++i) b[c.offset + i] = uint8_t(c.value >> (8 * i));
        Image img;
        EXPECT_FALSE(gfx::DecodeBmp(b.data(), b.size(), &img)) << c.what;
    }
}

}  // namespace
