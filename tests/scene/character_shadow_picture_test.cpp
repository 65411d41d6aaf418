// On the real device: a box's shadow volume counted into the stencil buffer and the darkening
// quad make the ground under the box dark and leave the rest of it alone.
#include "glow_picture_fixture.h"
#include "character_model_fixture.h"

namespace modeltest {
namespace {

struct GroundVertex {
    float x, y, z;
    uint32_t colour;
};

class ShadowPictureTest : public fxtest::FxPictureTest {
protected:
    CharacterModel model;

    void TearDown() override {
        model.Release();
        g_ModelLoaders.Clear();
        fxtest::FxPictureTest::TearDown();
    }
};

TEST_F(ShadowPictureTest, TheGroundUnderTheBoxIsDarkened) {
    auto f = EntryOf(BuildSkeletonRecords(TwoBones(), 0));
    ASSERT_TRUE(model.LoadSkeleton(f->Reader()));
    model.shadow = g_ModelLoaders.Create();
    f = EntryOf(BoxShadow().Build());
    ASSERT_TRUE(LoadModel(model.shadow, f->Reader(), &model));
    ++g_FrameStats.frameCounter;
    model.UpdatePose(true);

    // The eye looks down at 45 degrees onto the origin, so every ray to the ground under the
    // box enters the volume through its near side.
    AimCamera({0, 4, -4}, {0, 0, 0});
    Clear(0xFF000000);

    // Grey ground at y = 0, drawn with depth.
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, false);
    g_Video.SetLighting(false);
    g_Video.EnableCulling(false);
    g_Video.SetColorOp(0, gfx::D3DTOP_SELECTARG1);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_DIFFUSE);
    const uint32_t grey = 0xFF808080;
    const GroundVertex ground[4] = {{-20, 0, -20, grey}, {-20, 0, 20, grey}, {20, 0, -20, grey}, {20, 0, 20, grey}};
    g_Video.SetVertexShader(gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE);
    ASSERT_EQ(device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLESTRIP, 2, ground, sizeof(GroundVertex)), gfx::D3D_OK);
    g_Video.EnableCulling(true);
    const uint32_t centreBefore = Pixel(16, 16), edgeBefore = Pixel(2, 16);
    EXPECT_TRUE(gfxtest::ColorNear(centreBefore, grey)) << gfxtest::Hex(centreBefore);

    model.shadow->BuildShadowVolume(&model);
    ASSERT_GT(model.shadow->volumeCount, 0u);
    model.shadow->DrawShadowVolume();
    // The volume writes no colour.
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 16), grey));
    DrawCharacterShadowOverlay(255);

    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 16), 0xFF000000)) << gfxtest::Hex(Pixel(16, 16));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(2, 16), edgeBefore)) << gfxtest::Hex(Pixel(2, 16));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 28), grey)) << gfxtest::Hex(Pixel(16, 28));
}

}  // namespace
}  // namespace modeltest
