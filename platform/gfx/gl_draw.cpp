// Drawing on the OpenGL device: vertex processing on the processor where OpenGL's fixed
// function differs (pre-transformed vertices, vertex blending, lighting), and the draw calls.
#include <algorithm>
#include <cmath>
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

Rgba FromValue(const ColorValue& c) { return {c.r, c.g, c.b, c.a}; }

uint32_t ToColor(const Rgba& c) {
    // Rounds half away from zero like lround, without its call: the sum is exact in double.
    auto q = [](float v) -> uint32_t {
        if (!(v > 0.0f)) return 0;   // NaN too
        if (v >= 1.0f) return 255;
        const float x = v * 255.0f;
        return uint32_t(double(x) + 0.5);
    };
    return (q(c.a) << 24) | (q(c.r) << 16) | (q(c.g) << 8) | q(c.b);
}

inline float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

inline uint32_t ReadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

struct V3 {
    float x, y, z;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Normalize(V3 v) {
    float l = std::sqrt(Dot(v, v));
    return l > 1e-20f ? v * (1.0f / l) : V3{0, 0, 0};
}
inline V3 TransformPoint(V3 p, const Matrix& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
inline V3 TransformDir(V3 d, const Matrix& m) {
    return {d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0], d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
            d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2]};
}
inline V3 TransformNormal(V3 n, const float m[3][3]) {
    return {n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0], n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
            n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
}

struct PreparedLight {
    uint32_t type;
    V3 position;   // camera space
    V3 direction;  // camera space, unit, the way the light travels
    Rgba diffuse, specular, ambient;
    float range, a0, a1, a2, cosHalfTheta, cosHalfPhi, falloff;
};

}  // namespace

// ---- Vertex processing on the processor ----

