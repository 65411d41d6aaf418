#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "datakit/image_builders.h"
#include "platform/gfx/dds.h"

using gfx::DdsImage;
using gfx::Image;
using imgtest::Bytes;

namespace {

// Red (0xF800) and blue (0x001F) endpoints; row 0 uses indices 0 1 2 3, the rest index 0.
const uint8_t kDxt1FourColour[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};

TEST(DxtDecode, BlocksOfEachKind) {
    uint32_t px[16];
    // Thirds between (255,0,0) and (0,0,255): (170,0,85) and (85,0,170).
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT1, kDxt1FourColour, px);
    EXPECT_EQ(std::vector<uint32_t>(px, px + 5),
              (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu, 0xFFAA0055u, 0xFF5500AAu, 0xFFFF0000u}));
    // The endpoints swapped: first not above second, so three colours and transparent black.
    const uint8_t threeColour[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT1, threeColour, px);
    EXPECT_EQ(std::vector<uint32_t>(px, px + 4), (std::vector<uint32_t>{0xFF0000FFu, 0xFFFF0000u, 0xFF7F007Fu, 0u}));

    // DXT5, a0 255 > a1 0: eight alpha values; indices 0 1 2 7 (bits 0x0E88). The colours blue
    // then red, index 3, give (170,0,85) where DXT1 would give transparent black.
    const uint8_t eight[16] = {255, 0, 0x88, 0x0E, 0, 0, 0, 0, 0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT5, eight, px);
    EXPECT_EQ(std::vector<uint32_t>(px, px + 4), (std::vector<uint32_t>{0xFFAA0055u, 0x00AA0055u,
                                                                        0xDAAA0055u /* 6 x 255 / 7 */,
                                                                        0x24AA0055u /* 255 / 7 */}));
    // a0 0 <= a1 255: six values plus 0 and 255; indices 2 6 7 5 (bits 0x0BF2).
    const uint8_t six[16] = {0, 255, 0xF2, 0x0B, 0, 0, 0, 0, 0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT5, six, px);
    EXPECT_EQ(px[0] >> 24, 51u);  // 255 / 5
    EXPECT_EQ(px[1] >> 24, 0u);
    EXPECT_EQ(px[2] >> 24, 255u);
    EXPECT_EQ(px[3] >> 24, 204u);  // 4 x 255 / 5
}

// Encoders write a flat or cut-out block with both end colours equal; such a DXT1 block is in
// its three-colour mode, so index 3 is a hole in the picture, not a fourth colour. DXT3 and DXT5
// take their alpha elsewhere and always read the colours as four.
TEST(DxtDecode, EqualEndColoursMeanTheThreeColourModeOnlyInDxt1) {
    uint32_t px[16];
    // Both ends green (0x07E0); row 0 uses indices 0 1 2 3, the rest index 0.
    const uint8_t green[8] = {0xE0, 0x07, 0xE0, 0x07, 0xE4, 0x00, 0x00, 0x00};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT1, green, px);
    EXPECT_EQ(std::vector<uint32_t>(px, px + 5),
              (std::vector<uint32_t>{0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u, 0u, 0xFF00FF00u}));
    // Both ends black, every index 3: a wholly transparent block, not an opaque black one.
    const uint8_t hole[8] = {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT1, hole, px);
    for (uint32_t p : px) ASSERT_EQ(p, 0u);

    // DXT3, explicit alpha 15 everywhere, the same green block with every index 3: green.
    uint8_t dxt3[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xE0, 0x07, 0xE0, 0x07, 0xFF, 0xFF, 0xFF, 0xFF};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT3, dxt3, px);
    for (uint32_t p : px) ASSERT_EQ(p, 0xFF00FF00u);

    // DXT5 with equal alpha ends is in its six-value mode: index 6 is 0 and index 7 is 255.
    // Alpha indices 0 1 6 7 (bits 0x0F88); colours as above, every index 3.
    const uint8_t dxt5[16] = {100, 100, 0x88, 0x0F, 0, 0, 0, 0, 0xE0, 0x07, 0xE0, 0x07, 0xFF, 0xFF, 0xFF, 0xFF};
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT5, dxt5, px);
    EXPECT_EQ(std::vector<uint32_t>(px, px + 5),
              (std::vector<uint32_t>{0x6400FF00u, 0x6400FF00u, 0x0000FF00u, 0xFF00FF00u, 0x6400FF00u}));
}

