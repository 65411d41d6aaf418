// The screens' container: release before every build, the screens that build nothing, the
// campaign list's captions and the team choice's candidate.
#include <filesystem>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/menu_fixture.h"
#include "frontend/player_record.h"
#include "frontend/player_saves.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "net/session.h"
#include "shell/control.h"
#include "world/scenario.h"

using menutest::MenuTest;

namespace {

int LabelsInUse(const MenuScreens& s) {
    int n = 0;
    for (const TextLabel& l : s.labels) n += l.inUse ? 1 : 0;
    return n;
}

int ImagesInUse(const MenuScreens& s) {
    int n = 0;
    for (const ImageButton& b : s.images) n += b.highlightSprite ? 1 : 0;
    return n;
}

class MenuScreensTest : public MenuTest {
protected:
    void StoreCampaign(int side, int slot, const char* name, uint32_t difficulty) {
        ClearCampaign();
        g_Campaign.side = uint32_t(side);
        g_Campaign.difficulty = difficulty;
        g_Campaign.slot = slot;
        std::snprintf(g_Campaign.name, sizeof g_Campaign.name, "%s", name);
        ASSERT_TRUE(SaveCampaign(side, slot, nullptr));
    }
    // The results of a won stage of a one-player campaign on the first side, not yet shown.
    void PendWonStage(int scenario) {
        ClearCampaign();
        g_Campaign.slot = 0;
        g_Menu.variant = 0;
        g_Menu.saveMode = 2;
        g_Menu.gameType = 1;
        g_GameSettings.scenario = scenario;
        g_GameSettings.gameKind = g_Menu.gameKind = 3;
        g_Menu.results[0] = 61000;
        g_Menu.results[1] = 0;
        g_Menu.resultsPending = 1;
    }
};

TEST_F(MenuScreensTest, EveryScreenReleasesItsOwnWidgetsBeforeItIsBuiltAgain) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    for (int page : {0, 3, 4, 9, 10, 11}) {
        DropButtons();
        s.SetScreen(page);
        const int labels = LabelsInUse(s), images = ImagesInUse(s);
        s.SetScreen(page);
        EXPECT_EQ(LabelsInUse(s), labels) << "screen " << page;
        EXPECT_EQ(ImagesInUse(s), images) << "screen " << page;
        EXPECT_EQ(s.previousScreen, page);
    }
    // Screens 7 and 16 leave the last screen released and build nothing, yet count as built.
    for (int page : {7, 16}) {
        s.SetScreen(9);
        s.built = 0;
        s.SetScreen(page);
        EXPECT_EQ(s.built, 1);
        EXPECT_EQ(LabelsInUse(s), 0);
        EXPECT_EQ(ImagesInUse(s), 0);
        EXPECT_EQ(s.candidate, nullptr);
        EXPECT_EQ(s.candidateRecord, nullptr);
    }
}

TEST_F(MenuScreensTest, TheMainMenuLabelStandsCentredUnderItsLogo) {
    Build(0);
    const MenuScreens& s = *g_Menu.screens;
    const ImageButton& logo = s.images[0];
    ASSERT_NE(logo.highlightSprite, nullptr);
    EXPECT_FLOAT_EQ(s.labels[0].x, logo.x + logo.w / 2);
    EXPECT_FLOAT_EQ(s.labels[0].y, logo.y + logo.h);
    EXPECT_EQ(s.labels[0].alignment, 'C');
}

TEST_F(MenuScreensTest, TheCampaignListUsesSideZeroForABadSideAndShowsAtMostElevenRows) {
    setenv("TZ", "UTC0", 1);
    tzset();
    for (int slot = 0; slot < 13; ++slot) StoreCampaign(0, slot, "March", 1);
    Build(0);
    g_Menu.variant = 7;
    DropButtons();
    g_Menu.screens->SetScreen(4);
    const MenuScreens& s = *g_Menu.screens;
    EXPECT_EQ(g_Menu.variant, 0);
    EXPECT_EQ(s.saveCount, 13);
    for (int i = 0; i < SCREEN_CAPTION_ROWS; ++i) {
        ASSERT_TRUE(s.labels[i].inUse) << i;
        EXPECT_FLOAT_EQ(s.labels[i].y, 0.34f + 0.05f * float(i));
    }
    EXPECT_FALSE(s.labels[SCREEN_CAPTION_ROWS].inUse);
    // The first save made 5 December 2026 09:07:03 UTC.
    g_CampaignTimes[0] = 1796461623;
    g_Menu.screens->FormatSaveCaption(0, s.saveCount, 0);
    const std::string first = s.labels[0].text;
    EXPECT_NE(first.find("March - "), std::string::npos) << first;
    EXPECT_NE(first.find("12/5/2026 - 9:07:03"), std::string::npos) << first;

    // Fewer saves: the rows past them are gone; an unreadable time leaves its caption empty.
    g_CampaignTimes[1] = 0;
    g_Menu.screens->FormatSaveCaption(0, 2, 0);
    EXPECT_TRUE(s.labels[0].inUse);
    EXPECT_STREQ(s.labels[1].text, "");
    EXPECT_FALSE(s.labels[2].inUse);
    unsetenv("TZ");
    tzset();
}

