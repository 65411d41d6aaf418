#include "core/clocks.h"

#include "platform/os/os.h"

ClockSet g_Clocks;

void InitClocks() {
    os::timeBeginPeriod(1);
    g_Clocks = ClockSet();
    // Clock 1's base is 0, so it reads the raw system time until first switched away from.
    g_Clocks.active = CLOCK_MENU;
}

void ShutdownClocks() { os::timeEndPeriod(1); }

int GetActiveClock() { return g_Clocks.active; }

void SetActiveClock(int i) {
    if (i < 0 || i > 2 || i == g_Clocks.active) return;
    g_Clocks.stored[g_Clocks.active] = os::timeGetTime() - g_Clocks.base[g_Clocks.active];
    g_Clocks.base[i] = os::timeGetTime() - g_Clocks.stored[i];
    g_Clocks.active = i;
}

uint32_t GetTime(int i) {
    if (i < 0 || i > 2) return 0;
    if (i == g_Clocks.active) return os::timeGetTime() - g_Clocks.base[i];
    return g_Clocks.stored[i];
}

uint32_t GetElapsed(int i, uint32_t t0) { return GetTime(i) - t0; }
