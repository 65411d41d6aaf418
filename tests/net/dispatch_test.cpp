// The dispatcher on a recording stand-in for the game: what each event does, who passes what
// on, the join answer, and packets that lie.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/debug_log.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/player_record.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "support/recording_game_ops.h"
#include "support/temp_dir.h"
#include "world/dynamic_object.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::RecordingGameOps;

RecordingGameOps* g_Fake;
std::vector<Bytes> g_Written;
std::set<uint32_t> g_Left;     // players whose leave the session has seen

const Vec3 kP{1.0f, 2.0f, 3.0f};

class DispatchTest : public ::testing::Test {
protected:
    RecordingGameOps fake;

    void SetUp() override {
        ResetNetSession();
        ResetMatch();
        g_Fake = &fake;
        g_GameOps = &fake;
        g_Written.clear();
        for (int s : {0, 3, 5, 7}) fake.active[s] = true;
        fake.local = 3;
        g_NetSession.active = 1;
        g_Left.clear();
        g_NetRoleCalls.inSession = [](uint32_t player) { return g_Left.count(player) == 0; };
        Capture();
    }
    void TearDown() override {
        ResetNetRoleCalls();
        ResetGameOps();
        ResetNetSession();
        ResetMatch();
    }
    // Events written from here on are kept, both as bytes and as a line among the calls.
    static void Capture() {
        g_GamePacketSink = [](const uint8_t* e, size_t n) {
            g_Written.emplace_back(e, e + n);
            g_Fake->calls.push_back("ev" + std::to_string(e[0]));
        };
    }
    // The events written by `write`, as one received packet.
    static Bytes Packet(const std::function<void()>& write) {
        g_Written.clear();
        write();
        Bytes payload;
        for (const Bytes& e : g_Written) payload.insert(payload.end(), e.begin(), e.end());
        g_Written.clear();
        g_Fake->calls.clear();
        Bytes p = {4, 1, 0, 0, 0, uint8_t(payload.size()), uint8_t(payload.size() >> 8)};
        p.insert(p.end(), payload.begin(), payload.end());
        return p;
    }
    void Dispatch(const Bytes& p, bool host, uint32_t sender = 0) {
        g_NetSession.hosting = host ? 1 : 0;
        g_GamePacket.Dispatch(p.data(), p.size(), sender);
    }
    GamePacket& g = g_GamePacket;
};

TEST_F(DispatchTest, EveryWrittenEventReachesItsOperationOnAClient) {
    PlayerRecord record{};
    record.look.equipment[2] = 54;      // past the catalogue: none
    const uint32_t results[264] = {};
    const Bytes p = Packet([&] {
        g.WriteSetAnimation(5, 190, 0, 0);
        g.WriteSetAnimationTime(5, 4, 0.5f);
        g.WriteClearLoopAnimation(5);
        g.WriteStartGuard(5);
        g.WriteEndGuard(5);
        g.WriteRespawn(5);
        g.WriteChangeHealth(5, 7, -10.0f);
        g.WriteChangeEnergy(5, 1.0f);
        g.WriteAddExperience(5, 1.0f, -1);
        g.WriteAddCredits(5, 50.0f);
        g.WriteApplyHit(3, 5, 12.0f, kP, 1, 2);
        g.WriteSpawnDynamicObject(79, 0, 1, kP, 5);
        g.WriteSpawnDynamicObject(40, 2, 1, kP, -1);    // past the box pool: skipped
        g.WriteStartPower(5, 9);
        g.WriteCreateEffect(-1, 97, kP, kP, kP, kP, kP, 100, 1.0f, 0, 5);
        g.WriteStartTimedState(5, 11, 100);
        g.WriteStopTimedState(5, 12, 0);                // no state 12: skipped
        g.WriteSpawnItem(999, 3, kP, true);
        g.WriteCollectItem(uint32_t(-1));               // none: ignored
        g.WritePlaySound(299, kP, 0);
        g.WriteSpawnCharacter(9, 77, 1, 3, kP, record);
        g.WriteRemovePlayer(77);
        g.WriteAttachToScene(7);
        g.WriteMatchTime(5);
        g_Match.gameKind = 4;
        g.WriteMatchState();
        g.WriteMatchResults(results, 264);
        g.WriteCaptureSymbol(-1);
        g.WriteRecordKill(1, 5, -1);
    });
    Dispatch(p, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{
                              "SetAnimation190:5", "SetAnimationTime:5", "EndSplitAnimation:5", "StartGuard:5",
                              "EndGuard:5", "Respawn:5", "ChangeHealth:5", "ChangeEnergy:5", "AddExperience:5",
                              "AddCredits:5", "ApplyHit:3", "SpawnProp", "StartPower:5", "CreateEffect97",
                              "StartTimedState:5", "SpawnItem", "PlaySound299", "SpawnAnnounced:9", "RemovePlayer77",
                              "AttachToScene:7", "SetMatchTime", "SetMatchState4", "SetMatchResults", "Mode47",
                              "Mode55"}));
    EXPECT_EQ(fake.invalid, 0);
    EXPECT_EQ(g.receivedPackets, 1u);
    EXPECT_EQ(g.receivedBytes, p.size() - 7);
    EXPECT_EQ(g.dispatching, 0);
}

