// The physics props. Only what the scenario, the path map and the fighters call so far.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class DynamicMesh;

constexpr uint32_t PROP_TYPE_LARGE = 0;
constexpr int PROP_BALL_COUNT = 80;

enum PropState : uint32_t {
    PROP_RESTING = 0,
    PROP_FLYING = 1,
    PROP_ROLLING = 2,
};

class DynamicObject {
public:
    uint32_t slot = 0;
    uint32_t kind = 0;
    uint32_t type = 0;
    uint32_t state = PROP_RESTING;
    DynamicMesh* mesh = nullptr;   // null = the record is free
    Character* owner = nullptr;    // who threw or last pushed it
    float radius = 0.0f;
    Vec3 position{};
    Vec3 velocity{};

    // Takes the prop out of the world and frees its record.
    void Despawn();
    // Also the roll; the state stays.
    void SetVelocity(float vx, float vy, float vz);
    bool InUse() const { return mesh != nullptr; }
};

extern DynamicObject g_Balls[PROP_BALL_COUNT];

// The four prop templates of the loaded scenario, and their release with every prop.
void LoadDynamicObjectModels();
void FreeDynamicObjects();
// Every record free (tests).
void ResetDynamicObjects();
