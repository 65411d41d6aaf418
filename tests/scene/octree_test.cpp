#include <gtest/gtest.h>

#include <cstdint>

#include "common/binary_reader.h"
#include "scene/collision_octree.h"
#include "scene/octree.h"
#include "support/y3d_octree_builder.h"

using namespace testsupport;

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
