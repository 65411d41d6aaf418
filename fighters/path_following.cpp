// Following a path: the straight-walk test and the shortening of a found path, and each frame's
// step toward the next waypoint with its arrival, give-up, jump start, turning and run animation.
#include <cmath>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/movement.h"
#include "scene/ground.h"
#include "world/path_map.h"
#include "world/path_search.h"

namespace {

constexpr int kIdleAnimation = 0;
constexpr int kRunAnimation = 21;
constexpr int kAnimationBlendMs = 200;
constexpr int kJumpClass = 2;
// Falls and landings that path following leaves alone.
constexpr int kFallAnimations[] = {40, 41, 42};

constexpr float kWalkStep = 0.1f;
constexpr float kWalkMaxRise = 0.45f;
constexpr float kWalkTolerance = 100.0f;

constexpr float kArrivalRadius = 0.5f;
constexpr float kCrowdedRadius = 1.5f;
constexpr float kGiveUpRise = 2.0f;
constexpr float kJumpLineHeight = 0.45f;

float Horizontal(const Vec3& a, const Vec3& b) { return std::hypot(b.x - a.x, b.z - a.z); }

// Another fighter stands registered on the cell.
bool OtherFighterOn(const PathMap& map, const CellRef& cell, const Character* self) {
    if (!map.IsValidCell(cell)) return false;
    const Character* c = map.CharacterAt(cell);
    return c && c != self;
}

bool IsFallAnimation(int32_t animation) {
    for (int a : kFallAnimations)
        if (a == animation) return true;
    return false;
}

}  // namespace

float PathHeading(float dx, float dz) {
    if (dx == 0.0f) return dz < 0.0f ? kPi : 0.0f;
    if (dz == 0.0f) return dx < 0.0f ? 1.5f * kPi : 0.5f * kPi;
    return WrapAngle(std::atan2(dx, dz));
}

int JumpAnimationFor(float rise, float horizontal, const Vec3& segmentFrom, const Vec3& segmentTo) {
    if (std::fabs(rise) < 0.5f && horizontal > 9.0f && horizontal < 10.5f) return JUMP_LEVEL_ANIMATION;
    if (rise <= 0.0f && horizontal <= 4.5f && !IsSegmentBlocked(segmentFrom, segmentTo)) return -1;
    return JUMP_ANIMATION;
}

bool Character::IsStraightWalkable(const CellRef& a, const CellRef& b) {
    const PathMap* map = ScenarioPathMap();
    if (!map || !map->IsValidCell(a) || !map->IsValidCell(b)) return false;
    Vec3 p{}, end{};
    map->CellToWorld(&p, a);
    map->CellToWorld(&end, b);
    const Vec3 along = Vec3Sub(end, p);
    const float length = Vec3Length(along);
    // Two floors of one column: no walk leads straight up or down, and the walker would be put
    // back on its own floor at every step without end.
    if (length >= 0.000001f && a.x == b.x && a.z == b.z) return false;
    const Vec3 step = length < 0.000001f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(along, kWalkStep / length);

    CellRef walker = a;
    float walkerFloor = p.y;
    bool walkerAlone = map->LayerCount(a.x, a.z) == 1;
    for (;;) {
        p = Vec3Add(p, step);
        // Most steps stay over the walker's column; with a single floor there, the lookup could
        // only give the walker's own cell, so it is spared.
        const bool stayed = walkerAlone && std::trunc(p.x + map->offX) == float(walker.x) &&
                            std::trunc(p.z + map->offZ) == float(walker.z) &&
                            std::fabs(walkerFloor - p.y) < kWalkTolerance;
        if (!stayed) {
            // Off the grid the lookup writes no layer: it starts from none rather than the last.
            CellRef c = CELL_NONE;
            map->WorldToCell(p, &c, kWalkTolerance);
            if (!SameCell(c, walker)) {
                // The step rule chooses the floor, and leaves the grid's edge refused.
                if (!g_PathSearch.StepAllowed(walker, &c)) return false;
                const float floor = map->GetLayer(c)->floor;
                if (std::fabs(floor - walkerFloor) > kWalkMaxRise) return false;
                walker = c;
                walkerFloor = floor;
                walkerAlone = map->LayerCount(c.x, c.z) == 1;
                p.y = floor;
            }
        }
        // Within 0.1 of b's centre is inside b's column, where the walker then stands.
        if (walker.x == b.x && walker.z == b.z && Vec3Length(Vec3Sub(end, p)) < kWalkStep) return true;
    }
}

