// Speed of the os layer's message queue and clock.
#include "platform/os/os.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

intptr_t QuietProc(os::WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

// The layer with a hidden window, for the length of one benchmark.
class Layer {
public:
    explicit Layer(benchmark::State& state) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);     // keeps a desktop's own setting
        if (!os::Init()) {
            state.SkipWithError("os::Init failed");
            return;
        }
        os::WindowDesc desc;
        desc.proc = QuietProc;
        desc.width = 64;
        desc.height = 64;
        window = os::CreateMainWindow(desc);
        if (!window) state.SkipWithError("no window");
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) {
        }
    }
    ~Layer() { os::Shutdown(); }
    os::WindowHandle window = nullptr;
};

// A batch posted (as network threads do), then drained the way the game loop does it.
void BM_PostThenPeek(benchmark::State& state) {
    Layer layer(state);
    if (!layer.window) return;
    const int batch = int(state.range(0));
    os::Message m;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) os::PostMessage(layer.window, os::WM_APP, uintptr_t(i), 0);
        while (os::PeekMessage(&m, os::PM_REMOVE)) benchmark::DoNotOptimize(m);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostThenPeek)->Arg(1)->Arg(64)->Arg(1024);

// Mouse moves arriving faster than frames: each one replaces the last queued move.
void BM_MergedMouseMoves(benchmark::State& state) {
    Layer layer(state);
    if (!layer.window) return;
    os::Message m;
    int x = 0;
    for (auto _ : state) {
        for (int i = 0; i < 64; ++i, ++x) {
            os::PostMessage(layer.window, os::WM_MOUSEMOVE, 0, os::MakeLParam(x & 1023, 7));
        }
        while (os::PeekMessage(&m, os::PM_REMOVE)) benchmark::DoNotOptimize(m);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_MergedMouseMoves);

// An empty queue still pumps SDL: the cost of one idle frame's PeekMessage.
void BM_PeekEmpty(benchmark::State& state) {
    Layer layer(state);
    if (!layer.window) return;
    os::Message m;
    for (auto _ : state) benchmark::DoNotOptimize(os::PeekMessage(&m, os::PM_REMOVE));
}
BENCHMARK(BM_PeekEmpty);

void BM_timeGetTime(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(os::timeGetTime());
}
BENCHMARK(BM_timeGetTime);

void BM_timeGetTimeReplaced(benchmark::State& state) {
    uint32_t now = 0;
    os::SetTimeSource([&now] { return ++now; });
    for (auto _ : state) benchmark::DoNotOptimize(os::timeGetTime());
    os::SetTimeSource({});
}
BENCHMARK(BM_timeGetTimeReplaced);

}  // namespace


