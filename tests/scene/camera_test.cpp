#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/gfx/device.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/camera_animators.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

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

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { SetScreen(1024, 768); }
    void TearDown() override { g_Video.screenRect = {}; }
    static void SetScreen(int w, int h) { g_Video.screenRect = {0, 0, w - 1, h - 1}; }
};

// Counts deletions so ownership can be checked without a real effect.
class CountingAnimator : public Animator {
public:
    explicit CountingAnimator(int* deleted) : deleted_(deleted) {}
    ~CountingAnimator() override { ++*deleted_; }
    bool Advance(uint32_t dt) override {
        elapsed += int32_t(dt);
        return true;
    }
    bool Apply() override {
        ++applied;
        return true;
    }
    int applied = 0;

private:
    int* deleted_;
};

TEST_F(CameraTest, SetFovGivesTheWholeAngleToTheLongerSide) {
    struct Case {
        ScreenRect rect;
        float fovX, fovY;
    } cases[] = {
        {{0, 0, 1023, 767}, kPi / 2, 0.375f * kPi},
        {{0, 0, 599, 599}, kPi / 2, kPi / 2},
        {{0, 0, 767, 1023}, 0.375f * kPi, kPi / 2},
        // Both ends inclusive: the offset rectangle is still 1024 x 768.
        {{10, 20, 1033, 787}, kPi / 2, 0.375f * kPi},
    };
    for (const Case& c : cases) {
        g_Video.screenRect = c.rect;
        Camera cam;
        cam.SetFov(kPi / 2);
        EXPECT_NEAR(cam.fovX, c.fovX, 1e-6f);
        EXPECT_NEAR(cam.fovY, c.fovY, 1e-6f);
    }
}

TEST_F(CameraTest, RefreshFovFollowsANewScreenSize) {
    Camera cam;
    cam.SetFov(kPi / 2);
    SetScreen(600, 600);
    cam.RefreshFov();
    EXPECT_NEAR(cam.fovX, kPi / 2, 1e-6f);
    EXPECT_NEAR(cam.fovY, kPi / 2, 1e-6f);
}

TEST_F(CameraTest, SetStoresValuesWithoutUpdating) {
    Camera cam;
    cam.Set(1, 2, 3, 4, 5, 6, 0.25f, kPi / 2, 0.5f, 300.0f);
    ExpectVec3Near(cam.eye, 1, 2, 3);
    ExpectVec3Near(cam.target, 4, 5, 6);
    EXPECT_FLOAT_EQ(cam.roll, 0.25f);
    EXPECT_FLOAT_EQ(cam.nearPlane, 0.5f);
    EXPECT_FLOAT_EQ(cam.farPlane, 300.0f);
    EXPECT_EQ(cam.useUpVector, 0);
    // Nothing derived yet.
    ExpectVec3Near(cam.forward, 0, 0, 0);
    EXPECT_EQ(cam.view.m[3][3], 0.0f);

    cam.SetWithUp(1, 2, 3, 4, 5, 6, 0, 2, 0, kPi / 2, 1.0f, 50.0f);
    EXPECT_EQ(cam.roll, 0.0f);
    EXPECT_EQ(cam.useUpVector, 1);
    ExpectVec3Near(cam.upVector, 0, 2, 0);   // kept as given, not normalised

    cam.Set(Vec3{7, 8, 9}, Vec3{0, 0, 0}, 0.0f, kPi / 3, 1.0f, 10.0f);
    ExpectVec3Near(cam.eye, 7, 8, 9);
    EXPECT_EQ(cam.useUpVector, 0);
}

