// The front end driven through the real message loop: SDL mouse events pushed into the OS
// layer, the shell's window procedure and loop turns, on a fake clock and the recording device.
#include <numbers>

#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/overlays.h"
#include "frontend/text_label.h"
#include "platform/gfx/recording_device.h"
#include "platform/os_fixture.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/scene_element_records.h"
#include "shell/main_loop.h"
#include "shell/mouse.h"
#include "support/frontend_data.h"
#include "support/temp_dir.h"

namespace ostest {
namespace {

constexpr int kSize = 64;

class MenuScriptTest : public OsTest {
protected:
    ScopedWorkDir dir;
    gfx::RecordingDevice* rec = nullptr;
    fxtest::SceneOnDevice scene;
    uint32_t now = 100000;

    void SetUp() override {
        OsTest::SetUp();
        os::SetTimeSource([this] { return now; });
        os::WindowDesc desc;
        desc.proc = WndProc;
        desc.width = desc.height = kSize;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        os::ShowWindow(window, true);
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(kSize, kSize), &rec), gfx::D3D_OK);
        gfx::PresentParameters present{};
        present.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        present.BackBufferWidth = present.BackBufferHeight = kSize;
        scene.Enter(rec, kSize, present);
        testsupport::WriteFrontEndData(dir);
        g_ShellCalls.pollInput = [] {};
        g_ShellCalls.renderFrame = [] {};
        MenuShellCalls calls{};
        calls.selectControlMode = [] {
            g_Scene.camera->Set(Vec3{0, 0, -10}, Vec3{0, 0, 0}, 0, std::numbers::pi_v<float> / 2, 1, 50);
            g_Scene.camera->Update();
        };
        g_MenuShellCalls = calls;
        g_Mouse = MouseState();
        g_Menu.BuildPage(0);
        Turns(0);
    }
    void TearDown() override {
        ResetMenu();
        ResetMenuShellCalls();
        ResetShellCalls();
        ResetMainLoopState();
        ResetTextLabels();
        g_Fader.Zero();
        g_Mouse = MouseState();
        scene.Leave();
        rec->Release();
        OsTest::TearDown();
    }
    // Loop turns, 20 ms apart, until the page is `page` with no transition pending (or a limit).
    void Turns(int page) {
        os::Message msg;
        for (int i = 0; i < 500; ++i) {
            RunLoopTurn(&msg);
            now += 20;
            if (g_Menu.page == page && !g_Fader.running) return;
        }
    }
    // A click on word k of the page: the pointer moves there, the button goes down and up.
    void ClickWord(int k) {
        const Text3D& b = g_Menu.buttons[k];
        const Vec3 mid = Vec3Add(b.position, Vec3Scale(Vec3Add(b.boxMin, b.boxMax), 0.5f));
        int32_t sx = 0, sy = 0;
        WorldToScreen(mid.x, mid.y, mid.z, &sx, &sy, *g_Scene.camera);
        PushMotion(sx, sy);
        PushButton(true, SDL_BUTTON_LEFT, sx, sy);
        os::Message msg;
        for (int i = 0; i < 4; ++i) RunLoopTurn(&msg);
        PushButton(false, SDL_BUTTON_LEFT, sx, sy);
    }
};

TEST_F(MenuScriptTest, ClicksLeadFromTheMainMenuToThePlayTypesAndBackToOptionsAndToTheNetworkSetUp) {
    ASSERT_EQ(g_Menu.buttonCount, 4);
    ClickWord(0);
    EXPECT_EQ(g_Menu.targetPage, 1);
    Turns(1);
    ASSERT_EQ(g_Menu.page, 1);
    EXPECT_EQ(g_Menu.buttonCount, 6);
    EXPECT_EQ(g_Menu.screens->screen, 1);

    ClickWord(5);
    Turns(0);
    ASSERT_EQ(g_Menu.page, 0);
    EXPECT_EQ(g_Menu.buttonCount, 4);

    ClickWord(2);
    Turns(8);
    ASSERT_EQ(g_Menu.page, 8);
    EXPECT_EQ(g_Menu.buttonCount, 0);
    EXPECT_EQ(g_Menu.screens->screen, 8);

    // The options screen's way back, as a screen starts it.
    g_Menu.page = PAGE_TRANSITION;
    g_Menu.targetPage = 0;
    Turns(0);
    ASSERT_EQ(g_Menu.page, 0);
    ClickWord(1);
    Turns(6);
    EXPECT_EQ(g_Menu.page, 6);
    EXPECT_EQ(g_Menu.previousPage, 0);
    EXPECT_EQ(g_Menu.screens->screen, 6);
}

}  // namespace
}  // namespace ostest
