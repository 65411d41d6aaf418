// libFuzzer target: any bytes as a render-octree block, read and then walked by point, box and
// segment queries. Every walk must end, without a crash or a sanitizer report.
#include <cstdint>

#include "common/binary_reader.h"
#include "render/render_octree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BinaryReader in(data, size);
    RenderOctree tree;
    if (!tree.Read(in, 3) || tree.GetNodeCount() == 0) return 0;
    const OctreeNode* root = tree.GetNode(0);
    const AxisBox box = root->Box();
    const Vec3 points[] = {box.min, box.max, Vec3Scale(Vec3Add(box.min, box.max), 0.5f), {0, 0, 0}};
    for (const Vec3& at : points) tree.FindLeaf(at.x, at.y, at.z);
    int32_t leaves[64];
    tree.LeavesInBox(box, leaves, 64);
    // A segment across the root's diagonal, node by node; each step moves on or ends.
    const Vec3 d = Vec3Sub(box.max, box.min);
    const float length = Vec3Length(d);
    if (length > 0.0f) {
        const Ray ray{Vec3Scale(d, 1.0f / length), box.min};
        int32_t node = 0;
        for (uint32_t steps = 0; node >= 0 && steps <= 2 * tree.GetNodeCount(); ++steps)
            node = tree.SegmentQuery(node, ray, length);
    }
    return 0;
}
