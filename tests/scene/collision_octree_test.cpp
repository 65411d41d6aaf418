#include <gtest/gtest.h>

#include <cmath>

#include "collision_world.h"

using namespace collisiontest;

namespace {

class CollisionWorld : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BuildWorld(&tree)); }

    struct Hit {
        bool hit;
        Vec3 point{99, 99, 99};
        Vec3 normal{99, 99, 99};
        uint16_t type = 999;
    };
    Hit Cast(Vec3 origin, Vec3 dir, float length, uint32_t mask) {
        Hit h;
        Ray ray{dir, origin};
        h.hit = tree.RayQuery(&ray, length, &h.point, &h.normal, &h.type, mask);
        return h;
    }

    CollisionOctree tree;
};

}  // namespace

TEST_F(CollisionWorld, RayQueriesThroughTheLeaves) {
    const float s = 1.0f / std::sqrt(1.25f);
    const struct {
        const char* name;
        Vec3 origin, dir;
        float length;
        uint32_t mask;
        bool hit;
        Vec3 point, normal;
        uint16_t type;
    } cases[] = {
        {"floor below, through the leaf above", {2, 5, -3}, {0, -1, 0}, 100, 1, true, {2, -2, -3}, {0, 1, 0}, 1},
        {"floor, direction not unit", {2, 5, -3}, {0, -7, 0}, 100, 1, true, {2, -2, -3}, {0, 1, 0}, 1},
        {"ramp", {-4, 5, -4}, {0, -1, 0}, 100, 1, true, {-4, -2, -4}, {-0.5f * s, s, 0}, 1},
        {"wall ahead", {1, -1, -4}, {1, 0, 0}, 100, 1, true, {4, -1, -4}, {-1, 0, 0}, 1},
        {"wall from behind", {6, -1, -4}, {-1, 0, 0}, 100, 1, false, {}, {}, 0},
        {"wall from behind, both sides", {6, -1, -4}, {-1, 0, 0}, 100, 0x101, true, {4, -1, -4}, {-1, 0, 0}, 1},
        {"ceiling above", {2, 0, 4}, {0, 1, 0}, 100, 1, true, {2, 6, 4}, {0, -1, 0}, 1},
        {"lava below", {6, 5, 4}, {0, -1, 0}, 100, 4, true, {6, -1, 4}, {0, 1, 0}, 4},
        {"ground under the lava", {6, 5, 4}, {0, -1, 0}, 100, 1, true, {6, -2, 4}, {0, 1, 0}, 1},
        {"nearest of both", {6, 5, 4}, {0, -1, 0}, 100, 5, true, {6, -1, 4}, {0, 1, 0}, 4},
        {"missing ground", {-4, 5, 4}, {0, -1, 0}, 100, 1, false, {}, {}, 0},
        {"on the root's max face", {8, 5, 4}, {0, -1, 0}, 100, 1, true, {8, -2, 4}, {0, 1, 0}, 1},
        {"from outside the tree", {-20, -1, -4}, {1, 0, 0}, 100, 1, true, {-2, -1, -4}, {-0.5f * s, s, 0}, 1},
        {"exactly the length", {2, 5, -3}, {0, -1, 0}, 7, 1, false, {}, {}, 0},
        {"just past the length", {2, 5, -3}, {0, -1, 0}, 7.001f, 1, true, {2, -2, -3}, {0, 1, 0}, 1},
        {"zero direction", {2, 5, -3}, {0, 0, 0}, 100, 1, false, {}, {}, 0},
        {"pointing away", {2, 5, -3}, {0, 1, 0}, 100, 1, false, {}, {}, 0},
    };
    for (const auto& c : cases) {
        Hit h = Cast(c.origin, c.dir, c.length, c.mask);
        ASSERT_EQ(h.hit, c.hit) << c.name;
        if (c.hit) {
            EXPECT_NEAR(h.point.x, c.point.x, 1e-4f) << c.name;
            EXPECT_NEAR(h.point.y, c.point.y, 1e-4f) << c.name;
            EXPECT_NEAR(h.point.z, c.point.z, 1e-4f) << c.name;
            EXPECT_NEAR(h.normal.x, c.normal.x, 1e-5f) << c.name;
            EXPECT_NEAR(h.normal.y, c.normal.y, 1e-5f) << c.name;
            EXPECT_EQ(h.type, c.type) << c.name;
        } else {
            // Nothing is written without a hit, also when a mesh was hit past the length.
            EXPECT_FLOAT_EQ(h.point.x, 99.0f) << c.name;
            EXPECT_FLOAT_EQ(h.normal.x, 99.0f) << c.name;
            EXPECT_EQ(h.type, 999) << c.name;
        }
    }
}

TEST_F(CollisionWorld, SweepThroughTheTree) {
    // A square at x = 1 moving +x by 6 towards the wall at x = 4.
    const Vec3 quad[4] = {{1, -3, -5}, {1, -2, -5}, {1, -2, -4}, {1, -3, -4}};
    std::vector<Plane> planes = SweepPlanes(quad, {6, 0, 0});
    Vec3 point{};
    float best = 6.0f;
    SweepContact bestContact;
    SweepContact* list = nullptr;
    ASSERT_TRUE(tree.SweepSphere(planes.data(), 6, &point, &best, &bestContact, &list, 1));
    EXPECT_NEAR(best, 3.0f, 1e-4f);
    EXPECT_NEAR(point.x, 4.0f, 1e-4f);
    EXPECT_FLOAT_EQ(bestContact.normal.x, -1.0f);
    // The floor beside it runs along the motion and adds nothing.
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->next, nullptr);
    FreeSweepContacts(list);

    // Stopping short of the wall.
    planes = SweepPlanes(quad, {2, 0, 0});
    best = 2.0f;
    bestContact = SweepContact();
    list = nullptr;
    EXPECT_FALSE(tree.SweepSphere(planes.data(), 6, &point, &best, &bestContact, &list, 1));
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(bestContact.vertexCount, 0);
}
