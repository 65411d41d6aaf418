// A section of a character's skinned mesh: a range of an index buffer over a vertex buffer,
// drawn with one material and blended between at most four bones.
#pragma once

#include <cstdint>
#include <vector>

class BinaryReader;

constexpr int SUBMESH_RECORD_SIZE = 28;
constexpr int SUBMESH_MAX_MATRICES = 4;

// The material and buffer tables a sub-mesh reaches: the scene's tables unless tests install
// fakes.
struct SubMeshServices {
    bool (*materialFinished)(int32_t id);
    // Passes of a material; 0 draws nothing.
    int (*materialPasses)(int32_t id);
    bool (*setMaterial)(int32_t id, int pass);
    void (*addMaterialRef)(int32_t id);
    void (*releaseMaterial)(int32_t id);
    // Gives back a reference to an override on its count alone, leaving the material to the
    // scene's material-reference list.
    void (*releaseOverride)(int32_t id);
    void (*addBufferRefs)(int32_t vertexBuffer, int32_t indexBuffer);
    void (*releaseBuffers)(int32_t vertexBuffer, int32_t indexBuffer);
    bool (*selectBuffers)(int32_t vertexBuffer, int32_t indexBuffer);
};
// Null restores the scene's tables.
void SetSubMeshServices(const SubMeshServices* services);

class SubMesh {
public:
    // The mesh's fields.
    int32_t materialId;
    int32_t overrideMaterialId;
    uint8_t kind;
    int32_t indexBufferId;
    int32_t vertexBufferId;
    uint32_t startIndex;
    uint16_t primitiveCount;
    std::vector<uint8_t> triangleData;   // 12 bytes per primitive, when present
    uint16_t minVertex;
    uint16_t maxVertex;
    // Added by the sub-mesh.
    std::vector<uint8_t> boneIndices;
    uint8_t matrixCount;

    SubMesh();
    virtual ~SubMesh();
    SubMesh(const SubMesh&) = delete;
    SubMesh& operator=(const SubMesh&) = delete;

    virtual void FreeBuffers();
    // One 28-byte record. Refused (false, nothing referenced): a short record, a matrix count
    // outside 1..4, a bone index not below boneCount, a material outside the map.
    virtual bool Load(BinaryReader& in, const int32_t* materialMap, uint32_t materialCount, uint32_t firstIndexBuffer,
                      uint32_t firstVertexBuffer, uint32_t boneCount);
    bool LoadRecord(const uint8_t* record, const int32_t* materialMap, uint32_t materialCount,
                    uint32_t firstIndexBuffer, uint32_t firstVertexBuffer, uint32_t boneCount);
    virtual bool DrawWithOverride();
    // A copy holds a reference to the source's override as well as to its own material.
    virtual bool CopyFrom(const SubMesh* source);
    // Holds a reference to the new override and gives back the one it replaces.
    void SetOverrideMaterial(int32_t materialId);

private:
    bool referenced_;
};
