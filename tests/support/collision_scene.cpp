#include "support/collision_scene.h"

#include <algorithm>
#include <cmath>

#include "common/binary_reader.h"

namespace testsupport {

using namespace datakit;

namespace {

Vec3 UpNormal(const std::vector<Vec3>& c, bool down) {
    Vec3 n = Vec3Normalize(Vec3Cross(Vec3Sub(c[1], c[0]), Vec3Sub(c[2], c[0])));
    if ((n.y < 0.0f) != down) n = Vec3Scale(n, -1.0f);
    return n;
}

// A small generator of its own, so that scenes do not depend on the game's random numbers.
class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int32_t Range(int32_t lo, int32_t hi) { return lo + int32_t(Next() % uint32_t(hi - lo + 1)); }
    float Unit() { return float(Next() & 0xFFFF) / 65536.0f; }

private:
    uint32_t state_;
};

}  // namespace

CollisionSceneDesc& CollisionSceneDesc::Floor(float x0, float z0, float x1, float z1, float y, uint8_t groupMask) {
    faces_.push_back({{{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}}, {0.0f, 1.0f, 0.0f}, groupMask});
    return *this;
}

CollisionSceneDesc& CollisionSceneDesc::Polygon(std::vector<Vec3> corners, bool down, uint8_t groupMask) {
    const Vec3 n = UpNormal(corners, down);
    faces_.push_back({std::move(corners), n, groupMask});
    return *this;
}

CollisionSceneDesc& CollisionSceneDesc::PolygonWithNormal(std::vector<Vec3> corners, const Vec3& normal,
                                                          uint8_t groupMask) {
    faces_.push_back({std::move(corners), normal, groupMask});
    return *this;
}

CollisionSceneDesc& CollisionSceneDesc::Box(const Vec3& lo, const Vec3& hi) {
    Floor(lo.x, lo.z, hi.x, hi.z, hi.y);
    faces_.push_back({{{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}}, {0, -1, 0}, 1});
    WallZ(lo.x, hi.x, lo.z, lo.y, hi.y, false);
    WallZ(lo.x, hi.x, hi.z, lo.y, hi.y, true);
    faces_.push_back({{{lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}}, {-1, 0, 0}, 1});
    faces_.push_back({{{hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}}, {1, 0, 0}, 1});
    return *this;
}

