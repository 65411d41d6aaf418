// Random values on a grid inside a range, from the program's one generator.
#pragma once

#include <cstdint>

// A value from lo to hi on a grid of 1/steps. The grid is counted from lo when lo < 0,
// else from 0, so a non-negative lo off the grid is first rounded down to it.
// A range narrower than one step gives that low grid point; steps = 0 or a range that is not
// finite gives lo.
float RandomInRange(float lo, float hi, uint32_t steps);
