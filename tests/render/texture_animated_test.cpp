#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/random.h"
#include "render/texture_manager.h"

namespace {

class AnimatedTextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        SeedRandom(12345);
        g_SceneTextures = &manager;
    }
    void TearDown() override {
        g_SceneTextures = nullptr;
        manager.Clear();
    }

    // An entry with `frames` frames (no device textures are needed to step through them).
    int32_t AddFrames(int frames) {
        ::Texture* t = new ::Texture();
        t->frameCount = uint8_t(frames);
        t->frames = new gfx::Texture*[size_t(frames)]();
        t->loaded = 1;
        return manager.Add(t, true);
    }

    TextureManager manager;
};

TEST_F(AnimatedTextureTest, StartsEmpty) {
    AnimatedTexture a;
    EXPECT_EQ(a.textureIndex, -1);
    EXPECT_EQ(a.frame, 0);
    EXPECT_EQ(a.rate, 0.0f);
    EXPECT_TRUE(a.Update(1000));
    EXPECT_EQ(a.frame, 0);

    int32_t index = AddFrames(4);
    ASSERT_TRUE(a.Init(index, 2, 5.0f, 9.0f, 300));
    a.Reset();
    EXPECT_EQ(a.textureIndex, -1);
    EXPECT_EQ(a.frame, 0);
    EXPECT_EQ(a.randomRate, 0u);
    EXPECT_EQ(a.pause, 0u);
}

TEST_F(AnimatedTextureTest, InitRefusesIndicesWithoutATexture) {
    int32_t first = AddFrames(3);
    int32_t second = AddFrames(3);
    ASSERT_EQ(manager.AddRef(first), 1);
    ASSERT_EQ(manager.Release(first), 0);  // entry 0 is free again, entry 1 still in use
    ASSERT_EQ(manager.count, 1u);

    AnimatedTexture a;
    for (int32_t bad : {-1, first, 50, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(a.Init(bad, 0, 10.0f, 10.0f, 0));
        EXPECT_EQ(a.textureIndex, -1);
    }
    // Entry 1 lies at or past the count of entries in use, yet holds a texture.
    EXPECT_TRUE(a.Init(second, 0, 10.0f, 10.0f, 0));

    g_SceneTextures = nullptr;
    AnimatedTexture b;
    EXPECT_FALSE(b.Init(second, 0, 10.0f, 10.0f, 0));
}

TEST_F(AnimatedTextureTest, TheStartFrameIsKeptClampedOrDrawn) {
    int32_t index = AddFrames(5);
    struct Case {
        int32_t start;
        int32_t frame;
    };
    for (Case c : {Case{0, 0}, Case{3, 3}, Case{4, 4}, Case{5, 4}, Case{200, 4}}) {
        SCOPED_TRACE(c.start);
        AnimatedTexture a;
        ASSERT_TRUE(a.Init(index, c.start, 10.0f, 10.0f, 0));
        EXPECT_EQ(a.frame, c.frame);
    }
    std::vector<int> seen(5, 0);
    for (int i = 0; i < 200; ++i) {
        AnimatedTexture a;
        ASSERT_TRUE(a.Init(index, -1, 10.0f, 10.0f, 0));
        ASSERT_GE(a.frame, 0);
        ASSERT_LT(a.frame, 5);
        ++seen[size_t(a.frame)];
    }
    for (int n : seen) EXPECT_GT(n, 0);
}

TEST_F(AnimatedTextureTest, OneUpdateCanStepSeveralFramesAndKeepsTheRemainder) {
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(AddFrames(6), 0, 10.0f, 10.0f, 0));
    EXPECT_EQ(a.randomRate, 0u);
    EXPECT_FLOAT_EQ(a.rate, 10.0f);

    a.Update(250);
    EXPECT_EQ(a.frame, 2);
    EXPECT_EQ(a.accumulated, 50u);
    a.Update(50);  // exactly one period: not past it yet
    EXPECT_EQ(a.frame, 2);
    EXPECT_EQ(a.accumulated, 100u);
    a.Update(1);
    EXPECT_EQ(a.frame, 3);
    EXPECT_EQ(a.accumulated, 1u);
    a.Update(0);
    EXPECT_EQ(a.frame, 3);
}

