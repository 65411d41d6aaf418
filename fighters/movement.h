// Movement on the path map: the program-wide statistics of path requests and the small rules of
// path following that stand on their own. The fighter's operations are members of Character
// (movement.cpp, path_following.cpp).
#pragma once

#include <cstdint>

#include "common/math.h"
#include "world/path_map.h"

// Where the record keeps the points of its path following among its waypoints.
constexpr int WAYPOINT_TARGET = 1;
constexpr int WAYPOINT_FINAL = 2;

// The same x, z and layer.
inline bool SameCell(const CellRef& a, const CellRef& b) { return a.x == b.x && a.z == b.z && a.layer == b.layer; }

// Path lengths in points: under 50, 50-149, 150-499, 500 or more; then the searches that failed.
enum PathSearchBand {
    PATH_BAND_SHORT,
    PATH_BAND_MEDIUM,
    PATH_BAND_LONG,
    PATH_BAND_VERY_LONG,
    PATH_BAND_FAILED,
    PATH_BAND_COUNT,
};

// For each band a count and the running mean search time in ms, both unsigned integers, and the
// goal of the last search that found no path. Never reset during a run.
struct PathSearchStats {
    uint32_t count[PATH_BAND_COUNT];
    uint32_t meanMs[PATH_BAND_COUNT];
    CellRef lastFailedGoal;
};

extern PathSearchStats g_PathSearchStats;
void ResetPathSearchStats();

int PathBandOf(int32_t length);
// mean = (count x mean + ms) / (count + 1), then the count is raised.
void RecordPathFound(int32_t length, uint32_t ms);
void RecordPathFailed(const CellRef& goal, uint32_t ms);

// The bearing of a horizontal direction as path following takes it: from +z toward +x in
// [0, 2 pi), exact on the axes (dx = 0: pi when dz < 0, else 0; dz = 0: 3 pi / 2 when dx < 0,
// else pi / 2).
float PathHeading(float dx, float dz);

constexpr int JUMP_LEVEL_ANIMATION = 32;
constexpr int JUMP_ANIMATION = 33;
// The animation that starts a jump rising by `rise` over `horizontal`: the level jump for 9 to
// 10.5 within 0.5 of level; none (-1: the fighter walks off the edge) for a drop within 4.5 when
// nothing of the scene lies on the segment; the plain jump otherwise.
int JumpAnimationFor(float rise, float horizontal, const Vec3& segmentFrom, const Vec3& segmentTo);