TEST_F(MenuScreensTest, TheTeamChoiceShowsNoCandidateWhenEveryPlayerIsInTheTeam) {
    Build(0);
    g_Menu.variant = 0;
    PlayerRecord r;
    for (int i = 0; i < 2; ++i) {
        MakeRandomPlayer(0, &r);
        ASSERT_GE(AddPlayerRecord(r), 0);
    }
    MenuScreens& s = *g_Menu.screens;
    s.teamIndex[0] = NextPlayerSlot(0, -1, false);
    s.teamIndex[1] = NextPlayerSlot(0, s.teamIndex[0], false);
    DropButtons();
    s.SetScreen(5);
    EXPECT_EQ(s.candidate, nullptr);
    EXPECT_EQ(s.noCandidate, 1);
    EXPECT_FALSE(s.labels[4].inUse);
    for (int i = 0; i <= 6; ++i) EXPECT_EQ(s.panels[i].visible, 0) << i;

    // With one player out of the team the candidate is that one.
    s.teamIndex[1] = -1;
    s.SetScreen(5);
    EXPECT_EQ(s.noCandidate, 0);
    EXPECT_EQ(g_Menu.selectedPlayer, NextPlayerSlot(0, s.teamIndex[0], false));
}

}  // namespace

namespace {

TEST_F(MenuScreensTest, AResultsScreenWithoutResultsTurnsIntoTheScreenOfItsSaveMode) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    struct Case {
        int saveMode, gameType, target;
    };
    for (const Case c : {Case{0, 2, 2}, Case{1, 2, 6}, Case{2, 2, 11}, Case{2, 1, 21}}) {
        DropButtons();
        g_Menu.saveMode = c.saveMode;
        g_Menu.gameType = c.gameType;
        g_Menu.results[0] = 0;
        s.SetScreen(12);
        EXPECT_EQ(s.screen, c.target) << c.saveMode << "/" << c.gameType;
        EXPECT_EQ(g_Menu.page, c.target);
        EXPECT_EQ(g_Menu.targetPage, c.target);
        EXPECT_EQ(g_Menu.previousPage, 12);
        EXPECT_EQ(s.built, 1);
    }
}

TEST_F(MenuScreensTest, AWinOnTheSidesLastStageRewardsOnceAndStoresNothing) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    PendWonStage(19);
    DropButtons();
    s.SetScreen(12);
    EXPECT_EQ(s.screen, 12);
    EXPECT_EQ(g_Campaign.credits, 1000);
    EXPECT_EQ(g_Campaign.scenarios[19][CAMPAIGN_WON], 1);
    EXPECT_EQ(g_Menu.resultsPending, 0);
    EXPECT_EQ(ListCampaigns(0), 0);
    EXPECT_EQ(s.notice.open, 0);
    EXPECT_STREQ(s.labels[1].text, (std::string(g_TextTable.Get(802)) + " 01:01").c_str());
    // The same results entered again add nothing.
    s.SetScreen(12);
    EXPECT_EQ(g_Campaign.credits, 1000);

    // Another stage stores the campaign, made with its player as the game makes it, and says so.
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    std::strcpy(own.look.name, "Sable");
    ASSERT_TRUE(SaveCampaign(0, 0, &own));
    g_GameSettings.scenario = 3;
    g_Menu.resultsPending = 1;
    s.SetScreen(12);
    EXPECT_EQ(g_Campaign.credits, 2000);
    EXPECT_EQ(ListCampaigns(0), 1);
    EXPECT_EQ(s.notice.open, 1);
    ASSERT_TRUE(LoadCampaign(0, 0, &own));
    EXPECT_EQ(g_Campaign.credits, 2000);
    EXPECT_STREQ(own.look.name, "Sable");
}

// A stage won where the campaign cannot be written says the save failed, naming the file, and
// does not say it was saved.
TEST_F(MenuScreensTest, AWinWhoseCampaignCannotBeWrittenSaysTheSaveFailed) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    PendWonStage(3);
    // A file where the campaigns' folder should be: nothing can be written into it.
    std::filesystem::remove_all(dir.path() / "Saves" / "CAMPAIGNS");
    std::filesystem::create_directories(dir.path() / "Saves");
    dir.Write("Saves/CAMPAIGNS", "not a folder");
    DropButtons();
    s.SetScreen(12);
    EXPECT_EQ(g_Campaign.credits, 1000);
    ASSERT_EQ(s.notice.open, 1);
    const char* told = s.notice.label.text ? s.notice.label.text : s.notice.text;
    EXPECT_STREQ(told, "Could not save the campaign to Saves\\CAMPAIGNS\\GCO00.dat");
    EXPECT_STRNE(told, g_TextTable.Get(702));
}

