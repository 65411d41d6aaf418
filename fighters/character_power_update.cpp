// The powers of a fighter from frame to frame: the effects that hang on a casting fighter, the
// end of the split cast, the timed states that run out, the local player's aim assist and the
// release of the power being cast (power_release.cpp).
#include <cmath>

#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/combat_events.h"
#include "fighters/match.h"
#include "fighters/power_release.h"
#include "fighters/roles.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/scene.h"

namespace {

constexpr int kChargeCast = 170;
constexpr int kBeamPower = 1;
constexpr int kBeamCast = 173;
constexpr int32_t kGlowTypes[2] = {71, 73};
constexpr float kGlowRaise = 0.75f;
constexpr int32_t kChargeTypes[2] = {70, 72};
constexpr float kChargePark = 10000.0f;
constexpr uint32_t kChargeStopMs = 0;
constexpr uint32_t kAttachedStopMs = 200;
constexpr int kStateStopMs = 1000;
constexpr float kPoisonShare = 0.9f * 0.033333335f;   // 3 % of the maximum health per second
constexpr float kAssistCone = 0.5235988f;             // 30 degrees

// The states a carrier of the enemy symbol or of the curse loses at once; the harmful ones stay.
constexpr bool kEndsWhenCarrying[TIMED_STATE_COUNT] = {true, true, false, false, false, true,
                                                       true, true, true,  true,  true,  true};

int SideOf(const Character& c) { return c.side == 1 ? 1 : 0; }

bool Carries(const Character& c) {
    return g_Match.symbols[1 - SideOf(c)].carrier == &c || g_Match.cursedFighter == &c;
}

}  // namespace

void Character::UpdatePowers() {
    if (!model) return;
    const bool local = IsLocalFighter(this);

    // The beam's selection goes once the fighter can no longer pay for it after a cast.
    if (local && g_FighterShellCalls.selectedPower() == kBeamPower && !HasEnergyForPower(kBeamPower) &&
        upperAnimation != kBeamCast && upperPreviousAnimation == kBeamCast)
        g_FighterShellCalls.selectPower(-1);

    for (int i = 0; i < FIGHTER_POWER_EFFECTS; ++i) {
        if (powerEffects[i] == EFFECT_NO_SLOT) continue;
        Vec3 hand = CastBonePoint(*this, i == 0 ? CastBone::A : CastBone::B);
        if (model->applyRootMotion) hand = Vec3Add(hand, rootDisplacement);
        EffectSlotSetPosition(powerEffects[i], hand);
    }

    if (HoldsAttachedEffect()) {
        const int32_t type = EffectSlotType(attachedEffect);
        if (type == kGlowTypes[0] || type == kGlowTypes[1])
            EffectSlotSetPosition(attachedEffect, Raised(position, kGlowRaise));
    }

    // A cast over the run ends with the upper body back on the legs' animation, in step with it.
    if ((IsOffline() || local) && split && !powerRepeat && upperActionClass == ACTION_CLASS_CAST &&
        model->HasAnimationWrapped(BONE_UPPER_BODY)) {
        SetAnimation(currentAnimation, 0, 0, BONE_UPPER_BODY);
        EndSplitAnimation();
        SetAnimationTime(model->GetAnimationFrame(BONE_WHOLE_BODY), BONE_UPPER_BODY);
    }
    if (upperActionClass == ACTION_CLASS_CAST) {
        if (upperAnimation == kChargeCast && powerEffects[0] == EFFECT_NO_SLOT) SpawnChargeEffects();
    } else {
        // Either glow still held goes, so that none is left burning.
        if (powerEffects[0] != EFFECT_NO_SLOT || powerEffects[1] != EFFECT_NO_SLOT) ReleasePowerEffects();
        powerRepeat = 0;
    }

    // A client leaves the releases and the states' ends to the host, which sends their results.
    if (IsNetworkActive() && !g_NetSession.hosting) return;

    const bool carrying = Carries(*this);
    for (int k = 0; k < TIMED_STATE_COUNT; ++k) {
        const TimedState& s = states[k];
        if (!s.active) continue;
        if (GetElapsed(CLOCK_MATCH, s.startTime) > s.durationMs || (carrying && kEndsWhenCarrying[k])) {
            StopTimedState(k, kStateStopMs);
        } else if (k == STATE_POISONING) {
            ChangeHealth(-(maxHealth * kPoisonShare * g_FighterShellCalls.frameSeconds()), nullptr);
        }
    }

    if (g_Settings.difficulty == 0 && local) {
        g_FighterShellCalls.setTargetMarker(false);
        Character* target = attackTarget;
        if (target && g_Scene.camera) {
            const float bearing = HeadingTo(target->position.x - position.x, target->position.z - position.z);
            const float apart = std::fabs(AngleDifference(g_Scene.camera->GetYaw(), bearing));
            if (apart < kAssistCone && HasLineOfSight(target)) g_FighterShellCalls.setTargetMarker(true);
        }
    }

    ReleasePower(*this);
}

void Character::SpawnChargeEffects() {
    if (states[STATE_FREEZE].active) return;
    const int32_t type = kChargeTypes[SideOf(*this)];
    const Vec3 parked{kChargePark, kChargePark, kChargePark};
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    // Every machine makes its own from the cast it sees, so they are not told. A glow still held
    // is kept rather than lost.
    for (int32_t& handle : powerEffects)
        if (handle == EFFECT_NO_SLOT)
            handle = CreateEffect(EFFECT_NO_SLOT, type, parked, zero, zero, zero, zero, EffectTypeLifetime(type), 0.0f,
                                  0, this);
}

void Character::ReleasePowerEffects() {
    for (int32_t& handle : powerEffects) {
        if (handle != EFFECT_NO_SLOT) EffectSlotStop(handle, kChargeStopMs);
        handle = EFFECT_NO_SLOT;
    }
}

void Character::ReleaseEffect() {
    if (HoldsAttachedEffect()) EffectSlotStop(attachedEffect, kAttachedStopMs);
    attachedEffect = EFFECT_NO_SLOT;
}

bool Character::HoldsAttachedEffect() {
    if (attachedEffect == EFFECT_NO_SLOT) return false;
    if (EffectSlotInUse(attachedEffect) && EffectSlotOwner(attachedEffect) == this) return true;
    attachedEffect = EFFECT_NO_SLOT;
    return false;
}
