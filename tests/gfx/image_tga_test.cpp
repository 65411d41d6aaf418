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

TEST(TgaDecode, Uncompressed24BitBottomUp) {
    Image img = Decode(kTga24BottomUp);
    ASSERT_EQ(img.width, 2u);
    ASSERT_EQ(img.height, 2u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kWhite, kRed, kGreen}));
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.fileType, gfx::ImageFileType::Tga);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_R8G8B8);
}

TEST(TgaDecode, FooterAndImageIdAreSkipped) {
    Bytes b = {3, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 'a', 'b', 'c',
               0x10, 0x20, 0x30};
    Bytes footer = {0, 0, 0, 0, 0, 0, 0, 0};
    for (char c : std::string("TRUEVISION-XFILE.")) footer.push_back(uint8_t(c));
    footer.push_back(0);
    b.insert(b.end(), footer.begin(), footer.end());
    Image img = Decode(b);
    ASSERT_EQ(img.pixels.size(), 1u);
    EXPECT_EQ(img.pixels[0], 0xFF302010u);
}

TEST(TgaDecode, Uncompressed32BitTopDownKeepsAlpha) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 0x28,
               0x01, 0x02, 0x03, 0x80,   // B G R A
               0x00, 0x00, 0xFF, 0x00};  // red, fully transparent
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x80030201u, 0x00FF0000u}));
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_A8R8G8B8);
}

TEST(TgaDecode, ThirtyTwoBitWithAllAlphaZeroAndNoAlphaBitsIsOpaque) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 0x20,
               0x01, 0x02, 0x03, 0x00, 0x04, 0x05, 0x06, 0x00};
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF030201u, 0xFF060504u}));
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_X8R8G8B8);
}

TEST(TgaDecode, SixteenBitChannelsAndAlphaBit) {
    // 0x7C00 red, 0x03E0 green, 0x801F blue with the alpha bit, 0x4210 grey 16/31 each.
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 16, 0x21,
               0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x80, 0x10, 0x42};
    Image img = Decode(b);
    // Alpha bit announced: pixels without bit 15 are transparent.
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x00FF0000u, 0x0000FF00u, 0xFF0000FFu, 0x00848484u}));
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_A1R5G5B5);

    b[17] = 0x20;  // no alpha bits: every pixel opaque
    img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, 0xFF848484u}));
    EXPECT_FALSE(img.hasAlpha);
}

TEST(TgaDecode, ColourMappedWithFirstEntryOffset) {
    // Map of 2 entries starting at index 3: 3 = red, 4 = blue (24-bit BGR entries).
    Bytes b = {0, 1, 1, 3, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0x20,
               0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
               3, 4, 4, 9};  // index 9 lies outside the map
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kBlue, kBlue, 0xFF000000u}));
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_P8);
    EXPECT_FALSE(img.hasAlpha);
}

TEST(TgaDecode, GreyAndGreyWithAlpha) {
    Bytes grey = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x20, 0x00, 0x7F};
    Image img = Decode(grey);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF000000u, 0xFF7F7F7Fu}));
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_L8);

    Bytes greyAlpha = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 16, 0x28, 0x40, 0x10};
    img = Decode(greyAlpha);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0x10404040u}));
    EXPECT_TRUE(img.hasAlpha);
}

TEST(TgaDecode, RunLengthPacketsCrossRows) {
    // 3 x 2, top-down, type 10: run of 4 red (crosses into row 1), then a raw packet of 2.
    Bytes b = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0x20,
               0x83, 0x00, 0x00, 0xFF,
               0x01, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00};
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kRed, kRed, kRed, kBlue, kGreen}));
}

TEST(TgaDecode, RunPastTheLastPixelIsCut) {
    Bytes b = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20, 0xFF, 0x00, 0x00, 0xFF};
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kRed, kRed}));
}

TEST(TgaDecode, RightToLeftOrigin) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x30,
               0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00};
    Image img = Decode(b);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{kBlue, kRed}));
}

