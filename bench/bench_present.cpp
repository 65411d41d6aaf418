// What showing a frame costs on the OpenGL device at 1024x768, beside the least OpenGL can do
// for the same picture (one blit of an offscreen colour buffer into the window, then a swap, or
// a plain swap of the window drawn straight into), and what memory 100 mipmapped 1024x1024
// textures hold once they have been drawn with. Every present is finished with glFinish, so that
// what it set going is paid for in its own iteration; the main thread's CPU time per present is
// reported beside the wall time. With DISPLAY set the windows are real X11 windows (run under
// xvfb-run for the swapping window's cost), else SDL's offscreen ones.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/gfx/device.h"
#include "platform/os/os.h"

namespace {

using namespace gfx;

constexpr uint32_t kWidth = 1024, kHeight = 768;

// A desktop's or the caller's own choice of driver stands.
void ChooseVideoDriver() {
    const char* display = std::getenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", display && *display ? "x11" : "offscreen", 0);
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The main thread's CPU time per iteration since `start`.
void ReportMainThread(benchmark::State& state, double start) {
    if (state.iterations() > 0)
        state.counters["main_cpu_ms"] = 1000.0 * (ThreadSeconds() - start) / double(state.iterations());
}

class Rig {
public:
    Rig(benchmark::State& state, uint32_t width, uint32_t height) {
        ChooseVideoDriver();
        if (!os::Init()) {
            state.SkipWithError("os::Init failed");
            return;
        }
        os::WindowDesc desc;
        desc.width = int(width);
        desc.height = int(height);
        window = os::CreateMainWindow(desc);
        if (!window) {
            state.SkipWithError("no window");
            return;
        }
        // Shown, as the game's is: a hidden X11 window swaps at another cost.
        os::ShowWindow(window, true);
        DeviceParams p;
        p.present.BackBufferWidth = width;
        p.present.BackBufferHeight = height;
        p.present.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.present.BackBufferCount = 1;
        p.present.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.present.hDeviceWindow = window;
        p.present.Windowed = 1;
        p.present.EnableAutoDepthStencil = 1;
        p.present.AutoDepthStencilFormat = D3DFMT_D24S8;
        if (CreateGLDevice(p, &device) != D3D_OK) {
            state.SkipWithError("no OpenGL device");
            device = nullptr;
        }
    }
    ~Rig() {
        if (device) device->Release();
        os::Shutdown();
    }
    os::WindowHandle window = nullptr;
    Device* device = nullptr;
};

// Present alone (argument 0), and the frame a game shows (1): the back buffer cleared, then
// presented, so that keeping the shown picture is paid for where it happens. The CPU column
// counts every thread of the process, the rasteriser's included, so it holds up on a busy machine.
void BM_PresentDevice(benchmark::State& state) {
    Rig rig(state, kWidth, kHeight);
    if (!rig.device) return;
    const bool clear = state.range(0) != 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        if (clear) rig.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060u, 1.0f, 0);
        rig.device->Present(nullptr, nullptr, nullptr, nullptr);
        glFinish();
    }
    ReportMainThread(state, start);
}
BENCHMARK(BM_PresentDevice)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The device's own kind of window with a bare context of the same attributes in place of the
// device, for the plain OpenGL references.
class BareContext {
public:
    explicit BareContext(benchmark::State& state) : rig_(state, kWidth, kHeight) {
        if (!rig_.device) return;
        rig_.device->Release();  // only its window and attributes were wanted
        rig_.device = nullptr;
        window_ = static_cast<SDL_Window*>(os::NativeWindow(rig_.window));
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) {
            state.SkipWithError("no OpenGL context");
            return;
        }
        SDL_GL_MakeCurrent(window_, context_);
        SDL_GL_SetSwapInterval(0);
    }
    ~BareContext() {
        if (!context_) return;
        glFinish();
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    bool Ready() const { return context_ != nullptr; }
    void Swap() { SDL_GL_SwapWindow(window_); }

private:
    Rig rig_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};

// The same in plain OpenGL: (clear a colour and depth framebuffer,) blit it flipped into the
// window, swap.
void BM_PresentRawOpenGL(benchmark::State& state) {
    BareContext bare(state);
    if (!bare.Ready()) return;
    GLuint fbo = 0, buffers[2] = {};
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(2, buffers);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, GLsizei(kWidth), GLsizei(kHeight));
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, GLsizei(kWidth), GLsizei(kHeight));
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    glClearColor(0.125f, 0.25f, 0.375f, 1.0f);
    const bool clear = state.range(0) != 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        if (clear) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, GLint(kWidth), GLint(kHeight), 0, GLint(kHeight), GLint(kWidth), 0,
                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        bare.Swap();
        glFinish();
    }
    ReportMainThread(state, start);
    glDeleteRenderbuffers(2, buffers);
    glDeleteFramebuffers(1, &fbo);
}
BENCHMARK(BM_PresentRawOpenGL)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The floor for the device's present: the window (its colour and depth cleared,) swapped, with
// no framebuffer object anywhere.
void BM_PresentPlainSwap(benchmark::State& state) {
    BareContext bare(state);
    if (!bare.Ready()) return;
    glClearColor(0.125f, 0.25f, 0.375f, 1.0f);
    const bool clear = state.range(0) != 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        if (clear) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        bare.Swap();
        glFinish();
    }
    ReportMainThread(state, start);
}
BENCHMARK(BM_PresentPlainSwap)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0.0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// 100 textures of 1024x1024 with every mip level, filled through a lock and drawn with once,
// as the game's level textures are; the counter is the resident memory they added.
void BM_TextureMemory(benchmark::State& state) {
    Rig rig(state, 64, 64);
    if (!rig.device) return;
    Device* d = rig.device;
    struct TL {
        float x, y, z, rhw;
        uint32_t color;
        float u, v;
    };
    const TL quad[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFFu, 0, 0},
                        {4, 0, 0.5f, 1, 0xFFFFFFFFu, 1, 0},
                        {0, 4, 0.5f, 1, 0xFFFFFFFFu, 0, 1},
                        {4, 4, 0.5f, 1, 0xFFFFFFFFu, 1, 1}};
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    for (auto _ : state) {
        const double before = ResidentMegabytes();
        std::vector<Texture*> textures;
        for (int i = 0; i < 100; ++i) {
            Texture* t = nullptr;
            if (d->CreateTexture(1024, 1024, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t) != D3D_OK) {
                state.SkipWithError("CreateTexture failed");
                break;
            }
            for (uint32_t l = 0; l < t->GetLevelCount(); ++l) {
                LockedRect r{};
                SurfaceDesc desc{};
                t->GetLevelDesc(l, &desc);
                if (t->LockRect(l, &r, nullptr, 0) != D3D_OK) continue;
                for (uint32_t y = 0; y < desc.Height; ++y) {
                    auto* row = static_cast<uint32_t*>(r.pBits) + size_t(y) * size_t(r.Pitch) / 4;
                    for (uint32_t x = 0; x < desc.Width; ++x) row[x] = 0xFF000000u | (x * 2654435761u ^ y ^ uint32_t(i));
                }
                t->UnlockRect(l);
            }
            textures.push_back(t);
            d->SetTexture(0, t);
            d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TL));
        }
        d->SetTexture(0, nullptr);
        glFinish();
        state.counters["added_MB"] = ResidentMegabytes() - before;
        for (Texture* t : textures) t->Release();
    }
}
BENCHMARK(BM_TextureMemory)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
