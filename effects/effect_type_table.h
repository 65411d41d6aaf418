// The constant row of each effect type: how many children its compound effect holds, its own
// lifetime, how it is queued for drawing and the flag its particle emitters start with.
#pragma once

#include <cstdint>

#include "effects/effect_slots.h"

struct EffectTypeRow {
    uint32_t childCount;        // places of the type's compound effect
    int32_t lifetime;           // ms; -1: until its children end or it is stopped
    uint8_t sortedAsChildren;   // 1: each child queues itself instead of the group as one item
    uint8_t emitterFlag;        // the type's emitters move their particles with them
};

extern const EffectTypeRow EFFECT_TYPE_TABLE[EFFECT_TYPE_COUNT];

inline bool IsEffectType(int32_t type) { return type >= 0 && type < EFFECT_TYPE_COUNT; }
