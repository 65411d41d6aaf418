#include <algorithm>
#include <cmath>

#include "core/debug_log.h"
#include "scene/collision_octree.h"
#include "world/path_map_build.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace {

constexpr uint32_t kClearanceMask = COLLISION_GROUND | COLLISION_BOTH_SIDES;
constexpr float kClearanceRise = 0.5f;
constexpr float kClearanceHeight = 6.0f;
constexpr float kArcHeights[3] = {4.0f, 5.0f, 6.0f};
// No pair further apart than this in x or z passes either window, whatever the rounding.
constexpr int32_t kReach = 15;


bool InWindow(float dy, float dh) {
    return (-20.0f < dy && dy < 8.5f && dh < 8.5f) || (-5.0f < dy && dy < 4.5f && dh < 14.5f);
}

// Where each sector's layers lie, to visit only those near a cell, in list order.
struct SectorSpan {
    int32_t minX, maxX, minZ, maxZ;
    std::vector<int32_t> columnStart;   // index into the cell list of each column minX .. maxX + 1
};

struct JumpWork {
    std::vector<SectorSpan> spans;
    std::vector<uint32_t> layerBase;    // per cell, x major: the first layer's number
    std::vector<uint8_t> riseBlocked;   // per layer: 0 not cast, 1 clear, 2 blocked
};

JumpWork g_JumpWork;   // step 4's indices; emptied with the rest of the builder's work

const CellRef* ColumnBegin(const PathSector& s, const SectorSpan& span, int32_t x, int32_t z) {
    const CellRef* first = s.cells.data() + span.columnStart[size_t(x - span.minX)];
    const CellRef* last = s.cells.data() + span.columnStart[size_t(x - span.minX + 1)];
    return std::lower_bound(first, last, z, [](const CellRef& c, int32_t v) { return c.z < v; });
}

const CellRef* ColumnEnd(const PathSector& s, const SectorSpan& span, int32_t x) {
    return s.cells.data() + span.columnStart[size_t(x - span.minX + 1)];
}

bool Blocked(Ray ray, float length) {
    ++g_PathMapBuild.rays[3];
    const CollisionOctree* octree = SceneCollisionOctree();
    return octree && octree->RayQuery(&ray, length, nullptr, nullptr, nullptr, kClearanceMask);
}

}  // namespace

void FreeJumpWork() { g_JumpWork = JumpWork{}; }

