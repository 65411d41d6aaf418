// libFuzzer target: any bytes as a loose pmap.dat read into the scenario's path map. A map that is
// read answers its queries and path searches from several of its cells: the first and the last,
// and the ends of its jumps, where a damaged map would trap a search. Whatever the bytes, nothing
// may crash, hang, leak or trip a sanitizer, and every search leaves every mark free.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "fuzz/scratch_folder.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace {

// Enough to reach every jump of a small map without making a large one slow.
constexpr size_t kSearches = 16;

void Query(const PathMap& map, const CellRef& a, const CellRef& b) {
    Vec3 at;
    map.CellToWorld(&at, a);
    CellRef found{};
    map.WorldToCell(at, &found, 100.0f);
    map.FindLayerNear(a.x, a.z, at.y + 0.5f, 1.0f);
    map.CanReach(a, b);
    map.CellDistance(a, b);
    const int32_t sector = map.SectorOf(a);
    map.IsSectorIsolated(sector);
    map.SectorReaches(sector, map.SectorOf(b));
    map.SectorColour(sector);
    map.FindItem(a);
    CellRef jump{};
    if (map.HasJump(a)) map.JumpTarget(&jump, a);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::EnterScratchFolder("pmap");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::WriteScratchFile("PMAP.DAT", data, size);
    PathMap& map = g_Scenario.pathMap;
    if (map.Read("PMAP.DAT")) {
        CellRef first{-1, -1, -1}, last{-1, -1, -1};
        std::vector<CellRef> jumpEnds;
        for (int32_t z = 0; z < map.rows; ++z)
            for (int32_t x = 0; x < map.cols; ++x)
                for (int32_t k = 0; k < map.LayerCount(x, z); ++k) {
                    const CellRef cell{x, z, k};
                    if (first.x < 0) first = cell;
                    last = cell;
                    Query(map, cell, first);
                    if ((map.HasJump(cell) || map.IsJumpLanding(cell)) && jumpEnds.size() < kSearches)
                        jumpEnds.push_back(cell);
                }
        if (first.x >= 0) {
            std::vector<std::pair<CellRef, CellRef>> searches{{first, last}, {last, first}};
            for (size_t i = 0; i < jumpEnds.size(); ++i) searches.push_back({jumpEnds[i], i % 2 ? first : last});
            static CellRef points[PATH_POINTS_MAX];
            for (const auto& [from, to] : searches) {
                int32_t length = 0;
                g_PathSearch.FindPath(PathBlock{&length, points, PATH_POINTS_MAX}, from, to);
                for (const auto& column : map.columns)
                    for (const PathCell& cell : column)
                        for (const PathLayer& layer : cell.layers)
                            if (layer.mark != PATH_MARK_FREE) std::abort();
            }
        }
    }
    map.Free();
    return 0;
}
