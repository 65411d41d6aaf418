// A particle emitter: spawns sprites from two parameter records.
#pragma once

#include <cstdint>

#include "effects/positioned_object.h"

// The emitter's first parameter record; fields the camera curtain leaves at 0 are spares here.
struct EmitterRecordA {
    int32_t lifeMs;
    float f1;
    float f2;
    float angleRange;
    float spinMin;
    float spinMax;
    int32_t count;
    int32_t intervalMs;
    int32_t flag;
    int32_t spare[7];
};

// The second parameter record.
struct EmitterRecordB {
    int32_t particleLifeMs;
    float f1;
    float f2;
    int32_t i3;
    int32_t i4;
    float f5;
    int32_t i6;
    float f7;
    float f8;
    float f9;
    int32_t i10;
    int32_t texture;
    int32_t i12;
    int32_t spare[7];
};

class ParticleEmitter : public PositionedObject {
public:
    ParticleEmitter();
    ~ParticleEmitter() override;

    void Setup(const EmitterRecordA& first, const EmitterRecordB& second, int a, int b);
    void MoveTo(float x, float y, float z);
    using PositionedObject::MoveTo;
};
