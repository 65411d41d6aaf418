#include "net/session.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "core/clocks.h"
#include "core/debug_log.h"
#include "frontend/text_table.h"
#include "net/game_ops.h"
#include "net/net_client.h"
#include "net/net_server.h"
#include "platform/netio/netio.h"
#include "platform/os/key_value_store.h"
#include "platform/os/os.h"

NetSession g_NetSession;
std::atomic<uint8_t> g_SessionTerminated{0};
std::atomic<int32_t> g_ServerPlayerCount{0};
std::atomic<int32_t> g_ClientPlayerCount{0};
std::atomic<uint8_t> g_ClientServerOnly{0};

namespace {

struct QueuedMessage {
    netio::Message message;     // owns the received bytes until the drain hands them back
    uint32_t playerContext = 0;
    uint32_t receivedAt = 0;    // system ms
};

// How long the packet being dispatched waited for the main thread, at most a stall's worth.
constexpr uint32_t kLongestWaitMs = 2000;
uint32_t g_DispatchedWait = 0;

// Exists between a session's start and its stop; the network thread appends, the main thread
// drains, both under the lock.
struct ReceiveQueue {
    std::mutex lock;
    std::unique_ptr<QueuedMessage[]> entries;
    int32_t count = 0;
};
ReceiveQueue g_Queue;

void FreeQueue() {
    std::lock_guard<std::mutex> lock(g_Queue.lock);
    g_Queue.entries.reset();
    g_Queue.count = 0;
}

bool StartServerRole(const char* name, uint32_t port) {
    g_NetServer.ReadDefaults();
    return g_NetServer.StartServer(name, port);
}
void StopServerRole() { g_NetServer.Release(); }

// The start counts once the client exists, whatever its search reports.
bool StartClientRole(const char* name, const char* hostAddress, uint32_t port) {
    if (!g_NetClient.Init(name, hostAddress)) return false;
    if (NetConnector* c = g_NetClient.Connector()) c->SessionsDlgEnumHosts(hostAddress, port);
    return true;
}
void StopClientRole() { g_NetClient.Close(); }

void DisconnectByRole(uint32_t player) { g_NetServer.Disconnect(player); }
bool InSessionByRole(uint32_t player) { return g_NetServer.HasPlayer(player); }
uint32_t LateBoundByRole(uint32_t player) { return g_NetSession.hosting ? g_NetServer.LateBoundMs(player) : 0; }

void SendByRole(bool hosting, uint32_t target, const uint8_t* data, uint32_t size) {
    if (hosting)
        g_NetServer.Send(target, data, size);
    else
        g_NetClient.Send(data, size);
}

constexpr NetRoleCalls kRealRoleCalls = {StartServerRole, StopServerRole,   StartClientRole, StopClientRole,
                                         SendByRole,      DisconnectByRole, InSessionByRole, LateBoundByRole};

}  // namespace

NetRoleCalls g_NetRoleCalls = kRealRoleCalls;

void ResetNetRoleCalls() { g_NetRoleCalls = kRealRoleCalls; }

// A test's calls listed without this one leave it empty: such a machine knows of no late link.
uint32_t LinkLateBoundMs(uint32_t player) { return g_NetRoleCalls.lateBound ? g_NetRoleCalls.lateBound(player) : 0; }

void LogNetError(const char* text) {
    WriteDebugLogNewLine();
    WriteDebugLogSeparator();
    WriteDebugLog(text);
}

bool NetSession::Start(bool host, const char* name, uint32_t port, const char* hostAddress) {
    std::string chosen = name && *name ? name : os::ComputerName();
    if (chosen.empty()) {
        const char* fallback = g_TextTable.Get(90);
        chosen = fallback ? fallback : "";
    }
    std::memset(playerName, 0, sizeof playerName);
    std::strncpy(playerName, chosen.c_str(), SESSION_NAME_CHARS);

    if (active) Stop();
    active = 0;
    g_SessionTerminated = 0;

    {
        std::lock_guard<std::mutex> lock(g_Queue.lock);
        g_Queue.entries.reset(new (std::nothrow) QueuedMessage[RECEIVE_QUEUE_SIZE]);
        g_Queue.count = 0;
    }
    bool ok = g_Queue.entries != nullptr;
    if (!ok) LogNetError("NET ERROR - Receive queue allocation error");
    if (ok && host) {
        hosting = 1;
        ok = g_NetRoleCalls.startServer(playerName, port);
    } else if (ok) {
        hosting = 0;
        ok = g_NetRoleCalls.startClient(playerName, hostAddress ? hostAddress : "", port);
    }
    g_GamePacket.Reset();
    traffic = {};
    bytesAtLastRate[0] = bytesAtLastRate[1] = 0;
    if (!ok) return false;
    active = 1;
    return true;
}

