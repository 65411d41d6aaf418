#pragma once

#include <cstdint>

class Match {
public:
    int32_t gameKind;
    int32_t localSide;

    Match() : gameKind(0), localSide(0) {}

    void InitTeamCounters(int side);
    void UpdateClock();
    // The match rules, once per foreground game frame in a match.
    void Update();
};

extern Match g_Match;