// Looking from (10, 0, 0) at the origin: forward -x, right +z, up +y, so a world point
// p goes to (p.z, p.y, 10 - p.x) in camera space.
TEST_F(CameraTest, ViewAndProjectionOfAKnownEyeAndTarget) {
    Camera cam;
    cam.Set(10, 0, 0, 0, 0, 0, 0.0f, kPi / 2, 1.0f, 101.0f);
    cam.Update();

    ExpectVec3Near(cam.forward, -1, 0, 0);
    ExpectVec3Near(cam.right, 0, 0, 1);
    ExpectVec3Near(cam.up, 0, 1, 0);
    ExpectVec3Near(cam.direction, -1, 0, 0);

    const float view[4][4] = {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 10, 1}};
    ExpectMat4Near(cam.view, view);
    const float translation[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-10, 0, 0, 1}};
    ExpectMat4Near(cam.translation, translation);

    // 1024 x 768 at 90 degrees: fovX = pi/2, fovY = 0.375 pi; Q = 101 / 100.
    const float proj[4][4] = {{1, 0, 0, 0}, {0, 1.4966058f, 0, 0}, {0, 0, 1.01f, 1}, {0, 0, -1.01f, 0}};
    ExpectMat4Near(cam.projection, proj);

    ExpectVec3Near(RowTimes({0, 1, 2}, cam.view), 2, 1, 10);
    ExpectVec3Near(RowTimes({2, 1, 10}, cam.inverseView), 0, 1, 2);
    ExpectVec3Near(RowTimes({0, 0, 1}, cam.inverseRotation), -1, 0, 0);

    // view x projection: (x, y, z, 1) -> (z, 1.4966 y, 1.01 (10 - x) - 1.01, 10 - x).
    const float vp[4][4] = {{0, 0, -1.01f, -1}, {0, 1.4966058f, 0, 0}, {1, 0, 0, 0}, {0, 0, 9.09f, 10}};
    ExpectMat4Near(cam.viewProjection, vp, 1e-4f);
}

// Records the transforms the camera hands to the device.
class TransformRecorder : public gfx::Device {
public:
    gfx::Result TestCooperativeLevel() override { return gfx::D3D_OK; }
    gfx::Result SetTransform(gfx::TransformStateType state, const gfx::Matrix* m) override {
        calls.push_back({state, *m});
        return gfx::D3D_OK;
    }
    struct Call {
        gfx::TransformStateType state;
        Mat4 matrix;
    };
    std::vector<Call> calls;
};

TEST_F(CameraTest, UpdateAndMirrorSetViewThenProjectionOnTheDevice) {
    TransformRecorder device;
    g_Video.device = &device;
    Camera cam;
    cam.Set(10, 0, 0, 0, 0, 0, 0.0f, kPi / 2, 1.0f, 101.0f);
    cam.Update();
    Camera mirrored;
    mirrored.SetupMirror(cam, {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}, 2.0f, Mat4Identity()});
    g_Video.device = nullptr;

    ASSERT_EQ(device.calls.size(), 4u);
    EXPECT_EQ(device.calls[0].state, gfx::D3DTS_VIEW);
    EXPECT_EQ(device.calls[1].state, gfx::D3DTS_PROJECTION);
    EXPECT_EQ(device.calls[2].state, gfx::D3DTS_VIEW);
    EXPECT_EQ(device.calls[3].state, gfx::D3DTS_PROJECTION);
    EXPECT_NEAR(device.calls[0].matrix.m[3][2], 10.0f, 1e-5f);   // the view of the test above
    EXPECT_NEAR(device.calls[1].matrix.m[2][2], 1.01f, 1e-5f);
    EXPECT_NEAR(device.calls[3].matrix.m[0][0], 10.0f, 1e-4f);   // 1 / tan(atan(1 / 10))
}

