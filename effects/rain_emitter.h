// The scenario's rain: streak drops inside a box kept above the local fighter.
#pragma once

#include "effects/positioned_object.h"

class RainEmitter : public PositionedObject {
public:
    RainEmitter() = default;
    ~RainEmitter() override = default;
};
