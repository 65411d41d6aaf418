#include "scene/character_shadow.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "common/binary_reader.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/bone.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/collision_octree.h"
#include "scene/light_node.h"
#include "scene/scene.h"
#include "scene/y3d_loader.h"
#include "core/debug_log.h"
#include "core/pack_file.h"
#include "world/scenario.h"

ModelLoaderList g_ModelLoaders;

namespace {

float F32At(const uint8_t* p) {
    const uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// (pc - pb) x (pb - pa) . l, operation for operation as Vec3Sub, Vec3Cross and Vec3Dot have it.
inline float FacingDot(const float* pa, const float* pb, const float* pc, const Vec3& l) {
    float u[4], w[4];
    for (int k = 0; k < 4; ++k) {
        u[k] = pc[k] - pb[k];
        w[k] = pb[k] - pa[k];
    }
    const float x = u[1] * w[2] - u[2] * w[1], y = u[2] * w[0] - u[0] * w[2], z = u[0] * w[1] - u[1] * w[0];
    return x * l.x + y * l.y + z * l.z;
}

// Written as the negation so that a NaN weight counts, as it always has.
inline bool InfluenceCounts(const ShadowInfluence& in) { return !(std::fabs(in.weight) < 0.0001f); }

struct OverlayVertex {
    float x, y, z, rhw;
    uint32_t colour;
};

bool ReadShadowMesh(ModelLoader* loader, BinaryReader& in, uint32_t boneCount) {
    uint32_t triangleCount = 0, vertexCount = 0;
    if (!in.ReadU32(triangleCount) || !in.ReadU32(vertexCount)) return false;
    // Every triangle takes 6 bytes and every vertex at least 20: the entry must hold them.
    if (uint64_t(triangleCount) * 6 + uint64_t(vertexCount) * SHADOW_VERTEX_RECORD_SIZE > in.Remaining()) {
        WriteDebugLogF("Shadow model refused: %u triangles and %u vertices do not fit", triangleCount, vertexCount);
        return false;
    }
    if (vertexCount > 0x10000) {
        WriteDebugLogF("Shadow model refused: %u vertices", vertexCount);
        return false;
    }
    loader->triangles.resize(size_t(triangleCount) * 3);
    for (uint16_t& v : loader->triangles) {
        in.ReadU16(v);
        if (v >= vertexCount) {
            WriteDebugLogF("Shadow model refused: triangle vertex %u of %u", unsigned(v), vertexCount);
            return false;
        }
    }
    loader->triangleCount = triangleCount;
    loader->vertices.resize(vertexCount);
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const uint8_t* r = in.Span(SHADOW_VERTEX_RECORD_SIZE);
        if (!r) return false;
        ShadowVertex& out = loader->vertices[v];
        out.position = {F32At(r), F32At(r + 4), F32At(r + 8)};
        const uint8_t n = r[12];
        if (uint64_t(n) * SHADOW_INFLUENCE_SIZE > in.Remaining()) return false;
        out.influences.resize(n);
        for (uint8_t i = 0; i < n; ++i) {
            const uint8_t* at = in.Span(SHADOW_INFLUENCE_SIZE);
            if (at[0] >= boneCount) {
                WriteDebugLogF("Shadow model refused: influence on bone %u of %u", unsigned(at[0]), boneCount);
                return false;
            }
            out.influences[i] = {at[0], F32At(at + 4)};
        }
    }
    loader->vertexCount = vertexCount;
    return true;
}

}  // namespace

// ---- Loader ----

void ModelLoader::Release() {
    triangles.clear();
    triangleCount = 0;
    vertices.clear();
    vertexCount = 0;
    inverseBinds.clear();
    volume.clear();
    volumeCount = 0;
    edges.clear();
    edgeCount = 0;
    distinctEdgeCount = 0;
    neighbours_.clear();
    otherStart_.clear();
    otherSides_.clear();
    facing_.clear();
    bindPositions_.clear();
    influenceStart_.clear();
    packedInfluences_.clear();
}

