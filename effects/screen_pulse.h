// A full-screen colour that fades in, pulses a number of times and fades out, drawn in the
// screen-space pass of the scene's effect list.
#pragma once

#include <cstdint>

#include "effects/positioned_object.h"

class ScreenPulseEffect : public PositionedObject {
public:
    ScreenPulseEffect();
    ~ScreenPulseEffect() override;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Render() override;

    // Times in ms; each pulse falls from full strength to half and back, blended toward the
    // minimum (0..1). flags: REMOVE_WHEN_FINISHED or 0. Returns 0.
    virtual int Init(uint32_t fadeInMs, uint32_t periodMs, uint32_t pulses, float minimumStrength, uint32_t fadeOutMs,
                     uint32_t argb, uint32_t flags);

    // The strength 0..1 at t ms after Init.
    float StrengthAt(uint32_t t) const;

    uint32_t total;
    uint32_t fadeIn;
    uint32_t period;
    uint32_t fadeOut;
    uint32_t elapsed;
    uint32_t count;
    float minimum;
    uint32_t colour;
};
