#include "fighters/animation_control.h"

#include <cmath>

#include "common/math.h"

namespace {

struct ActionClassRange {
    int32_t first, last;
    int32_t actionClass;
};
constexpr ActionClassRange kActionClasses[] = {
    {0, 19, 0},       // standing, idling, turning on the spot
    {20, 29, 1},      // on foot
    {30, 49, 2},      // jumps, falls, landings, the guard pose
    {50, 79, 3},      // attacks
    {80, 104, 4},
    {105, 114, 5},    // taunts
    {115, 129, 6},    // hit reactions
    {130, 139, 7},    // knock-downs and getting up
    {140, 149, 8},    // defences
    {150, 154, 9},    // throws
    {155, 159, 10},
    {160, 169, 11},
    {170, 189, 12},   // casts
    {190, 194, 13},   // entering and reviving
    {195, 199, 14},   // the level change
};

}  // namespace

int ActionClassOf(int animation) {
    for (const ActionClassRange& r : kActionClasses)
        if (animation >= r.first && animation <= r.last) return r.actionClass;
    return ACTION_CLASS_NONE;
}

bool IsDeathMotion(int animation) {
    return animation == ANIM_STAND || (animation > ANIM_LAST_LOCOMOTION && animation <= ANIM_HEAVY_LANDING) ||
           (animation >= 115 && animation <= ANIM_KNOCKED_DOWN);
}

float HeadingTo(float dx, float dz) {
    if (dx == 0.0f) return dz >= 0.0f ? 0.0f : kPi;
    if (dz == 0.0f) return dx >= 0.0f ? kPi / 2.0f : 3.0f * kPi / 2.0f;
    const float t = std::atan(std::fabs(dx) / std::fabs(dz));
    if (dx > 0.0f) return dz > 0.0f ? t : kPi - t;
    return dz < 0.0f ? kPi + t : kTwoPi - t;
}

float WrapYaw(float yaw) {
    if (std::fabs(yaw) > kTwoPi) {
        float whole = 0.0f;
        yaw = kTwoPi * std::modf(yaw / kTwoPi, &whole);
    }
    if (yaw < 0.0f) yaw += kTwoPi;
    return yaw;
}
