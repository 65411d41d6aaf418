#include "render/mesh.h"

#include <cstring>
#include <limits>

#include "common/binary_reader.h"
#include "platform/gfx/types.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/animation.h"
#include "scene/collision_mesh.h"
#include "scene/scene.h"
#include "core/debug_log.h"


IndexBufferTable* g_SceneIndexBuffers = nullptr;

namespace {

void DeleteCollisionMesh(CollisionMesh* mesh) { delete mesh; }

// A file index added to the file's first id; -1 when either is unusable.
int32_t OffsetId(int32_t first, uint32_t index) {
    if (first < 0) return -1;
    int64_t id = int64_t(first) + index;
    return id > std::numeric_limits<int32_t>::max() ? -1 : int32_t(id);
}

bool SelectBuffers(int32_t vertexBuffer, int32_t indexBuffer) {
    if (!g_SceneVertexBuffers || !g_SceneIndexBuffers) return false;
    return g_SceneVertexBuffers->Select(vertexBuffer) && g_SceneIndexBuffers->Select(indexBuffer);
}

struct OutlineVertex {
    float x, y, z;
    uint32_t colour;
};

}  // namespace

Mesh::Mesh()
    : materialId(-1), overrideMaterialId(-1), headerByte(0), indexBufferId(-1), vertexBufferId(-1), startIndex(0),
      triangleCount(0), centres(nullptr), minVertex(0), maxVertex(0), refCount(0), flags(0), collision(nullptr) {}

Mesh::~Mesh() { FreeBuffers(); }

void Mesh::FreeBuffers() {
    if (vertexBufferId >= 0 && g_SceneVertexBuffers) g_SceneVertexBuffers->Release(vertexBufferId);
    if (indexBufferId >= 0 && g_SceneIndexBuffers) g_SceneIndexBuffers->Release(indexBufferId);
    if (materialId >= 0 && g_Scene.materials) g_Scene.materials->Release(materialId);
    // The override's reference goes back too, on its count alone: the material-reference list
    // deletes it.
    if (overrideMaterialId >= 0 && g_Scene.materials) {
        if (Material* o = g_Scene.materials->Get(overrideMaterialId)) --o->refCount;
    }
    vertexBufferId = indexBufferId = materialId = overrideMaterialId = -1;
    startIndex = 0;
    triangleCount = 0;
    minVertex = maxVertex = 0;
    refCount = 0;
    flags = 0;
    delete[] centres;
    centres = nullptr;
    if (collision) DeleteCollisionMesh(collision);
    collision = nullptr;
}

void Mesh::SetOverrideMaterial(int32_t id) {
    MaterialTable* table = g_Scene.materials;
    if (Material* m = table ? table->Get(id) : nullptr) ++m->refCount;
    // The replaced override goes on its count alone: deleted here, it would leave its node on the
    // material-reference list naming a slot the next material made takes.
    if (Material* old = table && overrideMaterialId >= 0 ? table->Get(overrideMaterialId) : nullptr) --old->refCount;
    overrideMaterialId = id;
}

