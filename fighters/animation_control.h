// What a fighter's animation id says about what it does (its action class), and the headings and
// yaw wrap of the fighter's facing.
#pragma once

#include <cstdint>

constexpr int ACTION_CLASS_NONE = -1;
constexpr int ACTION_CLASS_RUN = 1;
constexpr int ACTION_CLASS_CAST = 12;
constexpr int ACTION_CLASS_ENTRY = 13;          // entering and reviving
constexpr int ACTION_CLASS_LEVEL_CHANGE = 14;

// Animations and bones the animation rules name.
constexpr int ANIM_STAND = 0;
constexpr int ANIM_IDLE = 1;
constexpr int ANIM_TURN_NEGATIVE = 2;
constexpr int ANIM_TURN_POSITIVE = 3;
constexpr int ANIM_RUN = 21;
constexpr int ANIM_LAST_LOCOMOTION = 37;   // above it: action animations
constexpr int ANIM_FALL_CRY = 39;
constexpr int ANIM_HEAVY_LANDING = 42;
constexpr int ANIM_GUARD = 43;
constexpr int ANIM_LYING = 124;
constexpr int ANIM_KNOCKED_DOWN = 134;
constexpr int ANIM_UPPER_BODY_ONLY = 156;   // starts on the upper body only over the run
constexpr int BONE_WHOLE_BODY = 0;
constexpr int BONE_UPPER_BODY = 4;
constexpr int BONE_GUARD_FIRST = 112;
constexpr int BONE_GUARD_SECOND = 107;

// The class 0-14 of an animation id by its range, ACTION_CLASS_NONE outside every range.
int ActionClassOf(int animation);
// Anything past the locomotion animations.
inline bool IsActionAnimation(int animation) { return animation > ANIM_LAST_LOCOMOTION; }
// What a killed fighter still plays while its death comes: the fall it is in and its landing (a
// soft one stands), a hit it takes, its knock-down and its death.
bool IsDeathMotion(int animation);
// The rise after a death, by side; its end is the new life.
inline bool IsRiseAnimation(int animation) { return animation == 191 || animation == 193; }

// The heading from a point towards another (dx, dz apart) in [0, 2 pi): 0 along +z, pi/2 along +x.
float HeadingTo(float dx, float dz);
// A yaw brought into the turn range: only beyond a whole turn is the excess taken off (a yaw of
// exactly 2 pi stays), and a negative yaw gets a whole turn added.
float WrapYaw(float yaw);
