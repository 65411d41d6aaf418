// Character shadows: the shadow file, the silhouette and its extrusion, the stencil passes and
// the darkening quad, on the recording device.
#include <array>
#include <cmath>
#include <cstring>

#include "character_model_fixture.h"
#include "collision_world.h"
#include "platform/gfx/recording_device.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "support/pack_writer.h"
#include "support/temp_dir.h"

namespace modeltest {
namespace {

using gfx::CallKind;

// A box over x, z in [-0.5, 0.5], y in [1, 2], every face wound the same way, all on the hip.
Y3DShadowModel BoxShadow() {
    Y3DShadowModel f;
    const float c[8][3] = {{-.5f, 1, -.5f}, {.5f, 1, -.5f}, {.5f, 2, -.5f}, {-.5f, 2, -.5f},
                           {-.5f, 1, .5f},  {.5f, 1, .5f},  {.5f, 2, .5f},  {-.5f, 2, .5f}};
    for (const auto& p : c) f.vertices.push_back({{p[0], p[1], p[2]}, {{0, 1.0f}}});
    const uint16_t faces[6][4] = {{0, 1, 5, 4}, {3, 7, 6, 2}, {0, 3, 2, 1}, {4, 5, 6, 7}, {0, 4, 7, 3}, {1, 2, 6, 5}};
    for (const auto& q : faces) {
        f.triangles.push_back({q[0], q[1], q[2]});
        f.triangles.push_back({q[0], q[2], q[3]});
    }
    f.skeleton = TwoBones();
    return f;
}

class CharacterShadowTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ASSERT_TRUE(LoadSkeleton(&model));
    }
    bool LoadShadow(const Y3DShadowModel& file) {
        if (!model.shadow) model.shadow = g_ModelLoaders.Create();
        FILE* f = StreamOf(file.Build());
        const bool ok = LoadModelFromStream(model.shadow, f, nullptr, &model);
        std::fclose(f);
        return ok;
    }
    void PlaceAt(const Vec3& p) {
        model.position = model.basePosition = p;
        NextFrame();
        model.UpdatePose(true);
        model.box[0] = p.x - 1, model.box[1] = p.y - 1, model.box[2] = p.z - 1;
        model.box[3] = p.x + 1, model.box[4] = p.y + 1, model.box[5] = p.z + 1;
    }
    void AimAt(const Vec3& target, float distance) {
        g_Scene.camera->Set(target.x, target.y + 2, target.z - distance, target.x, target.y, target.z, 0,
                            std::acos(-1.0f) / 2, 1, 100);
        g_Scene.camera->Update();
        g_Scene.camera->UpdateFrustum();
    }
};

TEST(ToggleEdge, KeepsTheEdgesWithOneFacingTriangle) {
    struct Step {
        uint16_t a, b;
        std::vector<uint16_t> after;
    };
    const Step steps[] = {
        {1, 2, {1, 2}},
        {2, 3, {1, 2, 2, 3}},
        {3, 4, {1, 2, 2, 3, 3, 4}},
        {2, 1, {3, 4, 2, 3}},          // reversed match: the last pair moves into its place
        {3, 4, {2, 3}},
        {9, 9, {2, 3, 9, 9}},
    };
    uint16_t edges[16] = {};
    uint32_t count = 0;
    for (const Step& s : steps) {
        ToggleEdge(edges, &count, s.a, s.b);
        EXPECT_EQ(std::vector<uint16_t>(edges, edges + 2 * count), s.after) << s.a << "-" << s.b;
    }
}

