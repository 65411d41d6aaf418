// The two body-effect materials a fighter's meshes carry as override materials: the overlay that
// holds while a timed state lasts (TimedBodyEffect) and the one-shot glow of a rise (BodyEffect).
// Both cross-fade between the fighter's own look (texture A) and an environment-mapped overlay
// (texture B) that turns and drifts through a texture matrix, by rewriting their own passes.
#pragma once

#include <cstdint>

#include "render/material.h"

// How the overlay texture drifts over the body: angle rates (radians per second), the scroll
// rate, two values the materials keep without using, and the texture matrix's scale.
struct BodyEffectMotion {
    float angleRates[3];
    float scrollRate;
    float spare[2];
    float scale[3];
};

// The phases of both materials.
constexpr uint8_t BODY_FADE_IN = 1;
constexpr uint8_t BODY_HOLD = 2;
constexpr uint8_t BODY_FADE_OUT = 3;
constexpr uint8_t BODY_ENDED = 4;

// What both keep and how they turn time into angles and scroll.
class BodyEffectBase : public Material {
public:
    int32_t textureA;
    int32_t textureB;
    uint32_t elapsed;
    float angleRates[3];
    float scrollRate;
    float spare[2];
    float scale[3];
    float angles[3];
    float scroll[3];
    uint8_t phase;

    BodyEffectBase();

protected:
    void Start(int32_t a, int32_t b, const BodyEffectMotion& motion);
    // Advances the clock, the angles and the scroll.
    void Advance(uint32_t dtMs);
    void ApplyTextureMatrix() const;
    // The two cross-fading passes, skin and overlay, both by the texture factor.
    void CrossFadePasses();
    void ClearTimes();
};

class BodyEffect : public BodyEffectBase {
public:
    uint32_t fadeInTime;
    uint32_t holdTime;
    uint32_t fadeOutTime;

    BodyEffect();

    int Update(uint32_t dtMs) override;
    bool IsFinished() const override { return phase == BODY_ENDED; }
    bool Apply(int pass) override;

    int Init(int32_t a, int32_t b, const BodyEffectMotion& motion, uint32_t fadeInMs, uint32_t holdMs,
             uint32_t fadeOutMs);
    int Reset();
};

class TimedBodyEffect : public BodyEffectBase {
public:
    uint32_t fadeTime;

    TimedBodyEffect();
    ~TimedBodyEffect() override;

    int Update(uint32_t dtMs) override;
    bool IsFinished() const override;
    bool Apply(int pass) override;

    // With fadeMs 0 the overlay holds at once.
    int Init(int32_t a, int32_t b, const BodyEffectMotion& motion, uint32_t fadeMs);
    // Fades back to texture A over fadeMs (at once for 0); returns 2.
    int FadeBack(uint32_t fadeMs);
    void Release();

private:
    void HoldPasses();
};

// A new TimedBodyEffect over the two textures that fades in over fadeMs.
Material* CreateTimedBodyEffect(int32_t textureA, int32_t textureB, const BodyEffectMotion& motion, uint32_t fadeMs);
// A new BodyEffect: fade in, hold, fade out.
Material* CreateBodyEffect(int32_t textureA, int32_t textureB, const BodyEffectMotion& motion, uint32_t fadeInMs,
                           uint32_t holdMs, uint32_t fadeOutMs);
// A TimedBodyEffect fades back to the skin over fadeMs; false for any other material.
bool FadeBackTimedBodyEffect(Material* material, uint32_t fadeMs);
