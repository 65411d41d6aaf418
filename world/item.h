// The item slots. Only what the scenario and the path map call so far.
#pragma once

class Item {
public:
    // Takes the item off the map and frees its slot.
    void Remove();
};

// The 58 item models of the loaded scenario, and their release with every item.
void LoadItemModels();
void FreeAllItems();
