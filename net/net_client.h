// The joining side of a session: the search for hosts with its list of sessions, the join, and
// the players the host announces.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/net_server.h"
#include "platform/netio/netio.h"

constexpr int SESSION_LIST_SLOTS = 500;
constexpr uint32_t JOIN_TIMEOUT_MS = 120000;

// One session found, as the search last heard of it.
struct HostEntry {
    netio::SessionInfo info;
    std::string text;           // what the session list shows
    uint32_t lastResponse = 0;  // timeGetTime
    bool valid = false;
    bool joinable = false;      // its scenario and game kind are ones this program knows
    int32_t scenario = 0, gameKind = 0;
};

// The display text of a found session and whether it can be joined (scenario and kind known).
std::string SessionDisplayText(const netio::SessionInfo& s, bool* joinable, int32_t* scenario, int32_t* gameKind);

class NetConnector {
public:
    std::string playerName;
    std::string hostAddress;
    std::string broadcastAddress = "255.255.255.255";
    uint32_t retryMs = netio::kDiscoveryRetryMs;
    uint32_t expiryMs = 3 * netio::kDiscoveryRetryMs;
    uint32_t joinTimeoutMs = JOIN_TIMEOUT_MS;
    std::atomic<bool> searching{false};

    NetConnector(netio::Client* transport, const std::string& name, const std::string& address);

    bool SessionsDlgEnumHosts(const char* address, uint32_t port);
    // Network thread: a search answer.
    void AddEnumResponse(const netio::SessionInfo& s);
    // Main thread: stale sessions dropped and the list rebuilt when it changed.
    void Refresh();
    int Count() const { return int(slots_.size()); }
    const char* Name(int i) const;
    void EmptyList();
    void StopSearch();
    bool ConnectToSession(int i);
    // 0 while the join is pending, 1 joined, -1 refused or failed.
    int CheckConnectComplete();
    bool JoinGame(int i);
    // Network thread: the transport's answer to the join.
    void ConnectDone(bool joined);

private:
    struct Slot {
        std::string text;
        netio::Guid instance;
    };
    netio::Client* transport_;
    std::mutex hostLock_;
    std::vector<HostEntry> hosts_;
    bool listChanged_ = true;
    std::vector<Slot> slots_;
    bool connecting_ = false;
    std::atomic<int> connectResult_{0};
};

class NetClient {
public:
    std::atomic<uint32_t> localPlayerId{0};
    std::string playerName;

    bool Init(const char* name, const char* hostAddress);
    void Close();
    // Network thread: a message from the host.
    void HandleMessage(netio::Message&& m);
    std::vector<SessionPlayer> Players();
    NetConnector* Connector() { return connector_.get(); }
    // The join is done: the search ends and the connector goes.
    void DropConnector();
    void Send(const uint8_t* data, uint32_t size) { transport_.Send(data, size); }

private:
    netio::Client transport_;
    std::mutex lock_;                 // the player list
    std::vector<SessionPlayer> players_;
    std::mutex connectorLock_;        // the connector's life against the network thread
    std::unique_ptr<NetConnector> connector_;
};

extern NetClient g_NetClient;

// The menu's view of the search.
void RefreshSessionList();
int GetSessionCount();
const char* GetSessionName(int i);
void StopSessionSearch();
