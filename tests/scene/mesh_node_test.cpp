// Scene nodes' names and mesh nodes: loading from a node record, the one reference held on each
// mesh, copies and moves between scenes, frustum culling and the debug box.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "render/mesh.h"
#include "scene/mesh_node.h"
#include "scene_fixture.h"
#include "support/y3d_builder.h"

namespace scenetest {
namespace {

// A mesh that logs its draws instead of sending them.
class LoggedMesh : public Mesh {
public:
    std::string label;
    explicit LoggedMesh(std::string l) : label(std::move(l)) {}
    bool DrawWithOverride() override {
        Events().push_back("mesh:" + label);
        return true;
    }
};

void PutF32(std::vector<uint8_t>* out, size_t at, float f) { std::memcpy(out->data() + at, &f, 4); }

// Node header, 32-byte tail and the mesh records.
std::vector<uint8_t> NodeRecord(const std::string& name, const float box[6], const std::vector<uint16_t>& triangles,
                                std::optional<uint8_t> countOverride = std::nullopt) {
    std::vector<uint8_t> out(SCENE_NODE_HEADER_SIZE + MESH_NODE_TAIL_SIZE, 0xCD);
    std::memset(out.data(), 0, SCENE_NODE_NAME_SIZE);
    std::memcpy(out.data(), name.data(), name.size());
    const size_t tail = SCENE_NODE_HEADER_SIZE;
    out[tail + 4] = countOverride ? *countOverride : uint8_t(triangles.size());
    for (int k = 0; k < 6; ++k) PutF32(&out, tail + 8 + 4 * k, box[k]);
    for (uint16_t t : triangles) {
        testsupport::Y3DMesh m;
        m.triangleCount = t;
        m.maxVertex = 2;
        for (uint16_t i = 0; i < t; ++i) m.centres.push_back({float(i), 0, 0});
        std::vector<uint8_t> rec = m.Build();
        out.insert(out.end(), rec.begin(), rec.end());
    }
    return out;
}

FILE* Stream(const std::vector<uint8_t>& bytes) {
    FILE* f = std::tmpfile();
    if (!f) return nullptr;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

class MeshNodeTest : public SceneDeviceTest {
protected:
    void SetUp() override {
        SceneDeviceTest::SetUp();
        ASSERT_TRUE(g_Scene.Create());
        AimCamera(g_Scene.camera);
    }
    // Loads a record into the node; true when Load succeeded.
    bool LoadInto(MeshNode* node, const std::vector<uint8_t>& bytes) {
        FILE* f = Stream(bytes);
        EXPECT_NE(f, nullptr);
        if (!f) return false;
        bool ok = node->Load(f, {}, 0, 0);
        std::fclose(f);
        return ok;
    }
    int32_t Refs(int32_t id) const {
        Mesh* m = g_Scene.meshes->Get(id);
        return m ? m->refCount : 0;
    }
    // A logged mesh in the scene's table, the node holding its reference.
    static void Give(MeshNode* node, const std::vector<std::string>& labels) {
        node->meshIds = new int32_t[labels.size()];
        for (size_t i = 0; i < labels.size(); ++i) {
            int32_t id = g_Scene.meshes->Add(new LoggedMesh(labels[i]));
            g_Scene.meshes->AddRef(id);
            node->meshIds[i] = id;
        }
        node->meshCount = uint8_t(labels.size());
    }
    const float box_[6] = {-1, -1, -1, 1, 1, 1};
};

TEST(SceneNodeTest, NamesAreOwnedCopiesAndReleaseIsRepeatable) {
    SceneNode node;
    EXPECT_EQ(node.name, nullptr);
    EXPECT_EQ(node.typeCode, NODE_TYPE_BASE);
    char text[] = "Lamp";
    EXPECT_TRUE(node.SetName(text));
    text[0] = 'X';
    ASSERT_NE(node.name, nullptr);
    EXPECT_STREQ(node.name, "Lamp");
    EXPECT_TRUE(node.SetName(nullptr));   // changes nothing
    EXPECT_STREQ(node.name, "Lamp");
    SceneNode copy;
    copy.CopyFrom(node);
    ASSERT_NE(copy.name, nullptr);
    EXPECT_NE(copy.name, node.name);
    EXPECT_STREQ(copy.name, "Lamp");
    node.Release();
    EXPECT_EQ(node.name, nullptr);
    node.Release();
    EXPECT_EQ(node.name, nullptr);
    EXPECT_EQ(node.RemapMeshIds(nullptr), 0);
    EXPECT_TRUE(node.Draw());
    EXPECT_TRUE(node.Render());
}

TEST_F(MeshNodeTest, ConstructedEnabledWithNoMeshes) {
    MeshNode node;
    EXPECT_EQ(node.typeCode, NODE_TYPE_MESH);
    EXPECT_EQ(node.enabled, 1);
    EXPECT_EQ(node.meshIds, nullptr);
    EXPECT_EQ(node.meshCount, 0);
    EXPECT_EQ(node.primitiveTotal, 0u);
}

TEST_F(MeshNodeTest, LoadTakesOneReferencePerMeshAndReleaseGivesItBack) {
    const float box[6] = {-2, -3, -4, 5, 6, 7};
    MeshNode node;
    ASSERT_TRUE(LoadInto(&node, NodeRecord("Floor", box, {3, 5})));
    ASSERT_NE(node.name, nullptr);
    EXPECT_STREQ(node.name, "Floor");
    ASSERT_EQ(node.meshCount, 2);
    EXPECT_EQ(node.primitiveTotal, 8u);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(node.box[k], box[k]);
    const int32_t first = node.meshIds[0], second = node.meshIds[1];
    EXPECT_NE(first, second);
    EXPECT_EQ(Refs(first), 1);
    EXPECT_EQ(Refs(second), 1);
    EXPECT_EQ(g_Scene.meshes->Get(second)->triangleCount, 5);

    node.Release();
    EXPECT_EQ(node.meshIds, nullptr);
    EXPECT_EQ(node.meshCount, 0);
    EXPECT_EQ(node.primitiveTotal, 0u);
    EXPECT_EQ(node.name, nullptr);
    EXPECT_EQ(g_Scene.meshes->Get(first), nullptr);   // the last reference deleted them
    EXPECT_EQ(g_Scene.meshes->Get(second), nullptr);
    node.Release();   // nothing left to give back
    EXPECT_EQ(g_Scene.meshes->count, 0u);
}

TEST_F(MeshNodeTest, ANodeWithNoMeshesLoadsAndDrawsNothing) {
    MeshNode node;
    ASSERT_TRUE(LoadInto(&node, NodeRecord("Empty", box_, {})));
    EXPECT_EQ(node.meshIds, nullptr);
    EXPECT_EQ(node.meshCount, 0);
    rec->ClearLog();
    EXPECT_TRUE(node.Draw());
    EXPECT_TRUE(rec->Draws().empty());
}

TEST_F(MeshNodeTest, ShortRecordsFailWithoutCrashing) {
    const std::vector<uint8_t> full = NodeRecord("Cut", box_, {2, 2});
    // Inside the header, inside the tail, inside the second mesh record, and a count that
    // promises more meshes than the record holds.
    const size_t cuts[] = {100, SCENE_NODE_HEADER_SIZE + 10, full.size() - 10};
    for (size_t cut : cuts) {
        MeshNode node;
        EXPECT_FALSE(LoadInto(&node, std::vector<uint8_t>(full.begin(), full.begin() + long(cut)))) << cut;
        EXPECT_LE(node.meshCount, 1) << cut;
    }
    MeshNode node;
    EXPECT_FALSE(LoadInto(&node, NodeRecord("More", box_, {2}, uint8_t(3))));
    EXPECT_EQ(node.meshCount, 1);
    const int32_t kept = node.meshIds[0];
    EXPECT_EQ(Refs(kept), 1);
    node.Release();
    EXPECT_EQ(g_Scene.meshes->Get(kept), nullptr);
}

TEST_F(MeshNodeTest, CopyAddsOneReferencePerIdAndBothReleasesRestoreTheCounts) {
    MeshNode a;
    ASSERT_TRUE(LoadInto(&a, NodeRecord("Rock", box_, {1, 1, 1})));
    a.typeCode = NODE_TYPE_DYNAMIC_MESH;
    a.enabled = 0;
    MeshNode b;
    b.CopyFrom(a);
    ASSERT_EQ(b.meshCount, 3);
    EXPECT_STREQ(b.name, "Rock");
    EXPECT_EQ(b.primitiveTotal, a.primitiveTotal);
    EXPECT_EQ(b.typeCode, NODE_TYPE_DYNAMIC_MESH);
    EXPECT_EQ(b.enabled, 1);          // not copied
    EXPECT_EQ(b.box[3], 0.0f);        // not copied
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.meshIds[i], a.meshIds[i]);
        EXPECT_EQ(Refs(a.meshIds[i]), 2);
    }
    const std::vector<int32_t> ids(a.meshIds, a.meshIds + 3);
    a.Release();
    for (int32_t id : ids) EXPECT_EQ(Refs(id), 1);
    b.Release();
    for (int32_t id : ids) EXPECT_EQ(g_Scene.meshes->Get(id), nullptr);
}

TEST_F(MeshNodeTest, RemapMovesTheMeshesIntoTheTargetTable) {
    MeshNode node;
    ASSERT_TRUE(LoadInto(&node, NodeRecord("Moved", box_, {2, 4})));
    const int32_t old0 = node.meshIds[0], old1 = node.meshIds[1];
    Mesh* m0 = g_Scene.meshes->Get(old0);
    Mesh* m1 = g_Scene.meshes->Get(old1);
    Scene target;
    target.meshes = new MeshTable();
    target.meshes->Add(new Mesh());   // so the new ids differ from the old ones
    EXPECT_EQ(node.RemapMeshIds(&target), 2);
    EXPECT_EQ(g_Scene.meshes->Get(old0), nullptr);
    EXPECT_EQ(g_Scene.meshes->Get(old1), nullptr);
    EXPECT_EQ(target.meshes->Get(node.meshIds[0]), m0);
    EXPECT_EQ(target.meshes->Get(node.meshIds[1]), m1);
    EXPECT_EQ(m0->refCount, 1);
    // The node now belongs to the other scene: its meshes go with that table.
    delete[] node.meshIds;
    node.meshIds = nullptr;
    node.meshCount = 0;
    delete target.meshes;
    target.meshes = nullptr;
}

TEST_F(MeshNodeTest, DrawCullsOutsideTheFrustumAndDrawsInsideUnlit) {
    struct Case {
        const char* what;
        float box[6];
        bool drawn;
    } cases[] = {
        {"around the target", {-1, -1, -1, 1, 1, 1}, true},
        {"straddling the side", {-30, -1, 0, 0, 1, 1}, true},
        {"behind the eye", {-1, -1, -40, 1, 1, -20}, false},
        {"beyond the far plane", {-1, -1, 100, 1, 1, 120}, false},
        {"far to the side", {200, -1, 0, 210, 1, 1}, false},
    };
    for (const Case& c : cases) {
        MeshNode node;
        std::memcpy(node.box, c.box, sizeof node.box);
        Give(&node, {"x", "y"});
        Events().clear();
        g_Video.SetLighting(true);
        EXPECT_TRUE(node.Draw()) << c.what;
        if (c.drawn) {
            EXPECT_EQ(Events(), (std::vector<std::string>{"mesh:x", "mesh:y"})) << c.what;
            EXPECT_EQ(rec->RenderState(gfx::D3DRS_LIGHTING), 0u) << c.what;
            EXPECT_EQ(g_Video.world[0], &IdentityMatrix) << c.what;
        } else {
            EXPECT_TRUE(Events().empty()) << c.what;
            EXPECT_EQ(rec->RenderState(gfx::D3DRS_LIGHTING), 1u) << c.what;
        }
    }
}

TEST_F(MeshNodeTest, DisabledNodeDrawsNothingAndSaysSo) {
    MeshNode node;
    std::memcpy(node.box, box_, sizeof node.box);
    Give(&node, {"x"});
    node.enabled = 0;
    EXPECT_FALSE(node.Draw());
    EXPECT_FALSE(node.Render());
    EXPECT_TRUE(Events().empty());
    node.enabled = 1;
    EXPECT_TRUE(node.Render());
    EXPECT_EQ(Events(), (std::vector<std::string>{"mesh:x"}));
}

TEST_F(MeshNodeTest, DebugBoxDrawsSixClosedRedFaces) {
    MeshNode node;
    const float box[6] = {-1, -2, -3, 1, 2, 3};
    std::memcpy(node.box, box, sizeof node.box);
    // The caller chooses the vertex format: position and diffuse colour.
    g_Video.SetVertexShader(gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE);
    rec->ClearLog();
    EXPECT_TRUE(node.DebugDrawBox());
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 6u);
    int facesPerAxis[3] = {0, 0, 0};
    for (const gfx::DrawRecord& d : draws) {
        EXPECT_EQ(d.type, gfx::D3DPT_LINESTRIP);
        EXPECT_EQ(d.primitiveCount, 4u);
        EXPECT_EQ(d.stride, 16u);
        for (const gfx::Texture* t : d.textures) EXPECT_EQ(t, nullptr);
        ASSERT_EQ(d.vertexData.size(), 5u * 16u);
        float v[5][3];
        for (int i = 0; i < 5; ++i) {
            std::memcpy(v[i], d.vertexData.data() + 16 * i, 12);
            uint32_t colour;
            std::memcpy(&colour, d.vertexData.data() + 16 * i + 12, 4);
            EXPECT_EQ(colour, 0xFFFF0000u);
            for (int k = 0; k < 3; ++k) EXPECT_TRUE(v[i][k] == box[k] || v[i][k] == box[k + 3]);
        }
        EXPECT_EQ(std::memcmp(v[0], v[4], sizeof v[0]), 0);   // closed
        // One axis is held at one end across the whole face.
        for (int k = 0; k < 3; ++k) {
            bool held = true;
            for (int i = 1; i < 5; ++i) held = held && v[i][k] == v[0][k];
            if (held) ++facesPerAxis[k];
        }
    }
    EXPECT_EQ(facesPerAxis[0], 2);
    EXPECT_EQ(facesPerAxis[1], 2);
    EXPECT_EQ(facesPerAxis[2], 2);

    // Out of view: nothing.
    const float away[6] = {500, 500, 500, 501, 501, 501};
    std::memcpy(node.box, away, sizeof node.box);
    rec->ClearLog();
    EXPECT_TRUE(node.DebugDrawBox());
    EXPECT_TRUE(rec->Draws().empty());
}

}  // namespace
}  // namespace scenetest
