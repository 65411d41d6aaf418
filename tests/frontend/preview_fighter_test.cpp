// The fighters the set-up panel's side-and-player tab and the options panel's character frame
// show for the chosen player: spawned on entering, dressed or replaced on a change, removed with
// their tab and their panel.
#include <gtest/gtest.h>

#include <filesystem>

#include "fighters/character.h"
#include "fighters/side_table.h"
#include "frontend/menu_fixture.h"
#include "frontend/player_record.h"
#include "frontend/player_saves.h"
#include "support/fighter_kit.h"

using menutest::MenuTest;

namespace {

int ActiveFighters() {
    int n = 0;
    for (const Character& c : g_Characters) n += c.active ? 1 : 0;
    return n;
}

class PreviewFighterTest : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        Build(0);
        DropButtons();
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::FighterFilesFolder());
        LoadAllSkeletons(false);
        std::filesystem::current_path(previous);
        ASSERT_NE(g_SideTable[0].skeleton, nullptr);
    }
    void TearDown() override {
        ResetMenu();
        FreeSkeletons();
        ResetCharacters();
        ResetSideTable();
        MenuTest::TearDown();
    }
    static int AddPlayer(int side) {
        PlayerRecord r;
        MakeRandomPlayer(side, &r);
        const int slot = AddPlayerRecord(r);
        // The training screen reads the saves again.
        EXPECT_TRUE(slot >= 0 && SavePlayer(side, slot));
        return slot;
    }
};

TEST_F(PreviewFighterTest, SideAndPlayerTabShowsTheChosenPlayersFighter) {
    ASSERT_GE(AddPlayer(0), 0);
    ASSERT_GE(AddPlayer(0), 0);
    g_Training.game.side = 0;
    g_Training.game.playerSlot = NextPlayerSlot(0, -1, false);
    MenuScreens& s = *g_Menu.screens;
    s.SetScreen(2);
    MatchSetupPanel& panel = s.matchSetup;
    ASSERT_EQ(panel.mode, 12);
    Character* first = panel.previewFighter;
    ASSERT_NE(first, nullptr) << "spawned on entering the tab";
    EXPECT_EQ(ActiveFighters(), 1);
    EXPECT_NEAR(first->position.z, -4.5f, 0.5f);
    EXPECT_EQ(first->side, 0);

    // The next player dresses the same fighter; a side without players has none.
    const int before = g_Menu.selectedPlayer;
    panel.StepPlayer(1);
    EXPECT_NE(g_Menu.selectedPlayer, before);
    EXPECT_EQ(panel.previewFighter, first);
    EXPECT_EQ(ActiveFighters(), 1);
    panel.ChooseSide(1);
    EXPECT_EQ(panel.previewFighter, nullptr);
    EXPECT_EQ(ActiveFighters(), 0);
    ASSERT_GE(AddPlayer(1), 0);
    panel.ChooseSide(1);
    ASSERT_NE(panel.previewFighter, nullptr);
    EXPECT_EQ(panel.previewFighter->side, 1);
    EXPECT_EQ(ActiveFighters(), 1);

    // Another tab takes it away; coming back spawns it again; the screen's release removes it.
    panel.SessionScreen(1, 11);
    EXPECT_EQ(panel.previewFighter, nullptr);
    EXPECT_EQ(panel.skinCache, nullptr);
    EXPECT_EQ(ActiveFighters(), 0);
    panel.SessionScreen(0, 12);
    EXPECT_NE(panel.previewFighter, nullptr);
    s.SetScreen(0);
    EXPECT_EQ(panel.previewFighter, nullptr);
    EXPECT_EQ(ActiveFighters(), 0);
}

TEST_F(PreviewFighterTest, CharacterFrameFighterFollowsTheChosenRecordAndGoesWithItsTab) {
    const int a = AddPlayer(0), b = AddPlayer(0);
    ASSERT_GE(b, 0);
    MenuScreens& s = *g_Menu.screens;
    s.SetScreen(8);
    OptionsPanel& panel = s.options;
    g_Menu.SelectPlayer(a, 0);
    panel.VideoOptionsScreen(1, 8);
    ASSERT_NE(panel.framedFighter, nullptr);
    panel.Draw();
    EXPECT_NEAR(panel.framedFighter->position.x, -0.95f, 0.5f);
    EXPECT_NEAR(panel.framedFighter->position.z, -3.0f, 0.5f);
    g_Menu.SelectPlayer(b, 0);
    panel.Draw();
    EXPECT_EQ(panel.framedRecord, g_Menu.playerRecord) << "dressed for the new record";
    EXPECT_EQ(ActiveFighters(), 1);
    g_Menu.SelectPlayer(-1, 0);
    panel.Draw();
    EXPECT_EQ(panel.framedFighter, nullptr);

    g_Menu.SelectPlayer(a, 0);
    panel.VideoOptionsScreen(1, 8);
    ASSERT_NE(panel.framedFighter, nullptr);
    panel.VideoOptionsScreen(0, 4);
    EXPECT_EQ(panel.framedFighter, nullptr);
    EXPECT_EQ(ActiveFighters(), 0);
    panel.VideoOptionsScreen(1, 8);
    panel.Release();
    EXPECT_EQ(panel.framedFighter, nullptr);
    EXPECT_EQ(ActiveFighters(), 0);
}

}  // namespace
