#include "effects/effect_draw.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/types.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/scene.h"

Vec3 UnitOrZero(const Vec3& v) { return Vec3Length(v) < 0.000001f ? Vec3{0, 0, 0} : Vec3Normalize(v); }

bool BindEffectBuffer() {
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!g_Video.GetDevice() || !buffer) return false;
    g_Video.SetVertexShader(buffer->fvf);
    g_Video.SetStreamSource(0, buffer->buffer, buffer->stride);
    return true;
}

float DistanceFade(float distance, float fadeNear, float fadeFar) {
    if (distance < fadeNear) return 1.0f;
    if (distance > fadeFar) return 0.0f;
    // Here fadeNear <= distance <= fadeFar; with the two equal the fade is a step, not 0 / 0.
    const float span = fadeFar - fadeNear;
    if (!(span > 0.0f)) return 1.0f;
    return 1.0f - (distance - fadeNear) / span;
}

uint32_t FadeColour(uint32_t colour, float f, uint8_t blendMode) {
    auto scaled = [f](uint32_t channel) { return uint32_t(float(channel) * f) & 0xFFu; };
    if (blendMode == 2) {
        const uint32_t r = scaled((colour >> 16) & 0xFF), g = scaled((colour >> 8) & 0xFF), b = scaled(colour & 0xFF);
        return (colour & 0xFF000000u) | (r << 16) | (g << 8) | b;
    }
    return (colour & 0x00FFFFFFu) | (scaled(colour >> 24) << 24);
}

float ScreenAngleOf(const Vec3& direction, const Mat4& view) {
    const Vec3 v = Vec3TransformNormal(direction, view);
    float len = std::sqrt(v.x * v.x + v.y * v.y);
    float x = 0.0f, y = 0.0f;
    if (len >= 0.000001f) {
        x = v.x / len;
        y = std::clamp(v.y / len, -1.0f, 1.0f);
    }
    const float angle = std::acos(y);
    return x < 0.0f ? -angle : angle;
}

Mat4 FacingFrame(const Vec3& facing) {
    Mat4 frame = Mat4Identity();
    const Vec3 d = UnitOrZero(facing);
    if (std::fabs(d.x) <= 0.0001f && std::fabs(d.y) <= 0.0001f && std::fabs(d.z + 1.0f) <= 0.0001f) return frame;
    Vec3 a{-d.y, d.x, 0.0f};
    a = Vec3Length(a) < 0.0001f ? Vec3{0, 1, 0} : Vec3Normalize(a);
    const Vec3 b = Vec3Normalize(Vec3Cross(d, a));
    Mat4 columns = Mat4Identity();
    const Vec3 cols[3] = {b, a, d};
    for (int c = 0; c < 3; ++c) {
        columns.m[0][c] = cols[c].x;
        columns.m[1][c] = cols[c].y;
        columns.m[2][c] = cols[c].z;
    }
    // A zero facing leaves a singular matrix: the identity stays.
    Mat4Inverse(&frame, columns);
    return frame;
}

Vec3 FrameXAxis(const Mat4& frame) { return {frame.m[0][0], frame.m[0][1], frame.m[0][2]}; }
Vec3 FrameYAxis(const Mat4& frame) { return {frame.m[1][0], frame.m[1][1], frame.m[1][2]}; }

Vec3 RotateAbout(const Vec3& point, const Vec3& centre, const Vec3& axis, float angle) {
    const float s = SinF(angle * 0.5f);
    const Quat q{axis.x * s, axis.y * s, axis.z * s, CosF(angle * 0.5f)};
    const Quat conj{-q.x, -q.y, -q.z, q.w};
    const Vec3 r = Vec3Sub(point, centre);
    const Quat turned = QuatMul(QuatMul(q, Quat{r.x, r.y, r.z, 0.0f}), conj);
    return Vec3Add(centre, Vec3{turned.x, turned.y, turned.z});
}

gfx::Texture* EffectTexture(int32_t texture, const AnimatedTexture* animated) {
    if (texture < 0 || !g_SceneTextures || g_Video.wireframe) return nullptr;
    const Texture* t = g_SceneTextures->Get(texture);
    if (!t || !t->frames || t->frameCount == 0) return nullptr;
    int32_t frame = animated ? animated->frame : 0;
    if (frame < 0 || frame >= t->frameCount) frame = 0;
    return t->frames[frame];
}

void WriteQuad(EffectVertex* out, const Vec3& centre, float size, float angle, const Vec3& xAxis,
               const Vec3& yAxis, uint32_t colour) {
    const float h = size * 0.5f;
    // A (-h, -h), B (-h, +h), C (+h, +h), D (+h, -h), turned by the angle.
    float offsets[4][2] = {{-h, -h}, {-h, h}, {h, h}, {h, -h}};
    if (std::fabs(angle) >= 0.0001f) {
        const float c = CosF(angle), s = SinF(angle);
        for (auto& o : offsets) {
            const float ox = o[0], oy = o[1];
            o[0] = ox * c - oy * s;
            o[1] = ox * s + oy * c;
        }
    }
    static constexpr float kUv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    EffectVertex corners[4];
    for (int k = 0; k < 4; ++k) {
        const Vec3 p = Vec3Add(centre, Vec3Add(Vec3Scale(xAxis, offsets[k][0]), Vec3Scale(yAxis, offsets[k][1])));
        corners[k] = {p.x, p.y, p.z, colour, kUv[k][0], kUv[k][1]};
    }
    static constexpr int kOrder[QUAD_VERTICES] = {0, 1, 2, 0, 2, 3};
    for (uint32_t k = 0; k < QUAD_VERTICES; ++k) out[k] = corners[kOrder[k]];
}

float SegmentProgress(float into, float length) {
    // A segment of no length is complete at once rather than 0 / 0.
    if (!(length > 0.0f)) return 1.0f;
    return std::clamp(into / length, 0.0f, 1.0f);
}

void SetQuadBatchStates(gfx::Texture* texture, uint8_t blendMode, bool culling) {
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!buffer || !g_Video.GetDevice()) return;
    buffer->Flush();
    BindEffectBuffer();
    buffer->SetPrimitiveType(gfx::D3DPT_TRIANGLELIST);
    g_Video.SetLighting(false);
    g_Video.SetTexCoordIndex(0, 0);
    g_Video.SetTextureTransform(0, 0);
    g_Video.EnableCulling(culling);
    // The texture first: taking stage 0's texture away would also switch its colour off.
    g_Video.SetTexture(0, texture);
    g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
    g_Video.SetBlendMode(blendMode);
    g_Video.SetWorldMatrix(nullptr, 0, true);
}
