// Front-end building and drawing costs: a menu word of 3D letters, a texture-mode paragraph,
// and the fader's rectangle and the editor's quad beside a plain two-triangle draw from memory.
#include <benchmark/benchmark.h>

#include <string>

#include "frontend/gui_primitives.h"
#include "frontend/overlays.h"
#include "frontend/text3d.h"
#include "frontend/text_label.h"
#include "gl_rig.h"
#include "recording_video.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

using namespace gfx;

// A page builds at most six words.
void BM_Text3DCreateTenLetters(benchmark::State& state) {
    benchsupport::RecordingVideo video(state);
    if (!video.device) return;
    g_Video.screenRect = {0, 0, 63, 63};
    video.device->BeginScene();
    g_Scene.Create();
    Text3D word;
    for (auto _ : state) {
        word.Create(25, "Brimvale10", "Zantor", "Text3D.bmp", -1);
        benchmark::DoNotOptimize(word.letterCount);
        word.Release();
    }
    g_Scene.Destroy(true);
    video.device->EndScene();
}
BENCHMARK(BM_Text3DCreateTenLetters)->Unit(benchmark::kMillisecond);

// ... and about fifty labels, which share one canvas.
void BM_TextureParagraph300Bytes(benchmark::State& state) {
    benchsupport::RecordingVideo video(state);
    if (!video.device) return;
    g_Video.screenRect = {0, 0, 1023, 767};
    SetTextLabelMode(LABEL_MODE_TEXTURE);
    std::string text;
    while (text.size() < 300) text += "Every word of the help text wraps |cinto the box ";
    text.resize(300);
    TextLabel holder, label;
    CreateTextLabel(&holder, 0, 0, 'I', "Menu", 4, 1);
    for (auto _ : state) {
        CreateTextParagraph(&label, 0.1f, 0.1f, 0.5f, 0.4f, text.c_str(), 4, 1);
        benchmark::DoNotOptimize(label.texture);
    }
    DestroyTextLabel(&label);
    DestroyTextLabel(&holder);
    ResetTextLabels();
}
BENCHMARK(BM_TextureParagraph300Bytes)->Unit(benchmark::kMillisecond);

struct Vertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

// Draws from memory on the OpenGL device, one kind per argument: 0 a plain quad, 1 the fader's
// rectangle, 2 the editor's quad, 3 the plain quad between a blend switched on and off again, 4
// the plain quad multiplied into the picture as the fader does, its states set once. The
// rasteriser drops opaque quads hidden under later ones, so 0 only counts the call; 4 is the
// fair yardstick of the fader's rectangle.
void BM_ScreenRectangle(benchmark::State& state) {
    benchsupport::GLRig<256, 256> rig(state);
    if (!rig.device) return;
    g_Video.Zero();
    g_Video.device = rig.device;
    g_Video.screenRect = {0, 0, 255, 255};
    g_Video.RestoreStates();
    g_Fader.Reset();
    rig.device->BeginScene();
    const Vertex quad[6] = {{10, 10, 0.9f, 1, 0xFF808080, 0, 0}, {60, 10, 0.9f, 1, 0xFF808080, 1, 0},
                            {60, 60, 0.9f, 1, 0xFF808080, 1, 1}, {10, 10, 0.9f, 1, 0xFF808080, 0, 0},
                            {60, 60, 0.9f, 1, 0xFF808080, 1, 1}, {10, 60, 0.9f, 1, 0xFF808080, 0, 1}};
    const int64_t kind = state.range(0);
    if (kind == 4) {
        rig.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        rig.device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        rig.device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
        rig.device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        rig.device->SetRenderState(D3DRS_ALPHAREF, 8);
        rig.device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    }
    for (auto _ : state) {
        if (kind == 0 || kind == 4) {
            rig.device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            rig.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex));
        } else if (kind == 3) {
            rig.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
            rig.device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            rig.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Vertex));
            rig.device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        } else if (kind == 1) {
            g_Fader.DrawRect2D(10, 10, 60, 60, 0xFF808080, true);
        } else {
            DrawQuad2D(0.04f, 0.04f, 0.23f, 0.23f, 0xFF808080);
        }
    }
    rig.device->EndScene();
    ResetQuadDrawState();
    g_Fader.Zero();
    g_Video.Zero();
}
BENCHMARK(BM_ScreenRectangle)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
