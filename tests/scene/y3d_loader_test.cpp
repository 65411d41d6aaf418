// Scene files loaded into the scene on the recording device: what each record kind makes, and
// damaged files that must leave the scene as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_octree.h"
#include "render/render_queue.h"
#include "render/vertex_buffer_table.h"
#include "scene/animation.h"
#include "scene/collision_octree.h"
#include "scene/light_node.h"
#include "scene/mesh_node.h"
#include "scene/object_list.h"
#include "scene/y3d_loader.h"
#include "world/dynamic_mesh.h"
#include "scene_element_records.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"
#include "y3d_test_files.h"

using namespace y3dtest;

namespace {

template <typename T>
std::vector<bool> Occupied(const std::vector<T*>& slots) {
    std::vector<bool> used;
    for (T* p : slots) used.push_back(p != nullptr);
    // Trailing free slots are capacity, not content.
    while (!used.empty() && !used.back()) used.pop_back();
    return used;
}

// Everything a load may add to, compared before and after a refused file.
struct SceneShape {
    uint32_t objects;
    uint32_t collidables;
    std::vector<LightNode*> lights;
    LightNode* sun;
    std::vector<bool> materials, vertexBuffers, indexBuffers, meshes;
    RenderOctree* render;
    CollisionOctree* collision;
    size_t collisionMeshes;
    uint32_t renderPolygons;

    static SceneShape Of(const Scene& s) {
        return {s.objects->count,           s.collidables->count, s.lights,          s.sun,
                Occupied(s.materials->slots), Occupied(s.vertexBuffers->buffers), Occupied(s.indexBuffers->buffers),
                Occupied(s.meshes->slots),  s.renderOctree,    s.collisionOctree,
                s.collisionOctree->Meshes().size(), s.renderOctree->polygonCount};
    }
    bool operator==(const SceneShape&) const = default;
};

class Y3DLoaderTest : public fxtest::FxDeviceTest {
protected:
    void TearDown() override {
        fxtest::FxDeviceTest::TearDown();
        ResetPackFiles();
    }
    bool Load(const std::string& diskName, const std::vector<uint8_t>& bytes, const char* asName = nullptr) {
        EXPECT_TRUE(WriteBytes((dir.path() / diskName).string(), bytes));
        return g_Scene.LoadModel(asName ? asName : diskName.c_str(), "Texturas\\", 0, false);
    }

    ScopedWorkDir dir;
};

}  // namespace

