#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>

#include "common/random.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/camera_animators.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Steps an animator to an absolute elapsed time.
void AdvanceTo(Animator& a, int32_t elapsed) { a.Advance(uint32_t(elapsed - a.elapsed)); }

TEST(Animators, TypesAndInit) {
    Camera cam;
    ShakeAnimator shake;
    RampAnimator ramp;
    SpinAnimator spin;
    EXPECT_EQ(shake.GetType(), 1);
    EXPECT_EQ(ramp.GetType(), 2);
    EXPECT_EQ(spin.GetType(), 3);

    EXPECT_EQ(shake.amplitude, 0.0f);
    EXPECT_EQ(ramp.rampTime, 0);
    EXPECT_EQ(spin.turns, 0u);
    EXPECT_EQ(shake.duration, 0);
    EXPECT_EQ(shake.targetCamera, nullptr);

    EXPECT_TRUE(shake.Init(500, 2.5f, &cam));
    EXPECT_EQ(shake.duration, 500);
    EXPECT_EQ(shake.elapsed, 0);
    EXPECT_EQ(shake.targetCamera, &cam);
    EXPECT_EQ(shake.amplitude, 2.5f);

    ramp.currentRoll = 1.0f;
    EXPECT_TRUE(ramp.Init(15000, 1000, &cam));
    EXPECT_EQ(ramp.rampTime, 1000);
    EXPECT_EQ(ramp.currentRoll, 0.0f);

    EXPECT_TRUE(spin.Init(15000, 15, &cam));
    EXPECT_EQ(spin.turns, 15u);
}

TEST(Animators, ResetClearsFieldsAndRollAnimatorsLevelTheCamera) {
    Camera cam;
    ShakeAnimator shake;
    shake.Init(500, 2.0f, &cam);
    shake.Advance(100);
    shake.Reset();
    EXPECT_EQ(shake.duration, 0);
    EXPECT_EQ(shake.elapsed, 0);
    EXPECT_EQ(shake.targetCamera, nullptr);
    EXPECT_EQ(shake.amplitude, 0.0f);

    RampAnimator ramp;
    ramp.Init(15000, 1000, &cam);
    AdvanceTo(ramp, 500);
    ramp.Apply();
    EXPECT_NEAR(cam.roll, kPi / 2, 1e-6f);
    ramp.Reset();
    EXPECT_EQ(cam.roll, 0.0f);
    EXPECT_EQ(ramp.rampTime, 0);
    EXPECT_EQ(ramp.currentRoll, 0.0f);
    EXPECT_EQ(ramp.targetCamera, nullptr);

    SpinAnimator spin;
    spin.Init(1000, 3, &cam);
    AdvanceTo(spin, 500);
    spin.Apply();
    EXPECT_NE(cam.roll, 0.0f);
    spin.Reset();
    EXPECT_EQ(cam.roll, 0.0f);
    EXPECT_EQ(spin.turns, 0u);
}

TEST(Animators, RampRisesHoldsAndFalls) {
    Camera cam;
    auto* ramp = new RampAnimator;
    ramp->Init(15000, 1000, &cam);
    cam.AttachAnimator(ramp);
    struct Step {
        int32_t elapsed;
        float roll;
    } steps[] = {
        {500, kPi / 2},     // halfway through the rise
        {1000, kPi},        // end of the rise
        {7000, kPi},
        {13999, kPi},
        {14000, kPi},       // the fall starts at pi
        {14500, kPi / 2},   // halfway through the fall
        {14750, kPi / 4},
    };
    for (const Step& s : steps) {
        cam.UpdateAnimator(uint32_t(s.elapsed - ramp->elapsed));
        cam.ApplyAnimator();
        EXPECT_NEAR(cam.roll, s.roll, 1e-5f) << "at " << s.elapsed;
    }
    // Finished at 15000: deleted in the same update, which puts roll back to 0.
    cam.UpdateAnimator(250);
    EXPECT_EQ(cam.animator, nullptr);
    EXPECT_EQ(cam.roll, 0.0f);
}

TEST(Animators, ShortRampGoesFromRiseStraightToFall) {
    RampAnimator ramp;
    ramp.Init(1500, 1000, nullptr);
    AdvanceTo(ramp, 500);
    EXPECT_NEAR(ramp.currentRoll, kPi / 2, 1e-6f);
    AdvanceTo(ramp, 1000);   // (1 - (1000 - 1500 + 1000) / 1000) pi
    EXPECT_NEAR(ramp.currentRoll, kPi / 2, 1e-6f);
    AdvanceTo(ramp, 1250);
    EXPECT_NEAR(ramp.currentRoll, kPi / 4, 1e-6f);
    AdvanceTo(ramp, 1500);
    EXPECT_EQ(ramp.currentRoll, 0.0f);
    EXPECT_TRUE(ramp.IsFinished());
}

