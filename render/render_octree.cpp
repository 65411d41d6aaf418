#include "render/render_octree.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/binary_reader.h"
#include "render/mesh.h"
#include "render/render_batches.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/debug_log.h"

MeshTable* g_SceneMeshTable = nullptr;
RenderBatches* g_SceneRenderBatches = nullptr;

namespace {
constexpr size_t kHeaderSize = 17;
}

RenderOctree::~RenderOctree() { RenderOctree::Clear(); }

void RenderOctree::Clear() {
    Octree::Clear();
    polygonCount = 0;
}

bool RenderOctree::Read(BinaryReader& in, int32_t firstMeshId) {
    Clear();
    uint32_t count = 0;
    if (!ReadHeader(in) || !in.ReadU32(count) || !ReadNodes(in, count, firstMeshId)) {
        WriteDebugLog("Render octree: bad block\n");
        Clear();
        return false;
    }
    polygonCount = GetPolygonCount();
    return true;
}

bool RenderOctree::Load(FILE* file, int32_t firstMeshId, const PackEntryInfo* entry) {
    Clear();
    uint8_t head[kHeaderSize];
    if (!file || StreamBytesLeft(file, entry) < kHeaderSize || std::fread(head, 1, kHeaderSize, file) != kHeaderSize) {
        WriteDebugLog("Render octree: short header\n");
        return false;
    }
    BinaryReader h(head, kHeaderSize);
    uint32_t count = 0;
    h.Skip(13);
    h.ReadU32(count);
    const uint64_t bodySize = uint64_t(count) * OCTREE_NODE_RECORD_SIZE;
    if (bodySize > StreamBytesLeft(file, entry)) {
        WriteDebugLogF("Render octree: %u nodes do not fit in the file\n", count);
        return false;
    }
    std::vector<uint8_t> block(kHeaderSize + size_t(bodySize));
    std::copy(head, head + kHeaderSize, block.begin());
    if (bodySize && std::fread(block.data() + kHeaderSize, 1, size_t(bodySize), file) != size_t(bodySize)) return false;
    BinaryReader in(block.data(), block.size());
    return Read(in, firstMeshId);
}

void RenderOctree::Draw() {
    if (g_Video.device) {
        g_Video.SetLighting(false);
        g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    }
    if (g_Scene.camera && g_SceneMeshTable && g_SceneRenderBatches)
        Collect(*g_Scene.camera, *g_SceneMeshTable, g_SceneRenderBatches);
}

void RenderOctree::Collect(const Camera& camera, const MeshTable& meshes, RenderBatches* batches) const {
    if (nodes_.empty() || !batches) return;
    CollectVisible(0, camera, meshes, batches);
}

void RenderOctree::CollectVisible(int32_t i, const Camera& camera, const MeshTable& meshes,
                                  RenderBatches* batches) const {
    const OctreeNode& node = nodes_[size_t(i)];
    if (!camera.BoxVisible(node.Box())) return;
    if (node.leaf) {
        for (uint32_t k = 0; k < node.itemCount; ++k) {
            const int64_t id = int64_t(node.first) + k;
            if (id > INT32_MAX) break;
            if (Mesh* mesh = meshes.Get(int32_t(id))) batches->Add(mesh);
        }
        return;
    }
    for (int c = 0; c < 8; ++c) CollectVisible(node.first + c, camera, meshes, batches);
}
