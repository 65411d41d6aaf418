#pragma once

class MaterialTable {
public:
    void RemoveSpecialLayerAll();
    void AddSpecialLayerAll();
};
