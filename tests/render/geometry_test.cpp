#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"

namespace {

void ExpectVec3Near(const Vec3& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void ExpectMat4Near(const Mat4& m, const float (&rows)[4][4], float tol = 1e-5f) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], rows[i][j], tol) << "at " << i << "," << j;
}

Vec3 RowTimes(const Vec3& p, const Mat4& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

// ---- Names ----

TEST(Names, StripExtension) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"ab.c", "ab"},           // first dot at position 2: cut
        {"model.y3d", "model"},
        {"a.b.c", "a.b.c"},       // first dot at position 1: whole, more dots or not
        {"a.b", "a.b"},
        {".abc", ".abc"},         // dot at position 0 and none after it
        {"..x", "..x"},           // the first dot searched from position 1 is at 1
        {".ab.c", ".ab"},         // the search starts at position 1 and finds the dot at 3
        {"noext", "noext"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char buf[32];
        std::strcpy(buf, c.in);
        StripExtension(buf);
        EXPECT_STREQ(buf, c.out) << c.in;
    }
}

// ---- Powers of two ----

TEST(PowersOfTwo, LowerAndUpper) {
    struct Case {
        uint32_t value, lower, upper;
        bool exact;
    } cases[] = {
        {0, 2, 2, false}, {1, 2, 2, false}, {2, 2, 2, true},   {3, 2, 4, false},
        {4, 2, 4, true},  {5, 4, 8, false}, {64, 32, 64, true}, {65, 64, 128, false},
        {0x80000000u, 0x40000000u, 0x80000000u, true},
        // Past 2^31 there is no larger power in 32 bits: capped, and not exact.
        {0xFFFFFFFFu, 0x40000000u, 0x80000000u, false},
    };
    for (const Case& c : cases) {
        uint32_t lo = 0, up = 0;
        EXPECT_EQ(NextPowerOfTwo(c.value, &lo, &up), c.exact) << c.value;
        EXPECT_EQ(lo, c.lower) << c.value;
        EXPECT_EQ(up, c.upper) << c.value;
    }
    EXPECT_FALSE(NextPowerOfTwo(5, nullptr, nullptr));
}

// ---- Rotation matrices ----

TEST(Rotation, MatrixRotationTurnsXThenYThenZ) {
    Mat4 m;
    MatrixRotation(&m, kPi / 2, kPi / 2, 0);
    // Rx(90) rows (1,0,0), (0,0,1), (0,-1,0); Ry(90) rows (0,0,-1), (0,1,0), (1,0,0).
    const float expected[4][4] = {{0, 0, -1, 0}, {1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, 0, 1}};
    ExpectMat4Near(m, expected);

    MatrixRotation(&m, 0, 0, kPi / 2);
    ExpectVec3Near(RowTimes({1, 0, 0}, m), 0, 1, 0);

    MatrixRotation(&m, 0, 0, 0);
    const float identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    ExpectMat4Near(m, identity);
}

