// Static 16-bit index buffers loaded from the index-buffer blocks of model files, kept by
// integer id in a reference-counted table that works like the vertex-buffer table.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/device.h"

class BinaryReader;
class VertexBufferTable;

class IndexBuffer {
public:
    gfx::IndexBuffer* buffer;
    uint32_t indexCount;
    uint32_t usage;
    uint16_t refCount;

    IndexBuffer();
    ~IndexBuffer();
    IndexBuffer(const IndexBuffer&) = delete;
    IndexBuffer& operator=(const IndexBuffer&) = delete;

    // A count of 0 creates nothing and succeeds.
    bool Create(uint32_t indexCount, uint32_t usage);
    // One record {count, vertex-buffer index, indices}. firstVertexBuffer is the id of the file's
    // first vertex buffer in the scene's table, or -1. A record whose indices do not fit in what
    // the entry holds sets *malformed; a buffer the device refused is stepped over.
    bool Load(BinaryReader& in, int32_t firstVertexBuffer, uint32_t usage, bool* malformed = nullptr);
    bool Fill(BinaryReader& in);
    void Free();
    bool Select();
};

class IndexBufferTable {
public:
    std::vector<IndexBuffer*> buffers;  // owned; null = free slot
    uint16_t held;

    static constexpr uint32_t kMaxSlots = 0xFFFF;
    static constexpr uint32_t kGrowth = 50;

    IndexBufferTable() : held(0) {}
    ~IndexBufferTable() { Free(); }
    IndexBufferTable(const IndexBufferTable&) = delete;
    IndexBufferTable& operator=(const IndexBufferTable&) = delete;

    uint16_t Capacity() const { return uint16_t(buffers.size()); }
    IndexBuffer* Get(int32_t id) const;

    void Free();
    // An index-buffer block: the first id of its buffers, or -1 for an empty or malformed block
    // (a malformed block leaves the table as it was).
    int32_t Load(BinaryReader& in, int32_t firstVertexBuffer, uint32_t usage);
    // -1 when the table cannot grow any more.
    int32_t Add(IndexBuffer* buffer);
    bool Select(int32_t id);
    int32_t AddRef(int32_t id);
    int32_t Release(int32_t id);
};
