// Peak memory of a match on the demo data (target: below 300 MB): the program started as the
// game starts with the front end off (the water scenario, eight against eight, sound on the null
// device) on the OpenGL device of a hidden 1024 x 768 window, then two simulated seconds of loop
// turns on a clock that advances 33 ms before each. The counter is the process's peak resident
// size over the run (VmHWM, reset at the start where the kernel allows it), logged beside the
// target; a match that does not start with sixteen fighters or ends early is an error.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "demo_match.h"
#include "fighters/character.h"

namespace {

constexpr double kTargetMB = 300.0;
constexpr int kTurns = 2000 / int(benchsupport::DemoMatch::kTurnMs);

// A "Key:   N kB" line of /proc/self/status in megabytes, or -1.
double StatusMB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) return double(std::strtoll(line.c_str() + prefix.size(), nullptr, 10)) / 1024.0;
    return -1.0;
}

// Lowers the peak to the present size, after giving the allocator's free pages back; false where
// the kernel does not allow it (the peak then counts from the start of the process).
bool ResetPeak() {
    malloc_trim(0);
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return bool(out);
}

void BM_DemoMatchPeakMemory(benchmark::State& state) {
    benchsupport::DemoMatch match(state, "memory");
    if (!match.Ready()) return;
    for (auto _ : state) {
        const bool fromHere = ResetPeak();
        const double before = StatusMB("VmRSS");
        if (!match.Start()) {
            state.SkipWithError("the program did not start");
            break;
        }
        int fighters = 0;
        for (const Character& c : g_Characters) fighters += c.active ? 1 : 0;
        const int turns = match.Turns(kTurns);
        const double peak = StatusMB("VmHWM");
        ReleaseGame(true);
        state.counters["peak_MB"] = peak;
        state.counters["start_MB"] = before;
        state.counters["fighters"] = fighters;
        state.counters["turns"] = turns;
        state.counters["target_MB"] = kTargetMB;
        state.SetLabel(std::string(fromHere ? "peak of the run" : "peak of the process") +
                       (peak > kTargetMB ? ", above the target" : ""));
        if (turns < kTurns) state.SkipWithError("the program quit during the match");
        else if (fighters != MAX_CHARACTERS) state.SkipWithError("the match did not have sixteen fighters");
    }
}
BENCHMARK(BM_DemoMatchPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
