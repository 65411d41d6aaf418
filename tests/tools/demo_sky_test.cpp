// The demo scenarios' sky drawn on the OpenGL device as a match draws it: whichever way the
// camera looks, no pixel keeps the clear colour, so the sky fits inside its own far plane.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "data/data_set.h"
#include "demo_device_fixture.h"
#include "scene/camera.h"
#include "world/element_map.h"
#include "world/scenario.h"

namespace {

// A colour neither the sky nor the arena has.
constexpr uint32_t kClear = 0xFFFF00FF;

class DemoSkyTest : public demotest::DemoDeviceTest<128, 96> {
protected:
    void TearDown() override {
        g_Scenario.Unload();
        g_ElementMap.Release();
        DemoDeviceTest::TearDown();
    }

    // Pixels still showing the clear colour after the scene was drawn looking from `eye` along
    // the yaw and pitch (radians).
    int ClearPixelsLooking(const Vec3& eye, float yaw, float pitch) {
        const Vec3 at{eye.x + std::cos(pitch) * std::sin(yaw), eye.y + std::sin(pitch),
                      eye.z + std::cos(pitch) * std::cos(yaw)};
        // A wide view with a far plane well past the arena, as a match's camera has.
        g_Scene.camera->Set(eye, at, 0, std::numbers::pi_v<float> / 2, 0.5f, 500.0f);
        g_Scene.camera->Update();
        Clear(kClear);
        g_Scene.Render();
        int clear = 0;
        for (uint32_t p : ReadBack()) clear += gfxtest::ColorNear(p, kClear, 2) ? 1 : 0;
        return clear;
    }
};

// Scenario 0 and one with fog, from the arena's middle and from a corner high on the wall,
// along the walls, into the corners, up and down.
TEST_F(DemoSkyTest, TheSkyCoversEveryDirectionWithNoGapAtItsFarWallsOrCorners) {
    for (int number : {0, demodata::WATER_SCENARIO}) {
        g_Scene.Destroy(true);
        ASSERT_TRUE(g_Scene.Create());
        ASSERT_TRUE(g_Scenario.Load(number));
        for (const Vec3& eye : {Vec3{32, 2, 24}, Vec3{2, 8, 2}}) {
            for (int step = 0; step < 8; ++step) {
                const float yaw = float(step) * std::numbers::pi_v<float> / 4;
                for (float pitch : {0.0f, 0.6f, 1.4f, -0.6f}) {
                    SCOPED_TRACE(testing::Message() << "scenario " << number << " eye " << eye.x << "," << eye.y << ","
                                                    << eye.z << " yaw " << yaw << " pitch " << pitch);
                    EXPECT_EQ(ClearPixelsLooking(eye, yaw, pitch), 0);
                }
            }
        }
        g_Scenario.Unload();
        g_ElementMap.Release();
    }
}

}  // namespace
