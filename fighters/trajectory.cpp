#include "fighters/trajectory.h"

TrajectoryStats g_TrajectoryStats = {};
