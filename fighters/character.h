#pragma once

#include <cstdint>

#include "common/math.h"
#include "world/path_map.h"

struct SkinParts;
class SkinImageCache;
class CharacterModel;

// One step of a power combination as the side table stores it.
struct ComboStep {
    int32_t action;         // -1 ends the combination
    uint8_t doublePress;    // needs a double press
    uint8_t hold;           // needs a hold
    uint8_t reserved[2];
    int32_t animation;      // -1 none
};

constexpr int COMBOS_PER_SIDE = 10;
constexpr int COMBO_STEPS = 5;

// A row of the side table.
struct SideRow {
    float baseSpeed;
    ComboStep combos[COMBOS_PER_SIDE][COMBO_STEPS];
};

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

    // What the local control reads and writes.
    CharacterModel* model = nullptr;
    const SideRow* sideRow = nullptr;
    int32_t currentAnimation = 0;
    int32_t previousAnimation = 0;
    int32_t upperActionClass = 0;     // of the upper-body animation
    int32_t upperAnimation = 0;       // last started on the whole body or the upper-body layer
    uint8_t moving = 0;               // written by Control
    uint8_t directMovement = 0;
    float guardValue = 0.0f;
    uint8_t guarding = 0;
    uint8_t guardRequest = 0;         // latch, written by Control
    uint8_t knockedDown = 0;
    float speedStat = 0.0f;
    Character* attacker = nullptr;
    Character* defaultTarget = nullptr;
    float targetDistance = 0.0f;      // written by Control
    uint32_t downTime = 0, guardStartTime = 0, guardEndTime = 0, lastHitTime = 0;   // clock 0
    int32_t charge = 0;               // ms, at most 600
    int32_t highestPower = -1;        // highest available power index
    uint8_t repeatLatch = 0;          // repeat cast, written by Control
    Vec3 aimPoint{};                  // written by Control
    Vec3 velocity{};
    Vec3 lastSentPosition{};          // kept by the packet writers
    float lastSentFacing = 0.0f;
    uint8_t sinking = 0;              // the camera then follows the anchor point
    Vec3 anchorPoint{};

    Character() : active(0), side(0), position{}, facing(0), dead(0), frozen(0), level(0), inScene(0) {}

    void ChangeHealth(int amount, Character* attacker);
    void Respawn();
    // Takes the fighter out of the match: off the map, out of the scene, slot free.
    void Despawn();
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
    // Continues the current animation of a layer from a frame.
    void SetAnimationTime(float frame, int layer);
    void Turn(float deltaYaw);
    // On the ground at x, z.
    void SetPosition(const Vec3& position);
    void Update(int frameMs);
    bool HasLineOfSight(Character* target);
    float DistanceTo(const Character* other) const;
    uint32_t MaxGuardTime();
    void StartGuard();
    bool FindIncomingEffect(Vec3* point);
    bool WillBeHitBy(Character* attacker);
    bool CanUsePower(int k);
    void StartPower(int k);
    // The model's yaw, which the strafe angle turns, and its transparency.
    float ModelYaw() const;
    void TurnModel(float deltaYaw);
    void SetModelAlpha(int alpha);
    // Whether the last advance of a bone's animation wrapped to its start.
    bool AnimationWrapped(int bone) const;
};

constexpr int MAX_CHARACTERS = 16;
extern Character g_Characters[MAX_CHARACTERS];

// The fighters' model quality, taken from the settings at start-up.
extern int32_t g_ModelQuality;

// Fighter models for both sides (1) at match start, and their release.
void LoadSkeletons(int sides);
void FreeSkeletons();
void SpawnLocalPlayer();
