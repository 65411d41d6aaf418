// What the timed states, the action and the statistics make of a fighter's strength, power,
// constitution, guard time, gravity and the pace of its animations.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/power_table.h"

namespace {

constexpr float kBaseRate = 30.0f;
constexpr float kFastRate = 45.0f;
constexpr float kParalysedRate = 15.0f;
constexpr float kRunSpeed = 9.0f;

bool Any(const Character& c, std::initializer_list<int> ks) {
    for (int k : ks)
        if (c.states[k].active) return true;
    return false;
}

int SideOf(const Character& c) { return c.side == 1 ? 1 : 0; }

// How far a statistic has grown above the side's base, as a share of the cap (at most 1).
float Growth(const Character& c, float value, float base) {
    return std::min((value - base) / StatisticCap(SideOf(c)), 1.0f);
}

// The agility's share, full under AgilityBoost or Super.
float AgilityShare(const Character& c) {
    if (Any(c, {STATE_AGILITY_BOOST, STATE_SUPER})) return 1.0f;
    return Growth(c, c.agility, g_SideTable[SideOf(c)].baseAgility);
}

}  // namespace

bool Character::IsImmune() const {
    return Any(*this, {STATE_INVULNERABILITY, STATE_SUPER, STATE_FORBIDDEN_FRUIT}) || actionClass == ACTION_CLASS_ENTRY ||
           actionClass == ACTION_CLASS_LEVEL_CHANGE;
}

float Character::EffectiveStrength() const {
    return Any(*this, {STATE_STRENGTH_BOOST, STATE_SUPER, STATE_FORBIDDEN_FRUIT}) ? strength * 3.0f : strength;
}

float Character::EffectivePower() const {
    return Any(*this, {STATE_POWER_BOOST, STATE_SUPER, STATE_FORBIDDEN_FRUIT}) ? power * 3.0f : power;
}

float Character::EffectiveConstitution() const {
    return states[STATE_CONSTITUTION_BOOST].active ? constitution * 3.0f : constitution;
}

uint32_t Character::MaxGuardTime() {
    // Agility far below the side's base would give a negative time, which has no u32.
    const float ms = 5000.0f + 5000.0f * AgilityShare(*this);
    return ms > 0.0f ? uint32_t(ms) : 0u;
}

float Character::Gravity() const { return -9.8f / (1.0f + AgilityShare(*this)); }

float Character::AnimationRate() {
    if (states[STATE_FREEZE].active) return 0.0f;
    if (states[STATE_PARALYSIS].active) return kParalysedRate;
    if (actionClass == ACTION_CLASS_RUN) return RunRate();
    return actionClass == ACTION_CLASS_ENTRY ? kFastRate : kBaseRate;
}

float Character::RunRate() const {
    if (Any(*this, {STATE_SPEED_BOOST, STATE_SUPER})) return kFastRate;
    const float s = Growth(*this, speed, g_SideTable[SideOf(*this)].baseSpeed);
    return kBaseRate * (1.0f + 0.5f * s);
}

float Character::ActionRate(bool overRun) const {
    if (states[STATE_PARALYSIS].active) return kParalysedRate;
    return overRun ? std::max(RunRate(), kBaseRate) : kBaseRate;
}

Vec3 Character::RunDisplacement(float t) {
    if (actionClass != ACTION_CLASS_RUN) return Vec3{0.0f, 0.0f, 0.0f};
    // The run's slower variants cover less ground.
    const float v = currentAnimation == 22 ? 4.5f : currentAnimation == 20 ? 2.0f : kRunSpeed;
    const float step = t * v * AnimationRate() / kBaseRate;
    return Vec3{std::sin(yaw) * step, 0.0f, std::cos(yaw) * step};
}
