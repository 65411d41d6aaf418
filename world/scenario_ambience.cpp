// The scenario's living surroundings by its table row: rain that follows the local fighter with
// lightning and ripples, drifting glow motes and lava bubbles; and the white flash.
#include "world/scenario.h"

#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/ambient_effects.h"
#include "effects/effect_list.h"
#include "effects/sprite_mover.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "frontend/menu.h"
#include "render/geometry.h"
#include "render/texture_manager.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/water.h"
#include "world/scenario_calls.h"
#include "world/world_seams.h"

namespace {

// The rain box around the emitter, which is kept above the local fighter.
constexpr Vec3 kRainBoxMax{20.0f, 2.0f, 20.0f};
constexpr Vec3 kRainBoxMin{-20.0f, -2.0f, -20.0f};
constexpr int32_t kRainRate = 700;
constexpr uint32_t kRainWarmUpMs = 1000;
constexpr float kRainAbove = 18.0f;
constexpr float kRainSnapDistance = 10.0f;
constexpr float kRainFloorBelow = 22.0f;   // the drops end 4 below the fighter

constexpr uint32_t kLightningIdleMs = 1001;
constexpr int kThunderSound = 183;         // or the next one

constexpr int kRippleEveryMs = 5;
constexpr float kRippleReach = 20.0f;
constexpr float kRippleProbe = 0.01f;      // above the water, and as far below
constexpr uint32_t kWaterSurface = 2;

constexpr uint32_t kGlowMoteEveryMs = 100;
constexpr const char* kGlowMoteTexture = "Texturas\\Efectos\\Glow04.tga";

constexpr uint32_t kLavaSurface = 4;
// Bubbles per square unit of map and hour.
constexpr double kBubbleRate = 5.0;
constexpr double kMsPerHour = 3600000.0;
// Bounds from a damaged file must not stall a frame.
constexpr double kMaxBubblesPerStep = 4096.0;

// The random offsets are on a grid of 1/100 unit; the bubbles' points on one of 1/10.
constexpr int kOffsetSteps = 100;
constexpr int kBubbleSteps = 10;

// A value from lo to hi on a grid of 1/steps, from the scenario's generator.
float RandomOnGrid(float lo, float hi, int steps) {
    const float span = (hi - lo) * float(steps);
    const int points = span >= float(RANDOM_MAX) ? RANDOM_MAX : span > 0.0f ? int(span) : 0;
    return lo + float(g_ScenarioCalls.random() % (points + 1)) / float(steps);
}

// The list owns what it takes; what it cannot take goes at once.
void AddToSceneEffects(PositionedObject* effect) {
    if (effect && !(g_Scene.effects && g_Scene.effects->Add(effect))) delete effect;
}

Character* LocalFighter() { return g_FighterShellCalls.localFighter(); }

const WaterObject* FirstWater() {
    if (!g_Scene.waters || !g_Scene.waters->head) return nullptr;
    return dynamic_cast<const WaterObject*>(g_Scene.waters->head->object);
}

bool HitsDown(const Vec3& from, float length, uint32_t surface, Vec3* hit) {
    Ray ray{{0.0f, -1.0f, 0.0f}, from};
    return g_Scene.RayQuery(&ray, length, hit, nullptr, nullptr, surface);
}

// A sequence is armed now and then, starts with a chance each frame and runs three more flashes
// at fixed times after the first.
void UpdateLightning() {
    const uint32_t now = GetTime(CLOCK_MATCH);
    const uint32_t e = GetElapsed(CLOCK_MATCH, g_LightningTime);
    const ScenarioCalls& call = g_ScenarioCalls;
    if (e >= kLightningIdleMs) {
        if (call.random() % 11 != 0)
            g_LightningTime = now;
        else
            g_LightningCounter = 0;
    }
    switch (g_LightningCounter) {
    case 0:
        if (call.random() % 101 == 0) {
            SpawnFlash(250, true);
            g_LightningTime = now;
            g_LightningCounter = 1;
        }
        break;
    case 1:
        if (e > 200 && e < 300) {
            SpawnFlash(150 + uint32_t(call.random() % 201), true);
            g_LightningCounter = 2;
        }
        break;
    case 2:
        if (e > 400 && e < 500) {
            if (call.random() % 2 == 0) SpawnFlash(100 + uint32_t(call.random() % 201), true);
            g_LightningCounter = 3;
        }
        break;
    case 3:
        if (e > 450 && e < 550) {
            if (call.random() % 2 == 0) SpawnFlash(100 + uint32_t(call.random() % 101), true);
            g_LightningCounter = LIGHTNING_NONE;
        }
        break;
    default:
        break;
    }
}

SpriteMoverTemplate RippleTemplate(const Vec3& at, int32_t texture) {
    SpriteMoverTemplate t{};
    t.lifetime = 300;
    t.position = at;
    // Flat on the water, growing and fading out.
    t.facingDirection = Vec3{0.0f, 1.0f, 0.0f};
    t.fadeNear = 100.0f;
    t.fadeFar = 150.0f;
    t.colourStart = 0xffc8c8c8u;
    t.sizeStart = 0.001f;
    t.sizeEnd = 1.0f;
    t.texture = texture;
    t.colourFlags = CURVE_TWO_KEYS;
    t.sizeFlags = CURVE_TWO_KEYS;
    t.blendMode = 2;
    t.drawFlags = SPRITE_FIXED_FACING;
    return t;
}

void SpawnRipples(int attempts, const Vec3& around, float waterLevel, int32_t texture) {
    for (int i = 0; i < attempts; ++i) {
        Vec3 p = around;
        p.x += RandomOnGrid(-kRippleReach, kRippleReach, kOffsetSteps);
        p.z += RandomOnGrid(-kRippleReach, kRippleReach, kOffsetSteps);
        p.y = waterLevel + kRippleProbe;
        Vec3 hit{};
        if (HitsDown(p, 2.0f * kRippleProbe, kWaterSurface, &hit))
            AddToSceneEffects(g_ScenarioCalls.newRipple(RippleTemplate(hit, texture)));
    }
}

}  // namespace

