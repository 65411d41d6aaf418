#include "render/render_batches.h"

#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_queue.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/scene.h"

namespace {

// Arrays grow in steps rather than one element at a time.
template <typename T>
void GrowBy(std::vector<T>& v, size_t step) {
    if (v.size() == v.capacity()) v.reserve(v.capacity() + step);
}

}  // namespace

void RenderBatches::Add(Mesh* mesh) {
    if (!mesh || !g_Scene.materials) return;
    const Material* material = g_Scene.materials->Get(mesh->materialId);
    if (!material || material->passCount == 0) return;
    if (material->passes[0].blendPreset != 0) {
        if (queue)
            for (uint32_t i = 0; i < mesh->triangleCount; ++i) queue->AddMeshFace(mesh, i, 1);
        return;
    }
    uint32_t passCount = material->passCount;
    if (passCount > RENDER_BATCH_PASSES) passCount = RENDER_BATCH_PASSES;
    for (uint32_t p = 0; p < passCount; ++p) {
        BatchPassList& list = passes[p];
        BatchBufferGroup* group = nullptr;
        for (BatchBufferGroup& g : list.groups)
            if (g.vertexBufferId == mesh->vertexBufferId && g.indexBufferId == mesh->indexBufferId) {
                group = &g;
                break;
            }
        if (!group) {
            GrowBy(list.groups, 10);
            list.groups.push_back({mesh->vertexBufferId, mesh->indexBufferId, {}});
            group = &list.groups.back();
        }
        BatchMaterialGroup* byMaterial = nullptr;
        for (BatchMaterialGroup& m : group->materials)
            if (m.materialId == mesh->materialId) {
                byMaterial = &m;
                break;
            }
        if (!byMaterial) {
            GrowBy(group->materials, 20);
            group->materials.push_back({mesh->materialId, {}});
            byMaterial = &group->materials.back();
        }
        GrowBy(byMaterial->meshes, 50);
        byMaterial->meshes.push_back(mesh);
        g_DrawCalls += 1;
    }
}

void RenderBatches::Draw() {
    if (!g_Video.device) return;
    g_Video.SetClipping(true);
    for (int p = 0; p < RENDER_BATCH_PASSES; ++p) {
        if (p > 0) g_Video.SetZWrite(false);
        for (BatchBufferGroup& group : passes[p].groups) {
            if (g_SceneVertexBuffers) g_SceneVertexBuffers->Select(group.vertexBufferId);
            if (g_SceneIndexBuffers) g_SceneIndexBuffers->Select(group.indexBufferId);
            for (BatchMaterialGroup& m : group.materials) {
                if (g_Scene.materials) g_Scene.materials->SetMaterial(m.materialId, p);
                for (Mesh* mesh : m.meshes) mesh->Draw();
            }
        }
    }
    g_Video.SetZWrite(true);
}

void RenderBatches::Clear() {
    for (BatchPassList& list : passes) {
        list.groups.clear();
        list.groups.shrink_to_fit();
    }
}
