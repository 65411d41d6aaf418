// The path-map builder written for the tests only, step by step as its rules read: fragment lists
// merged both ways, a full mark clear per flood fill, sectors deleted one at a time and relabelled
// by whole-grid passes, every layer pair of every sector pair tested with all five clearance rays,
// quadratic candidate passes, and the literal path search for reach. It keeps the mended rules of
// the real builder (no geometry builds nothing, a fan triangle's area is never NaN, one start per
// landing). Slow: for small scenes.
#pragma once

#include "world/path_map.h"

namespace reference {

// Builds the scenario's map from the scene's collision octree; false when nothing can be built.
bool BuildPathMap();

}  // namespace reference
