// Drawing on the OpenGL device: the draw calls, fed from buffers or from the processor's vertex
// work (gl_vertex_work.cpp).
#include <algorithm>
#include <cstring>

#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {
GLenum PrimitiveGL(PrimitiveType t) {
    switch (t) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return 0;
    }
}

// Vertices used by primitiveCount primitives; 0 for an unknown type or no primitives.
uint64_t VertexCount(PrimitiveType t, uint32_t n) {
    if (n == 0) return 0;
    switch (t) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return uint64_t(n) * 2;
    case D3DPT_LINESTRIP: return uint64_t(n) + 1;
    case D3DPT_TRIANGLELIST: return uint64_t(n) * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return uint64_t(n) + 2;
    default: return 0;
    }
}

inline uint32_t ReadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The smallest and largest of the indices, into lo and hi.
void IndexRange(const uint8_t* indices, uint32_t size, uint32_t n, uint32_t& lo, uint32_t& hi) {
    // Each width in a loop of its own, which the compiler runs several indices at a time.
    if (size == 4) {
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t v = ReadU32(indices + size_t(i) * 4);
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
        return;
    }
    uint16_t lo16 = 0xFFFF, hi16 = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint16_t v;
        std::memcpy(&v, indices + size_t(i) * 2, 2);
        lo16 = std::min(lo16, v), hi16 = std::max(hi16, v);
    }
    lo = std::min<uint32_t>(lo, lo16), hi = std::max<uint32_t>(hi, hi16);
}

}  // namespace

bool GLIndexBuffer::RangeOf(uint32_t start, uint32_t count, uint32_t& lo, uint32_t& hi) {
    for (const KnownRange& r : knownRanges)
        if (r.start == start && r.count == count) {
            lo = r.lo, hi = r.hi;
            return true;
        }
    if (uint64_t(start) + count > Count()) return false;
    const uint8_t* bytes = Bytes(device);
    if (!bytes) return false;
    lo = 0xFFFFFFFFu, hi = 0;
    IndexRange(bytes + size_t(start) * IndexSize(), IndexSize(), count, lo, hi);
    // A buffer drawn in many more pieces than a model's meshes starts its list again.
    if (knownRanges.size() >= 256) knownRanges.clear();
    knownRanges.push_back({start, count, lo, hi});
    return true;
}

// ---- Drawing ----

const VertexLayout* GLDevice::CurrentLayout() {
    uint32_t h = state_.vertexShader;
    if (h & 1u) {
        auto it = shaders_.find(h);
        return it == shaders_.end() ? nullptr : &it->second;
    }
    if (h != fvfLayoutCode_) {
        fvfLayout_ = LayoutFromFvf(h);
        fvfLayoutCode_ = h;
    }
    return fvfLayout_.valid && fvfLayout_.position >= 0 ? &fvfLayout_ : nullptr;
}

