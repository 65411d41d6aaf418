#include "render/render_state_seams.h"

// Empty until the render-state cache exists: it will re-apply the default states and then set
// depth test off, blend preset 2, lighting off, world matrix 0 = identity, vertex format 0x1C4,
// textures of every stage none, stage 0 colour op MODULATE of TEXTURE and DIFFUSE, stage 1 off.
void ApplyScreenSpaceStates() {}
