// A full-screen colour that pulses for a while, then fades out.
#pragma once

#include <cstdint>

#include "effects/positioned_object.h"

class ScreenPulseEffect : public PositionedObject {
public:
    ScreenPulseEffect();
    ~ScreenPulseEffect() override;

    virtual void Setup(uint32_t fadeMs, uint32_t periodMs, int32_t count, float intensity, uint32_t holdMs,
                       uint32_t colour, uint32_t flags);
};
