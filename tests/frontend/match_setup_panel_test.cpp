// The set-up panel's edits of the working game settings, the training teams and the network
// fields, on the stored blocks of a fresh working folder.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "frontend/match_setup_panel.h"
#include "frontend/menu_calls.h"
#include "frontend/save_files_fixture.h"
#include "platform/os/os.h"

namespace {

std::deque<int> g_typed;

class MatchSetupPanelTest : public SaveFilesTest {
protected:
    MatchSetupPanel panel;

    void SetUp() override {
        SaveFilesTest::SetUp();
        g_typed.clear();
        g_MenuShellCalls.playFx = [](int) {};
        g_MenuShellCalls.nextTypedChar = [] {
            if (g_typed.empty()) return -1;
            const int c = g_typed.front();
            g_typed.pop_front();
            return c;
        };
        ResetRuleValues();
        g_Training.game = g_GameSettings;
        g_Multiplayer.game = g_GameSettings;
    }
    void TearDown() override {
        panel.Release();
        ResetMenuShellCalls();
        ResetMenuNetCalls();
        SaveFilesTest::TearDown();
    }
    void Type(const std::string& text) {
        for (char c : text) g_typed.push_back(uint8_t(c));
        g_typed.push_back(os::VK_RETURN);
        panel.Update();
    }
};

TEST_F(MatchSetupPanelTest, ScenarioWrapsAndUnavailableKindsAreSkipped) {
    panel.Build(2);
    panel.work.scenario = 0;
    panel.StepScenario(-1);
    EXPECT_EQ(panel.work.scenario, 19);
    panel.StepScenario(1);
    EXPECT_EQ(panel.work.scenario, 0);
    EXPECT_EQ(g_Training.game.scenario, 0) << "written back into the training block";
    g_Menu.variant = 0;
    panel.work.scenario = 0;
    panel.work.gameKind = 0;
    panel.StepScenario(1);   // kind 0 is not offered on scenario 1 for side 0
    EXPECT_EQ(panel.work.gameKind, NextAvailableGameKind(0, 1, 0, false));
    EXPECT_TRUE(IsCharacterAvailable(0, 1, panel.work.gameKind, false));
    const int before = panel.work.gameKind;
    panel.StepKind(1);
    EXPECT_TRUE(panel.work.gameKind == before || IsCharacterAvailable(0, 1, panel.work.gameKind, false));
}

TEST_F(MatchSetupPanelTest, RuleStepsClampBothValuesAtTheBoundOfTheFirst) {
    panel.Build(2);
    const struct {
        int kind, row, first, startFirst, startSecond, dir, wantFirst, wantSecond;
    } rows[] = {
        {0, 0, RULE_STEALS, 40, 30, 1, 40, 40},        {0, 0, RULE_STEALS, 5, 9, -1, 4, 8},
        {5, 0, RULE_MAX_DEATHS, 1, 7, -1, 1, 1},       {3, 0, RULE_CAPTURES, 40, 2, 1, 40, 40},
        {4, 0, RULE_CURSE_MINUTES, 20, 3, 1, 20, 20},  {4, 1, RULE_FREEZE_TIME, 3, 0, -1, 3, 0},
        {1, 1, RULE_MATCH_MINUTES, 50, 0, 1, 50, 0},   {1, 0, RULE_MATCH_MINUTES, 7, 0, -1, 6, 0},
    };
    for (const auto& r : rows) {
        panel.work.gameKind = r.kind;
        panel.work.rules[r.first] = uint32_t(r.startFirst);
        if (r.first + 1 < RULE_VALUE_COUNT) panel.work.rules[r.first + 1] = uint32_t(r.startSecond);
        panel.StepRule(r.row, r.dir);
        EXPECT_EQ(int(panel.work.rules[r.first]), r.wantFirst) << r.kind << "/" << r.row;
        if (r.first < RULE_FREEZE_TIME) EXPECT_EQ(int(panel.work.rules[r.first + 1]), r.wantSecond) << r.kind;
    }
    const GameSettingsBlock before = panel.work;
    panel.StepRule(2, 1);
    EXPECT_EQ(0, std::memcmp(&before, &panel.work, sizeof before)) << "row 2 changes nothing";
}

TEST_F(MatchSetupPanelTest, CreditLadderAndTheRecomputedMinimum) {
    const struct {
        int from, dir, to;
    } ladder[] = {{1, -1, 1}, {1, 1, 2},     {9, 1, 10},    {10, -1, 9},   {10, 1, 20},   {100, -1, 90},
                  {100, 1, 120}, {500, -1, 480}, {500, 1, 550}, {950, 1, 1000}, {1000, 1, 1000}, {1000, -1, 950}};
    for (const auto& s : ladder) EXPECT_EQ(StepCredits(s.from, s.dir), s.to) << s.from << " " << s.dir;
    panel.Build(2);
    g_Training.game.rules[RULE_CREDITS] = 300;
    g_Training.game.rules[RULE_CREDITS + 1] = 40;
    panel.work.gameKind = 2;
    panel.RecomputeRules();
    EXPECT_EQ(panel.work.rules[RULE_CREDITS], 300u);
    EXPECT_EQ(panel.work.rules[RULE_CREDITS + 1], 300u) << "the second at least the first";
}

TEST_F(MatchSetupPanelTest, DifficultyAndTeamValuesStayInRange) {
    panel.Build(2);
    g_Options.difficulty = 1;
    for (int i = 0; i < 4; ++i) panel.StepDifficulty(1);
    EXPECT_EQ(g_Options.difficulty, 2u);
    for (int i = 0; i < 4; ++i) panel.StepDifficulty(-1);
    EXPECT_EQ(g_Options.difficulty, 0u);
    g_Training.values[0] = 2, g_Training.values[2] = 1, g_Training.randomLevel[1] = 0;
    for (int i = 0; i < 6; ++i) panel.StepTeamValue(1, 1);
    EXPECT_EQ(g_Training.values[0], MAX_TEAM_SIZE);
    for (int i = 0; i < 6; ++i) panel.StepTeamValue(1, -1);
    EXPECT_EQ(g_Training.values[0], 1);
    for (int i = 0; i < 3; ++i) panel.StepTeamValue(0, -1);
    EXPECT_EQ(g_Training.values[2], 0);
    panel.StepTeamValue(5, -1);
    EXPECT_EQ(g_Training.randomLevel[1], 1);
}

TEST_F(MatchSetupPanelTest, TheSessionListScrollsOnlyWithMoreRowsThanFit) {
    panel.Build(6);
    for (int count : {3, 8, 12}) {
        panel.sessionCount = count;
        panel.listScroll = 0;
        for (int i = 0; i < 10; ++i) panel.ScrollSessions(1);
        EXPECT_EQ(panel.listScroll, count > SETUP_LIST_ROWS ? count - SETUP_LIST_ROWS : 0) << count;
        panel.selectedRow = 2;
        panel.ScrollSessions(-1);
        EXPECT_EQ(panel.listScroll, count > SETUP_LIST_ROWS ? count - SETUP_LIST_ROWS - 1 : 0);
        EXPECT_EQ(panel.selectedRow, count > SETUP_LIST_ROWS ? -1 : 2) << "a scroll clears the selection";
    }
}

TEST_F(MatchSetupPanelTest, TheNameFieldKeepsThePortAndABadPortIsRefused) {
    g_Menu.previousPage = 0;
    g_Multiplayer.port = 2300;
    panel.Build(6);
    ASSERT_EQ(panel.mode, 9);
    panel.fields[0].BeginEdit();
    Type("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(std::string(g_Multiplayer.playerName), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(g_Multiplayer.port, 2300u);
    const struct {
        const char* text;
        uint32_t port;
    } ports[] = {{"99999", 2300}, {"4000", 4000}, {"99999999999999999999", 4000}, {"65535", 65535}, {"1x", 65535}};
    for (const auto& p : ports) {
        panel.fields[1].BeginEdit();
        for (int i = 0; i < 8; ++i) g_typed.push_back(os::VK_BACK);
        Type(p.text);
        EXPECT_EQ(g_Multiplayer.port, p.port) << p.text;
    }
}

// What the join tab asked of the network session, in order.
std::vector<std::string> g_netCalls;

TEST_F(MatchSetupPanelTest, TheJoinTabSearchesFromTheMomentItOpensAndTheEditedPortStaysOnShow) {
    g_netCalls.clear();
    g_MenuNetCalls.start = [](bool host, const char* name, uint32_t port, const char* address) {
        g_netCalls.push_back(std::string(host ? "host " : "search ") + name + " " + std::to_string(port) +
                             (address ? " at an address" : ""));
        return true;
    };
    g_MenuNetCalls.stop = [] { g_netCalls.push_back("stop"); };
    g_Menu.previousPage = 0;
    g_Multiplayer.port = 2300;
    std::snprintf(g_Multiplayer.playerName, sizeof g_Multiplayer.playerName, "ANA");
    panel.Build(6);
    ASSERT_EQ(panel.mode, 9);
    EXPECT_TRUE(g_netCalls.empty()) << "the host tab searches nothing";
    panel.SessionScreen(1, 10);
    EXPECT_EQ(g_netCalls, (std::vector<std::string>{"stop", "search ANA 2300"}));

    g_netCalls.clear();
    panel.fields[1].BeginEdit();
    EXPECT_STREQ(panel.fields[1].textLabel.text, "2300");
    EXPECT_TRUE(panel.fields[1].caretLabel.visible);
    g_typed.push_back(os::VK_BACK);
    g_typed.push_back(os::VK_ESCAPE);
    panel.Update();
    EXPECT_STREQ(panel.fields[1].textLabel.text, "2300") << "Escape shows the value again";
    EXPECT_EQ(g_Multiplayer.port, 2300u);
    EXPECT_TRUE(g_netCalls.empty()) << "Escape does not search again";

    panel.fields[1].BeginEdit();
    g_typed.push_back(os::VK_BACK);
    g_typed.push_back(os::VK_BACK);
    Type("55");
    EXPECT_STREQ(panel.fields[1].textLabel.text, "2355");
    EXPECT_EQ(g_Multiplayer.port, 2355u);
    EXPECT_EQ(g_netCalls, (std::vector<std::string>{"stop", "search ANA 2355"}));
}

TEST_F(MatchSetupPanelTest, SideAndPlayerChoiceFollowTheRecords) {
    panel.Build(2);
    ASSERT_EQ(panel.mode, 12);
    EXPECT_STREQ(panel.rowLabels[8].text, "-") << "no player yet";
    Put(0, 2, "Ana", 4);
    Put(0, 5, "Bea", 0);
    g_Menu.SelectPlayer(2, 0);
    panel.SessionScreen(0, 12);
    EXPECT_STREQ(panel.rowLabels[7].text, "Ana");
    EXPECT_STREQ(panel.rowLabels[8].text, "5") << "level + 1";
    panel.StepPlayer(1);
    EXPECT_EQ(g_GameSettings.playerSlot, 5);
    EXPECT_STREQ(panel.rowLabels[7].text, "Bea");
    panel.StepPlayer(1);
    EXPECT_EQ(g_GameSettings.playerSlot, 5) << "no record after the last";
    panel.ChooseSide(1);
    EXPECT_EQ(g_Menu.selectedPlayer, -1);
    EXPECT_EQ(g_GameSettings.side, 1);
    EXPECT_EQ(panel.arrows[2].visible, 0) << "no player arrows without a player";
    EXPECT_STREQ(panel.rowLabels[13].text, "-");
}

}  // namespace
