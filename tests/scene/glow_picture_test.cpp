// A glow on the real device: faded in through its update and drawn by the screen-space pass.
#include "effects/effect_list.h"
#include "glow_picture_fixture.h"
#include "scene/glow.h"
#include "scene/object_list.h"

namespace {

using namespace fxtest;

class GlowPictureTest : public FxPictureTest {
protected:
    // The states the effect list's screen-space pass gives its members (its own set-up of them is
    // not built yet).
    void ScreenSpaceStates() {
        g_Video.SetZEnable(false);
        g_Video.SetBlendMode(2);
        g_Video.SetLighting(false);
        g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
        g_Video.SetVertexShader(SCREEN_SPACE_FVF);
    }
};

TEST_F(GlowPictureTest, VisibleGlowShowsItsSquareOnScreen) {
    AimCamera({0, 0, -10}, {0, 0, 0});
    const int32_t tex = SeedColourTexture("Texturas\\Efectos\\Glow01.tga", 0xFFFFFFFF);
    ASSERT_GE(tex, 0);
    GlowNode* glow = new GlowNode();
    glow->Init(0, 0, 0, 0xFFFF0000, 300, 0.5f, tex);
    g_Scene.effects->Add(glow);
    // Nothing blocks the view: a full fade-in.
    g_Scene.effects->Update(300);
    EXPECT_EQ(glow->intensity, 1.0f);
    Clear(0xFF000000);
    ScreenSpaceStates();
    g_Scene.effects->DrawScreenSpace();
    // A 16-pixel square around the centre.
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 16), 0xFFFF0000));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(10, 21), 0xFFFF0000));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(3, 3), 0xFF000000));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(28, 16), 0xFF000000));
}

}  // namespace
