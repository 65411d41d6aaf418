// The whole program: start-up, loop and shut-down, in a scratch working folder.
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "platform/os/os.h"
#include "shell/main_loop.h"
#include "shell/settings.h"
#include "support/temp_dir.h"

namespace {

class ProgramTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    void SetUp() override {
        g_Settings.Clear();
        ResetMainLoopState();
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

TEST_F(ProgramTest, TerminationSignalClosesTheWindowNormally) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMENU=0\nMODO=0\n");
    std::thread killer = WhenWindowExists([](os::WindowHandle) { std::raise(SIGTERM); });
    int code = WinMain(nullptr, nullptr, "", 1);
    killer.join();
    EXPECT_EQ(code, 0);
}

TEST_F(ProgramTest, EscapeInTestModeQuitsWithZero) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMENU=0\nMODO=0\nPRUEBAS=1\n");
    std::thread presser = WhenWindowExists(
        [](os::WindowHandle w) { os::PostMessage(w, os::WM_KEYDOWN, os::VK_ESCAPE, 0); });
    int code = WinMain(nullptr, nullptr, "", 1);
    presser.join();
    EXPECT_EQ(code, 0);
}

}  // namespace
