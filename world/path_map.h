// The scenario's path and height map. Only the cell lookup that picking calls so far.
#pragma once

#include <cstdint>

#include "common/math.h"

// One layer of one grid cell.
struct CellRef {
    int32_t x;
    int32_t z;
    int32_t layer;
};

// The four corner heights of a cell layer: corners (x, z), (x, z + 1), (x + 1, z + 1), (x + 1, z).
struct PathLayer {
    float heights[4];
};

class PathMap {
public:
    int32_t sizeX = 0, sizeZ = 0, sizeY = 0;   // cells across, along and metres high
    int32_t sectorCount = 0;

    bool IsValidCell(const CellRef& cell) const;
    int LayerCount(int x, int z) const;
    // Cells the path map leaves out of every search.
    bool IsExcluded(int x, int z) const;
    bool HasJump(const CellRef& cell) const;
    bool IsJumpLanding(const CellRef& cell) const;
    bool JumpTarget(const CellRef& cell, CellRef* out) const;
    int SectorOf(const CellRef& cell) const;
    uint32_t SectorColour(int sector) const;
    bool SectorImpassable(int sector) const;
    // The centre of a cell layer in world coordinates.
    Vec3 CellToWorld(const CellRef& cell) const;
    // False outside the grid or with no layer within layerTolerance of the point.
    bool WorldToCell(const Vec3& point, CellRef* out, float layerTolerance) const;

    // world x = cell x - offsetX, world z = cell z - offsetZ
    int32_t offsetX = 0, offsetZ = 0;
    // The layer record of a cell; unchecked, valid cells only. Null while the map has none.
    const PathLayer* GetLayer(const CellRef& cell) const;
};

// The loaded scenario's path map; null while none is loaded.
PathMap* ScenarioPathMap();