// A DXT1 picture counts as carrying alpha exactly when one of its blocks punches a hole.
TEST(DxtDecode, ADxt1FileHasAlphaOnlyWhereABlockUsesItsTransparentIndex) {
    imgtest::DdsLayout s;
    s.width = 8;
    s.height = 4;
    s.fourCC = imgtest::FourCC("DXT1");
    struct Case {
        const char* what;
        uint8_t second[8];
        bool alpha;
        uint32_t pixel3;   // row 0, column 3 of the second block (blue (8 + 2 x 0) / 3 in four colours)
    } cases[] = {
        {"equal ends, index 3", {0xE0, 0x07, 0xE0, 0x07, 0xE4, 0x00, 0x00, 0x00}, true, 0u},
        {"first end above, index 3", {0xE1, 0x07, 0xE0, 0x07, 0xC0, 0x00, 0x00, 0x00}, false, 0xFF00FF02u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes payload(kDxt1FourColour, kDxt1FourColour + 8);
        payload.insert(payload.end(), c.second, c.second + 8);
        const Bytes file = imgtest::BuildDds(s, payload);
        Image img;
        ASSERT_TRUE(gfx::DecodeDds(file.data(), file.size(), &img)) << gfx::LastImageError();
        EXPECT_EQ(img.hasAlpha, c.alpha);
        EXPECT_EQ(img.pixels[4 + 3], c.pixel3);
        EXPECT_EQ(img.pixels[3], 0xFF5500AAu);   // the first block, four colours
    }
}

TEST(DxtDecode, PartialEdgeBlocksAndShortData) {
    // 6 x 5 needs 2 x 2 blocks of the four-colour red/blue block.
    Bytes blocks;
    for (int i = 0; i < 4; ++i) blocks.insert(blocks.end(), kDxt1FourColour, kDxt1FourColour + 8);
    std::vector<uint32_t> out(30);
    ASSERT_TRUE(gfx::DecodeDxt(gfx::D3DFMT_DXT1, blocks.data(), blocks.size(), 6, 5, out.data()));
    EXPECT_EQ(out[2], 0xFFAA0055u);
    EXPECT_EQ(out[5], 0xFF0000FFu);         // column 1 of the second block
    EXPECT_EQ(out[4 * 6 + 3], 0xFF5500AAu);  // row 4 is row 0 of the lower blocks
    EXPECT_FALSE(gfx::DecodeDxt(gfx::D3DFMT_DXT1, blocks.data(), 31, 6, 5, out.data()));
}

Bytes Dxt1MipFile() {
    // 8 x 4 with all four levels: 16 + 8 + 8 + 8 bytes, five blocks.
    imgtest::DdsLayout s;
    s.width = 8;
    s.height = 4;
    s.mipCount = 4;
    s.fourCC = imgtest::FourCC("DXT1");
    Bytes payload;
    for (int i = 0; i < 5; ++i) payload.insert(payload.end(), kDxt1FourColour, kDxt1FourColour + 8);
    return imgtest::BuildDds(s, payload);
}

TEST(DdsParse, CompressedLevelsAreKeptWithTheirSizes) {
    Bytes file = Dxt1MipFile();
    DdsImage dds;
    ASSERT_TRUE(gfx::ParseDds(file.data(), file.size(), &dds)) << gfx::LastImageError();
    EXPECT_TRUE(dds.compressed);
    ASSERT_EQ(dds.levels.size(), 4u);
    EXPECT_EQ(dds.levels[3].offset, 32u);  // 16 + 8 + 8 bytes before the 1 x 1 level
    Image level2;
    ASSERT_TRUE(gfx::DdsLevelToImage(dds, 2, &level2));
    EXPECT_EQ(level2.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu}));

    // A declared chain longer than the size allows is cut: a 4 x 4 has 3 levels.
    imgtest::DdsLayout s;
    s.width = s.height = 4;
    s.mipCount = 9;
    s.fourCC = imgtest::FourCC("DXT5");
    Bytes longChain = imgtest::BuildDds(s, Bytes(48, 0));
    ASSERT_TRUE(gfx::ParseDds(longChain.data(), longChain.size(), &dds));
    EXPECT_EQ(dds.levels.size(), 3u);
}

