// The skin layers: the TGA reader, blending and clipped drawing of the working image, and the
// cache of decoded layers.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "core/pack_file.h"
#include "fighters/skin.h"
#include "support/image_writer.h"
#include "support/temp_dir.h"

namespace {

using testsupport::Picture;

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Red, green, blue, alpha of pixel (x, y).
std::vector<int16_t> PixelAt(const SkinImage& image, uint32_t x, uint32_t y) {
    const int16_t* p = image.pixels + (size_t(y) * image.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

class SkinLayerTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPackFiles(); }
    void TearDown() override { ResetPackFiles(); }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir.Write(name, Text(bytes));
        ResetPackFiles();
    }
    ScopedWorkDir dir;
};

TEST_F(SkinLayerTest, TrueColourFilesReadUprightWithTheirAlpha) {
    // 2 x 2, top row red and green, bottom row blue and half-transparent white.
    const Picture picture = testsupport::QuadrantPicture(2, 2, 0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0x80ffffffu);
    Write("deep.tga", testsupport::TgaFile(picture, {.depth = 32, .footer = true}));
    Write("flat.tga", testsupport::TgaFile(picture));
    // By hand: three bytes of identification, then bottom row first (B, G, R per pixel).
    Write("hand.tga", {3, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0, 'i', 'd', '!',
                       1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});

    SkinImage image{};
    ASSERT_TRUE(SkinImageCache::LoadTga(&image, "DEEP.TGA"));
    EXPECT_EQ(image.hasAlpha, 1);
    EXPECT_EQ(PixelAt(image, 1, 0), (std::vector<int16_t>{0, 255, 0, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (std::vector<int16_t>{255, 255, 255, 128}));
    ASSERT_TRUE(SkinImageCache::LoadTga(&image, "flat.tga"));
    EXPECT_EQ(image.hasAlpha, 0);
    EXPECT_EQ(PixelAt(image, 0, 0), (std::vector<int16_t>{255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (std::vector<int16_t>{255, 255, 255, 255}));
    ASSERT_TRUE(SkinImageCache::LoadTga(&image, "hand.tga"));
    EXPECT_EQ(PixelAt(image, 0, 0), (std::vector<int16_t>{9, 8, 7, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (std::vector<int16_t>{6, 5, 4, 255}));
    image.Free();
}

TEST_F(SkinLayerTest, OtherImagesAndShortFilesAreRefusedWithNothingKept) {
    const std::vector<uint8_t> good = testsupport::TgaFile(testsupport::SolidPicture(4, 2, 0xff102030u));
    auto with = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> out = good;
        for (size_t i = 0; i < bytes.size(); ++i) out[at + i] = bytes[i];
        return out;
    };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"no bytes", {}},
        {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 17)},
        {"one pixel byte short", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"identification past the end", with(0, {200})},
        {"colour-mapped", with(2, {1})},
        {"grey", with(2, {3})},
        {"colour-mapped, run-length", with(2, {9})},
        {"true colour, run-length", testsupport::TgaFile(testsupport::SolidPicture(4, 2, 0xff102030u), {.rle = true})},
        {"8 bits", with(16, {8})},
        {"16 bits", with(16, {16})},
        {"4097 wide", with(12, {0x01, 0x10})},
        {"65535 high", with(14, {0xff, 0xff})},
        {"no width", with(12, {0, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write("layer.tga", c.bytes);
        SkinImage image{};
        EXPECT_FALSE(SkinImageCache::LoadTga(&image, "layer.tga"));
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.width, 0u);
    }
    SkinImage image{};
    EXPECT_FALSE(SkinImageCache::LoadTga(&image, "missing.tga"));
}

TEST(SkinImageTest, BlendingTruncatesInBothModesAndKeepsTheDestinationAlpha) {
    const struct {
        int mode;
        std::vector<int16_t> source, destination, expected;
    } cases[] = {
        // a = 128/255: 200a + 10(1 - a) = 105.37, 100a + 20(1 - a) = 60.16, 50a + 30(1 - a) = 40.04.
        {SKIN_BLEND_ALPHA, {200, 100, 50, 128}, {10, 20, 30, 77}, {105, 60, 40, 77}},
        // a = 3/255: 100a = 1.18, 200(1 - a) = 197.65.
        {SKIN_BLEND_ALPHA, {100, 0, 0, 3}, {0, 200, 0, 9}, {1, 197, 0, 9}},
        {SKIN_BLEND_ALPHA, {7, 8, 9, 255}, {200, 200, 200, 1}, {7, 8, 9, 1}},
        {SKIN_BLEND_ALPHA, {7, 8, 9, 0}, {200, 201, 202, 1}, {200, 201, 202, 1}},
        // 128/255 x 200 = 100.39, 64/255 x 100 = 25.10, 255/255 x 7 = 7.
        {SKIN_BLEND_MULTIPLY, {128, 64, 255, 0}, {200, 100, 7, 50}, {100, 25, 7, 50}},
        {SKIN_BLEND_MULTIPLY, {0, 1, 254, 255}, {255, 255, 255, 3}, {0, 1, 254, 3}},
        {0, {1, 2, 3, 4}, {5, 6, 7, 8}, {5, 6, 7, 8}},
    };
    for (const auto& c : cases) {
        std::vector<int16_t> d = c.destination;
        SkinImage::Blend(c.source.data(), d.data(), c.mode);
        EXPECT_EQ(d, c.expected) << "mode " << c.mode << ", source red " << c.source[0];
    }
}

TEST(SkinImageTest, DrawingIsClippedAtEveryEdgeAndNeverWraps) {
    // A 2 x 2 source whose pixel (i, j) reads red 10 + i, green 20 + j, opaque.
    std::vector<int16_t> sourcePixels;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) sourcePixels.insert(sourcePixels.end(), {int16_t(10 + i), int16_t(20 + j), 0, 255});
    const SkinImage source{2, 2, sourcePixels.data(), 1};
    const struct {
        int x, y;
        // Destination pixels written, each with the source pixel it takes.
        std::vector<std::array<int, 4>> written;
    } cases[] = {
        {-1, -1, {{0, 0, 1, 1}}},
        {3, -1, {{3, 0, 0, 1}}},
        {-1, 3, {{0, 3, 1, 0}}},
        {3, 3, {{3, 3, 0, 0}}},
        {1, 2, {{1, 2, 0, 0}, {2, 2, 1, 0}, {1, 3, 0, 1}, {2, 3, 1, 1}}},
        {4, 0, {}},
        {0, -2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "at " << c.x << ", " << c.y);
        std::vector<int16_t> destinationPixels(4 * 4 * 4, 0);
        SkinImage destination{4, 4, destinationPixels.data(), 0};
        EXPECT_TRUE(destination.Draw(source, c.x, c.y, SKIN_BLEND_ALPHA));
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x) {
                std::vector<int16_t> expected{0, 0, 0, 0};
                for (const auto& w : c.written)
                    if (uint32_t(w[0]) == x && uint32_t(w[1]) == y) expected = {int16_t(10 + w[2]), int16_t(20 + w[3]), 0, 0};
                EXPECT_EQ(PixelAt(destination, x, y), expected) << x << ", " << y;
            }
    }
}

TEST_F(SkinLayerTest, TheCacheReadsEachNameOnceInAnyCaseUntilCleared) {
    const std::string name = "Texturas\\Personajes\\Pieles\\orlin03.tga";
    Write("Texturas/Personajes/Pieles/orlin03.tga", testsupport::TgaFile(testsupport::SolidPicture(2, 1, 0xff010203u)));
    Write("Texturas/Personajes/Pieles/orlin04.tga", testsupport::TgaFile(testsupport::SolidPicture(1, 1, 0xff040506u)));
    SkinImageCache cache;
    SkinImageCacheNode* first = cache.Get(name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->name, "TEXTURAS\\PERSONAJES\\PIELES\\ORLIN03.TGA");
    EXPECT_EQ(first->image.width, 2u);
    // Once read, the file is no longer needed: the same name in another case is a hit.
    std::filesystem::remove(dir.path() / "Texturas/Personajes/Pieles/orlin03.tga");
    ResetPackFiles();
    EXPECT_EQ(cache.Get("TEXTURAS\\personajes\\pieles\\ORLIN03.TGA"), first);
    EXPECT_EQ(cache.Find("texturas\\personajes\\pieles\\orlin03.tga"), first);
    EXPECT_EQ(SkinImageCache().Get(name.c_str()), nullptr);
    EXPECT_EQ(cache.Get("Texturas\\Personajes\\Pieles\\orlin09.tga"), nullptr);
    EXPECT_EQ(cache.count, 1u);

    SkinImageCacheNode* second = cache.Get("Texturas\\Personajes\\Pieles\\orlin04.tga");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(cache.head, second);
    EXPECT_EQ(second->next, first);
    EXPECT_EQ(first->prev, second);
    EXPECT_EQ(cache.count, 2u);
    cache.Clear();
    EXPECT_EQ(cache.head, nullptr);
    EXPECT_EQ(cache.count, 0u);
    EXPECT_EQ(cache.Find(name.c_str()), nullptr);
}

}  // namespace