// Each for himself, when the time ran out, the best score of the column the pages show wins (the
// credits in kind 7, the kill score in kind 6). A best score two rows share is nobody's win,
// whichever of them is the local fighter's, on the results page and on the network results page
// it turns into: a row's place in the table is no merit, and every machine reads the same. A tie
// below the best, before or after the best row, leaves the best row the winner.
TEST_F(MenuScreensTest, EachForHimselfABestScoreSharedIsNobodysWin) {
    dir.Write("textos.txt", dir.Read("textos.txt") + "TXT0800\"Won\";\nTXT0801\"Lost\";\nTXT0818\"Nobody\";\n"
                                                     "TXT0820\"Beaten\";\nTXT0821\"Well\";\nTXT0822\"Draw\";\n");
    g_TextTable.Load("textos.txt");
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    struct Kind {
        int kind, field, otherField;
    };
    for (const Kind k : {Kind{7, FIGHTER_POINTS, FIGHTER_KILL_SCORE}, Kind{6, FIGHTER_KILL_SCORE, FIGHTER_POINTS}}) {
        struct Case {
            const char* name;
            int top;    // a row above the tie, -1 none
            int local;  // -1: a newcomer without a row
            const char* title;
            const char* bottom;
            int alsoTop = -1;  // a second row at the top's score
        };
        const Case cases[] = {
            {"the local row is the earlier of the tied", -1, 1, "Nobody", "Draw"},
            {"the local row is the later of the tied", -1, 4, "Nobody", "Draw"},
            {"the local row is below the tied", -1, 0, "Nobody", "Draw"},
            {"a newcomer without a row", -1, -1, "Nobody", "Draw"},
            {"the local row above a tie after it", 0, 0, "Won", "Well"},
            {"the local row above a tie before it", 6, 6, "Won", "Well"},
            {"the local row in a tie below another's best", 6, 1, "Lost", "Beaten"},
            // The host's row is the first a scan meets: sharing the best, it wins no more than another.
            {"the host's local row shares the best with a later row", 0, 0, "Nobody", "Draw", 6},
            {"the local row shares the best with the host's", 0, 6, "Nobody", "Draw", 6},
        };
        for (const Case& c : cases) {
            for (int saveMode : {0, 1}) {
                SCOPED_TRACE(testing::Message() << "kind " << k.kind << ", " << c.name << ", save mode " << saveMode);
                std::memset(g_Menu.results, 0, sizeof g_Menu.results);
                g_Menu.results[RESULT_ELAPSED] = 1000;
                g_Menu.results[RESULT_WINNER] = uint32_t(-1);
                const auto row = [](int r) { return g_Menu.results + RESULT_FIGHTER_FIRST + r * RESULT_FIGHTER_FIELDS; };
                row(1)[k.field] = 5;
                row(4)[k.field] = 5;
                row(0)[k.field] = 2;
                if (c.top >= 0) row(c.top)[k.field] = 6;
                if (c.alsoTop >= 0) row(c.alsoTop)[k.field] = 6;
                // The other kind's score, the side word and the checkpoints rank other rows first:
                // none of them counts here.
                row(7)[k.otherField] = 9;
                row(8)[FIGHTER_SIDE] = 9;
                row(9)[FIGHTER_CHECKPOINTS] = 9;
                g_Menu.localSlot = c.local;
                g_Menu.saveMode = saveMode;
                g_Menu.resultsPending = 0;
                g_GameSettings.gameKind = g_Menu.gameKind = k.kind;
                g_GameSettings.fightersOwnMode2 = 0;
                DropButtons();
                s.SetScreen(12);
                ASSERT_EQ(s.screen, saveMode == 1 ? 18 : 12);
                ASSERT_TRUE(s.labels[0].inUse);
                EXPECT_STREQ(s.labels[0].text, c.title);
                const TextLabel& bottom = s.labels[saveMode == 1 ? 24 : 12];
                ASSERT_TRUE(bottom.inUse);
                EXPECT_STREQ(bottom.text, c.bottom);
            }
        }
    }
}

}  // namespace

