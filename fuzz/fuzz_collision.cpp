// libFuzzer target: any bytes as a collision mesh and as a collision-octree block, in the record
// form of the file version picked by the first byte, then hit by rays and a swept square.
#include <cstdint>

#include "common/binary_reader.h"
#include "scene/collision_octree.h"

namespace {

constexpr uint16_t kVersions[] = {300, 310, 320};

void Sweep(const CollisionOctree& tree, const Vec3& at) {
    // A 1 x 1 square falling 10 units.
    Plane planes[6] = {{0, 0, 1, -at.z}, {-1, 0, 0, at.x + 1}, {0, 0, -1, at.z + 1}, {1, 0, 0, -at.x},
                       {0, -1, 0, at.y}, {0, 1, 0, -(at.y - 10.0f)}};
    Vec3 point{};
    float best = 10.0f;
    SweepContact contact;
    SweepContact* contacts = nullptr;
    tree.SweepSphere(planes, 6, &point, &best, &contact, &contacts, 0xFFFFFFFFu);
    FreeSweepContacts(contacts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint16_t version = kVersions[data[0] % 3];
    ++data;
    --size;

    BinaryReader meshBytes(data, size);
    CollisionMesh mesh;
    if (mesh.Read(meshBytes, version)) {
        Vec3 hit{}, normal{};
        uint16_t type = 0;
        mesh.RayTest(Ray{{0, -1, 0}, {0.25f, 100, 0.25f}}, &hit, &normal, &type, 0xFFFFFFFFu);
    }

    BinaryReader treeBytes(data, size);
    CollisionOctree tree;
    if (!tree.Read(treeBytes, version) || tree.GetNodeCount() == 0) return 0;
    const AxisBox box = tree.GetNode(0)->Box();
    const Vec3 mid = Vec3Scale(Vec3Add(box.min, box.max), 0.5f);
    for (const Vec3& from : {Vec3{mid.x, box.max.y + 1, mid.z}, Vec3{box.min.x - 1, mid.y, mid.z}, box.min}) {
        Ray ray{Vec3Sub(mid, from), from};
        Vec3 hit{};
        tree.RayQuery(&ray, 1000.0f, &hit, nullptr, nullptr, 0xFFFFFFFFu);
    }
    Sweep(tree, Vec3{mid.x, box.max.y, mid.z});
    return 0;
}
