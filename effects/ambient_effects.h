// The small effects of a scenario's ambience: drifting glow motes with a fading trail, the
// falling streaks of the rain and lava bubbles that swell and burst into sparks.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/positioned_object.h"

class AnimatedTexture;
class DynamicMesh;
class ParticleEmitter;
struct EffectVertex;

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

// A point of light that drifts, turning toward a new random heading and speed every turn
// period, fading in and out, drawn with a trail of dimmer quads behind it.
class GlowMotes : public PositionedObject {
public:
    GlowMotes();
    ~GlowMotes() override;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Queue() override;
    bool Render() override;

    // removal: REMOVE_WHEN_FINISHED or 0.
    void Setup(const GlowMoteParams* params, uint32_t removal);

    uint32_t lifetime;
    uint32_t age;
    float size;
    Vec3 fromDirection;
    Vec3 toDirection;
    Vec3 direction;
    float speedMin, speedMax;
    float fromSpeed, toSpeed, speed;
    uint32_t turnPeriod;
    uint32_t turnTimer;
    uint32_t colour;
    uint32_t currentColour;
    uint32_t fadeTime;
    uint32_t trailCount;
    int32_t texture;
    AnimatedTexture* animatedTexture;   // owned; null for a still texture
};

// A unit heading drawn from the program's generator, never of zero length.
Vec3 RandomHeading();

// One rain drop: a line from its head back along its direction, falling until its head passes
// the floor height.
class StreakParticle : public PositionedObject {
public:
    StreakParticle();

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Render() override;
    bool IsFinished() override { return ended != 0; }

    // Head and tail for a line batch; 0 vertices once the drop has ended, else 2.
    uint32_t WriteVertices(EffectVertex* out) const;

    float length;
    float floorHeight;
    Vec3 direction;
    float speed;
    uint32_t tailColour;
    uint32_t headColour;
    uint8_t ended;
};

// A copy of the scenario's bubble model that swells for growTime, then bursts into a spark
// emitter started 100 ms before, and ends burstTime later.
class BubbleEffect : public PositionedObject {
public:
    BubbleEffect();
    ~BubbleEffect() override;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Queue() override;
    bool Render() override;

    // False, with nothing made, when the scenario has no bubble model.
    bool Init(float px, float py, float pz);
    // The bubble's box meets the camera's frustum.
    virtual bool IsVisible();

    uint32_t growTime;
    uint32_t burstTime;
    uint32_t age;
    uint32_t colour;
    float startScale;
    float endScale;
    Vec3 boxMax;
    Vec3 boxMin;
    DynamicMesh* mesh;          // in the scene's object list
    ParticleEmitter* sparks;    // in the scene's effect list

private:
    void StartSparks();
};

// The colour of a bubble's sparks in a scenario of that number.
uint32_t BubbleSparkColour(int32_t scenarioNumber);

// A glow mote set up from the parameters with the second value of its set-up (its removal
// flags); null when none could be made.
PositionedObject* NewGlowMotes(const GlowMoteParams& params, uint32_t setupValue);
// A lava bubble of the scenario's bubble model at the point; null when none could be made (the
// scenario has no bubble model).
PositionedObject* NewBubble(const Vec3& at);
