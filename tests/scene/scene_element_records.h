// The shared set-up of the glow, flare, lava, mirror, water and scene-element tests: a recording
// device with a back buffer, a made scene, a camera and textures seeded into the scene's table
// under the names the nodes ask for. Their record builders live in support/y3d_builder.h.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "common/math.h"
#include "frontend/menu.h"
#include "platform/gfx/recording_device.h"
#include "render/adapter_table.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effects.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_builder.h"

namespace fxtest {

using namespace datakit::y3drec;

// Every strict prefix of a record must be refused without a crash.
template <typename LoadFn>
void ExpectEveryPrefixRefused(const std::vector<uint8_t>& bytes, size_t step, LoadFn load) {
    for (size_t n = 0; n < bytes.size(); n += step) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        auto f = datakit::EntryOf(cut);
        EXPECT_FALSE(load(f->Reader())) << "prefix of " << n << " bytes";
    }
}

// A texture of the device entered in the scene's table under the (upper-cased) name.
inline int32_t SeedTexture(gfx::Device* device, const std::string& name, gfx::Texture* made = nullptr) {
    gfx::Texture* frame = made;
    if (!frame && device->CreateTexture(4, 4, 1, 0, gfx::D3DFMT_A8R8G8B8, gfx::D3DPOOL_MANAGED, &frame) != gfx::D3D_OK)
        return -1;
    Texture* t = new Texture();
    std::string upper = name;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    t->name = new char[upper.size() + 1];
    std::memcpy(t->name, upper.c_str(), upper.size() + 1);
    t->loaded = 1;
    t->frameCount = 1;
    t->frames = new gfx::Texture*[1]{frame};
    return g_Scene.textures->Add(t, true);
}

// Adapter 0 offers render-target textures on a 32-bit display.
inline void AllowReflections() {
    g_Video.adapter = 0;
    g_AdapterTable.adapterCount = 1;
    g_AdapterTable.adapters[0].renderTargetTextures[3] = 1;
}

// The device behind the video object, with its back buffer and depth surface taken as the
// current targets, a made scene and quiet settings; Leave puts everything back.
class SceneOnDevice {
public:
    void Enter(gfx::Device* device, int size, const gfx::PresentParameters& present) {
        saved = g_Settings;
        // As the game does: the effect pool lets go of its groups before the scene deletes them.
        ReleaseEffects();
        g_Scene.Destroy(true);
        g_Video.Zero();
        g_AdapterTable.Reset();
        g_Video.device = device;
        g_Video.screenRect = {0, 0, size - 1, size - 1};
        g_Video.halfWidth = size / 2;
        g_Video.halfHeight = size / 2;
        g_Video.present = present;
        ASSERT_EQ(device->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &g_Video.renderTarget), gfx::D3D_OK);
        device->GetDepthStencilSurface(&g_Video.depthSurface);
        g_Video.RestoreStates();
        ASSERT_EQ(device->BeginScene(), gfx::D3D_OK);
        ASSERT_TRUE(g_Scene.Create());
        g_Settings.textureBpp = 32;
        g_Settings.waterQuality = 0;
        g_Settings.mirrors = 0;
        g_Settings.characterShadow = 0;
        g_Clocks = ClockSet();
        g_Menu.active = 0;
    }
    void Leave() {
        ReleaseEffects();
        g_Scene.Destroy(true);
        if (g_Video.renderTarget) g_Video.renderTarget->Release();
        if (g_Video.depthSurface) g_Video.depthSurface->Release();
        if (g_Video.device) g_Video.device->EndScene();
        g_Video.Zero();
        g_AdapterTable.Reset();
        g_Settings = saved;
        g_Clocks = ClockSet();
    }

private:
    Settings saved;
};

// A recording device of 64 x 64 pixels, the scene on it and its camera at (0, 0, -10) looking at
// the origin with 90 degrees.
class FxDeviceTest : public ::testing::Test {
protected:
    static constexpr int kSize = 64;
    gfx::RecordingDevice* rec = nullptr;
    SceneOnDevice scene;

    void SetUp() override {
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(kSize, kSize), &rec), gfx::D3D_OK);
        gfx::PresentParameters present{};
        present.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        present.BackBufferWidth = present.BackBufferHeight = kSize;
        scene.Enter(rec, kSize, present);
        g_Clocks.active = CLOCK_MENU;
        AimCamera(0, 0, -10, 0, 0, 0);
    }
    void TearDown() override {
        scene.Leave();
        if (rec) rec->Release();
    }
    void AimCamera(float ex, float ey, float ez, float tx, float ty, float tz) {
        g_Scene.camera->Set(ex, ey, ez, tx, ty, tz, 0, std::numbers::pi_v<float> / 2, 1, 50);
        g_Scene.camera->Update();
    }
    // The match clock stopped at t milliseconds (another clock runs).
    static void StopMatchClockAt(uint32_t t) {
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = t;
    }
};

}  // namespace fxtest
