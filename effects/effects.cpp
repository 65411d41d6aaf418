#include "effects/effects.h"

#include "effects/effect_pool.h"

// The slots' compound effects advance with the scene's effect list; this is the pool's own step,
// in index order.
void UpdateEffects(uint32_t) {
    for (EffectSlot& s : g_EffectSlots)
        if (s.active) s.Update();
}

void ReleaseEffects() {
    for (EffectSlot& s : g_EffectSlots)
        if (s.active) s.Free();
}
