#pragma once

#include <cstdint>

// Counts of the precomputed trajectories, shown by the statistics overlay.
struct TrajectoryStats {
    int32_t count[5];      // short, medium, long, very long, missing
    int32_t ms[5];
    int32_t triple[3];
};

// Filled by the trajectory table once it lands; all zero until then.
extern TrajectoryStats g_TrajectoryStats;
