#include <gtest/gtest.h>

#include "platform/os/os.h"
#include "core/clocks.h"

namespace {

uint32_t g_now = 0;

class ClocksTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 100000;
        os::SetTimeSource([] { return g_now; });
        InitClocks();
    }
    void TearDown() override { os::SetTimeSource({}); }
};

TEST_F(ClocksTest, MenuClockReadsSystemTimeAndPauseFreezesMatchTimeExactly) {
    EXPECT_EQ(GetActiveClock(), CLOCK_MENU);
    EXPECT_EQ(GetTime(CLOCK_MENU), 100000u);
    EXPECT_EQ(GetTime(CLOCK_MATCH), 0u);  // never ran
    SetActiveClock(CLOCK_MATCH);
    g_now += 2500;
    SetActiveClock(CLOCK_MATCH);          // selecting the running clock does not rebase it
    EXPECT_EQ(GetTime(CLOCK_MATCH), 2500u);
    SetActiveClock(CLOCK_PAUSE);
    g_now += 5000;
    EXPECT_EQ(GetTime(CLOCK_MATCH), 2500u);
    EXPECT_EQ(GetTime(CLOCK_PAUSE), 5000u);
    SetActiveClock(CLOCK_MATCH);
    g_now += 10;
    EXPECT_EQ(GetTime(CLOCK_MATCH), 2510u);
    EXPECT_EQ(GetTime(CLOCK_PAUSE), 5000u);  // frozen while not running
    EXPECT_EQ(GetElapsed(CLOCK_MATCH, 2500), 10u);
}

TEST_F(ClocksTest, ArithmeticWrapsWithSystemTime) {
    g_now = 0xFFFFFF00u;
    InitClocks();
    SetActiveClock(CLOCK_MATCH);
    g_now += 0x200;  // wraps past zero
    EXPECT_EQ(GetTime(CLOCK_MATCH), 0x200u);
    // A reading taken before the wrap still gives the right difference.
    EXPECT_EQ(GetElapsed(CLOCK_MATCH, 0x1FFu), 1u);
}

}  // namespace
