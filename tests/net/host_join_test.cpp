// The host's answer to a client's request for a fighter, on the game's own fighters and match: a
// slot that a leaver freed goes to the next client, whose fighter starts as new to the match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "fighters/animation_control.h"
#include "frontend/player_record.h"
#include "net/game_ops.h"
#include "shell/control.h"
#include "support/ball_arena.h"
#include "support/fighter_fixture.h"
#include "world/dynamic_object.h"
#include "world/element_map.h"
#include "world/world_seams.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<Bytes>;
using testsupport::Recorder;

Bytes g_Asked;

// A game packet the host really sent, and to whom (0: every player).
struct SentPacket {
    uint32_t to;
    Bytes bytes;
    uint32_t at;    // the host's match clock when it left
};
std::vector<SentPacket> g_Sent;

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
        ResetDynamicObjects();
        g_Control.localCharacter = nullptr;
        ResetFighterOwners();
        ResetNetRoleCalls();
        g_ElementMap.list.Clear();
        FighterTest::TearDown();
    }

    // A client's request for a fighter as the host receives it: the slot its fighter was given,
    // -1 for none. The host's answer is what the recorder heard since.
    static int Ask(uint32_t player, int side = 0) {
        const GamePacketSink kept = g_GamePacketSink;
        g_GamePacketSink = [](const uint8_t* e, size_t n) { g_Asked.insert(g_Asked.end(), e, e + n); };
        g_Asked.clear();
        PlayerRecord record;
        MakeRandomPlayer(side, &record);
        g_GamePacket.WriteSpawnCharacter(-1, player, side, 2, Vec3{}, record);
        g_GamePacketSink = kept;
        Bytes p = {4, 1, 0, 0, 0, uint8_t(g_Asked.size()), uint8_t(g_Asked.size() >> 8)};
        p.insert(p.end(), g_Asked.begin(), g_Asked.end());
        Recorder().events.clear();
        g_GamePacket.Dispatch(p.data(), p.size(), player);
        for (const Character& c : g_Characters)
            if (c.active && c.playerId == player) return c.slot;
        return -1;
    }
    // The host's events go into its game packet and leave as it sends them.
    static void SendForReal() {
        ResetGamePacketSink();
        g_Sent.clear();
        g_NetRoleCalls.send = [](bool, uint32_t to, const uint8_t* data, uint32_t size) {
            g_Sent.push_back({to, Bytes(data, data + size), GetTime(CLOCK_MATCH)});
        };
    }
    // What of the packets sent from `first` on reaches the player, in order.
    static std::vector<Bytes> Reaching(uint32_t player, size_t first = 0, size_t last = SIZE_MAX) {
        std::vector<Bytes> got;
        for (size_t i = first; i < g_Sent.size() && i < last; ++i)
            if (g_Sent[i].to == 0 || g_Sent[i].to == player) got.push_back(g_Sent[i].bytes);
        return got;
    }
    // Those packets received by the client whose player is `player`.
    static void ReceiveAs(uint32_t player, const std::vector<Bytes>& packets) {
        Network(true, false);
        g_NetSession.playerId = player;
        for (const Bytes& p : packets) g_GamePacket.Dispatch(p.data(), p.size());
    }
    struct Meters {
        float health, energy, experience;
        int level;
        TimedState state;
        bool operator==(const Meters& o) const {
            return health == o.health && energy == o.energy && experience == o.experience && level == o.level &&
                   state.active == o.state.active && state.startTime == o.state.startTime &&
                   state.durationMs == o.state.durationMs;
        }
    };
    static Meters MetersOf(const Character& c, int state) {
        return Meters{c.health, c.energy, c.experience, c.level, c.states[state]};
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
// counts for nothing. A client that had ended before it hears the host's block keeps its pause
// running, and its result is the host's.
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
    // This client's own end was a win; the host's winner is not this machine's fighter.
    g_Match.state = MATCH_WON;
    const uint32_t endedAt = g_Match.stateTime;
    g_Characters[leaver].LeaveMatch();
    SetTime(fightertest::kStartTime + 3000);
    Receive(answer);
    EXPECT_TRUE(g_Characters[leaver].active) << "the client made the newcomer";
    EXPECT_EQ(g_Match.state, MATCH_LOST);
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

// A newcomer's answer: its fighter goes to every machine, the rest of the match to the newcomer
// alone. A client already in the match keeps every fighter's meters, level and timed states, and
// its own end and block; the newcomer, which heard a fighter announced and hurt before it asked,
// sees every fighter as the host holds it.
TEST_F(HostJoinTest, ANewcomersAnswerTellsTheWholeMatchToItAloneAndNothingTwiceToAnyone) {
    SendForReal();
    const int mine = Ask(43);
    ASSERT_GE(mine, 0);
    // The newcomer has joined the session and loads its match: it hears from here on.
    const size_t joined = g_Sent.size();
    const int other = Ask(44);
    ASSERT_GE(other, 0);
    Character& me = g_Characters[mine];
    Character& him = g_Characters[other];
    // Both stand, their arrival and its protection over.
    for (Character* c : {&me, &him}) {
        Play(*c, ANIM_STAND, 0);
        c->states[STATE_INVULNERABILITY] = TimedState{};
    }
    ASSERT_FALSE(me.IsImmune());
    ASSERT_FALSE(him.IsImmune());
    me.ChangeHealth(-12.0f, nullptr);
    me.ChangeEnergy(-7.0f);
    me.AddExperience(5.0f, nullptr);
    him.ChangeHealth(-30.0f, &me);
    him.AddExperience(0.6f * him.maxExperience, nullptr);
    him.StartTimedState(STATE_INVISIBILITY, 20000, 1000);
    // What every client last heard of a ball and of a fighter lags what the host holds now.
    testsupport::InstallPropTemplates();
    const int ball = SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(PROP_TYPE_SMALL), Vec3{5.5f, 1.0f, 5.5f}, nullptr);
    ASSERT_GE(ball, 0);
    g_Balls[ball].velocity = Vec3{0.05f, 0.0f, 0.0f};
    me.position.x += 0.05f;
    me.yaw += 0.01f;
    me.attackTarget = &him;
    me.aimPoint = Vec3{3.0f, 1.0f, 3.0f};
    g_GamePacket.Flush();
    ASSERT_LT(me.health, me.maxHealth);
    const Vec3 positionHeard = me.lastSentPosition, aimHeard = me.lastSentAimPoint;
    const float yawHeard = me.lastSentYaw;
    const Character* const targetHeard = me.lastSentTarget;
    const Vec3 ballHeard = g_Balls[ball].lastSentVelocity;
    const Meters myMeters = MetersOf(me, STATE_INVISIBILITY), hisMeters = MetersOf(him, STATE_INVISIBILITY);
    const std::vector<uint32_t> hostBlock(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS);

    const size_t asked = g_Sent.size();
    const int newcomer = Ask(45);
    ASSERT_GE(newcomer, 0);
    for (size_t i = asked; i < g_Sent.size(); ++i) EXPECT_TRUE(g_Sent[i].to == 0 || g_Sent[i].to == 45) << i;
    // The newcomer hears of its own fighter once.
    const Bytes announced = {EVENT_SPAWN_CHARACTER, uint8_t(newcomer), 45, 0, 0, 0};
    int told = 0;
    for (const Bytes& p : Reaching(45, asked))
        for (auto at = p.begin(); (at = std::search(at, p.end(), announced.begin(), announced.end())) != p.end(); ++at)
            ++told;
    EXPECT_EQ(told, 1);
    // Those copies stand for what every client holds, which the newcomer's picture leaves as it was.
    const auto same = [](const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    EXPECT_TRUE(same(me.lastSentPosition, positionHeard));
    EXPECT_EQ(me.lastSentYaw, yawHeard);
    EXPECT_EQ(me.lastSentTarget, targetHeard);
    EXPECT_TRUE(same(me.lastSentAimPoint, aimHeard));
    EXPECT_TRUE(same(g_Balls[ball].lastSentVelocity, ballHeard));

    // Client 43, in the match, hears what reaches it.
    ReceiveAs(43, {});
    g_Control.localCharacter = &me;
    g_Characters[newcomer].LeaveMatch();
    ReceiveAs(43, Reaching(43, asked));
    EXPECT_TRUE(g_Characters[newcomer].active) << "every machine sees the newcomer";
    EXPECT_TRUE(MetersOf(me, STATE_INVISIBILITY) == myMeters) << "its own fighter";
    EXPECT_TRUE(MetersOf(him, STATE_INVISIBILITY) == hisMeters) << "the other fighter";
    EXPECT_EQ(him.level, 2) << "no free level";
    // The same client, had its own end come before the host's, keeps its end and its block.
    g_Characters[newcomer].LeaveMatch();
    g_Match.state = MATCH_WON;
    g_Scenario.results[RESULT_WINNER] = 1;
    ASSERT_NE(hostBlock[RESULT_WINNER], 1u);
    const std::vector<uint32_t> ownBlock(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS);
    ReceiveAs(43, Reaching(43, asked));
    EXPECT_EQ(g_Match.state, MATCH_WON);
    EXPECT_EQ(std::vector<uint32_t>(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS), ownBlock);

    // The newcomer's machine: a match just started, nothing of it known, and everything sent to
    // all since it joined waiting in its queue ahead of the answer.
    ResetCharacters();
    g_Control.localCharacter = nullptr;
    g_Match.Setup(7, 0);
    g_Scenario.ResetResults();
    g_GamePacket.joining = JOIN_ASKED;
    ReceiveAs(45, Reaching(45, joined));
    ASSERT_NE(g_Control.localCharacter, nullptr);
    EXPECT_EQ(g_Control.localCharacter->slot, newcomer);
    for (const auto& [slot, meters] : {std::pair<int, Meters>{mine, myMeters}, {other, hisMeters}}) {
        SCOPED_TRACE(slot);
        const Character& c = g_Characters[slot];
        ASSERT_TRUE(c.active);
        EXPECT_EQ(c.health, meters.health);
        EXPECT_EQ(c.energy, meters.energy);
        EXPECT_EQ(c.experience, meters.experience);
        EXPECT_EQ(c.level, meters.level);
    }
    EXPECT_TRUE(g_Characters[other].states[STATE_INVISIBILITY].active);
    EXPECT_EQ(std::vector<uint32_t>(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS), hostBlock);
    // The block in its answer is of a match at play: its own end later writes its own fighter's row.
    g_Match.SetState(MATCH_LOST, false);
    EXPECT_EQ(Row(newcomer)[FIGHTER_LEVEL], uint32_t(g_Characters[newcomer].level));
    EXPECT_NE(g_Characters[newcomer].level, 0);
}

// A newcomer's own fighter faces as the host placed it on its start, which the answer tells, and
// not as a fighter spawned bare; after the answer the host's word does not turn it: its turns are
// its own machine's. At each new life it faces as its start again, on the host and on its machine.
TEST_F(HostJoinTest, ANewcomersFighterFacesAsTheHostPlacedItAndTurnsOnlyByItsOwnMachineAfter) {
    for (ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r)) r->block[1] = 1.0f;
    SendForReal();
    const int mine = Ask(43);
    ASSERT_GE(mine, 0);
    ASSERT_NEAR(g_Characters[mine].yaw, 1.0f, 1e-6f) << "the host's copy faces as its start";
    // Turned, then a new life: it faces as its start again.
    g_Characters[mine].SetYaw(2.0f);
    g_Characters[mine].Respawn();
    EXPECT_NEAR(g_Characters[mine].yaw, 1.0f, 1e-6f) << "the host's copy at its new life";

    ResetCharacters();
    g_Control.localCharacter = nullptr;
    g_GamePacket.joining = JOIN_ASKED;
    ReceiveAs(43, Reaching(43));
    ASSERT_EQ(g_Control.localCharacter, &g_Characters[mine]);
    EXPECT_NEAR(g_Characters[mine].yaw, 1.0f, 1e-6f);
    ASSERT_EQ(g_GamePacket.joining, JOIN_DONE);
    Bytes turn = {EVENT_SET_YAW, uint8_t(mine), 0, 0, 0, 0};
    const float yaw = 2.0f;
    std::memcpy(&turn[2], &yaw, sizeof yaw);
    Receive({turn});
    EXPECT_NEAR(g_Characters[mine].yaw, 1.0f, 1e-6f);
    // Turned by its own machine, then the host's word of a new life: as its start again.
    g_Characters[mine].SetYaw(2.0f);
    Receive({{EVENT_RESPAWN, uint8_t(mine)}});
    EXPECT_NEAR(g_Characters[mine].yaw, 1.0f, 1e-6f) << "one's own fighter at its new life";
}

