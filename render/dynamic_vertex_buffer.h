// The scene's append-and-flush buffer for per-frame geometry: callers lock room, write and
// unlock; the written vertices form one pending run drawn with a single DrawPrimitive when the
// primitive type changes, the buffer wraps or someone flushes.
#pragma once

#include <cstdint>

#include "platform/gfx/device.h"

class DynamicVertexBuffer {
public:
    gfx::VertexBuffer* buffer;   // default pool: lost with the device
    uint32_t fvf;
    uint8_t stride;
    uint32_t capacity;           // in vertices
    uint32_t pending;            // written since the last draw
    uint32_t base;               // first vertex of the pending run
    uint32_t primitiveType;

    DynamicVertexBuffer();
    DynamicVertexBuffer(uint32_t capacity, uint32_t fvf);
    ~DynamicVertexBuffer();
    DynamicVertexBuffer(const DynamicVertexBuffer&) = delete;
    DynamicVertexBuffer& operator=(const DynamicVertexBuffer&) = delete;

    bool Create(uint32_t capacity, uint32_t fvf);
    void Free();
    // Device lost: only the device buffer goes; the run is kept.
    void ReleaseBuffer();
    // Device reset: the buffer comes back as Create makes it.
    bool RestoreBuffer();
    // Room for n vertices behind the pending run, or at the start after a flush when it does
    // not fit. Null when n is 0 or above the capacity, without a device buffer, or when the
    // lock fails.
    void* Lock(uint32_t vertexCount);
    // Adds what was written (at most what the last lock gave room for) to the run.
    void Unlock(uint32_t vertexCount);
    void SetPrimitiveType(uint32_t type);
    // Draws the pending run. A failed draw drops the run so that nothing stale is drawn later.
    bool Flush();

private:
    bool CreateDeviceBuffer();
    uint32_t locked_ = 0;   // vertices the open lock has room for
};

// Primitives a run of n vertices makes for the type (0 for unknown types).
uint32_t PrimitiveCountFor(uint32_t type, uint32_t vertexCount);

// Flushes the scene's buffer when the scene has one.
void FlushDynamicVertexBuffer();
