// What the HUD costs per frame on the OpenGL device at 1024x768 in a busy match: greed, thirteen
// power words shown, both fighter panels, every counter and the three markers; without portraits
// (argument 0, target 3 ms) and with both fighters' live portraits (argument 1, target 6 ms). The
// frame is finished before the clock stops.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <memory>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/hud.h"
#include "platform/gfx/device.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "gl_rig.h"
#include "support/frontend_data.h"
#include "world/dynamic_mesh.h"
#include "world/item.h"

namespace {

using namespace gfx;

constexpr int kWidth = 1024, kHeight = 768;

struct BenchShell {
    Character local, enemy;
    int power = 3;
};
BenchShell* g_shell = nullptr;

class HudRig {
public:
    explicit HudRig(benchmark::State& state, bool portraits) : gl(state) {
        device = gl.device;
        if (!device) return;
        gl.AttachVideo();
        device->SetRenderState(D3DRS_ALPHAREF, 1);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        device->BeginScene();
        g_Scene.Create();
        g_Scene.camera->Set({0, 2, -10}, {0, 1, 0}, 0, 0.7853982f, 0.5f, 500);
        g_Scene.camera->Update();

        work = std::make_unique<ScopedWorkDir>();
        testsupport::WriteHudSprites(*work, 0xFFC0C0C0);
        g_Settings.interfaceFaces = portraits ? 1 : 0;
        g_Settings.creditsGoal[0] = g_Settings.creditsGoal[1] = 500;
        g_Clocks = ClockSet();
        g_Clocks.active = CLOCK_MATCH;
        ResetMatch();
        g_Match.gameKind = 2;
        g_Match.localSide = 0;
        g_Match.timeLimit = 600000;
        g_Match.elapsed = 575000;
        // Shown: can be spelled or spelled (a word being applied lasts a second only).
        for (int w = 0; w < MATCH_WORDS; ++w) g_Match.wordState[w] = 1 + w % 2;
        for (int k = 0; k < MATCH_LETTERS; ++k) g_Match.letters[0][k] = k % 3 - 1;
        g_Match.modeTemplates[TEMPLATE_CLOCK] = testsupport::MakeSquareMesh("reloj");
        g_Match.modeTemplates[TEMPLATE_COMPASS] = testsupport::MakeSquareMesh("brujula");
        g_ItemModels[20] = testsupport::MakeSquareMesh("moneda");

        shell = std::make_unique<BenchShell>();
        g_shell = shell.get();
        for (Character* c : {&shell->local, &shell->enemy}) {
            c->active = 1;
            c->health = c->energy = c->experience = 60.0f;
            c->maxHealth = c->maxEnergy = c->maxExperience = 100.0f;
            c->level = 12;
            c->highestUnlockedPower = 4;
        }
        shell->local.side = 0;
        shell->enemy.side = 1;
        shell->enemy.position = {3, 0, 20};
        shell->local.nearestEnemy = &shell->enemy;
        if (portraits) {
            for (int s = 0; s < 2; ++s) models[s] = testsupport::MakePortraitModel(s);
            shell->local.model = models[0].model;
            shell->enemy.model = models[1].model;
        }
        g_HudShellCalls = {
            [] { return &g_shell->local; },
            [] { return g_shell->power; },
            [] { return &g_shell->enemy; },
            [] { return false; },
            [] { return 0.016f; },
            [] { return Vec3{0, 2, -10}; },
            [] { return Vec3{0, 1, 0}; },
            [](int, const Vec3*, uint32_t) { return -1; },
        };
        g_Hud.Load();
    }

    ~HudRig() {
        g_Hud.Release();
        ResetHudShellCalls();
        if (shell) {
            shell->local.model = shell->enemy.model = nullptr;
            for (testsupport::PortraitModel& m : models) m.Free();
            FreeSkeletons();
        }
        ResetMatch();
        ResetItems();
        g_Clocks = ClockSet();
        g_Settings.Clear();
        work.reset();
        if (device) {
            g_Scene.Destroy(true);
            device->EndScene();
            gl.DetachVideo();
        }
    }

    benchsupport::GLRig<kWidth, kHeight> gl;
    Device* device = nullptr;
    std::unique_ptr<ScopedWorkDir> work;
    std::unique_ptr<BenchShell> shell;
    testsupport::PortraitModel models[2];
};

void BM_HudDraw(benchmark::State& state) {
    HudRig rig(state, state.range(0) != 0);
    if (!rig.device) return;
    for (auto _ : state) {
        // The frame's clear is the render frame's, not the HUD's.
        state.PauseTiming();
        rig.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060u, 1.0f, 0);
        glFinish();
        state.ResumeTiming();
        g_Hud.UpdateMarkers();
        g_Hud.Draw();
        glFinish();
    }
}
BENCHMARK(BM_HudDraw)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
