// Small geometry shared by the prop physics and collisions.
#pragma once

#include "common/math.h"

constexpr float kPropNormaliseMin = 1e-6f;

// Unit length, or zero for a vector shorter than kPropNormaliseMin.
inline Vec3 PropNormalise(const Vec3& v) {
    const float len = Vec3Length(v);
    return len < kPropNormaliseMin ? Vec3{0, 0, 0} : Vec3Scale(v, 1.0f / len);
}

// Some axis differs by 0.0001 or more.
bool PropMoved(const Vec3& a, const Vec3& b);

// The static ground under the ball's centre taken as a flat surface: how far the ball of the
// radius reaches into it (negative: above it). Writes the downhill direction and the surface
// normal; *found is false (nothing written) when there is no ground below.
float PropGroundProbe(const Vec3& p, float radius, Vec3* downhill, bool* found, Vec3* normal);
