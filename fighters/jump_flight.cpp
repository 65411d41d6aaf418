// Jumps tied to their animations: the launch at a fixed frame and the end of the jump on the
// ground; in the air the flight under gravity, the airborne guard's brake, the falling
// animations, the steering of computer fighters towards the end of their path, the fall check
// and the landing with its animation, damage and dust.
#include <cmath>

#include "core/clocks.h"
#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/character_checks.h"
#include "fighters/jump_table.h"
#include "fighters/movement.h"
#include "fighters/roles.h"
#include "scene/anim_controller.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/ground.h"
#include "world/path_map.h"
#include "world/scenario.h"

namespace {

constexpr float kFlightPace = 1.5f;
constexpr float kGuardLift = 9.8f;
constexpr float kGuardRate = 30.0f;
constexpr int kGuardAnimation = 37;
constexpr int kFastFall = 39;
constexpr int kFall = 38;
constexpr float kFastFallSpeed = 22.0f;
constexpr float kFallSpeed = 17.0f;
constexpr int kFallBlendMs = 300;
constexpr int kFallCheckBlendMs = 200;
constexpr int kStandBlendMs = 300;
constexpr int kLaunchClass = 2;
constexpr float kSteerCap = 0.05f;         // units per ms
constexpr float kArrival = 0.5f;
constexpr float kFreeFall = -10.0f;
constexpr float kPathDrift = 0.003f;
constexpr float kHoldOff = 3.5f;           // below the target this close, stop drifting and drop
constexpr float kGroundProbeRise = 1.5f;
constexpr int kDustEffect = 85;
constexpr float kLandingFrameSlack = 2.0f;

float Horizontal(const Vec3& a, const Vec3& b) { return std::hypot(b.x - a.x, b.z - a.z); }

// The larger root of a t^2 + b t + c = 0, a negative discriminant taken by its size; 0 when both
// roots are negative or there is no quadratic.
float LaterRoot(float a, float b, float c) {
    if (std::fabs(a) < 1e-12f) return 0.0f;
    const float root = std::sqrt(std::fabs(b * b - 4.0f * a * c));
    const float t1 = (-b + root) / (2.0f * a);
    const float t2 = (-b - root) / (2.0f * a);
    const float t = std::fmax(t1, t2);
    return t < 0.0f ? 0.0f : t;
}

// The drift along the jump's own direction: heading and speed in units per ms.
void JumpDrift(int animation, float yaw, float* heading, float* speed) {
    *heading = yaw;
    switch (animation) {
    case 32:
    case 33:
    case 75:
    case 76: *speed = 0.004f; break;
    case 34: *heading = yaw + kPi; *speed = 0.002f; break;
    case 35: *heading = yaw + kPi / 2.0f; *speed = 0.004f; break;
    case 36: *heading = yaw - kPi / 2.0f; *speed = 0.004f; break;
    default: *speed = 0.0f; break;
    }
}

float RootRate(const Character& c) {
    const Bone* root = ModelBone(c, BONE_WHOLE_BODY);
    return root && root->controller ? root->controller->rate : 0.0f;
}

}  // namespace

