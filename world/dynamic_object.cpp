#include "world/dynamic_object.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "core/clocks.h"
#include "fighters/character.h"
#include "net/session.h"
#include "render/geometry.h"
#include "scene/ground.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"

DynamicObject g_Balls[PROP_BALL_COUNT];
DynamicObject g_Boxes[PROP_BOX_COUNT];
DynamicMesh* g_DynamicObjectModels[PROP_MODEL_COUNT] = {};

namespace {

struct PropModel {
    const char* name;
    float size;   // ball radius or box edge
};
// By template index (model type + pool kind); index 1 is the small ball, 2 and 3 the boxes.
constexpr PropModel kPropModels[PROP_MODEL_COUNT] = {
    {"Bola de 2m", 1.0f},
    {"Bola de 20cm", 0.1f},
    {"Caja de 2m", 2.0f},
    {"Caja de 1m", 0.75f},
};
constexpr float kMaxRollRate = 12.0f;
constexpr float kSphereVolume = 12.566371f * 0.33333334f;   // 4/3 pi
constexpr float kDensity = 200.0f;
constexpr float kSpawnProbeRise = 1.0f;
constexpr float kAxisEpsilon = 0.0001f;
constexpr uint32_t kSyncIntervalMs = 50;
constexpr float kResendDistance = 0.1f;
constexpr uint32_t kModelLoadFlags = 3;

uint32_t g_PropSyncTime = 0;

bool KnownModel(int kind, int type) {
    return (kind == int(PROP_KIND_BALL) || kind == int(PROP_KIND_BOX)) &&
           (type == int(PROP_TYPE_LARGE) || type == int(PROP_TYPE_SMALL));
}

PropFighterCalls DefaultPropFighterCalls() {
    PropFighterCalls calls;
    calls.intersectRay = [](Character* c, const Ray& ray, float length, Vec3* point, Vec3* normal) {
        return c->IntersectRay(ray, length, point, normal);
    };
    calls.isImmune = [](const Character* c) { return c->IsImmune(); };
    calls.changeHealth = [](Character* c, float amount, Character* attacker) { c->ChangeHealth(amount, attacker); };
    calls.applyHit = [](Character* c, float damage, const Vec3& point, int reaction, int heavy, Character* attacker) {
        c->ApplyHit(damage, point, reaction, heavy, attacker);
    };
    return calls;
}

}  // namespace

PropFighterCalls g_PropFighterCalls = DefaultPropFighterCalls();

void ResetPropFighterCalls() { g_PropFighterCalls = DefaultPropFighterCalls(); }

DynamicObject* PropPool(uint32_t kind, int* size) {
    if (kind == PROP_KIND_BALL) {
        if (size) *size = PROP_BALL_COUNT;
        return g_Balls;
    }
    if (kind == PROP_KIND_BOX) {
        if (size) *size = PROP_BOX_COUNT;
        return g_Boxes;
    }
    if (size) *size = 0;
    return nullptr;
}

DynamicObject* FindProp(uint32_t kind, uint32_t slot) {
    int size = 0;
    DynamicObject* pool = PropPool(kind, &size);
    return pool && slot < uint32_t(size) ? &pool[slot] : nullptr;
}

// ---- The record ----

int DynamicObject::Init(uint32_t newSlot, uint32_t newKind, uint32_t newType, DynamicMesh* newMesh, const Vec3& at,
                        Character* newOwner) {
    if (!newMesh) return 0;
    ResetPhysics();
    slot = newSlot;
    kind = newKind;
    type = newType;
    mesh = newMesh;
    owner = newOwner;
    const float size = kPropModels[(type + kind) % PROP_MODEL_COUNT].size;
    if (kind == PROP_KIND_BALL) {
        radius = size;
        volume = size * size * size * kSphereVolume;
    } else {
        volume = size * size * size;
        radius = size * 0.5f;
    }
    mass = volume * kDensity;
    const float ground = GetGroundHeight(at.x, at.y + kSpawnProbeRise, at.z, nullptr);
    SetPosition(at.x, ground + radius, at.z);
    state = PROP_FLYING;
    lastSentPosition = position;
    lastSentVelocity = velocity;
    return 1;
}

