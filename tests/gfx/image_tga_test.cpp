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
    EXPECT_TRUE(gfx::DecodeTga(b.data(), b.size(), &img)) << gfx::LastImageError();
    return img;
}

// 2 x 2, 24 bits, bottom-up: file rows are bottom (red, green) then top (blue, white).
const Bytes kTga24BottomUp = {
    0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x00,
    0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00,  // bottom row: red, green (BGR)
    0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF,  // top row: blue, white
};

TEST(TgaDecode, HandMadeFiles) {
    Image img = Decode(kTga24BottomUp);
    ASSERT_EQ(img.width, 2u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
    EXPECT_FALSE(img.hasAlpha);

    // 16 bits with the alpha bit announced: 0x7C00 red, 0x03E0 green, 0x801F blue with the bit,
    // 0x4210 grey 16/31: pixels without bit 15 are transparent.
    Bytes b16 = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 16, 0x21,
                 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x80, 0x10, 0x42};
    EXPECT_EQ(Decode(b16).pixels, (std::vector<uint32_t>{0x00FF0000u, 0x0000FF00u, 0xFF0000FFu, 0x00848484u}));

    // Colour map of 2 entries from index 3: 3 = red, 4 = blue; index 9 lies outside the map.
    Bytes mapped = {0, 1, 1, 3, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0x20,
                    0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 3, 4, 4, 9};
    EXPECT_EQ(Decode(mapped).pixels, (std::vector<uint32_t>{kRed, kBlue, kBlue, 0xFF000000u}));

    // 3 x 2 top-down run-length: a run of 4 red crosses into row 1, then a raw packet of 2.
    Bytes rle = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0x20,
                 0x83, 0x00, 0x00, 0xFF, 0x01, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00};
    EXPECT_EQ(Decode(rle).pixels, (std::vector<uint32_t>{kRed, kRed, kRed, kRed, kBlue, kGreen}));
    // A run of 128 into a 2 x 1 image is cut at the last pixel.
    Bytes longRun = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 0xFF, 0x00, 0x00, 0xFF};
    EXPECT_EQ(Decode(longRun).pixels, (std::vector<uint32_t>{kRed, kRed}));

    // 32 bits whose alpha bytes are all 0, with no alpha bits announced, means opaque.
    Bytes zeroAlpha = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 0x20,
                       0x01, 0x02, 0x03, 0x00, 0x04, 0x05, 0x06, 0x00};
    img = Decode(zeroAlpha);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF030201u, 0xFF060504u}));
    EXPECT_FALSE(img.hasAlpha);
}

