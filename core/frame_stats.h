// The frame counter and rate, kept by the render frame and read by anything that caches per frame.
#pragma once

#include <cstdint>

struct FrameStats {
    uint32_t frameCounter;       // one per begun frame
    float frameRate;             // frames per second
    uint32_t rateTime;           // timeGetTime() of the last computation; 0 until the first frame
    uint32_t rateCounter;        // frame counter at the last computation
    // Counted by StartGame in the scenario viewer.
    int32_t impassableSectors;
    int32_t walkableSurface;     // square metres: one per cell layer
    int32_t jumpPoints;
};

extern FrameStats g_FrameStats;

// Back to the start state (tests).
void ResetFrameStats();
