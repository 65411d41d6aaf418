// The fighter's own momentum on the ground and in the air, the launch directions of the jump
// animations and what a landing keeps.
#include <cmath>

#include "motion_fixture.h"

namespace fightertest {
namespace {

class MomentumTest : public MotionTest {};

TEST_F(MomentumTest, MomentumLosesFrictionOrDragAndIsCutToItsCap) {
    const struct {
        const char* name;
        float speed, normalY;
        bool keys, air;
        float rootZ;
        int frames;
        float after;
    } cases[] = {
        {"5 on level ground stops after 0.28 s", 5.0f, 1.0f, false, false, 0, 14, 0.0f},
        {"20 is cut by 10 per second", 20.0f, 1.0f, false, false, 0, 1, 19.44f},
        {"but never below 15", 15.4f, 1.0f, false, false, 0, 1, 15.0f},
        {"steep ground: cap 25", 30.0f, 0.8f, false, false, 0, 1, 29.44f},
        {"never below 25", 25.4f, 0.8f, false, false, 0, 1, 25.0f},
        {"steering against it: cap 11", 11.4f, 1.0f, true, false, -5, 1, 11.0f},
        {"against it without keys", 12.0f, 1.0f, false, false, -5, 1, 11.64f},
        {"drag in the air", 7.0f, 1.0f, false, true, 0, 1, 6.86f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
        c.moveKeysHeld = t.keys;
        c.airborne = t.air;
        c.rootVelocity = Vec3{0, 0, t.rootZ};
        c.momentum = Vec3{0, 0, t.speed};
        for (int i = 0; i < t.frames; ++i) {
            c.groundNormal = Vec3{0, t.normalY, std::sqrt(1.0f - t.normalY * t.normalY)};
            c.UpdatePhysics();
        }
        EXPECT_NEAR(c.momentum.z, t.after, 1e-4f);
        EXPECT_NEAR(c.totalVelocity.z, t.after + t.rootZ, 1e-4f);
    }
}

TEST_F(MomentumTest, EachJumpAnimationLaunchesItsOwnWayOnceAirborne) {
    const float k = 1.0f / std::sqrt(2.0f), s = std::sqrt(3.25f), u = std::sqrt(101.0f);
    const struct {
        int animation;
        Vec3 direction;   // facing +x
    } cases[] = {{30, {0, 1, 0}},  {74, {0, 1, 0}},  {32, {k, k, 0}},           {76, {k, k, 0}},
                 {33, {1 / u, 10 / u, 0}}, {34, {-1 / s, 1.5f / s, 0}}, {35, {0, 1.5f / s, -1 / s}},
                 {36, {0, 1.5f / s, 1 / s}}, {20, {0, 0, -1}}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.animation);
        Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
        c.SetYaw(3.14159265f / 2.0f);
        c.momentum = Vec3{3, 0, 0};
        c.jumpVelocity = Vec3{0, 0, -2};
        c.Launch(t.animation, 5.0f);
        c.Launch(31, 9.0f);   // in the air already: nothing
        EXPECT_EQ(c.airborne, 1);
        EXPECT_EQ(c.momentum.x, 0.0f);
        EXPECT_NEAR(Vec3Length(Vec3Sub(c.jumpVelocity, Vec3Scale(t.direction, 5.0f))), 0.0f, 1e-4f);
    }
}

TEST_F(MomentumTest, OnlyTheLocalFightersOwnLandingKeepsItsMomentumAndJump) {
    const struct {
        bool local, clear, keeps;
    } cases[] = {{true, false, true}, {true, true, false}, {false, false, false}};
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.local << t.clear);
        Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
        Recorder().local = t.local ? &c : nullptr;
        c.Launch(31, 5.0f);
        c.momentum = Vec3{2, 0, 0};
        c.Land(t.clear);
        EXPECT_EQ(c.airborne, 0);
        EXPECT_EQ(c.model->rootMotion, 1);
        EXPECT_EQ(c.momentum.x, t.keeps ? 2.0f : 0.0f);
        EXPECT_EQ(c.jumpVelocity.y, t.keeps ? 5.0f : 0.0f);
    }
}

}  // namespace
}  // namespace fightertest
