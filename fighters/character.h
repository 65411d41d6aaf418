#pragma once

#include <cstdint>

#include "common/math.h"
#include "world/path_map.h"

struct SkinParts;
class SkinImageCache;

// The cells a fighter plans to walk through, drawn by the test overlays.
struct PlannedPath {
    CellRef* cells = nullptr;
    int32_t count = 0;
    int32_t current = 0;
    uint8_t flag = 0;   // second colour set
};

// The fighter record; only the fields the shell reaches so far.
class Character {
public:
    uint8_t active;
    int32_t side;
    Vec3 position;
    float facing;       // radians
    uint8_t dead;
    uint8_t frozen;
    int32_t level;
    uint8_t inScene;    // model attached to the scene
    int32_t actionClass = 0;
    PlannedPath path;
    uint8_t invulnerable = 0;
    Character* target = nullptr;
    int32_t playerSlot = 0;
    uint32_t playerId = 0;
    uint8_t collideAbove = 0, collideFront = 0, collideBelow = 0;    // 0..14 from the current animation; 13 spawning, 14 rising

    Character() : active(0), side(0), position{}, facing(0), dead(0), frozen(0), level(0), inScene(0) {}

    void ChangeHealth(int amount, Character* attacker);
    void Respawn();
    void AttachToScene();
    void DetachFromScene();
    void StartFreeze(int durationMs, int fadeMs);
    void StopFreeze(int fadeMs);
    void SetLevel(int level, int a, int b);
    // The model's detail level from the camera distance.
    void SelectLevelOfDetail();
    // Composes the skin texture for a side from a look's layer numbers; false without a model.
    bool ComposeSkin(int side, const SkinParts& parts, SkinImageCache* cache);
    void SelectDefaultPower();
    void SetAnimation(int animation, int blendMs, int flag, int layer);
};

constexpr int MAX_CHARACTERS = 16;
extern Character g_Characters[MAX_CHARACTERS];

// The fighters' model quality, taken from the settings at start-up.
extern int32_t g_ModelQuality;

// Fighter models for both sides (1) at match start, and their release.
void LoadSkeletons(int sides);
void FreeSkeletons();
void SpawnLocalPlayer();
