// Water: the record, the quality choice, the reflection camera and clip plane, and the passes.
#include <gtest/gtest.h>

#include <cmath>

#include "render/index_buffer_table.h"
#include "render/vertex_buffer_table.h"
#include "scene/animation.h"
#include "scene/object_list.h"
#include "scene/water.h"
#include "scene_element_records.h"
#include "support/y3d_octree_builder.h"

namespace {

using namespace fxtest;

const float kBox[6] = {-5, -0.1f, -5, 5, 0.1f, 5};

class WaterTest : public FxDeviceTest {
protected:
    uint16_t savedVersion = 0;
    void SetUp() override {
        FxDeviceTest::SetUp();
        savedVersion = g_Y3DVersion;
        g_Y3DVersion = 320;
    }
    void TearDown() override {
        g_Y3DVersion = savedVersion;
        FxDeviceTest::TearDown();
    }
    static std::vector<uint8_t> WaterBytes(float level = 0.0f, uint32_t material = 0) {
        return Concat({LavaOrWaterRecord(2, level, kBox, material), FlatQuad(level, 5)});
    }
    WaterObject* LoadWater(float level = 0.0f) {
        FILE* f = testsupport::StreamOf(WaterBytes(level));
        WaterObject* w = new WaterObject();
        EXPECT_TRUE(w->Load(f, {3}));
        std::fclose(f);
        g_Scene.waters->Add(w);
        return w;
    }
    std::vector<gfx::Matrix> TextureMatrices(uint32_t state) const {
        std::vector<gfx::Matrix> out;
        for (const gfx::Call& c : rec->CallsOf(gfx::CallKind::SetTransform))
            if (c.args[0] == state) out.push_back(c.matrix);
        return out;
    }
};

TEST_F(WaterTest, LoadReadsTheRecordAndLeavesTheStreamAtTheNextRecord) {
    std::vector<uint8_t> bytes = WaterBytes(1.5f, 0);
    bytes.push_back(0x99);
    FILE* f = testsupport::StreamOf(bytes);
    WaterObject w;
    ASSERT_TRUE(w.Load(f, {42}));
    EXPECT_EQ(std::ftell(f), long(bytes.size() - 1));
    std::fclose(f);
    EXPECT_EQ(w.typeCode, 0u);
    EXPECT_EQ(w.triangleCount, 2u);
    EXPECT_EQ(w.level, 1.5f);
    EXPECT_EQ(w.box[3], 5.0f);
    EXPECT_EQ(w.materialId, 42);
    ASSERT_NE(w.indexBuffer, nullptr);
    EXPECT_EQ(w.indexBuffer->indexCount, 6u);
    EXPECT_EQ(w.quality, 1);
    EXPECT_EQ(w.texture, nullptr);
}

TEST_F(WaterTest, MaterialRangeAndShortRecords) {
    FILE* f = testsupport::StreamOf(WaterBytes(0, 5));
    WaterObject w;
    ASSERT_TRUE(w.Load(f, {1, 2}));
    std::fclose(f);
    EXPECT_EQ(w.materialId, -1);
    ExpectEveryPrefixRefused(WaterBytes(), 5, [](FILE* s) { return WaterObject().Load(s, {1}); });
}

TEST_F(WaterTest, OlderFilesCarryACollisionMeshThatIsReadAndDropped) {
    g_Y3DVersion = 319;
    testsupport::CollisionMeshDesc mesh;
    mesh.groups.resize(1);
    mesh.AddFace(0, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}}, {0, 1, 0});
    std::vector<uint8_t> block;
    testsupport::AppendCollisionMesh(&block, mesh, 319);
    std::vector<uint8_t> bytes = Concat({WaterBytes(), block});
    bytes.push_back(0x11);
    FILE* f = testsupport::StreamOf(bytes);
    WaterObject w;
    ASSERT_TRUE(w.Load(f, {}));
    EXPECT_EQ(std::ftell(f), long(bytes.size() - 1));
    std::fclose(f);
    // Without the mesh such a record is refused.
    f = testsupport::StreamOf(WaterBytes());
    EXPECT_FALSE(WaterObject().Load(f, {}));
    std::fclose(f);
}

TEST_F(WaterTest, QualityFollowsTheAdapterCappedBySetting) {
    struct Case {
        bool targets, bump;
        int32_t setting;
        uint8_t expected;
    };
    const Case cases[] = {
        {false, false, 0, 1}, {true, false, 0, 2}, {true, true, 0, 3},
        {true, true, 1, 1},   // CALIDAD_AGUA 1 on an adapter allowing 3
        {true, false, 3, 2},  // CALIDAD_AGUA 3 on an adapter allowing only 2
        {true, true, 2, 2},   {false, true, 0, 1}, {true, false, -1, 2},
    };
    for (const Case& c : cases) {
        g_AdapterTable.Reset();
        if (c.targets) AllowReflections(c.bump);
        else g_AdapterTable.adapters[0].bumpEnvMap = c.bump ? 1 : 0;
        g_Settings.waterQuality = c.setting;
        EXPECT_EQ(ChooseWaterQuality(), c.expected) << c.targets << c.bump << " " << c.setting;
    }
}

