#include "scene/glow.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/binary_reader.h"
#include "platform/gfx/device.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "core/debug_log.h"

namespace {

SightBlockedTest g_sightTest = nullptr;

float F32At(const uint8_t* p) {
    uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
uint32_t U32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutF32(uint8_t* p, float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    PutU32(p, u);
}

struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 32);

}  // namespace

float SpriteScreenWidth() { return float(g_Video.screenRect.right - g_Video.screenRect.left + 1); }
float SpriteScreenHeight() { return float(g_Video.screenRect.bottom - g_Video.screenRect.top + 1); }

bool ProjectToScreen(const Vec3& p, ScreenPoint* out) {
    const Camera* camera = g_Scene.camera;
    if (!camera || !out) return false;
    const Mat4& m = camera->viewProjection;
    float clip[4];
    for (int c = 0; c < 4; ++c) clip[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
    // A point in the eye's plane has no screen position; it counts as behind the camera.
    const float rhw = clip[3] != 0.0f ? 1.0f / clip[3] : 0.0f;
    out->x = (clip[0] * rhw + 1.0f) * float(g_Video.halfWidth);
    out->y = (1.0f - clip[1] * rhw) * float(g_Video.halfHeight);
    out->depth = clip[2] * rhw;
    out->rhw = rhw;
    return true;
}

uint32_t ScaleColour(uint32_t colour, float intensity) {
    const uint32_t r = uint32_t(float((colour >> 16) & 0xFF) * intensity);
    const uint32_t g = uint32_t(float((colour >> 8) & 0xFF) * intensity);
    const uint32_t b = uint32_t(float(colour & 0xFF) * intensity);
    return 0xFF000000u | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

bool DrawScreenSquare(float cx, float cy, float s, float depth, float rhw, uint32_t colour, int32_t texture) {
    const float W = SpriteScreenWidth(), H = SpriteScreenHeight();
    float left = cx - s / 2, top = cy - s / 2, right = cx + s / 2, bottom = cy + s / 2;
    if (!(left < W && top < H && right > 0.0f && bottom > 0.0f) || !(rhw > 0.0f)) return false;
    float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
    if (left < 0.0f) {
        u0 = -left / s;
        left = 0.0f;
    }
    if (top < 0.0f) {
        v0 = -top / s;
        top = 0.0f;
    }
    if (right > W) {
        u1 = 1.0f - (right - W) / s;
        right = W;
    }
    if (bottom > H) {
        v1 = 1.0f - (bottom - H) / s;
        bottom = H;
    }
    return DrawScreenRect(left, top, right, bottom, u0, v0, u1, v1, depth, rhw, colour, texture);
}

bool DrawScreenRect(float left, float top, float right, float bottom, float u0, float v0, float u1, float v1,
                    float depth, float rhw, uint32_t colour, int32_t texture) {
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return false;
    if (g_Scene.textures) g_Scene.textures->SetTexture(0, texture);
    else g_Video.SetTexture(0, nullptr);
    g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
    const SpriteVertex v[6] = {
        {left, top, depth, rhw, colour, 0, u0, v0},     {right, top, depth, rhw, colour, 0, u1, v0},
        {right, bottom, depth, rhw, colour, 0, u1, v1}, {left, top, depth, rhw, colour, 0, u0, v0},
        {right, bottom, depth, rhw, colour, 0, u1, v1}, {left, bottom, depth, rhw, colour, 0, u0, v1},
    };
    return gfx::Succeeded(device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLELIST, 2, v, sizeof(SpriteVertex)));
}

void SetSightBlockedTest(SightBlockedTest test) { g_sightTest = test; }

bool SightBlocked(const Vec3& eye, const Vec3& point) {
    if (g_sightTest) return g_sightTest(eye, point);
    const CollisionOctree* octree = g_Scene.collisionOctree;
    if (!octree) return false;
    const Vec3 d = Vec3Sub(point, eye);
    Ray ray{d, eye};
    return octree->RayQuery(&ray, Vec3Length(d), nullptr, nullptr, nullptr, 7);
}

float StepFade(float intensity, const Vec3& point, uint32_t dtMs, uint32_t fadeMs) {
    const float step = fadeMs == 0 ? 1.0f : float(dtMs) / float(fadeMs);
    const Camera* camera = g_Scene.camera;
    if (camera && camera->PointVisible(point)) intensity += SightBlocked(camera->eye, point) ? -step : step;
    else intensity -= step;
    if (intensity < 0.0f) intensity = 0.0f;
    if (intensity > 1.0f) intensity = 1.0f;
    return intensity;
}

bool BeginObjectRecord(std::FILE* file, const char* name, uint32_t type, long* start) {
    if (!file || !start) return false;
    *start = std::ftell(file);
    if (*start < 0) return false;
    uint8_t record[Y3D_RECORD_SIZE_BYTES] = {};
    if (name) std::strncpy(reinterpret_cast<char*>(record), name, SCENE_NODE_NAME_SIZE - 1);
    PutU32(record + Y3D_RECORD_TYPE_OFFSET, type);
    return std::fwrite(record, 1, sizeof record, file) == sizeof record;
}

bool EndObjectRecord(std::FILE* file, long start) {
    const long end = std::ftell(file);
    if (end < 0) return false;
    uint8_t next[4];
    PutU32(next, uint32_t(end));
    if (std::fseek(file, start + long(Y3D_RECORD_NEXT_OFFSET), SEEK_SET) != 0) return false;
    const bool ok = std::fwrite(next, 1, 4, file) == 4;
    return std::fseek(file, end, SEEK_SET) == 0 && ok;
}

bool WriteNodeHeader(std::FILE* file, const char* name, uint32_t type, const Vec3& position) {
    uint8_t header[SCENE_NODE_HEADER_SIZE] = {};
    if (name) std::strncpy(reinterpret_cast<char*>(header), name, SCENE_NODE_NAME_SIZE - 1);
    PutU32(header + 264, type);
    PutF32(header + NODE_HEADER_POSITION_OFFSET, position.x);
    PutF32(header + NODE_HEADER_POSITION_OFFSET + 4, position.y);
    PutF32(header + NODE_HEADER_POSITION_OFFSET + 8, position.z);
    return std::fwrite(header, 1, sizeof header, file) == sizeof header;
}

bool ReadNodeHeader(BinaryReader& in, Vec3* position, const char* who) {
    const uint8_t* header = in.Span(SCENE_NODE_HEADER_SIZE);
    if (!header) {
        WriteDebugLogF("%s: short node header", who);
        return false;
    }
    const uint8_t* p = header + NODE_HEADER_POSITION_OFFSET;
    *position = {F32At(p), F32At(p + 4), F32At(p + 8)};
    return true;
}

// ---- GlowNode ----

GlowNode::GlowNode() : colour(0xFFFFFFFFu), intensity(0.0f), fadeTime(0), size(1.0f), texture(-1) {
    kind = GLOW_KIND;
    GlowNode::Release();
}

void GlowNode::Release() {
    x = y = z = 0.0f;
    colour = 0xFFFFFFFFu;
    intensity = 0.0f;
    fadeTime = 0;
    size = 1.0f;
    texture = -1;
}

void GlowNode::Init(float px, float py, float pz, uint32_t c, uint32_t fade, float s, int32_t t) {
    x = px;
    y = py;
    z = pz;
    colour = c;
    fadeTime = fade;
    size = s;
    texture = t;
    intensity = 0.0f;
}

bool GlowNode::LoadFromNode(BinaryReader& in) {
    texture = -1;
    Vec3 p{};
    if (!ReadNodeHeader(in, &p, "GlowNode")) return false;
    const uint8_t* tail = in.Span(GLOW_TAIL_SIZE);
    if (!tail) {
        WriteDebugLog("GlowNode: short glow tail");
        return false;
    }
    x = p.x;
    y = p.y;
    z = p.z;
    size = F32At(tail);
    // Channels out of 0..1 would wrap into their neighbours; clamped while still a float, as a
    // stored value past the int range (or not a number) has no int to become.
    auto channel = [](float v) -> uint32_t {
        const float scaled = v * 255.0f;
        if (!(scaled > 0.0f)) return 0;
        return scaled >= 255.0f ? 255 : uint32_t(scaled);
    };
    colour = 0xFF000000u | channel(F32At(tail + 4)) << 16 | channel(F32At(tail + 8)) << 8 | channel(F32At(tail + 12));
    intensity = 0.0f;
    fadeTime = GLOW_LOADED_FADE_MS;
    char path[64];
    std::snprintf(path, sizeof path, "Texturas\\Efectos\\Glow%02u.tga", U32At(tail + 16));
    if (g_Scene.textures) texture = g_Scene.textures->LoadTexture(path, true, true, true);
    return true;
}

int GlowNode::Update(uint32_t dtMs) {
    intensity = StepFade(intensity, Vec3{x, y, z}, dtMs, fadeTime);
    return 0;
}

bool GlowNode::Render() {
    if (std::fabs(intensity) < GLOW_MIN_INTENSITY) return true;
    ScreenPoint sp{};
    if (!ProjectToScreen(Vec3{x, y, z}, &sp)) return true;
    const float s = SpriteScreenWidth() * size;
    DrawScreenSquare(sp.x, sp.y, s, sp.depth, sp.rhw, ScaleColour(colour, intensity), texture);
    return true;
}

bool GlowNode::Load(std::FILE* file) {
    long start = 0;
    if (!BeginObjectRecord(file, "GLOW", Y3D_TYPE_GLOW, &start)) return false;
    if (!WriteNodeHeader(file, "GLOW", Y3D_TYPE_GLOW, Vec3{x, y, z})) return false;
    // The texture's number is the one after "GLOW" in its name.
    uint32_t number = 0;
    const Texture* t = g_Scene.textures ? g_Scene.textures->Get(texture) : nullptr;
    if (t && t->name) {
        const char* at = std::strstr(t->name, "GLOW");
        if (at) number = uint32_t(std::strtoul(at + 4, nullptr, 10));
    }
    uint8_t tail[GLOW_TAIL_SIZE];
    PutF32(tail, size);
    // Half a step up, so that the reader's truncation gives the same channel back.
    PutF32(tail + 4, (float((colour >> 16) & 0xFF) + 0.5f) / 255.0f);
    PutF32(tail + 8, (float((colour >> 8) & 0xFF) + 0.5f) / 255.0f);
    PutF32(tail + 12, (float(colour & 0xFF) + 0.5f) / 255.0f);
    PutU32(tail + 16, number);
    if (std::fwrite(tail, 1, sizeof tail, file) != sizeof tail) return false;
    return EndObjectRecord(file, start);
}
