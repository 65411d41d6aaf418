// A frame of a sixteen-fighter match on the demo data at 1024x768 (target: at most 1.3 times its
// raw draw work): the real program started straight into a match, a second of loop turns played,
// then the game's whole frame (world, fighters, shadows, effects, HUD, present) beside a replay of
// the same frame's batches, caught at the OpenGL entry points as the game submitted them, through
// a minimal hand-written OpenGL path in a context sharing the game's textures and buffers.
// Alternating blocks of frames, each finished with glFinish; counters and verdict as for the
// generated scene's frame.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>

#include <cstdlib>

#include "core/settings.h"
#include "demo_match.h"
#include "fighters/character.h"
#include "frame_compare.h"
#include "frame_record.h"
#include "shell/render_frame.h"

namespace {

constexpr int kWarmUpTurns = 1000 / int(benchsupport::DemoMatch::kTurnMs);

void GameFrame() {
    RenderFrame();
    glFinish();
}

void BM_DemoFrameBesideRawOpenGL(benchmark::State& state) {
    // As measured for the targets: two cores for the software rasteriser.
    setenv("LP_NUM_THREADS", "2", 0);
    if (!benchsupport::FrameRecording::Available()) {
        state.SkipWithError("the OpenGL entry points are not wrapped in this build");
        return;
    }
    benchsupport::SteadyHeap heap;
    benchsupport::DemoMatch match(state, "frame");
    if (!match.Ready()) return;
    if (!match.Start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    int fighters = 0;
    for (const Character& c : g_Characters) fighters += c.active ? 1 : 0;
    if (fighters != MAX_CHARACTERS || match.Turns(kWarmUpTurns) < kWarmUpTurns) {
        state.SkipWithError("no sixteen-fighter match to draw");
        ReleaseGame(true);
        return;
    }
    // As a player sees it, without the test mode's path overlays.
    g_Settings.test = 0;
    {
        benchsupport::RawWindow raw(1024, 768, true);
        benchsupport::FrameRecording recording;
        if (!raw.Ready()) {
            state.SkipWithError("no second OpenGL context");
        } else {
            // One frame of each first, so that uploads and first-use costs stay out of the count.
            GameFrame();
            recording.Start();
            GameFrame();
            recording.Stop();
            auto rawFrame = [&] {
                raw.MakeCurrent();
                recording.Replay();
                raw.Swap();
                glFinish();
                raw.Restore();
            };
            rawFrame();
            benchsupport::CompareFrames(state, GameFrame, rawFrame);
            state.counters["fighters"] = fighters;
            state.counters["recorded_draws"] = double(recording.Draws());
        }
    }
    ReleaseGame(true);
}
BENCHMARK(BM_DemoFrameBesideRawOpenGL)
    ->Iterations(benchsupport::kFrameBlocks)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
