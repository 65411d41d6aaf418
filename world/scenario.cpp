#include "world/scenario.h"

Scenario g_Scenario;
ElementMap g_ElementMap;

// The scenario's ambience fills this: rain, glow motes, lava bubbles, props and items.
void Scenario::UpdateAmbient(int) {}

// The element map and its editor fill these.
void ElementMap::Release() {}
void ElementMap::DespawnAll() {}
void ElementMap::Clear() {}
bool ElementMap::Load(int, int) { return false; }
void ElementMap::SpawnAll() {}
bool ElementMap::Save(int) { return false; }

// Items and props fill these.
void CollectAllItems() {}
int SpawnDynamicObject(int, int, float, float, float) { return -1; }

// The scenario fills this: the static scene, the 16 fighters and the first prop pool.
bool Scenario::RayQuery(const Vec3&, const Vec3&, float, Vec3* hit, uint32_t, Character** character, Character*) {
    if (hit) *hit = Vec3{};
    if (character) *character = nullptr;
    return false;
}
// The scenario fills these.
bool Scenario::Load(int) { return false; }
void Scenario::Unload() {}
void Scenario::SetupSpringsAndPortals() {}
// The element map fills these.
void ElementMap::InitMatch() {}
void ElementMap::LoadForMatch(int) {}
