// libFuzzer target: any bytes as a loose trajectory file read against a small path map. A table
// that is read holds only trajectories of 1 to 1500 points on cells of the map, and answers the
// nearest-point query; a refused file leaves it empty. Nothing may crash, leak or trip a sanitizer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fighters/trajectory.h"
#include "fuzz/scratch_folder.h"
#include "world/scenario.h"

namespace {

// 8 x 8 cells: one floor on most, two on the diagonal, none on the last column.
void BuildMap(PathMap* map) {
    map->Allocate(8, 8);
    for (int32_t x = 0; x < 7; ++x)
        for (int32_t z = 0; z < 8; ++z) {
            PathCell& cell = map->columns[size_t(x)][size_t(z)];
            cell.flag = 0;
            cell.Resize(x == z ? 2 : 1);
            for (int32_t k = 0; k < cell.layerCount; ++k) {
                cell.layers[size_t(k)].floor = 3.0f * float(k);
                cell.layers[size_t(k)].sector = 0;
            }
        }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("trajectory");
    g_Scenario.number = 1;
    BuildMap(&g_Scenario.pathMap);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("TPC01G05.DAT", data, size);
    TrajectoryTable& table = g_TrajectoryTable;
    const bool read = table.Read("TPC01G05.DAT");
    if (table.count > TRAJECTORY_MAX || (!read && table.count != 0)) std::abort();
    const PathMap& map = g_Scenario.pathMap;
    for (uint32_t i = 0; i < TRAJECTORY_MAX; ++i) {
        const Trajectory& t = table.entries[i];
        if (i >= table.count) {
            if (t.n != 0 || t.points) std::abort();
            continue;
        }
        if (t.n < 1 || t.n > uint32_t(PATH_POINTS_MAX) || !t.points) std::abort();
        for (uint32_t k = 0; k < t.n; ++k)
            if (!map.IsValidCell(t.points[k])) std::abort();
        const int32_t nearest = table.FindNearest(i, 3.5f, 1.0f, 4.5f);
        if (nearest < 0 || uint32_t(nearest) >= t.n) std::abort();
    }
    table.Clear();
    return 0;
}
