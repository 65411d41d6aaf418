// Routes through the stored trajectories: a short path to a trajectory, a stretch of it and a
// short path from it to the goal, joined in one buffer into a fighter's path.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "world/path_map.h"

// The one buffer a route is assembled in, shared by every fighter; rebuilt by each call.
struct RouteBuffer {
    int32_t count;
    CellRef points[PATH_POINTS_MAX];
};
extern RouteBuffer g_RouteBuffer;
void ResetRouteBuffer();

// The heading route planning compares: of the normalised direction (zero when shorter than
// 1e-6), atan2(x, z) when |x| >= 0.0001, else pi when z <= 0 and 0 otherwise; in [0, 2 pi).
float RouteHeading(const Vec3& direction);
// |a - b| folded into [0, pi].
float RouteHeadingDifference(float a, float b);
