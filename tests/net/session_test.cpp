// The session layer fed by transports on 127.0.0.1: the receive queue, its drain and the
// session's start, stop and end.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "net/session.h"
#include "platform/netio/netio.h"
#include "platform/os/os.h"

namespace {

using Bytes = std::vector<uint8_t>;
const netio::Guid kApp = {{7, 7, 7}};

netio::Server* g_Host;
netio::Client* g_Joiner;
uint16_t g_HostPort;
std::vector<std::pair<uint32_t, Bytes>> g_Dispatched;

bool WaitFor(bool (*done)(), int ms = 5000) {
    for (int waited = 0; !done(); waited += 2) {
        if (waited > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// What the host's and the client's sides will do with a transport, in brief.
void UseTransports() {
    g_NetRoleCalls.startServer = [](const char* name, uint32_t) {
        netio::ServerDesc d;
        d.port = 0;
        d.bindAddress = "127.0.0.1";
        d.application = kApp;
        d.sessionName = name;
        netio::ServerCallbacks cb;
        cb.playerJoined = [](uint32_t id, const std::string&) {
            ++g_ServerPlayerCount;
            NotifyPlayerJoined(id);
        };
        cb.received = [](netio::Message&& m) { EnqueueReceivedPacket(m.From(), std::move(m)); };
        return g_Host->Start(d, cb);
    };
    g_NetRoleCalls.stopServer = [] { g_Host->Close(); };
    g_NetRoleCalls.startClient = [](const char* name, const char*, uint32_t) {
        netio::ClientCallbacks cb;
        cb.connected = [](bool ok, uint32_t) { g_ClientPlayerCount += ok ? 1 : 0; };
        cb.terminated = [] { NotifySessionTerminated(); };
        if (!g_Joiner->Start(kApp, cb)) return false;
        g_Joiner->Connect("127.0.0.1", g_HostPort, name);
        return true;
    };
    g_NetRoleCalls.stopClient = [] { g_Joiner->Close(); };
}

class SessionTest : public ::testing::Test {
protected:
    netio::Server host;
    netio::Client joiner;

    void SetUp() override {
        ResetNetSession();
        ResetNetRoleCalls();
        g_Host = &host;
        g_Joiner = &joiner;
        g_Dispatched.clear();
        g_PacketDispatcher = [](uint32_t from, const uint8_t* d, size_t n) { g_Dispatched.emplace_back(from, Bytes(d, d + n)); };
        os::Message msg;
        while (os::PeekMessage(&msg, os::PM_REMOVE)) {}
    }
    void TearDown() override {
        g_NetSession.Stop();
        ResetNetSession();
        ResetNetRoleCalls();
    }
    // The first posted message of that id, or one with id 0.
    static os::Message Posted(uint32_t id) {
        os::Message msg;
        while (os::PeekMessage(&msg, os::PM_REMOVE))
            if (msg.id == id) return msg;
        return os::Message();
    }
};

TEST_F(SessionTest, TheDrainDispatchesGamePacketsInTheirOrderAndDropsTheRest) {
    UseTransports();
    ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
    EXPECT_FALSE(IsNetworkActive());    // alone in its session
    EXPECT_EQ(g_NetSession.GetPlayerCount(), 1);

    netio::Client client;
    uint32_t id = 0;
    netio::ClientCallbacks cb;
    ASSERT_TRUE(client.Start(kApp, cb));
    client.Connect("127.0.0.1", host.Port(), "Guest");
    ASSERT_TRUE(WaitFor([] { return g_ServerPlayerCount.load() == 1; }));
    EXPECT_TRUE(IsNetworkActive());
    EXPECT_EQ(g_NetSession.GetPlayerCount(), 2);
    const os::Message joined = Posted(os::WM_APP);
    EXPECT_EQ(joined.id, os::WM_APP);
    EXPECT_EQ(joined.lParam, 0);
    id = uint32_t(joined.wParam);

    for (const Bytes& m : {Bytes{4, 1}, Bytes{5, 9}, Bytes{4, 2}, Bytes{6, 9}, Bytes{1, 9}, Bytes{4, 3}})
        client.Send(m.data(), m.size());
    ASSERT_TRUE(WaitFor([] { return ReceiveQueueCount() == 6; }));
    g_NetSession.ProcessIncoming();
    EXPECT_EQ(ReceiveQueueCount(), 0);
    ASSERT_EQ(g_Dispatched.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g_Dispatched[i], std::make_pair(id, Bytes{4, uint8_t(i + 1)}));
    g_NetSession.ProcessIncoming();
    EXPECT_EQ(g_Dispatched.size(), 3u);
    client.Close();
}

TEST_F(SessionTest, AFullQueueRefusesTheNextMessageAndEveryBufferGoesBack) {
    g_NetRoleCalls.startServer = [](const char*, uint32_t) { return true; };
    ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
    auto held = std::make_shared<netio::HeldAccount>();
    const uint8_t packet[] = {4, 0};
    EXPECT_TRUE(EnqueueReceivedPacket(5, netio::Message(5, packet, 0, held)));   // empty: dropped
    for (int i = 1; i < RECEIVE_QUEUE_SIZE; ++i)
        ASSERT_TRUE(EnqueueReceivedPacket(5, netio::Message(5, packet, sizeof packet, held)));
    EXPECT_FALSE(EnqueueReceivedPacket(5, netio::Message(5, packet, sizeof packet, held)));
    EXPECT_EQ(ReceiveQueueCount(), RECEIVE_QUEUE_SIZE);
    EXPECT_EQ(held->messages.load(), size_t(RECEIVE_QUEUE_SIZE));
    g_NetSession.ProcessIncoming();
    EXPECT_EQ(g_Dispatched.size(), size_t(RECEIVE_QUEUE_SIZE - 1));
    EXPECT_EQ(held->messages.load(), 0u);
    EXPECT_EQ(held->bytes.load(), 0u);
}

TEST_F(SessionTest, AFailedStartLeavesNoQueueBehind) {
    g_NetRoleCalls.startClient = [](const char*, const char*, uint32_t) { return false; };
    EXPECT_FALSE(g_NetSession.Start(false, "A name longer than fifteen", 0, "127.0.0.1"));
    EXPECT_STREQ(g_NetSession.playerName, "A name longer t");
    EXPECT_EQ(g_NetSession.active, 0);
    g_NetSession.Stop();
    auto held = std::make_shared<netio::HeldAccount>();
    const uint8_t packet[] = {4};
    EXPECT_FALSE(EnqueueReceivedPacket(1, netio::Message(1, packet, 1, held)));
    EXPECT_EQ(held->messages.load(), 0u);
    EXPECT_EQ(ReceiveQueueCount(), 0);
}

TEST_F(SessionTest, AHostThatGoesAwayEndsTheSessionAtTheNextDrain) {
    UseTransports();
    netio::ServerDesc d;
    d.port = 0;
    d.bindAddress = "127.0.0.1";
    d.application = kApp;
    ASSERT_TRUE(host.Start(d, {}));
    g_HostPort = host.Port();
    ASSERT_TRUE(g_NetSession.Start(false, "Guest", 0, ""));
    ASSERT_TRUE(WaitFor([] { return g_ClientPlayerCount.load() == 1; }));
    EXPECT_TRUE(IsNetworkActive());
    host.Close();
    // What the match start's wait for its fighter watches.
    ASSERT_TRUE(WaitFor([] { return g_SessionTerminated.load() == 1; }));
    EXPECT_EQ(Posted(os::WM_KEYDOWN).wParam, uintptr_t(os::VK_ESCAPE));
    g_NetSession.ProcessIncoming();
    EXPECT_EQ(g_NetSession.active, 0);
    EXPECT_EQ(g_SessionTerminated.load(), 0);
    EXPECT_FALSE(IsNetworkActive());
}

}  // namespace