void ModelLoader::BuildInfluenceTable() {
    bindPositions_.resize(vertexCount);
    influenceStart_.resize(size_t(vertexCount) + 1);
    packedInfluences_.clear();
    bindFinite_ = true;
    maxInfluenceBone_ = 0;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const Vec3& p = bindPositions_[v] = vertices[v].position;
        bindFinite_ = bindFinite_ && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        influenceStart_[v] = uint32_t(packedInfluences_.size());
        for (const ShadowInfluence& in : vertices[v].influences)
            if (InfluenceCounts(in)) {
                packedInfluences_.push_back(in);
                maxInfluenceBone_ = std::max<uint32_t>(maxInfluenceBone_, in.bone);
            }
    }
    influenceStart_[vertexCount] = uint32_t(packedInfluences_.size());
}

void ModelLoader::BuildEdgeTable() {
    // Corners sorted by their undirected edge, and on one edge in triangle order, the order the
    // toggles would meet them in.
    const size_t corners = size_t(triangleCount) * 3;
    std::vector<uint64_t> keyed(corners);
    for (size_t c = 0; c < corners; ++c) {
        const uint16_t a = triangles[c], b = triangles[c % 3 == 2 ? c - 2 : c + 1];
        const uint32_t key = uint32_t(std::min(a, b)) << 16 | std::max(a, b);
        keyed[c] = uint64_t(key) << 32 | c;
    }
    std::sort(keyed.begin(), keyed.end());
    neighbours_.resize(corners);
    otherStart_.clear();
    otherSides_.clear();
    distinctEdgeCount = 0;
    for (size_t i = 0, next = 0; i < corners; i = next) {
        for (next = i + 1; next < corners && keyed[next] >> 32 == keyed[i] >> 32; ++next) {}
        ++distinctEdgeCount;
        if (next - i == 2) {
            const uint32_t c0 = uint32_t(keyed[i]), c1 = uint32_t(keyed[i + 1]);
            neighbours_[c0] = c1 / 3;
            neighbours_[c1] = c0 / 3;
            continue;
        }
        otherStart_.push_back(uint32_t(otherSides_.size()));
        for (size_t k = i; k < next; ++k) {
            const uint32_t c = uint32_t(keyed[k]);
            neighbours_[c] = c / 3;
            otherSides_.push_back({c / 3, triangles[c], triangles[c % 3 == 2 ? c - 2 : c + 1]});
        }
    }
    otherStart_.push_back(uint32_t(otherSides_.size()));
}

bool LoadModel(ModelLoader* loader, const char* fileName, CharacterModel* model) {
    if (!loader || !fileName || !model) return false;
    PackEntry entry;
    if (!entry.Open("MODELOS.DAT", fileName)) {
        WriteDebugLogF("Shadow model %s not found", fileName);
        return false;
    }
    return LoadModel(loader, entry.Reader(), model);
}

bool LoadModel(ModelLoader* loader, BinaryReader& in, CharacterModel* model) {
    if (!loader || !model) return false;
    loader->Release();
    Y3DHeader header;
    if (!ReadY3DHeader(in, &header)) return false;
    Y3DObjectRecord record;
    Y3DNodeHeader node;
    if (!FindY3DObject(in, header.firstObject, header.objectCount, Y3D_OBJECT_SHADOW_MESH, &record) ||
        !ReadY3DNodeHeader(in, &node)) {
        WriteDebugLog("Shadow model refused: no shadow mesh");
        return false;
    }
    if (node.type == Y3D_OBJECT_SHADOW_MESH && !ReadShadowMesh(loader, in, model->boneCount)) {
        loader->Release();
        return false;
    }
    loader->BuildEdgeTable();
    loader->BuildInfluenceTable();
    loader->inverseBinds.assign(model->boneCount, Mat4Identity());
    ReadBoneInverseBinds(in, header.firstObject, header.objectCount, &loader->inverseBinds);
    return true;
}

