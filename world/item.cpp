#include "world/item.h"

// The item slots fill these.
void Item::Remove() {}
void LoadItemModels() {}
void FreeAllItems() {}
