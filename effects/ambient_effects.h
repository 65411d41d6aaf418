// The small effects of a scenario's ambience: drifting glow motes and lava bubbles. Each is made
// ready for the scene's effect list, or not at all.
#pragma once

#include <cstdint>

#include "common/math.h"

class PositionedObject;

// One glow mote as its maker fills it.
struct GlowMoteParams {
    Vec3 position;
    float size;             // edge of each quad
    uint32_t lifetime;      // ms
    Vec3 direction;         // the first heading
    float speedMin;
    float speedMax;
    uint32_t turnPeriod;    // ms; 0 never turns
    uint32_t colour;        // ARGB
    uint32_t fadeTime;      // ms
    uint8_t trailCount;
    int32_t texture;        // texture id, -1 none
};

// A glow mote set up from the parameters with the second value of its set-up; null when none
// could be made.
PositionedObject* NewGlowMotes(const GlowMoteParams& params, uint32_t setupValue);
// A lava bubble of the scenario's bubble model at the point; null when none could be made (the
// scenario has no bubble model).
PositionedObject* NewBubble(const Vec3& at);
