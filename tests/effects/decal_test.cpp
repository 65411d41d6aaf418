// Decals: which collision faces a stain takes and how it cuts them, its fades, and the decal pass
// on the recording device.
#include <gtest/gtest.h>

#include <vector>

#include "effect_fixture.h"
#include "effects/decal.h"
#include "effects/effect_slots.h"
#include "platform/gfx/recording_device.h"
#include "render/dynamic_vertex_buffer.h"
#include "scene/camera.h"
#include "scene/collision_world.h"
#include "scene/scene.h"

namespace efftest {
namespace {

using collisiontest::Square;
using datakit::CollisionMeshDesc;

class DecalTest : public EffectDeviceTest {
protected:
    // One leaf over -8..8 holding the mesh.
    static void LoadMesh(const CollisionMeshDesc& mesh) {
        const int32_t corner[3] = {-8, -8, -8};
        std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 4);
        nodes[0].first = 0;
        nodes[0].itemCount = 1;
        ASSERT_TRUE(collisiontest::LoadTree(g_Scene.collisionOctree, nodes, {mesh}));
    }
    static CollisionMeshDesc Floor(const Vec3& centre, float half) {
        CollisionMeshDesc m;
        m.AddFace(0, Square(centre, {0, 1, 0}, half, half), {0, 1, 0});
        return m;
    }
    static uint32_t Projected(Decal& d, const Vec3& centre, float size, const Vec3& direction) {
        DecalBox box{centre, size};
        d.Project(&box, direction, -1, 1000, 0, 0, 0, 0, 0);
        return d.vertexCount;
    }
};

TEST_F(DecalTest, AFlatQuadGivesTwoTrianglesWithTheTextureSpanningTheBox) {
    LoadMesh(Floor({0, 0, 0}, 2));
    Decal d;
    DecalBox box{{0, 0.1f, 0}, 4};
    EXPECT_TRUE(d.Project(&box, {0, -1, 0}, -1, 1000, 0, 0, 0, 0, 0));
    ExpectNear(box.boxMax, {4, 4.1f, 4});
    ExpectNear(box.boxMin, {-4, -3.9f, -4});
    ASSERT_EQ(d.vertexCount, 6u);
    // Corners 2 from the centre in x and z lie half the edge away: u and v 0 or 1, 0.5 between.
    for (uint32_t i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(d.texCoords[2 * i], d.vertices[i].x > 0 ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ(d.texCoords[2 * i + 1], d.vertices[i].z > 0 ? 1.0f : 0.0f);
    }
    // An empty projection keeps nothing and ends at its first update.
    Decal empty;
    EXPECT_EQ(Projected(empty, {0, 5, 0}, 1, {0, -1, 0}), 0u);
    EXPECT_EQ(empty.Update(16), 1);
    // Zero fade times fade nothing; otherwise the grey level runs up and down over them.
    d.age = 1000;
    EXPECT_EQ(d.FadeLevel(), 255u);
    d.fadeInTime = 100;
    d.fadeOutTime = 1000;
    d.age = 50;
    EXPECT_EQ(d.FadeLevel(), 127u);
    d.lifetime = 2000;
    d.age = 1250;
    EXPECT_EQ(d.FadeLevel(), 191u);
}

TEST_F(DecalTest, FacesTurnedAwayOrTooFarAreSkippedAndAnEdgeWithinTheSizeTakesAFace) {
    // A quad over x 0..2, z -1..1.
    LoadMesh(Floor({1, 0, 0}, 1));
    const struct { Vec3 centre; float size; Vec3 direction; uint32_t vertices; } cases[] = {
        {{1, 0.5f, 0}, 1, {0, 1, 0}, 0},       // the projection runs along the normal
        {{1, 0.5f, 0}, 1, {}, 6},              // a zero direction turns nothing away
        {{1, 1.0f, 0}, 1, {0, -1, 0}, 0},      // the face lies a whole size away
        {{-0.5f, 0.1f, 0}, 1, {0, -1, 0}, 6},  // outside, an edge half a unit off
        {{-1.5f, 0.1f, 0}, 1, {0, -1, 0}, 0},  // outside, the nearest edge too far
    };
    for (const auto& c : cases) {
        Decal d;
        EXPECT_EQ(Projected(d, c.centre, c.size, c.direction), c.vertices) << c.centre.x << " " << c.centre.y;
    }
}

TEST_F(DecalTest, AFaceThatNoLongerFitsIsDroppedWholeAndSmallerOnesAfterItStillCount) {
    CollisionMeshDesc m;
    for (int i = 0; i < 1023; ++i) m.AddFace(0, Square({0, 0, 0}, {0, 1, 0}, 1, 1), {0, 1, 0});
    // Six vertices of room are left: a pentagon needs nine, a triangle three.
    m.AddFace(0, {{-1, 0, -1}, {1, 0, -1}, {1.5f, 0, 0}, {1, 0, 1}, {-1, 0, 1}}, {0, 1, 0});
    m.AddFace(0, {{-1, 0, -1}, {1, 0, -1}, {0, 0, 1}}, {0, 1, 0});
    LoadMesh(m);
    Decal d;
    EXPECT_EQ(Projected(d, {0, 0.1f, 0}, 1, {0, -1, 0}), 6141u);
}

TEST_F(DecalTest, ThePassDrawsGreyOpaqueWithBiasSixteenFlushesOnANewTextureAndSkipsFarFadedDecals) {
    LoadMesh(Floor({0, 0, 0}, 2));
    DecalBox box{{0, 0.1f, 0}, 4};
    auto* faded = new Decal;
    ASSERT_TRUE(faded->Project(&box, {0, -1, 0}, fxtest::SeedTexture(rec, "a.tga"), 2000, 1000, 0, 5, 20,
                               DECAL_DISTANCE_FADE));
    auto* plain = new Decal;
    ASSERT_TRUE(plain->Project(&box, {0, -1, 0}, fxtest::SeedTexture(rec, "b.tga"), 2000, 0, 0, 0, 0, 0));
    g_Scene.decals->Add(faded);
    g_Scene.decals->Add(plain);
    g_Scene.decals->Update(500);
    rec->ClearLog();
    g_Scene.decals->Draw();
    ASSERT_EQ(rec->Draws().size(), 2u);
    EXPECT_NE(rec->Draws()[0].textures[0], rec->Draws()[1].textures[0]);
    // Half faded in, then 10 from the eye: (1 - 5 / 15) x 127.
    const std::vector<EffectVertex> v = Vertices(rec->Draws()[1]);
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0].colour, 0xFF545454u);
    EXPECT_EQ(rec->Draws()[1].RenderState(gfx::D3DRS_ZBIAS), DECAL_DEPTH_BIAS);
    EXPECT_EQ(rec->RenderStateSends(gfx::D3DRS_ZBIAS).back(), 0u);
    // Beyond the far fade nothing is drawn, and the decal still ages to its end.
    AimCamera(0, 0, -30, 0, 0, 0);
    rec->ClearLog();
    g_Scene.decals->Draw();
    EXPECT_EQ(rec->Draws().size(), 1u);
    g_Scene.decals->Update(1501);
    EXPECT_EQ(g_Scene.decals->Count(), 0);
}

