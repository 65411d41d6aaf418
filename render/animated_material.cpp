#include "render/animated_material.h"

#include <cstring>

#include "common/math.h"
#include "platform/gfx/types.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/scene.h"


uint32_t WhiteTextureFactor(float f) {
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    return (uint32_t(int(f * 255.0f)) << 24) | 0xFFFFFFu;
}

float FadeFraction(uint32_t elapsed, uint32_t span) {
    if (span == 0) return 1.0f;
    float f = float(elapsed) / float(span);
    return f > 1.0f ? 1.0f : (f < 0.0f ? 0.0f : f);
}

void SetTextureFactor(uint32_t value) {
    if (g_Video.device) g_Video.device->SetRenderState(gfx::D3DRS_TEXTUREFACTOR, value);
}

void SetSingleStagePass(MaterialPass* pass, int32_t texture, int8_t index, uint32_t preset) {
    uint8_t alpha = pass->factorAlpha;
    ResetMaterialPass(pass);
    pass->factorAlpha = alpha;
    MaterialStage& s = pass->stages[0];
    s.arg1 = gfx::D3DTA_TEXTURE;
    s.arg2 = gfx::D3DTA_DIFFUSE;
    s.op = gfx::D3DTOP_MODULATE;
    s.texture = texture;
    s.texCoordIndex = index;
    pass->stageCount = 1;
    pass->blendPreset = preset;
}

void ApplyAnimatedTextureMatrix(const float values[ANIMATED_MATERIAL_VALUES], const float scales[3]) {
    if (!g_Video.device) return;
    Mat4 m;
    MatrixRotation(&m, values[0], values[1], values[2]);
    m.m[0][0] *= scales[0];
    m.m[1][1] *= scales[1];
    m.m[2][2] *= scales[2];
    m.m[3][0] = values[3];
    m.m[3][1] = values[4];
    m.m[3][2] = values[5];
    gfx::Matrix t;
    std::memcpy(t.m, m.m, sizeof(t.m));
    g_Video.device->SetTransform(gfx::D3DTS_TEXTURE0, &t);
    g_Video.SetTexCoordIndex(0, gfx::D3DTSS_TCI_CAMERASPACENORMAL);
    g_Video.SetTextureTransform(0, gfx::D3DTTFF_COUNT2);
}

// ---- A ----

AnimatedMaterialA::AnimatedMaterialA() : baseTexture(-1), effectTexture(-1) { Reset(); }

int AnimatedMaterialA::Reset() {
    t1 = t2 = t3 = 0;
    elapsed = 0;
    for (int i = 0; i < ANIMATED_MATERIAL_VALUES; ++i) values[i] = rates[i] = 0.0f;
    scales[0] = scales[1] = scales[2] = 0.0f;
    state = 0;
    return 0;
}

bool AnimatedMaterialA::Init(int32_t base, int32_t effect, const float r[ANIMATED_MATERIAL_VALUES], float scaleX,
                             float scaleY, float scaleZ, uint32_t fadeIn, uint32_t hold, uint32_t crossFade) {
    baseTexture = base;
    effectTexture = effect;
    for (int i = 0; i < ANIMATED_MATERIAL_VALUES; ++i) {
        rates[i] = r ? r[i] : 0.0f;
        values[i] = 0.0f;
    }
    scales[0] = scaleX;
    scales[1] = scaleY;
    scales[2] = scaleZ;
    t1 = fadeIn;
    t2 = hold;
    t3 = crossFade;
    MaterialDescription d{};
    for (MaterialLayer& l : d.layers) l = MaterialLayer{0, -1};
    d.layers[0] = MaterialLayer{MATERIAL_KIND_BASE, effect};
    d.layers[1] = MaterialLayer{MATERIAL_KIND_VERTEX_COLOUR, -1};
    d.layerCount = 2;
    d.options = 1;
    if (g_Scene.skyTexture >= 0) d.layers[d.layerCount++] = MaterialLayer{MATERIAL_KIND_HAZE, g_Scene.skyTexture};
    SetDescription(d);
    passes[0].blendPreset = 5;
    state = kFadeIn;
    elapsed = 0;
    return true;
}