int32_t PathMap::FindJumpCandidates(int32_t a, int32_t b) {
    PathMapBuildState& build = g_PathMapBuild;
    JumpWork& work = g_JumpWork;
    std::vector<CellRef>& starts = build.jumpStarts;
    std::vector<CellRef>& landings = build.jumpLandings;
    const CellRef empty{-1, -1, -1};
    // Slots past the ones a pair stored are kept empty between pairs.
    const PathSector& sa = sectors[size_t(a)];
    const PathSector& sb = sectors[size_t(b)];
    const SectorSpan& spanA = work.spans[size_t(a)];
    const SectorSpan& spanB = work.spans[size_t(b)];
    int32_t stored = 0;
    build.jumpStored = 0;
    if (sa.cells.empty() || sb.cells.empty()) return 0;
    const int32_t x0 = std::max(spanA.minX, spanB.minX - kReach), x1 = std::min(spanA.maxX, spanB.maxX + kReach);
    for (int32_t x = x0; x <= x1; ++x) {
        const CellRef* end = ColumnEnd(sa, spanA, x);
        for (const CellRef* s = ColumnBegin(sa, spanA, x, spanB.minZ - kReach); s != end && s->z <= spanB.maxZ + kReach;
             ++s) {
            if (GetLayer(*s)->jumpStart) continue;
            Vec3 ps;
            CellToWorld(&ps, *s);
            int32_t current = -1;   // the stored candidate that starts here
            float currentDistance = 0.0f;
            const int32_t tx0 = std::max(spanB.minX, s->x - kReach), tx1 = std::min(spanB.maxX, s->x + kReach);
            for (int32_t tx = tx0; tx <= tx1; ++tx) {
                const CellRef* tend = ColumnEnd(sb, spanB, tx);
                for (const CellRef* t = ColumnBegin(sb, spanB, tx, s->z - kReach); t != tend && t->z <= s->z + kReach;
                     ++t) {
                    if ((t->x == s->x && t->z == s->z) || GetLayer(*t)->jumpLanding) continue;
                    Vec3 pt;
                    CellToWorld(&pt, *t);
                    const float dy = pt.y - ps.y;
                    const float dx = pt.x - ps.x, dz = pt.z - ps.z;
                    const float dh = std::sqrt(dx * dx + dz * dz);
                    if (!InWindow(dy, dh)) continue;
                    // A pair that could change nothing casts no ray.
                    const float distance = CellDistance(*s, *t);
                    if (current >= 0 ? !(distance < currentDistance) : stored >= PATH_JUMP_CANDIDATES) continue;
                    const bool tHigher = dy > 0.0f;
                    const CellRef& highCell = tHigher ? *t : *s;
                    const Vec3& high = tHigher ? pt : ps;
                    const Vec3& low = tHigher ? ps : pt;
                    const uint32_t highId =
                        work.layerBase[size_t(highCell.x) * size_t(rows) + size_t(highCell.z)] + uint32_t(highCell.layer);
                    uint8_t& rise = work.riseBlocked[highId];
                    if (rise == 0)
                        rise = Blocked(Ray{{0, 1, 0}, {high.x, high.y + kClearanceRise, high.z}}, kClearanceHeight) ? 2 : 1;
                    if (rise == 2) continue;
                    if (Blocked(Ray{{0, 1, 0}, {low.x, low.y + kClearanceRise, low.z}}, std::fabs(dy) + kClearanceHeight))
                        continue;
                    const float top = ps.y > pt.y ? ps.y : pt.y;
                    bool clear = true;
                    for (int k = 0; k < 3 && clear; ++k)
                        clear = !Blocked(Ray{{dx, 0, dz}, {ps.x, top + kArcHeights[k], ps.z}}, dh);
                    if (!clear) continue;
                    if (current >= 0) {
                        landings[size_t(current)] = *t;
                    } else {
                        current = stored++;
                        starts[size_t(current)] = *s;
                        landings[size_t(current)] = *t;
                    }
                    currentDistance = distance;
                }
            }
        }
    }

    // Nearer landings win. A start has one landing in every candidate (each start was stored
    // once and candidates only become whole copies of others), so candidates that share a start
    // share their landing too, and the two passes run within groups of one landing, in order.
    std::vector<std::pair<uint32_t, int32_t>> byLanding(static_cast<size_t>(stored));
    for (int32_t i = 0; i < stored; ++i) {
        const CellRef& l = landings[size_t(i)];
        byLanding[size_t(i)] = {work.layerBase[size_t(l.x) * size_t(rows) + size_t(l.z)] + uint32_t(l.layer), i};
    }
    std::stable_sort(byLanding.begin(), byLanding.end(),
                     [](const auto& p, const auto& q) { return p.first < q.first; });
    std::vector<float> distance(static_cast<size_t>(stored));
    for (int32_t i = 0; i < stored; ++i) distance[size_t(i)] = CellDistance(starts[size_t(i)], landings[size_t(i)]);
    for (size_t g = 0; g < byLanding.size();) {
        size_t end = g;
        while (end < byLanding.size() && byLanding[end].first == byLanding[g].first) ++end;
        for (int pass = 0; pass < 2; ++pass)
            for (size_t p = g; p < end; ++p)
                for (size_t q = g; q < end; ++q) {
                    const int32_t ip = byLanding[p].second, iq = byLanding[q].second;
                    if (ip == iq || !(distance[size_t(iq)] < distance[size_t(ip)])) continue;
                    starts[size_t(ip)] = starts[size_t(iq)];
                    distance[size_t(ip)] = distance[size_t(iq)];
                }
        // One start per landing, the first: two starts equally near it would both point at it
        // while it could point back at one only.
        for (size_t p = g + 1; p < end; ++p) {
            const int32_t ip = byLanding[p].second;
            starts[size_t(ip)] = empty;
            landings[size_t(ip)] = empty;
        }
        g = end;
    }
    build.jumpStored = stored;
    int32_t kept = 0;
    for (int32_t i = 0; i < stored; ++i)
        if (starts[size_t(i)].x != -1) ++kept;
    const int32_t smaller = std::min(sa.cellCount, sb.cellCount) / 4;
    return std::min(kept, std::max(1, std::min(PATH_JUMP_CANDIDATES, smaller)));
}