bool GLDevice::ProcessVertices(const VertexLayout& l, const uint8_t* base, uint32_t stride, uint32_t first,
                               uint32_t count, bool blend, bool light) {
    positions_.resize(size_t(count) * 4);
    colors_.resize(count);
    speculars_.resize(count);
    const bool wantNormals = l.normal >= 0;
    if (wantNormals) normals_.resize(size_t(count) * 3);
    const uint32_t* rs = state_.renderStates;
    const bool fogTL = l.rhw && rs[D3DRS_FOGENABLE];
    if (fogTL) fogCoords_.resize(count);

    if (l.rhw) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* v = base + size_t(first + i) * stride;
            float x = ReadFloat(v), y = ReadFloat(v + 4), z = ReadFloat(v + 8), rhw = ReadFloat(v + 12);
            // The reciprocal of w gives back perspective-correct interpolation.
            float w = (std::isfinite(rhw) && rhw > 1e-20f) ? 1.0f / rhw : 1.0f;
            float* p = &positions_[size_t(i) * 4];
            p[0] = x * w, p[1] = y * w, p[2] = z * w, p[3] = w;
            colors_[i] = l.diffuse >= 0 ? ReadU32(v + l.diffuse) : 0xFFFFFFFFu;
            speculars_[i] = l.specular >= 0 ? ReadU32(v + l.specular) : 0;
            if (fogTL) {
                if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE)
                    fogCoords_[i] = w;  // eye depth for table fog
                else  // vertex fog of pre-transformed vertices comes in the specular alpha
                    fogCoords_[i] = 1.0f - float(speculars_[i] >> 24) / 255.0f;
            }
            if (wantNormals) std::memcpy(&normals_[size_t(i) * 3], v + l.normal, 12);
        }
        return true;
    }

    // Blend matrices: world 0..n, weights from the vertex, the last one 1 - the sum.
    const uint32_t vb = rs[D3DRS_VERTEXBLEND];
    uint32_t matrices = 1;
    if (blend) matrices = std::min<uint32_t>(std::min<uint32_t>(vb, l.weights) + 1, 4);
    float normalM[4][3][3];
    for (uint32_t k = 0; k < matrices; ++k)
        if (!NormalMatrix(state_.transforms[kXfWorld0 + k], normalM[k])) std::memset(normalM[k], 0, sizeof(normalM[k]));

    // Lighting is done in camera space.
    const Matrix& view = state_.transforms[kXfView];
    Matrix toCamera = blend ? view : Mul(state_.transforms[kXfWorld0], view);
    float normalC[3][3];
    if (!NormalMatrix(toCamera, normalC)) std::memset(normalC, 0, sizeof(normalC));
    PreparedLight lights[kMaxLights];
    uint32_t lightCount = 0;
    if (light) {
        float viewNormal[3][3];
        if (!NormalMatrix(view, viewNormal)) std::memset(viewNormal, 0, sizeof(viewNormal));
        for (uint32_t k = 0; k < kMaxLights; ++k) {
            const LightSlot& s = state_.lights[k];
            if (!s.enabled) continue;
            const Light& L = s.light;
            PreparedLight& p = lights[lightCount++];
            p.type = L.Type;
            p.position = TransformPoint({L.Position.x, L.Position.y, L.Position.z}, view);
            p.direction = Normalize(TransformDir({L.Direction.x, L.Direction.y, L.Direction.z}, view));
            p.diffuse = FromValue(L.Diffuse), p.specular = FromValue(L.Specular), p.ambient = FromValue(L.Ambient);
            p.range = L.Range, p.a0 = L.Attenuation0, p.a1 = L.Attenuation1, p.a2 = L.Attenuation2;
            p.cosHalfTheta = std::cos(L.Theta * 0.5f), p.cosHalfPhi = std::cos(L.Phi * 0.5f);
            p.falloff = L.Falloff;
        }
    }
    const Material& mat = state_.material;
    const Rgba ambientLight = FromColor(rs[D3DRS_AMBIENT]);
    const bool colorVertex = rs[D3DRS_COLORVERTEX] != 0;
    const bool normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
    const bool specularOn = rs[D3DRS_SPECULARENABLE] != 0;
    const bool localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    auto source = [&](uint32_t which, const ColorValue& m, const uint8_t* v) -> Rgba {
        if (colorVertex && which == D3DMCS_COLOR1 && l.diffuse >= 0) return FromColor(ReadU32(v + l.diffuse));
        if (colorVertex && which == D3DMCS_COLOR2 && l.specular >= 0) return FromColor(ReadU32(v + l.specular));
        return FromValue(m);
    };

    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* v = base + size_t(first + i) * stride;
        V3 p{ReadFloat(v + l.position), ReadFloat(v + l.position + 4), ReadFloat(v + l.position + 8)};
        V3 n{0, 0, 0};
        if (l.normal >= 0) n = {ReadFloat(v + l.normal), ReadFloat(v + l.normal + 4), ReadFloat(v + l.normal + 8)};
        if (blend) {
            float w[4] = {0, 0, 0, 0}, sum = 0.0f;
            for (uint32_t k = 0; k + 1 < matrices; ++k) {
                w[k] = ReadFloat(v + l.weightOffset + 4 * k);
                sum += w[k];
            }
            w[matrices - 1] = 1.0f - sum;
            V3 bp{0, 0, 0}, bn{0, 0, 0};
            for (uint32_t k = 0; k < matrices; ++k) {
                bp = bp + TransformPoint(p, state_.transforms[kXfWorld0 + k]) * w[k];
                bn = bn + TransformNormal(n, normalM[k]) * w[k];
            }
            p = bp;
            n = bn;
        }
        float* out = &positions_[size_t(i) * 4];
        out[0] = p.x, out[1] = p.y, out[2] = p.z, out[3] = 1.0f;
        if (wantNormals) {
            float* no = &normals_[size_t(i) * 3];
            no[0] = n.x, no[1] = n.y, no[2] = n.z;
        }
        if (!light) {
            colors_[i] = l.diffuse >= 0 ? ReadU32(v + l.diffuse) : 0xFFFFFFFFu;
            speculars_[i] = l.specular >= 0 ? ReadU32(v + l.specular) : 0;
            continue;
        }
        V3 pc = TransformPoint(p, toCamera);
        V3 nc = TransformNormal(n, normalC);
        if (normalize) nc = Normalize(nc);
        Rgba md = source(rs[D3DRS_DIFFUSEMATERIALSOURCE], mat.Diffuse, v);
        Rgba ma = source(rs[D3DRS_AMBIENTMATERIALSOURCE], mat.Ambient, v);
        Rgba ms = source(rs[D3DRS_SPECULARMATERIALSOURCE], mat.Specular, v);
        Rgba me = source(rs[D3DRS_EMISSIVEMATERIALSOURCE], mat.Emissive, v);
        Rgba amb = ambientLight, dif{0, 0, 0, 0}, spe{0, 0, 0, 0};
        V3 toEye{0, 0, -1};
        if (specularOn && localViewer) toEye = Normalize(pc * -1.0f);
        for (uint32_t k = 0; k < lightCount; ++k) {
            const PreparedLight& L = lights[k];
            V3 dir;
            float att = 1.0f, spot = 1.0f;
            if (L.type == D3DLIGHT_DIRECTIONAL) {
                dir = L.direction * -1.0f;
            } else {
                V3 d = L.position - pc;
                float dist = std::sqrt(Dot(d, d));
                if (dist > L.range) continue;
                dir = dist > 1e-20f ? d * (1.0f / dist) : V3{0, 0, 0};
                float den = L.a0 + L.a1 * dist + L.a2 * dist * dist;
                att = den > 1e-20f ? 1.0f / den : 1.0f;
                if (L.type == D3DLIGHT_SPOT) {
                    float rho = Dot(dir * -1.0f, L.direction);
                    if (rho <= L.cosHalfPhi)
                        spot = 0.0f;
                    else if (rho < L.cosHalfTheta) {
                        float t = (rho - L.cosHalfPhi) / (L.cosHalfTheta - L.cosHalfPhi);
                        spot = L.falloff == 1.0f ? t : std::pow(t, L.falloff);
                    }
                }
            }
            float f = att * spot;
            amb.r += L.ambient.r * f, amb.g += L.ambient.g * f, amb.b += L.ambient.b * f;
            float ndl = Dot(nc, dir);
            if (ndl <= 0.0f) continue;
            dif.r += L.diffuse.r * ndl * f, dif.g += L.diffuse.g * ndl * f, dif.b += L.diffuse.b * ndl * f;
            if (specularOn) {
                V3 h = Normalize(dir + toEye);
                float ndh = Dot(nc, h);
                if (ndh > 0.0f) {
                    float s = std::pow(ndh, mat.Power) * f;
                    spe.r += L.specular.r * s, spe.g += L.specular.g * s, spe.b += L.specular.b * s;
                }
            }
        }
        Rgba c{me.r + ma.r * amb.r + md.r * dif.r, me.g + ma.g * amb.g + md.g * dif.g,
               me.b + ma.b * amb.b + md.b * dif.b, md.a};
        colors_[i] = ToColor(c);
        speculars_[i] = ToColor({ms.r * spe.r, ms.g * spe.g, ms.b * spe.b, ms.a});
    }
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
    const bool light = !l.rhw && rs[D3DRS_LIGHTING] != 0;
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
    if (in.indexCount) {
        if (!cpu && in.ib && in.vb && in.ib->MaxIndex() < in.vertexLimit) {
            bufferIndices = true;
            first = 0;
            count = 0;
        } else {
            if (in.ib) {
                const uint8_t* bytes = in.ib->Bytes(this);
                if (!bytes) return D3DERR_INVALIDCALL;
                in.indices = bytes + in.indexOffset;
            }
            uint32_t lo = 0xFFFFFFFFu, hi = 0;
            for (uint32_t i = 0; i < in.indexCount; ++i) {
                uint32_t v = in.indexSize == 4 ? ReadU32(in.indices + size_t(i) * 4)
                                               : uint32_t(in.indices[size_t(i) * 2] | (in.indices[size_t(i) * 2 + 1] << 8));
                lo = std::min(lo, v), hi = std::max(hi, v);
            }
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

    // Texture coordinates come straight from the vertices in every path.
    const bool useBuffer = !cpu && in.vb != nullptr;
    const uint8_t* texBase = useBuffer ? nullptr : in.base + size_t(first) * in.stride;
    uintptr_t bufferOffset = uintptr_t(in.baseOffset) + uintptr_t(first) * in.stride;
    if (useBuffer) {
        BindBuffer(GL_ARRAY_BUFFER, in.vb->buffer);
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

    bool fogCoords = false;
    if (cpu) {
        ProcessVertices(l, in.base, in.stride, first, count, blend, light);
        ClientArray(kArrayVertex, true);
        ArrayPointer(kPtrVertex, 4, GL_FLOAT, 0, positions_.data());
        ClientArray(kArrayColor, true);
        ArrayPointer(kPtrColor, GL_BGRA, GL_UNSIGNED_BYTE, 0, colors_.data());
        ClientArray(kArraySecondary, true);
        ArrayPointer(kPtrSecondary, GL_BGRA, GL_UNSIGNED_BYTE, 0, speculars_.data());
        if (l.normal >= 0) {
            ClientArray(kArrayNormal, true);
            ArrayPointer(kPtrNormal, 3, GL_FLOAT, 0, normals_.data());
        } else {
            ClientArray(kArrayNormal, false);
            ConstantZeroNormal();
        }
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
        auto at = [&](int32_t off) -> const void* {
            return useBuffer ? reinterpret_cast<const void*>(bufferOffset + uintptr_t(off)) : texBase + off;
        };
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
            glDrawElements(mode, GLsizei(in.indexCount), in.indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(uintptr_t(in.indexOffset)));
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
