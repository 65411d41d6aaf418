#include "common/math.h"

#include <cmath>

Vec3 Vec3Normalize(const Vec3& v) {
    // In double: the squares of very short (or very long) float vectors would underflow
    // (overflow) in float and lose a direction that is well defined.
    double x = v.x, y = v.y, z = v.z;
    double len = std::sqrt(x * x + y * y + z * z);
    if (!(len > 0.0)) return {0.0f, 0.0f, 0.0f};
    return {static_cast<float>(x / len), static_cast<float>(y / len), static_cast<float>(z / len)};
}

Vec3 Vec3TransformNormal(const Vec3& n, const Mat4& m) {
    return {n.x * m.m[0][0] + n.y * m.m[1][0] + n.z * m.m[2][0],
            n.x * m.m[0][1] + n.y * m.m[1][1] + n.z * m.m[2][1],
            n.x * m.m[0][2] + n.y * m.m[1][2] + n.z * m.m[2][2]};
}

Quat QuatIdentity() { return {0.0f, 0.0f, 0.0f, 1.0f}; }

Quat QuatMul(const Quat& a, const Quat& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Quat QuatNormalize(const Quat& q) {
    float len = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(len > 0.0f)) return QuatIdentity();
    return {q.x / len, q.y / len, q.z / len, q.w / len};
}

Mat4 Mat4Identity() {
    Mat4 r{};
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

Mat4 Mat4Mul(const Mat4& a, const Mat4& b) {
    Mat4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
    return r;
}

Mat4 Mat4Translation(float x, float y, float z) {
    Mat4 r = Mat4Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Mat4 Mat4Scaling(float x, float y, float z) {
    Mat4 r{};
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    r.m[3][3] = 1.0f;
    return r;
}

Mat4 Mat4RotationX(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Mat4 r = Mat4Identity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

Mat4 Mat4RotationY(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Mat4 r = Mat4Identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Mat4 Mat4RotationZ(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    Mat4 r = Mat4Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Mat4 Mat4Transpose(const Mat4& m) {
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    return r;
}

namespace {

// The 2x2 minors of the top (s) and bottom (c) row pairs, in double so near-singular
// transforms keep their precision; the determinant and the cofactors both come from them.
struct Minors {
    double a[4][4];
    double s0, s1, s2, s3, s4, s5;
    double c0, c1, c2, c3, c4, c5;
    double det;

    explicit Minors(const Mat4& m) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) a[i][j] = m.m[i][j];
        s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
        s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
        s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
        s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
        s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
        s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
        c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
        c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
        c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
        c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
        c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
        c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
        det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    }
};

}  // namespace

double Mat4Determinant(const Mat4& m) { return Minors(m).det; }

bool Mat4Inverse(Mat4* out, const Mat4& m) {
    const Minors mi(m);
    const auto& a = mi.a;
    const double s0 = mi.s0, s1 = mi.s1, s2 = mi.s2, s3 = mi.s3, s4 = mi.s4, s5 = mi.s5;
    const double c0 = mi.c0, c1 = mi.c1, c2 = mi.c2, c3 = mi.c3, c4 = mi.c4, c5 = mi.c5;
    const double det = mi.det;
    if (det == 0.0 || !std::isfinite(det)) return false;
    double inv = 1.0 / det;

    double r[4][4];
    r[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * inv;
    r[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * inv;
    r[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * inv;
    r[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * inv;

    r[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * inv;
    r[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * inv;
    r[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * inv;
    r[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * inv;

    r[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * inv;
    r[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * inv;
    r[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * inv;
    r[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * inv;

    r[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * inv;
    r[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * inv;
    r[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * inv;
    r[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * inv;

    Mat4 result;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) result.m[i][j] = static_cast<float>(r[i][j]);
    *out = result;
    return true;
}

float WrapAngle(float a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0.0f) a += kTwoPi;
    if (a >= kTwoPi) a = 0.0f;
    return a;
}

float AngleDifference(float a, float b) {
    const float d = WrapAngle(b - a);
    return d > kPi ? d - 2.0f * kPi : d;
}
