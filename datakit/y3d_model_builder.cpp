#include "y3d_model_builder.h"

#include <cstring>

namespace datakit {

namespace {

void Put32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>* out, uint16_t v) {
    out->push_back(uint8_t(v));
    out->push_back(uint8_t(v >> 8));
}
void PutF32(std::vector<uint8_t>* out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    Put32(out, bits);
}
void PatchNext(std::vector<uint8_t>* out, size_t recordStart) {
    const uint32_t end = uint32_t(out->size());
    for (int i = 0; i < 4; ++i) (*out)[recordStart + 272 + i] = uint8_t(end >> (8 * i));
}
void Append(std::vector<uint8_t>* out, const std::vector<uint8_t>& bytes) {
    out->insert(out->end(), bytes.begin(), bytes.end());
}

}  // namespace

std::vector<uint8_t> Y3DSubMesh::Build() const {
    std::vector<uint8_t> r;
    Put32(&r, material);
    r.push_back(kind);
    Put32(&r, indexBuffer);
    Put32(&r, vertexBuffer);
    Put32(&r, startIndex);
    Put16(&r, primitiveCount);
    Put16(&r, minVertex);
    Put16(&r, maxVertex);
    r.push_back(matrixCount);
    r.insert(r.end(), bones.begin(), bones.end());
    return r;
}

std::vector<uint8_t> Y3DSkinnedModel::Build() const {
    std::vector<Y3DObject> bones = FlattenSkeleton(skeleton, 0);
    const uint32_t count = uint32_t(leading.size() + (withMesh ? 1 : 0) + bones.size());
    Y3DHeaderFields h = header;
    std::vector<uint8_t> out = BuildY3DHeader(h, count);
    Append(&out, BuildMaterialList(materials));
    Append(&out, BuildVertexBufferBlock(vertexBuffers));
    Append(&out, BuildIndexBufferBlock(indexBuffers));
    // The records start after the blocks: the header says where.
    const uint32_t first = uint32_t(out.size());
    for (int i = 0; i < 4; ++i) out[24 + i] = uint8_t(first >> (8 * i));
    for (const Y3DObject& o : leading) AppendY3DObject(&out, o);
    if (withMesh) {
        const size_t start = out.size();
        Y3DObject mesh;
        mesh.name = "skin";
        mesh.typeCode = 0x600;
        AppendY3DObject(&out, mesh);
        if (meshHeaderType) {
            const uint32_t t = *meshHeaderType;
            for (int i = 0; i < 4; ++i) out[start + Y3D_RECORD_SIZE + 264 + i] = uint8_t(t >> (8 * i));
        }
        std::vector<uint8_t> counts(8, 0);
        counts[0] = uint8_t(subMeshes.size());
        Append(&out, counts);
        for (const Y3DSubMesh& s : subMeshes) Append(&out, s.Build());
        PatchNext(&out, start);
    }
    for (const Y3DObject& o : bones) AppendY3DObject(&out, o);
    return out;
}

std::vector<uint8_t> Y3DShadowModel::Build() const {
    std::vector<Y3DObject> bones = FlattenSkeleton(skeleton, 0);
    const uint32_t count = uint32_t(leading.size() + 1 + bones.size());
    std::vector<uint8_t> out = BuildY3DHeader(header, count);
    for (const Y3DObject& o : leading) AppendY3DObject(&out, o);
    const size_t start = out.size();
    Y3DObject mesh;
    mesh.name = "shadow";
    mesh.typeCode = 0x610;
    AppendY3DObject(&out, mesh);
    Put32(&out, triangleCount.value_or(uint32_t(triangles.size())));
    Put32(&out, vertexCount.value_or(uint32_t(vertices.size())));
    for (const auto& t : triangles)
        for (uint16_t v : t) Put16(&out, v);
    for (const Y3DShadowVertex& v : vertices) {
        PutF32(&out, v.position.x);
        PutF32(&out, v.position.y);
        PutF32(&out, v.position.z);
        out.push_back(uint8_t(v.influences.size()));
        out.insert(out.end(), 7, 0);
        for (const auto& in : v.influences) {
            out.push_back(in.first);
            out.insert(out.end(), 3, 0);
            PutF32(&out, in.second);
        }
    }
    PatchNext(&out, start);
    for (const Y3DObject& o : bones) AppendY3DObject(&out, o);
    return out;
}

VertexRecord SkinnedVertices(const std::vector<SkinnedVertex>& vertices) {
    VertexRecord r;
    r.count = uint32_t(vertices.size());
    r.fvf = SKINNED_VERTEX_FVF;
    for (const SkinnedVertex& v : vertices) {
        PutF32(&r.vertices, v.x);
        PutF32(&r.vertices, v.y);
        PutF32(&r.vertices, v.z);
        PutF32(&r.vertices, v.weight);
        Put32(&r.vertices, v.colour);
    }
    return r;
}

}  // namespace datakit
