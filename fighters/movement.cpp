// Movement on the path map: reachability, the nearest reachable cell, goal requests and their
// throttled service by the path search, move modes, and the statistics of the searches.
#include <cmath>

#include "core/clocks.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/movement.h"
#include "fighters/trajectory.h"
#include "world/item.h"
#include "world/path_map.h"
#include "world/path_search.h"

PathSearchStats g_PathSearchStats = {};

namespace {

constexpr int kIdleAnimation = 0;
constexpr int kIdleBlendMs = 200;

// Nearest reachable cell around an unreachable goal, and around a start that is no cell.
constexpr int kGoalRings = 5;
constexpr float kGoalTolerance = 5.0f;
constexpr int kStartRings = 10;
constexpr float kStartTolerance = 3.0f;

// A request waits this long after the last search when a fighter or an item is on its goal.
constexpr uint32_t kWaitForFighterMs = 800;
constexpr uint32_t kWaitForItemMs = 200;

// A fighter on its way is not sent elsewhere for a goal that moved this little.
constexpr float kReplanShare = 0.2f;
constexpr float kFollowTolerance = 2.0f;
constexpr float kFollowNearDistance = 30.0f;
constexpr float kFollowNearRise = 2.0f;
constexpr float kFollowReplanDistance = 10.0f;

// The new mean of a band in integer arithmetic, wide enough that count x mean cannot wrap.
void CountInBand(int band, uint32_t ms) {
    PathSearchStats& s = g_PathSearchStats;
    const uint64_t count = s.count[band];
    s.meanMs[band] = uint32_t((count * s.meanMs[band] + ms) / (count + 1));
    ++s.count[band];
}

}  // namespace

void ResetPathSearchStats() { g_PathSearchStats = PathSearchStats{}; }

int PathBandOf(int32_t length) {
    if (length < 50) return PATH_BAND_SHORT;
    if (length < 150) return PATH_BAND_MEDIUM;
    if (length < 500) return PATH_BAND_LONG;
    return PATH_BAND_VERY_LONG;
}

void RecordPathFound(int32_t length, uint32_t ms) { CountInBand(PathBandOf(length), ms); }

void RecordPathFailed(const CellRef& goal, uint32_t ms) {
    CountInBand(PATH_BAND_FAILED, ms);
    g_PathSearchStats.lastFailedGoal = goal;
}

bool Character::CanReachCell(const CellRef& cell) {
    const PathMap* map = ScenarioPathMap();
    if (!map || !map->CheckCell(cell)) return false;
    const int32_t sector = map->SectorOf(cell);
    return !map->IsSectorIsolated(sector) && map->SectorReaches(0, sector) != 0 && map->CanReach(currentCell, cell);
}

bool Character::FindReachableCell(const CellRef& centre, CellRef* out, int rings, float heightTolerance) {
    const PathMap* map = ScenarioPathMap();
    if (!out || rings < 1 || !map) return false;
    // Each ring's inner square was scanned by the rings before it, so only its border is looked
    // at, in the same order: rows from -r to r, columns from -r to r.
    for (int64_t r = 1; r < rings; ++r) {
        for (int64_t dz = -r; dz <= r; ++dz) {
            const bool edgeRow = dz == -r || dz == r;
            for (int64_t dx = -r; dx <= r; dx += edgeRow ? 1 : 2 * r) {
                const int64_t x = int64_t(centre.x) + dx;
                const int64_t z = int64_t(centre.z) + dz;
                if (x < 0 || z < 0 || x >= map->cols || z >= map->rows) continue;
                const int32_t layer = map->FindLayerNear(int32_t(x), int32_t(z), position.y, heightTolerance);
                const CellRef cell{int32_t(x), int32_t(z), layer};
                if (layer != -1 && CanReachCell(cell)) {
                    *out = cell;
                    return true;
                }
            }
        }
    }
    return false;
}

void Character::SetTargetCell(const CellRef& cell) {
    targetCell = cell;
    if (const PathMap* map = ScenarioPathMap()) map->CellToWorld(&waypoints[WAYPOINT_TARGET], cell);
}

void Character::SetFinalCell(const CellRef& cell) {
    finalCell = cell;
    if (const PathMap* map = ScenarioPathMap()) map->CellToWorld(&waypoints[WAYPOINT_FINAL], cell);
}

bool Character::MoveToCell(const CellRef& cell, bool useTrajectories) {
    const PathMap* map = ScenarioPathMap();
    if (!map || dead || actionClass == ACTION_CLASS_ENTRY || airborne) return false;
    if (following && SameCell(finalCell, cell)) return false;

    CellRef goal = cell;
    if (!CanReachCell(goal) && !FindReachableCell(cell, &goal, kGoalRings, kGoalTolerance)) {
        failedGoalCell = cell;
        if (map->InBounds(cell.x, cell.z)) failedSector = map->SectorOf(cell);
        return false;
    }
    requestedGoalCell = goal;

    if (following) {
        const float toFinal = map->CellDistance(finalCell, goal);
        float fromHere = 0.0f;
        if (map->IsValidCell(currentCell)) {
            fromHere = map->CellDistance(currentCell, goal);
        } else {
            Vec3 at{};
            map->CellToWorld(&at, goal);
            fromHere = Vec3Length(Vec3Sub(at, position));
        }
        if (kReplanShare * fromHere > toFinal) return false;
    }

    pathRequested = 1;
    if (g_TrajectoryTable.count != 0 && useTrajectories) PlanRoute(goal);
    return true;
}

