// Hosting and joining on loopback in one process: the host's session messages, the search's
// list and the join.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "frontend/player_record.h"
#include "net/game_ops.h"
#include "net/net_client.h"
#include "net/net_server.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "support/recording_game_ops.h"

namespace {

using Bytes = std::vector<uint8_t>;
Bytes g_Events;

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int waited = 0; !done(); waited += 2) {
        if (waited > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A bare transport client that keeps what the host tells it.
struct Listener {
    netio::Client client;
    std::mutex lock;
    std::vector<Bytes> heard;
    std::atomic<int> joined{0};
    void Join(uint16_t port, const std::string& name) {
        netio::ClientCallbacks cb;
        cb.connected = [this](bool ok, uint32_t) { joined = ok ? 1 : -1; };
        cb.received = [this](netio::Message&& m) {
            std::lock_guard<std::mutex> hold(lock);
            heard.emplace_back(m.Data(), m.Data() + m.Size());
        };
        ASSERT_TRUE(client.Start(BRIMVALE_APPLICATION_GUID, cb));
        client.Connect("127.0.0.1", port, name);
        ASSERT_TRUE(WaitFor([&] { return joined != 0; }));
    }
    std::vector<Bytes> Heard() {
        std::lock_guard<std::mutex> hold(lock);
        return heard;
    }
};

Bytes PlayerIn(uint32_t id, const char* name) {
    SessionPlayer p;
    p.id = id;
    std::strncpy(p.name, name, 19);
    return EncodePlayerMessage(SESSION_MESSAGE_PLAYER_IN, p);
}

class RolesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetNetSession();
        ResetNetRoleCalls();
        g_SessionSettingsSource = [](int32_t* scenario, int32_t* kind) {
            *scenario = 3;
            *kind = 1;
            return true;
        };
        g_NetServer.bindAddress = "127.0.0.1";
        setenv("XDG_CONFIG_HOME", ::testing::TempDir().c_str(), 1);
        Drain();
    }
    void TearDown() override {
        g_NetSession.Stop();
        g_NetClient.Close();
        g_SessionSettingsSource = nullptr;
        g_NetServer.bindAddress.clear();
        os::SetTimeSource({});
        ResetNetSession();
    }
    // The main loop's order: the window messages of a turn (a leave takes the player's
    // fighters), then a frame's drain.
    static void HostTurn() {
        for (const os::Message& m : Drain())
            if (m.id == os::WM_APP && m.lParam != 0) RemovePlayerCharacters(uint32_t(m.wParam));
        g_NetSession.ProcessIncoming();
    }
    static std::vector<os::Message> Drain() {
        std::vector<os::Message> all;
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) all.push_back(m);
        return all;
    }
};

TEST_F(RolesTest, TheHostTellsEachNewcomerWhoIsInTheSessionInOrder) {
    g_SessionSettingsSource = nullptr;
    EXPECT_FALSE(g_NetSession.Start(true, "Host", 0, ""));   // no game settings to announce
    g_NetSession.Stop();
    g_SessionSettingsSource = [](int32_t* s, int32_t* k) { return *s = 3, *k = 1, true; };
    ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
    EXPECT_FALSE(IsNetworkActive());
    const uint16_t port = g_NetServer.BoundPort();

    Listener a, b;
    a.Join(port, "ABCDEFGHIJKLMNOPQRST");
    ASSERT_TRUE(WaitFor([&] { return a.Heard().size() == 2; }));
    const uint32_t idA = a.Heard()[1][1];
    EXPECT_EQ(a.Heard(), (std::vector<Bytes>{PlayerIn(idA, "ABCDEFGHIJKLMNOP"), EncodeWelcome(idA, 0)}));
    EXPECT_TRUE(IsNetworkActive());

    b.Join(port, "Bea");
    ASSERT_TRUE(WaitFor([&] { return b.Heard().size() == 3 && a.Heard().size() == 3; }));
    const uint32_t idB = b.Heard()[1][1];
    EXPECT_EQ(b.Heard(), (std::vector<Bytes>{PlayerIn(idB, "Bea"), EncodeWelcome(idB, 0),
                                             PlayerIn(idA, "ABCDEFGHIJKLMNOP")}));
    EXPECT_EQ(a.Heard()[2], PlayerIn(idB, "Bea"));
    EXPECT_EQ(g_NetSession.GetPlayerCount(), 3);

    b.client.Close();
    ASSERT_TRUE(WaitFor([&] { return a.Heard().size() == 4; }));
    SessionPlayer left;
    left.id = idB;
    EXPECT_EQ(a.Heard()[3], EncodePlayerMessage(SESSION_MESSAGE_PLAYER_LEFT, left));
    std::vector<std::pair<uintptr_t, intptr_t>> apps;
    for (const os::Message& m : Drain())
        if (m.id == os::WM_APP) apps.emplace_back(m.wParam, m.lParam);
    EXPECT_EQ(apps, (std::vector<std::pair<uintptr_t, intptr_t>>{{idA, 0}, {idB, 0}, {idB, 1}}));
    g_NetSession.RefreshPlayerList();
    ASSERT_EQ(g_NetServer.PlayerList().size(), 1u);
    EXPECT_EQ(g_NetSession.GetPlayerCount(), 2);

    // A second start ends the first session: its client sees the end.
    ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
    EXPECT_EQ(g_NetSession.GetPlayerCount(), 1);
}