TEST(DdsParse, UncompressedLayouts) {
    // Two levels of 2 x 1 and 1 x 1 of one pixel each: flags, bit count, masks, stored bytes.
    const std::tuple<uint32_t, uint32_t, std::vector<uint32_t>, Bytes, uint32_t> cases[] = {
        {0x41, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {0x03, 0x02, 0x01, 0x80}, 0x80030201u},  // A8B8G8R8
        {0x40, 16, {0xF800, 0x07E0, 0x001F, 0}, {0x1F, 0xF8}, 0xFFFF00FFu},                       // R5G6B5
        {0x20001, 16, {0xFF, 0, 0, 0xFF00}, {0x5A, 0x10}, 0x105A5A5Au},                           // A8L8
        {0x2, 8, {0, 0, 0, 0xFF}, {0x77}, 0x77000000u},                                           // A8
    };
    for (const auto& [flags, bits, masks, pixel, expected] : cases) {
        imgtest::DdsLayout s;
        s.width = 2, s.height = 1, s.mipCount = 2, s.pfFlags = flags, s.bitCount = bits;
        std::copy(masks.begin(), masks.end(), s.masks);
        Bytes payload;
        for (int i = 0; i < 3; ++i) payload.insert(payload.end(), pixel.begin(), pixel.end());
        Bytes file = imgtest::BuildDds(s, payload);
        DdsImage dds;
        ASSERT_TRUE(gfx::ParseDds(file.data(), file.size(), &dds)) << gfx::LastImageError();
        ASSERT_EQ(dds.decodedLevels.size(), 2u);
        EXPECT_EQ(dds.decodedLevels[0].pixels, (std::vector<uint32_t>{expected, expected})) << std::hex << expected;
        EXPECT_EQ(dds.decodedLevels[1].pixels, (std::vector<uint32_t>{expected})) << std::hex << expected;
    }
}

TEST(DdsParse, TruncatedOrUnsupportedFilesAreRefused) {
    Bytes full = Dxt1MipFile();
    DdsImage dds;
    for (size_t n = 0; n < full.size(); ++n) {
        Bytes cut(full.begin(), full.begin() + long(n));
        EXPECT_FALSE(gfx::ParseDds(cut.data(), cut.size(), &dds)) << "length " << n;
        EXPECT_TRUE(dds.levels.empty());
    }
    // A cube map, a volume, an extended header, width 0, a height past the limit, 12-bit RGB,
    // a mask with a hole.
    const std::vector<std::pair<size_t, uint32_t>> cases[] = {
        {{112, 0xFE00}}, {{112, 0x200000}}, {{84, imgtest::FourCC("DX10")}}, {{16, 0}}, {{12, 1u << 20}},
        {{80, 0x40}, {88, 12}}, {{80, 0x40}, {88, 32}, {92, 0xF0F0}}};
    for (const auto& changes : cases) {
        Bytes file = Dxt1MipFile();
        file.resize(512, 0);  // enough for every level uncompressed
        for (const auto& [offset, value] : changes)
            for (size_t i = 0; i < 4; ++i) file[offset + i] = uint8_t(value >> (8 * i));
        EXPECT_FALSE(gfx::ParseDds(file.data(), file.size(), &dds)) << "field at " << changes[0].first;
    }
}

}  // namespace
