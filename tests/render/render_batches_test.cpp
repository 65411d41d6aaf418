#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_batches.h"
#include "render/render_octree.h"
#include "render/vertex_buffer_table.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "datakit/y3d_octree_builder.h"
#include "vertex_buffer_fixture.h"

using namespace rendertest;

namespace {

// Records which material was applied with which pass; draws nothing itself.
std::vector<std::pair<int32_t, int>> g_applied;

class LoggedMaterial final : public Material {
public:
    int32_t id = -1;
    bool Apply(int pass) override {
        g_applied.push_back({id, pass});
        return true;
    }
};

class BatchTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        g_applied.clear();
        for (int i = 0; i < 2; ++i) {
            auto* vb = new VertexBuffer;
            ASSERT_TRUE(vb->Create(4, 0x112, 0));
            vb->shader = 0x112;   // the FVF stands for the shader
            ASSERT_EQ(vertexBuffers.Add(vb), i);
            auto* ib = new IndexBuffer;
            ASSERT_TRUE(ib->Create(64, 0));
            indexBuffers.buffers.push_back(ib);
        }
        g_SceneVertexBuffers = &vertexBuffers;
        g_SceneIndexBuffers = &indexBuffers;
        g_Scene.materials = &materials;
        g_DrawCalls = 0;
        g_PolygonsDrawn = 0;
        dev->BeginScene();
        dev->ClearLog();
    }

    void ReleaseResources() override {
        batches.Clear();
        // The meshes hold no references: keep them from giving any back.
        for (Mesh* m : meshes.slots)
            if (m) m->vertexBufferId = m->indexBufferId = m->materialId = -1;
        meshes.Free();
        materials.Free();
        g_Scene.materials = nullptr;
        g_SceneVertexBuffers = nullptr;
        g_SceneIndexBuffers = nullptr;
        vertexBuffers.Free();
        indexBuffers.Free();
    }

    // A material of `passes` passes whose first pass blends with `preset`.
    int32_t AddMaterial(uint32_t passes, uint32_t preset = 0) {
        auto* m = new LoggedMaterial;
        m->passCount = passes;
        m->passes[0].blendPreset = preset;
        m->id = materials.Add(m);
        return m->id;
    }

    // A mesh of two triangles; its start index tells the draws apart.
    Mesh* AddMesh(int32_t vb, int32_t ib, int32_t material, uint32_t startIndex) {
        auto* m = new Mesh;
        m->vertexBufferId = vb;
        m->indexBufferId = ib;
        m->materialId = material;
        m->startIndex = startIndex;
        m->triangleCount = 2;
        m->minVertex = 0;
        m->maxVertex = 3;
        meshes.Add(m);
        return m;
    }

    std::vector<uint32_t> DrawnStarts() const {
        std::vector<uint32_t> starts;
        for (const gfx::Call& c : dev->CallsOf(gfx::CallKind::DrawIndexedPrimitive)) starts.push_back(c.args[3]);
        return starts;
    }

    VertexBufferTable vertexBuffers;
    IndexBufferTable indexBuffers;
    MaterialTable materials;
    MeshTable meshes;
    RenderBatches batches;
};

}  // namespace

TEST_F(BatchTest, BlendedEmptyAndMissingMaterialsAreNotBatched) {
    int32_t blended = AddMaterial(2, 2);
    int32_t none = AddMaterial(0);
    batches.Add(AddMesh(0, 0, blended, 0));
    batches.Add(AddMesh(0, 0, none, 6));
    batches.Add(AddMesh(0, 0, 999, 12));
    batches.Add(nullptr);
    for (const BatchPassList& list : batches.passes) EXPECT_TRUE(list.groups.empty());
    EXPECT_EQ(g_DrawCalls, 0u);
    batches.Draw();
    EXPECT_TRUE(DrawnStarts().empty());
    EXPECT_TRUE(g_applied.empty());
}

// ---- render octree ----

namespace {

const int32_t kCorner[3] = {-8, -8, -8};

// Leaf k of the eight-leaf grid (nodes 1..8) names meshes first + 2(k - 1) and the one after,
// except leaf 6, which names none.
std::vector<datakit::OctreeNodeDesc> EightLeaves() {
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(1, kCorner, 4);
    for (int k = 1; k <= 8; ++k) {
        nodes[size_t(k)].first = 2 * (k - 1);
        nodes[size_t(k)].itemCount = k == 6 ? 0 : 2;
    }
    nodes[0].polygonCount = 321;
    return nodes;
}

}  // namespace