// ---- Volume ----

void ToggleEdge(uint16_t* edges, uint32_t* count, uint16_t a, uint16_t b) {
    for (uint32_t i = *count; i-- > 0;) {
        const uint16_t x = edges[2 * i], y = edges[2 * i + 1];
        if ((x == a && y == b) || (x == b && y == a)) {
            const uint32_t last = *count - 1;
            edges[2 * i] = edges[2 * last];
            edges[2 * i + 1] = edges[2 * last + 1];
            *count = last;
            return;
        }
    }
    edges[2 * *count] = a;
    edges[2 * *count + 1] = b;
    ++*count;
}

Vec3 ModelLoader::SkinVertex(const CharacterModel& model, uint32_t v) const {
    Vec3 p{};
    const ShadowVertex& vertex = vertices[v];
    for (const ShadowInfluence& in : vertex.influences) {
        if (!InfluenceCounts(in)) continue;
        if (in.bone >= model.bones.size() || !model.bones[in.bone] || in.bone >= inverseBinds.size()) continue;
        const Mat4 m = Mat4Mul(inverseBinds[in.bone], model.bones[in.bone]->worldMatrix);
        p = Vec3Add(p, Vec3Scale(Vec3TransformCoord(vertex.position, m), in.weight));
    }
    return p;
}

// The same sums as SkinVertex, with each bone's product formed once for the frame.
void ModelLoader::SkinAll(const CharacterModel& model) {
    const size_t bones = std::min(model.bones.size(), inverseBinds.size());
    boneMatrices_.resize(bones);
    // A mesh filled in directly rather than loaded gets its table here.
    if (influenceStart_.size() != size_t(vertexCount) + 1) BuildInfluenceTable();
    boneUsable_.assign(bones, 0);
    bool allAffine = bindFinite_ && (packedInfluences_.empty() || maxInfluenceBone_ < bones);
    for (size_t b = 0; b < bones; ++b) {
        if (!model.bones[b]) {
            allAffine = allAffine && b > maxInfluenceBone_;
            continue;
        }
        const Mat4& m = boneMatrices_[b] = Mat4Mul(inverseBinds[b], model.bones[b]->worldMatrix);
        const bool affine = m.m[0][3] == 0.0f && m.m[1][3] == 0.0f && m.m[2][3] == 0.0f && m.m[3][3] == 1.0f;
        boneUsable_[b] = affine && bindFinite_ ? kAffineBone : kProjectingBone;
        allAffine = allAffine && (affine || b > maxInfluenceBone_);
    }
    skinned_.resize(vertexCount);
    if (allAffine) SkinRange<true>(bones);
    else SkinRange<false>(bones);
}

// With kAllAffine every influence's bone is known usable and affine, so the loop checks nothing.
template <bool kAllAffine>
void ModelLoader::SkinRange(size_t bones) {
    const ShadowInfluence* influences = packedInfluences_.data();
    const uint32_t* start = influenceStart_.data();
    const Mat4* matrices = boneMatrices_.data();
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const Vec3 position = bindPositions_[v];
        if constexpr (kAllAffine) {
            // The sums of Vec3TransformAffine, operation for operation, with the four columns side
            // by side so that the compiler takes them as one vector; the fourth goes unused.
            float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            for (uint32_t i = start[v]; i < start[v + 1]; ++i) {
                const ShadowInfluence in = influences[i];
                const float(*m)[4] = matrices[in.bone].m;
                for (int k = 0; k < 4; ++k)
                    sum[k] = sum[k] + (position.x * m[0][k] + position.y * m[1][k] + position.z * m[2][k] + m[3][k]) * in.weight;
            }
            skinned_[v] = {{sum[0], sum[1], sum[2], sum[3]}};
        } else {
            float x = 0.0f, y = 0.0f, z = 0.0f;
            for (uint32_t i = start[v]; i < start[v + 1]; ++i) {
                const ShadowInfluence in = influences[i];
                if (in.bone >= bones || !boneUsable_[in.bone]) continue;
                const Mat4& m = matrices[in.bone];
                const Vec3 q = boneUsable_[in.bone] == kAffineBone ? Vec3TransformAffine(position, m)
                                                                   : Vec3TransformCoord(position, m);
                x = x + q.x * in.weight;
                y = y + q.y * in.weight;
                z = z + q.z * in.weight;
            }
            skinned_[v] = {{x, y, z, 0.0f}};
        }
    }
}

