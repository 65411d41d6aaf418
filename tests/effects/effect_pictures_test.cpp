// What the body materials, the screen pulse and the rain put on the real device: the blend
// presets over a known background, the texture-factor fade, the fog stages, the overlay's turning
// texture matrix, the pulse's tint and the rain's lines.
#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/ambient_effects.h"
#include "effects/body_effects.h"
#include "effects/effect_list.h"
#include "effects/rain_emitter.h"
#include "effects/screen_pulse.h"
#include "render/animated_material.h"
#include "render/render_state_seams.h"
#include "scene/glow.h"
#include "scene/glow_picture_fixture.h"

namespace {

using fxtest::FxPictureTest;
using gfxtest::ColorNear;

constexpr BodyEffectMotion kStill = {{0, 0, 0}, 0, {0, 0}, {1, 1, 1}};

float Channel(uint32_t argb, int shift) { return float((argb >> shift) & 0xFF) / 255.0f; }

// Per colour channel: f(source, destination) of the two ARGB colours, as an opaque colour.
template <typename F>
uint32_t Mix(uint32_t src, uint32_t dst, F f) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const float v = std::clamp(f(Channel(src, shift), Channel(dst, shift)), 0.0f, 1.0f);
        out |= uint32_t(std::lround(v * 255.0f)) << shift;
    }
    return out;
}

// The product of two colours channel by channel (stage MODULATE), alpha included.
uint32_t Modulate(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= uint32_t(std::lround(Channel(a, shift) * Channel(b, shift) * 255.0f)) << shift;
    return out;
}

class EffectPictureTest : public FxPictureTest {
protected:
    static constexpr uint32_t kBackground = 0xFF204060;

    void TearDown() override {
        g_Scene.skyTexture = -1;
        g_Scene.skyLayer = 0;
        FxPictureTest::TearDown();
    }
    // A pretransformed rectangle over the whole target with the current states.
    void Cover(uint32_t diffuse) {
        const float s = float(kSize);
        DrawRect(0, 0, s, s, diffuse);
    }
};

TEST_F(EffectPictureTest, TheBlendPresetsMixTheModulatedTextureWithWhatIsBehind) {
    constexpr uint32_t kTexel = 0x80FF8040, kDiffuse = 0xFF808080;
    const int32_t tex = SeedColourTexture("Texturas\\Efectos\\preset.tga", kTexel);
    ASSERT_GE(tex, 0);
    const uint32_t src = Modulate(kTexel, kDiffuse);
    const float alpha = Channel(src, 24);
    const struct { int preset; uint32_t expected; } cases[] = {
        {1, Mix(src, kBackground, [&](float s, float d) { return s * alpha + d * (1 - alpha); })},
        {2, Mix(src, kBackground, [](float s, float d) { return s + d * (1 - s); })},
        {3, Mix(src, kBackground, [](float s, float d) { return d * (1 - s); })},
        // The texture factor carries half the alpha.
        {5, Mix(src, kBackground, [&](float s, float d) { return s * alpha * 0.5f + d * (1 - alpha * 0.5f); })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        Clear(kBackground);
        ApplyScreenSpaceStates();
        g_Video.SetBlendMode(c.preset);
        SetTextureFactor(WhiteTextureFactor(0.5f));
        DrawScreenRect(0, 0, float(kSize), float(kSize), 0, 0, 1, 1, 0, 1, kDiffuse, tex);
        EXPECT_TRUE(ColorNear(Pixel(16, 16), c.expected, 4));
    }
}

TEST_F(EffectPictureTest, TheFogPassAndTheFogStageLayTheFogByItsAlpha) {
    constexpr uint32_t kFog = 0x40C0C0C0, kOverlay = 0xFF2080FF, kDiffuse = 0xFFFFFFFF;
    const int32_t fog = SeedColourTexture("Texturas\\Fog.tga", kFog);
    const int32_t overlay = SeedColourTexture("Texturas\\Efectos\\vecorporal06.tga", kOverlay);
    ASSERT_TRUE(fog >= 0 && overlay >= 0);
    g_Scene.skyTexture = fog;
    g_Scene.skyLayer = 1;
    const float fa = Channel(kFog, 24);
    TimedBodyEffect body;
    body.Init(-1, overlay, kStill, 400);
    ASSERT_EQ(body.passCount, 3u);
    // The fading overlay's third pass: the fog alone over the body.
    Clear(kBackground);
    body.Apply(2);
    Cover(kDiffuse);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), Mix(kFog, kBackground, [&](float s, float d) { return s * fa + d * (1 - fa); }),
                          4));
    // Holding: one pass, the fog blended by its alpha over the overlay in a second stage.
    body.Update(401);
    ASSERT_EQ(body.passes[0].stageCount, 2u);
    Clear(kBackground);
    body.Apply(0);
    g_Video.SetTexCoordIndex(1, 0);
    Cover(kDiffuse);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), Mix(kFog, kOverlay, [&](float s, float d) { return s * fa + d * (1 - fa); }),
                          4));
}

