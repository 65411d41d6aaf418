#include "fighters/trajectory.h"

TrajectoryTable g_TrajectoryTable;

// The trajectory table fills these: its file, its building and the statistics file. Until then a
// match runs without stored trajectories.
void TrajectoryTable::LoadOrBuild() {}
void TrajectoryTable::Clear() {}
void TrajectoryTable::WriteStats() {}
