// The scripted harness on the demo data set that the data tool writes (build/tools/brimvale-data
// DIR): a hosted match started from the menu and left at once. The set is large, so the run
// takes a folder already written, named by BRIMVALE_DEMO_DATA (CTest writes one), and is skipped
// without one.
#include <gtest/gtest.h>

#include "e2e/e2e_fixture.h"

namespace {

using namespace e2e;

TEST_F(ScriptedRunTest, TheDemoDataHostsAMatchFromTheMenu) {
#ifdef BRIMVALE_SANITIZED
    // Minutes on a software rasteriser already; the smaller routes run under the sanitizers.
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    if (!CopyDemoData(2)) GTEST_SKIP() << "BRIMVALE_DEMO_DATA names no demo data folder";
    // A hosted match on the demo's water scenario.
    program.WaitForPage(0).ChooseMenuButton(1).WaitForPage(6);
    program.ClickUntil("the scenario tab", SetupTab(6, 2), [] { return OnSetup(6, 11); });
    program.ClickUntil("scenario 13", SetupArrow(6, 11, 0), [] { return SetupPanel().work.scenario == 13; }, 25);
    program.ClickUntil("the host tab", SetupTab(6, 0), [] { return OnSetup(6, 9); });
    program.ClickWhere("the host button", SetupActionButton(9));
    WaitForMatch(program);
    program.Wait(10).TapKey(os::VK_ESCAPE).WaitForPage(6);
    program.ClickWhere("back arrow", ScreenArrow(6, 0)).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 6 -1 6 0");
}

}  // namespace
