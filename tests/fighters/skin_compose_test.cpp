// A fighter's skin composed from its layer files: where each layer lands on each side, in which
// order, and which materials of the model take the new texture.
#include <optional>
#include <string>
#include <vector>

#include "core/pack_file.h"
#include "fighters/skin.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "scene/sub_mesh.h"
#include "support/fighter_fixture.h"
#include "support/image_writer.h"
#include "support/temp_dir.h"

namespace fightertest {
namespace {

using testsupport::SolidPicture;
using testsupport::TgaFile;

constexpr uint32_t kGrey = 0xff808080u;

Material* LevelMaterial(const Character& c, int level) {
    return g_Scene.materials->Get(c.model->levels[level].subMeshes[0]->materialId);
}

// Red, green and blue of level 0 of a texture at each point.
std::vector<uint32_t> Rgb(int32_t textureIndex, const std::vector<SkinPoint>& points) {
    std::vector<uint32_t> out;
    const ::Texture* t = g_Scene.textures->Get(textureIndex);
    gfx::LockedRect locked{};
    if (!t || gfx::Failed(t->frames[0]->LockRect(0, &locked, nullptr, gfx::D3DLOCK_READONLY))) return out;
    for (const SkinPoint& p : points) {
        const uint8_t* px = static_cast<const uint8_t*>(locked.pBits) + size_t(p.y) * size_t(locked.Pitch) + size_t(p.x) * 4;
        out.push_back(uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0]);
    }
    t->frames[0]->UnlockRect(0);
    return out;
}

class SkinComposeTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        g_Settings.textureReduction = 0;
        g_Settings.textureBpp = 32;
        // The layers are read from a folder of their own, the skeletons having been read.
        dir.emplace();
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
    // Both sides' layers: a grey 1024 x 1024 base 1; eyes 2 (layer 1 opaque, 24 bits; layer 2
    // half-transparent red); clothes 5; tattoos 3 in slot 0 and 1 in slot 2, the latter a grey
    // 64 x 256 band over the clothes of side 0.
    void WriteLayers() {
        for (const char* side : {"orlin", "vorak"}) {
            const std::string s = side;
            Write("Pieles/" + s + "01.tga", TgaFile(SolidPicture(1024, 1024, kGrey)));
            Write("Ojos/" + s + " ojo1_02.tga", TgaFile(SolidPicture(2, 2, 0xff0a141eu)));
            Write("Ojos/" + s + " ojo2_02.tga", TgaFile(SolidPicture(2, 2, 0x80ff0000u), {.depth = 32}));
            Write("Ropas/" + s + "_f_05.tga", TgaFile(SolidPicture(2, 2, 0xff646464u)));
        }
        for (const char* side : {"0", "1"}) {
            Write(std::string("Tatuajes/") + side + "03.tga", TgaFile(SolidPicture(1, 1, 0xffc86432u)));
            Write(std::string("Tatuajes/") + side + "21.tga", TgaFile(SolidPicture(64, 256, kGrey)));
        }
    }
    static SkinParts Parts(int32_t skin) {
        // Slot 3 names a tattoo that has no file.
        return SkinParts{skin, 2, 5, {3, -1, 1, 9, -1, -1, -1, -1}};
    }
    std::optional<ScopedWorkDir> dir;
};