namespace {

// The kind a network session's start puts into the match, as the shell's start does; -1 for a
// match without a session.
int g_sessionKind = -1;

// The results pages after a match whose kind the player's own set-up tab need not hold: the
// match is started from the menu's start page (the tab applied, then the session's kind taking
// over) and returns to the menu with its results.
class PlayedKindTest : public MenuScreensTest {
protected:
    void SetUp() override {
        MenuScreensTest::SetUp();
        dir.Write("textos.txt", dir.Read("textos.txt") +
                                    "TXT0800\"Won\";\nTXT0801\"Lost\";\nTXT0818\"Nobody\";\n"
                                    "TXT0809\"Greed\";\nTXT0811\"Curse\";\nTXT0812\"Annihilation\";\n");
        g_TextTable.Load("textos.txt");
        Build(0);
        StopFading();
        g_sessionKind = -1;
        MenuShellCalls calls = g_MenuShellCalls;
        calls.startGame = [] {
            if (g_sessionKind >= 0) {
                g_Settings.gameKind = g_sessionKind;
                g_Menu.gameKind = g_sessionKind;
            }
            g_Match.Setup(g_Settings.gameKind, g_Settings.localSide);
            g_Menu.Release();
        };
        g_MenuShellCalls = calls;
        g_GameSettings.fightersOwnMode2 = 0;
        fought = 0x3;
    }
    void TearDown() override {
        std::memset(g_Scenario.results, 0, sizeof g_Scenario.results);
        ResetMatch();
        MenuScreensTest::TearDown();
    }
    // The match played on the side and with the set-up tab's kind given; the session's kind
    // (-1 none) is the one played. Its results are `results`, the local fighter in `localSlot`.
    MenuScreens& Play(int saveMode, int side, int tabKind, int session, const uint32_t* results, int localSlot) {
        g_Menu.saveMode = saveMode;
        g_Menu.variant = side;
        g_GameSettings.side = side;
        g_GameSettings.gameKind = tabKind;
        g_sessionKind = session;
        DropButtons();
        Build(PAGE_START_MATCH);
        EXPECT_FALSE(g_Menu.active) << "the match released the front end";
        // The match ends with the fighters of `fought`, who are gone by the time the menu comes
        // back (the match released, a player left in the end's pause, the session closed).
        for (int slot = 0; slot < MAX_CHARACTERS; ++slot) g_Characters[slot].active = uint8_t(fought >> slot & 1u);
        g_Match.SetState(MATCH_LOST, false);
        for (Character& c : g_Characters) c.active = 0;
        std::memcpy(g_Scenario.results, results, sizeof g_Scenario.results);
        g_Menu.localSlot = localSlot;
        g_Menu.ReturnFromMatch();
        EXPECT_EQ(g_GameSettings.gameKind, tabKind) << "the set-up tab stays as the player left it";
        EXPECT_EQ(g_GameSettings.side, side);
        return *g_Menu.screens;
    }
    uint16_t fought = 0;   // the slots the next played match ends with
    // Whether the results' values, drawn once, hold `text` as the page prints it at (x, y).
    bool ValueDrawn(const char* text, int scale, int colour, float x, float y, bool shadow) {
        MenuScreens& s = *g_Menu.screens;
        rec->ClearLog();
        s.DrawValues();
        const auto drawn = screentest::DrawnGlyphs(*rec);
        rec->ClearLog();
        g_Font.Print(scale, colour, x, y, 0, text, 'c', shadow);
        const auto expected = screentest::DrawnGlyphs(*rec);
        EXPECT_FALSE(expected.empty()) << "the font draws " << text;
        return !expected.empty() && screentest::AllDrawnAmong(expected, drawn);
    }
    // The team results page's score row, in a side's column.
    bool TeamScoreDrawn(const char* text, int column) {
        const MenuScreens& s = *g_Menu.screens;
        return ValueDrawn(text, 5, 18, s.labels[3 + column].x, s.labels[5].y, false);
    }
    // The network results page's score column, in a player's row.
    bool FighterScoreDrawn(const char* text, int row) {
        const MenuScreens& s = *g_Menu.screens;
        const TextLabel& head = s.labels[2];
        return ValueDrawn(text, 4, row == g_Menu.localSlot ? 2 : 18, head.x + head.w / 2, s.labels[8 + row].y, true);
    }
    // The team results page with the kind's heading, the title, and the first column's score drawn.
    void ExpectTeamPage(const MenuScreens& s, const char* heading, const char* title, const char* score) {
        ASSERT_EQ(s.screen, 12);
        EXPECT_STREQ(s.labels[5].text, heading);
        EXPECT_STREQ(s.labels[0].text, title);
        EXPECT_TRUE(TeamScoreDrawn(score, 0));
    }
    static uint32_t* Row(uint32_t* results, int r) {
        return results + RESULT_FIGHTER_FIRST + r * RESULT_FIGHTER_FIELDS;
    }
};

// The host (row 0, the Orlins) and the client (row 1, the Voraks) of a one-minute match.
struct TwoPlayerResults {
    uint32_t words[MATCH_RESULT_DWORDS] = {};
    TwoPlayerResults() {
        words[RESULT_ELAPSED] = 60000;
        words[RESULT_FIGHTER_FIRST + FIGHTER_SIDE] = 0;
        words[RESULT_FIGHTER_FIRST + RESULT_FIGHTER_FIELDS + FIGHTER_SIDE] = 1;
        words[RESULT_FIGHTER_FIRST + RESULT_FIGHTER_FIELDS + FIGHTER_LINEUP_ID] = 1;
    }
};

TEST_F(PlayedKindTest, AClientsCurseResultsFollowTheHostsKindNotItsOwnTab) {
    // Kind 4, the client's tab on each for himself: the Orlins carried the curse past its limit,
    // or nobody won. The host's row ranks first as each for himself would count it: that count
    // must not decide.
    for (const uint32_t winner : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << "winner word " << winner);
        TwoPlayerResults r;
        r.words[RESULT_WINNER] = winner;
        r.words[RESULT_TEAM_FIRST + TEAM_CURSE_MS] = 61000;
        r.words[RESULT_TEAM_FIRST + RESULT_TEAM_FIELDS + TEAM_CURSE_MS] = 12000;
        Row(r.words, 0)[3] = Row(r.words, 0)[FIGHTER_KILL_SCORE] = 9;
        MenuScreens& s = Play(1, 1, 6, 4, r.words, 1);
        EXPECT_EQ(g_Menu.gameKind, 4);
        ASSERT_EQ(s.screen, 12) << "kind 4 has the team results page";
        EXPECT_STREQ(s.labels[5].text, "Curse");
        EXPECT_STREQ(s.labels[0].text, winner == 1 ? "Won" : "Nobody");
        EXPECT_STREQ(s.labels[12].text, g_TextTable.Get(winner == 1 ? 821 : 822));
        // The curse's time as minutes and seconds, each side in its column.
        EXPECT_TRUE(TeamScoreDrawn("1:01", 0));
        EXPECT_TRUE(TeamScoreDrawn("0:12", 1));
    }
}

