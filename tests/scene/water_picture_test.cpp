// Water at quality 2 on the real device reflects a quad hanging above it.
#include "glow_picture_fixture.h"
#include "scene/animation.h"
#include "scene/object_list.h"
#include "scene/water.h"
#include "world/scenario.h"

namespace {

using namespace fxtest;

class WaterPictureTest : public FxPictureTest {
protected:
    uint16_t savedVersion = 0;
    void SetUp() override {
        FxPictureTest::SetUp();
        savedVersion = g_Y3DVersion;
        g_Y3DVersion = 320;
        g_Scenario.number = 0;   // the layer textures come from the loaded scenario's folder
    }
    void TearDown() override {
        g_Scenario.number = -1;
        g_Y3DVersion = savedVersion;
        FxPictureTest::TearDown();
    }
};

TEST_F(WaterPictureTest, QualityTwoReflectsAQuadAboveTheWater) {
    AllowReflections();
    // Clear layers, so that only the reflection pass shows.
    for (int i = 0; i < 3; ++i)
        ASSERT_GE(SeedColourTexture("Texturas\\Escenarios\\Escenario00\\Water0" + std::to_string(i) + ".tga", 0), 0);
    const float box[6] = {-50, -0.1f, -50, 50, 0.1f, 50};
    auto f = datakit::EntryOf(Concat({LavaOrWaterRecord(2, 0.0f, box, 0), FlatQuad(0.0f, 50.0f)}));
    WaterObject* water = new WaterObject();
    ASSERT_TRUE(water->Load(f->Reader(), {}));
    ASSERT_EQ(water->quality, 2);
    ASSERT_NE(water->texture, nullptr);
    g_Scene.waters->Add(water);
    // A red ceiling 3 units above the water; the eye just above the water looking down at it.
    const Vec3 q[4] = {{-100, 3, -100}, {-100, 3, 100}, {100, 3, 100}, {100, 3, -100}};
    g_Scene.objects->Add(new ColourQuad(q, 0xFFFF0000));
    AimCamera({0, 1, -10}, {0, 0, 0});

    Clear(0xFF202020);
    g_Scene.Render();
    // The reflection blends in at 0x60 of 0xFF over the cleared black.
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 16), 0xFF600000, 8));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 28), 0xFF600000, 8));
}

}  // namespace
