#include "effects/body_effects.h"

#include <algorithm>
#include <new>

#include "platform/gfx/types.h"
#include "render/animated_material.h"
#include "render/video.h"
#include "scene/scene.h"

namespace {

bool SceneHasFog() { return g_Scene.skyTexture >= 0; }

// The fog texture over whatever the pass drew: alone in a pass of its own, or blended by its
// alpha as a second stage.
void SetFogStage(MaterialStage* s, uint32_t op, uint32_t arg2) {
    ResetMaterialStage(s);
    s->arg1 = gfx::D3DTA_TEXTURE;
    s->arg2 = arg2;
    s->op = op;
    s->texture = g_Scene.skyTexture;
    s->mode = MATERIAL_ANIM_HAZE;
}

void AddFogPass(Material* m) {
    MaterialPass& p = m->passes[m->passCount];
    const uint8_t alpha = p.factorAlpha;
    ResetMaterialPass(&p);
    p.factorAlpha = alpha;
    SetFogStage(&p.stages[0], gfx::D3DTOP_SELECTARG1, gfx::D3DTA_DIFFUSE);
    p.stageCount = 1;
    p.blendPreset = 1;
    ++m->passCount;
}

// The alpha of a fade that has run `into` ms of `span`, from 1 down to 0.
float FadingOut(uint64_t into, uint32_t span) {
    return 1.0f - FadeFraction(uint32_t(std::min<uint64_t>(into, UINT32_MAX)), span);
}

}  // namespace

// ---- shared ----

BodyEffectBase::BodyEffectBase()
    : textureA(-1), textureB(-1), elapsed(0), angleRates{}, scrollRate(0.0f), spare{}, scale{}, angles{}, scroll{},
      phase(0) {}

void BodyEffectBase::Start(int32_t a, int32_t b, const BodyEffectMotion& motion) {
    textureA = a;
    textureB = b;
    std::copy(motion.angleRates, motion.angleRates + 3, angleRates);
    scrollRate = motion.scrollRate;
    std::copy(motion.spare, motion.spare + 2, spare);
    std::copy(motion.scale, motion.scale + 3, scale);
    std::fill(angles, angles + 3, 0.0f);
    std::fill(scroll, scroll + 3, 0.0f);
    elapsed = 0;
    phase = BODY_FADE_IN;
}

void BodyEffectBase::Advance(uint32_t dtMs) {
    elapsed = uint32_t(std::min<uint64_t>(uint64_t(elapsed) + dtMs, UINT32_MAX));
    const float s = float(dtMs) / 1000.0f;
    for (int i = 0; i < 3; ++i) {
        angles[i] += s * angleRates[i];
        scroll[i] += s * scrollRate;
    }
}

void BodyEffectBase::ApplyTextureMatrix() const {
    const float values[ANIMATED_MATERIAL_VALUES] = {angles[0], angles[1], angles[2], scroll[0], scroll[1], scroll[2]};
    ApplyAnimatedTextureMatrix(values, scale);
}

void BodyEffectBase::CrossFadePasses() {
    SetSingleStagePass(&passes[0], textureA, -1, 5);
    SetSingleStagePass(&passes[1], textureB, -1, 5);
    passCount = 2;
}

void BodyEffectBase::ClearTimes() {
    elapsed = 0;
    std::fill(angleRates, angleRates + 3, 0.0f);
    scrollRate = 0.0f;
    std::fill(spare, spare + 2, 0.0f);
    std::fill(scale, scale + 3, 0.0f);
    std::fill(angles, angles + 3, 0.0f);
    std::fill(scroll, scroll + 3, 0.0f);
    phase = 0;
}

// ---- BodyEffect ----

BodyEffect::BodyEffect() : fadeInTime(0), holdTime(0), fadeOutTime(0) {}

int BodyEffect::Init(int32_t a, int32_t b, const BodyEffectMotion& motion, uint32_t fadeInMs, uint32_t holdMs,
                     uint32_t fadeOutMs) {
    Start(a, b, motion);
    fadeInTime = fadeInMs;
    holdTime = holdMs;
    fadeOutTime = fadeOutMs;
    CrossFadePasses();
    return 1;
}

int BodyEffect::Reset() {
    ClearTimes();
    fadeInTime = holdTime = fadeOutTime = 0;
    return 0;
}

int BodyEffect::Update(uint32_t dtMs) {
    Advance(dtMs);
    const uint64_t holdEnd = uint64_t(fadeInTime) + holdTime;
    const uint64_t end = holdEnd + fadeOutTime;
    // One long frame may pass several phases; a phase of no length is over at once.
    if (phase == BODY_FADE_IN && (elapsed > fadeInTime || fadeInTime == 0)) {
        phase = BODY_HOLD;
        SetSingleStagePass(&passes[0], textureB, -1, 1);
        passCount = 1;
    }
    if (phase == BODY_HOLD && (elapsed > holdEnd || holdTime == 0)) {
        phase = BODY_FADE_OUT;
        SetSingleStagePass(&passes[0], textureB, -1, 5);
        passCount = 1;
    }
    if (phase == BODY_FADE_OUT && (elapsed > end || fadeOutTime == 0)) {
        phase = BODY_ENDED;
        passCount = 0;
    }
    return 0;
}

