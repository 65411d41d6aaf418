#include "effects/effect_slots.h"

#include <new>

#include "effects/decal.h"
#include "effects/effect_group.h"
#include "effects/effect_pool.h"
#include "effects/effect_type_table.h"
#include "effects/sprite_mover.h"

namespace {

// The pool's own operations; a free slot answers as the pool leaves it.
EffectCalls PoolCalls() {
    EffectCalls e;
    e.create = [](int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint, const Vec3& velocity,
                  const Vec3& acceleration, const Vec3& direction, int32_t durationMs, float scale, uint32_t colour,
                  Character* owner) {
        return CreateEffectInPool(EffectRequest{slot, type, position, aimPoint, velocity, acceleration, direction,
                                                durationMs, scale, colour, owner});
    };
    e.typeLifetime = [](int32_t type) {
        return IsEffectType(type) ? EFFECT_TYPE_TABLE[type].lifetime : EFFECT_ENDLESS;
    };
    e.inUse = [](int32_t slot) { return g_EffectSlots[slot].active != 0; };
    e.typeOf = [](int32_t slot) { return g_EffectSlots[slot].active ? g_EffectSlots[slot].type : int32_t(-1); };
    e.setPosition = [](int32_t slot, const Vec3& position) { g_EffectSlots[slot].SetPosition(position); };
    e.stop = [](int32_t slot, uint32_t fadeMs) { g_EffectSlots[slot].Stop(fadeMs); };
    e.free = [](int32_t slot) { g_EffectSlots[slot].Free(); };
    e.setCullBoxOn = [](int32_t slot, bool on) {
        if (EffectGroup* group = g_EffectSlots[slot].group) group->SetCullBoxOn(on);
    };
    e.positionOf = [](int32_t slot) { return g_EffectSlots[slot].position; };
    e.facingOf = [](int32_t slot) { return g_EffectSlots[slot].direction; };
    e.setDirection = [](int32_t slot, float angle) { g_EffectSlots[slot].SetDirection(angle); };
    e.getDirection = [](int32_t slot) { return g_EffectSlots[slot].GetDirection(); };
    e.newSprite = []() -> SpriteMover* { return new (std::nothrow) SpriteMover; };
    e.setTarget = [](int32_t slot, Character* target) { g_EffectSlots[slot].target = target; };
    e.setTargetPoint = [](int32_t slot, const Vec3& target) { g_EffectSlots[slot].aimPoint = target; };
    e.targetPointOf = [](int32_t slot) { return g_EffectSlots[slot].aimPoint; };
    e.createDecal = [](const char* texture, const Vec3& centre, float radius, const Vec3& direction,
                       uint32_t lifetimeMs, uint32_t fadeInMs, uint32_t fadeOutMs) {
        CreateSceneDecal(texture, centre, radius, direction, lifetimeMs, fadeInMs, fadeOutMs);
    };
    e.ownerOf = [](int32_t slot) { return g_EffectSlots[slot].owner; };
    e.velocityOf = [](int32_t slot) { return g_EffectSlots[slot].velocity; };
    e.stoppedOf = [](int32_t slot) { return g_EffectSlots[slot].stopped != 0; };
    e.updateAll = [](uint32_t) {
        for (EffectSlot& s : g_EffectSlots)
            if (s.active) s.Update();
    };
    e.releaseAll = [] {
        for (EffectSlot& s : g_EffectSlots)
            if (s.active) s.Free();
    };
    e.forgetFighter = [](const Character* fighter) {
        for (EffectSlot& s : g_EffectSlots) s.ForgetFighter(fighter);
    };
    return e;
}

bool IsSlot(int32_t slot) { return slot >= 0 && slot < EFFECT_SLOT_COUNT; }

}  // namespace

EffectCalls g_EffectCalls = PoolCalls();

void ResetEffectCalls() { g_EffectCalls = PoolCalls(); }

int32_t CreateEffect(int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint, const Vec3& velocity,
                     const Vec3& acceleration, const Vec3& direction, int32_t durationMs, float scale, uint32_t colour,
                     Character* owner) {
    if (type < 0 || type >= EFFECT_TYPE_COUNT) return EFFECT_NO_SLOT;
    const int32_t made = g_EffectCalls.create(slot, type, position, aimPoint, velocity, acceleration, direction,
                                              durationMs, scale, colour, owner);
    return IsSlot(made) ? made : EFFECT_NO_SLOT;
}

