// The trajectory table: loaded from the scenario's file at match start, or built with the path
// search between the places where the game kind's action happens and then written.
#include "fighters/trajectory.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/random.h"
#include "core/pack_file.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "world/path_search.h"
#include "world/scenario.h"

TrajectoryTable g_TrajectoryTable;

namespace {

constexpr const char* kPack = "MODELOS.DAT";
constexpr float kCellTolerance = 100.0f;
// Scenario 4 with kind 5 adds pairs of random cells at least this far apart, both ways.
constexpr int kFarScenario = 4;
constexpr int kFarKind = 5;
constexpr int kFarPairs = 50;
constexpr float kFarDistance = 100.0f;
// A pair is given up after this many draws, so a small reachable area cannot hold the start.
constexpr int kDrawTries = 10000;

// Where a search writes when there is no local fighter to lend its path block.
CellRef g_ScratchPoints[PATH_POINTS_MAX];

Vec3 UnitOrZero(const Vec3& v) {
    const float length = Vec3Length(v);
    return length < 1e-6f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(v, 1.0f / length);
}

// A random cell of the map with a layer the local fighter can reach and, when `far` is given, at
// least the far distance from it; every draw counts against the tries left.
bool DrawCell(Character& local, const PathMap& map, const CellRef* far, int* triesLeft, CellRef* out) {
    while (*triesLeft > 0) {
        --*triesLeft;
        const int32_t x = Random() % map.cols;
        const int32_t z = Random() % map.rows;
        const int32_t layers = map.LayerCount(x, z);
        if (layers < 1) continue;
        // One past the last layer may come up; the reachability test refuses it.
        const CellRef cell{x, z, Random() % (layers + 1)};
        if (!local.CanReachCell(cell)) continue;
        if (far && map.CellDistance(*far, cell) < kFarDistance) continue;
        *out = cell;
        return true;
    }
    return false;
}

}  // namespace

void ResetTrajectoryTable() { g_TrajectoryTable.Clear(); }

void TrajectoryFileName(char* out, size_t size, const char* pattern, int scenario, int kind) {
    const int used = std::snprintf(out, size, "Modelos\\Escenarios\\Escenario%02d\\", scenario);
    if (used < 0 || size_t(used) >= size) return;
    std::snprintf(out + used, size - size_t(used), pattern, scenario, kind);
}

void TrajectoryTable::Clear() {
    for (Trajectory& t : entries) {
        t.points.reset();
        t.n = 0;
    }
    count = 0;
}

void TrajectoryTable::LoadOrBuild() {
    Clear();
    char name[96];
    TrajectoryFileName(name, sizeof name, "TPC%02dG%02d.dat", g_Scenario.number, g_Match.gameKind);
    if (FindPackEntry(kPack, name) != 0) {
        Read(name);
        return;
    }
    Build(g_Match.gameKind);
    if (count != 0) Write(name);
}

void TrajectoryTable::Build(int kind) {
    const PathMap* map = ScenarioPathMap();
    if (!map) return;
    switch (kind) {
    case 0: {
        // Each end one unit toward the other, off the pedestal itself.
        const Vec3 a = g_Match.symbols[0].pedestalPosition;
        const Vec3 b = g_Match.symbols[1].pedestalPosition;
        const Vec3 a1 = Vec3Add(a, UnitOrZero(Vec3Sub(b, a)));
        const Vec3 b1 = Vec3Add(b, UnitOrZero(Vec3Sub(a1, b)));
        CellRef ca = CELL_NONE, cb = CELL_NONE;
        map->WorldToCell(a1, &ca, kCellTolerance);
        map->WorldToCell(b1, &cb, kCellTolerance);
        Add(ca, cb);
        Add(cb, ca);
        break;
    }
    case 3:
    case 4:
    case 5:
        for (const Character& from : g_Characters)
            for (const Character& to : g_Characters)
                if (&from != &to && from.active && to.active && from.side != to.side) Add(from.currentCell, to.currentCell);
        if (kind == kFarKind && g_Scenario.number == kFarScenario) BuildFarPairs();
        break;
    default: break;
    }
}

void TrajectoryTable::BuildFarPairs() {
    const PathMap* map = ScenarioPathMap();
    // Reachability is the local fighter's, so without one nothing can be drawn.
    Character* local = g_FighterShellCalls.localFighter();
    if (!map || !local || map->cols < 1 || map->rows < 1) return;
    for (int i = 0; i < kFarPairs; ++i) {
        int tries = kDrawTries;
        CellRef p{}, q{};
        if (!DrawCell(*local, *map, nullptr, &tries, &p) || !DrawCell(*local, *map, &p, &tries, &q)) continue;
        Add(p, q);
        Add(q, p);
    }
}

bool TrajectoryTable::Add(const CellRef& fromCell, const CellRef& toCell) {
    if (count >= TRAJECTORY_MAX) return false;
    // Copies: either end may be the owner's own current cell, which the search changes.
    const CellRef from = fromCell;
    const CellRef to = toCell;
    // The search only needs a block to write into: the local fighter's, as the owner of the
    // search, or a scratch one.
    Character* owner = g_FighterShellCalls.localFighter();
    int32_t scratchLength = 0;
    const PathBlock block = owner ? PathBlock{&owner->pathLength, owner->pathPoints, PATH_POINTS_MAX}
                                  : PathBlock{&scratchLength, g_ScratchPoints, PATH_POINTS_MAX};
    bool found = false;
    if (owner) {
        const CellRef saved = owner->currentCell;
        owner->currentCell = from;
        found = g_PathSearch.FindPath(block, from, to);
        owner->currentCell = saved;
    } else {
        found = g_PathSearch.FindPath(block, from, to);
    }
    const int32_t n = *block.length;
    if (!found || n < 1 || n > PATH_POINTS_MAX) return false;

    CellRef* copy = new (std::nothrow) CellRef[size_t(n)];
    if (!copy) return false;
    std::memcpy(copy, block.points, sizeof(CellRef) * size_t(n));
    entries[count].n = uint32_t(n);
    entries[count].points.reset(copy);
    if (owner) owner->pathLength = 0;
    ++count;
    return true;
}

int32_t TrajectoryTable::FindNearest(uint32_t trajectory, float x, float y, float z) const {
    const PathMap* map = ScenarioPathMap();
    if (!map || trajectory >= TRAJECTORY_MAX || entries[trajectory].n == 0) return -1;
    const Trajectory& t = entries[trajectory];
    int32_t best = -1;
    float bestSquared = 0.0f;
    float bestDistance = 0.0f;
    for (uint32_t i = 0; i < t.n; ++i) {
        const CellRef& cell = t.points[i];
        // The cell centre's x and z need no lookup; its floor is read only for a point whose
        // horizontal distance alone does not already lose.
        const float dx = float(cell.x) - map->offX + 0.5f - x;
        const float dz = float(cell.z) - map->offZ + 0.5f - z;
        const float horizontal = dx * dx + dz * dz;
        if (best != -1 && horizontal >= bestSquared) continue;
        Vec3 centre;
        map->CellToWorld(&centre, cell);
        const float dy = centre.y - y;
        const float squared = horizontal + dy * dy;
        if (best != -1 && squared >= bestSquared) continue;
        // Distances that round to the same value are a tie, which the earlier point keeps.
        const float distance = std::sqrt(squared);
        if (best != -1 && !(distance < bestDistance)) continue;
        best = int32_t(i);
        bestSquared = squared;
        bestDistance = distance;
    }
    return best;
}
