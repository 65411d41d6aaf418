// The stored match setups of the one-player campaign, one per side and scenario step.
#pragma once

#include "frontend/mission_table.h"

// The setup of a side's scenario step; false for a side or step out of range.
bool FindMatchSetup(int side, int step, MissionRecord* out);