bool DynamicObject::Despawn() {
    // A mesh no longer listed went with the scene that listed it.
    if (mesh && g_Scene.objects) g_Scene.objects->Delete(mesh);
    mesh = nullptr;
    ResetPhysics();
    return true;
}

void DynamicObject::ResetPhysics() {
    state = PROP_RESTING;
    owner = nullptr;
    // Written directly: a free record keeps no speed for the next prop to inherit.
    velocity = {0, 0, 0};
    acceleration = {0, PROP_GRAVITY, 0};
    downhill = {0, 0, 0};
    rollAxis = {0, 0, 0};
    rollRate = 0.0f;
}

void DynamicObject::SetPosition(float x, float y, float z) {
    if (!mesh) return;
    position = {x, y, z};
    mesh->SetPosition(position);
}

void DynamicObject::Move(float dx, float dy, float dz) {
    if (!mesh) return;
    SetPosition(position.x + dx, position.y + dy, position.z + dz);
}

void DynamicObject::Rotate(float ax, float ay, float az, float angle) {
    if (!mesh) return;
    const float s = std::sin(angle * 0.5f);
    const Quat turn{ax * s, ay * s, az * s, std::cos(angle * 0.5f)};
    mesh->transform.rotation = QuatMul(turn, mesh->transform.rotation);
    mesh->transformValid = 0;
}

void DynamicObject::SetVelocity(float vx, float vy, float vz) {
    if (!mesh) return;
    velocity = {vx, vy, vz};
    rollRate = radius > 0.0f ? std::sqrt(vx * vx + vz * vz) / radius : 0.0f;
    if (rollRate > kMaxRollRate) rollRate = kMaxRollRate;
    UpdateRollAxis();
}

void DynamicObject::UpdateRollAxis() {
    if (!mesh) return;
    Mat4 inverse;
    if (!Mat4Inverse(&inverse, mesh->world)) {
        rollAxis = {0, 0, 0};
        return;
    }
    const Vec3 axis = Vec3TransformNormal({-velocity.z, 0.0f, velocity.x}, inverse);
    const float len = Vec3Length(axis);
    rollAxis = len < kAxisEpsilon ? Vec3{0, 0, 0} : Vec3Scale(axis, 1.0f / len);
}

bool DynamicObject::IntersectRay(const Ray& ray, float length, Vec3* outPoint, Vec3* outNormal) const {
    if (kind != PROP_KIND_BALL || !mesh) return false;
    Vec3 point{}, normal{};
    if (!RaySphereIntersect(ray, Sphere{position, radius}, &point, &normal)) return false;
    if (!(Vec3Length(Vec3Sub(point, ray.origin)) < length)) return false;
    if (outPoint) *outPoint = point;
    if (outNormal) *outNormal = normal;
    return true;
}

// ---- Pools and templates ----

void LoadDynamicObjectModels() {
    if (!g_Scene.objects) return;
    for (int i = 0; i < PROP_MODEL_COUNT; ++i) {
        char path[128];
        std::snprintf(path, sizeof path, "Modelos\\Objetos Dinamicos\\%s.y3d", kPropModels[i].name);
        g_Scene.LoadModel(path, "Texturas\\Objetos Dinamicos\\", kModelLoadFlags, false);
        char name[64];
        std::snprintf(name, sizeof name, "%s (DIN)", kPropModels[i].name);
        DynamicMesh* model = AsDynamicMesh(g_Scene.objects->FindByName(name));
        if (!model) continue;
        // Templates are only ever cloned, never drawn.
        g_Scene.objects->Remove(model);
        delete g_DynamicObjectModels[i];
        g_DynamicObjectModels[i] = model;
    }
}

void FreeDynamicObjects() {
    for (DynamicObject& ball : g_Balls)
        if (ball.InUse()) ball.Despawn();
    for (DynamicObject& box : g_Boxes)
        if (box.InUse()) box.Despawn();
    for (DynamicMesh*& model : g_DynamicObjectModels) {
        delete model;
        model = nullptr;
    }
}

