// A main window taken away by the display server closes like the close button. Headless, the
// loss is reported to the layer directly; under X11 (SDL_VIDEODRIVER=x11 with a display) another
// client really destroys the window while a device draws into it.
#include <cstring>
#include <thread>

#include "os_fixture.h"
#include "platform/gfx/device.h"
#include "platform/os/os_internal.h"
#include "support/x11_client.h"

using ostest::Calls;
using ostest::OsTest;

namespace {

// Pumps until a WM_CLOSE comes or about two seconds pass; the messages taken, in order.
std::vector<os::Message> PumpUntilClose() {
    std::vector<os::Message> taken;
    const uint32_t start = os::timeGetTime();
    while (os::timeGetTime() - start < 2000) {
        os::Message m;
        if (!os::PeekMessage(&m, os::PM_REMOVE)) {
            SDL_Delay(5);
            continue;
        }
        taken.push_back(m);
        if (m.id == os::WM_CLOSE) break;
    }
    return taken;
}

}  // namespace

TEST_F(OsTest, LostWindowBecomesOneCloseThatDestroysItNormally) {
    os::WindowHandle w = Open();
    // The report may come from whichever thread met the dead window.
    std::thread([] { os::detail::OnMainWindowLost(); }).join();
    EXPECT_EQ(os::NativeWindow(w), nullptr) << "nothing new may be made on a lost window";
    std::vector<os::Message> taken = Drain();
    ASSERT_EQ(OsTest::Only(taken, {os::WM_CLOSE}).size(), 1u);
    EXPECT_EQ(taken.back().window, w);
    EXPECT_TRUE(os::IsWindow(w)) << "the window stays until the game destroys it";
    os::DispatchMessage(&taken.back());
    EXPECT_FALSE(os::IsWindow(w));
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(Calls().back().id, os::WM_DESTROY);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(OsTest, WindowDestroyedByAnotherX11ClientClosesWithoutEndingTheProcess) {
    if (std::strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0) GTEST_SKIP() << "needs SDL_VIDEODRIVER=x11";
    // Full screen too: there the window layer also asks about the lost window's place.
    for (int windowed : {1, 0}) {
        SCOPED_TRACE(windowed);
        os::WindowHandle w = Open();
        const unsigned long id = ostest::X11WindowId(os::NativeWindow(w));
        ASSERT_NE(id, 0u);

        gfx::DeviceParams params;
        gfx::PresentParameters& pp = params.present;
        pp.BackBufferWidth = windowed ? 64 : 640;
        pp.BackBufferHeight = windowed ? 48 : 480;
        pp.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = gfx::D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = w;
        pp.Windowed = windowed;
        pp.EnableAutoDepthStencil = 1;
        pp.AutoDepthStencilFormat = gfx::D3DFMT_D24S8;
        gfx::Device* device = nullptr;
        ASSERT_EQ(gfx::CreateGLDevice(params, &device), gfx::D3D_OK);
        device->Present(nullptr, nullptr, nullptr, nullptr);

        // What a window manager or `xdotool windowclose` does.
        ASSERT_TRUE(ostest::DestroyFromAnotherClient(id));

        // Frames keep going until the close is served, as the main loop would run them.
        for (int frame = 0; frame < 3; ++frame) {
            device->Clear(0, nullptr, gfx::D3DCLEAR_TARGET, 0, 1.0f, 0);
            device->Present(nullptr, nullptr, nullptr, nullptr);
        }
        std::vector<os::Message> taken = PumpUntilClose();
        ASSERT_EQ(OsTest::Only(taken, {os::WM_CLOSE}).size(), 1u);
        EXPECT_EQ(os::NativeWindow(w), nullptr);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        os::DispatchMessage(&taken.back());
        EXPECT_FALSE(os::IsWindow(w));
        EXPECT_EQ(device->Release(), 0u);
    }
    // The fixture's shut-down closes the display, which still hears about the dead window.
}
