// The match object: set-up and start, the frame's sync and end, state changes with the result
// block, kills and points, and the team lists. Fighters are bare records set active by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "net/session.h"
#include "support/fighter_kit.h"
#include "world/scenario.h"

namespace {

using testsupport::Recorder;

constexpr uint32_t kNow = 50000;

class MatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMatch();
        ResetCharacters();
        g_Settings.Clear();
        g_Scenario.ResetResults();
        SetTime(kNow);
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
    }
    void TearDown() override {
        testsupport::RemoveFighterRecorders();
        ResetMatch();
        ResetCharacters();
        g_Settings.Clear();
        g_NetSession = NetSession();
        g_GamePacket = GamePacket();
        g_Clocks = ClockSet();
    }

    static void SetTime(uint32_t t) {
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = t;
    }
    static void Network(bool active, bool hosting, bool dispatching = false) {
        g_NetSession.active = active ? 1 : 0;
        g_NetSession.hosting = hosting ? 1 : 0;
        // A network game counts once another player is listed.
        (hosting ? g_ServerPlayerCount : g_ClientPlayerCount) = active ? 1 : 0;
        g_GamePacket.dispatching = dispatching ? 1 : 0;
    }
    static Character& Fighter(int slot, int side) {
        Character& c = g_Characters[slot];
        c.active = 1;
        c.slot = slot;
        c.side = side;
        return c;
    }
    static int32_t Result(int index) { return int32_t(g_Scenario.results[index]); }
    static int32_t Team(int team, int field) { return Result(TeamResultIndex(team, field)); }
    static int32_t Slot(int slot, int field) { return Result(FighterResultIndex(slot, field)); }
    // The recorded events of one type.
    static std::vector<std::vector<uint8_t>> Events(uint8_t type) {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& e : Recorder().events)
            if (!e.empty() && e[0] == type) out.push_back(e);
        return out;
    }
    static std::vector<int> SoundIds() {
        std::vector<int> ids;
        for (const auto& s : Recorder().sounds) ids.push_back(s.id);
        return ids;
    }
};

TEST_F(MatchTest, MissingCreditsSplitIntoItemsThatAddUpToThem) {
    const struct {
        int64_t missing;
        int64_t fifties, twentyFives, fives, ones;
    } cases[] = {
        {7, 0, 0, 0, 7},
        {400, 2, 4, 20, 100},
        {1000, 5, 10, 50, 250},
        {0, 0, 0, 0, 0},
        {-30, 0, 0, 0, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.missing);
        const CreditSplit s = SplitMissingCredits(t.missing);
        EXPECT_EQ(s.fifties, t.fifties);
        EXPECT_EQ(s.twentyFives, t.twentyFives);
        EXPECT_EQ(s.fives, t.fives);
        EXPECT_EQ(s.ones, t.ones);
    }
}

TEST_F(MatchTest, TheTimeLimitInMinutesNeverWraps) {
    const uint32_t most = std::numeric_limits<uint32_t>::max();
    const int32_t minutes[] = {10, 71582, 71583, std::numeric_limits<int32_t>::max(), -1};
    const uint32_t ms[] = {600000u, 4294920000u, most, most, 0u};
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(minutes[i]);
        g_Settings.matchMinutes = minutes[i];
        g_Match.Setup(1, 0);
        EXPECT_EQ(g_Match.timeLimit, ms[i]);
    }
}

TEST_F(MatchTest, SetupInPlayKeepsTheStartTimeAndAfterAnEndStartsAgain) {
    g_Match.startTime = 1234;
    g_Match.stateTime = 1234;
    g_Match.Setup(2, 1);
    EXPECT_EQ(g_Match.startTime, 1234u);
    EXPECT_EQ(g_Match.gameKind, 2);
    EXPECT_EQ(g_Match.localSide, 1);

    g_Match.state = MATCH_LOST;
    g_Match.Setup(2, 1);
    EXPECT_EQ(g_Match.state, MATCH_PLAYING);
    EXPECT_EQ(g_Match.startTime, kNow);
    EXPECT_EQ(g_Match.stateTime, kNow);
}

