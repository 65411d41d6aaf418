// Movement on the path map: a full request of a fighter (the goal accepted, the search served and
// the path shortened) on open, banded and jump-split maps of 128, 256 and 512 cells a side, the
// nearest-cell search with 20 rings and no candidate, and the shortening of a 1500-point
// corridor. Target: a full request on the 256 maps under 5 ms.
#include <benchmark/benchmark.h>

#include <cstring>

#include "core/clocks.h"
#include "fighters/character.h"
#include "support/path_map_builder.h"
#include "world/scenario.h"

namespace {

using testsupport::PathMapBuilder;

enum MapKind { kOpen, kBands, kJump };

struct Request {
    CellRef start, goal;
};

// Open: one field, the goal 5/8 across and 3/8 down from a start near a corner.
// Bands: three blocked bands an eighth of the side deep across the field, open at one end in
// turn, the goal at the far side. Jump: two fields split by a six-cell gap that one jump link
// crosses, in two sectors.
Request BuildMap(MapKind kind, int32_t n, PathMap* map) {
    PathMapBuilder b(n, n);
    Request r{};
    switch (kind) {
    case kOpen:
        b.Area(0, 0, n - 1, n - 1, 0.0f);
        r = Request{{n / 8, n / 8, 0}, {n / 8 + n * 5 / 8, n / 8 + n * 3 / 8, 0}};
        break;
    case kBands: {
        const int32_t depth = n / 8;
        for (int32_t z = 0; z < n; ++z) {
            const int band = z / (n / 4);
            const bool inBand = band >= 1 && z % (n / 4) < depth;
            for (int32_t x = 0; x < n; ++x) {
                const bool gap = band % 2 == 1 ? x >= n * 7 / 8 : x < n / 8;
                if (!inBand || gap) b.Floor(x, z, 0.0f);
            }
        }
        r = Request{{n / 2, 1, 0}, {n / 2, n - 2, 0}};
        break;
    }
    case kJump: {
        const int32_t gapFrom = n / 2 - 3, gapTo = n / 2 + 2;
        b.Area(0, 0, gapFrom - 1, n - 1, 0.0f, 0).Area(gapTo + 1, 0, n - 1, n - 1, 0.0f, 1).Reach(0, 1);
        b.Jump({gapFrom - 1, n / 2, 0}, {gapTo + 1, n / 2, 0});
        r = Request{{n / 4, n / 4, 0}, {n * 3 / 4, n * 3 / 4, 0}};
        break;
    }
    }
    b.Build(map);
    return r;
}

// The fighter standing on the start with nothing asked for yet.
void Stand(Character& c, const CellRef& cell) {
    c = Character();
    c.currentCell = cell;
    g_Scenario.pathMap.CellToWorld(&c.position, cell);
}

void BM_MovementFullRequest(benchmark::State& state) {
    const MapKind kind = MapKind(state.range(0));
    const int32_t n = int32_t(state.range(1));
    g_Scenario.number = 1;
    const Request r = BuildMap(kind, n, &g_Scenario.pathMap);
    Character& c = g_Characters[0];
    int32_t searched = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Stand(c, r.start);
        state.ResumeTiming();
        const bool served = c.MoveToCell(r.goal, false) && c.ServePathRequest();
        if (!served) {
            state.SkipWithError("the request was not served");
            break;
        }
        searched = c.pathLength;
    }
    state.counters["points"] = searched;
    ResetCharacters();
    ResetScenario();
}
BENCHMARK(BM_MovementFullRequest)
    ->ArgNames({"map", "side"})
    ->ArgsProduct({{kOpen, kBands, kJump}, {128, 256, 512}})
    ->Unit(benchmark::kMillisecond);

// Every cell has a floor, but in a sector nothing leads into.
void BM_MovementNearestCellNoCandidate(benchmark::State& state) {
    g_Scenario.number = 1;
    PathMapBuilder(64, 64).Area(0, 0, 63, 63, 0.0f, 1).Isolated(1).Build(&g_Scenario.pathMap);
    Character& c = g_Characters[0];
    Stand(c, {32, 32, 0});
    CellRef out{};
    for (auto _ : state) benchmark::DoNotOptimize(c.FindReachableCell({32, 32, 0}, &out, 20, 5.0f));
    ResetCharacters();
    ResetScenario();
}
BENCHMARK(BM_MovementNearestCellNoCandidate)->Unit(benchmark::kMicrosecond);

void BM_MovementSimplifyCorridor1500(benchmark::State& state) {
    g_Scenario.number = 1;
    PathMapBuilder(PATH_POINTS_MAX, 1).Area(0, 0, PATH_POINTS_MAX - 1, 0, 0.0f).Build(&g_Scenario.pathMap);
    static CellRef corridor[PATH_POINTS_MAX];
    for (int32_t x = 0; x < PATH_POINTS_MAX; ++x) corridor[x] = CellRef{x, 0, 0};
    Character& c = g_Characters[0];
    Stand(c, corridor[0]);
    for (auto _ : state) {
        std::memcpy(c.pathPoints, corridor, sizeof corridor);
        c.pathLength = PATH_POINTS_MAX;
        c.SimplifyPath();
        benchmark::DoNotOptimize(c.pathLength);
    }
    state.counters["points"] = c.pathLength;
    ResetCharacters();
    ResetScenario();
}
BENCHMARK(BM_MovementSimplifyCorridor1500)->Unit(benchmark::kMillisecond);

}  // namespace
