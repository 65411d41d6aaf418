#pragma once

#include <cstdint>

#include "common/math.h"

class Character;

// One 36-byte row per scenario id; only the fields the shell reads so far.
struct ScenarioRow {
    float hazeNear;
    float hazeFar;      // also the cameras' far distance (0 means 400.0)
    uint8_t specialLayer;   // asks for the special material layer
    uint8_t rain;           // ambient sound 182 at match start
    uint8_t ambience2;      // ambient sound 185 at match start
};

// The loaded scenario. Only what the shell reaches so far.
class Scenario {
public:
    int32_t id;
    const ScenarioRow* row;     // null while nothing is loaded
    // The viewer camera's eye and target; the target height [4] is also the lowest height of
    // the match camera's eye.
    float viewerCamera[6] = {};

    Scenario() : id(0), row(nullptr) {}

    // Nearest hit of a ray against the static scene, the fighters and the props.
    bool RayQuery(const Vec3& origin, const Vec3& direction, float length, Vec3* hit, uint32_t typeMask,
                  Character** character, Character* excluded);

    // Rain, glow motes, lava bubbles, then props and items, by the frame time.
    void UpdateAmbient(int frameMs);
    bool Load(int scenarioId);
    void Unload();
    void SetupSpringsAndPortals();
};

extern Scenario g_Scenario;

class ElementMap {
public:
    void Release();
    void DespawnAll();
    void Clear();
    bool Load(int file, int gameKind);
    void SpawnAll();
    bool Save(int file);
    // Editing (MODO 3): "temp.map", everything spawned.
    void InitMatch();
    void LoadForMatch(int gameKind);
};

extern ElementMap g_ElementMap;

void CollectAllItems();
int SpawnDynamicObject(int slot, int kind, float x, float y, float z);