void Character::SimplifyPath() {
    const int32_t n = pathLength > PATH_POINTS_MAX ? PATH_POINTS_MAX : pathLength;
    if (n <= 1) {
        pathLength = 1;
        return;
    }
    const PathMap* map = ScenarioPathMap();
    if (!map) return;
    // The output overwrites the path from the front and never passes the point being read.
    int32_t out = 1;
    int32_t j = 0;
    int32_t k = 0;
    do {
        const CellRef anchor = k == 0 ? currentCell : pathPoints[k];
        const int32_t sector = map->SectorOf(anchor);
        for (;;) {
            ++j;
            if (j >= n || map->SectorOf(pathPoints[j]) != sector || !IsStraightWalkable(anchor, pathPoints[j])) break;
        }
        k = j - 1;
        if (!SameCell(pathPoints[k], pathPoints[out - 1])) pathPoints[out++] = pathPoints[k];
    } while (k < n - 1);
    pathLength = out;
}

void Character::UpdateMove() {
    if (knockedDown) return;
    if (moveMode == MOVE_STANDING) {
        if (AnimationWrapped(0) && actionClass != 0) SetAnimation(kIdleAnimation, kAnimationBlendMs, 3, 0);
    } else if (moveMode == MOVE_FOLLOWING) {
        StepToward();
    }
}

void Character::StepToward() {
    const PathMap* map = ScenarioPathMap();
    if (!following || !map) return;

    const float arrival = OtherFighterOn(*map, finalCell, this) ? kCrowdedRadius : kArrivalRadius;
    if (Vec3Length(Vec3Sub(waypoints[WAYPOINT_FINAL], position)) < arrival || pathIndex >= pathLength) {
        SetMoveMode(MOVE_STANDING);
        following = 0;
        return;
    }

    bool advanced = false;
    const Vec3 target = waypoints[WAYPOINT_TARGET];
    if (target.y <= position.y + 0.5f) {
        float reach = OtherFighterOn(*map, targetCell, this) ? kCrowdedRadius : kArrivalRadius;
        if (target.y < position.y - 1.0f && !airborne) reach *= 1.5f;
        const bool last = SameCell(targetCell, finalCell);
        const bool hasNext = pathIndex >= 0 && pathIndex + 1 < pathLength;
        bool facingGood = true;
        bool jumpFirst = false;
        if (!last && hasNext) {
            const CellRef& next = pathPoints[pathIndex + 1];
            Vec3 nextPoint{};
            map->CellToWorld(&nextPoint, next);
            const float heading = PathHeading(nextPoint.x - target.x, nextPoint.z - target.z);
            facingGood = std::fabs(AngleDifference(yaw, heading)) <= 0.5f * kPi;
            if (map->IsValidCell(targetCell) && map->HasJump(targetCell)) {
                CellRef landing{};
                jumpFirst = SameCell(*map->JumpTarget(&landing, targetCell), next);
            }
        }
        const float full = Vec3Length(Vec3Sub(target, position));
        const float horiz = Horizontal(position, target);
        if ((full < reach && !airborne) || (horiz < reach && facingGood && !jumpFirst)) {
            ++pathIndex;
            // Past the last point there is no target; the next frame's arrival test ends the move.
            if (pathIndex < pathLength) SetTargetCell(pathPoints[pathIndex]);
            advanced = true;
        }
    }

    if (!advanced && !airborne) {
        const bool aboveOrBelow = currentCell.x == targetCell.x && currentCell.z == targetCell.z &&
                                  currentCell.layer != targetCell.layer;
        if (std::fabs(position.y - target.y) > kGiveUpRise && actionClass != kJumpClass && aboveOrBelow) {
            SetMoveMode(MOVE_STANDING);
            following = 0;
            return;
        }
    }

    const Vec3& aim = waypoints[WAYPOINT_TARGET];
    if (!airborne && actionClass == ACTION_CLASS_RUN && map->IsValidCell(currentCell) && map->HasJump(currentCell)) {
        CellRef landing{};
        if (SameCell(*map->JumpTarget(&landing, currentCell), targetCell)) {
            Vec3 from{}, to{};
            map->CellToWorld(&from, currentCell);
            map->CellToWorld(&to, targetCell);
            from.y += kJumpLineHeight;
            to.y = from.y;
            const int jump = JumpAnimationFor(aim.y - position.y, Horizontal(position, aim), from, to);
            TurnTowards(kTwoPi, aim.x, aim.y, aim.z);
            if (jump != -1) SetAnimation(jump, 0, 1, 0);
            jumpCell = targetCell;
        }
    }

    if (actionClass < 3 && !IsFallAnimation(currentAnimation)) {
        if (airborne && Horizontal(position, aim) < 0.5f) {
            if (actionClass != kJumpClass) SetAnimation(kRunAnimation, kAnimationBlendMs, 1, 0);
            return;
        }
        const float limit = actionClass == ACTION_CLASS_RUN ? kTwoPi : g_FighterShellCalls.frameSeconds() * 4.0f * kTwoPi;
        TurnTowards(limit, aim.x, aim.y, aim.z);
    }
    if (actionClass != kJumpClass) SetAnimation(kRunAnimation, kAnimationBlendMs, 1, 0);
}
