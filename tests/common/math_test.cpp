#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "common/math.h"

namespace {

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

void ExpectVec3Near(const Vec3& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void ExpectMat4Near(const Mat4& a, const Mat4& b, float tol = 1e-5f) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], tol) << "at " << i << "," << j;
}

TEST(Vec3Math, BasicOperations) {
    Vec3 a{1, 2, 3}, b{4, -5, 6};
    // (2*6 - 3*-5, 3*4 - 1*6, 1*-5 - 2*4)
    ExpectVec3Near(Vec3Cross(a, b), 27, 6, -13);
}

TEST(Vec3Math, NormalizeGivesUnitLengthAndKeepsZero) {
    ExpectVec3Near(Vec3Normalize({0, 3, 4}), 0, 0.6f, 0.8f);
    ExpectVec3Near(Vec3Normalize({0, 0, 0}), 0, 0, 0, 0.0f);
    // Squares of these under- or overflow in float; the direction is still well defined.
    ExpectVec3Near(Vec3Normalize({1e-40f, 0, 0}), 1, 0, 0);
    ExpectVec3Near(Vec3Normalize({3e38f, 0, 3e38f}), 0.70710678f, 0, 0.70710678f);
}

TEST(Vec3Math, TransformCoordDividesByW) {
    // w = x * m[0][3] + m[3][3] = 1*1 + 1 = 2.
    Mat4 p = Mat4Identity();
    p.m[0][3] = 1.0f;
    ExpectVec3Near(Vec3TransformCoord({1, 4, 6}, p), 0.5f, 2, 3);
    // w = 0 (point at infinity): left undivided rather than infinite.
    Mat4 q = Mat4Identity();
    q.m[3][3] = 0.0f;
    ExpectVec3Near(Vec3TransformCoord({1, 2, 3}, q), 1, 2, 3);
}

TEST(Mat4Math, RotationsFollowLeftHandedRowVectorConvention) {
    struct Case {
        const char* name;
        Mat4 m;
        Vec3 in;
        Vec3 out;
    } cases[] = {
        // +90 degrees about y turns +x into -z (left-handed: x towards the viewer's right, z away).
        {"Y x", Mat4RotationY(kHalfPi), {1, 0, 0}, {0, 0, -1}},
        {"X y", Mat4RotationX(kHalfPi), {0, 1, 0}, {0, 0, 1}},
        {"Z x", Mat4RotationZ(kHalfPi), {1, 0, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectVec3Near(Vec3TransformCoord(c.in, c.m), c.out.x, c.out.y, c.out.z);
    }
}

TEST(Mat4Math, MulAppliesLeftOperandFirst) {
    Mat4 t = Mat4Translation(1, 2, 3);
    Mat4 r = Mat4RotationY(kHalfPi);
    // Translate (1,0,0) to (2,2,3), then the y rotation maps (x,y,z) to (z,y,-x).
    ExpectVec3Near(Vec3TransformCoord({1, 0, 0}, Mat4Mul(t, r)), 3, 2, -2);
    // Rotate first to (0,0,-1), then translate.
    ExpectVec3Near(Vec3TransformCoord({1, 0, 0}, Mat4Mul(r, t)), 1, 2, 2);
}

TEST(Mat4Math, InverseRoundTrip) {
    Mat4 general{{{2, 1, 0, 0.5f}, {0, 3, 1, 0}, {1, 0, 4, 0}, {5, -2, 7, 1}}};
    Mat4 transform = Mat4Mul(Mat4Mul(Mat4Scaling(2, 0.5f, 3), Mat4RotationX(0.7f)),
                             Mat4Mul(Mat4RotationY(-1.2f), Mat4Translation(4, -5, 6)));
    for (const Mat4& m : {general, transform}) {
        Mat4 inv;
        ASSERT_TRUE(Mat4Inverse(&inv, m));
        ExpectMat4Near(Mat4Mul(m, inv), Mat4Identity(), 1e-5f);
        ExpectMat4Near(Mat4Mul(inv, m), Mat4Identity(), 1e-5f);
    }
}

TEST(Mat4Math, InverseOfSingularFailsAndLeavesOutput) {
    Mat4 out = Mat4Translation(9, 9, 9);
    EXPECT_FALSE(Mat4Inverse(&out, Mat4Scaling(1, 0, 1)));
    Mat4 rankDeficient{{{1, 2, 3, 0}, {2, 4, 6, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    EXPECT_FALSE(Mat4Inverse(&out, rankDeficient));
    ExpectMat4Near(out, Mat4Translation(9, 9, 9), 0);
}

TEST(QuatMath, HamiltonProductAndNormalize) {
    // a = 4 + 1i + 2j + 3k, b = 8 + 5i + 6j + 7k.
    // w = 4*8 - (5 + 12 + 21) = -6
    // v = 4*(5,6,7) + 8*(1,2,3) + (1,2,3)x(5,6,7) = (20,24,28) + (8,16,24) + (-4,8,-4)
    const Quat p = QuatMul({1, 2, 3, 4}, {5, 6, 7, 8});
    const Quat n = QuatNormalize({0, 0, 3, 4});
    const Quat zero = QuatNormalize({0, 0, 0, 0});
    EXPECT_TRUE(p.x == 24 && p.y == 48 && p.z == 48 && p.w == -6);
    EXPECT_TRUE(n.x == 0 && n.y == 0 && std::fabs(n.z - 0.6f) < 1e-6f && std::fabs(n.w - 0.8f) < 1e-6f);
    EXPECT_TRUE(zero.x == 0 && zero.y == 0 && zero.z == 0 && zero.w == 1);
}

}  // namespace