// Every true-colour depth, grey and colour-mapped, raw and run-length, all four origins, on a
// 5 x 3 image with repeated pixels so the run-length writer makes both packet kinds.
TEST(TgaDecode, GeneratedVariantsMatchTheStoredValues) {
    struct Variant {
        uint8_t type, depth, mapBits;
    };
    const Variant variants[] = {{2, 16, 0}, {2, 24, 0}, {2, 32, 0}, {3, 8, 0}, {1, 8, 24}, {1, 8, 32}};
    const uint32_t w = 5, h = 3;
    std::mt19937 rng(7);
    for (const Variant& v : variants) {
        for (bool rle : {false, true}) {
            for (uint8_t origin : {0x00, 0x10, 0x20, 0x30}) {
                SCOPED_TRACE(testing::Message() << int(v.type) << "/" << int(v.depth) << "/" << int(v.mapBits)
                                                << " rle " << rle << " origin " << int(origin));
                imgtest::TgaLayout layout;
                layout.type = uint8_t(v.type + (rle ? 8 : 0));
                layout.depth = v.depth;
                layout.width = w;
                layout.height = h;
                layout.descriptor = uint8_t(origin | (v.depth == 32 ? 8 : 0));
                layout.footer = rle;
                std::vector<uint32_t> palette;
                layout.mapEntryBits = v.mapBits;
                for (int i = 0; v.type == 1 && i < 6; ++i) {
                    uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF, a = rng() & 0xFF;
                    layout.map.insert(layout.map.end(), {uint8_t(bl), uint8_t(g), uint8_t(r)});
                    if (v.mapBits == 32) layout.map.push_back(uint8_t(a));
                    palette.push_back(Argb(v.mapBits == 32 ? a : 255, r, g, bl));
                }
                Bytes stored, px;
                std::vector<uint32_t> fileOrder(w * h);
                for (uint32_t i = 0; i < w * h; ++i) {
                    if (i % 4 == 1) {  // a repeat of the pixel before
                        fileOrder[i] = fileOrder[i - 1];
                    } else if (v.type == 1) {
                        uint32_t idx = rng() % 6;
                        px = {uint8_t(idx)};
                        fileOrder[i] = palette[idx];
                    } else if (v.type == 3) {
                        uint32_t l = rng() & 0xFF;
                        px = {uint8_t(l)};
                        fileOrder[i] = Argb(255, l, l, l);
                    } else if (v.depth == 16) {
                        uint32_t r5 = rng() & 31, g5 = rng() & 31, b5 = rng() & 31, s = (r5 << 10) | (g5 << 5) | b5;
                        px = {uint8_t(s), uint8_t(s >> 8)};
                        fileOrder[i] = Argb(255, imgtest::Scale(r5, 5), imgtest::Scale(g5, 5), imgtest::Scale(b5, 5));
                    } else {
                        uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF, a = (rng() & 0xFF) | 1;
                        px = {uint8_t(bl), uint8_t(g), uint8_t(r)};
                        if (v.depth == 32) px.push_back(uint8_t(a));
                        fileOrder[i] = Argb(v.depth == 32 ? a : 255, r, g, bl);
                    }
                    stored.insert(stored.end(), px.begin(), px.end());
                }
                std::vector<uint32_t> expected(w * h);
                const bool topDown = origin & 0x20, rightToLeft = origin & 0x10;
                for (uint32_t row = 0; row < h; ++row)
                    for (uint32_t col = 0; col < w; ++col)
                        expected[(topDown ? row : h - 1 - row) * w + (rightToLeft ? w - 1 - col : col)] =
                            fileOrder[row * w + col];
                Bytes file = imgtest::BuildTga(layout, stored);
                Image img;
                ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &img)) << gfx::LastImageError();
                EXPECT_EQ(img.pixels, expected);
            }
        }
    }
}

TEST(TgaDecode, TruncatedOrBadFilesAreRefused) {
    imgtest::TgaLayout layout;
    layout.width = 4;
    layout.height = 3;
    Bytes stored(4 * 3 * 3);
    for (size_t i = 0; i < stored.size(); ++i) stored[i] = uint8_t(i * 7);
    for (uint8_t type : {uint8_t(2), uint8_t(10)}) {
        layout.type = type;
        Bytes full = imgtest::BuildTga(layout, stored);
        for (size_t n = 0; n < full.size(); ++n) {
            // A fresh allocation of exactly n bytes lets AddressSanitizer catch any overread.
            Bytes cut(full.begin(), full.begin() + long(n));
            Image img;
            EXPECT_FALSE(gfx::DecodeTga(cut.data(), cut.size(), &img)) << "type " << int(type) << " length " << n;
            EXPECT_TRUE(img.pixels.empty());
        }
    }
    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
    };
    const Case cases[] = {{"width 0", 12, 0},          {"image type 4", 2, 4}, {"colour-map type 2", 1, 2},
                          {"depth 12", 16, 12},        {"huge id length", 0, 200},
                          {"width 16385", 13, 0x40}};  // with byte 12 set to 1 below
    for (const Case& c : cases) {
        Bytes b = kTga24BottomUp;
        b[c.offset] = c.value;
        if (c.offset == 13) b[12] = 1;
        if (c.offset == 12) b[13] = 0;
        Image img;
        EXPECT_FALSE(gfx::DecodeTga(b.data(), b.size(), &img)) << c.what;
    }
    // 16384 x 16384 from a single run packet: refused before the picture is allocated.
    Bytes huge = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x40, 0x00, 0x40, 24, 0x20, 0xFF, 1, 2, 3};
    Image img;
    EXPECT_FALSE(gfx::DecodeTga(huge.data(), huge.size(), &img));
}

}  // namespace
