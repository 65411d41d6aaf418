#include <gtest/gtest.h>

#include "datakit/image_builders.h"
#include "datakit/image_writer.h"
#include "platform/gfx/image.h"

using gfx::Image;
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

    // Grey, right to left; grey with alpha.
    Bytes grey = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x10, 0x00, 0x7F};
    EXPECT_EQ(Decode(grey).pixels, (std::vector<uint32_t>{0xFF7F7F7Fu, 0xFF000000u}));
    Bytes greyAlpha = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 16, 0x28, 0x40, 0x10};
    EXPECT_EQ(Decode(greyAlpha).pixels, (std::vector<uint32_t>{0x10404040u}));
}

// The TGA files that tests and the demo data are made of: whichever way the writer stores the
// rows, it marks them so, and the game's reader gets the picture back the right way up, in
// every layout the writer offers. A picture different in every quarter shows a flip or a mirror.
TEST(TgaDecode, TheTestDataWriterRoundTripsEveryLayout) {
    for (uint8_t depth : {uint8_t(24), uint8_t(32)}) {
        for (bool rle : {false, true}) {
            for (bool footer : {false, true}) {
                for (bool topDown : {false, true}) {
                    SCOPED_TRACE(testing::Message() << int(depth) << " bits" << (rle ? ", run-length" : "")
                                                    << (footer ? ", footer" : "") << (topDown ? ", top-down" : ""));
                    const uint32_t half = depth == 32 ? 0x80000000u : 0xFF000000u;
                    const datakit::Picture picture =
                        datakit::QuadrantPicture(5, 3, kRed, kGreen, half | 0x0000FF, half | 0x123456);
                    datakit::TgaOptions options;
                    options.depth = depth;
                    options.rle = rle;
                    options.footer = footer;
                    options.topDown = topDown;
                    const Bytes file = datakit::TgaFile(picture, options);
                    ASSERT_GE(file.size(), 18u);
                    EXPECT_EQ((file[17] & 0x20) != 0, topDown) << "the descriptor's top-down bit";
                    const Image img = Decode(file);
                    ASSERT_EQ(img.width, 5u);
                    ASSERT_EQ(img.height, 3u);
                    EXPECT_EQ(img.pixels, picture.pixels);
                    EXPECT_EQ(img.hasAlpha, depth == 32);
                }
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
