#include "world/item.h"

// The item slots fill these.
void Item::Remove() {}
void LoadItemModels() {}
void FreeAllItems() {}
void UpdateAllItems() {}

// The item slots fill these with the group and type of the item and the credits lying about;
// until then no item lies on the map.
int ItemGroupOf(const Item*) { return -1; }
int ItemTypeOf(const Item*) { return -1; }
uint32_t CountItemCredits() { return 0; }
// The item slots fill this; until then no model is loaded for any type.
int SpawnItemAtRandomCell(int) { return -1; }