bool BodyEffect::Apply(int pass) {
    Material::Apply(pass);
    switch (phase) {
        case BODY_FADE_IN: {
            const float a = FadingOut(elapsed, fadeInTime);
            SetTextureFactor(WhiteTextureFactor(pass == 1 ? 1.0f - a : a));
            if (pass == 1) ApplyTextureMatrix();
            break;
        }
        case BODY_HOLD: ApplyTextureMatrix(); break;
        case BODY_FADE_OUT: {
            const uint64_t start = uint64_t(fadeInTime) + holdTime;
            SetTextureFactor(WhiteTextureFactor(FadingOut(elapsed > start ? elapsed - start : 0, fadeOutTime)));
            ApplyTextureMatrix();
            break;
        }
        default: break;
    }
    return true;
}

// ---- TimedBodyEffect ----

TimedBodyEffect::TimedBodyEffect() : fadeTime(0) {}

TimedBodyEffect::~TimedBodyEffect() { Release(); }

void TimedBodyEffect::HoldPasses() {
    SetSingleStagePass(&passes[0], textureB, -1, 1);
    passCount = 1;
    if (SceneHasFog()) {
        SetFogStage(&passes[0].stages[1], gfx::D3DTOP_BLENDTEXTUREALPHA, gfx::D3DTA_CURRENT);
        passes[0].stageCount = 2;
    }
    phase = BODY_HOLD;
}

int TimedBodyEffect::Init(int32_t a, int32_t b, const BodyEffectMotion& motion, uint32_t fadeMs) {
    Start(a, b, motion);
    fadeTime = fadeMs;
    CrossFadePasses();
    if (SceneHasFog()) AddFogPass(this);
    if (fadeMs == 0) HoldPasses();
    return 1;
}

int TimedBodyEffect::FadeBack(uint32_t fadeMs) {
    elapsed = 0;
    fadeTime = fadeMs;
    phase = BODY_FADE_OUT;
    CrossFadePasses();
    if (SceneHasFog()) AddFogPass(this);
    // No time to fade: the skin is back at once.
    if (fadeMs == 0) Update(0);
    return 2;
}

void TimedBodyEffect::Release() {
    ClearTimes();
    fadeTime = 0;
}

bool TimedBodyEffect::IsFinished() const { return phase == BODY_ENDED && (elapsed > fadeTime || fadeTime == 0); }

int TimedBodyEffect::Update(uint32_t dtMs) {
    Advance(dtMs);
    if (elapsed <= fadeTime && fadeTime != 0) return 0;
    if (phase == BODY_FADE_IN) {
        HoldPasses();
    } else if (phase == BODY_FADE_OUT) {
        SetSingleStagePass(&passes[0], textureA, -1, 0);
        passCount = 1;
        phase = BODY_ENDED;
    }
    return 0;
}

bool TimedBodyEffect::Apply(int pass) {
    Material::Apply(pass);
    const float alpha0 = float(passes[0].factorAlpha) / 255.0f;
    switch (phase) {
        case BODY_FADE_IN:
        case BODY_FADE_OUT: {
            // The skin fades out as the overlay fades in, and back.
            const float f = FadeFraction(elapsed, fadeTime);
            const float a = phase == BODY_FADE_IN ? 1.0f - f : f;
            SetTextureFactor(WhiteTextureFactor(alpha0 * (pass == 1 ? 1.0f - a : a)));
            if (pass == 1) ApplyTextureMatrix();
            break;
        }
        case BODY_HOLD:
            // The fighter itself fading (its model's alpha) shows through.
            if (passes[0].factorAlpha < 255) {
                SetTextureFactor((uint32_t(passes[0].factorAlpha) << 24) | 0xFFFFFFu);
                g_Video.SetBlendMode(5);
            }
            ApplyTextureMatrix();
            break;
        default: break;
    }
    return true;
}

// ---- the fighters' calls ----

Material* CreateTimedBodyEffect(int32_t textureA, int32_t textureB, const BodyEffectMotion& motion, uint32_t fadeMs) {
    auto* m = new (std::nothrow) TimedBodyEffect;
    if (m) m->Init(textureA, textureB, motion, fadeMs);
    return m;
}

Material* CreateBodyEffect(int32_t textureA, int32_t textureB, const BodyEffectMotion& motion, uint32_t fadeInMs,
                           uint32_t holdMs, uint32_t fadeOutMs) {
    auto* m = new (std::nothrow) BodyEffect;
    if (m) m->Init(textureA, textureB, motion, fadeInMs, holdMs, fadeOutMs);
    return m;
}

bool FadeBackTimedBodyEffect(Material* material, uint32_t fadeMs) {
    auto* timed = dynamic_cast<TimedBodyEffect*>(material);
    if (!timed) return false;
    timed->FadeBack(fadeMs);
    return true;
}
