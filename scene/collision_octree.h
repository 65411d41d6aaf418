// The static geometry's collision tree. Only the ray query that picking calls so far.
#pragma once

#include <cstdint>

struct Ray;
struct Vec3;

class CollisionOctree {
public:
    // Nearest hit within length; normalises ray->direction. Out pointers may be null.
    bool RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t mask);
};

// The scene's collision octree; null while the scene has none.
CollisionOctree* SceneCollisionOctree();
