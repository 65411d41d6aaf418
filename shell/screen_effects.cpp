#include "shell/screen_effects.h"

#include <cstring>

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

constexpr float kPi = 3.14159265358979f;
constexpr const char* kCurtainTexture = "Texturas\\Efectos\\vet16.bmp";

EffectList* SceneFirstEffectList() { return g_Scene.effects; }

int32_t RealLoadTexture(const char* name) {
    return g_SceneTextures ? g_SceneTextures->LoadTexture(name, false, true, true) : -1;
}

void RealSetupEmitter(ParticleEmitter* e, const EmitterRecordA& a, const EmitterRecordB& b) { e->Setup(a, b, 0, 2); }
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

void BuildCurtainRecords(int32_t texture, EmitterRecordA* a, EmitterRecordB* b) {
    std::memset(a, 0, sizeof *a);
    std::memset(b, 0, sizeof *b);
    a->lifeMs = SCREEN_EFFECT_MS;
    a->f1 = 1.5f;
    a->f2 = 0.4f;
    a->angleRange = 2.0f * kPi;
    a->spinMin = -3.0f * kPi;
    a->spinMax = 3.0f * kPi;
    a->count = 20;
    a->intervalMs = 1000;
    a->flag = 1;
    b->particleLifeMs = 6000;
    b->f1 = 1.0f;
    b->f2 = 1.0f;
    b->i3 = -1;
    b->i4 = -1;
    b->f5 = 0.8f;
    b->i6 = 2;
    b->f7 = 2.0f;
    b->f8 = 3.0f;
    b->f9 = 0.2f;
    b->i10 = 2;
    b->texture = texture;
    b->i12 = 3;
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
    e->Setup(500, 500, 30, 0.6f, SCREEN_EFFECT_MS, 0xFFFFFFFFu, 1);
    list->Add(e);
}

void Control::StartParticleCurtain() {
    if (particleCurtain) return;
    EffectList* list = g_ScreenEffectCalls.effectList();
    if (!list) return;
    EmitterRecordA first;
    EmitterRecordB second;
    BuildCurtainRecords(g_ScreenEffectCalls.loadTexture(kCurtainTexture), &first, &second);
    auto* emitter = new ParticleEmitter;
    g_ScreenEffectCalls.setupEmitter(emitter, first, second);
    particleCurtain = emitter;
    list->Add(emitter);
}

void Control::UpdateParticleCurtain() {
    if (!particleCurtain) return;
    EffectList* list = g_ScreenEffectCalls.effectList();
    // The list owns the emitter and deletes it once its update reports it finished; a pointer to
    // an emitter no longer in the list is only cleared, never touched.
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
