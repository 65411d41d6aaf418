// The movement tests' fighter: one standing still where it was put, a walled corner with a flat
// and a sloping ceiling for the collisions, and balls of the prop pool.
#pragma once

#include <vector>

#include "common/binary_reader.h"
#include "support/ball_arena.h"
#include "support/fighter_fixture.h"
#include "datakit/y3d_octree_builder.h"
#include "world/dynamic_object.h"

namespace fightertest {

class MotionTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        testsupport::InstallPropTemplates();
    }
    void TearDown() override {
        ResetDynamicObjects();
        FighterTest::TearDown();
    }

    // On its feet at the point, in plain standing, its model's offset along the facing settled so
    // that positions set later stay where they are put.
    Character& Standing(int slot, const Vec3& at) {
        Character& c = Spawned(slot, 0, at);
        c.UpdateGround(false);
        c.SetPosition(at.x, at.y, at.z, false);
        c.previousPosition = c.position;
        c.actionClass = c.currentAnimation = 0;
        return c;
    }

    // A floor at y 0 over x, z 0..32; walls at x 12 (z 0..16, facing -x) and z 16 (x 0..12, facing
    // -z) meeting in a corner; a flat ceiling at y 3 over x, z 2..6; one over x 20..24, z 2..6
    // rising from y 3 to 4 along +x.
    static void LoadWalledCorner() {
        const int32_t corner[3] = {0, -8, 0};
        std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 5);
        nodes[0].first = 0;
        nodes[0].itemCount = 1;
        datakit::CollisionMeshDesc m;
        m.AddFace(0, {{0, 0, 0}, {32, 0, 0}, {32, 0, 32}, {0, 0, 32}}, {0, 1, 0});
        m.AddFace(0, {{12, 0, 0}, {12, 4, 0}, {12, 4, 16}, {12, 0, 16}}, {-1, 0, 0});
        m.AddFace(0, {{0, 0, 16}, {12, 0, 16}, {12, 4, 16}, {0, 4, 16}}, {0, 0, -1});
        m.AddFace(0, {{2, 3, 2}, {6, 3, 2}, {6, 3, 6}, {2, 3, 6}}, {0, -1, 0});
        m.AddFace(0, {{20, 3, 2}, {24, 4, 2}, {24, 4, 6}, {20, 3, 6}}, Vec3Normalize({0.25f, -1.0f, 0.0f}));
        const std::vector<uint8_t> block = datakit::BuildCollisionOctreeBlock(nodes, {m}, 320);
        BinaryReader in(block.data(), block.size());
        ASSERT_TRUE(g_Scene.collisionOctree->Read(in, 320));
    }

    static DynamicObject& Ball(uint32_t type, const Vec3& at) {
        const int slot = SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(type), at, nullptr);
        EXPECT_GE(slot, 0);
        DynamicObject& b = g_Balls[slot < 0 ? 0 : slot];
        b.SetPosition(at);
        return b;
    }
};

}  // namespace fightertest
