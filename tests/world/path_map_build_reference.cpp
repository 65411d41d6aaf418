#include "path_map_build_reference.h"

#include <cmath>
#include <list>
#include <vector>

#include "path_search_reference.h"
#include "render/geometry.h"
#include "scene/collision_octree.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace reference {
namespace {

struct Fragment {
    float floor, low, area;
    Vec3 normal;
};

const CellRef kEmpty{-1, -1, -1};
constexpr int32_t kCandidates = 150000;
bool Same(const CellRef& a, const CellRef& b) { return a.x == b.x && a.z == b.z && a.layer == b.layer; }
const int32_t kDx[8] = {1, -1, 0, 0, 1, 1, -1, -1};
const int32_t kDz[8] = {0, 0, 1, -1, 1, -1, 1, -1};

PathMap& Map() { return g_Scenario.pathMap; }

bool Ray(Vec3 origin, Vec3 direction, float length, uint32_t mask, Vec3* hit) {
    ::Ray ray{direction, origin};
    return SceneCollisionOctree()->RayQuery(&ray, length, hit, nullptr, nullptr, mask);
}

template <typename Fn>
void EachLayer(Fn fn) {
    PathMap& m = Map();
    for (int32_t x = 0; x < m.cols; ++x)
        for (int32_t z = 0; z < m.rows; ++z)
            for (int32_t k = 0; k < m.LayerCount(x, z); ++k) fn(CellRef{x, z, k}, *m.GetLayer(CellRef{x, z, k}));
}

void Faces(std::vector<std::list<Fragment>>* lists) {
    PathMap& m = Map();
    for (const CollisionMesh& mesh : SceneCollisionOctree()->Meshes())
        for (const CollisionFaceGroup& group : mesh.groups) {
            if (!(group.typeMask & 1)) continue;
            for (const CollisionFace& face : group.faces) {
                float minX = 1e30f, maxX = -1e30f, minZ = 1e30f, maxZ = -1e30f;
                std::vector<Vec3> points;
                for (uint16_t i : face.indices) {
                    const Vec3 v = mesh.vertices[i];
                    points.push_back(v);
                    if (v.x < minX) minX = v.x;
                    if (v.x > maxX) maxX = v.x;
                    if (v.z < minZ) minZ = v.z;
                    if (v.z > maxZ) maxZ = v.z;
                }
                const int32_t x0 = int32_t(minX + m.offX), x1 = int32_t(maxX + m.offX);
                const int32_t z0 = int32_t(minZ + m.offZ), z1 = int32_t(maxZ + m.offZ);
                for (int32_t x = x0; x <= x1; ++x)
                    for (int32_t z = z0; z <= z1; ++z) {
                        const Plane planes[4] = {{-1, 0, 0, float(x) - m.offX},
                                                 {1, 0, 0, -(float(x + 1) - m.offX)},
                                                 {0, 0, -1, float(z) - m.offZ},
                                                 {0, 0, 1, -(float(z + 1) - m.offZ)}};
                        std::vector<Vec3> p;
                        if (!ClipPolygonByPlanes(planes, 4, points.data(), int(points.size()), &p)) continue;
                        Fragment f{p[0].y, p[0].y, 0.0f, mesh.normals[face.normalIndex]};
                        for (const Vec3& q : p) {
                            if (q.y > f.floor) f.floor = q.y;
                            if (q.y < f.low) f.low = q.y;
                        }
                        for (size_t i = 1; i + 1 < p.size(); ++i) {
                            const float a = Vec3Length(Vec3Sub(p[i], p[0]));
                            const float b = Vec3Length(Vec3Sub(p[i + 1], p[i]));
                            const float c = Vec3Length(Vec3Sub(p[0], p[i + 1]));
                            const float s = (a + b + c) * 0.5f;
                            const float h = s * (s - a) * (s - b) * (s - c);
                            if (h > 0.0f) f.area += std::sqrt(h);
                        }
                        (*lists)[size_t(x) * size_t(m.rows) + size_t(z)].push_back(f);
                    }
            }
        }
}

void Cells(std::vector<std::list<Fragment>>* lists) {
    PathMap& m = Map();
    for (int32_t x = 0; x < m.cols; ++x)
        for (int32_t z = 0; z < m.rows; ++z) {
            std::list<Fragment>& list = (*lists)[size_t(x) * size_t(m.rows) + size_t(z)];
            for (auto f = list.begin(); f != list.end(); ++f)
                for (auto g = list.begin(); g != list.end();) {
                    if (g != f && std::fabs(f->low - g->low) < 0.45f && std::fabs(f->floor - g->floor) < 0.45f &&
                        std::fabs(f->normal.y - g->normal.y) < 0.3f) {
                        f->area += g->area;
                        g = list.erase(g);
                    } else {
                        ++g;
                    }
                }
            PathCell& cell = m.columns[size_t(x)][size_t(z)];
            for (auto f = list.begin(); f != list.end(); ++f) {
                PathLayer layer{};
                bool ok = true;
                const int32_t cx[4] = {0, 0, 1, 1}, cz[4] = {0, 1, 1, 0};
                for (int k = 0; k < 4; ++k) {
                    Vec3 hit{};
                    if (!Ray({float(x + cx[k]) - m.offX + 0.01f, f->floor + 1.0f, float(z + cz[k]) - m.offZ + 0.01f},
                             {0, -1, 0}, 1000.0f, 1, &hit)) {
                        layer.corners[k] = -1000.0f;
                        ok = false;
                        continue;
                    }
                    layer.corners[k] = hit.y;
                    if (f->low - 1.0f > hit.y) ok = false;
                }
                ok = ok && f->normal.y > 0.788f && f->floor - f->low < 0.9f && f->area > 0.8f;
                for (auto g = list.begin(); g != list.end(); ++g)
                    if (g != f && g->floor > f->floor + 0.45f && g->low < f->floor + 2.0f) ok = false;
                if (!ok) continue;
                layer.floor = f->floor;
                layer.low = f->low;
                layer.sector = -1;
                cell.layers.push_back(layer);
                cell.layerCount = int32_t(cell.layers.size());
                cell.flag = 0;
            }
        }
    for (auto& column : m.columns)
        for (PathCell& cell : column) {
            bool swapped = true;
            while (swapped) {
                swapped = false;
                for (size_t i = 0; i + 1 < cell.layers.size(); ++i)
                    if (cell.layers[i].floor > cell.layers[i + 1].floor) {
                        std::swap(cell.layers[i], cell.layers[i + 1]);
                        swapped = true;
                    }
            }
        }
}

// Returns false when the queue ran full.
bool Flood(const CellRef& seed, int32_t sector) {
    PathMap& m = Map();
    EachLayer([](const CellRef&, PathLayer& l) { l.mark = 0; });
    m.SetMark(seed, 3);
    int32_t count = 0;
    bool full = false;
    int32_t parent = 0, generation = 0;
    auto push = [&](const CellRef& c) {
        PathLayer* l = m.GetLayer(c);
        if (l->mark == 2) return false;
        if (count >= PATH_QUEUE_SIZE) {
            full = true;
            return false;
        }
        g_PathQueue[count++] = PathSearchEntry{parent, generation, c, 0, 0};
        l->sector = sector;
        if (l->mark == 0) l->mark = 2;
        return true;
    };
    push(seed);
    bool pushed = true;
    while (pushed && !full) {
        pushed = false;
        ++generation;
        const int32_t n = count;
        for (int32_t i = 0; i < n && !full; ++i) {
            if (g_PathQueue[i].generation != generation - 1) continue;
            parent = i;
            const CellRef from = g_PathQueue[i].cell;
            const float floor = m.GetLayer(from)->floor;
            for (int k = 0; k < 8 && !full; ++k) {
                const int32_t x = from.x + kDx[k], z = from.z + kDz[k];
                if (!m.InBounds(x, z)) continue;
                for (int32_t j = 0; j < m.LayerCount(x, z); ++j)
                    if (std::fabs(m.columns[size_t(x)][size_t(z)].layers[size_t(j)].floor - floor) < 0.95f) {
                        if (push(CellRef{x, z, j})) pushed = true;
                        break;
                    }
            }
        }
    }
    return !full;
}

void Sectors() {
    PathMap& m = Map();
    m.sectorCount = 0;
    bool stopped = false;
    for (int32_t x = 0; x < m.cols && !stopped; ++x)
        for (int32_t z = 0; z < m.rows && !stopped; ++z)
            for (int32_t k = 0; k < m.LayerCount(x, z) && !stopped; ++k) {
                PathLayer* l = m.GetLayer(CellRef{x, z, k});
                if (l->sector != -1) continue;
                l->sector = m.sectorCount;
                stopped = !Flood(CellRef{x, z, k}, m.sectorCount);
                ++m.sectorCount;
            }
    EachLayer([](const CellRef&, PathLayer& l) { l.mark = 0; });

    m.sectors.assign(size_t(m.sectorCount), PathSector{});
    for (int32_t i = 0; i < m.sectorCount; ++i) m.sectors[size_t(i)].index = i;
    EachLayer([&](const CellRef&, PathLayer& l) {
        if (l.sector >= 0) ++m.sectors[size_t(l.sector)].cellCount;
    });
    for (int32_t i = 0; i < m.sectorCount;) {
        if (m.sectors[size_t(i)].cellCount >= 4) {
            ++i;
            continue;
        }
        for (int32_t x = 0; x < m.cols; ++x)
            for (int32_t z = 0; z < m.rows; ++z) {
                PathCell& cell = m.columns[size_t(x)][size_t(z)];
                for (int32_t k = 0; k < cell.layerCount;) {
                    if (cell.layers[size_t(k)].sector == i) {
                        cell.layers.erase(cell.layers.begin() + k);
                        --cell.layerCount;
                    } else {
                        ++k;
                    }
                }
                for (PathLayer& l : cell.layers)
                    if (l.sector > i) --l.sector;
            }
        m.sectors.erase(m.sectors.begin() + i);
        --m.sectorCount;
        for (int32_t j = 0; j < m.sectorCount; ++j) m.sectors[size_t(j)].index = j;
    }
    for (int32_t i = 0; i < m.sectorCount; ++i)
        for (int32_t j = i; j < m.sectorCount; ++j)
            if (m.sectors[size_t(i)].cellCount < m.sectors[size_t(j)].cellCount) {
                std::swap(m.sectors[size_t(i)], m.sectors[size_t(j)]);
                EachLayer([&](const CellRef&, PathLayer& l) {
                    if (l.sector == i)
                        l.sector = j;
                    else if (l.sector == j)
                        l.sector = i;
                });
            }
    const uint32_t colours[10] = {0x800000ff, 0x8000ff00, 0x80ffff00, 0x80ff00ff, 0x8000ffff,
                                  0x80000080, 0x80008000, 0x80808000, 0x80800080, 0x80008080};
    for (int32_t i = 0; i < m.sectorCount; ++i) m.sectors[size_t(i)].colour = i < 10 ? colours[i] : 0x80ffffffu;
}

int32_t Candidates(int32_t a, int32_t b, std::vector<CellRef>* starts, std::vector<CellRef>* landings) {
    PathMap& m = Map();
    starts->assign(size_t(kCandidates), kEmpty);
    landings->assign(size_t(kCandidates), kEmpty);
    int32_t stored = 0;
    for (const CellRef& s : m.sectors[size_t(a)].cells)
        for (const CellRef& t : m.sectors[size_t(b)].cells) {
            if ((s.x == t.x && s.z == t.z) || m.GetLayer(s)->jumpStart || m.GetLayer(t)->jumpLanding) continue;
            Vec3 ps, pt;
            m.CellToWorld(&ps, s);
            m.CellToWorld(&pt, t);
            const float dy = pt.y - ps.y, dx = pt.x - ps.x, dz = pt.z - ps.z;
            const float dh = std::sqrt(dx * dx + dz * dz);
            if (!((-20.0f < dy && dy < 8.5f && dh < 8.5f) || (-5.0f < dy && dy < 4.5f && dh < 14.5f))) continue;
            const Vec3 high = dy > 0.0f ? pt : ps, low = dy > 0.0f ? ps : pt;
            const float top = ps.y > pt.y ? ps.y : pt.y;
            Vec3 hit;
            if (Ray({high.x, high.y + 0.5f, high.z}, {0, 1, 0}, 6.0f, 0x101, &hit)) continue;
            if (Ray({low.x, low.y + 0.5f, low.z}, {0, 1, 0}, std::fabs(dy) + 6.0f, 0x101, &hit)) continue;
            if (Ray({ps.x, top + 4.0f, ps.z}, {dx, 0, dz}, dh, 0x101, &hit)) continue;
            if (Ray({ps.x, top + 5.0f, ps.z}, {dx, 0, dz}, dh, 0x101, &hit)) continue;
            if (Ray({ps.x, top + 6.0f, ps.z}, {dx, 0, dz}, dh, 0x101, &hit)) continue;
            int32_t found = -1;
            for (int32_t i = 0; i < stored && found < 0; ++i)
                if (Same((*starts)[size_t(i)], s)) found = i;
            if (found >= 0) {
                if (m.CellDistance(s, t) < m.CellDistance((*starts)[size_t(found)], (*landings)[size_t(found)]))
                    (*landings)[size_t(found)] = t;
            } else if (stored < kCandidates) {
                (*starts)[size_t(stored)] = s;
                (*landings)[size_t(stored)] = t;
                ++stored;
            }
        }
    for (int pass = 0; pass < 2; ++pass)
        for (int32_t p = 0; p < stored; ++p)
            for (int32_t q = 0; q < stored; ++q) {
                if (p == q) continue;
                CellRef& sp = (*starts)[size_t(p)];
                CellRef& lp = (*landings)[size_t(p)];
                const CellRef& sq = (*starts)[size_t(q)];
                const CellRef& lq = (*landings)[size_t(q)];
                if ((Same(sp, sq) || Same(lp, lq)) && m.CellDistance(sq, lq) < m.CellDistance(sp, lp)) {
                    sp = sq;
                    lp = lq;
                }
            }
    for (int32_t p = 0; p < stored; ++p)
        for (int32_t q = 0; q < stored; ++q) {
            if (p == q) continue;
            const bool sameStart = Same((*starts)[size_t(p)], (*starts)[size_t(q)]);
            const bool sameLanding = Same((*landings)[size_t(p)], (*landings)[size_t(q)]);
            const bool empty = Same((*landings)[size_t(p)], kEmpty);
            if ((sameStart && sameLanding) || (sameLanding && !empty && p < q)) {
                (*starts)[size_t(q)] = kEmpty;
                (*landings)[size_t(q)] = kEmpty;
            }
        }
    int32_t kept = 0;
    for (int32_t i = 0; i < stored; ++i)
        if (!Same((*starts)[size_t(i)], kEmpty)) ++kept;
    int32_t limit = std::min(m.sectors[size_t(a)].cellCount, m.sectors[size_t(b)].cellCount) / 4;
    if (limit > kCandidates) limit = kCandidates;
    if (limit < 1) limit = 1;
    return kept < limit ? kept : limit;
}

void Jumps() {
    PathMap& m = Map();
    for (PathSector& s : m.sectors) {
        s.cells.clear();
        s.jumpCounts.assign(size_t(m.sectorCount), 0);
        s.jumps.assign(size_t(m.sectorCount), {});
    }
    EachLayer([&](const CellRef& c, PathLayer& l) {
        if (l.sector >= 0) m.sectors[size_t(l.sector)].cells.push_back(c);
    });
    std::vector<CellRef> starts, landings;
    for (int32_t a = 0; a < m.sectorCount; ++a)
        for (int32_t b = 0; b < m.sectorCount; ++b) {
            if (a == b) continue;
            const int32_t n = Candidates(a, b, &starts, &landings);
            int32_t taken = 0;
            for (size_t i = 0; i < starts.size() && taken < n; ++i) {
                if (Same(starts[i], kEmpty)) continue;
                m.sectors[size_t(a)].jumps[size_t(b)].push_back(starts[i]);
                m.GetLayer(starts[i])->jumpStart = 1;
                m.GetLayer(starts[i])->jumpTarget = landings[i];
                m.GetLayer(landings[i])->jumpLanding = 1;
                m.GetLayer(landings[i])->jumpSource = starts[i];
                ++taken;
            }
            m.sectors[size_t(a)].jumpCounts[size_t(b)] = n;
        }
}

void Access() {
    PathMap& m = Map();
    for (int32_t i = 0; i < m.sectorCount; ++i) {
        bool entered = false;
        EachLayer([&](const CellRef&, PathLayer& l) {
            if (l.sector == i && (l.jumpLanding || l.portal)) entered = true;
        });
        if (!entered) {
            m.sectors[size_t(i)].isolated = 1;
            m.sectors[size_t(i)].colour = 0x80ff0000u;
        }
    }
    for (int32_t a = 0; a < m.sectorCount; ++a) {
        PathSector& from = m.sectors[size_t(a)];
        from.reach.assign(size_t(m.sectorCount), 0);
        from.reach[size_t(a)] = 1;
        for (int32_t b = 0; b < m.sectorCount; ++b) {
            if (b == a) continue;
            const SearchResult r = FindPath(from.cells[0], m.sectors[size_t(b)].cells[0], PATH_QUEUE_SIZE);
            if (!r.found) continue;
            from.reach[size_t(b)] = 1;
            for (const CellRef& c : r.path)
                if (m.SectorOf(c) != a && m.SectorOf(c) != b) from.reach[size_t(b)] = 2;
        }
    }
}

}  // namespace