TEST_F(DispatchTest, OnlyOtherMachinesFightersFollowTheirEvents) {
    Character& own = g_Characters[3];
    own.slot = 3;
    Character& other = g_Characters[5];
    other.slot = 5;
    other.position = kP;
    const Bytes p = Packet([&] {
        own.position = kP;
        g.WriteSetPosition(&own);       // our own echo
        g.WriteSetPosition(&other);
        g.WriteApplyHit(5, -1, 1.0f, kP, 0, 0);   // someone else's hit
        g.WriteScreenEffect(3, 52);     // we collected it
        g.WriteScreenEffect(5, 53);
    });
    Dispatch(p, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetPosition:5", "ScreenEffect53"}));
    fake.local = -1;    // no fighter yet: every fighter is another's, and no screen effects at all
    fake.calls.clear();
    Dispatch(p, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetPosition:3", "SetPosition:5"}));
}

// The facing told right after a respawn is where the host brought the fighter back, and the one
// the join answer tells of one's own fighter is its start: each is taken as the facing the fighter
// comes back to, one's own too. Any other word of one's own facing echoes its own turns.
TEST_F(DispatchTest, TheFacingToldWithANewLifeOrTheAnswerPlacesAnyFighter) {
    for (int s : {3, 5, 9}) g_Characters[s].slot = s;
    Character& own = g_Characters[3];
    Character& other = g_Characters[5];
    const struct {
        const char* name;
        std::function<void()> write;
        uint8_t joining;
        std::vector<std::string> calls;
    } cases[] = {
        {"one's own at its new life", [&] { g.WriteRespawn(3); g.WriteSetYaw(&own); }, JOIN_DONE,
         {"Respawn:3", "FacePlaced:3"}},
        {"another's at its new life", [&] { g.WriteRespawn(5); g.WriteSetYaw(&other); }, JOIN_DONE,
         {"Respawn:5", "FacePlaced:5"}},
        {"one's own echoed", [&] { g.WriteSetYaw(&own); }, JOIN_DONE, {}},
        {"another's turn", [&] { g.WriteSetYaw(&other); }, JOIN_DONE, {"SetYaw:5"}},
        {"one's own after another's new life", [&] { g.WriteRespawn(5); g.WriteSetYaw(&own); }, JOIN_DONE,
         {"Respawn:5"}},
        {"each after something else", [&] {
             g.WriteRespawn(3);
             g.WriteStartGuard(5);
             g.WriteSetYaw(&own);
             g.WriteRespawn(5);
             g.WriteSetYaw(&other);
             g.WriteSetYaw(&other);
         }, JOIN_DONE, {"Respawn:3", "StartGuard:5", "Respawn:5", "FacePlaced:5", "SetYaw:5"}},
        {"one not in the match", [&] { g.WriteRespawn(9); g.WriteSetYaw(&g_Characters[9]); }, JOIN_DONE, {}},
        {"one's own in the answer", [&] { g.WriteSetYaw(&other); g.WriteSetYaw(&own); }, JOIN_ANSWERING,
         {"SetYaw:5", "FacePlaced:3"}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const Bytes p = Packet(t.write);
        g.joining = t.joining;
        Dispatch(p, false);
        EXPECT_EQ(fake.calls, t.calls);
        g.joining = JOIN_DONE;
    }
    EXPECT_EQ(fake.invalid, 0);
}

TEST_F(DispatchTest, TheHostPassesOnWhatTheClientsMustSee) {
    Character& other = g_Characters[5];
    other.slot = 5;
    const Bytes p = Packet([&] {
        g.WriteSetPosition(&other);
        g.WriteSetAnimation(5, 20, 0, 0);
        g.WriteApplyHit(5, -1, 1.0f, kP, 0, 0);
        g.WriteScreenEffect(3, 52);
        g.WritePlaySound(4, kP, 1);
        g.WriteCreateEffect(7, 40, kP, kP, kP, kP, kP, 100, 0.62f, 0xFF, 5);
        g.WriteCreateEffect(7, 12, kP, kP, kP, kP, kP, 100, 0.62f, 0xFF, 5);
    });
    Dispatch(p, true);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetPosition:5", "Relay0:5", "ev10", "SetAnimation20:5", "ev36",
                                                    "PlaySound4", "ev37", "CreateEffect40", "ev31", "CreateEffect12"}));
    // The effect goes on to the first free slot, without its owner.
    const Bytes& relayed = g_Written[3];
    EXPECT_EQ(Bytes(relayed.begin(), relayed.begin() + 6), (Bytes{31, 0xFF, 0xFF, 0xFF, 0xFF, 40}));
    EXPECT_EQ(relayed.back(), 0xFF);
}

TEST_F(DispatchTest, AFighterRequestGetsTheWholeMatchInOrder) {
    fake.kind = 1;
    fake.passed[0] = 2;
    g_Match.gameKind = 1;
    PlayerRecord record{};
    const Bytes p = Packet([&] { g.WriteSpawnCharacter(-1, 9, 0, 1, kP, record); });
    Dispatch(p, false);
    EXPECT_TRUE(fake.calls.empty());    // a client ignores requests
    Dispatch(p, true);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SpawnRequested", "Picture:0", "ev41", "Picture:3", "ev41",
                                                    "Picture:5", "ev41", "Picture:7", "ev41", "ItemsAndProps", "ev48",
                                                    "ev48", "StateAndResults", "ev44"}));
    EXPECT_EQ(g_Written[4], (Bytes{48, 0, 0, 0, 0, 0, 0xFF}));
    EXPECT_EQ(g_Written[5], (Bytes{48, 1, 0, 0, 0, 0, 0xFF}));
}

