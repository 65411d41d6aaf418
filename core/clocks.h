// Three millisecond clocks of which exactly one runs: 0 match, 1 start-up and menu, 2 pause.
#pragma once

#include <cstdint>

constexpr int CLOCK_MATCH = 0;
constexpr int CLOCK_MENU = 1;
constexpr int CLOCK_PAUSE = 2;

struct ClockSet {
    uint32_t stored[3];     // frozen reading of each clock while it does not run
    int32_t active;         // the running clock
    uint32_t base[3];       // for the running clock: the system time at which it read 0

    ClockSet() : stored{}, active(0), base{} {}
};

extern ClockSet g_Clocks;

void InitClocks();
void ShutdownClocks();
int GetActiveClock();
void SetActiveClock(int i);
uint32_t GetTime(int i);
uint32_t GetElapsed(int i, uint32_t t0);
