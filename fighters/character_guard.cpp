// The guard pose on the two arm bones, and the sounds tied to the frames of a fighter's
// animations.
#include "core/clocks.h"
#include "fighters/animation_control.h"
#include "fighters/animation_cues.h"
#include "fighters/character.h"
#include "fighters/character_checks.h"
#include "fighters/fighter_shell.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "scene/bone.h"
#include "scene/character_model.h"

namespace {

constexpr int kGuardBones[] = {BONE_GUARD_FIRST, BONE_GUARD_SECOND};
constexpr uint32_t kGuardBlendMs = 100;
constexpr float kGuardRate = 60.0f;
constexpr uint32_t kReleaseBlendMs = 200;
constexpr float kReleaseRate = 30.0f;
// A guard taken again sooner than this after the last one keeps counting from its start.
constexpr uint32_t kGuardBreakMs = 2000;
constexpr float kGuardRiseLimit = 0.5f;

bool AttacksHitsOrFalls(int cls) { return cls == 3 || cls == 4 || cls == 6 || cls == 7; }

}  // namespace

void Character::StartGuard() {
    if (sinking || IsHelpless(*this) || AttacksHitsOrFalls(actionClass) || guarding) return;
    if (airborne && jumpVelocity.y > kGuardRiseLimit) return;
    guarding = 1;
    const uint32_t now = GetTime(CLOCK_MATCH);
    if (now - guardEndTime > kGuardBreakMs) guardStartTime = now;
    for (int b : kGuardBones) {
        if (!ModelBone(*this, b)) continue;
        model->PlayAnimation(b, ANIM_GUARD, kGuardBlendMs, kGuardRate, true);
        ModelBone(*this, b)->SetLocked(true, false);
    }
    if (ShouldAnnounce(this)) g_GamePacket.WriteStartGuard(slot);
}

void Character::EndGuard() {
    if (!guarding) return;
    guarding = guardRequest = 0;
    guardEndTime = GetTime(CLOCK_MATCH);
    for (int b : kGuardBones) {
        Bone* bone = ModelBone(*this, b);
        if (!bone) continue;
        bone->SetLocked(false, false);
        model->PlayAnimation(b, ANIM_STAND, kReleaseBlendMs, kReleaseRate, true);
    }
    if (ShouldAnnounce(this)) g_GamePacket.WriteEndGuard(slot);
}

void Character::SetGuardAnimationRate(float rate) {
    if (!guarding) return;
    for (int b : kGuardBones) {
        Bone* bone = ModelBone(*this, b);
        if (!bone) continue;
        // A locked bone takes no speed.
        bone->SetLocked(false, false);
        bone->SetSpeed(rate, true);
        bone->SetLocked(true, false);
    }
}

void Character::AnimationSounds() {
    if (!model) return;
    CueSounds cues;
    if (const CueSet* set = FindAnimationCues(model->GetAnimationIndex(BONE_WHOLE_BODY)))
        cues = EvaluateCueRows(*set, side,
                               [&](float frame) { return model->AnimationPassedFrame(BONE_WHOLE_BODY, frame); });
    if (model->GetAnimationIndex(CUE_GUARD_BONE) == CUE_GUARD_ANIMATION &&
        model->AnimationPassedFrame(CUE_GUARD_BONE, CUE_GUARD_FRAME))
        cues.c = CUE_GUARD_SOUND;
    cues.b = VoiceForSide(cues.b, side);
    for (int sound : {cues.a, cues.b, cues.c})
        if (sound != CUE_NONE) g_FighterShellCalls.playFx(sound, &position, 0);
}