TEST_F(DispatchTest, AnnouncedFightersEndAtSlotFifteenAndOnlyMinusOneAsks) {
    const Bytes announced = Packet([&] { g.WriteSpawnCharacter(15, 77, 1, 3, kP, PlayerRecord{}); });
    const Bytes asked = Packet([&] { g.WriteSpawnCharacter(-1, 77, 1, 3, kP, PlayerRecord{}); });
    fake.spawnSlot = 9;
    for (uint8_t slot : {16, 127, 128, 254}) {
        SCOPED_TRACE(int(slot));
        Bytes p = announced;
        p[7 + 1] = slot;
        Dispatch(p, false);
        p = asked;
        p[7 + 1] = slot;
        Dispatch(p, true, 12);
    }
    EXPECT_TRUE(fake.calls.empty());
    Dispatch(announced, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SpawnAnnounced:15"}));
    EXPECT_EQ(fake.invalid, 0);
}

TEST_F(DispatchTest, PacketsThatLieAreCutWhereTheyStopMakingSense) {
    const Bytes guard = Packet([&] { g.WriteStartGuard(5); });
    Bytes shortLength = guard;
    shortLength[5] = 9;     // longer than what came
    Dispatch(shortLength, false);
    Dispatch(Bytes(guard.begin(), guard.begin() + 6), false);
    EXPECT_TRUE(fake.calls.empty());

    Bytes p = {4, 0, 0, 0, 0, 0, 0};
    auto add = [&p](const Bytes& e) {
        p.insert(p.end(), e.begin(), e.end());
        p[5] = uint8_t(p.size() - 7);
    };
    const uint8_t inf[] = {0x00, 0x00, 0x80, 0x7F};
    add({13, 16});                                      // slot 16: skipped
    add({3, 5, inf[0], inf[1], inf[2], inf[3]});        // a facing of infinity: skipped
    add({30, 5, 10});                                   // power 10: skipped
    add({13, 5});
    add({44, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 17, 0, 0, 0});   // 17 records: the walk ends
    add({14, 5});
    Dispatch(p, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"StartGuard:5"}));

    p.resize(7);
    p[5] = 0;
    add({26, 13, 5});                                   // an unused type ends the walk
    Dispatch(p, false);
    p.resize(7);
    add({14, 5, 18, 5});                                // a cut event drops the rest
    Dispatch(p, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"StartGuard:5", "EndGuard:5"}));
    EXPECT_EQ(fake.invalid, 0);
}

