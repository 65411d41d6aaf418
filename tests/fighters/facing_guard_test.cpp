// The fighter's facing (headings, the yaw wrap, turns, turning towards a point, the facing cone)
// and the guard pose on the arm bones.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "animation_fixture.h"

namespace fightertest {
namespace {

class FacingTest : public AnimationTest {};
void Nothing(Character&) {}
class GuardTest : public AnimationTest {};

TEST(Facing, HeadingsTakeTheAxesExactlyAndTheQuadrantsByTheirSigns) {
    const struct {
        float dx, dz, heading;
    } cases[] = {
        {0, 1, 0},           {0, 0, 0},           {0, -1, kPi},        {1, 0, kPi / 2},
        {-1, 0, 3 * kPi / 2}, {1, 1, kPi / 4},     {1, -1, 3 * kPi / 4}, {-1, -1, 5 * kPi / 4},
        {-1, 1, 7 * kPi / 4}, {1, 1.7320508f, kPi / 6},
    };
    for (const auto& t : cases) EXPECT_NEAR(HeadingTo(t.dx, t.dz), t.heading, 1e-6f) << t.dx << ", " << t.dz;
}

TEST(Facing, TheYawWrapKeepsAWholeTurnAndTurnsNegativesRound) {
    const struct {
        float yaw, wrapped;
    } cases[] = {
        {kTwoPi, kTwoPi}, {3.0f, 3.0f},          {0.0f, 0.0f},           {-0.1f, kTwoPi - 0.1f},
        {-kTwoPi, 0.0f},  {kTwoPi + 0.5f, 0.5f}, {-kTwoPi - 0.5f, kTwoPi - 0.5f}, {2 * kTwoPi + 1.0f, 1.0f},
    };
    for (const auto& t : cases) EXPECT_NEAR(WrapYaw(t.yaw), t.wrapped, 1e-5f) << t.yaw;
}

TEST_F(FacingTest, TurningOnTheSpotAnimatesOnlyTheLocalFighterStanding) {
    const struct {
        const char* name;
        bool local;
        int current;
        float turn;
        int animation;
    } cases[] = {
        {"local, left", true, 0, -0.1f, 2}, {"local, right", true, 0, 0.1f, 3}, {"local, idle", true, 1, 0.2f, 3},
        {"computer", false, 0, -0.1f, 0},   {"local, running", true, 21, -0.1f, 21},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter();
        Force(c, t.current);
        Recorder().local = t.local ? &c : nullptr;
        c.Turn(t.turn);
        EXPECT_EQ(c.currentAnimation, t.animation);
        EXPECT_NEAR(c.model->angles.y, t.turn, 1e-6f);
        EXPECT_NEAR(c.yaw, WrapYaw(t.turn), 1e-6f);
        Recorder().local = nullptr;
    }
}

TEST_F(FacingTest, TheModelsRotationIsNotWrappedAndAnAngleThatIsNoNumberChangesNothing) {
    Character& c = Fighter();
    c.model->angles.x = 0.3f;
    c.Turn(7.0f);
    c.Turn(0.5f);
    EXPECT_NEAR(c.model->angles.y, 7.5f, 1e-5f);
    EXPECT_NEAR(c.yaw, 7.5f - kTwoPi, 1e-5f);
    EXPECT_FLOAT_EQ(c.model->angles.x, 0.3f);
    c.SetYaw(-0.5f);
    EXPECT_EQ(c.model->angles.x, 0.0f);
    EXPECT_NEAR(c.yaw, kTwoPi - 0.5f, 1e-5f);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        c.Turn(bad);
        c.SetYaw(bad);
        EXPECT_FLOAT_EQ(c.model->angles.y, -0.5f);
        EXPECT_NEAR(c.yaw, kTwoPi - 0.5f, 1e-5f);
    }
}

TEST_F(FacingTest, AHelplessFighterTurnsOnlyWithASidewaysFall) {
    const struct {
        const char* name;
        void (*make)(Character& c);
        int animation;
        bool turns;
    } cases[] = {
        {"frozen", [](Character& c) { c.states[STATE_FREEZE].active = 1; }, 0, false},
        {"knocked down", [](Character& c) { c.knockedDown = 1; }, 0, false},
        {"dead", [](Character& c) { c.dead = 1; }, 0, false},
        {"no health", [](Character& c) { c.health = 0.0f; }, 0, false},
        {"dead in a fall to the side", [](Character& c) { c.dead = 1; }, 132, true},
        {"no health in the other fall", [](Character& c) { c.health = 0.0f; }, 133, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter();
        Force(c, t.animation);
        t.make(c);
        c.Turn(0.5f);
        EXPECT_NEAR(c.yaw, t.turns ? 0.5f : 0.0f, 1e-6f);
        c.SetYaw(1.0f);
        EXPECT_NEAR(c.yaw, t.turns ? 0.5f : 0.0f, 1e-6f);
        EXPECT_FALSE(c.TurnTowards(0.1f, 10.0f, 0.0f, 4.5f));
    }
}

// The fighter stands at (4.5, 4.5) facing the yaw given.
TEST_F(FacingTest, TurningTowardsAPointStepsTheShortWayAndSnapsWhenCloseOrWithinAStep) {
    const struct {
        const char* name;
        float yaw, step;
        float dx, dz;
        float after;
    } cases[] = {
        {"a step to the right", 0.0f, 0.1f, 5.0f, 0.0f, 0.1f},
        {"a step to the left", kPi / 2, 0.1f, 0.0f, 5.0f, kPi / 2 - 0.1f},
        {"the short way over zero", 0.1f, 0.1f, -5.0f, 0.0f, 0.0f},
        {"the short way back over zero", kTwoPi - 0.1f, 0.1f, 5.0f, 0.0f, 0.0f},
        {"within a step", 0.0f, 0.1f, 5.0f * std::sin(0.05f), 5.0f * std::cos(0.05f), 0.05f},
        {"0.3 away", 0.0f, 0.1f, 0.3f, 0.0f, kPi / 2},
        {"0.3 away behind", 0.0f, 0.1f, 0.0f, -0.3f, kPi},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter();
        c.SetYaw(t.yaw);
        EXPECT_TRUE(c.TurnTowards(t.step, c.position.x + t.dx, 99.0f, c.position.z + t.dz));
        // 0 and a whole turn face the same way.
        EXPECT_NEAR(std::fmod(c.yaw + 1e-4f, kTwoPi) - 1e-4f, t.after, 1e-4f);
    }
}

TEST_F(FacingTest, TheFacingConeIsHalfEachWayAcrossZero) {
    Character& c = Fighter();
    Character& other = Spawned(1, 1, Vec3{9.5f, 0, c.position.z});   // along +x: heading pi / 2
    const struct {
        float yaw, cone;
        bool facing;
    } cases[] = {{kPi / 2 + 0.2f, 0.5f, true}, {kPi / 2 + 0.2f, 0.4f, false}, {kPi / 2 - 0.2f, 0.5f, true},
                 {3 * kPi / 2, 6.3f, true}};
    for (const auto& t : cases) {
        c.SetYaw(t.yaw);
        EXPECT_EQ(c.IsFacing(&other, t.cone), t.facing) << t.yaw << " within " << t.cone;
    }
    // Across zero: 6.2 and a heading of 0.1 lie 0.183 apart.
    other.SetPosition(c.position.x + 10.0f * std::sin(0.1f), 0.0f, c.position.z + 10.0f * std::cos(0.1f), false);
    c.SetYaw(6.2f);
    EXPECT_TRUE(c.IsFacing(&other, 0.4f));
    EXPECT_FALSE(c.IsFacing(&other, 0.36f));
}

TEST_F(GuardTest, TheGuardHoldsBothArmBonesAndLetsThemGo) {
    Character& c = Fighter();
    Force(c, 0);
    Network(true, false);
    Recorder().local = &c;
    Recorder().events.clear();
    c.guardRequest = 1;
    c.StartGuard();
    EXPECT_EQ(c.guarding, 1);
    EXPECT_EQ(c.guardStartTime, kStartTime);
    for (int bone : {BONE_GUARD_FIRST, BONE_GUARD_SECOND}) {
        SCOPED_TRACE(bone);
        EXPECT_TRUE(Locked(c, bone));
        EXPECT_EQ(c.model->GetAnimationIndex(bone), ANIM_GUARD);
        EXPECT_EQ(Controller(c, bone).rate, 60.0f);
        EXPECT_EQ(Controller(c, bone).blendTotal, 100u);
    }
    // The body's next animation leaves the arms in the guard.
    ASSERT_TRUE(c.SetAnimation(21, 0, 1, 0));
    EXPECT_EQ(c.model->GetAnimationIndex(BONE_GUARD_FIRST), ANIM_GUARD);

    c.SetGuardAnimationRate(45.0f);
    EXPECT_EQ(Controller(c, BONE_GUARD_FIRST).rate, 45.0f);
    EXPECT_EQ(Controller(c, BONE_GUARD_SECOND).rate, 45.0f);
    EXPECT_TRUE(Locked(c, BONE_GUARD_SECOND));

    SetTime(kStartTime + 700);
    c.EndGuard();
    EXPECT_EQ(c.guarding, 0);
    EXPECT_EQ(c.guardRequest, 0);
    EXPECT_EQ(c.guardEndTime, kStartTime + 700);
    for (int bone : {BONE_GUARD_FIRST, BONE_GUARD_SECOND}) {
        SCOPED_TRACE(bone);
        EXPECT_FALSE(Locked(c, bone));
        EXPECT_EQ(c.model->GetAnimationIndex(bone), ANIM_STAND);
        EXPECT_EQ(Controller(c, bone).rate, 30.0f);
        EXPECT_EQ(Controller(c, bone).blendTotal, 200u);
    }
    // Not guarding: neither the rate nor another end does anything.
    c.SetGuardAnimationRate(10.0f);
    c.EndGuard();
    EXPECT_EQ(Controller(c, BONE_GUARD_FIRST).rate, 30.0f);
    EXPECT_EQ(c.guardEndTime, kStartTime + 700);
    // Events 13 (start) and 14 (end), after the body's change (11 and 9).
    ASSERT_EQ(Recorder().events.size(), 4u);
    EXPECT_EQ(Recorder().events.front(), (std::vector<uint8_t>{13, 0}));
    EXPECT_EQ(Recorder().events.back(), (std::vector<uint8_t>{14, 0}));
}

TEST_F(GuardTest, TheGuardIsRefusedWhenHelplessBusyOrRising) {
    const struct {
        const char* name;
        int animation;
        void (*make)(Character& c);
        bool guards;
    } cases[] = {
        {"sinking", 0, [](Character& c) { c.sinking = 1; }, false},
        {"frozen", 0, [](Character& c) { c.states[STATE_FREEZE].active = 1; }, false},
        {"knocked down", 0, [](Character& c) { c.knockedDown = 1; }, false},
        {"dead", 0, [](Character& c) { c.dead = 1; }, false},
        {"no health", 0, [](Character& c) { c.health = 0.0f; }, false},
        {"attacking", 60, Nothing, false},
        {"attacking again", 90, Nothing, false},
        {"hit", 116, Nothing, false},
        {"falling down", 130, Nothing, false},
        {"rising fast", 30, [](Character& c) { c.airborne = 1; c.jumpVelocity.y = 0.6f; }, false},
        {"rising slowly", 30, [](Character& c) { c.airborne = 1; c.jumpVelocity.y = 0.5f; }, true},
        {"falling", 37, [](Character& c) { c.airborne = 1; c.jumpVelocity.y = -4.0f; }, true},
        {"taunting", 105, Nothing, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter();
        Force(c, t.animation);
        t.make(c);
        Network(true, true);
        Recorder().events.clear();
        c.StartGuard();
        EXPECT_EQ(c.guarding, t.guards ? 1 : 0);
        EXPECT_EQ(Locked(c, BONE_GUARD_FIRST), t.guards);
        EXPECT_EQ(Recorder().events.size(), t.guards ? 1u : 0u);
        Network(false, false);
    }
}

TEST_F(GuardTest, AGuardTakenAgainWithin2000MsKeepsItsStart) {
    Character& c = Fighter();
    Force(c, 0);
    const struct {
        uint32_t start, end;
        uint32_t guardStart;
    } cases[] = {
        {kStartTime, kStartTime + 500, kStartTime},
        {kStartTime + 2500, kStartTime + 2600, kStartTime},   // 2000 ms after the end
        {kStartTime + 4601, kStartTime + 4700, kStartTime + 4601},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.start);
        SetTime(t.start);
        c.StartGuard();
        EXPECT_EQ(c.guardStartTime, t.guardStart);
        c.StartGuard();   // already guarding
        EXPECT_EQ(c.guardStartTime, t.guardStart);
        SetTime(t.end);
        c.EndGuard();
    }
}

}  // namespace
}  // namespace fightertest
