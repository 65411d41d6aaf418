// The scripted harness on the demo data set that the data tool writes (build/tools/brimvale-data
// DIR): a hosted match started from the menu and left at once, and the menu on a damaged model or
// animation pack. The set is large, so the runs take a folder already written, named by
// BRIMVALE_DEMO_DATA (CTest writes one), and are skipped without one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/data_problems.h"
#include "core/pack_file.h"
#include "e2e/e2e_fixture.h"

namespace {

using namespace e2e;

TEST_F(ScriptedRunTest, TheDemoDataHostsAMatchFromTheMenu) {
#ifdef BRIMVALE_SANITIZED
    // Minutes on a software rasteriser already; the smaller routes run under the sanitizers.
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    if (!CopyDemoData(2)) GTEST_SKIP() << "BRIMVALE_DEMO_DATA names no demo data folder";
    // A hosted match on the demo's water scenario, on a port of this run: the stored default may
    // be held by a game or another run on this machine.
    program.WaitForPage(0).ChooseMenuButton(1).WaitForPage(6);
    program.WaitUntil("the host tab", [] { return OnSetup(6, 9); }, 5);
    TypeInto(program, 9, 1, std::to_string(RunPort() + 6));
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

// The menu takes nothing it cannot do without from the model or the animation pack: with one of
// them damaged (told, and the fighters then missing) its words and pages still answer.
class DamagedPackMenuTest : public ScriptedRunTest {
protected:
    void OpenAndLeaveTheMenu(const std::function<void(const std::filesystem::path&)>& damage, const char* told) {
        if (!CopyDemoData(2)) GTEST_SKIP() << "BRIMVALE_DEMO_DATA names no demo data folder";
        damage(dir.path());
        // A pack is told once a run: this one is a run of its own.
        ResetPackFiles();
        program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(5).WaitForPage(0);
        RunToEnd();
        EXPECT_EQ(program.PagesText(), "0 1 0");
        bool damageTold = false;
        for (const std::string& t : ToldDataProblems()) {
            EXPECT_EQ(t.find("The menu cannot open"), std::string::npos) << t;
            damageTold = damageTold || t.find(told) != std::string::npos;
        }
        EXPECT_TRUE(damageTold) << "the damage was not met: " << told;
    }
};

TEST_F(DamagedPackMenuTest, AModelPackCutShortStillOpensAWorkingMenu) {
    OpenAndLeaveTheMenu(
        [](const std::filesystem::path& folder) {
            const std::filesystem::path models = folder / "MODELOS.DAT";
            std::filesystem::resize_file(models, std::filesystem::file_size(models) / 2);
        },
        "The data file MODELOS.DAT is damaged");
}

TEST_F(DamagedPackMenuTest, AnOverwrittenAnimationPackStillOpensAWorkingMenu) {
    OpenAndLeaveTheMenu(
        [](const std::filesystem::path& folder) {
            std::ofstream(folder / "ANIMACIONES.DAT", std::ios::binary | std::ios::trunc) << std::string(100000, 'x');
        },
        "The data file ANIMACIONES.DAT is damaged");
}

}  // namespace