// At a new life every machine faces each fighter as the host placed it: the host's own and a
// player's, on that player's machine and on another's that joined after, though each died facing
// its start, so that no machine had a turn of it to tell.
TEST_F(HostJoinTest, AtANewLifeEveryMachineFacesEachFighterAsTheHostPlacedIt) {
    for (ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r)) r->block[1] = 1.0f;
    SendForReal();
    g_Settings.localSide = 0;
    SpawnLocalPlayer();
    const int host = g_Menu.localSlot;
    ASSERT_GE(host, 0);
    g_Control.localCharacter = &g_Characters[host];
    const int first = Ask(43), second = Ask(45);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    for (const int s : {host, first}) {
        Character& c = g_Characters[s];
        ASSERT_NEAR(c.yaw, 1.0f, 1e-6f);
        c.Die();
        c.Respawn();
    }
    g_GamePacket.Flush();

    for (const uint32_t player : {43u, 45u}) {
        SCOPED_TRACE(player);
        ResetCharacters();
        g_Control.localCharacter = nullptr;
        g_GamePacket.joining = JOIN_ASKED;
        ReceiveAs(player, Reaching(player));
        for (const int s : {host, first, second}) EXPECT_NEAR(g_Characters[s].yaw, 1.0f, 1e-6f) << s;
        for (const int s : {host, first})
            EXPECT_NEAR(g_Characters[s].homeYaw, 1.0f, 1e-6f) << "what fighter " << s << " comes back to";
    }
}

