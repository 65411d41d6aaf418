#pragma once

// The four hardware light slots and the choice of lights for one object.
class LightSlots {
public:
    void DisableAll();
};
