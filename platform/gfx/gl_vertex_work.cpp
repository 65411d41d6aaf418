// Vertex processing on the processor, where OpenGL's fixed function differs: pre-transformed
// vertices, vertex blending and lighting (ranges, material sources, the colour rounding).
//
// Blended and lit vertices go through in blocks, one array per component, each light over the
// whole block in a loop free of branches, so that the compiler runs several vertices at a time.
// Every value is computed with the same operations in the same order as one vertex at a time
// would be: the pictures do not depend on the block size.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {

constexpr uint32_t kBlock = 64;

Rgba FromValue(const ColorValue& c) { return {c.r, c.g, c.b, c.a}; }

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

// The vertex's own colours, where nothing lights it: white and no specular where it has none.
inline void VertexColours(const VertexLayout& l, const uint8_t* v, uint32_t* colour, uint32_t* specular) {
    *colour = l.diffuse >= 0 ? ReadU32(v + l.diffuse) : 0xFFFFFFFFu;
    *specular = l.specular >= 0 ? ReadU32(v + l.specular) : 0;
}

// 0..1 to 0..255, half away from zero; NaN and below 0 give 0. Free of branches and calls.
[[gnu::always_inline]] inline uint32_t Quantize(float v) {
    const float x = !(v > 0.0f) ? 0.0f : v >= 1.0f ? 255.0f : v * 255.0f;
    const int32_t whole = int32_t(x);
    return uint32_t(whole) + (x - float(whole) >= 0.5f ? 1u : 0u);
}

[[gnu::always_inline]] inline uint32_t Pack(float r, float g, float b, float a) {
    return (Quantize(a) << 24) | (Quantize(r) << 16) | (Quantize(g) << 8) | Quantize(b);
}

struct V3 {
    float x, y, z;
};
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

struct PreparedLight {
    uint32_t type;
    V3 position;   // camera space
    V3 direction;  // camera space, unit, the way the light travels
    Rgba diffuse, specular, ambient;
    float range, a0, a1, a2, cosHalfTheta, cosHalfPhi, falloff;
};

// The kernels below are always inlined into WorkBlocks, so that each of its builds has them
// in its own instructions.

// Three components of one block.
struct Lanes3 {
    float x[kBlock], y[kBlock], z[kBlock];
};

struct VertexBlock {
    Lanes3 p, n;         // blended (or model-space) position and normal
    Lanes3 pc, nc;       // camera space
    float w[4][kBlock];  // blend weights, the last one 1 - the sum
    Lanes3 amb, dif, spe;
    // The material's colours, per vertex where they come from the vertex.
    Lanes3 md, ma, ms, me;
    float mdA[kBlock], msA[kBlock];
    // One light at a time: where it comes from, its factor, whether it reaches and lights.
    Lanes3 dir;
    float att[kBlock], spot[kBlock], factor[kBlock];
    int32_t reaches[kBlock], lights[kBlock];
    uint32_t colour[kBlock], specular[kBlock];
};

// The sums of the lights times the material's colours, rounded to bytes.
[[gnu::always_inline]] inline void Colours(VertexBlock& b) {
    for (uint32_t i = 0; i < kBlock; ++i) {
        b.colour[i] = Pack(b.me.x[i] + b.ma.x[i] * b.amb.x[i] + b.md.x[i] * b.dif.x[i],
                           b.me.y[i] + b.ma.y[i] * b.amb.y[i] + b.md.y[i] * b.dif.y[i],
                           b.me.z[i] + b.ma.z[i] * b.amb.z[i] + b.md.z[i] * b.dif.z[i], b.mdA[i]);
        b.specular[i] = Pack(b.ms.x[i] * b.spe.x[i], b.ms.y[i] * b.spe.y[i], b.ms.z[i] * b.spe.z[i], b.msA[i]);
    }
}

[[gnu::always_inline]] inline void Fill(float* lanes, float value) { std::fill(lanes, lanes + kBlock, value); }
[[gnu::always_inline]] inline void Fill(Lanes3& lanes, float x, float y, float z) {
    Fill(lanes.x, x), Fill(lanes.y, y), Fill(lanes.z, z);
}