// Whether n . L < 0 for each triangle, n = (pc - pb) x (pb - pa) on the skinned corners.
void ModelLoader::MarkFacing() {
    facing_.resize(triangleCount);
    uint8_t* facing = facing_.data();
    const uint16_t* corners = triangles.data();
    const SkinnedPoint* skinned = skinned_.data();
    const Vec3 l = direction;
    uint32_t t = 0;
#if defined(__SSE2__)
    // Four triangles side by side, each lane with FacingDot's operations in its order.
    const __m128 lx = _mm_set1_ps(l.x), ly = _mm_set1_ps(l.y), lz = _mm_set1_ps(l.z);
    for (; t + 4 <= triangleCount; t += 4) {
        const uint16_t* i = &corners[3 * t];
        auto corner = [&](int k) { return _mm_load_ps(skinned[i[k]].c); };
        __m128 a0 = corner(0), a1 = corner(3), a2 = corner(6), a3 = corner(9);
        __m128 b0 = corner(1), b1 = corner(4), b2 = corner(7), b3 = corner(10);
        __m128 c0 = corner(2), c1 = corner(5), c2 = corner(8), c3 = corner(11);
        _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
        _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
        _MM_TRANSPOSE4_PS(c0, c1, c2, c3);
        const __m128 u0 = _mm_sub_ps(c0, b0), u1 = _mm_sub_ps(c1, b1), u2 = _mm_sub_ps(c2, b2);
        const __m128 w0 = _mm_sub_ps(b0, a0), w1 = _mm_sub_ps(b1, a1), w2 = _mm_sub_ps(b2, a2);
        const __m128 x = _mm_sub_ps(_mm_mul_ps(u1, w2), _mm_mul_ps(u2, w1));
        const __m128 y = _mm_sub_ps(_mm_mul_ps(u2, w0), _mm_mul_ps(u0, w2));
        const __m128 z = _mm_sub_ps(_mm_mul_ps(u0, w1), _mm_mul_ps(u1, w0));
        const __m128 d = _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, lx), _mm_mul_ps(y, ly)), _mm_mul_ps(z, lz));
        const int below = _mm_movemask_ps(_mm_cmplt_ps(d, _mm_setzero_ps()));
        for (int k = 0; k < 4; ++k) facing[t + k] = uint8_t(below >> k & 1);
    }
#endif
    for (; t < triangleCount; ++t) {
        const uint16_t a = corners[3 * t], b = corners[3 * t + 1], c = corners[3 * t + 2];
        facing[t] = FacingDot(skinned[a].c, skinned[b].c, skinned[c].c, l) < 0.0f;
    }
}

