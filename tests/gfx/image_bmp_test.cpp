#include <gtest/gtest.h>

#include <string>

#include "datakit/image_builders.h"
#include "datakit/image_writer.h"
#include "platform/gfx/image.h"

using gfx::Image;
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
    EXPECT_EQ(Decode(kBmp24).pixels, (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
    Bytes topDown = kBmp24;
    topDown[22] = 0xFE;  // height -2
    topDown[23] = topDown[24] = topDown[25] = 0xFF;
    EXPECT_EQ(Decode(topDown).pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));

    // The OS/2-style core header: 16-bit sizes, three-byte palette entries (entry 7: 11 22 33).
    imgtest::BmpLayout core;
    core.infoSize = 12;
    core.width = 2;
    core.height = 1;
    core.bpp = 8;
    core.palette.assign(256 * 3, 0);
    std::copy_n(Bytes{0x11, 0x22, 0x33}.begin(), 3, core.palette.begin() + 21);
    EXPECT_EQ(Decode(imgtest::BuildBmp(core, {{7, 0}})).pixels, (std::vector<uint32_t>{0xFF332211u, kBlack}));

    // 4 bits: high nibble first; index 5 lies past the 4 stored entries and reads black.
    imgtest::BmpLayout s4 = Paletted(3, 1, 4, 0);
    s4.colorsUsed = 4;
    EXPECT_EQ(Decode(imgtest::BuildBmp(s4, {{0x21, 0x50}})).pixels, (std::vector<uint32_t>{kGreen, kRed, kBlack}));

    // A version-5 header's masks in an unusual order (A B G R bytes) give alpha.
    imgtest::BmpLayout s32;
    s32.width = s32.height = 1;
    s32.bpp = 32;
    s32.infoSize = 124;
    s32.compression = 3;
    const uint32_t masks[4] = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
    std::copy(masks, masks + 4, s32.masks);
    Image img = Decode(imgtest::BuildBmp(s32, {{0x40, 0x01, 0x02, 0x03}}));
    EXPECT_EQ(img.pixels[0], 0x40030201u);
    EXPECT_TRUE(img.hasAlpha);
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

TEST(BmpDecode, BadHeadersAreRejected) {
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

    // Masks after a 40-byte header that the file cuts short: two of three, and three of the four
    // an alpha bit-field file needs.
    s.masks[0] = 0xF800;
    s.masks[1] = 0x07E0;
    s.masks[2] = 0x001F;
    Bytes cut = imgtest::BuildBmp(s, {});
    cut.resize(14 + 40 + 8);
    EXPECT_FALSE(gfx::DecodeBmp(cut.data(), cut.size(), &img));
    EXPECT_NE(std::string(gfx::LastImageError()).find("masks"), std::string::npos) << gfx::LastImageError();
    Bytes three = imgtest::BuildBmp(s, {});
    three[30] = 6;  // alpha bit fields
    EXPECT_FALSE(gfx::DecodeBmp(three.data(), three.size(), &img));
    EXPECT_NE(std::string(gfx::LastImageError()).find("masks"), std::string::npos) << gfx::LastImageError();
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

// The test-data BMP writer stores the rows either way and says which by the height's sign; the
// game's reader gets the same picture back from both.
TEST(BmpDecode, TheTestDataWriterRoundTripsBothRowOrders) {
    const datakit::Picture picture = datakit::QuadrantPicture(5, 3, kRed, kGreen, kBlue, 0xFF123456u);
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        const Bytes file = datakit::BmpFile(picture, topDown);
        ASSERT_GE(file.size(), 26u);
        const int32_t height = int32_t(uint32_t(file[22]) | uint32_t(file[23]) << 8 | uint32_t(file[24]) << 16 |
                                       uint32_t(file[25]) << 24);
        EXPECT_EQ(height, topDown ? -3 : 3);
        const Image img = Decode(file);
        ASSERT_EQ(img.width, 5u);
        ASSERT_EQ(img.height, 3u);
        EXPECT_EQ(img.pixels, picture.pixels);
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
    // Fields set to hostile values: width 0, negative width, height 0, height INT32_MIN, width past the
    // limit, bit count 2, run-length coding of 24-bit pixels, pixel offset past the end,
    // information headers larger than the file or of 20 bytes.
    const std::pair<size_t, uint32_t> cases[] = {{18, 0},  {18, 0xFFFFFFFE}, {22, 0}, {22, 0x80000000}, {18, 16385},
                                                 {28, 2},  {30, 1},          {10, 0xFFFFFFF0}, {14, 1000},
                                                 {14, 20}};
    for (const auto& [offset, value] : cases) {
        Bytes b = kBmp24;
        for (size_t i = 0; i < (offset == 28 ? 2u : 4u); ++i) b[offset + i] = uint8_t(value >> (8 * i));
        Image img;
        EXPECT_FALSE(gfx::DecodeBmp(b.data(), b.size(), &img)) << "field at " << offset;
    }
}

}  // namespace
