// The trajectory table and routes through it. Building kind 5 with 8 fighters a side (128 ordered
// pairs, one full search each) on a 256 x 256 map split by three walls open at alternate ends,
// against reading the file that build wrote; and planning a route against a full table of 150
// trajectories of 1500 points along a winding corridor with lanes of 20 and of 40 cells (1500
// points whose ends lie more than 70 apart must wind on a map of this size).
// Targets: the build under 2 s; a route under 5 ms.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "core/clocks.h"
#include "core/pack_file.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/route_planning.h"
#include "fighters/trajectory.h"
#include "platform/os/path.h"
#include "support/path_map_builder.h"
#include "world/scenario.h"

namespace {

namespace fs = std::filesystem;
using testsupport::PathMapBuilder;

constexpr int32_t kSide = 256;
constexpr int kFightersASide = 8;
constexpr const char* kFile = "Modelos/Escenarios/Escenario01/TPC01G05.dat";

// A folder of its own as the working folder while a benchmark runs.
class ScratchFolder {
public:
    ScratchFolder() : previous_(fs::current_path()) {
        char pattern[] = "/tmp/brimvale-bench-trajectories-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        folder_ = pattern;
        fs::current_path(folder_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::current_path(previous_, ec);
        if (!folder_.empty()) fs::remove_all(folder_, ec);
    }
    bool ok() const { return !folder_.empty(); }

private:
    fs::path previous_;
    fs::path folder_;
};

// Walls at x 64, 128 and 192, open at the far end of z in turn; side 0 stands at x 10, side 1
// at x 245, so every path winds past all three.
void BuildWalledMap() {
    PathMapBuilder b(kSide, kSide);
    for (int32_t x = 0; x < kSide; ++x) {
        const int wall = x == 64 ? 0 : x == 128 ? 1 : x == 192 ? 2 : -1;
        for (int32_t z = 0; z < kSide; ++z) {
            const bool gap = wall % 2 == 0 ? z >= kSide - 8 : z < 8;
            if (wall == -1 || gap) b.Floor(x, z, 0.0f);
        }
    }
    b.Build(&g_Scenario.pathMap);
    for (int i = 0; i < 2 * kFightersASide; ++i) {
        Character& c = g_Characters[i];
        c = Character();
        c.active = 1;
        c.slot = i;
        c.side = i / kFightersASide;
        c.currentCell = CellRef{c.side == 0 ? 10 : 245, 20 + 28 * (i % kFightersASide), 0};
    }
}

struct Arena {
    ScratchFolder folder;
    Arena() {
        g_Scenario.number = 1;
        g_Match.gameKind = 5;
        BuildWalledMap();
    }
    ~Arena() {
        ResetTrajectoryTable();
        ResetCharacters();
        ResetScenario();
        ResetPackFiles();
        ResetMatch();
    }
};

void BM_TrajectoryBuildKind5(benchmark::State& state) {
    Arena arena;
    if (!arena.folder.ok()) {
        state.SkipWithError("no scratch folder");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove(kFile, ec);
        ResetPackFiles();
        state.ResumeTiming();
        g_TrajectoryTable.LoadOrBuild();
        if (g_TrajectoryTable.count != 2u * kFightersASide * kFightersASide || !fs::exists(kFile)) {
            state.SkipWithError("the build did not give 128 trajectories and their file");
            break;
        }
    }
    state.counters["trajectories"] = g_TrajectoryTable.count;
}
BENCHMARK(BM_TrajectoryBuildKind5)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TrajectoryReadKind5(benchmark::State& state) {
    Arena arena;
    g_TrajectoryTable.LoadOrBuild();
    if (!arena.folder.ok() || !fs::exists(kFile)) {
        state.SkipWithError("no file was built");
        return;
    }
    for (auto _ : state) {
        g_TrajectoryTable.LoadOrBuild();
        if (g_TrajectoryTable.count != 2u * kFightersASide * kFightersASide) {
            state.SkipWithError("the file did not read back");
            break;
        }
    }
    state.counters["bytes"] = double(fs::file_size(kFile));
}
BENCHMARK(BM_TrajectoryReadKind5)->Unit(benchmark::kMillisecond);

// Lanes along x on rows 1, 3, 5, ... joined at alternate ends through the even rows between
// them; a pocket below the first lane's fourth cell and one beside the 1490th point give the
// route a path to its entry and one from its exit.
struct WindingTable {
    std::vector<CellRef> winding;
    CellRef start, goal;

