// Format detection, the stb_image route checked against stb's own writer, and the work done on
// pictures before upload: resizing, halving, mip chains and the colour key.
#include <gtest/gtest.h>

#include <algorithm>

#include <stb/stb_image_write.h>

#include "datakit/image_builders.h"
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
    auto* p = static_cast<const uint8_t*>(data);
    static_cast<Bytes*>(ctx)->insert(static_cast<Bytes*>(ctx)->end(), p, p + size);
}

// RGBA bytes of 0xAARRGGBB pixels, for stb's writers.
std::vector<uint8_t> ToRgba(const std::vector<uint32_t>& px) {
    std::vector<uint8_t> out;
    for (uint32_t p : px) out.insert(out.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    return out;
}

TEST(ImageDetect, SignaturesAndTheTgaHeuristic) {
    const Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    Bytes notTga = tga;
    notTga[16] = 7;  // no such depth
    const std::pair<Bytes, ImageFileType> cases[] = {
        {{'D', 'D', 'S', ' ', 0}, ImageFileType::Dds},
        {{'G', 'I', 'F', '8', '7', 'a'}, ImageFileType::Gif},
        {{'G', 'I', 'F', '9', '0', 'a'}, ImageFileType::Other},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, ImageFileType::Png},
        {{0xFF, 0xD8, 0xFF, 0xE0}, ImageFileType::Jpeg},
        {{'B', 'M', 0, 0}, ImageFileType::Bmp},
        {tga, ImageFileType::Tga},
        {notTga, ImageFileType::Other},
        {{}, ImageFileType::Unknown},
    };
    for (const auto& [bytes, type] : cases) EXPECT_EQ(gfx::DetectImageFileType(bytes.data(), bytes.size()), type);
    // A TGA header one byte short is no picture, though stb_image would make one of it.
    const Bytes shortTga = {0, 0, 10, 0, 0, 0, 0x10, 0x6B, 0, 0, 0, 0, 0, 0x21, 0, 0x10, 0x10};
    Image img;
    EXPECT_FALSE(gfx::DecodeImage(shortTga.data(), shortTga.size(), &img));
    EXPECT_TRUE(img.pixels.empty());
}

TEST(StbDecode, PngFromStbsWriter) {
    const std::vector<uint32_t> px = {0xFF102030u, 0x80FFFFFFu, 0x00000000u, 0x7F010203u, 0xFFFF0000u, 0x01FEDCBAu};
    std::vector<uint8_t> rgba = ToRgba(px);
    Bytes png;
    ASSERT_TRUE(stbi_write_png_to_func(Collect, &png, 3, 2, 4, rgba.data(), 3 * 4));
    Image img;
    ASSERT_TRUE(gfx::DecodeImage(png.data(), png.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.width, 3u);
    EXPECT_EQ(img.pixels, px);
    EXPECT_TRUE(img.hasAlpha);
}

TEST(ImageOps, HalvingResizingMipChainAndColourKey) {
    // A (16+48+80+112)/4 = 64, R 320/4 = 80, G 384/4 = 96, B 288/4 = 72.
    EXPECT_EQ(gfx::HalveImage(MakeImage(2, 2, {0x10203040u, 0x30405060u, 0x50607080u, 0x70809000u})).pixels,
              (std::vector<uint32_t>{0x40506048u}));
    // Quarter sums round half up: a blue sum of 2 gives 1. A side of 1 stays; 5 -> 2 weighs
    // 0.4 0.4 0.2 | 0.2 0.4 0.4.
    EXPECT_EQ(gfx::HalveImage(MakeImage(2, 2, {1, 1, 0, 0})).pixels[0], 1u);
    EXPECT_EQ(gfx::HalveImage(MakeImage(1, 4, {0, 10, 20, 40})).pixels, (std::vector<uint32_t>{5, 30}));
    EXPECT_EQ(gfx::HalveImage(MakeImage(5, 1, {0, 50, 100, 150, 200})).pixels, (std::vector<uint32_t>{40, 160}));
    EXPECT_EQ(gfx::ResizeImage(MakeImage(1, 1, {0x80402010u}), 3, 2).pixels, std::vector<uint32_t>(6, 0x80402010u));
    // Nonsense requests give an empty image rather than a crash.
    EXPECT_TRUE(gfx::ResizeImage(MakeImage(2, 2, {1}), 1, 1).pixels.empty());

    std::vector<Image> chain = gfx::BuildMipChain(MakeImage(4, 2, {0, 0, 100, 100, 0, 0, 100, 100}), 0);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[1].pixels, (std::vector<uint32_t>{0, 100}));
    EXPECT_EQ(chain[2].pixels, (std::vector<uint32_t>{50}));

    Image img = MakeImage(2, 2, {0xFFFF00FFu, 0x00FF00FFu, 0xFFFF00FEu, 0xFFFF00FFu});
    EXPECT_EQ(gfx::ApplyColorKey(&img, 0xFFFF00FFu), 2u);
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0u, 0x00FF00FFu, 0xFFFF00FEu, 0u}));
    EXPECT_TRUE(img.hasAlpha);
}

