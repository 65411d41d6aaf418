// The start-up and release order around the loop.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/data_problems.h"
#include "core/pack_file.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "platform/gfx/adapters.h"
#include "platform/gfx/recording_device.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "core/clocks.h"
#include "shell/main_loop.h"
#include "core/settings.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/settings_files.h"
#include "shell/startup.h"
#include "support/frontend_data.h"
#include "support/match_harness.h"
#include "support/scripted_program.h"
#include "support/temp_dir.h"
#include "world/scenario.h"

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
        ResetShellCalls();
        g_Settings.Clear();
    }
    // The lines of the debug log that carry `word`.
    int LogLinesWith(const char* word) const {
        std::ifstream in(dir.path() / "debug.txt");
        int count = 0;
        for (std::string line; std::getline(in, line);) count += line.find(word) != std::string::npos;
        return count;
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

TEST_F(StartupTest, TestModeAndTheEditorMakeTheTestFontAndViewersStartAtOnce) {
    struct Case {
        const char* ini;
        const char* face;
        int clock;
    };
    const Case cases[] = {
        {"FULL_SCREEN=0\nMODO=0\nMENU=0\nPRUEBAS=1\n", "Comic Sans MS", CLOCK_MATCH},
        {"FULL_SCREEN=0\nMODO=2\nPRUEBAS=1\n", "Tahoma", CLOCK_MATCH},
        {"FULL_SCREEN=0\nMODO=1\nPRUEBAS=0\n", "", CLOCK_MATCH},
        // The element-map editor's panels print with the font, test mode or not.
        {"FULL_SCREEN=0\nMODO=3\nPRUEBAS=0\n", "Comic Sans MS", CLOCK_MATCH},
        {"FULL_SCREEN=0\nMODO=3\nPRUEBAS=1\n", "Comic Sans MS", CLOCK_MATCH},
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

// Frames of the loop that ran; the first one asks the program to end, so that a start that
// wrongly goes on into its loop still returns.
int g_frames = 0;
void CountFrameAndQuit() {
    if (g_frames++ == 0) os::PostQuitMessage(99);
}

TEST_F(StartupTest, AScenarioThatDoesNotLoadEndsAStartWithoutTheFrontEndCleanly) {
    for (const char* mode : {"0", "2", "3"}) {
        SCOPED_TRACE(testing::Message() << "MODO " << mode);
        dir.Write("Brimvale.ini", std::string("FULL_SCREEN=0\nMENU=0\nPRUEBAS=1\nDEBUG=1\nID_ESCENARIO=7\nK_GAME=5\nMODO=") +
                                      mode + "\n");
        std::filesystem::remove(dir.path() / "debug.txt");
        g_Settings.Clear();
        ResetMainLoopState();
        g_frames = 0;
        g_ShellCalls.pollInput = CountFrameAndQuit;
        EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), 1);
        EXPECT_EQ(g_frames, 0) << "no frame runs without a world";
        EXPECT_EQ(LogLinesWith("ERROR"), 1);
        EXPECT_EQ(LogLinesWith("FINALIZACION DEL PROGRAMA"), 1) << "the normal shut-down ran";
        EXPECT_EQ(g_Scenario.number, -1);
        EXPECT_EQ(g_Video.device, nullptr);
    }
}

// A menu opened without its texts or without any picture would be a black screen with no button
// to leave by: the start tells what it lacks and ends through the normal shut-down with 1. One
// picture is enough to go on, as the pages skip the ones that are missing.
TEST_F(StartupTest, AMenuWithoutItsTextsOrAnyPictureEndsTheStartWithOne) {
    struct Case {
        const char* what;
        bool texts;
        std::vector<const char*> pictures;
        const char* told;   // null: the menu runs
    };
    const Case cases[] = {
        {"nothing", false, {}, "without its texts (textos.txt) and its pictures (Texturas\\Interfaz\\Menu\\), which"},
        {"pictures without texts", false, {"Menu00", "Parches", "Logo_off"}, "without its texts (textos.txt), which"},
        {"texts without pictures", true, {}, "without its pictures (Texturas\\Interfaz\\Menu\\), which"},
        {"the background alone", true, {"Menu00"}, nullptr},
        {"the first shared picture alone", true, {"BotonDerOff"}, nullptr},
        {"the last shared picture alone", true, {"Logo_off"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedWorkDir folder;
        folder.Write("Brimvale.ini", "FULL_SCREEN=0\nMODO=0\nMENU=1\nPRUEBAS=1\nDEBUG=1\nSONIDO=0\nMUSICA=0\n");
        if (c.texts) {
            folder.Write("textos.txt", "TXT0500\"Jugar\";TXT0501\"Red\";TXT0502\"Opciones\";TXT0503\"Salir\";");
            g_TextTable.Load("textos.txt");
        } else {
            g_TextTable.Reset();
        }
        for (const char* picture : c.pictures) testsupport::WriteMenuPicture(folder, picture, 16, 16);
        g_Settings.Clear();
        ResetMainLoopState();
        ResetDataProblems();
        g_frames = 0;
        g_ShellCalls.pollInput = CountFrameAndQuit;
        const int code = WinMain(nullptr, nullptr, "", 1);
        const std::vector<std::string> told = ToldDataProblems();
        const std::string log = folder.Read("debug.txt");
        EXPECT_NE(log.find("FINALIZACION DEL PROGRAMA"), std::string::npos) << "the normal shut-down ran";
        if (c.told) {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(g_frames, 0) << "no frame of the menu runs";
            ASSERT_FALSE(told.empty());
            EXPECT_EQ(told.back().rfind("The menu cannot open ", 0), 0u) << told.back();
            EXPECT_NE(told.back().find(c.told), std::string::npos) << told.back();
            EXPECT_EQ(ShownDataProblems(), told) << "each had its box before the end";
        } else {
            // The frame's own quit ended it: the menu ran.
            EXPECT_EQ(code, 99);
            EXPECT_EQ(g_frames, 1);
            for (const std::string& t : told) EXPECT_EQ(t.find("The menu"), std::string::npos) << t;
        }
    }
    g_TextTable.Reset();
}

// The menu's missing data ends the game before any frame: every problem told on the way has its
// box by then, the one told before the start and each one the menu found, or the player sees only
// the first and never why the game ended. (Headless no box opens; what was handed to one counts.)
TEST_F(StartupTest, AMenuThatCannotOpenShowsEveryDataProblemBeforeTheGameEnds) {
    ScopedWorkDir folder;
    folder.Write("Brimvale.ini", "FULL_SCREEN=0\nMODO=0\nMENU=1\nPRUEBAS=1\nSONIDO=0\nMUSICA=0\n");
    ResetPackFiles();
    // As the text table does while the program's globals are made, from the pack that is missing.
    g_TextTable.Load("textos.txt");
    ASSERT_EQ(ToldDataProblems().size(), 1u);
    ASSERT_TRUE(ShownDataProblems().empty()) << "no box before the start";
    g_frames = 0;
    g_ShellCalls.pollInput = CountFrameAndQuit;
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), 1);
    EXPECT_EQ(g_frames, 0);
    const std::vector<std::string> told = ToldDataProblems();
    g_TextTable.Reset();
    ResetPackFiles();
    // The texts' pack before the start; the menu's models' pack and the menu itself after it.
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0].rfind("The data file TEXTURAS.DAT is missing", 0), 0u) << told[0];
    EXPECT_EQ(told[1].rfind("The data file MODELOS.DAT is missing", 0), 0u) << told[1];
    EXPECT_EQ(told[2].rfind("The menu cannot open ", 0), 0u) << told[2];
    EXPECT_EQ(ShownDataProblems(), told);
}

