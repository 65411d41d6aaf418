// The static geometry's collision tree: an octree whose leaves each name one collision mesh,
// answering the nearest hit of a ray and the first contact of a swept volume.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/collision_mesh.h"
#include "scene/octree.h"

// Four quad corners and the motion that sweeps them; the motion's length is the distance.
struct SweepVolume {
    Vec3 corners[4];
    Vec3 motion;
};

class CollisionOctree : public Octree {
public:
    CollisionOctree() = default;
    ~CollisionOctree() override;

    void Clear() override;
    // The collision-octree block at the reader, meshes in the layout of the given file
    // version. False (tree left empty) on short or inconsistent data.
    bool Read(BinaryReader& in, uint16_t version);

    // Nearest hit closer than length; normalises ray->direction. The outputs are written only
    // on a hit; each may be null.
    bool RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t mask) const;
    // Earliest contact over every mesh whose leaf the planes do not cut away.
    bool SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance, SweepContact* best,
                     SweepContact** contacts, uint32_t mask) const;

    const std::vector<CollisionMesh>& Meshes() const { return meshes_; }

private:
    bool QueryRecursive(int32_t node, const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance,
                        SweepContact* best, SweepContact** contacts, uint32_t mask) const;

    std::vector<CollisionMesh> meshes_;
};

// The scene's collision octree; null while the scene has none. The scene loader sets it.
CollisionOctree* SceneCollisionOctree();
void SetSceneCollisionOctree(CollisionOctree* octree);