// The sums run in the order of TransformPoint and TransformDir.
[[gnu::always_inline]] inline void TransformBlock(const Lanes3& __restrict in, const Matrix& matrix, Lanes3& __restrict out) {
    const float(&m)[4][4] = matrix.m;
    const float m00 = m[0][0], m01 = m[0][1], m02 = m[0][2], m10 = m[1][0], m11 = m[1][1], m12 = m[1][2];
    const float m20 = m[2][0], m21 = m[2][1], m22 = m[2][2], t0 = m[3][0], t1 = m[3][1], t2 = m[3][2];
    for (uint32_t i = 0; i < kBlock; ++i) {
        const float x = in.x[i], y = in.y[i], z = in.z[i];
        out.x[i] = x * m00 + y * m10 + z * m20 + t0;
        out.y[i] = x * m01 + y * m11 + z * m21 + t1;
        out.z[i] = x * m02 + y * m12 + z * m22 + t2;
    }
}

[[gnu::always_inline]] inline void NormalBlock(const Lanes3& __restrict in, const float m[3][3], Lanes3& __restrict out) {
    const float m00 = m[0][0], m01 = m[0][1], m02 = m[0][2], m10 = m[1][0], m11 = m[1][1], m12 = m[1][2];
    const float m20 = m[2][0], m21 = m[2][1], m22 = m[2][2];
    for (uint32_t i = 0; i < kBlock; ++i) {
        const float x = in.x[i], y = in.y[i], z = in.z[i];
        out.x[i] = x * m00 + y * m10 + z * m20;
        out.y[i] = x * m01 + y * m11 + z * m21;
        out.z[i] = x * m02 + y * m12 + z * m22;
    }
}

[[gnu::always_inline]] inline void AddWeighted(const Lanes3& __restrict in, const float* __restrict w, Lanes3& __restrict sum) {
    for (uint32_t i = 0; i < kBlock; ++i) {
        sum.x[i] = sum.x[i] + in.x[i] * w[i];
        sum.y[i] = sum.y[i] + in.y[i] * w[i];
        sum.z[i] = sum.z[i] + in.z[i] * w[i];
    }
}

[[gnu::always_inline]] inline void NormalizeBlock(Lanes3& v) {
    for (uint32_t i = 0; i < kBlock; ++i) {
        const float x = v.x[i], y = v.y[i], z = v.z[i];
        const float length = std::sqrt(x * x + y * y + z * z);
        const float inverse = 1.0f / length;
        const bool some = length > 1e-20f;
        const float ux = x * inverse, uy = y * inverse, uz = z * inverse;
        v.x[i] = some ? ux : 0.0f;
        v.y[i] = some ? uy : 0.0f;
        v.z[i] = some ? uz : 0.0f;
    }
}

// Where a light comes from at each vertex and its attenuation; whether it reaches at all.
[[gnu::always_inline]] inline void LightDirections(const PreparedLight& L, VertexBlock& b) {
    if (L.type == D3DLIGHT_DIRECTIONAL) {
        const V3 d = L.direction * -1.0f;
        Fill(b.dir, d.x, d.y, d.z);
        Fill(b.att, 1.0f);
        std::fill(b.reaches, b.reaches + kBlock, 1);
        return;
    }
    const float lx = L.position.x, ly = L.position.y, lz = L.position.z;
    const float range = L.range, a0 = L.a0, a1 = L.a1, a2 = L.a2;
    for (uint32_t i = 0; i < kBlock; ++i) {
        const float dx = lx - b.pc.x[i], dy = ly - b.pc.y[i], dz = lz - b.pc.z[i];
        const float dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        const float inverse = 1.0f / dist;
        const bool apart = dist > 1e-20f;
        const float ux = dx * inverse, uy = dy * inverse, uz = dz * inverse;
        b.dir.x[i] = apart ? ux : 0.0f;
        b.dir.y[i] = apart ? uy : 0.0f;
        b.dir.z[i] = apart ? uz : 0.0f;
        const float den = a0 + a1 * dist + a2 * dist * dist;
        const float attenuated = 1.0f / den;
        b.att[i] = den > 1e-20f ? attenuated : 1.0f;
        b.reaches[i] = !(dist > range);
    }
}

// The cone of a spot light, one vertex at a time: the falloff takes a power.
void SpotFactors(const PreparedLight& L, uint32_t count, VertexBlock& b) {
    for (uint32_t i = 0; i < count; ++i) {
        const float rho = Dot(V3{b.dir.x[i], b.dir.y[i], b.dir.z[i]} * -1.0f, L.direction);
        float spot = 1.0f;
        if (rho <= L.cosHalfPhi)
            spot = 0.0f;
        else if (rho < L.cosHalfTheta) {
            float t = (rho - L.cosHalfPhi) / (L.cosHalfTheta - L.cosHalfPhi);
            spot = L.falloff == 1.0f ? t : std::pow(t, L.falloff);
        }
        b.spot[i] = spot;
    }
}

