// On the real device: a box's shadow volume counted into the stencil buffer and the darkening
// quad make the ground under the box dark and leave the rest of it alone.
#include <cmath>
#include <cstdio>

#include "gfx/gl_fixture.h"
#include "render/video.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/character_shadow.h"
#include "shell/render_frame.h"
#include "support/buffer_block_writer.h"
#include "support/y3d_model_builder.h"

namespace {

using namespace testsupport;

// Left-handed look-at for row vectors.
gfx::Matrix LookAt(const Vec3& eye, const Vec3& at) {
    const Vec3 z = Vec3Normalize(Vec3Sub(at, eye));
    const Vec3 x = Vec3Normalize(Vec3Cross({0, 1, 0}, z));
    const Vec3 y = Vec3Cross(z, x);
    gfx::Matrix m{};
    const Vec3 axes[3] = {x, y, z};
    for (int c = 0; c < 3; ++c) {
        m.m[0][c] = axes[c].x;
        m.m[1][c] = axes[c].y;
        m.m[2][c] = axes[c].z;
        m.m[3][c] = -Vec3Dot(axes[c], eye);
    }
    m.m[3][3] = 1.0f;
    return m;
}

struct GroundVertex {
    float x, y, z;
    uint32_t colour;
};

class ShadowPictureTest : public gfxtest::GLDeviceTest {
protected:
    CharacterModel model;

    void SetUp() override {
        gfxtest::GLDeviceTest::SetUp();
        g_Video.Zero();
        g_Video.device = device;
        g_Video.RestoreStates();
    }
    void TearDown() override {
        model.Release();
        g_ModelLoaders.Clear();
        g_Video.device = nullptr;
        g_Video.Zero();
        gfxtest::GLDeviceTest::TearDown();
    }
};

TEST_F(ShadowPictureTest, TheGroundUnderTheBoxIsDarkened) {
    Y3DBone hip;
    hip.name = "hip";
    auto f = EntryOf(BuildSkeletonRecords(hip, 0));
    ASSERT_TRUE(model.LoadSkeleton(f->Reader()));

    // The box over x, z in [-0.5, 0.5], y in [1, 2], on the one bone.
    Y3DShadowModel box;
    const float c[8][3] = {{-.5f, 1, -.5f}, {.5f, 1, -.5f}, {.5f, 2, -.5f}, {-.5f, 2, -.5f},
                           {-.5f, 1, .5f},  {.5f, 1, .5f},  {.5f, 2, .5f},  {-.5f, 2, .5f}};
    for (const auto& p : c) box.vertices.push_back({{p[0], p[1], p[2]}, {{0, 1.0f}}});
    const uint16_t faces[6][4] = {{0, 1, 5, 4}, {3, 7, 6, 2}, {0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}};
    for (const auto& q : faces) {
        box.triangles.push_back({q[0], q[1], q[2]});
        box.triangles.push_back({q[0], q[2], q[3]});
    }
    box.skeleton = hip;
    model.shadow = g_ModelLoaders.Create();
    f = EntryOf(box.Build());
    ASSERT_TRUE(LoadModel(model.shadow, f->Reader(), &model));
    ++g_FrameStats.frameCounter;
    model.UpdatePose(true);

    // The eye looks down at 45 degrees onto the origin, so every ray to the ground under the
    // box enters the volume through its near side.
    const gfx::Matrix view = LookAt({0, 4, -4}, {0, 0, 0});
    const gfx::Matrix projection = gfxtest::Perspective();
    g_Video.SetViewMatrix(&view);
    g_Video.SetProjectionMatrix(&projection);
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
