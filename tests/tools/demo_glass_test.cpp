// The demo scenarios' glass awning drawn on the OpenGL device inside a loaded scenario: the wall
// behind it shows through, mixed with the glass by the glass texture's alpha.
#include <gtest/gtest.h>

#include <numbers>

#include "demo_scene_fixture.h"
#include "render/mesh.h"
#include "render/render_octree.h"
#include "scene/scene.h"
#include "scene/scene_element_records.h"
#include "world/scenario.h"

namespace {

// The glass texture as the demo data writes it.
constexpr int kGlassAlpha = 0x70, kGlassRed = 0xB0, kGlassGreen = 0xD8, kGlassBlue = 0xF0;

class DemoGlassTest : public demotest::DemoSceneTest {
protected:
    uint32_t MiddleOfAFrame() {
        Clear(0xFF000000);
        g_Scene.Render();
        return Pixel(kSize / 2, kSize / 2);
    }
};

TEST_F(DemoGlassTest, TheWallShowsThroughTheGlassAwning) {
    // A scenario without fog, whose haze would tint both pictures.
    int number = 0;
    while (number < SCENARIO_COUNT && ScenarioTable[number].fog) ++number;
    ASSERT_LT(number, SCENARIO_COUNT);
    ASSERT_TRUE(g_Scenario.Load(number));
    Mesh* glass = g_SceneMeshTable ? g_SceneMeshTable->Get(1) : nullptr;
    ASSERT_NE(glass, nullptr);
    // From in front of the awning and below it, up at the top of the south wall: the awning's
    // lower face stands between the eye and the wall.
    g_Scene.camera->Set(16, 3.2f, 5, 16, 4.9f, 0, 0, std::numbers::pi_v<float> / 8, 0.1f, 50);
    g_Scene.camera->Update();

    const uint32_t through = MiddleOfAFrame();
    // Without its triangles the glass queues nothing: the wall alone.
    const uint16_t triangles = glass->triangleCount;
    glass->triangleCount = 0;
    const uint32_t wall = MiddleOfAFrame();
    glass->triangleCount = triangles;
    ASSERT_FALSE(gfxtest::ColorNear(wall, 0xFF000000, 8)) << "the wall is not in the picture";

    const float a = kGlassAlpha / 255.0f;
    auto mix = [&](int shift, int glassChannel) {
        const float behind = float((wall >> shift) & 0xFF);
        return uint32_t(behind + (float(glassChannel) - behind) * a + 0.5f) << shift;
    };
    const uint32_t expected = 0xFF000000u | mix(16, kGlassRed) | mix(8, kGlassGreen) | mix(0, kGlassBlue);
    EXPECT_TRUE(gfxtest::ColorNear(through, expected, 3)) << "wall " << gfxtest::Hex(wall);
    // And again: the frame's queue is emptied and filled anew.
    EXPECT_TRUE(gfxtest::ColorNear(MiddleOfAFrame(), through, 1));
}

}  // namespace