// Toggling every facing triangle's edges leaves an edge listed when an odd number of its sides
// face, held as the last of them holds it. On an edge of two triangles that is the facing one of
// a facing and a turned one.
void ModelLoader::CollectSilhouette() {
    edges.resize(size_t(distinctEdgeCount) * 2);
    uint16_t* out = edges.data();
    const uint8_t* facing = facing_.data();
    const uint16_t* corners = triangles.data();
    const uint32_t* neighbour = neighbours_.data();
    uint32_t count = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (!facing[t]) continue;
        for (int k = 0; k < 3; ++k) {
            if (facing[neighbour[3 * t + k]]) continue;
            out[2 * count] = corners[3 * t + k];
            out[2 * count + 1] = corners[3 * t + (k == 2 ? 0 : k + 1)];
            ++count;
        }
    }
    // Edges of one triangle or of three and more.
    const uint32_t* sideStart = otherStart_.data();
    for (size_t e = 0; e + 1 < otherStart_.size(); ++e) {
        uint32_t odd = 0;
        const EdgeSide* kept = nullptr;
        for (uint32_t k = sideStart[e]; k < sideStart[e + 1]; ++k)
            if (facing[otherSides_[k].triangle]) {
                odd ^= 1;
                kept = &otherSides_[k];
            }
        if (!odd) continue;
        out[2 * count] = kept->from;
        out[2 * count + 1] = kept->to;
        ++count;
    }
    edgeCount = count;
}

void ModelLoader::BuildShadowVolume(CharacterModel* model) {
    volumeCount = 0;
    edgeCount = 0;
    if (!model) return;
    Vec3 v{0.0f, 0.0f, 0.0f};
    if (g_Scene.sun) v = g_Scene.sun->GetDirectionTo(model->position);
    const Vec3 raw = g_Scene.sun ? Vec3{v.x, v.y - 1.0f, v.z} : Vec3{0.0f, -1.0f, 0.0f};
    const float rawLength = Vec3Length(raw);
    direction = rawLength < 0.000001f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(raw, 1.0f / rawLength);

    SkinAll(*model);
    // A mesh filled in directly rather than loaded gets its table here.
    if (neighbours_.size() != size_t(triangleCount) * 3) BuildEdgeTable();
    MarkFacing();
    CollectSilhouette();

    length = SHADOW_NO_GROUND_LENGTH;
    if (g_Scene.collisionOctree) {
        Ray ray{direction, Vec3Sub(model->position, direction)};
        const Vec3 start = ray.origin;
        Vec3 hit{};
        if (g_Scene.collisionOctree->RayQuery(&ray, SHADOW_GROUND_RAY, &hit, nullptr, nullptr, 0xFFFFFFFFu))
            length = Vec3Length(Vec3Sub(hit, start)) + 0.5f;
    }
    if (edgeCount == 0) return;
    const SkinnedPoint* skinned = skinned_.data();
    volume.resize(std::min<size_t>(size_t(edgeCount) * 6, SHADOW_MAX_VOLUME));
    const Vec3 offset = Vec3Scale(direction, length);
    for (uint32_t e = 0; e < edgeCount; ++e) {
        // A volume past the buffer's size is cut rather than written beyond it.
        if (volumeCount + 6 > SHADOW_MAX_VOLUME) break;
        const float *pa = skinned[edges[2 * e]].c, *pb = skinned[edges[2 * e + 1]].c;
        const Vec3 a{pa[0], pa[1], pa[2]}, b{pb[0], pb[1], pb[2]};
        const Vec3 a2 = Vec3Add(a, offset), b2 = Vec3Add(b, offset);
        Vec3* out = &volume[volumeCount];
        out[0] = a;
        out[1] = b;
        out[2] = a2;
        out[3] = b;
        out[4] = b2;
        out[5] = a2;
        volumeCount += 6;
    }
}

