#include <gtest/gtest.h>

#include <climits>
#include <numbers>

#include "scene/camera.h"
#include "scene/camera_animators.h"

namespace {

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

TEST(Animators, ElapsedSaturatesInsteadOfWrapping) {
    ShakeAnimator a;
    a.Init(INT32_MAX, 1.0f, nullptr);
    a.Advance(UINT32_MAX);
    a.Advance(UINT32_MAX);
    EXPECT_EQ(a.elapsed, INT32_MAX);
    EXPECT_TRUE(a.IsFinished());
}

}  // namespace
