#pragma once

#include <cstdint>

// The network session. Only what the shell reaches so far.
class NetSession {
public:
    uint8_t hosting;    // this machine hosts an active session
    uint8_t active;     // a network game runs
    uint8_t ended;
    int32_t scenarioId;   // the session's scenario and game kind
    int32_t gameKind;

    // Traffic counters of the statistics overlay: received [0] and sent [1].
    struct Traffic {
        int32_t bytesPerSecond[2];
        int32_t data[2];
        int32_t maxData[2];
        int32_t packets[2];
    } traffic = {};

    int GetPlayerCount() const;
    // Recomputes the per-second figures from the running totals (once per second).
    void UpdateTrafficRates();

    NetSession() : hosting(0), active(0), ended(0), scenarioId(0), gameKind(0) {}

    void RefreshPlayerList();
    void Stop();
    // Drains the receive queue and dispatches each game packet.
    void ProcessIncoming();
};

extern NetSession g_NetSession;

bool IsNetworkActive();
void RemovePlayerCharacters(uint32_t playerId);

class Character;

class GamePacket {
public:
    // The local fighter's charge, position, facing, target and aim point; the writers keep the
    // last-sent position and facing up to date.
    void WriteSetCharge(Character* player);
    void WriteSetPosition(Character* player);
    void WriteSetYaw(Character* player);
    void WriteSetTarget(Character* player);
    void WriteSetAimPoint(Character* player);
    void WriteRemovePlayer(uint32_t playerId);
    void WriteAttachToScene(int playerSlot);
    // Sends the events appended since the last flush as one packet.
    void Flush();
};

extern GamePacket g_GamePacket;
