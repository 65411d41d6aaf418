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
#include "support/y3d_octree_builder.h"
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

TEST_F(BatchTest, SharedBuffersAndMaterialBindOnce) {
    int32_t mat = AddMaterial(1);
    batches.Add(AddMesh(0, 0, mat, 0));
    batches.Add(AddMesh(0, 0, mat, 6));
    ASSERT_EQ(batches.passes[0].groups.size(), 1u);
    ASSERT_EQ(batches.passes[0].groups[0].materials.size(), 1u);
    EXPECT_EQ(batches.passes[0].groups[0].materials[0].meshes.size(), 2u);
    EXPECT_TRUE(batches.passes[1].groups.empty());
    EXPECT_EQ(g_DrawCalls, 2u);

    batches.Draw();
    EXPECT_EQ(dev->CallsOf(gfx::CallKind::SetStreamSource).size(), 1u);
    EXPECT_EQ(dev->CallsOf(gfx::CallKind::SetIndices).size(), 1u);
    EXPECT_EQ(g_applied, (std::vector<std::pair<int32_t, int>>{{mat, 0}}));
    EXPECT_EQ(DrawnStarts(), (std::vector<uint32_t>{0, 6}));
    EXPECT_EQ(g_PolygonsDrawn, 4u);
}

TEST_F(BatchTest, GroupsByBuffersThenMaterialInOrderAdded) {
    int32_t m0 = AddMaterial(1), m1 = AddMaterial(1);
    batches.Add(AddMesh(0, 0, m0, 0));    // A
    batches.Add(AddMesh(1, 0, m0, 10));   // B: other vertex buffer
    batches.Add(AddMesh(0, 0, m1, 20));   // C: other material
    batches.Add(AddMesh(0, 0, m0, 30));   // D: joins A
    batches.Add(AddMesh(0, 1, m0, 40));   // E: other index buffer
    const auto& groups = batches.passes[0].groups;
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].vertexBufferId, 0);
    EXPECT_EQ(groups[0].indexBufferId, 0);
    EXPECT_EQ(groups[1].vertexBufferId, 1);
    EXPECT_EQ(groups[2].indexBufferId, 1);
    ASSERT_EQ(groups[0].materials.size(), 2u);
    EXPECT_EQ(groups[0].materials[0].materialId, m0);
    EXPECT_EQ(groups[0].materials[1].materialId, m1);

    batches.Draw();
    EXPECT_EQ(DrawnStarts(), (std::vector<uint32_t>{0, 30, 20, 10, 40}));
    // The material table skips setting the material it has just set.
    EXPECT_EQ(g_applied, (std::vector<std::pair<int32_t, int>>{{m0, 0}, {m1, 0}, {m0, 0}}));
    // Each draw follows the buffers of its group.
    auto streams = dev->CallsOf(gfx::CallKind::SetStreamSource);
    ASSERT_EQ(streams.size(), 3u);   // 0, 1, 0 again
    EXPECT_EQ(dev->CallsOf(gfx::CallKind::SetIndices).size(), 2u);   // 0, then 1 (the cache keeps 0 for group 1)
}

TEST_F(BatchTest, LaterPassesDrawWithoutDepthWrites) {
    int32_t two = AddMaterial(2);
    batches.Add(AddMesh(0, 0, two, 0));
    EXPECT_EQ(batches.passes[0].groups.size(), 1u);
    EXPECT_EQ(batches.passes[1].groups.size(), 1u);
    EXPECT_TRUE(batches.passes[2].groups.empty());
    EXPECT_EQ(g_DrawCalls, 2u);

    batches.Draw();
    EXPECT_EQ(g_applied, (std::vector<std::pair<int32_t, int>>{{two, 0}, {two, 1}}));
    EXPECT_EQ(DrawnStarts().size(), 2u);
    // Off before lists 1, 2 and 3, on at the end.
    EXPECT_EQ(dev->RenderStateSends(gfx::D3DRS_ZWRITEENABLE), (std::vector<uint32_t>{0, 0, 0, 1}));
    // The pass-1 draw ran with depth writes off.
    const auto& draws = dev->Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].states->renderStates[gfx::D3DRS_ZWRITEENABLE], 0u);
}

TEST_F(BatchTest, PassesPastTheFourthAreIgnored) {
    int32_t many = AddMaterial(MATERIAL_MAX_PASSES);
    batches.Add(AddMesh(0, 0, many, 0));
    for (int p = 0; p < RENDER_BATCH_PASSES; ++p) EXPECT_EQ(batches.passes[p].groups.size(), 1u) << p;
    EXPECT_EQ(g_DrawCalls, uint32_t(RENDER_BATCH_PASSES));
    batches.Draw();
    ASSERT_EQ(g_applied.size(), size_t(RENDER_BATCH_PASSES));
    EXPECT_EQ(g_applied.back().second, RENDER_BATCH_PASSES - 1);
}

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

