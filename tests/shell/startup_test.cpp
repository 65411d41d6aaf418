// The start-up and release order around the loop.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "frontend/texture_font.h"
#include "platform/gfx/adapters.h"
#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "core/clocks.h"
#include "shell/main_loop.h"
#include "core/settings.h"
#include "shell/startup.h"
#include "support/temp_dir.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    void SetUp() override {
        g_Settings.Clear();
        ResetMainLoopState();
    }
    void TearDown() override {
        ReleaseGame(true);
        g_Direct3DCreate = gfx::Direct3DCreate;
        g_Settings.Clear();
    }
};

gfx::Direct3D* NoAdapter() { return nullptr; }

TEST_F(StartupTest, FailedVideoEndsWithMinusOneAndReleasesNothing) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMENU=0\nMODO=0\n");
    g_Direct3DCreate = NoAdapter;
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), -1);
    // The window is left as it was: nothing of the shut-down ran.
    EXPECT_TRUE(os::IsWindow(os::GetMainWindow()));
}

TEST_F(StartupTest, TestModeMakesTheTestFontAndViewersStartAtOnce) {
    struct Case {
        const char* ini;
        const char* face;
        int clock;
    };
    const Case cases[] = {
        {"FULL_SCREEN=0\nMODO=0\nMENU=0\nPRUEBAS=1\n", "Comic Sans MS", CLOCK_MATCH},
        {"FULL_SCREEN=0\nMODO=2\nPRUEBAS=1\n", "Tahoma", CLOCK_MATCH},
        {"FULL_SCREEN=0\nMODO=1\nPRUEBAS=0\n", "", CLOCK_MATCH},
    };
    for (const Case& c : cases) {
        dir.Write("Brimvale.ini", c.ini);
        g_Settings.Clear();
        ASSERT_TRUE(InitApp(WndProc)) << c.ini;
        EXPECT_STREQ(g_Font.texture ? g_Font.faceName : "", c.face) << c.ini;
        EXPECT_EQ(GetActiveClock(), c.clock) << c.ini;  // the world was built straight away
        ReleaseGame(true);
    }
}

TEST_F(StartupTest, PartialReleaseKeepsTheDevice) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMODO=0\nMENU=0\n");
    ASSERT_TRUE(InitApp(WndProc));
    ASSERT_NE(g_Video.device, nullptr);
    EXPECT_TRUE(ReleaseGame(false));
    EXPECT_NE(g_Video.device, nullptr);
    EXPECT_TRUE(os::IsWindow(g_Window));
    EXPECT_TRUE(ReleaseGame(true));
    EXPECT_EQ(g_Video.device, nullptr);
}

}  // namespace