TEST_F(StartupTest, TheViewersBackdropScenarioMayBeMissing) {
    dir.Write("Brimvale.ini", "FULL_SCREEN=0\nMODO=1\nPRUEBAS=1\n");
    ASSERT_TRUE(InitApp(WndProc));
    os::Message msg;
    while (os::PeekMessage(&msg, os::PM_REMOVE)) EXPECT_NE(msg.id, os::WM_QUIT);
    EXPECT_EQ(g_Scenario.number, SCENARIO_VIEWER);
}

// A match asked for from the menu's start page, on the scripted folder whose arena is
// scenario 1.
class FrontEndStartTest : public StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        testsupport::WriteScriptedFolder(dir);
        ASSERT_TRUE(InitApp(WndProc));
        ASSERT_TRUE(g_Menu.active);
    }
    static void StartFromTheMenu(int scenario) {
        g_GameSettings.scenario = scenario;
        g_GameSettings.gameKind = 5;
        g_Menu.BuildPage(PAGE_START_MATCH);
    }
};

TEST_F(FrontEndStartTest, AScenarioThatDoesNotLoadLeadsBackToTheFirstPage) {
    StartFromTheMenu(7);
    EXPECT_TRUE(g_Menu.active);
    EXPECT_EQ(g_Menu.page, PAGE_MAIN);
    ASSERT_NE(g_Menu.screens, nullptr);
    EXPECT_EQ(g_Menu.screens->screen, PAGE_MAIN) << "the first page's screen, not the start page's";
    EXPECT_EQ(GetActiveClock(), CLOCK_MENU);
    EXPECT_EQ(g_Scenario.number, -1);
    EXPECT_NE(g_Video.device, nullptr);
    EXPECT_EQ(LogLinesWith("ERROR"), 1);
    // Nothing ends the program: the menu goes on.
    os::Message msg;
    while (os::PeekMessage(&msg, os::PM_REMOVE)) EXPECT_NE(msg.id, os::WM_QUIT);

    // The next start, on a scenario that is there, plays.
    StartFromTheMenu(testsupport::MATCH_SCENARIO);
    EXPECT_FALSE(g_Menu.active);
    EXPECT_EQ(g_Scenario.number, testsupport::MATCH_SCENARIO);
    EXPECT_EQ(GetActiveClock(), CLOCK_MATCH);
    EXPECT_EQ(LogLinesWith("ERROR"), 1);
}

}  // namespace
