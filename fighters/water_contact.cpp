// A fighter in shallow water: a splash with a sound on going in or out, a wake behind it while it
// moves and rings around it while it stands.
#include <cmath>

#include "common/random.h"
#include "effects/effect_list.h"
#include "effects/effect_slots.h"
#include "effects/sprite_mover.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "render/geometry.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "world/scenario.h"

namespace {

constexpr float kWaterReach = 1.5f;
constexpr uint32_t kWaterFromBelow = 258;
constexpr int kSplashEffect = 86;
constexpr int kSplashSound = 261;
constexpr float kWading = 2.0f;
constexpr uint32_t kWakePeriodMs = 30;
constexpr uint32_t kRingPeriodMs = 1500;
constexpr float kAboveWater = 0.001f;
constexpr float kShadowRingBelow = 0.015f;
constexpr int32_t kWakeLifetimeMs = 300;
constexpr int32_t kRingLifetimeMs = 4000;
constexpr uint32_t kWakeColour = 0xFF404040;
constexpr uint32_t kRingColour = 0xFFC8C8C8;
constexpr uint32_t kShadowRingColour = 0xFF323232;
constexpr uint8_t kAdditiveBlend = 2;

// The water surface less than the reach above the feet, seen from below.
bool WaterAbove(const Vec3& feet, float* surface) {
    if (!g_Scene.collisionOctree) return false;
    Ray ray{{0.0f, 1.0f, 0.0f}, feet};
    Vec3 hit{};
    if (!g_Scene.collisionOctree->RayQuery(&ray, kWaterReach, &hit, nullptr, nullptr, kWaterFromBelow)) return false;
    if (surface) *surface = hit.y;
    return true;
}

// A flat sprite lying on the water, fading out as it grows.
SpriteMoverTemplate WaterSprite(const Vec3& at, int32_t texture, int32_t lifetimeMs, uint32_t colour, float sizeEnd) {
    SpriteMoverTemplate t;
    t.lifetime = lifetimeMs;
    t.position = at;
    t.facingDirection = Vec3{0.0f, 1.0f, 0.0f};
    t.colourStart = colour;
    t.colourEnd = colour & 0x00FFFFFF;
    t.colourFlags = CURVE_TWO_KEYS;
    t.sizeStart = 0.1f * sizeEnd;
    t.sizeEnd = sizeEnd;
    t.sizeFlags = CURVE_TWO_KEYS;
    t.texture = texture;
    t.blendMode = kAdditiveBlend;
    t.drawFlags = SPRITE_FIXED_FACING;
    return t;
}

// Into the scene's first effect list, which runs and deletes it; advanced at once by the share.
void AddWaterSprite(const SpriteMoverTemplate& t, uint32_t advanceMs) {
    EffectList* list = g_Scene.effects;
    if (!list) return;
    SpriteMover* sprite = NewEffectSprite();
    if (!sprite) return;
    sprite->Init(&t, REMOVE_WHEN_FINISHED);
    if (advanceMs) sprite->Update(advanceMs);
    list->Add(sprite);
}

}  // namespace

bool Character::ProbeWater() { return WaterAbove(position, nullptr); }

void Character::WaterContactEffects(int frameMs) {
    if (frameMs <= 0) return;
    const uint32_t t = uint32_t(frameMs);
    const Vec3 way = Vec3Sub(position, waterPoint);
    const float speed = Vec3Length(way) / (float(t) * 0.001f);

    float surface = 0.0f;
    const bool in = WaterAbove(position, &surface);
    if (in != (inWater != 0) && actionClass != ACTION_CLASS_ENTRY) {
        const Vec3 zero{0.0f, 0.0f, 0.0f};
        const uint32_t fog = g_Scenario.row ? g_Scenario.row->fogColour : 0;
        CreateEffect(EFFECT_NO_SLOT, kSplashEffect, position, position, zero, zero, zero,
                     EffectTypeLifetime(kSplashEffect), 0.0f, fog, this);
        g_FighterShellCalls.playFx(kSplashSound, &position, 0);
    }
    inWater = in ? 1 : 0;
    if (!in) return;

    waterTime += t;
    if (speed >= kWading) {
        if (waterTime >= kWakePeriodMs) {
            const uint32_t n = waterTime / kWakePeriodMs;
            waterTime %= kWakePeriodMs;
            for (uint32_t k = 0; k < n; ++k) {
                const float share = float(k) / float(n);
                Vec3 at = Vec3Add(waterPoint, Vec3Scale(way, share));
                at.y = surface + kAboveWater;
                SpriteMoverTemplate wake = WaterSprite(at, g_Scenario.ripple1, kWakeLifetimeMs, kWakeColour, 1.5f);
                wake.angle = float(Random() % 6284) * 0.001f - kPi;
                wake.angleSpeed = float(Random() % 3142) * 0.001f - kPi / 2.0f;
                AddWaterSprite(wake, k * t / n);
            }
        }
    } else if (waterTime >= kRingPeriodMs) {
        const uint32_t n = waterTime / kRingPeriodMs;
        waterTime %= kRingPeriodMs;
        for (uint32_t k = 0; k < n; ++k) {
            const Vec3 at{position.x, surface + kAboveWater, position.z};
            AddWaterSprite(WaterSprite(at, g_Scenario.ripple0, kRingLifetimeMs, kRingColour, 3.0f), 0);
            const Vec3 under{at.x, at.y - kShadowRingBelow, at.z};
            AddWaterSprite(WaterSprite(under, g_Scenario.ripple0, kRingLifetimeMs, kShadowRingColour, 3.0f), 0);
        }
    }
    waterPoint = position;
}