TEST_F(DecalTest, CreateDecalKeepsOnlyAStainThatFoundGround) {
    LoadMesh(Floor({0, 0, 0}, 2));
    CreateDecal("Texturas\\Efectos\\Mancha00.tga", {0, 5, 0}, 0.4f, {0, -1, 0}, 20000, 20, 5000);
    EXPECT_EQ(g_Scene.decals->Count(), 0);
    // The bomb's stain: a zero direction.
    CreateDecal("Texturas\\Efectos\\Mancha00.tga", {0, 0.2f, 0}, 3, {}, 40000, 100, 5000);
    ASSERT_EQ(g_Scene.decals->Count(), 1);
    EXPECT_EQ(dynamic_cast<Decal*>(g_Scene.decals->Head()->item)->flags, 0);
    // With fog it has faded by the fog's middle.
    g_Scene.skyTexture = 0;
    g_Scene.hazeNear = 10;
    g_Scene.hazeFar = 30;
    CreateDecal("Texturas\\Efectos\\Mancha00.tga", {0, 0.2f, 0}, 1, {}, 1000, 0, 0);
    const auto* fogged = dynamic_cast<Decal*>(g_Scene.decals->Head()->item);
    EXPECT_TRUE(fogged->flags == DECAL_DISTANCE_FADE && fogged->fadeNear == 10.0f && fogged->fadeFar == 20.0f);
}

}  // namespace
}  // namespace efftest
