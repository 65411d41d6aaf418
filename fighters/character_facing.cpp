// Which way a fighter faces: turns, an absolute yaw, turning towards a point and the facing cone.
#include <cmath>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/character_checks.h"
#include "fighters/roles.h"
#include "scene/character_model.h"

namespace {

constexpr int kTurnBlendMs = 200;
// Closer than this a point is faced at once, whatever the step.
constexpr float kSnapDistance = 0.4f;

// Falling down dead on its side, the body turns with the fall.
bool TurnsWithTheFall(int animation) { return animation == 132 || animation == 133; }

}  // namespace

void Character::Turn(float deltaYaw) {
    // An angle from a received event that is no number must not reach the model's matrices.
    if (!model || !std::isfinite(deltaYaw)) return;
    if (!TurnsWithTheFall(currentAnimation) && IsHelpless(*this)) return;
    model->angles.y += deltaYaw;
    yaw = WrapYaw(model->angles.y);
    if ((currentAnimation == ANIM_STAND || currentAnimation == ANIM_IDLE) && IsLocalFighter(this))
        SetAnimation(deltaYaw < 0.0f ? ANIM_TURN_NEGATIVE : ANIM_TURN_POSITIVE, kTurnBlendMs, 1, BONE_WHOLE_BODY);
}

void Character::SetYaw(float newYaw) {
    if (!model || !std::isfinite(newYaw) || IsHelpless(*this)) return;
    model->angles = Vec3{0.0f, newYaw, 0.0f};
    yaw = WrapYaw(newYaw);
}

void Character::FaceStart(float facing) {
    SetYaw(facing);
    homeYaw = yaw;
}

bool Character::TurnTowards(float step, float x, float, float z) {
    if (IsHelpless(*this)) return false;
    const float dx = x - position.x;
    const float dz = z - position.z;
    float d = yaw - HeadingTo(dx, dz);
    // The shorter way round.
    if (std::fabs(d) > kPi) d = d >= 0.0f ? -(kTwoPi - std::fabs(d)) : kTwoPi - std::fabs(d);
    if (std::fabs(d) >= step && std::sqrt(dx * dx + dz * dz) >= kSnapDistance)
        Turn(d < 0.0f ? step : -step);
    else
        Turn(-d);
    return true;
}

bool Character::IsFacing(const Character* other, float cone) const {
    if (!other) return false;
    float d = std::fabs(yaw - HeadingTo(other->position.x - position.x, other->position.z - position.z));
    if (d > kPi) d = kTwoPi - d;
    return d < cone / 2.0f;
}
