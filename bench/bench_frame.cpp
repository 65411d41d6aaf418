// The frame yardstick: the generated scene (frame_scene.h) drawn by the game beside its floor,
// the same triangles drawn by hand in plain OpenGL (raw_frame.h), in alternating blocks of
// frames, each frame finished with glFinish. Reported: both sides' median wall and main-thread
// CPU time, the ratio (game / raw) with its quartiles, OpenGL calls per draw on both sides, and
// the share of pixels in which the two pictures differ. A copy slower than the game, or one that
// draws another picture, is an error. The empty frame is a clear and a present beside a clear and
// a plain window swap. Each configuration without character shadows runs a second time on the
// device the game makes when they are off: a 16-bit depth and no stencil.
#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "frame_compare.h"
#include "frame_scene.h"
#include "raw_frame.h"

namespace {

using namespace benchsupport;

// A channel may differ by this much: the game rounds its lit colours to bytes at the vertices,
// OpenGL interpolates them unrounded.
constexpr int kChannelTolerance = 3;
// Pixels beyond it may make up this share of the picture: edges that fall on the other side of a
// pixel centre by a rounding.
constexpr double kDifferingShare = 0.002;

void BM_FrameBesideRawOpenGL(benchmark::State& state) {
    // As measured for the targets: two cores for the software rasteriser.
    setenv("LP_NUM_THREADS", "2", 0);
    const FrameConfig& config = kFrameConfigs[state.range(0)];
    state.SetLabel(config.name);
    SteadyHeap heap;
    GameScene game(state, config);
    if (!game.Ready()) return;
    // One frame of the game first: the copy takes its poses, lights and volumes from it.
    game.Frame();
    RawFrame raw(config, game);
    if (!raw.Ready()) {
        state.SkipWithError("no second OpenGL context");
        return;
    }
    raw.Frame();
    CompareFrames(state, [&] { game.Frame(); }, [&] { raw.Frame(); });
    // Both draw the same picture, or the comparison means nothing. Read afterwards: reading the
    // game's picture moves its back buffer out of the window for good.
    std::vector<uint32_t> rawPicture;
    game.Frame();
    raw.Frame(&rawPicture);
    const double differing = DifferingPixels(game.Picture(), rawPicture, kChannelTolerance);
    state.counters["picture_differs_pct"] = 100.0 * differing;
    if (differing > kDifferingShare) {
        char text[120];
        std::snprintf(text, sizeof text, "the raw copy draws another picture (%.2f%% of the pixels differ)",
                      100.0 * differing);
        state.SkipWithError(text);
    }
}
BENCHMARK(BM_FrameBesideRawOpenGL)
    ->DenseRange(0, kFrameConfigCount - 1)
    ->Iterations(kFrameBlocks)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