TEST_F(Y3DLoaderTest, EveryBuiltRecordKindLandsInItsPlace) {
    Y3DSceneLayout layout;
    std::vector<uint8_t> bytes = FullScene().Build(&layout);
    g_Y3DVersion = 0;
    ASSERT_TRUE(Load("FULL.Y3D", bytes));
    EXPECT_EQ(g_Y3DVersion, 320);

    // Tables: one material, two buffers of each kind, two listed meshes and one of each node.
    EXPECT_EQ(g_Scene.materials->count, 1u);
    EXPECT_NE(g_Scene.indexBuffers->Get(1), nullptr);
    EXPECT_EQ(Occupied(g_Scene.meshes->slots).size(), 5u);
    EXPECT_EQ(g_Scene.renderOctree->polygonCount, 2u);
    ASSERT_EQ(g_Scene.collisionOctree->Meshes().size(), 1u);
    EXPECT_EQ(SceneCollisionOctree(), g_Scene.collisionOctree);

    // The movable mesh joins the object list placed by its header; the solid one only the
    // collidable list.
    EXPECT_EQ(g_Scene.objects->count, 2u);
    auto* movable = dynamic_cast<DynamicMesh*>(g_Scene.objects->FindByName("Dynamic(DIN)"));
    ASSERT_NE(movable, nullptr);
    EXPECT_EQ(movable->typeCode, 2u);
    EXPECT_EQ(movable->transform.translation.x, 10.0f);
    // A quarter turn: the local box's z extent of 2 lies along x.
    EXPECT_NEAR(movable->box[3], 12.0f, 1e-4f);
    EXPECT_NEAR(movable->box[5], 1.0f, 1e-4f);
    ASSERT_EQ(g_Scene.collidables->count, 1u);
    auto* solid = dynamic_cast<DynamicCollidableMesh*>(g_Scene.collidables->FindByName("Solid(DINCOL)"));
    ASSERT_NE(solid, nullptr);
    EXPECT_EQ(solid->typeCode, 3u);
    ASSERT_NE(solid->collision, nullptr);
    EXPECT_EQ(solid->collision->faceCount, 1u);

    // The mesh node: name, box and its mesh over the file's second buffers.
    auto* floor = dynamic_cast<MeshNode*>(g_Scene.objects->FindByName("Floor"));
    ASSERT_NE(floor, nullptr);
    ASSERT_EQ(floor->meshCount, 1u);
    EXPECT_EQ(floor->box[5], 6.0f);
    Mesh* mesh = g_Scene.meshes->Get(floor->meshIds[0]);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->vertexBufferId, 1);
    ASSERT_NE(mesh->collision, nullptr);

    // The collision face behind the node's triangle reaches the render queue's reader.
    EXPECT_EQ(MeshCollisionFaceCount(mesh), 1u);
    QueuedFace face{};
    ASSERT_TRUE(MeshCollisionFace(mesh, 0, &face));
    EXPECT_EQ(face.vertexCount, 4u);
    EXPECT_EQ(face.normal.y, 1.0f);
    EXPECT_FALSE(MeshCollisionFace(mesh, 1, &face));

    // Lights: the tagged directional light is the sun; the tagged point light is not; the list
    // holds the later record first.
    ASSERT_NE(g_Scene.sun, nullptr);
    EXPECT_EQ(g_Scene.sun->name, "Sun(SOL)");
    EXPECT_EQ(static_cast<DirectionalLight*>(g_Scene.sun)->direction.y, -1.0f);
    ASSERT_EQ(g_Scene.lights.size(), 2u);
    EXPECT_EQ(g_Scene.lights[0]->RecordType(), LIGHT_RECORD_AIMED);
    EXPECT_EQ(g_Scene.lights[1]->name, "Lamp(SOL)");
    EXPECT_EQ(g_Scene.lights[1]->RecordType(), LIGHT_RECORD_POINT);

    // A second file adds to the first.
    ASSERT_TRUE(Load("MORE.Y3D", bytes));
    EXPECT_EQ(g_Scene.objects->count, 4u);
    EXPECT_EQ(g_Scene.collidables->count, 2u);
    EXPECT_EQ(g_Scene.materials->count, 2u);
}

TEST_F(Y3DLoaderTest, HeaderChecks) {
    struct Case {
        const char* what;
        std::string signature;
        uint16_t version;
        bool loads;
    } cases[] = {
        {"newest version", "QTXMAX", 320, true},
        {"older version", "QTXMAX", 305, true},
        {"version past the newest", "QTXMAX", 321, false},
        {"wrong signature", "QTXMAY", 320, false},
        {"signature not ended", "QTXMAXX", 320, false},
    };
    for (const Case& c : cases) {
        Y3DSceneFile f;
        f.header.signature = c.signature;
        f.header.version = c.version;
        Y3DLight lamp;
        lamp.name = "Lamp";
        f.records.push_back(LightRecord(lamp));
        const SceneShape before = SceneShape::Of(g_Scene);
        EXPECT_EQ(Load("H.Y3D", f.Build()), c.loads) << c.what;
        if (!c.loads) {
            EXPECT_TRUE(SceneShape::Of(g_Scene) == before) << c.what;
        }
    }
    EXPECT_EQ(g_Scene.lights.size(), 2u);
    EXPECT_FALSE(g_Scene.LoadModel(nullptr, nullptr, 0, false));
    EXPECT_FALSE(g_Scene.LoadModel("MISSING.Y3D", nullptr, 0, false));
    EXPECT_FALSE(Load("SHORT.Y3D", std::vector<uint8_t>(1023, 0)));

    // Without a scene made nothing is read.
    g_Scene.Destroy(true);
    EXPECT_FALSE(Load("H.Y3D", FullScene().Build()));
}

