// On the real device: a triangle skinned to the arm of the two-bone character is drawn where the
// arm's half turn takes it, not where it was bound.
#include "glow_picture_fixture.h"
#include "character_model_fixture.h"

namespace modeltest {
namespace {

class ModelPictureTest : public fxtest::FxPictureTest {
protected:
    void SetUp() override {
        fxtest::FxPictureTest::SetUp();
        g_Settings.mode = MODEL_VIEWER_MODE;
        BuildAnimations();
        SetAnimationLookup(Lookup);
    }
    void TearDown() override {
        model.Release();
        SetAnimationLookup(nullptr);
        fxtest::FxPictureTest::TearDown();
    }

    CharacterModel model;
};

TEST_F(ModelPictureTest, TheSkinnedTriangleFollowsTheArm) {
    auto f = EntryOf(BuildSkeletonRecords(TwoBones(), kGroup));
    ASSERT_TRUE(model.LoadSkeleton(f->Reader()));
    // Bound at x 1..3, y 0..2 (right of the centre); all weight on the arm (matrix 1).
    const uint32_t white = 0xFFFFFFFF;
    f = EntryOf(DetailFile({{1, 0, 0, 0, white}, {3, 0, 0, 0, white}, {2, 2, 0, 0, white}}).Build());
    ASSERT_TRUE(model.LoadDetailLevel(f->Reader()));

    // On the walk's first frame the hip stands at height 0.5 and the arm is turned half round z;
    // the view lowers the world by 1.5, so 5 ahead of the eye the turn maps (x, y) to (-x, 1 - y).
    ASSERT_TRUE(model.PlayAnimation(0, 0, 0, 30.0f, true));
    model.position = {0, 0, 5};
    ++g_FrameStats.frameCounter;
    model.UpdatePose(true);

    const gfx::Matrix projection = gfxtest::Perspective();
    gfx::Matrix view = gfxtest::IdentityMatrix();
    view.m[3][1] = -1.5f;
    g_Video.SetViewMatrix(&view);
    g_Video.SetProjectionMatrix(&projection);
    g_Video.EnableCulling(false);
    device->SetRenderState(gfx::D3DRS_AMBIENT, 0xFFFFFFFF);
    const uint32_t background = 0xFF204060;
    Clear(background);
    ASSERT_TRUE(model.Draw());

    // The turned triangle spans x -3..-1 (pixels 6..13) around the centre row.
    const uint32_t turned = Pixel(10, 15);
    EXPECT_FALSE(gfxtest::ColorNear(turned, background, 8)) << gfxtest::Hex(turned);
    // Where it was bound, and anywhere else, the background stays.
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(22, 15), background)) << gfxtest::Hex(Pixel(22, 15));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 4), background));
}

}  // namespace
}  // namespace modeltest
