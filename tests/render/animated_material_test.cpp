// Timed overlay materials: their states, passes and texture factors at key times.
#include <cmath>

#include "material_fixture.h"
#include "render/animated_material.h"
#include "render/geometry.h"
#include "scene/scene.h"

namespace rendertest {
namespace {

namespace g = gfx;

class AnimatedMaterialTest : public MaterialTest {
protected:
    uint32_t Factor() const { return dev->RenderState(g::D3DRS_TEXTUREFACTOR); }
    uint32_t FactorAlpha() const { return Factor() >> 24; }
    const g::Matrix& Stage0Matrix() const { return dev->Transform(g::D3DTS_TEXTURE0); }
};

const float kNoRates[6] = {0, 0, 0, 0, 0, 0};

TEST_F(AnimatedMaterialTest, AFadesInHoldsCrossFadesAndFinishes) {
    AnimatedMaterialA a;
    ASSERT_TRUE(a.Init(-1, -1, kNoRates, 1, 1, 1, 1000, 500, 400));
    EXPECT_EQ(a.description.kindMask, 65u);
    EXPECT_EQ(a.passCount, 1u);
    EXPECT_EQ(a.passes[0].blendPreset, 5u);
    EXPECT_EQ(a.state, AnimatedMaterialA::kFadeIn);

    struct Step {
        uint32_t ms;          // update by
        uint8_t state;        // then
        uint32_t passes;
        int pass;             // applied
        uint32_t alpha;       // texture-factor alpha after applying it
    } steps[] = {
        {250, 1, 1, 0, 63},     // 255 x 0.25 truncated
        {250, 1, 1, 0, 127},
        {499, 1, 1, 0, 254},
        {1, 2, 1, 0, 254},      // hold: the factor is left as it was
        {500, 3, 2, 1, 255},    // cross-fade starts: the effect pass at full
        {100, 3, 2, 1, 191},    // 255 x 0.75
        {0, 3, 2, 0, 63},       // the base pass the other way round
        {300, 4, 0, 0, 63},     // finished: nothing applied any more
    };
    for (const Step& s : steps) {
        a.Update(s.ms);
        EXPECT_EQ(a.state, s.state) << "after " << a.elapsed;
        EXPECT_EQ(a.passCount, s.passes) << "after " << a.elapsed;
        EXPECT_TRUE(a.Apply(s.pass));
        EXPECT_EQ(FactorAlpha(), s.alpha) << "after " << a.elapsed;
        EXPECT_EQ(Factor() & 0xFFFFFFu, 0xFFFFFFu);
    }
    EXPECT_TRUE(a.IsFinished());
}

TEST_F(AnimatedMaterialTest, AHoldSwitchesThePresetAndTheCrossFadeBuildsItsPasses) {
    AnimatedMaterialA a;
    a.Init(21, 22, kNoRates, 1, 1, 1, 100, 100, 100);
    a.description.layerCount = 0;   // made-up textures
    a.Update(100);
    EXPECT_EQ(a.passes[0].blendPreset, 1u);
    a.Update(100);
    ASSERT_EQ(a.passCount, 2u);
    EXPECT_EQ(PassesOf(a), (std::vector<PassSpec>{
                               {{{g::D3DTA_TEXTURE, g::D3DTA_DIFFUSE, g::D3DTOP_MODULATE, 21, 0, 0}}, 5},
                               {{{g::D3DTA_TEXTURE, g::D3DTA_DIFFUSE, g::D3DTOP_MODULATE, 22, -1, 0}}, 5}}));
}

TEST_F(AnimatedMaterialTest, AWithASkyGetsAThirdHazePass) {
    g_Scene.skyTexture = 30;
    AnimatedMaterialA a;
    a.Init(21, 22, kNoRates, 1, 1, 1, 10, 10, 10);
    EXPECT_EQ(a.description.kindMask, 193u);
    a.description.layerCount = 0;
    a.Update(10);
    a.Update(10);
    ASSERT_EQ(a.passCount, 3u);
    ASSERT_EQ(a.passes[2].stageCount, 1u);
    EXPECT_EQ(a.passes[2].stages[0].texture, 30);
    EXPECT_EQ(a.passes[2].stages[0].mode, MATERIAL_ANIM_HAZE);
    EXPECT_EQ(a.passes[2].stages[0].op, uint32_t(g::D3DTOP_SELECTARG1));
    EXPECT_EQ(a.passes[2].blendPreset, 1u);
}

TEST_F(AnimatedMaterialTest, ZeroDurationsAreInstantFades) {
    AnimatedMaterialA a;
    a.Init(-1, -1, kNoRates, 1, 1, 1, 0, 0, 0);
    EXPECT_TRUE(a.Apply(0));
    EXPECT_EQ(FactorAlpha(), 255u);
    a.Update(0);
    a.Update(0);
    EXPECT_EQ(a.state, AnimatedMaterialA::kCrossFade);
    a.Apply(1);
    EXPECT_EQ(FactorAlpha(), 0u);
    a.Update(0);
    EXPECT_TRUE(a.IsFinished());

    const float rates[4] = {0, 0, 0, 0};
    AnimatedMaterialB b;
    b.Init(1.0f, -1, -1, rates, 1, 1, 1, 0);
    b.Apply(1);
    EXPECT_EQ(FactorAlpha(), 255u);
    b.FadeOut(0);
    b.Apply(1);
    EXPECT_EQ(FactorAlpha(), 0u);
    b.Update(1);
    EXPECT_TRUE(b.IsFinished());
}

TEST_F(AnimatedMaterialTest, TheTextureMatrixRotatesScalesAndSlides) {
    const float rates[6] = {0, 0, 1.0f, 0.5f, 0.25f, 2.0f};
    AnimatedMaterialA a;
    a.Init(-1, -1, rates, 2.0f, 3.0f, 4.0f, 1000, 0, 0);
    a.Update(500);
    EXPECT_NEAR(a.values[2], 0.5f, 1e-6f);
    EXPECT_NEAR(a.values[3], 0.25f, 1e-6f);
    a.Apply(0);
    Mat4 r;
    MatrixRotation(&r, 0.0f, 0.0f, 0.5f);
    const g::Matrix& m = Stage0Matrix();
    EXPECT_NEAR(m.m[0][0], r.m[0][0] * 2.0f, 1e-5f);
    EXPECT_NEAR(m.m[1][1], r.m[1][1] * 3.0f, 1e-5f);
    EXPECT_NEAR(m.m[2][2], r.m[2][2] * 4.0f, 1e-5f);
    EXPECT_NEAR(m.m[0][1], r.m[0][1], 1e-5f);
    EXPECT_NEAR(m.m[3][0], 0.25f, 1e-6f);
    EXPECT_NEAR(m.m[3][1], 0.125f, 1e-6f);
    EXPECT_NEAR(m.m[3][2], 1.0f, 1e-6f);
    EXPECT_EQ(dev->StageState(0, g::D3DTSS_TEXCOORDINDEX), g::D3DTSS_TCI_CAMERASPACENORMAL);
    EXPECT_EQ(dev->StageState(0, g::D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(g::D3DTTFF_COUNT2));
}

TEST_F(AnimatedMaterialTest, BFadesInHoldsUntilToldAndFadesOut) {
    const float rates[4] = {1.0f, 0, 0, 2.0f};
    AnimatedMaterialB b;
    EXPECT_EQ(b.Init(0.8f, 21, 22, rates, 1, 1, 1, 1000), 1);
    EXPECT_EQ(PassesOf(b), (std::vector<PassSpec>{
                               {{{g::D3DTA_TEXTURE, g::D3DTA_DIFFUSE, g::D3DTOP_MODULATE, 21, 0, 0}}, 0},
                               {{{g::D3DTA_TEXTURE, g::D3DTA_DIFFUSE, g::D3DTOP_MODULATE, 22, -1, 0}}, 5}}));
    EXPECT_EQ(b.description.layerCount, 0u);

    b.Update(500);
    EXPECT_NEAR(b.values[0], 0.5f, 1e-6f);
    for (int i = 3; i < 6; ++i) EXPECT_NEAR(b.values[i], 1.0f, 1e-6f);
    b.Apply(1);
    EXPECT_EQ(FactorAlpha(), uint32_t(int(0.5f * 0.8f * 255.0f)));
    b.Update(500);
    EXPECT_EQ(b.state, AnimatedMaterialB::kFadeIn);   // not past the duration yet
    b.Update(1);
    EXPECT_EQ(b.state, AnimatedMaterialB::kHold);
    // Holding never ends by itself.
    for (int i = 0; i < 100; ++i) b.Update(1000);
    EXPECT_EQ(b.state, AnimatedMaterialB::kHold);
    EXPECT_FALSE(b.IsFinished());
    b.Apply(0);
    EXPECT_EQ(g_Video.blendPreset, 0);   // the mesh is not fading
    b.Apply(1);
    EXPECT_EQ(FactorAlpha(), uint32_t(int(0.8f * 255.0f)));

    EXPECT_EQ(b.FadeOut(200), 0);
    EXPECT_EQ(b.state, AnimatedMaterialB::kFadeOut);
    b.Update(50);
    b.Apply(1);
    EXPECT_EQ(FactorAlpha(), uint32_t(int(0.75f * 0.8f * 255.0f)));
    b.Update(151);
    EXPECT_TRUE(b.IsFinished());
    EXPECT_EQ(b.passCount, 1u);
    EXPECT_EQ(b.passes[0].stages[0].texture, 21);
}

TEST_F(AnimatedMaterialTest, BFollowsTheMeshsOwnFade) {
    const float rates[4] = {0, 0, 0, 0};
    AnimatedMaterialB b;
    b.Init(1.0f, -1, -1, rates, 1, 1, 1, 100);
    b.Update(200);
    b.passes[0].factorAlpha = 128;
    b.Apply(0);
    EXPECT_EQ(g_Video.blendPreset, 5);
    EXPECT_EQ(Factor(), 0x80FFFFFFu);
    b.Apply(1);
    EXPECT_EQ(FactorAlpha(), 128u);
}

TEST_F(AnimatedMaterialTest, AnAnimatedMaterialOnTheListIsDeletedOnceFinishedAndUnreferenced) {
    MaterialRefList list;
    auto* a = new AnimatedMaterialA();
    a->Init(-1, -1, kNoRates, 1, 1, 1, 10, 10, 10);
    int32_t id = list.Add(a, 2);
    table.AddRef(id);
    for (int i = 0; i < 3; ++i) list.Update(10);
    EXPECT_TRUE(a->IsFinished());
    --a->refCount;   // the mesh drops it
    list.Update(10);
    EXPECT_EQ(table.Get(id), nullptr);
    EXPECT_EQ(list.count, 0u);
}

TEST_F(AnimatedMaterialTest, ResetZeroesTheAnimationButKeepsTheTextures) {
    AnimatedMaterialA a;
    const float rates[6] = {1, 1, 1, 1, 1, 1};
    a.Init(5, 6, rates, 1, 1, 1, 10, 10, 10);
    a.description.layerCount = 0;
    a.Update(5);
    EXPECT_EQ(a.Reset(), 0);
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.elapsed, 0u);
    EXPECT_EQ(a.t1 + a.t2 + a.t3, 0u);
    for (float v : a.values) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(a.baseTexture, 5);
    EXPECT_EQ(a.effectTexture, 6);
    EXPECT_TRUE(a.Apply(0));   // state 0 applies nothing
}

}  // namespace
}  // namespace rendertest