// Each count, index and offset pushed out of range in turn: refused, with the scene as it was.
TEST_F(Y3DLoaderTest, DamagedFilesAreRefusedAndLeaveTheSceneAsItWas) {
    // Something loaded first, so "as it was" is not just empty.
    ASSERT_TRUE(Load("BASE.Y3D", FullScene().Build()));
    Y3DSceneLayout layout;
    const std::vector<uint8_t> good = FullScene().Build(&layout);
    const size_t mesh0 = layout.meshList + 4;
    const size_t nodeTail = layout.records[0] + 276 + 573;
    const size_t nodeMesh = nodeTail + 32;
    const size_t solidTail = layout.records[8] + 276 + 573;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        bool byte = false;
    } cases[] = {
        {"material count", layout.materials, 0x10000},
        {"vertex-buffer count", layout.vertexBuffers, 0x7FFFFFFF},
        {"vertex count", layout.vertexBuffers + 4, 0x00FFFFFF},
        {"index-buffer count", layout.indexBuffers, 0x7FFFFFFF},
        {"index count", layout.indexBuffers + 4, 0x00FFFFFF},
        {"mesh count", layout.meshList, 0x10000},
        {"mesh material index", mesh0, 1},
        {"mesh index-buffer index", mesh0 + 5, 2},
        {"mesh vertex-buffer index", mesh0 + 9, 2},
        {"mesh triangle count", mesh0 + 17, 0xFFFF},
        {"render octree node count", layout.renderOctree + 13, 0x7FFFFFFF},
        {"collision octree node count", layout.collisionOctree + 13, 0x7FFFFFFF},
        {"collision octree mesh count", layout.collisionOctree + 17, 0x7FFFFFFF},
        {"mesh node mesh count", nodeTail + 4, 9, true},
        {"mesh node mesh vertex buffer", nodeMesh + 9, 7},
        {"mesh node collision vertex count", nodeMesh + 25 + 12 + 1, 0xFFFF},
        {"skipped record past the end", layout.records[2] + 272, 0x7FFFFFFF},
        {"skipped record pointing back", layout.records[2] + 272, uint32_t(layout.records[2])},
        {"light header of another kind", layout.records[1] + 276 + 264, 0x201},
        {"movable mesh vertex buffer", layout.records[5] + 276 + 573 + 32 + 9, 7},
        {"solid mesh collision vertex count", solidTail + 32 + 25 + 12 + 1, 0xFFFF},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.byte) {
            bad[c.at] = uint8_t(c.value);
        } else {
            for (int i = 0; i < 4; ++i) bad[c.at + i] = uint8_t(c.value >> (8 * i));
        }
        const SceneShape before = SceneShape::Of(g_Scene);
        EXPECT_FALSE(Load("BAD.Y3D", bad)) << c.what;
        EXPECT_TRUE(SceneShape::Of(g_Scene) == before) << c.what;
    }
    // The scene still holds the first file whole.
    EXPECT_EQ(g_Scene.objects->count, 2u);
    EXPECT_EQ(g_Scene.collidables->count, 1u);
    EXPECT_EQ(g_Scene.collisionOctree->Meshes().size(), 1u);
}

TEST_F(Y3DLoaderTest, TruncatedFilesNeverCrashAndARefusalChangesNothing) {
    Y3DSceneLayout layout;
    const std::vector<uint8_t> good = FullScene().Build(&layout);
    // Inside every block and every tail: refused.
    const size_t refused[] = {layout.materials + 2,       layout.materials + 20,   layout.vertexBuffers + 6,
                              layout.indexBuffers + 10,   layout.meshList + 30,    layout.renderOctree + 5,
                              layout.collisionOctree + 9, layout.records[0] + 300, layout.records[1] + 600,
                              layout.records[5] + 276 + 573 + 20, layout.records[7] + 280,
                              layout.records[8] + 276 + 573 + 32 + 25 + 12 + 4};
    for (size_t cut : refused) {
        const SceneShape before = SceneShape::Of(g_Scene);
        EXPECT_FALSE(Load("CUT.Y3D", std::vector<uint8_t>(good.begin(), good.begin() + long(cut)))) << cut;
        EXPECT_TRUE(SceneShape::Of(g_Scene) == before) << cut;
    }
    // Every other length: whatever the result, no crash, and a refusal changes nothing.
    for (size_t cut = Y3D_HEADER_SIZE; cut < good.size(); cut += 7) {
        const SceneShape before = SceneShape::Of(g_Scene);
        if (!Load("CUT.Y3D", std::vector<uint8_t>(good.begin(), good.begin() + long(cut)))) {
            EXPECT_TRUE(SceneShape::Of(g_Scene) == before) << cut;
        }
    }
}

