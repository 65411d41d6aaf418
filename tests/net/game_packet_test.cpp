// The game packet's events against bytes written out by hand, and the packet that carries them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/player_record.h"
#include "net/session.h"
#include "world/dynamic_object.h"

namespace {

using Bytes = std::vector<uint8_t>;

#define U32(v) uint8_t(v), uint8_t((v) >> 8), uint8_t((v) >> 16), uint8_t((v) >> 24)
#define F_1 0x00, 0x00, 0x80, 0x3F
#define F_2 0x00, 0x00, 0x00, 0x40
#define F_M1 0x00, 0x00, 0x80, 0xBF
#define F_HALF 0x00, 0x00, 0x00, 0x3F
#define P F_1, F_2, F_M1
#define NONE32 0xFF, 0xFF, 0xFF, 0xFF

const Vec3 kP{1.0f, 2.0f, -1.0f};

std::vector<Bytes> g_Events;
std::vector<Bytes> g_Sent;

class GamePacketTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetNetSession();
        ResetNetRoleCalls();
        ResetCharacters();
        ResetMatch();
        g_Settings.Clear();
        g_Events.clear();
        g_Sent.clear();
        g_NetRoleCalls.send = [](bool, uint32_t, const uint8_t* d, uint32_t n) { g_Sent.emplace_back(d, d + n); };
        g_NetSession.active = 1;
    }
    void TearDown() override {
        ResetNetSession();
        ResetNetRoleCalls();
        ResetCharacters();
        ResetMatch();
    }
    static void Record() {
        g_GamePacketSink = [](const uint8_t* e, size_t n) { g_Events.emplace_back(e, e + n); };
    }
    static Character& Fighter(int slot) {
        Character& c = g_Characters[slot];
        c.slot = slot;
        c.active = 1;
        return c;
    }
};

