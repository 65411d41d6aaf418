// The frame benchmarks' verdict on their raw copy and their picture comparison: a copy that is
// slower than the game in enough blocks is no floor, noise and small leads are not errors.
#include <gtest/gtest.h>

#include "frame_verdict.h"

namespace {

using benchsupport::BeyondChance;
using benchsupport::BlockTimes;
using benchsupport::DifferingPixels;
using benchsupport::FrameVerdict;
using benchsupport::JudgeFrames;

std::vector<BlockTimes> Blocks(int n, double wall, double cpu) {
    return std::vector<BlockTimes>(size_t(n), {wall, cpu});
}

TEST(FrameVerdict, ThirteenOfFifteenBlocksOneWayIsBeyondChanceButTwelveIsNot) {
    // 121 / 32768 = 0.0037 for 13 or more; (455 + 121) / 32768 = 0.0176 for 12 or more.
    EXPECT_TRUE(BeyondChance(13, 15, 0.01));
    EXPECT_FALSE(BeyondChance(12, 15, 0.01));
    EXPECT_TRUE(BeyondChance(12, 15, 0.02));
    // All five of five: 1 / 32.
    EXPECT_TRUE(BeyondChance(5, 5, 0.05));
    EXPECT_FALSE(BeyondChance(5, 5, 0.01));
    EXPECT_FALSE(BeyondChance(0, 15, 0.01));
    EXPECT_FALSE(BeyondChance(3, 0, 0.5));
}

TEST(FrameVerdict, ACopySlowerInEveryBlockIsNoFloor) {
    const FrameVerdict v = JudgeFrames(Blocks(15, 0.010, 0.005), Blocks(15, 0.011, 0.004));
    EXPECT_EQ(v.blocks, 15);
    EXPECT_EQ(v.rawSlowerWall, 15);
    EXPECT_EQ(v.rawSlowerCpu, 0);
    EXPECT_NEAR(v.ratio, 10.0 / 11.0, 1e-9);
    EXPECT_NEAR(v.cpuRatio, 1.25, 1e-9);
    EXPECT_NE(v.error.find("more wall time"), std::string::npos) << v.error;
    // The text by which the test command knows this error from the faults it does not run again.
    EXPECT_EQ(v.error.rfind("frame verdict: ", 0), 0u) << v.error;
}

TEST(FrameVerdict, ACopyTakingMoreMainThreadTimeIsNoFloorEvenWhenItsWallTimeIsLess) {
    const FrameVerdict v = JudgeFrames(Blocks(15, 0.020, 0.004), Blocks(15, 0.010, 0.005));
    EXPECT_NE(v.error.find("more main-thread CPU"), std::string::npos) << v.error;
    EXPECT_EQ(v.error.find("wall"), std::string::npos) << v.error;
    EXPECT_EQ(v.error.rfind("frame verdict: ", 0), 0u) << v.error;
}

TEST(FrameVerdict, ACopyLevelWithTheGameOrSlowerOnlyInSomeBlocksPasses) {
    // One per cent slower throughout: level, whatever the blocks say.
    FrameVerdict v = JudgeFrames(Blocks(15, 0.0100, 0.005), Blocks(15, 0.0101, 0.005));
    EXPECT_EQ(v.rawSlowerWall, 15);
    EXPECT_TRUE(v.error.empty()) << v.error;
    // A fifth slower in 12 blocks and a fifth faster in 3: the median ratio is 10 / 12, but 12 of
    // 15 happens by chance too often.
    std::vector<BlockTimes> game = Blocks(15, 0.010, 0.005), raw = Blocks(12, 0.012, 0.005);
    for (int i = 0; i < 3; ++i) raw.push_back({0.008, 0.005});
    v = JudgeFrames(game, raw);
    EXPECT_EQ(v.rawSlowerWall, 12);
    EXPECT_NEAR(v.ratio, 10.0 / 12.0, 1e-9);
    EXPECT_TRUE(v.error.empty()) << v.error;
}

TEST(FrameVerdict, MediansAndQuartilesComeFromThePairedBlocksBothSidesHave) {
    std::vector<BlockTimes> game, raw;
    for (int i = 1; i <= 5; ++i) game.push_back({0.001 * i, 0.002});
    for (int i = 0; i < 6; ++i) raw.push_back({0.001, 0.001});  // one block more than the game has
    const FrameVerdict v = JudgeFrames(game, raw);
    EXPECT_EQ(v.blocks, 5);
    EXPECT_NEAR(v.gameWall, 0.003, 1e-12);
    EXPECT_NEAR(v.rawWall, 0.001, 1e-12);
    // Ratios 1, 2, 3, 4, 5.
    EXPECT_NEAR(v.ratio, 3.0, 1e-9);
    EXPECT_NEAR(v.ratioLow, 2.0, 1e-9);
    EXPECT_NEAR(v.ratioHigh, 4.0, 1e-9);
    EXPECT_NEAR(v.cpuRatio, 2.0, 1e-9);
    EXPECT_TRUE(v.error.empty());
    EXPECT_EQ(JudgeFrames({}, raw).blocks, 0);
}

TEST(FrameVerdict, PixelsDifferOnlyBeyondTheToleranceInRedGreenOrBlue) {
    const std::vector<uint32_t> a = {0xFF102030u, 0xFF000000u, 0xFFFFFFFFu, 0x00000000u};
    // Blue 4 over, blue 3 over, alpha alone, the same.
    const std::vector<uint32_t> b = {0xFF102034u, 0xFF000003u, 0x00FFFFFFu, 0x00000000u};
    EXPECT_DOUBLE_EQ(DifferingPixels(a, b, 3), 0.25);
    EXPECT_DOUBLE_EQ(DifferingPixels(a, b, 4), 0.0);
    EXPECT_DOUBLE_EQ(DifferingPixels(a, {0xFF102030u}, 3), 1.0);
    EXPECT_DOUBLE_EQ(DifferingPixels({}, {}, 3), 1.0);
    // A red step of 200 counts whatever the other channels do.
    EXPECT_DOUBLE_EQ(DifferingPixels({0xFF000000u, 0xFF000000u}, {0xFFC80000u, 0xFF000000u}, 3), 0.5);
}

}  // namespace
