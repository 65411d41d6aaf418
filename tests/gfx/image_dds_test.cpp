#include <gtest/gtest.h>

#include "image_builders.h"
#include "platform/gfx/dds.h"

using gfx::DdsImage;
using gfx::Image;
using imgtest::Bytes;

namespace {

// Red (0xF800) and blue (0x001F) endpoints; row 0 uses indices 0 1 2 3, the rest index 0.
const uint8_t kDxt1FourColour[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
// The same endpoints swapped: first not above second, so three colours and transparent black.
const uint8_t kDxt1ThreeColour[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};

TEST(DxtDecode, Dxt1FourColourBlock) {
    uint32_t px[16];
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT1, kDxt1FourColour, px);
    // Thirds between (255,0,0) and (0,0,255): (170,0,85) and (85,0,170).
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[1], 0xFF0000FFu);
    EXPECT_EQ(px[2], 0xFFAA0055u);
    EXPECT_EQ(px[3], 0xFF5500AAu);
    for (int i = 4; i < 16; ++i) EXPECT_EQ(px[i], 0xFFFF0000u) << i;
}

TEST(DxtDecode, Dxt1ThreeColourBlockHasTransparentBlack) {
    uint32_t px[16];
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT1, kDxt1ThreeColour, px);
    EXPECT_EQ(px[0], 0xFF0000FFu);
    EXPECT_EQ(px[1], 0xFFFF0000u);
    EXPECT_EQ(px[2], 0xFF7F007Fu);  // (0 + 255) / 2 = 127
    EXPECT_EQ(px[3], 0x00000000u);
}

TEST(DxtDecode, Dxt3ExplicitAlphaAndAlwaysFourColours) {
    // Alpha nibbles (low first): 0, 15, 5, 8, then 0. Colours green (0x07E0) then white
    // (0xFFFF): first below second, still four colours.
    const uint8_t block[16] = {0xF0, 0x85, 0, 0, 0, 0, 0, 0,
                               0xE0, 0x07, 0xFF, 0xFF, 0xE4, 0, 0, 0};
    uint32_t px[16];
    gfx::DecodeDxtBlock(gfx::D3DFMT_DXT3, block, px);
    EXPECT_EQ(px[0], 0x0000FF00u);
    EXPECT_EQ(px[1], 0xFFFFFFFFu);
    EXPECT_EQ(px[2], 0x5555FF55u);  // alpha 5 x 17, colour (85,255,85)
    EXPECT_EQ(px[3], 0x88AAFFAAu);  // alpha 8 x 17, colour (170,255,170)
    EXPECT_EQ(px[15], 0x0000FF00u);
}

TEST(DxtDecode, Dxt5EightAndSixAlphaModes) {
    // Colour endpoints blue then red (first below second), every index 3: four-colour mode
    // gives (blue + 2 red) / 3 = (170,0,85) where DXT1 would give transparent black.
    {
        // a0 255 > a1 0: eight values. Indices 0 1 2 7 then 0: bits 0x0E88.
        const uint8_t block[16] = {255, 0, 0x88, 0x0E, 0, 0, 0, 0,
                                   0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF};
        uint32_t px[16];
        gfx::DecodeDxtBlock(gfx::D3DFMT_DXT5, block, px);
        EXPECT_EQ(px[0], 0xFFAA0055u);
        EXPECT_EQ(px[1], 0x00AA0055u);
        EXPECT_EQ(px[2], 0xDAAA0055u);  // 6 x 255 / 7 = 218
        EXPECT_EQ(px[3], 0x24AA0055u);  // 255 / 7 = 36
        EXPECT_EQ(px[4], 0xFFAA0055u);
    }
    {
        // a0 0 <= a1 255: six values plus 0 and 255. Indices 2 6 7 5: bits 0x0BF2.
        const uint8_t block[16] = {0, 255, 0xF2, 0x0B, 0, 0, 0, 0,
                                   0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF};
        uint32_t px[16];
        gfx::DecodeDxtBlock(gfx::D3DFMT_DXT5, block, px);
        EXPECT_EQ(px[0] >> 24, 51u);   // 255 / 5
        EXPECT_EQ(px[1] >> 24, 0u);
        EXPECT_EQ(px[2] >> 24, 255u);
        EXPECT_EQ(px[3] >> 24, 204u);  // 4 x 255 / 5
        EXPECT_EQ(px[4] >> 24, 0u);    // index 0 = a0
    }
}

