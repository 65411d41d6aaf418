// Device-state groups set on behalf of code that does not own the render-state cache.
#pragma once

// The screen-space pass of the effect lists: default states, then depth test off,
// blend preset 2, lighting off, world matrix 0 identity, vertex format 0x1C4,
// no textures, stage 0 colour MODULATE of TEXTURE and DIFFUSE, stage 1 off.
void ApplyScreenSpaceStates();
