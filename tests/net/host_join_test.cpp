// The host's answer to a client's request for a fighter, on the game's own fighters and match: a
// slot that a leaver freed goes to the next client, whose fighter starts as new to the match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "frontend/player_record.h"
#include "net/game_ops.h"
#include "support/fighter_fixture.h"
#include "world/element_map.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<Bytes>;
using testsupport::Recorder;

Bytes g_Asked;

class HostJoinTest : public fightertest::FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        Network(true, true);
        g_NetRoleCalls.inSession = [](uint32_t) { return true; };
        // Three starts of side 0, in the order the host hands them out.
        for (float x : {2.5f, 4.5f, 6.5f}) {
            auto* start = new ElementRecord();
            start->elementKind = ELEMENT_FIGHTER;
            start->position = Vec3{x, 0.0f, 4.5f};
            g_ElementMap.list.Append(start);
        }
        g_Match.Setup(7, 0);
        g_Scenario.ResetResults();
    }
    void TearDown() override {
        ResetFighterOwners();
        ResetNetRoleCalls();
        g_ElementMap.list.Clear();
        FighterTest::TearDown();
    }

    // A client's request for a fighter as the host receives it: the slot its fighter was given,
    // -1 for none. The host's answer is what the recorder heard since.
    static int Ask(uint32_t player) {
        const GamePacketSink kept = g_GamePacketSink;
        g_GamePacketSink = [](const uint8_t* e, size_t n) { g_Asked.insert(g_Asked.end(), e, e + n); };
        g_Asked.clear();
        PlayerRecord record;
        MakeRandomPlayer(0, &record);
        g_GamePacket.WriteSpawnCharacter(-1, player, 0, 2, Vec3{}, record);
        g_GamePacketSink = kept;
        Bytes p = {4, 1, 0, 0, 0, uint8_t(g_Asked.size()), uint8_t(g_Asked.size() >> 8)};
        p.insert(p.end(), g_Asked.begin(), g_Asked.end());
        Recorder().events.clear();
        g_GamePacket.Dispatch(p.data(), p.size(), player);
        for (const Character& c : g_Characters)
            if (c.active && c.playerId == player) return c.slot;
        return -1;
    }
    static std::vector<uint32_t> Row(int slot) {
        const uint32_t* r = g_Scenario.results + FighterResultIndex(slot, 0);
        return std::vector<uint32_t>(r, r + RESULT_FIGHTER_FIELDS);
    }
    // The result block the host's last answer told the clients.
    static std::vector<uint32_t> AnsweredResults() {
        for (auto e = Recorder().events.rbegin(); e != Recorder().events.rend(); ++e) {
            if ((*e)[0] != EVENT_MATCH_RESULTS || e->size() != 1 + 4 * MATCH_RESULT_DWORDS) continue;
            std::vector<uint32_t> words(MATCH_RESULT_DWORDS);
            std::memcpy(words.data(), e->data() + 1, 4 * MATCH_RESULT_DWORDS);
            return words;
        }
        return {};
    }
};

TEST_F(HostJoinTest, TheNextClientGivenALeaversSlotStartsWithACleanRow) {
    const int leaver = Ask(43), stayer = Ask(44);
    ASSERT_GE(leaver, 0);
    ASSERT_GE(stayer, 0);
    // Row 15 is one no fighter ever had: what the start gives every row.
    const std::vector<uint32_t> unused = Row(15);
    g_Characters[leaver].AddCredits(90);
    g_Match.RecordKill(7, stayer, leaver);
    ASSERT_NE(Row(leaver), unused);
    const std::vector<uint32_t> stayed = Row(stayer);

    RemovePlayerCharacters(43);
    ASSERT_EQ(Ask(45), leaver) << "the first free slot is the one just freed";
    EXPECT_EQ(Row(leaver), unused);
    EXPECT_EQ(Row(stayer), stayed) << "a fighter still in the match keeps its row";
    // The clients hear the host's rows, the newcomer's clean.
    const std::vector<uint32_t> told = AnsweredResults();
    ASSERT_EQ(told.size(), size_t(MATCH_RESULT_DWORDS));
    EXPECT_TRUE(std::equal(told.begin(), told.end(), g_Scenario.results));
}

// A leave and a join in the end's pause: every row of a fighter the match ended with stays as the
// end wrote it, on the host and in the block the host tells the clients, and a pickup in the pause
// counts for nothing. A client that hears the answer in its own pause keeps its end: its pause runs
// on and its result stays won or lost.
TEST_F(HostJoinTest, ALeaveAndAJoinInTheEndsPauseLeaveTheRowsTheMatchEndedWith) {
    const int leaver = Ask(43), stayer = Ask(44);
    ASSERT_GE(leaver, 0);
    ASSERT_GE(stayer, 0);
    g_Characters[leaver].AddCredits(90);
    g_Match.RecordKill(7, stayer, leaver);
    g_Match.End(leaver);
    ASSERT_NE(g_Match.state, MATCH_PLAYING);
    const std::vector<uint32_t> ended(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS);

    RemovePlayerCharacters(43);
    ASSERT_EQ(Ask(45), leaver) << "the first free slot is the one just freed";
    g_Match.CollectLetter(0, 3, leaver);
    EXPECT_EQ(std::vector<uint32_t>(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS), ended);
    EXPECT_EQ(AnsweredResults(), ended);

    const Events answer = Recorder().events;
    Network(true, false);
    // This client's own end was a win, the host's a defeat.
    g_Match.state = MATCH_WON;
    const uint32_t endedAt = g_Match.stateTime;
    g_Characters[leaver].LeaveMatch();
    SetTime(fightertest::kStartTime + 3000);
    Receive(answer);
    EXPECT_TRUE(g_Characters[leaver].active) << "the client made the newcomer";
    EXPECT_EQ(g_Match.state, MATCH_WON);
    EXPECT_EQ(g_Match.stateTime, endedAt) << "the pause was cut short";
    EXPECT_EQ(std::vector<uint32_t>(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS), ended);

    // The next match plays: a newcomer in a slot that ended the last one starts clean.
    Network(true, true);
    const std::vector<uint32_t> unused = Row(15);
    g_Match.Setup(7, 0);
    RemovePlayerCharacters(45);
    ASSERT_EQ(Ask(46), leaver);
    EXPECT_EQ(Row(leaver), unused);
}

}  // namespace
