// The ready-built spatial tree of the static scenery: a flat array of cubic nodes on an
// integer grid. Inner nodes own eight consecutive children; leaves name their items and the
// node across each of their six faces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/geometry.h"

class BinaryReader;
class Octree;

// Neighbour slots, in stored order.
enum OctreeFace : int {
    OCTREE_PLUS_Y = 0,
    OCTREE_MINUS_Y = 1,
    OCTREE_MINUS_X = 2,
    OCTREE_PLUS_X = 3,
    OCTREE_PLUS_Z = 4,
    OCTREE_MINUS_Z = 5,
};

constexpr size_t OCTREE_NODE_RECORD_SIZE = 48;

struct OctreeNode {
    int32_t corner[3] = {0, 0, 0};   // minimum corner
    uint8_t log2Edge = 0;
    int32_t index = 0;               // own position in the array
    uint8_t leaf = 0;
    int32_t first = -1;              // inner: first child; leaf: first item (below 0 = none)
    uint16_t itemCount = 0;
    uint32_t polygonCount = 0;
    int32_t neighbours[6] = {-1, -1, -1, -1, -1, -1};

    // One 48-byte record; a leaf with items gets itemBase added to its first item. False on a
    // short record or when that sum leaves the i32 range.
    bool Read(BinaryReader& in, int32_t itemBase);
    float Edge() const;
    AxisBox Box() const;
    // Index of the leaf holding the point (faces count as inside), -1 for none.
    int32_t FindLeaf(const Vec3& point, bool descend, const Octree& tree) const;
};

class Octree {
public:
    Octree() = default;
    Octree(const Octree&) = delete;
    Octree& operator=(const Octree&) = delete;
    virtual ~Octree();

    virtual void Clear();
    // Node boxes in the current camera's view: empty ones yellow, then those with items red.
    virtual void DebugDraw();
    virtual int32_t FindLeaf(float x, float y, float z) const;
    // Indices of the leaves with items that overlap the box; -1 when out is null or too small.
    virtual int32_t LeavesInBox(const AxisBox& box, int32_t* out, uint32_t capacity) const;
    // Null outside the array.
    virtual const OctreeNode* GetNode(int32_t i) const;
    virtual uint32_t GetNodeCount() const;

    // The root's polygon count, 0 without nodes.
    uint32_t GetPolygonCount() const;
    // The next node along a ray (unit direction) from node: from a leaf the neighbour across
    // the exit face when the exit lies closer than length; from an inner node the child the
    // ray enters. -1 when there is none.
    int32_t SegmentQuery(int32_t node, const Ray& ray, float length) const;

    uint32_t headerA = 0, headerB = 0, headerC = 0;   // stored as read, unused here
    uint8_t headerD = 0;

protected:
    // The header values and count nodes from the reader. Children and links are checked so
    // that every walk ends: false (tree left empty) on a short or inconsistent block.
    bool ReadHeader(BinaryReader& in);
    bool ReadNodes(BinaryReader& in, uint32_t count, int32_t itemBase);
    bool CheckLinks() const;

    std::vector<OctreeNode> nodes_;

private:
    int32_t LeavesInBoxFrom(int32_t node, const AxisBox& box, int32_t* out, uint32_t capacity, uint32_t* n) const;
};