TEST_F(BatchTest, RenderOctreeCollectsTheVisibleLeaves) {
    int32_t mat = AddMaterial(1);
    for (int i = 0; i < 3; ++i) AddMesh(0, 0, mat, 1000 + i);   // ids 0..2 belong to another file
    for (int i = 0; i < 16; ++i) AddMesh(0, 0, mat, uint32_t(i));   // ids 3..18

    std::vector<uint8_t> block = datakit::BuildRenderOctreeBlock(EightLeaves());
    BinaryReader& f = Stream(block);
    RenderOctree tree;
    ASSERT_TRUE(tree.Read(f, 3));
    EXPECT_EQ(Position(f), long(block.size()));
    EXPECT_EQ(tree.GetNodeCount(), 9u);
    EXPECT_EQ(tree.polygonCount, 321u);
    EXPECT_EQ(tree.GetNode(6)->first, 2 * 5);   // no items: no base added

    // From x = 50 looking down -x with the far plane at 46: only the upper-x leaves (5..8) show.
    Camera camera;
    camera.Set(50, 0, 0, 0, 0, 0, 0.0f, 1.5f, 1.0f, 46.0f);
    camera.Update();
    tree.Collect(camera, meshes, &batches);
    ASSERT_EQ(batches.passes[0].groups.size(), 1u);
    std::vector<uint32_t> starts;
    for (Mesh* m : batches.passes[0].groups[0].materials[0].meshes) starts.push_back(m->startIndex);
    EXPECT_EQ(starts, (std::vector<uint32_t>{8, 9, 12, 13, 14, 15}));

    // Seen from afar everything shows; seen from behind nothing.
    batches.Clear();
    Camera all;
    all.Set(50, 0, 0, 0, 0, 0, 0.0f, 1.5f, 1.0f, 500.0f);
    all.Update();
    tree.Collect(all, meshes, &batches);
    EXPECT_EQ(batches.passes[0].groups[0].materials[0].meshes.size(), 14u);
    batches.Clear();
    Camera away;
    away.Set(50, 0, 0, 100, 0, 0, 0.0f, 1.5f, 1.0f, 500.0f);
    away.Update();
    tree.Collect(away, meshes, &batches);
    EXPECT_TRUE(batches.passes[0].groups.empty());

    // The scene-level draw goes through the scene's camera, mesh table and batches.
    batches.Clear();
    Camera* saved = g_Scene.camera;
    g_Scene.camera = &all;
    g_SceneMeshTable = &meshes;
    g_SceneRenderBatches = &batches;
    tree.Draw();
    g_Scene.camera = saved;
    g_SceneMeshTable = nullptr;
    g_SceneRenderBatches = nullptr;
    EXPECT_EQ(batches.passes[0].groups[0].materials[0].meshes.size(), 14u);
}

TEST_F(BatchTest, RenderOctreeRangesPastTheTableAndBadFiles) {
    int32_t mat = AddMaterial(1);
    for (int i = 0; i < 4; ++i) AddMesh(0, 0, mat, uint32_t(i));
    std::vector<uint8_t> block = datakit::BuildRenderOctreeBlock(EightLeaves());
    {
        // Only ids 0..3 exist: the leaves naming more name nothing that draws.
        BinaryReader& f = Stream(block);
        RenderOctree tree;
        ASSERT_TRUE(tree.Read(f, 0));
        Camera all;
        all.Set(50, 0, 0, 0, 0, 0, 0.0f, 1.5f, 1.0f, 500.0f);
        all.Update();
        tree.Collect(all, meshes, &batches);
        EXPECT_EQ(batches.passes[0].groups[0].materials[0].meshes.size(), 4u);
    }
    for (size_t cut : {size_t(0), size_t(16), size_t(17), block.size() - 1}) {
        std::vector<uint8_t> part(block.begin(), block.begin() + long(cut));
        BinaryReader& f = Stream(part);
        RenderOctree tree;
        EXPECT_FALSE(tree.Read(f, 0)) << cut;
        EXPECT_EQ(tree.GetNodeCount(), 0u);
        EXPECT_EQ(tree.polygonCount, 0u);
    }
    std::vector<datakit::OctreeNodeDesc> nodes = EightLeaves();
    nodes[0].first = 5;   // children past the end
    std::vector<uint8_t> bad = datakit::BuildRenderOctreeBlock(nodes);
    RenderOctree tree;
    EXPECT_FALSE(tree.Read(Stream(bad), 0));
    tree.DrawDebug();   // nothing loaded: draws nothing
    EXPECT_TRUE(dev->CallsOf(gfx::CallKind::DrawPrimitiveUP).empty());
}
