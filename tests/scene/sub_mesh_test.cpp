// Model sub-meshes: records, copies and drawing with override materials.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/scene.h"
#include "scene/sub_mesh.h"
#include "support/buffer_block_writer.h"

using namespace gfx;

namespace {

// Reference counts and draws seen by the fake tables.
std::map<int32_t, int> g_materialRefs;
std::map<int32_t, int> g_bufferRefs;   // vertex buffers as +id, index buffers as -(id + 1)
std::map<int32_t, bool> g_finished;
std::map<int32_t, int> g_passes;
std::vector<std::pair<int32_t, int>> g_setMaterial;

const SubMeshServices kFakes = {
    [](int32_t id) { return g_finished[id]; },
    [](int32_t id) { return g_passes[id]; },
    [](int32_t id, int pass) {
        g_setMaterial.push_back({id, pass});
        return true;
    },
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

class SubMeshTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_materialRefs.clear();
        g_bufferRefs.clear();
        g_finished.clear();
        g_passes.clear();
        g_setMaterial.clear();
        SetSubMeshServices(&kFakes);
        g_PolygonsDrawn = 0;
        g_DrawCalls = 0;
    }
    void TearDown() override {
        g_Video.device = nullptr;
        if (rec) rec->Release();
        SetSubMeshServices(nullptr);
        g_PolygonsDrawn = 0;
        g_DrawCalls = 0;
    }
    const int32_t map[3] = {40, 41, 42};
    RecordingDevice* rec = nullptr;
};

}  // namespace

TEST_F(SubMeshTest, RefusesBadRecords) {
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
    auto f = testsupport::EntryOf(r);
    SubMesh shortOne;
    EXPECT_FALSE(shortOne.Load(f->Reader(), map, 3, 0, 0, 8));
}
