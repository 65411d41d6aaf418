// The scene container: members made and freed at every switch (with what its loaders put in
// its lists), the world pass in its order, device loss, the camera stack, the animation table
// and the ray and sweep queries over the collision world.
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
    struct Case {
        const char* what;
        float length;
        bool hit;
    } cases[] = {{"well within", 20.0f, true}, {"exactly at the length", 12.0f, false}, {"short", 5.0f, false}};
    for (const Case& c : cases) {
        Ray ray{{0, -3, 0}, {4, 10, -4}};
        Vec3 point{99, 99, 99}, normal{98, 98, 98};
        uint16_t type = 77;
        EXPECT_EQ(g_Scene.RayQuery(&ray, c.length, &point, &normal, &type, 1), c.hit) << c.what;
        if (c.hit) {
            EXPECT_NEAR(point.y, -2.0f, 1e-4f) << c.what;
            EXPECT_NEAR(point.x, 4.0f, 1e-4f) << c.what;
            EXPECT_NEAR(normal.y, 1.0f, 1e-4f) << c.what;
        } else {
            EXPECT_EQ(point.x, 99) << c.what;
            EXPECT_EQ(normal.y, 98) << c.what;
            EXPECT_EQ(type, 77) << c.what;
        }
    }
    // Null outputs are allowed.
    Ray ray{{0, -1, 0}, {4, 10, -4}};
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