int AnimatedMaterialA::Update(uint32_t ms) {
    elapsed += ms;
    for (int i = 0; i < ANIMATED_MATERIAL_VALUES; ++i) values[i] += float(ms) * 0.001f * rates[i];
    switch (state) {
    case kFadeIn:
        if (elapsed >= t1) {
            state = kHold;
            passes[0].blendPreset = 1;
        }
        break;
    case kHold:
        if (uint64_t(elapsed) >= uint64_t(t1) + t2) {
            state = kCrossFade;
            SetSingleStagePass(&passes[0], baseTexture, 0, 5);
            SetSingleStagePass(&passes[1], effectTexture, -1, 5);
            passCount = 2;
            if (g_Scene.skyTexture >= 0) {
                MaterialPass& p = passes[2];
                ResetMaterialPass(&p);
                p.stages[0].arg1 = gfx::D3DTA_TEXTURE;
                p.stages[0].op = gfx::D3DTOP_SELECTARG1;
                p.stages[0].texture = g_Scene.skyTexture;
                p.stages[0].mode = MATERIAL_ANIM_HAZE;
                p.stageCount = 1;
                p.blendPreset = 1;
                passCount = 3;
            }
        }
        break;
    case kCrossFade:
        if (uint64_t(elapsed) >= uint64_t(t1) + t2 + t3) {
            passCount = 0;
            state = kFinished;
        }
        break;
    default:
        break;
    }
    return 0;
}

bool AnimatedMaterialA::Apply(int pass) {
    if (state < kFadeIn || state > kCrossFade) return true;
    Material::Apply(pass);
    switch (state) {
    case kFadeIn:
        SetTextureFactor(WhiteTextureFactor(FadeFraction(elapsed, t1)));
        ApplyAnimatedTextureMatrix(values, scales);
        break;
    case kHold:
        ApplyAnimatedTextureMatrix(values, scales);
        break;
    case kCrossFade: {
        uint64_t start = uint64_t(t1) + t2;
        uint32_t into = elapsed > start ? uint32_t(elapsed - start) : 0;
        float f = FadeFraction(into, t3);
        if (pass == 1) {
            ApplyAnimatedTextureMatrix(values, scales);
            SetTextureFactor(WhiteTextureFactor(1.0f - f));
        } else {
            SetTextureFactor(WhiteTextureFactor(f));
        }
        break;
    }
    }
    return true;
}

// ---- B ----

AnimatedMaterialB::AnimatedMaterialB() : baseTexture(-1), effectTexture(-1) { Reset(); }

AnimatedMaterialB::~AnimatedMaterialB() { Reset(); }

void AnimatedMaterialB::Reset() {
    intensity = 0.0f;
    duration = 0;
    elapsed = 0;
    for (float& r : rates) r = 0.0f;
    for (float& v : values) v = 0.0f;
    scales[0] = scales[1] = scales[2] = 0.0f;
    state = 0;
}

int AnimatedMaterialB::Init(float strength, int32_t base, int32_t effect, const float r[4], float scaleX,
                            float scaleY, float scaleZ, uint32_t fadeIn) {
    intensity = strength;
    baseTexture = base;
    effectTexture = effect;
    for (int i = 0; i < 4; ++i) rates[i] = r ? r[i] : 0.0f;
    scales[0] = scaleX;
    scales[1] = scaleY;
    scales[2] = scaleZ;
    duration = fadeIn;
    SetSingleStagePass(&passes[0], baseTexture, 0, 0);
    SetSingleStagePass(&passes[1], effectTexture, -1, 5);
    passCount = 2;
    elapsed = 0;
    for (float& v : values) v = 0.0f;
    state = kFadeIn;
    return 1;
}

int AnimatedMaterialB::FadeOut(uint32_t fadeOut) {
    SetSingleStagePass(&passes[0], baseTexture, 0, 0);
    SetSingleStagePass(&passes[1], effectTexture, -1, 5);
    passCount = 2;
    duration = fadeOut;
    elapsed = 0;
    state = kFadeOut;
    return 0;
}

int AnimatedMaterialB::Update(uint32_t ms) {
    elapsed += ms;
    const float s = float(ms) * 0.001f;
    for (int i = 0; i < 3; ++i) values[i] += s * rates[i];
    for (int i = 3; i < 6; ++i) values[i] += s * rates[3];
    if (elapsed <= duration) return 0;
    if (state == kFadeIn) {
        state = kHold;
    } else if (state == kFadeOut) {
        state = kFinished;
        SetSingleStagePass(&passes[0], baseTexture, 0, 0);
        passCount = 1;
    }
    return 0;
}

bool AnimatedMaterialB::Apply(int pass) {
    Material::Apply(pass);
    const uint8_t alpha0 = passes[0].factorAlpha;
    if (alpha0 < 255) {
        g_Video.SetBlendMode(5);
        SetTextureFactor((uint32_t(alpha0) << 24) | 0xFFFFFFu);
    }
    if (pass == 0) return true;
    float f = intensity;
    if (state == kFadeIn)
        f = FadeFraction(elapsed, duration) * intensity;
    else if (state == kFadeOut)
        f = (duration == 0 ? 0.0f : 1.0f - FadeFraction(elapsed, duration)) * intensity;
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    SetTextureFactor(uint32_t(int(float(alpha0) / 255.0f * f * 255.0f)) << 24 | 0xFFFFFFu);
    ApplyAnimatedTextureMatrix(values, scales);
    return true;
}
