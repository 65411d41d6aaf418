// Who a match ended with, on the host and on a client that hears the end from it: the results
// pages draw those fighters whatever became of the session and its players afterwards.
#include <gtest/gtest.h>

#include <vector>

#include "core/clocks.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "shell/control.h"
#include "world/scenario.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes g_Event;

class MatchEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetNetSession();
        ResetMatch();
        ResetGameOps();
        for (Character& c : g_Characters) c.active = 0;
    }
    void TearDown() override {
        g_Control.localCharacter = nullptr;
        g_Clocks = ClockSet();
        for (Character& c : g_Characters) c.active = 0;
        g_GamePacketSink = nullptr;
        ResetNetSession();
        ResetMatch();
    }
    static void Fighters(std::initializer_list<int> slots) {
        for (Character& c : g_Characters) c.active = 0;
        for (int s : slots) {
            g_Characters[s].active = 1;
            g_Characters[s].slot = s;
        }
    }
    // The host's match-state event for greed each for himself in `state`, as a client receives it.
    static void HearState(int state) {
        g_Event.clear();
        g_GamePacketSink = [](const uint8_t* e, size_t n) { g_Event.assign(e, e + n); };
        const int32_t was = g_Match.state;
        g_Match.gameKind = 7;
        g_Match.state = state;
        g_GamePacket.WriteMatchState();
        g_Match.state = was;
        g_GamePacketSink = nullptr;
        ASSERT_FALSE(g_Event.empty());
        g_GameOps->SetMatchState(g_Event.data(), g_Event.size());
    }
    // The match clock stopped at t milliseconds.
    static void StopMatchClockAt(uint32_t t) {
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = t;
    }
};

TEST_F(MatchEndTest, TheHostKeepsWhoTheMatchEndedWithThroughLeavesInTheEndsPause) {
    g_Match.gameKind = 7;
    Fighters({0, 1, 2});
    g_Match.SetState(MATCH_LOST, false);
    Fighters({0, 2});
    g_Match.SetState(MATCH_WON, false);
    EXPECT_EQ(g_Match.endFighters, 0x7) << "a fighter whose player left after the end still fought";
    g_Match.SetState(MATCH_PLAYING, false);
    EXPECT_EQ(g_Match.endFighters, 0) << "a match at play has not ended";
    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(g_Match.endFighters, 0x5) << "the next end counts afresh";
}

TEST_F(MatchEndTest, AClientKeepsWhoTheMatchEndedWithWhenTheHostSaysSo) {
    Fighters({0, 2, 5});
    HearState(MATCH_PLAYING);
    EXPECT_EQ(g_Match.endFighters, 0);
    Fighters({0, 2});
    StopMatchClockAt(5000);
    HearState(MATCH_LOST);
    EXPECT_EQ(g_Match.state, MATCH_LOST);
    EXPECT_EQ(g_Match.stateTime, 5000u) << "the end's pause runs from the host's word";
    EXPECT_EQ(g_Match.endFighters, 0x5) << "the fighter that left during the match did not fight";
    // The host's leave takes its fighter away, and the host tells its state again to a newcomer,
    // in the pause or from before its own end: this machine's end holds, its pause runs on.
    Fighters({2});
    StopMatchClockAt(8000);
    HearState(MATCH_LOST);
    HearState(MATCH_WON);
    HearState(MATCH_PLAYING);
    EXPECT_EQ(g_Match.state, MATCH_LOST);
    EXPECT_EQ(g_Match.stateTime, 5000u);
    EXPECT_EQ(g_Match.endFighters, 0x5);
}

// A client's match ends as the host's end block comes, with the host's winner and rows, and the
// fighters in the match then are those it ended with: a newcomer the host made in its pause, one
// in a leaver's slot, neither counts as having fought nor writes its level into the rows. Had this
// machine ended before, the host's block still decides.
TEST_F(MatchEndTest, AClientsMatchEndsWithTheHostsBlockItsWinnerFightersAndRows) {
    g_Match.gameKind = 7;
    Fighters({0, 2, 5});
    g_Control.localCharacter = &g_Characters[2];
    g_Characters[5].level = 1;
    uint32_t block[MATCH_RESULT_DWORDS] = {};
    block[RESULT_ELAPSED] = 60000;
    block[RESULT_WINNER] = 2;
    block[FighterResultIndex(5, FIGHTER_LEVEL)] = 6;
    StopMatchClockAt(61000);
    g_GameOps->SetMatchResults(block);
    EXPECT_EQ(g_Match.state, MATCH_WON) << "the host's winner is this machine's fighter";
    EXPECT_EQ(g_Match.stateTime, 61000u) << "the end's pause runs from the host's block";
    EXPECT_EQ(g_Match.endFighters, 0x25);
    EXPECT_EQ(g_Scenario.results[RESULT_ELAPSED], 60000u);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(5, FIGHTER_LEVEL)], 6u);
    // Its own frames in the pause decide nothing more.
    Fighters({0, 2, 5, 7});
    g_Characters[7].level = 1;
    StopMatchClockAt(64000);
    g_Match.Update();
    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(g_Match.endFighters, 0x25);
    EXPECT_EQ(g_Scenario.results[RESULT_ELAPSED], 60000u);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(7, FIGHTER_LEVEL)], 0u);
    // The next match counts afresh.
    g_Match.Setup(7, 0);
    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(g_Match.endFighters, 0xA5);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(7, FIGHTER_LEVEL)], 1u);
    // A machine that ended first takes the host's winner and the fighters still in the match.
    Fighters({0, 2, 5});
    g_Match.Setup(7, 0);
    g_Match.SetState(MATCH_LOST, false);
    Fighters({0, 2});
    StopMatchClockAt(65000);
    g_GameOps->SetMatchResults(block);
    EXPECT_EQ(g_Match.endFighters, 0x5);
    EXPECT_EQ(g_Match.state, MATCH_WON);
    EXPECT_EQ(g_Match.stateTime, 64000u) << "its pause runs on";
}

}  // namespace