// A newcomer whose element file holds other starts and posts than the host's: at each new life its
// fighter faces as the host placed it, its start's facing as the answer told it, and in a race
// the host's next post.
TEST_F(HostJoinTest, ANewcomerWhoseStartsDifferComesBackFacingAsTheHostPlacedIt) {
    for (ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r)) r->block[1] = 1.0f;
    g_Match.Setup(1, 0);
    g_Match.checkpointCount = 3;
    g_Match.checkpoints[1].position = Vec3{10, 0, 3};
    g_Match.checkpoints[2].position = Vec3{10, 0, 9};
    SendForReal();
    const int mine = Ask(43);
    ASSERT_GE(mine, 0);
    const size_t answered = g_Sent.size();
    // Back at its start, then at the second post.
    Character& held = g_Characters[mine];
    held.Die();
    held.Respawn();
    g_GamePacket.Flush();
    const size_t home = g_Sent.size();
    g_Match.checkpointsPassed[0] = 2;
    held.Die();
    held.Respawn();
    g_GamePacket.Flush();
    const float raced = held.yaw;
    ASSERT_GT(std::fabs(raced - 1.0f), 0.1f);

    // Its own machine: its starts face elsewhere and its third post stands elsewhere.
    for (ElementRecord* r = g_ElementMap.list.First(); r; r = g_ElementMap.list.Next(r)) r->block[1] = 2.5f;
    g_Match.checkpoints[2].position = Vec3{4, 0, 9};
    g_Match.checkpointsPassed[0] = 0;
    ResetCharacters();
    g_Control.localCharacter = nullptr;
    g_GamePacket.joining = JOIN_ASKED;
    ReceiveAs(43, Reaching(43, 0, answered));
    ASSERT_EQ(g_Control.localCharacter, &g_Characters[mine]);
    Character& own = g_Characters[mine];
    EXPECT_NEAR(own.yaw, 1.0f, 1e-6f) << "as the answer placed it";
    own.SetYaw(2.0f);
    Receive({{EVENT_RESPAWN, uint8_t(mine)}});
    EXPECT_NEAR(own.yaw, 1.0f, 1e-6f) << "the facing the answer told is the one it comes back to";
    own.SetYaw(2.0f);
    ReceiveAs(43, Reaching(43, answered, home));
    EXPECT_NEAR(own.yaw, 1.0f, 1e-6f) << "the host's start";
    g_Match.checkpointsPassed[0] = 2;
    ReceiveAs(43, Reaching(43, home));
    EXPECT_NEAR(own.yaw, raced, 1e-5f) << "the host's next post";
}

