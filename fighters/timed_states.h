// The twelve timed states as data: the overlay each shows on the body, its sounds, when it is
// refused and what more it does to the fighter as it starts and stops.
#pragma once

#include <cstdint>

#include "fighters/character.h"

// What a state does beyond its overlay and sounds, at its start and at its stop.
enum class StateExtra : uint8_t {
    None,
    Translucent,   // the model is drawn translucent while it lasts
    Rate,          // the body's animations take the new rate
    Freeze,        // as Rate; at the start also the split ends and the power effects go
    RunRate,       // as Rate, only while running
};

struct TimedStateRow {
    const char* name;
    int32_t texture;          // overlay "vecorporal<n>"
    uint8_t plusSide;         // each side its own glow: the number plus the side
    float strength;           // 1.0 a full overlay, else blended over the skin at this strength
    int32_t startSound;
    int32_t stopSound;
    uint8_t refusedWhenImmune;
    StateExtra extra;
};

extern const TimedStateRow TIMED_STATE_TABLE[TIMED_STATE_COUNT];

