#include "support/random_path_map.h"

#include <algorithm>
#include <cmath>

#include "world/scenario.h"

namespace testsupport {
namespace {

class Random {
public:
    explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9e3779b9u) {}
    uint32_t Next() {
        // xorshift32; never all zero
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // lo..hi inclusive
    int32_t Range(int32_t lo, int32_t hi) { return hi <= lo ? lo : lo + int32_t(Next() % uint32_t(hi - lo + 1)); }
    bool Percent(int p) { return int(Next() % 100) < p; }

private:
    uint32_t state_;
};

using Floors = std::vector<std::vector<std::vector<float>>>;   // [x][z] -> floors, lowest first

void MakeGround(Random& rnd, const RandomMapOptions& o, Floors* floors) {
    std::vector<std::vector<int>> level(size_t(o.cols), std::vector<int>(size_t(o.rows), 0));
    std::vector<std::vector<bool>> open(size_t(o.cols), std::vector<bool>(size_t(o.rows), true));
    for (int p = 0; p < o.plateaus; ++p) {
        const int32_t w = rnd.Range(3, std::max(3, o.cols / 4)), h = rnd.Range(3, std::max(3, o.rows / 4));
        const int32_t x0 = rnd.Range(0, o.cols - 1), z0 = rnd.Range(0, o.rows - 1);
        for (int32_t x = x0; x < std::min(o.cols, x0 + w); ++x)
            for (int32_t z = z0; z < std::min(o.rows, z0 + h); ++z) {
                int& l = level[size_t(x)][size_t(z)];
                l = std::min(4, l + 1);
            }
    }
    for (int k = 0; k < o.walls; ++k) {
        const bool alongX = rnd.Range(0, 1) == 0;
        const int32_t length = rnd.Range(4, std::max(4, (alongX ? o.cols : o.rows) / 3));
        const int32_t x0 = rnd.Range(0, o.cols - 1), z0 = rnd.Range(0, o.rows - 1);
        for (int32_t i = 0; i < length; ++i) {
            const int32_t x = alongX ? x0 + i : x0, z = alongX ? z0 : z0 + i;
            if (x < o.cols && z < o.rows) open[size_t(x)][size_t(z)] = false;
        }
    }
    for (int32_t x = 0; x < o.cols; ++x)
        for (int32_t z = 0; z < o.rows; ++z) {
            if (rnd.Percent(o.blockedPercent)) open[size_t(x)][size_t(z)] = false;
            if (open[size_t(x)][size_t(z)])
                (*floors)[size_t(x)][size_t(z)].push_back(0.5f * float(level[size_t(x)][size_t(z)]));
        }
}

// A bridge three units above the highest ground under it, with a ramp of six half-unit steps
// down from each end.
void AddBridge(Random& rnd, const RandomMapOptions& o, Floors* floors) {
    constexpr int32_t kRamp = 6;
    const bool alongX = rnd.Range(0, 1) == 0;
    const int32_t side = alongX ? o.cols : o.rows;
    const int32_t span = rnd.Range(4, 14);
    const int32_t total = span + 2 * kRamp;
    if (total > side) return;
    const int32_t first = rnd.Range(0, side - total);
    const int32_t across = rnd.Range(0, (alongX ? o.rows : o.cols) - 1);
    auto cell = [&](int32_t i) -> std::vector<float>& {
        const int32_t along = first + i;
        return alongX ? (*floors)[size_t(along)][size_t(across)] : (*floors)[size_t(across)][size_t(along)];
    };
    float highest = 0.0f;
    for (int32_t i = 0; i < total; ++i)
        for (float f : cell(i)) highest = std::max(highest, f);
    const float top = highest + 3.0f;
    for (int32_t i = 0; i < total; ++i) {
        std::vector<float>& f = cell(i);
        const int32_t fromEnd = std::min(i, total - 1 - i);
        if (fromEnd >= kRamp + 1) {
            // Under the bridge the ground stays: two layers.
            f.push_back(top);
        } else {
            f.assign(1, top - 0.5f * float(kRamp - fromEnd));
        }
    }
}

void Flood(PathMap* map) {
    int32_t next = 0;
    std::vector<CellRef> queue;
    for (int32_t x = 0; x < map->cols; ++x)
        for (int32_t z = 0; z < map->rows; ++z)
            for (int32_t l = 0; l < map->LayerCount(x, z); ++l) {
                const CellRef seed{x, z, l};
                if (map->GetLayer(seed)->sector != -1) continue;
                map->GetLayer(seed)->sector = next;
                queue.assign(1, seed);
                for (size_t q = 0; q < queue.size(); ++q) {
                    const CellRef c = queue[q];
                    const float floor = map->GetLayer(c)->floor;
                    for (int32_t dx = -1; dx <= 1; ++dx)
                        for (int32_t dz = -1; dz <= 1; ++dz) {
                            const int32_t nx = c.x + dx, nz = c.z + dz;
                            if ((dx == 0 && dz == 0) || !map->InBounds(nx, nz)) continue;
                            for (int32_t k = 0; k < map->LayerCount(nx, nz); ++k) {
                                PathLayer* layer = map->GetLayer(CellRef{nx, nz, k});
                                if (std::fabs(layer->floor - floor) >= 0.95f) continue;
                                if (layer->sector == -1) {
                                    layer->sector = next;
                                    queue.push_back(CellRef{nx, nz, k});
                                }
                                break;
                            }
                        }
                }
                ++next;
            }
    map->sectorCount = next;
    map->sectors.assign(size_t(next), PathSector{});
    for (int32_t s = 0; s < next; ++s) {
        PathSector& sector = map->sectors[size_t(s)];
        sector.index = s;
        sector.colour = 0x80000000u | (uint32_t(s) * 0x9e3779u & 0xffffffu);
        sector.isolated = 1;
        sector.reach.assign(size_t(next), 0);
        sector.reach[size_t(s)] = 1;
    }
}

CellRef RandomLayer(Random& rnd, const PathMap& map) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int32_t x = rnd.Range(0, map.cols - 1), z = rnd.Range(0, map.rows - 1);
        const int32_t n = map.LayerCount(x, z);
        if (n > 0) return CellRef{x, z, rnd.Range(0, n - 1)};
    }
    return CellRef{-1, -1, -1};
}

