#include "effects/rain_emitter.h"

// The rain emitter fills these: until then no drop falls.
void RainEmitter::Init(const Vec3&, const Vec3&, int32_t, const RainDropParameters&, uint32_t) {}
void RainEmitter::SetFloor(float) {}
