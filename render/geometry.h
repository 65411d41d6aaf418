// Free geometry helpers shared program-wide: name clean-up, pick rays and screen
// projection, rotation and transform matrices, polygon clipping, ray and segment tests.
// Row vectors throughout (p' = p x M); see common/math.h.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"

class Camera;

// Direction first, then origin: six floats, the layout every ray query shares.
struct Ray {
    Vec3 direction;   // not necessarily unit length
    Vec3 origin;
};

// a x + b y + c z + d; which sign counts as inside is up to the user of the plane.
struct Plane {
    float a, b, c, d;
};

// Maximum corner first: six floats max x, y, z, min x, y, z.
struct AxisBox {
    Vec3 max;
    Vec3 min;
};

// Upright: the axis runs +y from the base centre.
struct Cylinder {
    Vec3 base;
    float height;
    float radius;
};

struct Sphere {
    Vec3 centre;
    float radius;
};

// A node's decomposed local transform, 15 floats in file order.
struct TransformParts {
    Vec3 translation;
    Quat rotation;
    Quat stretchRotation;   // axes along which the stretch scale acts
    Vec3 stretchScale;
    float sign;             // uniform factor on the stretch scale (-1 mirrors)
};
static_assert(sizeof(TransformParts) == 15 * sizeof(float));

// Cuts the name at its first '.' found from position 1 on, but only when that dot
// stands at position 2 or later (so ".x" and "a.x" stay whole).
void StripExtension(char* name);
// In place, C locale.
void StrUpper(char* name);

// The ray from the camera's eye through pixel (x, y) of the screen rectangle.
// A camera without a projection yet, or a degenerate screen, gives a zero direction.
void ScreenPointToRay(Ray* ray, int32_t x, int32_t y, const Camera& camera);
// Pixel of a world point. No test for points behind the eye or off the screen; results
// past the int range saturate (the eye plane divides by zero). Always true.
bool WorldToScreen(float x, float y, float z, int32_t* sx, int32_t* sy, const Camera& camera);

// Rx(a) x Ry(b) x Rz(c): turns about x first, then y, then z.
void MatrixRotation(Mat4* out, float a, float b, float c);
// The rotation matrix of the model and animation files. Its off-diagonal signs are the
// transpose of the usual row-vector form, so p x QuatToMatrix(q) turns p by the inverse of q.
Mat4 QuatToMatrix(const Quat& q);
// Mi x Ms x Mr2 x Mr1 x Mt: stretch along the stretch axes, rotate, translate.
void BuildTransformMatrix(Mat4* out, const TransformParts& parts);

// upper = the smallest power of two >= value (at least 2, at most 2^31); lower = the one
// before it (at least 2). True when value equals upper. Either pointer may be null.
bool NextPowerOfTwo(uint32_t value, uint32_t* lower, uint32_t* upper);

// Sutherland-Hodgman; a point stays where a x + b y + c z + d <= 0. The polygon may grow
// to any size on the way. False when nothing is left or fewer than 3 points remain;
// *newPoints is then left empty.
bool ClipPolygonByPlanes(const Plane* planes, int planeCount, const Vec3* points, int pointCount,
                         std::vector<Vec3>* newPoints);

// Crossing of the two infinite lines a-b and c-d in x and z (out->y untouched). False when
// parallel, and also when the numerator of the line parameter is within 1e-7 of 1.
bool SegmentIntersectXZ(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, Vec3* out);
// M x = rhs by Cramer's rule, one equation per row; false when |det| < 0.0001.
bool SolveLinear4x4(const Mat4& m, const float rhs[4], float x[4]);
// The point of segment a-b nearest p, and its distance. False for a segment shorter than
// 0.01. Either out pointer may be null.
bool SegmentClosestPoint(const Vec3& a, const Vec3& b, const Vec3& p, float* distance, Vec3* point);

// Face code of the nearest face hit (1 max y, 2 min y, 3 max z, 4 min z, 5 min x, 6 max x),
// 0 for none. point may be null.
int RayBoxIntersect(const AxisBox& box, const Ray& ray, Vec3* point);
bool RayCylinderIntersect(const Ray& ray, const Cylinder& cylinder, Vec3* point, Vec3* normal);
// A ray starting inside gives the exit point; a grazing ray misses.
bool RaySphereIntersect(const Ray& ray, const Sphere& sphere, Vec3* point, Vec3* normal);
