#include "support/path_map_builder.h"

#include <algorithm>
#include <cassert>

namespace testsupport {

PathMapBuilder::PathMapBuilder(int32_t cols, int32_t rows, float offX, float offZ)
    : cols_(cols), rows_(rows), offX_(offX), offZ_(offZ) {}

PathMapBuilder& PathMapBuilder::Floor(int32_t x, int32_t z, float height, int32_t sector) {
    layers_.push_back({x, z, height, height, {height, height, height, height}, sector});
    return *this;
}

PathMapBuilder& PathMapBuilder::Area(int32_t x0, int32_t z0, int32_t x1, int32_t z1, float height, int32_t sector) {
    for (int32_t x = x0; x <= x1; ++x)
        for (int32_t z = z0; z <= z1; ++z) Floor(x, z, height, sector);
    return *this;
}

PathMapBuilder& PathMapBuilder::Corners(const CellRef& cell, float c0, float c1, float c2, float c3, float low) {
    int32_t index = 0;
    for (Layer& l : layers_) {
        if (l.x != cell.x || l.z != cell.z) continue;
        if (index++ != cell.layer) continue;
        l.corners[0] = c0;
        l.corners[1] = c1;
        l.corners[2] = c2;
        l.corners[3] = c3;
        l.low = low;
        return *this;
    }
    assert(!"Corners: no such layer");
    return *this;
}

PathMapBuilder& PathMapBuilder::Jump(const CellRef& from, const CellRef& to) {
    jumps_.push_back({from, to});
    return *this;
}

PathMapBuilder& PathMapBuilder::Isolated(int32_t sector, bool isolated) {
    if (isolated)
        isolated_.push_back(sector);
    else
        isolated_.erase(std::remove(isolated_.begin(), isolated_.end(), sector), isolated_.end());
    return *this;
}

PathMapBuilder& PathMapBuilder::Reach(int32_t from, int32_t to, int32_t value) {
    reach_.push_back({from, to, value});
    return *this;
}

PathMapBuilder& PathMapBuilder::Colour(int32_t sector, uint32_t colour) {
    colours_.push_back({sector, colour});
    return *this;
}

PathMapBuilder& PathMapBuilder::Bounds(const Vec3& min, const Vec3& max) {
    bounds_ = true;
    min_ = min;
    max_ = max;
    return *this;
}

void PathMapBuilder::Build(PathMap* map) const {
    map->Free();
    map->Allocate(cols_, rows_);
    map->offX = offX_;
    map->offZ = offZ_;

    int32_t highestSector = -1;
    float lowest = 0.0f, highest = 0.0f;
    bool any = false;
    std::vector<std::vector<int32_t>> next(size_t(cols_), std::vector<int32_t>(size_t(rows_), 0));
    for (const Layer& l : layers_) {
        assert(map->InBounds(l.x, l.z));
        ++next[size_t(l.x)][size_t(l.z)];
    }
    for (int32_t x = 0; x < cols_; ++x)
        for (int32_t z = 0; z < rows_; ++z) {
            PathCell& cell = map->columns[size_t(x)][size_t(z)];
            cell.Resize(next[size_t(x)][size_t(z)]);
            cell.flag = cell.layerCount == 0 ? 1 : 0;
            next[size_t(x)][size_t(z)] = 0;
        }
    // The layers of a cell in the order they were added.
    for (const Layer& l : layers_) {
        PathLayer& layer = map->columns[size_t(l.x)][size_t(l.z)].layers[size_t(next[size_t(l.x)][size_t(l.z)]++)];
        layer.floor = l.floor;
        layer.low = l.low;
        std::copy(std::begin(l.corners), std::end(l.corners), std::begin(layer.corners));
        layer.sector = l.sector;
        highestSector = std::max(highestSector, l.sector);
        lowest = any ? std::min(lowest, l.low) : l.low;
        highest = any ? std::max(highest, l.floor) : l.floor;
        any = true;
    }

    for (const Link& j : jumps_) {
        assert(map->IsValidCell(j.from) && map->IsValidCell(j.to));
        PathLayer* from = map->GetLayer(j.from);
        PathLayer* to = map->GetLayer(j.to);
        from->jumpStart = 1;
        from->jumpTarget = j.to;
        to->jumpLanding = 1;
        to->jumpSource = j.from;
    }

    const int32_t count = highestSector + 1;
    map->sectorCount = count;
    map->sectors.resize(size_t(count));
    for (int32_t s = 0; s < count; ++s) {
        PathSector& sector = map->sectors[size_t(s)];
        sector.index = s;
        sector.colour = 0x80000000u | uint32_t(0x102030 * (s + 1) & 0xffffff);
        sector.reach.assign(size_t(count), 0);
        sector.reach[size_t(s)] = 1;
    }
    for (const Layer& l : layers_)
        if (l.sector >= 0) ++map->sectors[size_t(l.sector)].cellCount;
    for (int32_t s : isolated_) {
        map->sectors[size_t(s)].isolated = 1;
        map->sectors[size_t(s)].colour = PATH_ISOLATED_COLOUR;
    }
    for (const CellRef& r : reach_) map->sectors[size_t(r.x)].reach[size_t(r.z)] = r.layer;
    for (const auto& [s, colour] : colours_) map->sectors[size_t(s)].colour = colour;

    if (bounds_) {
        map->min = min_;
        map->max = max_;
    } else {
        map->min = Vec3{-offX_, lowest, -offZ_};
        map->max = Vec3{float(cols_) - offX_, highest, float(rows_) - offZ_};
    }
}

void PutCharacter(PathMap* map, const CellRef& cell, Character* c) { map->GetLayer(cell)->character = c; }
void PutItem(PathMap* map, const CellRef& cell, Item* item) { map->GetLayer(cell)->item = item; }
void PutProp(PathMap* map, const CellRef& cell, DynamicObject* prop) { map->GetLayer(cell)->prop = prop; }
void PutPortal(PathMap* map, const CellRef& cell, PortalRecord* portal) { map->GetLayer(cell)->portal = portal; }

}  // namespace testsupport
