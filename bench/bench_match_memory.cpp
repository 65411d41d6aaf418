// Peak memory of a match on the demo data (target: below 300 MB): the program started as the
// game starts with the front end off (the water scenario, eight against eight, sound on the null
// device) on the OpenGL device of a hidden 1024 x 768 window, then two simulated seconds of loop
// turns on a clock that advances 33 ms before each. The counter is the process's peak resident
// size over the run (VmHWM, reset at the start where the kernel allows it), logged beside the
// target; a match that does not start with sixteen fighters or ends early is an error.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/settings.h"
#include "data/data_set.h"
#include "fighters/character.h"
#include "platform/os/os.h"
#include "render/adapter_table.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTargetMB = 300.0;
constexpr uint32_t kTurnMs = 33;
constexpr int kTurns = 2000 / int(kTurnMs);

uint32_t g_now = 0;

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

// Sets "KEY = value" lines of the settings file in place.
bool SetKeys(const fs::path& file, const std::initializer_list<std::pair<const char*, const char*>>& keys) {
    std::ifstream in(file);
    std::stringstream text;
    std::string line;
    while (std::getline(in, line)) {
        for (const auto& [key, value] : keys)
            if (line.rfind(std::string(key) + " =", 0) == 0) line = std::string(key) + " = " + value + "\r";
        text << line << "\n";
    }
    std::ofstream out(file, std::ios::trunc);
    out << text.str();
    return bool(out);
}

void BM_DemoMatchPeakMemory(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const fs::path folder = fs::temp_directory_path() / ("brimvale-bench-memory-" + std::to_string(::getpid()));
    std::string error;
    if (!demodata::WriteDataSet(folder.string(), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    // Straight into a match, no videos, no log.
    if (!SetKeys(folder / "Brimvale.ini", {{"MENU", "0"}, {"PRUEBAS", "1"}, {"DEBUG", "0"}, {"NUM_PER", "8"},
                                           {"NUM_PER_ENE", "8"}, {"RESX", "1024"}, {"RESY", "768"}})) {
        state.SkipWithError("the settings file could not be written");
        return;
    }
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    g_StartupSeed = [] { return 7u; };
    g_now = 100000;
    os::SetTimeSource([] { return g_now; });

    for (auto _ : state) {
        const bool fromHere = ResetPeak();
        const double before = StatusMB("VmRSS");
        g_Settings.Clear();
        ResetMainLoopState();
        g_AdapterTable.Enumerate();
        if (!InitApp(WndProc)) {
            state.SkipWithError("the program did not start");
            break;
        }
        int fighters = 0;
        for (const Character& c : g_Characters) fighters += c.active ? 1 : 0;
        os::Message msg{};
        int turns = 0;
        for (; turns < kTurns; ++turns) {
            g_now += kTurnMs;
            if (!RunLoopTurn(&msg)) break;
        }
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

    os::SetTimeSource(nullptr);
    ResetStartupSeed();
    g_Settings.Clear();
    ResetMainLoopState();
    fs::current_path(previous);
    fs::remove_all(folder);
}
BENCHMARK(BM_DemoMatchPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
