// A standing fighter's idle loop and its fidgets, and the small ball a throw lets go from the hand.
#include <cmath>
#include <set>
#include <vector>

#include "combat_fixture.h"
#include "support/ball_arena.h"
#include "world/dynamic_object.h"

namespace fightertest {
namespace {

constexpr float kPi = 3.14159265f;

class IdleThrowTest : public CombatTest {
protected:
    void SetUp() override {
        CombatTest::SetUp();
        testsupport::InstallPropTemplates();
    }
    void TearDown() override {
        ResetDynamicObjects();
        CombatTest::TearDown();
    }
    Character& Thrower(int animation, uint32_t charge, float yaw = 0.0f) {
        Character& c = Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
        c.SetYaw(yaw);
        c.UpdateGround(false);   // the feet 0.13 ahead of the model along the new facing
        Force(c, animation);
        c.throwCharge = charge;
        Pose(c);
        return c;
    }
    static int BallsInUse() {
        int n = 0;
        for (const DynamicObject& b : g_Balls) n += b.InUse() ? 1 : 0;
        return n;
    }
};

TEST_F(IdleThrowTest, TheIdleLoopStartsOnceMoreThan2000msPassedStanding) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
    Force(c, 0);
    ASSERT_EQ(c.idleStart, kStartTime);
    SetTime(kStartTime + 2000);
    ToWrap(c);
    c.UpdateIdleAnimation();
    EXPECT_EQ(c.currentAnimation, 0);
    SetTime(kStartTime + 2001);
    ToWrap(c);
    c.UpdateIdleAnimation();
    EXPECT_EQ(c.currentAnimation, 1);
}

TEST_F(IdleThrowTest, NowAndThenTheLoopGivesWayToOneOfTheSidesEightFidgets) {
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        Character& c = Spawned(0, side, Vec3{4.5f, 0.0f, 4.5f});
        std::set<int> fidgets;
        int loops = 0;
        for (int i = 0; i < 240; ++i) {
            Force(c, 1);
            c.UpdateIdleAnimation();
            ASSERT_EQ(c.currentAnimation, 1) << "only as the loop comes round";
            ToWrap(c);
            c.UpdateIdleAnimation();
            if (c.currentAnimation == 1)
                ++loops;
            else
                fidgets.insert(c.currentAnimation);
        }
        const int first = side == 0 ? 4 : 12;
        std::set<int> all;
        for (int a = first; a < first + 8; ++a) all.insert(a);
        EXPECT_EQ(fidgets, all);
        EXPECT_GT(loops, 120) << "one time in four";
    }
}

TEST_F(IdleThrowTest, AThrowLetsTheBallGoFromTheHandAtItsFrameWithItsSpeed) {
    const struct { int animation; uint32_t charge; float frame; Vec3 release; Vec3 velocity; } cases[] = {
        {150, 0, 19.0f, {0.213f, 0.7f, 0.625f}, {0.0f, 40.0f * 0.0499376f, 40.0f * 0.9987523f}},
        {151, 0, 21.0f, {0.3f, 0.7f, 0.563f}, {0.0f, 0.0f, 0.0f}},
        {151, 600, 21.0f, {0.3f, 0.7f, 0.563f}, {0.0f, 13.416408f, 26.832816f}},
        {152, 200, 27.0f, {0.026f, 0.7f, 0.701f}, {0.0f, 4.472136f, 8.944272f}},
        {152, 5000, 27.0f, {0.026f, 0.7f, 0.701f}, {0.0f, 13.416408f, 26.832816f}},   // a charge from afar
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.animation << " after " << t.charge << " ms");
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Character& c = Thrower(t.animation, t.charge);
        Cross(c, t.frame - 3.0f);
        c.SpawnBodiesFromAnimation();
        ASSERT_EQ(BallsInUse(), 0);
        Cross(c, t.frame);
        c.SpawnBodiesFromAnimation();
        ASSERT_EQ(BallsInUse(), 1);
        const DynamicObject& ball = g_Balls[0];
        EXPECT_EQ(ball.type, uint32_t(PROP_TYPE_SMALL));
        EXPECT_EQ(ball.state, uint32_t(PROP_FLYING));
        EXPECT_EQ(ball.owner, &c);
        ExpectNear(ball.position, Vec3{c.position.x + t.release.x, t.release.y, c.position.z - 0.13f + t.release.z});
        ExpectNear(ball.velocity, t.velocity);
        EXPECT_FLOAT_EQ(ball.rollRate, 0.0f) << "no roll as a push would give";
    }
}

TEST_F(IdleThrowTest, TheReleasePointTurnsWithTheThrower) {
    Character& c = Thrower(150, 0, kPi / 2.0f);
    Cross(c, 19.0f);
    c.SpawnBodiesFromAnimation();
    ASSERT_EQ(BallsInUse(), 1);
    // Facing +x the hand's forward 0.625 lies along +x and its 0.213 to the right along -z.
    ExpectNear(g_Balls[0].position, Vec3{c.position.x - 0.13f + 0.625f, 0.7f, c.position.z - 0.213f});
    ExpectNear(g_Balls[0].velocity, Vec3{40.0f * 0.9987523f, 40.0f * 0.0499376f, 0.0f});
}

TEST_F(IdleThrowTest, WithEveryBallInUseAThrowMakesNothing) {
    for (int i = 0; i < PROP_BALL_COUNT; ++i)
        ASSERT_EQ(SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(PROP_TYPE_SMALL), Vec3{2.0f, 0.0f, 2.0f}, nullptr), i);
    Character& c = Thrower(150, 0);
    Cross(c, 19.0f);
    c.SpawnBodiesFromAnimation();
    EXPECT_EQ(BallsInUse(), PROP_BALL_COUNT);
    for (const DynamicObject& b : g_Balls) EXPECT_EQ(b.owner, nullptr);
    EXPECT_EQ(c.currentAnimation, 150);
}

}  // namespace
}  // namespace fightertest
