// Movable meshes on the recording device: what draws and what queues, the lazy world box, ray and
// sweep tests of the solid kind in its own space, records read from files, and copies that give
// back every reference they take.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/os/os.h"
#include "render/index_buffer_table.h"
#include "render/material_table.h"
#include "render/mesh.h"
#include "render/render_queue.h"
#include "render/vertex_buffer_table.h"
#include "scene/animation.h"
#include "scene/collision_mesh.h"
#include "scene/collision_octree.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "support/ball_arena.h"
#include "world/dynamic_mesh.h"

namespace {

using datakit::CollisionMeshDesc;

// A material of one pass; blend 0 is opaque.
int32_t AddMaterial(uint32_t blend) {
    auto* m = new Material();
    m->passCount = 1;
    m->passes[0].blendPreset = blend;
    return g_Scene.materials->Add(m);
}

MeshVertex Vertex(double x, double y, double z) { return {x, y, z, 0, 0, -1, 0, 0}; }

// A triangle of two units around the origin, in outline units.
const std::vector<MeshVertex> kTriangle = {Vertex(-100, -100, 0), Vertex(100, -100, 0), Vertex(0, 100, 0)};

class DynamicMeshTest : public fxtest::FxDeviceTest {
protected:
    void TearDown() override {
        uint8_t keys[256] = {};
        os::SetKeyboardState(keys);
        fxtest::FxDeviceTest::TearDown();
    }

    size_t MeshDraws() const { return rec->CountCalls(gfx::CallKind::DrawIndexedPrimitive); }
    size_t LineDraws() const { return rec->CountCalls(gfx::CallKind::DrawPrimitiveUP); }

    // An object whose meshes use the materials in order, each a triangle at the origin.
    static void GiveMeshes(DynamicMesh* object, const std::vector<int32_t>& materials) {
        std::vector<int32_t> ids;
        for (int32_t material : materials) {
            DynamicMesh part;
            ASSERT_TRUE(part.BuildGeometry(0, "Part", kTriangle, {0, 1, 2}, material, nullptr, nullptr));
            ids.push_back(part.meshIds[0]);
            g_Scene.meshes->AddRef(ids.back());
        }
        object->SetName("Object");
        object->meshIds = new int32_t[ids.size()];
        std::memcpy(object->meshIds, ids.data(), ids.size() * sizeof(int32_t));
        object->meshCount = uint8_t(ids.size());
        const float box[6] = {-1, -1, -0.1f, 1, 1, 0.1f};
        std::memcpy(object->localBox, box, sizeof box);
    }

