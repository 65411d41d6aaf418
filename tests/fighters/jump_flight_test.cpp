// Jumps: the launch at each animation's frame, the flight with the guard's brake and the steering
// of computer fighters, and the landings by speed.
#include <cmath>

#include "fighters/animation_control.h"
#include "fighters/jump_table.h"
#include "motion_fixture.h"
#include "scene/bone.h"

namespace fightertest {
namespace {

class JumpTest : public MotionTest {
protected:
    // In the air at the point with the velocity, playing the animation.
    Character& Flying(const Vec3& at, const Vec3& velocity, int animation, bool local) {
        Character& c = Standing(0, Vec3{at.x, 0, at.z});
        Recorder().local = local ? &c : nullptr;
        c.airborne = 1;
        c.SetPosition(at.x, at.y, at.z, false);
        c.jumpVelocity = velocity;
        Play(c, animation, ActionClassOf(animation));
        return c;
    }
};

TEST(JumpTable, EveryJumpHasOneRowInFrameOrder) {
    for (int a = 0; a < 200; ++a)
        EXPECT_EQ(FindJumpRow(a) != nullptr, (a >= 30 && a <= 36) || (a >= 73 && a <= 76)) << a;
    for (size_t i = 0; i < JUMP_ROW_COUNT; ++i) {
        const JumpRow& r = JUMP_ROWS[i];
        EXPECT_LT(r.launchFrame, r.fallCheckFrame) << i;
        EXPECT_LT(r.fallCheckFrame, r.landingFrame) << i;
        EXPECT_EQ(r.directionAction >= 0, r.after == JumpAfterLanding::KeepWhileDirectionHeld) << i;
    }
    EXPECT_NEAR(FallCheckHeight(*FindJumpRow(31)), 4.08f, 1e-5f);   // h 20: 1 + 4.4 (1 - 6 / 20)
}

TEST_F(JumpTest, AJumpLaunchesWhenItsAnimationCrossesTheLaunchFrame) {
    const struct {
        const char* name;
        int animation, previous;
        float from;
        bool frozen;
        float seconds, rise;   // rise 0: stays on the ground
    } cases[] = {
        {"31 at frame 17: t = 2/3 s", 31, 0, 16.5f, false, 0.02f, 4.0f / (2.0f / 3) + 9.8f / 3},
        {"31 before it", 31, 0, 10.0f, false, 0.02f, 0.0f},
        {"a frame of no time", 31, 0, 16.5f, false, 0.0f, 0.0f},
        {"75 early out of a run", 75, 21, 5.0f, false, 0.02f, 12.0f * 0.71f / std::sqrt(2.0f)},
        {"75 early out of another jump", 75, 31, 5.0f, false, 0.02f, 0.0f},
        {"75 early, frozen", 75, 21, 5.0f, true, 0.02f, 0.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
        Recorder().frameSeconds = t.seconds;
        c.previousAnimation = t.previous;
        Play(c, t.animation, ActionClassOf(t.animation));
        c.model->SetAnimationFrame(0, t.from, true);
        Advance(33);
        if (t.frozen) c.model->bones[0]->controller->rate = 0.0f;
        c.UpdateJumpFlight();
        EXPECT_EQ(c.airborne, t.rise > 0.0f);
        EXPECT_NEAR(c.jumpVelocity.y, t.rise, 1e-4f);
    }
}

TEST_F(JumpTest, TheAirborneGuardBrakesTheFallAndStopsTheDrift) {
    const struct {
        uint32_t elapsed;
        float lift, rate;
    } cases[] = {{0, 17.64f * 0.03f, 60.0f}, {2500, 0.2646f, 33.0f}, {5000, 0.0f, 6.0f}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.elapsed);
        SetTime(kStartTime);
        Character& c = Flying(Vec3{4.5f, 5, 4.5f}, Vec3{3, -1, 2}, 37, true);
        c.StartGuard();
        SetTime(kStartTime + t.elapsed);
        c.UpdateJumpFlight();
        EXPECT_NEAR(c.jumpVelocity.y, -1.0f + t.lift - 0.294f, 1e-4f);
        EXPECT_EQ(c.jumpVelocity.x, 0.0f);
        EXPECT_NEAR(c.position.x, 4.5f, 1e-5f);
        EXPECT_NEAR(c.model->bones[112]->controller->rate, t.rate, 1e-3f);
    }
}

TEST_F(JumpTest, ComputerFightersSteerTowardsTheEndOfTheirJump) {
    const struct {
        const char* name;
        bool local, following;
        int animation;
        Vec3 at, target;
        float z;
    } cases[] = {
        {"capped at 0.05 per ms", false, true, 37, {4.5f, 3, 2}, {4.5f, 2.9f, 13}, 3.0f},
        {"within 0.5 the rest halves", false, true, 37, {4.5f, 1, 4.5f}, {4.5f, 0, 4.9f}, 4.7f},
        {"close below the target: drop", false, true, 37, {4.5f, 1, 4.5f}, {4.5f, 2, 7.5f}, 4.5f},
        {"no path: the jump's own drift", false, false, 32, {4.5f, 1, 4.5f}, {4.5f, 0, 9}, 4.58f},
        {"the local fighter is not steered", true, false, 32, {4.5f, 1, 4.5f}, {4.5f, 0, 9}, 4.5f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Flying(t.at, Vec3{}, t.animation, t.local);
        c.following = t.following;
        c.targetCell = c.pathPoints[1] = CellRef{4, int32_t(t.target.z), 0};
        c.pathLength = 2;
        c.pathIndex = 1;
        c.waypoints[1] = t.target;
        c.UpdateJumpFlight();
        EXPECT_NEAR(c.position.z, t.z, 1e-4f);
    }
}

TEST_F(JumpTest, FallsSpeedUpTheirAnimationAndLandByTheirSpeed) {
    const struct {
        const char* name;
        bool local;
        float fall;
        int landing;
        float health;   // 100 less max health x factor x speed / constitution 50
    } cases[] = {
        {"above 22: 39 with the cry, then 42", false, 25.0f, 42, 100.0f - 150.0f * 25.294f / 50},
        {"above 12: 41", false, 15.0f, 41, 100.0f - 5.0f * 15.294f / 50},
        {"slow, computer: 40", false, 10.0f, 40, 100.0f},
        {"slow, local: standing", true, 10.0f, 0, 100.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Recorder().sounds.clear();
        Character& c = Flying(Vec3{4.5f, 0.2f, 4.5f}, Vec3{0, -t.fall, 0}, 38, t.local);
        c.constitution = 50.0f;
        c.UpdateJumpFlight();
        EXPECT_EQ(c.airborne, 0);
        EXPECT_EQ(c.position.y, 0.0f);
        EXPECT_EQ(c.currentAnimation, t.landing);
        EXPECT_NEAR(c.health, t.health, 1e-3f);
        EXPECT_EQ(!Recorder().sounds.empty() && Recorder().sounds[0].id == 85, t.fall > 22.0f);
    }
    EXPECT_EQ(Recorder().CreatedOfType(85).size(), 4u);
}

TEST_F(JumpTest, TheFighterFramesCarryAJumpFromItsLaunchToItsLandingButNotInNoTime) {
    Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
    Play(c, 31, 2);
    c.model->SetAnimationFrame(0, 16.5f, true);
    Advance(33);
    c.Update(20);
    ASSERT_EQ(c.airborne, 1);
    Recorder().frameSeconds = 0.0f;
    c.Update(0);
    EXPECT_NEAR(c.jumpVelocity.y, 9.26667f, 1e-4f);
    Recorder().frameSeconds = 0.02f;
    // 9.27 t - 4.9 t^2 at 0.03 s of flight a frame is still 0.011 after 63 frames, below 0 after 64.
    int frames = 0;
    for (; c.airborne && frames < 100; ++frames) {
        Advance(20);
        c.Update(20);
    }
    EXPECT_EQ(frames, 64);
    EXPECT_EQ(c.position.y, 0.0f);
}

}  // namespace
}  // namespace fightertest