    explicit WindingTable(int32_t lane) {
        for (int32_t row = 0; winding.size() < size_t(PATH_POINTS_MAX); ++row) {
            const bool east = row % 2 == 0;
            for (int32_t i = 0; i < lane; ++i) winding.push_back(CellRef{east ? 2 + i : 1 + lane - i, 2 * row + 1, 0});
            winding.push_back(CellRef{east ? 1 + lane : 2, 2 * row + 2, 0});
        }
        winding.resize(size_t(PATH_POINTS_MAX));
        const CellRef entry = winding[3];
        const CellRef exit = winding[1490];
        start = CellRef{entry.x, entry.z - 1, 0};
        goal = CellRef{exit.x, exit.z + 1, 0};
        PathMapBuilder b(kSide, kSide);
        for (const CellRef& c : winding) b.Floor(c.x, c.z, 0.0f);
        // The goal's pocket may be a joint of the corridor already.
        bool goalOnWinding = false;
        for (const CellRef& c : winding) goalOnWinding = goalOnWinding || (c.x == goal.x && c.z == goal.z);
        b.Floor(start.x, start.z, 0.0f);
        if (!goalOnWinding) b.Floor(goal.x, goal.z, 0.0f);
        b.Build(&g_Scenario.pathMap);
        TrajectoryTable& table = g_TrajectoryTable;
        table.Clear();
        for (uint32_t t = 0; t < TRAJECTORY_MAX; ++t) {
            table.entries[t].n = uint32_t(PATH_POINTS_MAX);
            table.entries[t].points.reset(new CellRef[PATH_POINTS_MAX]);
            std::copy(winding.begin(), winding.end(), table.entries[t].points.get());
        }
        table.count = TRAJECTORY_MAX;
    }
};

void BM_TrajectoryPlanRoute(benchmark::State& state) {
    g_Scenario.number = 1;
    g_Clocks.active = CLOCK_PAUSE;
    g_Clocks.stored[CLOCK_MATCH] = 100000;
    const WindingTable w(int32_t(state.range(0)));
    Character& c = g_Characters[0];
    int32_t routeLength = 0;
    for (auto _ : state) {
        state.PauseTiming();
        c = Character();
        c.currentCell = w.start;
        g_Scenario.pathMap.CellToWorld(&c.position, w.start);
        state.ResumeTiming();
        if (!c.PlanRoute(w.goal)) {
            state.SkipWithError("no route was put in place");
            break;
        }
        routeLength = g_RouteBuffer.count;
    }
    state.counters["route"] = routeLength;
    state.counters["path"] = c.pathLength;
    ResetTrajectoryTable();
    ResetRouteBuffer();
    ResetCharacters();
    ResetScenario();
    g_Clocks = ClockSet();
}
BENCHMARK(BM_TrajectoryPlanRoute)->ArgName("lane")->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

// The choice alone: every trajectory goes the goal's way, so each is searched for both ends.
void BM_TrajectoryFindTrajectory(benchmark::State& state) {
    g_Scenario.number = 1;
    const WindingTable w(40);
    Character& c = g_Characters[0];
    c = Character();
    c.currentCell = w.start;
    g_Scenario.pathMap.CellToWorld(&c.position, w.start);
    int32_t entry = -1, exit = -1;
    for (auto _ : state) benchmark::DoNotOptimize(c.FindTrajectory(w.goal, &entry, &exit));
    state.counters["entry"] = entry;
    state.counters["exit"] = exit;
    ResetTrajectoryTable();
    ResetCharacters();
    ResetScenario();
}
BENCHMARK(BM_TrajectoryFindTrajectory)->Unit(benchmark::kMillisecond);

}  // namespace
