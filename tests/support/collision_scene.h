// Static collision geometry for path-map builder tests and benchmarks: hand-placed floors, slopes
// and walls, and a procedural scene generator (height-field islands with bridges, platforms, steep
// bumps and portal spots), installed as the scene's collision octree.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/math.h"
#include "scene/collision_octree.h"
#include "datakit/y3d_octree_builder.h"

namespace testsupport {

// Faces in world coordinates; group 0 (type 1, walkable candidates) unless said otherwise.
class CollisionSceneDesc {
public:
    struct Face {
        std::vector<Vec3> corners;
        Vec3 normal;
        uint8_t groupMask;
    };

    // A horizontal rectangle facing up over x0..x1, z0..z1 at height y.
    CollisionSceneDesc& Floor(float x0, float z0, float x1, float z1, float y, uint8_t groupMask = 1);
    // A convex polygon with the normal of its first three corners turned up (or down with `down`).
    CollisionSceneDesc& Polygon(std::vector<Vec3> corners, bool down = false, uint8_t groupMask = 1);
    // The same with a given normal (not recomputed).
    CollisionSceneDesc& PolygonWithNormal(std::vector<Vec3> corners, const Vec3& normal, uint8_t groupMask = 1);
    // A solid box: its top, bottom and four sides.
    CollisionSceneDesc& Box(const Vec3& min, const Vec3& max);
    // A vertical wall in the plane z = const from x0 to x1, y0 to y1, facing -z or +z.
    CollisionSceneDesc& WallZ(float x0, float x1, float z, float y0, float y1, bool facingPlusZ);

    const std::vector<Face>& Faces() const { return faces_; }

private:
    std::vector<Face> faces_;
};

// The faces put into a collision octree: one leaf holding one mesh (every ray sees every face),
// or with leafLog2 > 0 a grid of leaves of edge 2^leafLog2, each face in the leaf of its centre.
// The tree is the scene's collision octree until the object goes.
class InstalledCollision {
public:
    InstalledCollision(const CollisionSceneDesc& scene, int leafLog2 = 0);
    ~InstalledCollision();
    InstalledCollision(const InstalledCollision&) = delete;
    InstalledCollision& operator=(const InstalledCollision&) = delete;
    bool ok() const { return ok_; }
    CollisionOctree& Tree() { return *tree_; }

private:
    std::unique_ptr<CollisionOctree> tree_;
    bool ok_ = false;
};

struct GeneratedSceneOptions {
    int32_t size = 64;       // cells a side of the terrain
    int32_t sectors = 4;     // walkable regions: islands plus platforms
    int32_t platforms = 1;   // raised platforms on islands, each its own region (fewer than sectors)
    int32_t bridges = 1;     // decks with ramps over island terrain: two layers under them
    int32_t steepBumps = 1;  // bumps too steep to walk, inside islands
    uint32_t seed = 1;
};

// A portal element of the generated scene; pairs point at each other.
struct GeneratedPortal {
    Vec3 position;
    int32_t partner;
};

struct GeneratedScene {
    CollisionSceneDesc faces;
    std::vector<GeneratedPortal> portals;
    int32_t expectedSectors = 0;
};

// Islands in a grid, 5 to 14 units apart, each a gentle height field at its own base height, so
// that neighbouring islands are joined by jumps only; the same options give the same scene.
GeneratedScene GenerateCollisionScene(const GeneratedSceneOptions& options);
// The leaf size that keeps the generated scenes' ray queries short.
constexpr int GENERATED_LEAF_LOG2 = 4;

}  // namespace testsupport