bool Character::MoveToward(Character* other, float lead) {
    const PathMap* map = ScenarioPathMap();
    if (!map || !other || other->dead) return false;
    if (lead < 1.0f && (other->actionClass == ACTION_CLASS_ENTRY || other->actionClass == ACTION_CLASS_LEVEL_CHANGE)) return false;
    if (other->airborne) return false;

    // Off the grid the lookup writes no layer: it must not keep an unset one.
    CellRef goal = CELL_NONE;
    if (lead != 0.0f) {
        Vec3 toMe = Vec3Sub(position, other->position);
        const float length = Vec3Length(toMe);
        const Vec3 point =
            length < 0.000001f ? other->position : Vec3Add(other->position, Vec3Scale(toMe, lead / length));
        map->WorldToCell(point, &goal, kFollowTolerance);
    } else {
        goal = other->currentCell;
    }

    if (following) {
        if (SameCell(goal, finalCell)) return false;
        if (map->IsValidCell(goal)) {
            float rise = 0.0f;
            const float distance = MeasureCellDistance(currentCell, goal, &rise);
            const bool near = distance <= kFollowNearDistance && std::fabs(rise) <= kFollowNearRise;
            if (!near && map->CellDistance(finalCell, goal) < kFollowReplanDistance) return false;
        }
    }
    return MoveToCell(goal, true);
}

bool Character::ServePathRequest() {
    if (!pathRequested) return false;
    PathMap* map = ScenarioPathMap();
    if (!map) return false;

    const CellRef goal = requestedGoalCell;
    uint32_t wait = 0;
    if (map->IsValidCell(goal)) {
        if (map->CharacterAt(goal))
            wait = kWaitForFighterMs;
        else if (map->ItemAt(goal))
            wait = kWaitForItemMs;
    }
    if (GetElapsed(CLOCK_MATCH, lastRequestTime) < wait) return false;
    lastRequestTime = GetTime(CLOCK_MATCH);
    pathRequested = 0;

    if (!CanReachCell(goal)) return false;
    CellRef start = currentCell;
    if (!map->IsValidCell(start) && !FindReachableCell(currentCell, &start, kStartRings, kStartTolerance)) return false;
    if (!map->CanReach(start, goal)) return false;

    const uint32_t searchStart = GetTime(CLOCK_MATCH);
    const bool found = g_PathSearch.FindPath(PathBlock{&pathLength, pathPoints, PATH_POINTS_MAX}, start, goal);
    const uint32_t searchMs = GetTime(CLOCK_MATCH) - searchStart;
    if (!found) {
        failedGoalCell = goal;
        failedSector = map->SectorOf(goal);
        RecordPathFailed(goal, searchMs);
        return false;
    }

    RecordPathFound(pathLength, searchMs);
    following = 1;
    SetFinalCell(goal);
    SimplifyPath();
    if (!SameCell(finalCell, currentCell)) {
        pathIndex = SameCell(currentCell, pathPoints[0]) && pathLength > 1 ? 1 : 0;
    } else {
        pathIndex = 0;
        pathLength = 1;
    }
    TakeUpPath();
    return true;
}

void Character::TakeUpPath() {
    SetTargetCell(pathPoints[pathIndex]);
    failedGoalCell = CELL_NONE;
    failedSector = -1;
    pathStartTimes[0] = pathStartTimes[1] = GetTime(CLOCK_MATCH);
    if (moveMode == MOVE_STANDING) SetMoveMode(MOVE_FOLLOWING);
}

bool Character::SetMoveMode(int mode) {
    if (mode == moveMode) return false;
    switch (mode) {
    case MOVE_STANDING:
        moveMode = MOVE_STANDING;
        if (actionClass != 0) SetAnimation(kIdleAnimation, kIdleBlendMs, 1, 0);
        break;
    case MOVE_FOLLOWING:
        moveMode = MOVE_FOLLOWING;
        SetAnimation(kIdleAnimation, kIdleBlendMs, 1, 0);
        break;
    case MOVE_DIRECT: moveMode = MOVE_DIRECT; break;
    default: break;
    }
    return true;
}

bool Character::StopMoving() {
    following = 0;
    return SetAnimation(kIdleAnimation, kIdleBlendMs, 1, 0);
}

bool Character::RecentreOnCell() {
    StopMoving();
    return MoveToCell(currentCell, true);
}

bool Character::IsHeadingForItemType(int32_t low, int32_t high) {
    const PathMap* map = ScenarioPathMap();
    if (!following || !map) return false;
    const int type = ItemTypeOf(map->FindItem(requestedGoalCell));
    return type != -1 && type >= low && type <= high;
}
