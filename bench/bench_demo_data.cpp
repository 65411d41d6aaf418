// The demo data set's water scenario loaded from its packs, the path map built on the way as on
// a first run (target: below 2 s a load), on the recording device.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/settings.h"
#include "data/data_set.h"
#include "recording_video.h"
#include "scene/scene.h"
#include "world/scenario.h"

namespace {

namespace fs = std::filesystem;

void BM_DemoScenarioLoad(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / ("brimvale-bench-demo-" + std::to_string(::getpid()));
    std::string error;
    if (!demodata::WriteDataSet(folder.string(), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    {
        benchsupport::RecordingVideo video(state);
        if (video.device && g_Scene.Create()) {
            g_Settings.mode = 0;
            const fs::path built = folder / "Modelos";
            for (auto _ : state) {
                // No path map left from the last round: each load builds it.
                fs::remove_all(built);
                g_Scenario.Load(demodata::WATER_SCENARIO);
                state.PauseTiming();
                if (g_Scenario.pathMap.cols <= 0) state.SkipWithError("no path map was built");
                state.counters["cells"] = double(g_Scenario.pathMap.cols) * double(g_Scenario.pathMap.rows);
                g_Scenario.Unload();
                state.ResumeTiming();
            }
            g_Scene.Destroy(true);
        }
    }
    fs::current_path(previous);
    fs::remove_all(folder);
}
BENCHMARK(BM_DemoScenarioLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
