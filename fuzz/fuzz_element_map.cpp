// libFuzzer target: any bytes as an element file read over a small path map. In the game every
// record kept must be sound and stand on the map; in the editor everything read is kept, saved to
// a file of its own and must read back field for field. Nothing may crash, leak or trip a
// sanitizer.
#include <bit>
#include <cstdint>
#include <cstdlib>

#include <unistd.h>

#include "core/settings.h"
#include "frontend/menu.h"
#include "fuzz/scratch_folder.h"
#include "world/element_map.h"
#include "world/scenario.h"
#include "world/world_seams.h"

namespace {

// 4 x 4 cells at floor 0, a second floor at 3 on (1, 1) and none on (3, 3).
void BuildMap(PathMap* map) {
    map->Allocate(4, 4);
    for (int32_t x = 0; x < 4; ++x)
        for (int32_t z = 0; z < 4; ++z) {
            PathCell& cell = map->columns[size_t(x)][size_t(z)];
            if (x == 3 && z == 3) continue;
            cell.Resize(x == 1 && z == 1 ? 2 : 1);
            cell.flag = 0;
            for (int32_t k = 0; k < cell.layerCount; ++k) cell.layers[size_t(k)].floor = 3.0f * float(k);
        }
}

bool SameStored(const ElementRecord& a, const ElementRecord& b) {
    bool same = a.gameKind == b.gameKind && a.elementKind == b.elementKind && a.subtype == b.subtype &&
                a.cell.x == b.cell.x && a.cell.z == b.cell.z && a.cell.layer == b.cell.layer && a.role == b.role &&
                a.index == b.index && a.extra == b.extra && a.placeable == b.placeable;
    const float pa[3] = {a.position.x, a.position.y, a.position.z};
    const float pb[3] = {b.position.x, b.position.y, b.position.z};
    for (int i = 0; i < 3; ++i) same = same && std::bit_cast<uint32_t>(pa[i]) == std::bit_cast<uint32_t>(pb[i]);
    for (int i = 0; i < 4; ++i) same = same && std::bit_cast<uint32_t>(a.block[i]) == std::bit_cast<uint32_t>(b.block[i]);
    return same;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every save is synced to disk; memory keeps the runs fast where there is a memory folder.
    fuzzsupport::EnterScratchFolder("element_map", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    BuildMap(&g_Scenario.pathMap);
    g_Menu.active = 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("IN.DAT", data, size);
    const PathMap& map = g_Scenario.pathMap;
    ElementMap& elements = g_ElementMap;

    // The game: what is kept is sound, on the map where it needs a cell, and of the kind asked.
    g_Settings.mode = 0;
    elements.Clear();
    if (elements.Load("IN.DAT", 2)) {
        for (const ElementRecord* r = elements.list.First(); r; r = elements.list.Next(r)) {
            if (!IsElementRecordSound(*r) || !r->placeable) std::abort();
            if (r->elementKind <= ELEMENT_SPECIAL && !map.IsValidCell(r->cell)) std::abort();
            if (r->gameKind != 2 && r->gameKind != ELEMENT_COMMON) std::abort();
        }
        Vec3 at{};
        float facing = 0.0f;
        FindPlacedCharacter(1, 1, &at, &facing);
    }

    // The editor: everything read goes back out as it came.
    g_Settings.mode = 3;
    elements.Clear();
    if (elements.Load("IN.DAT", -1)) {
        if (!elements.Save("OUT.MAP")) std::abort();
        ElementList back;
        uint32_t code = 0;
        if (!ReadElementFile("OUT.MAP", ElementReadRules{-1, &map, true}, &back, &code)) std::abort();
        const ElementRecord* a = elements.list.First();
        const ElementRecord* b = back.First();
        for (; a && b; a = elements.list.Next(a), b = back.Next(b))
            if (!SameStored(*a, *b)) std::abort();
        if (a || b) std::abort();
    }
    elements.Clear();
    return 0;
}
