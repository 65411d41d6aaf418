#include "core/frame_stats.h"

FrameStats g_FrameStats = {};

void ResetFrameStats() { g_FrameStats = FrameStats{}; }
