// A level file whose static world holds an opaque mesh and two half-transparent ones, loaded
// into the scene and drawn by Scene::Render on the real device: the see-through meshes show
// what lies behind them, blended farthest first.
#include <cstring>

#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "glow_picture_fixture.h"
#include "support/temp_dir.h"
#include "y3d_test_files.h"

using namespace y3dtest;

namespace {

struct Quad {
    float x0, y0, x1, y1, z;
    uint32_t material;
};

// Three quads facing the eye at (0, 0, -10), each a mesh of two triangles clockwise as the eye
// sees them: red and opaque at depth 4; green and blue, half transparent, at depths 2 and 0.
// The blended meshes carry the collision faces their triangles are queued by.
std::vector<uint8_t> BlendedScene() {
    const Quad quads[3] = {{-9, -9, 3, 9, 4, 0}, {-1, -9, 9, 0, 2, 1}, {-3, -9, 9, 9, 0, 2}};
    Y3DSceneFile f;
    f.header.geometry = 1;
    Y3DMaterial red, green, blue;
    red.layers = {{1, "RED.TGA"}};
    green.layers = {{1, "GREEN.TGA"}};
    blue.layers = {{1, "BLUE.TGA"}};
    green.options = blue.options = 1;   // the first pass blends by the texture's alpha
    f.materials = BuildMaterialList({red.Build(), green.Build(), blue.Build()});
    std::vector<gfxtest::ColorVertex> vertices;
    IndexRecord indices;
    std::vector<Y3DMesh> meshes;
    for (const Quad& q : quads) {
        const uint16_t first = uint16_t(vertices.size());
        const Vec3 tl{q.x0, q.y1, q.z}, tr{q.x1, q.y1, q.z}, br{q.x1, q.y0, q.z}, bl{q.x0, q.y0, q.z};
        for (const Vec3& c : {tl, tr, br, bl}) vertices.push_back({c.x, c.y, c.z, 0xFFFFFFFF, 0.5f, 0.5f});
        Y3DMesh mesh;
        mesh.material = q.material;
        mesh.startIndex = uint32_t(indices.indices.size());
        mesh.triangleCount = 2;
        mesh.minVertex = first;
        mesh.maxVertex = uint16_t(first + 3);
        indices.indices.insert(indices.indices.end(), {first, uint16_t(first + 1), uint16_t(first + 2), first,
                                                       uint16_t(first + 2), uint16_t(first + 3)});
        mesh.centres = {Vec3Scale(Vec3Add(Vec3Add(tl, tr), br), 1.0f / 3), Vec3Scale(Vec3Add(Vec3Add(tl, br), bl), 1.0f / 3)};
        if (q.material != 0) {
            CollisionMeshDesc faces;
            faces.AddFace(0, {tl, tr, br}, {0, 0, -1});
            faces.AddFace(0, {tl, br, bl}, {0, 0, -1});
            mesh.flags = 1;
            AppendCollisionMesh(&mesh.collision, faces, 320);
        }
        meshes.push_back(mesh);
    }
    VertexRecord vr;
    vr.count = uint32_t(vertices.size());
    vr.fvf = kFvf;
    vr.vertices.resize(vertices.size() * sizeof(gfxtest::ColorVertex));
    std::memcpy(vr.vertices.data(), vertices.data(), vr.vertices.size());
    f.vertexBuffers = BuildVertexBufferBlock({vr});
    indices.count = uint32_t(indices.indices.size());
    f.indexBuffers = BuildIndexBufferBlock({indices});
    f.meshList = BuildMeshList(meshes);
    // One leaf over the view names the three meshes; the collision tree holds nothing.
    const int32_t corner[3] = {-16, -16, -16};
    std::vector<OctreeNodeDesc> render = GridOctree(0, corner, 5);
    render[0].first = 0;
    render[0].itemCount = 3;
    f.renderOctree = BuildRenderOctreeBlock(render);
    f.collisionOctree = BuildCollisionOctreeBlock(GridOctree(0, corner, 5), {}, 320);
    return f.Build();
}

class BlendedPictureTest : public fxtest::FxPictureTest {};

}  // namespace

TEST_F(BlendedPictureTest, BlendedSceneryShowsWhatLiesBehindItFarthestFirst) {
    ScopedWorkDir dir;
    const TgaOptions alpha{32};
    ASSERT_TRUE(WriteBytes((dir.path() / "RED.TGA").string(), TgaFile(SolidPicture(4, 4, 0xFFFF0000))));
    ASSERT_TRUE(WriteBytes((dir.path() / "GREEN.TGA").string(), TgaFile(SolidPicture(4, 4, 0x8000FF00), alpha)));
    ASSERT_TRUE(WriteBytes((dir.path() / "BLUE.TGA").string(), TgaFile(SolidPicture(4, 4, 0x800000FF), alpha)));
    ASSERT_TRUE(WriteBytes((dir.path() / "LEVEL.Y3D").string(), BlendedScene()));
    ASSERT_TRUE(g_Scene.LoadModel("LEVEL.Y3D", "", 0, false));
    ASSERT_NE(g_Scene.renderOctree, nullptr);

    AimCamera({0, 0, -10}, {0, 0, 0});
    Clear(0xFF000000);
    g_Scene.Render();
    struct Case {
        const char* what;
        uint32_t x, y, colour;
    } cases[] = {
        {"nothing", 2, 16, 0xFF000000},
        {"red alone", 8, 8, 0xFFFF0000},
        {"blue over red", 13, 8, 0xFF7F007F},
        {"blue over the clear colour", 24, 8, 0xFF00007F},
        // Green is the farther of the two: drawn first, it is the one blue half covers.
        {"blue over green", 24, 22, 0xFF003F7F},
        {"blue over green over red", 17, 22, 0xFF3F3F7F},
    };
    const std::vector<uint32_t> picture = ReadBack();
    ASSERT_EQ(picture.size(), size_t(kSize) * kSize);
    for (const Case& c : cases)
        EXPECT_TRUE(gfxtest::ColorNear(picture[size_t(c.y) * kSize + c.x], c.colour, 3)) << c.what;
}
