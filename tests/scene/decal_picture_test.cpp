// A decal on the real device: a stain laid on a ground quad shows on it, though both lie in one
// plane, and darkens only where its texture is light.
#include <vector>

#include "effects/decal.h"
#include "glow_picture_fixture.h"
#include "scene/collision_octree.h"
#include "scene/collision_world.h"
#include "scene/object_list.h"
#include "scene/scene.h"

namespace {

using namespace fxtest;

class DecalPictureTest : public FxPictureTest {};

TEST_F(DecalPictureTest, AStainOnACoplanarGroundQuadShowsAtItsCentreOnly) {
    datakit::CollisionMeshDesc ground;
    ground.AddFace(0, collisiontest::Square({0, 0, 0}, {0, 1, 0}, 4, 4), {0, 1, 0});
    const int32_t corner[3] = {-8, -8, -8};
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 4);
    nodes[0].first = 0;
    nodes[0].itemCount = 1;
    ASSERT_TRUE(collisiontest::LoadTree(g_Scene.collisionOctree, nodes, {ground}));
    // Light in the middle, dark (no stain) at the clamped edges.
    std::vector<uint32_t> texels(16, 0xFF000000u);
    for (int i : {5, 6, 9, 10}) texels[size_t(i)] = 0xFFFFFFFFu;
    ASSERT_GE(SeedTexture(device, "Texturas\\Efectos\\Mancha00.tga", TextureFromColors(4, 4, texels)), 0);

    AimCamera({0, 6, -4}, {0, 0, 0});
    ASSERT_TRUE(CreateSceneDecal("Texturas\\Efectos\\Mancha00.tga", {0, 0.05f, 0}, 1.0f, {0, -1, 0}, 1000, 0, 0));
    const Vec3 quad[4] = {{-4, 0, -4}, {-4, 0, 4}, {4, 0, 4}, {4, 0, -4}};
    g_Scene.objects->Add(new ColourQuad(quad, 0xFFFFFFFF));
    Clear(0xFF000000);
    g_Scene.Render();
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 16), 0xFF000000, 8));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 22), 0xFFFFFFFF, 8));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(9, 16), 0xFFFFFFFF, 8));
}

}  // namespace