TEST_F(PlayedKindTest, AClientsEachForHimselfResultsFollowTheHostsKindNotItsOwnTab) {
    // Kind 6, the client's tab on the curse, the time run out: the host's row has the best kill
    // score, whatever the curse's time would say.
    TwoPlayerResults r;
    r.words[RESULT_WINNER] = uint32_t(-1);
    Row(r.words, 0)[3] = Row(r.words, 0)[FIGHTER_KILL_SCORE] = 5;
    Row(r.words, 1)[3] = Row(r.words, 1)[FIGHTER_KILL_SCORE] = 2;
    r.words[RESULT_TEAM_FIRST + TEAM_CURSE_MS] = 61000;
    MenuScreens& s = Play(1, 1, 4, 6, r.words, 1);
    ASSERT_EQ(s.screen, 18) << "each for himself has the network results page";
    EXPECT_STREQ(s.labels[2].text, "Annihilation");
    EXPECT_STREQ(s.labels[0].text, "Lost");
    EXPECT_STREQ(s.labels[24].text, g_TextTable.Get(820));
    // Kills as numbers, not a curse time.
    EXPECT_TRUE(FighterScoreDrawn("5", 0));
    EXPECT_TRUE(FighterScoreDrawn("2", 1));

    // Kind 7 with the tab on kind 6: the client's row holds the credits and wins; kind 6's count
    // would rank the host's row first.
    TwoPlayerResults g;
    g.words[RESULT_WINNER] = uint32_t(-1);
    Row(g.words, 1)[FIGHTER_POINTS] = 300;
    Row(g.words, 0)[FIGHTER_POINTS] = 100;
    Row(g.words, 0)[3] = Row(g.words, 0)[FIGHTER_KILL_SCORE] = 9;
    MenuScreens& t = Play(1, 1, 6, 7, g.words, 1);
    ASSERT_EQ(t.screen, 18);
    EXPECT_STREQ(t.labels[2].text, "Greed");
    EXPECT_STREQ(t.labels[0].text, "Won");
    EXPECT_STREQ(t.labels[24].text, g_TextTable.Get(821));
    EXPECT_TRUE(FighterScoreDrawn("300", 1));
    EXPECT_TRUE(FighterScoreDrawn("100", 0));
}

// Each for himself: the fighter the match named when it reached its goal wins, as the victory or
// defeat the match played said; when the time ran out, the best score of the column the page
// shows. The local row, and only it, is drawn in the local colour, whoever won.
TEST_F(PlayedKindTest, EachForHimselfTheTitleFollowsTheMatchsWinnerOrTheBestShownScore) {
    for (const int kind : {6, 7}) {
        const int field = kind == 7 ? FIGHTER_POINTS : FIGHTER_KILL_SCORE;
        struct Case {
            const char* name;
            int winner, best, local;
            const char* title;
        };
        const Case cases[] = {
            {"time run out, the local row best", -1, 2, 2, "Won"},
            {"time run out, another row best", -1, 2, 1, "Lost"},
            {"the local fighter reached the goal, another row best", 1, 2, 1, "Won"},
            {"another fighter reached the goal, the local row best", 0, 2, 2, "Lost"},
            {"a winner word past the last slot, the local row best", MAX_CHARACTERS, 2, 2, "Won"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << ", " << c.name);
            uint32_t words[MATCH_RESULT_DWORDS] = {};
            words[RESULT_ELAPSED] = 60000;
            words[RESULT_WINNER] = uint32_t(c.winner);
            for (int r = 0; r < 3; ++r) {
                Row(words, r)[FIGHTER_SIDE] = uint32_t(r % 2);
                Row(words, r)[field] = r == c.best ? 90 : 10 * uint32_t(r + 1);
                // The side word, the checkpoints and the other kind's score are no score here.
                Row(words, r)[FIGHTER_CHECKPOINTS] = Row(words, r)[kind == 7 ? FIGHTER_KILL_SCORE : FIGHTER_POINTS] =
                    r == 0 ? 500 : 0;
            }
            fought = 0x7;
            MenuScreens& s = Play(1, c.local % 2, kind == 6 ? 7 : 6, kind, words, c.local);
            ASSERT_EQ(s.screen, 18);
            EXPECT_STREQ(s.labels[0].text, c.title);
            for (int r = 0; r < 3; ++r) {
                char score[16];
                std::snprintf(score, sizeof score, "%u", Row(words, r)[field]);
                EXPECT_TRUE(ValueDrawn(score, 4, r == c.local ? 2 : 18, s.labels[2].x + s.labels[2].w / 2,
                                       s.labels[8 + r].y, true))
                    << "row " << r << " in " << (r == c.local ? "the local colour" : "the others'");
            }
            // Training's results page of the same match says the same.
            EXPECT_STREQ(Play(0, c.local % 2, kind, -1, words, c.local).labels[0].text, c.title);
        }
    }
}

// Greed or annihilation for one that runs out of time with nobody scoring: the host (row 0) and
// both clients (rows 1 and 2) read the same draw, on the network results and in training.
TEST_F(PlayedKindTest, EachForHimselfRunOutWithNobodyScoringIsADrawOnEveryMachine) {
    for (const int kind : {7, 6}) {
        uint32_t words[MATCH_RESULT_DWORDS] = {};
        words[RESULT_ELAPSED] = 60000;
        words[RESULT_WINNER] = uint32_t(-1);
        for (int r = 0; r < 3; ++r) Row(words, r)[FIGHTER_SIDE] = uint32_t(r % 2);
        fought = 0x7;
        for (int local = 0; local < 3; ++local) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << ", the machine of row " << local);
            MenuScreens& s = Play(1, local % 2, kind, kind, words, local);
            ASSERT_EQ(s.screen, 18);
            EXPECT_STREQ(s.labels[0].text, "Nobody");
            EXPECT_STREQ(s.labels[24].text, g_TextTable.Get(822));
            EXPECT_STREQ(Play(0, local % 2, kind, -1, words, local).labels[0].text, "Nobody");
        }
    }
}

