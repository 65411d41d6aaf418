// The gate through which a fighter's animation changes: which changes the current action
// allows, the bookkeeping of the whole body and the upper body, the blend, the time stamps other
// rules read, the split of the upper body and the announcement to the network game.
#include <cmath>

#include "core/clocks.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/character_checks.h"
#include "fighters/fighter_shell.h"
#include "fighters/power_table.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "scene/bone.h"
#include "scene/character_model.h"

namespace {

constexpr float kBaseRate = 30.0f;
constexpr int kFallCrySound = 85;   // side 0; side 1 cries one further on

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

// What a permission rule looks at: the animation asked for and its class, the check mode, and
// the animation and class of the layer it would replace.
struct Request {
    const Character& c;
    int a;
    int cls;
    int check;
    int cur;
    int curClass;
    bool wrapped;   // the layer's animation completed a cycle in the last advance
};

struct PermissionRule {
    const char* name;
    bool (*refuses)(const Request& r);
};

// The upper body, after the same-animation rule.
constexpr PermissionRule kUpperBodyRules[] = {
    {"the upper-body run variant only over the run",
     [](const Request& r) { return r.a == ANIM_UPPER_BODY_ONLY && r.cur != ANIM_RUN; }},
    {"no cast over an action", [](const Request& r) { return r.cls == 12 && IsActionAnimation(r.cur); }},
};

// Every other layer, in this order, after the same-animation rule.
constexpr PermissionRule kMainRules[] = {
    {"in the air only jumps, attacks, hits, entries and the knock-down",
     [](const Request& r) {
         if (!r.c.airborne || r.a == ANIM_KNOCKED_DOWN || r.cls == 13 || r.cls == 3 || r.cls == 6) return false;
         return r.cls != 2 || (In(r.cur, 37, 39) && !In(r.a, 37, 39));
     }},
    {"no running in the air", [](const Request& r) { return r.c.airborne && r.cls == 1; }},
    {"the heavy landing gives way only to the knock-down",
     [](const Request& r) { return r.cur == ANIM_HEAVY_LANDING && r.a != ANIM_KNOCKED_DOWN; }},
    {"a fall ends in the knock-down",
     [](const Request& r) { return r.curClass == 7 && r.cur < ANIM_KNOCKED_DOWN && r.a != ANIM_KNOCKED_DOWN; }},
    {"from the knock-down only lying, getting up or entering",
     [](const Request& r) {
         return r.cur == ANIM_KNOCKED_DOWN && r.a != ANIM_LYING && r.cls != 13 && !In(r.a, 135, 137);
     }},
    {"from lying only the knock-down",
     [](const Request& r) { return r.cur == ANIM_LYING && r.a != ANIM_KNOCKED_DOWN; }},
    {"no hit reaction while going down or in the air",
     [](const Request& r) { return r.cls == 6 && ((r.curClass == 7 && !r.c.knockedDown) || r.c.airborne); }},
    {"the rise is never replaced", [](const Request& r) { return r.cur == 191 || r.cur == 193; }},
    {"no cast over an action", [](const Request& r) { return r.cls == 12 && IsActionAnimation(r.cur); }},
    {"an action runs to its wrap",
     [](const Request& r) {
         if (r.wrapped) return false;
         const bool otherAction = r.curClass > 1 && r.cls != r.curClass && r.cls != 6 && r.cls != 7;
         const bool fallBroken = r.curClass == 7 && r.cls != 7 && r.cls != 13 && r.a != ANIM_LYING;
         return otherAction || r.curClass == 13 || r.curClass == 14 || fallBroken || r.check == 3;
     }},
};

template <size_t N>
bool AnyRefuses(const PermissionRule (&rules)[N], const Request& r) {
    for (const PermissionRule& rule : rules)
        if (rule.refuses(r)) return true;
    return false;
}

// Landings after jump attacks, and the stand after some attacks, start at once.
struct ZeroBlendRow {
    int32_t next;
    int32_t afterFirst, afterLast;   // the main animation being left
};
constexpr ZeroBlendRow kZeroBlends[] = {
    {21, 32, 33}, {21, 75, 76}, {21, 59, 59}, {21, 69, 69}, {21, 156, 156},
    {22, 34, 34}, {22, 60, 60}, {22, 70, 70},
    {23, 35, 35}, {23, 61, 61}, {23, 71, 71},
    {24, 36, 36}, {24, 62, 62}, {24, 72, 72},
    {0, 50, 58},  {0, 63, 68},
};

}  // namespace

