#include "effects/effect_slots.h"

namespace {

// The effect pool fills these: until then no slot is ever free.
EffectCalls NoPool() {
    EffectCalls e;
    e.create = [](int32_t, int32_t, const Vec3&, const Vec3&, const Vec3&, const Vec3&, const Vec3&, int32_t, float,
                  uint32_t, Character*) { return EFFECT_NO_SLOT; };
    e.typeLifetime = [](int32_t) { return EFFECT_ENDLESS; };
    e.inUse = [](int32_t) { return false; };
    e.typeOf = [](int32_t) { return int32_t(-1); };
    e.setPosition = [](int32_t, const Vec3&) {};
    e.stop = [](int32_t, uint32_t) {};
    e.free = [](int32_t) {};
    e.setCullBoxOn = [](int32_t, bool) {};
    e.newSprite = []() -> SpriteMover* { return nullptr; };
    e.positionOf = [](int32_t) { return Vec3{}; };
    e.facingOf = [](int32_t) { return Vec3{}; };
    e.setDirection = [](int32_t, float) {};
    e.getDirection = [](int32_t) { return 0.0f; };
    e.setTarget = [](int32_t, const Vec3&) {};
    e.targetOf = [](int32_t) { return Vec3{}; };
    // The decals fill this.
    e.createDecal = [](const char*, const Vec3&, float, const Vec3&, uint32_t, uint32_t, uint32_t) {};
    return e;
}

bool IsSlot(int32_t slot) { return slot >= 0 && slot < EFFECT_SLOT_COUNT; }

}  // namespace

EffectCalls g_EffectCalls = NoPool();

void ResetEffectCalls() { g_EffectCalls = NoPool(); }

int32_t CreateEffect(int32_t slot, int32_t type, const Vec3& position, const Vec3& aimPoint, const Vec3& velocity,
                     const Vec3& acceleration, const Vec3& direction, int32_t durationMs, float scale, uint32_t colour,
                     Character* owner) {
    if (type < 0 || type >= EFFECT_TYPE_COUNT) return EFFECT_NO_SLOT;
    const int32_t made = g_EffectCalls.create(slot, type, position, aimPoint, velocity, acceleration, direction,
                                              durationMs, scale, colour, owner);
    return IsSlot(made) ? made : EFFECT_NO_SLOT;
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

void EffectSlotSetTarget(int32_t slot, const Vec3& target) {
    if (IsSlot(slot)) g_EffectCalls.setTarget(slot, target);
}

Vec3 EffectSlotTarget(int32_t slot) { return IsSlot(slot) ? g_EffectCalls.targetOf(slot) : Vec3{}; }

void CreateDecal(const char* texture, const Vec3& centre, float radius, const Vec3& direction, uint32_t lifetimeMs,
                 uint32_t fadeInMs, uint32_t fadeOutMs) {
    if (texture) g_EffectCalls.createDecal(texture, centre, radius, direction, lifetimeMs, fadeInMs, fadeOutMs);
}
