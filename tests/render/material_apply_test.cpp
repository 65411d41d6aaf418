// Passes applied to the device: stage sequences, the haze stage and its switch, scrolling and
// the specular highlight.
#include <cmath>

#include "material_fixture.h"
#include "scene/scene.h"

namespace rendertest {
namespace {

using gfx::RecordingDevice;
namespace g = gfx;

// (x, y, z, w) times a texture matrix: the first two results.
void Transform(const g::Matrix& m, float x, float y, float z, float w, float* u, float* v) {
    *u = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + w * m.m[3][0];
    *v = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + w * m.m[3][1];
}

class MaterialApplyTest : public MaterialTest {
protected:
    void SetUp() override {
        MaterialTest::SetUp();
        AddPicture("M\\A.TGA", 0xFFFF0000);
        AddPicture("M\\B.TGA", 0xFF00FF00);
        AddPicture("M\\FOG.TGA", 0xFF808080);
        WritePack();
        a = manager.LoadTexture("M\\A.TGA", false, false, false);
        b = manager.LoadTexture("M\\B.TGA", false, false, false);
        sky = manager.LoadTexture("M\\FOG.TGA", false, false, false);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        ASSERT_GE(sky, 0);
        g_Scene.skyTexture = sky;
        g_Video.caps.MaxSimultaneousTextures = 3;
    }
    g::Texture* Frame(int32_t index) const { return manager.Get(index)->frames[0]; }
    uint32_t Stage(uint32_t s, g::TextureStageStateType t) const { return dev->StageState(s, t); }

    int32_t a = -1, b = -1, sky = -1;
};

TEST_F(MaterialApplyTest, HazeMapsCameraDepthFromNearToFarOntoV) {
    row.fogNear = 10.0f;
    row.fogFar = 50.0f;
    Material m;
    m.SetDescription(Describe({{1, a}, {128, sky}}));
    m.description.layerCount = 0;
    g_Scene.skyLayer = 1;
    ASSERT_TRUE(m.Apply(0));
    const g::Matrix& t = dev->Transform(g::D3DTS_TEXTURE1);
    // Camera-space positions (x, y, z, 1).
    const float depths[][2] = {{10.0f, 0.0f}, {30.0f, 0.5f}, {50.0f, 1.0f}, {90.0f, 2.0f}};
    for (const auto& d : depths) {
        float u, v;
        Transform(t, 123.0f, -45.0f, d[0], 1.0f, &u, &v);
        EXPECT_NEAR(u, 0.0f, 1e-6f) << d[0];
        EXPECT_NEAR(v, d[1], 1e-5f) << d[0];
    }
    // Equal distances give no division by zero.
    row.fogFar = row.fogNear;
    m.AnimatePasses(1, MATERIAL_ANIM_HAZE);
    const g::Matrix& flat = dev->Transform(g::D3DTS_TEXTURE1);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_TRUE(std::isfinite(flat.m[r][c]));
}

TEST_F(MaterialApplyTest, ScrollingMovesVByMinusPointTwoPerSecondOfTheMatchClock) {
    Material m;
    m.passCount = 1;
    m.passes[0].stageCount = 1;
    m.passes[0].stages[0] = {g::D3DTA_TEXTURE, g::D3DTA_DIFFUSE, g::D3DTOP_SELECTARG1, a, -1, MATERIAL_ANIM_SCROLL};
    const float times[][2] = {{0.0f, 0.0f}, {1000.0f, -0.2f}, {2500.0f, -0.5f}, {10000.0f, -2.0f}};
    for (const auto& t : times) {
        SetClock(uint32_t(t[0]));
        ASSERT_TRUE(m.Apply(0));
        EXPECT_EQ(Stage(0, g::D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(g::D3DTTFF_COUNT2));
        // Two-dimensional coordinates enter the matrix as (u, v, 1, 0).
        float u, v;
        Transform(dev->Transform(g::D3DTS_TEXTURE0), 0.25f, 0.75f, 1.0f, 0.0f, &u, &v);
        EXPECT_NEAR(u, 0.25f, 1e-6f) << t[0];
        EXPECT_NEAR(v, 0.75f + t[1], 1e-5f) << t[0];
    }
}

TEST_F(MaterialApplyTest, MoreStagesThanTheVideoCacheHoldsStopAtItsEnd) {
    Material m;
    m.passCount = 1;
    m.passes[0].stageCount = MATERIAL_MAX_STAGES;
    for (auto& st : m.passes[0].stages) st = {g::D3DTA_CURRENT, g::D3DTA_DIFFUSE, g::D3DTOP_MODULATE, -1, -1, 0};
    ASSERT_TRUE(m.Apply(0));
    EXPECT_EQ(Stage(VIDEO_STAGES - 1, g::D3DTSS_COLOROP), uint32_t(g::D3DTOP_DISABLE));
}

}  // namespace
}  // namespace rendertest
