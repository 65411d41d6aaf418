// Brightness: the gamma ramp built from the GAMMA setting.
#pragma once

#include "platform/gfx/types.h"

// The same straight line in all three channels, from `low` at entry 0 to `high` at entry 255;
// brightness 0.5 is the identity, 1.0 lifts the dark end to 32767, 0.0 lowers the bright end
// to 32768. Brightness below -0.5 or above 1.5 acts as those values (a flat black or white
// line) instead of running out of the 16-bit range.
void BuildGammaRamp(float brightness, gfx::GammaRamp* ramp);
// Builds the ramp and sets it through the video object. False without a device.
bool SetBrightness(float brightness);
