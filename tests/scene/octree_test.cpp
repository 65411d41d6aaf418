#include <gtest/gtest.h>

#include <cstdint>

#include "common/binary_reader.h"
#include "scene/collision_octree.h"
#include "scene/octree.h"
#include "datakit/y3d_octree_builder.h"

using namespace datakit;

namespace {

const int32_t kCorner[3] = {-8, -8, -8};   // root cube [-8, 8] on every axis

// A collision tree over a grid with no meshes: enough to exercise the octree itself.
struct GridTree {
    CollisionOctree tree;
    bool ok;
    explicit GridTree(int depth, std::vector<OctreeNodeDesc>* edit = nullptr) {
        std::vector<OctreeNodeDesc> nodes = GridOctree(depth, kCorner, 4);
        if (edit) *edit = nodes;
        ok = Load(nodes);
    }
    bool Load(const std::vector<OctreeNodeDesc>& nodes, size_t meshCount = 0) {
        std::vector<CollisionMeshDesc> meshes(meshCount);
        std::vector<uint8_t> block = BuildCollisionOctreeBlock(nodes, meshes, 320);
        BinaryReader in(block.data(), block.size());
        return tree.Read(in, 320);
    }
};

}  // namespace

TEST(OctreeGrid, NodeCountsAndBoxes) {
    const struct {
        int depth;
        uint32_t nodes;
        float leafEdge;
    } cases[] = {{0, 1, 16.0f}, {1, 9, 8.0f}, {2, 73, 4.0f}};
    for (const auto& c : cases) {
        GridTree g(c.depth);
        ASSERT_TRUE(g.ok) << c.depth;
        EXPECT_EQ(g.tree.GetNodeCount(), c.nodes);
        int32_t leaf = g.tree.FindLeaf(-7.5f, -7.5f, -7.5f);
        const OctreeNode* n = g.tree.GetNode(leaf);
        ASSERT_NE(n, nullptr);
        EXPECT_TRUE(n->leaf);
        EXPECT_FLOAT_EQ(n->Edge(), c.leafEdge);
        AxisBox b = n->Box();
        EXPECT_FLOAT_EQ(b.min.x, -8.0f);
        EXPECT_FLOAT_EQ(b.max.y, -8.0f + c.leafEdge);
    }
}

TEST(OctreeFindLeaf, ChildNumberingFacesAndOutside) {
    GridTree g(1);
    ASSERT_TRUE(g.ok);
    // Child = 1 + 4*(upper x) + 2*(upper y) + (upper z).
    EXPECT_EQ(g.tree.FindLeaf(-1, -1, -1), 1);
    EXPECT_EQ(g.tree.FindLeaf(1, -1, -1), 5);
    EXPECT_EQ(g.tree.FindLeaf(-1, 1, -1), 3);
    EXPECT_EQ(g.tree.FindLeaf(-1, -1, 1), 2);
    EXPECT_EQ(g.tree.FindLeaf(3, 3, 3), 8);
    // The root's max face is inside; the shared face goes to the first child asked.
    EXPECT_EQ(g.tree.FindLeaf(8, 8, 8), 8);
    EXPECT_EQ(g.tree.FindLeaf(0, 0, 0), 1);
    EXPECT_EQ(g.tree.FindLeaf(8.01f, 0, 0), -1);
    EXPECT_EQ(g.tree.FindLeaf(0, -9, 0), -1);
    CollisionOctree empty;
    EXPECT_EQ(empty.FindLeaf(0, 0, 0), -1);
    EXPECT_EQ(empty.GetPolygonCount(), 0u);
    EXPECT_EQ(empty.GetNode(0), nullptr);
}

