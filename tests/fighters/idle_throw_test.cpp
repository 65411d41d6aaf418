// A standing fighter's idle loop and fidgets, and the small ball a throw lets go from the hand.
#include <cmath>
#include <set>

#include "combat_fixture.h"
#include "support/ball_arena.h"
#include "world/dynamic_object.h"

namespace fightertest {
namespace {

class IdleThrowTest : public CombatTest {
protected:
    void TearDown() override {
        ResetDynamicObjects();
        CombatTest::TearDown();
    }
    Character& Thrower(int animation, uint32_t charge, float yaw) {
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Character& c = Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
        c.SetYaw(yaw);
        c.UpdateGround(false);   // the feet 0.13 ahead of the model along the new facing
        Force(c, animation);
        c.throwCharge = charge;
        Pose(c);
        return c;
    }
};

TEST_F(IdleThrowTest, TheIdleLoopStartsPast2000msAndNowAndThenGivesWayToOneOfTheSidesFidgets) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
    Force(c, 0);
    for (uint32_t after : {2000u, 2001u}) {
        SetTime(kStartTime + after);
        ToWrap(c);
        c.UpdateIdleAnimation();
        EXPECT_EQ(c.currentAnimation, after == 2000 ? 0 : 1);
    }
    for (int side = 0; side < 2; ++side) {
        Character& f = Spawned(1, side, Vec3{8.5f, 0.0f, 4.5f});
        std::set<int> fidgets, all;
        for (int a = side ? 12 : 4; a < (side ? 20 : 12); ++a) all.insert(a);
        int loops = 0;
        for (int i = 0; i < 240; ++i) {
            Force(f, 1);
            f.UpdateIdleAnimation();
            ASSERT_EQ(f.currentAnimation, 1) << "only as the loop comes round";
            ToWrap(f);
            f.UpdateIdleAnimation();
            f.currentAnimation == 1 ? void(++loops) : void(fidgets.insert(f.currentAnimation));
        }
        EXPECT_EQ(fidgets, all);
        EXPECT_GT(loops, 120) << "one time in four";
    }
}

TEST_F(IdleThrowTest, AThrowLetsTheBallGoFromTheTurnedHandAtItsFrameWithItsSpeed) {
    const float h = 0.4472136f, v = 0.8944272f;   // (0, 0.5, 1) normalised
    const struct { int animation; uint32_t charge; float yaw, frame; Vec3 at, velocity; } cases[] = {
        {150, 0, 0.0f, 19, {0.213f, 0.7f, 0.625f}, {0.0f, 40 * 0.0499376f, 40 * 0.9987523f}},
        {151, 0, 0.0f, 21, {0.3f, 0.7f, 0.563f}, {0, 0, 0}},
        {151, 600, 0.0f, 21, {0.3f, 0.7f, 0.563f}, {0.0f, 30 * h, 30 * v}},
        {152, 200, 0.0f, 27, {0.026f, 0.7f, 0.701f}, {0.0f, 10 * h, 10 * v}},
        {152, 5000, 0.0f, 27, {0.026f, 0.7f, 0.701f}, {0.0f, 30 * h, 30 * v}},   // a charge from afar
        // Facing +x the hand's 0.625 forward lies along +x and its 0.213 to the right along -z.
        {150, 0, 1.5707964f, 19, {0.625f, 0.7f, -0.213f}, {40 * 0.9987523f, 40 * 0.0499376f, 0.0f}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.animation << " after " << t.charge << " ms, yaw " << t.yaw);
        Character& c = Thrower(t.animation, t.charge, t.yaw);
        Cross(c, t.frame - 3.0f);
        c.SpawnBodiesFromAnimation();
        EXPECT_FALSE(g_Balls[0].InUse());
        Cross(c, t.frame);
        c.SpawnBodiesFromAnimation();
        const DynamicObject& ball = g_Balls[0];
        ASSERT_TRUE(ball.InUse() && !g_Balls[1].InUse());
        EXPECT_TRUE(ball.type == PROP_TYPE_SMALL && ball.state == PROP_FLYING && ball.owner == &c);
        const Vec3 model = Vec3Sub(c.position, Vec3Scale(Vec3{std::sin(t.yaw), 0.0f, std::cos(t.yaw)}, 0.13f));
        ExpectNear(ball.position, Vec3Add(model, t.at));
        ExpectNear(ball.velocity, t.velocity);
        EXPECT_EQ(ball.rollRate, 0.0f) << "no roll as a push would give";
    }
    // One ball a throw, however its animation is wound back; a throw anew lets go of another.
    {
        Character& c = Thrower(150, 0, 0.0f);
        for (int i = 0; i < 2; ++i) {
            Cross(c, 19.0f);
            c.SpawnBodiesFromAnimation();
        }
        EXPECT_TRUE(g_Balls[0].InUse() && !g_Balls[1].InUse());
        Force(c, 0);
        Force(c, 150);
        Cross(c, 19.0f);
        c.SpawnBodiesFromAnimation();
        EXPECT_TRUE(g_Balls[1].InUse());
    }
    Character& c = Thrower(150, 0, 0.0f);
    for (int i = 0; i < PROP_BALL_COUNT; ++i)
        ASSERT_EQ(SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(PROP_TYPE_SMALL), Vec3{2, 0, 2}, nullptr), i);
    Cross(c, 19.0f);
    c.SpawnBodiesFromAnimation();
    for (const DynamicObject& b : g_Balls) EXPECT_EQ(b.owner, nullptr) << "a full pool throws nothing";
}

}  // namespace
}  // namespace fightertest
