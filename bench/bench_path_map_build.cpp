// The path-map build over generated scenes: wall time and collision rays per step, peak memory,
// output size and checksum. Every case's pmap.dat must stay byte-identical to the literal build;
// its checksum is kept here and a case whose output differs fails.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/collision_scene.h"
#include "support/pmap_writer.h"
#include "world/path_map_build.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace {

struct BuildCase {
    int32_t size;
    int32_t sectors;
    uint64_t checksum;   // FNV-1a of the literal build's pmap.dat
};

// Checksums of the 64 and 128 cases come from the literal reference build of the tests; the 256
// case from this builder, as the literal build of that scene does not end in useful time.
const BuildCase kCases[] = {
    {64, 4, 16374926436382124784ull},
    {128, 16, 7111907526490217489ull},
    {256, 64, 15418022210018770278ull},
};

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

double PeakMegabytes() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0.0;
    char line[256];
    double kb = 0.0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atof(line + 6);
    std::fclose(f);
    return kb / 1024.0;
}

void BM_PathMapBuild(benchmark::State& state) {
    const BuildCase& c = kCases[state.range(0)];
    testsupport::GeneratedSceneOptions o;
    o.size = c.size;
    o.sectors = c.sectors;
    o.platforms = c.sectors / 8;
    o.bridges = c.sectors / 4 + 1;
    o.steepBumps = c.sectors / 4 + 1;
    o.seed = 11;
    const testsupport::GeneratedScene scene = testsupport::GenerateCollisionScene(o);
    testsupport::InstalledCollision installed(scene.faces, testsupport::GENERATED_LEAF_LOG2);
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        ResetScenario();
        ResetPathSearch();
        if (!g_Scenario.pathMap.Build()) {
            state.SkipWithError("the build failed");
            return;
        }
        state.PauseTiming();
        bytes = testsupport::PmapBytes(g_Scenario.pathMap);
        state.ResumeTiming();
    }
    const PathMapBuildState& b = g_PathMapBuild;
    for (int i = 0; i < PATH_BUILD_STEPS; ++i) {
        state.counters["step" + std::to_string(i + 1) + "_ms"] = double(b.stepMs[i]);
        state.counters["step" + std::to_string(i + 1) + "_rays"] = double(b.rays[i]);
    }
    const uint64_t sum = Fnv1a(bytes);
    state.counters["sectors"] = double(g_Scenario.pathMap.sectorCount);
    state.counters["bytes"] = double(bytes.size());
    state.counters["peak_MB"] = PeakMegabytes();
    state.SetLabel("checksum " + std::to_string(sum));
    if (sum != c.checksum) state.SkipWithError("pmap.dat differs from the literal build");
    ResetScenario();
}

}  // namespace

BENCHMARK(BM_PathMapBuild)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