TEST(OctreeLeavesInBox, OnlyLeavesWithItemsAndCapacity) {
    std::vector<OctreeNodeDesc> nodes;
    GridTree g(1, &nodes);
    // Items in three leaves, all naming the one mesh.
    for (int32_t leaf : {1, 5, 8}) {
        nodes[size_t(leaf)].first = 0;
        nodes[size_t(leaf)].itemCount = 1;
    }
    nodes[0].polygonCount = 1234;
    ASSERT_TRUE(g.Load(nodes, 1));
    EXPECT_EQ(g.tree.GetPolygonCount(), 1234u);
    int32_t out[8] = {};
    // Lower half in y, -z half: leaves 1 and 5 have items; 3 and 7 lie outside.
    AxisBox low{{7, -1, -1}, {-7, -7, -7}};
    ASSERT_EQ(g.tree.LeavesInBox(low, out, 8), 2);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 5);
    // Inside the upper +x +z leaf only.
    AxisBox corner{{7, 7, 7}, {6, 6, 6}};
    ASSERT_EQ(g.tree.LeavesInBox(corner, out, 8), 1);
    EXPECT_EQ(out[0], 8);
    AxisBox away{{30, 30, 30}, {20, 20, 20}};
    EXPECT_EQ(g.tree.LeavesInBox(away, out, 8), 0);
    AxisBox all{{8, 8, 8}, {-8, -8, -8}};
    EXPECT_EQ(g.tree.LeavesInBox(all, out, 8), 3);
    EXPECT_EQ(g.tree.LeavesInBox(all, out, 0), -1);
    EXPECT_EQ(g.tree.LeavesInBox(all, out, 2), -1);
    EXPECT_EQ(g.tree.LeavesInBox(all, nullptr, 8), -1);
}

TEST(OctreeNodeRead, ItemBaseOnlyForLeavesWithItems) {
    const struct {
        uint8_t leaf;
        int32_t first;
        uint16_t count;
        int32_t expected;
    } cases[] = {{1, 3, 2, 103}, {1, 3, 0, 3}, {0, 3, 2, 3}, {1, -1, 0, -1}};
    for (const auto& c : cases) {
        OctreeNodeDesc desc;
        desc.leaf = c.leaf;
        desc.first = c.first;
        desc.itemCount = c.count;
        desc.corner[1] = -5;
        desc.log2Edge = 3;
        desc.neighbours[4] = 17;
        std::vector<uint8_t> bytes;
        AppendOctreeNode(&bytes, desc);
        ASSERT_EQ(bytes.size(), OCTREE_NODE_RECORD_SIZE);
        BinaryReader in(bytes.data(), bytes.size());
        OctreeNode node;
        ASSERT_TRUE(node.Read(in, 100));
        EXPECT_EQ(node.first, c.expected);
        EXPECT_EQ(node.corner[1], -5);
        EXPECT_EQ(node.log2Edge, 3);
        EXPECT_EQ(node.neighbours[4], 17);
        EXPECT_EQ(in.Remaining(), 0u);
        BinaryReader shortIn(bytes.data(), bytes.size() - 1);
        EXPECT_FALSE(node.Read(shortIn, 0));
    }
    // A first item so large that the base would overflow it.
    OctreeNodeDesc desc;
    desc.leaf = 1;
    desc.first = INT32_MAX - 5;
    desc.itemCount = 1;
    std::vector<uint8_t> bytes;
    AppendOctreeNode(&bytes, desc);
    BinaryReader in(bytes.data(), bytes.size());
    OctreeNode node;
    EXPECT_FALSE(node.Read(in, 100));
}

TEST(OctreeSegmentQuery, LeafExitsAndInnerEntries) {
    GridTree g(1);
    ASSERT_TRUE(g.ok);
    // Leaf 1 is [-8,0]^3. Going +x from (-4,-4,-4) leaves through x = 0 into leaf 5.
    Ray r{{1, 0, 0}, {-4, -4, -4}};
    EXPECT_EQ(g.tree.SegmentQuery(1, r, 100.0f), 5);
    // The exit lies at distance 4: a length of exactly 4 ends the walk.
    EXPECT_EQ(g.tree.SegmentQuery(1, r, 4.0f), -1);
    EXPECT_EQ(g.tree.SegmentQuery(1, r, 4.001f), 5);
    // Going -x leaves through the root's border: no neighbour.
    Ray back{{-1, 0, 0}, {-4, -4, -4}};
    EXPECT_EQ(g.tree.SegmentQuery(1, back, 100.0f), -1);
    // Down from leaf 3 ([-8,0] x [0,8] x [-8,0]) into leaf 1.
    Ray down{{0, -1, 0}, {-4, 4, -4}};
    EXPECT_EQ(g.tree.SegmentQuery(3, down, 100.0f), 1);
    // Exactly through the edge x = 0, y = 0: x is asked first, so leaf 5 (not leaf 3).
    Ray diag{{0.70710678f, 0.70710678f, 0}, {-4, -4, -4}};
    EXPECT_EQ(g.tree.SegmentQuery(1, diag, 100.0f), 5);
    // A component of 0.0001 or less does not count as an axis.
    Ray tiny{{0.0001f, 0, 0}, {-4, -4, -4}};
    EXPECT_EQ(g.tree.SegmentQuery(1, tiny, 1e9f), -1);

    // From the root (inner) a ray from outside enters the child behind the entry face.
    Ray in{{1, 0, 0}, {-20, 3, -3}};
    EXPECT_EQ(g.tree.SegmentQuery(0, in, 0.5f), 3);   // lower x, upper y, lower z; no length test
    Ray fromAbove{{0, -1, 0}, {5, 20, 5}};
    EXPECT_EQ(g.tree.SegmentQuery(0, fromAbove, 1.0f), 8);   // enters through max y: upper half
    // An entry point on the face's rim is not strictly inside.
    Ray rim{{1, 0, 0}, {-20, 8, 0}};
    EXPECT_EQ(g.tree.SegmentQuery(0, rim, 100.0f), -1);
    EXPECT_EQ(g.tree.SegmentQuery(99, r, 100.0f), -1);
}