namespace {

// Counts the triangles into the stencil buffer: front faces up, then back faces down, every
// device state put back after. The stencil operations wrap, so the counts come out the same
// whatever order the triangles of several volumes are drawn in.
void CountIntoStencil(const Vec3* vertices, uint32_t count) {
    gfx::Device* device = g_Video.GetDevice();
    if (!device || count < 3) return;
    // The volume is in world space.
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    uint32_t block = 0;
    device->CreateStateBlock(gfx::D3DSBT_ALL, &block);
    device->SetRenderState(gfx::D3DRS_ZENABLE, 1);
    device->SetRenderState(gfx::D3DRS_ZWRITEENABLE, 0);
    device->SetRenderState(gfx::D3DRS_STENCILENABLE, 1);
    device->SetRenderState(gfx::D3DRS_SHADEMODE, gfx::D3DSHADE_FLAT);
    device->SetRenderState(gfx::D3DRS_STENCILFUNC, gfx::D3DCMP_ALWAYS);
    device->SetRenderState(gfx::D3DRS_STENCILZFAIL, gfx::D3DSTENCILOP_KEEP);
    device->SetRenderState(gfx::D3DRS_STENCILFAIL, gfx::D3DSTENCILOP_KEEP);
    device->SetRenderState(gfx::D3DRS_STENCILREF, 1);
    device->SetRenderState(gfx::D3DRS_STENCILMASK, 0xFFFFFFFFu);
    device->SetRenderState(gfx::D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu);
    device->SetRenderState(gfx::D3DRS_STENCILPASS, gfx::D3DSTENCILOP_INCR);
    device->SetRenderState(gfx::D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(gfx::D3DRS_SRCBLEND, gfx::D3DBLEND_ZERO);
    device->SetRenderState(gfx::D3DRS_DESTBLEND, gfx::D3DBLEND_ONE);
    device->SetVertexShader(gfx::D3DFVF_XYZ);
    const uint32_t triangleTotal = count / 3;
    device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLELIST, triangleTotal, vertices, sizeof(Vec3));
    device->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_CW);
    device->SetRenderState(gfx::D3DRS_STENCILPASS, gfx::D3DSTENCILOP_DECR);
    device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLELIST, triangleTotal, vertices, sizeof(Vec3));
    device->SetRenderState(gfx::D3DRS_SHADEMODE, gfx::D3DSHADE_GOURAUD);
    device->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_CCW);
    device->SetRenderState(gfx::D3DRS_ZWRITEENABLE, 1);
    device->SetRenderState(gfx::D3DRS_STENCILENABLE, 0);
    device->SetRenderState(gfx::D3DRS_ALPHABLENDENABLE, 0);
    if (block) {
        device->ApplyStateBlock(block);
        device->DeleteStateBlock(block);
    }
    // The state block put bindings back behind the cache's back.
    for (int s = 0; s < VIDEO_STREAMS; ++s) g_Video.streams[s] = nullptr;
    g_Video.vertexShader = 0;
}

// The volumes cast while a batch is open, one after another; kept between frames so that a
// frame allocates nothing once the size settles.
struct ShadowBatch {
    bool open = false;
    std::vector<Vec3> vertices;
    size_t count = 0;
} g_ShadowBatch;

}  // namespace

void ModelLoader::DrawShadowVolume() { CountIntoStencil(volume.data(), volumeCount); }

void OpenShadowBatch() {
    g_ShadowBatch.open = true;
    g_ShadowBatch.count = 0;
}

void CloseShadowBatch() {
    ShadowBatch& b = g_ShadowBatch;
    b.open = false;
    // One draw takes at most 0xFFFFFF vertices; a whole number of triangles each time.
    constexpr size_t kMostPerDraw = 0xFFFFFF / 3 * 3;
    for (size_t at = 0; at < b.count; at += kMostPerDraw)
        CountIntoStencil(&b.vertices[at], uint32_t(std::min(kMostPerDraw, b.count - at)));
    b.count = 0;
}

