#include "world/world_calls.h"

#include "fighters/character.h"
#include "fighters/match.h"
#include "world/dynamic_object.h"
#include "world/item.h"
#include "world/path_map.h"
#include "world/scenario.h"

namespace {

WorldCalls DefaultWorldCalls() {
    WorldCalls w;
    w.despawnCharacter = [](Character* c) { c->Despawn(); };
    w.removeItem = [](Item* item) { item->Remove(); };
    w.despawnProp = [](DynamicObject* prop) { prop->Despawn(); };
    w.loadPathMap = [](PathMap* map) { return map->LoadOrBuild(); };
    w.setupRain = [](bool enable) { g_Scenario.SetupRain(enable); };
    w.loadDynamicObjectModels = LoadDynamicObjectModels;
    w.loadItemModels = LoadItemModels;
    w.freeDynamicObjects = FreeDynamicObjects;
    w.freeAllItems = FreeAllItems;
    w.clearSpecial = [](int role, int slot) {
        if (role == 1) g_Match.ClearSymbol(slot);
        else if (role == 2) g_Match.ClearCheckpoint(slot);
    };
    return w;
}

}  // namespace

WorldCalls g_WorldCalls = DefaultWorldCalls();

void ResetWorldCalls() { g_WorldCalls = DefaultWorldCalls(); }
