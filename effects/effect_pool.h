// The pool of effect instances: 1500 slots, each an effect of one type with its kinematics and
// its compound effect (which the scene's first effect list draws), made by CreateEffect from the
// type's recipe, stepped once per game frame and freed once nothing of it is left alive. Other
// subsystems keep slot indices and reach the pool through effects/effect_slots.h.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "render/geometry.h"
#include "world/dynamic_object.h"

class EffectGroup;

// The values of one CreateEffect call, in its order.
struct EffectRequest {
    int32_t slot = -1;              // 0-1499, anything else for the first free one
    int32_t type = 0;
    Vec3 position{};
    Vec3 aimPoint{};                // the end point or target of the types that have one
    Vec3 velocity{};                // units per second
    Vec3 acceleration{};            // units per second squared
    Vec3 direction{};               // a facing
    int32_t durationMs = EFFECT_ENDLESS;   // the children's lifetime; -1 until stopped
    float scale = 0.0f;             // 0: the type's own size
    uint32_t colour = 0;            // ARGB; 0: the type's own colour
    Character* owner = nullptr;
};

struct EffectSlot {
    uint8_t active = 0;
    uint8_t stopped = 0;            // a stopped projectile tests for no more hits
    int32_t index = 0;
    int32_t type = 0;
    Character* owner = nullptr;     // who caused it; forgotten when it is freed
    Character* target = nullptr;    // the fighter a seeker follows
    uint32_t startTime = 0;         // match clock, ms
    uint32_t lastTime = 0;          // re-stamped by effects that act at intervals
    Vec3 previousPosition{};        // where the last move started
    Vec3 position{};
    Vec3 velocity{};
    Vec3 acceleration{};
    Vec3 aimPoint{};
    Vec3 direction{};               // portals: (sin a, 0, cos a)
    EffectGroup* group = nullptr;   // owned by the scene's first effect list while active

    // Fills a free slot from the call and lists the type's compound effect (effect_setup.cpp).
    // False, with the slot left free and nothing built, when memory runs out.
    bool Setup(const EffectRequest& request);
    // Frees an active slot and deletes its compound effect; returns the number of active slots.
    // A slot that is not active stays as it is.
    int32_t Free();
    // One frame: frees the effect once every child has ended.
    void Update();
    // Lets the effect end gracefully: its sprites and emitters end `timeMs` from now and its group
    // keeps updating out of view. Nothing on a slot already stopped or without a group.
    void Stop(uint32_t timeMs);
    // True when every child has ended or is a bolt (which never ends by itself); false without
    // a group.
    bool AllChildrenFinished() const;
    // Moves the effect and its children; nothing without a group.
    void SetPosition(const Vec3& p);
    // Portals (types 63 and 64) turn to face (sin a, 0, cos a); other types stay as they are.
    void SetDirection(float angle);
    // The angle the effect faces, atan2(x, z) of its direction.
    float GetDirection() const;
    // The power of a power's effect (types 0-9 and 10-19), -1 for the others.
    int32_t PowerIndex() const;
    // The effect hits a fighter; false when it does not.
    bool DamageCharacter(Character* victim, const Vec3& hitPoint, float damage);
    // The effect pushes a prop away from the unit direction toward it; false when it does not.
    bool PushProp(DynamicObject* prop, const Vec3& direction, float force);
    // The explosion's damage and pushes on what stands near its position.
    void Explode();
    // One frame of flight; with hitFighters the segment flown is tested against the world.
    void UpdateProjectile(bool hitFighters);
    // Whether anything lies between the points (the owner never counts, but for the explosion);
    // with applyHits a fighter or prop hit takes this effect's hit. The special flag tells a
    // water or lava surface.
    bool TestSegment(const Vec3& from, const Vec3& to, Vec3* hitPoint, Vec3* normal, bool applyHits, bool* special);
    // A fighter that leaves the match is no longer this effect's owner or target; what could end
    // only through it as its owner ends now.
    void ForgetFighter(const Character* fighter);

private:
    void UpdateByType();
};

extern EffectSlot g_EffectSlots[EFFECT_SLOT_COUNT];
// The slots in use.
extern int32_t g_ActiveEffectCount;

// The pool's CreateEffect: the slot used, or -1 (the requested slot busy, the pool full, a type
// outside 0-97, no scene to list the effect in, or no memory). An explosion (type 32) damages and
// pushes what stands near it.
int32_t CreateEffectInPool(const EffectRequest& request);
// The slot of an index, null outside 0-1499.
EffectSlot* EffectSlotAt(int32_t slot);
// Every slot freed and zeroed, the hit calls and the recipes back to the game's (tests).
void ResetEffectPool();

// Boxes of the effects: from the two corners, and around a centre with a half-size.
AxisBox EffectBox(const Vec3& maxCorner, const Vec3& minCorner);
AxisBox EffectBoxAround(const Vec3& centre, float halfSize);

// What an explosion reaches: fighters whose position raised by BLAST_RAISE, and props whose
// surface, lie nearer than BLAST_REACH to it.
constexpr float BLAST_REACH = 5.0f;
constexpr float BLAST_RAISE = 0.75f;
struct BlastHits {
    int fighterCount = 0;
    Character* fighters[MAX_CHARACTERS] = {};
    float damage[MAX_CHARACTERS] = {};
    int propCount = 0;
    DynamicObject* props[PROP_BALL_COUNT] = {};
    Vec3 towardBlast[PROP_BALL_COUNT] = {};   // unit, from the prop's centre; zero at the centre
    float force[PROP_BALL_COUNT] = {};
};
// The amount an explosion deals at a distance: the full strength at 0, falling linearly to
// nothing at BLAST_REACH.
float BlastAmount(float distance);
// The fighters in use and the props of the first pool that an explosion at the centre reaches,
// with their damage and push; the push is scaled by the owner's effective power when there is
// an owner.
void CollectBlastHits(const Vec3& centre, const Character* owner, BlastHits* out);

// What a ray of an effect met first.
struct SegmentHit {
    Vec3 point{};
    Vec3 normal{};
    Character* fighter = nullptr;
    DynamicObject* prop = nullptr;
    bool special = false;           // a water or lava surface
};

// How the explosion hands out its damage and pushes, and what the effects' rays meet; each entry
// starts at the game's own operation, and tests replace them.
struct EffectHitCalls {
    bool (*damageCharacter)(EffectSlot& slot, Character* victim, const Vec3& hitPoint, float damage);
    bool (*pushProp)(EffectSlot& slot, DynamicObject* prop, const Vec3& direction, float force);
    // The scenario's ray (unit direction) against the world, the fighters but the one ignored,
    // and the props.
    bool (*rayQuery)(const Vec3& from, const Vec3& direction, float length, Character* ignore, SegmentHit* out);
};
extern EffectHitCalls g_EffectHitCalls;
// The game's ray: Scenario::RayQuery with the effects' surface mask.
bool ScenarioSegmentQuery(const Vec3& from, const Vec3& direction, float length, Character* ignore, SegmentHit* out);
void ResetEffectHitCalls();
