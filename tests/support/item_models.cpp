#include "support/item_models.h"

#include <cstdio>

#include "world/dynamic_mesh.h"
#include "world/item.h"

namespace testsupport {

void InstallItemModels() {
    for (int i = 0; i < ITEM_TYPE_COUNT; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "item%02d (DIN)", i);
        delete g_ItemModels[i];
        g_ItemModels[i] = new DynamicMesh();
        g_ItemModels[i]->SetName(name);
    }
}

}  // namespace testsupport