TEST(Animators, SpinTurnsSteadilyWithoutWrapping) {
    Camera cam;
    SpinAnimator spin;
    spin.Init(15000, 15, &cam);
    struct Step {
        int32_t elapsed;
        float roll;
    } steps[] = {{0, 0.0f}, {1000, 2 * kPi}, {7500, 15 * kPi}, {15000, 30 * kPi}};
    for (const Step& s : steps) {
        AdvanceTo(spin, s.elapsed);
        spin.Apply();
        EXPECT_NEAR(cam.roll, s.roll, 1e-4f) << "at " << s.elapsed;
    }
}

TEST(Animators, SpinWithZeroDurationDoesNotDivideByZero) {
    Camera cam;
    cam.roll = 1.0f;
    SpinAnimator spin;
    spin.Init(0, 4, &cam);
    spin.Apply();
    EXPECT_EQ(cam.roll, 0.0f);
}

TEST(Animators, FinishedComparesSigned) {
    ShakeAnimator zero;
    zero.Init(0, 1.0f, nullptr);
    zero.Advance(16);
    EXPECT_TRUE(zero.IsFinished());

    ShakeAnimator negative;
    negative.Init(-5, 1.0f, nullptr);
    EXPECT_TRUE(negative.IsFinished());

    ShakeAnimator running;
    running.Init(100, 1.0f, nullptr);
    running.Advance(99);
    EXPECT_FALSE(running.IsFinished());
    running.Advance(1);
    EXPECT_TRUE(running.IsFinished());
}

TEST(Animators, ElapsedSaturatesInsteadOfWrapping) {
    ShakeAnimator a;
    a.Init(INT32_MAX, 1.0f, nullptr);
    a.Advance(UINT32_MAX);
    a.Advance(UINT32_MAX);
    EXPECT_EQ(a.elapsed, INT32_MAX);
    EXPECT_TRUE(a.IsFinished());
}

TEST(Animators, ShakeOffsetsStayWithinTheAmplitude) {
    SeedRandom(12345);
    Camera cam;
    cam.eye = {1, 2, 3};
    cam.target = {4, 5, 6};
    ShakeAnimator shake;
    const float amplitude = 0.75f;
    shake.Init(1000, amplitude, &cam);
    for (int i = 0; i < 200; ++i) {
        Vec3 eye = cam.eye, target = cam.target;
        EXPECT_TRUE(shake.Apply());
        Vec3 de = Vec3Sub(cam.eye, eye);
        Vec3 dt = Vec3Sub(cam.target, target);
        // The same offset for eye and target: the view direction is kept.
        EXPECT_NEAR(de.x, dt.x, 1e-5f);
        EXPECT_NEAR(de.y, dt.y, 1e-5f);
        EXPECT_NEAR(de.z, dt.z, 1e-5f);
        EXPECT_LE(Vec3Length(de), amplitude + 1e-5f);
    }
}

TEST(Animators, ShakeWithZeroAmplitudeLeavesTheCamera) {
    SeedRandom(99);
    Camera cam;
    cam.eye = {1, 2, 3};
    cam.target = {4, 5, 6};
    ShakeAnimator shake;
    shake.Init(1000, 0.0f, &cam);
    for (int i = 0; i < 20; ++i) shake.Apply();
    EXPECT_EQ(cam.eye.x, 1.0f);
    EXPECT_EQ(cam.eye.y, 2.0f);
    EXPECT_EQ(cam.eye.z, 3.0f);
    EXPECT_EQ(cam.target.x, 4.0f);
    EXPECT_EQ(cam.target.z, 6.0f);
}

TEST(Animators, AttachingAShakeOverASpinLevelsTheRollAtOnce) {
    Camera cam;
    auto* spin = new SpinAnimator;
    spin->Init(15000, 15, &cam);
    cam.AttachAnimator(spin);
    cam.UpdateAnimator(1250);
    cam.ApplyAnimator();
    EXPECT_NE(cam.roll, 0.0f);

    auto* shake = new ShakeAnimator;
    shake->Init(500, 1.0f, &cam);
    cam.AttachAnimator(shake);
    EXPECT_EQ(cam.roll, 0.0f);
    EXPECT_EQ(cam.animator, shake);
}

}  // namespace
