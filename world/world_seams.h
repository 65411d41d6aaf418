// What the fighters ask of the world: the fighter starts of the placed element map
// (element_map.cpp) and the full-screen flash of the ambience.
#pragma once

#include <cstdint>

#include "common/math.h"

// The n-th (from 0) fighter start of a side in the placed element map, with its facing; false
// when there are fewer.
bool FindPlacedCharacter(int side, int n, Vec3* position, float* facing);
// A white full-screen flash over the duration, with a thunder sound when asked.
void SpawnFlash(uint32_t durationMs, bool withSound);
