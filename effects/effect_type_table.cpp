#include "effects/effect_type_table.h"

namespace {
constexpr EffectTypeRow kNone{0, -1, 0, 0};
}  // namespace

const EffectTypeRow EFFECT_TYPE_TABLE[EFFECT_TYPE_COUNT] = {
    // 0-9: the powers of side 0 (0, 3 and 8 fly).
    {3, -1, 0, 1}, {7, -1, 0, 1}, {5, 1200, 0, 0}, {1, -1, 0, 0}, {5, 1200, 0, 0},
    {3, 1200, 0, 0}, {3, 600, 0, 0}, {3, 1200, 0, 0}, {3, -1, 0, 0}, {7, 1200, 0, 0},
    // 10-19: the powers of side 1 (10, 13, 18 and 19 fly).
    {2, -1, 0, 1}, {3, 600, 0, 0}, {5, 1200, 0, 0}, {3, -1, 1, 0}, {3, 600, 0, 0},
    {4, 1200, 0, 0}, {3, 600, 0, 0}, {3, 1200, 0, 0}, {3, -1, 1, 0}, {4, -1, 0, 0},
    // 20-29: 20 is where the type-0 projectile hits.
    {1, 500, 0, 0}, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
    // 30-39: 30 is where the type-10 projectile hits, 32 the explosion.
    {1, 500, 0, 0}, kNone, {5, 500, 0, 0}, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
    // 40-49: hits on fighters, the experience spark, the power-9 casts.
    {2, -1, 0, 0}, {2, 450, 0, 0}, {1, -1, 0, 0}, {3, 1200, 0, 0}, {3, 1200, 0, 0},
    kNone, kNone, kNone, kNone, kNone,
    // 50-59: the element map's effect elements.
    {2, -1, 0, 0}, {3, -1, 0, 0}, {2, -1, 1, 0}, {3, -1, 0, 0}, {2, -1, 0, 1},
    {2, -1, 0, 0}, {1, -1, 0, 0}, kNone, kNone, kNone,
    // 60-69: standing effects, the portals (63, 64), the seeker (65) and the springs (66, 67).
    {2, -1, 0, 0}, {2, -1, 0, 0}, {2, -1, 0, 0}, {2, -1, 0, 1}, {2, -1, 0, 1},
    {4, -1, 0, 0}, {1, -1, 0, 1}, {1, -1, 0, 0}, kNone, kNone,
    // 70-79: power glows, the portal pass, the spawn and rise glows, the level-up glow of side 0.
    {1, -1, 1, 1}, {2, 600, 1, 1}, {1, -1, 1, 1}, {2, 600, 1, 1}, {2, -1, 0, 0},
    {4, -1, 0, 0}, {3, -1, 0, 0}, kNone, kNone, {2, -1, 0, 1},
    // 80-89: the level-up glow of side 1, checkpoints, symbols, search objects, dust, splashes.
    {2, -1, 0, 1}, {2, 5000, 0, 1}, {2, -1, 0, 1}, {2, -1, 0, 1}, {3, 8000, 0, 0},
    {2, 100, 0, 0}, {2, 100, 0, 0}, {1, 2000, 0, 0}, kNone, kNone,
    // 90-97: the checkpoint marker and the item effects.
    {1, -1, 0, 1}, {2, 500, 0, 1}, {1, 500, 0, 1}, {1, -1, 0, 1}, {1, -1, 0, 1},
    {1, -1, 0, 1}, {1, -1, 0, 1}, {1, -1, 0, 1},
};