// Team greed run out of time, with a client whose frames and clock run a link's 30 ms behind its
// host's: the host's block ends its match there, and what it shows is the host's time-out.
TEST_F(HostJoinTest, AClientBehindItsHostEndsOnTheHostsTimeOut) {
    g_Settings.matchMinutes = 1;
    g_Settings.creditsGoal[0] = g_Settings.creditsGoal[1] = 1000;
    g_Match.Setup(2, 1);
    g_Scenario.ResetResults();
    const uint32_t start = fightertest::kStartTime;
    SetTime(start);
    g_Match.startTime = start;
    SendForReal();
    const int a = Ask(43, 0);
    ASSERT_GE(a, 0);
    // The host's frames, 16 ms apart.
    for (uint32_t t = start + 1; g_Match.state == MATCH_PLAYING && t < start + 70000; t += 16) {
        SetTime(t);
        g_Match.Update();
        g_GamePacket.Flush();
    }
    ASSERT_EQ(g_Match.state, MATCH_LOST);
    ASSERT_EQ(g_Scenario.results[RESULT_WINNER], uint32_t(-1));
    ASSERT_GT(g_Match.elapsed, g_Match.timeLimit) << "TIME OVER on the host";

    // The client's frames: what has come in 30 ms after it left is applied, then its match steps.
    const std::vector<SentPacket> sent = g_Sent;
    ResetCharacters();
    g_Control.localCharacter = nullptr;
    Recorder().local = &g_Characters[a];
    g_Match.Setup(2, 0);
    g_Scenario.ResetResults();
    g_GamePacket.joining = JOIN_ASKED;
    ReceiveAs(43, {});
    size_t next = 0;
    for (uint32_t t = start; next < sent.size() || t < sent.back().at + 1000; t += 16) {
        SetTime(t);
        for (; next < sent.size() && sent[next].at + 30 <= t; ++next)
            if (sent[next].to == 0 || sent[next].to == 43) g_GamePacket.Dispatch(sent[next].bytes.data(), sent[next].bytes.size());
        g_Match.Update();
    }
    EXPECT_EQ(g_Match.state, MATCH_LOST);
    EXPECT_GT(g_Match.elapsed, g_Match.timeLimit) << "its banner reads TIME OVER";
    EXPECT_EQ(g_Scenario.results[RESULT_ELAPSED], g_Match.elapsed);
}