TEST(DxtDecode, PartialEdgeBlocksAndShortData) {
    // 6 x 5 needs 2 x 2 blocks; all four are the four-colour red/blue block.
    Bytes blocks;
    for (int i = 0; i < 4; ++i) blocks.insert(blocks.end(), kDxt1FourColour, kDxt1FourColour + 8);
    ASSERT_EQ(gfx::DxtLevelBytes(gfx::D3DFMT_DXT1, 6, 5), 32u);
    std::vector<uint32_t> out(30);
    ASSERT_TRUE(gfx::DecodeDxt(gfx::D3DFMT_DXT1, blocks.data(), blocks.size(), 6, 5, out.data()));
    // Row 0: block row 0 of both blocks; column 4 is column 0 of the second block.
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[2], 0xFFAA0055u);
    EXPECT_EQ(out[4], 0xFFFF0000u);
    EXPECT_EQ(out[5], 0xFF0000FFu);
    // Row 4 is row 0 of the lower blocks.
    EXPECT_EQ(out[4 * 6 + 3], 0xFF5500AAu);
    EXPECT_FALSE(gfx::DecodeDxt(gfx::D3DFMT_DXT1, blocks.data(), 31, 6, 5, out.data()));
    EXPECT_FALSE(gfx::DecodeDxt(gfx::D3DFMT_A8R8G8B8, blocks.data(), 32, 6, 5, out.data()));
}

TEST(DxtDecode, LevelSizes) {
    EXPECT_EQ(gfx::DxtLevelBytes(gfx::D3DFMT_DXT1, 1, 1), 8u);
    EXPECT_EQ(gfx::DxtLevelBytes(gfx::D3DFMT_DXT1, 8, 4), 16u);
    EXPECT_EQ(gfx::DxtLevelBytes(gfx::D3DFMT_DXT3, 5, 5), 64u);
    EXPECT_EQ(gfx::DxtLevelBytes(gfx::D3DFMT_DXT5, 256, 256), 65536u);
}

TEST(DxtEncode, RoundTripOfRepresentableBlocks) {
    // Red and blue are exact in 5:6:5; alpha 0/255 is exact in every scheme.
    std::vector<uint32_t> src(8 * 4);
    for (size_t i = 0; i < src.size(); ++i) {
        bool red = (i % 3) == 0;
        bool opaque = (i % 5) != 0;
        src[i] = (opaque ? 0xFF000000u : 0u) | (red ? 0xFF0000u : 0x0000FFu);
    }
    for (gfx::Format f : {gfx::D3DFMT_DXT1, gfx::D3DFMT_DXT3, gfx::D3DFMT_DXT5}) {
        Bytes blocks(gfx::DxtLevelBytes(f, 8, 4));
        ASSERT_TRUE(gfx::EncodeDxt(f, src.data(), 8, 4, blocks.data()));
        std::vector<uint32_t> back(src.size());
        ASSERT_TRUE(gfx::DecodeDxt(f, blocks.data(), blocks.size(), 8, 4, back.data()));
        for (size_t i = 0; i < src.size(); ++i) {
            uint32_t want = f == gfx::D3DFMT_DXT1 ? (src[i] | 0xFF000000u) : src[i];
            EXPECT_EQ(back[i], want) << "format " << f << " pixel " << i;
        }
    }
    // DXT3 keeps 4 bits of alpha: 0x80 becomes 8 x 17 = 136.
    std::vector<uint32_t> half(16, 0x80FFFFFFu);
    Bytes blocks(16);
    ASSERT_TRUE(gfx::EncodeDxt(gfx::D3DFMT_DXT3, half.data(), 4, 4, blocks.data()));
    std::vector<uint32_t> back(16);
    ASSERT_TRUE(gfx::DecodeDxt(gfx::D3DFMT_DXT3, blocks.data(), 16, 4, 4, back.data()));
    EXPECT_EQ(back[7], 0x88FFFFFFu);
}