// Every true-colour depth, grey, colour-mapped, raw and RLE, all four origins, on a 5 x 3
// image with a few repeated pixels so the RLE writer makes both packet kinds.
struct Variant {
    uint8_t type, depth, mapBits;
};

TEST(TgaDecode, GeneratedVariantsMatchTheStoredValues) {
    const Variant variants[] = {
        {2, 16, 0}, {2, 24, 0}, {2, 32, 0}, {3, 8, 0}, {1, 8, 24}, {1, 8, 32}, {1, 8, 16},
    };
    const uint32_t w = 5, h = 3;
    std::mt19937 rng(7);
    for (const Variant& v : variants) {
        for (bool rle : {false, true}) {
            for (uint8_t origin : {0x00, 0x10, 0x20, 0x30}) {
                imgtest::TgaLayout layout;
                layout.type = uint8_t(v.type + (rle ? 8 : 0));
                layout.depth = v.depth;
                layout.width = w;
                layout.height = h;
                uint32_t alphaBits = v.depth == 32 ? 8 : 0;
                layout.descriptor = uint8_t(origin | alphaBits);
                // Display-order expected pixels and file-order stored bytes.
                std::vector<uint32_t> expected(w * h);
                std::vector<uint32_t> palette;
                if (v.type == 1) {
                    layout.mapEntryBits = v.mapBits;
                    for (int i = 0; i < 6; ++i) {
                        uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF, a = rng() & 0xFF;
                        if (v.mapBits == 16) {
                            uint32_t r5 = r >> 3, g5 = g >> 3, b5 = bl >> 3;
                            imgtest::Put16(layout.map, (r5 << 10) | (g5 << 5) | b5);
                            palette.push_back(Argb(255, imgtest::Scale(r5, 5), imgtest::Scale(g5, 5),
                                                   imgtest::Scale(b5, 5)));
                        } else {
                            layout.map.insert(layout.map.end(), {uint8_t(bl), uint8_t(g), uint8_t(r)});
                            if (v.mapBits == 32) layout.map.push_back(uint8_t(a));
                            palette.push_back(Argb(v.mapBits == 32 ? a : 255, r, g, bl));
                        }
                    }
                }
                Bytes stored;
                std::vector<uint32_t> fileOrder(w * h);
                Bytes prev;
                for (uint32_t i = 0; i < w * h; ++i) {
                    Bytes px;
                    uint32_t value;
                    bool repeat = (i % 4 == 1) && !prev.empty();
                    if (repeat) {
                        px = prev;
                        value = fileOrder[i - 1];
                    } else if (v.type == 1) {
                        uint32_t idx = rng() % 6;
                        px = {uint8_t(idx)};
                        value = palette[idx];
                    } else if (v.type == 3) {
                        uint32_t l = rng() & 0xFF;
                        px = {uint8_t(l)};
                        value = Argb(255, l, l, l);
                    } else if (v.depth == 16) {
                        uint32_t r5 = rng() & 31, g5 = rng() & 31, b5 = rng() & 31;
                        uint32_t s = (r5 << 10) | (g5 << 5) | b5;
                        px = {uint8_t(s), uint8_t(s >> 8)};
                        value = Argb(255, imgtest::Scale(r5, 5), imgtest::Scale(g5, 5), imgtest::Scale(b5, 5));
                    } else {
                        uint32_t r = rng() & 0xFF, g = rng() & 0xFF, bl = rng() & 0xFF, a = (rng() & 0xFF) | 1;
                        px = {uint8_t(bl), uint8_t(g), uint8_t(r)};
                        if (v.depth == 32) px.push_back(uint8_t(a));
                        value = Argb(v.depth == 32 ? a : 255, r, g, bl);
                    }
                    prev = px;
                    stored.insert(stored.end(), px.begin(), px.end());
                    fileOrder[i] = value;
                }
                bool topDown = origin & 0x20, rightToLeft = origin & 0x10;
                for (uint32_t row = 0; row < h; ++row) {
                    for (uint32_t col = 0; col < w; ++col) {
                        uint32_t y = topDown ? row : h - 1 - row;
                        uint32_t x = rightToLeft ? w - 1 - col : col;
                        expected[y * w + x] = fileOrder[row * w + col];
                    }
                }
                Bytes file = imgtest::BuildTga(layout, stored);
                Image img;
                ASSERT_TRUE(gfx::DecodeTga(file.data(), file.size(), &img))
                    << int(v.type) << "/" << int(v.depth) << " rle " << rle << " origin " << int(origin)
                    << ": " << gfx::LastImageError();
                EXPECT_EQ(img.pixels, expected) << int(v.type) << "/" << int(v.depth) << "/" << int(v.mapBits)
                                                << " rle " << rle << " origin " << int(origin);
                // The generic entry point takes the same route.
                Image viaDecodeImage;
                ASSERT_TRUE(gfx::DecodeImage(file.data(), file.size(), &viaDecodeImage));
                EXPECT_EQ(viaDecodeImage.pixels, expected);
            }
        }
    }
}