bool Mesh::Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t firstIndexBuffer,
                int32_t firstVertexBuffer) {
    const uint8_t* head = in.Span(MESH_RECORD_SIZE);
    if (!head) {
        WriteDebugLog("Mesh::Load: registro de malla truncado");
        return false;
    }
    BinaryReader r(head, MESH_RECORD_SIZE);
    uint32_t material = 0, ib = 0, vb = 0;
    r.ReadU32(material);
    r.ReadU8(headerByte);
    r.ReadU32(ib);
    r.ReadU32(vb);
    r.ReadU32(startIndex);
    r.ReadU16(triangleCount);
    r.ReadU16(minVertex);
    r.ReadU16(maxVertex);
    r.ReadU16(flags);
    materialId = MaterialIdFromFile(materialIds, material);
    indexBufferId = OffsetId(firstIndexBuffer, ib);
    vertexBufferId = OffsetId(firstVertexBuffer, vb);

    bool ok = true;
    const uint64_t centreBytes = uint64_t(triangleCount) * 12;
    if (centreBytes > in.Remaining()) {
        WriteDebugLogF("Mesh::Load: %u centros de triangulo no caben en el fichero", unsigned(triangleCount));
        ok = false;
    } else {
        const Material* m = g_Scene.materials ? g_Scene.materials->Get(materialId) : nullptr;
        if (m && m->passCount > 0 && m->passes[0].blendPreset != 0 && triangleCount > 0) {
            centres = new float[size_t(triangleCount) * 3];
            for (size_t i = 0; i < size_t(triangleCount) * 3; ++i) in.ReadF32(centres[i]);
        } else {
            in.Skip(size_t(centreBytes));
        }
    }
    if (ok && (flags & MESH_FLAG_COLLISION)) {
        collision = new CollisionMesh();
        if (!collision->Read(in, g_Y3DVersion)) {
            DeleteCollisionMesh(collision);
            collision = nullptr;
            WriteDebugLog("Mesh::Load: malla de colision ilegible");
            ok = false;
        }
    }
    // Ids that name nothing are dropped, so freeing the mesh cannot release another's slot.
    if (vertexBufferId >= 0 && (!g_SceneVertexBuffers || g_SceneVertexBuffers->AddRef(vertexBufferId) < 0))
        vertexBufferId = -1;
    if (indexBufferId >= 0 && (!g_SceneIndexBuffers || g_SceneIndexBuffers->AddRef(indexBufferId) < 0))
        indexBufferId = -1;
    if (materialId >= 0 && (!g_Scene.materials || g_Scene.materials->AddRef(materialId) < 0)) materialId = -1;
    return ok;
}

bool Mesh::DrawWithOverride() {
    MaterialTable* table = g_Scene.materials;
    int32_t use = materialId;
    if (overrideMaterialId >= 0) {
        Material* o = table ? table->Get(overrideMaterialId) : nullptr;
        if (!o || o->IsFinished()) {
            if (o) --o->refCount;
            overrideMaterialId = -1;
        } else {
            use = overrideMaterialId;
        }
    }
    if (!SelectBuffers(vertexBufferId, indexBufferId)) return false;
    const Material* m = table ? table->Get(use) : nullptr;
    if (!m || m->passCount == 0) return true;
    for (uint32_t i = 0; i < m->passCount; ++i) {
        table->SetMaterial(use, int(i));
        if (gfx::Failed(g_Video.device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, minVertex, uint32_t(maxVertex - minVertex) + 1,
                                                        startIndex, triangleCount)))
            return false;
        g_PolygonsDrawn += triangleCount;
        ++g_DrawCalls;
    }
    return true;
}

bool Mesh::DrawOffset(uint32_t first, uint32_t count) {
    // A range past the mesh's own triangles would draw a neighbour's, or read past the buffer.
    if (!g_Video.device || uint64_t(first) + count > triangleCount || maxVertex < minVertex) return false;
    const uint64_t start = uint64_t(startIndex) + 3ull * first;
    const ::IndexBuffer* ib = g_SceneIndexBuffers ? g_SceneIndexBuffers->Get(indexBufferId) : nullptr;
    if (!ib || start + 3ull * count > ib->indexCount) return false;
    if (count == 0) return true;
    MaterialTable* table = g_Scene.materials;
    if (!SelectBuffers(vertexBufferId, indexBufferId)) return false;
    const Material* m = table ? table->Get(materialId) : nullptr;
    if (!m || m->passCount == 0) return true;
    for (uint32_t i = 0; i < m->passCount; ++i) {
        table->SetMaterial(materialId, int(i));
        if (gfx::Failed(g_Video.device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, minVertex, uint32_t(maxVertex - minVertex) + 1,
                                                        uint32_t(start), count)))
            return false;
        g_PolygonsDrawn += count;
        ++g_DrawCalls;
    }
    return true;
}