TEST_F(CameraTest, BasisFromRollUpVectorAndFallback) {
    struct Case {
        const char* name;
        Vec3 eye, target;
        float roll;
        bool withUp;
        Vec3 upVector;
        Vec3 right, up;
    } cases[] = {
        {"level", {0, 0, 0}, {0, 0, 5}, 0.0f, false, {}, {1, 0, 0}, {0, 1, 0}},
        // A quarter roll: the hint becomes +x, so right turns to -y.
        {"roll", {0, 0, 0}, {0, 0, 5}, kPi / 2, false, {}, {0, -1, 0}, {1, 0, 0}},
        {"up vector", {0, 0, 0}, {0, 0, 5}, 0.0f, true, {3, 0, 0}, {0, -1, 0}, {1, 0, 0}},
        // Hint parallel to the view: right = (-forward.y, forward.x, 0).
        {"straight up", {0, 0, 0}, {0, 7, 0}, 0.0f, false, {}, {-1, 0, 0}, {0, 0, 1}},
        {"eye on target", {2, 2, 2}, {2, 2, 2}, 0.0f, false, {}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Camera cam;
        if (c.withUp)
            cam.SetWithUp(c.eye.x, c.eye.y, c.eye.z, c.target.x, c.target.y, c.target.z, c.upVector.x,
                          c.upVector.y, c.upVector.z, kPi / 2, 1, 100);
        else
            cam.Set(c.eye, c.target, c.roll, kPi / 2, 1, 100);
        cam.UpdateBasis();
        ExpectVec3Near(cam.right, c.right.x, c.right.y, c.right.z);
        ExpectVec3Near(cam.up, c.up.x, c.up.y, c.up.z);
    }
}

// Two cameras with the same frustum: one at the origin looking +z, one at (10, 0, 0)
// looking -x. A camera-space point (x, y, z) is (x, y, z) in the world for the first and
// (10 - z, y, x) for the second. Square screen, 90 degrees: the side planes are |x| <= z
// and |y| <= z; near 1, far 100.
struct FrustumCamera {
    Vec3 eye, target;
    Vec3 (*toWorld)(const Vec3&);
    AxisBox (*boxToWorld)(const AxisBox&);
};

const FrustumCamera kFrustumCameras[] = {
    {{0, 0, 0}, {0, 0, 1}, [](const Vec3& p) { return p; }, [](const AxisBox& b) { return b; }},
    {{10, 0, 0},
     {0, 0, 0},
     [](const Vec3& p) { return Vec3{10 - p.z, p.y, p.x}; },
     [](const AxisBox& b) {
         return AxisBox{{10 - b.min.z, b.max.y, b.max.x}, {10 - b.max.z, b.min.y, b.min.x}};
     }},
};

class FrustumTest : public CameraTest {
protected:
    void SetUp() override { SetScreen(600, 600); }
};

TEST_F(FrustumTest, PointsInsideOutsideAndOnEachPlane) {
    struct Case {
        Vec3 p;
        int outsidePlane;   // -1: visible
    } cases[] = {
        {{0, 0, 50}, -1},
        {{0, 0, 1}, -1},     // exactly on the near plane
        {{0, 0, 100}, -1},   // exactly on the far plane
        {{0, 0, 0.99f}, FRUSTUM_NEAR},
        {{0, 0, 100.5f}, FRUSTUM_FAR},
        {{0, 10.2f, 10}, FRUSTUM_TOP},
        {{0, 9.8f, 10}, -1},
        {{0, -10.2f, 10}, FRUSTUM_BOTTOM},
        {{0, -9.8f, 10}, -1},
        {{-10.2f, 0, 10}, FRUSTUM_LEFT},
        {{-9.8f, 0, 10}, -1},
        {{10.2f, 0, 10}, FRUSTUM_RIGHT},
        {{9.8f, 0, 10}, -1},
    };
    for (const FrustumCamera& fc : kFrustumCameras) {
        Camera cam;
        cam.Set(fc.eye, fc.target, 0.0f, kPi / 2, 1.0f, 100.0f);
        cam.Update();
        for (const Case& c : cases) {
            Vec3 w = fc.toWorld(c.p);
            SCOPED_TRACE(::testing::Message() << "eye x " << fc.eye.x << " point " << c.p.x << ","
                                              << c.p.y << "," << c.p.z);
            EXPECT_EQ(cam.PointVisible(w), c.outsidePlane < 0);
            // Only the named plane has the point on its outer side.
            for (int i = 0; i < FRUSTUM_PLANE_COUNT; ++i) {
                const Plane& pl = cam.planes[i];
                float v = pl.a * w.x + pl.b * w.y + pl.c * w.z + pl.d;
                EXPECT_EQ(v < 0.0f, i == c.outsidePlane) << "plane " << i;
            }
        }
    }
}

TEST_F(FrustumTest, PlaneNormalsAreUnitAndPointInward) {
    Camera cam;
    cam.Set(0, 0, 0, 0, 0, 1, 0.0f, kPi / 2, 1.0f, 100.0f);
    cam.Update();
    const float r = std::sqrt(0.5f);
    const float expected[6][4] = {{0, 0, 1, -1}, {0, 0, -1, 100}, {0, -r, r, 0},
                                  {0, r, r, 0},  {r, 0, r, 0},    {-r, 0, r, 0}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(cam.planes[i].a, expected[i][0], 1e-5f) << i;
        EXPECT_NEAR(cam.planes[i].b, expected[i][1], 1e-5f) << i;
        EXPECT_NEAR(cam.planes[i].c, expected[i][2], 1e-5f) << i;
        EXPECT_NEAR(cam.planes[i].d, expected[i][3], 1e-4f) << i;
    }
}

TEST_F(FrustumTest, BoxesBeyondAcrossAndInsideEachPlane) {
    struct Case {
        AxisBox box;   // camera space, max corner first
        bool visible;
        uint8_t mask;
    } cases[] = {
        {{{1, 1, 10}, {-1, -1, 9}}, true, 0},
        {{{0.1f, 0.1f, 0.5f}, {-0.1f, -0.1f, 0.2f}}, false, 0},
        {{{0.1f, 0.1f, 2}, {-0.1f, -0.1f, 0.5f}}, true, 1 << FRUSTUM_NEAR},
        {{{1, 1, 102}, {-1, -1, 101}}, false, 0},
        {{{1, 1, 101}, {-1, -1, 99}}, true, 1 << FRUSTUM_FAR},
        {{{1, 12, 10}, {-1, 11, 9}}, false, 0},
        {{{1, 11, 10}, {-1, 9, 9}}, true, 1 << FRUSTUM_TOP},
        {{{1, -11, 10}, {-1, -12, 9}}, false, 0},
        {{{1, -9, 10}, {-1, -11, 9}}, true, 1 << FRUSTUM_BOTTOM},
        {{{-11, 1, 10}, {-12, -1, 9}}, false, 0},
        {{{-9, 1, 10}, {-11, -1, 9}}, true, 1 << FRUSTUM_LEFT},
        {{{12, 1, 10}, {11, -1, 9}}, false, 0},
        {{{11, 1, 10}, {9, -1, 9}}, true, 1 << FRUSTUM_RIGHT},
        // Crossing near, top, bottom, left and right at once.
        {{{50, 50, 20}, {-50, -50, 0.5f}}, true,
         (1 << FRUSTUM_NEAR) | (1 << FRUSTUM_TOP) | (1 << FRUSTUM_BOTTOM) | (1 << FRUSTUM_LEFT) |
             (1 << FRUSTUM_RIGHT)},
        // Touching the far plane with its farthest corner only: visible, bit set.
        {{{0.1f, 0.1f, 101}, {-0.1f, -0.1f, 100}}, true, 1 << FRUSTUM_FAR},
        // Nearest corner exactly on the far or near plane: visible, no bit.
        {{{0.1f, 0.1f, 100}, {-0.1f, -0.1f, 99}}, true, 0},
        {{{0.1f, 0.1f, 2}, {-0.1f, -0.1f, 1}}, true, 0},
        // Touching the near plane from the eye: the corners at z = 0 also stick out of
        // all four side planes, which meet at the eye.
        {{{0.1f, 0.1f, 1}, {-0.1f, -0.1f, 0}}, true,
         (1 << FRUSTUM_NEAR) | (1 << FRUSTUM_TOP) | (1 << FRUSTUM_BOTTOM) | (1 << FRUSTUM_LEFT) |
             (1 << FRUSTUM_RIGHT)},
    };
    for (const FrustumCamera& fc : kFrustumCameras) {
        Camera cam;
        cam.Set(fc.eye, fc.target, 0.0f, kPi / 2, 1.0f, 100.0f);
        cam.Update();
        int index = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "eye x " << fc.eye.x << " case " << index++);
            AxisBox w = fc.boxToWorld(c.box);
            uint8_t mask = 0xFF;
            EXPECT_EQ(cam.BoxVisible(w, &mask), c.visible);
            if (c.visible) {
                EXPECT_EQ(mask, c.mask);
            }
            EXPECT_EQ(cam.BoxVisible(w), c.visible);   // no mask wanted
        }
    }
}

