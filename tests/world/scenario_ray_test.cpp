// The scenario ray query over the fighters' arena, with fighters as upright cylinders (base at
// the feet, height 1.5, radius 0.5) and balls as spheres standing in for their own ray tests.
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

// The balls in use, slot by slot.
DynamicObject g_Balls[3];
std::vector<Sphere> g_BallSpheres;

bool WithinLength(const Ray& ray, float length, const Vec3& point) {
    return Vec3Length(Vec3Sub(point, ray.origin)) < length;
}

class ScenarioRayTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetScenario();
        ResetCharacters();
        g_BallSpheres.clear();
        ASSERT_TRUE(testsupport::LoadArenaCollision(g_Scene.collisionOctree));
        ScenarioCalls& c = g_ScenarioCalls;
        c.characterIntersectRay = [](Character* who, const Ray& ray, float length, Vec3* point, Vec3* normal) {
            return RayCylinderIntersect(ray, Cylinder{who->position, 1.5f, 0.5f}, point, normal) &&
                   WithinLength(ray, length, *point);
        };
        c.ballInUse = [](int slot) { return slot < int(g_BallSpheres.size()) ? &g_Balls[slot] : nullptr; };
        c.propIntersectRay = [](DynamicObject* prop, const Ray& ray, float length, Vec3* point, Vec3* normal) {
            return RaySphereIntersect(ray, g_BallSpheres[size_t(prop - g_Balls)], point, normal) &&
                   WithinLength(ray, length, *point);
        };
    }
    void TearDown() override {
        ResetCharacters();
        ResetScenarioCalls();
        fxtest::FxDeviceTest::TearDown();
    }

    static Character* Fighter(int slot, const Vec3& feet) {
        Character& c = g_Characters[slot];
        c.active = 1;
        c.position = feet;
        return &c;
    }
    static DynamicObject* Ball(const Vec3& centre, float radius) {
        g_BallSpheres.push_back(Sphere{centre, radius});
        return &g_Balls[g_BallSpheres.size() - 1];
    }

    // Every output, filled with values the query must overwrite.
    struct Outputs {
        Vec3 point{9, 9, 9};
        Vec3 normal{9, 9, 9};
        Character* character = &g_Characters[15];
        DynamicObject* prop = &g_Balls[2];
        uint8_t special = 7;
    };
    static bool Query(const Ray& ray, float length, uint32_t mask, Character* ignore, Outputs* out) {
        return g_Scenario.RayQuery(ray, length, &out->point, &out->normal, mask, &out->character, &out->prop, ignore,
                                   &out->special);
    }
    static void ExpectVec(const Vec3& v, float x, float y, float z) {
        EXPECT_NEAR(v.x, x, 1e-5f);
        EXPECT_NEAR(v.y, y, 1e-5f);
        EXPECT_NEAR(v.z, z, 1e-5f);
    }
};

// Along +x at height 1 from (2, 1, 14): the wall at x 12 is 10 away.
const Ray kAlongX{{1, 0, 0}, {2, 1, 14}};

TEST_F(ScenarioRayTest, AFighterBeforeTheWallIsReportedWithItsOwnHitPoint) {
    Character* f = Fighter(3, {6, 0, 14});
    Outputs out;
    ASSERT_TRUE(Query(kAlongX, 100.0f, 1, nullptr, &out));
    EXPECT_EQ(out.character, f);
    EXPECT_EQ(out.prop, nullptr);
    ExpectVec(out.point, 5.5f, 1, 14);
    ExpectVec(out.normal, -1, 0, 0);
    EXPECT_EQ(out.special, 0);

    SCOPED_TRACE("the fighter gone: the wall");
    f->active = 0;
    ASSERT_TRUE(Query(kAlongX, 100.0f, 1, nullptr, &out));
    EXPECT_EQ(out.character, nullptr);
    ExpectVec(out.point, 12, 1, 14);
}