TEST_F(SkinComposeTest, LayersLandInOrderAtEachSidesPlaces) {
    WriteLayers();
    const struct {
        int side;
        SkinPoint eye1, eye2, clothes, tattoo0, tattoo3;
        uint32_t clothesColour;
    } cases[] = {
        // Side 0's clothes lie under tattoo slot 2 (34, 522 and 64 x 256): 100 x 128/255 = 50.
        {0, {810, 83}, {15, 903}, {89, 733}, {62, 227}, {364, 516}, 0x323232},
        {1, {750, 65}, {330, 517}, {33, 785}, {61, 128}, {364, 516}, 0x646464},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side);
        Character& fighter = Spawned(c.side, c.side, Vec3{4.5f + float(c.side), 0, 4.5f});
        SkinImageCache cache;
        ASSERT_TRUE(fighter.ComposeSkin(c.side, Parts(1), &cache));
        // Base, two eyes, clothes and the two tattoos that exist, each read once.
        EXPECT_EQ(cache.count, 6u);
        const int32_t skin = LevelMaterial(fighter, 0)->description.layers[0].texture;
        // Eye 1 covers the base exactly; eye 2 at alpha 128/255 gives 255a + 128(1 - a) = 191.7
        // and 128(1 - a) = 63.7; tattoo 0 multiplies the base: 200, 100, 50 x 128/255.
        EXPECT_EQ(Rgb(skin, {c.eye1, {c.eye1.x + 1, c.eye1.y + 1}, c.eye2, c.clothes, c.tattoo0, c.tattoo3,
                             {c.eye1.x + 2, c.eye1.y}}),
                  (std::vector<uint32_t>{0x0a141e, 0x0a141e, 0xbf3f3f, c.clothesColour, 0x643219, 0x808080, 0x808080}));
    }
}

TEST_F(SkinComposeTest, TheSkinReplacesTheOldTexturesAndAMissingBaseKeepsThem) {
    WriteLayers();
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    // Level 0 wears a texture of its own; level 1's material is only the sky's haze layer.
    const int32_t old = fxtest::SeedTexture(rec, "old.tga");
    const int32_t sky = fxtest::SeedTexture(rec, "sky.tga");
    g_Scene.textures->AddRef(old);
    g_Scene.textures->AddRef(sky);
    LevelMaterial(c, 0)->description.layers[0].texture = old;
    MaterialDescription haze{};
    haze.layerCount = 1;
    haze.layers[0] = MaterialLayer{MATERIAL_KIND_HAZE, sky};
    LevelMaterial(c, 1)->SetDescription(haze);
    // A scenario with fog: the skinned materials get the haze layer as well.
    static ScenarioRow foggy{};
    foggy.fog = 1;
    g_Scenario.row = &foggy;
    g_Scene.skyTexture = sky;

    SkinImageCache cache;
    ASSERT_TRUE(c.ComposeSkin(0, Parts(1), &cache));
    const int32_t skin = LevelMaterial(c, 0)->description.layers[0].texture;
    ASSERT_GE(skin, 0);
    EXPECT_EQ(g_Scene.textures->Get(old), nullptr);
    for (int level : {0, 2, 3, 4}) {
        const MaterialDescription& d = LevelMaterial(c, level)->description;
        EXPECT_EQ(d.layers[0].texture, skin) << level;
        ASSERT_EQ(d.layerCount, 2u) << level;
        EXPECT_EQ(d.layers[1].kind, MATERIAL_KIND_HAZE) << level;
    }
    EXPECT_EQ(LevelMaterial(c, 1)->description.layers[0].texture, sky);
    EXPECT_EQ(g_Scene.textures->entries[size_t(skin)].refs, 4u);
    EXPECT_GT(g_Scene.textures->Get(skin)->levels, 1);

    // Without a base the fighter keeps what it wore; in the front end a new skin has no mipmaps.
    EXPECT_FALSE(c.ComposeSkin(0, Parts(7), &cache));
    EXPECT_EQ(LevelMaterial(c, 0)->description.layers[0].texture, skin);
    EXPECT_EQ(g_Scene.textures->entries[size_t(skin)].refs, 4u);
    g_Menu.active = 1;
    ASSERT_TRUE(c.ComposeSkin(0, Parts(1), &cache));
    const int32_t again = LevelMaterial(c, 0)->description.layers[0].texture;
    EXPECT_NE(again, skin);
    EXPECT_EQ(g_Scene.textures->Get(skin), nullptr);
    EXPECT_EQ(g_Scene.textures->Get(again)->levels, 1);
    g_Scene.skyTexture = -1;
}

}  // namespace
}  // namespace fightertest