TEST_F(WaterTest, ReflectingWaterGetsATargetFittedToTheScreen) {
    AllowReflections();
    g_Video.screenRect = {0, 0, 639, 479};
    WaterObject* w = LoadWater();
    EXPECT_EQ(w->quality, 2);
    EXPECT_EQ(w->targetSize, 256u);
    ASSERT_NE(w->texture, nullptr);
    gfx::SurfaceDesc desc{};
    w->texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 256u);
    // Lost and restored with the device.
    g_Scene.InvalidateDeviceObjects();
    EXPECT_EQ(w->texture, nullptr);
    g_Scene.RestoreDeviceObjects();
    EXPECT_NE(w->texture, nullptr);
    // Quality 1 keeps no target, also after a restore.
    g_AdapterTable.Reset();
    WaterObject* low = LoadWater();
    g_Scene.InvalidateDeviceObjects();
    g_Scene.RestoreDeviceObjects();
    EXPECT_EQ(low->texture, nullptr);
}

TEST_F(WaterTest, ReflectionCameraIsMirroredInTheLevelAndClipsBelowIt) {
    AllowReflections();
    struct Case {
        Vec3 eye, target;
        float level;
        Vec3 mirroredEye, mirroredTarget;
    };
    const Case cases[] = {
        {{1, 5, -10}, {0, 0, 0}, 1.0f, {1, -3, -10}, {0, 2, 0}},
        {{0, 3, -8}, {0, 0, 2}, 0.0f, {0, -3, -8}, {0, 0, 2}},
        // The eye below the water still reflects: the mirrored eye is above.
        {{0, -2, -8}, {0, 0, 0}, 0.0f, {0, 2, -8}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        WaterObject* w = LoadWater(c.level);
        AimCamera(c.eye.x, c.eye.y, c.eye.z, c.target.x, c.target.y, c.target.z);
        Camera* current = g_Scene.camera;
        rec->ClearLog();
        w->RenderReflection();
        ASSERT_NE(w->reflectionCamera, nullptr);
        const Camera& r = *w->reflectionCamera;
        EXPECT_NEAR(r.eye.x, c.mirroredEye.x, 1e-5);
        EXPECT_NEAR(r.eye.y, c.mirroredEye.y, 1e-5);
        EXPECT_NEAR(r.eye.z, c.mirroredEye.z, 1e-5);
        EXPECT_NEAR(r.target.y, c.mirroredTarget.y, 1e-5);
        EXPECT_EQ(r.roll, 0.0f);
        EXPECT_EQ(r.nearPlane, current->nearPlane);
        EXPECT_EQ(r.farPlane, current->farPlane);
        EXPECT_EQ(r.fovX, current->fovX);
        const auto planes = rec->CallsOf(gfx::CallKind::SetClipPlane);
        ASSERT_EQ(planes.size(), 1u);
        EXPECT_EQ(planes[0].args[0], 0u);
        EXPECT_EQ(planes[0].values[0], 0.0f);
        EXPECT_EQ(planes[0].values[1], 1.0f);
        EXPECT_EQ(planes[0].values[2], 0.0f);
        EXPECT_EQ(planes[0].values[3], -c.level);
        // Clip plane 0 on during the reflection pass, off afterwards.
        const auto enables = rec->RenderStateSends(gfx::D3DRS_CLIPPLANEENABLE);
        ASSERT_GE(enables.size(), 2u);
        EXPECT_EQ(enables.front(), 1u);
        EXPECT_EQ(enables.back(), 0u);
        EXPECT_EQ(rec->CountCalls(gfx::CallKind::SetRenderTarget), 2u);
        EXPECT_EQ(g_Scene.camera, current);
        EXPECT_EQ(g_Scene.savedCamera, nullptr);
        g_Scene.waters->Delete(w);
    }
}

TEST_F(WaterTest, NoReflectionAtQualityOneOrOutOfView) {
    WaterObject* low = LoadWater();
    rec->ClearLog();
    g_Scene.waters->RenderReflections();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::SetRenderTarget), 0u);
    g_Scene.waters->Delete(low);
    AllowReflections();
    WaterObject* w = LoadWater();
    AimCamera(0, 0, -10, 0, 0, -20);   // looking away
    rec->ClearLog();
    w->RenderReflection();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::SetRenderTarget), 0u);
}

TEST_F(WaterTest, ProjectiveMatrixMapsCameraSpaceOntoTheTexture) {
    Mat4 p = Mat4Identity();
    p.m[0][0] = 1.5f;
    p.m[1][1] = 2.0f;
    const Mat4 m = WaterProjectiveMatrix(p);
    // u = 0.5 + 0.5 x P00 x x / z and v = 0.5 + 0.5 x P11 x y / z.
    const float x = 2, y = -1, z = 4;
    const float u = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
    const float v = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
    const float w = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
    EXPECT_FLOAT_EQ(u / w, 0.5f + 0.5f * 1.5f * x / z);
    EXPECT_FLOAT_EQ(v / w, 0.5f + 0.5f * 2.0f * y / z);
}

