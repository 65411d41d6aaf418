#include "scene/flare.h"

#include <cmath>
#include <cstring>

#include "common/math.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/glow.h"
#include "scene/scene.h"

namespace {

struct FlareElement {
    uint32_t colour;
    float size;
    int texture;   // GlowNN
    float place;
};
constexpr FlareElement kElements[] = {
    {0xFFFFFFFF, 0.75f, 1, 1.0f}, {0xFF362507, 0.06f, 0, 1.5f}, {0xFFF8F6B9, 0.04f, 0, 1.3f},
    {0xFFEE6169, 0.1f, 0, 0.75f}, {0xFFC1A05F, 0.05f, 0, 0.7f}, {0xFF266169, 0.1f, 2, 0.5f},
    {0xFF26140F, 0.2f, 3, 0.2f},  {0xFF362507, 0.2f, 0, -1.0f},
};
constexpr float FLASH_GREY = 200.0f;

}  // namespace

FlareNode::FlareNode() {
    kind = FLARE_KIND;
    fadeTime = 0;
    FlareNode::Release();
}

void FlareNode::Release() {
    std::memset(enabled, 0, sizeof enabled);
    std::memset(colour, 0, sizeof colour);
    std::memset(size, 0, sizeof size);
    std::memset(place, 0, sizeof place);
    for (int32_t& t : texture) t = -1;
    intensity = 0.0f;
}

void FlareNode::Init(float px, float py, float pz) {
    x = px;
    y = py;
    z = pz;
    int32_t ids[4] = {-1, -1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "Texturas\\Efectos\\Glow%02d.tga", i);
        if (g_Scene.textures) ids[i] = g_Scene.textures->LoadTexture(path, true, true, true);
    }
    Release();
    int i = 0;
    for (const FlareElement& e : kElements) {
        enabled[i] = 1;
        colour[i] = e.colour;
        size[i] = e.size;
        texture[i] = ids[e.texture];
        place[i] = e.place;
        ++i;
    }
    intensity = 0.0f;
    fadeTime = FLARE_FADE_MS;
}

bool FlareNode::LoadFromNode(BinaryReader& in) {
    Vec3 p{};
    if (!ReadNodeHeader(in, &p, "FlareNode")) return false;
    Init(p.x, p.y, p.z);
    return true;
}

int FlareNode::Update(uint32_t dtMs) {
    intensity = StepFade(intensity, Vec3{x, y, z}, dtMs, fadeTime);
    return 0;
}

bool FlareNode::Render() {
    if (std::fabs(intensity) < GLOW_MIN_INTENSITY) return true;
    ScreenPoint sp{};
    if (!ProjectToScreen(Vec3{x, y, z}, &sp)) return true;
    const float W = SpriteScreenWidth(), H = SpriteScreenHeight();
    for (int i = 0; i < FLARE_SLOTS; ++i) {
        if (!enabled[i]) continue;
        const float cx = ((sp.x / W - 0.5f) * place[i] + 0.5f) * W;
        const float cy = ((sp.y / H - 0.5f) * place[i] + 0.5f) * H;
        DrawScreenSquare(cx, cy, W * size[i], sp.depth, sp.rhw, ScaleColour(colour[i], intensity), texture[i]);
    }
    const float dx = sp.x / W - 0.5f, dy = sp.y / H - 0.5f;
    float f = 1.0f - std::sqrt(dx * dx + dy * dy) / std::sqrt(0.5f);
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    const float g = f * f * f * f * intensity;
    if (std::fabs(g) >= GLOW_MIN_INTENSITY) {
        const uint32_t grey = uint32_t(int(g * FLASH_GREY)) & 0xFF;
        const uint32_t c = 0xFF000000u | grey << 16 | grey << 8 | grey;
        DrawScreenRect(0.0f, 0.0f, W, H, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, c, -1);
    }
    return true;
}

bool FlareNode::Load(std::FILE* file) {
    long start = 0;
    if (!BeginObjectRecord(file, "(FLARE)", Y3D_TYPE_FLARE, &start)) return false;
    if (!WriteNodeHeader(file, "(FLARE)", Y3D_TYPE_FLARE, Vec3{x, y, z})) return false;
    return EndObjectRecord(file, start);
}