// When the time ran out, only the rows of fighters that were in the match rank: an empty row's
// zeros do not beat the kill scores below zero that self-kills leave.
TEST_F(PlayedKindTest, EachForHimselfOnlyTheRowsThatFoughtRankWhenTheTimeRanOut) {
    uint32_t words[MATCH_RESULT_DWORDS] = {};
    words[RESULT_ELAPSED] = 60000;
    words[RESULT_WINNER] = uint32_t(-1);
    Row(words, 1)[FIGHTER_KILL_SCORE] = uint32_t(-3);
    Row(words, 2)[FIGHTER_KILL_SCORE] = uint32_t(-1);
    MenuScreens& s = Play(1, 0, 6, 6, words, 2);
    g_Menu.resultsFought = (1u << 1) | (1u << 2);
    DropButtons();
    s.SetScreen(18);
    EXPECT_STREQ(s.labels[0].text, "Won");
    g_Menu.localSlot = 0;
    DropButtons();
    s.SetScreen(18);
    EXPECT_STREQ(s.labels[0].text, "Lost") << "row 0 did not fight";
    // A newcomer given the winner's slot in the end's pause won nothing.
    words[RESULT_WINNER] = 2;
    fought = 1u << 1;
    EXPECT_STREQ(Play(1, 0, 6, 6, words, 2).labels[0].text, "Lost");
    fought = (1u << 1) | (1u << 2);
    EXPECT_STREQ(Play(1, 0, 6, 6, words, 2).labels[0].text, "Won");
}

// Each for himself, a fighter left alone that spells FATALITY has played a defeat, and its results
// say so: the match's winner word is no time-out for the lone row to win by its score.
TEST_F(PlayedKindTest, EachForHimselfFatalityAloneReadsAsADefeat) {
    int fatality = -1;
    for (int w = 0; w < MATCH_WORDS; ++w)
        if (PowerWordText(w) && std::string(PowerWordText(w)) == "FATALITY") fatality = w;
    ASSERT_GE(fatality, 0);
    for (const int kind : {6, 7})
        for (const int slot : {0, 4}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << ", alone in slot " << slot);
            Character& alone = g_Characters[slot];
            alone.active = 1;
            alone.slot = slot;
            g_Control.localCharacter = &alone;
            ResetMatch();
            g_Match.gameKind = kind;
            g_Scenario.ResetResults();
            g_Match.ApplyWord(0, fatality);
            ASSERT_EQ(g_Match.state, MATCH_LOST);
            uint32_t words[MATCH_RESULT_DWORDS];
            std::memcpy(words, g_Scenario.results, sizeof words);
            words[RESULT_ELAPSED] = 30000;
            Row(words, slot)[kind == 7 ? FIGHTER_POINTS : FIGHTER_KILL_SCORE] = 40;
            g_Control.localCharacter = nullptr;
            alone.active = 0;
            fought = uint16_t(1u << slot);
            EXPECT_STREQ(Play(1, 0, kind, kind, words, slot).labels[0].text, "Lost");
            EXPECT_STREQ(Play(0, 0, kind, -1, words, slot).labels[0].text, "Lost");
        }
}

