#include <gtest/gtest.h>

#include <cmath>

#include "collision_world.h"
#include "scene/ground.h"

using namespace collisiontest;

namespace {

class GroundWorld : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(BuildWorld(&tree));
        SetSceneCollisionOctree(&tree);
    }
    void TearDown() override { SetSceneCollisionOctree(nullptr); }
    CollisionOctree tree;
};

}  // namespace

TEST_F(GroundWorld, HeightsOnFlatSlopedAndMissingGround) {
    const struct {
        const char* name;
        Vec3 p;
        float ground, lava;
    } cases[] = {
        {"flat floor", {2, 5, -3}, -2, GROUND_NONE},
        {"ramp", {-6, 5, -4}, -3, GROUND_NONE},
        {"lava over the floor", {6, 5, 4}, -2, -1},
        {"missing ground", {-4, 5, 4}, GROUND_NONE, GROUND_NONE},
        {"exactly on the floor", {2, -2, -3}, -2, GROUND_NONE},
        {"below the floor", {2, -3, -3}, GROUND_NONE, GROUND_NONE},
        {"2000 above the floor", {2, 1998, -3}, GROUND_NONE, GROUND_NONE},
        {"just under 2000 above", {2, 1997.9f, -3}, -2, GROUND_NONE},
    };
    for (const auto& c : cases) {
        Vec3 n{9, 9, 9};
        EXPECT_NEAR(GetGroundHeight(c.p.x, c.p.y, c.p.z, &n), c.ground, 1e-3f) << c.name;
        if (c.ground != GROUND_NONE) {
            EXPECT_GT(n.y, 0.8f) << c.name;
        }
        EXPECT_NEAR(GetLavaHeight(c.p.x, c.p.y, c.p.z, nullptr), c.lava, 1e-3f) << c.name;
        EXPECT_NEAR(GetGroundHeightAndSlope(c.p.x, c.p.y, c.p.z, nullptr, nullptr), c.ground, 1e-3f) << c.name;
    }
}

TEST_F(GroundWorld, SlopeGivesNormalAndDownhill) {
    Vec3 n{}, down{};
    EXPECT_NEAR(GetGroundHeightAndSlope(-4, 5, -4, &n, &down), -2.0f, 1e-4f);
    // Ramp y = -4 + (x + 8) / 2: normal (-1, 2, 0)/sqrt 5, downhill (-2, -1, 0)/sqrt 5.
    const float r5 = std::sqrt(5.0f);
    EXPECT_NEAR(n.x, -1.0f / r5, 1e-5f);
    EXPECT_NEAR(n.y, 2.0f / r5, 1e-5f);
    EXPECT_NEAR(down.x, -2.0f / r5, 1e-5f);
    EXPECT_NEAR(down.y, -1.0f / r5, 1e-5f);
    EXPECT_NEAR(down.z, 0.0f, 1e-6f);
    // Flat ground has no downhill direction.
    EXPECT_NEAR(GetGroundHeightAndSlope(2, 5, -3, &n, &down), -2.0f, 1e-4f);
    EXPECT_FLOAT_EQ(down.x, 0.0f);
    EXPECT_FLOAT_EQ(down.y, 0.0f);
    // Missing ground leaves the outputs alone.
    n = {9, 9, 9};
    EXPECT_EQ(GetGroundHeightAndSlope(-4, 5, 4, &n, &down), GROUND_NONE);
    EXPECT_FLOAT_EQ(n.x, 9.0f);
}

TEST_F(GroundWorld, BlockedSegments) {
    const struct {
        const char* name;
        Vec3 a, b;
        bool blocked;
    } cases[] = {
        {"through the wall", {1, -1, -4}, {6, -1, -4}, true},
        {"ending exactly on the wall", {1, -1, -4}, {4, -1, -4}, false},
        {"the wall's back side", {6, -1, -4}, {1, -1, -4}, false},
        {"over the wall", {1, 1, -4}, {6, 1, -4}, false},
        {"into the floor", {2, 1, -3}, {2, -3, -3}, true},
        {"a point", {2, 1, -3}, {2, 1, -3}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSegmentBlocked(c.a, c.b), c.blocked) << c.name;
}

TEST(Ground, NoSceneTreeMeansNoGround) {
    SetSceneCollisionOctree(nullptr);
    EXPECT_EQ(GetGroundHeight(0, 0, 0, nullptr), GROUND_NONE);
    EXPECT_EQ(GetLavaHeight(0, 0, 0, nullptr), GROUND_NONE);
    EXPECT_EQ(GetGroundHeightAndSlope(0, 0, 0, nullptr, nullptr), GROUND_NONE);
    EXPECT_FALSE(IsSegmentBlocked({0, 0, 0}, {1, 1, 1}));
}
