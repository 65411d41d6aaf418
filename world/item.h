// The item slots. Only what the scenario and the path map call so far.
#pragma once

#include <cstdint>

class Item {
public:
    // Takes the item off the map and frees its slot.
    void Remove();
};

// Traps (bomb, paralysis, disease): the path search keeps off a cell holding one.
constexpr int ITEM_GROUP_TRAP = 2;
// The group 0-7 of the item's type; -1 for none.
int ItemGroupOf(const Item* item);
// The type 0-57 of the item; -1 for none.
int ItemTypeOf(const Item* item);

constexpr int ITEM_SLOTS = 1000;
// The credit value of the active credit items (types 20-23 worth 1, 5, 25, 50).
uint32_t CountItemCredits();
// An item of the type on a random free cell that the local fighter can reach: its slot, -1 when
// the type has no model, 0 after 1000 failed attempts.
int SpawnItemAtRandomCell(int type);

// The 58 item models of the loaded scenario, and their release with every item.
void LoadItemModels();
void FreeAllItems();
// Every frame: the items spin and respawn.
void UpdateAllItems();
