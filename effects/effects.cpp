#include "effects/effects.h"

#include "effects/effect_slots.h"

// The slots' compound effects advance with the scene's effect list; this is the pool's own step,
// in index order, on whichever pool the effect calls reach.
void UpdateEffects(uint32_t dtMs) {
    if (g_EffectCalls.updateAll) g_EffectCalls.updateAll(dtMs);
}

void ReleaseEffects() {
    if (g_EffectCalls.releaseAll) g_EffectCalls.releaseAll();
}
