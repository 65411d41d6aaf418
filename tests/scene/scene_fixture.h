// A recording device behind the video object and the global scene torn down after each test.
#pragma once

#include <gtest/gtest.h>

#include <numbers>

#include "frontend/menu.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/settings.h"

namespace scenetest {

class SceneDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Scene.Destroy(true);
        g_Video.Zero();
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 64), &rec), gfx::D3D_OK);
        g_Video.device = rec;
        g_Video.RestoreStates();
        ASSERT_EQ(rec->BeginScene(), gfx::D3D_OK);
        g_Menu.active = 0;
        g_Settings.characterShadow = 0;
    }
    void TearDown() override {
        g_Scene.Destroy(true);
        SetScenePhaseObserver(nullptr);
        g_Video.device = nullptr;
        if (rec) rec->EndScene();
        if (rec) rec->Release();
        g_Video.Zero();
        g_Menu.active = 0;
        g_Settings.characterShadow = 0;
        g_PolygonsDrawn = 0;
        g_DrawCalls = 0;
    }
    // The scene's camera at (0, 0, -10) looking at the origin, 90 degrees, far plane 50.
    static void AimCamera(Camera* camera) {
        camera->Set(0, 0, -10, 0, 0, 0, 0, std::numbers::pi_v<float> / 2, 1, 50);
        camera->Update();
    }

    gfx::RecordingDevice* rec = nullptr;
};

}  // namespace scenetest