TEST_F(DispatchTest, EveryFighterSlotInAnEventEndsAtFifteen) {
    fake.active[14] = fake.active[15] = true;
    Character& last = g_Characters[15];
    last.slot = 15;
    last.attackTarget = &g_Characters[14];
    g_Characters[14].slot = 14;
    last.aimPoint = kP;
    // Each event names fighter 15 (or 14) at the byte given; 16 there must be refused whole.
    struct Case {
        const char* what;
        std::function<void()> write;
        size_t at;
        std::vector<std::string> calls;
        int local = 3;
    } cases[] = {
        {"position", [&] { g.WriteSetPosition(&last); }, 1, {"SetPosition:15"}},
        {"facing", [&] { g.WriteSetYaw(&last); }, 1, {"SetYaw:15"}},
        {"target's fighter", [&] { last.lastSentTarget = nullptr; g.WriteSetTarget(&last); }, 1, {"SetTarget:15"}},
        {"target", [&] {
             Character& other = g_Characters[14];
             other.attackTarget = &last;
             other.lastSentTarget = nullptr;
             g.WriteSetTarget(&other);
         }, 2, {"SetTarget:14"}},
        {"aim point", [&] { last.lastSentAimPoint = Vec3{}; g.WriteSetAimPoint(&last); }, 1, {"SetAimPoint:15"}},
        {"animation", [&] { g.WriteSetAnimation(15, 20, 0, 0); }, 1, {"SetAnimation20:15"}},
        {"animation time", [&] { g.WriteSetAnimationTime(15, 4, 0.5f); }, 1, {"SetAnimationTime:15"}},
        {"loop end", [&] { g.WriteClearLoopAnimation(15); }, 1, {"EndSplitAnimation:15"}},
        {"guard", [&] { g.WriteStartGuard(15); }, 1, {"StartGuard:15"}},
        {"guard end", [&] { g.WriteEndGuard(15); }, 1, {"EndGuard:15"}},
        {"charge", [&] { g.WriteSetCharge(&last); }, 1, {"SetCharge:15"}},
        {"respawn", [&] { g.WriteRespawn(15); }, 1, {"Respawn:15"}},
        {"health", [&] { g.WriteChangeHealth(15, 14, -10.0f); }, 1, {"ChangeHealth:15"}},
        {"health's attacker", [&] { g.WriteChangeHealth(14, 15, -10.0f); }, 2, {"ChangeHealth:14"}},
        {"energy", [&] { g.WriteChangeEnergy(15, 1.0f); }, 1, {"ChangeEnergy:15"}},
        {"experience", [&] { g.WriteAddExperience(15, 1.0f, 14); }, 1, {"AddExperience:15"}},
        {"experience's other", [&] { g.WriteAddExperience(14, 1.0f, 15); }, 6, {"AddExperience:14"}},
        {"credits", [&] { g.WriteAddCredits(15, 5.0f); }, 1, {"AddCredits:15"}},
        {"hit", [&] { g.WriteApplyHit(15, 14, 1.0f, kP, 0, 0); }, 1, {"ApplyHit:15"}, 15},
        {"hit's attacker", [&] { g.WriteApplyHit(14, 15, 1.0f, kP, 0, 0); }, 2, {"ApplyHit:14"}, 14},
        {"prop's owner", [&] { g.WriteSpawnDynamicObject(0, 0, 1, kP, 15); }, 19, {"SpawnProp"}},
        {"power", [&] { g.WriteStartPower(15, 3); }, 1, {"StartPower:15"}},
        {"effect's owner", [&] { g.WriteCreateEffect(-1, 12, kP, kP, kP, kP, kP, 100, 1.0f, 0, 15); }, 78,
         {"CreateEffect12"}},
        {"state", [&] { g.WriteStartTimedState(15, 4, 100); }, 1, {"StartTimedState:15"}},
        {"state's end", [&] { g.WriteStopTimedState(15, 4, 100); }, 1, {"StopTimedState:15"}},
        {"screen effect's collector", [&] { g.WriteScreenEffect(15, 52); }, 1, {"ScreenEffect52"}},
        {"scenery attach", [&] { g.WriteAttachToScene(15); }, 1, {"AttachToScene:15"}},
        {"kill's victim", [&] { g.WriteRecordKill(1, 15, 14); }, 2, {"Mode55"}},
        {"kill's killer", [&] { g.WriteRecordKill(1, 14, 15); }, 3, {"Mode55"}},
        {"cursed fighter", [&] {
             g_Match.gameKind = 4;
             g_Match.cursedFighter = &last;
             g.WriteMatchState();
         }, 23, {"SetMatchState4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.local = c.local;
        Bytes p = Packet(c.write);
        ASSERT_GT(p.size(), 7 + c.at);
        ASSERT_EQ(p[7 + c.at], 15);
        Dispatch(p, false);
        EXPECT_EQ(fake.calls, c.calls);
        p[7 + c.at] = 16;
        fake.calls.clear();
        Dispatch(p, false);
        EXPECT_TRUE(fake.calls.empty());
        EXPECT_EQ(fake.invalid, 0);
        fake.calls.clear();
    }
    // Kills and scores per fighter: each record's slot.
    for (uint8_t kind : {6, 7}) {
        SCOPED_TRACE(testing::Message() << "records of kind " << int(kind));
        // Kind, state, time limit, elapsed, the pair of goals, two records.
        Bytes p = {4, 0, 0, 0, 0, 0, 0, 44, kind};
        p.resize(p.size() + 1 + 4 + 4 + 8, 0);
        const Bytes records = {2, 0, 0, 0, 14, 3, 0, 0, 0, 15, 4, 0, 0, 0};
        p.insert(p.end(), records.begin(), records.end());
        p[5] = uint8_t(p.size() - 7);
        ASSERT_EQ(p[7 + 28], 15);
        fake.local = 3;
        Dispatch(p, false);
        EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetMatchState" + std::to_string(kind)}));
        p[7 + 28] = 16;
        fake.calls.clear();
        Dispatch(p, false);
        EXPECT_TRUE(fake.calls.empty());
        EXPECT_EQ(fake.invalid, 0);
        fake.calls.clear();
    }
    last = Character();
    g_Characters[14] = Character();
}

TEST_F(DispatchTest, SoundsEffectsItemsPropsAndModeEventsEndAtTheLastOfTheirTables) {
    fake.active[0] = false;
    const auto MoveBall = [&](uint32_t slot) {
        DynamicObject ball;
        ball.slot = slot;
        ball.position = kP;
        g.WriteSetDynamicObjectPosition(&ball);
        g.WriteSetDynamicObjectVelocity(&ball);
    };
    ScopedWorkDir dir;
    g_Settings.debug = 1;
    OpenDebugLog();
    const struct {
        const char* what;
        std::function<void()> write;
        std::vector<std::string> calls;
    } cases[] = {
        {"sound 299", [&] { g.WritePlaySound(299, kP, 0); }, {"PlaySound299"}},
        {"sound 300", [&] { g.WritePlaySound(300, kP, 0); }, {}},
        {"effect type 97", [&] { g.WriteCreateEffect(-1, 97, kP, kP, kP, kP, kP, 100, 1.0f, 0, -1); }, {"CreateEffect97"}},
        {"effect type 98", [&] { g.WriteCreateEffect(-1, 98, kP, kP, kP, kP, kP, 100, 1.0f, 0, -1); }, {}},
        {"effect slot 1499", [&] { g.WriteCreateEffect(1499, 12, kP, kP, kP, kP, kP, 100, 1.0f, 0, -1); }, {"CreateEffect12"}},
        {"effect slot 1500", [&] { g.WriteCreateEffect(1500, 12, kP, kP, kP, kP, kP, 100, 1.0f, 0, -1); }, {}},
        // Fighter 0 is not in play here: the effect comes without an owner.
        {"an owner not in play", [&] { g.WriteCreateEffect(-1, 12, kP, kP, kP, kP, kP, 100, 1.0f, 0, 0); }, {"CreateEffect12"}},
        {"item 999", [&] { g.WriteSpawnItem(999, 3, kP, true); g.WriteCollectItem(999); }, {"SpawnItem", "CollectItem"}},
        {"item 1000", [&] { g.WriteSpawnItem(1000, 3, kP, true); g.WriteCollectItem(1000); }, {}},
        // Balls are props 0 to 79 and boxes 0 to 39; only balls move by event.
        {"ball 79", [&] { g.WriteSpawnDynamicObject(79, 0, 1, kP, -1); }, {"SpawnProp"}},
        {"ball 80", [&] { g.WriteSpawnDynamicObject(80, 0, 1, kP, -1); }, {}},
        {"box 39", [&] { g.WriteSpawnDynamicObject(39, 2, 0, kP, -1); }, {"SpawnProp"}},
        {"box 40", [&] { g.WriteSpawnDynamicObject(40, 2, 0, kP, -1); }, {}},
        {"a prop of no pool", [&] { g.WriteSpawnDynamicObject(0, 1, 0, kP, -1); }, {}},
        {"ball 79 moved", [&] { MoveBall(79); }, {"SetPropPosition", "SetPropVelocity"}},
        {"ball 80 moved", [&] { MoveBall(80); }, {}},
        {"the first mode event", [&] { g.WriteSetSymbolCarrier(1, kP, -1); }, {"Mode46"}},
        {"the last mode event", [&] { g.WriteSetCurseTime(1, 5000); }, {"Mode54"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.calls.clear();
        const Bytes p = Packet(c.write);
        ASSERT_GT(p.size(), 7u) << "written";
        const size_t logged = dir.Read("debug.txt").size();
        Dispatch(p, false);
        EXPECT_EQ(fake.calls, c.calls);
        EXPECT_EQ(fake.invalid, 0);
        // What names nothing of its table is a lie, and the log says so.
        const bool refused = dir.Read("debug.txt").find(" refused", logged) != std::string::npos;
        EXPECT_EQ(refused, c.calls.empty()) << dir.Read("debug.txt");
    }
    g_Settings.debug = 0;
}

TEST_F(DispatchTest, APacketOfNoEventsStillCounts) {
    Dispatch(Bytes{4, 1, 0, 0, 0, 0, 0}, false);
    EXPECT_EQ(g.receivedPackets, 1u);
    EXPECT_EQ(g.receivedBytes, 0u);
    Dispatch(Bytes{4, 1, 0, 0, 0, 0}, false);
    EXPECT_EQ(g.receivedPackets, 1u) << "shorter than a header";
}

// A client's packet on the host: only what that client may say.
class AuthorityTest : public DispatchTest {
protected:
    static constexpr uint32_t kPlayer = 9;
    void SetUp() override {
        DispatchTest::SetUp();
        ResetFighterOwners();
        SetFighterOwner(5, kPlayer);
    }
    void TearDown() override {
        os::SetTimeSource({});
        ResetNetRoleCalls();
        DispatchTest::TearDown();
    }
};

TEST_F(AuthorityTest, WhatOnlyTheHostMaySayIsNeitherAppliedNorPassedOn) {
    const uint32_t results[264] = {};
    const Bytes p = Packet([&] {
        g.WriteRespawn(7);
        g.WriteChangeHealth(7, 5, -100.0f);
        g.WriteAddCredits(5, 1000.0f);
        g.WriteSpawnItem(1, 2, kP, true);
        g.WriteRemovePlayer(4);
        g.WriteMatchResults(results, 264);
        g.WriteRecordKill(5, 7, 5);
        // Pickups and powers run on the host, even those of the client's own fighter.
        g.WriteScreenEffect(5, 54);
        for (int type : {0, 9, 18, 19, 32, 42}) g.WriteCreateEffect(-1, type, kP, kP, kP, kP, kP, 100, 1.0f, 0, 5);
        g.WritePlaySound(3, kP, 0);
    });
    Dispatch(p, true, kPlayer);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"PlaySound3", "ev37"}));
    // From the host, the same bytes are the truth.
    fake.calls.clear();
    Dispatch(p, false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"Respawn:7", "ChangeHealth:7", "AddCredits:5", "SpawnItem",
                                                    "RemovePlayer4", "SetMatchResults", "Mode55", "ScreenEffect54",
                                                    "CreateEffect0", "CreateEffect9", "CreateEffect18",
                                                    "CreateEffect19", "CreateEffect32", "CreateEffect42",
                                                    "PlaySound3"}));
}