void Scenario::SetupRain(bool enable) {
    if (!row || !row->rain) return;
    if (!enable) {
        g_Scene.SetAmbientEffect(nullptr);
        g_Settings.rain = 0;
        return;
    }
    const float unit = 1.0f / std::sqrt(1.08f);
    const RainDropParameters drops{
        {0.0f, 0.0f, 0.0f}, 0.7f, -5.0f, {0.2f * unit, -1.0f * unit, 0.2f * unit}, 15.0f, 0x00ffffffu, 0x80006496u};
    g_ScenarioCalls.rainInit(&rain, kRainBoxMax, kRainBoxMin, kRainRate, drops, 0);
    g_Scene.SetAmbientEffect(&rain);
    // Rain is already falling when the match starts.
    g_ScenarioCalls.rainUpdate(&rain, kRainWarmUpMs);
    g_Settings.rain = 1;
}

void Scenario::UpdateAmbient(int frameMs) {
    if (g_Menu.active) return;
    const int dt = frameMs > 0 ? frameMs : 0;
    if (g_Settings.mode == 0 && row) {
        if (row->rain) UpdateRain(dt);
        if (row->glowMotes) SpawnGlowMotes();
        if (row->bubbles) SpawnBubbles(dt);
    }
    g_ScenarioCalls.updateDynamicObjects();
    g_ScenarioCalls.updateAllItems();
}

void Scenario::UpdateRain(int frameMs) {
    const Character* local = LocalFighter();
    if (!local) return;
    const ScenarioCalls& call = g_ScenarioCalls;
    const Vec3 target = Vec3Add(local->position, Vec3{0.0f, kRainAbove, 0.0f});
    Vec3 at{};
    rain.GetPosition(&at);
    if (Vec3Length(Vec3Sub(at, target)) <= kRainSnapDistance)
        call.rainSetPosition(&rain, target);
    else
        call.rainMoveTo(&rain, target);
    call.rainSetFloor(&rain, target.y - kRainFloorBelow);

    UpdateLightning();

    if (const WaterObject* water = FirstWater())
        SpawnRipples(frameMs / kRippleEveryMs, local->position, water->level, ripple0);
}

void Scenario::SpawnGlowMotes() {
    const Character* local = LocalFighter();
    if (!local || GetElapsed(CLOCK_MATCH, g_GlowMoteTime) < kGlowMoteEveryMs) return;
    g_GlowMoteTime = GetTime(CLOCK_MATCH);
    GlowMoteParams p{};
    p.position = local->position;
    p.position.x += RandomOnGrid(-15.0f, 15.0f, kOffsetSteps);
    p.position.y += RandomOnGrid(1.0f, 5.0f, kOffsetSteps);
    p.position.z += RandomOnGrid(-15.0f, 15.0f, kOffsetSteps);
    p.size = 0.05f;
    p.lifetime = 5000;
    const float drift = RandomOnGrid(-1.0f, 1.0f, kOffsetSteps);
    p.direction = Vec3{drift, drift, drift};
    p.speedMin = 0.0f;
    p.speedMax = 5.0f;
    p.turnPeriod = 1500;
    p.colour = uint32_t(-58);
    p.fadeTime = 500;
    p.trailCount = 4;
    p.texture = g_Scene.textures ? g_Scene.textures->LoadTexture(kGlowMoteTexture, true, true, true) : -1;
    AddToSceneEffects(g_ScenarioCalls.newGlowMotes(p, 1));
}

void Scenario::SpawnBubbles(int frameMs) {
    if (!LocalFighter()) return;
    bubbleTime += uint32_t(frameMs > 0 ? frameMs : 0);
    const float width = pathMap.max.x - pathMap.min.x;
    const float depth = pathMap.max.z - pathMap.min.z;
    const float area = std::trunc(depth * width);
    // Whole milliseconds and square units keep the count exact at its thresholds.
    double n = area > 0.0f ? std::trunc(double(area) * kBubbleRate * double(bubbleTime) / kMsPerHour) : 0.0;
    if (!(n >= 1.0)) return;
    bubbleTime = 0;
    if (n > kMaxBubblesPerStep) n = kMaxBubblesPerStep;
    const float drop = (pathMap.max.y - pathMap.min.y) + 1.0f;
    for (int i = 0; i < int(n); ++i) {
        const float x = pathMap.min.x + RandomOnGrid(0.0f, width, kBubbleSteps);
        const float z = pathMap.min.z + RandomOnGrid(0.0f, depth, kBubbleSteps);
        Vec3 hit{};
        if (HitsDown(Vec3{x, pathMap.max.y, z}, drop, kLavaSurface, &hit))
            AddToSceneEffects(g_ScenarioCalls.newBubble(hit));
    }
}

void SpawnFlash(uint32_t durationMs, bool withSound) {
    AddToSceneEffects(g_ScenarioCalls.newFlash(durationMs, durationMs / 3, 0xffffffffu, 1));
    if (!withSound) return;
    const int sound = kThunderSound + (g_ScenarioCalls.random() & 1);
    const Character* local = LocalFighter();
    g_FighterShellCalls.playFx(sound, local ? &local->position : nullptr, 0);
}