void Character::UpdateJumpFlight() {
    const int ms = g_FighterShellCalls.frameMs();
    if (ms == 0 || !model) return;
    const float g = Gravity();
    const JumpRow* row = FindJumpRow(currentAnimation);

    if (!airborne) {
        if (!row) return;
        const float frame = model->GetAnimationFrame(BONE_WHOLE_BODY);
        bool launch = model->AnimationPassedFrame(BONE_WHOLE_BODY, row->launchFrame);
        if ((currentAnimation == 75 || currentAnimation == 76) && ActionClassOf(previousAnimation) != kLaunchClass &&
            frame < 10.0f)
            launch = true;
        // A fighter frozen on its launch frame would leave with no time to rise in.
        const float rate = RootRate(*this);
        if (launch && rate > 0.0f) {
            Launch(currentAnimation, JumpStrength(*row, rate, g));
            return;
        }
        if (!(frame > row->landingFrame)) return;
        if (row->after == JumpAfterLanding::SkipWhileMoving) {
            if (moveKeysHeld) SetAnimationTime(float(model->GetAnimationLength(BONE_WHOLE_BODY)), BONE_WHOLE_BODY);
        } else if (!(moveKeysHeld && g_FighterShellCalls.actionHeld(InputPlayerIndex(), row->directionAction))) {
            SetAnimation(ANIM_STAND, kStandBlendMs, 0, BONE_WHOLE_BODY);
        }
        return;
    }

    const float seconds = g_FighterShellCalls.frameSeconds();
    const float T = seconds * kFlightPace;
    const float msF = float(ms);

    if (guarding && health != 0.0f) {
        const uint32_t limit = MaxGuardTime();
        // No guard time at all: the guard is at its end.
        const float ratio = limit ? float(GetTime(CLOCK_MATCH) - guardStartTime) / float(limit) : 1.0f;
        const float f = 1.8f - 1.8f * ratio + 0.2f;
        SetGuardAnimationRate(kGuardRate * f);
        jumpVelocity.y += kGuardLift * (f - 0.2f) * T;
        jumpVelocity.x = jumpVelocity.z = 0.0f;
    }

    Vec3 p = position;
    p.x += jumpVelocity.x * T;
    p.y += jumpVelocity.y * T + g * T * T / 2.0f;
    p.z += jumpVelocity.z * T;
    jumpVelocity.y += g * T;
    SetPosition(p.x, p.y, p.z, true);

    const float speed = Vec3Length(jumpVelocity);
    if (speed > kFastFallSpeed) {
        if (currentAnimation != kFastFall) SetAnimation(kFastFall, kFallBlendMs, 0, BONE_WHOLE_BODY);
    } else if (speed > kFallSpeed) {
        if (currentAnimation != kFall) SetAnimation(kFall, kFallBlendMs, 0, BONE_WHOLE_BODY);
    }

    if (!IsLocalFighter(this) && IsOffline() && !knockedDown && !dead && health != 0.0f) {
        const Vec3 target = waypoints[WAYPOINT_TARGET];
        const float dist = Horizontal(position, target);
        const bool towardsTarget = following && pathIndex >= 0 && pathIndex < pathLength &&
                                   SameCell(pathPoints[pathIndex], targetCell);
        float heading = yaw;
        float s = 0.0f;
        if (towardsTarget) {
            heading = HeadingTo(target.x - position.x, target.z - position.z);
            const float t = LaterRoot(g / 2.0f, jumpVelocity.y, position.y - target.y) * 0.6666667f;
            if (t != 0.0f) {
                const float flat = std::hypot(jumpVelocity.x, jumpVelocity.z);
                s = std::fmin((dist / t - flat) * 0.001f, kSteerCap);
            }
            if (dist < kArrival)
                s = dist * 0.5f / msF;
            else if (dist - msF * s < kArrival)
                s = (dist - kArrival + 0.1f) / msF;
            if (position.y < target.y) StartGuard();
        } else {
            JumpDrift(currentAnimation, yaw, &heading, &s);
        }
        const PathMap* map = ScenarioPathMap();
        if (map && map->InBounds(currentCell.x, currentCell.z) && map->CellFlags(currentCell) == 0 &&
            jumpVelocity.y < kFreeFall)
            StartGuard();
        if (following) {
            if (position.y < target.y && jumpVelocity.y < 0.0f) StartGuard();
            if (s == 0.0f) s = kPathDrift;
            if (towardsTarget && dist < kHoldOff && position.y < target.y) {
                s = 0.0f;
                model->applyRootMotion = 0;
                jumpVelocity.x = jumpVelocity.z = 0.0f;
            }
        }
        if (std::fabs(s) >= 0.0001f) {
            const Vec3 q{position.x + std::sin(heading) * s * msF, position.y, position.z + std::cos(heading) * s * msF};
            SetPosition(q.x, q.y, q.z, true);
        }
    }

    const float ground =
        GetGroundHeight(previousPosition.x, previousPosition.y + kGroundProbeRise, previousPosition.z, nullptr);

    if (row && model->AnimationPassedFrame(BONE_WHOLE_BODY, row->fallCheckFrame) &&
        position.y - ground > FallCheckHeight(*row))
        SetAnimation(kGuardAnimation, kFallCheckBlendMs, 0, BONE_WHOLE_BODY);
    if (guarding && currentAnimation != kGuardAnimation)
        SetAnimation(kGuardAnimation, kFallCheckBlendMs, 1, BONE_WHOLE_BODY);

    if (!(position.y < ground && jumpVelocity.y < 0.0f)) return;
    SetPosition(position.x, ground, position.z, true);
    Land(false);
    guardStartTime = guardEndTime = 0;
    const int a = currentAnimation;
    if (a >= 30 && a <= 36) {
        const JumpRow* landing = FindJumpRow(a);
        if (landing && std::fabs(model->GetAnimationFrame(BONE_WHOLE_BODY) - landing->landingFrame) > kLandingFrameSlack)
            SetAnimationTime(landing->landingFrame, BONE_WHOLE_BODY);
    } else if (a >= 37 && a <= 39) {
        const FallLanding fall = FallLandingFor(speed, IsLocalFighter(this));
        SetAnimation(fall.animation, 0, 0, BONE_WHOLE_BODY);
        const float constitution = EffectiveConstitution();
        // A fighter without constitution takes no measurable damage rather than an endless one.
        if (fall.damageFactor > 0.0f && constitution > 0.0f)
            ChangeHealth(-(maxHealth * fall.damageFactor * speed) / constitution, this);
    }
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    const uint32_t ambient = g_Scenario.row ? g_Scenario.row->ambient : 0;
    CreateEffect(EFFECT_NO_SLOT, kDustEffect, position, position, zero, zero, zero, EffectTypeLifetime(kDustEffect),
                 0.0f, ambient, this);
}
