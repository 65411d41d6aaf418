// Speed of reading the player tables, which start-up and page changes do: 1000 saves per side,
// and empty save folders. Target: under 250 ms each.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "platform/os/path.h"

namespace {

// A folder of its own as the working folder, removed afterwards.
class SaveFolder {
public:
    SaveFolder() : previous_(std::filesystem::current_path()) {
        path_ = std::filesystem::temp_directory_path() / ("brimvale-bench-saves-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
        os::ForgetFolders();
    }
    ~SaveFolder() {
        g_Menu.ClearPlayerTables();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
        os::ForgetFolders();
    }

private:
    std::filesystem::path previous_, path_;
};

void BM_LoadPlayerSaves(benchmark::State& state) {
    SaveFolder folder;
    const bool full = state.range(0) != 0;
    g_Menu.saveMode = 2;
    g_Menu.gameType = 2;
    if (full) {
        for (int side = 0; side < 2; ++side)
            for (int slot = 0; slot < PLAYER_SLOTS; ++slot) {
                PlayerRecord r;
                MakeRandomPlayer(side, &r);
                CopyPlayerToSlot(side, slot, r);
                if (!SavePlayer(side, slot)) state.SkipWithError("cannot write the saves");
            }
    }
    for (auto _ : state) {
        g_Menu.LoadPlayerSaves(2);
        benchmark::DoNotOptimize(g_Menu.playerTables.count[1]);
    }
    if (g_Menu.playerTables.count[0] != (full ? PLAYER_SLOTS : 0)) state.SkipWithError("saves missing");
    state.SetLabel(full ? "1000 per side" : "empty folders");
}
BENCHMARK(BM_LoadPlayerSaves)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
