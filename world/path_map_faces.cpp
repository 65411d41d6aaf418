#include <cmath>

#include "render/geometry.h"
#include "scene/collision_octree.h"
#include "world/path_map_build.h"

namespace {

constexpr float kMergeHeight = 0.45f;
constexpr float kMergeNormalY = 0.3f;
constexpr float kProbeRise = 1.0f;
constexpr float kProbeLength = 1000.0f;
constexpr float kProbeInset = 0.01f;
constexpr float kProbeBelowLow = 1.0f;
constexpr float kMinNormalY = 0.788f;
constexpr float kMaxSpread = 0.9f;
constexpr float kMinArea = 0.8f;
constexpr float kHeadroomAbove = 0.45f;
constexpr float kHeadroom = 2.0f;

// Corner order of PathLayer::corners.
constexpr int32_t kCornerX[4] = {0, 0, 1, 1};
constexpr int32_t kCornerZ[4] = {0, 1, 1, 0};

int32_t ClampCell(float v, int32_t size) {
    if (!(v >= 0.0f)) return 0;
    if (!(v < float(size))) return size - 1;
    return int32_t(std::trunc(v));
}

// Heron's formula over the fan from the first point. Rounding can make a flat triangle's product
// a hair below zero; it has no area rather than spoiling the sum with a NaN.
float FanArea(const std::vector<Vec3>& p) {
    float area = 0.0f;
    for (size_t i = 1; i + 1 < p.size(); ++i) {
        const float a = Vec3Length(Vec3Sub(p[i], p[0]));
        const float b = Vec3Length(Vec3Sub(p[i + 1], p[i]));
        const float c = Vec3Length(Vec3Sub(p[0], p[i + 1]));
        const float s = (a + b + c) * 0.5f;
        const float q = s * (s - a) * (s - b) * (s - c);
        if (q > 0.0f) area += std::sqrt(q);
    }
    return area;
}

}  // namespace

bool PathMap::ClipFaceToCell(const CollisionMesh& mesh, const CollisionFace& polygon, int32_t x, int32_t z, float* low,
                             float* floor, float* area) const {
    const float x0 = float(x) - offX, x1 = float(x + 1) - offX;
    const float z0 = float(z) - offZ, z1 = float(z + 1) - offZ;
    // A point stays where the plane's value is at most 0.
    const Plane planes[4] = {{-1.0f, 0.0f, 0.0f, x0}, {1.0f, 0.0f, 0.0f, -x1}, {0.0f, 0.0f, -1.0f, z0}, {0.0f, 0.0f, 1.0f, -z1}};
    std::vector<Vec3> points;
    points.reserve(polygon.indices.size());
    for (uint16_t i : polygon.indices) points.push_back(mesh.vertices[i]);
    std::vector<Vec3> clipped;
    if (!ClipPolygonByPlanes(planes, 4, points.data(), int(points.size()), &clipped)) return false;
    float lo = clipped[0].y, hi = clipped[0].y;
    for (const Vec3& p : clipped) {
        if (p.y < lo) lo = p.y;
        if (p.y > hi) hi = p.y;
    }
    *low = lo;
    *floor = hi;
    *area = FanArea(clipped);
    return true;
}

void PathMap::RasteriseFace(const CollisionMesh& mesh, const CollisionFace& polygon) {
    if (polygon.indices.empty() || polygon.normalIndex >= mesh.normals.size()) return;
    Vec3 lo = mesh.vertices[polygon.indices[0]], hi = lo;
    for (uint16_t i : polygon.indices) {
        const Vec3& v = mesh.vertices[i];
        if (v.x < lo.x) lo.x = v.x;
        if (v.z < lo.z) lo.z = v.z;
        if (v.x > hi.x) hi.x = v.x;
        if (v.z > hi.z) hi.z = v.z;
    }
    const int32_t xa = ClampCell(lo.x + offX, cols), xb = ClampCell(hi.x + offX, cols);
    const int32_t za = ClampCell(lo.z + offZ, rows), zb = ClampCell(hi.z + offZ, rows);
    const Vec3 normal = mesh.normals[polygon.normalIndex];
    for (int32_t x = xa; x <= xb; ++x)
        for (int32_t z = za; z <= zb; ++z) {
            PathFragment f{};
            if (!ClipFaceToCell(mesh, polygon, x, z, &f.low, &f.floor, &f.area)) continue;
            f.normal = normal;
            g_PathMapBuild.fragments[size_t(x) * size_t(rows) + size_t(z)].push_back(f);
        }
}

