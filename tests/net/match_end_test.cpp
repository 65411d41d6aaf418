// Who a match ended with, on the host and on a client that hears the end from it: the results
// pages draw those fighters whatever became of the session and its players afterwards.
#include <gtest/gtest.h>

#include <vector>

#include "core/clocks.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "net/game_ops.h"
#include "net/session.h"
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

// A client slower than its host hears the host's end block while its own match still plays, and a
// newcomer the host made in its pause, one in the slot of a leaver, before its own end: the fighters
// the match ended with, the end's time and the rows stay the host's, through its own end or a leave.
TEST_F(MatchEndTest, AClientThatHearsTheHostsEndBeforeItsOwnKeepsTheHostsFightersAndRows) {
    g_Match.gameKind = 7;
    Fighters({0, 2, 5});
    uint32_t block[MATCH_RESULT_DWORDS] = {};
    block[RESULT_ELAPSED] = 60000;
    block[FighterResultIndex(5, FIGHTER_LEVEL)] = 6;
    g_GameOps->SetMatchResults(block);
    ASSERT_EQ(g_Match.state, MATCH_PLAYING);
    Fighters({0, 2, 5, 7});
    g_Characters[5].level = 1;
    g_Characters[7].level = 1;
    StopMatchClockAt(61000);
    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(g_Match.endFighters, 0x25);
    EXPECT_EQ(g_Scenario.results[RESULT_ELAPSED], 60000u);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(5, FIGHTER_LEVEL)], 6u);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(7, FIGHTER_LEVEL)], 0u);
    // The next match counts afresh.
    g_Match.Setup(7, 0);
    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(g_Match.endFighters, 0xA5);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(7, FIGHTER_LEVEL)], 1u);
    // A client whose own end came first keeps its own when the host's block comes.
    Fighters({0, 2, 5});
    g_Match.Setup(7, 0);
    g_Match.SetState(MATCH_WON, false);
    Fighters({0, 2});
    g_GameOps->SetMatchResults(block);
    EXPECT_EQ(g_Match.endFighters, 0x25);
}

}  // namespace
