// The skin layers: the TGA reader, blending and clipped drawing, and the cache of decoded layers.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "core/pack_file.h"
#include "fighters/skin.h"
#include "render/texture_manager.h"
#include "datakit/image_writer.h"
#include "support/temp_dir.h"

namespace {

using datakit::SolidPicture;
using datakit::TgaFile;
using Pixel = std::vector<int16_t>;

Pixel PixelAt(const SkinImage& image, uint32_t x, uint32_t y) {
    const int16_t* p = image.pixels + (size_t(y) * image.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

class SkinLayerTest : public ::testing::Test {
protected:
    void TearDown() override { ResetPackFiles(); }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir.Write(name, std::string(bytes.begin(), bytes.end()));
        ResetPackFiles();
    }
    bool Load(const std::vector<uint8_t>& bytes, SkinImage* image) {
        Write("layer.tga", bytes);
        return SkinImageCache::LoadTga(image, "LAYER.TGA");
    }
    ScopedWorkDir dir;
};

TEST_F(SkinLayerTest, TrueColourFilesReadUprightAndEveryOtherFileIsRefused) {
    SkinImage image{};
    // By hand, 24 bits: three bytes of identification, then the bottom row first (B, G, R).
    ASSERT_TRUE(Load({3, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0, 'i', 'd', '!', 1, 2, 3, 4, 5, 6, 7, 8, 9,
                      10, 11, 12},
                     &image));
    EXPECT_EQ(image.hasAlpha, 0);
    EXPECT_EQ(PixelAt(image, 0, 0), (Pixel{9, 8, 7, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (Pixel{6, 5, 4, 255}));
    // 32 bits keep their alpha: green top right, half-transparent white bottom right.
    ASSERT_TRUE(Load(TgaFile(datakit::QuadrantPicture(2, 2, 0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0x80ffffffu),
                             {.depth = 32, .footer = true}),
                     &image));
    EXPECT_EQ(image.hasAlpha, 1);
    EXPECT_EQ(PixelAt(image, 1, 0), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (Pixel{255, 255, 255, 128}));
    image.Free();

    const std::vector<uint8_t> good = TgaFile(SolidPicture(4, 2, 0xff102030u));
    auto with = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> out = good;
        std::copy(bytes.begin(), bytes.end(), out.begin() + long(at));
        return out;
    };
    const std::vector<uint8_t> refused[] = {
        {}, {good.begin(), good.begin() + 17}, {good.begin(), good.end() - 1}, with(0, {200}),   // short
        with(2, {1}), with(2, {3}), with(2, {9}), TgaFile(SolidPicture(4, 2, 0xff102030u), {.rle = true}),
        with(16, {8}), with(16, {16}),                                                           // depths
        with(12, {0x01, 0x10}), with(14, {0xff, 0xff}), with(12, {0, 0}),                        // sizes
    };
    for (size_t i = 0; i < std::size(refused); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        EXPECT_FALSE(Load(refused[i], &image));
        EXPECT_EQ(image.pixels, nullptr);
    }
}

TEST(SkinImageTest, BlendingTruncatesAndDrawingIsClippedAtEveryEdgeWithoutWrapping) {
    const struct {
        int mode;
        Pixel source, destination, expected;
    } blends[] = {
        // a = 128/255: 200a + 10(1 - a) = 105.4, 100a + 20(1 - a) = 60.2, 50a + 30(1 - a) = 40.04.
        {SKIN_BLEND_ALPHA, {200, 100, 50, 128}, {10, 20, 30, 77}, {105, 60, 40, 77}},
        {SKIN_BLEND_ALPHA, {100, 0, 0, 3}, {0, 200, 0, 9}, {1, 197, 0, 9}},   // 1.18, 197.6
        {SKIN_BLEND_ALPHA, {7, 8, 9, 255}, {200, 200, 200, 1}, {7, 8, 9, 1}},
        // 128/255 x 200 = 100.4, 64/255 x 100 = 25.1, 255/255 x 7 = 7.
        {SKIN_BLEND_MULTIPLY, {128, 64, 255, 0}, {200, 100, 7, 50}, {100, 25, 7, 50}},
    };
    for (const auto& b : blends) {
        Pixel d = b.destination;
        SkinImage::Blend(b.source.data(), d.data(), b.mode);
        EXPECT_EQ(d, b.expected) << "mode " << b.mode << ", red " << b.source[0];
    }

    // A 2 x 2 source whose pixel (i, j) is red 10 + i, green 20 + j; each case lists the
    // destination pixels written as {x, y, i, j}.
    Pixel sourcePixels;
    for (int16_t j = 0; j < 2; ++j)
        for (int16_t i = 0; i < 2; ++i) sourcePixels.insert(sourcePixels.end(), {int16_t(10 + i), int16_t(20 + j), 0, 255});
    const SkinImage source{2, 2, sourcePixels.data(), 1};
    const struct {
        int x, y;
        std::vector<std::array<int, 4>> written;
    } draws[] = {
        {-1, -1, {{0, 0, 1, 1}}}, {3, -1, {{3, 0, 0, 1}}}, {-1, 3, {{0, 3, 1, 0}}}, {3, 3, {{3, 3, 0, 0}}},
        {1, 2, {{1, 2, 0, 0}, {2, 2, 1, 0}, {1, 3, 0, 1}, {2, 3, 1, 1}}}, {4, 0, {}}, {0, -2, {}},
    };
    for (const auto& c : draws) {
        SCOPED_TRACE(testing::Message() << "at " << c.x << ", " << c.y);
        Pixel pixels(4 * 4 * 4, 0), expected(4 * 4 * 4, 0);
        SkinImage destination{4, 4, pixels.data(), 0};
        EXPECT_TRUE(destination.Draw(source, c.x, c.y, SKIN_BLEND_ALPHA));
        for (const auto& w : c.written) {
            expected[size_t(w[1] * 4 + w[0]) * 4] = int16_t(10 + w[2]);
            expected[size_t(w[1] * 4 + w[0]) * 4 + 1] = int16_t(20 + w[3]);
        }
        EXPECT_EQ(pixels, expected);
    }
}

// The skin composed straight into the texture's picture from the kept 8-bit layers holds what
// the 16-bit working image would hand over: channel order, alpha, both blends and clipping.
TEST_F(SkinLayerTest, LayersDrawnOntoTheTexturePictureGiveWhatTheWorkingImageGives) {
    // Top row of the 32-bit layer: opaque red, clear, alpha 1, 128 and 254 (B, G, R, A in file
    // order); bottom row: multiply factors.
    SkinLayerImage layer{5, 2, 4, {0, 0, 255, 255, 9, 9, 9, 0, 200, 100, 50, 1, 10, 20, 30, 128, 99, 98, 97, 254,
                                  255, 255, 255, 7, 0, 0, 0, 9, 128, 64, 32, 200, 1, 2, 3, 4, 254, 253, 252, 251}};
    SkinLayerImage plain{2, 1, 3, {40, 50, 60, 70, 80, 90}};
    Write("base.tga", TgaFile(SolidPicture(6, 4, 0x80c86432u), {.depth = 32}));
    SkinLayerImage base;
    ASSERT_TRUE(SkinImageCache::LoadLayer(&base, "BASE.TGA"));
    ASSERT_EQ(base.channels, 4);

    gfx::Image picture;
    ASSERT_TRUE(StartSkinPicture(base, &picture));
    EXPECT_TRUE(picture.hasAlpha);
    EXPECT_EQ(picture.pixels, std::vector<uint32_t>(24, 0x80c86432u));
    SkinImage working{};
    ASSERT_TRUE(working.CopyFrom(base));
    const struct {
        const SkinLayerImage* layer;
        int x, y, mode;
    } draws[] = {{&layer, 0, 0, SKIN_BLEND_ALPHA},    {&layer, 2, 1, SKIN_BLEND_MULTIPLY}, {&layer, -3, 3, SKIN_BLEND_ALPHA},
                 {&plain, 5, -0, SKIN_BLEND_ALPHA},   {&plain, -1, 2, SKIN_BLEND_MULTIPLY}, {&layer, 6, 0, SKIN_BLEND_ALPHA}};
    for (const auto& d : draws) {
        EXPECT_TRUE(DrawSkinLayer(&picture, *d.layer, d.x, d.y, d.mode));
        working.Draw(*d.layer, d.x, d.y, d.mode);
    }
    gfx::Image expected;
    ASSERT_TRUE(SkinPicture(working, &expected));
    EXPECT_EQ(picture.pixels, expected.pixels);
    // By hand: opaque red at (0, 0); the clear pixel leaves (1, 0); a 24-bit layer covers fully.
    EXPECT_EQ(picture.pixels[0], 0x80ff0000u);
    EXPECT_EQ(picture.pixels[1], 0x80c86432u);
    EXPECT_EQ(picture.pixels[5], 0x803c3228u);
    working.Free();

    // Without alpha the picture is opaque and says so.
    ASSERT_TRUE(StartSkinPicture(plain, &picture));
    EXPECT_FALSE(picture.hasAlpha);
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xff3c3228u, 0xff5a5046u}));
    EXPECT_FALSE(StartSkinPicture(SkinLayerImage{}, &picture));
    EXPECT_FALSE(DrawSkinLayer(&picture, SkinLayerImage{}, 0, 0, SKIN_BLEND_ALPHA));
}

