#include "effects/effect_pool.h"

#include <algorithm>
#include <cmath>

#include "core/debug_log.h"
#include "effects/effect_group.h"
#include "effects/effect_list.h"
#include "effects/effect_recipe.h"
#include "effects/effect_type_table.h"
#include "effects/effects.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"
#include "fighters/power_table.h"
#include "scene/scene.h"

EffectSlot g_EffectSlots[EFFECT_SLOT_COUNT];
int32_t g_ActiveEffectCount = 0;

namespace {

constexpr int32_t kExplosion = 32;
constexpr int32_t kFirstPortal = 63;
constexpr int32_t kLastPortal = 64;

// At exit the effects still alive are freed while the slots still exist.
struct FreeAtExit {
    ~FreeAtExit() { ReleaseEffects(); }
} g_FreeAtExit;

EffectHitCalls SlotHitCalls() {
    EffectHitCalls c;
    c.damageCharacter = [](EffectSlot& slot, Character* victim, const Vec3& hitPoint, float damage) {
        return slot.DamageCharacter(victim, hitPoint, damage);
    };
    c.pushProp = [](EffectSlot& slot, DynamicObject* prop, const Vec3& direction, float force) {
        return slot.PushProp(prop, direction, force);
    };
    c.rayQuery = ScenarioSegmentQuery;
    return c;
}

int32_t FirstFreeSlot() {
    for (int32_t i = 0; i < EFFECT_SLOT_COUNT; ++i)
        if (!g_EffectSlots[i].active) return i;
    return EFFECT_NO_SLOT;
}

}  // namespace

EffectHitCalls g_EffectHitCalls = SlotHitCalls();

void ResetEffectHitCalls() { g_EffectHitCalls = SlotHitCalls(); }

EffectSlot* EffectSlotAt(int32_t slot) {
    return slot >= 0 && slot < EFFECT_SLOT_COUNT ? &g_EffectSlots[slot] : nullptr;
}

int32_t CreateEffectInPool(const EffectRequest& request) {
    if (!IsEffectType(request.type)) {
        WriteDebugLogF("CreateEffect: no effect type %d", request.type);
        return EFFECT_NO_SLOT;
    }
    // The compound effect belongs to the scene's effect list: without one it would have no owner.
    if (!g_Scene.effects) return EFFECT_NO_SLOT;
    int32_t slot = request.slot;
    if (slot < 0 || slot >= EFFECT_SLOT_COUNT)
        slot = FirstFreeSlot();
    else if (g_EffectSlots[slot].active)
        return EFFECT_NO_SLOT;
    if (slot == EFFECT_NO_SLOT) return EFFECT_NO_SLOT;
    EffectSlot& s = g_EffectSlots[slot];
    EffectRequest placed = request;
    placed.slot = slot;
    if (!s.Setup(placed)) {
        WriteDebugLogF("CreateEffect: out of memory for an effect of type %d", request.type);
        return EFFECT_NO_SLOT;
    }
    if (s.type == kExplosion) s.Explode();
    return slot;
}

int32_t EffectSlot::Free() {
    if (!active) return g_ActiveEffectCount;
    active = 0;
    owner = nullptr;
    if (group) {
        // A list that no longer holds the group deleted it already (the scene went first).
        if (g_Scene.effects) g_Scene.effects->Delete(group);
        group = nullptr;
    }
    return --g_ActiveEffectCount;
}

void ResetEffectPool() {
    ReleaseEffects();
    for (EffectSlot& s : g_EffectSlots) s = EffectSlot{};
    g_ActiveEffectCount = 0;
    ResetEffectHitCalls();
    ResetEffectRecipes();
}

void EffectSlot::Update() {
    if (!active) return;
    if (AllChildrenFinished()) {
        Free();
        return;
    }
    UpdateByType();
}

bool EffectSlot::AllChildrenFinished() const {
    if (!group) return false;
    for (uint32_t i = 0; i < group->childCount; ++i) {
        PositionedObject* child = group->children[i];
        if (child && !child->IsFinished() && child->kind != KIND_BOLT) return false;
    }
    return true;
}

