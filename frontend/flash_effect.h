// The full-screen flash: the screen brightens towards a colour over the rise time, then fades
// until the duration has passed.
#pragma once

#include <cstdint>

#include "effects/positioned_object.h"

class FlashEffect : public PositionedObject {
public:
    uint32_t duration;   // ms
    uint32_t elapsed;
    uint32_t riseTime;   // ms to full strength
    uint32_t colour;     // ARGB at full strength

    FlashEffect();
    ~FlashEffect() override;

    void Release() override;
    // 1 when the list is to delete the flash.
    int Update(uint32_t dtMs) override;
    // False once finished.
    bool Render() override;
    virtual void Init(uint32_t durationMs, uint32_t riseMs, uint32_t argb, uint32_t flags);

    // The strength at the current elapsed time, 0 to 1.
    float Strength() const;
};

// A flash ready for the scene's effect list (flags bit 0: the list deletes it when it ends).
PositionedObject* NewFlashEffect(uint32_t durationMs, uint32_t riseMs, uint32_t colour, uint32_t flags);
