// A lit quad on the real device: the sun and a point light chosen by the light slots.
#include <cmath>

#include "gfx/gl_fixture.h"
#include "render/video.h"
#include "scene/light_node.h"
#include "scene/light_slots.h"
#include "scene/scene.h"

namespace {

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};

class LightPictureTest : public gfxtest::GLDeviceTest {
protected:
    DirectionalLight sun;
    PointLight lamp;

    void SetUp() override {
        gfxtest::GLDeviceTest::SetUp();
        g_Video.Zero();
        g_Video.device = device;
        PlainStates();
        Camera();
        device->SetRenderState(gfx::D3DRS_LIGHTING, 1);
        gfx::Material m{};
        m.Diffuse = {1, 1, 1, 1};
        ASSERT_EQ(device->SetMaterial(&m), gfx::D3D_OK);
        const float d[4] = {1, 2, 3, 4};
        sun.SetFull("SOL", 0.5f, 0.25f, 0.0f, 1.0f, 0, 0, -5, false, {0, 0, 2}, d, 1, 2);
        const float ranges[4] = {0.1f, 0.2f, 5.0f, 10.0f};
        lamp.SetFull("lamp", 0.0f, 0.5f, 0.5f, 1.0f, 0, 0, 1, false, ranges);
    }
    void TearDown() override {
        g_Scene.sun = nullptr;
        g_Scene.lights.clear();
        g_Video.device = nullptr;
        g_Video.Zero();
        gfxtest::GLDeviceTest::TearDown();
    }
    // The square (+-1, +-1, 2) facing the camera; its box centre is (0, 0, 2).
    uint32_t DrawLitSquare(LightSlots& slots) {
        const float box[6] = {-1, -1, 2, 1, 1, 2};
        slots.SelectForBox(box);
        LitVertex v[4] = {{-1, 1, 2, 0, 0, -1}, {1, 1, 2, 0, 0, -1}, {-1, -1, 2, 0, 0, -1}, {1, -1, 2, 0, 0, -1}};
        Clear(0xFF000000);
        device->SetVertexShader(gfx::D3DFVF_XYZ | gfx::D3DFVF_NORMAL);
        EXPECT_EQ(device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitVertex)), gfx::D3D_OK);
        return Pixel(16, 16);
    }
    static uint32_t Argb(float r, float g, float b) {
        auto c = [](float v) { return uint32_t(std::lround(std::fmin(v, 1.0f) * 255.0f)); };
        return 0xFF000000u | (c(r) << 16) | (c(g) << 8) | c(b);
    }
};

TEST_F(LightPictureTest, SunAndPointLightLightTheQuad) {
    LightSlots slots;
    g_Scene.sun = &sun;
    EXPECT_TRUE(gfxtest::ColorNear(DrawLitSquare(slots), Argb(0.5f, 0.25f, 0.0f)));

    // The lamp one unit in front of the square: every corner sees it at 1/sqrt(3) and the
    // centre pixel takes the corners' shade.
    g_Scene.lights = {&lamp};
    float k = 1.0f / std::sqrt(3.0f);
    EXPECT_TRUE(gfxtest::ColorNear(DrawLitSquare(slots), Argb(0.5f, 0.25f + 0.5f * k, 0.5f * k)));

    // Out of the lamp's reach only the sun is left.
    lamp.position = {0, 0, -20};
    EXPECT_TRUE(gfxtest::ColorNear(DrawLitSquare(slots), Argb(0.5f, 0.25f, 0.0f)));
    slots.DisableAll();
}

}  // namespace