TEST_F(RolesTest, AFighterRequestStillQueuedWhenItsSenderLeftMakesNoFighter) {
    testsupport::RecordingGameOps fake;
    fake.spawnSlot = 4;
    g_GameOps = &fake;
    ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
    g_GamePacketSink = [](const uint8_t* e, size_t n) { g_Events.insert(g_Events.end(), e, e + n); };
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "asks and stays" : "asks and leaves");
        fake.calls.clear();
        Listener asker;
        asker.Join(g_NetServer.BoundPort(), "Quick");
        ASSERT_TRUE(WaitFor([&] { return asker.Heard().size() >= 2; }));
        const uint32_t id = asker.Heard()[1][1];
        g_Events.clear();
        g_GamePacket.WriteSpawnCharacter(-1, id, 0, 1, Vec3{}, PlayerRecord{});
        Bytes p = {4, 1, 0, 0, 0, uint8_t(g_Events.size()), uint8_t(g_Events.size() >> 8)};
        p.insert(p.end(), g_Events.begin(), g_Events.end());
        asker.client.Send(p.data(), p.size());
        ASSERT_TRUE(WaitFor([] { return ReceiveQueueCount() == 1; }));
        if (pass == 1) {
            asker.client.Close();
            ASSERT_TRUE(WaitFor([id] { return !g_NetServer.HasPlayer(id); }));
        }
        HostTurn();
        const int made = int(std::count(fake.calls.begin(), fake.calls.end(), "SpawnRequested"));
        EXPECT_EQ(made, pass == 0 ? 1 : 0);
    }
    ResetGameOps();
    ResetGamePacketSink();
}

TEST_F(RolesTest, AClientFindsTheHostJoinsAndIsListedWithIt) {
    ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
    const std::string where = "127.0.0.1:" + std::to_string(g_NetServer.BoundPort());
    ASSERT_TRUE(g_NetClient.Init("Guest", where.c_str()));
    NetConnector* c = g_NetClient.Connector();
    c->retryMs = 20;
    ASSERT_TRUE(c->SessionsDlgEnumHosts(where.c_str(), 0));
    EXPECT_FALSE(g_NetSession.JoinSession(0));   // nothing listed yet: fails at once
    ASSERT_TRUE(WaitFor([] {
        RefreshSessionList();
        return GetSessionCount() == 1;
    }));
    EXPECT_EQ(std::string(GetSessionName(0)).substr(0, 7), "Host - ");
    ASSERT_TRUE(g_NetSession.JoinSession(0));
    // Joined means welcomed: the id the fighter request will carry is known.
    EXPECT_NE(g_NetSession.playerId, 0u);
    EXPECT_EQ(g_NetSession.playerId, g_NetClient.localPlayerId.load());
    EXPECT_EQ(g_NetClient.Connector(), nullptr);
    EXPECT_EQ(g_NetSession.gameKind, 1);
    ASSERT_TRUE(WaitFor([] { return g_ClientPlayerCount.load() == 1 && g_NetClient.localPlayerId != 0; }));
    EXPECT_EQ(g_ServerPlayerCount.load(), 1);
    EXPECT_STREQ(g_NetClient.Players()[0].name, "Guest");
}

TEST_F(RolesTest, TheListShowsEachKindOfSessionAndForgetsSilentOnes) {
    netio::SessionInfo s;
    s.name = "S";
    s.players = 3;
    s.roundTripMs = 12;
    bool joinable = true;
    int32_t sc = 0, kind = 0;
    s.maxPlayers = 9;
    EXPECT_EQ(SessionDisplayText(s, &joinable, &sc, &kind), "S (2/8) (12ms)");
    s.maxPlayers = 0;
    s.appDataSize = 8;
    s.appData[0] = 19;
    s.appData[4] = 7;
    EXPECT_EQ(SessionDisplayText(s, &joinable, &sc, &kind), "S (3) (12ms) map=19,Game=7");
    EXPECT_TRUE(joinable);
    s.maxPlayers = 8;
    EXPECT_EQ(SessionDisplayText(s, &joinable, &sc, &kind), "S -  (3/8) -  -  - (12ms)");  // no text table
    s.appData[0] = 20;
    EXPECT_EQ(SessionDisplayText(s, &joinable, &sc, &kind), "S (3/8) (12ms)");
    EXPECT_FALSE(joinable);

    uint32_t now = 1000;
    os::SetTimeSource([&] { return now; });
    netio::Client transport;
    NetConnector c(&transport, "me", "");
    c.searching = true;
    c.AddEnumResponse(s);
    c.Refresh();
    EXPECT_EQ(c.Count(), 1);
    EXPECT_FALSE(c.JoinGame(0));    // a session this program cannot play
    now += c.expiryMs + 1;
    c.Refresh();
    EXPECT_EQ(c.Count(), 0);
}

TEST_F(RolesTest, AJoinThatIsNeverAnsweredTimesOut) {
    netio::Client transport;
    ASSERT_TRUE(transport.Start(BRIMVALE_APPLICATION_GUID, {}));
    NetConnector c(&transport, "me", "");
    c.joinTimeoutMs = 100;
    c.searching = true;
    netio::SessionInfo s;
    s.hostAddress = "127.0.0.1";
    s.port = 9;     // nothing answers there
    s.maxPlayers = 8;
    s.appDataSize = 8;
    c.AddEnumResponse(s);
    c.Refresh();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(c.JoinGame(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
