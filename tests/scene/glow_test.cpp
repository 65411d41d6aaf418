// Glows and lens flares: their records, the fade by visibility and the screen-space squares.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/effect_list.h"
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

bool g_blocked = false;
int g_rayCalls = 0;
bool ScriptedRay(const Vec3&, const Vec3&) {
    ++g_rayCalls;
    return g_blocked;
}

class GlowTest : public FxDeviceTest {
protected:
    void SetUp() override {
        FxDeviceTest::SetUp();
        g_blocked = false;
        g_rayCalls = 0;
        SetSightBlockedTest(ScriptedRay);
        // What the effect list's screen-space pass sets before it renders these.
        g_Video.SetVertexShader(SCREEN_SPACE_FVF);
    }
    void TearDown() override {
        SetSightBlockedTest(nullptr);
        FxDeviceTest::TearDown();
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
    static std::vector<uint8_t> GlowBytes(const Vec3& p, float size, float r, float g, float b, uint32_t n) {
        std::vector<uint8_t> bytes = NodeHeader("GLOW", 0x700, p);
        PutF32(&bytes, size);
        PutF32(&bytes, r);
        PutF32(&bytes, g);
        PutF32(&bytes, b);
        PutU32(&bytes, n);
        return bytes;
    }
};

TEST_F(GlowTest, ConstructionAndReleaseGiveTheResetState) {
    GlowNode glow;
    EXPECT_EQ(glow.kind, 257u);
    EXPECT_EQ(glow.colour, 0xFFFFFFFFu);
    EXPECT_EQ(glow.size, 1.0f);
    EXPECT_EQ(glow.texture, -1);
    EXPECT_EQ(glow.intensity, 0.0f);
    glow.Init(1, 2, 3, 0xFF102030, 50, 0.5f, 7);
    glow.intensity = 0.5f;
    glow.Release();
    EXPECT_EQ(glow.x, 0.0f);
    EXPECT_EQ(glow.colour, 0xFFFFFFFFu);
    EXPECT_EQ(glow.fadeTime, 0u);
    EXPECT_EQ(glow.size, 1.0f);
    EXPECT_EQ(glow.texture, -1);
    EXPECT_EQ(glow.intensity, 0.0f);
    FlareNode flare;
    EXPECT_EQ(flare.kind, 258u);
    for (int i = 0; i < FLARE_SLOTS; ++i) EXPECT_EQ(flare.enabled[i], 0);
    EXPECT_EQ(glow.Update(16), 0);
    EXPECT_EQ(flare.Update(16), 0);
}

TEST_F(GlowTest, GlowRecordGivesPositionColourSizeAndTexture) {
    const int32_t seeded = SeedTexture(rec, "Texturas\\Efectos\\Glow03.tga");
    std::vector<uint8_t> bytes = GlowBytes({1.5f, -2, 3}, 0.25f, 1.0f, 0.5f, 0.0f, 3);
    bytes.push_back(0x55);
    FILE* f = testsupport::StreamOf(bytes);
    GlowNode glow;
    ASSERT_TRUE(glow.LoadFromNode(f));
    EXPECT_EQ(std::ftell(f), long(bytes.size() - 1));
    std::fclose(f);
    EXPECT_EQ(glow.x, 1.5f);
    EXPECT_EQ(glow.y, -2.0f);
    EXPECT_EQ(glow.z, 3.0f);
    EXPECT_EQ(glow.size, 0.25f);
    EXPECT_EQ(glow.colour, 0xFFFF7F00u);   // int(0.5 x 255) = 127
    EXPECT_EQ(glow.fadeTime, 300u);
    EXPECT_EQ(glow.intensity, 0.0f);
    EXPECT_EQ(glow.texture, seeded);
}

TEST_F(GlowTest, GlowChannelsOutOfRangeAreClampedNotWrapped) {
    FILE* f = testsupport::StreamOf(GlowBytes({0, 0, 0}, 1, 2.0f, -1.0f, 1.0f, 0));
    GlowNode glow;
    ASSERT_TRUE(glow.LoadFromNode(f));
    std::fclose(f);
    EXPECT_EQ(glow.colour, 0xFFFF00FFu);
}

TEST_F(GlowTest, ShortGlowAndFlareRecordsAreRefused) {
    ExpectEveryPrefixRefused(GlowBytes({0, 0, 0}, 1, 1, 1, 1, 0), 29, [](FILE* f) {
        GlowNode g;
        return g.LoadFromNode(f);
    });
    ExpectEveryPrefixRefused(NodeHeader("(FLARE)", 0x400, {0, 0, 0}), 29, [](FILE* f) {
        FlareNode n;
        return n.LoadFromNode(f);
    });
}

TEST_F(GlowTest, FlareRecordSetsTheElementTable) {
    int32_t ids[4];
    for (int i = 0; i < 4; ++i) ids[i] = SeedTexture(rec, "Texturas\\Efectos\\Glow0" + std::to_string(i) + ".tga");
    FILE* f = testsupport::StreamOf(NodeHeader("Sun(FLARE)", 0x400, {4, 5, 6}));
    FlareNode flare;
    ASSERT_TRUE(flare.LoadFromNode(f));
    std::fclose(f);
    EXPECT_EQ(flare.x, 4.0f);
    EXPECT_EQ(flare.z, 6.0f);
    EXPECT_EQ(flare.fadeTime, 600u);
    const uint32_t colours[8] = {0xFFFFFFFF, 0xFF362507, 0xFFF8F6B9, 0xFFEE6169,
                                 0xFFC1A05F, 0xFF266169, 0xFF26140F, 0xFF362507};
    const float sizes[8] = {0.75f, 0.06f, 0.04f, 0.1f, 0.05f, 0.1f, 0.2f, 0.2f};
    const int textures[8] = {1, 0, 0, 0, 0, 2, 3, 0};
    const float places[8] = {1.0f, 1.5f, 1.3f, 0.75f, 0.7f, 0.5f, 0.2f, -1.0f};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(flare.enabled[i], 1) << i;
        EXPECT_EQ(flare.colour[i], colours[i]) << i;
        EXPECT_EQ(flare.size[i], sizes[i]) << i;
        EXPECT_EQ(flare.texture[i], ids[textures[i]]) << i;
        EXPECT_EQ(flare.place[i], places[i]) << i;
    }
    for (int i = 8; i < FLARE_SLOTS; ++i) EXPECT_EQ(flare.enabled[i], 0) << i;
    flare.Release();
    EXPECT_EQ(flare.enabled[0], 0);
}

