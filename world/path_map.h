// The scenario's path and height map. Only the cell lookup that picking calls so far.
#pragma once

#include <cstdint>

struct Vec3;

// One layer of one grid cell.
struct CellRef {
    int32_t x;
    int32_t z;
    int32_t layer;
};

class PathMap {
public:
    // False outside the grid or with no layer within layerTolerance of the point.
    bool WorldToCell(const Vec3& point, CellRef* out, float layerTolerance) const;
};

// The loaded scenario's path map; null while none is loaded.
PathMap* ScenarioPathMap();
