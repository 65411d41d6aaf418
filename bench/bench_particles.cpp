// Speed of a particle emitter at its batch's size: 250 live particles (one dynamic buffer's
// worth) updated and written as one batch per frame, on the recording device so that only the
// emitter's own work is measured.
#include <benchmark/benchmark.h>

#include "common/random.h"
#include "effects/effect_list.h"
#include "effects/particle_emitter.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

void BM_ParticleEmitterFrame(benchmark::State& state) {
    gfx::RecordingDevice* rec = nullptr;
    if (gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 64), &rec) != gfx::D3D_OK) {
        state.SkipWithError("no recording device");
        return;
    }
    g_Video.Zero();
    g_Video.device = rec;
    g_Video.RestoreStates();
    rec->BeginScene();
    g_Scene.Create();
    g_Scene.camera->Set(0, 0, -10, 0, 0, 0, 0, 1.5f, 1, 100);
    g_Scene.camera->Update();
    SeedRandom(1);

    // 50 a second for 5 s: 250 particles once the first ones start dying.
    ParticleEmitter emitter;
    emitter.Setup({.lifetime = -1, .spawnRadius = 1, .directionCone = 0.3f, .angleMax = 6.28f, .spinMin = -3,
                   .spinMax = 3, .rate = 50, .lifetimeJitter = 0},
                  {.lifetime = 5000, .direction = {0, 1, 0}, .speed = 1, .colourStart = 0xFFFFFFFF,
                   .colourMiddle = 0xFFFFFFFF, .colourMiddleTime = 0.8f, .colourFlags = 2, .sizeMiddle = 2,
                   .sizeEnd = 3, .sizeMiddleTime = 0.2f, .sizeFlags = 2, .blendMode = 3},
                  0, 0);
    for (int i = 0; i < 300; ++i) emitter.Update(20);
    for (auto _ : state) {
        emitter.Update(20);
        emitter.Render();
        rec->ClearLog();
    }
    state.counters["particles"] = double(emitter.particles->Count());

    emitter.Release();
    g_Scene.Destroy(true);
    rec->EndScene();
    g_Video.Zero();
    rec->Release();
}
BENCHMARK(BM_ParticleEmitterFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