void ForgetPropOwner(const Character* fighter) {
    if (!fighter) return;
    for (uint32_t kind : {PROP_KIND_BALL, PROP_KIND_BOX}) {
        int size = 0;
        DynamicObject* pool = PropPool(kind, &size);
        for (int i = 0; i < size; ++i)
            if (pool[i].owner == fighter) pool[i].owner = nullptr;
    }
}

void ResetDynamicObjects() {
    FreeDynamicObjects();
    for (DynamicObject& ball : g_Balls) ball.slot = ball.kind = ball.type = 0;
    for (DynamicObject& box : g_Boxes) box.slot = box.kind = box.type = 0;
    g_PropSyncTime = 0;
}

int SpawnDynamicObject(int32_t slot, int kind, int type, const Vec3& at, Character* owner) {
    if (!KnownModel(kind, type)) return -1;
    const DynamicMesh* model = g_DynamicObjectModels[type + kind];
    if (!model) return -1;
    // Clients make props only from the host's events.
    if (IsNetworkActive() && !g_NetSession.hosting && !g_GamePacket.dispatching) return -1;
    int size = 0;
    DynamicObject* pool = PropPool(uint32_t(kind), &size);
    if (slot < 0 || slot >= size) {
        slot = -1;
        for (int i = 0; i < size && slot < 0; ++i)
            if (!pool[i].InUse()) slot = i;
        if (slot < 0) return -1;
    } else if (pool[slot].InUse()) {
        return -1;
    }
    if (!g_Scene.objects) return -1;
    DynamicMesh* mesh = new (std::nothrow) DynamicMesh();
    if (!mesh) return -1;
    mesh->CloneFrom(*model);
    g_Scene.objects->Add(mesh);
    DynamicObject& prop = pool[slot];
    prop.Init(uint32_t(slot), uint32_t(kind), uint32_t(type), mesh, at, owner);
    if (IsNetworkActive() && g_NetSession.hosting)
        g_GamePacket.WriteSpawnDynamicObject(uint32_t(slot), uint32_t(kind), uint32_t(type), prop.position,
                                             owner ? owner->slot : -1);
    return slot;
}

void UpdateDynamicObjects() {
    const bool network = IsNetworkActive();
    bool sync = false;
    if (network && GetElapsed(CLOCK_MATCH, g_PropSyncTime) > kSyncIntervalMs) {
        sync = true;
        g_PropSyncTime = GetTime(CLOCK_MATCH);
    }
    const bool send = sync && g_NetSession.hosting;
    for (DynamicObject& ball : g_Balls) {
        if (!ball.InUse()) continue;
        ball.Update();
        if (!send || !ball.InUse()) continue;
        if (Vec3Length(Vec3Sub(ball.position, ball.lastSentPosition)) > kResendDistance)
            g_GamePacket.WriteSetDynamicObjectPosition(&ball);
        if (Vec3Length(Vec3Sub(ball.velocity, ball.lastSentVelocity)) > kResendDistance)
            g_GamePacket.WriteSetDynamicObjectVelocity(&ball);
    }
}

// ---- Received events ----

int ApplySpawnDynamicObjectEvent(uint32_t slot, uint8_t kind, uint8_t type, const Vec3& at) {
    if (!KnownModel(kind, type)) return -1;
    DynamicObject* prop = FindProp(kind, slot);
    if (!prop) return -1;
    if (prop->InUse()) prop->Despawn();
    return SpawnDynamicObject(int32_t(slot), kind, type, at, nullptr);
}

bool ApplyDynamicObjectPositionEvent(uint32_t slot, const Vec3& p) {
    DynamicObject* ball = FindProp(PROP_KIND_BALL, slot);
    if (!ball) return false;
    ball->SetPosition(p);
    return true;
}

bool ApplyDynamicObjectVelocityEvent(uint32_t slot, const Vec3& v) {
    DynamicObject* ball = FindProp(PROP_KIND_BALL, slot);
    if (!ball) return false;
    ball->SetVelocity(v);
    return true;
}

DynamicObject* BallInUse(int slot) {
    DynamicObject* ball = FindProp(PROP_KIND_BALL, uint32_t(slot));
    return ball && slot >= 0 && ball->InUse() ? ball : nullptr;
}
