#pragma once

#include <cstdint>

class Match {
public:
    int32_t gameKind;
    int32_t localSide;

    uint32_t startTime = 0;       // clock 0
    uint32_t clockReference = 0;  // clock 0

    Match() : gameKind(0), localSide(0) {}

    void Setup(int gameKind, int localSide);
    void Start();
    void EnableWords();
    void Release();

    void InitTeamCounters(int side);
    void UpdateClock();
    // The match rules, once per foreground game frame in a match.
    void Update();
};

extern Match g_Match;
