// Format detection, the stb_image route, cross-checks against stb's writers, and the CPU-side
// operations: resizing, halving, mip chains and the colour key.
#include <gtest/gtest.h>

#include <random>

#include <stb/stb_image_write.h>

#include "image_builders.h"
#include "platform/gfx/image.h"

using gfx::Image;
using gfx::ImageFileType;
using imgtest::Bytes;

namespace {

Image MakeImage(uint32_t w, uint32_t h, std::vector<uint32_t> px) {
    Image img;
    img.width = w;
    img.height = h;
    img.pixels = std::move(px);
    return img;
}

void Collect(void* ctx, void* data, int size) {
    auto* out = static_cast<Bytes*>(ctx);
    auto* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

// RGBA bytes of 0xAARRGGBB pixels, for stb's writers.
std::vector<uint8_t> ToRgba(const std::vector<uint32_t>& px) {
    std::vector<uint8_t> out;
    for (uint32_t p : px) out.insert(out.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    return out;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
    auto be32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) png.push_back(uint8_t(v >> s));
    };
    be32(uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    be32(Crc32(body.data(), body.size()));
}

// A 1 x 1 RGB PNG of pure red, its pixel data in one stored (uncompressed) deflate block.
Bytes HandMadePng() {
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutChunk(png, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0});
    // zlib header, stored block of 4 bytes (filter 0, R, G, B), Adler-32 of those bytes.
    PutChunk(png, "IDAT", {0x78, 0x01, 0x01, 0x04, 0x00, 0xFB, 0xFF, 0x00, 0xFF, 0x00, 0x00,
                           0x03, 0x01, 0x01, 0x00});
    PutChunk(png, "IEND", {});
    return png;
}

TEST(ImageDetect, SignaturesAndTgaHeuristic) {
    struct Case {
        const char* what;
        Bytes bytes;
        ImageFileType type;
    };
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    Bytes notTga = tga;
    notTga[16] = 7;  // no such depth
    const Case cases[] = {
        {"DDS", {'D', 'D', 'S', ' ', 0}, ImageFileType::Dds},
        {"GIF87a", {'G', 'I', 'F', '8', '7', 'a'}, ImageFileType::Gif},
        {"GIF89a", {'G', 'I', 'F', '8', '9', 'a'}, ImageFileType::Gif},
        {"GIF90a", {'G', 'I', 'F', '9', '0', 'a'}, ImageFileType::Other},
        {"PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, ImageFileType::Png},
        {"JPEG", {0xFF, 0xD8, 0xFF, 0xE0}, ImageFileType::Jpeg},
        {"BMP", {'B', 'M', 0, 0}, ImageFileType::Bmp},
        {"TGA", tga, ImageFileType::Tga},
        {"unknown bytes", notTga, ImageFileType::Other},
        {"empty", {}, ImageFileType::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gfx::DetectImageFileType(c.bytes.data(), c.bytes.size()), c.type) << c.what;
    EXPECT_EQ(gfx::DetectImageFileType(nullptr, 10), ImageFileType::Unknown);
}

TEST(ImageDecode, GarbageAndEmptyInputFail) {
    Image img;
    img.width = 3;
    Bytes junk = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_FALSE(gfx::DecodeImage(junk.data(), junk.size(), &img));
    EXPECT_EQ(img.width, 0u);
    EXPECT_TRUE(img.pixels.empty());
    EXPECT_NE(gfx::LastImageError(), nullptr);
    EXPECT_FALSE(gfx::DecodeImage(nullptr, 0, &img));
    EXPECT_FALSE(gfx::DecodeImage(junk.data(), 0, &img));
}

TEST(StbDecode, HandMadePng) {
    Bytes png = HandMadePng();
    Image img;
    ASSERT_TRUE(gfx::DecodeImage(png.data(), png.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.fileType, ImageFileType::Png);
    ASSERT_EQ(img.width, 1u);
    ASSERT_EQ(img.height, 1u);
    EXPECT_EQ(img.pixels[0], 0xFFFF0000u);
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_R8G8B8);
}

TEST(StbDecode, PngRoundTripKeepsEveryPixelAndAlpha) {
    const std::vector<uint32_t> px = {0xFF102030u, 0x80FFFFFFu, 0x00000000u,
                                      0x7F010203u, 0xFFFF0000u, 0x01FEDCBAu};
    std::vector<uint8_t> rgba = ToRgba(px);
    Bytes png;
    ASSERT_TRUE(stbi_write_png_to_func(Collect, &png, 3, 2, 4, rgba.data(), 3 * 4));
    Image img;
    ASSERT_TRUE(gfx::DecodeImage(png.data(), png.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.width, 3u);
    EXPECT_EQ(img.height, 2u);
    EXPECT_EQ(img.pixels, px);
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_A8R8G8B8);

    // Grey without alpha.
    const uint8_t grey[4] = {0, 85, 170, 255};
    Bytes greyPng;
    ASSERT_TRUE(stbi_write_png_to_func(Collect, &greyPng, 2, 2, 1, grey, 2));
    ASSERT_TRUE(gfx::DecodeImage(greyPng.data(), greyPng.size(), &img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFF000000u, 0xFF555555u, 0xFFAAAAAAu, 0xFFFFFFFFu}));
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(img.sourceFormat, gfx::D3DFMT_L8);
}

TEST(StbDecode, JpegDecodesCloseToTheSource) {
    std::vector<uint32_t> px(16 * 16, 0xFF3070B0u);
    std::vector<uint8_t> rgba = ToRgba(px);
    Bytes jpg;
    ASSERT_TRUE(stbi_write_jpg_to_func(Collect, &jpg, 16, 16, 4, rgba.data(), 100));
    Image img;
    ASSERT_TRUE(gfx::DecodeImage(jpg.data(), jpg.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.fileType, ImageFileType::Jpeg);
    ASSERT_EQ(img.pixels.size(), px.size());
    for (uint32_t p : img.pixels) {
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_NEAR(int((p >> 16) & 0xFF), 0x30, 3);
        EXPECT_NEAR(int((p >> 8) & 0xFF), 0x70, 3);
        EXPECT_NEAR(int(p & 0xFF), 0xB0, 3);
    }
}

TEST(StbDecode, TruncatedPngIsRejected) {
    Bytes png = HandMadePng();
    // Cut inside the IDAT data: the pixel bytes are missing.
    for (size_t n : {size_t(8), size_t(20), size_t(33), size_t(45), size_t(50)}) {
        std::vector<uint8_t> cut(png.begin(), png.begin() + long(n));
        Image img;
        EXPECT_FALSE(gfx::DecodeImage(cut.data(), cut.size(), &img)) << "length " << n;
    }
}

TEST(CrossCheck, OurTgaAndBmpReadersAgreeWithStbWriters) {
    std::mt19937 rng(3);
    std::vector<uint32_t> px(7 * 5);
    for (uint32_t& p : px) p = (rng() % 3 == 0) ? 0xFF00FF00u : uint32_t(rng());  // runs for RLE
    std::vector<uint8_t> rgba = ToRgba(px);

    Bytes tga;
    ASSERT_TRUE(stbi_write_tga_to_func(Collect, &tga, 7, 5, 4, rgba.data()));
    Image img;
    ASSERT_TRUE(gfx::DecodeTga(tga.data(), tga.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.pixels, px);

    // stb writes 24-bit bottom-up BMPs with padded rows (7 x 3 = 21 bytes -> 24).
    std::vector<uint8_t> rgb;
    for (uint32_t p : px) rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    Bytes bmp;
    ASSERT_TRUE(stbi_write_bmp_to_func(Collect, &bmp, 7, 5, 3, rgb.data()));
    ASSERT_TRUE(gfx::DecodeBmp(bmp.data(), bmp.size(), &img)) << gfx::LastImageError();
    for (size_t i = 0; i < px.size(); ++i) EXPECT_EQ(img.pixels[i], px[i] | 0xFF000000u) << i;
}

TEST(ImageOps, FullMipLevelCount) {
    const uint32_t cases[][3] = {{1, 1, 1}, {2, 1, 2}, {4, 2, 3}, {5, 3, 3}, {256, 64, 9}, {1, 1024, 11}};
    for (const auto& c : cases) EXPECT_EQ(gfx::FullMipLevelCount(c[0], c[1]), c[2]) << c[0] << "x" << c[1];
}

TEST(ImageOps, HalvingAveragesTwoByTwoBlocksPerChannel) {
    Image src = MakeImage(2, 2, {0x10203040u, 0x30405060u, 0x50607080u, 0x70809000u});
    Image half = gfx::HalveImage(src);
    ASSERT_EQ(half.width, 1u);
    ASSERT_EQ(half.height, 1u);
    // A (16+48+80+112)/4 = 64, R 320/4 = 80, G 384/4 = 96, B 288/4 = 72.
    EXPECT_EQ(half.pixels[0], 0x40506048u);

    // Quarter sums round half up: blue sums 1, 2 and 3 give 0, 1 and 1.
    for (auto [sum, want] : {std::pair{1u, 0u}, std::pair{2u, 1u}, std::pair{3u, 1u}}) {
        std::vector<uint32_t> px(4, 0);
        for (uint32_t i = 0; i < sum; ++i) px[i] = 1;
        EXPECT_EQ(gfx::HalveImage(MakeImage(2, 2, px)).pixels[0], want) << sum;
    }
}

TEST(ImageOps, HalvingKeepsASideOfOneAndFollowsOddSizesByArea) {
    Image column = MakeImage(1, 4, {0, 10, 20, 40});
    Image half = gfx::HalveImage(column);
    EXPECT_EQ(half.width, 1u);
    EXPECT_EQ(half.pixels, (std::vector<uint32_t>{5, 30}));

    // 5 -> 2: each output covers 2.5 inputs (weights 0.4 0.4 0.2 | 0.2 0.4 0.4).
    Image five = MakeImage(5, 1, {0, 50, 100, 150, 200});
    EXPECT_EQ(gfx::HalveImage(five).pixels, (std::vector<uint32_t>{40, 160}));

    // 3 -> 1: the mean of all three.
    EXPECT_EQ(gfx::HalveImage(MakeImage(3, 1, {0, 30, 60})).pixels, (std::vector<uint32_t>{30}));
}

TEST(ImageOps, ResizeUpAndToArbitrarySizes) {
    Image one = MakeImage(1, 1, {0x80402010u});
    Image up = gfx::ResizeImage(one, 3, 2);
    EXPECT_EQ(up.pixels, std::vector<uint32_t>(6, 0x80402010u));

    Image same = gfx::ResizeImage(up, 3, 2);
    EXPECT_EQ(same.pixels, up.pixels);

    // 4 x 1 to 2 x 1 is the plain pair average.
    Image four = MakeImage(4, 1, {0xFF000000u, 0xFF0000FEu, 0x00FF0000u, 0x00FF0002u});
    EXPECT_EQ(gfx::ResizeImage(four, 2, 1).pixels, (std::vector<uint32_t>{0xFF00007Fu, 0x00FF0001u}));

    // Nonsense requests give an empty image rather than a crash.
    EXPECT_TRUE(gfx::ResizeImage(one, 0, 4).pixels.empty());
    Image broken = MakeImage(2, 2, {1});
    EXPECT_TRUE(gfx::ResizeImage(broken, 1, 1).pixels.empty());
}

TEST(ImageOps, MipChainLevels) {
    Image base = MakeImage(4, 2, {0, 0, 100, 100, 0, 0, 100, 100});
    base.hasAlpha = true;
    std::vector<Image> chain = gfx::BuildMipChain(base, 0);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0].pixels, base.pixels);
    EXPECT_EQ(chain[1].width, 2u);
    EXPECT_EQ(chain[1].height, 1u);
    EXPECT_EQ(chain[1].pixels, (std::vector<uint32_t>{0, 100}));
    EXPECT_EQ(chain[2].pixels, (std::vector<uint32_t>{50}));
    EXPECT_TRUE(chain[2].hasAlpha);
    EXPECT_EQ(gfx::BuildMipChain(base, 2).size(), 2u);
    EXPECT_EQ(gfx::BuildMipChain(base, 99).size(), 3u);
    EXPECT_TRUE(gfx::BuildMipChain(Image{}, 0).empty());
}

TEST(ImageOps, ColourKeyReplacesExactMatchesOnly) {
    Image img = MakeImage(2, 2, {0xFFFF00FFu, 0x00FF00FFu, 0xFFFF00FEu, 0xFFFF00FFu});
    EXPECT_EQ(gfx::ApplyColorKey(&img, 0), 0u);
    EXPECT_FALSE(img.hasAlpha);
    EXPECT_EQ(gfx::ApplyColorKey(&img, 0xFFFF00FFu), 2u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0u, 0x00FF00FFu, 0xFFFF00FEu, 0u}));
    EXPECT_TRUE(img.hasAlpha);
    EXPECT_EQ(gfx::ApplyColorKey(nullptr, 0xFFFF00FFu), 0u);
}

}  // namespace
