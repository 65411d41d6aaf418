#include "render/dynamic_vertex_buffer.h"

#include "render/formats.h"
#include "render/video.h"
#include "scene/scene.h"

using namespace gfx;

namespace {
constexpr uint32_t kUsageDynamic = 0x200;
constexpr uint32_t kUsageSoftware = 0x10;
constexpr uint32_t kLockNoOverwrite = 0x1000;
constexpr uint32_t kLockDiscard = 0x2000;
}  // namespace

uint32_t PrimitiveCountFor(uint32_t type, uint32_t n) {
    switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return n / 2;
    case D3DPT_LINESTRIP: return n > 0 ? n - 1 : 0;
    case D3DPT_TRIANGLELIST: return n / 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return n > 1 ? n - 2 : 0;
    default: return 0;
    }
}

DynamicVertexBuffer::DynamicVertexBuffer()
    : buffer(nullptr), fvf(0), stride(0), capacity(0), pending(0), base(0), primitiveType(0) {}

DynamicVertexBuffer::DynamicVertexBuffer(uint32_t capacity, uint32_t fvf) : DynamicVertexBuffer() {
    Create(capacity, fvf);
}

DynamicVertexBuffer::~DynamicVertexBuffer() { Free(); }

bool DynamicVertexBuffer::CreateDeviceBuffer() {
    if (buffer) return true;
    Device* device = g_Video.device;
    if (!device) return false;
    uint32_t usage = g_Video.hardwareVertexProcessing ? kUsageDynamic : kUsageDynamic | kUsageSoftware;
    VertexBuffer* vb = nullptr;
    if (Failed(device->CreateVertexBuffer(uint32_t(stride) * capacity, usage, fvf, D3DPOOL_DEFAULT, &vb)) || !vb)
        return false;
    buffer = vb;
    return true;
}

bool DynamicVertexBuffer::Create(uint32_t cap, uint32_t format) {
    fvf = format;
    capacity = cap;
    stride = uint8_t(FvfVertexSize(format));
    if (!CreateDeviceBuffer()) return false;
    primitiveType = D3DPT_TRIANGLELIST;
    return true;
}

void DynamicVertexBuffer::Free() {
    ReleaseBuffer();
    fvf = 0;
    stride = 0;
    capacity = 0;
    pending = 0;
    base = 0;
    primitiveType = 0;
    locked_ = 0;
}

void DynamicVertexBuffer::ReleaseBuffer() {
    if (buffer) buffer->Release();
    buffer = nullptr;
    locked_ = 0;
}

bool DynamicVertexBuffer::RestoreBuffer() { return CreateDeviceBuffer(); }

void* DynamicVertexBuffer::Lock(uint32_t n) {
    locked_ = 0;
    // A zero-sized lock would map the whole buffer.
    if (n == 0 || n > capacity || !buffer) return nullptr;
    uint32_t offset;
    uint32_t flags;
    if (uint64_t(base) + pending + n <= capacity) {
        offset = base + pending;
        flags = kLockNoOverwrite;
    } else {
        // Even when the draw fails the old run must not survive the discard.
        if (!Flush()) pending = 0;
        base = 0;
        offset = 0;
        flags = kLockDiscard;
    }
    uint8_t* data = nullptr;
    if (Failed(buffer->Lock(offset * stride, n * stride, &data, flags)) || !data) return nullptr;
    locked_ = n;
    return data;
}

void DynamicVertexBuffer::Unlock(uint32_t n) {
    if (!buffer) return;
    buffer->Unlock();
    pending += n < locked_ ? n : locked_;
    locked_ = 0;
}

void DynamicVertexBuffer::SetPrimitiveType(uint32_t type) {
    if (type == primitiveType) return;
    Flush();
    primitiveType = type;
}

bool DynamicVertexBuffer::Flush() {
    if (pending == 0) return true;
    uint32_t count = PrimitiveCountFor(primitiveType, pending);
    Device* device = g_Video.device;
    if (!buffer || !device || Failed(device->DrawPrimitive(PrimitiveType(primitiveType), base, count))) {
        base += pending;
        pending = 0;
        return false;
    }
    base += pending;
    g_PolygonsDrawn += count;
    pending = 0;
    return true;
}

void FlushDynamicVertexBuffer() {
    if (g_Scene.dynamicBuffer) g_Scene.dynamicBuffer->Flush();
}
