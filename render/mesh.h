// One drawable piece of a model: a range of triangles of an index buffer over a vertex buffer,
// drawn once per pass of its material (or of an override material for a while); kept by integer
// id in the scene's reference-counted mesh table.
#pragma once

#include <cstdint>
#include <vector>

class BinaryReader;
class CollisionMesh;
class IndexBufferTable;

constexpr uint32_t MESH_RECORD_SIZE = 25;
constexpr uint16_t MESH_FLAG_COLLISION = 1;

// The scene's index-buffer table, which meshes draw from; the scene container sets it while it
// owns the table, null otherwise. (Vertex buffers: g_SceneVertexBuffers.)
extern IndexBufferTable* g_SceneIndexBuffers;

class Mesh {
public:
    int32_t materialId;          // -1 = none
    int32_t overrideMaterialId;  // -1 = none
    uint8_t headerByte;
    int32_t indexBufferId;       // -1 = none
    int32_t vertexBufferId;      // -1 = none
    uint32_t startIndex;
    uint16_t triangleCount;
    float* centres;              // x, y, z per triangle, only for blended materials; else null
    uint16_t minVertex;
    uint16_t maxVertex;
    int32_t refCount;            // kept by the MeshTable
    uint16_t flags;              // MESH_FLAG_*
    CollisionMesh* collision;

    Mesh();
    virtual ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Gives back the buffers, the material and the override material.
    virtual void FreeBuffers();
    // One mesh record. False for a short record or one whose collision mesh cannot be read: the
    // reader is then not at the next record.
    virtual bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t firstIndexBuffer,
                      int32_t firstVertexBuffer);
    virtual bool DrawOffset(uint32_t first, uint32_t count);
    virtual bool DrawWithOverride();
    virtual bool Draw();
    virtual void DrawTriangleOutline(uint32_t triangle, uint32_t colour);

    // Stores the override and adds one reference to it; the override it replaces loses the
    // mesh's reference.
    void SetOverrideMaterial(int32_t materialId);
};

class MeshTable {
public:
    std::vector<Mesh*> slots;   // owned; null = free; the capacity is its size
    uint32_t count;

    static constexpr uint32_t kGrowth = 50;

    MeshTable() : count(0) {}
    ~MeshTable() { Free(); }
    MeshTable(const MeshTable&) = delete;
    MeshTable& operator=(const MeshTable&) = delete;

    uint32_t Capacity() const { return uint32_t(slots.size()); }
    Mesh* Get(int32_t id) const;

    int32_t Add(Mesh* mesh);
    // The mesh list block: the first mesh id, or -1 for an empty or short block.
    int32_t Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t firstIndexBuffer,
                 int32_t firstVertexBuffer);
    bool ClearSlot(int32_t id);
    int32_t AddRef(int32_t id);
    int32_t Release(int32_t id);
    void Free();
};

bool MeshTableDelete(MeshTable* table, int32_t id);
