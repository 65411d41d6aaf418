// Model sub-meshes: records that name what the model does not have.
#include <gtest/gtest.h>

#include <map>
#include <vector>

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
