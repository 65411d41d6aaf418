// The host's side of a session: hosting on the transport, a record for every joined player, and
// the session messages that tell every client who is in the session.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/netio/netio.h"

// Session message kinds 1 to 3 and their sizes.
constexpr uint8_t SESSION_MESSAGE_PLAYER_IN = 1;
constexpr uint8_t SESSION_MESSAGE_PLAYER_LEFT = 2;
constexpr uint8_t SESSION_MESSAGE_WELCOME = 3;
constexpr size_t SESSION_PLAYER_MESSAGE_SIZE = 22;
constexpr size_t SESSION_WELCOME_SIZE = 6;
constexpr size_t SESSION_PLAYER_NAME_CHARS = 16;   // as the host announces a name

// Every instance of this program shares it: sessions of anything else are neither found nor joined.
extern const netio::Guid BRIMVALE_APPLICATION_GUID;

struct SessionPlayer {
    uint32_t id = 0;
    char name[20] = {};
};

// The scenario and game kind the host announces, from the next match's game settings. The
// option files fill it; while it is unset (or answers false) hosting fails.
using SessionSettingsSource = bool (*)(int32_t* scenario, int32_t* gameKind);
extern SessionSettingsSource g_SessionSettingsSource;

class NetServer {
public:
    uint32_t port = 0;
    std::string sessionName;
    std::string bindAddress;    // empty: every interface (tests bind loopback)
    uint8_t started = 0;
    uint8_t serverOnly = 0;     // this host always takes a player slot

    // Start-up: the remembered session name and port.
    void ReadDefaults();
    bool StartServer(const char* name, uint32_t port);
    void StopServer();
    // The stop of a session: the defaults written back, then the server stopped.
    void Release();
    void RefreshPlayerList();
    // Whether the player joined and has not left; any thread.
    bool HasPlayer(uint32_t id);
    // The rebuilt list (main thread).
    std::vector<SessionPlayer> PlayerList();
    uint16_t BoundPort() const { return transport_.Port(); }
    void Send(uint32_t target, const uint8_t* data, uint32_t size) { transport_.SendTo(target, data, size); }
    void Disconnect(uint32_t player) { transport_.Disconnect(player); }
    // See netio::Server::LateBoundMs; any thread.
    uint32_t LateBoundMs(uint32_t player) const { return transport_.LateBoundMs(player); }

private:
    void OnJoined(uint32_t id, const std::string& name);
    void OnLeft(uint32_t id);
    void SendPlayerJoined(const SessionPlayer& record, uint32_t target);
    void WelcomePlayer(uint32_t id);
    void SendPlayerLeft(const SessionPlayer& record);

    netio::Server transport_;
    std::mutex lock_;
    std::vector<SessionPlayer> records_;    // from join to leave, network thread
    std::vector<SessionPlayer> list_;       // rebuilt for the main thread
};

extern NetServer g_NetServer;

// The session messages' layouts.
std::vector<uint8_t> EncodePlayerMessage(uint8_t kind, const SessionPlayer& player);
std::vector<uint8_t> EncodeWelcome(uint32_t id, uint8_t serverOnly);