// The file convention is the transpose of the usual row-vector quaternion matrix: a
// quaternion for +theta about an axis gives the row-vector matrix of -theta.
TEST(Rotation, QuatToMatrixAgainstHandBuiltRotations) {
    const float s45 = std::sqrt(0.5f);
    const float c30 = std::sqrt(3.0f) / 2.0f;
    struct Case {
        const char* name;
        Quat q;
        float rows[4][4];
    } cases[] = {
        {"identity", {0, 0, 0, 1}, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
        // +90 about z: x goes to -y under p x M.
        {"z 90", {0, 0, s45, s45}, {{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
        // +60 about x: rows (1,0,0), (0, cos, -sin), (0, sin, cos).
        {"x 60", {0.5f, 0, 0, c30}, {{1, 0, 0, 0}, {0, 0.5f, -c30, 0}, {0, c30, 0.5f, 0}, {0, 0, 0, 1}}},
        // +90 about y: rows (cos, 0, sin), (0, 1, 0), (-sin, 0, cos).
        {"y 90", {0, s45, 0, s45}, {{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 1}}},
        // +120 about (1,1,1) cycles x -> y -> z; this convention cycles the other way.
        {"diagonal 120", {0.5f, 0.5f, 0.5f, 0.5f}, {{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectMat4Near(QuatToMatrix(c.q), c.rows);
    }
    // Same angle, the other way round from the row-vector rotation helpers.
    Mat4 z = QuatToMatrix({0, 0, s45, s45});
    ExpectVec3Near(RowTimes({1, 0, 0}, z), 0, -1, 0);
    ExpectVec3Near(RowTimes({1, 0, 0}, Mat4RotationZ(kPi / 2)), 0, 1, 0);
}

TEST(Rotation, BuildTransformMatrixStretchesRotatesThenTranslates) {
    const float s45 = std::sqrt(0.5f);
    // Scale (2, 3, 4) x 0.5 along unrotated axes, then z 90 (file convention), then move.
    TransformParts parts{{1, 2, 3}, {0, 0, s45, s45}, {0, 0, 0, 1}, {2, 3, 4}, 0.5f};
    Mat4 m;
    BuildTransformMatrix(&m, parts);
    // (1,1,1) -> (1, 1.5, 2) -> 1*(0,-1,0) + 1.5*(1,0,0) + 2*(0,0,1) = (1.5, -1, 2) -> + (1,2,3).
    ExpectVec3Near(RowTimes({1, 1, 1}, m), 2.5f, 1, 5);
    ExpectVec3Near(RowTimes({0, 0, 0}, m), 1, 2, 3);

    // A stretch of 2 along x, with stretch axes turned 90 about z, stretches y instead.
    TransformParts turned{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, s45, s45}, {2, 1, 1}, 1.0f};
    BuildTransformMatrix(&m, turned);
    ExpectVec3Near(RowTimes({1, 0, 0}, m), 1, 0, 0);
    ExpectVec3Near(RowTimes({0, 1, 0}, m), 0, 2, 0);
    ExpectVec3Near(RowTimes({0, 0, 1}, m), 0, 0, 1);

    // Sign -1 mirrors every axis.
    TransformParts mirrored{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 2, 3}, -1.0f};
    BuildTransformMatrix(&m, mirrored);
    ExpectVec3Near(RowTimes({1, 1, 1}, m), -1, -2, -3);
}

// ---- Polygon clipper (a point stays where the plane value is <= 0) ----

std::vector<Vec3> SquareXZ(float h) { return {{-h, 0, -h}, {h, 0, -h}, {h, 0, h}, {-h, 0, h}}; }

void ExpectPolygon(const std::vector<Vec3>& got, const std::vector<Vec3>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "point " << i);
        ExpectVec3Near(got[i], want[i].x, want[i].y, want[i].z);
    }
}

TEST(Clipper, EveryPlaneCrossed) {
    std::vector<Vec3> square = SquareXZ(1);
    Plane planes[4] = {{1, 0, 0, -0.5f}, {-1, 0, 0, -0.5f}, {0, 0, 1, -0.5f}, {0, 0, -1, -0.5f}};
    std::vector<Vec3> out;
    ASSERT_TRUE(ClipPolygonByPlanes(planes, 4, square.data(), 4, &out));
    ExpectPolygon(out, {{0.5f, 0, -0.5f}, {0.5f, 0, 0.5f}, {-0.5f, 0, 0.5f}, {-0.5f, 0, -0.5f}});

    // Two more planes the polygon lies wholly inside leave it as it is.
    Plane six[6] = {planes[0], planes[1], planes[2], planes[3], {0, 1, 0, -1}, {0, -1, 0, -1}};
    ASSERT_TRUE(ClipPolygonByPlanes(six, 6, square.data(), 4, &out));
    ExpectPolygon(out, {{0.5f, 0, -0.5f}, {0.5f, 0, 0.5f}, {-0.5f, 0, 0.5f}, {-0.5f, 0, -0.5f}});
}

// ---- Segments and linear solve ----

// ---- Ray tests ----

TEST(RayTests, Box) {
    AxisBox box{{1, 1, 1}, {-1, -1, -1}};
    struct Case {
        const char* name;
        Ray ray;
        int code;
        Vec3 point;
    } cases[] = {
        {"down onto the top", {{0, -1, 0}, {0, 5, 0}}, 1, {0, 1, 0}},
        {"up onto the bottom", {{0, 1, 0}, {0.5f, -5, 0.5f}}, 2, {0.5f, -1, 0.5f}},
        {"along +z", {{0, 0, 1}, {0, 0, -5}}, 4, {0, 0, -1}},
        {"along -z", {{0, 0, -1}, {0, 0, 5}}, 3, {0, 0, 1}},
        {"along +x", {{1, 0, 0}, {-5, 0, 0}}, 5, {-1, 0, 0}},
        // min x is tried first and found farther; max x replaces it.
        {"along -x", {{-1, 0, 0}, {5, 0, 0}}, 6, {1, 0, 0}},
        {"from inside", {{0, 1, 0}, {0, 0, 0}}, 1, {0, 1, 0}},
        {"through an edge", {{0, -1, 0}, {1, 5, 0}}, 0, {}},
        {"pointing away", {{0, 1, 0}, {0, 5, 0}}, 0, {}},
        {"beside it", {{0, -1, 0}, {3, 5, 0}}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vec3 p{99, 99, 99};
        EXPECT_EQ(RayBoxIntersect(box, c.ray, &p), c.code);
        if (c.code) ExpectVec3Near(p, c.point.x, c.point.y, c.point.z);
        EXPECT_EQ(RayBoxIntersect(box, c.ray, nullptr), c.code);
    }
}

TEST(RayTests, Cylinder) {
    Cylinder cyl{{10, 0, 10}, 2, 1};
    Vec3 p, n;
    // From above, straight down: the top cap is nearer than the bottom one.
    ASSERT_TRUE(RayCylinderIntersect({{0, -1, 0}, {10, 5, 10}}, cyl, &p, &n));
    ExpectVec3Near(p, 10, 2, 10);
    ExpectVec3Near(n, 0, 1, 0);
    // From below, straight up.
    ASSERT_TRUE(RayCylinderIntersect({{0, 1, 0}, {10.5f, -5, 10}}, cyl, &p, &n));
    ExpectVec3Near(p, 10.5f, 0, 10);
    ExpectVec3Near(n, 0, -1, 0);
    // Above, pointing up: the caps lie behind the ray.
    EXPECT_FALSE(RayCylinderIntersect({{0, 1, 0}, {10, 5, 10}}, cyl, &p, &n));
    // Horizontal, into the side: a = 1, b = -10, c = 24, t = 4.
    ASSERT_TRUE(RayCylinderIntersect({{-1, 0, 0}, {15, 1, 10}}, cyl, &p, &n));
    ExpectVec3Near(p, 11, 1, 10);
    ExpectVec3Near(n, 1, 0, 0);
    // Over the top of the side.
    EXPECT_FALSE(RayCylinderIntersect({{-1, 0, 0}, {15, 3, 10}}, cyl, &p, &n));
    // From inside, out through the side: only t1 is ahead.
    ASSERT_TRUE(RayCylinderIntersect({{0, 0, 1}, {10, 1, 10}}, cyl, nullptr, &n));
    ExpectVec3Near(n, 0, 0, 1);
    // Slanting down through the top cap and out of the side: the cap is nearer.
    ASSERT_TRUE(RayCylinderIntersect({{1, -1, 0}, {9.5f, 2.5f, 10}}, cyl, &p, &n));
    ExpectVec3Near(p, 10, 2, 10);
    ExpectVec3Near(n, 0, 1, 0);
}

TEST(RayTests, Sphere) {
    Sphere s{{1, 2, 3}, 1};
    Vec3 p, n;
    ASSERT_TRUE(RaySphereIntersect({{1, 0, 0}, {-4, 2, 3}}, s, &p, &n));
    ExpectVec3Near(p, 0, 2, 3);
    ExpectVec3Near(n, -1, 0, 0);
    // Not unit length: the same hit.
    ASSERT_TRUE(RaySphereIntersect({{3, 0, 0}, {-4, 2, 3}}, s, &p, &n));
    ExpectVec3Near(p, 0, 2, 3);
    // From inside: the exit point.
    ASSERT_TRUE(RaySphereIntersect({{1, 0, 0}, {1, 2, 3}}, s, &p, &n));
    ExpectVec3Near(p, 2, 2, 3);
    ExpectVec3Near(n, 1, 0, 0);
    // Pointing away, grazing, and a zero direction all miss.
    EXPECT_FALSE(RaySphereIntersect({{1, 0, 0}, {6, 2, 3}}, s, &p, &n));
    EXPECT_FALSE(RaySphereIntersect({{1, 0, 0}, {-4, 3, 3}}, s, &p, &n));
    EXPECT_FALSE(RaySphereIntersect({{0, 0, 0}, {-4, 2, 3}}, s, &p, &n));
    EXPECT_TRUE(RaySphereIntersect({{1, 0, 0}, {-4, 2, 3}}, s, nullptr, nullptr));
}

TEST(Segments, IntersectXZAsWritten) {
    Vec3 out{7, 42, 7};
    // Crossing at the middle of both: num 2, den 4, t 0.5. y is left alone.
    ASSERT_TRUE(SegmentIntersectXZ({0, 5, 0}, {2, 5, 0}, {1, 0, -1}, {1, 0, 1}, &out));
    EXPECT_FLOAT_EQ(out.x, 1);
    EXPECT_FLOAT_EQ(out.z, 0);
    EXPECT_EQ(out.y, 42);

    // The crossing point lies beyond segment a-b (t = 2.5): still reported.
    ASSERT_TRUE(SegmentIntersectXZ({0, 0, 0}, {2, 0, 0}, {5, 0, -1}, {5, 0, 1}, &out));
    EXPECT_FLOAT_EQ(out.x, 5);
    EXPECT_FLOAT_EQ(out.z, 0);

    // Parallel lines.
    EXPECT_FALSE(SegmentIntersectXZ({0, 0, 0}, {2, 0, 0}, {0, 0, 1}, {2, 0, 1}, &out));

    // A numerator of exactly 1 is refused although the lines cross (at x = 0.5).
    out = {7, 42, 7};
    EXPECT_FALSE(SegmentIntersectXZ({0, 0, 0}, {2, 0, 0}, {0.5f, 0, -1}, {0.5f, 0, 1}, &out));
    EXPECT_EQ(out.x, 7);
}

TEST(Segments, ClosestPoint) {
    const Vec3 a{0, 0, 0}, b{4, 0, 0};
    struct Case {
        const char* name;
        Vec3 p;
        float distance;
        Vec3 point;
    } cases[] = {
        {"above the middle", {1, 3, 0}, 3.0f, {1, 0, 0}},
        {"past b", {7, 4, 0}, 5.0f, {4, 0, 0}},
        {"before a", {-3, 0, 4}, 5.0f, {0, 0, 0}},
        {"on the segment", {2, 0, 0}, 0.0f, {2, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float d = -1;
        Vec3 q{};
        ASSERT_TRUE(SegmentClosestPoint(a, b, c.p, &d, &q));
        EXPECT_NEAR(d, c.distance, 1e-5f);
        ExpectVec3Near(q, c.point.x, c.point.y, c.point.z);
    }
    EXPECT_TRUE(SegmentClosestPoint(a, b, {1, 3, 0}, nullptr, nullptr));
    // Shorter than 0.01: no answer.
    EXPECT_FALSE(SegmentClosestPoint(a, {0.009f, 0, 0}, {1, 1, 1}, nullptr, nullptr));
}

// ---- Pick rays and screen projection ----

class PickTest : public ::testing::Test {
protected:
    void TearDown() override { g_Video.screenRect = {}; }
};

TEST_F(PickTest, WorldToScreenOfKnownPoints) {
    // 601 pixels square, so no expected value sits right on a pixel boundary.
    g_Video.screenRect = {0, 0, 600, 600};
    Camera cam;
    cam.Set(0, 0, 0, 0, 0, 1, 0, kPi / 2, 1, 100);
    cam.Update();
    struct Case {
        Vec3 p;
        int sx, sy;
    } cases[] = {
        {{0, 0, 10}, 300, 300},      // 1 * 300.5
        {{5, 0, 10}, 450, 300},      // x / z = 0.5: 1.5 * 300.5 = 450.75
        {{0, 5, 10}, 300, 150},      // up is towards the top: 0.5 * 300.5
        {{-10, -9, 10}, 0, 570},     // 0 * 300.5 and 1.9 * 300.5 = 570.95
    };
    for (const Case& c : cases) {
        int32_t sx, sy;
        EXPECT_TRUE(WorldToScreen(c.p.x, c.p.y, c.p.z, &sx, &sy, cam));
        EXPECT_EQ(sx, c.sx) << c.p.x << "," << c.p.y << "," << c.p.z;
        EXPECT_EQ(sy, c.sy) << c.p.x << "," << c.p.y << "," << c.p.z;
    }
    // On the eye plane w is 0: the result saturates instead of overflowing.
    int32_t sx = 0, sy = 0;
    EXPECT_TRUE(WorldToScreen(1, 0, 0, &sx, &sy, cam));
    EXPECT_EQ(sx, INT32_MAX);
}

}  // namespace
