// The benchmarks' static scenery: a collision octree of 64 leaves over [-128, 128] in each axis
// (two levels below the root), each leaf holding a bumpy terrain tile of grid x grid squares
// (two triangles each) at the middle height of the leaf.
#pragma once

#include "scene/collision_octree.h"

namespace benchsupport {

constexpr float TERRAIN_LEAF_EDGE = 64.0f;
constexpr float TERRAIN_LOW = -128.0f;

// The middle height of the tiles in leaf row y (0 lowest, 3 highest), before the bumps.
constexpr float TerrainLayerHeight(int y) { return TERRAIN_LOW + TERRAIN_LEAF_EDGE * float(y) + TERRAIN_LEAF_EDGE * 0.5f; }

// False when the built block does not read.
bool BuildTerrainTree(int grid, CollisionOctree* tree);

}  // namespace benchsupport
