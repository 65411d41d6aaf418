#pragma once

#include <cstdint>

// The static geometry's draw tree.
class RenderOctree {
public:
    uint32_t polygonCount = 0;   // polygons of the whole tree

    // Draws the tree's boxes for the octree debug switch.
    void DrawDebug();
};
