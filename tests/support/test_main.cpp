#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/data_problems.h"
#include "platform/os/os.h"

namespace {

// Each test starts with nothing told, so that a program started inside it shows nothing an
// earlier test left; and a dialog that would open on a real display fails the test instead of
// waiting for a click nobody gives.
class NoLeftoversNoDialogs : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        ResetDataProblems();
        os::SetMessageDialogStandIn([](const char* caption, const char* text) {
            ADD_FAILURE() << "a message box would wait for a click: " << caption << ": " << text;
        });
    }
    void OnTestEnd(const ::testing::TestInfo&) override { os::SetMessageDialogStandIn({}); }
};

}  // namespace

// Sanitizer settings live in the test programs themselves so that every way of running them
// (CTest, by hand, a debugger) gets the same ones.
// Mesa's driver leaves stale dynamic-TLS entries behind when it is unloaded; following them made
// the leak checker's own thread crash at exit, so dynamic TLS is not tracked.
extern "C" const char* __asan_default_options() { return "detect_leaks=1:intercept_tls_get_addr=0"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
// Allocations that system libraries keep for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libGLX\nleak:libEGL\nleak:libGL\nleak:libgallium\nleak:swrast_dri\n"
           "leak:libLLVM\nleak:libdbus\nleak:libfontconfig\nleak:libopenal\nleak:libX11\n";
}

int main(int argc, char** argv) {
    // Headless unless the caller chose otherwise: no X server, no sound card.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new NoLeftoversNoDialogs);
    return RUN_ALL_TESTS();
}
