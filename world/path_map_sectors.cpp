#include <cmath>

#include "world/path_map_build.h"
#include "world/path_search.h"

namespace {

constexpr float kStepHeight = 0.95f;
constexpr int32_t kMinSectorLayers = 4;
constexpr int32_t kNeighbourX[8] = {1, -1, 0, 0, 1, 1, -1, -1};
constexpr int32_t kNeighbourZ[8] = {0, 0, 1, -1, 1, -1, 1, -1};
constexpr uint32_t kSectorColours[10] = {0x800000ffu, 0x8000ff00u, 0x80ffff00u, 0x80ff00ffu, 0x8000ffffu,
                                         0x80000080u, 0x80008000u, 0x80808000u, 0x80800080u, 0x80008080u};
constexpr uint32_t kLaterSectorColour = 0x80ffffffu;

}  // namespace

int32_t PathMap::NeighbourLayer(int32_t x, int32_t z, float floor) const {
    if (!InBounds(x, z)) return -1;
    const PathCell& cell = columns[size_t(x)][size_t(z)];
    for (int32_t k = 0; k < cell.layerCount; ++k)
        if (std::fabs(cell.layers[size_t(k)].floor - floor) < kStepHeight) return k;
    return -1;
}

bool PathMap::FloodPush(const CellRef& cell) {
    PathMapBuildState& b = g_PathMapBuild;
    PathLayer* layer = GetLayer(cell);
    if (layer->mark == PATH_MARK_QUEUED) return false;
    if (b.floodCount >= PATH_QUEUE_SIZE) {
        b.floodFull = true;
        return false;
    }
    g_PathQueue[b.floodCount++] = PathSearchEntry{b.floodParent, b.floodGeneration, cell, 0, 0};
    layer->sector = b.floodSector;
    if (layer->mark == PATH_MARK_FREE) layer->mark = PATH_MARK_QUEUED;
    return true;
}

int PathMap::FloodExpandCell(int32_t entry) {
    const CellRef from = g_PathQueue[entry].cell;
    const float floor = GetLayer(from)->floor;
    g_PathMapBuild.floodParent = entry;
    int result = 0;
    for (int k = 0; k < 8; ++k) {
        const int32_t x = from.x + kNeighbourX[k], z = from.z + kNeighbourZ[k];
        const int32_t layer = NeighbourLayer(x, z, floor);
        if (layer < 0) continue;
        if (FloodPush(CellRef{x, z, layer})) result = 1;
        if (g_PathMapBuild.floodFull) return 2;
    }
    return result;
}

int PathMap::FloodRound() {
    PathMapBuildState& b = g_PathMapBuild;
    const int32_t previous = b.floodGeneration;
    ++b.floodGeneration;
    // Entries are queued generation by generation, so the previous one is a run at the end.
    int32_t first = b.floodCount;
    while (first > 0 && g_PathQueue[first - 1].generation == previous) --first;
    const int32_t last = b.floodCount;
    int result = 0;
    for (int32_t i = first; i < last; ++i) {
        const int r = FloodExpandCell(i);
        if (r == 2) return 2;
        if (r == 1) result = 1;
    }
    return result;
}

bool PathMap::FloodSector(int32_t x, int32_t z, int32_t layer) {
    PathMapBuildState& b = g_PathMapBuild;
    // Every mark is 0 between fills: each fill clears the marks of what it queued.
    const CellRef seed{x, z, layer};
    SetMark(seed, PATH_MARK_START);
    b.floodCount = 0;
    b.floodParent = 0;
    b.floodGeneration = 0;
    b.floodFull = false;
    FloodPush(seed);
    int r = 1;
    while (r == 1) r = FloodRound();
    for (int32_t i = b.floodCount - 1; i >= 0; --i) SetMark(g_PathQueue[i].cell, PATH_MARK_FREE);
    SetMark(seed, PATH_MARK_FREE);
    return r != 2;
}

