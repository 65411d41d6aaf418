#include "fighters/action_pace.h"

#include <algorithm>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/power_table.h"
#include "scene/animation.h"
#include "scene/character_model.h"

bool IsStrikeAnimation(int animation) {
    const int cls = ActionClassOf(animation);
    return cls == 3 || cls == 4 || cls == 9;
}

const AttackChain GROUND_ATTACK_CHAINS[4] = {
    {52, 17.0f, 53, 5.0f}, {51, 11.0f, 52, 4.0f}, {50, 6.0f, 51, 4.0f}, {57, 19.0f, 58, 5.0f}};
const AttackChain JUMP_ATTACK_CHAINS[2] = {{64, 17.0f, 65, 4.0f}, {63, 15.0f, 64, 4.0f}};

namespace {

constexpr float kBaseRate = 30.0f;

// The attacks that go on from a jump where it stands, at most this far in.
struct ContinuedAttack {
    int32_t attack;
    float limit;
    int32_t jumps[3];   // -1: no more
};
constexpr ContinuedAttack kContinuedAttacks[] = {
    {73, 25.0f, {30, 31, 37}}, {74, 25.0f, {30, 31, 37}}, {75, 5.0f, {32, 33, -1}}, {76, 5.0f, {32, 33, -1}}};

const AttackChain* ChainOf(int from, int to) {
    for (const AttackChain& k : GROUND_ATTACK_CHAINS)
        if (k.from == from && k.to == to) return &k;
    for (const AttackChain& k : JUMP_ATTACK_CHAINS)
        if (k.from == from && k.to == to) return &k;
    return nullptr;
}

float Frames(const Character& c, int animation) {
    if (!c.model) return 0.0f;
    const Animation* a = GetAnimation(c.model->animationGroup, animation);
    return a ? float(a->length) : 0.0f;
}

// The frame at which the attack starts: a chain's step and a jump's attack skip the first ones.
float AttackEntry(const Character& c, int animation) {
    if (c.pace.held)
        if (const AttackChain* k = ChainOf(c.pace.animation, animation)) return k->startFrame;
    for (const ContinuedAttack& a : kContinuedAttacks) {
        if (a.attack != animation) continue;
        for (int32_t jump : a.jumps)
            if (jump >= 0 && jump == c.currentAnimation) return a.limit;
    }
    return 0.0f;
}

// How many frames of the last action must play before the next can start on a fair machine.
// An action runs to its end, but a chain's next step cuts an attack short and an attack cuts
// short a cast that plays over the legs.
float FramesBefore(const Character& c, int next) {
    const ActionPace& p = c.pace;
    float until = Frames(c, p.animation);
    if (IsStrikeAnimation(next)) {
        if (p.overLegs) return 0.0f;
        if (const AttackChain* k = ChainOf(p.animation, next)) until = k->pastFrame;
    }
    return std::max(until - p.entry, 0.0f);
}

bool Take(Character& c, int animation, float entry, float rate, bool overLegs, uint32_t now) {
    uint32_t start = now;
    // A cast and its power told in one packet, or a packet told twice in one frame, are one cast:
    // no frame plays between them to release it twice.
    if (c.pace.held && c.pace.animation == animation && c.pace.taken == now) return true;
    if (c.pace.held && c.pace.rate > 0.0f) {
        const uint32_t earliest = c.pace.start + uint32_t(FramesBefore(c, animation) / c.pace.rate * 1000.0f);
        const int32_t early = int32_t(earliest - now);
        if (early > int32_t(PACE_CREDIT_MS)) return false;
        if (early > 0) start = earliest;
    }
    c.pace = ActionPace{start, now, animation, entry, rate, 1, uint8_t(overLegs ? 1 : 0)};
    return true;
}

}  // namespace

bool TakePacedCast(Character& c, int k, uint32_t now) {
    if (!IsPowerIndex(k)) return false;
    const PowerRow& row = PowerRowOf(c.side == 1 ? 1 : 0, k);
    // A cast goes over the legs in the air, and over the run where its power may; over the run it
    // plays at the run's rate.
    const bool overRun = c.actionClass == ACTION_CLASS_RUN && row.upperBodyCast;
    const float rate = overRun ? std::max(c.RunRate(), kBaseRate) : kBaseRate;
    return Take(c, row.castAnimation, 0.0f, rate, overRun || c.airborne, now);
}

bool TakePacedAttack(Character& c, int animation, uint32_t now) {
    if (!IsStrikeAnimation(animation)) return false;
    return Take(c, animation, AttackEntry(c, animation), kBaseRate, false, now);
}

void ForgetPace(Character& c) { c.pace = ActionPace{}; }

void ForgetPace(int slot) {
    if (slot >= 0 && slot < MAX_CHARACTERS) ForgetPace(g_Characters[slot]);
}
