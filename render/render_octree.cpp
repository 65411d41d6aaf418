#include "render/render_octree.h"

#include <cstdint>

#include "common/binary_reader.h"
#include "render/mesh.h"
#include "render/render_batches.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/debug_log.h"

MeshTable* g_SceneMeshTable = nullptr;
RenderBatches* g_SceneRenderBatches = nullptr;

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
