// Model sub-meshes: records that name what the model does not have, and the references they hold
// on run-time override materials.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "render/material.h"
#include "scene/scene.h"
#include "scene/sub_mesh.h"
#include "datakit/buffer_block_writer.h"

namespace {

// Reference counts taken by the fake tables.
std::map<int32_t, int> g_materialRefs;
std::map<int32_t, int> g_bufferRefs;   // vertex buffers as +id, index buffers as -(id + 1)

const SubMeshServices kFakes = {
    [](int32_t) { return false; },
    [](int32_t) { return 0; },
    [](int32_t, int) { return true; },
    [](int32_t id) { ++g_materialRefs[id]; },
    [](int32_t id) { --g_materialRefs[id]; },
    [](int32_t id) { --g_materialRefs[id]; },
    [](int32_t vb, int32_t ib) {
        ++g_bufferRefs[vb];
        ++g_bufferRefs[-(ib + 1)];
    },
    [](int32_t vb, int32_t ib) {
        --g_bufferRefs[vb];
        --g_bufferRefs[-(ib + 1)];
    },
    [](int32_t, int32_t) { return true; },
};

// material 1, kind 9, index buffer 2, vertex buffer 3, start 30, 4 triangles, vertices 5..20.
std::vector<uint8_t> Record(uint8_t matrices, std::vector<uint8_t> bones) {
    std::vector<uint8_t> r = {1, 0, 0, 0, 9, 2, 0, 0, 0, 3, 0, 0, 0, 30, 0, 0, 0, 4, 0, 5, 0, 20, 0, matrices};
    bones.resize(4, 0);
    r.insert(r.end(), bones.begin(), bones.end());
    return r;
}

}  // namespace

TEST(SubMeshTest, RefusesBadRecords) {
    g_materialRefs.clear();
    g_bufferRefs.clear();
    SetSubMeshServices(&kFakes);
    const int32_t map[3] = {40, 41, 42};
    struct Case {
        const char* what;
        std::vector<uint8_t> record;
        uint32_t boneCount;
        uint32_t materials;
    } cases[] = {
        {"five matrices", Record(5, {0, 0, 0, 0}), 8, 3},
        {"no matrix", Record(0, {}), 8, 3},
        {"bone past the skeleton", Record(2, {7, 8}), 8, 3},
        {"material past the list", Record(1, {0}), 8, 1},
    };
    for (const Case& c : cases) {
        SubMesh m;
        EXPECT_FALSE(m.LoadRecord(c.record.data(), map, c.materials, 0, 0, c.boneCount)) << c.what;
        EXPECT_EQ(m.matrixCount, 0) << c.what;
        EXPECT_TRUE(m.boneIndices.empty()) << c.what;
    }
    for (auto& [id, n] : g_materialRefs) EXPECT_EQ(n, 0) << id;
    for (auto& [id, n] : g_bufferRefs) EXPECT_EQ(n, 0) << id;

    std::vector<uint8_t> r = Record(1, {0});
    r.resize(20);
    auto f = datakit::EntryOf(r);
    SubMesh shortOne;
    EXPECT_FALSE(shortOne.Load(f->Reader(), map, 3, 0, 0, 8));
    SetSubMeshServices(nullptr);
}

TEST(SubMeshTest, AGoodRecordIsReadLittleEndianFieldByField) {
    g_materialRefs.clear();
    g_bufferRefs.clear();
    SetSubMeshServices(&kFakes);
    const int32_t map[3] = {40, 41, 42};
    // Material 2, kind 9, index buffer 258, vertex buffer 515, start 197121, 260 triangles over
    // vertices 261..513, two matrices on bones 7 and 3.
    const std::vector<uint8_t> r = {2,    0,    0,    0, 9,    0x02, 0x01, 0, 0, 0x03, 0x02, 0, 0, 0x01,
                                    0x02, 0x03, 0,    0x04, 0x01, 0x05, 0x01, 0x01, 0x02, 2, 7, 3, 0, 0};
    ASSERT_EQ(r.size(), 28u);
    auto f = datakit::EntryOf(r);
    SubMesh m;
    ASSERT_TRUE(m.Load(f->Reader(), map, 3, 5, 7, 8));
    EXPECT_EQ(m.materialId, 42);
    EXPECT_EQ(m.kind, 9);
    EXPECT_EQ(m.indexBufferId, 258 + 5);
    EXPECT_EQ(m.vertexBufferId, 515 + 7);
    EXPECT_EQ(m.startIndex, 197121u);
    EXPECT_EQ(m.primitiveCount, 260);
    EXPECT_EQ(m.minVertex, 261);
    EXPECT_EQ(m.maxVertex, 513);
    EXPECT_EQ(m.matrixCount, 2);
    EXPECT_EQ(m.boneIndices, (std::vector<uint8_t>{7, 3}));
    EXPECT_EQ(g_materialRefs[42], 1);
    EXPECT_EQ(g_bufferRefs[522], 1);
    EXPECT_EQ(g_bufferRefs[-(263 + 1)], 1);
    m.FreeBuffers();
    SetSubMeshServices(nullptr);
}