CollisionSceneDesc& CollisionSceneDesc::WallZ(float x0, float x1, float z, float y0, float y1, bool facingPlusZ) {
    faces_.push_back({{{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, {0, 0, facingPlusZ ? 1.0f : -1.0f}, 1});
    return *this;
}

InstalledCollision::InstalledCollision(const CollisionSceneDesc& scene, int leafLog2)
    : tree_(std::make_unique<CollisionOctree>()) {
    const std::vector<CollisionSceneDesc::Face>& faces = scene.Faces();
    Vec3 lo{0, 0, 0}, hi{0, 0, 0};
    bool any = false;
    for (const auto& f : faces)
        for (const Vec3& v : f.corners) {
            if (!any) lo = hi = v;
            any = true;
            lo = Vec3{std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
            hi = Vec3{std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
        }
    // A cube with room around the geometry, so that rays starting at its border still walk in.
    const float extent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) + 32.0f;
    uint8_t log2Edge = uint8_t(std::max(leafLog2, 1));
    while (float(1 << log2Edge) < extent) ++log2Edge;
    const int32_t corner[3] = {int32_t(std::floor(lo.x)) - 16, int32_t(std::floor(lo.y)) - 16,
                               int32_t(std::floor(lo.z)) - 16};
    const int depth = leafLog2 > 0 ? log2Edge - leafLog2 : 0;
    std::vector<OctreeNodeDesc> nodes = GridOctree(depth, corner, log2Edge);
    const int n = 1 << depth;
    const float leafEdge = float(1 << (log2Edge - depth));
    std::vector<CollisionMeshDesc> meshes;
    std::vector<int32_t> meshOfLeaf(size_t(n) * size_t(n) * size_t(n), -1);
    auto addToLeaf = [&](const CollisionSceneDesc::Face& f, int gx, int gy, int gz) {
        int32_t& m = meshOfLeaf[(size_t(gx) * size_t(n) + size_t(gy)) * size_t(n) + size_t(gz)];
        if (m < 0) {
            m = int32_t(meshes.size());
            meshes.emplace_back();
            meshes.back().typeMask = 0;
            OctreeNodeDesc& leaf = nodes[size_t(GridLeaf(depth, gx, gy, gz))];
            leaf.first = m;
            leaf.itemCount = 1;
        }
        // One group per type mask, in the order the masks first come.
        CollisionMeshDesc& mesh = meshes[size_t(m)];
        size_t group = 0;
        while (group < mesh.groups.size() && mesh.groups[group].typeMask != f.groupMask) ++group;
        mesh.AddFace(group, f.corners, f.normal);
        mesh.groups[group].typeMask = f.groupMask;
        mesh.typeMask = uint8_t(mesh.typeMask | f.groupMask);
    };
    auto leafOf = [&](float v, int32_t base) {
        return std::clamp(int(std::floor((v - float(base)) / leafEdge)), 0, n - 1);
    };
    for (const auto& f : faces) {
        // Every leaf the face's box touches holds it, so a ray meets it in whichever leaf it
        // walks through first.
        Vec3 fl = f.corners[0], fh = f.corners[0];
        for (const Vec3& v : f.corners) {
            fl = Vec3{std::min(fl.x, v.x), std::min(fl.y, v.y), std::min(fl.z, v.z)};
            fh = Vec3{std::max(fh.x, v.x), std::max(fh.y, v.y), std::max(fh.z, v.z)};
        }
        for (int gx = leafOf(fl.x, corner[0]); gx <= leafOf(fh.x, corner[0]); ++gx)
            for (int gy = leafOf(fl.y, corner[1]); gy <= leafOf(fh.y, corner[1]); ++gy)
                for (int gz = leafOf(fl.z, corner[2]); gz <= leafOf(fh.z, corner[2]); ++gz)
                    addToLeaf(f, gx, gy, gz);
    }
    std::vector<uint8_t> block = BuildCollisionOctreeBlock(nodes, meshes, 320);
    BinaryReader in(block.data(), block.size());
    ok_ = tree_->Read(in, 320);
    SetSceneCollisionOctree(tree_.get());
}

InstalledCollision::~InstalledCollision() {
    if (SceneCollisionOctree() == tree_.get()) SetSceneCollisionOctree(nullptr);
}

GeneratedScene GenerateCollisionScene(const GeneratedSceneOptions& o) {
    GeneratedScene scene;
    Lcg rng(o.seed);
    const int32_t platforms = std::clamp(o.platforms, 0, std::max(0, o.sectors - 1));
    const int32_t islands = std::max(1, o.sectors - platforms);
    const int32_t across = int32_t(std::ceil(std::sqrt(double(islands))));
    const int32_t down = (islands + across - 1) / across;
    // Gaps between islands, 5 to 14 units, narrowed while islands would be thinner than 6 cells.
    auto layout = [&](int32_t count, std::vector<int32_t>* starts, std::vector<int32_t>* widths) {
        std::vector<int32_t> gaps(size_t(std::max(0, count - 1)));
        for (int32_t& g : gaps) g = rng.Range(5, 14);
        auto total = [&] {
            int32_t s = 0;
            for (int32_t g : gaps) s += g;
            return s;
        };
        while (!gaps.empty() && (o.size - total()) / count < 6 && *std::max_element(gaps.begin(), gaps.end()) > 5)
            --*std::max_element(gaps.begin(), gaps.end());
        const int32_t width = std::max(1, (o.size - total()) / count);
        int32_t at = 0;
        for (int32_t i = 0; i < count; ++i) {
            starts->push_back(at);
            widths->push_back(i + 1 == count ? std::max(1, o.size - at) : width);
            at += width + (i + 1 < count ? gaps[size_t(i)] : 0);
        }
    };
    std::vector<int32_t> xs, ws, zs, ds;
    layout(across, &xs, &ws);
    layout(down, &zs, &ds);

    int32_t bridgesLeft = o.bridges, platformsLeft = platforms, bumpsLeft = o.steepBumps;
    scene.expectedSectors = 0;
    std::vector<Vec3> corners;   // the first cell of each island, clear of every feature
    for (int32_t k = 0; k < islands; ++k) {
        const int32_t ix = k % across, iz = k / across;
        const int32_t x0 = xs[size_t(ix)], z0 = zs[size_t(iz)], w = ws[size_t(ix)], d = ds[size_t(iz)];
        const float base = 0.5f * float(rng.Range(0, 24));
        const bool bridge = bridgesLeft > 0 && w >= 14 && d >= 6;
        const bool platform = !bridge && platformsLeft > 0 && w >= 8 && d >= 8;
        const bool bump = !bridge && !platform && bumpsLeft > 0 && w >= 6 && d >= 6;
        const bool flat = bridge || platform;
        const float phase = rng.Unit() * 6.0f, phase2 = rng.Unit() * 6.0f;
        auto height = [&](int32_t i, int32_t j) {
            if (flat) return base;
            float h = base + 0.5f * std::sin(0.25f * float(i) + phase) * std::cos(0.2f * float(j) + phase2);
            if (bump && i == w / 2 && j == d / 2) h += 3.0f;
            return h;
        };
        for (int32_t i = 0; i < w; ++i)
            for (int32_t j = 0; j < d; ++j) {
                const float x = float(x0 + i), z = float(z0 + j);
                const Vec3 a{x, height(i, j), z}, b{x, height(i, j + 1), z + 1}, c{x + 1, height(i + 1, j + 1), z + 1},
                    e{x + 1, height(i + 1, j), z};
                scene.faces.Polygon({a, b, c});
                scene.faces.Polygon({a, c, e});
            }
        ++scene.expectedSectors;
        corners.push_back(Vec3{float(x0) + 0.5f, base, float(z0) + 0.5f});
        if (bridge) {
            --bridgesLeft;
            // Ramps of four cells rising 0.75 each up to a deck 3 above the ground, at both ends.
            const float zb = float(z0 + d / 2 - 1), ze = zb + 3.0f, top = base + 3.0f;
            const float rampStart = float(x0 + 1), deckStart = rampStart + 4.0f, deckEnd = deckStart + float(w - 10);
            scene.faces.Polygon({{rampStart, base, zb}, {rampStart, base, ze}, {deckStart, top, ze}, {deckStart, top, zb}});
            scene.faces.Floor(deckStart, zb, deckEnd, ze, top);
            scene.faces.Polygon({{deckEnd, top, zb}, {deckEnd, top, ze}, {deckEnd + 4.0f, base, ze}, {deckEnd + 4.0f, base, zb}});
            const float under = top - 0.3f;
            scene.faces.PolygonWithNormal({{deckStart, under, zb}, {deckEnd, under, zb}, {deckEnd, under, ze}, {deckStart, under, ze}},
                                          Vec3{0.0f, -1.0f, 0.0f});
        }
        if (platform) {
            --platformsLeft;
            const float px = float(x0 + w / 2 - 1), pz = float(z0 + d / 2 - 1);
            scene.faces.Box(Vec3{px, base, pz}, Vec3{px + 4.0f, base + 1.5f, pz + 4.0f});
            ++scene.expectedSectors;
        }
        if (bump) --bumpsLeft;
    }
    // Portal pairs between the first and the last islands, and the second and second last.
    for (int32_t k = 0; k + 1 < islands - k && k < 2; ++k) {
        const int32_t first = int32_t(scene.portals.size());
        scene.portals.push_back({corners[size_t(k)], first + 1});
        scene.portals.push_back({corners[size_t(islands - 1 - k)], first});
    }
    return scene;
}

}  // namespace testsupport
