// A builder-made scene file loaded into the scene and drawn on the real device.
#include <cstring>

#include "glow_picture_fixture.h"
#include "render/material.h"
#include "scene/mesh_node.h"
#include "scene/object_list.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "y3d_test_files.h"

using namespace y3dtest;

namespace {

// A red texture on a white triangle pair (both windings) across the middle of the view.
std::vector<uint8_t> RedTriangleScene() {
    Y3DSceneFile f;
    Y3DMaterial material;
    material.layers = {{1, "RED.TGA"}};
    f.materials = BuildMaterialList({material.Build()});
    const gfxtest::ColorVertex v[3] = {{-4, -4, 0, 0xFFFFFFFF, 0, 1}, {0, 4, 0, 0xFFFFFFFF, 0.5f, 0},
                                       {4, -4, 0, 0xFFFFFFFF, 1, 1}};
    VertexRecord vertices;
    vertices.count = 3;
    vertices.fvf = gfxtest::kColorFvf;
    vertices.vertices.resize(sizeof v);
    std::memcpy(vertices.vertices.data(), v, sizeof v);
    f.vertexBuffers = BuildVertexBufferBlock({vertices});
    IndexRecord indices;
    indices.count = 6;
    indices.indices = {0, 1, 2, 0, 2, 1};
    f.indexBuffers = BuildIndexBufferBlock({indices});
    Y3DMeshNode node;
    node.name = "Triangle";
    const float box[6] = {-4, -4, -0.1f, 4, 4, 0.1f};
    std::memcpy(node.box, box, sizeof box);
    Y3DMesh mesh;
    mesh.triangleCount = 2;
    mesh.maxVertex = 2;
    mesh.centres = {{0, -4.0f / 3, 0}, {0, -4.0f / 3, 0}};
    node.meshes = {mesh};
    f.records.push_back(MeshNodeRecord(node));
    return f.Build();
}

class Y3DPictureTest : public fxtest::FxPictureTest {};

}  // namespace

TEST_F(Y3DPictureTest, ALoadedMeshNodeDrawsWithItsTexture) {
    ScopedWorkDir dir;
    ASSERT_TRUE(WriteBytes((dir.path() / "RED.TGA").string(), TgaFile(SolidPicture(4, 4, 0xFFFF0000))));
    ASSERT_TRUE(WriteBytes((dir.path() / "TRI.Y3D").string(), RedTriangleScene()));
    ASSERT_TRUE(g_Scene.LoadModel("TRI.Y3D", "", 0, false));
    MeshNode* node = dynamic_cast<MeshNode*>(g_Scene.objects->FindByName("Triangle"));
    ASSERT_NE(node, nullptr);

    AimCamera({0, 0, -10}, {0, 0, 0});
    Clear(0xFF000000);
    g_Video.SetCullMode(gfx::D3DCULL_NONE);
    g_Scene.materials->ResetCache();
    EXPECT_TRUE(node->Draw());
    // Inside the triangle: the texture's red; outside (a top corner): the clear colour.
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(16, 18), 0xFFFF0000));
    EXPECT_TRUE(gfxtest::ColorNear(Pixel(1, 1), 0xFF000000, 0));
}