TEST_F(SkinLayerTest, TheCacheReadsEachNameOnceInAnyCaseUntilCleared) {
    const char* name = "Texturas\\Personajes\\Pieles\\orlin03.tga";
    Write("Texturas/Personajes/Pieles/orlin03.tga", TgaFile(SolidPicture(2, 1, 0xff010203u)));
    SkinImageCache cache;
    SkinImageCacheNode* first = cache.Get(name);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->name, "TEXTURAS\\PERSONAJES\\PIELES\\ORLIN03.TGA");
    // Once read the file is not needed again: the name in another case is a hit.
    std::filesystem::remove(dir.path() / "Texturas/Personajes/Pieles/orlin03.tga");
    ResetPackFiles();
    EXPECT_EQ(cache.Get("TEXTURAS\\personajes\\pieles\\ORLIN03.TGA"), first);
    EXPECT_EQ(SkinImageCache().Get(name), nullptr);
    EXPECT_EQ(cache.Get("Texturas\\Personajes\\Pieles\\orlin09.tga"), nullptr);
    Write("Texturas/Personajes/Pieles/orlin04.tga", TgaFile(SolidPicture(1, 1, 0xff040506u)));
    SkinImageCacheNode* second = cache.Get("Texturas\\Personajes\\Pieles\\orlin04.tga");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(cache.head, second);
    EXPECT_EQ(second->next, first);
    EXPECT_EQ(cache.count, 2u);
    cache.Clear();
    EXPECT_EQ(cache.head, nullptr);
    EXPECT_EQ(cache.count, 0u);
    EXPECT_EQ(cache.Find(name), nullptr);
}

}  // namespace
