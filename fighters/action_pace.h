// The host's pace of a player's fighter that another machine drives: its casts, the basic power's
// repeats and its melee attacks are carried out no sooner than that player's own machine could
// start them, with room for a link that delays packets unevenly.
#pragma once

#include <cstdint>

struct Character;

// How far ahead of the fair time an action may arrive: a link that delays one packet and not
// the next bunches them, but the rate over a second or more holds.
constexpr uint32_t PACE_CREDIT_MS = 500;

// The last action the host took from the fighter's machine. Zero: none on record.
struct ActionPace {
    uint32_t start;      // when it could have started at the earliest, match-clock ms
    uint32_t taken;      // when it was told
    int32_t animation;
    float entry;         // the frame it was entered at (a chained attack skips its first frames)
    float rate;          // frames per second it plays at
    uint8_t held;
    uint8_t overLegs;    // a cast over the legs, which an attack may cut short
};

// A melee attack's next step, as the player's controls chain them: once `from` has passed
// `pastFrame`, `to` starts at `startFrame`.
struct AttackChain {
    int32_t from;
    float pastFrame;
    int32_t to;
    float startFrame;
};
extern const AttackChain GROUND_ATTACK_CHAINS[4];
extern const AttackChain JUMP_ATTACK_CHAINS[2];

// Melee attacks and throws: whole-body actions whose frames strike, once each.
bool IsStrikeAnimation(int animation);

// Whether the fighter's machine could have started power k's cast, or this melee attack or
// throw, now; when it could, the action is taken and paces the next one.
bool TakePacedCast(Character& c, int k, uint32_t now);
bool TakePacedAttack(Character& c, int animation, uint32_t now);

// A hit that plays a reaction, a death or a new life ends whatever the fighter was doing.
void ForgetPace(Character& c);
void ForgetPace(int slot);