TEST_F(GlowTest, GlowFadesUpWhenVisibleAndDownWhenBlocked) {
    GlowNode glow;
    glow.Init(0, 0, 0, 0xFFFFFFFF, 300, 0.1f, -1);
    glow.Update(150);
    EXPECT_FLOAT_EQ(glow.intensity, 0.5f);
    EXPECT_EQ(g_rayCalls, 1);
    glow.Update(300);
    EXPECT_FLOAT_EQ(glow.intensity, 1.0f);   // clamped
    g_blocked = true;
    glow.Update(100);
    EXPECT_NEAR(glow.intensity, 2.0f / 3.0f, 1e-6);
    glow.Update(200);
    EXPECT_NEAR(glow.intensity, 0.0f, 1e-6);
    // Behind the wall over its whole fade: nothing is drawn any more.
    glow.Update(50);
    EXPECT_EQ(glow.intensity, 0.0f);
    rec->ClearLog();
    glow.Render();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::DrawPrimitiveUP), 0u);
}

TEST_F(GlowTest, OutsideTheViewFadesDownWithoutARay) {
    GlowNode glow;
    glow.Init(0, 0, -20, 0xFFFFFFFF, 300, 0.1f, -1);   // behind the eye
    glow.intensity = 1.0f;
    glow.Update(30);
    EXPECT_FLOAT_EQ(glow.intensity, 0.9f);
    EXPECT_EQ(g_rayCalls, 0);
}

TEST_F(GlowTest, ZeroFadeTimeJumpsInOneFrame) {
    FlareNode flare;
    flare.Init(0, 0, 0);
    flare.fadeTime = 0;
    flare.Update(1);
    EXPECT_EQ(flare.intensity, 1.0f);
    g_blocked = true;
    flare.Update(1);
    EXPECT_EQ(flare.intensity, 0.0f);
}

TEST_F(GlowTest, CentredGlowDrawsItsSquareWithScaledColour) {
    const int32_t tex = SeedTexture(rec, "glow");
    GlowNode glow;
    glow.Init(0, 0, 0, 0xFF80FF40, 300, 0.25f, tex);
    glow.intensity = 0.5f;
    rec->ClearLog();
    EXPECT_TRUE(glow.Render());
    const auto sprites = Sprites();
    ASSERT_EQ(sprites.size(), 1u);
    ASSERT_EQ(sprites[0].size(), 6u);
    // 64 x 0.25 = 16 pixels around the centre (32, 32).
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const SpriteVertex& v : sprites[0]) {
        minX = std::fmin(minX, v.x), maxX = std::fmax(maxX, v.x);
        minY = std::fmin(minY, v.y), maxY = std::fmax(maxY, v.y);
        EXPECT_EQ(v.diffuse, 0xFF407F20u);
        EXPECT_GT(v.rhw, 0.0f);
    }
    EXPECT_FLOAT_EQ(minX, 24.0f);
    EXPECT_FLOAT_EQ(maxX, 40.0f);
    EXPECT_FLOAT_EQ(minY, 24.0f);
    EXPECT_FLOAT_EQ(maxY, 40.0f);
    const gfx::DrawRecord& d = rec->Draws().back();
    EXPECT_EQ(d.textures[0], g_Scene.textures->Get(tex)->frames[0]);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_MODULATE));
    EXPECT_EQ(d.StageState(1, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_DISABLE));
}

