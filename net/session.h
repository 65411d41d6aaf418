#pragma once

#include <cstdint>

// The network session. Only what the shell reaches so far.
class NetSession {
public:
    uint8_t hosting;    // this machine hosts an active session
    uint8_t active;     // a network game runs
    uint8_t ended;

    NetSession() : hosting(0), active(0), ended(0) {}

    void RefreshPlayerList();
    void Stop();
    // Drains the receive queue and dispatches each game packet.
    void ProcessIncoming();
};

extern NetSession g_NetSession;

bool IsNetworkActive();
void RemovePlayerCharacters(uint32_t playerId);

class GamePacket {
public:
    void WriteRemovePlayer(uint32_t playerId);
    // Sends the events appended since the last flush as one packet.
    void Flush();
};

extern GamePacket g_GamePacket;
