#include "shell/screen_effects.h"

#include "effects/effect_list.h"
#include "effects/particle_emitter.h"
#include "effects/screen_pulse.h"
#include "render/texture_manager.h"
#include "scene/camera.h"
#include "scene/camera_animators.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "shell/control_modes.h"

namespace {

constexpr const char* kCurtainTexture = "Texturas\\Efectos\\vet16.bmp";

EffectList* SceneFirstEffectList() { return g_Scene.effects; }

int32_t RealLoadTexture(const char* name) {
    return g_SceneTextures ? g_SceneTextures->LoadTexture(name, false, true, true) : -1;
}

// The curtain is queued whole and never deleted by its list: UpdateParticleCurtain does that.
void RealSetupEmitter(ParticleEmitter* e, const EmitterParams& params, const SpriteMoverTemplate& particle) {
    e->Setup(params, particle, 0, EMITTER_QUEUE_WHOLE);
}
void RealMoveEmitter(ParticleEmitter* e, float x, float y, float z) { e->MoveTo(x, y, z); }

constexpr ScreenEffectCalls kRealCalls = {SceneFirstEffectList, RealLoadTexture, RealSetupEmitter, RealMoveEmitter};

bool InList(EffectList* list, const PositionedObject* item) {
    for (EffectListNode* n = list->Head(); n; n = n->next) {
        if (n->item == item) return true;
    }
    return false;
}

}  // namespace

ScreenEffectCalls g_ScreenEffectCalls = kRealCalls;

void ResetScreenEffectCalls() { g_ScreenEffectCalls = kRealCalls; }

void BuildCurtainRecords(int32_t texture, EmitterParams* params, SpriteMoverTemplate* particle) {
    *params = EmitterParams{};
    params->lifetime = SCREEN_EFFECT_MS;
    params->spawnRadius = 1.5f;
    params->directionCone = 0.4f;
    params->angleMin = 0.0f;
    params->angleMax = 2.0f * kPi;
    params->spinMin = -3.0f * kPi;
    params->spinMax = 3.0f * kPi;
    params->rate = 20;
    params->lifetimeJitter = 1000;
    params->flags = EMITTER_MOVE_PARTICLES;

    *particle = SpriteMoverTemplate{};
    particle->lifetime = 6000;
    particle->direction = {0.0f, 1.0f, 0.0f};
    particle->speed = 1.0f;
    // White, fading out over the last fifth of its life.
    particle->colourStart = 0xFFFFFFFFu;
    particle->colourMiddle = 0xFFFFFFFFu;
    particle->colourEnd = 0;
    particle->colourMiddleTime = 0.8f;
    particle->colourFlags = CURVE_THREE_KEYS;
    // Growing from nothing to 2 in the first fifth, then to 3.
    particle->sizeStart = 0.0f;
    particle->sizeMiddle = 2.0f;
    particle->sizeEnd = 3.0f;
    particle->sizeMiddleTime = 0.2f;
    particle->sizeFlags = CURVE_THREE_KEYS;
    particle->texture = texture;
    particle->blendMode = 3;
}

// A camera holds one animator: a new request replaces a running one.
void Control::StartCameraShake() {
    Camera* camera = MainCamera();
    if (!camera) return;
    auto* a = new ShakeAnimator;
    if (!a->Init(SCREEN_EFFECT_MS, 0.5f, camera)) {
        delete a;
        return;
    }
    camera->AttachAnimator(a);
}

void Control::StartCameraFlip() {
    Camera* camera = MainCamera();
    if (!camera) return;
    auto* a = new RampAnimator;
    if (!a->Init(SCREEN_EFFECT_MS, 1000, camera)) {
        delete a;
        return;
    }
    camera->AttachAnimator(a);
}

void Control::StartCameraSpin() {
    Camera* camera = MainCamera();
    if (!camera) return;
    auto* a = new SpinAnimator;
    if (!a->Init(SCREEN_EFFECT_MS, 15, camera)) {
        delete a;
        return;
    }
    camera->AttachAnimator(a);
}

void Control::StartScreenPulse() {
    EffectList* list = g_ScreenEffectCalls.effectList();
    if (!list) return;
    auto* e = new ScreenPulseEffect;
    e->Init(500, 500, 30, 0.6f, SCREEN_EFFECT_MS, 0xFFFFFFFFu, REMOVE_WHEN_FINISHED);
    list->Add(e);
}

void Control::StartParticleCurtain() {
    if (particleCurtain) return;
    EffectList* list = g_ScreenEffectCalls.effectList();
    if (!list) return;
    EmitterParams params;
    SpriteMoverTemplate particle;
    BuildCurtainRecords(g_ScreenEffectCalls.loadTexture(kCurtainTexture), &params, &particle);
    auto* emitter = new ParticleEmitter;
    g_ScreenEffectCalls.setupEmitter(emitter, params, particle);
    particleCurtain = emitter;
    list->Add(emitter);
}

void Control::UpdateParticleCurtain() {
    if (!particleCurtain) return;
    EffectList* list = g_ScreenEffectCalls.effectList();
    // The list owns the emitter; a pointer to an emitter no longer in it (the list cleared or
    // another owner deleted it) is only cleared, never touched.
    if (!list || !InList(list, particleCurtain)) {
        particleCurtain = nullptr;
        return;
    }
    if (particleCurtain->IsFinished()) {
        list->Delete(particleCurtain);
        particleCurtain = nullptr;
        return;
    }
    Camera* camera = MainCamera();
    if (camera) g_ScreenEffectCalls.moveEmitter(particleCurtain, camera->eye.x, camera->eye.y - 2.0f, camera->eye.z);
}

void Control::StartScreenEffect(int type) {
    switch (type) {
    case 52: StartCameraShake(); break;
    case 53: StartCameraFlip(); break;
    case 54: StartInvertedControls(15000); break;
    case 55: StartCameraSpin(); break;
    case 56: StartScreenPulse(); break;
    case 57: StartParticleCurtain(); break;
    default: break;
    }
}
