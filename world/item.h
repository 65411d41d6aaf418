// The item slots. Only what the scenario and the path map call so far.
#pragma once

class Item {
public:
    // Takes the item off the map and frees its slot.
    void Remove();
};

// Traps (bomb, paralysis, disease): the path search keeps off a cell holding one.
constexpr int ITEM_GROUP_TRAP = 2;
// The group 0-7 of the item's type; -1 for none.
int ItemGroupOf(const Item* item);

// The 58 item models of the loaded scenario, and their release with every item.
void LoadItemModels();
void FreeAllItems();
// Every frame: the items spin and respawn.
void UpdateAllItems();
