// Balls stepped on the fighters' arena: rest, roll, slope, ledge, fall, bounce and land, and the
// speed one ball passes to another.
#include <cmath>

#include "prop_fixture.h"
#include "scene/object_list.h"

namespace proptest {
namespace {

using testsupport::Recorder;

TEST_F(PropTest, ARestingBallMovesAndTurnsOnlyInANetworkGame) {
    for (bool network : {false, true}) {
        SCOPED_TRACE(network ? "network" : "single player");
        Network(network, network);
        DynamicObject& ball = Ball(PROP_TYPE_LARGE, {4, 1.02f, 4}, PROP_RESTING, {0, 0, 0});
        // A roll left by the host's last velocity.
        ball.rollAxis = {0, 0, 1};
        ball.rollRate = 5;
        const Quat before = ball.mesh->transform.rotation;
        ASSERT_TRUE(ball.Update());
        EXPECT_EQ(ball.position.y, 1.02f);
        EXPECT_EQ(ball.mesh->transform.rotation.z != before.z, network);
        ball.Despawn();
    }
}

TEST_F(PropTest, ARollingBallSlowsBy196PerSecondAndRestsBelowATenth) {
    DynamicObject& ball = Ball(PROP_TYPE_LARGE, {4, 1.02f, 4}, PROP_ROLLING, {1, 0, 0});
    Recorder().frameSeconds = 0.02f;
    int steps = 0;
    while (ball.state == PROP_ROLLING && steps < 100) {
        ball.Update();
        ++steps;
        if (ball.state == PROP_ROLLING) {
            EXPECT_NEAR(ball.velocity.x, 1.0f - 0.0392f * float(steps), 1e-4f);
        }
    }
    // 1 - 23 x 0.0392 = 0.0984 is the first speed below 0.1.
    EXPECT_EQ(steps, 23);
    EXPECT_EQ(ball.state, uint32_t(PROP_RESTING));
    EXPECT_EQ(ball.velocity.x, 0.0f);
    EXPECT_NEAR(ball.position.y, 1.02f, 1e-5f);
    EXPECT_TRUE(Recorder().sounds.empty()) << "rolling on the floor touches nothing";
}

TEST_F(PropTest, ABallSpeedsUpDownTheRampAndFallsOffTheLedge) {
    // The ramp rises along +x from the floor at x 16 to the platform at x 20.
    const float rampY = 1.0f + 1.02f / std::cos(std::atan(0.5f));
    DynamicObject& down = Ball(PROP_TYPE_LARGE, {18, rampY, 4}, PROP_ROLLING, {-0.5f, 0, 0});
    Recorder().frameSeconds = 0.02f;
    for (int i = 0; i < 10; ++i) down.Update();
    EXPECT_GT(Vec3Length(down.velocity), 1.0f);
    EXPECT_LT(down.position.x, 17.9f);

    // The platform ends at x 24 over the lower floor 4 units below.
    DynamicObject& off = Ball(PROP_TYPE_LARGE, {23.97f, 3.02f, 4}, PROP_ROLLING, {3, 0, 0});
    off.Update();
    ASSERT_GT(off.position.x, 24.0f);
    EXPECT_EQ(off.state, uint32_t(PROP_FLYING));
    for (int i = 0; i < 100; ++i) off.Update();
    EXPECT_LT(off.position.y, 0.0f);
}

TEST_F(PropTest, ABallFallingOffTheWorldIsDespawnedBelow300) {
    DynamicObject& ball = Ball(PROP_TYPE_SMALL, {100, -299.5f, 100}, PROP_FLYING, {0, -40, 0});
    const uint32_t listed = g_Scene.objects->count;
    Recorder().frameSeconds = 0.02f;
    ball.Update();
    EXPECT_FALSE(ball.InUse());
    EXPECT_EQ(g_Scene.objects->count, listed - 1);

    // Rolling where there is no ground at all: it falls, with no made-up surface to rest on.
    DynamicObject& lost = Ball(PROP_TYPE_LARGE, {100, 5, 100}, PROP_ROLLING, {2, 0, 0});
    lost.Update();
    EXPECT_EQ(lost.state, uint32_t(PROP_FLYING));
    lost.Update();
    EXPECT_TRUE(std::isfinite(lost.position.y));
    EXPECT_LT(lost.position.y, 5.0f);
}

TEST_F(PropTest, ADroppedBallBouncesWithHalfItsSpeedThenRollsAndRests) {
    DynamicObject& ball = Ball(PROP_TYPE_LARGE, {4, 3, 4}, PROP_FLYING, {0, 0, 0});
    Recorder().frameSeconds = 0.01f;
    int bounces = 0;
    bool rolled = false;
    for (int i = 0; i < 1000 && ball.state != PROP_RESTING; ++i) {
        const float falling = -ball.velocity.y + 9.8f * 0.01f;
        const bool wasFlying = ball.state == PROP_FLYING && ball.velocity.y < 0.0f;
        ball.Update();
        rolled = rolled || ball.state == PROP_ROLLING;
        if (wasFlying && ball.velocity.y > 0.0f) {
            ++bounces;
            EXPECT_NEAR(ball.velocity.y, 0.5f * falling, 1e-3f) << "bounce " << bounces;
            EXPECT_EQ(ball.state, uint32_t(PROP_FLYING));
        }
    }
    EXPECT_GE(bounces, 2);
    EXPECT_TRUE(rolled);
    EXPECT_EQ(ball.state, uint32_t(PROP_RESTING));
    EXPECT_NEAR(ball.position.y, 1.0f, 0.1f);
    EXPECT_TRUE(std::isfinite(ball.position.x) && std::isfinite(ball.position.z));
    ASSERT_FALSE(Recorder().sounds.empty());
    EXPECT_EQ(Recorder().sounds[0].id, PROP_SOUND_LARGE);
}

TEST_F(PropTest, AnUndampedBallPassesItsWholeSpeedScaledByTheRadii) {
    struct Case {
        uint32_t type;
        float passed;
    } cases[] = {{PROP_TYPE_LARGE, 5.0f}, {PROP_TYPE_SMALL, 0.5f}};
    const Vec3 grazing{-0.4f, 0, 0.916515f};   // 66 degrees off the contact normal: no damping when rolling
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        DynamicObject& still = Ball(PROP_TYPE_LARGE, {8, 1.02f, 8}, PROP_RESTING, {0, 0, 0});
        const float reach = (c.type == PROP_TYPE_LARGE ? 2.0f : 1.1f) - 0.05f;
        const Vec3 q{8 + reach, 1.02f, 8};
        DynamicObject& moving = Ball(c.type, q, PROP_ROLLING, Vec3Scale(grazing, 5));
        moving.SetPosition(Vec3Add(q, Vec3Scale(grazing, 0.05f)));
        ASSERT_TRUE(moving.CollideWithProps(q));
        EXPECT_NEAR(Vec3Length(moving.velocity), 5.0f, 1e-4f);
        EXPECT_EQ(still.state, uint32_t(PROP_ROLLING));
        EXPECT_NEAR(still.velocity.x, -c.passed, 1e-4f);
        EXPECT_NEAR(still.velocity.z, 0.0f, 1e-5f);
        still.Despawn();
        moving.Despawn();
    }
}

}  // namespace
}  // namespace proptest