bool BuildPathMap() {
    PathMap& m = Map();
    m.Free();
    const CollisionOctree* octree = SceneCollisionOctree();
    if (!octree) return false;
    m.min = Vec3{10000.0f, 10000.0f, 10000.0f};
    m.max = Vec3{-10000.0f, -10000.0f, -10000.0f};
    bool any = false;
    for (const CollisionMesh& mesh : octree->Meshes())
        for (const Vec3& v : mesh.vertices) {
            any = true;
            if (v.x < m.min.x) m.min.x = v.x;
            if (v.y < m.min.y) m.min.y = v.y;
            if (v.z < m.min.z) m.min.z = v.z;
            if (v.x > m.max.x) m.max.x = v.x;
            if (v.y > m.max.y) m.max.y = v.y;
            if (v.z > m.max.z) m.max.z = v.z;
        }
    if (!any || m.max.x - m.min.x >= 4096.0f || m.max.z - m.min.z >= 4096.0f) return false;
    const int32_t cols = int32_t(m.max.x - m.min.x) + 1, rows = int32_t(m.max.z - m.min.z) + 1;
    m.Allocate(cols, rows);
    m.offX = -m.min.x;
    m.offZ = -m.min.z;
    std::vector<std::list<Fragment>> lists(size_t(cols) * size_t(rows));
    Faces(&lists);
    Cells(&lists);
    g_Scenario.SetupSpringsAndPortals();
    Sectors();
    Jumps();
    Access();
    return true;
}

}  // namespace reference
