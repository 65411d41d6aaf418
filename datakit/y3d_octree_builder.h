// Writes the render-octree and collision-octree blocks of Y3D files for tests: regular grids
// of 1, 8 or 64 leaves with consistent neighbour links, and collision meshes in every layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/math.h"

namespace datakit {

struct OctreeNodeDesc {
    int32_t corner[3] = {0, 0, 0};
    uint8_t log2Edge = 0;
    uint8_t leaf = 0;
    int32_t first = -1;
    uint16_t itemCount = 0;
    uint32_t polygonCount = 0;
    int32_t neighbours[6] = {-1, -1, -1, -1, -1, -1};   // +y, -y, -x, +x, +z, -z
};

// A full tree of the given depth (0: one leaf, 1: eight, 2: sixty-four) over the cube at
// corner with edge 2^log2Edge. Children follow their parents breadth first; leaves start
// empty (first -1, no items) and link to the leaves beside them, -1 at the border.
std::vector<OctreeNodeDesc> GridOctree(int depth, const int32_t corner[3], uint8_t log2Edge);
// Index of the leaf at grid cell (x, y, z) of such a tree (each 0 .. 2^depth - 1).
int32_t GridLeaf(int depth, int x, int y, int z);

void AppendOctreeNode(std::vector<uint8_t>* out, const OctreeNodeDesc& node);

struct CollisionFaceDesc {
    std::vector<uint32_t> indices;
    uint32_t normal = 0;
};
struct CollisionGroupDesc {
    uint8_t typeMask = 1;
    std::vector<CollisionFaceDesc> faces;
};
struct CollisionMeshDesc {
    uint8_t typeMask = 1;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<CollisionGroupDesc> groups;   // below version 320 only the first is written

    // Appends a convex face with the given normal; the corners are put in the order the
    // inside test expects (either order may be given).
    void AddFace(size_t group, std::vector<Vec3> corners, const Vec3& normal);
};

// One mesh in the layout of the given file version.
void AppendCollisionMesh(std::vector<uint8_t>* out, const CollisionMeshDesc& mesh, uint16_t version);
// The whole collision-octree block.
std::vector<uint8_t> BuildCollisionOctreeBlock(const std::vector<OctreeNodeDesc>& nodes,
                                               const std::vector<CollisionMeshDesc>& meshes, uint16_t version);
// The whole render-octree block (17-byte header, then the nodes).
std::vector<uint8_t> BuildRenderOctreeBlock(const std::vector<OctreeNodeDesc>& nodes);

}  // namespace datakit
