// Animation controllers and the controller list.
#include <gtest/gtest.h>

#include "scene/anim_controller.h"
#include "scene/animation.h"

namespace {

Animation g_ten;    // length 10
Animation g_empty;  // length 0

Animation* Lookup(int32_t group, int32_t index) {
    if (group != 3) return nullptr;
    if (index == 1) return &g_ten;
    if (index == 2) return &g_empty;
    return nullptr;
}

class AnimControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_ten.length = 10;
        g_empty.length = 0;
        SetAnimationLookup(Lookup);
    }
    void TearDown() override {
        SetAnimationLookup(nullptr);
        g_AnimControllers.Clear();
    }
};

}  // namespace

TEST_F(AnimControllerTest, LoopsForward) {
    AnimController c;
    c.Play(3, 1, 0, 30.0f);
    const float expected[] = {3, 6, 9, 2};
    const uint8_t wraps[] = {0, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        c.Advance(100);
        EXPECT_NEAR(c.time, expected[i], 1e-5f) << i;
        EXPECT_EQ(c.wrapped, wraps[i]) << i;
    }
}

TEST_F(AnimControllerTest, BlendsOverWholeMilliseconds) {
    AnimController c;
    c.Play(3, 1, 0, 30.0f);
    c.Advance(200);   // time 6
    ASSERT_EQ(c.Play(3, 1, 250, 30.0f), 1);
    EXPECT_EQ(c.state, ANIM_STATE_BLENDING);
    EXPECT_FLOAT_EQ(c.prevTime, 6.0f);   // kept while blending
    for (int i = 0; i < 2; ++i) {
        c.Advance(100);
        EXPECT_EQ(c.time, 0.0f);
        EXPECT_EQ(c.state, ANIM_STATE_BLENDING);
        EXPECT_EQ(c.lastStep, 100u);
    }
    c.Advance(100);
    EXPECT_EQ(c.lastStep, 50u);
    EXPECT_EQ(c.blendRemaining, 0u);
    EXPECT_NEAR(c.time, 1.5f, 1e-5f);
    EXPECT_EQ(c.state, ANIM_STATE_PLAYING);
}

TEST_F(AnimControllerTest, ZeroLengthAnimationNeverLoopsForever) {
    for (float rate : {30.0f, -30.0f, 1e30f}) {
        AnimController c;
        c.Play(3, 2, 0, rate);
        c.Advance(100);
        EXPECT_EQ(c.time, 0.0f) << rate;
        EXPECT_EQ(c.state, ANIM_STATE_PLAYING);
    }
    AnimController huge;
    huge.Play(3, 1, 0, 1e30f);   // a step so large that repeated subtraction would never end
    huge.Advance(1000);
    EXPECT_GE(huge.time, 0.0f);
    EXPECT_LT(huge.time, 10.0f);
}
