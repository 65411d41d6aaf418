// The stored trajectories of the running match: long paths between the places where a game
// kind's action happens, read from the scenario's file or built at match start, which the
// computer fighters' route planning follows.
#pragma once

#include <cstdint>

class TrajectoryTable {
public:
    uint32_t count = 0;     // stored trajectories

    // At match start in normal play outside network games.
    void LoadOrBuild();
    // Every trajectory freed.
    void Clear();
    // The path-search statistics file of the scenario and game kind (test mode, match end).
    void WriteStats();
};

extern TrajectoryTable g_TrajectoryTable;
