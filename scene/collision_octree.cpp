#include "scene/collision_octree.h"

#include <cmath>
#include <cstdint>

#include "common/binary_reader.h"
#include "core/debug_log.h"

namespace {

constexpr float kNormaliseMin = 0.000001f;

CollisionOctree* g_SceneCollisionOctree = nullptr;

}  // namespace

CollisionOctree* SceneCollisionOctree() { return g_SceneCollisionOctree; }
void SetSceneCollisionOctree(CollisionOctree* octree) { g_SceneCollisionOctree = octree; }

CollisionOctree::~CollisionOctree() { CollisionOctree::Clear(); }

void CollisionOctree::Clear() {
    Octree::Clear();
    meshes_.clear();
    meshes_.shrink_to_fit();
}

bool CollisionOctree::Read(BinaryReader& in, uint16_t version) {
    Clear();
    uint32_t nodeCount = 0, meshCount = 0;
    if (!ReadHeader(in) || !in.ReadU32(nodeCount) || !in.ReadU32(meshCount) || !ReadNodes(in, nodeCount, 0)) {
        WriteDebugLog("Collision octree: bad block\n");
        Clear();
        return false;
    }
    // Each mesh needs at least its smallest header.
    if (in.Remaining() / 6 < meshCount) {
        WriteDebugLogF("Collision octree: %u meshes do not fit in the block\n", meshCount);
        Clear();
        return false;
    }
    meshes_.resize(meshCount);
    for (CollisionMesh& mesh : meshes_) {
        if (!mesh.Read(in, version)) {
            Clear();
            return false;
        }
    }
    for (const OctreeNode& n : nodes_) {
        if (n.leaf && n.first >= 0 && uint32_t(n.first) >= meshCount) {
            WriteDebugLogF("Collision octree: leaf %d names mesh %d of %u\n", n.index, n.first, meshCount);
            Clear();
            return false;
        }
    }
    return true;
}

bool CollisionOctree::RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType,
                               uint32_t mask) const {
    if (nodes_.empty() || !ray) return false;
    float len = Vec3Length(ray->direction);
    ray->direction = len < kNormaliseMin ? Vec3{0, 0, 0} : Vec3Scale(ray->direction, 1.0f / len);
    const Vec3& o = ray->origin;
    int32_t node = FindLeaf(o.x, o.y, o.z);
    if (node < 0) node = 0;
    // A straight ray meets each node once; the bound only guards against looping links.
    const size_t maxSteps = nodes_.size() * 2 + 2;
    Vec3 point{}, normal{};
    uint16_t type = 0;
    bool hit = false;
    for (size_t step = 0; step < maxSteps && node >= 0; ++step) {
        const OctreeNode& n = nodes_[size_t(node)];
        if (n.leaf && n.first >= 0 && meshes_[size_t(n.first)].RayTest(*ray, &point, &normal, &type, mask)) {
            hit = true;
            break;
        }
        node = SegmentQuery(node, *ray, length);
    }
    if (!hit || !(Vec3Length(Vec3Sub(point, o)) < length)) return false;
    if (outPoint) *outPoint = point;
    if (outNormal) *outNormal = normal;
    if (outType) *outType = type;
    return true;
}

bool CollisionOctree::SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                                  SweepContact* best, SweepContact** contacts, uint32_t mask) const {
    if (nodes_.empty()) return false;
    return QueryRecursive(0, planes, planeCount, outPoint, bestDistance, best, contacts, mask);
}

bool CollisionOctree::QueryRecursive(int32_t i, const Plane* planes, int planeCount, Vec3* outPoint,
                                     float* bestDistance, SweepContact* best, SweepContact** contacts,
                                     uint32_t mask) const {
    const OctreeNode& n = nodes_[size_t(i)];
    AxisBox b = n.Box();
    for (int p = 0; p < planeCount && planes; ++p) {
        const Plane& pl = planes[p];
        float x = pl.a >= 0.0f ? b.max.x : b.min.x;
        float y = pl.b >= 0.0f ? b.max.y : b.min.y;
        float z = pl.c >= 0.0f ? b.max.z : b.min.z;
        if (pl.a * x + pl.b * y + pl.c * z + pl.d < 0.0f) return false;
    }
    if (n.leaf) {
        if (n.first < 0) return false;
        return meshes_[size_t(n.first)].SweepSphere(planes, planeCount, outPoint, bestDistance, best, contacts,
                                                    uint8_t(mask));
    }
    bool any = false;
    for (int c = 0; c < 8; ++c)
        any |= QueryRecursive(n.first + c, planes, planeCount, outPoint, bestDistance, best, contacts, mask);
    return any;
}
