#include "frontend/sprite2d.h"

#include "core/debug_log.h"
#include "platform/gfx/device.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/glow.h"
#include "scene/scene.h"

using namespace gfx;

namespace {

struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u, v;
};
static_assert(sizeof(SpriteVertex) == 32, "the device reads 32-byte vertices");

constexpr uint32_t kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

}  // namespace

bool Sprite2D::Init(const char* spriteName, float width, float height, float left, float top, float right,
                    float bottom, int sizeMode, int32_t texture, uint8_t blend) {
    SetName(spriteName);
    texLeft = left;
    texTop = top;
    texRight = right;
    texBottom = bottom;
    textureId = texture;
    blendMode = blend;
    SetSize(width, height, sizeMode);
    if (g_Scene.textures) g_Scene.textures->AddRef(textureId);
    SetPosition(0.0f, 0.0f);
    return true;
}

void Sprite2D::DerivePixels() {
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    pixelX = int32_t(sw * x);
    pixelY = int32_t(sh * y);
    pixelWidth = int32_t(sw * w);
    pixelHeight = int32_t(sh * h);
}

void Sprite2D::SetPosition(float px, float py) {
    x = px;
    y = py;
    DerivePixels();
}

void Sprite2D::SetPositionPixels(int32_t px, int32_t py) {
    pixelX = px;
    pixelY = py;
    x = float(px) / SpriteScreenWidth();
    y = float(py) / SpriteScreenHeight();
}

void Sprite2D::SetSize(float width, float height, int sizeMode) {
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    float pw = 0.0f, ph = 0.0f;
    if (const ::Texture* t = g_Scene.textures ? g_Scene.textures->Get(textureId) : nullptr) {
        pw = (texRight - texLeft) * float(t->width);
        ph = (texBottom - texTop) * float(t->height);
    }
    // The aspect modes divide by the texture rectangle's pixel size: without one the size stays.
    const bool sized = pw != 0.0f && ph != 0.0f;
    switch (sizeMode) {
    case SPRITE_SIZE_GIVEN:
        w = width;
        h = height;
        break;
    case SPRITE_SIZE_FROM_HEIGHT:
        if (!sized) break;
        w = height * (sh / sw) * (pw / ph);
        h = height;
        break;
    case SPRITE_SIZE_FROM_WIDTH:
        if (!sized) break;
        w = width;
        h = width * (sw / sh) * (ph / pw);
        break;
    case SPRITE_SIZE_TEXELS:
        if (!sized) break;
        w = pw / sw;
        h = ph / sh;
        break;
    default:
        break;
    }
    if (sizeMode >= SPRITE_SIZE_FROM_HEIGHT && sizeMode <= SPRITE_SIZE_TEXELS && !sized)
        WriteDebugLogF("Sprite2D::SetSize: texture %d has no size", int(textureId));
    DerivePixels();
}

void Sprite2D::SetPixelHeight(int32_t ph) {
    pixelHeight = ph;
    h = float(ph) / SpriteScreenHeight();
}

void Sprite2D::Release() {
    if (textureId >= 0 && g_Scene.textures) g_Scene.textures->Release(textureId);
    SceneNode::Release();
    spare = 0;
    textureId = -1;
}

bool Sprite2D::Draw() {
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    if (float(pixelX) > sw || float(pixelY) > sh || pixelX + pixelWidth < 0 || pixelY + pixelHeight < 0) return true;
    Device* device = g_Video.GetDevice();
    if (!device) return true;

    g_Video.SetVertexShader(kSpriteFvf);
    g_Video.SetTexture(0, nullptr);
    g_Video.SetColorOp(0, D3DTOP_MODULATE);
    g_Video.SetColorArg(0, 0, D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, D3DTA_DIFFUSE);
    // Adding a zero specular changes nothing, and devices that cannot read the specular colour
    // in a stage would add the diffuse instead: the stage is used only when there is one.
    if (specular) {
        g_Video.SetColorOp(1, D3DTOP_ADD);
        g_Video.SetColorArg(1, 0, D3DTA_SPECULAR);
        g_Video.SetColorArg(1, 1, D3DTA_CURRENT);
        g_Video.SetColorOp(2, D3DTOP_DISABLE);
    } else {
        g_Video.SetColorOp(1, D3DTOP_DISABLE);
    }
    g_Video.SetBlendMode(0);
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(nullptr, 0, true);
    if (g_Scene.textures) g_Scene.textures->SetTexture(0, textureId);
    g_Video.SetBlendMode(blendMode);

    const float X = float(pixelX), Y = float(pixelY), W = float(pixelWidth), H = float(pixelHeight);
    const SpriteVertex tl{X, Y, 0, 1, diffuse, specular, texLeft, texTop};
    const SpriteVertex tr{X + W, Y, 0, 1, diffuse, specular, texRight, texTop};
    const SpriteVertex br{X + W, Y + H, 0, 1, diffuse, specular, texRight, texBottom};
    const SpriteVertex bl{X, Y + H, 0, 1, diffuse, specular, texLeft, texBottom};
    const SpriteVertex v[6] = {tl, tr, br, tl, br, bl};
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(SpriteVertex));
    return true;
}
