// What the frame benchmarks share: the counted OpenGL calls, a hidden window with an OpenGL
// context of its own for a hand-written copy of a frame, the timing of the game's frame beside
// the copy in alternating blocks with its counters and verdict, and the comparison of pictures.
#pragma once

#include <benchmark/benchmark.h>

#include <SDL.h>
#include <malloc.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "frame_record.h"
#include "frame_verdict.h"

// Counted by the linker's wrappers of the OpenGL entry points (see bench/CMakeLists.txt); they
// stay 0 where the wrappers are not built.
extern "C" {
extern uint64_t g_glCalls;
extern uint64_t g_glDraws;
}

namespace benchsupport {

inline double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Freed memory stays in the process for the length of a frame benchmark. Otherwise the
// rasteriser's per-frame blocks that happen to lie at the top of the heap go back to the system
// when they are freed and fault in again at the next frame (5 of the copy's 14 ms of world frame
// once), a cost that says where the blocks fell rather than what either side draws.
class SteadyHeap {
public:
    SteadyHeap() {
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
    }
    ~SteadyHeap() {
        mallopt(M_TRIM_THRESHOLD, 128 << 10);
        mallopt(M_MMAP_THRESHOLD, 128 << 10);
    }
    SteadyHeap(const SteadyHeap&) = delete;
    SteadyHeap& operator=(const SteadyHeap&) = delete;
};

// A hidden window and a context of its own beside the game's, so neither side disturbs the
// other's state or framebuffer; its depth and stencil are those of the device's back buffer.
// shared: the context sees the current context's textures and buffers.
class RawWindow {
public:
    RawWindow(int width, int height, bool shared) {
        previous_ = SDL_GL_GetCurrentContext();
        previousWindow_ = SDL_GL_GetCurrentWindow();
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, shared ? 1 : 0);
        window_ = SDL_CreateWindow("", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context_ = window_ ? SDL_GL_CreateContext(window_) : nullptr;
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        if (!context_) return;
        SDL_GL_MakeCurrent(window_, context_);
        SDL_GL_SetSwapInterval(0);
    }
    ~RawWindow() {
        if (context_) {
            Restore();
            SDL_GL_DeleteContext(context_);
        }
        if (window_) SDL_DestroyWindow(window_);
    }
    bool Ready() const { return context_ != nullptr; }
    // Drawing here hands long frames over as the game's device does, until the swap or the restore.
    void MakeCurrent() {
        SDL_GL_MakeCurrent(window_, context_);
        BeginRawDrawing();
    }
    void Restore() {
        EndRawDrawing();
        SDL_GL_MakeCurrent(previousWindow_, previous_);
    }
    void Swap() {
        EndRawDrawing();
        SDL_GL_SwapWindow(window_);
    }

private:
    SDL_Window* window_ = nullptr;
    SDL_Window* previousWindow_ = nullptr;
    SDL_GLContext previous_ = nullptr, context_ = nullptr;
};

// Frames per block, of which the first is not counted: it pays for the switch from the other side.
constexpr int kBlockFrames = 4;
// Blocks per configuration: enough for the sign test to tell a floor that is slower from noise.
constexpr int kFrameBlocks = 15;

// Draws a block of frames of each side per iteration, each frame finished by the caller with
// glFinish, the side that goes first changing every block; reports the medians of both sides'
// wall and main-thread CPU time, the paired ratio (game / raw) with its quartiles, the game's
// draws and OpenGL calls per draw on both sides. A copy that is the slower, in wall or in
// main-thread CPU, by more than noise explains, is no floor: the benchmark reports an error.
// The iteration time is the game's frame.
template <typename GameFrame, typename RawFrame>
void CompareFrames(benchmark::State& state, GameFrame&& gameFrame, RawFrame&& rawFrame) {
    std::vector<BlockTimes> gameBlocks, rawBlocks;
    uint64_t gameCalls = 0, gameDraws = 0, rawCalls = 0, rawDraws = 0;
    using Clock = std::chrono::steady_clock;
    auto block = [](auto& frame, uint64_t& calls, uint64_t& draws) {
        frame();
        BlockTimes t;
        const uint64_t calls0 = g_glCalls, draws0 = g_glDraws;
        for (int f = 1; f < kBlockFrames; ++f) {
            const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
            const Clock::time_point start = Clock::now();
            frame();
            t.wall += std::chrono::duration<double>(Clock::now() - start).count();
            t.cpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
        }
        calls += g_glCalls - calls0, draws += g_glDraws - draws0;
        t.wall /= kBlockFrames - 1, t.cpu /= kBlockFrames - 1;
        return t;
    };
    bool gameFirst = true;
    for (auto _ : state) {
        if (gameFirst) {
            gameBlocks.push_back(block(gameFrame, gameCalls, gameDraws));
            rawBlocks.push_back(block(rawFrame, rawCalls, rawDraws));
        } else {
            rawBlocks.push_back(block(rawFrame, rawCalls, rawDraws));
            gameBlocks.push_back(block(gameFrame, gameCalls, gameDraws));
        }
        gameFirst = !gameFirst;
        state.SetIterationTime(gameBlocks.back().wall);
    }
    const FrameVerdict v = JudgeFrames(gameBlocks, rawBlocks);
    if (!v.error.empty()) state.SkipWithError(v.error.c_str());
    const double frames = double(v.blocks) * (kBlockFrames - 1);
    state.counters["game_ms"] = 1000.0 * v.gameWall;
    state.counters["raw_ms"] = 1000.0 * v.rawWall;
    state.counters["ratio"] = v.ratio;
    state.counters["ratio_q1"] = v.ratioLow;
    state.counters["ratio_q3"] = v.ratioHigh;
    state.counters["game_cpu_ms"] = 1000.0 * v.gameCpu;
    state.counters["raw_cpu_ms"] = 1000.0 * v.rawCpu;
    state.counters["cpu_ratio"] = v.cpuRatio;
    state.counters["raw_slower_blocks"] = v.rawSlowerWall;
    state.counters["raw_cpu_slower_blocks"] = v.rawSlowerCpu;
    state.counters["game_draws"] = frames > 0 ? double(gameDraws) / frames : 0.0;
    state.counters["game_calls_per_draw"] = gameDraws ? double(gameCalls) / double(gameDraws) : 0.0;
    state.counters["raw_calls_per_draw"] = rawDraws ? double(rawCalls) / double(rawDraws) : 0.0;
}

}  // namespace benchsupport
