#include "scene/sub_mesh.h"

#include <cstring>

#include "common/binary_reader.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/scene.h"
#include "core/debug_log.h"

namespace {

// The scene's material and buffer tables, whichever scene owns them at the time of the call.
bool SceneFinished(int32_t id) {
    const Material* m = g_Scene.materials ? g_Scene.materials->Get(id) : nullptr;
    return m && m->IsFinished();
}
int ScenePasses(int32_t id) {
    const Material* m = g_Scene.materials ? g_Scene.materials->Get(id) : nullptr;
    return m ? int(m->passCount) : 0;
}
bool SceneSetMaterial(int32_t id, int pass) { return g_Scene.materials && g_Scene.materials->SetMaterial(id, pass); }
void SceneMaterialRef(int32_t id) {
    if (g_Scene.materials && id >= 0) g_Scene.materials->AddRef(id);
}
void SceneMaterialRelease(int32_t id) {
    if (g_Scene.materials && id >= 0) g_Scene.materials->Release(id);
}
// Run-time overrides sit on the material-reference list, which deletes them at its next update:
// deleting one here would leave its node naming a slot the next material made takes.
void SceneOverrideRelease(int32_t id) {
    if (Material* m = g_Scene.materials ? g_Scene.materials->Get(id) : nullptr) --m->refCount;
}
void SceneBufferRefs(int32_t vertexBuffer, int32_t indexBuffer) {
    if (g_SceneVertexBuffers) g_SceneVertexBuffers->AddRef(vertexBuffer);
    if (g_SceneIndexBuffers) g_SceneIndexBuffers->AddRef(indexBuffer);
}
void SceneBufferRelease(int32_t vertexBuffer, int32_t indexBuffer) {
    if (g_SceneVertexBuffers) g_SceneVertexBuffers->Release(vertexBuffer);
    if (g_SceneIndexBuffers) g_SceneIndexBuffers->Release(indexBuffer);
}
bool SceneSelect(int32_t vertexBuffer, int32_t indexBuffer) {
    const bool v = g_SceneVertexBuffers && g_SceneVertexBuffers->Select(vertexBuffer);
    const bool i = g_SceneIndexBuffers && g_SceneIndexBuffers->Select(indexBuffer);
    return v && i;
}

const SubMeshServices kSceneServices = {SceneFinished,        ScenePasses,          SceneSetMaterial,
                                        SceneMaterialRef,     SceneMaterialRelease, SceneOverrideRelease,
                                        SceneBufferRefs,      SceneBufferRelease,   SceneSelect};
SubMeshServices g_services = kSceneServices;

uint32_t U32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t U16At(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

void SetSubMeshServices(const SubMeshServices* services) { g_services = services ? *services : kSceneServices; }

SubMesh::SubMesh()
    : materialId(-1), overrideMaterialId(-1), kind(0), indexBufferId(-1), vertexBufferId(0), startIndex(0),
      primitiveCount(0), minVertex(0), maxVertex(0), matrixCount(0), referenced_(false) {}

SubMesh::~SubMesh() { SubMesh::FreeBuffers(); }

void SubMesh::FreeBuffers() {
    if (referenced_) {
        g_services.releaseMaterial(materialId);
        g_services.releaseBuffers(vertexBufferId, indexBufferId);
        referenced_ = false;
    }
    if (overrideMaterialId >= 0) g_services.releaseOverride(overrideMaterialId);
    overrideMaterialId = -1;
    triangleData.clear();
    boneIndices.clear();
    matrixCount = 0;
}

bool SubMesh::Load(BinaryReader& in, const int32_t* materialMap, uint32_t materialCount, uint32_t firstIndexBuffer,
                   uint32_t firstVertexBuffer, uint32_t boneCount) {
    const uint8_t* record = in.Span(SUBMESH_RECORD_SIZE);
    if (!record) {
        WriteDebugLog("Sub-mesh refused: short record");
        return false;
    }
    return LoadRecord(record, materialMap, materialCount, firstIndexBuffer, firstVertexBuffer, boneCount);
}

bool SubMesh::LoadRecord(const uint8_t* r, const int32_t* materialMap, uint32_t materialCount,
                         uint32_t firstIndexBuffer, uint32_t firstVertexBuffer, uint32_t boneCount) {
    FreeBuffers();
    const uint32_t material = U32At(r);
    const uint8_t count = r[23];
    if (count == 0 || count > SUBMESH_MAX_MATRICES) {
        WriteDebugLogF("Sub-mesh refused: %u blend matrices", unsigned(count));
        return false;
    }
    for (int j = 0; j < count; ++j) {
        if (r[24 + j] >= boneCount) {
            WriteDebugLogF("Sub-mesh refused: bone %u outside the skeleton", unsigned(r[24 + j]));
            return false;
        }
    }
    if (materialMap && material >= materialCount) {
        WriteDebugLogF("Sub-mesh refused: material %u outside the list", material);
        return false;
    }
    materialId = materialMap ? materialMap[material] : -1;
    kind = r[4];
    indexBufferId = int32_t(U32At(r + 5) + firstIndexBuffer);
    vertexBufferId = int32_t(U32At(r + 9) + firstVertexBuffer);
    startIndex = U32At(r + 13);
    primitiveCount = U16At(r + 17);
    minVertex = U16At(r + 19);
    maxVertex = U16At(r + 21);
    matrixCount = count;
    boneIndices.assign(r + 24, r + 24 + count);
    g_services.addMaterialRef(materialId);
    g_services.addBufferRefs(vertexBufferId & 0xFFFF, indexBufferId & 0xFFFF);
    referenced_ = true;
    return true;
}

bool SubMesh::CopyFrom(const SubMesh* source) {
    if (!source || source == this) return false;
    FreeBuffers();
    materialId = source->materialId;
    overrideMaterialId = source->overrideMaterialId;
    kind = source->kind;
    indexBufferId = source->indexBufferId;
    vertexBufferId = source->vertexBufferId;
    startIndex = source->startIndex;
    primitiveCount = source->primitiveCount;
    triangleData = source->triangleData;
    minVertex = source->minVertex;
    maxVertex = source->maxVertex;
    boneIndices = source->boneIndices;
    matrixCount = source->matrixCount;
    g_services.addMaterialRef(materialId);
    if (overrideMaterialId >= 0) g_services.addMaterialRef(overrideMaterialId);
    g_services.addBufferRefs(vertexBufferId & 0xFFFF, indexBufferId & 0xFFFF);
    referenced_ = true;
    return true;
}

void SubMesh::SetOverrideMaterial(int32_t id) {
    // Taken before the old one goes, so the same material set again never drops to no reference.
    if (id >= 0) g_services.addMaterialRef(id);
    if (overrideMaterialId >= 0) g_services.releaseOverride(overrideMaterialId);
    overrideMaterialId = id;
}

bool SubMesh::DrawWithOverride() {
    g_services.selectBuffers(vertexBufferId & 0xFFFF, indexBufferId & 0xFFFF);
    int32_t material = materialId;
    if (overrideMaterialId >= 0) {
        if (g_services.materialFinished(overrideMaterialId)) {
            g_services.releaseOverride(overrideMaterialId);
            overrideMaterialId = -1;
        } else {
            material = overrideMaterialId;
        }
    }
    const int passes = g_services.materialPasses(material);
    gfx::Device* device = g_Video.GetDevice();
    for (int p = 0; p < passes; ++p) {
        g_services.setMaterial(material, p);
        if (!device) return false;
        gfx::Result r = device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, minVertex,
                                                     uint32_t(maxVertex) - minVertex + 1, startIndex, primitiveCount);
        if (r != gfx::D3D_OK) return false;
        g_PolygonsDrawn += primitiveCount;
        g_DrawCalls += 1;
    }
    return true;
}
