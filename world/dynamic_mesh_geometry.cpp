// A one-mesh movable object built at run time from tessellated outlines (the 3D text's glyphs).
#include "world/dynamic_mesh.h"

#include <algorithm>

#include "common/binary_reader.h"
#include "render/index_buffer_table.h"
#include "render/material_table.h"
#include "render/mesh.h"
#include "render/vertex_buffer_table.h"
#include "scene/scene.h"
#include "scene/y3d_loader.h"

namespace {

// Outline units to world units.
constexpr double kOutlineScale = 0.01;
// A text line's height step, as a fraction of the line offset.
constexpr float kLineStep = 0.03125f * 0.7f;

// Takes the buffer into its table with the mesh's one reference; -1 (buffer deleted) when full.
template <typename Table, typename Buffer>
int32_t AddWithReference(Table* table, Buffer* buffer) {
    const int32_t id = table->Add(buffer);
    if (id < 0) {
        delete buffer;
        return -1;
    }
    table->AddRef(id);
    return id;
}

}  // namespace

bool DynamicMesh::BuildGeometry(int32_t lineOffset, const char* name, const std::vector<MeshVertex>& vertices,
                                const std::vector<uint16_t>& indices, int32_t materialId, AxisBox* outBox,
                                Vec3* outCentre) {
    // A node built twice gives back what it held first.
    MeshNode::Release();
    if (!SetName(name)) return false;
    if (vertices.empty() || indices.size() < 3 || vertices.size() > 0x10000 || !g_Scene.meshes ||
        !g_Scene.vertexBuffers || !g_Scene.indexBuffers)
        return false;
    for (uint16_t index : indices)
        if (index >= vertices.size()) return false;

    transform = TransformParts{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1}, 1.0f};
    world = Mat4Identity();
    transformValid = 1;

    Vec3 hi{}, lo{};
    for (size_t i = 0; i < vertices.size(); ++i) {
        const Vec3 p{float(vertices[i].x * kOutlineScale), float(vertices[i].y * kOutlineScale),
                     float(vertices[i].z * kOutlineScale)};
        if (i == 0) {
            hi = lo = p;
            continue;
        }
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    }
    const Vec3 centre{(hi.x + lo.x) * 0.5f, -float(lineOffset) * kLineStep, (hi.z + lo.z) * 0.5f};
    hi = Vec3Sub(hi, centre);
    lo = Vec3Sub(lo, centre);
    localBox[0] = hi.x, localBox[1] = hi.y, localBox[2] = hi.z;
    localBox[3] = lo.x, localBox[4] = lo.y, localBox[5] = lo.z;
    box[0] = lo.x, box[1] = lo.y, box[2] = lo.z;
    box[3] = hi.x, box[4] = hi.y, box[5] = hi.z;
    if (outBox) *outBox = AxisBox{hi, lo};
    if (outCentre) *outCentre = centre;

    BinaryWriter vertexBytes;
    for (const MeshVertex& v : vertices) {
        vertexBytes.PutF32(float(v.x * kOutlineScale) - centre.x);
        vertexBytes.PutF32(float(v.y * kOutlineScale) - centre.y);
        vertexBytes.PutF32(float(v.z * kOutlineScale) - centre.z);
        vertexBytes.PutF32(float(v.nx));
        vertexBytes.PutF32(float(v.ny));
        vertexBytes.PutF32(float(v.nz));
        vertexBytes.PutF32(float(v.u));
        vertexBytes.PutF32(float(v.v));
    }
    BinaryWriter indexBytes;
    for (uint16_t index : indices) indexBytes.PutU16(index);

    auto* vb = new VertexBuffer();
    BinaryReader vertexIn(vertexBytes.Data().data(), vertexBytes.Size());
    if (!vb->Create(uint32_t(vertices.size()), DYNAMIC_MESH_GEOMETRY_FVF, Y3D_BUFFER_USAGE) || !vb->Fill(vertexIn)) {
        delete vb;
        return false;
    }
    auto* ib = new IndexBuffer();
    BinaryReader indexIn(indexBytes.Data().data(), indexBytes.Size());
    if (!ib->Create(uint32_t(indices.size()), Y3D_BUFFER_USAGE) || !ib->Fill(indexIn)) {
        delete vb;
        delete ib;
        return false;
    }
    auto* mesh = new Mesh();
    // From here the mesh holds what it names, and freeing it gives everything back.
    mesh->vertexBufferId = AddWithReference(g_Scene.vertexBuffers, vb);
    mesh->indexBufferId = AddWithReference(g_Scene.indexBuffers, ib);
    if (g_Scene.materials && g_Scene.materials->AddRef(materialId) > 0) mesh->materialId = materialId;
    mesh->triangleCount = uint16_t(std::min<size_t>(indices.size() / 3, 0xFFFF));
    mesh->minVertex = 0;
    mesh->maxVertex = uint16_t(vertices.size() - 1);
    if (mesh->vertexBufferId < 0 || mesh->indexBufferId < 0) {
        delete mesh;
        return false;
    }
    const int32_t id = g_Scene.meshes->Add(mesh);
    g_Scene.meshes->AddRef(id);
    meshIds = new int32_t[1]{id};
    meshCount = 1;
    primitiveTotal = mesh->triangleCount;
    return true;
}
