#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "render/adapter_table.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "core/settings.h"
#include "texture_fixture.h"

namespace {

using namespace gfx;
using testsupport::Picture;
using testsupport::SolidPicture;

class TextureManagerTest : public rendertest::TextureTest {
protected:
    ::Texture* Loaded(int32_t index) { return manager.Get(index); }
};

TEST_F(TextureManagerTest, ANameLoadsOnceAndIsFoundInAnyLetterCaseWithoutAReference) {
    AddTga("TEX\\WALL.TGA", SolidPicture(8, 4, 0xFF112233));
    WritePack();

    int32_t index = manager.LoadTexture("tex\\wall.tga", false, true, true);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(manager.LoadTexture("TEX\\WALL.TGA", false, true, true), 0);
    EXPECT_EQ(manager.LoadTexture("Tex\\Wall.Tga", true, false, false), 0);
    EXPECT_EQ(manager.Find("tEx\\wALL.tga"), 0);
    EXPECT_EQ(manager.entries[0].refs, 0u);
    EXPECT_EQ(manager.count, 1u);
    EXPECT_EQ(dev->CountCalls(CallKind::CreateTexture), 1u);

    const ::Texture* t = Loaded(0);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "TEX\\WALL.TGA");
    EXPECT_EQ(t->loaded, 1);
    EXPECT_EQ(t->frameCount, 1);
    EXPECT_EQ(t->width, 8);
    EXPECT_EQ(t->height, 4);
    EXPECT_EQ(t->pool, uint32_t(D3DPOOL_MANAGED));
    EXPECT_EQ(t->bits, 32);  // X8R8G8B8
    std::vector<uint32_t> pixels = rendertest::LevelPixels(t->frames[0]);
    ASSERT_EQ(pixels.size(), 32u);
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0x112233u);
}

TEST_F(TextureManagerTest, LookupStepsOverSkinsThatHaveNoName) {
    AddTga("TEX\\WALL.TGA", SolidPicture(2, 2, 0xFF0000FF));
    WritePack();
    std::vector<int16_t> pixels(2 * 2 * 4, 200);
    SkinImage image{2, 2, pixels.data(), 1};
    ::Texture* skin = new ::Texture();
    ASSERT_TRUE(skin->CreateFromImage(&image, false, false));
    ASSERT_EQ(manager.Add(skin, true), 0);

    EXPECT_EQ(manager.Find("TEX\\WALL.TGA"), -1);
    EXPECT_EQ(manager.LoadTexture("TEX\\WALL.TGA", false, false, true), 1);
    EXPECT_EQ(manager.LoadTexture("tex\\wall.tga", false, false, true), 1);
}

TEST_F(TextureManagerTest, MissingOrUnreadableFilesGiveNoIndexAndSayWhyInTheLog) {
    g_Settings.debug = 1;
    pack.Add("TEX\\JUNK.TGA", std::vector<uint8_t>(40, 0xEE));
    AddTga("TEX\\GOOD.TGA", SolidPicture(2, 2, 0xFF00FF00));
    WritePack();

    EXPECT_EQ(manager.LoadTexture("TEX\\NONE.TGA", false, true, true), -1);
    EXPECT_EQ(manager.LoadTexture("TEX\\JUNK.TGA", false, true, true), -1);
    EXPECT_EQ(manager.LoadTexture(nullptr, false, true, true), -1);
    EXPECT_EQ(manager.count, 0u);
    EXPECT_EQ(manager.Capacity(), 0u);
    EXPECT_EQ(manager.LoadTexture("TEX\\GOOD.TGA", false, true, true), 0);

    std::vector<std::string> expected = {"",
                                         "Cargando textura TEX\\NONE.TGA",
                                         "No se encontro el fichero",
                                         "",
                                         "Cargando textura TEX\\JUNK.TGA",
                                         "Formato de textura no reconocido",
                                         "",
                                         "Cargando textura TEX\\GOOD.TGA",
                                         "Textura cargada."};
    EXPECT_EQ(LogLines(), expected);
}

