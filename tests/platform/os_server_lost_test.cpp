// The X server killed under a window that draws with OpenGL: the process ends at once with
// status 1 and runs none of its exit handlers, which would free the program's objects in the
// middle of a frame. The test starts an X server of its own to kill (skipped without Xvfb) and
// runs the drawing side as a second process of this program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/gfx/device.h"
#include "platform/os/os.h"
#include "support/real_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kMarkVar = "BRIMVALE_SERVER_LOST_MARK";
constexpr const char* kReadyVar = "BRIMVALE_SERVER_LOST_READY";

// Reads one line from the descriptor within the time; empty when none came.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char c = 0;
        if (::read(fd, &c, 1) != 1) break;
        if (c == '\n') return line;
        line += c;
    }
    return {};
}

// The status of the child once it ends within the time, or -1.
int WaitFor(pid_t pid, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

std::string g_mark;

// The drawing side: a window and a device presenting frames until the server goes. Any exit
// handler that runs leaves the mark.
[[noreturn]] void DrawUntilTheServerGoes(const char* mark, int ready) {
    g_mark = mark;
    std::atexit([] {
        if (std::FILE* f = std::fopen(g_mark.c_str(), "w")) std::fclose(f);
    });
    if (!os::Init()) _exit(3);
    os::WindowDesc desc;
    desc.width = 64;
    desc.height = 48;
    os::WindowHandle window = os::CreateMainWindow(desc);
    if (!window) _exit(4);
    gfx::DeviceParams params;
    gfx::PresentParameters& pp = params.present;
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 48;
    pp.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = gfx::D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = 1;
    gfx::Device* device = nullptr;
    if (gfx::CreateGLDevice(params, &device) != gfx::D3D_OK) _exit(5);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    if (::write(ready, "r\n", 2) != 2) _exit(6);
    ::close(ready);
    for (int frame = 0; frame < 100000; ++frame) {
        device->Clear(0, nullptr, gfx::D3DCLEAR_TARGET, 0xFF000000u | uint32_t(frame), 1.0f, 0);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) os::DispatchMessage(&m);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    _exit(7);   // the server outlived the frames
}

TEST(OsServerLostTest, AKilledXServerEndsTheProcessWithoutItsExitHandlers) {
    if (const char* mark = std::getenv(kMarkVar)) DrawUntilTheServerGoes(mark, std::atoi(std::getenv(kReadyVar)));

    ScopedWorkDir dir;
    const std::string mark = (dir.path() / "exit-handlers-ran").string();

    // The server, telling its display number when it is ready.
    int shown[2];
    ASSERT_EQ(::pipe(shown), 0);
    const pid_t server = ::fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        ::close(shown[0]);
        const std::string fd = std::to_string(shown[1]);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 2);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "320x240x24",
                 static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(shown[1]);
    const std::string display = ReadLine(shown[0], 20000);
    ::close(shown[0]);
    if (display.empty()) {
        testsupport::KillAndReap(server);
        GTEST_SKIP() << "needs Xvfb";
    }

    // This test again, as the drawing side, on that display.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        ::setenv("DISPLAY", (":" + display).c_str(), 1);
        ::setenv("SDL_VIDEODRIVER", "x11", 1);
        ::setenv(kMarkVar, mark.c_str(), 1);
        ::setenv(kReadyVar, std::to_string(ready[1]).c_str(), 1);
        // The part of the cases this process runs would pick the drawing side's one case by its
        // place among them, which another part may hold.
        ::unsetenv("GTEST_TOTAL_SHARDS");
        ::unsetenv("GTEST_SHARD_INDEX");
        ::execl("/proc/self/exe", "test_platform", "--gtest_filter=OsServerLostTest.*", static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(ready[1]);
    const bool drawing = ReadLine(ready[0], 30000) == "r";
    ::close(ready[0]);

    ::kill(server, SIGTERM);
    if (WaitFor(server, 10000) < 0) testsupport::KillAndReap(server);
    const int status = WaitFor(child, 20000);
    if (status < 0) testsupport::KillAndReap(child);
    ASSERT_TRUE(drawing) << "the drawing side did not start";
    ASSERT_GE(status, 0) << "the program did not end when its server went";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(fs::exists(mark)) << "exit handlers ran inside the lost connection";
}

}  // namespace
