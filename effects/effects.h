// The pool of active effects.
#pragma once

#include <cstdint>

// Advances every active effect; the game frame calls it only while play runs.
void UpdateEffects(uint32_t dtMs);
// Frees every active effect.
void ReleaseEffects();