// A newcomer given a leaver's slot in the end's pause: on its own machine the match is over when
// it comes, and its pages show every row the host ended with, the leaver's in its slot too, none
// of them as its own.
TEST_F(HostJoinTest, ANewcomerInTheEndsPauseShowsTheRowsTheHostEndedWithNoneAsItsOwn) {
    SendForReal();
    const int leaver = Ask(43), stayer = Ask(44);
    ASSERT_GE(leaver, 0);
    ASSERT_GE(stayer, 0);
    g_Characters[leaver].SetLevel(6, false, true);
    g_Match.End(leaver);
    ASSERT_EQ(Row(leaver)[FIGHTER_LEVEL], 6u);
    const uint16_t ended = g_Match.endFighters;
    RemovePlayerCharacters(43);
    const size_t asked = g_Sent.size();
    ASSERT_EQ(Ask(45), leaver);

    ResetCharacters();
    g_Control.localCharacter = nullptr;
    g_Match.Setup(7, 0);
    g_Scenario.ResetResults();
    g_GamePacket.joining = JOIN_ASKED;
    const std::vector<Bytes> reaching = Reaching(45, asked);
    ASSERT_GE(reaching.size(), 2u);
    ReceiveAs(45, std::vector<Bytes>(reaching.begin(), reaching.end() - 1));
    ASSERT_NE(g_Control.localCharacter, nullptr);
    EXPECT_EQ(g_Control.localCharacter->slot, leaver);
    EXPECT_EQ(g_GamePacket.joining, JOIN_ANSWERING) << "the rest of the answer is still to come";
    ReceiveAs(45, {reaching.back()});
    EXPECT_EQ(g_GamePacket.joining, JOIN_DONE);
    EXPECT_EQ(g_Menu.localSlot, leaver);
    EXPECT_NE(g_Match.state, MATCH_PLAYING) << "the host's end holds here too";
    EXPECT_EQ(g_Match.endFighters, ended) << "the leaver's row with the others";
    EXPECT_EQ(g_Match.joinedAfterEnd, 1) << "the newcomer came after the end";
}

