// Peak memory of a whole match on the demo data (target: below 300 MB): the program started as the
// game starts with the front end off (the water scenario, annihilation, eight against eight, sound
// on the null device) on the OpenGL device of a hidden 1024 x 768 window, then its loop turned on a
// clock that advances 33 ms before each turn until the match is decided and the program leaves it.
// Each side may lose more fighters than the demo's ten, so the match lasts past two minutes; the
// counter is the process's peak resident size over start and match (VmHWM, reset at the start where
// the kernel allows it), logged beside the target with the peak of the start and of the play alone.
// A match that does not start with sixteen fighters, ends before two minutes of match time or is
// not decided within ten is an error.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "demo_match.h"
#include "fighters/character.h"

namespace {

constexpr double kTargetMB = 300.0;
constexpr const char* kDeathsPerSide = "25";
constexpr uint32_t kShortestMatchMs = 2 * 60 * 1000;
constexpr int kMostTurns = int(10 * 60 * 1000 / benchsupport::DemoMatch::kTurnMs);

// A "Key:   N kB" line of /proc/self/status in megabytes, or -1.
double StatusMB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) return double(std::strtoll(line.c_str() + prefix.size(), nullptr, 10)) / 1024.0;
    return -1.0;
}

// Lowers the peak to the present size; false where the kernel does not allow it (the peak then
// counts from the start of the process).
bool ResetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return bool(out);
}

void BM_DemoMatchPeakMemory(benchmark::State& state) {
    benchsupport::DemoMatch match(state, "memory");
    if (!match.Ready()) return;
    // The data folder is the working folder now.
    if (!benchsupport::SetKeys("Brimvale.ini", {{"MAX_DEATHS_ORLINS", kDeathsPerSide}, {"MAX_DEATHS_VORAKS", kDeathsPerSide}})) {
        state.SkipWithError("the settings file could not be written");
        return;
    }
    for (auto _ : state) {
        // What the data writer and earlier runs left free goes back first.
        malloc_trim(0);
        const bool fromHere = ResetPeak();
        const double before = StatusMB("VmRSS");
        if (!match.Start()) {
            state.SkipWithError("the program did not start");
            break;
        }
        const double startPeak = StatusMB("VmHWM");
        int fighters = 0;
        for (const Character& c : g_Characters) fighters += c.active ? 1 : 0;
        if (fromHere) ResetPeak();
        // The program leaves by itself once the match is decided (test mode, no front end).
        const int turns = match.Turns(kMostTurns);
        const double playPeak = StatusMB("VmHWM");
        const double peak = fromHere ? std::max(startPeak, playPeak) : playPeak;
        const uint32_t matchMs = uint32_t(turns) * benchsupport::DemoMatch::kTurnMs;
        ReleaseGame(true);
        state.counters["peak_MB"] = peak;
        state.counters["start_peak_MB"] = startPeak;
        state.counters["play_peak_MB"] = playPeak;
        state.counters["start_MB"] = before;
        state.counters["fighters"] = fighters;
        state.counters["turns"] = turns;
        state.counters["match_s"] = double(matchMs) / 1000.0;
        state.counters["target_MB"] = kTargetMB;
        state.SetLabel(std::string(fromHere ? "peak of the run" : "peak of the process") +
                       (peak > kTargetMB ? ", above the target" : ""));
        if (fighters != MAX_CHARACTERS) state.SkipWithError("the match did not have sixteen fighters");
        else if (turns >= kMostTurns) state.SkipWithError("the match was not decided within ten minutes");
        else if (matchMs < kShortestMatchMs) state.SkipWithError("the match ended before two minutes");
    }
}
BENCHMARK(BM_DemoMatchPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
