// A fighter's skin composed from its layer files: where each layer lands on each side, in which
// order, and which materials of the model take the new texture.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/pack_file.h"
#include "fighters/skin.h"
#include "render/material.h"
#include "scene/sub_mesh.h"
#include "support/fighter_fixture.h"
#include "datakit/image_writer.h"
#include "support/temp_dir.h"

namespace fightertest {
namespace {

using datakit::SolidPicture;
using datakit::TgaFile;

MaterialLayer& SkinLayer(const Character& c, int level) {
    return g_Scene.materials->Get(c.model->levels[level].subMeshes[0]->materialId)->description.layers[0];
}

// Red, green and blue of level 0 of a texture at each point.
std::vector<uint32_t> Rgb(int32_t texture, const std::vector<SkinPoint>& points) {
    gfx::Texture* frame = g_Scene.textures->Get(texture)->frames[0];
    gfx::LockedRect locked{};
    if (gfx::Failed(frame->LockRect(0, &locked, nullptr, gfx::D3DLOCK_READONLY))) return {};
    std::vector<uint32_t> out;
    for (const SkinPoint& p : points) {
        const uint8_t* px = static_cast<const uint8_t*>(locked.pBits) + size_t(p.y) * size_t(locked.Pitch) + size_t(p.x) * 4;
        out.push_back(uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0]);
    }
    frame->UnlockRect(0);
    return out;
}

// Every byte of every level of a texture, as the device holds them.
std::vector<std::vector<uint8_t>> Levels(gfx::Texture* frame) {
    std::vector<std::vector<uint8_t>> out;
    for (uint32_t l = 0; l < frame->GetLevelCount(); ++l) {
        gfx::SurfaceDesc desc{};
        gfx::LockedRect locked{};
        if (gfx::Failed(frame->GetLevelDesc(l, &desc)) ||
            gfx::Failed(frame->LockRect(l, &locked, nullptr, gfx::D3DLOCK_READONLY)))
            return {};
        const auto* bytes = static_cast<const uint8_t*>(locked.pBits);
        out.emplace_back(bytes, bytes + size_t(locked.Pitch) * desc.Height);
        frame->UnlockRect(l);
    }
    return out;
}

// Each side's layers: a grey 1024 x 1024 base 1; eyes 2 (layer 1 opaque, 24 bits; layer 2 red at
// alpha 128); clothes 5; tattoo 3 in slot 0 and a grey 64 x 256 band, tattoo 1, in slot 2 (over
// side 0's clothes). Slot 3 names a tattoo without a file.
class SkinComposeTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        g_Settings.textureReduction = 0;
        dir.emplace();
        for (const std::string s : {"orlin", "vorak"}) {
            Write("Pieles/" + s + "01.tga", TgaFile(SolidPicture(1024, 1024, 0xff808080u)));
            Write("Ojos/" + s + " ojo1_02.tga", TgaFile(SolidPicture(2, 2, 0xff0a141eu)));
            Write("Ojos/" + s + " ojo2_02.tga", TgaFile(SolidPicture(2, 2, 0x80ff0000u), {.depth = 32}));
            Write("Ropas/" + s + "_f_05.tga", TgaFile(SolidPicture(2, 2, 0xff646464u)));
        }
        for (const std::string side : {"0", "1"}) {
            Write("Tatuajes/" + side + "03.tga", TgaFile(SolidPicture(1, 1, 0xffc86432u)));
            Write("Tatuajes/" + side + "21.tga", TgaFile(SolidPicture(64, 256, 0xff808080u)));
        }
    }
    void TearDown() override {
        dir.reset();
        ResetPackFiles();
        FighterTest::TearDown();
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir->Write("Texturas/Personajes/" + name, std::string(bytes.begin(), bytes.end()));
        ResetPackFiles();
    }
    static SkinParts Parts(int32_t skin) { return SkinParts{skin, 2, 5, {3, -1, 1, 9, -1, -1, -1, -1}}; }
    std::optional<ScopedWorkDir> dir;
};

TEST_F(SkinComposeTest, LayersLandInOrderAtEachSidesPlaces) {
    const struct {
        int side;
        SkinPoint eye1, eye2, clothes, tattoo0;
        uint32_t clothesColour;   // side 0's under the band: 100 x 128/255 = 50.2
    } cases[] = {
        {0, {810, 83}, {15, 903}, {89, 733}, {62, 227}, 0x323232},
        {1, {750, 65}, {330, 517}, {33, 785}, {61, 128}, 0x646464},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side);
        Character& fighter = Spawned(c.side, c.side, Vec3{4.5f + float(c.side), 0, 4.5f});
        SkinImageCache cache;
        ASSERT_TRUE(fighter.ComposeSkin(c.side, Parts(1), &cache));
        EXPECT_EQ(cache.count, 6u);
        // Eye 1 covers the base; eye 2: 255a + 128(1 - a) = 191.7 and 128(1 - a) = 63.7; tattoo 0
        // multiplies the base: 200, 100, 50 x 128/255; the missing tattoo 3 leaves the base.
        EXPECT_EQ(Rgb(SkinLayer(fighter, 0).texture, {c.eye1, {c.eye1.x + 1, c.eye1.y + 1}, {c.eye1.x + 2, c.eye1.y},
                                                       c.eye2, c.clothes, c.tattoo0, {364, 516}}),
                  (std::vector<uint32_t>{0x0a141e, 0x0a141e, 0x808080, 0xbf3f3f, c.clothesColour, 0x643219, 0x808080}));
    }
}

