// Mesh nodes loaded from damaged node records: refused, and the one reference held on each mesh
// already made is given back.
#include <gtest/gtest.h>

#include "render/mesh.h"
#include "scene/mesh_node.h"
#include "scene_element_records.h"

namespace scenetest {
namespace {

// Node header, 32-byte tail and a mesh record of two triangles per entry of meshes.
std::vector<uint8_t> NodeRecord(size_t meshes, std::optional<uint8_t> countOverride = std::nullopt) {
    datakit::Y3DMeshNode node;
    node.name = "Node";
    node.meshCount = countOverride;
    datakit::Y3DMesh m;
    m.triangleCount = 2;
    m.maxVertex = 2;
    m.centres = {{0, 0, 0}, {1, 0, 0}};
    node.meshes.assign(meshes, m);
    return node.BuildTail();
}

class MeshNodeTest : public fxtest::FxDeviceTest {
protected:
    bool LoadInto(MeshNode* node, const std::vector<uint8_t>& bytes) {
        auto f = datakit::EntryOf(bytes);
        return node->Load(f->Reader(), {}, 0, 0);
    }
};

TEST_F(MeshNodeTest, ShortRecordsFailWithoutCrashing) {
    const std::vector<uint8_t> full = NodeRecord(2);
    // Inside the header, inside the tail, inside the second mesh record, and a count that
    // promises more meshes than the record holds.
    const size_t cuts[] = {100, SCENE_NODE_HEADER_SIZE + 10, full.size() - 10};
    for (size_t cut : cuts) {
        MeshNode node;
        EXPECT_FALSE(LoadInto(&node, std::vector<uint8_t>(full.begin(), full.begin() + long(cut)))) << cut;
        EXPECT_LE(node.meshCount, 1) << cut;
    }
    MeshNode node;
    EXPECT_FALSE(LoadInto(&node, NodeRecord(1, uint8_t(3))));
    EXPECT_EQ(node.meshCount, 1);
    const int32_t kept = node.meshIds[0];
    ASSERT_NE(g_Scene.meshes->Get(kept), nullptr);
    EXPECT_EQ(g_Scene.meshes->Get(kept)->refCount, 1);
    node.Release();
    EXPECT_EQ(g_Scene.meshes->Get(kept), nullptr);
}

}  // namespace
}  // namespace scenetest
