// The scene's ray and sweep queries over the collision world.
#include <gtest/gtest.h>

#include "collision_world.h"
#include "scene_element_records.h"

namespace scenetest {
namespace {

class SceneQueryTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ASSERT_TRUE(collisiontest::BuildWorld(g_Scene.collisionOctree));
    }
};

TEST_F(SceneQueryTest, RayHitsWithinTheLengthOnly) {
    // Straight down onto the floor y = -2 at (4, -4): 12 units below the origin.
    Ray ray{{0, -3, 0}, {4, 10, -4}};
    Vec3 point{99, 99, 99}, normal{98, 98, 98};
    uint16_t type = 77;
    EXPECT_FALSE(g_Scene.RayQuery(&ray, 12.0f, &point, &normal, &type, 1));
    EXPECT_EQ(point.x, 99);
    EXPECT_EQ(type, 77);
    ASSERT_TRUE(g_Scene.RayQuery(&ray, 20.0f, &point, &normal, &type, 1));
    EXPECT_NEAR(point.y, -2.0f, 1e-4f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-4f);
    // Null outputs are allowed.
    EXPECT_TRUE(g_Scene.RayQuery(&ray, 20.0f, nullptr, nullptr, nullptr, 1));
}

TEST_F(SceneQueryTest, SweepFindsTheFloorAndZeroesTheNormalOnAMiss) {
    // A small quad at y = 1 over the floor, moving down 5 units; its corners run so that the
    // start plane's normal points along the motion.
    SweepVolume down{{{3.5f, 1, -4.5f}, {4.5f, 1, -4.5f}, {4.5f, 1, -3.5f}, {3.5f, 1, -3.5f}}, {0, -5, 0}};
    Vec3 point{9, 9, 9}, normal{9, 9, 9};
    ASSERT_TRUE(g_Scene.SweepSphere(down, &point, &normal, 1));
    EXPECT_NEAR(point.y, -2.0f, 1e-3f);
    EXPECT_NEAR(normal.x, 0.0f, 1e-4f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-4f);
    EXPECT_NEAR(normal.z, 0.0f, 1e-4f);

    // Too short to reach the floor.
    SweepVolume shortMove = down;
    shortMove.motion = {0, -1, 0};
    point = {9, 9, 9};
    normal = {9, 9, 9};
    EXPECT_FALSE(g_Scene.SweepSphere(shortMove, &point, &normal, 1));
    EXPECT_EQ(point.x, 9);
    EXPECT_EQ(normal.x, 0);
    EXPECT_EQ(normal.y, 0);
    EXPECT_EQ(normal.z, 0);
}

TEST_F(SceneQueryTest, QueriesWithoutAScene) {
    g_Scene.Destroy(false);
    Ray ray{{0, -1, 0}, {4, 10, -4}};
    Vec3 point{1, 1, 1}, normal{2, 2, 2};
    EXPECT_FALSE(g_Scene.RayQuery(&ray, 100.0f, &point, &normal, nullptr, 1));
    EXPECT_EQ(point.x, 1);
    SweepVolume v{{{0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}}, {0, -5, 0}};
    EXPECT_FALSE(g_Scene.SweepSphere(v, &point, &normal, 1));
    EXPECT_EQ(point.x, 1);
}

}  // namespace
}  // namespace scenetest
