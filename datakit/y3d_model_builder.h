// Writes the files of a character model for tests: the skinned detail-level file (materials,
// buffers, the skinned-mesh record with its sub-meshes, the bone records) and the shadow file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "buffer_block_writer.h"
#include "y3d_builder.h"

namespace datakit {

// One 28-byte sub-mesh record.
struct Y3DSubMesh {
    uint32_t material = 0;
    uint8_t kind = 0;
    uint32_t indexBuffer = 0;
    uint32_t vertexBuffer = 0;
    uint32_t startIndex = 0;
    uint16_t primitiveCount = 0;
    uint16_t minVertex = 0;
    uint16_t maxVertex = 0;
    uint8_t matrixCount = 1;
    std::array<uint8_t, 4> bones = {0, 0, 0, 0};
    std::vector<uint8_t> Build() const;
};

// A detail-level file. The bone records are the skeleton's, depth-first.
struct Y3DSkinnedModel {
    Y3DHeaderFields header;
    std::vector<std::vector<uint8_t>> materials;
    std::vector<VertexRecord> vertexBuffers;
    std::vector<IndexRecord> indexBuffers;
    std::vector<Y3DSubMesh> subMeshes;
    std::optional<uint32_t> meshHeaderType;   // the skinned mesh's node-header type; 0x600 unless given
    bool withMesh = true;
    std::vector<Y3DObject> leading;           // records of other kinds before the skinned mesh
    Y3DBone skeleton;
    std::vector<uint8_t> Build() const;
};

struct Y3DShadowVertex {
    Vec3 position{};
    std::vector<std::pair<uint8_t, float>> influences;   // bone, weight
};

// A shadow-model file: the shadow-mesh record (0x610) and the skeleton's bone records.
struct Y3DShadowModel {
    Y3DHeaderFields header;
    std::vector<std::array<uint16_t, 3>> triangles;
    std::vector<Y3DShadowVertex> vertices;
    std::optional<uint32_t> triangleCount;    // override the stored counts
    std::optional<uint32_t> vertexCount;
    std::vector<Y3DObject> leading;
    Y3DBone skeleton;
    std::vector<uint8_t> Build() const;
};

// A skinned vertex of FVF XYZB1 | DIFFUSE: position, the first bone's weight, colour.
struct SkinnedVertex {
    float x, y, z;
    float weight;
    uint32_t colour;
};
constexpr uint32_t SKINNED_VERTEX_FVF = 0x006 | 0x040;
VertexRecord SkinnedVertices(const std::vector<SkinnedVertex>& vertices);

}  // namespace datakit