void PathMap::StepJumps() {
    PathMapBuildState& build = g_PathMapBuild;
    JumpWork& work = g_JumpWork;
    const CellRef empty{-1, -1, -1};
    build.jumpStarts.assign(size_t(PATH_JUMP_CANDIDATES), empty);
    build.jumpLandings.assign(size_t(PATH_JUMP_CANDIDATES), empty);
    work.layerBase.assign(size_t(cols) * size_t(rows) + 1, 0);
    uint32_t layers = 0;
    for (int32_t x = 0; x < cols; ++x)
        for (int32_t z = 0; z < rows; ++z) {
            work.layerBase[size_t(x) * size_t(rows) + size_t(z)] = layers;
            layers += uint32_t(LayerCount(x, z));
        }
    work.riseBlocked.assign(layers, 0);

    for (PathSector& s : sectors) {
        s.cells.clear();
        s.jumpCounts.assign(size_t(sectorCount), 0);
        s.jumps.assign(size_t(sectorCount), {});
    }
    for (int32_t x = 0; x < cols; ++x)
        for (int32_t z = 0; z < rows; ++z)
            for (int32_t k = 0; k < LayerCount(x, z); ++k) {
                const int32_t sector = columns[size_t(x)][size_t(z)].layers[size_t(k)].sector;
                if (sector >= 0 && sector < sectorCount) sectors[size_t(sector)].cells.push_back(CellRef{x, z, k});
            }
    work.spans.assign(size_t(sectorCount), SectorSpan{});
    for (int32_t i = 0; i < sectorCount; ++i) {
        const std::vector<CellRef>& cells = sectors[size_t(i)].cells;
        SectorSpan& span = work.spans[size_t(i)];
        if (cells.empty()) continue;
        span.minX = cells.front().x;
        span.maxX = cells.back().x;
        span.minZ = span.maxZ = cells.front().z;
        for (const CellRef& c : cells) {
            span.minZ = std::min(span.minZ, c.z);
            span.maxZ = std::max(span.maxZ, c.z);
        }
        span.columnStart.assign(size_t(span.maxX - span.minX + 2), 0);
        for (const CellRef& c : cells) ++span.columnStart[size_t(c.x - span.minX + 1)];
        for (size_t k = 1; k < span.columnStart.size(); ++k) span.columnStart[k] += span.columnStart[k - 1];
    }

    uint64_t total = 0;
    for (int32_t a = 0; a < sectorCount; ++a)
        for (int32_t b = 0; b < sectorCount; ++b)
            if (a != b) total += uint64_t(sectors[size_t(a)].cells.size()) * uint64_t(sectors[size_t(b)].cells.size());
    uint64_t done = 0;
    for (int32_t a = 0; a < sectorCount; ++a)
        for (int32_t b = 0; b < sectorCount; ++b) {
            if (a == b) continue;
            const int32_t n = FindJumpCandidates(a, b);
            PathSector& from = sectors[size_t(a)];
            int32_t taken = 0;
            for (int32_t i = 0; i < PATH_JUMP_CANDIDATES && taken < n; ++i) {
                const CellRef s = build.jumpStarts[size_t(i)], t = build.jumpLandings[size_t(i)];
                if (s.x == -1) continue;
                from.jumps[size_t(b)].push_back(s);
                PathLayer* start = GetLayer(s);
                start->jumpStart = 1;
                start->jumpTarget = t;
                PathLayer* landing = GetLayer(t);
                landing->jumpLanding = 1;
                landing->jumpSource = s;
                ++taken;
            }
            from.jumpCounts[size_t(b)] = n;
            // Back to empty for the next pair: only the stored slots were written.
            std::fill_n(build.jumpStarts.begin(), build.jumpStored, empty);
            std::fill_n(build.jumpLandings.begin(), build.jumpStored, empty);
            done += uint64_t(from.cells.size()) * uint64_t(sectors[size_t(b)].cells.size());
            ProgressJumps(done, total);
        }
    build.jumpStarts.clear();
    build.jumpStarts.shrink_to_fit();
    build.jumpLandings.clear();
    build.jumpLandings.shrink_to_fit();
    FreeJumpWork();
}

void PathMap::MarkIsolatedSectors() {
    std::vector<uint8_t> entered(size_t(sectorCount), 0);
    for (const std::vector<PathCell>& column : columns)
        for (const PathCell& cell : column)
            for (const PathLayer& layer : cell.layers)
                if ((layer.jumpLanding || layer.portal) && layer.sector >= 0 && layer.sector < sectorCount)
                    entered[size_t(layer.sector)] = 1;
    for (int32_t i = 0; i < sectorCount; ++i) {
        if (entered[size_t(i)]) continue;
        sectors[size_t(i)].isolated = 1;
        sectors[size_t(i)].colour = PATH_ISOLATED_COLOUR;
    }
}

void PathMap::StepAccess() {
    // The search runs on the scenario's map; the block is as long as the search's queue, so a
    // long path is found rather than recorded as unreachable.
    const bool searchable = this == &g_Scenario.pathMap;
    if (!searchable) WriteDebugLog("Path map: sector reach left unknown, the map is not the scenario's");
    std::vector<CellRef> points(static_cast<size_t>(PATH_QUEUE_SIZE));
    int32_t length = 0;
    const PathBlock block{&length, points.data(), PATH_QUEUE_SIZE};
    for (int32_t a = 0; a < sectorCount; ++a) {
        PathSector& from = sectors[size_t(a)];
        from.reach.assign(size_t(sectorCount), 0);
        from.reach[size_t(a)] = 1;
        for (int32_t b = 0; b < sectorCount && searchable; ++b) {
            const PathSector& to = sectors[size_t(b)];
            if (b == a || from.cells.empty() || to.cells.empty()) continue;
            if (!g_PathSearch.FindPath(block, from.cells[0], to.cells[0])) continue;
            int32_t value = 1;
            for (int32_t k = 0; k < length; ++k) {
                const int32_t s = SectorOf(points[size_t(k)]);
                if (s != a && s != b) value = 2;
            }
            from.reach[size_t(b)] = value;
        }
        ProgressAccess(uint64_t(a) + 1, uint64_t(sectorCount));
    }
}