void NetSession::Stop() {
    // The role's network thread ends here, so nothing is queued once the queue is gone.
    if (hosting) {
        hosting = 0;
        g_NetRoleCalls.stopServer();
    } else {
        g_NetRoleCalls.stopClient();
    }
    // Freed whether or not the start succeeded: a failed start leaves nothing behind.
    FreeQueue();
    ResetFighterOwners();
    g_ServerPlayerCount = 0;
    g_ClientPlayerCount = 0;
    g_ClientServerOnly = 0;
    active = 0;
    g_SessionTerminated = 0;
}

bool IsNetworkActive() {
    if (!g_NetSession.active) return false;
    return (g_NetSession.hosting ? g_ServerPlayerCount.load() : g_ClientPlayerCount.load()) != 0;
}

int NetSession::GetPlayerCount() const {
    if (hosting) return g_ServerPlayerCount.load() + 1;
    return g_ClientPlayerCount.load() + (g_ClientServerOnly.load() ? 0 : 1);
}

void NetSession::UpdateTrafficRates() {
    const GamePacket& p = g_GamePacket;
    const uint32_t totals[2] = {p.receivedBytes, p.sentBytes};
    const uint32_t largest[2] = {p.largestReceived, p.largestSent};
    const uint32_t packets[2] = {p.receivedPackets, p.sentPackets};
    for (int i = 0; i < 2; ++i) {
        traffic.bytesPerSecond[i] = int32_t(totals[i] - bytesAtLastRate[i]);
        bytesAtLastRate[i] = totals[i];
        traffic.data[i] = int32_t(totals[i]);
        traffic.maxData[i] = int32_t(largest[i]);
        traffic.packets[i] = int32_t(packets[i]);
    }
}

bool EnqueueReceivedPacket(uint32_t playerContext, netio::Message&& message) {
    {
        std::lock_guard<std::mutex> lock(g_Queue.lock);
        if (g_Queue.entries && g_Queue.count < RECEIVE_QUEUE_SIZE) {
            QueuedMessage& q = g_Queue.entries[g_Queue.count++];
            q.message = std::move(message);
            q.playerContext = playerContext;
            q.receivedAt = os::timeGetTime();
            return true;
        }
        if (!g_Queue.entries) {
            message.Release();
            return false;
        }
    }
    message.Release();
    LogNetError("NET ERROR - Receive queue full, message dropped");
    return false;
}

uint32_t DispatchedPacketTime() { return GetTime(CLOCK_MATCH) - g_DispatchedWait; }

int32_t ReceiveQueueCount() {
    std::lock_guard<std::mutex> lock(g_Queue.lock);
    return g_Queue.count;
}

namespace {
void DispatchGamePacket(uint32_t from, const uint8_t* data, size_t size) { g_GamePacket.Dispatch(data, size, from); }
}  // namespace

PacketDispatcher g_PacketDispatcher = DispatchGamePacket;
void ResetPacketDispatcher() { g_PacketDispatcher = DispatchGamePacket; }

void DispatchQueuedPacket(uint32_t playerContext, const uint8_t* data, size_t size) {
    if (!data || size == 0 || data[0] != SESSION_MESSAGE_GAME_PACKET) return;
    g_PacketDispatcher(playerContext, data, size);
}

void NotifyPlayerJoined(uint32_t playerId) { os::PostMessage(os::GetMainWindow(), os::WM_APP, playerId, 0); }
void NotifyPlayerLeft(uint32_t playerId) { os::PostMessage(os::GetMainWindow(), os::WM_APP, playerId, 1); }

void NotifySessionTerminated() {
    g_SessionTerminated = 1;
    os::PostMessage(os::GetMainWindow(), os::WM_KEYDOWN, os::VK_ESCAPE, 0);
}

void NetSession::ProcessIncoming() {
    if (g_SessionTerminated) {
        Stop();
        OnSessionEndedInFrontEnd();
        return;
    }
    // The welcome names us on the network thread; the game reads it here.
    if (!hosting) playerId = g_NetClient.localPlayerId.load();
    std::lock_guard<std::mutex> lock(g_Queue.lock);
    for (int32_t i = 0; i < g_Queue.count; ++i) {
        QueuedMessage& q = g_Queue.entries[i];
        g_DispatchedWait = std::min(os::timeGetTime() - q.receivedAt, kLongestWaitMs);
        DispatchQueuedPacket(q.playerContext, q.message.Data(), q.message.Size());
        q.message.Release();
    }
    g_DispatchedWait = 0;
    g_Queue.count = 0;
}

void NetSession::Send(uint32_t target, const uint8_t* data, uint32_t size) {
    if (!active || !data || size == 0) return;
    g_NetRoleCalls.send(hosting != 0, target, data, size);
}

void ResetNetSession() {
    FreeQueue();
    g_ServerPlayerCount = 0;
    g_ClientPlayerCount = 0;
    g_ClientServerOnly = 0;
    g_SessionTerminated = 0;
    g_NetSession = NetSession();
    g_GamePacket = GamePacket();
    g_GamePacket.Reset();
    ResetGamePacketSink();
    ResetPacketDispatcher();
    ResetFighterOwners();
}

void NetSession::RefreshPlayerList() {
    if (hosting && active) g_NetServer.RefreshPlayerList();
}
