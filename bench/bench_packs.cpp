// Lookups in a pack of 3000 entries, as the animation pack of a full install holds, and the load of
// one animation group from it (1000 names asked for, every one tried as a loose file first).
#include "core/pack_file.h"
#include "scene/scene.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kGroups = 3;
constexpr uint32_t kEntryBytes = 256;
constexpr const char* kPack = "ANIMACIONES.DAT";

std::string AnimationName(int group, int index) {
    char name[64];
    std::snprintf(name, sizeof name, "ANIMACIONES\\GRUPO%02d\\ANI%02d%03d.Y3D", group, group, index);
    return name;
}

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}

// Groups 0..2 full, 1000 entries each; the data are not animations, only the lookups count.
std::vector<uint8_t> BuildPack() {
    std::vector<std::string> names;
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < SCENE_ANIMATIONS_PER_GROUP; ++i) names.push_back(AnimationName(g, i));
    size_t directory = 16;
    for (const std::string& n : names) directory += 12 + n.size() + 1;
    std::vector<uint8_t> out = {'T', 'A', 'D', 'Q'};
    PutU32(&out, PACK_VERSION);
    PutU32(&out, 0);
    PutU32(&out, uint32_t(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        PutU32(&out, uint32_t(directory + i * kEntryBytes));
        PutU32(&out, kEntryBytes);
        PutU32(&out, 0);
        out.insert(out.end(), names[i].begin(), names[i].end());
        out.push_back(0);
    }
    out.resize(directory + names.size() * kEntryBytes, 0xA5);
    return out;
}

// The pack in a fresh working folder whose files date from long ago, as an installed game's do,
// or were written just now, as by a data tool run right before the game.
class InstalledPack {
public:
    explicit InstalledPack(bool fresh = false) {
        char pattern[] = "/tmp/brimvale-bench-packs-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        folder_ = pattern;
        previous_ = fs::current_path();
        ok_ = Write();
        if (!fresh) {
            const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
            std::error_code ec;
            fs::last_write_time(folder_ / kPack, old, ec);
            fs::last_write_time(folder_, old, ec);
        }
        fs::current_path(folder_);
        ResetPackFiles();
    }
    // Writes the pack (again) in its place.
    bool Write() {
        const std::vector<uint8_t> bytes = BuildPack();
        FILE* f = std::fopen((folder_ / kPack).c_str(), "wb");
        if (!f) return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && written;
    }
    ~InstalledPack() {
        if (folder_.empty()) return;
        std::error_code ec;
        fs::current_path(previous_, ec);
        fs::remove_all(folder_, ec);
        ResetPackFiles();
    }
    bool ok() const { return ok_; }

private:
    fs::path folder_, previous_;
    bool ok_ = false;
};

// One lookup each, over every name of the pack in turn.
void BM_PackLookup(benchmark::State& state) {
    InstalledPack pack;
    if (!pack.ok()) return state.SkipWithError("cannot write the pack");
    std::vector<std::string> names;
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < SCENE_ANIMATIONS_PER_GROUP; ++i) names.push_back(AnimationName(g, i));
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindPackEntry(kPack, names[next].c_str()));
        next = (next + 997) % names.size();
    }
}
BENCHMARK(BM_PackLookup)->Unit(benchmark::kMicrosecond);

// Argument 1: the pack written again just before each load (target: under 20 ms a group).
void BM_AnimationGroupLoad(benchmark::State& state) {
    const bool fresh = state.range(0) != 0;
    InstalledPack pack(fresh);
    if (!pack.ok()) return state.SkipWithError("cannot write the pack");
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            if (!pack.Write()) state.SkipWithError("cannot write the pack");
            state.ResumeTiming();
        }
        Scene scene;
        benchmark::DoNotOptimize(scene.LoadAnimationGroup(kGroups - 1));
    }
}
BENCHMARK(BM_AnimationGroupLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