TEST_F(SkinComposeTest, OnlyTextureLessMaterialsTakeTheSkinAndAMissingBaseKeepsTheOld) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    // Level 0 wears a texture of its own; level 1 has only the sky's haze layer.
    const int32_t old = fxtest::SeedTexture(rec, "old.tga");
    const int32_t sky = fxtest::SeedTexture(rec, "sky.tga");
    g_Scene.textures->AddRef(old);
    SkinLayer(c, 0).texture = old;
    SkinLayer(c, 1) = MaterialLayer{MATERIAL_KIND_HAZE, sky};
    // In fog the skinned materials take the haze layer too.
    static ScenarioRow foggy{};
    foggy.fog = 1;
    g_Scenario.row = &foggy;
    g_Scene.skyTexture = sky;

    SkinImageCache cache;
    ASSERT_TRUE(c.ComposeSkin(0, Parts(1), &cache));
    const int32_t skin = SkinLayer(c, 0).texture;
    EXPECT_EQ(g_Scene.textures->Get(old), nullptr);
    for (int level : {2, 3, 4}) EXPECT_EQ(SkinLayer(c, level).texture, skin) << level;
    EXPECT_EQ(g_Scene.materials->Get(c.model->levels[2].subMeshes[0]->materialId)->description.layers[1].kind,
              MATERIAL_KIND_HAZE);
    EXPECT_EQ(SkinLayer(c, 1).texture, sky);
    EXPECT_EQ(g_Scene.textures->entries[size_t(skin)].refs, 4u);
    EXPECT_GT(g_Scene.textures->Get(skin)->levels, 1);

    EXPECT_FALSE(c.ComposeSkin(0, Parts(7), &cache));
    EXPECT_EQ(SkinLayer(c, 0).texture, skin);
    // In the front end the new skin has no mipmaps, and the old one is let go.
    g_Menu.active = 1;
    ASSERT_TRUE(c.ComposeSkin(0, Parts(1), &cache));
    EXPECT_EQ(g_Scene.textures->Get(skin), nullptr);
    EXPECT_EQ(g_Scene.textures->Get(SkinLayer(c, 0).texture)->levels, 1);
    g_Scene.skyTexture = -1;
}

// The skin is the same picture whether the layer cache is new, already warm or holds a base
// decoded elsewhere, and whether the texture is built from the
// skin image or from the picture made of it once the image is let go.
TEST_F(SkinComposeTest, TheSameSkinWhereverItsLayersComeFromAndHowLongTheyAreKept) {
    // A base with a different value at every pixel, so a shifted or partial copy shows.
    datakit::Picture base = SolidPicture(1024, 1024, 0);
    for (uint32_t i = 0; i < base.pixels.size(); ++i) base.pixels[i] = 0xff000000u | (i * 2654435761u >> 8);
    Write("Pieles/orlin03.tga", TgaFile(base));
    const SkinParts parts = SkinParts{3, 2, 5, {3, -1, 1, 9, -1, -1, -1, -1}};
    g_Menu.active = 0;
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    auto compose = [&](SkinImageCache* cache) {
        EXPECT_TRUE(c.ComposeSkin(0, parts, cache));
        return Levels(g_Scene.textures->Get(SkinLayer(c, 0).texture)->frames[0]);
    };

    SkinImageCache cache;
    const std::vector<std::vector<uint8_t>> cold = compose(&cache);
    ASSERT_GT(cold.size(), 1u);
    // Every layer, the base too, is decoded once for the batch.
    EXPECT_EQ(cache.count, 6u);
    EXPECT_NE(cache.Find("Texturas\\Personajes\\Pieles\\orlin03.tga"), nullptr);
    EXPECT_EQ(compose(&cache), cold);
    EXPECT_EQ(compose(nullptr), cold);

    // The skin image made by hand from the same layers, through the image's own texture path.
    SkinImage expected{};
    ASSERT_TRUE(SkinImageCache::LoadTga(&expected, "Texturas\\Personajes\\Pieles\\orlin03.tga"));
    for (int row = 1; row < SKIN_LAYER_COUNT; ++row) {
        char name[128];
        std::snprintf(name, sizeof name, SKIN_LAYERS[row].file[0], row == 3 ? 5 : 2);
        expected.Draw(cache.Get(name)->layer, SKIN_LAYERS[row].at[0].x, SKIN_LAYERS[row].at[0].y, SKIN_LAYERS[row].blend);
    }
    for (int slot : {0, 2}) {
        const char* name = slot == 0 ? "Texturas\\Personajes\\Tatuajes\\003.tga" : "Texturas\\Personajes\\Tatuajes\\021.tga";
        expected.Draw(cache.Get(name)->layer, SKIN_TATTOO_POSITIONS[0][slot].x, SKIN_TATTOO_POSITIONS[0][slot].y,
                      SKIN_BLEND_MULTIPLY);
    }
    ::Texture reference;
    ASSERT_TRUE(reference.CreateFromImage(&expected, false, true));
    EXPECT_EQ(Levels(reference.frames[0]), cold);

    // A cache that already holds the base lends it out and keeps it.
    SkinImageCache holding;
    SkinLayerImage decoded;
    ASSERT_TRUE(SkinImageCache::LoadLayer(&decoded, "Texturas\\Personajes\\Pieles\\orlin03.tga"));
    ASSERT_NE(holding.Add(&decoded, "texturas\\personajes\\pieles\\ORLIN03.TGA"), nullptr);
    EXPECT_EQ(compose(&holding), cold);
    EXPECT_EQ(holding.count, 6u);
    ASSERT_NE(holding.Find("Texturas\\Personajes\\Pieles\\orlin03.tga"), nullptr);
    expected.Free();
    holding.Clear();
    cache.Clear();
    EXPECT_EQ(cache.count, 0u);
    EXPECT_EQ(cache.head, nullptr);
}

}  // namespace
}  // namespace fightertest
