// Routes through the stored trajectories: the trajectory that leads toward a far goal, and the
// route joined from a path to it, a stretch of it and a path from it to the goal.
#include "fighters/route_planning.h"

#include <cmath>
#include <cstring>

#include "fighters/character.h"
#include "fighters/movement.h"
#include "fighters/trajectory.h"

RouteBuffer g_RouteBuffer = {};

namespace {

// A trajectory serves a goal whose direction lies within this of its own, over a stretch longer
// than the span, with both ends nearer than this share of the stretch.
constexpr float kMaxHeadingDifference = kPi / 3.0f;
constexpr float kMinSpan = 70.0f;
constexpr float kEndShare = 0.2f;

// Appends to the route; false (nothing appended) when the points would pass its room.
bool AppendToRoute(const CellRef* points, int32_t n) {
    if (n < 0 || n > PATH_POINTS_MAX - g_RouteBuffer.count) return false;
    std::memcpy(g_RouteBuffer.points + g_RouteBuffer.count, points, sizeof(CellRef) * size_t(n));
    g_RouteBuffer.count += n;
    return true;
}

}  // namespace

void ResetRouteBuffer() { g_RouteBuffer = RouteBuffer{}; }

float RouteHeading(const Vec3& direction) {
    const float length = Vec3Length(direction);
    const Vec3 unit = length < 1e-6f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(direction, 1.0f / length);
    // atan2 stays within +-pi, so only a negative heading needs raising.
    float yaw = std::fabs(unit.x) >= 0.0001f ? std::atan2(unit.x, unit.z) : (unit.z <= 0.0f ? kPi : 0.0f);
    if (yaw < 0.0f) yaw += kTwoPi;
    return yaw;
}

float RouteHeadingDifference(float a, float b) {
    const float d = std::fabs(a - b);
    return d > kPi ? kTwoPi - d : d;
}

int Character::FindTrajectory(const CellRef& goal, int32_t* entryOut, int32_t* exitOut) {
    const TrajectoryTable& table = g_TrajectoryTable;
    const PathMap* map = ScenarioPathMap();
    if (table.count == 0 || !map) return -1;
    Vec3 goalPoint;
    map->CellToWorld(&goalPoint, goal);
    const float goalHeading = RouteHeading(Vec3Sub(goalPoint, position));

    int best = -1;
    float bestSum = 0.0f;
    for (uint32_t i = 0; i < table.count && i < TRAJECTORY_MAX; ++i) {
        const Trajectory& t = table.entries[i];
        if (t.n == 0) continue;
        Vec3 first, last;
        map->CellToWorld(&first, t.points[0]);
        map->CellToWorld(&last, t.points[t.n - 1]);
        if (!(RouteHeadingDifference(RouteHeading(Vec3Sub(last, first)), goalHeading) < kMaxHeadingDifference)) continue;

        const int32_t entry = table.FindNearest(i, position.x, position.y, position.z);
        const int32_t exit = table.FindNearest(i, goalPoint.x, goalPoint.y, goalPoint.z);
        if (!(exit > entry)) continue;
        Vec3 entryPoint, exitPoint;
        map->CellToWorld(&entryPoint, t.points[entry]);
        map->CellToWorld(&exitPoint, t.points[exit]);
        const float span = Vec3Length(Vec3Sub(exitPoint, entryPoint));
        if (!(span > kMinSpan)) continue;
        const float toEntry = Vec3Length(Vec3Sub(position, entryPoint));
        const float fromExit = map->CellDistance(t.points[exit], goal);
        if (!(toEntry < kEndShare * span && fromExit < kEndShare * span)) continue;

        if (best == -1 || toEntry + fromExit < bestSum) {
            best = int(i);
            bestSum = toEntry + fromExit;
            if (entryOut) *entryOut = entry;
            if (exitOut) *exitOut = exit;
        }
    }
    return best;
}

bool Character::PlanRoute(const CellRef& goal) {
    const PathMap* map = ScenarioPathMap();
    // Every failure leaves a plain request for the goal, served later in the usual way.
    auto plainRequest = [&] {
        MoveToCell(goal, false);
        return false;
    };
    if (g_TrajectoryTable.count == 0 || !map || SameCell(currentCell, goal)) return plainRequest();
    int32_t entry = -1, exit = -1;
    const int chosen = FindTrajectory(goal, &entry, &exit);
    if (chosen == -1) return plainRequest();
    const Trajectory& t = g_TrajectoryTable.entries[chosen];
    const CellRef entryCell = t.points[entry];
    const CellRef exitCell = t.points[exit];

    // A route that would pass the buffer is no route: the fighter's own path holds no more, and
    // the path the inner requests left must not be followed from where the fighter stands.
    auto overflow = [&] {
        following = 0;
        return plainRequest();
    };

    // The path to the trajectory, searched now under the wait of any request.
    g_RouteBuffer.count = 0;
    if (!SameCell(currentCell, entryCell)) {
        following = 0;
        pathRequested = 0;
        if (!MoveToCell(entryCell, false) || !ServePathRequest()) return plainRequest();
        if (!AppendToRoute(pathPoints, pathLength)) return overflow();
    }
    if (!AppendToRoute(t.points.get() + entry, exit - entry + 1)) return overflow();

    // The path from the trajectory to the goal, searched as if the fighter stood at its exit.
    if (!SameCell(goal, exitCell)) {
        const CellRef savedCell = currentCell;
        const Vec3 savedPosition = position;
        currentCell = exitCell;
        map->CellToWorld(&position, exitCell);
        following = 0;
        pathRequested = 0;
        const bool served = MoveToCell(goal, false) && ServePathRequest();
        currentCell = savedCell;
        position = savedPosition;
        if (!served) return plainRequest();
        if (!AppendToRoute(pathPoints, pathLength)) return overflow();
    }

    pathLength = g_RouteBuffer.count;
    std::memcpy(pathPoints, g_RouteBuffer.points, sizeof(CellRef) * size_t(g_RouteBuffer.count));
    following = 1;
    pathRequested = 0;
    SimplifyPath();
    pathIndex = SameCell(currentCell, pathPoints[0]) && pathLength > 1 ? 1 : 0;
    SetFinalCell(pathPoints[pathLength - 1]);
    TakeUpPath();
    return true;
}
