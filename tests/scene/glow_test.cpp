// Glows and lens flares: their records and the screen-space squares.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/flare.h"
#include "scene/glow.h"
#include "scene/object_list.h"
#include "scene_element_records.h"

namespace {

using namespace fxtest;

struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u, v;
};

// A glow's node header and tail: size 1, texture 0, at the origin.
std::vector<uint8_t> GlowBytes(float r, float g, float b) {
    const float rgb[3] = {r, g, b};
    return datakit::GlowNodeRecord("GLOW", {0, 0, 0}, 1, rgb, 0).tail;
}

class GlowTest : public FxDeviceTest {
protected:
    void SetUp() override {
        FxDeviceTest::SetUp();
        // What the effect list's screen-space pass sets before it renders these.
        g_Video.SetVertexShader(SCREEN_SPACE_FVF);
    }
    // The six vertices of each sprite drawn since the log was cleared.
    std::vector<std::vector<SpriteVertex>> Sprites() const {
        std::vector<std::vector<SpriteVertex>> out;
        for (const gfx::DrawRecord& d : rec->Draws()) {
            if (d.kind != gfx::CallKind::DrawPrimitiveUP) continue;
            EXPECT_EQ(d.stride, 32u);
            std::vector<SpriteVertex> v(d.vertexData.size() / sizeof(SpriteVertex));
            std::memcpy(v.data(), d.vertexData.data(), v.size() * sizeof(SpriteVertex));
            out.push_back(v);
        }
        return out;
    }
};

TEST_F(GlowTest, GlowChannelsOutOfRangeAreClampedNotWrapped) {
    auto f = datakit::EntryOf(GlowBytes(2.0f, -1.0f, 1.0f));
    GlowNode glow;
    ASSERT_TRUE(glow.LoadFromNode(f->Reader()));
    EXPECT_EQ(glow.colour, 0xFFFF00FFu);
    // Values no int can hold are clamped all the same.
    f = datakit::EntryOf(GlowBytes(1e30f, -1e30f, 0.5f));
    ASSERT_TRUE(glow.LoadFromNode(f->Reader()));
    EXPECT_EQ(glow.colour, 0xFFFF007Fu);
}

TEST_F(GlowTest, ShortGlowAndFlareRecordsAreRefused) {
    ExpectEveryPrefixRefused(GlowBytes(1, 1, 1), 29, [](BinaryReader& f) {
        GlowNode g;
        return g.LoadFromNode(f);
    });
    ExpectEveryPrefixRefused(NodeHeader("(FLARE)", 0x400, {0, 0, 0}), 29, [](BinaryReader& f) {
        FlareNode n;
        return n.LoadFromNode(f);
    });
}

TEST_F(GlowTest, GlowCutAtEveryEdgeKeepsTheVisiblePartOfTheTexture) {
    // An edge of 2 x 64 around the centre: a quarter of the square is cut on each side.
    GlowNode glow;
    glow.Init(0, 0, 0, 0xFFFFFFFF, 300, 2.0f, -1);
    glow.intensity = 1.0f;
    rec->ClearLog();
    glow.Render();
    const auto sprites = Sprites();
    ASSERT_EQ(sprites.size(), 1u);
    for (const SpriteVertex& v : sprites[0]) {
        EXPECT_TRUE(v.x == 0.0f || v.x == 64.0f);
        EXPECT_NEAR(v.u, v.x == 0.0f ? 0.25f : 0.75f, 1e-4);
        EXPECT_NEAR(v.v, v.y == 0.0f ? 0.25f : 0.75f, 1e-4);
    }
}

TEST_F(GlowTest, FlareAtTheCentreFlashesGreyAndAtACornerDoesNot) {
    FlareNode flare;
    flare.Init(0, 0, 0);
    flare.intensity = 0.5f;
    rec->ClearLog();
    flare.Render();
    auto sprites = Sprites();
    ASSERT_EQ(sprites.size(), 9u);   // eight elements and the flash
    const uint32_t grey = uint32_t(int(0.5f * 200.0f));
    EXPECT_EQ(sprites.back()[0].diffuse, 0xFF000000u | grey << 16 | grey << 8 | grey);
    EXPECT_EQ(rec->Draws().back().textures[0], nullptr);
    // Element 0 (place 1, edge 48) sits on the light at the centre: its left edge is 32 - 24.
    EXPECT_FLOAT_EQ(sprites[0][0].x, 8.0f);

    // A light at the screen's top-left corner: (x/W - 0.5, y/H - 0.5) has length sqrt(0.5).
    FlareNode corner;
    corner.Init(-10, 10, 0);
    corner.intensity = 1.0f;
    rec->ClearLog();
    corner.Render();
    for (const auto& s : Sprites()) {
        bool fullScreen = true;
        for (const SpriteVertex& v : s)
            fullScreen = fullScreen && (v.x == 0.0f || v.x == 64.0f) && (v.y == 0.0f || v.y == 64.0f);
        EXPECT_FALSE(fullScreen) << "flash drawn";
    }
    EXPECT_FALSE(Sprites().empty());
}

}  // namespace
