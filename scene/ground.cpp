#include "scene/ground.h"

#include "render/geometry.h"
#include "scene/collision_octree.h"
#include "scene/object_list.h"
#include "scene/scene.h"

namespace {

constexpr float kProbeLength = 2000.0f;
constexpr float kNormaliseMin = 0.000001f;

Vec3 UnitOrZero(const Vec3& v) {
    float len = Vec3Length(v);
    if (len < kNormaliseMin) return {0, 0, 0};
    return Vec3Scale(v, 1.0f / len);
}

// The static geometry first; a collidable object replaces its hit only when strictly nearer.
bool SceneRay(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint32_t mask) {
    Vec3 p1{}, n1{};
    bool hit1 = false;
    if (CollisionOctree* octree = SceneCollisionOctree()) hit1 = octree->RayQuery(ray, length, &p1, &n1, nullptr, mask);
    float d1 = hit1 ? Vec3Length(Vec3Sub(p1, ray->origin)) : 0.0f;
    if (hit1 && !(d1 < length)) hit1 = false;
    Vec3 p2{}, n2{};
    if (CollidableListRayQuery(ray, length, &p2, &n2, nullptr, mask)) {
        float d2 = Vec3Length(Vec3Sub(p2, ray->origin));
        if (hit1 ? d2 < d1 : d2 < length) {
            p1 = p2;
            n1 = n2;
            hit1 = true;
        }
    }
    if (!hit1) return false;
    if (outPoint) *outPoint = p1;
    if (outNormal) *outNormal = n1;
    return true;
}

float HeightBelow(float x, float y, float z, Vec3* outNormal, uint32_t mask) {
    Ray ray{{0.0f, -1.0f, 0.0f}, {x, y, z}};
    Vec3 hit;
    if (!SceneRay(&ray, kProbeLength, &hit, outNormal, mask)) return GROUND_NONE;
    return hit.y;
}

}  // namespace

bool CollidableListRayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t mask) {
    return g_Scene.collidables && g_Scene.collidables->RayQuery(ray, length, outPoint, outNormal, outType, mask);
}

float GetGroundHeight(float x, float y, float z, Vec3* outNormal) { return HeightBelow(x, y, z, outNormal, COLLISION_GROUND); }

float GetLavaHeight(float x, float y, float z, Vec3* outNormal) { return HeightBelow(x, y, z, outNormal, COLLISION_LAVA); }

float GetGroundHeightAndSlope(float x, float y, float z, Vec3* outNormal, Vec3* outDownhill) {
    CollisionOctree* octree = SceneCollisionOctree();
    Ray ray{{0.0f, -1.0f, 0.0f}, {x, y, z}};
    Vec3 hit, n;
    if (!octree || !octree->RayQuery(&ray, kProbeLength, &hit, &n, nullptr, COLLISION_GROUND)) return GROUND_NONE;
    if (outNormal) *outNormal = n;
    if (outDownhill) {
        // Only faces turned up are hit, so n.y > 0 here.
        float t = Vec3Dot(n, n) / n.y;
        *outDownhill = UnitOrZero({n.x, n.y - t, n.z});
    }
    return hit.y;
}

bool IsSegmentBlocked(const Vec3& a, const Vec3& b) {
    CollisionOctree* octree = SceneCollisionOctree();
    if (!octree) return false;
    Vec3 ab = Vec3Sub(b, a);
    Ray ray{UnitOrZero(ab), a};
    return octree->RayQuery(&ray, Vec3Length(ab), nullptr, nullptr, nullptr, COLLISION_GROUND);
}

Vec3 ReflectOffPlane(const Vec3& v, const Vec3&, const Vec3& n) {
    float nn = Vec3Dot(n, n);
    if (nn <= 0.0001f) return v;
    return Vec3Sub(v, Vec3Scale(n, 2.0f * Vec3Dot(v, n) / nn));
}