int32_t CreateEffectAt(int32_t type, float x, float y, float z) {
    const Vec3 at{x, y, z};
    // The seeker is the one element that moves by itself.
    const Vec3 velocity = type == 65 ? Vec3{1.0f, 1.0f, 1.0f} : Vec3{};
    return CreateEffect(EFFECT_NO_SLOT, type, at, at, velocity, Vec3{}, Vec3{}, EffectTypeLifetime(type), 0.0f, 0,
                        nullptr);
}

int32_t EffectTypeLifetime(int32_t type) {
    return type >= 0 && type < EFFECT_TYPE_COUNT ? g_EffectCalls.typeLifetime(type) : EFFECT_ENDLESS;
}

bool EffectSlotInUse(int32_t slot) { return IsSlot(slot) && g_EffectCalls.inUse(slot); }

int32_t EffectSlotType(int32_t slot) { return EffectSlotInUse(slot) ? g_EffectCalls.typeOf(slot) : -1; }

void EffectSlotSetPosition(int32_t slot, const Vec3& position) {
    if (IsSlot(slot)) g_EffectCalls.setPosition(slot, position);
}

void EffectSlotStop(int32_t slot, uint32_t fadeMs) {
    if (IsSlot(slot)) g_EffectCalls.stop(slot, fadeMs);
}

void EffectSlotFree(int32_t slot) {
    if (IsSlot(slot)) g_EffectCalls.free(slot);
}

void EffectSlotStart(int32_t slot) {
    if (IsSlot(slot)) g_EffectCalls.setCullBoxOn(slot, false);
}

SpriteMover* NewEffectSprite() { return g_EffectCalls.newSprite(); }

Vec3 EffectSlotPosition(int32_t slot) { return IsSlot(slot) ? g_EffectCalls.positionOf(slot) : Vec3{}; }

Vec3 EffectSlotFacing(int32_t slot) { return IsSlot(slot) ? g_EffectCalls.facingOf(slot) : Vec3{}; }

void EffectSlotSetDirection(int32_t slot, float angle) {
    if (IsSlot(slot)) g_EffectCalls.setDirection(slot, angle);
}

float EffectSlotGetDirection(int32_t slot) { return IsSlot(slot) ? g_EffectCalls.getDirection(slot) : 0.0f; }

void EffectSlotSetTarget(int32_t slot, Character* target) {
    if (IsSlot(slot)) g_EffectCalls.setTarget(slot, target);
}

void EffectSlotSetTargetPoint(int32_t slot, const Vec3& target) {
    if (IsSlot(slot)) g_EffectCalls.setTargetPoint(slot, target);
}

Vec3 EffectSlotTargetPoint(int32_t slot) { return IsSlot(slot) ? g_EffectCalls.targetPointOf(slot) : Vec3{}; }

void CreateDecal(const char* texture, const Vec3& centre, float radius, const Vec3& direction, uint32_t lifetimeMs,
                 uint32_t fadeInMs, uint32_t fadeOutMs) {
    if (texture) g_EffectCalls.createDecal(texture, centre, radius, direction, lifetimeMs, fadeInMs, fadeOutMs);
}

Character* EffectSlotOwner(int32_t slot) {
    return IsSlot(slot) && g_EffectCalls.ownerOf ? g_EffectCalls.ownerOf(slot) : nullptr;
}

Vec3 EffectSlotVelocity(int32_t slot) {
    return IsSlot(slot) && g_EffectCalls.velocityOf ? g_EffectCalls.velocityOf(slot) : Vec3{};
}

bool EffectSlotIsPlain(int32_t slot) {
    return EffectSlotInUse(slot) && !(g_EffectCalls.stoppedOf && g_EffectCalls.stoppedOf(slot));
}

void EffectSlotsForgetFighter(const Character* fighter) {
    if (fighter && g_EffectCalls.forgetFighter) g_EffectCalls.forgetFighter(fighter);
}