// Ambient and diffuse of one light added into the block's sums.
[[gnu::always_inline]] inline void AddLight(const PreparedLight& L, VertexBlock& b) {
    const float ar = L.ambient.r, ag = L.ambient.g, ab = L.ambient.b;
    const float dr = L.diffuse.r, dg = L.diffuse.g, db = L.diffuse.b;
    for (uint32_t i = 0; i < kBlock; ++i) {
        const float f = b.att[i] * b.spot[i];
        const bool reaches = b.reaches[i] != 0;
        const float ambR = b.amb.x[i] + ar * f, ambG = b.amb.y[i] + ag * f, ambB = b.amb.z[i] + ab * f;
        b.amb.x[i] = reaches ? ambR : b.amb.x[i];
        b.amb.y[i] = reaches ? ambG : b.amb.y[i];
        b.amb.z[i] = reaches ? ambB : b.amb.z[i];
        const float ndl = b.nc.x[i] * b.dir.x[i] + b.nc.y[i] * b.dir.y[i] + b.nc.z[i] * b.dir.z[i];
        const bool lights = reaches & !(ndl <= 0.0f);
        const float difR = b.dif.x[i] + dr * ndl * f, difG = b.dif.y[i] + dg * ndl * f, difB = b.dif.z[i] + db * ndl * f;
        b.dif.x[i] = lights ? difR : b.dif.x[i];
        b.dif.y[i] = lights ? difG : b.dif.y[i];
        b.dif.z[i] = lights ? difB : b.dif.z[i];
        b.factor[i] = f;
        b.lights[i] = lights;
    }
}

// The specular highlight of one light, one vertex at a time: it takes a power.
void AddSpecular(const PreparedLight& L, float power, bool localViewer, uint32_t count, VertexBlock& b) {
    for (uint32_t i = 0; i < count; ++i) {
        if (!b.lights[i]) continue;
        V3 toEye{0, 0, -1};
        if (localViewer) toEye = Normalize(V3{b.pc.x[i], b.pc.y[i], b.pc.z[i]} * -1.0f);
        const V3 h = Normalize(V3{b.dir.x[i] + toEye.x, b.dir.y[i] + toEye.y, b.dir.z[i] + toEye.z});
        const float ndh = Dot(V3{b.nc.x[i], b.nc.y[i], b.nc.z[i]}, h);
        if (ndh > 0.0f) {
            const float s = std::pow(ndh, power) * b.factor[i];
            b.spe.x[i] += L.specular.r * s, b.spe.y[i] += L.specular.g * s, b.spe.z[i] += L.specular.b * s;
        }
    }
}

// What one draw's vertex work needs, fixed for the draw.
struct DrawWork {
    const VertexLayout* l;
    const uint8_t* base;
    uint32_t stride, first, count;
    bool blend, light, normalize, specularOn, localViewer, spots;
    uint32_t matrices;
    const Matrix* worlds;  // world 0..3
    const float (*normalM)[3][3];
    const Matrix* toCamera;
    const float (*normalC)[3];
    const PreparedLight* lights;
    uint32_t lightCount;
    float power;
    Rgba ambientLight, diffuse, ambient, specular, emissive;
    int32_t diffuseFrom, ambientFrom, specularFrom, emissiveFrom;
    float* positions;  // four floats a vertex, or null for none
    float* normals;    // three, or null for none
    uint32_t *colors, *speculars;
};

