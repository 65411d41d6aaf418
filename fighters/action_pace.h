// The host's pace of a player's fighter that another machine drives: its casts, the basic power's
// repeats and its melee attacks are carried out no sooner than that player's own machine could
// start them, with room for a link that delays packets unevenly.
#pragma once

#include <cstdint>

struct Character;

// How far ahead of the fair time an action may arrive: a link that delays one packet and not
// the next bunches them, but the rate over a second or more holds. Times are those at which the
// host received the packets, so its own late frames take nothing of it. A link that loses
// datagrams holds what follows a lost one until it is resent: an action from a later packet than
// the last one taken also has as long as that link may hold it (PaceCreditMs).
constexpr uint32_t PACE_CREDIT_MS = 500;

// What the player's machine played through before its next action, but whose packets came too
// close together for the host's copy to reach: carried out once its fair time comes.
enum class OwedKind : uint8_t { None, Hits, Body, Releases };
struct OwedAction {
    uint32_t due;     // match-clock ms
    OwedKind kind;
    int8_t row;       // the attack's or the throw's row
    uint32_t what;    // the attack's hit, or the cast's release row, by bit
};
// Enough for every action a link's allowance lets the host take ahead, with two hits each.
constexpr int OWED_ACTIONS = 64;

// When an action's frames play at the earliest on the player's machine: frame `entry` at
// `start` (match-clock ms), then `rate` frames a second.
struct PaceClock {
    uint32_t start;
    int32_t animation;
    float entry;
    float rate;   // 0: none

    // When frame `frame` of it could play, at the earliest.
    uint32_t TimeOf(float frame) const;
};

// The last action the host took from the fighter's machine. Zero: none on record.
struct ActionPace {
    PaceClock clock;
    // The action before it, which the host's copy leaves only once this one's event is applied.
    PaceClock left;
    uint32_t takenPacket;   // which received packet told it
    uint8_t held;
    uint8_t overLegs;    // a cast over the legs, which an attack may cut short
    uint8_t overRun;     // a cast that plays at the run's rate
    uint8_t powerOwed;   // the basic power's repeat, told by its animation: its power may follow
    uint32_t airborneSince;   // when the jump or fall it plays began; 0: none
    OwedAction owed[OWED_ACTIONS];
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
// throw, at `now` (when the host received it); when it could, the action is taken and paces the
// next one. The basic power's repeat told by its animation and then by its power is one cast.
bool TakePacedCast(Character& c, int k, uint32_t now, bool byAnimation = false);
bool TakePacedAttack(Character& c, int animation, uint32_t now);

// The fighter's machine leaves what it plays for `next` on `layer`: what the host's copy did not
// reach is landed or released at the time its frame could have played on that machine, at once
// when that time has come by `now`.
void CatchUpPace(Character& c, int next, int layer, uint32_t now);
// What is owed and due by `now`, carried out.
void PayOwedActions(Character& c, uint32_t now);
// The host's copy of the fighter reached a hit, ball or release at `frame` of `animation`: true
// when that comes more than the credit before its machine could have played it, and it is owed
// for then instead. What a link's allowance let the host take ahead thus plays no sooner.
bool DeferToPace(Character& c, OwedKind kind, int animation, float frame, int8_t row, uint32_t what, uint32_t now);
// A state that slows or speeds the fighter's animations began or ended: the frames still to
// play go at the new rate.
void RetimePace(Character& c, uint32_t now);

// How far ahead of its fair time the fighter's next action may arrive: the link's hold of a
// resent datagram counts only for an action from another packet than the last one taken, since a
// packet's events were all told in one frame of its machine.
uint32_t PaceCreditMs(const Character& c, bool samePacket);

// Energy that casts already under way (the one playing and those owed) will still take: a cast
// anew is taken only on what is left.
float ClaimedCastEnergy(const Character& c);

// The furthest frame a told time may set on `bone` at `now`: where the host's copy already
// stands, where the fighter's own machine could have played the paced action to by then, or a
// jump's landing frame.
float TellableFrame(const Character& c, int bone, uint32_t now);

// A hit that plays a reaction or a death ends whatever the fighter was doing; a new life also
// owes nothing of the last one's.
void ForgetPace(Character& c, bool owedToo = false);
void ForgetPace(int slot);
