// The fighter's own momentum (knock-backs and slope slides) with its friction, caps and air drag,
// the airborne flag, and the launch velocity of the jump animations.
#include <cmath>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_motion.h"
#include "fighters/roles.h"
#include "scene/character_model.h"

namespace {

constexpr float kSlopeSlide = 4.0f;
constexpr float kFriction = 18.0f;
constexpr float kSpeedCap = 15.0f;
constexpr float kSteeredAgainstCap = 11.0f;
constexpr float kSteepCap = 25.0f;
constexpr float kCapCut = 10.0f;
constexpr float kAirDrag = 7.0f;
constexpr float kLevelGround = 0.9f;
constexpr float kSteepGround = 0.85f;
// 7 pi / 8: the player steers nearly against the momentum.
constexpr float kAgainstMomentum = 2.7488937f;
constexpr float kMoving = 0.0001f;

bool LandingAnimation(int a) { return a == 40 || a == 41 || a == 42; }

// Speed lost at a rate, never below zero: the direction stays.
Vec3 Slowed(const Vec3& v, float loss, float* speedOut) {
    const float length = Vec3Length(v);
    if (length == 0.0f) {
        *speedOut = 0.0f;
        return v;
    }
    const float speed = std::fmax(length - loss, 0.0f);
    *speedOut = speed;
    return Vec3Scale(v, speed / length);
}

// Where a jump animation sends the fighter, before normalising: up by the rise and, for those
// with a turn, along the facing turned by it.
struct LaunchRow {
    int animation;
    bool horizontal;
    float turn;
    float rise;
};
constexpr LaunchRow kLaunchRows[] = {
    {30, false, 0.0f, 1.0f},         {31, false, 0.0f, 1.0f},  {73, false, 0.0f, 1.0f},
    {74, false, 0.0f, 1.0f},         {32, true, 0.0f, 1.0f},   {75, true, 0.0f, 1.0f},
    {76, true, 0.0f, 1.0f},          {33, true, 0.0f, 10.0f},  {34, true, kPi, 1.5f},
    {35, true, kPi / 2.0f, 1.5f},    {36, true, -kPi / 2.0f, 1.5f},
};

}  // namespace

void Character::UpdatePhysics() {
    if (actionClass == 13 || actionClass == 14 || dead) return;
    const float dt = g_FighterShellCalls.frameSeconds();
    if (!airborne) {
        if (!LandingAnimation(currentAnimation)) {
            momentum = Vec3Add(momentum, Vec3Scale(slopeVector, kSlopeSlide * (Gravity() * dt * slopeVector.y)));
            float speed = 0.0f;
            momentum = Slowed(momentum, (slopeVector.y + 1.0f) * dt * kFriction, &speed);
            float cap = kSpeedCap;
            if (moveKeysHeld && groundNormal.y > kLevelGround &&
                YawGap(MotionYaw(rootVelocity), MotionYaw(momentum)) > kAgainstMomentum)
                cap = kSteeredAgainstCap;
            if (groundNormal.y < kSteepGround) cap = kSteepCap;
            if (speed > cap) momentum = Vec3Scale(momentum, std::fmax(speed - dt * kCapCut, cap) / speed);
        }
    } else {
        float speed = 0.0f;
        momentum = Slowed(momentum, dt * kAirDrag, &speed);
    }
    totalVelocity = Vec3Add(momentum, rootVelocity);
    // Without momentum the root displacement moves the fighter in the collision step instead.
    if (Vec3Length(momentum) < kMoving) return;
    const Vec3 to = Vec3Add(previousPosition, Vec3Scale(totalVelocity, dt));
    if (std::fabs(to.x - previousPosition.x) >= kMoving || std::fabs(to.y - previousPosition.y) >= kMoving ||
        std::fabs(to.z - previousPosition.z) >= kMoving)
        SetPosition(to.x, to.y, to.z, true);
}

void Character::EnterAirborne() {
    if (dead || airborne) return;
    airborne = 1;
    momentum = Vec3{0.0f, 0.0f, 0.0f};
    if (model) model->rootMotion = 0;
}

void Character::Land(bool clearFlag) {
    if (!airborne) return;
    airborne = 0;
    // The local player's own landing keeps its run going.
    if (clearFlag || !IsLocalFighter(this)) momentum = jumpVelocity = Vec3{0.0f, 0.0f, 0.0f};
    if (guarding) EndGuard();
    if (model) model->rootMotion = 1;
}

void Character::Launch(int animation, float strength) {
    if (airborne) return;
    EnterAirborne();
    Vec3 direction = jumpVelocity;
    for (const LaunchRow& row : kLaunchRows) {
        if (row.animation != animation) continue;
        direction = row.horizontal ? Vec3{std::sin(yaw + row.turn), row.rise, std::cos(yaw + row.turn)}
                                   : Vec3{0.0f, row.rise, 0.0f};
        break;
    }
    const float length = Vec3Length(direction);
    jumpVelocity = length < 1e-6f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(direction, strength / length);
}
