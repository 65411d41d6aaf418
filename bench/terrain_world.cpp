#include "terrain_world.h"

#include <cmath>
#include <vector>

#include "common/binary_reader.h"

namespace benchsupport {
namespace {

constexpr int kRootLog2 = 8;     // root [-128, 128]

void PutNode(BinaryWriter& w, const int32_t corner[3], uint8_t log2Edge, bool leaf, int32_t first, uint16_t items,
             const int32_t nb[6]) {
    for (int i = 0; i < 3; ++i) w.PutI32(corner[i]);
    w.PutU8(log2Edge);
    w.PutU8(leaf ? 1 : 0);
    w.PutI32(first);
    w.PutU16(items);
    w.PutU32(0);
    for (int i = 0; i < 6; ++i) w.PutI32(nb[i]);
}

int32_t LeafIndex(int x, int y, int z) {
    int32_t parent = 4 * (x >> 1) + 2 * (y >> 1) + (z >> 1);
    return 9 + 8 * parent + 4 * (x & 1) + 2 * (y & 1) + (z & 1);
}

// A bumpy terrain tile over the leaf's x-z square, at a height inside the leaf.
void PutTerrain(BinaryWriter& w, int grid, float x0, float y0, float z0, float edge) {
    const int n = grid + 1;
    w.PutU8(1);
    w.PutU16(uint16_t(n * n));
    w.PutU16(uint16_t(grid * grid * 2));
    w.PutU16(1);
    w.PutU16(uint16_t(grid * grid * 2));
    const float step = edge / float(grid);
    auto height = [&](int i, int k) { return y0 + edge * 0.5f + 2.0f * std::sin(0.7f * i) * std::cos(0.5f * k); };
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            w.PutF32(x0 + step * float(i));
            w.PutF32(height(i, k));
            w.PutF32(z0 + step * float(k));
        }
    auto vertex = [&](int i, int k) {
        return Vec3{x0 + step * float(i), height(i, k), z0 + step * float(k)};
    };
    std::vector<Vec3> normals;
    std::vector<std::vector<uint16_t>> faces;
    for (int i = 0; i < grid; ++i)
        for (int k = 0; k < grid; ++k) {
            uint16_t a = uint16_t(i * n + k), b = uint16_t(i * n + k + 1), c = uint16_t((i + 1) * n + k + 1),
                     d = uint16_t((i + 1) * n + k);
            // Corner order a, b, c (z then x) keeps the inside test for an upward normal.
            for (auto tri : {std::vector<uint16_t>{a, b, c}, std::vector<uint16_t>{a, c, d}}) {
                Vec3 p0 = vertex(tri[0] / n, tri[0] % n), p1 = vertex(tri[1] / n, tri[1] % n),
                     p2 = vertex(tri[2] / n, tri[2] % n);
                Vec3 nrm = Vec3Normalize(Vec3Cross(Vec3Sub(p1, p0), Vec3Sub(p2, p0)));
                if (nrm.y < 0) nrm = Vec3Scale(nrm, -1.0f);
                normals.push_back(nrm);
                faces.push_back(tri);
            }
        }
    for (const Vec3& v : normals) {
        w.PutF32(v.x);
        w.PutF32(v.y);
        w.PutF32(v.z);
    }
    w.PutU8(1);
    w.PutU16(uint16_t(faces.size()));
    for (size_t f = 0; f < faces.size(); ++f) {
        w.PutU8(3);
        w.PutU16(uint16_t(f));
        for (uint16_t idx : faces[f]) w.PutU16(idx);
    }
}

}  // namespace

bool BuildTerrainTree(int grid, CollisionOctree* tree) {
    BinaryWriter w;
    for (int i = 0; i < 3; ++i) w.PutU32(0);
    w.PutU8(0);
    w.PutU32(73);
    w.PutU32(64);
    const int32_t none[6] = {-1, -1, -1, -1, -1, -1};
    const int32_t root[3] = {-128, -128, -128};
    PutNode(w, root, kRootLog2, false, 1, 0, none);
    for (int c = 0; c < 8; ++c) {
        int32_t corner[3] = {-128 + 128 * ((c >> 2) & 1), -128 + 128 * ((c >> 1) & 1), -128 + 128 * (c & 1)};
        PutNode(w, corner, kRootLog2 - 1, false, 9 + 8 * c, 0, none);
    }
    for (int32_t i = 9; i < 73; ++i) {
        int parent = (i - 9) / 8, c = (i - 9) % 8;
        int x = 2 * ((parent >> 2) & 1) + ((c >> 2) & 1), y = 2 * ((parent >> 1) & 1) + ((c >> 1) & 1),
            z = 2 * (parent & 1) + (c & 1);
        auto at = [&](int a, int b, int d) {
            return (a < 0 || b < 0 || d < 0 || a > 3 || b > 3 || d > 3) ? -1 : LeafIndex(a, b, d);
        };
        const int32_t nb[6] = {at(x, y + 1, z), at(x, y - 1, z), at(x - 1, y, z),
                               at(x + 1, y, z), at(x, y, z + 1), at(x, y, z - 1)};
        int32_t corner[3] = {-128 + 64 * x, -128 + 64 * y, -128 + 64 * z};
        PutNode(w, corner, kRootLog2 - 2, true, i - 9, 1, nb);
    }
    for (int32_t i = 9; i < 73; ++i) {
        const int parent = (i - 9) / 8, c = (i - 9) % 8;
        int x = 2 * ((parent >> 2) & 1) + ((c >> 2) & 1), y = 2 * ((parent >> 1) & 1) + ((c >> 1) & 1),
            z = 2 * (parent & 1) + (c & 1);
        PutTerrain(w, grid, -128.0f + 64 * x, -128.0f + 64 * y, -128.0f + 64 * z, 64.0f);
    }
    BinaryReader in(w.Data().data(), w.Size());
    return tree->Read(in, 320);
}

}  // namespace benchsupport
