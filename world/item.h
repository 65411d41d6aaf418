// The item slots: the pick-ups lying on the path map (throwables, refills, boosts, traps, credits,
// letters, fruits and screen pranks). Each slot shows its type's model and up to two looping
// effects; a collected item of a respawning type hides and comes back in its slot.
#pragma once

#include <cstdint>

#include "common/math.h"

class DynamicMesh;

constexpr int ITEM_SLOTS = 1000;
constexpr int ITEM_TYPE_COUNT = 58;

// Groups of the item-type table that rules test.
// Traps (bomb, paralysis, disease): the path search keeps off a cell holding one.
constexpr int ITEM_GROUP_TRAP = 2;
constexpr int ITEM_GROUP_PUNISHMENT = 3;
constexpr int ITEM_GROUP_LETTER = 5;
constexpr int ITEM_GROUP_SCREEN = 7;
constexpr int ITEM_GROUP_COUNT = 8;

// Types the rules name.
constexpr int ITEM_BOMB = 15;
constexpr int ITEM_CREDITS_1 = 20;
constexpr int ITEM_CREDITS_50 = 23;
constexpr int ITEM_SCREEN_FIRST = 52;

// How far from its position an item's cell is looked for.
constexpr float ITEM_CELL_TOLERANCE = 100.0f;

// One row of the item-type table.
struct ItemTypeRow {
    uint32_t code;          // 100 + row
    uint32_t group;         // ITEM_GROUP_*
    uint32_t respawn;       // seconds until a collected item comes back; 0: it does not
    uint32_t reserved;
    uint32_t colour;        // RGB, handed to the item's effects
    int32_t spawnEffect;    // made once at a spawn; -1 none
    int32_t loopEffect1;    // follow the item while it lies there; -1 none
    int32_t loopEffect2;
    int32_t pickEffect;     // made where the item is taken; -1 none
    const char* name;       // the element-map editor's label, Windows-1252
};
extern const ItemTypeRow ItemTypeTable[ITEM_TYPE_COUNT];
// The row of a type, null outside 0-57.
const ItemTypeRow* ItemTypeRowOf(int type);
// The credit value of a type: 1, 5, 25, 50 for types 20-23, 0 for the rest.
uint32_t ItemCreditValue(int type);

class Item {
public:
    uint8_t active = 0;         // in use, also while a respawning item is hidden
    uint8_t present = 0;        // lies in the world and can be taken
    int32_t slot = 0;
    int32_t type = 0;
    DynamicMesh* model = nullptr;   // owned while present; also in the scene's object list
    int32_t effect1 = -1;       // the looping effects' slots, -1 none
    int32_t effect2 = -1;
    Vec3 position{};
    uint32_t stamp = 0;         // clock 0 of the last spawn or collection

    Item() = default;
    ~Item() { Remove(); }
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    // False without a model.
    bool Init(int slot, int type, DynamicMesh* model, float x, float y, float z, bool withSpawnEffect);
    void SetPosition(float x, float y, float z);
    // The item is taken: hidden until its respawn, or gone for a type that does not come back.
    void Collect();
    // Taken away without any effect; the slot is free afterwards.
    void Remove();
    // Per frame: the turning model and the effect facing the camera, or the wait to come back.
    void Update();
};

extern Item g_Items[ITEM_SLOTS];
// Owned, in no list; null for a type whose model did not load.
extern DynamicMesh* g_ItemModels[ITEM_TYPE_COUNT];

// The group 0-7 of the item; -1 for none.
int ItemGroupOf(const Item* item);
// The type 0-57 of the item; -1 for none.
int ItemTypeOf(const Item* item);

// An item of the type at the position, in the slot (outside 0-999: the first free one); the slot,
// or -1 when the type has no model, the game refuses the type or this machine, the position has
// no cell, or the slot is taken.
int SpawnItem(int slot, int type, const Vec3& position, bool withSpawnEffect);
// An item of the type on a random free cell that the local fighter can reach, away from every
// fighter: its slot, -1 when the type has no model, the map is empty, there is no local fighter,
// or 1000 attempts found no cell.
int SpawnItemAtRandomCell(int type);

// The 58 item models of the loaded scenario, and their release with every item.
void LoadItemModels();
void FreeAllItems();
// Collects every active item (a test key).
void CollectAllItems();
void UpdateAllItems();
// The credit value of the active credit items.
uint32_t CountItemCredits();
// The host's collection as a receiver applies it; a slot outside 0-999 is ignored.
bool ApplyCollectItemEvent(int32_t slot);
// Every item and model gone (tests).
void ResetItems();