TEST_F(TextureManagerTest, NoDeviceNoTexture) {
    AddTga("TEX\\WALL.TGA", SolidPicture(2, 2, 0xFF0000FF));
    WritePack();
    g_Video.device = nullptr;
    EXPECT_EQ(manager.LoadTexture("TEX\\WALL.TGA", false, true, true), -1);
    g_Video.device = dev;
}

TEST_F(TextureManagerTest, CountedEntriesAreFreedAtTheLastReleaseUncountedOnlyByClear) {
    AddTga("TEX\\A.TGA", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("TEX\\B.TGA", SolidPicture(2, 2, 0xFF00FF00));
    WritePack();
    int32_t counted = manager.LoadTexture("TEX\\A.TGA", false, false, true);
    int32_t uncounted = manager.LoadTexture("TEX\\B.TGA", false, false, false);
    ASSERT_EQ(counted, 0);
    ASSERT_EQ(uncounted, 1);

    EXPECT_EQ(manager.AddRef(counted), 1);
    EXPECT_EQ(manager.AddRef(counted), 2);
    EXPECT_EQ(manager.Release(counted), 1);
    EXPECT_NE(Loaded(counted), nullptr);
    EXPECT_EQ(manager.Release(counted), 0);
    EXPECT_EQ(Loaded(counted), nullptr);
    EXPECT_EQ(manager.count, 1u);
    EXPECT_EQ(dev->LiveResources(), 1u);

    EXPECT_EQ(manager.AddRef(uncounted), 1);
    EXPECT_EQ(manager.Release(uncounted), 1);
    EXPECT_EQ(manager.Release(uncounted), 1);
    EXPECT_NE(Loaded(uncounted), nullptr);

    // Freed, out-of-range and negative indices.
    for (int32_t bad : {counted, -1, 50, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(manager.AddRef(bad), -1);
        EXPECT_EQ(manager.Release(bad), -1);
    }

    manager.Clear();
    EXPECT_EQ(manager.count, 0u);
    EXPECT_EQ(manager.Capacity(), 0u);
    EXPECT_EQ(dev->LiveResources(), 0u);
}

TEST_F(TextureManagerTest, TheTableGrowsByFiftyAndReusesFreedEntriesFirst) {
    EXPECT_EQ(manager.Add(nullptr, true), -1);
    for (int i = 0; i < 51; ++i) EXPECT_EQ(manager.Add(new ::Texture(), true), i);
    EXPECT_EQ(manager.Capacity(), 100u);
    EXPECT_EQ(manager.count, 51u);
    ASSERT_EQ(manager.AddRef(7), 1);
    ASSERT_EQ(manager.Release(7), 0);
    EXPECT_EQ(manager.count, 50u);
    EXPECT_EQ(manager.Add(new ::Texture(), false), 7);
    EXPECT_EQ(manager.entries[7].counted, 0);
    EXPECT_EQ(manager.Add(new ::Texture(), false), 51);
    EXPECT_EQ(manager.Capacity(), 100u);
}

TEST_F(TextureManagerTest, SetTextureBindsFrameZeroOrNothing) {
    AddTga("TEX\\A.TGA", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("TEX\\B.TGA", SolidPicture(2, 2, 0xFF0000FF));
    WritePack();
    ASSERT_EQ(manager.LoadTexture("TEX\\A.TGA", false, false, true), 0);
    ASSERT_EQ(manager.LoadTexture("TEX\\B.TGA", false, false, true), 1);
    ASSERT_EQ(manager.AddRef(1), 1);
    ASSERT_EQ(manager.Release(1), 0);
    gfx::Texture* frame = Loaded(0)->frames[0];

    struct Case {
        const char* what;
        int32_t index;
        uint8_t wireframe;
        bool bound;
    };
    const Case cases[] = {
        {"a loaded texture", 0, 0, true},       {"no texture", -1, 0, false},
        {"past the table", 50, 0, false},       {"a freed entry", 1, 0, false},
        {"wireframe drawing", 0, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        manager.SetTexture(1, 0);
        ASSERT_EQ(dev->TextureAt(1), frame);
        if (c.bound) manager.SetTexture(1, -1);
        g_Video.wireframe = c.wireframe;
        EXPECT_TRUE(manager.SetTexture(1, c.index));
        EXPECT_EQ(dev->TextureAt(1), c.bound ? frame : nullptr);
        g_Video.wireframe = 0;
    }
}

struct QualityCase {
    const char* what;
    const char* name;
    uint32_t width, height;
    uint8_t depth;
    int32_t reduction, bpp;
    bool compress, mipmaps, dxt1;
    uint32_t maxWidth, maxHeight;
    uint32_t expectWidth, expectHeight;
    Format format;
    uint32_t levels;
};

TEST_F(TextureManagerTest, SizeFormatAndLevelsFollowTheSettingsAndTheName) {
    const Format X8 = D3DFMT_X8R8G8B8, A8 = D3DFMT_A8R8G8B8;
    const QualityCase cases[] = {
        {"DIM 2 quarters each side", "T\\WALL.TGA", 256, 64, 24, 2, 32, false, true, false, 2048, 2048, 64, 16, X8, 7},
        {"DIM 0 keeps the size", "T\\WALL.TGA", 256, 64, 24, 0, 32, false, true, false, 2048, 2048, 256, 64, X8, 9},
        {"a side of 1 stops the halving", "T\\THIN.TGA", 4, 1, 24, 2, 32, false, true, false, 2048, 2048, 4, 1, X8, 3},
        {"halving stops where a side reaches 1", "T\\THIN.TGA", 8, 2, 24, 3, 32, false, true, false, 2048, 2048, 4, 1,
         X8, 3},
        {"LIGHTMAP keeps its size", "T\\LIGHTMAP_01.TGA", 256, 64, 24, 2, 32, false, true, false, 2048, 2048, 256, 64,
         X8, 9},
        {"FOG keeps its size, alpha and one level", "T\\FOG.TGA", 256, 64, 24, 2, 32, true, true, true, 2048, 2048, 256,
         64, A8, 1},
        {"fog in any letter case", "sky\\Fog.tga", 16, 16, 24, 1, 16, false, true, false, 2048, 2048, 16, 16, A8, 1},
        {"LM_ gets one level", "T\\LM_FLOOR.TGA", 256, 64, 24, 1, 32, false, true, false, 2048, 2048, 128, 32, X8, 1},
        {"no mipmaps, one level", "T\\WALL.TGA", 256, 64, 24, 0, 32, false, false, false, 2048, 2048, 256, 64, X8, 1},
        {"16-bit setting, 32-bit image", "T\\A.TGA", 16, 16, 32, 0, 16, false, true, false, 2048, 2048, 16, 16,
         D3DFMT_A4R4G4B4, 5},
        {"16-bit setting, 24-bit image", "T\\A.TGA", 16, 16, 24, 0, 16, false, true, false, 2048, 2048, 16, 16,
         D3DFMT_R5G6B5, 5},
        {"16-bit setting before compression", "T\\A.TGA", 16, 16, 24, 0, 16, true, true, true, 2048, 2048, 16, 16,
         D3DFMT_R5G6B5, 5},
        {"DXT1 for a compressed 24-bit image", "T\\A.TGA", 16, 16, 24, 0, 32, true, true, true, 2048, 2048, 16, 16,
         D3DFMT_DXT1, 5},
        {"no DXT1 where the adapter has none", "T\\A.TGA", 16, 16, 24, 0, 32, true, true, false, 2048, 2048, 16, 16, X8,
         5},
        {"DXT1 only when asked", "T\\A.TGA", 16, 16, 24, 0, 32, false, true, true, 2048, 2048, 16, 16, X8, 5},
        {"a 32-bit image keeps its alpha", "T\\A.TGA", 16, 16, 32, 0, 32, true, true, true, 2048, 2048, 16, 16, A8, 5},
        {"clamped to the device's largest texture", "T\\WALL.TGA", 256, 64, 24, 0, 32, false, true, false, 128, 32, 128,
         32, X8, 8},
        {"clamped after halving", "T\\WALL.TGA", 256, 64, 24, 1, 32, false, false, false, 64, 64, 64, 32, X8, 1},
    };
    for (const QualityCase& c : cases) {
        SCOPED_TRACE(c.what);
        manager.Clear();
        pack = testsupport::PackWriter();
        std::string stored = c.name;  // packs hold upper-case names
        std::transform(stored.begin(), stored.end(), stored.begin(), ::toupper);
        AddTga(stored, SolidPicture(c.width, c.height, c.depth == 32 ? 0x80FF0000 : 0xFF00FF00), c.depth);
        WritePack();
        g_Settings.textureReduction = c.reduction;
        g_Settings.textureBpp = c.bpp;
        g_AdapterTable.adapters[0].dxt1With32BitDisplay = c.dxt1;
        g_Video.caps.MaxTextureWidth = c.maxWidth;
        g_Video.caps.MaxTextureHeight = c.maxHeight;
        dev->ClearLog();

        int32_t index = manager.LoadTexture(c.name, c.compress, c.mipmaps, true);
        ASSERT_EQ(index, 0);
        const ::Texture* t = Loaded(index);
        EXPECT_EQ(t->width, c.expectWidth);
        EXPECT_EQ(t->height, c.expectHeight);
        EXPECT_EQ(t->format, uint32_t(c.format));
        EXPECT_EQ(t->levels, c.levels);
        SurfaceDesc desc = rendertest::LevelDesc(t->frames[0]);
        EXPECT_EQ(desc.Format, c.format);
        EXPECT_EQ(desc.Width, c.expectWidth);
        EXPECT_EQ(desc.Height, c.expectHeight);
        EXPECT_EQ(t->frames[0]->GetLevelCount(), c.levels);
    }
}

TEST_F(TextureManagerTest, TheFormatAskedForIsReportedWhereTheDeviceKeepsAnother) {
    AddTga("T\\A.TGA", SolidPicture(8, 8, 0xFF0000FF));
    WritePack();
    g_AdapterTable.adapters[0].dxt1With32BitDisplay = 1;
    dev->Config().refusedFormats.push_back(D3DFMT_DXT1);
    ASSERT_EQ(manager.LoadTexture("T\\A.TGA", true, false, true), 0);
    EXPECT_EQ(Loaded(0)->format, uint32_t(D3DFMT_DXT1));
    EXPECT_EQ(rendertest::LevelDesc(Loaded(0)->frames[0]).Format, D3DFMT_X8R8G8B8);
}

TEST_F(TextureManagerTest, SixAnimationFramesAreFoundInThePack) {
    const uint32_t colours[] = {0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040, 0xFF000050, 0xFF000060};
    for (int i = 0; i < 6; ++i) AddTga("FX\\FIRE(ANI0" + std::to_string(i) + ").TGA", SolidPicture(4, 4, colours[i]));
    AddTga("FX\\FIRE(ANI07).TGA", SolidPicture(4, 4, 0xFFFFFFFF));  // after the gap: not a frame
    WritePack();
    g_AdapterTable.adapters[0].dxt1With32BitDisplay = 1;

    int32_t index = manager.LoadTexture("fx\\fire(ani00).tga", true, false, true);
    ASSERT_EQ(index, 0);
    const ::Texture* t = Loaded(index);
    ASSERT_EQ(t->frameCount, 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(t->frames[i], nullptr);
        SurfaceDesc desc = rendertest::LevelDesc(t->frames[i]);
        if (i == 0) {
            EXPECT_EQ(desc.Format, D3DFMT_DXT1);
            EXPECT_EQ(t->frames[i]->GetLevelCount(), 1u);
        } else {
            // Further frames are never compressed and always get the whole chain.
            EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
            EXPECT_EQ(t->frames[i]->GetLevelCount(), 3u);
            EXPECT_EQ(rendertest::LevelPixels(t->frames[i])[0] & 0xFFFFFF, colours[i] & 0xFFFFFF);
        }
    }
    EXPECT_EQ(dev->CountCalls(CallKind::CreateTexture), 6u);
}

TEST_F(TextureManagerTest, FrameDiscoveryNeedsTwoDigitsAfterTheMarkAndStopsAtNinetyNine) {
    AddTga("FX\\SHORT(ANI", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("FX\\SHORT(ANI01", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("FX\\ONE(ANI0", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("FX\\ONE(ANI01", SolidPicture(2, 2, 0xFF0000FF));
    for (int i = 0; i < 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "FX\\MANY(ANI%02d).TGA", i);
        AddTga(name, SolidPicture(2, 2, 0xFF000000u | uint32_t(i)));
    }
    WritePack();

    int32_t shortName = manager.LoadTexture("FX\\SHORT(ANI", false, false, true);
    ASSERT_GE(shortName, 0);
    EXPECT_EQ(Loaded(shortName)->frameCount, 1);
    int32_t oneDigit = manager.LoadTexture("FX\\ONE(ANI0", false, false, true);
    ASSERT_GE(oneDigit, 0);
    EXPECT_EQ(Loaded(oneDigit)->frameCount, 1);

    int32_t many = manager.LoadTexture("FX\\MANY(ANI00).TGA", false, false, true);
    ASSERT_GE(many, 0);
    const ::Texture* t = Loaded(many);
    ASSERT_EQ(t->frameCount, 99);
    ASSERT_NE(t->frames[98], nullptr);
    EXPECT_EQ(rendertest::LevelPixels(t->frames[98])[0] & 0xFF, 98u);
}

TEST_F(TextureManagerTest, AFrameThatCannotBeLoadedLeavesItsSlotEmpty) {
    AddTga("FX\\SPARK(ANI00).TGA", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("FX\\SPARK(ANI01).TGA", SolidPicture(2, 2, 0xFF00FF00));
    pack.Add("FX\\SPARK(ANI02).TGA", std::vector<uint8_t>(30, 0xEE));
    AddTga("FX\\SPARK(ANI03).TGA", SolidPicture(2, 2, 0xFFFF0000));
    WritePack();
    int32_t index = manager.LoadTexture("FX\\SPARK(ANI00).TGA", false, false, true);
    ASSERT_EQ(index, 0);
    const ::Texture* t = Loaded(index);
    ASSERT_EQ(t->frameCount, 4);
    EXPECT_NE(t->frames[1], nullptr);
    EXPECT_EQ(t->frames[2], nullptr);
    EXPECT_NE(t->frames[3], nullptr);
    EXPECT_EQ(t->loaded, 1);
}

TEST_F(TextureManagerTest, LoadFrameRefusesANullNameAndFramesPastTheTable) {
    AddTga("FX\\SPARK(ANI00).TGA", SolidPicture(2, 2, 0xFF0000FF));
    AddTga("FX\\SPARK(ANI01).TGA", SolidPicture(2, 2, 0xFF00FF00));
    WritePack();
    ::Texture t;
    ASSERT_TRUE(t.LoadFromPack("FX\\SPARK(ANI00).TGA", false, false));
    EXPECT_FALSE(t.LoadFrame(nullptr, 1));
    EXPECT_FALSE(t.LoadFrame("FX\\SPARK(ANI00).TGA", 2));
    EXPECT_FALSE(t.LoadFrame("FX\\SPARK(ANI00).TGA", -1));
    EXPECT_TRUE(t.LoadFrame("FX\\SPARK(ANI00).TGA", 1));
    ::Texture empty;
    EXPECT_FALSE(empty.LoadFrame("FX\\SPARK(ANI00).TGA", 0));
}

TEST_F(TextureManagerTest, BumpMapsKeepTheirSizeAndAreCounted) {
    AddTga("WATER\\BUMP.TGA", SolidPicture(64, 64, 0xFF808080));
    WritePack();
    g_Settings.textureReduction = 2;
    g_Video.caps.MaxTextureWidth = 32;

    int32_t index = manager.LoadBumpMap("water\\bump.tga", true);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(manager.LoadBumpMap("WATER\\BUMP.TGA", false), 0);
    EXPECT_EQ(manager.LoadTexture("WATER\\BUMP.TGA", false, false, false), 0);
    const ::Texture* t = Loaded(index);
    EXPECT_EQ(t->width, 32);
    EXPECT_EQ(t->height, 64);
    EXPECT_EQ(t->format, uint32_t(D3DFMT_V8U8));
    EXPECT_EQ(t->levels, 7);
    EXPECT_EQ(t->frameCount, 1);
    EXPECT_EQ(t->loaded, 1);
    EXPECT_EQ(rendertest::LevelDesc(t->frames[0]).Format, D3DFMT_V8U8);
    EXPECT_EQ(manager.entries[0].counted, 1);

    manager.Clear();
    EXPECT_EQ(manager.LoadBumpMap("WATER\\BUMP.TGA", false), 0);
    EXPECT_EQ(Loaded(0)->levels, 1);
    EXPECT_EQ(manager.LoadBumpMap("WATER\\NONE.TGA", false), -1);
}

struct SkinCase {
    const char* what;
    uint8_t alpha;
    int32_t reduction, bpp;
    bool compress, mipmaps, dxt1;
    uint32_t width, height;
    Format format;
    uint8_t levels;
};

TEST_F(TextureManagerTest, SkinsAreMadeFromPicturesWithTheQualitySettings) {
    const SkinCase cases[] = {
        {"alpha", 1, 0, 32, true, true, true, 4, 2, D3DFMT_A8R8G8B8, 3},
        {"no alpha", 0, 0, 32, false, false, true, 4, 2, D3DFMT_X8R8G8B8, 1},
        {"no alpha, compressed", 0, 0, 32, true, false, true, 4, 2, D3DFMT_DXT1, 1},
        {"no alpha, no DXT1 on the adapter", 0, 0, 32, true, false, false, 4, 2, D3DFMT_X8R8G8B8, 1},
        {"16-bit with alpha", 1, 0, 16, true, false, true, 4, 2, D3DFMT_A4R4G4B4, 1},
        {"16-bit without alpha", 0, 0, 16, true, false, true, 4, 2, D3DFMT_R5G6B5, 1},
        {"halved once", 1, 1, 32, false, true, false, 2, 1, D3DFMT_A8R8G8B8, 2},
    };
    // 4 x 2 pixels; channel values outside 0..255 are held at the ends.
    const int16_t rgba[8][4] = {{255, 0, 0, 255},  {0, 255, 0, 128}, {0, 0, 255, 0},  {10, 20, 30, 40},
                                {300, -5, 10, 128}, {1, 2, 3, 4},     {255, 255, 255, 255}, {0, 0, 0, 255}};
    std::vector<int16_t> pixels(&rgba[0][0], &rgba[0][0] + 32);
    for (const SkinCase& c : cases) {
        SCOPED_TRACE(c.what);
        g_Settings.textureReduction = c.reduction;
        g_Settings.textureBpp = c.bpp;
        g_AdapterTable.adapters[0].dxt1With32BitDisplay = c.dxt1;
        SkinImage image{4, 2, pixels.data(), c.alpha};
        ::Texture t;
        ASSERT_TRUE(t.CreateFromImage(&image, c.compress, c.mipmaps));
        EXPECT_EQ(t.name, nullptr);
        EXPECT_EQ(t.loaded, 1);
        EXPECT_EQ(t.frameCount, 1);
        EXPECT_EQ(t.width, c.width);
        EXPECT_EQ(t.height, c.height);
        EXPECT_EQ(t.format, uint32_t(c.format));
        EXPECT_EQ(t.bits, uint8_t(c.bpp));
        EXPECT_EQ(t.levels, c.levels);
        EXPECT_EQ(t.frames[0]->GetLevelCount(), c.levels);
        if (c.format == D3DFMT_A8R8G8B8 && c.reduction == 0) {
            std::vector<uint32_t> got = rendertest::LevelPixels(t.frames[0]);
            std::vector<uint32_t> expected = {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x280A141E,
                                              0x80FF000A, 0x04010203, 0xFFFFFFFF, 0xFF000000};
            EXPECT_EQ(got, expected);
        }
    }
    ::Texture none;
    EXPECT_FALSE(none.CreateFromImage(nullptr, false, false));
    SkinImage empty{0, 2, pixels.data(), 0};
    EXPECT_FALSE(none.CreateFromImage(&empty, false, false));
    EXPECT_EQ(none.loaded, 0);
}

}  // namespace
