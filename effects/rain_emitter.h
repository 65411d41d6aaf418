// The scenario's rain: streak drops inside a box kept above the local fighter.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/positioned_object.h"

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
    RainEmitter() = default;
    ~RainEmitter() override = default;

    // The box's corners, drops per second, the drop parameters and the removal flags.
    void Init(const Vec3& boxMax, const Vec3& boxMin, int32_t rate, const RainDropParameters& drops, uint32_t flags);
    // The height at which new and falling drops end.
    void SetFloor(float height);
};