void AddJumps(Random& rnd, int count, PathMap* map) {
    for (int j = 0; j < count; ++j) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const CellRef from = RandomLayer(rnd, *map);
            if (from.x < 0) return;
            CellRef to{from.x + rnd.Range(-6, 6), from.z + rnd.Range(-6, 6), 0};
            if (std::abs(to.x - from.x) < 2 && std::abs(to.z - from.z) < 2) continue;
            if (!map->InBounds(to.x, to.z) || map->LayerCount(to.x, to.z) == 0) continue;
            to.layer = rnd.Range(0, map->LayerCount(to.x, to.z) - 1);
            PathLayer* a = map->GetLayer(from);
            PathLayer* b = map->GetLayer(to);
            if (a->jumpStart || b->jumpLanding) continue;
            a->jumpStart = 1;
            a->jumpTarget = to;
            b->jumpLanding = 1;
            b->jumpSource = from;
            break;
        }
    }
}

}  // namespace

void GenerateRandomMap(uint32_t seed, const RandomMapOptions& o, PathMap* map, std::vector<PortalSpot>* portals) {
    Random rnd(seed);
    Floors floors(size_t(o.cols), std::vector<std::vector<float>>(size_t(o.rows)));
    MakeGround(rnd, o, &floors);
    for (int b = 0; b < o.bridges; ++b) AddBridge(rnd, o, &floors);

    map->Free();
    map->Allocate(o.cols, o.rows);
    map->offX = 0.5f * float(o.cols);
    map->offZ = 0.5f * float(o.rows);
    float lowest = 0.0f, highest = 0.0f;
    for (int32_t x = 0; x < o.cols; ++x)
        for (int32_t z = 0; z < o.rows; ++z) {
            const std::vector<float>& f = floors[size_t(x)][size_t(z)];
            PathCell& cell = map->columns[size_t(x)][size_t(z)];
            cell.Resize(int32_t(f.size()));
            cell.flag = f.empty() ? 1 : 0;
            for (size_t k = 0; k < f.size(); ++k) {
                PathLayer& layer = cell.layers[k];
                layer.floor = layer.low = f[k];
                std::fill(std::begin(layer.corners), std::end(layer.corners), f[k]);
                lowest = std::min(lowest, f[k]);
                highest = std::max(highest, f[k]);
            }
        }
    map->min = Vec3{-map->offX, lowest, -map->offZ};
    map->max = Vec3{float(o.cols) - map->offX, highest, float(o.rows) - map->offZ};
    Flood(map);

    AddJumps(rnd, o.jumps, map);
    portals->clear();
    const int pairs = std::min(o.portalPairs, PORTAL_COUNT / 2 - 1);
    const int spots = pairs > 0 ? 2 * pairs + 1 : 0;
    for (int i = 0; i < spots; ++i) {
        const CellRef cell = RandomLayer(rnd, *map);
        if (cell.x < 0) break;
        const bool paired = i < 2 * pairs;
        portals->push_back(PortalSpot{cell, paired ? (i ^ 1) : -1});
    }

    // What leads into a sector, and where its jumps go.
    for (int32_t x = 0; x < o.cols; ++x)
        for (int32_t z = 0; z < o.rows; ++z)
            for (int32_t l = 0; l < map->LayerCount(x, z); ++l) {
                const PathLayer* layer = map->GetLayer(CellRef{x, z, l});
                PathSector& sector = map->sectors[size_t(layer->sector)];
                ++sector.cellCount;
                if (layer->jumpLanding) sector.isolated = 0;
                if (layer->jumpStart) sector.reach[size_t(map->GetLayer(layer->jumpTarget)->sector)] = 1;
            }
    for (const PortalSpot& p : *portals) map->sectors[size_t(map->GetLayer(p.cell)->sector)].isolated = 0;
    for (PathSector& sector : map->sectors)
        if (sector.isolated) sector.colour = PATH_ISOLATED_COLOUR;
}

void InstallPortals(PathMap* map, const std::vector<PortalSpot>& spots) {
    for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
    for (size_t i = 0; i < spots.size() && i < size_t(PORTAL_COUNT); ++i) {
        PortalRecord& record = g_Portals[i];
        record.active = 1;
        record.kind = int32_t(i % 2);
        record.partner = spots[i].partner;
        map->CellToWorld(&record.position, spots[i].cell);
        record.facing = Vec3{0.0f, 0.0f, 1.0f};
        map->GetLayer(spots[i].cell)->portal = &record;
    }
}

}  // namespace testsupport
