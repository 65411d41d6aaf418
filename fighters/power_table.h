// The ten powers of each side as constant data: what level unlocks each, its damage, reach and
// energy cost, and how its cast is played. The fighters, the effects and the player screens of the
// front end all read it.
#pragma once

#include <cstdint>

#include "fighters/side_table.h"

constexpr int POWERS_PER_SIDE = 10;
constexpr int POWER_TABLE_ROWS = SIDE_COUNT * POWERS_PER_SIDE;

struct PowerRow {
    int32_t requiredLevel;   // lowest level that may cast it
    float damage;            // of the power's effect
    float range;             // reach; the radius of power 9
    int32_t reactionFlag;    // 0 or 1: how the effect picks the victim's hit reaction
    float baseCost;          // energy at the required level
    float costPerLevel;      // per level above it (zero or negative)
    float minimumCost;
    int32_t castAnimation;   // 170-176
    uint8_t airCast;         // may be cast while airborne
    uint8_t upperBodyCast;   // during locomotion it plays on the upper body only
};

// Indexed by side x 10 + power.
extern const PowerRow POWER_TABLE[POWER_TABLE_ROWS];

inline bool IsPowerIndex(int k) { return k >= 0 && k < POWERS_PER_SIDE; }
// The row of a side's power; side and power must be in range.
inline const PowerRow& PowerRowOf(int side, int k) { return POWER_TABLE[side * POWERS_PER_SIDE + k]; }

// The statistics stop growing at 5 x the level that unlocks the side's last power.
inline float StatisticCap(int side) { return 5.0f * float(PowerRowOf(side, POWERS_PER_SIDE - 1).requiredLevel); }

// Computer fighters of a side in the obstacle race and greed may cast only these powers (bit k).
constexpr uint16_t RACE_POWERS[SIDE_COUNT] = {(1u << 0) | (1u << 1) | (1u << 3) | (1u << 8),
                                             (1u << 0) | (1u << 3) | (1u << 8)};

// In the campaign at the lowest difficulty the local player's required levels shrink by this.
constexpr float EASY_CAMPAIGN_LEVEL_FACTOR = 0.71428573f;
