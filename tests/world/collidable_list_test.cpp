// The scene's list of solid movable objects: the nearest hit of a ray among its members, and the
// scene's ground probes, rays and sweeps that reach them wherever they stand.
#include <gtest/gtest.h>

#include "scene/collision_mesh.h"
#include "scene/collision_octree.h"
#include "scene/ground.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "support/ball_arena.h"
#include "world/dynamic_mesh.h"

namespace {

using testsupport::AddCollidableBox;

class CollidableListTest : public fxtest::FxDeviceTest {};

TEST_F(CollidableListTest, WithoutSolidMembersNothingIsHitAndTheOutputsStay) {
    CollidableList& list = *g_Scene.collidables;
    const Vec3 untouched{7, 7, 7};
    Vec3 point = untouched, normal = untouched;
    uint16_t type = 0xEEEE;
    Ray ray{{0, 0, 1}, {0, 0, -5}};
    EXPECT_FALSE(list.RayQuery(&ray, 100.0f, &point, &normal, &type, 1));

    // Movable but not solid, and a plain mesh node, in the ray's way.
    auto* movable = new DynamicMesh();
    const float box[6] = {-1, -1, -1, 1, 1, 1};
    for (int k = 0; k < 6; ++k) movable->localBox[k] = box[k];
    list.Add(movable);
    list.Add(new MeshNode());
    EXPECT_FALSE(list.RayQuery(&ray, 100.0f, &point, &normal, &type, 1));
    EXPECT_EQ(point.z, untouched.z);
    EXPECT_EQ(normal.z, untouched.z);
    EXPECT_EQ(type, 0xEEEE);
    float best = 42.0f;
    SweepContact contact;
    SweepContact* contacts = nullptr;
    const Plane planes[6] = {{1, 0, 0, 5}, {-1, 0, 0, 5}, {0, 1, 0, 5}, {0, -1, 0, 5}, {0, 0, 1, 5}, {0, 0, -1, 5}};
    EXPECT_FALSE(list.SweepSphere(planes, 6, &point, &best, &contact, &contacts, 1));
    EXPECT_EQ(best, 42.0f);
    EXPECT_EQ(contacts, nullptr);
}

TEST_F(CollidableListTest, TheNearestHitWithinTheLengthWinsWhateverTheListOrder) {
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst ? "near box added first" : "far box added first");
        g_Scene.collidables->DeleteAll();
        // The list visits the member added last first.
        AddCollidableBox({0, 0, nearFirst ? 10.0f : 5.0f}, 1);
        AddCollidableBox({0, 0, nearFirst ? 5.0f : 10.0f}, 1);
        struct Case {
            float length;
            bool hit;
            float z;
        } cases[] = {{100.0f, true, 4.0f}, {9.5f, true, 4.0f}, {8.5f, false, 0}};
        for (const Case& c : cases) {
            SCOPED_TRACE(c.length);
            Ray ray{{0, 0, 1}, {0, 0, -5}};
            Vec3 point{}, normal{};
            ASSERT_EQ(g_Scene.collidables->RayQuery(&ray, c.length, &point, &normal, nullptr, 1), c.hit);
            if (!c.hit) continue;
            EXPECT_NEAR(point.z, c.z, 1e-4f);
            EXPECT_NEAR(normal.z, -1.0f, 1e-5f);
        }
    }
}

TEST_F(CollidableListTest, GroundProbesRaysAndSweepsFindABoxWhereItWasMoved) {
    DynamicCollidableMesh* box = AddCollidableBox({3, 0.5f, 3}, 0.5f);
    EXPECT_NEAR(GetGroundHeight(3, 5, 3, nullptr), 1.0f, 1e-5f);

    box->SetPosition({6, 1, 3});
    EXPECT_EQ(GetGroundHeight(3, 5, 3, nullptr), GROUND_NONE);
    Vec3 normal{};
    EXPECT_NEAR(GetGroundHeight(6, 5, 3, &normal), 1.5f, 1e-5f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-5f);
    // The static-only probe of the props does not see it.
    EXPECT_EQ(GetGroundHeightAndSlope(6, 5, 3, nullptr, nullptr), GROUND_NONE);

    Ray across{{-1, 0, 0}, {10, 1, 3}};
    Vec3 point{};
    ASSERT_TRUE(g_Scene.RayQuery(&across, 20.0f, &point, &normal, nullptr, 1));
    EXPECT_NEAR(point.x, 6.5f, 1e-4f);

    const SweepVolume drop{{{5.8f, 4, 2.8f}, {6.2f, 4, 2.8f}, {6.2f, 4, 3.2f}, {5.8f, 4, 3.2f}}, {0, -3, 0}};
    ASSERT_TRUE(g_Scene.SweepSphere(drop, &point, &normal, 1));
    EXPECT_NEAR(point.y, 1.5f, 1e-4f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-5f);
    const SweepVolume beside{{{2.8f, 4, 2.8f}, {3.2f, 4, 2.8f}, {3.2f, 4, 3.2f}, {2.8f, 4, 3.2f}}, {0, -3, 0}};
    EXPECT_FALSE(g_Scene.SweepSphere(beside, &point, &normal, 1));
}

}  // namespace