// Ordinary play of each game kind on the host, its packets delivered by their addressees. A client
// in the match from its start holds, once the host's end and its pause are over, what the host
// holds: every fighter's meters, level, credits and kill score, the result block with its winner
// and rows, the fighters the match ended with and the kind's counters. Its own frames go on past
// its own time limit and decide nothing; a campaign left in its menu adds nothing to what the
// host's events say.
class ClientHoldsHostTest : public HostJoinTest, public ::testing::WithParamInterface<int> {
protected:
    // Per slot what the host decides of a fighter: its meters, level, credits, kill score and
    // timed states but the arrival's protection, which a client starts itself as an entry ends.
    static std::vector<std::vector<float>> Fighters() {
        std::vector<std::vector<float>> out;
        for (const Character& c : g_Characters) {
            std::vector<float> f = {float(c.active)};
            if (c.active) f.insert(f.end(), {c.health, c.energy, c.experience, float(c.level), float(c.credits),
                                             float(c.killScore)});
            for (int k = 0; c.active && k < TIMED_STATE_COUNT; ++k)
                if (k != STATE_INVULNERABILITY) f.push_back(c.states[k].active);
            out.push_back(f);
        }
        return out;
    }
    // The sides' counters as the HUD shows them: those that decide the kinds, the points of the
    // coin count, and the letters collected. The sides' kill scores show in annihilation alone.
    static std::vector<int64_t> Counters(bool kills = true) {
        const Match& m = g_Match;
        std::vector<int64_t> v = {m.captures[0], m.captures[1], m.checkpointCount, m.checkpointsPassed[0],
                                  m.checkpointsPassed[1], m.found[0], m.found[1], m.curseTime[0], m.curseTime[1],
                                  kills ? m.killScore[0] : 0, kills ? m.killScore[1] : 0, m.points[0], m.points[1]};
        for (const auto& side : m.letters) v.insert(v.end(), std::begin(side), std::end(side));
        return v;
    }
    // The words a machine of the side lists: a word the host's side has spelled is on show there
    // as it is on the host, and merely gone on the other side.
    static std::vector<int32_t> Words(int side, int hostSide) {
        std::vector<int32_t> v(std::begin(g_Match.wordState), std::end(g_Match.wordState));
        for (int32_t& w : v)
            if ((w == 2 || w == 3) && side != hostSide) w = 0;
        return v;
    }
    // The word spelled by the side, letter by letter, as the fighter of the slot picks them up.
    static void Spell(int side, int word, int slot) {
        g_Match.wordState[word] = 1;
        for (const char* p = PowerWordText(word); *p; ++p) g_Match.CollectLetter(side, *p - 'A', slot);
    }
    static void Stand(Character& c) {
        Play(c, ANIM_STAND, 0);
        c.states[STATE_INVULNERABILITY] = TimedState{};
    }
};

