#include "net/net_client.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "frontend/text_table.h"
#include "net/session.h"
#include "net/session_defaults.h"
#include "platform/os/os.h"

NetClient g_NetClient;

namespace {

constexpr int32_t kScenarios = 20;
constexpr int32_t kGameKinds = 8;
constexpr uint32_t kJoinPollMs = 10;   // between looks at the join's answer
constexpr uint32_t kWelcomeWaitMs = 5000;

// A text of the table read from the network thread: no log line, never null.
const char* Text(int32_t id) {
    const char* t = g_TextTable.Find(id);
    return t ? t : "";
}

uint32_t ReadU32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

}  // namespace

std::string SessionDisplayText(const netio::SessionInfo& s, bool* joinable, int32_t* scenario, int32_t* gameKind) {
    char text[260];
    const int rtt = int(std::min<uint32_t>(s.roundTripMs, 999999));
    *joinable = false;
    if (s.maxPlayers == 9) {
        // A host that takes no player slot.
        std::snprintf(text, sizeof text, "%s (%d/%d) (%dms)", s.name.c_str(), s.players - 1, 8, rtt);
        return text;
    }
    const int32_t sc = s.appDataSize == 8 ? int32_t(ReadU32(s.appData)) : -1;
    const int32_t kind = s.appDataSize == 8 ? int32_t(ReadU32(s.appData + 4)) : -1;
    if (sc < 0 || sc >= kScenarios || kind < 0 || kind >= kGameKinds) {
        std::snprintf(text, sizeof text, "%s (%d/%d) (%dms)", s.name.c_str(), s.players, s.maxPlayers, rtt);
        return text;
    }
    *joinable = true;
    *scenario = sc;
    *gameKind = kind;
    if (s.maxPlayers == 0)
        std::snprintf(text, sizeof text, "%s (%d) (%dms) map=%d,Game=%d", s.name.c_str(), s.players, rtt, sc, kind);
    else
        std::snprintf(text, sizeof text, "%s - %s (%d/%d) - %s - %s - (%dms)", s.name.c_str(), Text(698), s.players,
                      s.maxPlayers, Text(610 + sc), Text(600 + kind), rtt);
    return text;
}

// ---- the search and the join ---------------------------------------------------------

NetConnector::NetConnector(netio::Client* transport, const std::string& name, const std::string& address)
    : playerName(name), hostAddress(address), transport_(transport) {}

bool NetConnector::SessionsDlgEnumHosts(const char* address, uint32_t port) {
    searching = true;
    {
        std::lock_guard<std::mutex> hold(hostLock_);
        listChanged_ = true;
    }
    hostAddress = address ? address : "";
    if (port > 65535 || !transport_->Discover(hostAddress, uint16_t(port), broadcastAddress, retryMs)) {
        LogNetError("NET ERROR - IP address not valid. Stopping search");
        searching = false;
        EmptyList();
        return false;
    }
    return true;
}

void NetConnector::AddEnumResponse(const netio::SessionInfo& s) {
    HostEntry fresh;
    fresh.info = s;
    fresh.text = SessionDisplayText(s, &fresh.joinable, &fresh.scenario, &fresh.gameKind);
    fresh.lastResponse = os::timeGetTime();
    fresh.valid = true;
    std::lock_guard<std::mutex> hold(hostLock_);
    auto it = std::find_if(hosts_.begin(), hosts_.end(),
                           [&](const HostEntry& e) { return e.info.instance == s.instance; });
    if (it == hosts_.end()) {
        listChanged_ = true;
        it = std::find_if(hosts_.begin(), hosts_.end(), [](const HostEntry& e) { return !e.valid; });
        if (it == hosts_.end()) it = hosts_.insert(hosts_.begin(), HostEntry());
    }
    if (!it->valid || it->text != fresh.text) listChanged_ = true;
    *it = fresh;
}

void NetConnector::Refresh() {
    if (!searching) return;
    const uint32_t now = os::timeGetTime();
    std::lock_guard<std::mutex> hold(hostLock_);
    for (HostEntry& e : hosts_) {
        if (e.valid && now - e.lastResponse > expiryMs) {
            e.valid = false;
            listChanged_ = true;
        }
    }
    if (!listChanged_) return;
    listChanged_ = false;
    slots_.clear();
    for (const HostEntry& e : hosts_)
        if (e.valid && int(slots_.size()) < SESSION_LIST_SLOTS) slots_.push_back({e.text, e.info.instance});
}

const char* NetConnector::Name(int i) const { return i >= 0 && i < Count() ? slots_[i].text.c_str() : nullptr; }

void NetConnector::EmptyList() { slots_.clear(); }

void NetConnector::StopSearch() {
    transport_->CancelDiscovery();
    EmptyList();
}

bool NetConnector::ConnectToSession(int i) {
    HostEntry entry;
    {
        std::lock_guard<std::mutex> hold(hostLock_);
        auto it = i >= 0 && i < Count() ? std::find_if(hosts_.begin(), hosts_.end(),
                                                       [&](const HostEntry& e) {
                                                           return e.valid && e.info.instance == slots_[i].instance;
                                                       })
                                        : hosts_.end();
        if (it == hosts_.end()) {
            LogNetError("NET ERROR - There are no games to join");
            return false;
        }
        entry = *it;
    }
    if (!entry.joinable) {
        LogNetError("NET ERROR - Connect error");
        return false;
    }
    g_NetSession.scenarioId = entry.scenario;
    g_NetSession.gameKind = entry.gameKind;
    connecting_ = true;
    connectResult_ = 0;
    transport_->Connect(entry.info.hostAddress, entry.info.port, playerName);
    return true;
}

