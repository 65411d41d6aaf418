// The body-effect materials' phases, passes and fades, and the full-screen pulse's strength and
// lifetime, on the recording device.
#include <gtest/gtest.h>

#include "effect_fixture.h"
#include "effects/body_effects.h"
#include "effects/effect_list.h"
#include "effects/screen_pulse.h"
#include "platform/gfx/types.h"
#include "render/animated_material.h"
#include "shell/control.h"

namespace efftest {
namespace {

constexpr BodyEffectMotion kMotion = {{0.785f, 0.785f, 0.0f}, 0.0f, {0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}};
constexpr int32_t kSkin = 3;
constexpr int32_t kOverlay = 4;

class BodyAndPulseTest : public EffectDeviceTest {
protected:
    uint32_t FactorAlphaAfter(Material& m, int pass) {
        m.Apply(pass);
        return rec->RenderState(gfx::D3DRS_TEXTUREFACTOR) >> 24;
    }
    static void SetFog(bool on) { g_Scene.skyTexture = on ? 7 : -1; }
};

TEST_F(BodyAndPulseTest, ARiseGlowFadesInHoldsAndFadesOutThenEnds) {
    BodyEffect glow;
    glow.Init(kSkin, kOverlay, kMotion, 500, 1000, 500);
    ASSERT_EQ(glow.passCount, 2u);
    glow.Update(250);
    EXPECT_EQ(FactorAlphaAfter(glow, 0), 127u);
    EXPECT_EQ(FactorAlphaAfter(glow, 1), 127u);
    EXPECT_FLOAT_EQ(glow.angles[0], 0.785f * 0.25f);
    glow.Update(500);
    EXPECT_TRUE(glow.phase == BODY_HOLD && glow.passCount == 1 && glow.passes[0].blendPreset == 1);
    glow.Update(1250);
    EXPECT_EQ(glow.phase, BODY_FADE_OUT);
    EXPECT_FALSE(glow.IsFinished());
    glow.Update(1);
    EXPECT_TRUE(glow.IsFinished() && glow.passCount == 0);
    // Times of 0 end every phase at the first update, dividing by none of them.
    BodyEffect flash;
    flash.Init(kSkin, kOverlay, kMotion, 0, 0, 0);
    EXPECT_EQ(FactorAlphaAfter(flash, 0), 0u);
    flash.Update(0);
    EXPECT_TRUE(flash.IsFinished());
}

TEST_F(BodyAndPulseTest, AStatesOverlayHoldsUntilItFadesBackAndDrawsTheFogOnlyWithFog) {
    for (bool fog : {false, true}) {
        SCOPED_TRACE(fog);
        SetFog(fog);
        TimedBodyEffect overlay;
        overlay.Init(kSkin, kOverlay, kMotion, 400);
        EXPECT_EQ(overlay.passCount, fog ? 3u : 2u);
        if (fog) {
            EXPECT_EQ(overlay.passes[2].stages[0].op, uint32_t(gfx::D3DTOP_SELECTARG1));
            EXPECT_EQ(overlay.passes[2].stages[0].texture, 7);
        }
        overlay.Update(100);
        EXPECT_EQ(FactorAlphaAfter(overlay, 0), 191u);
        EXPECT_EQ(FactorAlphaAfter(overlay, 1), 63u);
        overlay.Update(301);
        EXPECT_EQ(overlay.phase, BODY_HOLD);
        EXPECT_EQ(overlay.passes[0].stageCount, fog ? 2u : 1u);
        if (fog) {
            EXPECT_EQ(overlay.passes[0].stages[1].op, uint32_t(gfx::D3DTOP_BLENDTEXTUREALPHA));
        }
        overlay.Update(100000);
        EXPECT_EQ(overlay.phase, BODY_HOLD);
        EXPECT_EQ(overlay.FadeBack(200), 2);
        overlay.Update(200);
        EXPECT_FALSE(overlay.IsFinished());
        overlay.Update(1);
        EXPECT_TRUE(overlay.IsFinished());
        EXPECT_TRUE(overlay.passCount == 1 && overlay.passes[0].stages[0].texture == kSkin);
    }
    SetFog(false);
    // No fade time: shown at once, and gone at once.
    Material* made = CreateTimedBodyEffect(kSkin, kOverlay, kMotion, 0);
    const auto* at = static_cast<const TimedBodyEffect*>(made);
    EXPECT_TRUE(at->phase == BODY_HOLD && at->passCount == 1 && at->passes[0].stages[0].texture == kOverlay);
    EXPECT_TRUE(FadeBackTimedBodyEffect(made, 0) && made->IsFinished());
    delete made;
    BodyEffect glow;
    EXPECT_FALSE(FadeBackTimedBodyEffect(&glow, 0));
}

TEST_F(BodyAndPulseTest, ThePulseFadesInPulsesFadesOutAndStaysSilentInItsListWithoutRemoval) {
    // The pickup's pulse: 30.5 s, then it leaves its list.
    g_Control.StartScreenPulse();
    auto* pulse = static_cast<ScreenPulseEffect*>(g_Scene.effects->Head()->item);
    EXPECT_EQ(pulse->total, 30500u);
    const struct { uint32_t t; float s; } at[] = {{250, 0.5f}, {500, 1.0f}, {750, 0.8f}, {15500, 1.0f},
                                                   {23000, 0.5f}, {30500, 0.0f}};
    for (const auto& a : at) EXPECT_NEAR(pulse->StrengthAt(a.t), a.s, 1e-4f) << a.t;
    g_Scene.effects->Update(30500);
    EXPECT_EQ(g_Scene.effects->Count(), 1);
    g_Scene.effects->Update(1);
    EXPECT_EQ(g_Scene.effects->Count(), 0);

    // Pulses too short to halve hold the full strength; without removal it stays, drawing nothing.
    pulse = new ScreenPulseEffect;
    pulse->Init(0, 1, 10, 0.2f, 0, 0xFFFFFFFF, 0);
    EXPECT_FLOAT_EQ(pulse->StrengthAt(3), 1.0f);
    g_Scene.effects->Add(pulse);
    g_Scene.effects->Update(11);
    EXPECT_EQ(g_Scene.effects->Count(), 1);
    g_Scene.effects->DrawScreenSpace();
    EXPECT_TRUE(rec->Draws().empty());
}

}  // namespace
}  // namespace efftest