TEST_F(CharacterShadowTest, TheBoxCastsFourEdgesDownToAFixedLengthWithoutGround) {
    ASSERT_TRUE(LoadShadow(BoxShadow()));
    ModelLoader* s = model.shadow;
    EXPECT_EQ(s->triangleCount, 12u);
    EXPECT_EQ(s->vertexCount, 8u);
    ASSERT_EQ(s->inverseBinds.size(), 2u);
    PlaceAt({3, 0, 2});
    s->BuildShadowVolume(&model);
    EXPECT_FLOAT_EQ(s->direction.y, -1.0f);
    EXPECT_EQ(s->edgeCount, 4u);
    ASSERT_EQ(s->volumeCount, 24u);
    EXPECT_FLOAT_EQ(s->length, SHADOW_NO_GROUND_LENGTH);
    // The silhouette lies on one face of the box (moved with the model); each quad of the volume
    // runs from an edge straight down by the length.
    const float faceY = s->volume[0].y;
    EXPECT_TRUE(std::fabs(faceY - 1.0f) < 1e-4f || std::fabs(faceY - 2.0f) < 1e-4f) << faceY;
    for (uint32_t i = 0; i < s->volumeCount; i += 6) {
        const Vec3* q = &s->volume[i];
        EXPECT_FLOAT_EQ(q[0].y, faceY);
        EXPECT_FLOAT_EQ(q[1].y, faceY);
        EXPECT_NEAR(q[2].x, q[0].x, 1e-4f);
        EXPECT_NEAR(q[2].y, faceY - SHADOW_NO_GROUND_LENGTH, 1e-2f);
        EXPECT_NEAR(q[4].z, q[1].z, 1e-4f);
        EXPECT_TRUE(std::fabs(std::fabs(q[0].x - 3.0f) - 0.5f) < 1e-4f || std::fabs(std::fabs(q[0].z - 2.0f) - 0.5f) < 1e-4f);
    }
}

TEST_F(CharacterShadowTest, TheVolumeEndsHalfAUnitPastTheGround) {
    ASSERT_TRUE(LoadShadow(BoxShadow()));
    ASSERT_NE(g_Scene.collisionOctree, nullptr);
    ASSERT_TRUE(collisiontest::BuildWorld(g_Scene.collisionOctree));
    PlaceAt({4, 0, -4});   // over the floor at y = -2: the ray starts at y = 1
    model.shadow->BuildShadowVolume(&model);
    EXPECT_NEAR(model.shadow->length, 3.5f, 1e-3f);
    PlaceAt({-4, 0, 4});   // no ground below
    model.shadow->BuildShadowVolume(&model);
    EXPECT_FLOAT_EQ(model.shadow->length, SHADOW_NO_GROUND_LENGTH);
}

