#include <gtest/gtest.h>

#include <numbers>

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

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { SetScreen(1024, 768); }
    void TearDown() override { g_Video.screenRect = {}; }
    static void SetScreen(int w, int h) { g_Video.screenRect = {0, 0, w - 1, h - 1}; }
};

TEST_F(CameraTest, SetFovGivesTheWholeAngleToTheLongerSide) {
    struct Case {
        ScreenRect rect;
        float fovX, fovY;
    } cases[] = {
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

// Looking from (10, 0, 0) at the origin: forward -x, right +z, up +y, so a world point
// p goes to (p.z, p.y, 10 - p.x) in camera space.
TEST_F(CameraTest, ViewAndProjectionOfAKnownEyeAndTarget) {
    Camera cam;
    cam.Set(10, 0, 0, 0, 0, 0, 0.0f, kPi / 2, 1.0f, 101.0f);
    cam.Update();

    ExpectVec3Near(cam.forward, -1, 0, 0);
    ExpectVec3Near(cam.right, 0, 0, 1);
    ExpectVec3Near(cam.up, 0, 1, 0);

    const float view[4][4] = {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 10, 1}};
    ExpectMat4Near(cam.view, view);

    // 1024 x 768 at 90 degrees: fovX = pi/2, fovY = 0.375 pi; Q = 101 / 100.
    const float proj[4][4] = {{1, 0, 0, 0}, {0, 1.4966058f, 0, 0}, {0, 0, 1.01f, 1}, {0, 0, -1.01f, 0}};
    ExpectMat4Near(cam.projection, proj);

    const float inverse[4][4] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {10, 0, 0, 1}};
    ExpectMat4Near(cam.inverseView, inverse);

    // view x projection: (x, y, z, 1) -> (z, 1.4966 y, 1.01 (10 - x) - 1.01, 10 - x).
    const float vp[4][4] = {{0, 0, -1.01f, -1}, {0, 1.4966058f, 0, 0}, {1, 0, 0, 0}, {0, 0, 9.09f, 10}};
    ExpectMat4Near(cam.viewProjection, vp, 1e-4f);
}

// At (10, 0, 0) looking -x, a camera-space point (x, y, z) is (10 - z, y, x) in the world.
// Square screen, 90 degrees: the side planes are |x| <= z and |y| <= z; near 1, far 100.
AxisBox BoxToWorld(const AxisBox& b) { return AxisBox{{10 - b.min.z, b.max.y, b.max.x}, {10 - b.max.z, b.min.y, b.min.x}}; }

class FrustumTest : public CameraTest {
protected:
    void SetUp() override { SetScreen(600, 600); }
};

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
        {{{1, -9, 10}, {-1, -11, 9}}, true, 1 << FRUSTUM_BOTTOM},
        {{{-9, 1, 10}, {-11, -1, 9}}, true, 1 << FRUSTUM_LEFT},
        {{{12, 1, 10}, {11, -1, 9}}, false, 0},
        {{{11, 1, 10}, {9, -1, 9}}, true, 1 << FRUSTUM_RIGHT},
        // Crossing near, top, bottom, left and right at once.
        {{{50, 50, 20}, {-50, -50, 0.5f}}, true,
         (1 << FRUSTUM_NEAR) | (1 << FRUSTUM_TOP) | (1 << FRUSTUM_BOTTOM) | (1 << FRUSTUM_LEFT) |
             (1 << FRUSTUM_RIGHT)},
        // Touching the far plane with its farthest corner only: visible, bit set.
        {{{0.1f, 0.1f, 101}, {-0.1f, -0.1f, 100}}, true, 1 << FRUSTUM_FAR},
        // Nearest corner exactly on the near plane: visible, no bit.
        {{{0.1f, 0.1f, 2}, {-0.1f, -0.1f, 1}}, true, 0},
        // Touching the near plane from the eye: the corners at z = 0 also stick out of
        // all four side planes, which meet at the eye.
        {{{0.1f, 0.1f, 1}, {-0.1f, -0.1f, 0}}, true,
         (1 << FRUSTUM_NEAR) | (1 << FRUSTUM_TOP) | (1 << FRUSTUM_BOTTOM) | (1 << FRUSTUM_LEFT) |
             (1 << FRUSTUM_RIGHT)},
    };
    Camera cam;
    cam.Set({10, 0, 0}, {0, 0, 0}, 0.0f, kPi / 2, 1.0f, 100.0f);
    cam.Update();
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << index++);
        AxisBox w = BoxToWorld(c.box);
        uint8_t mask = 0xFF;
        EXPECT_EQ(cam.BoxVisible(w, &mask), c.visible);
        if (c.visible) {
            EXPECT_EQ(mask, c.mask);
        }
        EXPECT_EQ(cam.BoxVisible(w), c.visible);   // no mask wanted
    }
}

}  // namespace