TEST(TgaDecode, TruncatedFilesAreRejectedAtEveryLength) {
    imgtest::TgaLayout layout;
    layout.width = 4;
    layout.height = 3;
    layout.depth = 24;
    Bytes stored(4 * 3 * 3);
    for (size_t i = 0; i < stored.size(); ++i) stored[i] = uint8_t(i * 7);
    for (uint8_t type : {uint8_t(2), uint8_t(10)}) {
        layout.type = type;
        Bytes full = imgtest::BuildTga(layout, stored);
        Image img;
        ASSERT_TRUE(gfx::DecodeTga(full.data(), full.size(), &img));
        for (size_t n = 0; n < full.size(); ++n) {
            // A fresh allocation of exactly n bytes lets AddressSanitizer catch any overread.
            std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
            EXPECT_FALSE(gfx::DecodeTga(cut.data(), cut.size(), &img)) << "type " << int(type) << " length " << n;
            EXPECT_TRUE(img.pixels.empty());
        }
    }
}

TEST(TgaDecode, BadHeadersAreRejected) {
    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
    };
    const Case cases[] = {
        {"width 0", 12, 0},        {"height 0", 14, 0},          {"image type 4", 2, 4},
        {"colour-map type 2", 1, 2}, {"depth 12", 16, 12},       {"huge id length", 0, 200},
    };
    for (const Case& c : cases) {
        Bytes b = kTga24BottomUp;
        b[c.offset] = c.value;
        if (c.offset == 12 || c.offset == 14) b[c.offset + 1] = 0;
        Image img;
        EXPECT_FALSE(gfx::DecodeTga(b.data(), b.size(), &img)) << c.what;
    }
    // A colour-mapped image whose map runs past the end of the file.
    Bytes mapped = {0, 1, 1, 0, 0, 0xFF, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 1, 2, 3};
    Image img;
    EXPECT_FALSE(gfx::DecodeTga(mapped.data(), mapped.size(), &img));
    // A colour-mapped image with no map at all.
    Bytes unmapped = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 0};
    EXPECT_FALSE(gfx::DecodeTga(unmapped.data(), unmapped.size(), &img));
}

TEST(TgaDecode, RunLengthHeaderPromisingHugeImageIsRefusedBeforeAllocating) {
    // 16384 x 16384 from a single run packet: far more pixels than 4 bytes could describe.
    Bytes b = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x40, 0x00, 0x40, 24, 0x20, 0xFF, 1, 2, 3};
    Image img;
    EXPECT_FALSE(gfx::DecodeTga(b.data(), b.size(), &img));
    // Sides above the limit are refused whatever the data.
    Bytes wide = kTga24BottomUp;
    wide[12] = 0x01;
    wide[13] = 0x40;  // 16385
    EXPECT_FALSE(gfx::DecodeTga(wide.data(), wide.size(), &img));
}

}  // namespace