namespace {

// A one-pass material whose end the test decides.
class EndingMaterial : public Material {
public:
    EndingMaterial() { passCount = 1; }
    bool finished = false;
    bool IsFinished() const override { return finished; }
};

// The scene's own services over a material table and reference list of the test's.
class SubMeshOverrideTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSubMeshServices(nullptr);
        saved_ = g_Scene.materials;
        g_Scene.materials = &table;
    }
    void TearDown() override {
        list.Free();
        table.Free();
        g_Scene.materials = saved_;
    }
    // The material the sub-mesh's draw set, with no device to draw on.
    int32_t Drawn(SubMesh& s) {
        table.ResetCache();
        s.DrawWithOverride();
        return table.lastId;
    }
    MaterialTable table;
    MaterialRefList list;

private:
    MaterialTable* saved_ = nullptr;
};

TEST_F(SubMeshOverrideTest, AReplacedOrFinishedOverrideWaitsForTheListsUpdate) {
    // The first override in the table's first slot.
    auto* first = new EndingMaterial();
    const int32_t firstId = list.Add(first, 2);
    ASSERT_EQ(firstId, 0);
    SubMesh s;
    const int32_t own = table.Add(new EndingMaterial());
    s.materialId = own;
    s.SetOverrideMaterial(firstId);
    EXPECT_EQ(Drawn(s), firstId);
    const int32_t secondId = list.Add(new EndingMaterial(), 2);
    s.SetOverrideMaterial(secondId);
    ASSERT_EQ(table.Get(firstId), first);
    EXPECT_EQ(first->refCount, 0);
    EXPECT_EQ(Drawn(s), secondId);

    // Finished: the draw already uses the own material and leaves the override to the list.
    auto* second = static_cast<EndingMaterial*>(table.Get(secondId));
    second->finished = true;
    EXPECT_EQ(Drawn(s), own);
    EXPECT_EQ(s.overrideMaterialId, -1);
    ASSERT_EQ(table.Get(secondId), second);
    EXPECT_EQ(second->refCount, 0);
    const int32_t next = list.Add(new EndingMaterial(), 2);
    EXPECT_NE(next, firstId);
    EXPECT_NE(next, secondId);
    s.SetOverrideMaterial(next);
    list.Update(10);
    EXPECT_EQ(table.Get(firstId), nullptr);
    EXPECT_EQ(table.Get(secondId), nullptr);
    EXPECT_EQ(list.count, 1u);
    EXPECT_NE(list.Find(next), nullptr);
}

// Each sub-mesh naming an override holds a reference to it, a copy as well, and gives it back
// when it is freed: the list frees the override only once the last of them is gone.
TEST_F(SubMeshOverrideTest, CopiesHoldTheOverrideAndFreeingGivesItBack) {
    const int32_t id = list.Add(new EndingMaterial(), 2);
    ASSERT_EQ(id, 0);
    auto* s = new SubMesh();
    s->materialId = table.Add(new EndingMaterial());
    s->SetOverrideMaterial(id);
    SubMesh copy;
    ASSERT_TRUE(copy.CopyFrom(s));
    EXPECT_EQ(copy.overrideMaterialId, id);
    EXPECT_EQ(table.Get(id)->refCount, 2);
    delete s;
    list.Update(10);
    ASSERT_NE(table.Get(id), nullptr);
    EXPECT_EQ(table.Get(id)->refCount, 1);
    copy.FreeBuffers();
    EXPECT_EQ(copy.overrideMaterialId, -1);
    ASSERT_NE(table.Get(id), nullptr);
    list.Update(10);
    EXPECT_EQ(table.Get(id), nullptr);
    EXPECT_EQ(list.count, 0u);
}

}  // namespace
