// The scenario ray query over the fighters' arena, with fighters as upright cylinders (feet,
// height 1.5, radius 0.5) and balls as spheres of radius 0.5 standing in for their own ray tests.
#include <gtest/gtest.h>

#include <vector>

#include "fighters/character.h"
#include "render/geometry.h"
#include "scene/collision_octree.h"
#include "scene/scene_element_records.h"
#include "support/fighter_kit.h"
#include "world/dynamic_object.h"
#include "world/scenario.h"
#include "world/scenario_calls.h"

namespace {

DynamicObject g_Balls[3];
std::vector<Sphere> g_BallSpheres;   // the balls in use, slot by slot

bool Within(const Ray& ray, float length, const Vec3& p) { return Vec3Length(Vec3Sub(p, ray.origin)) < length; }

class ScenarioRayTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetScenario();
        ASSERT_TRUE(testsupport::LoadArenaCollision(g_Scene.collisionOctree));
        ScenarioCalls& c = g_ScenarioCalls;
        c.characterIntersectRay = [](Character* who, const Ray& ray, float length, Vec3* p, Vec3* n) {
            return RayCylinderIntersect(ray, Cylinder{who->position, 1.5f, 0.5f}, p, n) && Within(ray, length, *p);
        };
        c.ballInUse = [](int slot) { return slot < int(g_BallSpheres.size()) ? &g_Balls[slot] : nullptr; };
        c.propIntersectRay = [](DynamicObject* prop, const Ray& ray, float length, Vec3* p, Vec3* n) {
            return RaySphereIntersect(ray, g_BallSpheres[size_t(prop - g_Balls)], p, n) && Within(ray, length, *p);
        };
    }
    void TearDown() override {
        ResetCharacters();
        ResetScenarioCalls();
        fxtest::FxDeviceTest::TearDown();
    }
};

void ExpectNear(const Vec3& v, const Vec3& w) {
    EXPECT_NEAR(v.x, w.x, 1e-5f);
    EXPECT_NEAR(v.y, w.y, 1e-5f);
    EXPECT_NEAR(v.z, w.z, 1e-5f);
}

TEST_F(ScenarioRayTest, TheNearestOfSceneFightersAndBallsFirstFoundOnATie) {
    enum Hit { kNone, kScene, kFighter, kBall };
    // Along +x at height 1: the wall at x 12 is 10 away. Down onto the water over its bed.
    const Ray alongX{{1, 0, 0}, {2, 1, 14}};
    const Ray down{{0, -1, 0}, {20, 2, 12}};
    struct Case {
        const char* name;
        std::vector<Vec3> fighters;   // feet, from slot 0
        std::vector<Vec3> balls;
        int ignore;                   // a fighter's slot, -1 none
        Ray ray;
        float length;
        uint32_t mask;
        Hit hit;
        Vec3 point, normal;
        uint8_t special;
    } cases[] = {
        {"a fighter before the wall, with its own hit point", {{6, 0, 14}}, {}, -1, alongX, 100, 1, kFighter,
         {5.5f, 1, 14}, {-1, 0, 0}, 0},
        {"a fighter and a ball at the same distance: the fighter", {{6, 0, 14}}, {{6, 1, 14}}, -1, alongX, 100, 1,
         kFighter, {5.5f, 1, 14}, {-1, 0, 0}, 0},
        {"a nearer ball clears the fighter", {{8, 0, 14}}, {{5, 1, 14}}, -1, alongX, 100, 1, kBall, {4.5f, 1, 14},
         {-1, 0, 0}, 0},
        {"the ignored caster around the ray's start", {{2, 0, 14}}, {}, 0, alongX, 100, 1, kScene, {12, 1, 14},
         {-1, 0, 0}, 0},
        {"the same caster not ignored: where the ray leaves it", {{2, 0, 14}}, {}, -1, alongX, 100, 1, kFighter,
         {2.5f, 1, 14}, {1, 0, 0}, 0},
        {"the wall beyond the length, a ball within it", {}, {{6, 1, 14}}, -1, alongX, 6, 1, kBall, {5.5f, 1, 14},
         {-1, 0, 0}, 0},
        {"water with a mask that takes it", {}, {}, -1, down, 100, 3, kScene, {20, -0.3f, 12}, {0, 1, 0}, 1},
        {"the bed under it without", {}, {}, -1, down, 100, 1, kScene, {20, -1, 12}, {0, 1, 0}, 0},
        {"a miss into the open", {{8, 0, 2}}, {}, -1, {{0, 1, 0}, {8, 3, 2}}, 100, 7, kNone, {}, {}, 0},
        {"no direction, from inside a fighter", {{8, 0, 2}}, {}, -1, {{0, 0, 0}, {8, 1, 2}}, 100, 7, kNone, {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCharacters();
        for (size_t i = 0; i < c.fighters.size(); ++i) {
            g_Characters[i].active = 1;
            g_Characters[i].position = c.fighters[i];
        }
        g_BallSpheres.clear();
        for (const Vec3& b : c.balls) g_BallSpheres.push_back(Sphere{b, 0.5f});
        // Every output starts with a value the query must overwrite.
        Vec3 point{9, 9, 9}, normal{9, 9, 9};
        Character* who = &g_Characters[15];
        DynamicObject* prop = &g_Balls[2];
        uint8_t special = 7;
        Character* ignore = c.ignore < 0 ? nullptr : &g_Characters[c.ignore];
        EXPECT_EQ(g_Scenario.RayQuery(c.ray, c.length, &point, &normal, c.mask, &who, &prop, ignore, &special),
                  c.hit != kNone);
        EXPECT_EQ(who, c.hit == kFighter ? &g_Characters[c.fighters.size() - 1] : nullptr);
        EXPECT_EQ(prop, c.hit == kBall ? &g_Balls[0] : nullptr);
        ExpectNear(point, c.point);
        ExpectNear(normal, c.normal);
        EXPECT_EQ(special, c.special);
    }

    SCOPED_TRACE("the short form: the point and the fighter");
    g_Characters[0].position = Vec3{6, 0, 14};
    Vec3 hit{};
    Character* who = nullptr;
    ASSERT_TRUE(g_Scenario.RayQuery(Vec3{2, 1, 14}, Vec3{3, 0, 0}, 100.0f, &hit, 1, &who, nullptr));
    EXPECT_EQ(who, &g_Characters[0]);
    ExpectNear(hit, {5.5f, 1, 14});
}

}  // namespace