bool Mesh::Draw() {
    if (!g_Video.device) return false;
    if (gfx::Failed(g_Video.device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, minVertex, uint32_t(maxVertex - minVertex) + 1,
                                                    startIndex, triangleCount)))
        return false;
    g_PolygonsDrawn += triangleCount;
    return true;
}

void Mesh::DrawTriangleOutline(uint32_t triangle, uint32_t colour) {
    gfx::Device* dev = g_Video.device;
    ::VertexBuffer* vb = g_SceneVertexBuffers ? g_SceneVertexBuffers->Get(vertexBufferId) : nullptr;
    ::IndexBuffer* ib = g_SceneIndexBuffers ? g_SceneIndexBuffers->Get(indexBufferId) : nullptr;
    if (!dev || !vb || !ib || !vb->buffer || !ib->buffer || triangle >= triangleCount || maxVertex < minVertex) return;
    // The locks are kept inside the buffers: a record that points past them draws nothing.
    const uint64_t firstIndex = uint64_t(startIndex) + 3ull * triangle;
    if (firstIndex + 3 > ib->indexCount || uint32_t(maxVertex) >= vb->vertexCount || vb->stride < 12) return;
    uint8_t* indexData = nullptr;
    if (gfx::Failed(ib->buffer->Lock(uint32_t(firstIndex * 2), 6, &indexData, gfx::D3DLOCK_READONLY)) || !indexData) return;
    uint16_t idx[3];
    for (int k = 0; k < 3; ++k) idx[k] = uint16_t(indexData[k * 2] | (indexData[k * 2 + 1] << 8));
    ib->buffer->Unlock();
    const uint32_t span = uint32_t(maxVertex - minVertex) + 1;
    uint8_t* vertexData = nullptr;
    if (gfx::Failed(vb->buffer->Lock(uint32_t(minVertex) * vb->stride, span * vb->stride, &vertexData, gfx::D3DLOCK_READONLY)) ||
        !vertexData)
        return;
    OutlineVertex line[4];
    bool inside = true;
    for (int k = 0; k < 3; ++k) {
        // Indices are relative to the vertex buffer's start; the lock starts at the lowest one.
        if (idx[k] < minVertex || idx[k] > maxVertex) {
            inside = false;
            break;
        }
        std::memcpy(&line[k].x, vertexData + size_t(idx[k] - minVertex) * vb->stride, 12);
        line[k].colour = colour;
    }
    vb->buffer->Unlock();
    if (!inside) return;
    line[3] = line[0];

    uint32_t block = 0;
    if (gfx::Failed(dev->CreateStateBlock(gfx::D3DSBT_ALL, &block))) return;
    g_Video.SetTexture(0, nullptr);
    dev->SetTexture(0, nullptr);
    dev->SetRenderState(gfx::D3DRS_LIGHTING, 0);
    dev->SetRenderState(gfx::D3DRS_ALPHABLENDENABLE, 0);
    dev->SetRenderState(gfx::D3DRS_ALPHATESTENABLE, 0);
    dev->SetRenderState(gfx::D3DRS_ZWRITEENABLE, 0);
    dev->SetRenderState(gfx::D3DRS_EDGEANTIALIAS, 0);
    dev->SetRenderState(gfx::D3DRS_CLIPPLANEENABLE, 0);
    dev->SetRenderState(gfx::D3DRS_VERTEXBLEND, 0);
    dev->SetRenderState(gfx::D3DRS_INDEXEDVERTEXBLENDENABLE, 0);
    dev->SetRenderState(gfx::D3DRS_FOGENABLE, 0);
    dev->SetRenderState(gfx::D3DRS_FILLMODE, gfx::D3DFILL_SOLID);
    dev->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_NONE);
    dev->SetRenderState(gfx::D3DRS_ZENABLE, 1);
    dev->SetRenderState(gfx::D3DRS_CLIPPING, 1);
    dev->SetTextureStageState(0, gfx::D3DTSS_COLORARG1, gfx::D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, gfx::D3DTSS_COLOROP, gfx::D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, gfx::D3DTSS_ALPHAOP, gfx::D3DTOP_DISABLE);
    dev->SetTextureStageState(0, gfx::D3DTSS_TEXCOORDINDEX, 0);
    dev->SetTextureStageState(0, gfx::D3DTSS_TEXTURETRANSFORMFLAGS, gfx::D3DTTFF_DISABLE);
    dev->SetVertexShader(gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE);
    dev->DrawPrimitiveUP(gfx::D3DPT_LINESTRIP, 3, line, sizeof(OutlineVertex));
    dev->ApplyStateBlock(block);
    dev->DeleteStateBlock(block);
    // The device states changed behind the caches' backs.
    g_Video.RestoreStates();
    if (g_Scene.materials) g_Scene.materials->ResetCache();
}

