// Jumps: the launch at each animation's frame, the end of a jump on the ground, the flight with
// the guard's brake and the steering of computer fighters, the fall check and the landings.
#include <cmath>
#include <vector>

#include "fighters/animation_control.h"
#include "fighters/jump_table.h"
#include "motion_fixture.h"
#include "scene/bone.h"

namespace fightertest {
namespace {

class JumpTest : public MotionTest {
protected:
    // The whole body at a frame half a frame before `frame`, then one advance of 33 ms.
    static void PlayFrom(Character& c, int animation, float frame) {
        Play(c, animation, ActionClassOf(animation));
        c.model->SetAnimationFrame(0, frame, true);
        Advance(33);
    }
    // In the air at the point with the velocity, playing the animation (before any advance).
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

TEST(JumpTable, EveryJumpHasOneRowInFrameOrderAndItsStrength) {
    for (int a = 0; a < 200; ++a) {
        const bool jump = (a >= 30 && a <= 36) || (a >= 73 && a <= 76);
        EXPECT_EQ(FindJumpRow(a) != nullptr, jump) << a;
    }
    for (size_t i = 0; i < JUMP_ROW_COUNT; ++i) {
        const JumpRow& r = JUMP_ROWS[i];
        EXPECT_LT(r.launchFrame, r.fallCheckFrame) << i;
        EXPECT_LT(r.fallCheckFrame, r.landingFrame) << i;
        EXPECT_GT(r.heightFactor, 0.0f) << i;
        const bool keeps = r.after == JumpAfterLanding::KeepWhileDirectionHeld;
        EXPECT_EQ(r.directionAction >= 0 && r.directionAction < 4, keeps) << i;
    }
    // At 30 frames per second and g = -9.8, worked by hand.
    const struct {
        int animation;
        float strength;
    } strengths[] = {{30, 6.64944f}, {31, 9.26667f}, {32, 8.52f}, {33, 9.75f}, {34, 5.80909f}, {36, 6.08571f}};
    for (const auto& s : strengths)
        EXPECT_NEAR(JumpStrength(*FindJumpRow(s.animation), 30.0f, -9.8f), s.strength, 1e-4f) << s.animation;
    EXPECT_EQ(JumpStrength(*FindJumpRow(31), 0.0f, -9.8f), 0.0f);
    EXPECT_NEAR(FallCheckHeight(*FindJumpRow(31)), 4.08f, 1e-5f);
    EXPECT_NEAR(FallCheckHeight(*FindJumpRow(32)), 2.064f, 1e-5f);

    const struct {
        float speed;
        bool local;
        int animation;
        float factor;
    } falls[] = {{25.0f, false, 42, 1.5f}, {17.5f, true, 42, 1.5f}, {17.0f, false, 41, 0.05f},
                 {12.5f, true, 41, 0.05f}, {12.0f, true, 0, 0.0f},  {12.0f, false, 40, 0.0f}};
    for (const auto& f : falls) {
        const FallLanding l = FallLandingFor(f.speed, f.local);
        EXPECT_EQ(l.animation, f.animation) << f.speed;
        EXPECT_EQ(l.damageFactor, f.factor) << f.speed;
    }
}

TEST_F(JumpTest, AJumpLaunchesWhenItsAnimationCrossesTheLaunchFrame) {
    const struct {
        const char* name;
        int animation, previous;
        float from;
        bool frozen;
        float seconds;
        float rise;   // 0: stays on the ground
    } cases[] = {
        {"31 at frame 17: t = 2/3 s", 31, 0, 16.5f, false, 0.02f, 9.26667f},
        {"31 before it", 31, 0, 10.0f, false, 0.02f, 0.0f},
        {"frozen on the launch frame", 31, 0, 16.5f, true, 0.02f, 0.0f},
        {"a frame of no time", 31, 0, 16.5f, false, 0.0f, 0.0f},
        {"75 early out of a run", 75, 21, 5.0f, false, 0.02f, 8.52f / std::sqrt(2.0f)},
        {"75 early out of another jump", 75, 31, 5.0f, false, 0.02f, 0.0f},
        {"75 early, frozen", 75, 21, 5.0f, true, 0.02f, 0.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
        Recorder().frameSeconds = t.seconds;
        c.previousAnimation = t.previous;
        PlayFrom(c, t.animation, t.from);
        if (t.frozen) c.model->bones[0]->controller->rate = 0.0f;
        c.UpdateJumpFlight();
        EXPECT_EQ(c.airborne, t.rise > 0.0f ? 1 : 0);
        EXPECT_NEAR(c.jumpVelocity.y, t.rise, 1e-4f);
        EXPECT_TRUE(std::isfinite(c.position.y));
    }
}

TEST_F(JumpTest, PastItsLandingFrameAJumpStaysOnlyWhileItsDirectionIsHeld) {
    const struct {
        int animation;
        bool keys;
        int held;
        int after;
    } cases[] = {{32, true, 0, 32}, {32, false, 0, 0}, {32, true, 1, 0},
                 {36, true, 2, 36}, {35, true, 2, 0},  {35, true, 3, 35}};
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.animation << " holding " << t.held);
        Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
        c.moveKeysHeld = t.keys ? 1 : 0;
        Recorder().directionHeld[t.held] = true;
        PlayFrom(c, t.animation, 25.5f);
        c.UpdateJumpFlight();
        EXPECT_EQ(c.currentAnimation, t.after);
        Recorder().directionHeld[t.held] = false;
    }
}

TEST_F(JumpTest, TheAirborneGuardBrakesTheFallAndStopsTheDrift) {
    const struct {
        uint32_t elapsed;
        float vy, rate;
    } cases[] = {{0, -1.0f + 17.64f * 0.03f - 0.294f, 60.0f}, {2500, -1.0f + 0.2646f - 0.294f, 33.0f},
                 {5000, -1.294f, 6.0f}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.elapsed);
        SetTime(kStartTime);
        Character& c = Flying(Vec3{4.5f, 5, 4.5f}, Vec3{3, -1, 2}, 37, true);
        c.StartGuard();
        ASSERT_EQ(c.guarding, 1);
        SetTime(kStartTime + t.elapsed);
        c.UpdateJumpFlight();
        EXPECT_NEAR(c.jumpVelocity.y, t.vy, 1e-4f);
        EXPECT_EQ(c.jumpVelocity.x, 0.0f);
        EXPECT_EQ(c.jumpVelocity.z, 0.0f);
        EXPECT_NEAR(c.position.x, 4.5f, 1e-5f);
        EXPECT_NEAR(c.model->bones[112]->controller->rate, t.rate, 1e-3f);
    }
}

TEST_F(JumpTest, ComputerFightersSteerTowardsTheEndOfTheirJump) {
    const struct {
        const char* name;
        bool local, following;
        int animation;
        Vec3 at, target, velocity;
        float z;
    } cases[] = {
        {"capped at 0.05 per ms", false, true, 37, {4.5f, 3, 2}, {4.5f, 2.9f, 13}, {}, 3.0f},
        {"within 0.5 the rest halves", false, true, 37, {4.5f, 1, 4.5f}, {4.5f, 0, 4.9f}, {}, 4.7f},
        {"close below the target: drop", false, true, 37, {4.5f, 1, 4.5f}, {4.5f, 2, 7.5f}, {0, 0, 1}, 4.53f},
        {"no path: the jump's own drift", false, false, 32, {4.5f, 1, 4.5f}, {4.5f, 0, 9}, {}, 4.58f},
        {"the local fighter is not steered", true, false, 32, {4.5f, 1, 4.5f}, {4.5f, 0, 9}, {}, 4.5f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Flying(t.at, t.velocity, t.animation, t.local);
        c.following = t.following ? 1 : 0;
        c.targetCell = CellRef{4, int32_t(t.target.z), 0};
        c.pathLength = 2;
        c.pathIndex = 1;
        c.pathPoints[1] = c.targetCell;
        c.waypoints[1] = t.target;
        c.UpdateJumpFlight();
        EXPECT_NEAR(c.position.z, t.z, 1e-4f);
        EXPECT_NEAR(c.position.x, 4.5f, 1e-5f);
        if (t.velocity.z != 0.0f) EXPECT_EQ(c.jumpVelocity.z, 0.0f);
    }
}

TEST_F(JumpTest, FallsSpeedUpTheirAnimationAndLandByTheirSpeed) {
    g_Scenario.row = ScenarioRowOf(1);
    const struct {
        const char* name;
        bool local;
        float fall;
        bool cry;
        int landing;
    } cases[] = {
        {"above 22: 39 with the cry, then 42", false, 25.0f, true, 42},
        {"above 12: 41", false, 15.0f, false, 41},
        {"slow, computer: 40", false, 10.0f, false, 40},
        {"slow, local: standing", true, 10.0f, false, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        Character& c = Flying(Vec3{4.5f, 0.2f, 4.5f}, Vec3{0, -t.fall, 0}, 38, t.local);
        c.UpdateJumpFlight();
        EXPECT_EQ(c.airborne, 0);
        EXPECT_EQ(c.position.y, 0.0f);
        EXPECT_EQ(c.currentAnimation, t.landing);
        bool cried = false;
        for (const testsupport::RecordedSound& s : Recorder().sounds) cried = cried || s.id == 85;
        EXPECT_EQ(cried, t.cry);
        const std::vector<int32_t> dust = Recorder().CreatedOfType(85);
        ASSERT_EQ(dust.size(), 1u);
        EXPECT_EQ(Recorder().effects[dust[0]].position.y, 0.0f);
    }

    // The fall check: past frame 18, jump 32 becomes a fall only more than 2.064 above the ground.
    for (float height : {3.0f, 1.0f}) {
        Character& c = Flying(Vec3{4.5f, height, 4.5f}, Vec3{0, 5, 0}, 32, true);
        c.model->SetAnimationFrame(0, 17.5f, true);
        Advance(33);
        c.UpdateJumpFlight();
        EXPECT_EQ(c.currentAnimation, height > 2.064f ? 37 : 32) << height;
    }
}

TEST_F(JumpTest, TheFighterFramesCarryAJumpFromItsLaunchToItsLanding) {
    Character& c = Standing(0, Vec3{4.5f, 0, 4.5f});
    PlayFrom(c, 31, 16.5f);
    c.Update(20);
    ASSERT_EQ(c.airborne, 1);
    // Up at 9.27 and down under -9.8, 0.03 s of flight a frame: 9.27 t - 4.9 t^2 is still 0.011
    // after 63 frames and below the floor after 64.
    int frames = 0;
    while (c.airborne && frames < 100) {
        Advance(20);
        c.Update(20);
        ++frames;
    }
    EXPECT_EQ(frames, 64);
    EXPECT_EQ(c.position.y, 0.0f);
    EXPECT_EQ(Recorder().CreatedOfType(85).size(), 1u);
}

TEST_F(JumpTest, AFrameOfNoTimeChangesNothingInTheAir) {
    Recorder().frameSeconds = 0.0f;
    Character& c = Flying(Vec3{4.5f, 0.2f, 4.5f}, Vec3{1, -25, 0}, 38, false);
    c.UpdateJumpFlight();
    EXPECT_EQ(c.airborne, 1);
    EXPECT_EQ(c.position.y, 0.2f);
    EXPECT_EQ(c.jumpVelocity.y, -25.0f);
    EXPECT_EQ(c.currentAnimation, 38);
}

}  // namespace
}  // namespace fightertest
