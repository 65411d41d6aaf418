#pragma once

class MaterialTable {
public:
    void RemoveSpecialLayerAll();
};
