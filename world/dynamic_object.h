// The physics props: balls and boxes that lie in the scenario and can be pushed, thrown and
// bounced. Each is a record of one of two fixed pools with its own movable mesh cloned from one
// of four model templates. Balls are stepped every frame (prop_physics.cpp) and settle their
// contacts with other balls, fighters and the world (prop_collisions.cpp); boxes never move.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class DynamicMesh;
struct Ray;

// Pool kinds (1 does not exist) and model types.
constexpr uint32_t PROP_KIND_BALL = 0;
constexpr uint32_t PROP_KIND_BOX = 2;
constexpr uint32_t PROP_TYPE_LARGE = 0;
constexpr uint32_t PROP_TYPE_SMALL = 1;
constexpr int PROP_BALL_COUNT = 80;
constexpr int PROP_BOX_COUNT = 40;
constexpr int PROP_MODEL_COUNT = 4;   // index = model type + pool kind

enum PropState : uint32_t {
    PROP_RESTING = 0,
    PROP_FLYING = 1,
    PROP_ROLLING = 2,
};

constexpr float PROP_GRAVITY = -9.8f;
// Sound effects of a contact by size.
constexpr int PROP_SOUND_SMALL = 90;
constexpr int PROP_SOUND_LARGE = 91;

// Lengths in world units, times in seconds, mass in volume x 200.
class DynamicObject {
public:
    uint32_t slot = 0;
    uint32_t kind = 0;
    uint32_t type = 0;
    uint32_t state = PROP_RESTING;
    DynamicMesh* mesh = nullptr;   // owned clone of a template, also in the scene's object list; null = free
    Character* owner = nullptr;    // who threw or last pushed it; forgotten when it comes to rest
    float radius = 0.0f;
    float volume = 0.0f;
    float mass = 0.0f;
    Vec3 previousPosition{};
    Vec3 position{};
    Vec3 velocity{};
    Vec3 acceleration{0, PROP_GRAVITY, 0};
    Vec3 downhill{};               // of the ground under the prop at the last ground query
    Vec3 rollAxis{};               // in the mesh's local space
    float rollRate = 0.0f;         // radians per second
    Vec3 lastSentPosition{};
    Vec3 lastSentVelocity{};

    DynamicObject() = default;
    ~DynamicObject() { Despawn(); }
    DynamicObject(const DynamicObject&) = delete;
    DynamicObject& operator=(const DynamicObject&) = delete;

    // The record takes the mesh and is placed on the ground under the point, flying; 0 when
    // the mesh is null.
    int Init(uint32_t slot, uint32_t kind, uint32_t type, DynamicMesh* mesh, const Vec3& at, Character* owner);
    // Deletes the mesh through the scene's object list and frees the record. Always true.
    bool Despawn();
    // At rest with no owner, no velocity, roll or slope, and gravity as the acceleration.
    void ResetPhysics();
    // Prop and mesh together; nothing on a free record.
    void SetPosition(float x, float y, float z);
    void Move(float dx, float dy, float dz);
    // Turns the mesh about an axis of its local space (not normalised here).
    void Rotate(float ax, float ay, float az, float angle);
    // Also the roll rate (horizontal speed / radius, at most 12) and axis; the state stays.
    void SetVelocity(float vx, float vy, float vz);
    void ResetAcceleration() { acceleration = {0, PROP_GRAVITY, 0}; }
    // Balls only: the ray against the prop's sphere, hit nearer than the length.
    bool IntersectRay(const Ray& ray, float length, Vec3* outPoint, Vec3* outNormal) const;

    // One frame of a ball; false for a free record. Below -300 the prop is despawned.
    bool Update();
    void Step();
    void UpdateRollAxis();

    // Contacts after a move from the previous position: other balls, then fighters, then the
    // world, where a flying ball may land. True when anything was hit.
    bool ResolveCollisions(const Vec3& previous);
    bool CollideWithProps(const Vec3& previous);
    bool CollideWithCharacters(const Vec3& previous);

    bool InUse() const { return mesh != nullptr; }
    void SetPosition(const Vec3& p) { SetPosition(p.x, p.y, p.z); }
    void SetVelocity(const Vec3& v) { SetVelocity(v.x, v.y, v.z); }

private:
    // This step's motion reflected off the surface: velocity turned along the reflection and,
    // for an impact against the motion, damped by its angle. Gives the damping factor k (0 when
    // undamped) and the reflected motion.
    float Bounce(const Vec3& normal, const Vec3& previous, Vec3* reflected);
};

extern DynamicObject g_Balls[PROP_BALL_COUNT];
extern DynamicObject g_Boxes[PROP_BOX_COUNT];
extern DynamicMesh* g_DynamicObjectModels[PROP_MODEL_COUNT];   // owned; in no list

// The pool of a kind (null for any other) and its size.
DynamicObject* PropPool(uint32_t kind, int* size);
// The record of a kind and slot, or null outside the pool.
DynamicObject* FindProp(uint32_t kind, uint32_t slot);

// The four templates from "Modelos\Objetos Dinamicos\", taken out of the scene's object list.
void LoadDynamicObjectModels();
// Every prop despawned, then the templates deleted.
void FreeDynamicObjects();
// A prop in the given slot (-1 or out of the pool: the first free one) of a kind (0 balls,
// 2 boxes) and type (0 large, 1 small) at the point; the slot, or -1 when the kind or type is
// unknown, its template missing, the slot taken or none free, or a client asks outside the
// host's events. The host tells the others.
int SpawnDynamicObject(int32_t slot, int kind, int type, const Vec3& at, Character* owner);
// Every ball stepped; the host sends moved balls at most every 50 ms.
void UpdateDynamicObjects();
// A fighter leaving the match: the props it threw or pushed no longer credit its record, which the
// next fighter given its slot takes over.
void ForgetPropOwner(const Character* fighter);

// The host's prop events as a client's packet dispatch applies them. A pool kind, model type or
// slot outside the pools is refused; a spawn into a slot still in use replaces that prop (the
// host frees fallen balls without telling anyone).
int ApplySpawnDynamicObjectEvent(uint32_t slot, uint8_t kind, uint8_t type, const Vec3& at);
bool ApplyDynamicObjectPositionEvent(uint32_t slot, const Vec3& position);
bool ApplyDynamicObjectVelocityEvent(uint32_t slot, const Vec3& velocity);

// What a ball does to the fighters it meets. Each entry starts at the fighter's own operation;
// tests replace them.
struct PropFighterCalls {
    bool (*intersectRay)(Character* c, const Ray& ray, float length, Vec3* point, Vec3* normal);
    bool (*isImmune)(const Character* c);
    void (*changeHealth)(Character* c, float amount, Character* attacker);
    void (*applyHit)(Character* c, float damage, const Vec3& point, int reaction, int heavy, Character* attacker);
};
extern PropFighterCalls g_PropFighterCalls;
void ResetPropFighterCalls();

// Every prop and template gone and the synchronisation time back to 0 (tests).
void ResetDynamicObjects();
// The ball record of a slot while it is in use; null when free or outside the pool.
DynamicObject* BallInUse(int slot);
