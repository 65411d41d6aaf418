// The fighter's own momentum on the ground and in the air, the launch directions of the jump
// animations and what a landing keeps.
#include <cmath>
#include <string>

#include "motion_fixture.h"

namespace fightertest {
namespace {

class MomentumTest : public MotionTest {
protected:
    Character& Standing(const Vec3& at = Vec3{4.5f, 0, 4.5f}) { return MotionTest::Standing(0, at); }
};

TEST_F(MomentumTest, GroundMomentumLosesFrictionAndIsCutToItsCap) {
    const struct {
        const char* name;
        float speed;
        float normalY;
        bool keys;
        Vec3 root;
        int frames;
        float after;
    } cases[] = {
        {"5 on level ground, 13 frames", 5.0f, 1.0f, false, {}, 13, 0.32f},
        {"5 on level ground stops after 0.28 s", 5.0f, 1.0f, false, {}, 14, 0.0f},
        {"20 is cut by 10 per second", 20.0f, 1.0f, false, {}, 1, 19.44f},
        {"but never below 15", 15.4f, 1.0f, false, {}, 1, 15.0f},
        {"on steep ground the cap is 25", 30.0f, 0.8f, false, {}, 1, 29.44f},
        {"never below 25", 25.4f, 0.8f, false, {}, 1, 25.0f},
        {"steep ground lets 20 run", 20.0f, 0.8f, false, {}, 1, 19.64f},
        {"steering against it caps at 11", 12.0f, 1.0f, true, {0, 0, -5}, 1, 11.44f},
        {"never below 11", 11.4f, 1.0f, true, {0, 0, -5}, 1, 11.0f},
        {"against it without keys", 12.0f, 1.0f, false, {0, 0, -5}, 1, 11.64f},
        {"keys held across it", 12.0f, 1.0f, true, {5, 0, 0}, 1, 11.64f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing();
        c.moveKeysHeld = t.keys ? 1 : 0;
        c.rootVelocity = t.root;
        c.momentum = Vec3{0, 0, t.speed};
        for (int i = 0; i < t.frames; ++i) {
            c.groundNormal = Vec3{0, t.normalY, std::sqrt(1.0f - t.normalY * t.normalY)};
            c.UpdatePhysics();
        }
        EXPECT_NEAR(c.momentum.z, t.after, 1e-4f);
        EXPECT_EQ(c.momentum.x, 0.0f);
        EXPECT_NEAR(c.totalVelocity.z, t.after + t.root.z, 1e-4f);
    }
}

TEST_F(MomentumTest, TheMomentumCarriesTheFighterFromItsBaseAndSlidesItDownSlopes) {
    Character& c = Standing();
    c.rootVelocity = Vec3{1.0f, 0, 0};
    c.momentum = Vec3{0, 0, 10.0f};
    c.UpdatePhysics();
    // 10 less 0.36 of friction, plus the root's step, over 0.02 s from the base.
    EXPECT_NEAR(c.position.x, 4.52f, 1e-4f);
    EXPECT_NEAR(c.position.z, 4.5f + 9.64f * 0.02f, 1e-4f);

    // On the ramp (normal y 2 / sqrt 5) a resting fighter gathers 4 g dt sin of the slope and
    // loses (1 - 1 / sqrt 5) 18 dt.
    Character& r = Standing(Vec3{18.0f, 1.0f, 4.5f});
    r.UpdateGround(true);
    r.UpdatePhysics();
    EXPECT_NEAR(Vec3Length(r.momentum), 0.35058f - 0.19901f, 1e-4f);
    EXPECT_NEAR(r.momentum.x / Vec3Length(r.momentum), -0.894427f, 1e-4f);
    EXPECT_LT(r.momentum.y, 0.0f);
}

TEST_F(MomentumTest, AirDragTakesSevenPerSecondAndSpawnAndDeathStopTheRules) {
    Character& c = Standing();
    c.airborne = 1;
    c.momentum = Vec3{7.0f, 0, 0};
    c.UpdatePhysics();
    EXPECT_NEAR(c.momentum.x, 6.86f, 1e-5f);
    c.momentum = Vec3{0.1f, 0, 0};
    c.UpdatePhysics();
    EXPECT_EQ(c.momentum.x, 0.0f);

    for (int cls : {13, 14}) {
        c.actionClass = cls;
        c.momentum = Vec3{7.0f, 0, 0};
        c.UpdatePhysics();
        EXPECT_EQ(c.momentum.x, 7.0f) << cls;
    }
    c.actionClass = 0;
    c.dead = 1;
    c.UpdatePhysics();
    EXPECT_EQ(c.momentum.x, 7.0f);
}

TEST_F(MomentumTest, EachJumpAnimationLaunchesItsOwnWay) {
    const float k45 = 1.0f / std::sqrt(2.0f), s = std::sqrt(3.25f);
    const struct {
        int animation;
        Vec3 direction;   // facing +x
    } cases[] = {
        {30, {0, 1, 0}},           {31, {0, 1, 0}},          {73, {0, 1, 0}},          {74, {0, 1, 0}},
        {32, {k45, k45, 0}},       {75, {k45, k45, 0}},      {76, {k45, k45, 0}},
        {33, {1 / std::sqrt(101.0f), 10 / std::sqrt(101.0f), 0}},
        {34, {-1 / s, 1.5f / s, 0}}, {35, {0, 1.5f / s, -1 / s}}, {36, {0, 1.5f / s, 1 / s}},
        {20, {0, 0, -1}},          // any other keeps the present direction
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.animation);
        Character& c = Standing();
        c.SetYaw(3.14159265f / 2.0f);
        c.momentum = Vec3{3, 0, 0};
        c.jumpVelocity = Vec3{0, 0, -2};
        c.Launch(t.animation, 5.0f);
        EXPECT_EQ(c.airborne, 1);
        EXPECT_EQ(c.momentum.x, 0.0f);
        EXPECT_EQ(c.model->rootMotion, 0);
        EXPECT_NEAR(c.jumpVelocity.x, 5.0f * t.direction.x, 1e-4f);
        EXPECT_NEAR(c.jumpVelocity.y, 5.0f * t.direction.y, 1e-4f);
        EXPECT_NEAR(c.jumpVelocity.z, 5.0f * t.direction.z, 1e-4f);
        // Once in the air a launch changes nothing.
        c.Launch(31, 9.0f);
        EXPECT_NEAR(c.jumpVelocity.y, 5.0f * t.direction.y, 1e-4f);
    }
}

TEST_F(MomentumTest, OnlyTheLocalFightersOwnLandingKeepsItsMomentumAndJump) {
    const struct {
        const char* name;
        bool local;
        bool clear;
        bool keeps;
    } cases[] = {
        {"local, own landing", true, false, true},
        {"local, spawn or respawn", true, true, false},
        {"computer fighter", false, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing();
        Recorder().local = t.local ? &c : nullptr;
        c.Launch(31, 5.0f);
        c.momentum = Vec3{2, 0, 0};
        c.guarding = 1;
        c.Land(t.clear);
        EXPECT_EQ(c.airborne, 0);
        EXPECT_EQ(c.guarding, 0);
        EXPECT_EQ(c.model->rootMotion, 1);
        EXPECT_EQ(c.momentum.x, t.keeps ? 2.0f : 0.0f);
        EXPECT_EQ(c.jumpVelocity.y, t.keeps ? 5.0f : 0.0f);
        // On the ground a landing changes nothing.
        c.momentum = Vec3{2, 0, 0};
        c.Land(true);
        EXPECT_EQ(c.momentum.x, 2.0f);
    }
}

}  // namespace
}  // namespace fightertest
