// Leaving the training, network and options screens: the live block a training start sets up,
// and the options question asked only after a change.
#include <vector>

#include "frontend/menu_calls.h"
#include "frontend/save_files_fixture.h"
#include "frontend/screen_logic_setup.h"

namespace {

std::vector<int> g_sounds;
int g_stops = 0;

class SetupScreensTest : public SaveFilesTest {
protected:
    void SetUp() override {
        SaveFilesTest::SetUp();
        g_sounds.clear();
        g_stops = 0;
        g_MenuShellCalls.playFx = [](int id) { g_sounds.push_back(id); };
        g_MenuNetCalls.stop = [] { ++g_stops; };
    }
    void TearDown() override {
        ResetMenuShellCalls();
        ResetMenuNetCalls();
        SaveFilesTest::TearDown();
    }
};

TEST_F(SetupScreensTest, TrainingStartFillsTheLiveBlockAndTheTeamTable) {
    EXPECT_FALSE(StartTrainingMatch()) << "no player chosen";
    EXPECT_FALSE(Exists("Training.cfg"));
    Put(1, 3, "Ana");
    Put(1, 10, "Bea");
    g_Menu.SelectPlayer(10, 1);
    g_Menu.variant = 1;
    g_GameSettings.scenario = 2;
    g_Training.values[0] = 3, g_Training.values[1] = 4, g_Training.values[2] = 7, g_Training.values[3] = 0;
    g_Training.randomLevel[1] = 1;
    ASSERT_TRUE(StartTrainingMatch());
    const GameSettingsBlock& g = g_GameSettings;
    EXPECT_EQ(std::vector<int>({g.side, g.fightersOwn, g.fightersEnemy, g.levelOwn, g.levelEnemy, g.randomLevelOwn,
                                g.randomLevelEnemy}),
              std::vector<int>({1, 3, 4, 7, 0, 0, 1}));
    // Two records: the search comes round and repeats them.
    EXPECT_EQ(std::vector<uint32_t>(g.team + 8, g.team + 12), std::vector<uint32_t>({10, 3, 10, 3}));
    EXPECT_EQ(std::vector<uint32_t>(g.team, g.team + 4), std::vector<uint32_t>({75, 74, 73, 72}));
    EXPECT_EQ(std::vector<int>(g_Menu.teamSlots[0], g_Menu.teamSlots[0] + 4), std::vector<int>({10, 3, 10, 3}));
    EXPECT_EQ(g_Menu.targetPage, PAGE_START_MATCH);
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_sounds, std::vector<int>({204}));
    EXPECT_TRUE(Exists("Training.cfg"));

    g_GameSettings.scenario = 2, g_Menu.variant = 0;
    Put(0, 0, "Cid");
    g_Menu.SelectPlayer(0, 0);
    g_Menu.variant = 0;
    ASSERT_TRUE(StartTrainingMatch());
    EXPECT_EQ(std::vector<uint32_t>(g.team, g.team + 4), std::vector<uint32_t>({8, 9, 10, 11}));
}

TEST_F(SetupScreensTest, BackFromTheSetupScreensWritesTheirFiles) {
    g_GameSettings.scenario = 7;
    LeaveTrainingSetup();
    EXPECT_EQ(g_Training.game.scenario, 7);
    EXPECT_EQ(g_Menu.targetPage, PAGE_PLAY_TYPE);
    EXPECT_TRUE(Exists("Training.cfg"));
    LeaveNetworkSetup();
    EXPECT_EQ(g_stops, 1);
    EXPECT_EQ(g_Multiplayer.game.scenario, 7);
    EXPECT_EQ(g_Menu.targetPage, PAGE_MAIN);
    EXPECT_EQ(g_Menu.previousPage, 6);
    EXPECT_TRUE(Exists("Multiplayer.cfg"));
    EXPECT_EQ(g_sounds, std::vector<int>({200, 205, 200, 204}));
}

TEST_F(SetupScreensTest, TheOptionsQuestionComesOnlyAfterAChangeAndYesWrites) {
    ConfirmBox box;
    OptionsExit exit;
    FillOptionsFromSettings(&g_Options);
    // No change: the frame after Back leaves at once.
    EXPECT_FALSE(exit.Update(&box, true, false, false));
    EXPECT_TRUE(exit.Update(&box, false, false, false));
    EXPECT_FALSE(Exists("Options.cfg"));
    EXPECT_EQ(g_Menu.targetPage, PAGE_MAIN);
    // A change, then No: nothing written.
    g_Menu.optionsChanged = 1;
    EXPECT_FALSE(exit.Update(&box, true, false, false));
    EXPECT_FALSE(exit.Update(&box, false, false, false)) << "waits for the answer";
    EXPECT_TRUE(exit.Update(&box, false, false, true));
    EXPECT_FALSE(Exists("Options.cfg"));
    EXPECT_EQ(g_Menu.optionsChanged, 0);
    // A change, then Yes: written, and a restart reads the same values.
    g_Options.width = 800, g_Options.height = 600, g_Options.gamma = 0.25f, g_Options.keys[4] = StoredKeys{66, 67, 3};
    const std::vector<uint8_t> kept = EncodeOptions(g_Options);
    g_Menu.optionsChanged = 1;
    exit.Update(&box, true, false, false);
    EXPECT_TRUE(exit.Update(&box, false, true, false));
    ASSERT_TRUE(Exists("Options.cfg"));
    ResetSettingsFiles();
    ASSERT_TRUE(LoadOptionsConfig());
    EXPECT_EQ(EncodeOptions(g_Options), kept);
}

}  // namespace
