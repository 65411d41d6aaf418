// The menu on the recording device with the front-end data in a fresh working folder and the
// shell's calls replaced by recorders.
#pragma once

#include <numbers>
#include <vector>

#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/overlays.h"
#include "frontend/text_label.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/mouse.h"
#include "support/frontend_data.h"
#include "support/temp_dir.h"
#include "frontend/screen_2d_fixture.h"

namespace menutest {

struct ShellLog {
    std::vector<int> sounds;
    int startGame = 0, releaseGame = 0, initVideo = 0, destroyVideo = 0, quit = 0, cameraPitch = 0;
    bool releaseMenuOnStart = true;
};

inline ShellLog& Log() {
    static ShellLog log;
    return log;
}

class MenuTest : public screentest::Screen2DTest {
protected:
    ScopedWorkDir dir;

    void SetUp() override {
        Screen2DTest::SetUp();
        Log() = ShellLog{};
        testsupport::WriteFrontEndData(dir);
        MenuShellCalls calls{};
        calls.playFx = [](int id) { Log().sounds.push_back(id); };
        calls.startGame = [] {
            ++Log().startGame;
            if (Log().releaseMenuOnStart) g_Menu.Release();
        };
        calls.releaseGame = [](bool) { return ++Log().releaseGame > 0; };
        calls.destroyVideo = [] { ++Log().destroyVideo; };
        calls.initVideo = [] { return ++Log().initVideo > 0; };
        calls.requestQuit = [] { ++Log().quit; };
        calls.resetCameraPitch = [] { ++Log().cameraPitch; };
        // The menu's control mode aims the camera: here from -10 at the origin, 90 degrees.
        calls.selectControlMode = [] {
            g_Scene.camera->Set(0, 0, -10, 0, 0, 0, 0, std::numbers::pi_v<float> / 2, 1, 50);
            g_Scene.camera->Update();
        };
        g_MenuShellCalls = calls;
        g_Mouse = MouseState();
        g_Video.displayMode.Format = gfx::D3DFMT_X8R8G8B8;
    }
    void TearDown() override {
        ResetMenu();
        ResetMenuShellCalls();
        ResetTextLabels();
        g_Fader.Zero();
        g_Mouse = MouseState();
        Screen2DTest::TearDown();
    }
    // The menu's scene is made anew: its camera looks at the origin from -10 as the fixture's did.
    void Build(int page) { g_Menu.BuildPage(page); }
    // A page of words left behind as a screen would leave it.
    static void DropButtons() {
        for (Text3D& b : g_Menu.buttons) b.Release();
        g_Menu.buttonCount = 0;
    }
    // The fader at rest, so that frames do not wait for it.
    static void StopFading() {
        g_Fader.running = 0;
        g_Fader.fadingIn = 0;
    }
    // The pointer on the middle of a 3D button.
    static void PointAt(const Text3D& b) {
        const Vec3 mid = Vec3Add(b.position, Vec3Scale(Vec3Add(b.boxMin, b.boxMax), 0.5f));
        int32_t sx = 0, sy = 0;
        WorldToScreen(mid.x, mid.y, mid.z, &sx, &sy, *g_Scene.camera);
        g_Mouse.x = sx;
        g_Mouse.y = sy;
    }
};

}  // namespace menutest