// A client that tells its fighter's new life before its facing places nothing: the new life is not
// its to tell, and the facing is a turn the host takes and passes on.
TEST_F(AuthorityTest, AClientsFacingAfterANewLifeItToldIsATurnPassedOn) {
    Character& mine = g_Characters[5];
    mine.slot = 5;
    const Bytes p = Packet([&] {
        g.WriteRespawn(5);
        g.WriteSetYaw(&mine);
    });
    Dispatch(p, true, kPlayer);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetYaw:5", "Relay3:5", "ev10"}));
}

TEST_F(AuthorityTest, AClientSpeaksOnlyForItsOwnFighters) {
    ScopedWorkDir dir;
    g_Settings.debug = 1;
    OpenDebugLog();
    // The host told the client of a heavy hit on its fighter and one on another's.
    NoteHitTold(5, kP, 130, 2);
    NoteHitTold(7, kP, 130, 2);
    const Bytes p = Packet([&] {
        g.WriteStartGuard(7);
        g.WriteStartGuard(5);
        g.WriteStartPower(7, 3);
        g.WriteStartPower(5, 3);
        // The spark and flash of a hit, the one kind of effect a client makes: owned by its own or none.
        g.WriteCreateEffect(-1, 40, kP, kP, kP, kP, kP, 350, 1.0f, 0, 7);
        g.WriteCreateEffect(-1, 41, kP, kP, kP, kP, kP, 450, 1.0f, 0, 5);
        g.WriteCreateEffect(-1, 40, kP, kP, kP, kP, kP, 350, 1.0f, 0, -1);
        g.WriteSpawnCharacter(5, kPlayer, 0, 1, kP, PlayerRecord{});
    });
    Dispatch(p, true, kPlayer);
    g_Settings.debug = 0;
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"StartGuard:5", "StartPower:5", "CreateEffect41", "ev31", "CreateEffect40",
                                        "ev31"}));
    EXPECT_NE(dir.Read("debug.txt").find("player 9 sent events it may not send, first of type 13"), std::string::npos);
}