TEST_F(MatchTest, ASideOrTheLocalFightersOwnSlotWins) {
    const struct {
        const char* name;
        int kind, localSide, localSlot, winner;
        int32_t state;
        int sound;
    } cases[] = {
        {"side 0 wins its kind", 0, 0, -1, 0, MATCH_WON, 255},
        {"side 1 wins its kind", 3, 1, -1, 1, MATCH_WON, 256},
        {"the other side wins", 5, 0, -1, 1, MATCH_LOST, 257},
        {"each for himself: the local fighter's slot", 6, 0, 3, 3, MATCH_WON, 255},
        {"each for himself: a slot equal to the local side", 7, 0, 3, 0, MATCH_LOST, 257},
        {"each for himself without a local fighter", 6, 1, -1, 1, MATCH_LOST, 257},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetMatch();
        Recorder().Clear();
        Recorder().local = t.localSlot >= 0 ? &Fighter(t.localSlot, t.localSide) : nullptr;
        g_Match.Setup(t.kind, t.localSide);
        g_Match.End(t.winner);
        EXPECT_EQ(g_Match.state, t.state);
        EXPECT_EQ(Result(RESULT_WINNER), t.winner);
        EXPECT_EQ(SoundIds(), std::vector<int>{t.sound});
        EXPECT_EQ(Recorder().musicFades, std::vector<uint32_t>{3000});
    }
}

TEST_F(MatchTest, OnlyTimedKindsSyncTheHostsMatchTimeAndRunOutOfIt) {
    g_Settings.matchMinutes = 1;
    // Goals nobody reaches, so that only the clock can end the match.
    for (int t = 0; t < 2; ++t) g_Settings.stealsGoal[t] = g_Settings.creditsGoal[t] = g_Settings.capturesGoal[t] = g_Settings.maxDeaths[t] = 1000;
    const std::vector<std::vector<uint8_t>> none, sync = {{43, 0xd1, 0x07, 0, 0}};
    for (int kind = 0; kind < MATCH_KINDS; ++kind) {
        for (bool hosting : {true, false}) {
            SCOPED_TRACE(std::to_string(kind) + (hosting ? " on the host" : " on a client"));
            const bool timed = kind == 1 || kind == 2 || kind == 3 || kind == 7;
            ResetMatch();
            Recorder().Clear();
            Network(true, hosting);
            SetTime(kNow);
            g_Match.Setup(kind, 0);
            g_Match.checkpointCount = 1;
            g_Match.ExpireTimeLimit();
            g_Match.elapsed = 2001;
            g_Match.Update();
            EXPECT_EQ(Events(EVENT_MATCH_TIME), timed && hosting ? sync : none);
            EXPECT_EQ(g_Match.state, MATCH_PLAYING) << "exactly at the limit";
            SetTime(kNow + 1);
            g_Match.Update();
            // A client's match ends with the host's end block, not by its own clock.
            const bool ends = timed && hosting;
            EXPECT_EQ(g_Match.state, ends ? MATCH_LOST : MATCH_PLAYING);
            EXPECT_EQ(SoundIds(), ends ? std::vector<int>{257} : std::vector<int>{});
        }
    }
}

TEST_F(MatchTest, AnEndedMatchFadesAfter9200AndAsksToLeaveEveryFrameAfter10000) {
    g_Match.Setup(0, 0);
    g_Match.End(0);
    ASSERT_EQ(g_Match.stateTime, kNow);
    const struct {
        uint32_t after;
        int fades, leaves;
    } frames[] = {{9200, 0, 0}, {9201, 1, 0}, {10000, 2, 0}, {10001, 3, 1}, {10500, 4, 2}};
    for (const auto& f : frames) {
        SCOPED_TRACE(f.after);
        SetTime(kNow + f.after);
        g_Match.Update();
        EXPECT_EQ(Recorder().screenFades, f.fades);
        EXPECT_EQ(Recorder().leaveRequests, f.leaves);
    }
    EXPECT_EQ(g_Match.state, MATCH_WON);
}