TEST_F(ScenarioRayTest, AFighterAndABallAtTheSameDistanceGiveTheFighter) {
    Character* f = Fighter(0, {6, 0, 14});
    Ball({6, 1, 14}, 0.5f);
    Outputs out;
    ASSERT_TRUE(Query(kAlongX, 100.0f, 1, nullptr, &out));
    EXPECT_EQ(out.character, f);
    EXPECT_EQ(out.prop, nullptr);
    ExpectVec(out.point, 5.5f, 1, 14);
}

TEST_F(ScenarioRayTest, ANearerBallClearsTheFighter) {
    Fighter(0, {8, 0, 14});
    DynamicObject* ball = Ball({5, 1, 14}, 0.5f);
    Outputs out;
    ASSERT_TRUE(Query(kAlongX, 100.0f, 1, nullptr, &out));
    EXPECT_EQ(out.prop, ball);
    EXPECT_EQ(out.character, nullptr);
    ExpectVec(out.point, 4.5f, 1, 14);
    ExpectVec(out.normal, -1, 0, 0);
}

TEST_F(ScenarioRayTest, TheIgnoredCasterIsNeverReportedEvenWithTheRayStartingInsideIt) {
    Character* caster = Fighter(1, {2, 0, 14});
    Outputs out;
    ASSERT_TRUE(Query(kAlongX, 100.0f, 1, caster, &out));
    EXPECT_EQ(out.character, nullptr);
    ExpectVec(out.point, 12, 1, 14);
    SCOPED_TRACE("not ignored, the ray leaves the caster first");
    ASSERT_TRUE(Query(kAlongX, 100.0f, 1, nullptr, &out));
    EXPECT_EQ(out.character, caster);
}

TEST_F(ScenarioRayTest, ABallWithinTheLengthIsFoundWhenTheWallLiesBeyondIt) {
    DynamicObject* ball = Ball({6, 1, 14}, 0.5f);
    Outputs out;
    ASSERT_TRUE(Query(kAlongX, 6.0f, 1, nullptr, &out));
    EXPECT_EQ(out.prop, ball);
    ExpectVec(out.point, 5.5f, 1, 14);
}

TEST_F(ScenarioRayTest, WaterIsASpecialSurfaceWhenTheMaskTakesIt) {
    const Ray down{{0, -1, 0}, {20, 2, 12}};
    struct Case {
        uint32_t mask;
        float y;
        uint8_t special;
    } cases[] = {{1 | 2, testsupport::ARENA_WATER_SURFACE, 1}, {1, -1.0f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << c.mask);
        Outputs out;
        ASSERT_TRUE(Query(down, 100.0f, c.mask, nullptr, &out));
        ExpectVec(out.point, 20, c.y, 12);
        ExpectVec(out.normal, 0, 1, 0);
        EXPECT_EQ(out.special, c.special);
    }
}

TEST_F(ScenarioRayTest, AMissAndARayWithoutDirectionReportNothingWithEveryOutputZeroed) {
    Fighter(2, {8, 0, 2});
    struct Case {
        const char* name;
        Ray ray;
    } cases[] = {
        {"straight up into the open", {{0, 1, 0}, {8, 3, 2}}},
        {"no direction, from inside a fighter", {{0, 0, 0}, {8, 1, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outputs out;
        EXPECT_FALSE(Query(c.ray, 100.0f, 7, nullptr, &out));
        ExpectVec(out.point, 0, 0, 0);
        ExpectVec(out.normal, 0, 0, 0);
        EXPECT_EQ(out.character, nullptr);
        EXPECT_EQ(out.prop, nullptr);
        EXPECT_EQ(out.special, 0);
    }
}

TEST_F(ScenarioRayTest, TheShortFormReadsThePointAndTheFighter) {
    Character* f = Fighter(4, {6, 0, 14});
    Vec3 hit{9, 9, 9};
    Character* who = nullptr;
    ASSERT_TRUE(g_Scenario.RayQuery(Vec3{2, 1, 14}, Vec3{3, 0, 0}, 100.0f, &hit, 1, &who, nullptr));
    EXPECT_EQ(who, f);
    ExpectVec(hit, 5.5f, 1, 14);
}

}  // namespace
