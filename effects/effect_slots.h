// The effect pool as the world and the fighters reach it: effects are asked for by type, kept by
// their slot index (-1 none) and moved, stopped or freed through it. The calls reach the pool of
// effects/effect_pool.h; tests put a pool of their own in.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class SpriteMover;

constexpr int EFFECT_SLOT_COUNT = 1500;
constexpr int EFFECT_TYPE_COUNT = 98;
constexpr int32_t EFFECT_NO_SLOT = -1;
// A lifetime of -1 lasts until the effect is stopped.
constexpr int32_t EFFECT_ENDLESS = -1;

struct EffectCalls {
    // Slot 0-1499, or -1 for the first free one; returns the slot used, -1 when none.
    int32_t (*create)(int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint, const Vec3& velocity,
                      const Vec3& acceleration, const Vec3& direction, int32_t durationMs, float scale,
                      uint32_t colour, Character* owner);
    // The type's own lifetime in ms (-1 until stopped).
    int32_t (*typeLifetime)(int32_t type);
    bool (*inUse)(int32_t slot);
    // The type of the effect in a slot in use, -1 otherwise.
    int32_t (*typeOf)(int32_t slot);
    void (*setPosition)(int32_t slot, const Vec3& position);
    // Ends the effect over the fade; nothing when already stopped.
    void (*stop)(int32_t slot, uint32_t fadeMs);
    void (*free)(int32_t slot);
    // The effect's group keeps (or stops) culling itself against the view.
    void (*setCullBoxOn)(int32_t slot, bool on);
    // A new sprite for the caller to set up and hand to an effect list, which then owns it;
    // null for none.
    SpriteMover* (*newSprite)();
    // The position and the direction vector of the effect in a slot.
    Vec3 (*positionOf)(int32_t slot);
    Vec3 (*facingOf)(int32_t slot);
    // Portal effects (types 63 and 64) turn to face (sin a, 0, cos a); other types stay as they are.
    void (*setDirection)(int32_t slot, float angle);
    // The angle last given to a portal effect.
    float (*getDirection)(int32_t slot);
    // The fighter the effect in a slot seeks (null none).
    void (*setTarget)(int32_t slot, Character* target);
    // The point an effect that moves by itself heads for (the search objects).
    void (*setTargetPoint)(int32_t slot, const Vec3& target);
    Vec3 (*targetPointOf)(int32_t slot);
    // A ground decal: texture file, centre, radius, direction of the faces it may lie on (zero
    // rejects none), lifetime, fade-in and fade-out in ms.
    void (*createDecal)(const char* texture, const Vec3& centre, float radius, const Vec3& direction,
                        uint32_t lifetimeMs, uint32_t fadeInMs, uint32_t fadeOutMs);
    // Who made the effect in a slot (null none), its velocity, and whether it was stopped.
    Character* (*ownerOf)(int32_t slot);
    Vec3 (*velocityOf)(int32_t slot);
    bool (*stoppedOf)(int32_t slot);
    // One frame of every effect in use, and the end of all of them.
    void (*updateAll)(uint32_t frameMs);
    void (*releaseAll)();
    // Every effect in use that names the fighter as its maker or as the one it seeks drops it.
    void (*forgetFighter)(const Character* fighter);
};
extern EffectCalls g_EffectCalls;
void ResetEffectCalls();

int32_t CreateEffect(int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint, const Vec3& velocity,
                     const Vec3& acceleration, const Vec3& direction, int32_t durationMs, float scale, uint32_t colour,
                     Character* owner);
// An effect placed by the element map: the first free slot at the point, aimed at it, with the
// type's lifetime, size and colour; the seeker (type 65) starts with velocity (1, 1, 1).
int32_t CreateEffectAt(int32_t type, float x, float y, float z);
int32_t EffectTypeLifetime(int32_t type);
bool EffectSlotInUse(int32_t slot);
int32_t EffectSlotType(int32_t slot);
void EffectSlotSetPosition(int32_t slot, const Vec3& position);
void EffectSlotStop(int32_t slot, uint32_t fadeMs);
void EffectSlotFree(int32_t slot);
// What a glow does as it is attached to a fighter: it keeps updating out of view.
void EffectSlotStart(int32_t slot);
SpriteMover* NewEffectSprite();
// Zero for a slot outside the pool.
Vec3 EffectSlotPosition(int32_t slot);
// The slot's direction vector; zero for a slot outside the pool.
Vec3 EffectSlotFacing(int32_t slot);
void EffectSlotSetDirection(int32_t slot, float angle);
// 0 for a slot outside the pool.
float EffectSlotGetDirection(int32_t slot);
void EffectSlotSetTarget(int32_t slot, Character* target);
void EffectSlotSetTargetPoint(int32_t slot, const Vec3& target);
// Zero for a slot outside the pool.
Vec3 EffectSlotTargetPoint(int32_t slot);
void CreateDecal(const char* texture, const Vec3& centre, float radius, const Vec3& direction, uint32_t lifetimeMs,
                 uint32_t fadeInMs, uint32_t fadeOutMs);
// Null, zero and false for a slot outside the pool or a table without the call.
Character* EffectSlotOwner(int32_t slot);
Vec3 EffectSlotVelocity(int32_t slot);
// In use and not stopped.
bool EffectSlotIsPlain(int32_t slot);
// A fighter leaving the match: no effect goes on crediting or seeking its record, which the next
// fighter given its slot takes over. Nothing for a table without the call.
void EffectSlotsForgetFighter(const Character* fighter);