TEST_F(MatchTest, AStateChangeWritesTheElapsedTimeAndTheFightersLevels) {
    Character& a = Fighter(3, 0);
    a.level = 7;
    a.experience = 123.9f;
    g_Characters[11].level = 9;     // not active: not written
    g_Match.startTime = kNow - 4000;

    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(g_Match.stateTime, kNow);
    EXPECT_EQ(Result(RESULT_ELAPSED), 4000);
    EXPECT_EQ(Slot(3, FIGHTER_LEVEL), 7);
    EXPECT_EQ(Slot(3, FIGHTER_EXPERIENCE), 123);
    EXPECT_EQ(Slot(11, FIGHTER_LEVEL), 0);

    // The same state again changes nothing.
    SetTime(kNow + 500);
    g_Match.SetState(MATCH_LOST, true);
    EXPECT_EQ(g_Match.stateTime, kNow);

    // Back to play restarts the clock; a host tells the others the block.
    Network(true, true);
    g_Match.SetState(MATCH_PLAYING, true);
    EXPECT_EQ(g_Match.startTime, kNow + 500);
    EXPECT_EQ(Result(RESULT_ELAPSED), 0);
    const auto sent = Events(EVENT_MATCH_RESULTS);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), 1u + 4u * MATCH_RESULT_DWORDS);
    const size_t level3 = 1 + 4 * size_t(FighterResultIndex(3, FIGHTER_LEVEL));
    EXPECT_EQ(sent[0][level3], 7);
}

// The host's tally names the fighters its match ended with; a client keeps to the slots it holds a
// fighter in, so that no forged word gives its results a row for an empty slot. A fighter whose
// player leaves in the end's pause keeps its row when the host tells the tally again.
TEST_F(MatchTest, AClientCountsAsEndedOnlyFightersItHoldsWhateverTheHostsTallySays) {
    // The tally as it travels, by hand: no points, letters or words, the ended fighters last.
    const auto tally = [](uint16_t ended) {
        std::vector<uint8_t> e(MATCH_TALLY_BYTES, 0);
        e[0] = EVENT_MATCH_TALLY;
        e[75] = uint8_t(ended & 0xFF);
        e[76] = uint8_t(ended >> 8);
        return e;
    };
    const auto hear = [&tally](uint16_t ended) {
        const std::vector<uint8_t> e = tally(ended);
        EXPECT_TRUE(ApplyMatchEvent(e.data(), e.size()));
        return g_Match.endFighters;
    };
    g_Match.Setup(7, 0);
    Fighter(0, 0);
    Fighter(2, 1);
    Fighter(15, 0);
    EXPECT_EQ(hear(0), 0) << "a match at play has not ended";
    EXPECT_EQ(hear(0xFFFF), 0x8005) << "every slot told, three held";
    g_Match.Setup(7, 0);
    EXPECT_EQ(hear(0x8001), 0x8001) << "a fair host's own choice among those held";
    g_Match.Setup(7, 0);
    EXPECT_EQ(hear(0x0002), 0) << "only an empty slot told: nothing learnt";
    // The end told, then slot 2's player leaves in the pause: told again, its row stays, and no
    // other empty slot comes with it.
    g_Match.Setup(7, 0);
    ASSERT_EQ(hear(0x0005), 0x0005);
    g_Characters[2].active = 0;
    EXPECT_EQ(hear(0x0005), 0x0005);
    EXPECT_EQ(hear(0xFFFF), 0x8005);
}

