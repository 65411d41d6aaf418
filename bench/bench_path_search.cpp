// Path searches on a generated 256 x 256 map with walls, plateaus, bridges, jump links and portals,
// stored and read back through the path-map file as a scenario's would be: single searches with
// their time spread, a burst of 16 as a frame of computer fighters may ask, and the worst case
// that fills the whole queue. Target: p99 of a single search below 1 ms.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "support/random_path_map.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kName = "Modelos\\Escenarios\\Escenario01\\pmap.dat";

struct Pair {
    CellRef start, goal;
};

// The search runs on the scenario's map; each benchmark puts its own there for as long as it runs.
class OnScenarioMap {
public:
    explicit OnScenarioMap(PathMap* map) : map_(map) { Swap(); }
    ~OnScenarioMap() { Swap(); }

private:
    void Swap() {
        PathMap& s = g_Scenario.pathMap;
        std::swap(s.cols, map_->cols);
        std::swap(s.rows, map_->rows);
        std::swap(s.offX, map_->offX);
        std::swap(s.offZ, map_->offZ);
        std::swap(s.max, map_->max);
        std::swap(s.min, map_->min);
        std::swap(s.columns, map_->columns);
        std::swap(s.sectorCount, map_->sectorCount);
        std::swap(s.sectors, map_->sectors);
    }
    PathMap* map_;
};

// The map in the scenario's place, its portals installed, and start-goal pairs that connect.
class Arena {
public:
    Arena() {
        char pattern[] = "/tmp/brimvale-bench-paths-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        const fs::path previous = fs::current_path();
        fs::current_path(pattern);
        testsupport::RandomMapOptions options;
        options.cols = 256;
        options.rows = 256;
        options.plateaus = 120;
        options.walls = 90;
        options.blockedPercent = 6;
        options.bridges = 24;
        options.jumps = 150;
        options.portalPairs = 6;
        PathMap built;
        testsupport::GenerateRandomMap(20240607u, options, &built, &portals);
        ok = built.Write(kName) && map.Read(kName);
        fs::current_path(previous);
        std::error_code ec;
        fs::remove_all(pattern, ec);
        if (!ok) return;
        testsupport::InstallPortals(&map, portals);
        OnScenarioMap place(&map);

        uint32_t seed = 7;
        auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        const PathMap& placed = g_Scenario.pathMap;
        std::vector<CellRef> cells;
        for (int32_t x = 0; x < placed.cols; ++x)
            for (int32_t z = 0; z < placed.rows; ++z)
                for (int32_t k = 0; k < placed.LayerCount(x, z); ++k) cells.push_back({x, z, k});
        int32_t length = 0;
        static CellRef points[PATH_POINTS_MAX];
        for (int tries = 0; pairs.size() < 256 && tries < 5000; ++tries) {
            const Pair p{cells[(next() >> 8) % cells.size()], cells[(next() >> 8) % cells.size()]};
            if (g_PathSearch.FindPath(PathBlock{&length, points, PATH_POINTS_MAX}, p.start, p.goal)) pairs.push_back(p);
        }
    }
    bool ok = false;
    PathMap map;
    std::vector<testsupport::PortalSpot> portals;
    std::vector<Pair> pairs;
};

Arena& TheArena() {
    static Arena arena;
    return arena;
}

CellRef g_Points[PATH_POINTS_MAX];

bool Search(const Pair& p) {
    int32_t length = 0;
    return g_PathSearch.FindPath(PathBlock{&length, g_Points, PATH_POINTS_MAX}, p.start, p.goal);
}

void BM_FindPath(benchmark::State& state) {
    Arena& arena = TheArena();
    if (!arena.ok || arena.pairs.empty()) {
        state.SkipWithError("no map");
        return;
    }
    OnScenarioMap place(&arena.map);
    std::vector<double> micros;
    double entries = 0, rounds = 0;
    size_t i = 0;
    for (auto _ : state) {
        const Pair& p = arena.pairs[i++ % arena.pairs.size()];
        const Clock::time_point t0 = Clock::now();
        benchmark::DoNotOptimize(Search(p));
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        entries += g_PathSearch.count;
        rounds += g_PathSearch.rounds;
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[std::min(micros.size() - 1, size_t(q * double(micros.size())))]; };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = micros.back();
    state.counters["entries"] = entries / double(micros.size());
    state.counters["rounds"] = rounds / double(micros.size());
}
BENCHMARK(BM_FindPath)->Unit(benchmark::kMicrosecond);

void BM_FindPathBurst16(benchmark::State& state) {
    Arena& arena = TheArena();
    if (!arena.ok || arena.pairs.empty()) {
        state.SkipWithError("no map");
        return;
    }
    OnScenarioMap place(&arena.map);
    size_t i = 0;
    for (auto _ : state)
        for (int k = 0; k < 16; ++k) benchmark::DoNotOptimize(Search(arena.pairs[i++ % arena.pairs.size()]));
    state.counters["searches/s"] = benchmark::Counter(double(state.iterations()) * 16, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindPathBurst16)->Unit(benchmark::kMicrosecond);

// An open 500 x 500 floor and a goal 499 rounds away: the queue fills first.
void BM_FindPathQueueFull(benchmark::State& state) {
    static PathMap open;
    if (open.cols == 0) {
        testsupport::RandomMapOptions options;
        options.cols = options.rows = 500;
        options.plateaus = options.walls = options.blockedPercent = 0;
        options.bridges = options.jumps = options.portalPairs = 0;
        std::vector<testsupport::PortalSpot> none;
        testsupport::GenerateRandomMap(1, options, &open, &none);
    }
    OnScenarioMap place(&open);
    for (auto _ : state) benchmark::DoNotOptimize(Search(Pair{{0, 0, 0}, {499, 499, 0}}));
    state.counters["entries"] = g_PathSearch.count;
    state.counters["rounds"] = g_PathSearch.rounds;
}
BENCHMARK(BM_FindPathQueueFull)->Unit(benchmark::kMillisecond);

}  // namespace