TEST_F(CharacterShadowTest, TheVolumeIsCountedUpThenDownIntoTheStencil) {
    ASSERT_TRUE(LoadShadow(BoxShadow()));
    PlaceAt({0, 0, 0});
    AimAt({0, 0, 0}, 6);
    rec->ClearLog();
    ASSERT_TRUE(model.CastShadow());
    const std::vector<gfx::DrawRecord>& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 2u);
    const uint32_t cullBefore = g_Video.cullMode;
    for (const gfx::DrawRecord& d : draws) {
        EXPECT_EQ(d.type, gfx::D3DPT_TRIANGLELIST);
        EXPECT_EQ(d.primitiveCount, 8u);
        EXPECT_EQ(d.vertexShader, gfx::D3DFVF_XYZ);
        EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILENABLE), 1u);
        EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILFUNC), uint32_t(gfx::D3DCMP_ALWAYS));
        EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILZFAIL), uint32_t(gfx::D3DSTENCILOP_KEEP));
        EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILFAIL), uint32_t(gfx::D3DSTENCILOP_KEEP));
        EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILREF), 1u);
        EXPECT_EQ(d.RenderState(gfx::D3DRS_ZWRITEENABLE), 0u);
        EXPECT_EQ(d.RenderState(gfx::D3DRS_ZENABLE), 1u);
        EXPECT_EQ(d.RenderState(gfx::D3DRS_SHADEMODE), uint32_t(gfx::D3DSHADE_FLAT));
        EXPECT_EQ(d.RenderState(gfx::D3DRS_ALPHABLENDENABLE), 1u);
        EXPECT_EQ(d.RenderState(gfx::D3DRS_SRCBLEND), uint32_t(gfx::D3DBLEND_ZERO));
        EXPECT_EQ(d.RenderState(gfx::D3DRS_DESTBLEND), uint32_t(gfx::D3DBLEND_ONE));
    }
    EXPECT_EQ(draws[0].RenderState(gfx::D3DRS_STENCILPASS), uint32_t(gfx::D3DSTENCILOP_INCR));
    EXPECT_EQ(draws[0].RenderState(gfx::D3DRS_CULLMODE), cullBefore);
    EXPECT_EQ(draws[1].RenderState(gfx::D3DRS_STENCILPASS), uint32_t(gfx::D3DSTENCILOP_DECR));
    EXPECT_EQ(draws[1].RenderState(gfx::D3DRS_CULLMODE), uint32_t(gfx::D3DCULL_CW));
    // The state block puts the device back.
    EXPECT_EQ(rec->RenderState(gfx::D3DRS_STENCILENABLE), 0u);
    EXPECT_EQ(rec->RenderState(gfx::D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(rec->RenderState(gfx::D3DRS_CULLMODE), cullBefore);
    EXPECT_EQ(rec->StateBlockCount(), 0u);
}

TEST_F(CharacterShadowTest, OnlyOpaqueVisibleNearModelsCastShadows) {
    ASSERT_TRUE(LoadShadow(BoxShadow()));
    struct Case {
        const char* name;
        uint8_t alpha, invisible;
        Vec3 at;
        float eyeDistance;
        bool casts;
    } cases[] = {
        {"near", 255, 0, {0, 0, 0}, 6, true},
        {"faded", 200, 0, {0, 0, 0}, 6, false},
        {"invisible", 255, 1, {0, 0, 0}, 6, false},
        {"too far", 255, 0, {0, 0, 0}, 39.95f, false},   // the eye stands 2 above: 40 away
        {"out of view", 255, 0, {0, 0, -20}, 6, false},
    };
    for (const Case& c : cases) {
        model.alpha = c.alpha;
        model.invisible = c.invisible;
        PlaceAt(c.at);
        AimAt({0, 0, 0}, c.eyeDistance);
        rec->ClearLog();
        model.CastShadow();
        EXPECT_EQ(rec->Draws().size(), c.casts ? 2u : 0u) << c.name;
    }
    model.alpha = 255;
    model.invisible = 0;
    PlaceAt({0, 0, 0});
    AimAt({0, 0, 0}, 6);
    g_ModelLoaders.Release(model.shadow);
    model.shadow = nullptr;
    rec->ClearLog();
    model.CastShadow();
    EXPECT_TRUE(rec->Draws().empty());
}

TEST_F(CharacterShadowTest, BadShadowFilesAreRefused) {
    struct Bad {
        const char* name;
        Y3DShadowModel file;
    };
    std::vector<Bad> cases;
    cases.push_back({"signature", BoxShadow()});
    cases.back().file.header.signature = "NOTY3D";
    cases.push_back({"version", BoxShadow()});
    cases.back().file.header.version = 321;
    cases.push_back({"triangle vertex", BoxShadow()});
    cases.back().file.triangles[5][1] = 8;
    cases.push_back({"influence bone", BoxShadow()});
    cases.back().file.vertices[3].influences[0].first = 2;
    cases.push_back({"triangle count", BoxShadow()});
    cases.back().file.triangleCount = 0x40000000;
    cases.push_back({"vertex count", BoxShadow()});
    cases.back().file.vertexCount = 100000;
    for (const Bad& c : cases) {
        EXPECT_FALSE(LoadShadow(c.file)) << c.name;
        EXPECT_EQ(model.shadow->triangleCount, 0u) << c.name;
        EXPECT_EQ(model.shadow->vertexCount, 0u) << c.name;
    }
}

TEST_F(CharacterShadowTest, AVolumeTooBigForTheBufferIsCut) {
    // Separate small triangles, each facing down: three silhouette edges apiece.
    Y3DShadowModel f;
    f.skeleton = TwoBones();
    const uint16_t n = 3600;
    for (uint16_t t = 0; t < n; ++t) {
        const float x = float(t % 60), z = float(t / 60);
        const uint16_t b = uint16_t(3 * t);
        f.vertices.push_back({{x, 1, z}, {{0, 1.0f}}});
        f.vertices.push_back({{x + 0.5f, 1, z}, {{0, 1.0f}}});
        f.vertices.push_back({{x, 1, z + 0.5f}, {{0, 1.0f}}});
        f.triangles.push_back({b, uint16_t(b + 1), uint16_t(b + 2)});
    }
    ASSERT_TRUE(LoadShadow(f));
    PlaceAt({0, 0, 0});
    model.shadow->BuildShadowVolume(&model);
    // Whichever way the triangles face, either all of them or none are lit from above.
    if (model.shadow->edgeCount == 0) {
        for (auto& t : f.triangles) std::swap(t[1], t[2]);
        ASSERT_TRUE(LoadShadow(f));
        model.shadow->BuildShadowVolume(&model);
    }
    EXPECT_EQ(model.shadow->edgeCount, 3u * n);
    EXPECT_EQ(model.shadow->volumeCount, (SHADOW_MAX_VOLUME / 6) * 6);
    EXPECT_LE(model.shadow->volume.size(), size_t(SHADOW_MAX_VOLUME));
}

TEST_F(CharacterShadowTest, TheShadowFileLoadsFromInsideThePack) {
    ScopedWorkDir dir;
    Y3DShadowModel file = BoxShadow();
    Y3DObject other;
    other.name = "other";
    other.typeCode = 0x700;
    file.leading = {other};
    PackWriter pack;
    pack.dummyFirst = true;
    pack.Add("HEROSHADOW.Y3D", file.Build());
    ASSERT_TRUE(pack.WriteTo((dir.path() / "MODELOS.DAT").string()));
    EXPECT_TRUE(model.LoadWithLoader("HEROSHADOW.Y3D"));
    ASSERT_NE(model.shadow, nullptr);
    EXPECT_EQ(model.shadow->triangleCount, 12u);
    EXPECT_NEAR(model.shadow->inverseBinds[1].m[3][1], -1.0f, 1e-5f);
    EXPECT_EQ(g_ModelLoaders.count, 1u);
    // A file that is not there leaves no shadow model behind.
    EXPECT_TRUE(model.LoadWithLoader("NONE.Y3D"));
    EXPECT_EQ(model.shadow, nullptr);
    EXPECT_EQ(g_ModelLoaders.count, 0u);
}

TEST_F(CharacterShadowTest, SharedLoadersLiveUntilTheLastReference) {
    ModelLoader* a = g_ModelLoaders.Create();
    ModelLoader* b = g_ModelLoaders.Create();
    EXPECT_EQ(g_ModelLoaders.first->loader, b);
    EXPECT_EQ(g_ModelLoaders.first->next->previous, g_ModelLoaders.first);
    EXPECT_TRUE(g_ModelLoaders.AddRef(a));
    EXPECT_FALSE(g_ModelLoaders.Release(a));
    EXPECT_EQ(g_ModelLoaders.count, 2u);
    EXPECT_TRUE(g_ModelLoaders.Release(a));
    EXPECT_EQ(g_ModelLoaders.count, 1u);
    ModelLoader stranger;
    EXPECT_FALSE(g_ModelLoaders.AddRef(&stranger));
    EXPECT_FALSE(g_ModelLoaders.Release(&stranger));
    g_ModelLoaders.Clear();
    EXPECT_EQ(g_ModelLoaders.count, 0u);
    EXPECT_EQ(g_ModelLoaders.first, nullptr);
}

TEST_F(CharacterShadowTest, TheOverlayDarkensWhereTheStencilCounted) {
    rec->ClearLog();
    DrawCharacterShadowOverlay(200);
    ASSERT_EQ(rec->Draws().size(), 1u);
    const gfx::DrawRecord& d = rec->Draws()[0];
    EXPECT_EQ(d.type, gfx::D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(d.primitiveCount, 2u);
    EXPECT_EQ(d.stride, 20u);
    EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILENABLE), 1u);
    EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILREF), 1u);
    EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILFUNC), uint32_t(gfx::D3DCMP_LESSEQUAL));
    EXPECT_EQ(d.RenderState(gfx::D3DRS_STENCILPASS), uint32_t(gfx::D3DSTENCILOP_KEEP));
    EXPECT_EQ(d.RenderState(gfx::D3DRS_ZENABLE), 0u);
    EXPECT_EQ(d.RenderState(gfx::D3DRS_ALPHABLENDENABLE), 1u);
    ASSERT_GE(d.vertexData.size(), 20u);
    uint32_t colour = 0;
    std::memcpy(&colour, d.vertexData.data() + 16, 4);
    EXPECT_EQ(colour, 200u << 24);
    EXPECT_EQ(rec->RenderState(gfx::D3DRS_STENCILENABLE), 0u);
    EXPECT_EQ(rec->RenderState(gfx::D3DRS_ZENABLE), 1u);
}

}  // namespace
}  // namespace modeltest
