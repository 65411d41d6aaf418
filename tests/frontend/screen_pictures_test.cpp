// Pictures of the 2D screen elements and a 3D word on the OpenGL device, read back.
#include <gtest/gtest.h>

#include "frontend/gui_primitives.h"
#include "render/material.h"
#include "render/material_table.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "frontend/text3d.h"
#include "frontend/text_label.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "scene/glow_picture_fixture.h"

namespace {

using gfxtest::ColorNear;

bool IsBlack(uint32_t argb) { return (argb & 0xFFFFFF) == 0; }

class ScreenPictureTest : public fxtest::FxPictureTest {
protected:
    void TearDown() override {
        ResetTextLabels();
        ResetQuadDrawState();
        g_Fader.Zero();
        os::SetTimeSource({});
        fxtest::FxPictureTest::TearDown();
    }
};

TEST_F(ScreenPictureTest, ASpriteFillsItsPixelRectangleWithItsTexture) {
    const int32_t tex = SeedColourTexture("flat.tga", 0xFF00FF00);
    g_Scene.textures->Get(tex)->width = g_Scene.textures->Get(tex)->height = 4;
    Sprite2D sprite;
    sprite.Init("s", 0.25f, 0.5f, 0, 0, 1, 1, SPRITE_SIZE_GIVEN, tex, 0);
    sprite.SetPosition(0.25f, 0.25f);
    Clear(0xFF000000);
    sprite.Draw();
    const auto p = ReadBack();
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x) {
            const bool inside = x >= 8 && x < 16 && y >= 8 && y < 24;
            EXPECT_TRUE(ColorNear(p[y * 32 + x], inside ? 0xFF00FF00 : 0xFF000000)) << x << ", " << y;
        }
}

TEST_F(ScreenPictureTest, AMultiplyRectangleOfMidGreyHalvesThePicture) {
    g_Fader.Reset();
    Clear(0xFFC8C8C8);
    g_Fader.DrawRect2D(0, 0, 16, 32, 0xFF808080, true);
    EXPECT_TRUE(ColorNear(Pixel(8, 16), 0xFF646464, 2));
    EXPECT_TRUE(ColorNear(Pixel(24, 16), 0xFFC8C8C8, 0));
}

TEST_F(ScreenPictureTest, AFinishedFadeOutHoldsTheScreenBlack) {
    uint32_t now = 5000;
    os::SetTimeSource([&] { return now; });
    g_Clocks.active = CLOCK_MENU;
    g_Fader.Reset();
    g_Fader.FadeOut();
    now += 700;
    g_Fader.Update();
    Clear(0xFFFFFFFF);
    g_Fader.Draw();
    const auto p = ReadBack();
    for (uint32_t c : p) ASSERT_TRUE(IsBlack(c));
}

TEST_F(ScreenPictureTest, ALabelsInkLiesInsideItsRectangle) {
    SetTextLabelMode(LABEL_MODE_TEXTURE);
    TextLabel label;
    ASSERT_TRUE(CreateTextLabel(&label, 0.125f, 0.25f, 'I', "Wy", 3, 4));
    Clear(0xFF000000);
    DrawTextLabel(&label);
    const auto p = ReadBack();
    int ink = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= 4 && x < 4 + label.pixelWidth && y >= 8 && y < 8 + label.pixelHeight;
            if (IsBlack(p[size_t(y) * 32 + size_t(x)])) continue;
            EXPECT_TRUE(inside) << x << ", " << y;
            ink += ColorNear(p[size_t(y) * 32 + size_t(x)], FontColors[4], 8);
        }
    EXPECT_GT(ink, 8);
}

TEST_F(ScreenPictureTest, AWordLightsPixelsAroundItsScreenPoint) {
    AimCamera({0, 0, -1.5f}, {0, 0, 0});
    // One pass of the plain diffuse colour: white, with lighting off.
    auto* plain = new Material();
    plain->passCount = 1;
    plain->passes[0].stageCount = 1;
    const int32_t material = g_Scene.materials->Add(plain);
    Text3D word;
    ASSERT_TRUE(word.Create(100, "H", "DejaVu Sans", "Text3D.bmp", material));
    ASSERT_EQ(word.letterCount, 1);
    word.PlaceAtScreen(0.5f, 0.6f, 'c');
    word.Update3DText();
    word.letters[0].mesh->lit = 0;
    Clear(0xFF000000);
    g_Video.RestoreStates();
    word.letters[0].mesh->Draw();
    int32_t sx = 0, sy = 0;
    const Vec3 middle = Vec3Add(word.position, Vec3Scale(Vec3Add(word.boxMin, word.boxMax), 0.5f));
    WorldToScreen(middle.x, middle.y, middle.z, &sx, &sy, *g_Scene.camera);
    const auto p = ReadBack();
    int near = 0, far = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (IsBlack(p[size_t(y) * 32 + size_t(x)])) continue;
            (std::abs(x - sx) <= 12 && std::abs(y - sy) <= 12 ? near : far)++;
        }
    EXPECT_GT(near, 15);
    EXPECT_EQ(far, 0);
    word.Release();
}

// A wide screen, so that the button's 0.002 edges are whole pixels.
class ButtonPictureTest : public gfxtest::GLDeviceTest {
protected:
    static constexpr uint32_t kW = 1024, kH = 256;
    void SetUp() override {
        ASSERT_TRUE(CreateDevice(kW, kH, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_D24S8));
        g_Video.Zero();
        g_Video.device = device;
        g_Video.screenRect = {0, 0, int32_t(kW) - 1, int32_t(kH) - 1};
        g_Video.RestoreStates();
        ASSERT_EQ(device->BeginScene(), gfx::D3D_OK);
        ASSERT_TRUE(g_Font.Create("DejaVu Sans", 20, 0));
    }
    void TearDown() override {
        g_Font.Release();
        ResetQuadDrawState();
        device->EndScene();
        g_Video.Zero();
        gfxtest::GLDeviceTest::TearDown();
    }
};

TEST_F(ButtonPictureTest, AnEditorButtonShowsItsEdgesFaceAndCaption) {
    Button b;
    b.Set(0.125f, 0.25f, 0.5f, 0.5f, "Save");
    Clear(0xFF204060);
    b.Draw();
    const auto p = ReadBack();
    auto at = [&](uint32_t x, uint32_t y) { return p[size_t(y) * kW + x]; };
    EXPECT_TRUE(ColorNear(at(128, 128), 0xFFFFFFFF));   // light edge, left
    EXPECT_TRUE(ColorNear(at(300, 150), 0xFF8C8C8C));   // face
    EXPECT_TRUE(ColorNear(at(639, 128), 0xFF000000));   // dark edge, right
    EXPECT_TRUE(ColorNear(at(700, 128), 0xFF204060));   // outside
    // The caption: colour 2 (pale yellow) near the top middle.
    int caption = 0;
    for (uint32_t y = 64; y < 80; ++y)
        for (uint32_t x = 330; x < 440; ++x) caption += ColorNear(at(x, y), FontColors[2], 40);
    EXPECT_GT(caption, 5);
}

}  // namespace