TEST(OctreeRead, MalformedTreesRejected) {
    struct Case {
        const char* name;
        void (*edit)(std::vector<OctreeNodeDesc>&);
    };
    const Case cases[] = {
        {"children past the end", [](std::vector<OctreeNodeDesc>& n) { n[0].first = 2; }},
        {"children before parent", [](std::vector<OctreeNodeDesc>& n) { n[0].first = 0; }},
        {"negative children", [](std::vector<OctreeNodeDesc>& n) { n[0].first = -1; }},
        {"neighbour out of range", [](std::vector<OctreeNodeDesc>& n) { n[3].neighbours[2] = 9; }},
        {"child edge not half", [](std::vector<OctreeNodeDesc>& n) { n[4].log2Edge = 2; }},
        {"inner node of edge 1", [](std::vector<OctreeNodeDesc>& n) { n[0].log2Edge = 0; }},
        {"leaf names a missing mesh", [](std::vector<OctreeNodeDesc>& n) { n[2].first = 0; n[2].itemCount = 1; }},
    };
    for (const Case& c : cases) {
        std::vector<OctreeNodeDesc> nodes;
        GridTree g(1, &nodes);
        ASSERT_TRUE(g.ok);
        c.edit(nodes);
        EXPECT_FALSE(g.Load(nodes)) << c.name;
        EXPECT_EQ(g.tree.GetNodeCount(), 0u) << c.name;
    }
    // Two parents sharing one block of children (a DAG, whose walks would repeat subtrees).
    std::vector<OctreeNodeDesc> nodes = GridOctree(2, kCorner, 4);
    nodes[2].first = nodes[1].first;
    GridTree g(0);
    EXPECT_FALSE(g.Load(nodes));

    // Truncated blocks and counts larger than the data.
    std::vector<uint8_t> block = BuildCollisionOctreeBlock(GridOctree(1, kCorner, 4), {}, 320);
    for (size_t cut : {size_t(0), size_t(10), size_t(20), block.size() - 1}) {
        BinaryReader in(block.data(), cut);
        CollisionOctree t;
        EXPECT_FALSE(t.Read(in, 320)) << cut;
        EXPECT_EQ(t.GetNodeCount(), 0u);
    }
    std::vector<uint8_t> huge = block;
    huge[13] = 0xFF;
    huge[14] = 0xFF;
    huge[15] = 0xFF;
    huge[16] = 0x7F;
    BinaryReader in(huge.data(), huge.size());
    CollisionOctree t;
    EXPECT_FALSE(t.Read(in, 320));
}

TEST(OctreeRayWalk, CyclicNeighbourLinksEnd) {
    // Leaves that send the ray back where it came from, and a leaf that names itself.
    std::vector<OctreeNodeDesc> nodes;
    GridTree g(1, &nodes);
    nodes[1].neighbours[3] = 5;
    nodes[5].neighbours[3] = 1;
    nodes[5].neighbours[0] = 5;
    ASSERT_TRUE(g.Load(nodes));
    Ray r{{1, 0, 0}, {-4, -4, -4}};
    EXPECT_FALSE(g.tree.RayQuery(&r, 1e30f, nullptr, nullptr, nullptr, 0xFFFF));
    Ray up{{0, 1, 0}, {4, -4, -4}};
    EXPECT_FALSE(g.tree.RayQuery(&up, 1e30f, nullptr, nullptr, nullptr, 0xFFFF));
}
