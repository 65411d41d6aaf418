// Vectors, rotation quaternions and 4x4 matrices of the fixed-function pipeline.
// Conventions: left-handed, y up; points are row vectors (p' = p x M), so a
// translation sits in the fourth row and Mat4Mul(A, B) = A x B applies A first.
// Angles are radians.
#pragma once

#include <cmath>

inline constexpr float kPi = 3.14159265358979f;
inline constexpr float kTwoPi = 2.0f * kPi;

struct Vec3 {
    float x, y, z;
};

// Rotation quaternion, w last.
struct Quat {
    float x, y, z, w;
};

// Row-major: m[row][column].
struct Mat4 {
    float m[4][4];
};

// Inline: the collision tests call these per face, where a call costs more than the arithmetic.
inline Vec3 Vec3Add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 Vec3Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 Vec3Scale(const Vec3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline float Vec3Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Vec3Length(const Vec3& v) { return std::sqrt(Vec3Dot(v, v)); }
// Componentwise quotient; a zero component of b gives what float division gives.
inline Vec3 Vec3DivComponents(const Vec3& a, const Vec3& b) { return {a.x / b.x, a.y / b.y, a.z / b.z}; }
inline float CosF(float angle) { return std::cos(angle); }
inline float SinF(float angle) { return std::sin(angle); }
// A zero-length vector stays zero rather than turning into NaNs.
Vec3 Vec3Normalize(const Vec3& v);
// Point through a matrix whose last column is (0, 0, 0, 1): Vec3TransformCoord to the bit for a
// finite point, whose w is then exactly 1, without computing w.
inline Vec3 Vec3TransformAffine(const Vec3& p, const Mat4& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
// Point: w = 1, result divided by the resulting w (left undivided when that w is 0, and when it
// is 1, where dividing changes nothing).
inline Vec3 Vec3TransformCoord(const Vec3& p, const Mat4& m) {
    const Vec3 q = Vec3TransformAffine(p, m);
    const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
    if (w == 0.0f || w == 1.0f) return q;
    return {q.x / w, q.y / w, q.z / w};
}
// Direction: w = 0, the fourth row (translation) is ignored.
Vec3 Vec3TransformNormal(const Vec3& n, const Mat4& m);

Quat QuatIdentity();
// Hamilton product a * b (as a rotation: b is applied first, then a).
Quat QuatMul(const Quat& a, const Quat& b);
// A zero quaternion describes no rotation and becomes the identity.
Quat QuatNormalize(const Quat& q);

Mat4 Mat4Identity();
// A x B: with row vectors the result applies A first, then B.
Mat4 Mat4Mul(const Mat4& a, const Mat4& b);
Mat4 Mat4Translation(float x, float y, float z);
Mat4 Mat4Scaling(float x, float y, float z);
Mat4 Mat4RotationX(float angle);
Mat4 Mat4RotationY(float angle);
Mat4 Mat4RotationZ(float angle);
Mat4 Mat4Transpose(const Mat4& m);
// False for a singular matrix; *out is then left untouched.
bool Mat4Inverse(Mat4* out, const Mat4& m);
// Computed in double; 0 for a singular matrix.
double Mat4Determinant(const Mat4& m);

// An angle brought into [0, 2 pi).
float WrapAngle(float a);
// b - a the shorter way, in (-pi, pi].
float AngleDifference(float a, float b);
