// The constant per-side data: base statistics, the attack rows of the melee animations and the
// power combinations the local control reads, with the side's skeleton model loaded at match
// start.
#pragma once

#include <cstdint>

#include "common/math.h"

class CharacterModel;

constexpr int SIDE_COUNT = 2;
constexpr int ATTACK_ROWS = 40;
constexpr int COMBOS_PER_SIDE = 10;
constexpr int COMBO_STEPS = 5;
constexpr float BASE_STATISTIC = 50.0f;

// One hit of an attack animation: the frame it lands on (-1 none), a point in the attacker's
// model frame, its damage and its reaction code (-1 none).
struct AttackHit {
    float frame;
    Vec3 point;
    float damage;
    int32_t reaction;
};

// The hits of one attack animation (-1: no attack in this row).
struct AttackRow {
    int32_t animation;
    AttackHit hits[2];
};

// One step of a power combination as the side table stores it.
struct ComboStep {
    int32_t action;         // -1 ends the combination
    uint8_t doublePress;    // needs a double press
    uint8_t hold;           // needs a hold
    uint8_t reserved[2];
    int32_t animation;      // -1 none
};

// A row of the side table.
struct SideRow {
    uint32_t reserved;
    CharacterModel* skeleton;       // loaded at match start; null when not loaded
    float baseStrength;
    float basePower;
    float baseConstitution;
    float baseAgility;
    float baseSpeed;
    AttackRow attacks[ATTACK_ROWS];
    ComboStep combos[COMBOS_PER_SIDE][COMBO_STEPS];
};

// The rows as shipped: no skeleton, base statistics of 50, the attack rows (0-28 the same for
// both sides, 29 none, 30-39 the side's second attack group without hits) and every combination
// word -1, so that no combination ever starts.
extern const SideRow SIDE_TABLE_ROWS[SIDE_COUNT];

// The rows in use; the skeleton pointers are written at match start.
extern SideRow g_SideTable[SIDE_COUNT];
// Back to the shipped rows (the skeletons are forgotten, not freed).
void ResetSideTable();