TEST_F(CameraTest, TurnAndOrbitByQuarterTurns) {
    const float q = kPi / 2;
    struct Case {
        const char* name;
        float a, b, c;
        Vec3 offset;     // target - eye for Turn, eye - target for Orbit
        Vec3 expected;
    } cases[] = {
        {"x", q, 0, 0, {0, 0, 1}, {0, -1, 0}},
        {"y", 0, q, 0, {0, 0, 1}, {1, 0, 0}},
        {"z", 0, 0, q, {1, 0, 0}, {0, 1, 0}},
        {"-y", 0, -q, 0, {0, 0, 1}, {-1, 0, 0}},
        // x first, then y: (0,0,1) -> (0,-1,0) -> (0,-1,0). The other order would give (1,0,0).
        {"x then y", q, q, 0, {0, 0, 1}, {0, -1, 0}},
        // x first, then z: (0,0,1) -> (0,-1,0) -> (1,0,0).
        {"x then z", q, 0, q, {0, 0, 1}, {1, 0, 0}},
        {"half y", 0, 2 * q, 0, {3, 0, 4}, {-3, 0, -4}},
    };
    const Vec3 base{5, -2, 7};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Camera turn;
        turn.eye = base;
        turn.target = Vec3Add(base, c.offset);
        turn.Turn(c.a, c.b, c.c);
        ExpectVec3Near(turn.eye, base.x, base.y, base.z);
        ExpectVec3Near(turn.target, base.x + c.expected.x, base.y + c.expected.y, base.z + c.expected.z);

        Camera orbit;
        orbit.target = base;
        orbit.eye = Vec3Add(base, c.offset);
        orbit.Orbit(c.a, c.b, c.c);
        ExpectVec3Near(orbit.target, base.x, base.y, base.z);
        ExpectVec3Near(orbit.eye, base.x + c.expected.x, base.y + c.expected.y, base.z + c.expected.z);
    }
}

