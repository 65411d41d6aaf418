#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "core/settings.h"
#include "datakit/image_builders.h"
#include "render/adapter_table.h"
#include "render/video.h"
#include "texture_fixture.h"

namespace {

using namespace gfx;
using datakit::SolidPicture;

class TextureManagerTest : public rendertest::TextureTest {
protected:
    ::Texture* Loaded(int32_t index) { return manager.Get(index); }
};

TEST_F(TextureManagerTest, ANameLoadsOnceInAnyLetterCaseWithoutAReference) {
    AddTga("TEX\\WALL.TGA", SolidPicture(8, 4, 0xFF112233));
    WritePack();
    ASSERT_EQ(manager.LoadTexture("tex\\wall.tga", false, true, true), 0);
    EXPECT_EQ(manager.LoadTexture("Tex\\Wall.Tga", true, false, false), 0);
    EXPECT_EQ(manager.entries[0].refs, 0u);
    EXPECT_EQ(dev->CountCalls(CallKind::CreateTexture), 1u);
    EXPECT_STREQ(Loaded(0)->name, "TEX\\WALL.TGA");
    EXPECT_EQ(rendertest::LevelPixels(Loaded(0)->frames[0])[0] & 0xFFFFFF, 0x112233u);
}

TEST_F(TextureManagerTest, MissingOrUnreadableFilesGiveNoIndexAndSayWhyInTheLog) {
    g_Settings.debug = 1;
    pack.Add("TEX\\JUNK.TGA", std::vector<uint8_t>(40, 0xEE));
    std::vector<uint8_t> cut = datakit::TgaFile(SolidPicture(4, 4, 0xFF00FF00));
    cut.resize(cut.size() - 5);
    pack.Add("TEX\\CUT.TGA", cut);
    AddTga("TEX\\GOOD.TGA", SolidPicture(2, 2, 0xFF00FF00));
    WritePack();
    EXPECT_EQ(manager.LoadTexture("TEX\\NONE.TGA", false, true, true), -1);
    EXPECT_EQ(manager.LoadTexture("TEX\\JUNK.TGA", false, true, true), -1);
    EXPECT_EQ(manager.LoadTexture("TEX\\CUT.TGA", false, true, true), -1);
    EXPECT_EQ(manager.count, 0u);
    EXPECT_EQ(manager.LoadTexture("TEX\\GOOD.TGA", false, true, true), 0);
    const std::vector<std::string> expected = {
        "", "Cargando textura TEX\\NONE.TGA", "No se encontro el fichero",
        "", "Cargando textura TEX\\JUNK.TGA", "Formato de textura no reconocido",
        "", "Cargando textura TEX\\CUT.TGA",
        "CreateTextureFromFileInMemoryEx: D3DXERR_INVALIDDATA: TGA truncated in the pixel data",
        "", "Cargando textura TEX\\GOOD.TGA", "Textura cargada."};
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(TextureManagerTest, FilesOfEveryKindLoadAtTheirOwnSize) {
    // A DDS whose width puts 16 in the byte a TGA keeps its depth in, an OS/2-style BMP, and a
    // run-length BMP of red (palette entry 0).
    imgtest::DdsLayout dds;
    dds.width = 16, dds.height = 8, dds.fourCC = imgtest::FourCC("DXT1");
    pack.Add("T\\BLOCKS.DDS", imgtest::BuildDds(dds, std::vector<uint8_t>(64, 0)));
    imgtest::BmpLayout core;
    core.infoSize = 12, core.width = 37, core.height = 5;
    pack.Add("T\\CORE.BMP", imgtest::BuildBmp(core, std::vector<imgtest::Bytes>(5, imgtest::Bytes(37 * 3, 0x80))));
    imgtest::BmpLayout rle;
    rle.width = 6, rle.height = 2, rle.bpp = 8, rle.compression = 1, rle.colorsUsed = 1, rle.palette = {0, 0, 0xFF, 0};
    pack.Add("T\\RLE.BMP", imgtest::BuildBmp(rle, {{6, 0, 0, 0, 6, 0, 0, 1}}));
    WritePack();
    for (auto [name, width, height] : {std::tuple{"T\\BLOCKS.DDS", 16, 8}, {"T\\CORE.BMP", 37, 5}, {"T\\RLE.BMP", 6, 2}}) {
        const ::Texture* t = Loaded(manager.LoadTexture(name, false, false, true));
        ASSERT_NE(t, nullptr) << name;
        EXPECT_EQ(t->width, width) << name;
        EXPECT_EQ(t->height, height) << name;
    }
    EXPECT_EQ(rendertest::LevelPixels(Loaded(manager.Find("T\\RLE.BMP"))->frames[0])[11], 0xFFFF0000u);
}

TEST_F(TextureManagerTest, CountedEntriesGoAtTheLastReleaseUncountedOnlyByClearAndFreedOnesAreReused) {
    AddTga("TEX\\A.TGA", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("TEX\\B.TGA", SolidPicture(2, 2, 0xFF00FF00));
    WritePack();
    const int32_t counted = manager.LoadTexture("TEX\\A.TGA", false, false, true);
    const int32_t uncounted = manager.LoadTexture("TEX\\B.TGA", false, false, false);
    EXPECT_EQ(manager.AddRef(counted), 1);
    EXPECT_EQ(manager.AddRef(counted), 2);
    EXPECT_EQ(manager.Release(counted), 1);
    EXPECT_EQ(manager.Release(counted), 0);
    EXPECT_EQ(Loaded(counted), nullptr);
    EXPECT_EQ(manager.AddRef(uncounted), 1);
    EXPECT_EQ(manager.Release(uncounted), 1);
    EXPECT_NE(Loaded(uncounted), nullptr);
    for (int32_t bad : {counted, -1, 1000}) EXPECT_EQ(manager.Release(bad), -1) << bad;
    EXPECT_EQ(dev->LiveResources(), 1u);

    // The freed entry is taken first; past the 50 entries the table grows by 50.
    EXPECT_EQ(manager.Add(new ::Texture(), true), counted);
    for (int i = 2; i < 51; ++i) EXPECT_EQ(manager.Add(new ::Texture(), true), i);
    EXPECT_EQ(manager.Capacity(), 100u);
    manager.Clear();
    EXPECT_EQ(dev->LiveResources(), 0u);
}

TEST_F(TextureManagerTest, SizeFormatAndLevelsFollowTheSettingsAndTheName) {
    const Format X8 = D3DFMT_X8R8G8B8, A8 = D3DFMT_A8R8G8B8;
    const struct {
        const char* name;
        uint32_t width, height;
        uint8_t depth;
        int32_t reduction, bpp;
        bool compress, dxt1;
        uint32_t maxSide, expectWidth, expectHeight;
        Format format;
        uint32_t levels;
    } cases[] = {
        {"T\\WALL.TGA", 256, 64, 24, 2, 32, false, false, 2048, 64, 16, X8, 7},
        {"T\\THIN.TGA", 4, 1, 24, 2, 32, false, false, 2048, 4, 1, X8, 3},  // a side of 1 stops the halving
        {"T\\LIGHTMAP_01.TGA", 256, 64, 24, 2, 32, false, false, 2048, 256, 64, X8, 9},
        {"sky\\Fog.tga", 256, 64, 24, 2, 32, true, true, 2048, 256, 64, A8, 1},  // alpha, one level
        {"T\\LM_FLOOR.TGA", 256, 64, 24, 1, 32, false, false, 2048, 128, 32, X8, 1},
        {"T\\A.TGA", 16, 16, 32, 0, 16, false, false, 2048, 16, 16, D3DFMT_A4R4G4B4, 5},
        {"T\\A.TGA", 16, 16, 24, 0, 16, true, true, 2048, 16, 16, D3DFMT_R5G6B5, 5},
        {"T\\A.TGA", 16, 16, 24, 0, 32, true, true, 2048, 16, 16, D3DFMT_DXT1, 5},
        {"T\\A.TGA", 16, 16, 24, 0, 32, true, false, 2048, 16, 16, X8, 5},  // no DXT1 on the adapter
        {"T\\A.TGA", 16, 16, 32, 0, 32, true, true, 2048, 16, 16, A8, 5},
        {"T\\WALL.TGA", 256, 64, 24, 0, 32, false, false, 128, 128, 64, X8, 8},  // the device's largest
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        manager.Clear();
        pack = datakit::PackWriter();
        std::string stored = c.name;  // packs hold upper-case names
        std::transform(stored.begin(), stored.end(), stored.begin(), ::toupper);
        AddTga(stored, SolidPicture(c.width, c.height, 0x80FF0000), c.depth);
        WritePack();
        g_Settings.textureReduction = c.reduction;
        g_Settings.textureBpp = c.bpp;
        g_AdapterTable.adapters[0].dxt1With32BitDisplay = c.dxt1;
        g_Video.caps.MaxTextureWidth = g_Video.caps.MaxTextureHeight = c.maxSide;
        const ::Texture* t = Loaded(manager.LoadTexture(c.name, c.compress, true, true));
        ASSERT_NE(t, nullptr);
        SurfaceDesc desc = rendertest::LevelDesc(t->frames[0]);
        EXPECT_EQ(desc.Width, c.expectWidth);
        EXPECT_EQ(desc.Height, c.expectHeight);
        EXPECT_EQ(desc.Format, c.format);
        EXPECT_EQ(t->frames[0]->GetLevelCount(), c.levels);
    }
}

TEST_F(TextureManagerTest, SixAnimationFramesAreFoundAndABadOneLeavesItsSlotEmpty) {
    for (int i = 0; i < 6; ++i) {
        const std::string name = "FX\\FIRE(ANI0" + std::to_string(i) + ").TGA";
        if (i == 3)
            pack.Add(name, std::vector<uint8_t>(30, 0xEE));
        else
            AddTga(name, SolidPicture(4, 4, 0xFF000010u * uint32_t(i + 1)));
    }
    AddTga("FX\\FIRE(ANI07).TGA", SolidPicture(4, 4, 0xFFFFFFFF));    // after the gap: not a frame
    WritePack();
    const ::Texture* t = Loaded(manager.LoadTexture("fx\\fire(ani00).tga", false, false, true));
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->frameCount, 6);
    EXPECT_EQ(t->frames[3], nullptr);
    ASSERT_NE(t->frames[5], nullptr);
    EXPECT_EQ(rendertest::LevelPixels(t->frames[5])[0] & 0xFF, 0x60u);
}

TEST_F(TextureManagerTest, BumpMapsAndSkins) {
    AddTga("WATER\\BUMP.TGA", SolidPicture(64, 64, 0xFF808080));
    WritePack();
    g_Settings.textureReduction = 2;
    g_Video.caps.MaxTextureWidth = 32;
    const ::Texture* bump = Loaded(manager.LoadBumpMap("water\\bump.tga", true));
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump->width, 32);  // never halved, only clamped
    EXPECT_EQ(bump->height, 64);
    EXPECT_EQ(rendertest::LevelDesc(bump->frames[0]).Format, D3DFMT_V8U8);

    // 4 x 2 skin pixels; channel values outside 0..255 are held at the ends.
    g_Settings.textureReduction = 0;
    std::vector<int16_t> rgba = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40,
                                       300, -5, 10, 128, 1, 2, 3, 4, 255, 255, 255, 255, 0, 0, 0, 255};
    SkinImage image{4, 2, rgba.data(), 1};
    ::Texture skin;
    ASSERT_TRUE(skin.CreateFromImage(&image, false, false));
    EXPECT_EQ(rendertest::LevelPixels(skin.frames[0]),
              (std::vector<uint32_t>{0xFFFF0000, 0x8000FF00, 0x000000FF, 0x280A141E, 0x80FF000A, 0x04010203,
                                     0xFFFFFFFF, 0xFF000000}));
    image.hasAlpha = 0;
    g_AdapterTable.adapters[0].dxt1With32BitDisplay = 1;
    ASSERT_TRUE(skin.CreateFromImage(&image, true, false));
    EXPECT_EQ(rendertest::LevelDesc(skin.frames[0]).Format, D3DFMT_DXT1);
}