TEST(DxtEncode, OddSizesRepeatTheEdge) {
    std::vector<uint32_t> src = {0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu};  // 3 x 1
    Bytes blocks(8);
    ASSERT_TRUE(gfx::EncodeDxt(gfx::D3DFMT_DXT1, src.data(), 3, 1, blocks.data()));
    std::vector<uint32_t> back(3);
    ASSERT_TRUE(gfx::DecodeDxt(gfx::D3DFMT_DXT1, blocks.data(), 8, 3, 1, back.data()));
    EXPECT_EQ(back, src);
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
    EXPECT_EQ(dds.format, gfx::D3DFMT_DXT1);
    EXPECT_TRUE(dds.compressed);
    ASSERT_EQ(dds.levels.size(), 4u);
    const uint32_t sizes[4][3] = {{8, 4, 16}, {4, 2, 8}, {2, 1, 8}, {1, 1, 8}};
    size_t offset = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dds.levels[i].width, sizes[i][0]);
        EXPECT_EQ(dds.levels[i].height, sizes[i][1]);
        EXPECT_EQ(dds.levels[i].size, sizes[i][2]);
        EXPECT_EQ(dds.levels[i].offset, offset);
        offset += sizes[i][2];
    }
    EXPECT_EQ(dds.data.size(), 40u);
    EXPECT_EQ(0, std::memcmp(dds.data.data() + 32, kDxt1FourColour, 8));

    Image level2;
    ASSERT_TRUE(gfx::DdsLevelToImage(dds, 2, &level2));
    EXPECT_EQ(level2.width, 2u);
    EXPECT_EQ(level2.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu}));
    EXPECT_FALSE(gfx::DdsLevelToImage(dds, 4, &level2));

    Image viaDecodeImage;
    ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &viaDecodeImage));
    EXPECT_EQ(viaDecodeImage.fileType, gfx::ImageFileType::Dds);
    EXPECT_EQ(viaDecodeImage.width, 8u);
    EXPECT_EQ(viaDecodeImage.pixels[3], 0xFF5500AAu);
    EXPECT_FALSE(viaDecodeImage.hasAlpha);
}

TEST(DdsParse, DeclaredMipCountBeyondTheChainIsCut) {
    imgtest::DdsLayout s;
    s.width = 4;
    s.height = 4;
    s.mipCount = 9;  // a 4 x 4 has 3 levels
    s.fourCC = imgtest::FourCC("DXT5");
    Bytes file = imgtest::BuildDds(s, Bytes(48, 0));
    DdsImage dds;
    ASSERT_TRUE(gfx::ParseDds(file.data(), file.size(), &dds));
    EXPECT_EQ(dds.levels.size(), 3u);
}

TEST(DdsParse, UncompressedLayouts) {
    struct Case {
        const char* what;
        uint32_t pfFlags, bitCount, masks[4];
        Bytes pixel;
        uint32_t expected;
        gfx::Format format;
    };
    const Case cases[] = {
        {"A8R8G8B8", 0x41, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {0x03, 0x02, 0x01, 0x80},
         0x80010203u, gfx::D3DFMT_A8R8G8B8},
        {"X8R8G8B8", 0x40, 32, {0xFF0000, 0xFF00, 0xFF, 0}, {0x03, 0x02, 0x01, 0x80}, 0xFF010203u,
         gfx::D3DFMT_X8R8G8B8},
        {"A8B8G8R8", 0x41, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {0x03, 0x02, 0x01, 0x80},
         0x80030201u, gfx::D3DFMT_A8R8G8B8},
        {"R8G8B8", 0x40, 24, {0xFF0000, 0xFF00, 0xFF, 0}, {0x03, 0x02, 0x01}, 0xFF010203u,
         gfx::D3DFMT_R8G8B8},
        {"R5G6B5", 0x40, 16, {0xF800, 0x07E0, 0x001F, 0}, {0x1F, 0xF8}, 0xFFFF00FFu, gfx::D3DFMT_R5G6B5},
        {"A1R5G5B5", 0x41, 16, {0x7C00, 0x03E0, 0x001F, 0x8000}, {0x00, 0x7C}, 0x00FF0000u,
         gfx::D3DFMT_A1R5G5B5},
        {"A4R4G4B4", 0x41, 16, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x21, 0x43}, 0x44332211u,
         gfx::D3DFMT_A4R4G4B4},
        {"L8", 0x20000, 8, {0xFF, 0, 0, 0}, {0x5A}, 0xFF5A5A5Au, gfx::D3DFMT_L8},
        {"A8L8", 0x20001, 16, {0xFF, 0, 0, 0xFF00}, {0x5A, 0x10}, 0x105A5A5Au, gfx::D3DFMT_A8L8},
        {"A8", 0x2, 8, {0, 0, 0, 0xFF}, {0x77}, 0x77000000u, gfx::D3DFMT_A8},
    };
    for (const Case& c : cases) {
        imgtest::DdsLayout s;
        s.width = 2;
        s.height = 1;
        s.mipCount = 2;
        s.pfFlags = c.pfFlags;
        s.bitCount = c.bitCount;
        for (int i = 0; i < 4; ++i) s.masks[i] = c.masks[i];
        Bytes payload;
        for (int i = 0; i < 3; ++i) payload.insert(payload.end(), c.pixel.begin(), c.pixel.end());
        Bytes file = imgtest::BuildDds(s, payload);
        DdsImage dds;
        ASSERT_TRUE(gfx::ParseDds(file.data(), file.size(), &dds)) << c.what << ": " << gfx::LastImageError();
        EXPECT_FALSE(dds.compressed);
        EXPECT_EQ(dds.format, c.format) << c.what;
        ASSERT_EQ(dds.decodedLevels.size(), 2u) << c.what;
        EXPECT_EQ(dds.decodedLevels[0].pixels, (std::vector<uint32_t>{c.expected, c.expected})) << c.what;
        EXPECT_EQ(dds.decodedLevels[1].pixels, (std::vector<uint32_t>{c.expected})) << c.what;
    }
}

