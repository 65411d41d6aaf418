#include "fighters/side_table.h"

namespace {

constexpr AttackHit kNoHit = {-1.0f, {0.0f, 0.0f, 0.0f}, 0.0f, -1};
constexpr AttackRow kNoAttack = {-1, {kNoHit, kNoHit}};
constexpr ComboStep kNoStep = {-1, 0xFF, 0xFF, {0xFF, 0xFF}, -1};

// The attacks both sides share, rows 0-28 (animations 50-78): each hit's frame, point in the
// attacker's model frame, damage and reaction.
constexpr int kSharedAttackRows = 29;
constexpr AttackRow kSharedAttacks[kSharedAttackRows] = {
    {50, {{5, {-0.073f, 0.398f, 0.67f}, 1, 115}, kNoHit}},
    {51, {{11, {0.0f, 0.405f, 0.677f}, 2, 115}, kNoHit}},
    {52, {{14, {-0.159f, 0.506f, 0.737f}, 4, 119}, kNoHit}},
    {53, {{18, {0.076f, 0.431f, 0.734f}, 8, 119}, kNoHit}},
    {54, {{11, {0.003f, 0.48f, -0.408f}, 5, 115}, kNoHit}},
    {55, {{9, {0.551f, 0.468f, -0.105f}, 5, 115}, kNoHit}},
    {56, {{9, {-0.664f, 0.434f, 0.026f}, 5, 115}, kNoHit}},
    {57, {{18, {-0.076f, 0.375f, 0.816f}, 8, 119}, kNoHit}},
    {58, {{15, {0.16f, 0.539f, 0.687f}, 10, 130}, {18, {0.419f, 0.66f, 0.353f}, 10, 130}}},
    {59, {{18, {-0.061f, 0.37f, 0.62f}, 7, 119}, kNoHit}},
    {60, {{9, {0.217f, 0.399f, -0.489f}, 5, 115}, {18, {0.171f, 0.403f, -0.682f}, 5, 119}}},
    {61, {{13, {0.561f, 0.263f, 0.142f}, 7, 119}, kNoHit}},
    {62, {{13, {-0.557f, 0.271f, 0.116f}, 7, 119}, kNoHit}},
    {63, {{9, {-0.202f, 0.307f, 0.529f}, 5, 115}, kNoHit}},
    {64, {{12, {0.216f, 0.358f, 0.511f}, 5, 119}, kNoHit}},
    {65, {{13, {0.087f, 0.261f, 0.597f}, 10, 130}, kNoHit}},
    {66, {{13, {0.139f, 0.332f, -0.516f}, 8, 119}, {20, {-0.205f, 0.302f, -0.525f}, 15, 130}}},
    {67, {{10, {0.468f, 0.387f, 0.162f}, 5, 115}, kNoHit}},
    {68, {{10, {-0.471f, 0.376f, 0.167f}, 5, 115}, kNoHit}},
    {69, {{13, {0.039f, 0.0f, 0.681f}, 8, 119}, kNoHit}},
    {70, {{18, {0.217f, 0.317f, -0.696f}, 15, 130}, kNoHit}},
    {71, {{12, {0.57f, 0.313f, -0.073f}, 8, 119}, kNoHit}},
    {72, {{12, {-0.564f, 0.323f, -0.068f}, 8, 119}, kNoHit}},
    {73, {{27, {0.093f, 0.466f, 0.773f}, 10, 130}, {29, {-0.08f, 0.846f, 0.115f}, 10, 130}}},
    {74, {{28, {0.061f, 0.032f, 0.611f}, 10, 130}, {30, {0.162f, 0.374f, 0.339f}, 5, 119}}},
    {75, {{5, {0.055f, 0.222f, 0.759f}, 5, 115}, {11, {0.246f, 0.36f, 0.617f}, 5, 119}}},
    {76, {{12, {0.109f, 0.39f, 0.486f}, 10, 130}, kNoHit}},
    {77, {{13, {0.061f, -0.27f, 0.638f}, 7, 124}, kNoHit}},
    {78, {{17, {0.006f, -0.245f, 0.6f}, 7, 124}, kNoHit}},
};
// Rows 30-39 name the side's own second attack group, without hits.
constexpr int kOwnAttackRow = 30;
constexpr int32_t kOwnAttackFirst[SIDE_COUNT] = {80, 92};

constexpr SideRow ShippedRow(int side) {
    SideRow row{};
    row.reserved = 0;
    row.skeleton = nullptr;
    row.baseStrength = BASE_STATISTIC;
    row.basePower = BASE_STATISTIC;
    row.baseConstitution = BASE_STATISTIC;
    row.baseAgility = BASE_STATISTIC;
    row.baseSpeed = BASE_STATISTIC;
    for (AttackRow& a : row.attacks) a = kNoAttack;
    for (int i = 0; i < kSharedAttackRows; ++i) row.attacks[i] = kSharedAttacks[i];
    for (int i = kOwnAttackRow; i < ATTACK_ROWS; ++i) row.attacks[i].animation = kOwnAttackFirst[side] + i - kOwnAttackRow;
    for (auto& combo : row.combos)
        for (ComboStep& step : combo) step = kNoStep;
    return row;
}

}  // namespace

constexpr SideRow SIDE_TABLE_ROWS[SIDE_COUNT] = {ShippedRow(0), ShippedRow(1)};

SideRow g_SideTable[SIDE_COUNT] = {SIDE_TABLE_ROWS[0], SIDE_TABLE_ROWS[1]};

void ResetSideTable() {
    for (int s = 0; s < SIDE_COUNT; ++s) g_SideTable[s] = SIDE_TABLE_ROWS[s];
}