// The blocks of one draw. Built three times, the processor choosing when the program starts:
// with sixteen lanes or eight where the processor has them, four elsewhere. None contracts a
// multiply and an add into one step (the file is built so), so all give the same bytes.
__attribute__((target_clones("avx512f", "avx2", "default"))) void WorkBlocks(const DrawWork& w) {
    const VertexLayout& l = *w.l;
    const uint32_t matrices = w.matrices;
    VertexBlock b;
    if (w.light) {
        Fill(b.md, w.diffuse.r, w.diffuse.g, w.diffuse.b), Fill(b.mdA, w.diffuse.a);
        Fill(b.ma, w.ambient.r, w.ambient.g, w.ambient.b);
        Fill(b.ms, w.specular.r, w.specular.g, w.specular.b), Fill(b.msA, w.specular.a);
        Fill(b.me, w.emissive.r, w.emissive.g, w.emissive.b);
        Fill(b.spot, 1.0f);
    }
    for (uint32_t start = 0; start < w.count; start += kBlock) {
        const uint32_t n = std::min(kBlock, w.count - start);
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* v = w.base + size_t(w.first + start + i) * w.stride;
            b.p.x[i] = ReadFloat(v + l.position), b.p.y[i] = ReadFloat(v + l.position + 4);
            b.p.z[i] = ReadFloat(v + l.position + 8);
            if (l.normal >= 0)
                b.n.x[i] = ReadFloat(v + l.normal), b.n.y[i] = ReadFloat(v + l.normal + 4),
                b.n.z[i] = ReadFloat(v + l.normal + 8);
            else
                b.n.x[i] = b.n.y[i] = b.n.z[i] = 0.0f;
            if (w.blend) {
                float sum = 0.0f;
                for (uint32_t k = 0; k + 1 < matrices; ++k) {
                    b.w[k][i] = ReadFloat(v + l.weightOffset + 4 * k);
                    sum += b.w[k][i];
                }
                b.w[matrices - 1][i] = 1.0f - sum;
            }
            if (!w.light) continue;
            auto take = [&](int32_t from, Lanes3& lanes, float* alpha) {
                if (from < 0) return;
                const Rgba c = FromColor(ReadU32(v + from));
                lanes.x[i] = c.r, lanes.y[i] = c.g, lanes.z[i] = c.b;
                if (alpha) alpha[i] = c.a;
            };
            take(w.diffuseFrom, b.md, b.mdA);
            take(w.ambientFrom, b.ma, nullptr);
            take(w.specularFrom, b.ms, b.msA);
            take(w.emissiveFrom, b.me, nullptr);
        }
        if (n < kBlock) {
            // Lanes past the end copy lane 0: worked on like it, never written out.
            auto pad = [&](float* lanes) { std::fill(lanes + n, lanes + kBlock, lanes[0]); };
            auto pad3 = [&](Lanes3& lanes) { pad(lanes.x), pad(lanes.y), pad(lanes.z); };
            pad3(b.p), pad3(b.n);
            if (w.blend)
                for (uint32_t k = 0; k < matrices; ++k) pad(b.w[k]);
            if (w.light) pad3(b.md), pad3(b.ma), pad3(b.ms), pad3(b.me), pad(b.mdA), pad(b.msA);
        }
        if (w.blend) {
            // The sums start from 0 as one vertex at a time does: 0 + x is x but for the sign of 0.
            Fill(b.pc, 0, 0, 0), Fill(b.nc, 0, 0, 0);
            for (uint32_t k = 0; k < matrices; ++k) {
                TransformBlock(b.p, w.worlds[k], b.amb);
                NormalBlock(b.n, w.normalM[k], b.dif);
                AddWeighted(b.amb, b.w[k], b.pc);
                AddWeighted(b.dif, b.w[k], b.nc);
            }
            b.p = b.pc, b.n = b.nc;
        }
        if (w.positions)
            for (uint32_t i = 0; i < n; ++i) {
                float* out = &w.positions[size_t(start + i) * 4];
                out[0] = b.p.x[i], out[1] = b.p.y[i], out[2] = b.p.z[i], out[3] = 1.0f;
            }
        if (w.normals)
            for (uint32_t i = 0; i < n; ++i) {
                float* out = &w.normals[size_t(start + i) * 3];
                out[0] = b.n.x[i], out[1] = b.n.y[i], out[2] = b.n.z[i];
            }
        if (!w.light) {
            for (uint32_t i = 0; i < n; ++i) {
                const uint8_t* v = w.base + size_t(w.first + start + i) * w.stride;
                VertexColours(l, v, &w.colors[start + i], &w.speculars[start + i]);
            }
            continue;
        }

        TransformBlock(b.p, *w.toCamera, b.pc);
        NormalBlock(b.n, w.normalC, b.nc);
        if (w.normalize) NormalizeBlock(b.nc);
        Fill(b.amb, w.ambientLight.r, w.ambientLight.g, w.ambientLight.b);
        Fill(b.dif, 0, 0, 0);
        Fill(b.spe, 0, 0, 0);
        for (uint32_t k = 0; k < w.lightCount; ++k) {
            const PreparedLight& L = w.lights[k];
            LightDirections(L, b);
            if (L.type == D3DLIGHT_SPOT)
                SpotFactors(L, n, b);
            else if (w.spots)
                Fill(b.spot, 1.0f);
            AddLight(L, b);
            if (w.specularOn) AddSpecular(L, w.power, w.localViewer, n, b);
        }
        Colours(b);
        std::memcpy(&w.colors[start], b.colour, n * 4);
        std::memcpy(&w.speculars[start], b.specular, n * 4);
    }
}

}  // namespace