    // A floor face of half edge 2 at local y 0 in a box one unit thick.
    static void GiveFloor(DynamicCollidableMesh* solid) {
        CollisionMeshDesc floor;
        floor.AddFace(0, {{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, {0, 1, 0});
        floor.groups[0].typeMask = 5;
        solid->collision = new CollisionMesh();
        ASSERT_TRUE(testsupport::ReadCollisionMesh(floor, solid->collision));
        const float box[6] = {-2, -1, -2, 2, 1, 2};
        std::memcpy(solid->localBox, box, sizeof box);
    }
};

TEST_F(DynamicMeshTest, AnInvisibleObjectIsDrawnOnlyByItsVariant) {
    DynamicMesh object;
    GiveMeshes(&object, {AddMaterial(0)});
    object.enabled = 0;
    rec->ClearLog();
    EXPECT_TRUE(object.Render());
    EXPECT_TRUE(object.Draw());
    EXPECT_EQ(MeshDraws(), 0u);
    EXPECT_EQ(g_Scene.renderQueue->count, 0u);
    EXPECT_TRUE(object.DrawVariant());
    EXPECT_EQ(MeshDraws(), 1u);

    // Shown again, the normal pass draws it at once, lit.
    object.enabled = 1;
    rec->ClearLog();
    EXPECT_TRUE(object.Render());
    EXPECT_EQ(MeshDraws(), 1u);
    EXPECT_EQ(g_Scene.renderQueue->count, 0u);
    EXPECT_EQ(rec->Draws().back().RenderState(gfx::D3DRS_LIGHTING), 1u);
}

TEST_F(DynamicMeshTest, OneTranslucentMeshQueuesTheWholeObjectForTheSortedPass) {
    DynamicMesh object;
    GiveMeshes(&object, {AddMaterial(0), AddMaterial(5), AddMaterial(0)});
    object.SetPosition({0, 0, 3});
    rec->ClearLog();
    EXPECT_TRUE(object.Render());
    EXPECT_EQ(MeshDraws(), 0u);
    ASSERT_EQ(g_Scene.renderQueue->count, 1u);
    EXPECT_EQ(g_Scene.renderQueue->entries[0].kind, RQ_DYNAMIC_MESH);
    // Squared distance from the eye at z -10.
    EXPECT_FLOAT_EQ(g_Scene.renderQueue->entries[0].distance, 169.0f);
    g_Scene.renderQueue->Flush();
    EXPECT_EQ(MeshDraws(), 3u);
    g_Scene.renderQueue->Clear();
}

TEST_F(DynamicMeshTest, TheWorldBoxFollowsTurnsOnlyOnceTheTransformIsMarkedChanged) {
    DynamicMesh object;
    const float cube[6] = {-1, -1, -1, 1, 1, 1};
    std::memcpy(object.localBox, cube, sizeof cube);
    object.SetPosition({3, 0, 0});
    object.UpdateTransform();
    EXPECT_FLOAT_EQ(object.box[0], 2.0f);
    EXPECT_FLOAT_EQ(object.box[3], 4.0f);

    const float s = std::sin(0.3926991f), c = std::cos(0.3926991f);   // 45 degrees about y
    object.transform.rotation = {0, s, 0, c};
    object.UpdateTransform();
    EXPECT_FLOAT_EQ(object.box[3], 4.0f) << "no rebuild while the transform is marked valid";
    object.transformValid = 0;
    object.UpdateTransform();
    // The corners of a unit cube turned 45 degrees reach sqrt(2) out in x and z; y is unchanged.
    EXPECT_NEAR(object.box[3], 3.0f + std::sqrt(2.0f), 1e-5f);
    EXPECT_NEAR(object.box[0], 3.0f - std::sqrt(2.0f), 1e-5f);
    EXPECT_NEAR(object.box[5], std::sqrt(2.0f), 1e-5f);
    EXPECT_NEAR(object.box[4], 1.0f, 1e-5f);
}

TEST_F(DynamicMeshTest, RaysAreTestedInTheObjectsOwnSpace) {
    DynamicCollidableMesh solid;
    GiveFloor(&solid);
    solid.SetPosition({5, 0, 0});
    solid.transform.stretchScale = {2, 2, 2};   // the floor reaches 4 out from the centre
    const Vec3 untouched{-7, -7, -7};
    struct Case {
        const char* what;
        Ray ray;
        bool hit;
        Vec3 point;
    } cases[] = {
        {"down onto the floor", {{0, -1, 0}, {8, 3, 1}}, true, {8, 0, 1}},
        {"inside the box, along the floor", {{1, 0, 0}, {5, 0.5f, 0}}, false, {}},
        {"from below, at the back of the floor", {{0, 1, 0}, {8, -3, 1}}, false, {}},
        {"beside the box", {{0, -1, 0}, {9.5f, 3, 0}}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Vec3 point = untouched, normal = untouched;
        uint16_t type = 0xEEEE;
        EXPECT_EQ(solid.RayTest(c.ray, 100.0f, &point, &normal, &type, 1), c.hit);
        if (c.hit) {
            EXPECT_NEAR(point.x, c.point.x, 1e-4f);
            EXPECT_NEAR(point.y, c.point.y, 1e-4f);
            EXPECT_NEAR(point.z, c.point.z, 1e-4f);
            // Scaled by the matrix, brought back to unit length; the type is the group's mask.
            EXPECT_NEAR(normal.y, 1.0f, 1e-5f);
            EXPECT_EQ(type, 5u);
        } else {
            EXPECT_EQ(point.x, untouched.x);
            EXPECT_EQ(normal.y, untouched.y);
            EXPECT_EQ(type, 0xEEEE);
        }
    }

    // Flattened to nothing in y, the matrix has no inverse: no hit rather than a guess.
    solid.transform.stretchScale = {1, 0, 1};
    solid.transformValid = 0;
    EXPECT_FALSE(solid.RayTest({{0, -1, 0}, {5.5f, 3, 0.5f}}, 100.0f, nullptr, nullptr, nullptr, 1));
}

TEST_F(DynamicMeshTest, SweepsMeetTheFacesWhereTheObjectStandsAndLeaveItsMeshAsItWas) {
    auto* solid = new DynamicCollidableMesh();
    GiveFloor(solid);
    solid->SetPosition({0, 2, 0});
    g_Scene.collidables->Add(solid);
    const std::vector<Vec3> vertices = solid->collision->vertices;
    const std::vector<Vec3> normals = solid->collision->normals;
    auto unchanged = [&] {
        return std::memcmp(vertices.data(), solid->collision->vertices.data(), vertices.size() * sizeof(Vec3)) == 0 &&
               std::memcmp(normals.data(), solid->collision->normals.data(), normals.size() * sizeof(Vec3)) == 0;
    };
    // A small quad dropped from y 4 lands on the floor raised to y 2.
    const SweepVolume drop{{{-0.5f, 4, -0.5f}, {0.5f, 4, -0.5f}, {0.5f, 4, 0.5f}, {-0.5f, 4, 0.5f}}, {0, -3.5f, 0}};
    Vec3 point{}, normal{};
    ASSERT_TRUE(g_Scene.SweepSphere(drop, &point, &normal, 1));
    EXPECT_NEAR(point.y, 2.0f, 1e-4f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-5f);
    EXPECT_TRUE(unchanged());

    // An upright quad far in front of the floor, moving away: its volume leaves the box out.
    const SweepVolume away{{{-0.5f, 3.5f, 9.5f}, {0.5f, 3.5f, 9.5f}, {0.5f, 4.5f, 9.5f}, {-0.5f, 4.5f, 9.5f}},
                           {0, 0, 3}};
    EXPECT_FALSE(g_Scene.SweepSphere(away, &point, &normal, 1));
    EXPECT_TRUE(unchanged());

    // Moved, the floor is met where it now stands.
    solid->SetPosition({0, 1, 0});
    ASSERT_TRUE(g_Scene.SweepSphere(drop, &point, &normal, 1));
    EXPECT_NEAR(point.y, 1.0f, 1e-4f);
    EXPECT_TRUE(unchanged());
}

TEST_F(DynamicMeshTest, RecordsLoadWithTheirTransformAndShortOnesAreRefused) {
    datakit::Y3DMeshNode node;
    node.name = "Solid(DINCOL)";
    node.type = 0x102;
    const float box[6] = {-1, -1, -1, 1, 1, 1};
    std::memcpy(node.box, box, sizeof box);
    node.parts.translation = {1, 2, 3};
    datakit::Y3DMesh mesh;
    mesh.triangleCount = 1;
    mesh.maxVertex = 2;
    mesh.centres = {{0, 0, 0}};
    node.meshes = {mesh};
    datakit::AppendCollisionMesh(&node.collision, testsupport::CubeCollision(1), 320);
    const std::vector<uint8_t> bytes = node.BuildTail();

    g_Y3DVersion = 320;
    DynamicCollidableMesh solid;
    auto entry = datakit::EntryOf(bytes);
    ASSERT_TRUE(solid.Load(entry->Reader(), {}, 0, 0));
    EXPECT_FLOAT_EQ(solid.box[5], 4.0f);
    ASSERT_NE(solid.collision, nullptr);
    EXPECT_EQ(solid.collision->faceCount, 6u);

    fxtest::ExpectEveryPrefixRefused(bytes, 37, [](BinaryReader& in) {
        DynamicCollidableMesh cut;
        return cut.Load(in, {}, 0, 0);
    });
}

TEST_F(DynamicMeshTest, CopiesAndBuiltGeometryGiveBackEveryReference) {
    const int32_t material = AddMaterial(0);
    g_Scene.materials->AddRef(material);   // the test's own, so the material outlives the meshes
    auto* model = new DynamicCollidableMesh();
    AxisBox box{};
    Vec3 centre{};
    // Outline units are hundredths; the line offset raises the centre by 0.021875 per unit.
    const std::vector<MeshVertex> letter = {Vertex(0, 0, 0), Vertex(200, 0, 0), Vertex(200, 100, 50)};
    ASSERT_TRUE(model->BuildGeometry(2, "Letter", letter, {0, 1, 2}, material, &box, &centre));
    EXPECT_FLOAT_EQ(centre.x, 1.0f);
    EXPECT_FLOAT_EQ(centre.y, -0.04375f);
    EXPECT_FLOAT_EQ(centre.z, 0.25f);
    EXPECT_FLOAT_EQ(box.max.x, 1.0f);
    EXPECT_FLOAT_EQ(box.max.y, 1.04375f);
    EXPECT_FLOAT_EQ(box.min.z, -0.25f);
    GiveFloor(model);
    const int32_t meshId = model->meshIds[0];
    const int32_t vb = g_Scene.meshes->Get(meshId)->vertexBufferId;

    for (int round = 0; round < 5; ++round) {
        auto* movable = new DynamicMesh();
        movable->CloneFrom(*model);
        EXPECT_EQ(movable->typeCode, 2u) << "a copy of a solid mesh is not solid";
        auto* solid = new DynamicCollidableMesh();
        solid->CloneCollidableFrom(*model);
        ASSERT_NE(solid->collision, nullptr);
        EXPECT_EQ(solid->collision->faceCount, 1u);
        EXPECT_EQ(g_Scene.meshes->Get(meshId)->refCount, 3);
        delete movable;
        delete solid;
    }
    EXPECT_EQ(g_Scene.meshes->Get(meshId)->refCount, 1);
    delete model;
    EXPECT_EQ(g_Scene.meshes->Get(meshId), nullptr);
    EXPECT_EQ(g_Scene.vertexBuffers->Get(vb), nullptr);
    EXPECT_EQ(g_Scene.materials->Get(material)->refCount, 1);

    // Lists that name a vertex they do not hold build nothing.
    DynamicMesh bad;
    EXPECT_FALSE(bad.BuildGeometry(0, "Bad", letter, {0, 1, 3}, material, nullptr, nullptr));
    EXPECT_EQ(bad.meshCount, 0u);
}

TEST_F(DynamicMeshTest, TheTestOverlayDrawsAxesAndBoxOnlyInTestModeWithItsKeyHeld) {
    DynamicMesh object;
    GiveMeshes(&object, {AddMaterial(0)});
    uint8_t keys[256] = {};
    keys['X'] = 0x80;
    os::SetKeyboardState(keys);
    struct Case {
        uint8_t testMode;
        size_t lines;
    } cases[] = {{0, 0}, {1, 3 + 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.testMode));
        g_Settings.test = c.testMode;
        rec->ClearLog();
        object.DrawVariant();
        EXPECT_EQ(LineDraws(), c.lines);
    }
}

}  // namespace
