// A network client's match start from the menu, with a stand-in host on the other end of the
// session: the host's answer to the fighter request gives the client its fighter, the items the
// host placed and the host's words. The host's own start takes its words from its own map.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/menu.h"
#include "frontend/player_record.h"
#include "frontend/settings_files.h"
#include "net/net_client.h"
#include "net/session.h"
#include "platform/gfx/adapters.h"
#include "platform/netio/netio.h"
#include "render/video.h"
#include "shell/control.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "support/match_harness.h"
#include "support/scripted_program.h"
#include "support/temp_dir.h"
#include "world/element_map.h"
#include "world/item.h"
#include "world/scenario.h"
#include "world/world_seams.h"

namespace {

constexpr uint32_t kClientId = 7;
// The letters of "LIFE" (word 5), and no other word can be spelled from them.
constexpr int kLetters[] = {'L' - 'A', 'I' - 'A', 'F' - 'A', 'E' - 'A'};
constexpr int kLifeWord = 5;
constexpr int kFirstLetterType = 24;

int g_requests = 0;
std::vector<uint8_t> g_answer;
// Where the answer puts the client's fighter; any slot before it holds the host's own (player 0).
int g_clientSlot = 0;

void KeepEvent(const uint8_t* event, size_t size) { g_answer.insert(g_answer.end(), event, event + size); }

// The host's own fighter in slot 0, standing and 10 short of its health, as the host tells it.
constexpr float kHostFighterHurt = 10.0f;
void WriteHostFighter(const Vec3& at) {
    g_GamePacket.WriteSpawnCharacter(0, 0, 1, 0, at, PlayerRecord{});
    g_GamePacket.WriteSetAnimation(0, 0, 0, 0);
    g_GamePacket.WriteStopTimedState(0, STATE_INVULNERABILITY, 0);
    g_GamePacket.WriteChangeHealth(0, -1, -kHostFighterHurt);
}

// The events `write` appends, as one game packet from the host.
template <typename F>
std::vector<uint8_t> FromHost(F write) {
    g_answer.assign(GAME_PACKET_HEADER, 0);
    g_answer[0] = SESSION_MESSAGE_GAME_PACKET;
    g_GamePacketSink = KeepEvent;
    write();
    ResetGamePacketSink();
    const size_t length = g_answer.size() - GAME_PACKET_HEADER;
    g_answer[5] = uint8_t(length);
    g_answer[6] = uint8_t(length >> 8);
    return g_answer;
}
void Queue(const std::vector<uint8_t>& packet) {
    EnqueueReceivedPacket(0, netio::Message(0, packet.data(), packet.size()));
}
// The answer's rest, which the network brings a moment after the fighter.
std::thread g_rest;

// The host's side: a request for a fighter is answered as the host does, with the fighter in
// slot 0 at the side's first start, announced to all, and then for the asker alone the rest of the
// match: four letters on item places of the element map, and the host's tally, where side 0 has
// already spelled and used LIFE from letters it took. With a fighter of the host's before the
// client's, the client has also heard what the host sent to all while it loaded.
void AnswerAsTheHost(bool hosting, uint32_t, const uint8_t* data, uint32_t size) {
    if (hosting || size <= GAME_PACKET_HEADER || data[GAME_PACKET_HEADER] != EVENT_SPAWN_CHARACTER) return;
    ++g_requests;
    Vec3 start{};
    float facing = 0.0f;
    if (!FindPlacedCharacter(0, 0, &start, &facing)) return;
    Vec3 other{};
    float otherFacing = 0.0f;
    const bool host = g_clientSlot > 0 && FindPlacedCharacter(1, 0, &other, &otherFacing);
    if (host) Queue(FromHost([&] { WriteHostFighter(other); }));
    Queue(FromHost([&] { g_GamePacket.WriteSpawnCharacter(g_clientSlot, kClientId, 0, 0, start, PlayerRecord{}); }));
    std::vector<uint8_t> rest = FromHost([&] {
        if (host) WriteHostFighter(other);
        uint32_t slot = 0;
        for (ElementRecord* r = g_ElementMap.list.First(); r && slot < 4; r = g_ElementMap.list.Next(r)) {
            if (r->elementKind != ELEMENT_ITEM || !r->placeable) continue;
            g_GamePacket.WriteSpawnItem(slot, kFirstLetterType + kLetters[slot], r->position, true);
            ++slot;
        }
        MatchTally tally{};
        for (int k : kLetters) tally.letters[0][k] = 1;
        g_GamePacket.WriteMatchTally(tally);
        g_GamePacket.WriteMatchState();
        g_GamePacket.WriteMatchResults(g_Scenario.results, MATCH_RESULT_DWORDS);
    });
    if (g_rest.joinable()) g_rest.join();
    g_rest = std::thread([rest] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Queue(rest);
    });
}

class ClientStartTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;

    void SetUp() override {
        g_Settings.Clear();
        ResetMainLoopState();
        g_requests = 0;
        g_answer.clear();
        g_clientSlot = 0;
        testsupport::WriteScriptedFolder(dir);
        ASSERT_TRUE(InitApp(WndProc));
        ASSERT_TRUE(g_Menu.active);
        g_NetRoleCalls.startClient = [](const char*, const char*, uint32_t) { return true; };
        g_NetRoleCalls.stopClient = [] {};
        g_NetRoleCalls.send = AnswerAsTheHost;
    }
    // Joined as a player the host lists after `before` others, the match of kind 5 started from
    // the menu; true when it started.
    bool JoinAndStart(int before) {
        EXPECT_TRUE(g_NetSession.Start(false, "Cliente", 2300, ""));
        // The host lists us, and its welcome named us.
        g_ClientPlayerCount = before + 1;
        g_NetClient.localPlayerId = kClientId;
        g_NetSession.scenarioId = testsupport::MATCH_SCENARIO;
        g_NetSession.gameKind = 5;
        g_GameSettings.side = 0;
        g_Menu.BuildPage(PAGE_START_MATCH);
        return !g_Menu.active;
    }
    // Hosting on the side `side`, the match of kind 5 started from the menu; true when it started.
    bool HostAndStart(int side) {
        g_NetRoleCalls.startServer = [](const char*, uint32_t) { return true; };
        g_NetRoleCalls.stopServer = [] {};
        g_GameSettings.side = side;
        g_NetSession.scenarioId = testsupport::MATCH_SCENARIO;
        g_NetSession.gameKind = 5;
        EXPECT_TRUE(g_NetSession.Start(true, "Anfitrion", 2300, ""));
        g_Menu.BuildPage(PAGE_START_MATCH);
        return !g_Menu.active;
    }
    void TearDown() override {
        if (g_rest.joinable()) g_rest.join();
        ReleaseGame(true);
        ResetNetRoleCalls();
        ResetNetSession();
        g_NetClient.localPlayerId = 0;
        g_Direct3DCreate = gfx::Direct3DCreate;
        ResetShellCalls();
        g_Settings.Clear();
    }
};

TEST_F(ClientStartTest, AClientsHudListsTheHostsWordsWhateverLettersLieOnItsMap) {
    ASSERT_TRUE(JoinAndStart(0)) << "the match started";
    EXPECT_EQ(g_requests, 1);
    ASSERT_NE(g_Control.localCharacter, nullptr);
    EXPECT_EQ(g_Control.localCharacter->slot, 0);
    // It faces as its start point does, as the host's own fighter would.
    Vec3 start{};
    float facing = 0.0f;
    ASSERT_TRUE(FindPlacedCharacter(0, 0, &start, &facing));
    ASSERT_NE(facing, 0.0f) << "the start point turns its fighter";
    EXPECT_NEAR(g_Control.localCharacter->yaw, facing, 1e-4f);
    int letters = 0;
    for (const Item& item : g_Items) letters += item.active && item.present && item.type >= kFirstLetterType ? 1 : 0;
    EXPECT_EQ(letters, 4) << "the host's letters lie on the client's map too";
    for (int w = 0; w < MATCH_WORDS; ++w) EXPECT_EQ(g_Match.wordState[w], 0) << "word " << w;
    for (int k : kLetters) EXPECT_EQ(g_Match.letters[0][k], 1) << "letter " << k;
}

// The host has nobody to tell it its words: they are those the letters on its own map can spell,
// which its clients then hear from it.
TEST_F(ClientStartTest, AHostsHudListsTheWordsTheLettersOnItsMapCanSpell) {
    ASSERT_TRUE(HostAndStart(0)) << "the hosted match started";
    for (int k : kLetters) ASSERT_EQ(CountLetterItems(k), 1) << "letter " << k << " lies on the host's map";
    for (int w = 0; w < MATCH_WORDS; ++w) EXPECT_EQ(g_Match.wordState[w], w == kLifeWord ? 1 : 0) << "word " << w;
}

// The results pages mark the row of the fighter this machine played: a game that hosted a match
// and then joins another marks the fighter the host gave it there, not the slot it had as host.
TEST_F(ClientStartTest, AGameThatHostedAndThenJoinsKeepsTheFighterTheHostGaveItAsItsOwn) {
    ASSERT_TRUE(HostAndStart(1)) << "the hosted match started";
    ASSERT_NE(g_Control.localCharacter, nullptr);
    const int hosted = g_Control.localCharacter->slot;
    EXPECT_EQ(g_Menu.localSlot, hosted);
    g_ShellCalls.returnFromMatch();
    ASSERT_TRUE(g_Menu.active);
    g_NetSession.Stop();

    // Joined: the host's own fighter comes first, in the slot this game had as host.
    g_clientSlot = hosted + 1;
    ASSERT_TRUE(JoinAndStart(1)) << "the joined match started";
    ASSERT_NE(g_Control.localCharacter, nullptr);
    EXPECT_EQ(g_Control.localCharacter->slot, hosted + 1);
    EXPECT_TRUE(g_Characters[0].active) << "the host's fighter";
    EXPECT_EQ(g_Characters[0].health, g_Characters[0].maxHealth - kHostFighterHurt)
        << "heard once, from the answer, and not also from what came before it";
    EXPECT_EQ(g_Menu.localSlot, hosted + 1);
    g_ShellCalls.returnFromMatch();
    EXPECT_EQ(g_Menu.localSlot, hosted + 1) << "what the results pages read";
}

}  // namespace