TEST_F(CameraTest, PitchAndYawFromTheDirection) {
    struct Case {
        Vec3 d;
        float pitch, yaw;
    } cases[] = {
        {{0, 0, 1}, 0, 0},
        {{1, 0, 0}, 0, kPi / 2},
        {{-1, 0, 0}, 0, -kPi / 2},
        {{0, 0, -1}, 0, kPi},
        {{-1, 0, -1}, 0, 1.25f * kPi},
        {{0, -1, 1}, kPi / 4, 0},    // looking down is positive
        {{0, 1, 1}, -kPi / 4, 0},
        // Straight up or down: +pi/2 both; |z| <= 0.001 with x = 0: yaw -pi/2.
        {{0, 1, 0}, kPi / 2, -kPi / 2},
        {{0, -1, 0}, kPi / 2, -kPi / 2},
    };
    for (const Case& c : cases) {
        Camera cam;
        cam.eye = {1, 1, 1};
        cam.target = Vec3Add(cam.eye, c.d);
        cam.Update();
        EXPECT_NEAR(cam.GetPitch(), c.pitch, 1e-5f) << c.d.x << "," << c.d.y << "," << c.d.z;
        EXPECT_NEAR(cam.GetYaw(), c.yaw, 1e-5f) << c.d.x << "," << c.d.y << "," << c.d.z;
    }
}

TEST_F(CameraTest, SetTargetKeepDistanceKeepsTheViewDirection) {
    Camera cam;
    cam.Set(0, 0, -10, 0, 0, 0, 0.0f, kPi / 2, 1, 100);
    cam.Update();
    cam.SetTargetKeepDistance({5, 0, 0}, 2.0f);
    ExpectVec3Near(cam.eye, 5, 0, -12);
    ExpectVec3Near(cam.target, 5, 0, -2);
    ExpectVec3Near(cam.direction, 0, 0, 1);
    // Updated: the view now translates by minus the new eye.
    EXPECT_NEAR(cam.view.m[3][0], -5, 1e-5f);
    EXPECT_NEAR(cam.view.m[3][2], 12, 1e-5f);
}

