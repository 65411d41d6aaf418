// Draws on the recording device: checked as the OpenGL device checks them, then recorded with
// the state they drew with.
#include <cstring>

#include "platform/gfx/recording_internal.h"

namespace gfx {

using rec::RecIndexBuffer;
using rec::RecVertexBuffer;

namespace {

uint32_t VertexCountOf(PrimitiveType type, uint32_t primitives) {
    switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    default: return 0;
    }
}

uint32_t ReadIndex(const uint8_t* p, uint32_t size) {
    if (size == 4) return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

}  // namespace

// Records a successful draw with the state it drew with.
Result RecordingDevice::Draw(size_t at, PrimitiveType type, uint32_t primitiveCount, DrawRecord&& record) {
    if (!drawStates_) {
        auto s = std::make_shared<DrawStates>();
        std::memcpy(s->renderStates, state_.renderStates, sizeof(s->renderStates));
        std::memcpy(s->stageStates, state_.stageStates, sizeof(s->stageStates));
        drawStates_ = std::move(s);
    }
    record.type = type;
    record.primitiveCount = primitiveCount;
    record.kind = log_[at].kind;
    record.vertexShader = state_.vertexShader;
    for (uint32_t i = 0; i < kMaxTextureStages; ++i) record.textures[i] = state_.textures[i];
    record.world = state_.transforms[kXfWorld0];
    record.states = drawStates_;
    record.callIndex = at;
    log_[at].draw = int32_t(draws_.size());
    draws_.push_back(std::move(record));
    ++counters_.draws;
    counters_.primitives += primitiveCount;
    return D3D_OK;
}

Result RecordingDevice::DrawPrimitive(PrimitiveType type, uint32_t startVertex, uint32_t primitiveCount) {
    size_t at = Record(CallKind::DrawPrimitive, {uint32_t(type), startVertex, primitiveCount});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || state_.vertexShader == 0) return D3DERR_INVALIDCALL;
        auto* vb = static_cast<RecVertexBuffer*>(state_.streams[0]);
        const uint32_t stride = state_.strides[0];
        if (!vb || stride == 0 || (uint64_t(startVertex) + n) * stride > vb->length) return D3DERR_INVALIDCALL;
        DrawRecord d;
        d.vertexCount = n;
        d.startVertex = startVertex;
        d.stream0 = vb;
        d.stride = stride;
        d.indices = state_.indices;
        d.baseVertexIndex = state_.baseVertexIndex;
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

Result RecordingDevice::DrawIndexedPrimitive(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                             uint32_t startIndex, uint32_t primitiveCount) {
    size_t at =
        Record(CallKind::DrawIndexedPrimitive, {uint32_t(type), minIndex, numVertices, startIndex, primitiveCount});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || numVertices == 0 || state_.vertexShader == 0)
            return D3DERR_INVALIDCALL;
        auto* vb = static_cast<RecVertexBuffer*>(state_.streams[0]);
        auto* ib = static_cast<RecIndexBuffer*>(state_.indices);
        const uint32_t stride = state_.strides[0];
        if (!vb || !ib || stride == 0) return D3DERR_INVALIDCALL;
        const uint64_t vertices = vb->length / stride;
        const uint64_t base = state_.baseVertexIndex;
        if (uint64_t(startIndex) + n > ib->Count()) return D3DERR_INVALIDCALL;
        if (base + minIndex + numVertices > vertices) return D3DERR_INVALIDCALL;
        // Every index must reach a vertex of the buffer.
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t index = ReadIndex(&ib->data[size_t(startIndex + i) * ib->IndexSize()], ib->IndexSize());
            if (base + index >= vertices) return D3DERR_INVALIDCALL;
        }
        DrawRecord d;
        d.vertexCount = n;
        d.minIndex = minIndex;
        d.numVertices = numVertices;
        d.startIndex = startIndex;
        d.stream0 = vb;
        d.stride = stride;
        d.indices = ib;
        d.baseVertexIndex = state_.baseVertexIndex;
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

Result RecordingDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertexData,
                                        uint32_t vertexStride) {
    size_t at = Record(CallKind::DrawPrimitiveUP, {uint32_t(type), primitiveCount, vertexStride});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || state_.vertexShader == 0 || !vertexData || vertexStride == 0)
            return D3DERR_INVALIDCALL;
        DrawRecord d;
        d.vertexCount = n;
        d.stride = vertexStride;
        auto* p = static_cast<const uint8_t*>(vertexData);
        d.vertexData.assign(p, p + size_t(n) * vertexStride);
        // Bindings stay as they were, as on the OpenGL device.
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

Result RecordingDevice::DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minVertexIndex,
                                               uint32_t numVertexIndices, uint32_t primitiveCount,
                                               const void* indexData, Format indexFormat, const void* vertexData,
                                               uint32_t vertexStride) {
    size_t at = Record(CallKind::DrawIndexedPrimitiveUP, {uint32_t(type), minVertexIndex, numVertexIndices,
                                                          primitiveCount, uint32_t(indexFormat), vertexStride});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || numVertexIndices == 0 || state_.vertexShader == 0 ||
            !indexData || !vertexData || vertexStride == 0)
            return D3DERR_INVALIDCALL;
        if (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
        const uint32_t indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
        const uint64_t vertexEnd = uint64_t(minVertexIndex) + numVertexIndices;
        auto* ip = static_cast<const uint8_t*>(indexData);
        // Indices outside the declared vertices would read past the caller's array.
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t index = ReadIndex(ip + size_t(i) * indexSize, indexSize);
            if (index < minVertexIndex || index >= vertexEnd) return D3DERR_INVALIDCALL;
        }
        DrawRecord d;
        d.vertexCount = n;
        d.minIndex = minVertexIndex;
        d.numVertices = numVertexIndices;
        d.stride = vertexStride;
        d.indexFormat = indexFormat;
        d.indexData.assign(ip, ip + size_t(n) * indexSize);
        auto* vp = static_cast<const uint8_t*>(vertexData);
        d.vertexData.assign(vp, vp + size_t(vertexEnd) * vertexStride);
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

}  // namespace gfx