bool CastCharacterShadow(CharacterModel* model) {
    if (!model || model->alpha != 255 || !model->shadow || model->invisible) return true;
    Camera* camera = g_Scene.camera;
    if (!camera) return true;
    const AxisBox box{{model->box[3], model->box[4], model->box[5]}, {model->box[0], model->box[1], model->box[2]}};
    if (!camera->BoxVisible(box)) return true;
    if (Vec3Length(Vec3Sub(model->position, camera->eye)) >= SHADOW_CAST_RANGE) return true;
    ModelLoader* shadow = model->shadow;
    shadow->volumeCount = 0;
    shadow->BuildShadowVolume(model);
    ShadowBatch& b = g_ShadowBatch;
    if (!b.open) {
        shadow->DrawShadowVolume();
        return true;
    }
    if (b.vertices.size() < b.count + shadow->volumeCount) b.vertices.resize(b.count + shadow->volumeCount);
    std::copy_n(shadow->volume.data(), shadow->volumeCount, &b.vertices[b.count]);
    b.count += shadow->volumeCount;
    return true;
}

// The loaded scenario row's alpha byte; no shadow quad without a scenario.
uint8_t CurrentShadowDarkness() { return g_Scenario.row ? uint8_t(g_Scenario.row->alpha & 0xffu) : 0; }

void DrawCharacterShadowOverlay(uint8_t darkness) {
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return;
    g_Video.RestoreStates();
    g_Video.SetZEnable(false);
    g_Video.SetBlendMode(1);
    g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
    device->SetRenderState(gfx::D3DRS_STENCILENABLE, 1);
    device->SetRenderState(gfx::D3DRS_STENCILREF, 1);
    device->SetRenderState(gfx::D3DRS_STENCILMASK, 0xFFFFFFFFu);
    device->SetRenderState(gfx::D3DRS_STENCILFUNC, gfx::D3DCMP_LESSEQUAL);
    device->SetRenderState(gfx::D3DRS_STENCILPASS, gfx::D3DSTENCILOP_KEEP);
    gfx::Viewport vp{};
    device->GetViewport(&vp);
    const float l = float(vp.X), t = float(vp.Y), r = float(vp.X + vp.Width), b = float(vp.Y + vp.Height);
    const uint32_t colour = uint32_t(darkness) << 24;
    // Pixel centres sit on whole coordinates: the half-pixel shift covers the edge pixels.
    const OverlayVertex quad[4] = {{l - 0.5f, t - 0.5f, 0, 1, colour},
                                   {r - 0.5f, t - 0.5f, 0, 1, colour},
                                   {l - 0.5f, b - 0.5f, 0, 1, colour},
                                   {r - 0.5f, b - 0.5f, 0, 1, colour}};
    g_Video.SetVertexShader(gfx::D3DFVF_XYZRHW | gfx::D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLESTRIP, 2, quad, sizeof(OverlayVertex));
    for (int s = 0; s < VIDEO_STREAMS; ++s) g_Video.streams[s] = nullptr;
    device->SetRenderState(gfx::D3DRS_STENCILENABLE, 0);
    g_Video.SetZEnable(true);
}

// ---- Shared loaders ----

ModelLoader* ModelLoaderList::Create() {
    Node* node = new Node{new ModelLoader(), first, nullptr, 1};
    if (first) first->previous = node;
    first = node;
    ++count;
    return node->loader;
}

bool ModelLoaderList::AddRef(ModelLoader* loader) {
    for (Node* n = first; n; n = n->next) {
        if (n->loader != loader) continue;
        ++n->refCount;
        return true;
    }
    return false;
}

bool ModelLoaderList::Release(ModelLoader* loader) {
    for (Node* n = first; n; n = n->next) {
        if (n->loader != loader) continue;
        if (--n->refCount >= 1) return false;
        if (n->previous) n->previous->next = n->next;
        else first = n->next;
        if (n->next) n->next->previous = n->previous;
        delete n->loader;
        delete n;
        --count;
        return true;
    }
    return false;
}

void ModelLoaderList::Clear() {
    while (first) {
        Node* next = first->next;
        delete first->loader;
        delete first;
        first = next;
    }
    count = 0;
}

int32_t ModelLoaderList::RefCount(const ModelLoader* loader) const {
    for (const Node* n = first; n; n = n->next)
        if (n->loader == loader) return n->refCount;
    return 0;
}