TEST_F(WaterTest, QualityOneScrollsThreeLayersOnTheMatchClock) {
    WaterObject* w = LoadWater();
    StopMatchClockAt(20000);
    rec->ClearLog();
    ASSERT_TRUE(w->Draw());
    const auto m = TextureMatrices(gfx::D3DTS_TEXTURE0);
    ASSERT_EQ(m.size(), 3u);
    const float expected[3][2] = {{0.0f, -1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(m[size_t(i)].m[2][0], expected[i][0]) << i;
        EXPECT_FLOAT_EQ(m[size_t(i)].m[2][1], expected[i][1]) << i;
    }
    ASSERT_EQ(rec->Draws().size(), 3u);
    for (const auto& d : rec->Draws()) {
        EXPECT_EQ(d.RenderState(gfx::D3DRS_ALPHABLENDENABLE), 1u);
        EXPECT_EQ(d.StageState(0, gfx::D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(gfx::D3DTTFF_COUNT2));
    }
    // Frozen while the match clock stands.
    rec->ClearLog();
    w->Draw();
    const auto again = TextureMatrices(gfx::D3DTS_TEXTURE0);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[1].m[2][0], m[1].m[2][0]);
}

TEST_F(WaterTest, QualityTwoDrawsTheProjectedReflectionUnderTheLayers) {
    AllowReflections();
    WaterObject* w = LoadWater();
    AimCamera(0, 5, -10, 0, 0, 0);
    w->RenderReflection();
    StopMatchClockAt(0);
    rec->ClearLog();
    w->Draw();
    ASSERT_EQ(rec->Draws().size(), 4u);
    const gfx::DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.textures[0], w->texture);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_SELECTARG1));
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_TEXCOORDINDEX), gfx::D3DTSS_TCI_CAMERASPACEPOSITION);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_TEXTURETRANSFORMFLAGS), 0x103u);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_ADDRESSU), uint32_t(gfx::D3DTADDRESS_CLAMP));
    EXPECT_EQ(d.RenderState(gfx::D3DRS_TEXTUREFACTOR), 0x60FFFFFFu);
    const auto m = TextureMatrices(gfx::D3DTS_TEXTURE0);
    ASSERT_EQ(m.size(), 4u);
    EXPECT_FLOAT_EQ(m[0].m[0][0], 0.5f * w->reflectionCamera->projection.m[0][0]);
    EXPECT_FLOAT_EQ(m[0].m[1][1], 0.5f * w->reflectionCamera->projection.m[1][1]);
    EXPECT_EQ(m[0].m[2][0], 0.5f);
    EXPECT_EQ(m[0].m[2][1], 0.5f);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(rec->Draws()[i].StageState(0, gfx::D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(gfx::D3DTTFF_COUNT2));
}

TEST_F(WaterTest, QualityThreeDrawsOneBumpPassThatStandsStillWhilePaused) {
    AllowReflections(true);
    WaterObject* w = LoadWater();
    ASSERT_EQ(w->quality, 3);
    EXPECT_EQ(w->layers[0], -1);
    StopMatchClockAt(500);
    rec->ClearLog();
    w->Draw();
    ASSERT_EQ(rec->Draws().size(), 1u);
    const gfx::DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_BUMPENVMAP));
    EXPECT_EQ(d.StageState(1, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_SELECTARG1));
    EXPECT_EQ(d.StageState(1, gfx::D3DTSS_TEXCOORDINDEX), gfx::D3DTSS_TCI_CAMERASPACEPOSITION | 1u);
    EXPECT_EQ(d.StageState(1, gfx::D3DTSS_ALPHAOP), uint32_t(gfx::D3DTOP_SELECTARG2));
    EXPECT_EQ(d.StageState(2, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_DISABLE));
    EXPECT_EQ(d.RenderState(gfx::D3DRS_TEXTUREFACTOR), 0x80FFFFFFu);
    auto matrixEntry = [&](gfx::TextureStageStateType t) {
        float f;
        const uint32_t bits = d.StageState(0, t);
        std::memcpy(&f, &bits, sizeof f);
        return f;
    };
    const float a = 500.0f * 0.001f * 3.0f;
    EXPECT_NEAR(matrixEntry(gfx::D3DTSS_BUMPENVMAT00), 0.02f * std::cos(a), 1e-6);
    EXPECT_NEAR(matrixEntry(gfx::D3DTSS_BUMPENVMAT01), -0.02f * std::sin(a), 1e-6);
    EXPECT_NEAR(matrixEntry(gfx::D3DTSS_BUMPENVMAT10), 0.02f * std::sin(a), 1e-6);
    EXPECT_NEAR(matrixEntry(gfx::D3DTSS_BUMPENVMAT11), 0.02f * std::cos(a), 1e-6);
    const float before = matrixEntry(gfx::D3DTSS_BUMPENVMAT01);
    rec->ClearLog();
    w->Draw();
    const gfx::DrawRecord& again = rec->Draws()[0];
    float after;
    const uint32_t bits = again.StageState(0, gfx::D3DTSS_BUMPENVMAT01);
    std::memcpy(&after, &bits, sizeof after);
    EXPECT_EQ(after, before);
}

}  // namespace
