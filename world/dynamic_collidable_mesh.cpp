#include "world/dynamic_mesh.h"

#include "common/binary_reader.h"
#include "core/debug_log.h"
#include "scene/animation.h"
#include "scene/collision_mesh.h"

namespace {

constexpr float kNormaliseMin = 1e-6f;
constexpr int kMaxSweepPlanes = 6;

Vec3 UnitOrZero(const Vec3& v) {
    const float len = Vec3Length(v);
    return len < kNormaliseMin ? Vec3{0, 0, 0} : Vec3Scale(v, 1.0f / len);
}

// Where a sweep places the collision mesh of the object it tests: one object at a time, and its
// storage kept from sweep to sweep.
CollisionMesh& SweepScratch() {
    static CollisionMesh placed;
    return placed;
}

}  // namespace

DynamicCollidableMesh::DynamicCollidableMesh() { typeCode = NODE_TYPE_DYNAMIC_COLLIDABLE; }

DynamicCollidableMesh::~DynamicCollidableMesh() {
    delete collision;
    collision = nullptr;
}

void DynamicCollidableMesh::Release() {
    DynamicMesh::Release();
    delete collision;
    collision = nullptr;
}

bool DynamicCollidableMesh::Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase,
                                 int32_t vertexBase) {
    if (!DynamicMesh::Load(in, materialIds, indexBase, vertexBase)) return false;
    delete collision;
    collision = new CollisionMesh();
    if (!collision->Read(in, g_Y3DVersion)) {
        WriteDebugLog("DynamicCollidableMesh: unreadable collision mesh");
        delete collision;
        collision = nullptr;
        return false;
    }
    return true;
}

bool DynamicCollidableMesh::CloneCollidableFrom(const DynamicCollidableMesh& other) {
    if (&other == this) return true;
    CloneFrom(other);
    delete collision;
    collision = new CollisionMesh();
    if (other.collision) collision->CopyFrom(*other.collision);
    return true;
}

bool DynamicCollidableMesh::RayTest(const Ray& ray, float, Vec3* outPoint, Vec3* outNormal, uint16_t* outType,
                                    uint32_t typeMask) {
    UpdateTransform();
    if (!collision || RayBoxIntersect(WorldBox(), ray, nullptr) == 0) return false;
    Mat4 inverse;
    if (!Mat4Inverse(&inverse, world)) return false;
    const Ray local{UnitOrZero(Vec3TransformNormal(ray.direction, inverse)), Vec3TransformCoord(ray.origin, inverse)};
    Vec3 point{}, normal{};
    uint16_t type = 0;
    if (!collision->RayTest(local, &point, &normal, &type, typeMask)) return false;
    if (outPoint) *outPoint = Vec3TransformCoord(point, world);
    if (outNormal) *outNormal = UnitOrZero(Vec3TransformNormal(normal, world));
    if (outType) *outType = type;
    return true;
}

bool DynamicCollidableMesh::SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                                        SweepContact* best, SweepContact** contacts, uint32_t typeMask) {
    UpdateTransform();
    if (!collision || !planes) return false;
    const AxisBox b = WorldBox();
    const int count = planeCount < kMaxSweepPlanes ? planeCount : kMaxSweepPlanes;
    for (int i = 0; i < count; ++i) {
        const Plane& p = planes[i];
        const Vec3 far{p.a >= 0 ? b.max.x : b.min.x, p.b >= 0 ? b.max.y : b.min.y, p.c >= 0 ? b.max.z : b.min.z};
        if (p.a * far.x + p.b * far.y + p.c * far.z + p.d < 0) return false;
    }
    // The faces are swept where the object stands; its own local faces are never written.
    CollisionMesh& placed = SweepScratch();
    collision->PlaceInto(world, &placed);
    return placed.SweepSphere(planes, planeCount, outPoint, bestDistance, best, contacts, uint8_t(typeMask));
}
