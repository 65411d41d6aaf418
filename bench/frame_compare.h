// What the frame benchmarks share: the counted OpenGL calls, a hidden window with an OpenGL
// context of its own for a hand-written copy of a frame, and the alternating timing of the game's
// frame beside the copy with its counters.
#pragma once

#include <benchmark/benchmark.h>

#include <SDL.h>
#include <time.h>

#include <chrono>
#include <cstdint>

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
    void MakeCurrent() { SDL_GL_MakeCurrent(window_, context_); }
    void Restore() { SDL_GL_MakeCurrent(previousWindow_, previous_); }
    void Swap() { SDL_GL_SwapWindow(window_); }

private:
    SDL_Window* window_ = nullptr;
    SDL_Window* previousWindow_ = nullptr;
    SDL_GLContext previous_ = nullptr, context_ = nullptr;
};

// Draws one frame of each per iteration, each finished by the caller with glFinish, and reports
// the time ratio (game / raw) and difference, the game's draws, OpenGL calls per draw on both
// sides and each frame's main-thread CPU time.
template <typename GameFrame, typename RawFrame>
void CompareFrames(benchmark::State& state, GameFrame&& gameFrame, RawFrame&& rawFrame) {
    double gameSeconds = 0, rawSeconds = 0, gameCpu = 0, rawCpu = 0;
    uint64_t gameCalls = 0, gameDraws = 0, rawCalls = 0, rawDraws = 0;
    using Clock = std::chrono::steady_clock;
    // Each side goes first every other round: whichever follows the other pays for some of its
    // leftovers in the rasteriser.
    bool gameFirst = true;
    auto timedGame = [&] {
        const uint64_t calls = g_glCalls, draws = g_glDraws;
        const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
        const Clock::time_point start = Clock::now();
        gameFrame();
        gameSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        gameCpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
        gameCalls += g_glCalls - calls, gameDraws += g_glDraws - draws;
    };
    auto timedRaw = [&] {
        const uint64_t calls = g_glCalls, draws = g_glDraws;
        const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID);
        const Clock::time_point start = Clock::now();
        rawFrame();
        rawSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        rawCpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
        rawCalls += g_glCalls - calls, rawDraws += g_glDraws - draws;
    };
    for (auto _ : state) {
        if (gameFirst) {
            timedGame();
            timedRaw();
        } else {
            timedRaw();
            timedGame();
        }
        gameFirst = !gameFirst;
    }
    const double n = double(state.iterations());
    state.counters["game_ms"] = 1000.0 * gameSeconds / n;
    state.counters["raw_ms"] = 1000.0 * rawSeconds / n;
    state.counters["ratio"] = rawSeconds > 0 ? gameSeconds / rawSeconds : 0.0;
    state.counters["over_raw_ms"] = 1000.0 * (gameSeconds - rawSeconds) / n;
    state.counters["game_cpu_ms"] = 1000.0 * gameCpu / n;
    state.counters["raw_cpu_ms"] = 1000.0 * rawCpu / n;
    state.counters["game_draws"] = double(gameDraws) / n;
    state.counters["game_calls_per_draw"] = gameDraws ? double(gameCalls) / double(gameDraws) : 0.0;
    state.counters["raw_calls_per_draw"] = rawDraws ? double(rawCalls) / double(rawDraws) : 0.0;
}

}  // namespace benchsupport