TEST_F(AuthorityTest, AClientNamingAFighterPastTheLastIsNotBelieved) {
    SetFighterOwner(15, kPlayer);
    fake.active[15] = true;
    NoteHitTold(15, kP, 130, 2);
    Bytes p = Packet([&] {
        g.WriteStartGuard(15);
        g.WriteCreateEffect(-1, 41, kP, kP, kP, kP, kP, 450, 1.0f, 0, 15);
    });
    Dispatch(p, true, kPlayer);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"StartGuard:15", "CreateEffect41", "ev31"}));
    fake.calls.clear();
    p[7 + 1] = 16;
    p.back() = 16;
    Dispatch(p, true, kPlayer);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(fake.invalid, 0);
}

TEST_F(AuthorityTest, TheFirstFighterCanBeAClientsAndNoneLiesPastTheLast) {
    SetFighterOwner(0, kPlayer);
    SetFighterOwner(16, kPlayer);
    EXPECT_EQ(FighterOwner(0), kPlayer);
    EXPECT_EQ(FighterOwner(16), 0u);
    EXPECT_EQ(FighterOwner(-1), 0u);
    fake.active[0] = true;
    Dispatch(Packet([&] { g.WriteStartGuard(0); }), true, kPlayer);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"StartGuard:0"}));
}

TEST_F(AuthorityTest, AnAnsweredRequestGivesThePlayerItsFighterAndTheLeaveTakesItBack) {
    fake.spawnSlot = 11;
    fake.active[5] = false;     // its earlier fighter is gone: it may ask again
    const Bytes request = Packet([&] { g.WriteSpawnCharacter(-1, kPlayer, 1, 1, kP, PlayerRecord{}); });
    Dispatch(request, true, kPlayer);
    EXPECT_EQ(FighterOwner(11), kPlayer);
    fake.active[11] = true;
    const Bytes guard = Packet([&] { g.WriteStartGuard(11); });
    Dispatch(guard, true, kPlayer);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"StartGuard:11"}));
    RemovePlayerCharacters(kPlayer);
    EXPECT_EQ(FighterOwner(11), 0u);
    EXPECT_EQ(FighterOwner(5), 0u);
}

TEST_F(AuthorityTest, NothingAPlayerSentIsAppliedAfterItsLeave) {
    ScopedWorkDir dir;
    g_Settings.debug = 1;
    OpenDebugLog();
    constexpr uint32_t kAsker = 12;
    fake.spawnSlot = 11;
    const Bytes request = Packet([&] { g.WriteSpawnCharacter(-1, kAsker, 1, 1, kP, PlayerRecord{}); });
    // It asked and left at once: its leave is handled before the frame that drains its request.
    g_Left.insert(kAsker);
    RemovePlayerCharacters(kAsker);
    Dispatch(request, true, kAsker);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_TRUE(g_Written.empty()) << "no answer to a player who is gone";
    EXPECT_EQ(FighterOwner(11), 0u);
    EXPECT_NE(dir.Read("debug.txt").find("game packet of player 12, who left the session, dropped"),
              std::string::npos);
    // A player who left no longer moves the fighter it had either.
    fake.active[5] = true;
    g_Left.insert(kPlayer);
    Dispatch(Packet([&] { g.WriteStartGuard(5); }), true, kPlayer);
    EXPECT_TRUE(fake.calls.empty());
    // The host's own packets and those of players still there are applied as before.
    const Bytes asked = Packet([&] { g.WriteSpawnCharacter(-1, 13, 1, 1, kP, PlayerRecord{}); });
    Dispatch(asked, true, 13);
    EXPECT_EQ(FighterOwner(11), 13u);
    fake.calls.clear();
    Dispatch(Packet([&] { g.WriteStartGuard(5); }), false);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"StartGuard:5"}));
    g_Settings.debug = 0;
}

std::vector<uint32_t> g_SentAway;

TEST_F(AuthorityTest, AClientsRequestMakesOneFighterForTheSenderWhateverIdItNames) {
    ScopedWorkDir dir;
    g_Settings.debug = 1;
    OpenDebugLog();
    g_SentAway.clear();
    g_NetRoleCalls.disconnect = [](uint32_t player) { g_SentAway.push_back(player); };
    constexpr uint32_t kNewcomer = 12;
    fake.spawnSlot = 11;
    // Naming the player who already plays in slot 5: the fighter is the newcomer's all the same.
    const Bytes asOther = Packet([&] { g.WriteSpawnCharacter(-1, kPlayer, 1, 1, kP, PlayerRecord{}); });
    Dispatch(asOther, true, kNewcomer);
    EXPECT_EQ(fake.playerIds[11], kNewcomer);
    EXPECT_EQ(FighterOwner(11), kNewcomer);
    EXPECT_EQ(FighterOwner(5), kPlayer);
    // One fighter a player: made-up ids ask in vain, and each asking counts against the sender.
    fake.spawnSlot = 12;
    const Bytes forged = Packet([&] {
        for (uint32_t id = 1000; id < 1100; ++id) g.WriteSpawnCharacter(-1, id, 0, 1, kP, PlayerRecord{});
    });
    Dispatch(forged, true, kNewcomer);
    Dispatch(forged, true, kPlayer);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_FALSE(fake.active[12]);
    EXPECT_TRUE(g_SentAway.empty());
    EXPECT_NE(dir.Read("debug.txt").find("player 12 sent events it may not send, first of type 38"), std::string::npos);
    Dispatch(forged, true, kNewcomer);
    EXPECT_EQ(g_SentAway, (std::vector<uint32_t>{kNewcomer}));
    // A player without a fighter gets exactly one from a packet full of requests.
    constexpr uint32_t kThird = 13;
    Dispatch(forged, true, kThird);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "SpawnRequested"), 1);
    EXPECT_EQ(fake.playerIds[12], kThird);
    EXPECT_EQ(FighterOwner(12), kThird);
    g_Settings.debug = 0;
}

