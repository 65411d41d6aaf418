// The effects and sounds of the fighters' hits and powers: made on this machine and, in a network
// game, told to the other machines as the events that make them there.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/effect_draw.h"   // UnitOrZero

class Character;

// What CreateEffect takes after the slot; vectors left out are zero.
struct EffectRequest {
    int32_t type = -1;
    Vec3 start{}, second{}, velocity{}, fourth{}, fifth{};
    int32_t durationMs = -1;
    float scale = 0.0f;
    uint32_t colour = 0;
    Character* owner = nullptr;
};

// Made in the first free slot; the slot, -1 when none is free. Told as event 31 when announced,
// whether or not a slot was found here.
int32_t MakeEffect(const EffectRequest& effect, bool announce);
// Played here at the point when asked, and told as event 37 when announced.
void MakeSound(int id, const Vec3& at, bool play, bool announce);

inline Vec3 Raised(const Vec3& p, float height) { return Vec3{p.x, p.y + height, p.z}; }
// The horizontal facing of a yaw: (sin yaw, 0, cos yaw).
inline Vec3 Facing(float yaw) { return Vec3{SinF(yaw), 0.0f, CosF(yaw)}; }