TEST_P(ClientHoldsHostTest, AClientInTheMatchFromItsStartHoldsWhatTheHostHoldsAfterItsEnd) {
    const int kind = GetParam();
    for (float x : {2.5f, 4.5f, 6.5f}) {
        auto* start = new ElementRecord();
        start->elementKind = ELEMENT_FIGHTER;
        start->subtype = 1;
        start->position = Vec3{x, 0.0f, 8.5f};
        g_ElementMap.list.Append(start);
    }
    for (int t = 0; t < 2; ++t)
        g_Settings.stealsGoal[t] = g_Settings.creditsGoal[t] = g_Settings.capturesGoal[t] = g_Settings.maxDeaths[t] = 1000;
    g_Settings.curseMinutes[0] = g_Settings.curseMinutes[1] = 1000;
    g_Settings.matchMinutes = 10;
    // The host plays side 1; its client, side 0. The shell starts the match clock after loading.
    g_Match.Setup(kind, 1);
    g_Match.startTime = GetTime(CLOCK_MATCH);
    if (kind == 1) g_Match.checkpointCount = 3;
    g_Scenario.ResetResults();
    SendForReal();
    Vec3 at{};
    ASSERT_TRUE(FindPlacedCharacter(1, 0, &at, nullptr));
    const int h = SpawnCharacter(-1, 0, 1, 2, at.x, at.y, at.z, nullptr, nullptr);
    ASSERT_GE(h, 0);
    Character& host = g_Characters[h];
    Recorder().local = g_Control.localCharacter = &host;
    const int a = Ask(43, 0), b = Ask(44, 1);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    Character& mine = g_Characters[a];
    Character& his = g_Characters[b];
    for (Character* c : {&host, &mine, &his}) Stand(*c);
    const auto frame = [] {
        g_Match.Update();
        g_GamePacket.Flush();
    };

    mine.ChangeHealth(-12.0f, &his);
    his.ChangeHealth(-9.0f, nullptr);
    mine.ChangeEnergy(-7.0f);
    host.ChangeEnergy(-5.0f);
    his.AddExperience(4.0f, nullptr);
    mine.AddExperience(6.0f, nullptr);
    mine.AddCredits(30);
    his.AddCredits(20);
    host.AddCredits(5);
    frame();
    // Side 0's words take effect at once; the host's own side's after two seconds on show.
    for (int w : {2, 3, 5, 6}) Spell(0, w, a);
    Spell(1, 4, b);
    for (int step = 1; step <= 2; ++step) {
        SetTime(fightertest::kStartTime + 1001 * uint32_t(step));
        g_Match.UpdateWordTimers();
    }
    ASSERT_EQ(g_Match.points[1], 13) << "HALF on the host's side";
    frame();
    // A kill through health, a fighter that kills itself and a death without a killer; each rises.
    his.ChangeHealth(-1000.0f, &mine);
    host.ChangeHealth(-1000.0f, &host);
    mine.ChangeHealth(-1000.0f, nullptr);
    ASSERT_EQ(his.health, 0.0f);
    frame();
    for (Character* c : {&host, &mine, &his}) {
        c->Respawn();
        Stand(*c);
    }
    his.ChangeHealth(-20.0f, &mine);
    mine.ChangeHealth(-20.0f, &his);
    for (int w = 7; w <= 12; ++w) Spell(0, w, a);
    ASSERT_TRUE(host.states[STATE_FREEZE].active);
    host.AddExperience(host.maxExperience - host.experience, nullptr);
    ASSERT_EQ(host.level, 3) << "a level gained";
    if (kind == 5 || kind == 6) ASSERT_GT(mine.experience, 0.0f) << "the kill's experience";
    frame();
    // A word of the host's side on show, and a newcomer joins.
    Spell(1, 4, h);
    ASSERT_EQ(g_Match.wordState[4], 2);
    const size_t newcomerAsked = g_Sent.size();
    const int n = Ask(45, 0);
    ASSERT_GE(n, 0) << "a newcomer joins";
    frame();

    // The end: by the time limit where there is one, else by a word the client's side spells.
    const size_t ending = g_Sent.size();
    if (ModeHasTimeLimit(kind)) {
        SetTime(g_Match.startTime + g_Match.timeLimit + 1);
        g_Match.Update();
    } else {
        Spell(0, kind == 5 ? 0 : 1, a);
    }
    ASSERT_NE(g_Match.state, MATCH_PLAYING);
    frame();
    // The host's pause: a coin picked up, the winner's side losing a player and a newcomer given
    // the leaver's slot.
    host.AddCredits(50);
    RemovePlayerCharacters(44);
    g_GamePacket.WriteRemovePlayer(44);
    ASSERT_EQ(Ask(46, 1), b);
    frame();
    const auto hostFighters = Fighters();
    const std::vector<int64_t> hostCounters = Counters(), hostShown = Counters(kind == 5);
    const std::vector<int32_t> side0Words = Words(0, 1), side1Words = Words(1, 1);
    const std::vector<uint32_t> hostBlock(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS);
    const uint16_t hostEnded = g_Match.endFighters;
    const int32_t winner = int32_t(hostBlock[RESULT_WINNER]);

    // Client 43's machine, from the start of its match, a campaign still chosen in its menu. Its
    // clock runs past its time limit before the host's end comes, and on through its pause.
    const std::vector<Bytes> played = Reaching(43, 0, ending), rest = Reaching(43, ending);
    ResetCharacters();
    g_Control.localCharacter = nullptr;
    Recorder().local = &g_Characters[a];
    g_Match.Setup(kind, 0);
    g_Scenario.ResetResults();
    // Its own letters, as it found them on the map, allow every word.
    for (int32_t& w : g_Match.wordState) w = 1;
    g_Menu.gameType = 1;
    g_GamePacket.joining = JOIN_ASKED;
    ReceiveAs(43, played);
    ASSERT_EQ(g_Control.localCharacter, &g_Characters[a]);
    SetTime(g_Match.startTime + g_Match.timeLimit + 1);
    g_Match.Update();
    EXPECT_EQ(g_Match.state, MATCH_PLAYING) << "the host's end is the match's end";
    ReceiveAs(43, rest);
    SetTime(g_Match.startTime + g_Match.timeLimit + 60000);
    g_Match.Update();

    const auto held = Fighters();
    for (int s = 0; s < MAX_CHARACTERS; ++s) EXPECT_EQ(held[s], hostFighters[s]) << "fighter " << s;
    EXPECT_EQ(Counters(), hostCounters);
    EXPECT_EQ(Words(0, 0), side0Words);
    EXPECT_EQ(std::vector<uint32_t>(g_Scenario.results, g_Scenario.results + MATCH_RESULT_DWORDS), hostBlock);
    EXPECT_EQ(g_Match.endFighters, hostEnded);
    const bool won = kind >= 6 ? winner == a : winner == 0;
    EXPECT_EQ(g_Match.state, won ? MATCH_WON : MATCH_LOST) << "winner " << winner;
    EXPECT_EQ(g_Match.joinedAfterEnd, 0);

    // The newcomers: the one that joined mid-match, and the one the host gave the leaver's slot
    // in its pause, each from its join on. Each shows the host's counters and words, and the rows
    // of every fighter the host ended with; the second counts none of them as its own.
    for (const auto& [player, side, slot, from] : {std::tuple<uint32_t, int, int, size_t>{45, 0, n, newcomerAsked},
                                                   {46, 1, b, ending}}) {
        SCOPED_TRACE(player);
        ResetCharacters();
        g_Control.localCharacter = nullptr;
        Recorder().local = &g_Characters[slot];
        g_Match.Setup(kind, side);
        g_Scenario.ResetResults();
        for (int32_t& w : g_Match.wordState) w = 1;
        g_GamePacket.joining = JOIN_ASKED;
        ReceiveAs(player, Reaching(player, from));
        ASSERT_EQ(g_Control.localCharacter, &g_Characters[slot]);
        // Its own frames move no word on: what the host shows of them, it shows.
        for (int step = 1; step <= 2; ++step) {
            SetTime(GetTime(CLOCK_MATCH) + 1001);
            g_Match.Update();
        }
        EXPECT_EQ(Counters(kind == 5), hostShown);
        EXPECT_EQ(Words(side, side), side == 0 ? side0Words : side1Words);
        EXPECT_EQ(g_Match.endFighters, hostEnded);
        EXPECT_EQ(g_Match.joinedAfterEnd, player == 46 ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ClientHoldsHostTest, ::testing::Range(0, MATCH_KINDS));

}  // namespace

// A fair client at level 70 casts one power as fast as its own machine lets it; its packets reach
// the host late, some later than others, in the order they left. Every cast it began fires once
// on the host, as many shots as one cast makes.
TEST_F(HostJoinTest, AFairClientsCastsEachFireOnceOnTheHostThroughALinkThatDelaysThem) {
    constexpr uint32_t kPlayer = 43;
    constexpr int kSlot = 3;
    constexpr uint32_t kDelays[] = {150, 30, 80, 30, 110};
    const uint32_t start = fightertest::kStartTime;
    const struct { int power; int32_t shotType; size_t shotsPerCast; } cases[] = {
        {0, 0, 2}, {3, 3, 1}, {8, 8, 1}, {9, 43, 1},
    };
    // The fighter in its slot, standing, at level 70, with energy the client never runs out of
    // (its machine hears of no cost here).
    const auto place = [&](bool local) {
        ResetCharacters();
        Network(false, false);
        Character& c = Spawned(kSlot, 0, Vec3{4.5f, 0.0f, 4.5f});
        ASSERT_TRUE(c.SetAnimation(0, 0, 0, 0));
        c.SetLevel(70, false, true);
        c.energy = c.maxEnergy = 1.0e6f;
        Recorder().local = local ? &c : nullptr;
        Network(true, !local);
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << "power " << t.power);
        // The client's frames, 16 ms apart, for 12 s: a cast whenever its rules allow one.
        ASSERT_NO_FATAL_FAILURE(place(true));
        Character& c = g_Characters[kSlot];
        SendForReal();
        int casts = 0;
        for (uint32_t now = start; now < start + 12000; now += 16) {
            SetTime(now);
            Advance(16);
            c.Update(16);
            if (c.CanUsePower(t.power) && c.StartPower(t.power) && c.currentPower == t.power) ++casts;
            c.currentPower = -1;
            g_GamePacket.Flush();
        }
        const std::vector<SentPacket> sent = g_Sent;
        ASSERT_GT(casts, 3);

        // The host's frames: what has arrived is applied, then its copy of the fighter steps.
        ASSERT_NO_FATAL_FAILURE(place(false));
        SetFighterOwner(kSlot, kPlayer);
        Recorder().Clear();
        std::vector<uint32_t> arrives;
        for (size_t i = 0; i < sent.size(); ++i)
            arrives.push_back(std::max(sent[i].at + kDelays[i % 5], arrives.empty() ? 0u : arrives.back()));
        size_t next = 0;
        for (uint32_t now = start; now < start + 13000; now += 16) {
            SetTime(now);
            for (; next < sent.size() && arrives[next] <= now; ++next)
                g_GamePacket.Dispatch(sent[next].bytes.data(), sent[next].bytes.size(), kPlayer);
            Advance(16);
            c.Update(16);
            g_GamePacket.Flush();
        }
        size_t shots = 0;
        for (int32_t s : Recorder().created)
            if (Recorder().effects[s].type == t.shotType) ++shots;
        EXPECT_EQ(shots, size_t(casts) * t.shotsPerCast);
        ResetFighterOwners();
    }
}
