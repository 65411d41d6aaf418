// Spawning a sixteen-fighter match's fighters on the demo data, on the OpenGL device of a hidden
// 1024 x 768 window: the program started as the game starts with the front end off (eight against
// eight), then each round takes every fighter away and spawns all sixteen again where they stood,
// as one batch with one skin layer cache, the random looks drawn from the same seed each round.
// Real time, as the device's work counts too; the counter is the textures the fighters hold (skins
// and look pieces), the same after every round.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "common/random.h"
#include "demo_match.h"
#include "fighters/character.h"
#include "fighters/skin.h"
#include "render/texture_manager.h"
#include "scene/scene.h"

namespace {

struct Start {
    int side;
    int level;
    Vec3 at;
};

void TakeEveryFighterAway() {
    for (Character& c : g_Characters)
        if (c.active) c.Despawn();
}

uint32_t TexturesInUse() { return g_Scene.textures ? g_Scene.textures->count : 0; }

void BM_DemoSpawnSixteen(benchmark::State& state) {
    benchsupport::DemoMatch match(state, "spawn");
    if (!match.Ready()) return;
    if (!match.Start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    std::vector<Start> starts;
    for (const Character& c : g_Characters)
        if (c.active) starts.push_back({c.side, c.level, c.position});
    if (starts.size() != MAX_CHARACTERS) {
        state.SkipWithError("the match did not have sixteen fighters");
        ReleaseGame(true);
        return;
    }
    TakeEveryFighterAway();
    const uint32_t withoutFighters = TexturesInUse();
    int spawned = 0;
    int64_t firstRound = -1;
    for (auto _ : state) {
        SeedRandom(11);
        SkinImageCache cache;
        spawned = 0;
        for (const Start& s : starts)
            spawned += SpawnCharacter(-1, 0, s.side, s.level, s.at.x, s.at.y, s.at.z, nullptr, &cache) >= 0;
        cache.Clear();
        state.PauseTiming();
        const uint32_t added = TexturesInUse() - withoutFighters;
        if (firstRound < 0) firstRound = int64_t(added);
        state.counters["textures"] = double(added);
        TakeEveryFighterAway();
        state.ResumeTiming();
        if (int64_t(added) != firstRound) {
            state.SkipWithError("a round left textures behind");
            break;
        }
    }
    if (spawned != MAX_CHARACTERS) state.SkipWithError("not every fighter spawned");
    ReleaseGame(true);
}
BENCHMARK(BM_DemoSpawnSixteen)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace
