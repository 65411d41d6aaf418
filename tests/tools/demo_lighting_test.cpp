// A movable object of the demo data drawn lit on the OpenGL device inside a loaded scenario: its
// side turned from the sun takes the scenario's ambient light, as bright as the world's own
// baked shading of the same side, not black.
#include <gtest/gtest.h>

#include <numbers>

#include "demo_scene_fixture.h"
#include "render/material.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "world/dynamic_mesh.h"
#include "world/scenario.h"

namespace {

constexpr uint32_t kClear = 0xFF0000FF;

class DemoLightingTest : public demotest::DemoSceneTest {
protected:

    // The object drawn alone on the clear colour; the pixel in the middle of the picture.
    uint32_t DrawnMiddle(DynamicMesh& object) {
        Clear(kClear);
        g_Scene.materials->ResetCache();
        object.Draw();
        return Pixel(kSize / 2, kSize / 2);
    }
};

TEST_F(DemoLightingTest, ARacePostSeenFromTheShadeIsLitLikeTheWorldAroundIt) {
    ASSERT_TRUE(g_Scene.LoadModel("Modelos\\Objetos Dinamicos\\poste_carrera.y3d", "Texturas\\Objetos Dinamicos\\", 3,
                                  false));
    // The scenario the demo's settings open, after its mode objects as a match loads them.
    ASSERT_TRUE(g_Scenario.Load(13));
    ASSERT_NE(g_Scene.sun, nullptr);
    DynamicMesh* post = AsDynamicMesh(g_Scene.collidables->FindByName("poste_carrera(DINCOL)"));
    ASSERT_NE(post, nullptr);
    // On open ground, far from the scenario's lamp; the sun comes down from +x, so the post's -x
    // side, which the camera looks at, lies in its own shade.
    post->SetPosition({10.0f, 0.0f, 30.0f});
    g_Scene.camera->Set(7.0f, 1.2f, 30.0f, 10.0f, 1.2f, 30.0f, 0, std::numbers::pi_v<float> / 6, 0.1f, 50);
    g_Scene.camera->Update();

    const uint32_t lit = DrawnMiddle(*post);
    // Unlit, the post shows its baked vertex colours as the static world does.
    post->lit = 0;
    const uint32_t baked = DrawnMiddle(*post);
    post->lit = 1;
    ASSERT_FALSE(gfxtest::ColorNear(baked, kClear, 8)) << "the post is not in the picture";

    // The side's white (0xE0) shaded by the demo to 0.46 against the ambient 100 of 255 on a
    // white material: 103 and 100 of the same grain texture.
    for (int shift = 0; shift < 24; shift += 8) {
        EXPECT_GT(int((lit >> shift) & 0xFF), 0x30) << gfxtest::Hex(lit);
    }
    EXPECT_TRUE(gfxtest::ColorNear(lit, baked, 10));
}

}  // namespace