// A mirror at the origin facing -z (right axis -x), seen from (0, 0, -10). The reflected
// eye is (0, 0, 10); the view maps (x, y, z) to (x, y, 10 - z) and sees the world on the
// viewer's side of the mirror, from z = 0 back to z = -100.
TEST_F(CameraTest, MirrorReflectsTheViewer) {
    Camera viewer;
    viewer.Set(0, 0, -10, 0, 0, 0, 0.0f, kPi / 2, 1, 100);
    viewer.Update();
    MirrorFrame mirror{{0, 0, 0}, {0, 0, -1}, {-1, 0, 0}, {0, 1, 0}, 2.0f, Mat4Identity()};

    Camera cam;
    cam.SetupMirror(viewer, mirror);
    ExpectVec3Near(cam.eye, 0, 0, 10);
    ExpectVec3Near(cam.target, 0, 0, 0);
    EXPECT_NEAR(cam.nearPlane, 10.0f, 1e-5f);
    EXPECT_NEAR(cam.farPlane, 110.0f, 1e-4f);
    // 2 atan(1 / 10)
    EXPECT_NEAR(cam.fovX, 0.19933730f, 1e-6f);
    EXPECT_NEAR(cam.fovY, 0.19933730f, 1e-6f);
    EXPECT_NEAR(cam.projection.m[0][0], 10.0f, 1e-4f);

    const float view[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 10, 1}};
    ExpectMat4Near(cam.view, view);
    ExpectVec3Near(cam.right, 1, 0, 0);
    ExpectVec3Near(cam.up, 0, 1, 0);
    ExpectVec3Near(cam.forward, 0, 0, -1);
    ExpectVec3Near(RowTimes({1, 2, 15}, cam.inverseView), 1, 2, -5);

    // Half width at camera depth z is z / 10; depth 50 is world z = -40.
    struct Case {
        Vec3 p;
        bool visible;
    } cases[] = {
        {{0, 0, -50}, true},   {{0, 0, 0}, true},       {{0, 0, 1}, false},
        {{0, 0, -101}, false}, {{4.9f, 0, -40}, true},  {{5.1f, 0, -40}, false},
        {{-5.1f, 0, -40}, false}, {{0, 4.9f, -40}, true}, {{0, -5.1f, -40}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cam.PointVisible(c.p), c.visible) << c.p.x << "," << c.p.y << "," << c.p.z;
}

TEST_F(CameraTest, AnimatorOwnership) {
    int deleted = 0;
    {
        Camera cam;
        cam.UpdateAnimator(16);   // nothing attached: nothing happens
        cam.ApplyAnimator();

        auto* first = new CountingAnimator(&deleted);
        first->Start(100, &cam);
        cam.AttachAnimator(first);
        cam.AttachAnimator(first);   // the same one again stays alive
        EXPECT_EQ(deleted, 0);
        EXPECT_EQ(cam.animator, first);

        cam.ApplyAnimator();
        EXPECT_EQ(first->applied, 1);

        // Replacing deletes the old one.
        auto* second = new CountingAnimator(&deleted);
        second->Start(100, &cam);
        cam.AttachAnimator(second);
        EXPECT_EQ(deleted, 1);

        // Finishing deletes it in the same update.
        cam.UpdateAnimator(60);
        EXPECT_EQ(cam.animator, second);
        cam.UpdateAnimator(40);
        EXPECT_EQ(cam.animator, nullptr);
        EXPECT_EQ(deleted, 2);

        // Set and SetWithUp drop an attached animator.
        cam.AttachAnimator(new CountingAnimator(&deleted));
        cam.Set(0, 0, 0, 0, 0, 1, 0, kPi / 2, 1, 10);
        EXPECT_EQ(deleted, 3);
        cam.AttachAnimator(new CountingAnimator(&deleted));
        cam.SetWithUp(0, 0, 0, 0, 0, 1, 0, 1, 0, kPi / 2, 1, 10);
        EXPECT_EQ(deleted, 4);

        // Detaching with null deletes too.
        cam.AttachAnimator(new CountingAnimator(&deleted));
        cam.AttachAnimator(nullptr);
        EXPECT_EQ(deleted, 5);

        // The destructor deletes what is still attached.
        cam.AttachAnimator(new CountingAnimator(&deleted));
    }
    EXPECT_EQ(deleted, 6);
}

TEST_F(CameraTest, SetWithARollAnimatorEndsWithRollZero) {
    Camera cam;
    auto* spin = new SpinAnimator;
    spin->Init(15000, 15, &cam);
    cam.AttachAnimator(spin);
    cam.Set(0, 0, 0, 0, 0, 1, 0.7f, kPi / 2, 1, 10);
    EXPECT_EQ(cam.animator, nullptr);
    EXPECT_EQ(cam.roll, 0.0f);
}

TEST(CameraHelpers, SmallVectorFunctions) {
    Vec3 v = Vec3Set(6, -8, 9);
    EXPECT_EQ(v.x, 6);
    EXPECT_EQ(v.y, -8);
    EXPECT_EQ(v.z, 9);
    Vec3DivInPlace(&v, {2, 4, -3});
    ExpectVec3Near(v, 3, -2, -3);
    EXPECT_NEAR(Tangent(kPi / 4), 1.0f, 1e-6f);
    EXPECT_NEAR(Tangent(0.0f), 0.0f, 1e-7f);
}

}  // namespace
