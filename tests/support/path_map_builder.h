// Builds path maps in memory for tests: floors (layers) per cell, sectors with their reach rows,
// jump links, portals and occupants, without the path-map file or the builder.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "world/path_map.h"

// CellRefs in test expectations.
inline bool operator==(const CellRef& a, const CellRef& b) { return a.x == b.x && a.z == b.z && a.layer == b.layer; }
inline std::ostream& operator<<(std::ostream& os, const CellRef& c) {
    return os << "(" << c.x << "," << c.z << "," << c.layer << ")";
}

namespace testsupport {

class PathMapBuilder {
public:
    // A grid of cols x rows cells with no layers; world x = cell x - offX.
    PathMapBuilder(int32_t cols, int32_t rows, float offX = 0.0f, float offZ = 0.0f);

    // A flat layer on one cell: floor, low and the four corners at the height. Layers of a cell
    // must be added lowest first. Sector -1 leaves it unassigned.
    PathMapBuilder& Floor(int32_t x, int32_t z, float height, int32_t sector = 0);
    // The same on every cell of x0..x1, z0..z1 (inclusive).
    PathMapBuilder& Area(int32_t x0, int32_t z0, int32_t x1, int32_t z1, float height, int32_t sector = 0);
    // Corner heights and low point of an existing layer.
    PathMapBuilder& Corners(const CellRef& cell, float c0, float c1, float c2, float c3, float low);
    // A jump link from one layer to another (both must exist when Build runs).
    PathMapBuilder& Jump(const CellRef& from, const CellRef& to);
    // Sector flags: isolated, and reach[b] for the listed b (reach[self] is always 1).
    PathMapBuilder& Isolated(int32_t sector, bool isolated = true);
    PathMapBuilder& Reach(int32_t from, int32_t to, int32_t value = 1);
    PathMapBuilder& Colour(int32_t sector, uint32_t colour);
    // Geometry bounds; by default the grid's extent and the lowest and highest floor.
    PathMapBuilder& Bounds(const Vec3& min, const Vec3& max);

    // Fills the map (freed first). Sectors 0 .. highest used get their cell counts and reach rows;
    // every cell with a layer has flag 0, the others 1.
    void Build(PathMap* map) const;

private:
    struct Layer {
        int32_t x, z;
        float floor, low;
        float corners[4];
        int32_t sector;
    };
    struct Link {
        CellRef from, to;
    };
    int32_t cols_, rows_;
    float offX_, offZ_;
    std::vector<Layer> layers_;
    std::vector<Link> jumps_;
    std::vector<int32_t> isolated_;
    std::vector<CellRef> reach_;   // {from, to, value}
    std::vector<std::pair<int32_t, uint32_t>> colours_;
    bool bounds_ = false;
    Vec3 min_{}, max_{};
};

// Places occupants on a built map (the map keeps the pointers, nothing is owned).
void PutCharacter(PathMap* map, const CellRef& cell, Character* c);
void PutItem(PathMap* map, const CellRef& cell, Item* item);
void PutProp(PathMap* map, const CellRef& cell, DynamicObject* prop);
void PutPortal(PathMap* map, const CellRef& cell, PortalRecord* portal);

}  // namespace testsupport
