#pragma once

#include <cstdint>

class LightNode;

constexpr int LIGHT_SLOT_COUNT = 4;

// The four hardware light slots and the choice of lights for one object. Holds no references.
class LightSlots {
public:
    LightNode* slots[LIGHT_SLOT_COUNT] = {};

    LightSlots() = default;
    ~LightSlots() { DisableAll(); }
    LightSlots(const LightSlots&) = delete;
    LightSlots& operator=(const LightSlots&) = delete;

    // Switches the four device lights off and frees every slot.
    void DisableAll();
    void Release() { DisableAll(); }
    // The first free slot takes the light; true when it holds it (also from before).
    bool Assign(LightNode* light, float x, float y, float z);
    // box: minimum x, y, z, maximum x, y, z. The sun first, then the scene's lights in order.
    bool SelectForBox(const float box[6]);
};
