// The whole program: start-up, loop and shut-down, in a scratch working folder.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/os/os.h"
#include "shell/main_loop.h"
#include "shell/render_frame.h"
#include "core/settings.h"
#include "support/temp_dir.h"

namespace {

class ProgramTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    void SetUp() override {
        g_Settings.Clear();
        ResetMainLoopState();
        ResetFrameStats();
    }
    void TearDown() override {
        os::Shutdown();
        g_Settings.Clear();
    }
};

// Waits on another thread until the main window exists, then acts on it.
template <typename Action>
std::thread WhenWindowExists(Action action) {
    return std::thread([action] {
        while (!os::GetMainWindow()) std::this_thread::yield();
        action(os::GetMainWindow());
    });
}

TEST_F(ProgramTest, ClosingTheWindowEndsWithZero) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nDEBUG=1\nMENU=0\nMODO=0\nPRUEBAS=1\n");
    std::thread closer = WhenWindowExists([](os::WindowHandle w) { os::PostMessage(w, os::WM_CLOSE, 0, 0); });
    int code = WinMain(nullptr, nullptr, "", 1);
    closer.join();
    EXPECT_EQ(code, 0);
    std::string log = dir.Read("debug.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.find("Modo DEBUG inicializado"), std::string::npos);
    const std::string ending = std::string(77, '*') + "\n";
    size_t at = log.rfind(ending);
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(log.find("FINALIZACION DEL PROGRAMA\n", at), std::string::npos);
}

TEST_F(ProgramTest, ScenarioViewerDrawsItsOverlayTextIntoTheScreenshot) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMODO=2\nPRUEBAS=1\nRESX=320\nRESY=240\n");
    std::thread driver = WhenWindowExists([](os::WindowHandle w) {
        while (__atomic_load_n(&g_FrameStats.frameCounter, __ATOMIC_RELAXED) < 3) std::this_thread::yield();
        os::PostMessage(w, os::WM_KEYDOWN, os::VK_F3, 0);
        os::PostMessage(w, os::WM_CLOSE, 0, 0);
    });
    int code = WinMain(nullptr, nullptr, "", 1);
    driver.join();
    EXPECT_EQ(code, 0);

    std::string bmp = dir.Read("BrmVshot000.bmp");
    ASSERT_GT(bmp.size(), 54u);
    int32_t width = 0, height = 0;
    std::memcpy(&width, bmp.data() + 18, 4);
    std::memcpy(&height, bmp.data() + 22, 4);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    // The title line is drawn in 0xFFAAAAFF over the black background, near the top left.
    int titlePixels = 0;
    for (int row = 0; row < 24 && row < height; ++row) {
        const uint8_t* line = reinterpret_cast<const uint8_t*>(bmp.data()) + 54 + stride * size_t(height - 1 - row);
        for (int x = 0; x < width && x < 200; ++x) {
            const uint8_t b = line[x * 3], g = line[x * 3 + 1], r = line[x * 3 + 2];
            if (b > 200 && r > 120 && g > 120) ++titlePixels;
        }
    }
    EXPECT_GT(titlePixels, 20);
}

}  // namespace
