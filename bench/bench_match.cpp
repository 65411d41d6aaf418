// Whole annihilation matches on the kit's arena, run by the program itself (effects inert,
// rendering off). MatchFrame16: eight against eight, the fighters' update, the match rules and
// the detail choice timed inside the game's own frame; target under 1 ms a frame for those
// three together. Also reported: the whole turn, the worst turn and path searches per frame.
// MatchSpeed8: four against four, simulated seconds per wall-clock second (aim: at least 20).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>

#include "fighters/movement.h"
#include "shell/control.h"
#include "support/match_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::MatchOptions;
using testsupport::MatchRun;

// A simulated minute of turns.
constexpr int kTurns = 60000 / int(testsupport::MATCH_TURN_MS);

double g_fighterSeconds = 0.0;
FrameCalls g_real{};

template <typename F, typename... Args>
void Timed(F call, Args... args) {
    const Clock::time_point start = Clock::now();
    call(args...);
    g_fighterSeconds += std::chrono::duration<double>(Clock::now() - start).count();
}

// The three calls of the fighters' subsystem, timed in their places.
void WrapFighterCalls() {
    g_real = g_FrameCalls;
    g_FrameCalls.updateCharacters = [](Control& c) { Timed(g_real.updateCharacters, std::ref(c)); };
    g_FrameCalls.matchUpdate = [] { Timed(g_real.matchUpdate); };
    g_FrameCalls.selectLevelOfDetail = [](Character* c) { Timed(g_real.selectLevelOfDetail, c); };
}

uint32_t PathSearches() {
    uint32_t n = 0;
    for (uint32_t c : g_PathSearchStats.count) n += c;
    return n;
}

void Headless() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
}

void MatchFrame16(benchmark::State& state) {
    Headless();
    MatchRun run(MatchOptions{.kind = 5, .seed = 9, .fightersPerSide = 8, .maxDeaths = 1000000});
    if (!run.Started()) {
        state.SkipWithError("the match did not start");
        return;
    }
    WrapFighterCalls();
    g_fighterSeconds = 0.0;
    const uint32_t searchesBefore = PathSearches();
    double worst = 0.0, total = 0.0;
    int frames = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (!run.Turn()) {
            state.SkipWithError("the program quit");
            break;
        }
        const double turn = std::chrono::duration<double>(Clock::now() - start).count();
        total += turn;
        if (turn > worst) worst = turn;
        ++frames;
    }
    ResetFrameCalls();
    if (frames == 0) return;
    state.counters["fighters_ms"] = 1000.0 * g_fighterSeconds / frames;
    state.counters["turn_ms"] = 1000.0 * total / frames;
    state.counters["worst_turn_ms"] = 1000.0 * worst;
    state.counters["path_searches_per_frame"] = double(PathSearches() - searchesBefore) / frames;
}
BENCHMARK(MatchFrame16)->Iterations(kTurns)->Unit(benchmark::kMillisecond);

void MatchSpeed8(benchmark::State& state) {
    Headless();
    MatchRun run(MatchOptions{.kind = 5, .seed = 9, .maxDeaths = 1000000});
    if (!run.Started()) {
        state.SkipWithError("the match did not start");
        return;
    }
    const uint32_t simulatedBefore = run.SimulatedMs();
    const Clock::time_point start = Clock::now();
    for (auto _ : state)
        if (!run.Turn()) {
            state.SkipWithError("the program quit");
            break;
        }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    if (wall > 0.0) state.counters["simulated_per_wall"] = 0.001 * double(run.SimulatedMs() - simulatedBefore) / wall;
}
BENCHMARK(MatchSpeed8)->Iterations(kTurns)->Unit(benchmark::kMillisecond);

}  // namespace