TEST_F(AnimatedTextureTest, WithoutAPauseTheLastFrameLoopsToFrameZero) {
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(AddFrames(3), 2, 10.0f, 10.0f, 0));
    a.Update(101);
    EXPECT_EQ(a.frame, 0);
    EXPECT_EQ(a.accumulated, 1u);
    a.Update(700);  // seven more periods
    EXPECT_EQ(a.frame, 1);
}

TEST_F(AnimatedTextureTest, ThePauseHoldsTheLastFrameBeforeFrameZero) {
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(AddFrames(3), 2, 10.0f, 10.0f, 500));
    a.Update(100);
    EXPECT_EQ(a.frame, 2);
    a.Update(1);  // the last frame's period is over: the pause starts with 1 ms spent
    EXPECT_EQ(a.frame, 2);
    EXPECT_EQ(a.pauseLeft, 499u);
    a.Update(498);
    EXPECT_EQ(a.frame, 2);
    a.Update(1);
    EXPECT_EQ(a.frame, 0);
    EXPECT_EQ(a.pauseLeft, 0u);
    a.Update(100);
    EXPECT_EQ(a.frame, 0);
    a.Update(1);
    EXPECT_EQ(a.frame, 1);

    // A long update runs through the pause and on.
    AnimatedTexture b;
    ASSERT_TRUE(b.Init(AddFrames(3), 2, 10.0f, 10.0f, 500));
    b.Update(101 + 499 + 150);
    EXPECT_EQ(b.frame, 1);
    EXPECT_EQ(b.accumulated, 50u);
}

TEST_F(AnimatedTextureTest, ARandomRateStaysBetweenItsBoundsInEitherOrder) {
    int32_t index = AddFrames(2);
    struct Bounds {
        float a, b;
    };
    for (Bounds r : {Bounds{5.0f, 15.0f}, Bounds{15.0f, 5.0f}, Bounds{0.5f, 0.8f}, Bounds{-3.0f, 2.0f}}) {
        SCOPED_TRACE(r.a);
        float lo = r.a < r.b ? r.a : r.b, hi = r.a < r.b ? r.b : r.a;
        AnimatedTexture t;
        ASSERT_TRUE(t.Init(index, 0, r.a, r.b, 0));
        EXPECT_EQ(t.randomRate, 1u);
        float least = hi, most = lo;
        for (int i = 0; i < 500; ++i) {
            t.Update(1);
            ASSERT_GE(t.rate, lo - 0.0005f);
            ASSERT_LE(t.rate, hi + 0.0005f);
            least = std::min(least, t.rate);
            most = std::max(most, t.rate);
        }
        // The draws spread over the range rather than sitting on one value.
        EXPECT_GT(most - least, (hi - lo) * 0.5f);
    }
}

TEST_F(AnimatedTextureTest, ARateOfZeroOrLessStandsStill) {
    int32_t index = AddFrames(4);
    for (float rate : {0.0f, -5.0f}) {
        SCOPED_TRACE(rate);
        AnimatedTexture a;
        ASSERT_TRUE(a.Init(index, 1, rate, rate, 0));
        EXPECT_TRUE(a.Update(10000));
        EXPECT_EQ(a.frame, 1);
    }
}

TEST_F(AnimatedTextureTest, AVeryHighRateStepsOneFramePerMillisecond) {
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(AddFrames(4), 0, 5000.0f, 5000.0f, 0));
    EXPECT_TRUE(a.Update(10));  // nine steps past 1 ms periods, 1 ms left over
    EXPECT_EQ(a.frame, 9 % 4);
    EXPECT_EQ(a.accumulated, 1u);
}

TEST_F(AnimatedTextureTest, ATextureReleasedUnderTheHandleStopsIt) {
    int32_t index = AddFrames(3);
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(index, 1, 10.0f, 10.0f, 0));
    ASSERT_EQ(manager.AddRef(index), 1);
    ASSERT_EQ(manager.Release(index), 0);
    EXPECT_TRUE(a.Update(1000));
    EXPECT_EQ(a.frame, 1);
}

}  // namespace
