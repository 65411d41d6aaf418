#include "effects/bolt_effect.h"

#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "effects/effect_draw.h"
#include "effects/random_range.h"
#include "platform/gfx/types.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

bool SamePoint(const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) <= 0.0001f && std::fabs(a.y - b.y) <= 0.0001f && std::fabs(a.z - b.z) <= 0.0001f;
}

// Half the band's width across the segment from a to b, square to the view of the point.
Vec3 SideOf(const Vec3& at, const Vec3& eye, const Vec3& a, const Vec3& b, float halfWidth) {
    return Vec3Scale(UnitOrZero(Vec3Cross(Vec3Sub(at, eye), Vec3Sub(b, a))), halfWidth);
}

}  // namespace

BoltEffect::BoltEffect()
    : start{}, end{}, minStep(0), maxStep(0), width(0), jitter(0), blendMode(0), texture(-1), colour(0xFFFFFFFFu) {
    kind = KIND_BOLT;
}

BoltEffect::~BoltEffect() { BoltEffect::Release(); }

void BoltEffect::Release() {
    start = end = Vec3{};
    minStep = maxStep = width = jitter = 0.0f;
    texture = -1;
    nodes.clear();
    nodes.shrink_to_fit();
}

void BoltEffect::GetPosition(Vec3* out) {
    if (out) *out = start;
}

float* BoltEffect::GetPositionPtr() { return &start.x; }

void BoltEffect::SetPosition(const Vec3& p) {
    const Vec3 delta = Vec3Sub(p, start);
    start = p;
    end = Vec3Add(end, delta);
}

void BoltEffect::Init(const Vec3& from, const Vec3& to, float minStepLength, float maxStepLength, float bandWidth,
                      float turn, uint8_t blend, int32_t textureId, uint32_t argb) {
    start = from;
    end = to;
    minStep = minStepLength;
    maxStep = maxStepLength;
    width = bandWidth;
    jitter = turn;
    blendMode = blend;
    texture = textureId;
    colour = argb;
    Build();
}

void BoltEffect::Build() {
    if (SamePoint(start, end)) return;
    nodes.clear();
    nodes.push_back(start);
    const float reach = Vec3Length(Vec3Sub(end, start));
    const float lo = std::max(minStep, BOLT_MIN_STEP);
    const float hi = std::max(maxStep, lo);
    while (nodes.size() < BOLT_MAX_NODES) {
        const Vec3 from = nodes.back();
        Vec3 d = UnitOrZero(Vec3Sub(end, from));
        if (jitter != 0.0f) {
            Vec3 r;
            r.x = float(Random() % 2001 - 1000) * 0.001f;
            r.y = float(Random() % 2001 - 1000) * 0.001f;
            r.z = float(Random() % 2001 - 1000) * 0.001f;
            r = UnitOrZero(r);
            const float u = RandomInRange(-1.0f, 1.0f, 1000);
            // About no axis at all the step keeps its heading.
            if (Vec3Length(r) > 0.0f) d = RotateAbout(d, Vec3{}, r, u * jitter * kPi);
        }
        nodes.push_back(Vec3Add(from, Vec3Scale(d, RandomInRange(lo, hi, 1000))));
        // Written so that a distance that is not a number ends the walk too.
        if (!(Vec3Length(Vec3Sub(nodes.back(), start)) < reach)) break;
    }
    nodes.back() = end;
}

bool BoltEffect::Render() {
    const Camera* camera = g_Scene.camera;
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!camera || !buffer || !g_Video.GetDevice() || nodes.size() < 2) return true;
    buffer->Flush();
    BindEffectBuffer();
    // The texture first: taking stage 0's texture away would also switch its colour off.
    g_Video.SetTexture(0, EffectTexture(texture, nullptr));
    g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
    g_Video.SetLighting(false);
    g_Video.SetBlendMode(blendMode);

    const float half = width * 0.5f;
    const Vec3 eye = camera->eye;
    const size_t last = nodes.size() - 1;
    std::vector<Vec3> sides(nodes.size());
    for (size_t i = 0; i <= last; ++i) {
        if (i == 0) {
            sides[i] = SideOf(nodes[i], eye, nodes[i], nodes[i + 1], half);
        } else if (i == last) {
            sides[i] = SideOf(nodes[i], eye, nodes[i - 1], nodes[i], half);
        } else {
            const Vec3 before = SideOf(nodes[i], eye, nodes[i - 1], nodes[i], half);
            const Vec3 after = SideOf(nodes[i], eye, nodes[i], nodes[i + 1], half);
            sides[i] = Vec3Scale(Vec3Add(before, after), 0.5f);
        }
    }
    for (size_t i = 0; i < last; ++i) {
        auto* v = static_cast<EffectVertex*>(buffer->Lock(QUAD_VERTICES));
        if (!v) continue;
        const Vec3 a = Vec3Add(nodes[i], sides[i]), b = Vec3Sub(nodes[i], sides[i]);
        const Vec3 d = Vec3Add(nodes[i + 1], sides[i + 1]), c = Vec3Sub(nodes[i + 1], sides[i + 1]);
        const EffectVertex corners[4] = {{a.x, a.y, a.z, colour, 0, 0},
                                         {b.x, b.y, b.z, colour, 0, 1},
                                         {c.x, c.y, c.z, colour, 1, 1},
                                         {d.x, d.y, d.z, colour, 1, 0}};
        static constexpr int kOrder[QUAD_VERTICES] = {0, 1, 2, 0, 2, 3};
        for (uint32_t k = 0; k < QUAD_VERTICES; ++k) v[k] = corners[kOrder[k]];
        buffer->Unlock(QUAD_VERTICES);
    }
    buffer->Flush();
    return true;
}