TEST_F(GlowTest, GlowHalfOffTheLeftEdgeIsCutWithItsTexture) {
    // x = -10 at depth 10 lands on the screen's left edge (90 degrees).
    GlowNode glow;
    glow.Init(-10, 0, 0, 0xFFFFFFFF, 300, 0.25f, -1);
    glow.intensity = 1.0f;
    rec->ClearLog();
    glow.Render();
    const auto sprites = Sprites();
    ASSERT_EQ(sprites.size(), 1u);
    for (const SpriteVertex& v : sprites[0]) {
        EXPECT_GE(v.x, 0.0f);
        if (v.x == 0.0f) EXPECT_NEAR(v.u, 0.5f, 1e-4);
        else EXPECT_NEAR(v.u, 1.0f, 1e-4);
    }
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

TEST_F(GlowTest, NothingIsDrawnBehindTheCameraOrOffScreen) {
    GlowNode behind;
    behind.Init(0, 0, -20, 0xFFFFFFFF, 300, 0.5f, -1);
    behind.intensity = 1.0f;
    GlowNode aside;
    aside.Init(100, 0, 0, 0xFFFFFFFF, 300, 0.1f, -1);
    aside.intensity = 1.0f;
    FlareNode flare;
    flare.Init(0, 0, -20);
    flare.intensity = 1.0f;
    rec->ClearLog();
    behind.Render();
    aside.Render();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::DrawPrimitiveUP), 0u);
    flare.Render();
    // No element; at most the centre flash, which is one untextured full-screen quad.
    for (const auto& s : Sprites())
        for (const SpriteVertex& v : s) EXPECT_TRUE(v.x == 0.0f || v.x == 64.0f);
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

TEST_F(GlowTest, FlareElementsLieOnTheLineThroughTheCentre) {
    FlareNode flare;
    flare.Init(5, 0, 0);   // x = 5 at depth 10: screen x = (0.5 + 1) x 32 = 48
    flare.intensity = 1.0f;
    rec->ClearLog();
    flare.Render();
    const auto sprites = Sprites();
    ASSERT_GE(sprites.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        float cx = 0.0f;
        for (const SpriteVertex& v : sprites[size_t(i)]) cx += v.x;
        cx /= 6.0f;
        const float edge = 64.0f * flare.size[i];
        const float expected = ((48.0f / 64.0f - 0.5f) * flare.place[i] + 0.5f) * 64.0f;
        // Squares cut by the screen edge move their centre; element 0 is 48 wide around 48.
        if (expected - edge / 2 >= 0 && expected + edge / 2 <= 64) {
            EXPECT_NEAR(cx, expected, 1e-3) << i;
        }
    }
}

TEST_F(GlowTest, EffectListDrawsThemInTheScreenSpacePass) {
    GlowNode* glow = new GlowNode();
    glow->Init(0, 0, 0, 0xFFFFFFFF, 300, 0.1f, -1);
    glow->intensity = 1.0f;
    g_Scene.effects->Add(glow);
    rec->ClearLog();
    g_Scene.effects->Draw();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::DrawPrimitiveUP), 0u);
    g_Scene.effects->DrawScreenSpace();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::DrawPrimitiveUP), 1u);
}

TEST_F(GlowTest, WrittenGlowAndFlareRecordsReadBack) {
    const int32_t tex = SeedTexture(rec, "Texturas\\Efectos\\Glow02.tga");
    GlowNode glow;
    glow.Init(1, 2, 3, 0xFF80C0FF, 300, 0.125f, tex);
    FlareNode flare;
    flare.Init(-4, 5, -6);
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(glow.Load(f));
    const long afterGlow = std::ftell(f);
    ASSERT_TRUE(flare.Load(f));
    const long end = std::ftell(f);
    std::rewind(f);

    uint8_t record[276];
    ASSERT_EQ(std::fread(record, 1, 276, f), 276u);
    EXPECT_EQ(record[256] | record[257] << 8, 0x700);
    EXPECT_EQ(uint32_t(record[272] | record[273] << 8 | record[274] << 16), uint32_t(afterGlow));
    GlowNode back;
    ASSERT_TRUE(back.LoadFromNode(f));
    EXPECT_EQ(std::ftell(f), afterGlow);
    EXPECT_EQ(back.x, 1.0f);
    EXPECT_EQ(back.y, 2.0f);
    EXPECT_EQ(back.z, 3.0f);
    EXPECT_EQ(back.colour, 0xFF80C0FFu);
    EXPECT_EQ(back.size, 0.125f);
    EXPECT_EQ(back.texture, tex);

    ASSERT_EQ(std::fread(record, 1, 276, f), 276u);
    EXPECT_STREQ(reinterpret_cast<const char*>(record), "(FLARE)");
    EXPECT_EQ(record[256] | record[257] << 8, 0x400);
    EXPECT_EQ(uint32_t(record[272] | record[273] << 8 | record[274] << 16), uint32_t(end));
    FlareNode flareBack;
    ASSERT_TRUE(flareBack.LoadFromNode(f));
    EXPECT_EQ(flareBack.x, -4.0f);
    EXPECT_EQ(flareBack.z, -6.0f);
    std::fclose(f);
}

}  // namespace
