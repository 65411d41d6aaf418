#include "effects/effects.h"

// Empty until the effect pool exists; it will step each active slot here.
void UpdateEffects(uint32_t) {}

// Empty until the effect pool exists; it will free each active slot here.
void ReleaseEffects() {}