// A client's spark and flash are those of the hits the host told it of, made as the hit makes them.
TEST_F(AuthorityTest, AClientsHitEffectsAreOnlyThoseOfTheHitsTheHostToldIt) {
    const Vec3 q{4.0f, 0.5f, -2.0f};
    const Vec3 far{9.0f, 0.5f, -2.0f};
    const Vec3 immune{-6.0f, 0.5f, -2.0f};
    // The host's own hits on the client's fighter 5: a light one, a heavy one, a blocked heavy one
    // and a heavy one it was immune to.
    g_NetSession.hosting = 1;
    (void)Packet([&] {
        g.WriteApplyHit(5, 7, 5.0f, kP, 115, 0);
        g.WriteApplyHit(5, 7, 10.0f, q, 130, 2);
        g.WriteApplyHit(5, 7, 10.0f, far, -2, 2);
        g.WriteApplyHit(5, 7, 10.0f, immune, -3, 2);
    });
    // What the client answers: each effect with a life, size, colour and slot of its own choosing.
    const auto answer = [&](int type, const Vec3& at) {
        return Packet([&] { g.WriteCreateEffect(1234, type, at, at, kP, kP, kP, -1, 60.0f, 0xffffffffu, -1); });
    };
    struct Case {
        int type;
        Vec3 at;
        bool made;
        int32_t life;
        float scale;
        uint32_t colour;
    };
    const Case cases[] = {
        {41, kP, false, 0, 0.0f, 0},                  // a light hit has no flash
        {40, kP, true, 350, 0.5f, 16724530},
        {40, kP, false, 0, 0.0f, 0},                  // that spark was made already
        {40, Vec3{4.5f, 0.5f, -2.0f}, false, 0, 0.0f, 0},   // beside a hit, not at it
        {41, q, true, 450, 0.0f, 0},
        {40, q, true, 350, 1.0f, 16724530},
        {41, far, false, 0, 0.0f, 0},                 // a blocked hit flashes nowhere
        {40, far, true, 350, 1.0f, 3289855},
        {41, immune, false, 0, 0.0f, 0},              // nor an immune one
        {40, immune, true, 350, 1.0f, 3289855},
        {40, Vec3{1.0f, 2.0f, 3.5f}, false, 0, 0.0f, 0},   // no hit there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " at " << c.at.x);
        fake.effects.clear();
        g_Written.clear();
        Dispatch(answer(c.type, c.at), true, kPlayer);
        ASSERT_EQ(fake.effects.size(), c.made ? 1u : 0u);
        if (!c.made) {
            EXPECT_TRUE(g_Written.empty());
            continue;
        }
        const EffectRequest& e = fake.effects[0];
        EXPECT_EQ(e.slot, -1);
        EXPECT_EQ(e.durationMs, c.life);
        EXPECT_FLOAT_EQ(e.scale, c.scale);
        EXPECT_EQ(e.colour, c.colour);
        EXPECT_EQ(e.owner, -1);
        EXPECT_EQ(e.vectors[0].x, c.at.x);
        EXPECT_EQ(e.vectors[1].z, c.at.z);
        EXPECT_EQ(e.vectors[2].y, 0.0f);
        // Every client is told the same effect.
        ASSERT_EQ(g_Written.size(), 1u);
        const Bytes& told = g_Written[0];
        ASSERT_EQ(told.size(), 79u);
        int32_t life;
        float scale;
        std::memcpy(&life, &told[66], 4);
        std::memcpy(&scale, &told[70], 4);
        EXPECT_EQ(life, c.life);
        EXPECT_FLOAT_EQ(scale, c.scale);
    }
}

TEST_F(AuthorityTest, AFloodOfHitEffectsMakesNoneAndSendsTheClientAway) {
    g_SentAway.clear();
    g_NetRoleCalls.disconnect = [](uint32_t player) { g_SentAway.push_back(player); };
    g_NetSession.hosting = 1;
    // One hit told: the client's own answer to it is made, the rest of its 200 are not.
    (void)Packet([&] { g.WriteApplyHit(5, 7, 10.0f, kP, 130, 2); });
    const Bytes flood = Packet([&] {
        for (int i = 0; i < 200; ++i) g.WriteCreateEffect(-1, 41, kP, kP, kP, kP, kP, -1, 1.0f, 0, -1);
    });
    Dispatch(flood, true, kPlayer);
    EXPECT_EQ(fake.effects.size(), 1u);
    EXPECT_EQ(g_SentAway, (std::vector<uint32_t>{kPlayer}));
}