// ---- MeshTable ----

Mesh* MeshTable::Get(int32_t id) const {
    if (id < 0 || uint32_t(id) >= slots.size()) return nullptr;
    return slots[size_t(id)];
}

int32_t MeshTable::Add(Mesh* mesh) {
    if (!mesh) return -1;
    size_t slot = 0;
    while (slot < slots.size() && slots[slot]) ++slot;
    if (slot == slots.size()) slots.resize(slots.size() + kGrowth, nullptr);
    slots[slot] = mesh;
    ++count;
    return int32_t(slot);
}

int32_t MeshTable::Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t firstIndexBuffer,
                        int32_t firstVertexBuffer) {
    uint32_t n = 0;
    if (!in.ReadU32(n)) {
        WriteDebugLog("MeshTable::Load: lista de mallas truncada");
        return -1;
    }
    if (n == 0) return -1;
    if (uint64_t(n) * MESH_RECORD_SIZE > in.Remaining()) {
        WriteDebugLogF("MeshTable::Load: %u mallas no caben en el fichero", n);
        return -1;
    }
    int32_t first = ReserveSlotRun(slots, n, kGrowth, uint32_t(std::numeric_limits<int32_t>::max()));
    if (first < 0) return -1;
    bool aligned = true;
    for (uint32_t i = 0; i < n; ++i) {
        Mesh* mesh = new Mesh();
        slots[size_t(first) + i] = mesh;
        // After a record that lost its place in the stream the rest stay empty meshes.
        if (aligned && !mesh->Load(in, materialIds, firstIndexBuffer, firstVertexBuffer)) {
            WriteDebugLogF("MeshTable::Load: malla %u ilegible", i);
            aligned = false;
        }
    }
    count += n;
    return first;
}

bool MeshTable::ClearSlot(int32_t id) {
    if (id < 0 || uint32_t(id) >= slots.size()) return false;
    slots[size_t(id)] = nullptr;
    return true;
}

int32_t MeshTable::AddRef(int32_t id) {
    Mesh* m = Get(id);
    if (!m) return -1;
    return ++m->refCount;
}

int32_t MeshTable::Release(int32_t id) {
    Mesh* m = Get(id);
    if (!m) return -1;
    int32_t left = --m->refCount;
    if (left <= 0) {
        MeshTableDelete(this, id);
        return 0;
    }
    return left;
}

bool MeshTableDelete(MeshTable* table, int32_t id) {
    if (!table || id < 0 || uint32_t(id) >= table->slots.size()) return false;
    Mesh*& slot = table->slots[size_t(id)];
    if (!slot) return true;
    delete slot;
    slot = nullptr;
    --table->count;
    return true;
}

void MeshTable::Free() {
    for (Mesh*& m : slots) {
        delete m;
        m = nullptr;
    }
    slots.clear();
    slots.shrink_to_fit();
    count = 0;
}
