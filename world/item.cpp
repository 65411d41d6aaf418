#include "world/item.h"

// The item slots fill these.
void Item::Remove() {}
void LoadItemModels() {}
void FreeAllItems() {}
void UpdateAllItems() {}

// The item slots fill this with the group of the item's type; until then no item lies on the map.
int ItemGroupOf(const Item*) { return -1; }
