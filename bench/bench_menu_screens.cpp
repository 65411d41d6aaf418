// Drawing a whole 2D screen on the OpenGL device at 1024 x 768: the credits (fifty labels) and
// the player editor without its preview fighter. A frame in which nothing changed renders no
// label again: every label keeps the texture it had after the first frame.
#include <benchmark/benchmark.h>

#include <numbers>

#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/text_label.h"
#include "frontend/text_table.h"
#include "gl_rig.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "support/frontend_data.h"
#include "support/temp_dir.h"

namespace {

void BM_DrawScreen(benchmark::State& state) {
    benchsupport::GLRig<1024, 768> rig(state);
    if (!rig.device) return;
    ScopedWorkDir dir;
    testsupport::WriteFrontEndData(dir);
    g_TextTable.Load("textos.txt");
    g_Video.Zero();
    g_Video.device = rig.device;
    g_Video.screenRect = {0, 0, 1023, 767};
    g_Video.RestoreStates();
    g_Scene.Create();
    MenuShellCalls calls{};
    calls.selectControlMode = [] {
        g_Scene.camera->Set(0, 0, -10, 0, 0, 0, 0, std::numbers::pi_v<float> / 2, 1, 50);
        g_Scene.camera->Update();
    };
    g_MenuShellCalls = calls;
    g_Menu.BuildPage(0);
    MenuScreens* screens = g_Menu.screens;
    if (!screens) {
        state.SkipWithError("no menu");
    } else {
        // The editor draws without a preview fighter: no skeletons are loaded.
        screens->SetScreen(int(state.range(0)));
        gfx::Texture* first[SCREEN_LABELS] = {};
        rig.device->BeginScene();
        screens->DrawScreen();
        for (int i = 0; i < SCREEN_LABELS; ++i) first[i] = screens->labels[i].texture;
        for (auto _ : state) screens->DrawScreen();
        rig.device->EndScene();
        int rendered = 0;
        for (int i = 0; i < SCREEN_LABELS; ++i) rendered += screens->labels[i].texture != first[i] ? 1 : 0;
        state.counters["labels_rendered_again"] = rendered;
        if (rendered) state.SkipWithError("a label was rendered again without a change");
    }
    ResetMenu();
    ResetMenuShellCalls();
    ResetTextLabels();
    g_Scene.Destroy(true);
    g_Video.Zero();
}
BENCHMARK(BM_DrawScreen)->Arg(19)->Arg(9)->Unit(benchmark::kMillisecond);

}  // namespace