void PathMap::StepCells() {
    sectorCount = 0;
    for (int32_t x = 0; x < cols; ++x)
        for (int32_t z = 0; z < rows; ++z)
            for (int32_t k = 0; k < LayerCount(x, z); ++k) {
                PathLayer& layer = columns[size_t(x)][size_t(z)].layers[size_t(k)];
                if (layer.sector != -1) continue;
                layer.sector = sectorCount;
                g_PathMapBuild.floodSector = sectorCount;
                const bool whole = FloodSector(x, z, k);
                ++sectorCount;
                // The queue ran full: the layers no fill got to stay unassigned.
                if (!whole) return;
            }
}

void PathMap::RemoveLayer(const CellRef& cell) {
    PathCell& c = columns[size_t(cell.x)][size_t(cell.z)];
    c.layers.erase(c.layers.begin() + cell.layer);
    c.layerCount = int32_t(c.layers.size());
}

namespace {

// Drops the layers of every sector labelled -1 from their cells and gives the others their new
// labels: the same as deleting those sectors one by one, each time moving the ones above down.
void DropSectors(PathMap* map, const std::vector<int32_t>& label) {
    for (std::vector<PathCell>& column : map->columns)
        for (PathCell& cell : column) {
            size_t n = 0;
            for (const PathLayer& layer : cell.layers)
                if (layer.sector < 0 || label[size_t(layer.sector)] >= 0) cell.layers[n++] = layer;
            cell.layers.resize(n);
            cell.layerCount = int32_t(n);
            for (PathLayer& layer : cell.layers)
                if (layer.sector >= 0) layer.sector = label[size_t(layer.sector)];
        }
    int32_t kept = 0;
    for (int32_t i = 0; i < map->sectorCount; ++i)
        if (label[size_t(i)] >= 0) {
            map->sectors[size_t(kept)] = std::move(map->sectors[size_t(i)]);
            map->sectors[size_t(kept)].index = kept;
            ++kept;
        }
    map->sectors.resize(size_t(kept));
    map->sectorCount = kept;
}

}  // namespace

void PathMap::RemoveSector(int32_t sector) {
    if (sector < 0 || sector >= sectorCount) return;
    std::vector<int32_t> label(static_cast<size_t>(sectorCount));
    for (int32_t i = 0; i < sectorCount; ++i) label[size_t(i)] = i < sector ? i : i == sector ? -1 : i - 1;
    DropSectors(this, label);
}

void PathMap::StepSectors() {
    sectors.assign(size_t(sectorCount), PathSector{});
    for (int32_t i = 0; i < sectorCount; ++i) sectors[size_t(i)].index = i;
    for (const std::vector<PathCell>& column : columns)
        for (const PathCell& cell : column)
            for (const PathLayer& layer : cell.layers)
                if (layer.sector >= 0) ++sectors[size_t(layer.sector)].cellCount;

    std::vector<int32_t> label(size_t(sectorCount), -1);
    int32_t kept = 0;
    for (int32_t i = 0; i < sectorCount; ++i)
        if (sectors[size_t(i)].cellCount >= kMinSectorLayers) label[size_t(i)] = kept++;
    if (kept != sectorCount) DropSectors(this, label);

    // Largest first by exchanges; the layers follow their records. Who holds each original label
    // is tracked and the grid relabelled once at the end.
    std::vector<int32_t> position(static_cast<size_t>(sectorCount)), holder(static_cast<size_t>(sectorCount));
    for (int32_t i = 0; i < sectorCount; ++i) position[size_t(i)] = holder[size_t(i)] = i;
    for (int32_t i = 0; i < sectorCount; ++i) {
        for (int32_t j = i; j < sectorCount; ++j) {
            if (!(sectors[size_t(i)].cellCount < sectors[size_t(j)].cellCount)) continue;
            std::swap(sectors[size_t(i)], sectors[size_t(j)]);
            std::swap(holder[size_t(i)], holder[size_t(j)]);
            position[size_t(holder[size_t(i)])] = i;
            position[size_t(holder[size_t(j)])] = j;
        }
        ProgressSectors(uint64_t(i) + 1, uint64_t(sectorCount));
    }
    for (std::vector<PathCell>& column : columns)
        for (PathCell& cell : column)
            for (PathLayer& layer : cell.layers)
                if (layer.sector >= 0) layer.sector = position[size_t(layer.sector)];
    for (int32_t i = 0; i < sectorCount; ++i)
        sectors[size_t(i)].colour = i < 10 ? kSectorColours[i] : kLaterSectorColour;
}