Result GLDevice::DoDraw(PrimitiveType type, DrawInput in) {
    const VertexLayout* lp = CurrentLayout();
    if (!lp || in.stride < lp->stride || type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDCALL;
    const VertexLayout& l = *lp;
    const uint32_t* rs = state_.renderStates;

    const bool blend = !l.rhw && rs[D3DRS_VERTEXBLEND] >= 1 && rs[D3DRS_VERTEXBLEND] <= 3 && l.weights > 0;
    // Lighting only makes colours: a draw that writes none (a shadow volume) needs none.
    const bool light = !l.rhw && rs[D3DRS_LIGHTING] != 0 && !WritesNoColour();
    const bool cpu = l.rhw || blend || light;
    // The processor reads the vertices from memory; a buffer that let go of its copy reads it back.
    if (cpu && in.vb) {
        const uint8_t* bytes = in.vb->Bytes(this);
        if (!bytes) return D3DERR_INVALIDCALL;
        in.base = bytes + in.baseOffset;
    }

    // Vertices the draw reads: [first, first + count) counted from vertex 0 of the input.
    // Indexed draws from buffers whose every index is in range go to OpenGL as they are;
    // otherwise the indices actually used are scanned, and one out of range refuses the draw.
    uint32_t first = in.first, count = in.count;
    bool bufferIndices = false;
    // The processor's arrays are numbered as the vertices are, so that OpenGL reads the indices
    // from their buffer as they are.
    bool numbered = false;
    uint32_t lo = 0, hi = 0;
    if (in.indexCount) {
        if (!cpu && in.ib && in.vb && in.ib->MaxIndex() < in.vertexLimit) {
            bufferIndices = true;
            first = 0;
            count = 0;
        } else if (cpu && in.ib && in.vb && in.ib->RangeOf(in.indexOffset / in.indexSize, in.indexCount, lo, hi)) {
            if (hi >= in.vertexLimit) return D3DERR_INVALIDCALL;
            bufferIndices = numbered = true;
            first = lo;
            count = hi - lo + 1;
        } else {
            if (in.ib) {
                const uint8_t* bytes = in.ib->Bytes(this);
                if (!bytes) return D3DERR_INVALIDCALL;
                in.indices = bytes + in.indexOffset;
            }
            uint32_t lo = 0xFFFFFFFFu, hi = 0;
            IndexRange(in.indices, in.indexSize, in.indexCount, lo, hi);
            if (hi >= in.vertexLimit) return D3DERR_INVALIDCALL;
            first = lo;
            count = hi - lo + 1;
        }
    } else if (uint64_t(first) + count > in.vertexLimit) {
        return D3DERR_INVALIDCALL;
    }
    // A lost device (or one whose window is gone) draws nothing and reports success.
    if (lost_ || !MakeCurrent()) return D3D_OK;
    KeepFrontPicture(renderTarget_, false);

    ApplyDirty();
    if (dirty_ & kDirtyStages) ApplyStages();
    BindStageTextures();

    // Transforms. Every target stores its top row at OpenGL row 0, and pixel centres sit on
    // whole coordinates as the fixed-function pipeline has them, half a pixel from OpenGL's.
    const Viewport& vp = state_.viewport;
    const float W = float(vp.Width), H = float(vp.Height);
    if (l.rhw) {
        Matrix ortho{};
        ortho.m[0][0] = 2.0f / W;
        ortho.m[1][1] = 2.0f / H;
        ortho.m[2][2] = 2.0f;
        ortho.m[3][0] = 2.0f * (0.5f - float(vp.X)) / W - 1.0f;
        ortho.m[3][1] = 2.0f * (0.5f - float(vp.Y)) / H - 1.0f;
        ortho.m[3][2] = -1.0f;
        ortho.m[3][3] = 1.0f;
        LoadMatrixOnce(GL_PROJECTION, 0, ortho);
        glDepthRange(0.0, 1.0);  // pre-transformed depth is used as it is
        dirty_ |= kDirtyViewport;
        for (int i = 0; i < maxClipPlanes_; ++i) glDisable(GLenum(GL_CLIP_PLANE0 + i));
        dirty_ |= kDirtyClip;
    } else {
        Matrix adjust{};
        adjust.m[0][0] = 1.0f;
        adjust.m[1][1] = -1.0f;
        adjust.m[2][2] = 2.0f;
        adjust.m[3][0] = 1.0f / W;
        adjust.m[3][1] = 1.0f / H;
        adjust.m[3][2] = -1.0f;
        adjust.m[3][3] = 1.0f;
        LoadMatrixOnce(GL_PROJECTION, 0, Mul(state_.transforms[kXfProjection], adjust));
        if (dirty_ & kDirtyClip) {
            ApplyClipPlanes();
            dirty_ &= ~kDirtyClip;
        }
    }

    // Vertices lit on the processor but neither blended nor pre-transformed take only their
    // colours from it: OpenGL reads the rest from their buffer, as it reads unlit ones. Not
    // from a dynamic buffer, which a write would make wait for the frames still reading it.
    const bool colourOnly = cpu && !blend && !l.rhw && in.vb && !(in.vb->usage & D3DUSAGE_DYNAMIC);
    // Texture coordinates come straight from the vertices in every path.
    const bool useBuffer = (!cpu || colourOnly) && in.vb != nullptr;
    const uint8_t* texBase = useBuffer ? nullptr : in.base + size_t(numbered ? 0 : first) * in.stride;
    uintptr_t bufferOffset = uintptr_t(in.baseOffset) + uintptr_t(numbered ? 0 : first) * in.stride;
    if (useBuffer) {
        BindBuffer(GL_ARRAY_BUFFER, in.vb->buffer);
        // The processor goes on reading the memory copy, which the upload would let go.
        if (cpu) in.vb->keepCopy = true;
        in.vb->Upload(GL_ARRAY_BUFFER);
    } else {
        BindBuffer(GL_ARRAY_BUFFER, 0);
    }
    SetupTextureUnits(l, texBase, in.stride, useBuffer, bufferOffset);
    const Matrix& view = state_.transforms[kXfView];
    if (l.rhw)
        LoadMatrixOnce(GL_MODELVIEW, 0, Identity());
    else
        LoadMatrixOnce(GL_MODELVIEW, 0, blend ? view : Mul(state_.transforms[kXfWorld0], view));

    auto fromBuffer = [&](int32_t off) -> const void* {
        return useBuffer ? reinterpret_cast<const void*>(bufferOffset + uintptr_t(off)) : texBase + off;
    };
    bool fogCoords = false;
    if (cpu) {
        VertexWork what;
        what.blend = blend, what.light = light, what.numbered = numbered, what.positions = !colourOnly;
        ProcessVertices(l, in.base, in.stride, first, count, what);
        ClientArray(kArrayVertex, true);
        if (colourOnly) {
            ArrayPointer(kPtrVertex, 3, GL_FLOAT, GLsizei(in.stride), fromBuffer(l.position));
            if (l.normal >= 0) {
                ClientArray(kArrayNormal, true);
                ArrayPointer(kPtrNormal, 3, GL_FLOAT, GLsizei(in.stride), fromBuffer(l.normal));
            } else {
                ClientArray(kArrayNormal, false);
                ConstantZeroNormal();
            }
            BindBuffer(GL_ARRAY_BUFFER, 0);  // the colours come from memory
        } else {
            ArrayPointer(kPtrVertex, 4, GL_FLOAT, 0, positions_.data());
            if (l.normal >= 0) {
                ClientArray(kArrayNormal, true);
                ArrayPointer(kPtrNormal, 3, GL_FLOAT, 0, normals_.data());
            } else {
                ClientArray(kArrayNormal, false);
                ConstantZeroNormal();
            }
        }
        ClientArray(kArrayColor, true);
        ArrayPointer(kPtrColor, GL_BGRA, GL_UNSIGNED_BYTE, 0, colors_.data());
        ClientArray(kArraySecondary, true);
        ArrayPointer(kPtrSecondary, GL_BGRA, GL_UNSIGNED_BYTE, 0, speculars_.data());
        if (l.rhw && rs[D3DRS_FOGENABLE]) {
            fogCoords = true;
            ClientArray(kArrayFog, true);
            ArrayPointer(kPtrFog, 1, GL_FLOAT, 0, fogCoords_.data());
            glEnable(GL_FOG);
            glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
            Rgba c = FromColor(rs[D3DRS_FOGCOLOR]);
            const float color[4] = {c.r, c.g, c.b, 1.0f};
            glFogfv(GL_FOG_COLOR, color);
            uint32_t table = rs[D3DRS_FOGTABLEMODE];
            if (table == D3DFOG_NONE || table > D3DFOG_LINEAR) {
                // The coordinate is 1 - the vertex's fog factor.
                glFogi(GL_FOG_MODE, GL_LINEAR);
                glFogf(GL_FOG_START, 0.0f);
                glFogf(GL_FOG_END, 1.0f);
            } else {
                glFogi(GL_FOG_MODE, table == D3DFOG_LINEAR ? GL_LINEAR : table == D3DFOG_EXP ? GL_EXP : GL_EXP2);
                glFogf(GL_FOG_START, BitsFloat(rs[D3DRS_FOGSTART]));
                glFogf(GL_FOG_END, BitsFloat(rs[D3DRS_FOGEND]));
                glFogf(GL_FOG_DENSITY, BitsFloat(rs[D3DRS_FOGDENSITY]));
            }
            dirty_ |= kDirtyFog;
        }
    } else {
        const auto& at = fromBuffer;
        const GLsizei stride = GLsizei(in.stride);
        ClientArray(kArrayVertex, true);
        ArrayPointer(kPtrVertex, 3, GL_FLOAT, stride, at(l.position));
        if (l.diffuse >= 0) {
            ClientArray(kArrayColor, true);
            ArrayPointer(kPtrColor, GL_BGRA, GL_UNSIGNED_BYTE, stride, at(l.diffuse));
        } else {
            ClientArray(kArrayColor, false);
            ConstantWhiteColor();
        }
        if (l.specular >= 0) {
            ClientArray(kArraySecondary, true);
            ArrayPointer(kPtrSecondary, GL_BGRA, GL_UNSIGNED_BYTE, stride, at(l.specular));
        } else {
            ClientArray(kArraySecondary, false);
            ConstantBlackSecondary();
        }
        if (l.normal >= 0) {
            ClientArray(kArrayNormal, true);
            ArrayPointer(kPtrNormal, 3, GL_FLOAT, stride, at(l.normal));
        } else {
            ClientArray(kArrayNormal, false);
            ConstantZeroNormal();
        }
    }
    if (!fogCoords) ClientArray(kArrayFog, false);

    const GLenum mode = PrimitiveGL(type);
    if (in.indexCount) {
        if (bufferIndices) {
            BindBuffer(GL_ELEMENT_ARRAY_BUFFER, in.ib->buffer);
            in.ib->Upload(GL_ELEMENT_ARRAY_BUFFER);
            const GLenum type = in.indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
            const void* offset = reinterpret_cast<const void*>(uintptr_t(in.indexOffset));
            if (numbered)
                glDrawRangeElements(mode, first, first + count - 1, GLsizei(in.indexCount), type, offset);
            else
                glDrawElements(mode, GLsizei(in.indexCount), type, offset);
        } else {
            // Indices count from vertex `first`, which is array element 0.
            BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
            indexScratch_.resize(in.indexCount);
            for (uint32_t i = 0; i < in.indexCount; ++i) {
                uint32_t v = in.indexSize == 4 ? ReadU32(in.indices + size_t(i) * 4)
                                               : uint32_t(in.indices[size_t(i) * 2] | (in.indices[size_t(i) * 2 + 1] << 8));
                indexScratch_[i] = v - first;
            }
            glDrawElements(mode, GLsizei(in.indexCount), GL_UNSIGNED_INT, indexScratch_.data());
        }
    } else {
        glDrawArrays(mode, 0, GLsizei(count));
    }
    DrewWithArrays();
    HandOverLongFrame();
    return D3D_OK;
}

Result GLDevice::DrawPrimitive(PrimitiveType type, uint32_t startVertex, uint32_t primitiveCount) {
    uint64_t n = VertexCount(type, primitiveCount);
    GLVertexBuffer* vb = Stream0();
    if (!vb || !vb->device || n == 0 || n > 0xFFFFFFu) return D3DERR_INVALIDCALL;
    uint32_t stride = state_.strides[0];
    if (stride == 0) return D3DERR_INVALIDCALL;
    DrawInput in;
    in.base = vb->copyDropped ? nullptr : vb->data.data();
    in.vb = vb;
    in.baseOffset = 0;
    in.stride = stride;
    in.vertexLimit = vb->length / stride;
    in.first = startVertex;
    in.count = uint32_t(n);
    return DoDraw(type, in);
}

Result GLDevice::DrawIndexedPrimitive(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                      uint32_t startIndex, uint32_t primitiveCount) {
    uint64_t n = VertexCount(type, primitiveCount);
    GLVertexBuffer* vb = Stream0();
    GLIndexBuffer* ib = BoundIndices();
    if (!vb || !vb->device || !ib || !ib->device || n == 0 || n > 0xFFFFFFu) return D3DERR_INVALIDCALL;
    uint32_t stride = state_.strides[0];
    if (stride == 0 || uint64_t(startIndex) + n > ib->Count()) return D3DERR_INVALIDCALL;
    uint64_t baseOffset = uint64_t(state_.baseVertexIndex) * stride;
    if (baseOffset >= vb->length) return D3DERR_INVALIDCALL;
    DrawInput in;
    in.base = vb->copyDropped ? nullptr : vb->data.data() + baseOffset;
    in.vb = vb;
    in.baseOffset = uint32_t(baseOffset);
    in.stride = stride;
    in.vertexLimit = uint32_t((vb->length - baseOffset) / stride);
    in.indices = ib->copyDropped ? nullptr : ib->data.data() + size_t(startIndex) * ib->IndexSize();
    in.indexSize = ib->IndexSize();
    in.indexCount = uint32_t(n);
    in.ib = ib;
    in.indexOffset = startIndex * ib->IndexSize();
    in.minIndex = minIndex;
    in.numVertices = numVertices;
    return DoDraw(type, in);
}

Result GLDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertexData,
                                 uint32_t vertexStride) {
    uint64_t n = VertexCount(type, primitiveCount);
    if (!vertexData || vertexStride == 0 || n == 0 || n > 0xFFFFFFu) return D3DERR_INVALIDCALL;
    DrawInput in;
    in.base = static_cast<const uint8_t*>(vertexData);
    in.stride = vertexStride;
    in.vertexLimit = uint32_t(n);
    in.first = 0;
    in.count = uint32_t(n);
    // Drawing from memory leaves the bound stream as it was: the video object's cache takes a
    // binding to last until it changes it.
    return DoDraw(type, in);
}

Result GLDevice::DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minVertexIndex, uint32_t numVertexIndices,
                                        uint32_t primitiveCount, const void* indexData, Format indexFormat,
                                        const void* vertexData, uint32_t vertexStride) {
    uint64_t n = VertexCount(type, primitiveCount);
    if (!vertexData || !indexData || vertexStride == 0 || n == 0 || n > 0xFFFFFFu) return D3DERR_INVALIDCALL;
    if (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if (numVertexIndices == 0) return D3DERR_INVALIDCALL;
    DrawInput in;
    in.base = static_cast<const uint8_t*>(vertexData);
    in.stride = vertexStride;
    // The caller promises vertices minVertexIndex .. + numVertexIndices; indices beyond are refused.
    in.vertexLimit = minVertexIndex + numVertexIndices;
    in.indices = static_cast<const uint8_t*>(indexData);
    in.indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    in.indexCount = uint32_t(n);
    in.minIndex = minVertexIndex;
    in.numVertices = numVertexIndices;
    return DoDraw(type, in);
}

}  // namespace gfx::gl