// Each output row of a resize is the overlap-weighted mean of the source rows it covers, when
// shrinking by whole and uneven factors and when growing, however far apart those rows lie.
TEST(ImageOps, ResizedRowsAreTheMeansOfTheSourceRowsTheyCover) {
    auto value = [](uint32_t i) { return (i * 73u + i / 5u) % 256u; };
    const struct {
        uint32_t from, to;
    } sizes[] = {{1024, 512}, {100, 33}, {7, 3}, {3, 8}, {64, 64}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s.from << " -> " << s.to);
        Image src = MakeImage(3, s.from, std::vector<uint32_t>(size_t(3) * s.from));
        for (uint32_t y = 0; y < s.from; ++y)
            for (uint32_t x = 0; x < 3; ++x) src.pixels[size_t(y) * 3 + x] = 0xFF000000u | value(y) * 0x010101u;
        const Image out = gfx::ResizeImage(src, 2, s.to);
        ASSERT_EQ(out.pixels.size(), size_t(2) * s.to);
        const double scale = double(s.from) / s.to;
        for (uint32_t d = 0; d < s.to; ++d) {
            const double a = d * scale, b = (d + 1) * scale;
            double sum = 0;
            for (uint32_t i = uint32_t(a); double(i) < b; ++i)
                sum += (std::min(b, double(i) + 1) - std::max(a, double(i))) * value(i);
            for (uint32_t x = 0; x < 2; ++x) EXPECT_NEAR(double(out.pixels[size_t(d) * 2 + x] & 0xFF), sum / (b - a), 1.0) << d;
        }
    }
}

// A whole halving is exact: each texel is the mean of the 2 x 2 (or, where a side is kept,
// 2 x 1) texels it covers, every channel on its own, a remainder of a half or more rounding up.
TEST(ImageOps, AHalvingIsTheMeanOfEachBlockRoundedHalfUp) {
    // Quarters: 1+2+3+4 = 10 -> 2.5 -> 3; 255 x 4 stays 255; 1+0+0+0 -> 0.25 -> 0; 2+0+0+0 -> 0.5 -> 1.
    const Image block = MakeImage(2, 2, {0x01FF0102u, 0x02FF0000u, 0x03FF0000u, 0x04FF0000u});
    EXPECT_EQ(gfx::HalveImage(block).pixels, (std::vector<uint32_t>{0x03FF0001u}));
    // Halves along one side: 1+2 -> 1.5 -> 2, 255+254 -> 254.5 -> 255, 0+1 -> 0.5 -> 1.
    EXPECT_EQ(gfx::HalveImage(MakeImage(4, 1, {0x000001FFu, 0x000002FEu, 0x00FF0000u, 0x01FE0001u})).pixels,
              (std::vector<uint32_t>{0x00000200u | 0xFFu, 0x01FF0001u}));
    EXPECT_EQ(gfx::HalveImage(MakeImage(1, 2, {0x80000003u, 0x81000004u})).pixels, (std::vector<uint32_t>{0x81000004u}));

    // Every texel of a large halving, against the means worked out channel by channel.
    const uint32_t w = 64, h = 32;
    Image src = MakeImage(w, h, std::vector<uint32_t>(size_t(w) * h));
    for (uint32_t i = 0; i < w * h; ++i) src.pixels[i] = i * 2654435761u;
    const Image out = gfx::HalveImage(src);
    ASSERT_EQ(out.pixels.size(), size_t(w / 2) * (h / 2));
    for (uint32_t y = 0; y < h / 2; ++y)
        for (uint32_t x = 0; x < w / 2; ++x)
            for (uint32_t c = 0; c < 32; c += 8) {
                uint32_t sum = 0;
                for (uint32_t j : {2 * y, 2 * y + 1})
                    for (uint32_t i : {2 * x, 2 * x + 1}) sum += (src.pixels[size_t(j) * w + i] >> c) & 0xFF;
                const uint32_t mean = sum / 4 + (sum % 4 >= 2 ? 1 : 0);
                ASSERT_EQ((out.pixels[size_t(y) * (w / 2) + x] >> c) & 0xFF, mean) << x << "," << y << " bit " << c;
            }
}

}  // namespace
