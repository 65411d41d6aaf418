#include "world/world_seams.h"

// The scenario ambience fills this.
void SpawnFlash(uint32_t, bool) {}