TEST_F(GamePacketTest, EveryWriterLaysOutItsEventByteForByte) {
    Record();
    Character& c = Fighter(3);
    c.position = kP;
    c.yaw = 0.5f;
    c.attackTarget = &Fighter(5);
    c.aimPoint = kP;
    c.throwCharge = 600;
    DynamicObject prop;
    prop.slot = 70;
    prop.position = kP;
    prop.velocity = kP;
    PlayerRecord record{};
    std::strcpy(record.look.name, "Ana");
    uint32_t results[264] = {7};
    GamePacket& g = g_GamePacket;
    const struct {
        std::function<void()> write;
        Bytes expected;
    } cases[] = {
        {[&] { g.WriteSetPosition(&c); }, {0, 3, P}},
        {[&] { g.WriteSetYaw(&c); }, {3, 3, F_HALF}},
        {[&] { g.WriteSetTarget(&c); }, {4, 3, 5}},
        {[&] { c.attackTarget = nullptr, g.WriteSetTarget(&c); }, {4, 3, 255}},
        {[&] { g.WriteSetAimPoint(&c); }, {5, 3, P}},
        {[&] { g.WriteSetAnimation(3, 190, 200, 4); }, {9, 3, U32(190), U32(200), 4}},
        {[&] { g.WriteSetAnimationTime(3, 4, 0.5f); }, {10, 3, 4, F_HALF}},
        {[&] { g.WriteClearLoopAnimation(3); }, {11, 3}},
        {[&] { g.WriteStartGuard(3); }, {13, 3}},
        {[&] { g.WriteEndGuard(3); }, {14, 3}},
        {[&] { g.WriteSetCharge(&c); }, {15, 3, U32(600)}},
        {[&] { g.WriteRespawn(3); }, {17, 3}},
        {[&] { g.WriteChangeHealth(3, -1, -1.0f); }, {18, 3, 0xFF, F_M1}},
        {[&] { g.WriteChangeEnergy(3, 2.0f); }, {19, 3, F_2}},
        {[&] { g.WriteAddExperience(3, 0.5f, 7); }, {20, 3, F_HALF, 7}},
        {[&] { g.WriteAddCredits(3, 2.0f); }, {21, 3, F_2}},
        {[&] { g.WriteApplyHit(3, -1, -1.0f, kP, -2, 2); }, {22, 3, 0xFF, F_M1, P, 0xFE, 0xFF, 0xFF, 0xFF, U32(2)}},
        {[&] { g.WriteSpawnDynamicObject(70, 1, 2, kP, -1); }, {23, U32(70), 1, 2, P, 0xFF}},
        {[&] { g.WriteSetDynamicObjectPosition(&prop); }, {24, U32(70), P}},
        {[&] { g.WriteSetDynamicObjectVelocity(&prop); }, {25, U32(70), P}},
        {[&] { g.WriteStartPower(3, 9); }, {30, 3, 9}},
        // The scale travels as the float it is: 0.62 arrives as 0.62.
        {[&] { g.WriteCreateEffect(-1, 40, kP, kP, kP, kP, kP, 15000, 0.62f, 0xFF00FF00, -1); },
         {31, NONE32, 40, P, P, P, P, P, U32(15000), 0x52, 0xB8, 0x1E, 0x3F, 0x00, 0xFF, 0x00, 0xFF, 0xFF}},
        {[&] { g.WriteStartTimedState(3, 11, 30000); }, {32, 3, 11, U32(30000)}},
        {[&] { g.WriteStopTimedState(3, 1, 0); }, {33, 3, 1, U32(0)}},
        {[&] { g.WriteSpawnItem(999, 52, kP, true); }, {34, U32(999), 52, P, 1}},
        {[&] { g.WriteCollectItem(999); }, {35, U32(999)}},
        {[&] { g.WriteScreenEffect(3, 57); }, {36, U32(3), 57}},
        {[&] { g.WritePlaySound(299, kP, 1); }, {37, U32(299), P, 1}},
        {[&] { g.WriteRemovePlayer(0x01020304); }, {40, 4, 3, 2, 1}},
        {[&] { g.WriteAttachToScene(3); }, {41, 3}},
        {[&] { g.WriteMatchTime(0x01020304); }, {43, 4, 3, 2, 1}},
        {[&] { g.WriteSetSymbolCarrier(1, kP, -1); }, {46, 1, P, 255}},
        {[&] { g.WriteCaptureSymbol(-1); }, {47, 255}},
        {[&] { g.WritePassCheckpoint(2, 1, -1); }, {48, U32(2), 1, 0xFF}},
        {[&] { g.WritePlaceSearchObject(9, kP); }, {49, 9, P}},
        {[&] { g.WriteMoveSearchObject(9, kP); }, {50, 9, P}},
        {[&] { g.WriteSetSearchObjectPosition(9, kP); }, {51, 9, P}},
        {[&] { g.WriteCollectSearchObject(9, 3); }, {52, 9, 3}},
        {[&] { g.WriteSetCursedCharacter(-1, true); }, {53, 255, 1}},
        {[&] { g.WriteSetCurseTime(-1, 1000); }, {54, 0xFF, U32(1000)}},
        {[&] { g.WriteRecordKill(-1, 3, -1); }, {55, 0xFF, 3, 0xFF}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(int(k.expected[0]));
        g_Events.clear();
        k.write();
        ASSERT_EQ(g_Events.size(), 1u);
        EXPECT_EQ(g_Events[0], k.expected);
    }
    g_Events.clear();
    g.WriteSpawnCharacter(-1, 0x01020304, 1, 7, kP, record);
    g.WriteMatchResults(results, 264);
    ASSERT_EQ(g_Events.size(), 2u);
    ASSERT_EQ(g_Events[0].size(), 116u);
    EXPECT_EQ(Bytes(g_Events[0].begin(), g_Events[0].begin() + 24), (Bytes{38, 0xFF, 4, 3, 2, 1, 1, 7, P, 'A', 'n', 'a', 0}));
    ASSERT_EQ(g_Events[1].size(), 1057u);
    EXPECT_EQ(Bytes(g_Events[1].begin(), g_Events[1].begin() + 9), (Bytes{45, U32(7), U32(0)}));
}

TEST_F(GamePacketTest, TheMatchStateCarriesWhatEachGameKindKeeps) {
    Record();
    Match& m = g_Match;
    m.state = 1;
    m.timeLimit = 600000;
    m.elapsed = 1000;
    g_Settings.stealsGoal[0] = g_Settings.creditsGoal[0] = g_Settings.capturesGoal[0] = 3;
    g_Settings.curseMinutes[1] = g_Settings.maxDeaths[1] = 9;
    g_Settings.freezeTime = 5;
    m.captures[1] = m.points[1] = m.found[1] = m.killScore[1] = 2;
    m.checkpointCount = 6;
    m.checkpointsPassed[0] = 4;
    m.curseTime[0] = 700;
    m.cursedFighter = &Fighter(2);
    Fighter(2).killScore = 11;
    Fighter(9).killScore = -1;
    Fighter(14).credits = 300;
    const Bytes head = {44, 0, 1, U32(600000), U32(1000)};
    const Bytes byKind[] = {
        {U32(3), U32(0), U32(0), U32(2)},
        {U32(6), U32(4), U32(0)},
        {U32(3), U32(0), U32(0), U32(2)},
        {U32(3), U32(0), U32(0), U32(2)},
        {U32(0), U32(9), U32(5), 2, U32(700), U32(0)},
        {U32(0), U32(9), U32(0), U32(2)},
        {U32(0), U32(9), U32(3), 2, U32(11), 9, NONE32, 14, U32(0)},
        {U32(3), U32(0), U32(3), 2, U32(0), 9, U32(0), 14, U32(300)},
        {},
    };
    for (int kind = 0; kind <= 8; ++kind) {
        SCOPED_TRACE(kind);
        m.gameKind = kind;
        g_Events.clear();
        g_GamePacket.WriteMatchState();
        Bytes expected = head;
        expected[1] = uint8_t(kind);
        expected.insert(expected.end(), byKind[kind].begin(), byKind[kind].end());
        ASSERT_EQ(g_Events.size(), 1u);
        EXPECT_EQ(g_Events[0], expected);
    }
    m.gameKind = 6;
    g_Events.clear();
    g_GamePacket.WriteMatchState();
    EXPECT_EQ(g_Events[0].size(), 38u);
}

TEST_F(GamePacketTest, SmallMovesOfTheAimAndAnUnchangedTargetSendNothing) {
    Record();
    Character& c = Fighter(1);
    c.aimPoint = {0.09f, 0.0f, 0.0f};
    g_GamePacket.WriteSetAimPoint(&c);
    g_GamePacket.WriteSetTarget(&c);
    EXPECT_TRUE(g_Events.empty());
    c.aimPoint = {0.1f, 0.0f, 0.0f};
    g_GamePacket.WriteSetAimPoint(&c);
    g_GamePacket.WriteSetAimPoint(&c);
    ASSERT_EQ(g_Events.size(), 1u);
    EXPECT_EQ(c.lastSentAimPoint.x, 0.1f);
    c.position = kP;
    c.yaw = 2.0f;
    g_GamePacket.WriteSetPosition(&c);
    g_GamePacket.WriteSetYaw(&c);
    EXPECT_EQ(c.lastSentPosition.z, -1.0f);
    EXPECT_EQ(c.lastSentYaw, 2.0f);
}

TEST_F(GamePacketTest, AFrameLeavesAsOnePacketWithItsHeaderAndStatistics) {
    g_GamePacket.Flush();
    EXPECT_TRUE(g_Sent.empty());
    g_GamePacket.WriteStartGuard(3);
    g_GamePacket.WriteRecordKill(1, 2, 3);
    g_GamePacket.Flush();
    g_GamePacket.Flush();
    ASSERT_EQ(g_Sent.size(), 1u);
    EXPECT_EQ(g_Sent[0], (Bytes{4, U32(1), 6, 0, 13, 3, 55, 1, 2, 3}));
    g_GamePacket.WriteStartGuard(3);
    g_GamePacket.Flush();
    EXPECT_EQ(g_Sent.at(1)[1], 2);
    EXPECT_EQ(g_GamePacket.sentBytes, 8u);
    EXPECT_EQ(g_GamePacket.sentPackets, 2u);
    EXPECT_EQ(g_GamePacket.largestSent, 6u);
    g_NetSession.UpdateTrafficRates();
    EXPECT_EQ(g_NetSession.traffic.bytesPerSecond[1], 8);
    g_NetSession.UpdateTrafficRates();
    EXPECT_EQ(g_NetSession.traffic.bytesPerSecond[1], 0);
    EXPECT_EQ(g_NetSession.traffic.packets[1], 2);

    g_GamePacket.Reset();
    g_GamePacket.WriteStartGuard(3);
    g_GamePacket.Flush();
    EXPECT_EQ(g_Sent.at(2)[1], 1);
}

TEST_F(GamePacketTest, A60KilobyteBurstLeavesAsTwoPacketsInOrder) {
    uint32_t results[264] = {};
    for (uint32_t i = 0; i < 57; ++i) {
        results[0] = i;
        g_GamePacket.WriteMatchResults(results, 264);   // 1057 bytes each
    }
    g_GamePacket.Flush();
    ASSERT_EQ(g_Sent.size(), 2u);
    EXPECT_EQ(g_Sent[0].size(), 7u + 47 * 1057);
    EXPECT_EQ(g_Sent[1].size(), 7u + 10 * 1057);
    EXPECT_EQ(g_Sent[0][1], 1);
    EXPECT_EQ(g_Sent[1][1], 2);
    EXPECT_EQ(g_Sent[0][7 + 46 * 1057 + 1], 46);
    EXPECT_EQ(g_Sent[1][7 + 1], 47);
}

// The host's match state, written and then read back by the live game on a client.
TEST_F(GamePacketTest, TheMatchStateReadBackGivesTheMatchWhatTheHostHad) {
    Record();
    for (int kind : {1, 4, 6}) {
        SCOPED_TRACE(kind);
        ResetMatch();
        g_Settings.Clear();
        Match& m = g_Match;
        m.gameKind = kind;
        m.state = 1;
        m.timeLimit = 600000;
        m.checkpointCount = 6;
        m.checkpointsPassed[1] = 4;
        g_Settings.curseMinutes[1] = 9;
        g_Settings.freezeTime = 5;
        m.cursedFighter = &Fighter(2);
        m.curseTime[1] = 700;
        Fighter(2).killScore = 11;
        g_Events.clear();
        g_GamePacket.WriteMatchState();
        ResetMatch();
        g_Settings.Clear();
        g_Characters[2].killScore = 0;
        Bytes p = {4, 1, 0, 0, 0, uint8_t(g_Events[0].size()), 0};
        p.insert(p.end(), g_Events[0].begin(), g_Events[0].end());
        g_GamePacket.Dispatch(p.data(), p.size());
        EXPECT_EQ(m.gameKind, kind);
        EXPECT_EQ(m.state, 1);
        EXPECT_EQ(m.timeLimit, 600000u);
        if (kind == 1) {
            EXPECT_EQ(m.checkpointCount, 6);
            EXPECT_EQ(m.checkpointsPassed[1], 4);
        } else if (kind == 4) {
            EXPECT_EQ(g_Settings.freezeTime, 5);
            EXPECT_EQ(m.cursedFighter, &g_Characters[2]);
            EXPECT_EQ(m.curseTime[1], 700u);
        } else {
            EXPECT_EQ(g_Characters[2].killScore, 11);
        }
    }
}

}  // namespace
