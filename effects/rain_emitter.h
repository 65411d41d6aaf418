// The scenario's rain: streak drops made at a fixed rate inside a box kept above the local
// fighter, held in a list of the emitter's own and drawn as one batch of lines.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/positioned_object.h"

class EffectList;

// What every new drop is given, in the order Init takes them.
struct RainDropParameters {
    Vec3 offset;            // added to each drop's random point in the box
    float length;
    float floorHeight;      // drops end when their head falls below it
    Vec3 direction;
    float speed;
    uint32_t tailColour;    // ARGB
    uint32_t headColour;
};

class RainEmitter : public PositionedObject {
public:
    RainEmitter();
    ~RainEmitter() override;

    RainEmitter(const RainEmitter&) = delete;
    RainEmitter& operator=(const RainEmitter&) = delete;

    // Deletes the drops; the emitter is finished until the next Init.
    void Release() override;
    int Update(uint32_t dtMs) override;
    bool Render() override;
    // The box's centre.
    void GetPosition(Vec3* out) override;
    // Centres the box on p; the drops stay where they are.
    void SetPosition(const Vec3& p) override;
    // Centres the box on p and moves the falling drops with it.
    void MoveTo(const Vec3& p) override;

    // The box's corners, drops per second, the drop parameters and the removal flags.
    void Init(const Vec3& boxMax, const Vec3& boxMin, int32_t rate, const RainDropParameters& drops, uint32_t flags);
    // The height at which new and falling drops end.
    void SetFloor(float height);

    Vec3 boxMax;
    Vec3 boxMin;
    int32_t rate;
    EffectList* drops;          // owned; null until Init and after Release
    RainDropParameters params;
    float carry;                // the fraction of a drop owed to the next frame

private:
    Vec3 Centre() const;
    void Spawn(uint32_t dtMs, uint32_t n);
};
