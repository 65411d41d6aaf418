// The two body-effect materials a fighter's meshes carry as override materials: the overlay that
// holds while a timed state lasts (TimedBodyEffect) and the one-shot glow of a rise (BodyEffect).
#pragma once

#include <cstdint>

class Material;

// How the overlay texture drifts over the body: angle rates (radians per second), the scroll
// rate, two values the materials keep without using, and the texture matrix's scale.
struct BodyEffectMotion {
    float angleRates[3];
    float scrollRate;
    float spare[2];
    float scale[3];
};

// A new TimedBodyEffect over the two textures that fades in over fadeMs; null when none is made.
Material* CreateTimedBodyEffect(int32_t textureA, int32_t textureB, const BodyEffectMotion& motion, uint32_t fadeMs);
// A new BodyEffect: fade in, hold, fade out; null when none is made.
Material* CreateBodyEffect(int32_t textureA, int32_t textureB, const BodyEffectMotion& motion, uint32_t fadeInMs,
                           uint32_t holdMs, uint32_t fadeOutMs);
// A TimedBodyEffect fades back to the skin over fadeMs; false for any other material.
bool FadeBackTimedBodyEffect(Material* material, uint32_t fadeMs);