void EffectSlot::Stop(uint32_t timeMs) {
    if (!group || stopped) return;
    const int32_t lifetime = int32_t(std::min<uint32_t>(timeMs, INT32_MAX));
    for (uint32_t i = 0; i < group->childCount; ++i) {
        PositionedObject* child = group->children[i];
        if (!child) continue;
        if (child->kind == KIND_SPRITE_MOVER) {
            if (auto* sprite = dynamic_cast<SpriteMover*>(child)) {
                sprite->lifetime = lifetime;
                sprite->age = 0;
            }
        } else if (child->kind == KIND_PARTICLE_EMITTER) {
            if (auto* emitter = dynamic_cast<ParticleEmitter*>(child)) {
                emitter->lifetime = lifetime;
                emitter->elapsed = 0;
            }
        }
    }
    // Out of view it must still run out.
    group->SetCullBoxOn(false);
    stopped = 1;
}

void EffectSlot::SetPosition(const Vec3& p) {
    if (!group) return;
    position = p;
    group->SetPosition(p);
}

void EffectSlot::SetDirection(float angle) {
    if (!group || type < kFirstPortal || type > kLastPortal) return;
    direction = Vec3{SinF(angle), 0.0f, CosF(angle)};
    for (uint32_t i = 0; i < group->childCount; ++i) {
        PositionedObject* child = group->children[i];
        if (!child || child->kind != KIND_PARTICLE_EMITTER) continue;
        auto* emitter = dynamic_cast<ParticleEmitter*>(child);
        if (!emitter) continue;
        emitter->SetupVariant(direction.x, direction.y, direction.z, -Vec3Dot(position, direction));
        emitter->particleTemplate.facingDirection = direction;
    }
}

float EffectSlot::GetDirection() const { return std::atan2(direction.x, direction.z); }

int32_t EffectSlot::PowerIndex() const {
    if (type >= 0 && type < 10) return type;
    if (type >= 10 && type < 20) return type - 10;
    return -1;
}

AxisBox EffectBox(const Vec3& maxCorner, const Vec3& minCorner) { return AxisBox{maxCorner, minCorner}; }

AxisBox EffectBoxAround(const Vec3& centre, float halfSize) {
    const Vec3 r{halfSize, halfSize, halfSize};
    return AxisBox{Vec3Add(centre, r), Vec3Sub(centre, r)};
}

float BlastAmount(float distance) {
    // The damage of side 1's power 3, whose projectile leaves the explosion.
    const float strength = PowerRowOf(1, 3).damage;
    return distance < BLAST_REACH ? (1.0f - 0.2f * distance) * strength : 0.0f;
}

void CollectBlastHits(const Vec3& centre, const Character* owner, BlastHits* out) {
    *out = BlastHits{};
    for (Character& c : g_Characters) {
        if (!c.active) continue;
        const Vec3 chest = Vec3Add(c.position, Vec3{0.0f, BLAST_RAISE, 0.0f});
        const float d = Vec3Length(Vec3Sub(centre, chest));
        if (!(d < BLAST_REACH)) continue;
        out->fighters[out->fighterCount] = &c;
        out->damage[out->fighterCount++] = BlastAmount(d);
    }
    const float power = owner ? owner->EffectivePower() : 1.0f;
    for (DynamicObject& prop : g_Balls) {
        if (!prop.InUse()) continue;
        const Vec3 toward = Vec3Sub(centre, prop.position);
        const float between = Vec3Length(toward);
        const float d = between - prop.radius;
        if (!(d < BLAST_REACH)) continue;
        out->props[out->propCount] = &prop;
        out->towardBlast[out->propCount] = between < 1e-6f ? Vec3{} : Vec3Scale(toward, 1.0f / between);
        out->force[out->propCount++] = BlastAmount(d) * power;
    }
}

void EffectSlot::Explode() {
    BlastHits hits;
    CollectBlastHits(position, owner, &hits);
    for (int i = 0; i < hits.fighterCount; ++i)
        g_EffectHitCalls.damageCharacter(*this, hits.fighters[i], position, hits.damage[i]);
    for (int i = 0; i < hits.propCount; ++i)
        g_EffectHitCalls.pushProp(*this, hits.props[i], hits.towardBlast[i], hits.force[i]);
}
