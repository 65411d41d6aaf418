// On the real device: a triangle skinned to the arm of the two-bone character is drawn where the
// arm's half turn takes it, not where it was bound.
#include <cstdio>

#include "gfx/gl_fixture.h"
#include "render/video.h"
#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "shell/render_frame.h"
#include "core/settings.h"
#include "support/buffer_block_writer.h"
#include "support/y3d_model_builder.h"

namespace {

using namespace testsupport;

Animation g_turned;
Animation* Lookup(int32_t group, int32_t index) { return group == 2 && index == 0 ? &g_turned : nullptr; }

class ModelPictureTest : public gfxtest::GLDeviceTest {
protected:
    void SetUp() override {
        gfxtest::GLDeviceTest::SetUp();
        g_Scene.Destroy(true);
        g_Video.Zero();
        g_Video.device = device;
        g_Video.RestoreStates();
        ASSERT_TRUE(g_Scene.Create());
        savedMode = g_Settings.mode;
        g_Settings.mode = MODEL_VIEWER_MODE;
        // The arm stands turned half round z about its origin, one unit above the hip.
        g_turned.Free();
        g_turned.length = 2;
        g_turned.nodeTrackCount = 2;
        g_turned.nodeTracks.resize(2);
        const Quat q[2] = {{0, 0, 0, 1}, {0, 0, 1, 0}};
        const Vec3 p[2] = {{0, 0, 0}, {0, 1, 0}};
        for (int b = 0; b < 2; ++b) {
            AnimTrack& t = g_turned.nodeTracks[size_t(b)];
            t.flags = ANIM_HAS_ROTATION | ANIM_HAS_POSITION;
            t.keyCount = 1;
            t.keys = {AnimKey{0, ANIM_HAS_ROTATION | ANIM_HAS_POSITION, q[b], p[b]}};
        }
        SetAnimationLookup(Lookup);
    }
    void TearDown() override {
        model.Release();
        SetAnimationLookup(nullptr);
        g_Settings.mode = savedMode;
        g_Scene.Destroy(true);
        g_Video.device = nullptr;
        g_Video.Zero();
        gfxtest::GLDeviceTest::TearDown();
    }

    CharacterModel model;
    int32_t savedMode = 0;
};

TEST_F(ModelPictureTest, TheSkinnedTriangleFollowsTheArm) {
    Y3DBone arm;
    arm.name = "arm";
    arm.parts.translation = {0, 1, 0};
    arm.world = Mat4Translation(0, 1, 0);
    Y3DBone hip;
    hip.name = "hip";
    hip.children = {arm};
    auto f = EntryOf(BuildSkeletonRecords(hip, 2));
    ASSERT_TRUE(model.LoadSkeleton(f->Reader()));

    // Bound at x 1..3, y 0..2 (right of the centre); all weight on the arm (matrix 1).
    Y3DSkinnedModel file;
    Y3DMaterial material;
    material.layers = {Y3DMaterialLayer{64, ""}};
    file.materials = {material.Build()};
    const uint32_t white = 0xFFFFFFFF;
    file.vertexBuffers = {SkinnedVertices({{1, 0, 0, 0, white}, {3, 0, 0, 0, white}, {2, 2, 0, 0, white}})};
    file.indexBuffers = {SequentialIndices(3, 0)};
    Y3DSubMesh s;
    s.primitiveCount = 1;
    s.maxVertex = 2;
    s.matrixCount = 2;
    s.bones = {0, 1, 0, 0};
    file.subMeshes = {s};
    file.skeleton = hip;
    f = EntryOf(file.Build());
    ASSERT_TRUE(model.LoadDetailLevel(f->Reader()));

    // The model stands 5 ahead of the eye and 1 down: the turn maps (x, y) to (-x, 1 - y).
    ASSERT_TRUE(model.PlayAnimation(0, 0, 0, 30.0f, true));
    model.position = {0, -1, 5};
    ++g_FrameStats.frameCounter;
    model.UpdatePose(true);

    const gfx::Matrix projection = gfxtest::Perspective(), view = gfxtest::IdentityMatrix();
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
