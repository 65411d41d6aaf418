// The statistics of the frame benchmarks, apart from the benchmark library so that they can be
// tested: the game's frames and the raw copy's, timed in paired blocks, judged for whether the
// copy is a floor; and how far two pictures differ.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace benchsupport {

// The share of pixels (0..1) whose red, green or blue differ by more than `tolerance` between two
// pictures of the same size (0xAARRGGBB; alpha is not compared); 1 when the sizes differ or
// either is empty.
double DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance);

// Whether k of n paired blocks going one way is too many for chance: the chance of k or more of
// n fair coin tosses coming up the same is at most `level`.
bool BeyondChance(int k, int n, double level);

// What one side's frames took in one block, per frame, in seconds.
struct BlockTimes {
    double wall = 0, cpu = 0;
};

// The verdict over the blocks both sides have: medians of each side, of the paired ratios
// (game / raw) with the quartiles of the wall ratio, how many blocks the copy was the slower in,
// and, when the copy is slower than the game by more than noise explains, what is wrong, starting
// with FRAME_VERDICT_ERROR. The test command runs a benchmark again for that error alone
// (scripts/run-bench): the load of others can tip a sign test on sub-millisecond blocks, where
// any other error is a fault the first time.
constexpr char FRAME_VERDICT_ERROR[] = "frame verdict: ";
struct FrameVerdict {
    double gameWall = 0, rawWall = 0, gameCpu = 0, rawCpu = 0;
    double ratio = 0, ratioLow = 0, ratioHigh = 0, cpuRatio = 0;
    int rawSlowerWall = 0, rawSlowerCpu = 0, blocks = 0;
    std::string error;
};
FrameVerdict JudgeFrames(const std::vector<BlockTimes>& game, const std::vector<BlockTimes>& raw);

}  // namespace benchsupport