TEST_F(AuthorityTest, TheHitsOwedToALeaverOrAnotherPlayerAreNotItsToAnswer) {
    g_NetSession.hosting = 1;
    SetFighterOwner(7, 4);
    (void)Packet([&] {
        g.WriteApplyHit(5, 7, 5.0f, kP, 115, 0);   // player 9's fighter
        g.WriteApplyHit(7, 5, 5.0f, kP, 115, 0);   // player 4's
        g.WriteApplyHit(0, 5, 5.0f, kP, 115, 0);   // the host's own: it makes its spark itself
    });
    const Bytes spark = Packet([&] { g.WriteCreateEffect(-1, 40, kP, kP, kP, kP, kP, 350, 0.5f, 16724530, -1); });
    Dispatch(spark, true, 4);
    Dispatch(spark, true, 4);   // player 4 was owed one
    EXPECT_EQ(fake.effects.size(), 1u);
    // Player 9 leaves and another takes its slot: the leaver's hit is no newcomer's to answer.
    ForgetPlayerFighters(kPlayer);
    SetFighterOwner(5, 12);
    Dispatch(spark, true, 12);
    Dispatch(spark, true, kPlayer);
    EXPECT_EQ(fake.effects.size(), 1u);
}

// A machine's answer to a hit lapses ten seconds after the host told it of the hit, wherever the
// millisecond clock stands.
TEST_F(AuthorityTest, AHitsSparkAndFlashAreOwedForTenSecondsOnly) {
    uint32_t now = 0;
    os::SetTimeSource([&now] { return now; });
    const Bytes spark = Packet([&] { g.WriteCreateEffect(-1, 40, kP, kP, kP, kP, kP, 350, 1.0f, 0, -1); });
    const Bytes flash = Packet([&] { g.WriteCreateEffect(-1, 41, kP, kP, kP, kP, kP, 450, 1.0f, 0, -1); });
    const struct {
        const char* what;
        uint32_t told, answered;
        bool made;
    } cases[] = {
        {"just under ten seconds on", 5000, 5000 + 9999, true},
        {"past ten seconds on", 5000, 5000 + 10001, false},
        // Ten seconds after the hit is past the clock's wrap; the answer just under it is not.
        {"just under ten seconds on, before the clock's wrap", 0xFFFFFFFFu - 9999, 0xFFFFFFFFu, true},
        {"past ten seconds on, across the clock's wrap", 0xFFFFFFFFu - 9999, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetFighterOwners();
        SetFighterOwner(5, kPlayer);
        now = c.told;
        NoteHitTold(5, kP, 130, 2);
        now = c.answered;
        fake.effects.clear();
        Dispatch(spark, true, kPlayer);
        Dispatch(flash, true, kPlayer);
        EXPECT_EQ(fake.effects.size(), c.made ? 2u : 0u);
    }
}

TEST_F(AuthorityTest, ARepeatOffenderIsSentAway) {
    g_SentAway.clear();
    g_NetRoleCalls.disconnect = [](uint32_t player) { g_SentAway.push_back(player); };
    const Bytes p = Packet([&] {
        for (int i = 0; i < 50; ++i) g.WriteRespawn(7);
    });
    Dispatch(p, true, kPlayer);
    Dispatch(p, true, kPlayer);
    EXPECT_TRUE(g_SentAway.empty());
    Dispatch(p, true, 4);   // someone else's count is its own
    Dispatch(p, true, kPlayer);
    EXPECT_EQ(g_SentAway, (std::vector<uint32_t>{kPlayer}));
}

// A killed fighter's machine tells what it did before it heard of its kill: none of it happens and
// none of it counts against the player; its fall, death, rise and motion pass.
TEST_F(AuthorityTest, AKilledFightersActionsAreDroppedUnseenAndItsDeathPasses) {
    g_SentAway.clear();
    g_NetRoleCalls.disconnect = [](uint32_t player) { g_SentAway.push_back(player); };
    Character& mine = g_Characters[5];
    mine.slot = 5;
    const Bytes p = Packet([&] {
        g.WriteSetAnimation(5, 30, 0, 0);
        g.WriteSetAnimation(5, 73, 0, 0);
        g.WriteSetAnimationTime(5, 0, 10.0f);
        g.WriteStartPower(5, 3);
        g.WriteStartGuard(5);
        g.WriteSetCharge(&mine);
        g.WriteSetAnimation(5, 38, 0, 0);
        g.WriteSetAnimation(5, 130, 0, 0);
        g.WriteSetAnimation(5, 191, 0, 0);
        g.WriteEndGuard(5);
    });
    fake.killed = 1u << 5;
    for (int i = 0; i <= REFUSED_EVENTS_LIMIT; ++i) {
        fake.calls.clear();
        Dispatch(p, true, kPlayer);
    }
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetAnimation38:5", "SetAnimation130:5", "SetAnimation191:5",
                                                    "EndGuard:5"}));
    EXPECT_TRUE(g_SentAway.empty());
    // The stand a soft landing ends in, the falls and landings, the hits it takes and its
    // knock-down pass; the guard in the air and getting up do not.
    fake.calls.clear();
    const Bytes edges = Packet([&] {
        for (int a : {0, 37, 38, 42, 43, 114, 115, 134, 135}) g.WriteSetAnimation(5, a, 0, 0);
    });
    Dispatch(edges, true, kPlayer);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"SetAnimation0:5", "SetAnimation38:5", "SetAnimation42:5",
                                                    "SetAnimation115:5", "SetAnimation134:5"}));
    // Alive, all of it is the fighter's.
    fake.killed = 0;
    fake.calls.clear();
    Dispatch(p, true, kPlayer);
    EXPECT_EQ(fake.calls.size(), 10u);
    // Another player's fighter is no less refused for being killed.
    fake.killed = 1u << 7;
    fake.calls.clear();
    const Bytes other = Packet([&] { g.WriteSetAnimation(7, 130, 0, 0); });
    for (int i = 0; i <= REFUSED_EVENTS_LIMIT; ++i) Dispatch(other, true, kPlayer);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(g_SentAway, (std::vector<uint32_t>{kPlayer}));
}

}  // namespace