TEST_F(EffectPictureTest, TheOverlayFollowsTheNormalsThroughItsTurningTextureMatrix) {
    std::vector<uint32_t> ramp(8 * 8);
    for (uint32_t i = 0; i < ramp.size(); ++i) ramp[i] = 0xFF000000u | ((i % 8) * 32u << 16);
    gfx::Texture* t = TextureFromColors(8, 8, ramp);
    ASSERT_NE(t, nullptr);
    const int32_t tex = fxtest::SeedTexture(device, "Texturas\\Efectos\\vecorporal01.tga", t);
    AimCamera({0, 0, -10}, {0, 0, 0});
    const BodyEffectMotion turning = {{0, 0.5f, 0}, 0, {0, 0}, {1, 1, 1}};
    BodyEffect glow;
    glow.Init(-1, tex, turning, 0, 10000, 0);
    glow.Update(1);
    struct V {
        float x, y, z, nx, ny, nz;
    };
    const V quad[4] = {{-3, 3, 0, 0, 0, -1}, {3, 3, 0, 0, 0, -1}, {-3, -3, 0, 0, 0, -1}, {3, -3, 0, 0, 0, -1}};
    auto draw = [&] {
        Clear(0xFF000000);
        g_Video.SetWorldMatrix(nullptr, 0, false);
        g_Video.SetLighting(false);
        glow.Apply(0);
        DrawUP(gfx::D3DFVF_XYZ | gfx::D3DFVF_NORMAL, gfx::D3DPT_TRIANGLESTRIP, 2, quad);
        return Pixel(16, 16);
    };
    const uint32_t before = draw();
    glow.Update(500);
    const uint32_t after = draw();
    EXPECT_GT(std::abs(int((before >> 16) & 0xFF) - int((after >> 16) & 0xFF)), 30)
        << gfxtest::Hex(before) << " " << gfxtest::Hex(after);
}

TEST_F(EffectPictureTest, ThePulseTintsTheScreenAtItsStrength) {
    auto* pulse = new ScreenPulseEffect;
    pulse->Init(100, 0, 0, 0, 0, 0xFFFFFFFF, 0);
    g_Scene.effects->Add(pulse);
    g_Scene.effects->Update(50);
    Clear(kBackground);
    g_Scene.effects->DrawScreenSpace();
    const uint32_t half = 0x7F7F7F7F;
    EXPECT_TRUE(ColorNear(Pixel(16, 16), Mix(half, kBackground, [](float s, float d) { return s + d * (1 - s); }), 4));
    EXPECT_TRUE(ColorNear(Pixel(0, 31), Pixel(16, 16), 1));
}

TEST_F(EffectPictureTest, RainDrawsItsDropsAsLines) {
    AimCamera({0, 0, -10}, {0, 0, 0});
    RainEmitter rain;
    rain.Init({1, 1, 1}, {-1, -1, -1}, 0, RainDropParameters{}, 0);
    auto* drop = new StreakParticle;
    // Down the middle of pixel column 16, from 4 below the centre to 4 above.
    drop->SetPosition({0.3125f, -4.0f, 0});
    drop->direction = {0, -1, 0};
    drop->length = 8.0f;
    drop->headColour = drop->tailColour = 0xFFFF0000;
    drop->floorHeight = -100.0f;
    rain.drops->Add(drop);
    Clear(0xFF000000);
    ASSERT_TRUE(rain.Render());
    for (uint32_t y : {12u, 16u, 20u}) EXPECT_TRUE(ColorNear(Pixel(16, y), 0xFFFF0000, 8)) << y;
    EXPECT_TRUE(ColorNear(Pixel(4, 16), 0xFF000000) && ColorNear(Pixel(16, 2), 0xFF000000));
}

}  // namespace