// The players' page draws a row for each fighter the match ended with, one line after another in
// slot order, with the session long closed: a row a leaver left is not drawn, and the local
// fighter's row is marked wherever its line falls.
TEST_F(PlayedKindTest, ThePlayersPageDrawsTheFightersTheMatchEndedWithLineByLine) {
    ASSERT_FALSE(g_NetSession.active);
    struct Case {
        const char* name;
        uint16_t fought;
        int local;
    };
    const Case cases[] = {
        {"all three stayed, a client's row marked", 0x7, 2},
        {"the first client left during the match", 0x5, 2},
        {"the first client left, the host's row marked", 0x5, 0},
        {"a fighter in the last slot only", 0x8001, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t words[MATCH_RESULT_DWORDS] = {};
        words[RESULT_ELAPSED] = 60000;
        words[RESULT_WINNER] = uint32_t(-1);
        for (int r = 0; r < MAX_CHARACTERS; ++r) Row(words, r)[FIGHTER_POINTS] = 100 + uint32_t(r);
        fought = c.fought;
        MenuScreens& s = Play(1, 0, 7, 7, words, c.local);
        ASSERT_EQ(s.screen, 18);
        int line = 0;
        for (int r = 0; r < MAX_CHARACTERS; ++r) {
            SCOPED_TRACE(testing::Message() << "row " << r);
            char score[16];
            std::snprintf(score, sizeof score, "%u", Row(words, r)[FIGHTER_POINTS]);
            if (!(c.fought >> r & 1u)) {
                EXPECT_FALSE(s.labels[8 + r].inUse) << "a row nobody fought has a line";
                continue;
            }
            ASSERT_TRUE(s.labels[8 + r].inUse);
            EXPECT_NEAR(s.labels[8 + r].y, s.labels[8 + __builtin_ctz(c.fought)].y + 0.03f * float(line++), 1e-4f);
            EXPECT_TRUE(FighterScoreDrawn(score, r));
            EXPECT_FALSE(ValueDrawn(score, 4, r == c.local ? 18 : 2, s.labels[2].x + s.labels[2].w / 2,
                                    s.labels[8 + r].y, true))
                << "drawn in the wrong colour";
        }
    }
}

// The network results keep the level the local fighter reached in the player's own save, with
// its name and look; never a lower level, nor one from a row nobody of this machine played.
TEST_F(PlayedKindTest, TheNetworkResultsKeepTheLevelTheLocalFighterReachedInThePlayersSave) {
    g_Menu.saveMode = 1;
    PlayerRecord made{};
    MakeRandomPlayer(0, &made);
    std::snprintf(made.look.name, sizeof made.look.name, "Kesta");
    made.look.skin = 3;
    made.level = 1;
    ASSERT_TRUE(CopyPlayerToSlot(0, 3, made));
    ASSERT_TRUE(SavePlayer(0, 3));
    g_Menu.SelectPlayer(3, 0);
    uint32_t words[MATCH_RESULT_DWORDS] = {};
    words[RESULT_ELAPSED] = 60000;
    words[RESULT_WINNER] = uint32_t(-1);
    Row(words, 0)[FIGHTER_LEVEL] = 6;   // the host's fighter
    Row(words, 1)[FIGHTER_LEVEL] = 4;
    fought = 0;
    MenuScreens& s = Play(1, 0, 7, 7, words, 1);
    ASSERT_EQ(s.screen, 18);
    const auto storedLevel = [] {
        g_Menu.LoadPlayerSaves(1);
        const PlayerRecord* r = g_Menu.playerTables.records[0][3];
        EXPECT_NE(r, nullptr);
        if (r) {
            EXPECT_STREQ(r->look.name, "Kesta");
            EXPECT_EQ(r->look.skin, 3u);
        }
        g_Menu.SelectPlayer(3, 0);
        return r ? int(r->level) : -1;
    };
    EXPECT_EQ(storedLevel(), 1) << "the local row is not known to have fought";
    const auto again = [&](uint16_t fought, int local) {
        g_Menu.resultsFought = fought;
        g_Menu.localSlot = local;
        DropButtons();
        s.SetScreen(18);
        return storedLevel();
    };
    EXPECT_EQ(again(0x3, -1), 1) << "no fighter of this machine";
    EXPECT_EQ(again(0x1, 1), 1) << "the local row did not fight";
    EXPECT_EQ(again(0x3, 1), 4);
    const PlayerRecord* raised = g_Menu.playerTables.records[0][3];
    ASSERT_NE(raised, nullptr);
    EXPECT_GT(raised->attributes[0], made.attributes[0]) << "a level's attributes come with it";
    Row(g_Menu.results, 1)[FIGHTER_LEVEL] = 2;
    EXPECT_EQ(again(0x3, 1), 4) << "a lower level is never stored";
}

TEST_F(PlayedKindTest, AClientsTeamKindWithItsTabOnAFighterKindKeepsTheTeamPage) {
    // Kind 2 hosted, the client's tab on kind 7, whose results would have the network page.
    TwoPlayerResults r;
    r.words[RESULT_WINNER] = 0;
    r.words[RESULT_TEAM_FIRST + TEAM_POINTS] = 700;
    ExpectTeamPage(Play(1, 1, 7, 2, r.words, 1), "Greed", "Lost", "700");
}

// Matches without a session after network ones of other kinds: each page reads the kind just
// played, which the tab holds here, and not the last session's.
TEST_F(PlayedKindTest, LocalMatchesAfterANetworkMatchShowTheirOwnKind) {
    TwoPlayerResults curse;
    curse.words[RESULT_WINNER] = 1;
    curse.words[RESULT_TEAM_FIRST + TEAM_CURSE_MS] = 61000;
    ASSERT_EQ(Play(1, 1, 6, 4, curse.words, 1).screen, 12);

    // Training, kind 6: the team page, won by the best row, the local one.
    TwoPlayerResults each;
    each.words[RESULT_WINNER] = uint32_t(-1);
    Row(each.words, 0)[3] = Row(each.words, 0)[FIGHTER_KILL_SCORE] = 4;
    each.words[RESULT_TEAM_FIRST + TEAM_KILL_SCORE] = 4;
    // Training has no network page.
    ExpectTeamPage(Play(0, 0, 6, -1, each.words, 0), "Annihilation", "Won", "4");
    EXPECT_EQ(g_Menu.gameKind, 6);

    // Training, kind 4, after a network match of kind 6.
    TwoPlayerResults six;
    Row(six.words, 1)[3] = Row(six.words, 1)[FIGHTER_KILL_SCORE] = 3;
    ASSERT_EQ(Play(1, 1, 4, 6, six.words, 1).screen, 18);
    ExpectTeamPage(Play(0, 1, 4, -1, curse.words, 1), "Curse", "Won", "1:01");
    EXPECT_EQ(g_Menu.gameKind, 4);
}

// A team campaign's stage after a network match of another kind: the win is marked for the
// kind the stage was played in.
TEST_F(PlayedKindTest, ACampaignStageWonAfterANetworkMatchMarksTheKindItWasPlayedIn) {
    TwoPlayerResults curse;
    curse.words[RESULT_WINNER] = 1;
    ASSERT_EQ(Play(1, 1, 6, 4, curse.words, 1).screen, 12);

    ClearCampaign();
    g_Campaign.slot = 0;
    g_Menu.gameType = 2;
    g_GameSettings.scenario = 5;
    TwoPlayerResults stage;
    stage.words[RESULT_WINNER] = 0;
    MenuScreens& s = Play(2, 0, 3, -1, stage.words, 0);
    ASSERT_EQ(s.screen, 12);
    EXPECT_STREQ(s.labels[0].text, "Won");
    EXPECT_EQ(g_Campaign.scenarios[5][CAMPAIGN_WON + 3], 1);
    EXPECT_EQ(g_Campaign.scenarios[5][CAMPAIGN_WON + 4], 0);
    EXPECT_EQ(g_Campaign.credits, 1000);
}

TEST_F(MenuScreensTest, TheTeamListPutsTheCurrentSlotFirstAndKeepsTheSetupsTeamSize) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    g_Menu.variant = 1;
    const int32_t slots[4] = {7, -1, 9, 4};
    std::copy(slots, slots + 4, s.teamIndex);
    s.currentTeamSlot = 2;
    g_GameSettings.fightersOwnMode2 = 2;
    s.BuildTeamList();
    EXPECT_EQ(g_Menu.teamSlots[1][0], 9);
    EXPECT_EQ(g_Menu.teamSlots[1][1], 7);
    EXPECT_EQ(g_Menu.teamSlots[1][2], -1);
    EXPECT_EQ(g_Menu.teamSlots[1][3], -1);
    EXPECT_EQ(g_Campaign.side, 1u);
    g_GameSettings.fightersOwnMode2 = 4;
    s.BuildTeamList();
    EXPECT_EQ(g_Menu.teamSlots[1][2], 4);
    EXPECT_EQ(g_Menu.teamSlots[1][3], -1);
}

}  // namespace

