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

}  // namespace
}  // namespace rendertest
