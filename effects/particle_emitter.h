// The particle system: an emitter that moves, may orbit a centre, and emits sprite-mover
// particles at a fixed rate into a list of its own, drawing them all in one batch.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/positioned_object.h"
#include "effects/sprite_mover.h"

class EffectList;

// Emitter flags.
constexpr uint32_t EMITTER_MOVE_PARTICLES = 1;   // SetPosition acts as MoveTo
constexpr uint32_t EMITTER_FIXED_FACING = 2;     // build the facing frame from `facing` at set-up
constexpr uint32_t EMITTER_DISTANCE_FADE = 4;    // fade every particle by the emitter's distance

// Queueing flag: the emitter goes to the sorted render queue as one item.
constexpr uint32_t EMITTER_QUEUE_WHOLE = 2;

// What a caller fills to set an emitter up (times in ms, distances in world units, angles in
// radians, cones in units of pi).
struct EmitterParams {
    int32_t lifetime = 0;               // of emission; negative: until released
    Vec3 position{};
    float spawnRadius = 0.0f;           // particles appear in this ball around the emitter
    Vec3 boundsMax{};                   // kept, not read
    Vec3 boundsMin{};
    float directionCone = 0.0f;         // 0: the template's direction; else half-angle around it
    float accelCone = 0.0f;             // 0: the template's; else half-angle around world +Y
    float angleMin = 0.0f;              // initial sprite angle
    float angleMax = 0.0f;
    float spinMin = 0.0f;               // sprite turn, radians per second
    float spinMax = 0.0f;
    float sizeScaleStart = 0.0f;        // above 1.001: template size x random 1..scale
    float sizeScaleMiddle = 0.0f;
    float sizeScaleEnd = 0.0f;
    uint32_t colourJitterStart = 0;     // per ARGB byte: the greatest deviation of that channel
    uint32_t colourJitterMiddle = 0;
    uint32_t colourJitterEnd = 0;
    Vec3 facing{};                      // with EMITTER_FIXED_FACING
    float facingW = 0.0f;               // kept, not read
    float fadeNear = 0.0f;              // with EMITTER_DISTANCE_FADE
    float fadeFar = 0.0f;
    int32_t rate = 0;                   // particles per second
    int32_t lifetimeJitter = 0;         // a particle lives the template's lifetime +- up to this
    Vec3 velocityDirection{};           // the emitter's own straight motion
    float speed = 0.0f;
    Vec3 accelDirection{};
    float accel = 0.0f;
    Vec3 orbitCentre{};                 // the emitter's turn about a centre
    Vec3 orbitAxis{};
    float orbitSpeed = 0.0f;            // radians per second
    float orbitAccel = 0.0f;
    uint32_t flags = 0;                 // EMITTER_*
};

class ParticleEmitter : public PositionedObject {
public:
    ParticleEmitter();
    ~ParticleEmitter() override;

    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Queue() override;
    bool Render() override;
    void GetPosition(Vec3* out) override;
    float* GetPositionPtr() override;
    void SetPosition(const Vec3& p) override;
    void MoveTo(const Vec3& p) override;
    void MoveTo(float px, float py, float pz) { MoveTo(Vec3{px, py, pz}); }

    // removal: REMOVE_WHEN_FINISHED or 0; queueing: EMITTER_QUEUE_WHOLE or 0.
    void Setup(const EmitterParams& params, const SpriteMoverTemplate& particle, uint32_t removal,
               uint32_t queueing);
    // A new facing, whatever the flags (portals turn after set-up).
    void SetupVariant(float fx, float fy, float fz, float fw);

    int32_t lifetime;
    uint32_t elapsed;
    Vec3 position;                      // the emitter's own; the base position is not used
    float spawnRadius;
    Vec3 boundsMax;
    Vec3 boundsMin;
    Vec3 previousPosition;              // at the end of the last update
    float directionCone;
    float accelCone;
    float angleMin, angleMax;
    float spinMin, spinMax;
    float sizeScaleStart, sizeScaleMiddle, sizeScaleEnd;
    uint32_t colourJitterStart, colourJitterMiddle, colourJitterEnd;
    Vec3 facing;
    float facingW;
    Mat4 facingMatrix;
    float fadeNear, fadeFar;
    int32_t rate;
    int32_t lifetimeJitter;
    Vec3 velocityDirection;
    float speed;
    Vec3 accelDirection;
    float accel;
    Mat4 coneFrame;
    Vec3 orbitCentre;
    Vec3 orbitAxis;
    float orbitSpeed;
    float orbitAccel;
    uint32_t flags;
    EffectList* particles;              // owned; null until set up and after release
    SpriteMoverTemplate particleTemplate;
    float emitCarry;                    // the fraction of a particle owed to the next frame
    uint8_t firstUpdatePending;         // the first update after set-up emits one extra

private:
    void Emit(uint32_t dtMs);
    SpriteMover* MakeParticle(uint32_t index, uint32_t count, uint32_t share);
};

// The frame that turns a local direction l into l.x b + l.y d + l.z a around the direction d
// (the identity while the cone is off).
Mat4 ConeFrame(const Vec3& direction);