TEST_F(MatchTest, KillsSelfKillsAndDeathsWithoutKillerLandInTheirFields) {
    const struct {
        const char* name;
        int points, victim, killer;
        // side-0 team: kill score, deaths, self-kills; side-1 team: kill score, kill points
        int32_t team0[3], team1[2];
        // victim slot 2: kill score, deaths, self-kills; killer slot 5: kill score, kill points
        int32_t victim2[3], killer5[2];
    } cases[] = {
        {"killed by an enemy", 1, 2, 5, {0, 1, 0}, {1, 1}, {0, 1, 0}, {1, 1}},
        {"killed itself", -1, 2, 2, {-1, 1, 1}, {0, 0}, {-1, 1, 1}, {0, 0}},
        {"died without a killer", -1, 2, -1, {-1, 1, 0}, {0, 0}, {-1, 1, 0}, {0, 0}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetMatch();
        ResetCharacters();
        g_Scenario.ResetResults();
        Character& victim = Fighter(2, 0);
        Character& killer = Fighter(5, 1);
        g_Match.RecordKill(t.points, t.victim, t.killer);

        EXPECT_EQ(Team(0, TEAM_KILL_SCORE), t.team0[0]);
        EXPECT_EQ(Team(0, TEAM_DEATHS), t.team0[1]);
        EXPECT_EQ(Team(0, TEAM_SELF_KILLS), t.team0[2]);
        EXPECT_EQ(Team(1, TEAM_KILL_SCORE), t.team1[0]);
        EXPECT_EQ(Team(1, TEAM_KILL_POINTS), t.team1[1]);
        EXPECT_EQ(Slot(2, FIGHTER_KILL_SCORE), t.victim2[0]);
        EXPECT_EQ(Slot(2, FIGHTER_DEATHS), t.victim2[1]);
        EXPECT_EQ(Slot(2, FIGHTER_SELF_KILLS), t.victim2[2]);
        EXPECT_EQ(Slot(5, FIGHTER_KILL_SCORE), t.killer5[0]);
        EXPECT_EQ(Slot(5, FIGHTER_KILL_POINTS), t.killer5[1]);
        EXPECT_EQ(g_Match.killScore[0], t.team0[0]);
        EXPECT_EQ(g_Match.killScore[1], t.team1[0]);
        EXPECT_EQ(victim.killScore, t.victim2[0]);
        EXPECT_EQ(killer.killScore, t.killer5[0]);
        EXPECT_EQ(t.points > 0 ? killer.killTime : victim.killTime, kNow);
    }
}

TEST_F(MatchTest, AKillFillsATenthOfTheKillersExperienceBarOnlyInKindsFiveAndSix) {
    // A bar of 250 from 40: a tenth (25) stays under the mark, so no level-up resets the meter.
    constexpr float kBar = 250.0f, kStart = 40.0f;
    const auto arm = [](Character& c, float bar) {
        c.level = 6;
        c.maxExperience = bar;
        c.experience = kStart;
    };
    for (int kind = 0; kind < MATCH_KINDS; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        const bool rewarded = kind == 5 || kind == 6;
        ResetMatch();
        ResetCharacters();
        g_Match.Setup(kind, 0);
        Character& victim = Fighter(2, 0);
        Character& killer = Fighter(5, 1);
        // The victim's bar differs, so that a tenth of the wrong fighter's bar shows.
        arm(victim, 1000.0f);
        arm(killer, kBar);

        g_Match.RecordKill(1, 2, 5);
        ASSERT_EQ(killer.killScore, 1) << "the kill counted";
        EXPECT_FLOAT_EQ(killer.experience, rewarded ? kStart + kBar / 10.0f : kStart);
        EXPECT_EQ(killer.level, 6);
        EXPECT_FLOAT_EQ(killer.maxExperience, kBar);
        EXPECT_FLOAT_EQ(victim.experience, kStart) << "the victim gains nothing";

        // Deaths that score no kill grant nobody anything: a self-kill and a death without killer.
        arm(killer, kBar);
        g_Match.RecordKill(-1, 5, 5);
        ASSERT_EQ(killer.killScore, 0) << "the self-kill counted";
        g_Match.RecordKill(-1, 2, -1);
        EXPECT_FLOAT_EQ(killer.experience, kStart);
        EXPECT_FLOAT_EQ(victim.experience, kStart);
    }
}

TEST_F(MatchTest, AClientRecordsAKillOnlyWhileApplyingTheHostsEvent) {
    const struct {
        const char* name;
        bool network, hosting, dispatching;
        bool recorded, sent;
    } cases[] = {
        {"offline", false, false, false, true, false},
        {"host", true, true, false, true, true},
        {"client", true, false, false, false, false},
        {"client applying the host's event", true, false, true, true, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetMatch();
        g_Scenario.ResetResults();
        Recorder().events.clear();
        Fighter(2, 0);
        Fighter(5, 1);
        Network(t.network, t.hosting, t.dispatching);
        g_Match.RecordKill(1, 2, 5);
        EXPECT_EQ(g_Match.killScore[1], t.recorded ? 1 : 0);
        const std::vector<std::vector<uint8_t>> expected = {{55, 1, 2, 5}};
        EXPECT_EQ(Events(EVENT_RECORD_KILL), t.sent ? expected : std::vector<std::vector<uint8_t>>{});
    }
    // Once the match is over nothing counts.
    Network(false, false);
    g_Match.state = MATCH_WON;
    g_Match.RecordKill(1, 2, 5);
    EXPECT_EQ(g_Match.killScore[1], 1);
}

TEST_F(MatchTest, KillsWithSlotsOutsideTheRecordsChangeNothing) {
    Network(true, true);
    Fighter(2, 0);
    Fighter(5, 1);
    const struct {
        int points, victim, killer;
    } cases[] = {
        {1, 16, 5}, {-1, 255, 255}, {-1, -1, -1}, {1, 2, 16}, {1, 2, -2}, {-1, 2, 127}, {1, 2, -1}, {-128, 200, -128},
    };
    uint32_t before[MATCH_RESULT_DWORDS];
    std::memcpy(before, g_Scenario.results, sizeof before);
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.points) + " " + std::to_string(t.victim) + " " + std::to_string(t.killer));
        g_Match.RecordKill(t.points, t.victim, t.killer);
        EXPECT_EQ(std::memcmp(before, g_Scenario.results, sizeof before), 0);
        EXPECT_EQ(g_Match.killScore[0], 0);
        EXPECT_EQ(g_Match.killScore[1], 0);
        EXPECT_EQ(g_Characters[2].killScore, 0);
        EXPECT_EQ(g_Characters[5].killScore, 0);
    }
    EXPECT_TRUE(Recorder().events.empty());
}

