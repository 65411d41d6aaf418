// Speed of the os layer's message queue, clock and remembered-values file.
#include "platform/os/os.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/os/key_value_store.h"

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

// A session-defaults file at the store's 1 MiB limit: short lines each of a name of its own (the
// most names to find again), or every line the same name (the most values replaced).
void BM_SessionDefaultsLoad(benchmark::State& state) {
    const bool oneName = state.range(0) != 0;
    std::string text;
    for (int i = 0; text.size() < (size_t(1) << 20); ++i)
        text += oneName ? "Session Name=" + std::to_string(i) + "\n" : "N" + std::to_string(i) + "=1\n";
    char path[] = "/tmp/brimvale-session-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, text.data(), text.size()) != ssize_t(text.size())) {
        state.SkipWithError("cannot write the file");
        if (fd >= 0) close(fd);
        return;
    }
    close(fd);
    os::KeyValueStore store;
    for (auto _ : state) {
        if (!store.Load(path)) {
            state.SkipWithError("cannot read the file");
            break;
        }
        benchmark::DoNotOptimize(store.Find("Session Name"));
    }
    std::remove(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_SessionDefaultsLoad)->ArgName("one_name")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
