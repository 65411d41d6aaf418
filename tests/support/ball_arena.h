// What the prop tests stand on: the fighter kit's arena (flat floor, ramp, platform with a ledge
// down to the lower floor, wall; see fighter_kit.h) as the ground the balls roll on, solid movable
// boxes, and the four prop templates as the model files would leave them.
#pragma once

#include "common/math.h"
#include "datakit/y3d_octree_builder.h"

class CollisionMesh;
class DynamicCollidableMesh;

namespace testsupport {

// A collision mesh read from its description in the newest layout; false when it does not read.
bool ReadCollisionMesh(const datakit::CollisionMeshDesc& desc, CollisionMesh* out);
// The six faces of a cube of half edge h about the origin, normals outwards.
datakit::CollisionMeshDesc CubeCollision(float half);
// A solid movable cube of half edge h standing at the centre, entered in the scene's collidable
// list (which deletes it with the scene).
DynamicCollidableMesh* AddCollidableBox(const Vec3& centre, float half);
// The four prop templates, named as their model files name them, without meshes.
void InstallPropTemplates();

}  // namespace testsupport