TEST_F(MatchTest, TeamListsHoldTheFirstFourActiveFightersOfEachSide) {
    for (int slot : {0, 2, 3, 5, 7, 8}) Fighter(slot, 0);
    for (int slot : {9, 12}) Fighter(slot, 1);
    g_Characters[1].side = 1;   // not active
    g_Match.BuildTeamLists();
    EXPECT_EQ(g_Match.teamSize[0], 4);
    EXPECT_EQ(g_Match.teamSize[1], 2);
    const int side0[] = {0, 2, 3, 5};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(g_Match.teamMembers[0][i], &g_Characters[side0[i]]);
    EXPECT_EQ(g_Match.teamMembers[1][0], &g_Characters[9]);
    EXPECT_EQ(g_Match.teamMembers[1][1], &g_Characters[12]);
    EXPECT_EQ(g_Match.teamMembers[1][2], nullptr);
}

TEST_F(MatchTest, TheStartGivesComputerFightersTheirRolesByKind) {
    const struct {
        const char* name;
        int kind;
        bool network;
        int side0[4], side1[4];
    } cases[] = {
        {"steal the symbol", 0, false, {0, 0, 1, 2}, {0, 0, 1, 1}},
        {"annihilation", 5, false, {0, 2, 0, 0}, {0, 0, 0, 0}},
        {"race", 1, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"curse", 4, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"annihilation each for himself", 6, false, {7, 7, 7, 7}, {7, 7, 7, 7}},
        {"steal the symbol in a network game", 0, true, {7, 7, 7, 7}, {7, 7, 7, 7}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetMatch();
        ResetCharacters();
        for (int i = 0; i < 8; ++i) Fighter(i, i < 4 ? 0 : 1).behaviourRole = 7;
        Network(t.network, true);
        g_Match.Setup(t.kind, 0);
        if (t.network) g_Match.BuildTeamLists();
        g_Match.Start();
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(g_Characters[i].behaviourRole, t.side0[i]) << "member " << i << " of side 0";
            EXPECT_EQ(g_Characters[4 + i].behaviourRole, t.side1[i]) << "member " << i << " of side 1";
        }
    }
}

}  // namespace