TEST_F(BatchTest, ClearEmptiesEveryList) {
    int32_t two = AddMaterial(2);
    batches.Add(AddMesh(0, 0, two, 0));
    batches.Clear();
    for (const BatchPassList& list : batches.passes) {
        EXPECT_TRUE(list.groups.empty());
        EXPECT_EQ(list.groups.capacity(), 0u);
    }
    batches.Draw();
    EXPECT_TRUE(DrawnStarts().empty());
    batches.Add(meshes.Get(0));
    EXPECT_EQ(batches.passes[1].groups.size(), 1u);
}

// ---- render octree ----

namespace {

const int32_t kCorner[3] = {-8, -8, -8};

// Leaf k of the eight-leaf grid (nodes 1..8) names meshes first + 2(k - 1) and the one after,
// except leaf 6, which names none.
std::vector<testsupport::OctreeNodeDesc> EightLeaves() {
    std::vector<testsupport::OctreeNodeDesc> nodes = testsupport::GridOctree(1, kCorner, 4);
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

    std::vector<uint8_t> block = testsupport::BuildRenderOctreeBlock(EightLeaves());
    FILE* f = Stream(block);
    RenderOctree tree;
    ASSERT_TRUE(tree.Load(f, 3));
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
    std::vector<uint8_t> block = testsupport::BuildRenderOctreeBlock(EightLeaves());
    {
        // Only ids 0..3 exist: the leaves naming more name nothing that draws.
        FILE* f = Stream(block);
        RenderOctree tree;
        ASSERT_TRUE(tree.Load(f, 0));
        Camera all;
        all.Set(50, 0, 0, 0, 0, 0, 0.0f, 1.5f, 1.0f, 500.0f);
        all.Update();
        tree.Collect(all, meshes, &batches);
        EXPECT_EQ(batches.passes[0].groups[0].materials[0].meshes.size(), 4u);
    }
    for (size_t cut : {size_t(0), size_t(16), size_t(17), block.size() - 1}) {
        std::vector<uint8_t> part(block.begin(), block.begin() + long(cut));
        FILE* f = Stream(part);
        RenderOctree tree;
        EXPECT_FALSE(tree.Load(f, 0)) << cut;
        EXPECT_EQ(tree.GetNodeCount(), 0u);
        EXPECT_EQ(tree.polygonCount, 0u);
    }
    std::vector<testsupport::OctreeNodeDesc> nodes = EightLeaves();
    nodes[0].first = 5;   // children past the end
    std::vector<uint8_t> bad = testsupport::BuildRenderOctreeBlock(nodes);
    RenderOctree tree;
    EXPECT_FALSE(tree.Load(Stream(bad), 0));
    EXPECT_FALSE(tree.Load(nullptr, 0));
    tree.DrawDebug();   // nothing loaded: draws nothing
    EXPECT_TRUE(dev->CallsOf(gfx::CallKind::DrawPrimitiveUP).empty());
}

TEST_F(BatchTest, OctreeDebugDrawOutlinesVisibleNodes) {
    std::vector<uint8_t> block = testsupport::BuildRenderOctreeBlock(EightLeaves());
    RenderOctree tree;
    ASSERT_TRUE(tree.Load(Stream(block), 0));
    Camera all;
    all.Set(50, 0, 0, 0, 0, 0, 0.0f, 1.5f, 1.0f, 500.0f);
    all.Update();
    Camera* saved = g_Scene.camera;
    g_Scene.camera = &all;
    tree.DrawDebug();
    g_Scene.camera = saved;
    // Nine nodes, six faces each, a four-segment strip per face: the root and leaf 6 in
    // yellow first, then the seven leaves with items in red.
    auto strips = dev->CallsOf(gfx::CallKind::DrawPrimitiveUP);
    ASSERT_EQ(strips.size(), 54u);
    EXPECT_EQ(strips[0].args[0], uint32_t(gfx::D3DPT_LINESTRIP));
    EXPECT_EQ(strips[0].args[1], 4u);
    const auto& draws = dev->Draws();
    ASSERT_EQ(draws.size(), 54u);
    auto colourOf = [&](size_t i) {
        const std::vector<uint8_t>& v = draws[i].vertexData;
        return v.size() < 16 ? 0u : uint32_t(v[12] | v[13] << 8 | v[14] << 16 | uint32_t(v[15]) << 24);
    };
    EXPECT_EQ(colourOf(0), 0xFFFFFF00u);
    EXPECT_EQ(colourOf(11), 0xFFFFFF00u);
    EXPECT_EQ(colourOf(12), 0xFFFF0000u);
    EXPECT_EQ(colourOf(53), 0xFFFF0000u);
    EXPECT_EQ(draws[0].RenderState(gfx::D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(draws[0].RenderState(gfx::D3DRS_LIGHTING), 0u);
    // The states are put back afterwards.
    EXPECT_EQ(dev->CallsOf(gfx::CallKind::ApplyStateBlock).size(), 1u);
}