void PathMap::StepCellLayers(int32_t x, int32_t z) {
    std::vector<PathFragment>& list = g_PathMapBuild.fragments[size_t(x) * size_t(rows) + size_t(z)];
    // Merging: the test is symmetric and a fragment keeps its own heights, so a fragment matching
    // an earlier one was already merged into it; only later ones are left to take.
    for (size_t i = 0; i < list.size(); ++i) {
        PathFragment& f = list[i];
        size_t kept = i + 1;
        for (size_t j = i + 1; j < list.size(); ++j) {
            const PathFragment& g = list[j];
            if (std::fabs(f.low - g.low) < kMergeHeight && std::fabs(f.floor - g.floor) < kMergeHeight &&
                std::fabs(f.normal.y - g.normal.y) < kMergeNormalY) {
                f.area += g.area;
                continue;
            }
            list[kept++] = g;
        }
        list.resize(kept);
    }
    const CollisionOctree* octree = SceneCollisionOctree();
    PathCell& cell = columns[size_t(x)][size_t(z)];
    for (const PathFragment& f : list) {
        if (!(f.normal.y > kMinNormalY) || !(f.floor - f.low < kMaxSpread) || !(f.area > kMinArea)) continue;
        bool covered = false;
        for (const PathFragment& g : list)
            if (&g != &f && g.floor > f.floor + kHeadroomAbove && g.low < f.floor + kHeadroom) covered = true;
        if (covered || !octree) continue;
        PathLayer layer{};
        bool grounded = true;
        for (int k = 0; k < 4 && grounded; ++k) {
            Ray ray{{0.0f, -1.0f, 0.0f},
                    {float(x + kCornerX[k]) - offX + kProbeInset, f.floor + kProbeRise,
                     float(z + kCornerZ[k]) - offZ + kProbeInset}};
            Vec3 hit{};
            ++g_PathMapBuild.rays[1];
            grounded = octree->RayQuery(&ray, kProbeLength, &hit, nullptr, nullptr, COLLISION_GROUND) &&
                       !(f.low - kProbeBelowLow > hit.y);
            layer.corners[k] = hit.y;
        }
        if (!grounded) continue;
        layer.floor = f.floor;
        layer.low = f.low;
        layer.sector = -1;
        cell.layers.push_back(layer);
        cell.layerCount = int32_t(cell.layers.size());
        cell.flag = 0;
    }
}

void PathMap::StepFaces() {
    PathMapBuildState& b = g_PathMapBuild;
    b.fragments.assign(size_t(cols) * size_t(rows), {});
    const CollisionOctree* octree = SceneCollisionOctree();
    BeginPathMapStep(1);
    const uint64_t faces = CountCollisionFaces();
    uint64_t done = 0;
    if (octree)
        for (const CollisionMesh& mesh : octree->Meshes())
            for (const CollisionFaceGroup& group : mesh.groups) {
                if (!(group.typeMask & 1)) continue;
                for (const CollisionFace& polygon : group.faces) {
                    RasteriseFace(mesh, polygon);
                    Progress(++done, faces);
                }
            }

    BeginPathMapStep(2);
    const uint64_t cells = uint64_t(cols) * uint64_t(rows);
    done = 0;
    for (int32_t x = 0; x < cols; ++x)
        for (int32_t z = 0; z < rows; ++z) {
            StepCellLayers(x, z);
            ProgressCells(++done, cells);
        }
    // Lowest first, equal floors in the order they were made.
    for (std::vector<PathCell>& column : columns)
        for (PathCell& cell : column)
            for (bool swapped = true; swapped;) {
                swapped = false;
                for (size_t i = 0; i + 1 < cell.layers.size(); ++i)
                    if (cell.layers[i].floor > cell.layers[i + 1].floor) {
                        std::swap(cell.layers[i], cell.layers[i + 1]);
                        swapped = true;
                    }
            }
    b.fragments.clear();
    b.fragments.shrink_to_fit();
}