TEST(DdsParse, TruncatedFilesAreRejectedAtEveryLength) {
    Bytes full = Dxt1MipFile();
    DdsImage dds;
    ASSERT_TRUE(gfx::ParseDds(full.data(), full.size(), &dds));
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        EXPECT_FALSE(gfx::ParseDds(cut.data(), cut.size(), &dds)) << "length " << n;
        EXPECT_TRUE(dds.levels.empty());
    }
}

TEST(DdsParse, UnsupportedOrBadHeadersAreRejected) {
    struct Case {
        const char* what;
        imgtest::DdsLayout layout;
    };
    auto layout = [](auto change) {
        imgtest::DdsLayout s;
        s.width = 4;
        s.height = 4;
        s.fourCC = imgtest::FourCC("DXT1");
        change(s);
        return s;
    };
    const Case cases[] = {
        {"cube map", layout([](imgtest::DdsLayout& s) { s.caps2 = 0xFE00; })},
        {"volume", layout([](imgtest::DdsLayout& s) { s.caps2 = 0x200000; })},
        {"extended header", layout([](imgtest::DdsLayout& s) { s.fourCC = imgtest::FourCC("DX10"); })},
        {"premultiplied DXT2", layout([](imgtest::DdsLayout& s) { s.fourCC = imgtest::FourCC("DXT2"); })},
        {"width 0", layout([](imgtest::DdsLayout& s) { s.width = 0; })},
        {"height too big", layout([](imgtest::DdsLayout& s) { s.height = 1u << 20; })},
        {"no pixel-format kind", layout([](imgtest::DdsLayout& s) { s.pfFlags = 0; })},
        {"12-bit RGB", layout([](imgtest::DdsLayout& s) {
             s.pfFlags = 0x40;
             s.bitCount = 12;
         })},
        {"mask with a hole", layout([](imgtest::DdsLayout& s) {
             s.pfFlags = 0x40;
             s.bitCount = 32;
             s.masks[0] = 0xF0F0;
         })},
    };
    for (const Case& c : cases) {
        Bytes file = imgtest::BuildDds(c.layout, Bytes(256, 0));
        DdsImage dds;
        EXPECT_FALSE(gfx::ParseDds(file.data(), file.size(), &dds)) << c.what;
    }
    Bytes wrongSize = imgtest::BuildDds(layout([](imgtest::DdsLayout&) {}), Bytes(8, 0));
    wrongSize[4] = 100;
    DdsImage dds;
    EXPECT_FALSE(gfx::ParseDds(wrongSize.data(), wrongSize.size(), &dds));
}

}  // namespace
