// The real device behind the video object and a made scene, for the pictures of glows, mirrors
// and water; and a plain coloured quad node for them to show.
#pragma once

#include <numbers>
#include <string>
#include <vector>

#include "gfx/gl_fixture.h"
#include "scene/scene_node.h"
#include "scene_element_records.h"

namespace fxtest {

// An unlit world-space quad of one colour, drawn from both sides.
class ColourQuad : public SceneNode {
public:
    Vec3 corners[4];
    uint32_t colour;
    ColourQuad(const Vec3 (&c)[4], uint32_t argb) : colour(argb) {
        for (int i = 0; i < 4; ++i) corners[i] = c[i];
    }
    bool Draw() override {
        gfx::Device* device = g_Video.GetDevice();
        struct V {
            float x, y, z;
            uint32_t c;
        };
        V v[4];
        for (int i = 0; i < 4; ++i) v[i] = {corners[i].x, corners[i].y, corners[i].z, colour};
        g_Video.SetBlendMode(0);
        g_Video.SetLighting(false);
        g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
        g_Video.SetTexture(0, nullptr);
        g_Video.SetColorOp(0, gfx::D3DTOP_SELECTARG1);
        g_Video.SetColorArg(0, 0, gfx::D3DTA_DIFFUSE);
        g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
        g_Video.SetVertexShader(gfx::D3DFVF_XYZ | gfx::D3DFVF_DIFFUSE);
        device->SetRenderState(gfx::D3DRS_CULLMODE, gfx::D3DCULL_NONE);
        device->DrawPrimitiveUP(gfx::D3DPT_TRIANGLEFAN, 2, v, sizeof(V));
        // Back to what the video object believes is set.
        device->SetRenderState(gfx::D3DRS_CULLMODE, g_Video.culling ? g_Video.cullMode : uint32_t(gfx::D3DCULL_NONE));
        return true;
    }
};

class FxPictureTest : public gfxtest::GLDeviceTest {
protected:
    SceneOnDevice scene;

    void SetUp() override {
        gfxtest::GLDeviceTest::SetUp();
        scene.Enter(device, int(kSize), params.present);
        g_Clocks.active = CLOCK_PAUSE;
    }
    void TearDown() override {
        scene.Leave();
        gfxtest::GLDeviceTest::TearDown();
    }
    void AimCamera(const Vec3& eye, const Vec3& target) {
        g_Scene.camera->Set(eye, target, 0, std::numbers::pi_v<float> / 2, 1, 50);
        g_Scene.camera->Update();
    }
    // A 4 x 4 texture of one colour entered in the scene's table under the name.
    int32_t SeedColourTexture(const std::string& name, uint32_t argb) {
        gfx::Texture* t = TextureFromColors(4, 4, std::vector<uint32_t>(16, argb));
        return t ? SeedTexture(device, name, t) : -1;
    }
};

}  // namespace fxtest
