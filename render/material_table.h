#pragma once

class MaterialTable {
public:
    void RemoveSpecialLayerAll();
    void AddSpecialLayerAll();
    // Forgets the material last set, so the next one is sent to the device again.
    void ResetCache();
};
