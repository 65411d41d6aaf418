// The full-screen flash: the screen brightens towards a colour over the rise time, then fades
// until the duration has passed.
#pragma once

#include <cstdint>

class PositionedObject;

// A flash ready for the scene's effect list (flags bit 0: the list deletes it when it ends); null
// when none could be made.
PositionedObject* NewFlashEffect(uint32_t durationMs, uint32_t riseMs, uint32_t colour, uint32_t flags);