TEST_F(Y3DLoaderTest, CharacterModelsThatCannotBeBuiltGiveNullAndLeaveNothing) {
    EXPECT_EQ(g_Scene.LoadCharacterModel(nullptr, nullptr, 0, false), nullptr);
    EXPECT_EQ(g_Scene.LoadCharacterModel("MISSING.Y3D", nullptr, 0, false), nullptr);

    // A bone record whose skeleton is cut short.
    Y3DBone root;
    root.name = "Root";
    Y3DBone arm;
    arm.name = "Arm";
    root.children = {arm};
    std::vector<uint8_t> skeleton = BuildSkeletonRecords(root, 3);
    std::vector<uint8_t> cut = BuildY3DHeader(Y3DHeaderFields{}, 2);
    cut.insert(cut.end(), skeleton.begin(), skeleton.begin() + 300);
    ASSERT_TRUE(WriteBytes((dir.path() / "CUTBONE.Y3D").string(), cut));
    EXPECT_EQ(g_Scene.LoadCharacterModel("CutBone.y3d", nullptr, 0, false), nullptr);
}

TEST_F(Y3DLoaderTest, AnimationGroupsLoadOnceAndOnlyInsideTheTable) {
    EXPECT_FALSE(g_Scene.LoadAnimationGroup(-1));
    EXPECT_FALSE(g_Scene.LoadAnimationGroup(SCENE_ANIMATION_GROUPS));

    Y3DAnimation anim;
    anim.header.length = 12;
    anim.nodes.push_back(AnimTrackObject("root", {Y3DKey{0, std::nullopt, Vec3{1, 0, 0}}}));
    PackWriter pack;
    pack.Add("ANIMACIONES\\GRUPO07\\ANI07000.Y3D", anim.Build());
    pack.Add("ANIMACIONES\\GRUPO07\\ANI07003.Y3D", anim.Build());
    pack.Add("ANIMACIONES\\GRUPO07\\ANI07004.Y3D", std::vector<uint8_t>(10, 0));   // unreadable
    ASSERT_TRUE(pack.WriteTo((dir.path() / "ANIMACIONES.DAT").string()));

    ASSERT_TRUE(g_Scene.LoadAnimationGroup(7));
    ASSERT_NE(g_Scene.GetAnimation(7, 0), nullptr);
    EXPECT_EQ(g_Scene.GetAnimation(7, 0)->length, 12);
    EXPECT_EQ(g_Scene.GetAnimation(7, 1), nullptr);
    EXPECT_NE(g_Scene.GetAnimation(7, 3), nullptr);
    // A failed read keeps its (empty) animation.
    ASSERT_NE(g_Scene.GetAnimation(7, 4), nullptr);
    EXPECT_EQ(g_Scene.GetAnimation(7, 4)->length, 0);

    // A second load reads nothing: the same objects stay.
    Animation* first = g_Scene.GetAnimation(7, 0);
    ASSERT_TRUE(g_Scene.LoadAnimationGroup(7));
    EXPECT_EQ(g_Scene.GetAnimation(7, 0), first);

    // Reloading reads the group again; groups never loaded stay unloaded.
    g_Scene.ReloadAnimations();
    EXPECT_NE(g_Scene.GetAnimation(7, 0), nullptr);
    EXPECT_NE(g_Scene.GetAnimation(7, 3), nullptr);
    EXPECT_EQ(g_Scene.animations[8], nullptr);
}
