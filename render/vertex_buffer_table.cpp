#include "render/vertex_buffer_table.h"

#include "common/binary_reader.h"
#include "render/formats.h"
#include "render/video.h"
#include "core/debug_log.h"

using gfx::Device;
using gfx::Failed;
using gfx::Succeeded;
using gfx::D3DPOOL_MANAGED;
using gfx::D3DUSAGE_SOFTWAREPROCESSING;

VertexBufferTable* g_SceneVertexBuffers = nullptr;

int BuildVertexDeclaration(uint32_t fvf, uint32_t* tokens) {
    int n = 0;
    tokens[n++] = gfx::D3DVSD_STREAM(0);
    // Pre-transformed positions are not declared.
    uint32_t position = fvf & gfx::D3DFVF_POSITION_MASK;
    if (position != 0 && position != gfx::D3DFVF_XYZRHW)
        tokens[n++] = gfx::D3DVSD_REG(gfx::D3DVSDE_POSITION, gfx::D3DVSDT_FLOAT3);
    uint32_t weights = FvfBlendWeightCount(fvf);
    if (weights > 0) {
        // Type codes 0..3 are one to four floats; a fifth weight has no float type of its own,
        // so it is stepped over to keep the elements after it where the stride puts them.
        uint32_t declared = weights > 4 ? 4 : weights;
        tokens[n++] = gfx::D3DVSD_REG(gfx::D3DVSDE_BLENDWEIGHT, declared - 1);
        if (weights > 4) tokens[n++] = gfx::D3DVSD_SKIP(weights - 4);
    }
    if (fvf & gfx::D3DFVF_NORMAL) tokens[n++] = gfx::D3DVSD_REG(gfx::D3DVSDE_NORMAL, gfx::D3DVSDT_FLOAT3);
    if (fvf & gfx::D3DFVF_DIFFUSE) tokens[n++] = gfx::D3DVSD_REG(gfx::D3DVSDE_DIFFUSE, gfx::D3DVSDT_D3DCOLOR);
    uint32_t sets = FvfTexCoordCount(fvf);
    if (sets > 8) sets = 8;
    for (uint32_t k = 0; k < sets; ++k) tokens[n++] = gfx::D3DVSD_REG(gfx::D3DVSDE_TEXCOORD0 + k, gfx::D3DVSDT_FLOAT2);
    tokens[n++] = gfx::D3DVSD_END();
    return n;
}

// ---- VertexBuffer ----

VertexBuffer::VertexBuffer()
    : buffer(nullptr), vertexCount(0), fvf(0), stride(0), usage(0), shader(0), refCount(0) {}

VertexBuffer::~VertexBuffer() { Free(); }

bool VertexBuffer::Create(uint32_t count, uint32_t format, uint32_t use) {
    Free();
    vertexCount = count;
    fvf = format;
    stride = FvfVertexSize(format);
    if (g_Video.hardwareVertexProcessing) {
        if (FvfBlendWeightCount(format) + 1 > g_Video.caps.MaxVertexBlendMatrices) use |= D3DUSAGE_SOFTWAREPROCESSING;
    } else {
        use |= D3DUSAGE_SOFTWAREPROCESSING;
    }
    usage = use;
    Device* device = g_Video.device;
    uint64_t length = uint64_t(stride) * count;
    if (!device || length == 0 || length > 0xFFFFFFFFu) return false;
    if (Failed(device->CreateVertexBuffer(uint32_t(length), usage, fvf, D3DPOOL_MANAGED, &buffer))) {
        buffer = nullptr;
        return false;
    }
    BuildShader();
    return true;
}

bool VertexBuffer::Load(BinaryReader& in, uint32_t use, bool* malformed) {
    if (malformed) *malformed = false;
    uint32_t count = 0, format = 0;
    if (!in.ReadU32(count) || !in.ReadU32(format)) {
        if (malformed) *malformed = true;
        WriteDebugLog("VertexBuffer::Load: registro cortado");
        return false;
    }
    uint64_t bytes = uint64_t(FvfVertexSize(format)) * count;
    if (bytes > in.Remaining() || bytes > 0xFFFFFFFFu) {
        if (malformed) *malformed = true;
        WriteDebugLogF("VertexBuffer::Load: %u vertices de formato 0x%X no caben en el fichero", count, format);
        return false;
    }
    if (!Create(count, format, use)) {
        // Step over the vertices so the records after this one still line up.
        in.Skip(size_t(bytes));
        return false;
    }
    return Fill(in);
}

bool VertexBuffer::Fill(BinaryReader& in) {
    if (!buffer) return false;
    uint8_t* data = nullptr;
    if (Failed(buffer->Lock(0, 0, &data, 0)) || !data) return false;
    size_t length = size_t(stride) * vertexCount;
    bool ok = in.ReadBytes(data, length);
    buffer->Unlock();
    return ok;
}

void VertexBuffer::BuildShader() {
    Device* device = g_Video.device;
    if (!device) return;
    if (shader) {
        device->DeleteVertexShader(shader);
        shader = 0;
    }
    uint32_t tokens[VERTEX_DECLARATION_MAX];
    BuildVertexDeclaration(fvf, tokens);
    uint32_t handle = 0;
    uint32_t shaderUsage = (usage & D3DUSAGE_SOFTWAREPROCESSING) ? D3DUSAGE_SOFTWAREPROCESSING : 0;
    if (Succeeded(device->CreateVertexShader(tokens, nullptr, &handle, shaderUsage))) shader = handle;
}

void VertexBuffer::Free() {
    if (buffer) {
        buffer->Release();
        buffer = nullptr;
    }
    vertexCount = 0;
    fvf = 0;
    stride = 0;
    usage = 0;
}

bool VertexBuffer::Select() {
    if (!g_Video.device) return true;
    g_Video.SetStreamSource(0, buffer, stride);
    g_Video.SetVertexShader(shader);
    return true;
}

// ---- VertexBufferTable ----

VertexBuffer* VertexBufferTable::Get(int32_t id) const {
    uint16_t slot = uint16_t(id);
    return slot < buffers.size() ? buffers[slot] : nullptr;
}

void VertexBufferTable::Free() { FreeSlots(buffers, &held); }

int32_t VertexBufferTable::Load(BinaryReader& in, uint32_t usage) {
    uint32_t n = 0;
    if (!in.ReadU32(n)) {
        WriteDebugLog("VertexBufferTable::Load: bloque cortado");
        return -1;
    }
    if (n == 0) return -1;
    // Every record takes at least its 8-byte head.
    if (n > in.Remaining() / 8) {
        WriteDebugLogF("VertexBufferTable::Load: %u buffers no caben en el fichero", n);
        return -1;
    }
    return LoadSlotRun(buffers, &held, n, kGrowth, kMaxSlots, "VertexBufferTable",
                       [&](VertexBuffer* b, bool* malformed) { b->Load(in, usage, malformed); });
}

int32_t VertexBufferTable::Add(VertexBuffer* buffer) { return AddToSlots(buffers, &held, buffer, kGrowth, kMaxSlots); }

bool VertexBufferTable::Select(int32_t id) {
    uint16_t slot = uint16_t(id);
    if (slot >= buffers.size()) return false;
    VertexBuffer* b = buffers[slot];
    if (!b) {
        if (g_Video.device) {
            g_Video.SetStreamSource(0, nullptr, 0);
            g_Video.SetVertexShader(0);
        }
        return true;
    }
    return b->Select();
}

int32_t VertexBufferTable::AddRef(int32_t id) { return AddRefSlot(buffers, id); }

int32_t VertexBufferTable::Release(int32_t id) { return ReleaseSlot(buffers, &held, id); }
