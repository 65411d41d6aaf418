#include "effects/ambient_effects.h"

// The glow motes and lava bubbles fill these; until then none is made.
PositionedObject* NewGlowMotes(const GlowMoteParams&, uint32_t) { return nullptr; }
PositionedObject* NewBubble(const Vec3&) { return nullptr; }
