// The demo data folder as the working folder and an OpenGL device of W x H pixels with the
// scene on it, for the pictures drawn from the demo data.
#pragma once

#include <filesystem>

// The device fixture first: its own names come before the game's.
#include "gfx/gl_fixture.h"

#include "demo_folder.h"
#include "scene/scene_element_records.h"

namespace demotest {

template <int W, int H>
class DemoDeviceTest : public gfxtest::GLDeviceTest {
protected:
    static constexpr int kW = W, kH = H;
    fxtest::SceneOnDevice scene;
    std::filesystem::path previous;

    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(DataFolder());
        ASSERT_TRUE(CreateDevice(kW, kH, gfx::D3DFMT_X8R8G8B8, true, gfx::D3DFMT_D24S8));
        scene.Enter(device, kW, params.present);
        g_Video.screenRect = {0, 0, kW - 1, kH - 1};
        g_Video.halfHeight = kH / 2;
    }
    void TearDown() override {
        scene.Leave();
        gfxtest::GLDeviceTest::TearDown();
        std::filesystem::current_path(previous);
    }
};

}  // namespace demotest
