#include "world/path_map.h"

#include <cmath>

#include "world/scenario.h"
#include "world/world_calls.h"

namespace {

// A float that truncates to an i32 without undefined behaviour; false for NaN, infinities and
// values beyond the i32 range, which lie outside any grid.
bool TruncToCell(float v, int32_t* out) {
    if (!std::isfinite(v)) return false;
    const float t = std::trunc(v);
    if (t < -2147483648.0f || t >= 2147483648.0f) return false;
    *out = static_cast<int32_t>(t);
    return true;
}

}  // namespace

void PathCell::Resize(int32_t n) {
    if (n < 0) n = 0;
    PathLayer blank{};
    blank.sector = -1;
    blank.specialSlot = -1;
    for (float& c : blank.corners) c = PATH_NO_GROUND;
    layers.assign(static_cast<size_t>(n), blank);
    layerCount = n;
}

PathMap::PathMap() : cols(0), rows(0), offX(0.0f), offZ(0.0f), max{}, min{}, sectorCount(0) {}

bool PathMap::Release() { return Free(); }

bool PathMap::Free() {
    columns.clear();
    columns.shrink_to_fit();
    sectors.clear();
    sectors.shrink_to_fit();
    sectorCount = 0;
    cols = rows = 0;
    offX = offZ = 0.0f;
    return true;
}

void PathMap::Allocate(int32_t c, int32_t r) {
    if (c < 0) c = 0;
    if (r < 0) r = 0;
    cols = c;
    rows = r;
    PathCell blank{};
    blank.flag = 1;
    columns.assign(static_cast<size_t>(c), std::vector<PathCell>(static_cast<size_t>(r), blank));
}

int32_t PathMap::SectorOf(const CellRef& cell) const {
    if (!IsValidCell(cell)) return -1;
    return GetLayer(cell)->sector;
}

Item* PathMap::FindItem(const CellRef& cell) const {
    if (!IsValidCell(cell)) return nullptr;
    return GetLayer(cell)->item;
}

uint8_t PathMap::IsSectorIsolated(int32_t sector) const {
    if (sector < 0 || sector >= static_cast<int32_t>(sectors.size())) return 0;
    return sectors[static_cast<size_t>(sector)].isolated;
}

int32_t PathMap::SectorReaches(int32_t a, int32_t b) const {
    if (a < 0 || a >= static_cast<int32_t>(sectors.size()) || b < 0) return 0;
    const std::vector<int32_t>& reach = sectors[static_cast<size_t>(a)].reach;
    return b < static_cast<int32_t>(reach.size()) ? reach[static_cast<size_t>(b)] : 0;
}

uint32_t PathMap::SectorColour(int32_t sector) const {
    if (sector < 0 || sector >= static_cast<int32_t>(sectors.size())) return 0;
    return sectors[static_cast<size_t>(sector)].colour;
}

bool PathMap::CanReach(const CellRef& a, const CellRef& b) const {
    const int32_t sa = SectorOf(a);
    const int32_t sb = SectorOf(b);
    if (sa < 0 || sb < 0 || sa == sb) return true;
    return !IsSectorIsolated(sb) && SectorReaches(sa, sb) != 0;
}

void PathMap::ClearOccupants() {
    const WorldCalls& call = g_WorldCalls;
    for (int32_t z = 0; z < rows; ++z)
        for (int32_t x = 0; x < cols; ++x) {
            PathCell& cell = columns[static_cast<size_t>(x)][static_cast<size_t>(z)];
            for (PathLayer& layer : cell.layers) {
                // Each occupant is taken off the layer before its owner hears of it, so a
                // despawn that looks at the map finds the layer empty.
                if (Character* c = layer.character) {
                    layer.character = nullptr;
                    call.despawnCharacter(c);
                }
                if (Item* item = layer.item) {
                    layer.item = nullptr;
                    call.removeItem(item);
                }
                if (DynamicObject* prop = layer.prop) {
                    layer.prop = nullptr;
                    call.despawnProp(prop);
                }
                if (layer.specialRole != 0 && layer.specialSlot >= 0) {
                    const int role = layer.specialRole, slot = layer.specialSlot;
                    layer.specialRole = 0;
                    layer.specialSlot = -1;
                    call.clearSpecial(role, slot);
                }
                layer.character = nullptr;
                layer.item = nullptr;
                layer.prop = nullptr;
                layer.portal = nullptr;
                layer.specialSlot = -1;
                layer.specialRole = 0;
                layer.specialIndex = 0;
            }
        }
}

bool PathMap::WorldToCell(const Vec3& position, CellRef* out, float tolerance) const {
    int32_t x = 0, z = 0;
    const bool xOk = TruncToCell(position.x + offX, &x);
    const bool zOk = TruncToCell(position.z + offZ, &z);
    // A coordinate that has no i32 is written as -1: outside the grid either way.
    out->x = xOk ? x : -1;
    out->z = zOk ? z : -1;
    if (!xOk || !zOk || !InBounds(x, z)) return false;
    out->layer = FindLayerNear(x, z, position.y, tolerance);
    return out->layer != -1;
}

int32_t PathMap::FindLayerNear(int32_t x, int32_t z, float height, float tolerance) const {
    const PathCell& cell = columns[static_cast<size_t>(x)][static_cast<size_t>(z)];
    int32_t best = -1;
    float bestDistance = 0.0f;
    for (int32_t i = 0; i < cell.layerCount; ++i) {
        const float d = std::fabs(cell.layers[static_cast<size_t>(i)].floor - height);
        if (!(d < tolerance)) continue;
        if (best == -1 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

Vec3* PathMap::CellToWorld(Vec3* out, const CellRef& cell) const {
    out->x = static_cast<float>(cell.x) - offX + 0.5f;
    out->z = static_cast<float>(cell.z) - offZ + 0.5f;
    // Only an addressed layer has a floor to read; anything else has no ground.
    out->y = IsValidCell(cell) ? GetLayer(cell)->floor : PATH_NO_GROUND;
    return out;
}

float PathMap::CellDistance(const CellRef& a, const CellRef& b) const {
    Vec3 pa, pb;
    CellToWorld(&pa, a);
    CellToWorld(&pb, b);
    return Vec3Length(Vec3Sub(pb, pa));
}

bool PathMap::IsValidCell(const CellRef& cell) const {
    return InBounds(cell.x, cell.z) && cell.layer >= 0 && cell.layer < LayerCount(cell.x, cell.z);
}

PathMap* ScenarioPathMap() { return g_Scenario.number != -1 ? &g_Scenario.pathMap : nullptr; }

float MeasureCellDistance(const CellRef& a, const CellRef& b, float* rise) {
    const PathMap& map = g_Scenario.pathMap;
    Vec3 pa, pb;
    map.CellToWorld(&pa, a);
    map.CellToWorld(&pb, b);
    if (rise) *rise = pb.y - pa.y;
    return Vec3Length(Vec3Sub(pb, pa));
}
