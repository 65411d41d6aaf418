// The whole program: start-up, loop and shut-down, in a scratch working folder.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/os/os.h"
#include "platform/video/test_clip.h"
#include "shell/main_loop.h"
#include "shell/render_frame.h"
#include "shell/video_playback.h"
#include "core/settings.h"
#include "datakit/scenario_files.h"
#include "support/game_window.h"
#include "support/match_harness.h"
#include "support/temp_dir.h"
#include "support/x11_client.h"

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

// An environment variable set (or unset) for one test, put back as it was.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A floor as scenario 1, for the runs that start one at once.
void WriteScenario1() {
    datakit::ScenarioFiles files;
    files.number = 1;
    files.Write();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Start-up videos of a minute each, so that only a close ends them within the test's time; the
// settings leave test mode off, so they play.
void WriteLongStartUpVideos(ScopedWorkDir& dir) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nDEBUG=1\nMENU=0\nMODO=0\nPRUEBAS=0\nRESX=320\nRESY=240\n");
    video::TestClipSpec spec;
    spec.width = 48;
    spec.height = 32;
    spec.fps = 24;
    spec.frames = 24 * 60;
    spec.toneHz = 0;
    for (const char* name : {"Logo.mpg", "Intro.mpg"}) {
        std::string error;
        ASSERT_TRUE(video::WriteTestClip(name, spec, &error)) << error;
    }
}

// Runs the program, closing it with `close` once the first video plays; checks that it ended
// through its normal shut-down, with 0, without the second video.
template <typename Close>
void CloseDuringTheFirstVideo(ScopedWorkDir& dir, Close close) {
    std::atomic<bool> ended{false};
    std::thread closer([&] {
        while (!__atomic_load_n(&g_VideoPlayback.events, __ATOMIC_ACQUIRE))
            if (ended.load()) return;
        close(os::GetMainWindow());
    });
    const auto start = std::chrono::steady_clock::now();
    int code = WinMain(nullptr, nullptr, "", 1);
    ended = true;
    closer.join();
    EXPECT_EQ(code, 0);
    EXPECT_LT(SecondsSince(start), 20.0);
    std::string log = dir.Read("debug.txt");
    EXPECT_NE(log.find("Reproduciendo video Logo.mpg"), std::string::npos) << log;
    EXPECT_EQ(log.find("Reproduciendo video Intro.mpg"), std::string::npos);
    EXPECT_NE(log.find("FINALIZACION DEL PROGRAMA"), std::string::npos);
    EXPECT_FALSE(os::GetMainWindow());
}

TEST_F(ProgramTest, ClosingTheWindowEndsWithZero) {
    // A match that can start: its scenario, kind and fighters are there (one that cannot ends
    // the program by itself).
    testsupport::WriteMatchFolder(testsupport::MatchOptions{});
    std::string ini = dir.Read("Brimvale.ini");
    testsupport::SetSettingsKey(&ini, "DEBUG", 1);
    dir.Write("Brimvale.ini", ini);
    std::thread closer = WhenWindowExists([](os::WindowHandle w) { os::PostMessage(w, os::WM_CLOSE, 0, 0); });
    int code = WinMain(nullptr, nullptr, "", 1);
    closer.join();
    std::string log = dir.Read("debug.txt");
    EXPECT_EQ(code, 0) << log;
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.find("Modo DEBUG inicializado"), std::string::npos);
    const std::string ending = std::string(77, '*') + "\n";
    size_t at = log.rfind(ending);
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(log.find("FINALIZACION DEL PROGRAMA\n", at), std::string::npos);
}

TEST_F(ProgramTest, ScenarioViewerDrawsItsOverlayTextIntoTheScreenshot) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMODO=2\nPRUEBAS=1\nRESX=320\nRESY=240\nID_ESCENARIO=1\n");
    WriteScenario1();
    std::thread driver = WhenWindowExists([](os::WindowHandle w) {
        // A program that ended before its frames must not keep the test waiting.
        while (__atomic_load_n(&g_FrameStats.frameCounter, __ATOMIC_RELAXED) < 3 && os::GetMainWindow())
            std::this_thread::yield();
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

TEST_F(ProgramTest, ACloseDuringTheStartUpVideosEndsTheProgramWithZero) {
    WriteLongStartUpVideos(dir);
    CloseDuringTheFirstVideo(dir, [](os::WindowHandle w) { os::PostMessage(w, os::WM_CLOSE, 0, 0); });
}

// Under an X server (the x11 driver chosen): the close button, and the window destroyed by
// another client.
TEST_F(ProgramTest, X11CloseButtonOrLostWindowDuringTheStartUpVideosEndsWithZero) {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (!driver || std::strcmp(driver, "x11") != 0 || !std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server and SDL_VIDEODRIVER=x11";
    WriteLongStartUpVideos(dir);
    for (bool destroy : {true, false}) {
        SCOPED_TRACE(destroy ? "destroyed by another client" : "close button");
        SetUp();
        std::remove("debug.txt");
        CloseDuringTheFirstVideo(dir, [destroy](os::WindowHandle w) {
            const unsigned long id = ostest::X11WindowId(os::NativeWindow(w));
            ASSERT_NE(id, 0u);
            ASSERT_TRUE(destroy ? ostest::DestroyFromAnotherClient(id) : ostest::CloseFromAnotherClient(id));
        });
    }
}

// A display is named but no server answers there: no window on another driver, a message and
// a failing exit at once.
TEST_F(ProgramTest, AnUnreachableDisplayStopsTheStartUpWithAMessage) {
    int number = 99;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
        ++number;
    const std::string display = ":" + std::to_string(number);
    ScopedEnv named("DISPLAY", display.c_str()), wayland("WAYLAND_DISPLAY", nullptr),
        chosen("SDL_VIDEODRIVER", nullptr);
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nPRUEBAS=1\n");
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    int code = WinMain(nullptr, nullptr, "", 1);
    const double seconds = SecondsSince(start);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(code, 0);
    EXPECT_LT(seconds, 5.0);
    EXPECT_NE(said.find("cannot open the display " + display), std::string::npos) << said;
    EXPECT_FALSE(os::GetMainWindow());
}

}  // namespace