TEST_F(TextureManagerTest, ASkinPictureIsUsedUpAndBuildsWhatItsImageBuilds) {
    g_Settings.textureReduction = 0;
    std::vector<int16_t> rgba(16 * 8 * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = int16_t(i * 37 % 256);
    SkinImage image{16, 8, rgba.data(), 1};
    ::Texture fromImage, fromPicture;
    ASSERT_TRUE(fromImage.CreateFromImage(&image, false, true));
    gfx::Image picture;
    ASSERT_TRUE(SkinPicture(image, &picture));
    ASSERT_TRUE(fromPicture.CreateFromPicture(&picture, false, true));
    EXPECT_TRUE(picture.pixels.empty());
    ASSERT_EQ(fromPicture.levels, fromImage.levels);
    ASSERT_GT(fromImage.levels, 1);
    for (uint32_t l = 0; l < fromImage.levels; ++l)
        EXPECT_EQ(rendertest::LevelPixels(fromPicture.frames[0], l), rendertest::LevelPixels(fromImage.frames[0], l)) << l;

    // Nothing to build from: no picture, and no texture from the used-up one.
    SkinImage empty{};
    EXPECT_FALSE(SkinPicture(empty, &picture));
    EXPECT_FALSE(fromPicture.CreateFromPicture(&picture, false, true));
    EXPECT_FALSE(fromPicture.CreateFromImage(&empty, false, true));
}

}  // namespace
