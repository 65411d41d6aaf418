// A small OpenGL device with the scene on it, the demo data folder as the working folder: for
// pictures of a loaded demo scenario.
#pragma once

// The device fixture first: its own names come before the game's.
#include "gfx/gl_fixture.h"

#include "core/settings.h"
#include "demo_folder.h"
#include "scene/scene_element_records.h"
#include "world/scenario.h"

namespace demotest {

class DemoSceneTest : public gfxtest::GLDeviceTest {
protected:
    static constexpr int kSize = 64;
    WorkInDataFolder inData;
    fxtest::SceneOnDevice scene;

    void SetUp() override {
        ASSERT_TRUE(CreateDevice(kSize, kSize, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_D24S8));
        scene.Enter(device, kSize, params.present);
        g_Settings.mode = 0;
    }
    void TearDown() override {
        g_Scenario.Unload();
        scene.Leave();
        gfxtest::GLDeviceTest::TearDown();
    }
};

}  // namespace demotest
