// On the real device: a box's shadow volume counted into the stencil buffer and the darkening
// quad make the ground under the box dark and leave the rest of it alone.
#include "glow_picture_fixture.h"
#include "character_model_fixture.h"
#include "scene/object_list.h"

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

    // A two-bone model with the box's shadow, standing at p.
    void LoadBoxModel(CharacterModel* m, const Vec3& p) {
        auto f = EntryOf(BuildSkeletonRecords(TwoBones(), 0));
        ASSERT_TRUE(m->LoadSkeleton(f->Reader()));
        m->shadow = g_ModelLoaders.Create();
        f = EntryOf(BoxShadow().Build());
        ASSERT_TRUE(LoadModel(m->shadow, f->Reader(), m));
        m->position = m->basePosition = p;
        // The pose is taken once a frame.
        ++g_FrameStats.frameCounter;
        m->UpdatePose(true);
        m->box[0] = p.x - 1, m->box[1] = p.y - 1, m->box[2] = p.z - 1;
        m->box[3] = p.x + 1, m->box[4] = p.y + 1, m->box[5] = p.z + 1;
    }

    // Black target, cleared depth and stencil, grey ground at y = 0 drawn with depth.
    void ClearToGround() {
        Clear(0xFF000000);
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
    }

    // The stencil count of every pixel, -1 (255) to 3 (4 for any other), read back by painting
    // the pixels of each count in a colour of their own.
    std::vector<int> StencilCounts() {
        g_Video.SetTexture(0, nullptr);
        g_Video.SetColorOp(0, gfx::D3DTOP_SELECTARG1);
        g_Video.SetColorArg(0, 0, gfx::D3DTA_DIFFUSE);
        g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
        g_Video.SetBlendMode(0);
        device->SetRenderState(gfx::D3DRS_ZENABLE, 0);
        device->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_NONE);
        FullScreenQuad(0xFF0000FF);
        device->SetRenderState(gfx::D3DRS_STENCILENABLE, 1);
        device->SetRenderState(gfx::D3DRS_STENCILMASK, 0xFFFFFFFFu);
        device->SetRenderState(gfx::D3DRS_STENCILFUNC, gfx::D3DCMP_EQUAL);
        device->SetRenderState(gfx::D3DRS_STENCILPASS, gfx::D3DSTENCILOP_KEEP);
        for (uint32_t k = 0; k < 5; ++k) {
            device->SetRenderState(gfx::D3DRS_STENCILREF, k < 4 ? k : 255);
            FullScreenQuad(0xFF000000u | (k * 0x30u) << 16);
        }
        device->SetRenderState(gfx::D3DRS_STENCILENABLE, 0);
        device->SetRenderState(gfx::D3DRS_ZENABLE, 1);
        device->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_CCW);
        std::vector<int> counts;
        for (uint32_t p : ReadBack()) {
            const int k = int((p >> 16 & 0xFF) / 0x30);
            counts.push_back((p & 0xFFFF) != 0 ? 4 : k == 4 ? -1 : k);
        }
        return counts;
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
    ClearToGround();
    const uint32_t grey = 0xFF808080;
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

// The characters' volumes go to the device together; the counts in the stencil buffer must
// be those of casting each shadow on its own, and a closed batch leaves nothing to count again.
TEST_F(ShadowPictureTest, ShadowsCastTogetherCountAsShadowsCastOneByOne) {
    CharacterModel other;
    LoadBoxModel(&model, {-1.5f, 0, 0});
    LoadBoxModel(&other, {1.5f, 0, 0.5f});
    AimCamera({0, 4, -4}, {0, 0, 0});

    ClearToGround();
    CastCharacterShadow(&model);
    CastCharacterShadow(&other);
    const std::vector<int> oneByOne = StencilCounts();

    ClearToGround();
    OpenShadowBatch();
    CastCharacterShadow(&model);
    CastCharacterShadow(&other);
    // Nothing is counted before the batch closes.
    const std::vector<int> open = StencilCounts();
    CloseShadowBatch();
    const std::vector<int> together = StencilCounts();

    ClearToGround();
    CloseShadowBatch();
    const std::vector<int> closedAgain = StencilCounts();
    // Once the batch is closed a shadow is counted as it is cast.
    ClearToGround();
    CastCharacterShadow(&model);
    CastCharacterShadow(&other);
    const std::vector<int> afterBatch = StencilCounts();
    // The scene's pass over its characters.
    ClearToGround();
    ASSERT_NE(g_Scene.characterModels, nullptr);
    g_Scene.characterModels->Add(&model);
    g_Scene.characterModels->Add(&other);
    g_Scene.characterModels->CastShadowsAll();
    g_Scene.characterModels->Remove(&model);
    g_Scene.characterModels->Remove(&other);
    const std::vector<int> scenePass = StencilCounts();
    other.Release();

    ASSERT_EQ(oneByOne.size(), size_t(kSize) * kSize);
    // Each box counts on its own side of the picture, and the middle column stays lit.
    int left = 0, right = 0;
    for (uint32_t y = 0; y < kSize; ++y)
        for (uint32_t x = 0; x < kSize; ++x) {
            const int c = oneByOne[y * kSize + x];
            if (x < kSize / 2) left += c != 0;
            else if (x > kSize / 2) right += c != 0;
            else EXPECT_EQ(c, 0) << y;
        }
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);
    EXPECT_EQ(together, oneByOne);
    EXPECT_EQ(open, std::vector<int>(oneByOne.size(), 0));
    EXPECT_EQ(closedAgain, std::vector<int>(oneByOne.size(), 0));
    EXPECT_EQ(afterBatch, oneByOne);
    EXPECT_EQ(scenePass, oneByOne);
}

}  // namespace
}  // namespace modeltest
