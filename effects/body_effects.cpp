#include "effects/body_effects.h"

// The body-effect materials fill these. Until then no material is made, so the meshes keep their
// skin while a state runs.
Material* CreateTimedBodyEffect(int32_t, int32_t, const BodyEffectMotion&, uint32_t) { return nullptr; }
Material* CreateBodyEffect(int32_t, int32_t, const BodyEffectMotion&, uint32_t, uint32_t, uint32_t) { return nullptr; }
bool FadeBackTimedBodyEffect(Material*, uint32_t) { return false; }
