// Static vertex buffers loaded from the vertex-buffer blocks of model files, kept by integer id
// in a reference-counted table.
#pragma once

#include <cstdint>
#include <vector>

#include "render/slot_table.h"

#include "platform/gfx/device.h"

class BinaryReader;

// Longest vertex-shader declaration BuildVertexDeclaration writes: stream, position, weights
// and their padding, normal, diffuse, eight texture sets, end.
constexpr int VERTEX_DECLARATION_MAX = 15;
// The fixed-function declaration of an FVF for stream 0; returns the number of tokens written,
// the end token included.
int BuildVertexDeclaration(uint32_t fvf, uint32_t* tokens);

class VertexBuffer {
public:
    gfx::VertexBuffer* buffer;
    uint32_t vertexCount;
    uint32_t fvf;
    uint32_t stride;       // FvfVertexSize of the FVF, which is what model files are laid out by
    uint32_t usage;
    uint32_t shader;       // declaration handle, 0 for none
    uint16_t refCount;

    VertexBuffer();
    ~VertexBuffer();
    VertexBuffer(const VertexBuffer&) = delete;
    VertexBuffer& operator=(const VertexBuffer&) = delete;

    // False when there is no device, the size overflows or the device refuses the buffer.
    bool Create(uint32_t vertexCount, uint32_t fvf, uint32_t usage);
    // One record {count, FVF, vertices}. A record whose vertices do not fit in what the entry
    // holds sets *malformed; a buffer the device refused is stepped over, so the next record can
    // still be read.
    bool Load(BinaryReader& in, uint32_t usage, bool* malformed = nullptr);
    bool Fill(BinaryReader& in);
    void BuildShader();
    void Free();
    bool Select();
};

class VertexBufferTable {
public:
    std::vector<VertexBuffer*> buffers;  // owned; null = free slot
    uint16_t held;

    // Ids are unsigned 16-bit slot numbers, so the table never grows past this.
    static constexpr uint32_t kMaxSlots = 0xFFFF;
    static constexpr uint32_t kGrowth = 50;

    VertexBufferTable() : held(0) {}
    ~VertexBufferTable() { Free(); }
    VertexBufferTable(const VertexBufferTable&) = delete;
    VertexBufferTable& operator=(const VertexBufferTable&) = delete;

    uint16_t Capacity() const { return uint16_t(buffers.size()); }
    // The buffer of an id, or null for an id out of range or a free slot.
    VertexBuffer* Get(int32_t id) const;

    void Free();
    // A vertex-buffer block: the first id of its buffers, or -1 for an empty or malformed block
    // (a malformed block leaves the table as it was).
    int32_t Load(BinaryReader& in, uint32_t usage);
    // -1 when the table cannot grow any more.
    int32_t Add(VertexBuffer* buffer);
    bool Select(int32_t id);
    int32_t AddRef(int32_t id);
    int32_t Release(int32_t id);
};

// The scene's vertex-buffer table, which index buffers consult for the processing mode of the
// vertices they address. The scene container sets it while it owns the table; null otherwise.
extern VertexBufferTable* g_SceneVertexBuffers;
