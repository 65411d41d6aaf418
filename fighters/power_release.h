// What each power does when its cast animation reaches a release frame, as data: the effects it
// makes and where, how the aimed shots find their aim point, the sounds, the cost and the timed
// states. The per-frame power update (character_power_update.cpp) calls the release.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;

// The bones a cast releases from, by the model's detail level (0 and 1 fine, 2 and up coarse).
enum class CastBone : uint8_t { A, B, C, D };
struct CastBoneRow {
    int32_t fine, coarse;
    float fineRaise, coarseRaise;
};
extern const CastBoneRow CAST_BONES[4];
// The bone's world position, raised as the row says; the feet when the model lacks the bone.
Vec3 CastBonePoint(const Character& c, CastBone bone);

enum class Release : uint8_t {
    Aimed,          // a shot from the start point towards the aim point
    Straight,       // a shot along the facing
    AtStart,        // an effect at the start point and nothing more
    Unplaced,       // every vector zero: the effect places itself on its owner
    Glow,           // a glow that follows the caster as its attached effect
    ChainBolts,     // side 0's power 9: a ring of bolts and one bolt past each enemy near
    SeekingBolts,   // side 1's power 9: a bolt that seeks each enemy near
};

enum class ReleaseFrom : uint8_t { BoneA, BoneB, BoneC, BoneD, Feet };

struct ReleaseRow {
    int32_t power;
    int32_t side;               // -1 both
    float frame;                // of the upper body's cast animation
    Release what;
    int32_t type[2];            // effect type by side
    ReleaseFrom from;
    float raise;                // above the feet, for ReleaseFrom::Feet
    int32_t sound[2];           // by side, -1 none
    uint8_t soundAtStart;       // else at the feet
    uint8_t pays;               // this frame takes the power's cost
    int32_t state;              // timed state started after the cost, -1 none
    uint8_t flash;              // the local player's screen flashes
};
extern const ReleaseRow POWER_RELEASES[];
extern const size_t POWER_RELEASE_COUNT;

// How the aimed powers find their aim point.
struct AimRow {
    int32_t power;
    float speed;
    float targetRaise[2];       // by side: the computer aims this far above the target's feet
    uint8_t spread;             // the computer scatters by up to 0.8 on each axis
    float leadPerUnit;          // flight time per unit of distance to the target (0 no lead)
    uint8_t assisted;           // the local player's aim assist may aim for him
    uint8_t linksTarget;        // the shot seeks the caster's target
    uint8_t tilted[2];          // by side: the fifth vector carries the shot's tilt
};
extern const AimRow AIM_ROWS[3];

// The releases of the current power whose frames the upper body's last advance crossed; nothing
// unless the upper body plays that power's cast.
void ReleasePower(Character& c);
// The release rows of the cast playing that have not fired yet, by bit.
uint32_t PendingPowerRows(const Character& c);
// These release rows fire now, whatever the fighter plays: its machine played the cast through.
void ReleasePowerRows(Character& c, uint32_t rows);