bool GLDevice::ProcessVertices(const VertexLayout& l, const uint8_t* base, uint32_t stride, uint32_t first,
                               uint32_t count, const VertexWork& what) {
    const bool blend = what.blend, light = what.light;
    const size_t at = what.numbered ? first : 0, end = at + count;
    const bool positions = what.positions || l.rhw;
    if (positions) positions_.resize(end * 4);
    colors_.resize(end);
    speculars_.resize(end);
    const bool wantNormals = positions && l.normal >= 0;
    if (wantNormals) normals_.resize(end * 3);
    const uint32_t* rs = state_.renderStates;
    const bool fogTL = l.rhw && rs[D3DRS_FOGENABLE];
    if (fogTL) fogCoords_.resize(end);

    if (l.rhw) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* v = base + size_t(first + i) * stride;
            float x = ReadFloat(v), y = ReadFloat(v + 4), z = ReadFloat(v + 8), rhw = ReadFloat(v + 12);
            // The reciprocal of w gives back perspective-correct interpolation.
            float w = (std::isfinite(rhw) && rhw > 1e-20f) ? 1.0f / rhw : 1.0f;
            const size_t o = at + i;
            float* p = &positions_[o * 4];
            p[0] = x * w, p[1] = y * w, p[2] = z * w, p[3] = w;
            VertexColours(l, v, &colors_[o], &speculars_[o]);
            if (fogTL) {
                if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE)
                    fogCoords_[o] = w;  // eye depth for table fog
                else  // vertex fog of pre-transformed vertices comes in the specular alpha
                    fogCoords_[o] = 1.0f - float(speculars_[o] >> 24) / 255.0f;
            }
            if (wantNormals) std::memcpy(&normals_[o * 3], v + l.normal, 12);
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
    const Matrix toCamera = blend ? view : Mul(state_.transforms[kXfWorld0], view);
    float normalC[3][3];
    if (!NormalMatrix(toCamera, normalC)) std::memset(normalC, 0, sizeof(normalC));
    PreparedLight lights[kMaxLights];
    uint32_t lightCount = 0;
    bool spots = false;
    if (light) {
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
            spots = spots || L.Type == D3DLIGHT_SPOT;
        }
    }
    const Material& mat = state_.material;
    const bool colorVertex = rs[D3DRS_COLORVERTEX] != 0;
    // Where each material colour comes from: the vertex's diffuse or specular (byte offset), or
    // the material (-1).
    auto sourceOffset = [&](uint32_t which) -> int32_t {
        if (colorVertex && which == D3DMCS_COLOR1 && l.diffuse >= 0) return l.diffuse;
        if (colorVertex && which == D3DMCS_COLOR2 && l.specular >= 0) return l.specular;
        return -1;
    };
    DrawWork w;
    w.l = &l, w.base = base, w.stride = stride, w.first = first, w.count = count;
    w.blend = blend, w.light = light;
    w.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
    w.specularOn = rs[D3DRS_SPECULARENABLE] != 0;
    w.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    w.spots = spots;
    w.matrices = matrices;
    w.worlds = &state_.transforms[kXfWorld0];
    w.normalM = normalM;
    w.toCamera = &toCamera;
    w.normalC = normalC;
    w.lights = lights, w.lightCount = lightCount;
    w.power = mat.Power;
    w.ambientLight = FromColor(rs[D3DRS_AMBIENT]);
    w.diffuse = FromValue(mat.Diffuse), w.ambient = FromValue(mat.Ambient), w.specular = FromValue(mat.Specular),
    w.emissive = FromValue(mat.Emissive);
    w.diffuseFrom = sourceOffset(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
    w.ambientFrom = sourceOffset(rs[D3DRS_AMBIENTMATERIALSOURCE]);
    w.specularFrom = sourceOffset(rs[D3DRS_SPECULARMATERIALSOURCE]);
    w.emissiveFrom = sourceOffset(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
    w.positions = positions ? positions_.data() + at * 4 : nullptr;
    w.normals = wantNormals ? normals_.data() + at * 3 : nullptr;
    w.colors = colors_.data() + at, w.speculars = speculars_.data() + at;
    WorkBlocks(w);
    return true;
}

}  // namespace gfx::gl
