// The calls the scenario and its path map make into fighters, items, props and ambience, gathered
// so that tests can see them. Each entry starts at the owner's own function.
#pragma once

class Character;
class Item;
class DynamicObject;
class PathMap;

struct WorldCalls {
    void (*despawnCharacter)(Character* c);
    void (*removeItem)(Item* item);
    void (*despawnProp)(DynamicObject* prop);
    bool (*loadPathMap)(PathMap* map);
    void (*setupRain)(bool enable);
    void (*loadDynamicObjectModels)();
    void (*loadItemModels)();
    void (*freeDynamicObjects)();
    void (*freeAllItems)();
    // A symbol (role 1, by team) or checkpoint (role 2, by slot) the editor placed on a layer.
    void (*clearSpecial)(int role, int slot);
};
extern WorldCalls g_WorldCalls;
void ResetWorldCalls();
