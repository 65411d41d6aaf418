#include "render/index_buffer_table.h"

#include "common/binary_reader.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "core/debug_log.h"

using gfx::Device;
using gfx::Failed;
using gfx::Succeeded;
using gfx::D3DPOOL_MANAGED;
using gfx::D3DUSAGE_SOFTWAREPROCESSING;

// ---- IndexBuffer ----

IndexBuffer::IndexBuffer() : buffer(nullptr), indexCount(0), usage(0), refCount(0) {}

IndexBuffer::~IndexBuffer() { Free(); }

bool IndexBuffer::Create(uint32_t count, uint32_t use) {
    Free();
    refCount = 0;
    indexCount = count;
    if (count > 0 && !g_Video.hardwareVertexProcessing) use |= D3DUSAGE_SOFTWAREPROCESSING;
    usage = use;
    if (count == 0) return true;
    Device* device = g_Video.device;
    uint64_t length = uint64_t(count) * 2;
    if (!device || length > 0xFFFFFFFFu) return false;
    if (Failed(device->CreateIndexBuffer(uint32_t(length), usage, gfx::D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer))) {
        buffer = nullptr;
        return false;
    }
    return true;
}

bool IndexBuffer::Load(BinaryReader& in, int32_t firstVertexBuffer, uint32_t use, bool* malformed) {
    if (malformed) *malformed = false;
    Free();
    refCount = 0;
    uint32_t count = 0, vertexBuffer = 0;
    if (!in.ReadU32(count) || !in.ReadU32(vertexBuffer)) {
        if (malformed) *malformed = true;
        WriteDebugLog("IndexBuffer::Load: registro cortado");
        return false;
    }
    uint64_t bytes = uint64_t(count) * 2;
    if (bytes > in.Remaining()) {
        if (malformed) *malformed = true;
        WriteDebugLogF("IndexBuffer::Load: %u indices no caben en el fichero", count);
        return false;
    }
    if (firstVertexBuffer >= 0 && g_SceneVertexBuffers) {
        // The table checks the id against its size: a file's index may point anywhere.
        const VertexBuffer* vb = g_SceneVertexBuffers->Get(int32_t(uint16_t(uint32_t(firstVertexBuffer) + vertexBuffer)));
        if (vb && (vb->usage & D3DUSAGE_SOFTWAREPROCESSING)) use |= D3DUSAGE_SOFTWAREPROCESSING;
    }
    if (!Create(count, use)) {
        in.Skip(size_t(bytes));
        return false;
    }
    if (!buffer) return false;  // no indices: nothing to read
    return Fill(in);
}

bool IndexBuffer::Fill(BinaryReader& in) {
    if (!buffer) return false;
    uint8_t* data = nullptr;
    uint32_t length = indexCount * 2;
    if (Failed(buffer->Lock(0, length, &data, 0)) || !data) return false;
    bool ok = in.ReadBytes(data, length);
    buffer->Unlock();
    return ok;
}

void IndexBuffer::Free() {
    if (buffer) {
        buffer->Release();
        buffer = nullptr;
    }
    indexCount = 0;
}

bool IndexBuffer::Select() {
    if (g_Video.device) g_Video.SetIndices(buffer);
    return true;
}

// ---- IndexBufferTable ----

IndexBuffer* IndexBufferTable::Get(int32_t id) const {
    uint16_t slot = uint16_t(id);
    return slot < buffers.size() ? buffers[slot] : nullptr;
}

void IndexBufferTable::Free() { FreeSlots(buffers, &held); }

int32_t IndexBufferTable::Load(BinaryReader& in, int32_t firstVertexBuffer, uint32_t usage) {
    uint32_t n = 0;
    if (!in.ReadU32(n)) {
        WriteDebugLog("IndexBufferTable::Load: bloque cortado");
        return -1;
    }
    if (n == 0) return -1;
    if (n > in.Remaining() / 8) {
        WriteDebugLogF("IndexBufferTable::Load: %u buffers no caben en el fichero", n);
        return -1;
    }
    return LoadSlotRun(buffers, &held, n, kGrowth, kMaxSlots, "IndexBufferTable",
                       [&](IndexBuffer* b, bool* malformed) { b->Load(in, firstVertexBuffer, usage, malformed); });
}

int32_t IndexBufferTable::Add(IndexBuffer* buffer) { return AddToSlots(buffers, &held, buffer, kGrowth, kMaxSlots); }

bool IndexBufferTable::Select(int32_t id) {
    IndexBuffer* b = Get(id);
    if (!b) return false;
    return b->Select();
}

int32_t IndexBufferTable::AddRef(int32_t id) { return AddRefSlot(buffers, id); }

int32_t IndexBufferTable::Release(int32_t id) { return ReleaseSlot(buffers, &held, id); }
