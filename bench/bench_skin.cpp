// A fighter's skin composed from 1024 x 1024 layers (a base, two eyes, clothes and eight tattoos)
// into a mipmapped texture on the recording device: sixteen spawns' skins per iteration, with the
// layers decoded once for the batch (warm cache) and read again for every skin (cold). Target:
// sixteen skins with a warm cache within 0.5 s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/pack_file.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/skin.h"
#include "frontend/menu.h"
#include "recording_video.h"
#include "scene/character_model.h"
#include "scene/scene.h"

namespace {

namespace fs = std::filesystem;

constexpr uint16_t kSide = 1024;
constexpr int kSpawns = 16;

// An uncompressed TGA, bottom row first, whose pixels follow a pattern of their own.
void WriteLayer(const fs::path& path, uint8_t bits, uint8_t seed) {
    std::vector<uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(kSide & 0xff), uint8_t(kSide >> 8),
                                  uint8_t(kSide & 0xff), uint8_t(kSide >> 8), bits, uint8_t(bits == 32 ? 8 : 0)};
    for (uint32_t y = 0; y < kSide; ++y)
        for (uint32_t x = 0; x < kSide; ++x) {
            bytes.insert(bytes.end(), {uint8_t(x + seed), uint8_t(y + seed), uint8_t(x ^ y)});
            // Every alpha from clear to opaque, so each blend path runs.
            if (bits == 32) bytes.push_back(uint8_t(x + y));
        }
    fs::create_directories(path.parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A recording device behind the video object, a made scene, the layer files in a folder of their
// own and a fighter with a model to take the skin.
class SkinRig : public benchsupport::RecordingVideo {
public:
    explicit SkinRig(benchmark::State& state) : RecordingVideo(state) {
        if (!device) return;
        g_Scene.Create();
        savedSettings = g_Settings;
        g_Settings.textureReduction = 0;
        g_Settings.textureBpp = 32;
        g_Menu.active = 0;
        previous = fs::current_path();
        folder = fs::temp_directory_path() / ("brimvale-skin-bench-" + std::to_string(::getpid()));
        const fs::path layers = folder / "Texturas" / "Personajes";
        WriteLayer(layers / "Pieles" / "orlin00.tga", 24, 0);
        WriteLayer(layers / "Ojos" / "orlin ojo1_00.tga", 32, 40);
        WriteLayer(layers / "Ojos" / "orlin ojo2_00.tga", 32, 80);
        WriteLayer(layers / "Ropas" / "orlin_f_00.tga", 32, 120);
        for (int slot = 0; slot < SKIN_TATTOO_SLOTS; ++slot)
            WriteLayer(layers / "Tatuajes" / ("0" + std::to_string(slot) + "0.tga"), 24, uint8_t(slot * 16));
        fs::current_path(folder);
        ResetPackFiles();
        fighter.model = new CharacterModel();
    }
    ~SkinRig() {
        if (!device) return;
        delete fighter.model;
        fighter.model = nullptr;
        fs::current_path(previous);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        ResetPackFiles();
        g_Scene.Destroy(true);
        g_Settings = savedSettings;
    }

    Character fighter;
    const SkinParts parts{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

private:
    fs::path previous, folder;
    Settings savedSettings;
};

void BM_ComposeSkinWarmCache(benchmark::State& state) {
    SkinRig rig(state);
    if (!rig.device) return;
    SkinImageCache cache;
    if (!rig.fighter.ComposeSkin(0, rig.parts, &cache)) state.SkipWithError("the layers could not be read");
    for (auto _ : state) {
        for (int i = 0; i < kSpawns; ++i) benchmark::DoNotOptimize(rig.fighter.ComposeSkin(0, rig.parts, &cache));
        rig.device->ClearLog();
    }
}
BENCHMARK(BM_ComposeSkinWarmCache)->Unit(benchmark::kMillisecond);

void BM_ComposeSkinColdCache(benchmark::State& state) {
    SkinRig rig(state);
    if (!rig.device) return;
    for (auto _ : state) {
        for (int i = 0; i < kSpawns; ++i) {
            SkinImageCache cache;
            benchmark::DoNotOptimize(rig.fighter.ComposeSkin(0, rig.parts, &cache));
        }
        rig.device->ClearLog();
    }
}
BENCHMARK(BM_ComposeSkinColdCache)->Unit(benchmark::kMillisecond);

}  // namespace
