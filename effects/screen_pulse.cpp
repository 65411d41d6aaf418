#include "effects/screen_pulse.h"

ScreenPulseEffect::ScreenPulseEffect() = default;
ScreenPulseEffect::~ScreenPulseEffect() = default;

// The effects subsystem fills this: the pulse's timing, colour and drawing.
void ScreenPulseEffect::Setup(uint32_t, uint32_t, int32_t, float, uint32_t, uint32_t, uint32_t) {}
