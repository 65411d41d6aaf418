// A textured rectangle on the screen (HUD counters and icons, menu pictures, editor arrows). Its
// place and size are kept as fractions of the screen, so one layout serves every display mode; the
// pixel rectangle is derived from them whenever they change.
#pragma once

#include <cstdint>

#include "scene/scene_node.h"

// How Sprite2D::Init and SetSize read w and h.
constexpr int SPRITE_SIZE_GIVEN = 0;        // both as given
constexpr int SPRITE_SIZE_FROM_HEIGHT = 1;  // width keeps the texture rectangle's pixel aspect
constexpr int SPRITE_SIZE_FROM_WIDTH = 2;   // height keeps it
constexpr int SPRITE_SIZE_TEXELS = 3;       // one texel per pixel

class Sprite2D : public SceneNode {
public:
    float x = 0, y = 0;           // top-left, fractions of the screen
    float w = 0, h = 0;
    int32_t pixelX = 0, pixelY = 0, pixelWidth = 0, pixelHeight = 0;
    float texLeft = 0, texTop = 0, texRight = 0, texBottom = 0;
    int32_t textureId = -1;       // in the scene's texture manager
    uint8_t blendMode = 0;        // preset for Video::SetBlendMode
    uint32_t diffuse = 0xFFFFFFFF;
    uint32_t specular = 0;
    uint32_t spare = 0;           // the owner's; only cleared here

    Sprite2D() = default;
    ~Sprite2D() override { Release(); }

    // Takes one reference on the texture; the sprite starts at 0, 0.
    bool Init(const char* name, float w, float h, float left, float top, float right, float bottom, int sizeMode,
              int32_t textureId, uint8_t blendMode);
    void SetPosition(float x, float y);
    void SetPositionPixels(int32_t px, int32_t py);
    // Any mode but 0-3 leaves the size as it is.
    void SetSize(float w, float h, int sizeMode);
    void SetPixelHeight(int32_t ph);
    void Release() override;
    // Draws at once; a sprite wholly off the screen is skipped. Always true.
    bool Draw() override;

private:
    void DerivePixels();
};
