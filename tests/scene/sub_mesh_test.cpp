// Model sub-meshes: records, copies and drawing with override materials.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/scene.h"
#include "scene/sub_mesh.h"

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
    void MakeDevice() {
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 64), &rec), D3D_OK);
        g_Video.device = rec;
        ASSERT_EQ(rec->BeginScene(), D3D_OK);
    }

    const int32_t map[3] = {40, 41, 42};
    RecordingDevice* rec = nullptr;
};

}  // namespace

TEST_F(SubMeshTest, LoadsARecord) {
    std::vector<uint8_t> r = Record(2, {7, 3, 0, 0});
    ASSERT_EQ(r.size(), size_t(SUBMESH_RECORD_SIZE));
    FILE* f = std::tmpfile();
    std::fwrite(r.data(), 1, r.size(), f);
    std::rewind(f);
    SubMesh m;
    ASSERT_TRUE(m.Load(f, map, 3, 100, 200, 8));
    std::fclose(f);
    EXPECT_EQ(m.materialId, 41);
    EXPECT_EQ(m.kind, 9);
    EXPECT_EQ(m.indexBufferId, 102);
    EXPECT_EQ(m.vertexBufferId, 203);
    EXPECT_EQ(m.startIndex, 30u);
    EXPECT_EQ(m.primitiveCount, 4);
    EXPECT_EQ(m.minVertex, 5);
    EXPECT_EQ(m.maxVertex, 20);
    EXPECT_EQ(m.matrixCount, 2);
    EXPECT_EQ(m.boneIndices, (std::vector<uint8_t>{7, 3}));
    EXPECT_EQ(g_materialRefs[41], 1);
    EXPECT_EQ(g_bufferRefs[203], 1);
    EXPECT_EQ(g_bufferRefs[-103], 1);
    m.FreeBuffers();
    EXPECT_EQ(m.matrixCount, 0);
    EXPECT_TRUE(m.boneIndices.empty());
    EXPECT_EQ(g_materialRefs[41], 0);
    EXPECT_EQ(g_bufferRefs[203], 0);

    SubMesh noMap;
    ASSERT_TRUE(noMap.LoadRecord(r.data(), nullptr, 0, 0, 0, 8));
    EXPECT_EQ(noMap.materialId, -1);
}

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
    FILE* f = std::tmpfile();
    std::fwrite(r.data(), 1, 20, f);
    std::rewind(f);
    SubMesh shortOne;
    EXPECT_FALSE(shortOne.Load(f, map, 3, 0, 0, 8));
    std::fclose(f);
    EXPECT_FALSE(shortOne.Load(nullptr, map, 3, 0, 0, 8));
}

TEST_F(SubMeshTest, CopyDuplicatesAndReferences) {
    std::vector<uint8_t> r = Record(3, {1, 2, 3});
    SubMesh source;
    ASSERT_TRUE(source.LoadRecord(r.data(), map, 3, 0, 0, 4));
    source.triangleData.assign(12 * 4, 0xAB);
    source.overrideMaterialId = 77;
    {
        SubMesh copy;
        ASSERT_TRUE(copy.CopyFrom(&source));
        EXPECT_EQ(copy.boneIndices, source.boneIndices);
        EXPECT_NE(copy.boneIndices.data(), source.boneIndices.data());
        EXPECT_EQ(copy.triangleData.size(), 48u);
        EXPECT_EQ(copy.overrideMaterialId, 77);
        EXPECT_EQ(g_materialRefs[41], 2);
        EXPECT_EQ(g_materialRefs[77], 0);   // the override gains no reference
        EXPECT_EQ(g_bufferRefs[3], 2);
    }
    EXPECT_EQ(g_materialRefs[41], 1);
    EXPECT_EQ(g_bufferRefs[3], 1);
}

TEST_F(SubMeshTest, DrawWithOverride) {
    MakeDevice();
    std::vector<uint8_t> r = Record(1, {0});
    SubMesh m;
    ASSERT_TRUE(m.LoadRecord(r.data(), map, 3, 0, 0, 1));
    g_passes[41] = 2;
    g_passes[90] = 1;

    // The recording device would refuse draws without buffers; let them through.
    rec->FailNext(CallKind::DrawIndexedPrimitive, D3D_OK, 10);
    m.overrideMaterialId = 90;
    g_materialRefs[90] = 1;
    ASSERT_TRUE(m.DrawWithOverride());
    EXPECT_EQ(g_setMaterial, (std::vector<std::pair<int32_t, int>>{{90, 0}}));
    EXPECT_EQ(m.overrideMaterialId, 90);

    // A finished override is dropped and the same draw uses the own material.
    g_setMaterial.clear();
    g_finished[90] = true;
    ASSERT_TRUE(m.DrawWithOverride());
    EXPECT_EQ(m.overrideMaterialId, -1);
    EXPECT_EQ(g_materialRefs[90], 0);
    EXPECT_EQ(g_setMaterial, (std::vector<std::pair<int32_t, int>>{{41, 0}, {41, 1}}));
    EXPECT_EQ(g_DrawCalls, 3u);
    EXPECT_EQ(g_PolygonsDrawn, 12u);
    std::vector<Call> draws = rec->CallsOf(CallKind::DrawIndexedPrimitive);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].args[0], uint32_t(D3DPT_TRIANGLELIST));
    EXPECT_EQ(draws[0].args[1], 5u);
    EXPECT_EQ(draws[0].args[2], 16u);
    EXPECT_EQ(draws[0].args[3], 30u);
    EXPECT_EQ(draws[0].args[4], 4u);

    // A material without passes draws nothing and succeeds.
    g_passes[41] = 0;
    EXPECT_TRUE(m.DrawWithOverride());
    EXPECT_EQ(rec->CountCalls(CallKind::DrawIndexedPrimitive), 3u);

    // A failed draw stops at once.
    g_passes[41] = 2;
    rec->ClearFailures();
    rec->FailNext(CallKind::DrawIndexedPrimitive, D3DERR_INVALIDCALL);
    g_setMaterial.clear();
    EXPECT_FALSE(m.DrawWithOverride());
    EXPECT_EQ(g_setMaterial.size(), 1u);
    EXPECT_EQ(g_DrawCalls, 3u);
}
