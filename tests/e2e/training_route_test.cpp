// The training set-up through the real loop: side and player, scenario and game kind, the team
// values, the match itself and the way back through the results and both teams' pages.
#include <gtest/gtest.h>

#include <array>

#include <memory>

#include "e2e/e2e_fixture.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/menu_screens.h"
#include "frontend/settings_files.h"
#include "shell/control.h"
#include "world/scenario.h"

namespace {

using testsupport::ScriptedProgram;

using namespace e2e;

MatchSetupPanel& Panel() { return SetupPanel(); }
bool OnSetup(int mode) { return e2e::OnSetup(2, mode); }
ScriptedProgram::Locate Arrow(int mode, int i) { return SetupArrow(2, mode, i); }
ScriptedProgram::Locate Tab(int t) { return SetupTab(2, t); }

// Pages 0, 1 and 2, then the start with one fighter a side on scenario 1.
void ToTrainingStart(ScriptedProgram& p) {
    p.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(4).WaitForPage(2);
    p.WaitUntil("side 0", [] { return g_Menu.variant == 0; }, 5);
}

void StartMatch(ScriptedProgram& p) {
    p.ClickWhere("the start button", [](float* x, float* y) {
        return OnSetup(Panel().mode) && ScriptedProgram::Middle(g_Menu.screens->buttons[0], x, y);
    });
    WaitForMatch(p);
}

TEST_F(ScriptedRunTest, TrainingIsSetUpPlayedAndItsResultsShown) {
    testsupport::WriteScriptedFolder(dir);
    ToTrainingStart(program);
    // Side and player: the other side and back, then the next player; a fighter shows it.
    auto firstPlayer = std::make_shared<int>(-1);
    program.Do("first player", [firstPlayer](ScriptedProgram&) { *firstPlayer = g_Menu.selectedPlayer; });
    program.ClickUntil("side 1", Arrow(12, 1), [] { return g_Menu.variant == 1; });
    program.ClickUntil("side 0", Arrow(12, 0), [] { return g_Menu.variant == 0; });
    program.ClickUntil("the next player", Arrow(12, 3),
                       [firstPlayer] { return g_Menu.selectedPlayer >= 0 && g_Menu.selectedPlayer != *firstPlayer; });
    auto previewShown = std::make_shared<bool>(false);
    program.Do("preview", [previewShown](ScriptedProgram&) { *previewShown = Panel().previewFighter != nullptr; });
    ChooseArenaGreed(program, 2, 1);
    // Team values: one fighter a side.
    program.ClickUntil("the team tab", Tab(2), [] { return OnSetup(2); });
    program.ClickUntil("own team of one", Arrow(2, 2), [] { return g_Training.values[0] == 1; });
    program.ClickUntil("enemy team of one", Arrow(2, 8), [] { return g_Training.values[1] == 1; });
    StartMatch(program);
    // The chosen player and one enemy stand in the arena.
    auto perSide = std::make_shared<std::array<int, 2>>();
    // The menu's local fighter, which the results pages mark, and the one the player controls.
    auto local = std::make_shared<std::array<int, 2>>(std::array<int, 2>{-2, -2});
    program.Do("fighters", [perSide, local](ScriptedProgram&) {
        for (const Character& c : g_Characters)
            if (c.active && (c.side == 0 || c.side == 1)) ++(*perSide)[size_t(c.side)];
        (*local)[0] = g_Menu.localSlot;
        (*local)[1] = g_Control.localCharacter ? g_Control.localCharacter->slot : -1;
    });
    PlayToTheResultAndLeave(program);
    program.WaitForPage(12);
    program.ClickWhere("results' next arrow", ScreenArrow(12, 0));
    BothTeamPages(program, 2);
    program.ClickWhere("back arrow", ScreenArrow(2, 0)).WaitForPage(1);
    RunToEnd();

    EXPECT_EQ(program.PagesText(), "0 1 2 -1 12 13 2 1");
    EXPECT_TRUE(*previewShown);
    EXPECT_EQ((*perSide)[0], 1);
    EXPECT_EQ((*perSide)[1], 1);
    EXPECT_GE((*local)[1], 0);
    EXPECT_EQ((*local)[0], (*local)[1]);
    // "Training.cfg" keeps the set-up.
    ResetSettingsFiles();
    ASSERT_TRUE(ReadTrainingConfig());
    EXPECT_EQ(g_Training.game.scenario, 1);
    EXPECT_EQ(g_Training.game.gameKind, 2);
    EXPECT_EQ(g_Training.values[0], 1);
    EXPECT_EQ(g_Training.values[1], 1);
}

// Escape before the match has a result: the results page turns into the set-up at once, whose
// back arrow leads to the play type.
TEST_F(ScriptedRunTest, AMatchLeftWithoutAResultGoesBackToTheSetUp) {
    testsupport::WriteScriptedFolder(dir);
    ToTrainingStart(program);
    StartMatch(program);
    program.TapKey(os::VK_ESCAPE).WaitForPage(2);
    program.ClickWhere("back arrow", ScreenArrow(2, 0)).WaitForPage(1);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 2 -1 2 1");
}

}  // namespace
