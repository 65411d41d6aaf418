#include "fighters/side_table.h"

namespace {

constexpr AttackHit kNoHit = {-1.0f, {0.0f, 0.0f, 0.0f}, 0.0f, -1};
// The melee rules fill the attack rows; until then every row names no attack.
constexpr AttackRow kNoAttack = {-1, {kNoHit, kNoHit}};
constexpr ComboStep kNoStep = {-1, 0xFF, 0xFF, {0xFF, 0xFF}, -1};

constexpr SideRow ShippedRow() {
    SideRow row{};
    row.reserved = 0;
    row.skeleton = nullptr;
    row.baseStrength = BASE_STATISTIC;
    row.basePower = BASE_STATISTIC;
    row.baseConstitution = BASE_STATISTIC;
    row.baseAgility = BASE_STATISTIC;
    row.baseSpeed = BASE_STATISTIC;
    for (AttackRow& a : row.attacks) a = kNoAttack;
    for (auto& combo : row.combos)
        for (ComboStep& step : combo) step = kNoStep;
    return row;
}

}  // namespace

constexpr SideRow SIDE_TABLE_ROWS[SIDE_COUNT] = {ShippedRow(), ShippedRow()};

SideRow g_SideTable[SIDE_COUNT] = {SIDE_TABLE_ROWS[0], SIDE_TABLE_ROWS[1]};

void ResetSideTable() {
    for (int s = 0; s < SIDE_COUNT; ++s) g_SideTable[s] = SIDE_TABLE_ROWS[s];
}
