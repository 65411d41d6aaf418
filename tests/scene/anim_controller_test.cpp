// Animation controllers and the controller list.
#include <gtest/gtest.h>

#include <vector>

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

TEST_F(AnimControllerTest, InitialValues) {
    AnimController c;
    EXPECT_EQ(c.animIndex, -1);
    EXPECT_EQ(c.state, ANIM_STATE_NONE);
    EXPECT_EQ(c.rate, 30.0f);
    c.Advance(100);
    EXPECT_EQ(c.state, ANIM_STATE_NONE);
    EXPECT_EQ(c.lastStep, 100u);
    EXPECT_EQ(c.time, 0.0f);
}

TEST_F(AnimControllerTest, PlayMissingAnimationChangesNothing) {
    AnimController c;
    ASSERT_EQ(c.Play(3, 1, 0, 30.0f), 1);
    c.Advance(100);
    EXPECT_EQ(c.Play(3, 7, 0, 60.0f), 1);
    EXPECT_EQ(c.Play(4, 1, 0, 60.0f), 1);
    EXPECT_EQ(c.rate, 30.0f);
    EXPECT_FLOAT_EQ(c.time, 3.0f);
    AnimController fresh;
    EXPECT_EQ(fresh.Play(3, 9, 0, 30.0f), -1);
    EXPECT_EQ(fresh.state, ANIM_STATE_NONE);
}

TEST_F(AnimControllerTest, LoopsForward) {
    AnimController c;
    c.Play(3, 1, 0, 30.0f);
    EXPECT_EQ(c.state, ANIM_STATE_PLAYING);
    EXPECT_EQ(c.length, 10);
    const float expected[] = {3, 6, 9, 2};
    const uint8_t wraps[] = {0, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        c.Advance(100);
        EXPECT_NEAR(c.time, expected[i], 1e-5f) << i;
        EXPECT_EQ(c.wrapped, wraps[i]) << i;
        EXPECT_EQ(c.state, ANIM_STATE_PLAYING);
    }
}

TEST_F(AnimControllerTest, PlaysBackward) {
    struct Case {
        float from;
        int step;
        float to;
        uint8_t wrapped;
    } cases[] = {{1, 100, 8, 1}, {3, 100, 0, 0}, {2, 400, 10, 1}, {5, 100, 2, 0}};
    for (const Case& k : cases) {
        AnimController c;
        c.Play(3, 1, 0, -30.0f);
        c.time = k.from;
        c.Advance(k.step);
        EXPECT_NEAR(c.time, k.to, 1e-5f) << k.from;
        EXPECT_EQ(c.wrapped, k.wrapped) << k.from;
        EXPECT_NEAR(c.prevTime, k.from, 1e-6f);
    }
}

TEST_F(AnimControllerTest, BlendsOverWholeMilliseconds) {
    AnimController c;
    c.Play(3, 1, 0, 30.0f);
    c.Advance(200);   // time 6
    ASSERT_EQ(c.Play(3, 1, 250, 30.0f), 1);
    EXPECT_EQ(c.state, ANIM_STATE_BLENDING);
    EXPECT_FLOAT_EQ(c.prevTime, 6.0f);   // kept while blending
    EXPECT_EQ(c.time, 0.0f);
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
    EXPECT_EQ(c.blendTotal, 250u);
    EXPECT_EQ(c.prevIndex, 1);
}

TEST_F(AnimControllerTest, PassedFrame) {
    struct Case {
        float from, to, frame;
        bool passed;
    } cases[] = {{4.5f, 5.5f, 5.0f, true}, {5.0f, 5.5f, 5.0f, true}, {4.5f, 5.0f, 5.0f, false},
                 {4.5f, 4.5f, 4.5f, false}};
    for (const Case& k : cases) {
        AnimController c;
        c.Play(3, 1, 0, 30.0f);
        c.prevTime = k.from;
        c.time = k.to;
        EXPECT_EQ(c.PassedFrame(k.frame), k.passed) << k.from << " -> " << k.to;
    }
}

TEST_F(AnimControllerTest, PassedFrameAcrossAWrap) {
    AnimController c;
    c.Play(3, 1, 0, 30.0f);
    c.time = 9.5f;
    c.Advance(100);   // 12.5 wraps to 2.5
    ASSERT_EQ(c.wrapped, 1);
    ASSERT_NEAR(c.time, 2.5f, 1e-5f);
    EXPECT_TRUE(c.PassedFrame(2.0f));
    EXPECT_FALSE(c.PassedFrame(3.0f));
    c.time = 0.5f;   // 9.5 -> 0.5
    EXPECT_TRUE(c.PassedFrame(0.0f));
    EXPECT_TRUE(c.PassedFrame(0.5f));
    EXPECT_FALSE(c.PassedFrame(9.8f));
}

TEST_F(AnimControllerTest, PassedFrameFalseWhenNotPlayingForward) {
    AnimController c;
    c.Play(3, 1, 0, -30.0f);
    c.time = 5.0f;
    c.Advance(100);
    EXPECT_FALSE(c.PassedFrame(3.0f));   // backward play reports nothing
    AnimController blending;
    blending.Play(3, 1, 500, 30.0f);
    blending.Advance(100);
    EXPECT_FALSE(blending.PassedFrame(0.0f));
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

TEST_F(AnimControllerTest, ListAddRemoveAdvance) {
    AnimControllerList list;
    std::vector<AnimController*> cs;
    for (int i = 0; i < 3; ++i) {
        cs.push_back(new AnimController());
        cs.back()->Play(3, 1, 0, 30.0f);
        list.Add(cs.back());
    }
    EXPECT_EQ(list.first->controller, cs[2]);
    list.Remove(cs[1]);
    EXPECT_EQ(list.Count(), 2);
    list.Remove(cs[1]);   // absent: nothing
    list.AdvanceAll(100);
    EXPECT_NEAR(cs[0]->time, 3.0f, 1e-5f);
    EXPECT_NEAR(cs[2]->time, 3.0f, 1e-5f);
    EXPECT_EQ(cs[1]->time, 0.0f);
    list.Delete(nullptr);
    EXPECT_EQ(list.Count(), 2);
    list.Delete(cs[0]);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.first->controller, cs[2]);
    EXPECT_EQ(list.first->previous, nullptr);
    delete cs[1];
    list.Clear();   // frees cs[2]
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.Count(), 0);
}