namespace {

TEST(ResultValueTest, AKindFourScoreIsMinutesAndSecondsAndEveryOtherValueANumber) {
    struct Case {
        int kind;
        uint32_t value;
        bool scoreRow;
        const char* shown;
    };
    for (const Case c : {Case{4, 61000, true, "1:01"}, Case{4, 59999, true, "0:59"}, Case{4, 600000, true, "10:00"},
                         Case{4, 61000, false, "61000"}, Case{0, 61000, true, "61000"},
                         Case{2, 0xffffffffu, true, "-1"}}) {
        char out[16];
        FormatResultValue(out, sizeof out, c.kind, c.value, c.scoreRow);
        EXPECT_STREQ(out, c.shown) << c.kind << " " << c.value;
    }
}

TEST_F(MenuScreensTest, AnUnbuiltScreenDrawsNothingNotEvenTheOptionsQuestion) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    DropButtons();
    s.SetScreen(8);
    s.built = 0;
    g_Menu.optionsChanged = 1;
    const size_t calls = rec->Log().size();
    s.DrawScreen();
    EXPECT_EQ(rec->Log().size(), calls);
    s.built = 1;
    s.DrawScreen();
    EXPECT_GT(rec->Log().size(), calls);
    g_Menu.optionsChanged = 0;
}

TEST_F(MenuScreensTest, ThePlayerEditorsDebugLinesDrawOnlyWithTheTestSetting) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    DropButtons();
    g_Menu.variant = 0;
    s.SetScreen(9);
    const uint8_t saved = g_Settings.test;
    g_Settings.test = 0;
    size_t before = rec->Log().size();
    s.DrawScreen();
    const size_t plain = rec->Log().size() - before;
    g_Settings.test = 1;
    before = rec->Log().size();
    s.DrawScreen();
    EXPECT_GT(rec->Log().size() - before, plain);
    g_Settings.test = saved;
}

}  // namespace

namespace {

TEST_F(MenuScreensTest, TheCandidateSkipsTeamMembersBothWaysAndIsClearedWhenNoneIsLeft) {
    Build(0);
    g_Menu.variant = 0;
    PlayerRecord r;
    int slots[3];
    for (int& slot : slots) {
        MakeRandomPlayer(0, &r);
        slot = AddPlayerRecord(r);
        ASSERT_GE(slot, 0);
    }
    MenuScreens& s = *g_Menu.screens;
    DropButtons();
    s.SetScreen(5);
    s.teamIndex[0] = slots[1];
    EXPECT_TRUE(s.SelectTeamCandidate(slots[0], false));
    EXPECT_EQ(g_Menu.selectedPlayer, slots[2]);
    EXPECT_TRUE(s.SelectTeamCandidate(slots[2], true));
    EXPECT_EQ(g_Menu.selectedPlayer, slots[0]);
    // Everyone in the team, from no player at all: the search ends and clears the choice.
    s.teamIndex[1] = slots[0];
    s.teamIndex[2] = slots[2];
    EXPECT_FALSE(s.SelectTeamCandidate(-1, false));
    EXPECT_EQ(g_Menu.selectedPlayer, -1);
    EXPECT_EQ(s.noCandidate, 1);
}

}  // namespace
