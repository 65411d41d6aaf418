// Hand-built collision worlds and sweep planes shared by the collision and ground tests.
#pragma once

#include <cmath>
#include <vector>

#include "common/binary_reader.h"
#include "scene/collision_octree.h"
#include "datakit/y3d_octree_builder.h"

namespace collisiontest {

using datakit::CollisionMeshDesc;

// The six planes of a quad swept along m (inside = value > 0): the four side planes, the
// start plane (normal along m) and the end plane.
inline std::vector<Plane> SweepPlanes(const Vec3 c[4], const Vec3& m) {
    auto plane = [](const Vec3& n, const Vec3& p) { return Plane{n.x, n.y, n.z, -Vec3Dot(n, p)}; };
    std::vector<Plane> planes;
    for (int i = 0; i < 4; ++i)
        planes.push_back(plane(Vec3Normalize(Vec3Cross(m, Vec3Sub(c[(i + 1) % 4], c[i]))), c[i]));
    Vec3 n = Vec3Normalize(Vec3Cross(Vec3Sub(c[1], c[0]), Vec3Sub(c[2], c[0])));
    planes.push_back(plane(n, c[0]));
    planes.push_back(plane(Vec3Scale(n, -1.0f), Vec3Add(c[0], m)));
    return planes;
}

// Axis-aligned square face of half size h centred at c, lying across the normal's axis.
inline std::vector<Vec3> Square(const Vec3& c, const Vec3& n, float hu, float hv) {
    if (std::fabs(n.y) > 0.5f)
        return {{c.x - hu, c.y, c.z - hv}, {c.x + hu, c.y, c.z - hv}, {c.x + hu, c.y, c.z + hv}, {c.x - hu, c.y, c.z + hv}};
    if (std::fabs(n.x) > 0.5f)
        return {{c.x, c.y - hu, c.z - hv}, {c.x, c.y + hu, c.z - hv}, {c.x, c.y + hu, c.z + hv}, {c.x, c.y - hu, c.z + hv}};
    return {{c.x - hu, c.y - hv, c.z}, {c.x + hu, c.y - hv, c.z}, {c.x + hu, c.y + hv, c.z}, {c.x - hu, c.y + hv, c.z}};
}

inline bool LoadTree(CollisionOctree* tree, const std::vector<datakit::OctreeNodeDesc>& nodes,
                     const std::vector<CollisionMeshDesc>& meshes, uint16_t version = 320) {
    std::vector<uint8_t> block = datakit::BuildCollisionOctreeBlock(nodes, meshes, version);
    BinaryReader in(block.data(), block.size());
    return tree->Read(in, version);
}

// The test world: root [-8, 8]^3 split into eight leaves of edge 8. Leaf (gx, gy, gz):
//  lower (-x,-z): a ramp rising along +x, y = -4 + (x + 8) / 2 (from -4 at x = -8 to 0 at x = 0)
//  lower (+x,-z): floor y = -2 and a wall at x = 4 facing -x (y -8..0, z -8..0)
//  lower (-x,+z): nothing (missing ground)
//  lower (+x,+z): floor y = -2 (type 1) and lava y = -1 over x 4..8 (type 4)
//  upper (+x,+z): a ceiling y = 6 facing down
// Every other leaf is empty.
inline bool BuildWorld(CollisionOctree* tree) {
    const int32_t corner[3] = {-8, -8, -8};
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(1, corner, 4);
    std::vector<CollisionMeshDesc> meshes(4);
    const float s = 1.0f / std::sqrt(1.25f);   // normal of y - x/2 = const: (-0.5, 1, 0) / |..|
    meshes[0].AddFace(0, {{-8, -4, -8}, {0, 0, -8}, {0, 0, 0}, {-8, -4, 0}}, {-0.5f * s, s, 0});
    meshes[1].AddFace(0, Square({4, -2, -4}, {0, 1, 0}, 4, 4), {0, 1, 0});
    meshes[1].AddFace(0, Square({4, -4, -4}, {-1, 0, 0}, 4, 4), {-1, 0, 0});
    meshes[2].typeMask = 1 | 4;
    meshes[2].AddFace(0, Square({4, -2, 4}, {0, 1, 0}, 4, 4), {0, 1, 0});
    meshes[2].AddFace(1, Square({6, -1, 4}, {0, 1, 0}, 2, 4), {0, 1, 0});
    meshes[2].groups[1].typeMask = 4;
    meshes[3].AddFace(0, Square({4, 6, 4}, {0, -1, 0}, 4, 4), {0, -1, 0});
    auto put = [&](int gx, int gy, int gz, int mesh) {
        datakit::OctreeNodeDesc& n = nodes[size_t(datakit::GridLeaf(1, gx, gy, gz))];
        n.first = mesh;
        n.itemCount = 1;
    };
    put(0, 0, 0, 0);
    put(1, 0, 0, 1);
    put(1, 0, 1, 2);
    put(1, 1, 1, 3);
    return LoadTree(tree, nodes, meshes);
}

}  // namespace collisiontest
