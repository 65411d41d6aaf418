#pragma once

#include <cstdint>

// One 36-byte row per scenario id; only the fields the shell reads so far.
struct ScenarioRow {
    float hazeNear;
    float hazeFar;      // also the cameras' far distance (0 means 400.0)
};

// The loaded scenario. Only what the shell reaches so far.
class Scenario {
public:
    int32_t id;
    const ScenarioRow* row;     // null while nothing is loaded

    Scenario() : id(0), row(nullptr) {}

    // Rain, glow motes, lava bubbles, then props and items, by the frame time.
    void UpdateAmbient(int frameMs);
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
};

extern ElementMap g_ElementMap;

void CollectAllItems();
int SpawnDynamicObject(int slot, int kind, float x, float y, float z);
