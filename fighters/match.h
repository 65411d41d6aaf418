#pragma once

#include <cstdint>

#include "common/math.h"

class Character;

constexpr int MATCH_CHECKPOINTS = 99;

// A post of the obstacle race, in race order.
struct CheckpointRecord {
    int32_t index;          // -1 while the slot is free
    uint8_t passed[2];      // per team
    Vec3 position;
    float yaw;
};

// A team's symbol (steal the symbol).
struct SymbolRecord {
    int32_t team;
    uint8_t atHome;
    Vec3 pedestalPosition;
    Vec3 symbolPosition;
    float yaw;
    Character* carrier;     // null when nobody carries it
};

class Match {
public:
    int32_t gameKind;
    int32_t state = 0;            // 0 playing, 1 won, 2 lost
    int32_t localSide;

    uint32_t startTime = 0;       // clock 0
    uint32_t clockReference = 0;  // clock 0

    int32_t checkpointCount = 0;
    int32_t checkpointsPassed[2] = {0, 0};   // per team: the index of the next post to pass
    CheckpointRecord checkpoints[MATCH_CHECKPOINTS] = {};
    SymbolRecord symbols[2] = {};

    Match() : gameKind(0), localSide(0) {}

    void Setup(int gameKind, int localSide);
    void Start();
    void EnableWords();
    void Release();

    void InitTeamCounters(int side);
    void UpdateClock();
    // The match rules, once per foreground game frame in a match.
    void Update();

    // A kill (or a death without killer: points -1, victim and killer the same slot).
    void RecordKill(int points, int victimSlot, int killerSlot);
    // Credits a fighter of a side collected.
    void AddPoints(int points, int side, int slot);
    // The symbol of a team put down at a point (or back on its pedestal for the zero point) and
    // given to a carrier or none.
    void SetSymbolCarrier(int team, float x, float y, float z, Character* carrier);
};

extern Match g_Match;
