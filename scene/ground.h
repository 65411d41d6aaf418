// Heights of the ground and of lava under a point, slope, blocked segments and reflection,
// all through the scene's ray queries. Heights are world y; "down" is -y.
#pragma once

#include <cstdint>

#include "common/math.h"

struct Ray;

// What the height functions give when nothing lies within 2000 units below the point.
constexpr float GROUND_NONE = -2000.0f;

// Solid surfaces below the point (static geometry and collidable objects); normal may be null.
float GetGroundHeight(float x, float y, float z, Vec3* outNormal);
// Lava surfaces below the point.
float GetLavaHeight(float x, float y, float z, Vec3* outNormal);
// Static solid surfaces only, with the unit downhill direction along the surface.
float GetGroundHeightAndSlope(float x, float y, float z, Vec3* outNormal, Vec3* outDownhill);
// True when the static solid geometry cuts the segment; a hit exactly at b does not block.
bool IsSegmentBlocked(const Vec3& a, const Vec3& b);
// v mirrored at the plane with normal n; v itself when n is (nearly) zero.
Vec3 ReflectOffPlane(const Vec3& v, const Vec3& pointOnPlane, const Vec3& n);

// The nearest hit among the scene's collidable objects (none without a scene).
bool CollidableListRayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t mask);
