#include "frame_verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace benchsupport {

namespace {

// A copy slower than the game by less than this share is taken as level with it: the two sides
// differ in windows and in which follows which, whatever they draw.
constexpr double kLevelShare = 0.03;
// How unlikely a run of blocks must be under noise alone before a slower copy is an error.
constexpr double kChance = 0.01;

double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const double at = q * double(v.size() - 1);
    const size_t lo = size_t(at);
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - double(lo));
}

}  // namespace

double DifferingPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance) {
    if (a.empty() || a.size() != b.size()) return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int x = int((a[i] >> shift) & 0xFF), y = int((b[i] >> shift) & 0xFF);
            if (std::abs(x - y) > tolerance) {
                ++differing;
                break;
            }
        }
    return double(differing) / double(a.size());
}

bool BeyondChance(int k, int n, double level) {
    if (n <= 0 || k <= 0) return false;
    // P(X >= k) for n fair tosses, summed from the top in logarithms of the binomial terms.
    double tail = 0.0;
    for (int j = std::min(k, n); j <= n; ++j)
        tail += std::exp(std::lgamma(n + 1.0) - std::lgamma(j + 1.0) - std::lgamma(n - j + 1.0) - n * std::log(2.0));
    return tail <= level;
}

FrameVerdict JudgeFrames(const std::vector<BlockTimes>& game, const std::vector<BlockTimes>& raw) {
    FrameVerdict v;
    const size_t n = std::min(game.size(), raw.size());
    v.blocks = int(n);
    if (n == 0) return v;
    std::vector<double> gw, rw, gc, rc, ratios, cpuRatios;
    for (size_t i = 0; i < n; ++i) {
        gw.push_back(game[i].wall), rw.push_back(raw[i].wall), gc.push_back(game[i].cpu), rc.push_back(raw[i].cpu);
        ratios.push_back(raw[i].wall > 0 ? game[i].wall / raw[i].wall : 0.0);
        cpuRatios.push_back(raw[i].cpu > 0 ? game[i].cpu / raw[i].cpu : 0.0);
        v.rawSlowerWall += raw[i].wall > game[i].wall ? 1 : 0;
        v.rawSlowerCpu += raw[i].cpu > game[i].cpu ? 1 : 0;
    }
    v.gameWall = Quantile(gw, 0.5), v.rawWall = Quantile(rw, 0.5);
    v.gameCpu = Quantile(gc, 0.5), v.rawCpu = Quantile(rc, 0.5);
    v.ratio = Quantile(ratios, 0.5), v.ratioLow = Quantile(ratios, 0.25), v.ratioHigh = Quantile(ratios, 0.75);
    v.cpuRatio = Quantile(cpuRatios, 0.5);
    auto judge = [&](const char* what, double ratio, int slower) {
        if (ratio >= 1.0 - kLevelShare || !BeyondChance(slower, int(n), kChance)) return false;
        char text[200];
        std::snprintf(text, sizeof text,
                      "%sthe raw copy takes more %s than the game (median ratio %.3f, slower in %d of %zu blocks): "
                      "it is no floor",
                      FRAME_VERDICT_ERROR, what, ratio, slower, n);
        v.error = text;
        return true;
    };
    if (!judge("wall time", v.ratio, v.rawSlowerWall)) judge("main-thread CPU", v.cpuRatio, v.rawSlowerCpu);
    return v;
}

}  // namespace benchsupport
