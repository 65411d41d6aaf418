// Timed overlay materials a fighter's meshes carry for a while: an effect texture addressed by
// the camera-space normal through a rotating, scaling and sliding texture matrix, faded in and
// out by time over the mesh's own texture.
#pragma once

#include <cstdint>

#include "render/material.h"

// Animated values: three rotation angles (radians) then three texture offsets.
constexpr int ANIMATED_MATERIAL_VALUES = 6;

// Fade-in, hold and cross-fade back to the base texture, then finished.
class AnimatedMaterialA : public Material {
public:
    static constexpr uint8_t kFadeIn = 1;
    static constexpr uint8_t kHold = 2;
    static constexpr uint8_t kCrossFade = 3;
    static constexpr uint8_t kFinished = 4;

    int32_t baseTexture;
    int32_t effectTexture;   // its reference belongs to the material from Init on
    uint32_t elapsed;        // ms since Init
    float values[ANIMATED_MATERIAL_VALUES];
    float scales[3];
    uint8_t state;
    uint32_t t1, t2, t3;     // fade-in, hold, cross-fade (ms)
    float rates[ANIMATED_MATERIAL_VALUES];   // per second

    AnimatedMaterialA();

    int Update(uint32_t elapsedMs) override;
    bool IsFinished() const override { return state == kFinished; }
    bool Apply(int pass) override;

    bool Init(int32_t baseTexture, int32_t effectTexture, const float rates[ANIMATED_MATERIAL_VALUES], float scaleX,
              float scaleY, float scaleZ, uint32_t t1, uint32_t t2, uint32_t t3);
    int Reset();
};

// Fades in, holds until told to fade out, and follows the mesh's own fade (pass 0's alpha).
class AnimatedMaterialB : public Material {
public:
    static constexpr uint8_t kFinished = 0;
    static constexpr uint8_t kFadeIn = 1;
    static constexpr uint8_t kFadeOut = 2;
    static constexpr uint8_t kHold = 3;

    int32_t baseTexture;
    int32_t effectTexture;
    uint32_t elapsed;
    float values[ANIMATED_MATERIAL_VALUES];
    float scales[3];
    uint8_t state;
    float intensity;         // the overlay's full strength, 0..1
    uint32_t duration;       // of the current fade (ms)
    float rates[4];          // one per angle, the fourth shared by the offsets

    AnimatedMaterialB();
    ~AnimatedMaterialB() override;

    int Update(uint32_t elapsedMs) override;
    bool IsFinished() const override { return state == kFinished; }
    bool Apply(int pass) override;

    int Init(float intensity, int32_t baseTexture, int32_t effectTexture, const float rates[4], float scaleX,
             float scaleY, float scaleZ, uint32_t duration);
    int FadeOut(uint32_t duration);
    void Reset();
};

// The texture factor white with the alpha f (0..1, clamped) x 255, truncated.
uint32_t WhiteTextureFactor(float f);
// elapsed / span within 0..1; a span of 0 is a fade already done (1).
float FadeFraction(uint32_t elapsed, uint32_t span);
void SetTextureFactor(uint32_t value);
// The pass as one stage: MODULATE of the texture and the diffuse colour with the blend preset
// (the pass keeps its texture-factor alpha); index -1 leaves the stage's coordinates alone.
void SetSingleStagePass(MaterialPass* pass, int32_t texture, int8_t index, uint32_t preset);

// The overlay's texture matrix on stage 0: rotation of the three angles, its diagonal scaled,
// the offsets in the translation row.
void ApplyAnimatedTextureMatrix(const float values[ANIMATED_MATERIAL_VALUES], const float scales[3]);