void NetConnector::ConnectDone(bool joined) { connectResult_ = joined ? 1 : -1; }

int NetConnector::CheckConnectComplete() {
    const int r = connectResult_.load();
    if (r == 0) return 0;
    connecting_ = false;
    if (r < 0) LogNetError("NET ERROR - DPN_MSGID_CONNECT_COMPLETE - Unable to join game");
    return r;
}

bool NetConnector::JoinGame(int i) {
    if (!ConnectToSession(i)) {
        LogNetError("NET ERROR - JoinGame - Unable to join game");
        return false;
    }
    const uint32_t start = os::timeGetTime();
    for (;;) {
        const int r = CheckConnectComplete();
        if (r != 0) return r > 0;
        if (os::timeGetTime() - start > joinTimeoutMs) return false;
        // The window stays alive while we wait.
        os::Message msg;
        while (os::PeekMessage(&msg, os::PM_REMOVE)) {
            os::TranslateMessage(&msg);
            os::DispatchMessage(&msg);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kJoinPollMs));
    }
}

// ---- the client ----------------------------------------------------------------------

bool NetClient::Init(const char* name, const char* hostAddress) {
    Close();
    // The file is made here when missing; the name announced stays the one the session chose.
    LoadSessionDefaults();
    playerName = name ? name : "";
    {
        std::lock_guard<std::mutex> hold(connectorLock_);
        connector_ = std::make_unique<NetConnector>(&transport_, playerName, hostAddress ? hostAddress : "");
    }
    netio::ClientCallbacks cb;
    cb.connected = [this](bool joined, uint32_t) {
        std::lock_guard<std::mutex> hold(connectorLock_);
        if (connector_) connector_->ConnectDone(joined);
    };
    cb.received = [this](netio::Message&& m) { HandleMessage(std::move(m)); };
    cb.terminated = [] { NotifySessionTerminated(); };
    cb.sessionFound = [this](const netio::SessionInfo& s) {
        std::lock_guard<std::mutex> hold(connectorLock_);
        if (connector_) connector_->AddEnumResponse(s);
    };
    if (!transport_.Start(BRIMVALE_APPLICATION_GUID, std::move(cb))) {
        LogNetError("NET ERROR - InitDirectPlay() error");
        DropConnector();
        return false;
    }
    return true;
}

void NetClient::DropConnector() {
    std::lock_guard<std::mutex> hold(connectorLock_);
    connector_.reset();
}

void NetClient::Close() {
    transport_.Close();
    DropConnector();
    std::lock_guard<std::mutex> hold(lock_);
    players_.clear();
    g_ClientPlayerCount = 0;
    g_ClientServerOnly = 0;
    localPlayerId = 0;
}

void NetClient::HandleMessage(netio::Message&& m) {
    const uint8_t* d = m.Data();
    const size_t n = m.Size();
    if (n == 0) return;
    switch (d[0]) {
    case SESSION_MESSAGE_PLAYER_IN: {
        if (n < SESSION_PLAYER_MESSAGE_SIZE) return;
        SessionPlayer p;
        p.id = ReadU32(d + 1);
        // At most 19 characters, whatever the host put there.
        std::memcpy(p.name, d + 5, std::min(sizeof p.name - 1, n - 5));
        std::lock_guard<std::mutex> hold(lock_);
        for (const SessionPlayer& q : players_)
            if (q.id == p.id) return;
        players_.push_back(p);
        ++g_ClientPlayerCount;
        return;
    }
    case SESSION_MESSAGE_PLAYER_LEFT: {
        if (n < SESSION_PLAYER_MESSAGE_SIZE) return;
        const uint32_t id = ReadU32(d + 1);
        std::lock_guard<std::mutex> hold(lock_);
        auto it = std::find_if(players_.begin(), players_.end(), [id](const SessionPlayer& q) { return q.id == id; });
        if (it == players_.end()) return;
        players_.erase(it);
        --g_ClientPlayerCount;
        return;
    }
    case SESSION_MESSAGE_WELCOME:
        if (n < SESSION_WELCOME_SIZE) return;
        localPlayerId = ReadU32(d + 1);
        g_ClientServerOnly = d[5];
        return;
    case 4:
    case 5:
    case 6: EnqueueReceivedPacket(0, std::move(m)); return;
    default: return;
    }
}

std::vector<SessionPlayer> NetClient::Players() {
    std::lock_guard<std::mutex> hold(lock_);
    return players_;
}

void RefreshSessionList() {
    if (NetConnector* c = g_NetClient.Connector()) c->Refresh();
}

int GetSessionCount() {
    NetConnector* c = g_NetClient.Connector();
    return c ? c->Count() : 0;
}

const char* GetSessionName(int i) {
    NetConnector* c = g_NetClient.Connector();
    return c ? c->Name(i) : nullptr;
}

void StopSessionSearch() {
    if (NetConnector* c = g_NetClient.Connector()) c->StopSearch();
}

bool NetSession::JoinSession(int i) {
    NetConnector* c = g_NetClient.Connector();
    if (!c || !c->JoinGame(i)) return false;
    StopSessionSearch();
    g_NetClient.DropConnector();
    // The welcome follows the admission at once; the fighter request at match start needs our id.
    const uint32_t start = os::timeGetTime();
    while (!g_NetClient.localPlayerId && os::timeGetTime() - start < kWelcomeWaitMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(kJoinPollMs));
    playerId = g_NetClient.localPlayerId;
    if (playerId) return true;
    LogNetError("NET ERROR - JoinGame - no welcome from the host");
    return false;
}
