#include "datakit/y3d_octree_builder.h"

#include <algorithm>

#include "common/binary_reader.h"

namespace datakit {

namespace {

void Put(std::vector<uint8_t>* out, const BinaryWriter& w) { out->insert(out->end(), w.Data().begin(), w.Data().end()); }

}  // namespace

int32_t GridLeaf(int depth, int x, int y, int z) {
    // Breadth first: level k starts after 1 + 8 + ... + 8^(k-1) nodes.
    int32_t index = 0;
    int32_t levelStart = 0, levelSize = 1;
    for (int level = 1; level <= depth; ++level) {
        int shift = depth - level;
        int octant = 4 * ((x >> shift) & 1) + 2 * ((y >> shift) & 1) + ((z >> shift) & 1);
        int32_t nextStart = levelStart + levelSize;
        index = nextStart + 8 * (index - levelStart) + octant;
        levelStart = nextStart;
        levelSize *= 8;
    }
    return index;
}

std::vector<OctreeNodeDesc> GridOctree(int depth, const int32_t corner[3], uint8_t log2Edge) {
    int32_t total = 0, levelSize = 1;
    for (int level = 0; level <= depth; ++level, levelSize *= 8) total += levelSize;
    std::vector<OctreeNodeDesc> nodes(static_cast<size_t>(total));
    // Inner nodes: each level's nodes in order own consecutive blocks of eight.
    int32_t levelStart = 0;
    levelSize = 1;
    nodes[0].corner[0] = corner[0];
    nodes[0].corner[1] = corner[1];
    nodes[0].corner[2] = corner[2];
    nodes[0].log2Edge = log2Edge;
    for (int level = 0; level < depth; ++level) {
        int32_t nextStart = levelStart + levelSize;
        for (int32_t i = 0; i < levelSize; ++i) {
            OctreeNodeDesc& parent = nodes[size_t(levelStart + i)];
            parent.first = nextStart + 8 * i;
            int32_t half = int32_t(1) << (parent.log2Edge - 1);
            for (int c = 0; c < 8; ++c) {
                OctreeNodeDesc& child = nodes[size_t(parent.first + c)];
                child.corner[0] = parent.corner[0] + ((c >> 2) & 1) * half;
                child.corner[1] = parent.corner[1] + ((c >> 1) & 1) * half;
                child.corner[2] = parent.corner[2] + (c & 1) * half;
                child.log2Edge = uint8_t(parent.log2Edge - 1);
            }
        }
        levelStart = nextStart;
        levelSize *= 8;
    }
    int n = 1 << depth;
    auto leafAt = [&](int x, int y, int z) -> int32_t {
        if (x < 0 || y < 0 || z < 0 || x >= n || y >= n || z >= n) return -1;
        return GridLeaf(depth, x, y, z);
    };
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            for (int z = 0; z < n; ++z) {
                OctreeNodeDesc& leaf = nodes[size_t(GridLeaf(depth, x, y, z))];
                leaf.leaf = 1;
                leaf.first = -1;
                leaf.neighbours[0] = leafAt(x, y + 1, z);
                leaf.neighbours[1] = leafAt(x, y - 1, z);
                leaf.neighbours[2] = leafAt(x - 1, y, z);
                leaf.neighbours[3] = leafAt(x + 1, y, z);
                leaf.neighbours[4] = leafAt(x, y, z + 1);
                leaf.neighbours[5] = leafAt(x, y, z - 1);
            }
    return nodes;
}

void AppendOctreeNode(std::vector<uint8_t>* out, const OctreeNodeDesc& node) {
    BinaryWriter w;
    for (int32_t c : node.corner) w.PutI32(c);
    w.PutU8(node.log2Edge);
    w.PutU8(node.leaf);
    w.PutI32(node.first);
    w.PutU16(node.itemCount);
    w.PutU32(node.polygonCount);
    for (int32_t nb : node.neighbours) w.PutI32(nb);
    Put(out, w);
}

void CollisionMeshDesc::AddFace(size_t group, std::vector<Vec3> corners, const Vec3& normal) {
    if (groups.size() <= group) groups.resize(group + 1);
    // The inside test wants (v[i] - v[i+1]) x n to point into the polygon.
    Vec3 centre{0, 0, 0};
    for (const Vec3& c : corners) centre = Vec3Add(centre, c);
    centre = Vec3Scale(centre, 1.0f / float(corners.size()));
    if (corners.size() >= 2 &&
        Vec3Dot(Vec3Cross(Vec3Sub(corners[0], corners[1]), normal), Vec3Sub(centre, corners[0])) < 0.0f)
        std::reverse(corners.begin(), corners.end());
    CollisionFaceDesc face;
    face.normal = uint32_t(normals.size());
    normals.push_back(normal);
    for (const Vec3& c : corners) {
        face.indices.push_back(uint32_t(vertices.size()));
        vertices.push_back(c);
    }
    groups[group].faces.push_back(face);
}

void AppendCollisionMesh(std::vector<uint8_t>* out, const CollisionMeshDesc& mesh, uint16_t version) {
    BinaryWriter w;
    const bool wide = version < 310;
    std::vector<CollisionGroupDesc> groups = mesh.groups;
    if (groups.empty()) groups.resize(1);
    if (version < 320) groups.resize(1);
    uint32_t faces = 0;
    for (const CollisionGroupDesc& g : groups) faces += uint32_t(g.faces.size());
    if (wide) {
        w.PutU32(uint32_t(mesh.vertices.size()));
        w.PutU32(uint32_t(mesh.normals.size()));
        w.PutU32(faces);
    } else if (version < 320) {
        w.PutU16(uint16_t(mesh.vertices.size()));
        w.PutU16(uint16_t(mesh.normals.size()));
        w.PutU16(uint16_t(faces));
    } else {
        w.PutU8(mesh.typeMask);
        w.PutU16(uint16_t(mesh.vertices.size()));
        w.PutU16(uint16_t(mesh.normals.size()));
        w.PutU16(uint16_t(groups.size()));
        w.PutU16(uint16_t(faces));
    }
    for (const Vec3& v : mesh.vertices) {
        w.PutF32(v.x);
        w.PutF32(v.y);
        w.PutF32(v.z);
    }
    for (const Vec3& n : mesh.normals) {
        w.PutF32(n.x);
        w.PutF32(n.y);
        w.PutF32(n.z);
    }
    for (const CollisionGroupDesc& g : groups) {
        if (version >= 320) {
            w.PutU8(g.typeMask);
            w.PutU16(uint16_t(g.faces.size()));
        }
        for (const CollisionFaceDesc& f : g.faces) {
            w.PutU8(uint8_t(f.indices.size()));
            if (wide) w.PutU32(f.normal);
            else w.PutU16(uint16_t(f.normal));
            for (uint32_t i : f.indices) {
                if (wide) w.PutU32(i);
                else w.PutU16(uint16_t(i));
            }
        }
    }
    Put(out, w);
}

std::vector<uint8_t> BuildCollisionOctreeBlock(const std::vector<OctreeNodeDesc>& nodes,
                                               const std::vector<CollisionMeshDesc>& meshes, uint16_t version) {
    BinaryWriter w;
    w.PutU32(11);
    w.PutU32(22);
    w.PutU32(33);
    w.PutU8(44);
    w.PutU32(uint32_t(nodes.size()));
    w.PutU32(uint32_t(meshes.size()));
    std::vector<uint8_t> out = w.Data();
    for (const OctreeNodeDesc& n : nodes) AppendOctreeNode(&out, n);
    for (const CollisionMeshDesc& m : meshes) AppendCollisionMesh(&out, m, version);
    return out;
}

std::vector<uint8_t> BuildRenderOctreeBlock(const std::vector<OctreeNodeDesc>& nodes) {
    BinaryWriter w;
    w.PutU32(11);
    w.PutU32(22);
    w.PutU32(33);
    w.PutU8(44);
    w.PutU32(uint32_t(nodes.size()));
    std::vector<uint8_t> out = w.Data();
    for (const OctreeNodeDesc& n : nodes) AppendOctreeNode(&out, n);
    return out;
}

}  // namespace datakit