bool Character::SetAnimation(int animation, int blendMs, int checkMode, int layer) {
    if (IsFrozen(*this) || !MayChangeAnimation(this)) return false;
    // Received events name the layer: one that is no bone of this model plays nothing.
    if (!ModelBone(*this, layer)) return false;
    int a = animation;
    if (a == ANIM_STAND && actionClass == 0 && currentAnimation >= 4) a = ANIM_IDLE;
    if (!model->HasAnimation(a)) return false;
    const int c = ActionClassOf(a);
    if (!CanSetAnimation(a, c, checkMode, layer)) return false;

    // A negative blend would wrap to an endless one.
    int blend = blendMs < 0 ? 0 : blendMs;
    AdjustBlendTime(a, blend);
    StampAnimationStart(a, c);
    // The basic power repeats by playing its cast again over the one still playing: a cast anew.
    const bool repeat = currentPower == 0 && upperAnimation == a && a == PowerRowOf(side == 1 ? 1 : 0, 0).castAnimation;

    bool upperFollows = false;
    if (layer == BONE_WHOLE_BODY) {
        previousAnimation = currentAnimation;
        currentAnimation = a;
        actionClass = c;
        // Locomotion under a split leaves the upper body playing its own animation.
        upperFollows = !(split && a <= ANIM_LAST_LOCOMOTION);
    }
    if (upperFollows || layer == BONE_UPPER_BODY) {
        upperPreviousAnimation = upperAnimation;
        upperAnimation = a;
        upperActionClass = c;
        EndSplitAnimation();
    }

    const float rate = AnimationRate();
    const uint32_t played = rate > 0.0f ? uint32_t(kBaseRate / rate * float(blend)) : 0u;
    model->PlayAnimation(layer, a, played, rate, true);
    if (repeat) castReleases = 0;
    if (layer == BONE_UPPER_BODY && currentAnimation != ANIM_UPPER_BODY_ONLY) BeginSplitAnimation();
    if (ShouldAnnounce(this)) g_GamePacket.WriteSetAnimation(slot, a, played, layer);
    if (currentAnimation == ANIM_FALL_CRY)
        g_FighterShellCalls.playFx(kFallCrySound + (side == 1 ? 1 : 0), &position, 0);
    return true;
}

bool Character::CanSetAnimation(int animation, int cls, int checkMode, int layer) {
    if (checkMode == 0) return true;
    const bool upper = layer == BONE_UPPER_BODY;
    const Request r{*this,
                    animation,
                    cls,
                    checkMode,
                    upper ? upperAnimation : currentAnimation,
                    upper ? upperActionClass : actionClass,
                    model && model->HasAnimationWrapped(layer) != 0};
    // Only a hit reaction starts over when asked again.
    if (r.a == r.cur && r.curClass != 6) return false;
    return upper ? !AnyRefuses(kUpperBodyRules, r) : !AnyRefuses(kMainRules, r);
}

void Character::AdjustBlendTime(int animation, int& blendMs) const {
    for (const ZeroBlendRow& row : kZeroBlends)
        if (row.next == animation && In(currentAnimation, row.afterFirst, row.afterLast)) blendMs = 0;
}

void Character::StampAnimationStart(int animation, int cls) {
    const uint32_t now = GetTime(CLOCK_MATCH);
    // Standing on after a turn on the spot starts a new idle time; other standing keeps it.
    const bool turning = currentAnimation == ANIM_TURN_NEGATIVE || currentAnimation == ANIM_TURN_POSITIVE;
    const bool standing = actionClass == 0 && !turning;
    if (cls == 0 && !standing) idleStart = now;
    if (cls == 3 || cls == 4) {
        attackStartTime = now;
        lastAttackAnimation = animation;
    }
    if (IsStrikeAnimation(animation)) attackHits = 0;
    if (cls == 5) lastTauntAnimation = animation;
    if (animation == ANIM_KNOCKED_DOWN && currentAnimation != ANIM_LYING) knockDownTime = now;
    if (cls == 8) defenceStartTime = now;
    knockedDown = animation == ANIM_KNOCKED_DOWN || animation == ANIM_LYING ? 1 : 0;
}

void Character::BeginSplitAnimation() {
    if (!MayChangeAnimation(this)) return;
    // A locked upper body ignores what the whole body plays.
    if (Bone* upper = ModelBone(*this, BONE_UPPER_BODY)) upper->SetLocked(true, false);
    split = 1;
}

void Character::EndSplitAnimation() {
    if (!MayChangeAnimation(this)) return;
    if (Bone* upper = ModelBone(*this, BONE_UPPER_BODY)) upper->SetLocked(false, false);
    split = 0;
    if (ShouldAnnounce(this)) g_GamePacket.WriteClearLoopAnimation(slot);
}

void Character::SetAnimationTime(float frame, int bone) {
    // Received events carry the time: a negative or endless one is no place in an animation.
    if (!std::isfinite(frame) || frame < 0.0f || !ModelBone(*this, bone)) return;
    model->SetAnimationFrame(bone, frame, true);
    if (ShouldAnnounce(this)) g_GamePacket.WriteSetAnimationTime(slot, bone, frame);
}
