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
        return manager.Add(t, true);
    }
    TextureManager manager;
};

TEST_F(AnimatedTextureTest, TenFramesASecondStepEveryHundredMillisecondsAndKeepTheRest) {
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(AddFrames(3), 0, 10.0f, 10.0f, 0));
    a.Update(250);
    EXPECT_EQ(a.frame, 2);
    EXPECT_EQ(a.accumulated, 50u);
    a.Update(50);  // exactly one period: not past it yet
    EXPECT_EQ(a.frame, 2);
    a.Update(1);  // past the last frame with no pause: frame 0
    EXPECT_EQ(a.frame, 0);
    EXPECT_EQ(a.accumulated, 1u);
}

TEST_F(AnimatedTextureTest, ThePauseHoldsTheLastFrameBeforeFrameZero) {
    AnimatedTexture a;
    ASSERT_TRUE(a.Init(AddFrames(3), 2, 10.0f, 10.0f, 500));
    a.Update(101);  // the last frame's period is over: the pause starts with 1 ms spent
    EXPECT_EQ(a.frame, 2);
    a.Update(498);
    EXPECT_EQ(a.frame, 2);
    a.Update(1);
    EXPECT_EQ(a.frame, 0);
    // A long update runs through the pause and on.
    AnimatedTexture b;
    ASSERT_TRUE(b.Init(AddFrames(3), 2, 10.0f, 10.0f, 500));
    b.Update(101 + 499 + 150);
    EXPECT_EQ(b.frame, 1);
    EXPECT_EQ(b.accumulated, 50u);
}

TEST_F(AnimatedTextureTest, StartFramesRatesAndIndicesWithoutATexture) {
    const int32_t index = AddFrames(5);
    AnimatedTexture a;
    for (auto [start, frame] : {std::pair{3, 3}, std::pair{5, 4}, std::pair{200, 4}}) {
        ASSERT_TRUE(a.Init(index, start, 10.0f, 10.0f, 0));
        EXPECT_EQ(a.frame, frame) << start;
    }
    std::vector<int> seen(5, 0);
    for (int i = 0; i < 200 && a.Init(index, -1, 10.0f, 10.0f, 0); ++i) ++seen.at(size_t(a.frame));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0);

    // A random rate stays between its bounds, given in either order, and spreads over them.
    ASSERT_TRUE(a.Init(index, 0, 15.0f, 5.0f, 0));
    float least = 15.0f, most = 5.0f;
    for (int i = 0; i < 500; ++i) {
        a.Update(1);
        ASSERT_TRUE(a.rate >= 5.0f - 0.0005f && a.rate <= 15.0f + 0.0005f) << a.rate;
        least = std::min(least, a.rate);
        most = std::max(most, a.rate);
    }
    EXPECT_GT(most - least, 5.0f);

    // No texture behind the index: refused; a texture released under the handle stops it.
    AnimatedTexture none;
    EXPECT_FALSE(none.Init(-1, 0, 10.0f, 10.0f, 0));
    EXPECT_FALSE(none.Init(50, 0, 10.0f, 10.0f, 0));
    ASSERT_EQ(manager.AddRef(index), 1);
    ASSERT_EQ(manager.Release(index), 0);
    EXPECT_FALSE(none.Init(index, 0, 10.0f, 10.0f, 0));
    const int32_t frame = a.frame;
    a.Update(1000);
    EXPECT_EQ(a.frame, frame);
}

}  // namespace
