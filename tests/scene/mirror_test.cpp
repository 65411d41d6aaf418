// Mirrors: the record, the target size, the reflected camera and when the image is renewed.
#include <gtest/gtest.h>

#include <cmath>

#include "render/index_buffer_table.h"
#include "render/vertex_buffer_table.h"
#include "scene/mirror.h"
#include "scene/object_list.h"
#include "scene_element_records.h"

namespace {

using namespace fxtest;

class MirrorTest : public FxDeviceTest {
protected:
    static std::vector<uint8_t> MirrorBytes(const MirrorRecordFields& fields) {
        return Concat({MirrorRecord(fields), FlatQuad(0, 1)});
    }
    // A mirror in the plane z = 0 facing the camera at (0, 0, -10).
    Mirror* LoadMirror(const MirrorRecordFields& fields = {}, const std::vector<int32_t>& materials = {}) {
        FILE* f = testsupport::StreamOf(MirrorBytes(fields));
        Mirror* m = new Mirror();
        EXPECT_TRUE(m->Load(f, materials, 0, 0));
        std::fclose(f);
        g_Scene.mirrors->Add(m);
        return m;
    }
    size_t TargetSwitches() const { return rec->CountCalls(gfx::CallKind::SetRenderTarget); }
};

TEST_F(MirrorTest, LoadKeepsTheRecordAndBuildsTheWorldToMirrorMatrix) {
    MirrorRecordFields fields;
    fields.reflection = {0.5f, 0.25f, 1};
    fields.spare = 99;
    fields.position = {1, 2, 3};
    fields.material = 2;
    std::vector<uint8_t> bytes = MirrorBytes(fields);
    bytes.push_back(0x42);
    FILE* f = testsupport::StreamOf(bytes);
    Mirror m;
    ASSERT_TRUE(m.Load(f, {5, 6, 7}, 0, 0));
    EXPECT_EQ(std::ftell(f), long(bytes.size() - 1));
    std::fclose(f);
    EXPECT_EQ(m.typeCode, 6u);
    EXPECT_EQ(m.triangleCount, 2u);
    EXPECT_EQ(m.reflection.y, 0.25f);
    EXPECT_EQ(m.spare, 99u);
    EXPECT_EQ(m.axes[2].z, -1.0f);
    EXPECT_EQ(m.materialId, 7);
    EXPECT_EQ(m.sizeByte, 2);
    ASSERT_NE(m.vertexBuffer, nullptr);
    EXPECT_EQ(m.vertexBuffer->vertexCount, 4u);
    // Columns X, Y, Z; last row -(p.X), -(p.Y), -(p.Z) = (1, -2, 3).
    const float expected[4][4] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {1, -2, 3, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(m.worldToMirror.m[r][c], expected[r][c]) << r << "," << c;
    // The adapter allows no render target here: a plain surface.
    EXPECT_EQ(m.reflectionOn, 0);
    EXPECT_EQ(m.texture, nullptr);
}

TEST_F(MirrorTest, ShortRecordsAndBadMaterialIndicesAreHandled) {
    ExpectEveryPrefixRefused(MirrorBytes({}), 7, [](FILE* f) { return Mirror().Load(f, {1}, 0, 0); });
    MirrorRecordFields fields;
    fields.material = 1;
    FILE* f = testsupport::StreamOf(MirrorBytes(fields));
    Mirror m;
    ASSERT_TRUE(m.Load(f, {1}, 0, 0));
    std::fclose(f);
    EXPECT_EQ(m.materialId, -1);
}

TEST_F(MirrorTest, TargetSizeIsRaisedToAPowerOfTwoAndFittedToTheScreen) {
    AllowReflections();
    struct Case {
        uint8_t sizeByte;
        float scale;
        int32_t width, height;
        uint32_t expected;
    };
    const Case cases[] = {
        {3, 100.0f, 1024, 768, 512},   // 300 -> 512, fits 768
        {3, 100.0f, 640, 480, 256},    // 512 > 480: halved
        {2, 16.0f, 640, 480, 32},      // already a power of two
        {0, 1.0f, 640, 480, 1},        // nothing asked: one texel
        {255, 1e30f, 640, 480, 256},   // a wild scale stays bounded
    };
    for (const Case& c : cases) {
        g_Video.screenRect = {0, 0, c.width - 1, c.height - 1};
        MirrorRecordFields fields;
        fields.sizeByte = c.sizeByte;
        fields.sizeScale = c.scale;
        Mirror* m = LoadMirror(fields);
        EXPECT_EQ(m->reflectionOn, 1);
        EXPECT_EQ(m->targetSize, c.expected) << int(c.sizeByte) << " x " << c.scale;
        ASSERT_NE(m->texture, nullptr);
        gfx::SurfaceDesc desc{};
        m->texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, c.expected);
        EXPECT_EQ(desc.Format, gfx::D3DFMT_X8R8G8B8);
        EXPECT_EQ(desc.Pool, gfx::D3DPOOL_DEFAULT);
        EXPECT_EQ(desc.Usage & gfx::D3DUSAGE_RENDERTARGET, gfx::D3DUSAGE_RENDERTARGET);
    }
}

TEST_F(MirrorTest, ReflectionFlagFollowsTheAdapterAndTextureDepth) {
    g_Video.adapter = 0;
    g_AdapterTable.adapters[0].renderTargetTextures[2] = 1;   // only R5G6B5 targets on a 32-bit display
    g_Settings.textureBpp = 32;
    EXPECT_FALSE(ReflectionTargetsAllowed());
    g_Settings.textureBpp = 16;
    EXPECT_TRUE(ReflectionTargetsAllowed());
    g_Video.present.BackBufferFormat = gfx::D3DFMT_R5G6B5;
    EXPECT_FALSE(ReflectionTargetsAllowed());
    g_AdapterTable.adapters[0].renderTargetTextures[0] = 1;
    EXPECT_TRUE(ReflectionTargetsAllowed());
    g_Video.adapter = 7;
    EXPECT_FALSE(ReflectionTargetsAllowed());
}

TEST_F(MirrorTest, ReflectedCameraMatchesTheHandComputedMirrorImage) {
    AllowReflections();
    g_Settings.mirrors = 1;
    Mirror* m = LoadMirror();
    struct Case {
        Vec3 eye;
        Vec3 mirroredEye;
        float distance;   // eye to plane
    };
    const Case cases[] = {{{0, 0, -10}, {0, 0, 10}, 10}, {{3, 2, -10}, {3, 2, 10}, 10}, {{0, 0, -4}, {0, 0, 4}, 4}};
    for (const Case& c : cases) {
        AimCamera(c.eye.x, c.eye.y, c.eye.z, 0, 0, 0);
        Camera* current = g_Scene.camera;
        m->RenderReflection();
        ASSERT_NE(m->mirroredCamera, nullptr);
        const Camera& r = *m->mirroredCamera;
        EXPECT_NEAR(r.eye.x, c.mirroredEye.x, 1e-4);
        EXPECT_NEAR(r.eye.y, c.mirroredEye.y, 1e-4);
        EXPECT_NEAR(r.eye.z, c.mirroredEye.z, 1e-4);
        EXPECT_NEAR(r.nearPlane, c.distance, 1e-4);
        EXPECT_NEAR(r.farPlane, c.distance + 100.0f, 1e-3);
        // The mirror's edge (2) seen from the distance fills the view.
        EXPECT_NEAR(r.fovX, 2.0f * std::atan(1.0f / c.distance), 1e-5);
        EXPECT_EQ(g_Scene.camera, current);
        EXPECT_EQ(g_Scene.savedCamera, nullptr);
    }
}

TEST_F(MirrorTest, LiveReflectionRendersIntoTheTargetAndRestoresState) {
    AllowReflections();
    g_Settings.mirrors = 1;
    Mirror* m = LoadMirror();
    rec->ClearLog();
    g_Scene.mirrors->RenderReflections();
    const auto targets = rec->CallsOf(gfx::CallKind::SetRenderTarget);
    ASSERT_EQ(targets.size(), 2u);
    gfx::Surface* level0 = nullptr;
    m->texture->GetSurfaceLevel(0, &level0);
    EXPECT_EQ(targets[0].objects[0], level0);
    EXPECT_EQ(targets[1].objects[0], g_Video.renderTarget);
    level0->Release();
    // Clockwise culling while the mirrored (handedness-reversing) view draws, then back.
    EXPECT_EQ(g_Video.cullMode, uint32_t(gfx::D3DCULL_CCW));
    const auto clears = rec->CallsOf(gfx::CallKind::Clear);
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_EQ(clears[0].args[2], 0xFF000000u);
    EXPECT_EQ(g_Video.savedRenderTarget, nullptr);
    // Every frame while live.
    g_Scene.mirrors->RenderReflections();
    EXPECT_EQ(TargetSwitches(), 4u);
}

TEST_F(MirrorTest, LiveMirrorFreezesBeyondSeventyFiveUnits) {
    AllowReflections();
    g_Settings.mirrors = 1;
    MirrorRecordFields fields;
    fields.box[2] = -1;
    fields.box[5] = 1;
    Mirror* m = LoadMirror(fields);
    AimCamera(0, 0, -75.0f, 0, 0, 0);
    g_Scene.camera->farPlane = 200;
    g_Scene.camera->Update();
    rec->ClearLog();
    m->RenderReflection();
    EXPECT_EQ(TargetSwitches(), 2u);
    AimCamera(0, 0, -75.1f, 0, 0, 0);
    g_Scene.camera->farPlane = 200;
    g_Scene.camera->Update();
    rec->ClearLog();
    m->RenderReflection();
    EXPECT_EQ(TargetSwitches(), 0u);
}

TEST_F(MirrorTest, EyeInThePlaneDrawsAndReflectsSlightlyBehindDoesNeither) {
    AllowReflections();
    g_Settings.mirrors = 1;
    MirrorRecordFields fields;
    fields.box[5] = 5;   // reaches into the view of a camera beside the mirror
    Mirror* m = LoadMirror(fields);
    for (float z : {0.0f, 0.01f}) {
        AimCamera(5, 0, z, 5, 0, z + 10);
        rec->ClearLog();
        m->RenderReflection();
        const size_t switches = TargetSwitches();
        rec->ClearLog();
        m->Draw();
        const size_t draws = rec->CountCalls(gfx::CallKind::DrawIndexedPrimitive);
        if (z == 0.0f) {
            EXPECT_EQ(switches, 2u);
            EXPECT_EQ(draws, 1u);
        } else {
            EXPECT_EQ(switches, 0u);
            EXPECT_EQ(draws, 0u);
        }
    }
}

TEST_F(MirrorTest, StaticMirrorRendersOncePerTargetCreation) {
    AllowReflections();
    g_Settings.mirrors = 0;
    Mirror* m = LoadMirror();
    rec->ClearLog();
    g_Scene.mirrors->RenderReflections();
    g_Scene.mirrors->RenderReflections();
    EXPECT_EQ(TargetSwitches(), 2u);
    EXPECT_EQ(m->staticImageDone, 1);
    // The fixed viewer stands at the mirror, 10 units along its normal looking in.
    ASSERT_NE(m->mirroredCamera, nullptr);
    // Device loss and reset: the image is made again.
    g_Scene.InvalidateDeviceObjects();
    EXPECT_EQ(m->texture, nullptr);
    g_Scene.RestoreDeviceObjects();
    ASSERT_NE(m->texture, nullptr);
    EXPECT_EQ(m->staticImageDone, 0);
    rec->ClearLog();
    g_Scene.mirrors->RenderReflections();
    g_Scene.mirrors->RenderReflections();
    EXPECT_EQ(TargetSwitches(), 2u);
}

TEST_F(MirrorTest, DrawPutsTheReflectionInStageZero) {
    AllowReflections();
    Mirror* m = LoadMirror();
    rec->ClearLog();
    ASSERT_TRUE(m->Draw());
    ASSERT_EQ(rec->Draws().size(), 1u);
    const gfx::DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.textures[0], m->texture);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_MODULATE));
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLORARG1), gfx::D3DTA_TEXTURE);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLORARG2), gfx::D3DTA_DIFFUSE);
    EXPECT_EQ(d.primitiveCount, 2u);
    EXPECT_EQ(d.numVertices, 4u);
    // From behind nothing is drawn.
    AimCamera(0, 0, 10, 0, 0, 0);
    rec->ClearLog();
    m->Draw();
    EXPECT_EQ(rec->Draws().size(), 0u);
}

TEST_F(MirrorTest, FailedTargetLeavesAPlainSurfaceAndNoReflection) {
    AllowReflections();
    g_Settings.mirrors = 1;
    rec->FailNext(gfx::CallKind::CreateTexture, gfx::D3DERR_OUTOFVIDEOMEMORY);
    Mirror* m = LoadMirror();
    EXPECT_EQ(m->reflectionOn, 1);
    EXPECT_EQ(m->texture, nullptr);
    rec->ClearLog();
    m->RenderReflection();
    EXPECT_EQ(TargetSwitches(), 0u);
    m->Draw();
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].textures[0], nullptr);
}

}  // namespace
