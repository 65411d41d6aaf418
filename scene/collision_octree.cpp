#include "scene/collision_octree.h"

// The collision mesh and octree fill this.
bool CollisionOctree::RayQuery(Ray*, float, Vec3*, Vec3*, uint16_t*, uint32_t) { return false; }

// The scene container fills this with its collision octree member.
CollisionOctree* SceneCollisionOctree() { return nullptr; }
