// The screen and camera effect requests' calls into the scene, the textures and the effects,
// gathered so that tests can stand in for them.
#pragma once

#include <cstdint>

class EffectList;
class ParticleEmitter;
struct EmitterParams;
struct SpriteMoverTemplate;

constexpr int32_t SCREEN_EFFECT_MS = 15000;

struct ScreenEffectCalls {
    // The scene's first effect list, null while the scene has none.
    EffectList* (*effectList)();
    int32_t (*loadTexture)(const char* name);
    void (*setupEmitter)(ParticleEmitter* emitter, const EmitterParams& params, const SpriteMoverTemplate& particle);
    void (*moveEmitter)(ParticleEmitter* emitter, float x, float y, float z);
};
extern ScreenEffectCalls g_ScreenEffectCalls;
void ResetScreenEffectCalls();

// The particle curtain's emitter set-up and particle, the texture given.
void BuildCurtainRecords(int32_t texture, EmitterParams* params, SpriteMoverTemplate* particle);
