// Two small actions the animation played drives: a standing fighter drifts into its idle loop and
// now and then fidgets, and the throws let a small ball go from the hand at their release frame.
#include <algorithm>
#include <iterator>

#include "common/random.h"
#include "core/clocks.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/combat_events.h"
#include "scene/character_model.h"
#include "world/dynamic_object.h"

namespace {

constexpr uint32_t kIdleAfterMs = 2000;
constexpr int kIdleBlend = 400;
constexpr int kWaitForWrap = 3;
constexpr int kVariationChance = 4;
constexpr int kVariationFirst[2] = {4, 12};
constexpr int kVariationCount = 8;

constexpr int kThrowClass = 9;
constexpr uint32_t kLongestCharge = 600;
constexpr float kSpeedPerChargeMs = 0.05f;

// The throws: release frame, point in the model frame where the ball leaves the hand, the rise of
// the launch direction over the facing, and the speed (negative: by the charge held).
struct ThrowRow {
    int32_t animation;
    float frame;
    Vec3 release;
    float rise;
    float speed;
};
constexpr ThrowRow kThrows[] = {
    {150, 19.0f, {0.213f, 0.7f, 0.625f}, 0.05f, 40.0f},
    {151, 21.0f, {0.3f, 0.7f, 0.563f}, 0.5f, -1.0f},
    {152, 27.0f, {0.026f, 0.7f, 0.701f}, 0.5f, -1.0f},
};

}  // namespace

void Character::UpdateIdleAnimation() {
    if (!model) return;
    if (currentAnimation == ANIM_STAND && GetElapsed(CLOCK_MATCH, idleStart) > kIdleAfterMs)
        SetAnimation(ANIM_IDLE, kIdleBlend, kWaitForWrap, BONE_WHOLE_BODY);
    if (currentAnimation == ANIM_IDLE && model->HasAnimationWrapped(BONE_WHOLE_BODY) &&
        Random() % kVariationChance == 0)
        SetAnimation(kVariationFirst[side == 1 ? 1 : 0] + Random() % kVariationCount, kIdleBlend, kWaitForWrap,
                     BONE_WHOLE_BODY);
}

void Character::SpawnBodiesFromAnimation() {
    // A throw lets go of one body, however its animation is wound back.
    const int row = PendingThrow();
    if (row < 0 || !model->AnimationPassedFrame(BONE_WHOLE_BODY, kThrows[row].frame)) return;
    attackHits = 1;
    if (DeferToPace(*this, OwedKind::Body, currentAnimation, kThrows[row].frame, int8_t(row), 0, GetTime(CLOCK_MATCH)))
        return;
    ThrowBody(row);
}

int Character::PendingThrow(float* frame) const {
    if (!model || actionClass != kThrowClass || (attackHits & 1u)) return -1;
    for (int i = 0; i < int(std::size(kThrows)); ++i) {
        if (kThrows[i].animation != currentAnimation) continue;
        if (frame) *frame = kThrows[i].frame;
        return i;
    }
    return -1;
}

void Character::ThrowBody(int row) {
    if (!model || row < 0 || row >= int(std::size(kThrows))) return;
    const ThrowRow& t = kThrows[row];
    const int slot = SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(PROP_TYPE_SMALL), Vec3{0.0f, 0.0f, 0.0f}, this);
    DynamicObject* ball = slot < 0 ? nullptr : FindProp(PROP_KIND_BALL, uint32_t(slot));
    if (!ball) return;
    ball->SetPosition(Vec3TransformCoord(t.release, model->poseMatrix));
    ball->state = PROP_FLYING;
    // The charge comes from other machines too: no more than the longest hold counts.
    const float speed = t.speed >= 0.0f ? t.speed : float(std::min(throwCharge, kLongestCharge)) * kSpeedPerChargeMs;
    // Set as it is, without the roll a push would give it.
    ball->velocity = Vec3Scale(UnitOrZero(Vec3{SinF(yaw), t.rise, CosF(yaw)}), speed);
}
