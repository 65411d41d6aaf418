#include "net/net_server.h"

#include <algorithm>
#include <cstring>

#include "net/session.h"
#include "net/session_defaults.h"

const netio::Guid BRIMVALE_APPLICATION_GUID = {
    {0x5b, 0x1e, 0x97, 0x3a, 0xc4, 0x42, 0x4f, 0x0d, 0x9e, 0x61, 0x27, 0xb8, 0x0a, 0xd3, 0x55, 0x14}};

SessionSettingsSource g_SessionSettingsSource = nullptr;
NetServer g_NetServer;

std::vector<uint8_t> EncodePlayerMessage(uint8_t kind, const SessionPlayer& player) {
    // Unused bytes are zero, the name's terminator among them.
    std::vector<uint8_t> m(SESSION_PLAYER_MESSAGE_SIZE, 0);
    m[0] = kind;
    for (int i = 0; i < 4; ++i) m[1 + i] = uint8_t(player.id >> (8 * i));
    if (kind == SESSION_MESSAGE_PLAYER_IN)
        std::memcpy(&m[5], player.name, strnlen(player.name, SESSION_PLAYER_NAME_CHARS));
    return m;
}

std::vector<uint8_t> EncodeWelcome(uint32_t id, uint8_t serverOnly) {
    std::vector<uint8_t> m(SESSION_WELCOME_SIZE, 0);
    m[0] = SESSION_MESSAGE_WELCOME;
    for (int i = 0; i < 4; ++i) m[1 + i] = uint8_t(id >> (8 * i));
    m[5] = serverOnly;
    return m;
}

void NetServer::ReadDefaults() {
    const SessionDefaults d = LoadSessionDefaults();
    sessionName = d.sessionName;
    port = d.port;
}

bool NetServer::StartServer(const char* name, uint32_t givenPort) {
    sessionName = name ? name : "";
    port = givenPort;
    int32_t scenario = 0, kind = 0;
    netio::ServerDesc desc;
    bool ok = g_SessionSettingsSource && g_SessionSettingsSource(&scenario, &kind);
    if (!ok) {
        LogNetError("NET ERROR - No game settings to host");
    } else {
        desc.port = uint16_t(port);
        desc.bindAddress = bindAddress;
        desc.application = BRIMVALE_APPLICATION_GUID;
        desc.sessionName = sessionName;
        desc.appDataSize = 8;
        for (int i = 0; i < 4; ++i) {
            desc.appData[i] = uint8_t(uint32_t(scenario) >> (8 * i));
            desc.appData[4 + i] = uint8_t(uint32_t(kind) >> (8 * i));
        }
        netio::ServerCallbacks cb;
        cb.playerJoined = [this](uint32_t id, const std::string& n) { OnJoined(id, n); };
        cb.playerLeft = [this](uint32_t id) { OnLeft(id); };
        cb.received = [](netio::Message&& m) { EnqueueReceivedPacket(m.From(), std::move(m)); };
        cb.terminated = [] { NotifySessionTerminated(); };
        ok = port <= 65535 && transport_.Start(desc, std::move(cb));
        if (!ok) LogNetError("NET ERROR - Host Function error");
    }
    if (ok) {
        g_NetSession.scenarioId = scenario;
        g_NetSession.gameKind = kind;
        started = 1;
        LogNetError("SERVER STARTED SUCCESSFULLY");
    }
    return ok;
}

void NetServer::StopServer() {
    LogNetError("STOPPING SERVER");
    transport_.Close();
    started = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        records_.clear();
        list_.clear();
    }
    g_ServerPlayerCount = 0;
    LogNetError("SERVER STOPPED SUCCESSFULLY");
    serverOnly = 0;
}

void NetServer::Release() {
    SessionDefaults d;
    d.sessionName = sessionName;
    d.port = port;
    SaveSessionDefaults(d);
    StopServer();
}

void NetServer::SendPlayerJoined(const SessionPlayer& record, uint32_t target) {
    const std::vector<uint8_t> m = EncodePlayerMessage(SESSION_MESSAGE_PLAYER_IN, record);
    transport_.SendTo(target, m.data(), m.size());
}

void NetServer::SendPlayerLeft(const SessionPlayer& record) {
    const std::vector<uint8_t> m = EncodePlayerMessage(SESSION_MESSAGE_PLAYER_LEFT, record);
    transport_.SendTo(0, m.data(), m.size());
}

void NetServer::WelcomePlayer(uint32_t id) {
    const std::vector<uint8_t> m = EncodeWelcome(id, serverOnly);
    transport_.SendTo(id, m.data(), m.size());
    for (const SessionPlayer& other : records_)
        if (other.id != id) SendPlayerJoined(other, id);
}

void NetServer::OnJoined(uint32_t id, const std::string& name) {
    SessionPlayer record;
    record.id = id;
    std::strncpy(record.name, name.c_str(), SESSION_PLAYER_NAME_CHARS);
    {
        std::lock_guard<std::mutex> hold(lock_);
        records_.push_back(record);
        // The newcomer hears of itself first, with everyone, then its welcome and the others.
        SendPlayerJoined(record, 0);
        WelcomePlayer(id);
    }
    ++g_ServerPlayerCount;
    NotifyPlayerJoined(id);
}

void NetServer::OnLeft(uint32_t id) {
    bool removed = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto it = std::find_if(records_.begin(), records_.end(), [id](const SessionPlayer& p) { return p.id == id; });
        if (it != records_.end()) {
            SendPlayerLeft(*it);
            records_.erase(it);
            removed = true;
        }
    }
    if (!removed) return;
    --g_ServerPlayerCount;
    NotifyPlayerLeft(id);
}

bool NetServer::HasPlayer(uint32_t id) {
    std::lock_guard<std::mutex> hold(lock_);
    return std::any_of(records_.begin(), records_.end(), [id](const SessionPlayer& p) { return p.id == id; });
}

void NetServer::RefreshPlayerList() {
    std::lock_guard<std::mutex> hold(lock_);
    list_ = records_;
}

std::vector<SessionPlayer> NetServer::PlayerList() {
    std::lock_guard<std::mutex> hold(lock_);
    return list_;
}
