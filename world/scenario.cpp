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
