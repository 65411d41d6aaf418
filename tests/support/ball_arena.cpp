#include "support/ball_arena.h"

#include <cstdint>
#include <vector>

#include "common/binary_reader.h"
#include "scene/collision_mesh.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"

namespace testsupport {

using namespace datakit;

bool ReadCollisionMesh(const CollisionMeshDesc& desc, CollisionMesh* out) {
    std::vector<uint8_t> bytes;
    AppendCollisionMesh(&bytes, desc, 320);
    BinaryReader in(bytes.data(), bytes.size());
    return out->Read(in, 320);
}

CollisionMeshDesc CubeCollision(float h) {
    CollisionMeshDesc cube;
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {-1.0f, 1.0f}) {
            // The face at side * h along the axis, spanned by the two other axes.
            auto corner = [&](float u, float v) {
                float c[3];
                c[axis] = side * h;
                c[(axis + 1) % 3] = u * h;
                c[(axis + 2) % 3] = v * h;
                return Vec3{c[0], c[1], c[2]};
            };
            float n[3] = {0, 0, 0};
            n[axis] = side;
            cube.AddFace(0, {corner(-1, -1), corner(1, -1), corner(1, 1), corner(-1, 1)}, {n[0], n[1], n[2]});
        }
    }
    return cube;
}

DynamicCollidableMesh* AddCollidableBox(const Vec3& centre, float half) {
    auto* box = new DynamicCollidableMesh();
    box->SetName("Box(DINCOL)");
    box->collision = new CollisionMesh();
    ReadCollisionMesh(CubeCollision(half), box->collision);
    const float local[6] = {-half, -half, -half, half, half, half};
    for (int k = 0; k < 6; ++k) box->localBox[k] = local[k];
    box->SetPosition(centre);
    g_Scene.collidables->Add(box);
    return box;
}

void InstallPropTemplates() {
    const char* names[PROP_MODEL_COUNT] = {"Bola de 2m (DIN)", "Bola de 20cm (DIN)", "Caja de 2m (DIN)",
                                           "Caja de 1m (DIN)"};
    for (int i = 0; i < PROP_MODEL_COUNT; ++i) {
        delete g_DynamicObjectModels[i];
        g_DynamicObjectModels[i] = new DynamicMesh();
        g_DynamicObjectModels[i]->SetName(names[i]);
    }
}

}  // namespace testsupport
