// Whole matches of every game kind, run by the program itself until it quits on its own, with the
// invariants checked after every frame; the same seed giving the same frames; the end sequence
// after the test keys' goal and time-out.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/clocks.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/fighter_shell.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "shell/control.h"
#include "support/match_harness.h"
#include "support/match_invariants.h"
#include "support/match_play.h"
#include "support/temp_dir.h"
#include "world/scenario.h"

namespace {

using namespace testsupport;

constexpr uint32_t kTenMinutes = 10 * 60000;
// The end sequence leaves 10000 ms after the end; a frame more for the quit to be seen.
constexpr uint32_t kLeaveMs = 10000 + 2 * MATCH_TURN_MS;

class WholeMatchTest : public ::testing::TestWithParam<int> {};

TEST_P(WholeMatchTest, EndsWithinTenMinutesAndQuitsOnItsOwn) {
    const int kind = GetParam();
    MatchRun run(MatchOptions{.kind = kind, .seed = uint32_t(11 + kind)});
    ASSERT_TRUE(run.Started());
    const MatchOutcome o = PlayMatch(run, kTenMinutes + kLeaveMs);
    ASSERT_NE(o.endState, MATCH_PLAYING) << "no end in ten minutes; progress " << KindProgress(kind);
    EXPECT_LE(o.endMs, kTenMinutes);
    EXPECT_GT(o.progress, 0) << "the match ended without play";
    ASSERT_NE(o.quitMs, 0u) << "the program did not leave after the end";
    EXPECT_GT(o.quitMs - o.endMs, 10000u);
    EXPECT_LE(o.quitMs - o.endMs, kLeaveMs);
}

// Kinds 6 and 7 give the computer fighters no decisions: nobody plays them, so they are not run.
INSTANTIATE_TEST_SUITE_P(Kinds, WholeMatchTest, ::testing::Range(0, 6),
                         [](const ::testing::TestParamInfo<int>& info) { return "Kind" + std::to_string(info.param); });

TEST(MatchDeterminismTest, TheSameSeedGivesTheSameFramesAndAnotherSeedOthers) {
    const uint32_t seeds[] = {5, 5, 6};
    std::vector<uint64_t> runs[3];
    for (int r = 0; r < 3; ++r) {
        MatchRun run(MatchOptions{.kind = 5, .seed = seeds[r], .maxDeaths = 1000});
        ASSERT_TRUE(run.Started());
        runs[r] = PlayMatch(run, 60000, true).fingerprints;
    }
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (size_t i = 0; i < runs[0].size(); ++i) ASSERT_EQ(runs[0][i], runs[1][i]) << "frame " << i;
    EXPECT_NE(runs[0], runs[2]);
}

TEST(MatchRenderTest, EveryFrameIsDrawnAndPresentedOnTheRecordingDevice) {
    MatchRun run(MatchOptions{.kind = 5, .seed = 4, .maxDeaths = 1000, .render = true});
    ASSERT_TRUE(run.Started());
    gfx::RecordingDevice* device = gfx::AsRecordingDevice(g_Video.device);
    ASSERT_NE(device, nullptr);
    MatchInvariants invariants;
    uint32_t frames = 0, lastFrame = g_Control.lastFrameTime;
    const uint32_t presentsBefore = device->Counters().presents;
    while (run.SimulatedMs() < 20000) {
        ASSERT_TRUE(run.Turn());
        const std::vector<std::string> failures = invariants.Check();
        ASSERT_TRUE(failures.empty()) << "at " << run.SimulatedMs() << " ms: " << failures.front();
        // A turn that handled a window message ran no frame.
        if (g_Control.lastFrameTime != lastFrame) ++frames;
        lastFrame = g_Control.lastFrameTime;
    }
    EXPECT_GT(frames, 200u);
    EXPECT_EQ(device->Counters().presents - presentsBefore, frames);
    EXPECT_GT(device->Counters().draws, frames);
}

// A long drawn match would otherwise hold every call of every frame: after each turn that drew,
// the log holds that frame alone, whole.
TEST(MatchRenderTest, TheDeviceLogHoldsTheLastDrawnFrameAlone) {
    MatchRun run(MatchOptions{.kind = 5, .seed = 4, .maxDeaths = 1000, .render = true});
    ASSERT_TRUE(run.Started());
    gfx::RecordingDevice* device = gfx::AsRecordingDevice(g_Video.device);
    ASSERT_NE(device, nullptr);
    uint32_t drawn = 0;
    for (int turn = 0; turn < 300 && drawn < 60; ++turn) {
        const gfx::RecordingCounters before = device->Counters();
        ASSERT_TRUE(run.Turn());
        const gfx::RecordingCounters& after = device->Counters();
        if (after.presents == before.presents) continue;
        ++drawn;
        SCOPED_TRACE(::testing::Message() << "frame at " << run.SimulatedMs() << " ms");
        ASSERT_EQ(after.presents - before.presents, 1u);
        EXPECT_EQ(device->CountCalls(gfx::CallKind::Present), 1u);
        EXPECT_EQ(device->CountCalls(gfx::CallKind::BeginScene), 1u);
        EXPECT_EQ(device->CountCalls(gfx::CallKind::EndScene), 1u);
        EXPECT_EQ(device->Draws().size(), size_t(after.draws - before.draws));
        EXPECT_GT(device->Draws().size(), 0u);
    }
    EXPECT_EQ(drawn, 60u);
}

TEST(MatchEndTest, TheTestKeysEndTheMatchThenItFadesAndQuits) {
    const struct {
        const char* name;
        int kind;
        int goalSide;       // -1: the time limit runs out instead
        int32_t state;
        int32_t winner;
    } cases[] = {
        {"the own side at its goal", 5, 0, MATCH_WON, 0},
        {"the other side at its goal", 0, 1, MATCH_LOST, 1},
        {"the time limit out", 2, -1, MATCH_LOST, -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        MatchRun run(MatchOptions{.kind = t.kind, .seed = 3});
        ASSERT_TRUE(run.Started());
        ASSERT_TRUE(run.Turn());
        if (t.goalSide >= 0)
            g_Match.PutSideAtGoal(t.goalSide);
        else
            g_Match.ExpireTimeLimit();
        ASSERT_TRUE(run.Turn());
        ASSERT_EQ(g_Match.state, t.state);
        EXPECT_EQ(int32_t(g_Scenario.results[RESULT_WINNER]), t.winner);
        const uint32_t end = g_Match.stateTime;
        char stats[96];
        std::snprintf(stats, sizeof stats, "Modelos/Escenarios/Escenario%02d/DataTray%02dG%02d.txt", MATCH_SCENARIO,
                      MATCH_SCENARIO, t.kind);
        const std::filesystem::path statsFile = run.Folder().path() / stats;
        // The fade itself is the front end's; the end sequence's asking for it is watched here.
        static uint32_t firstFade;
        static void (*realFade)();
        firstFade = 0;
        realFade = g_FighterShellCalls.fadeOutScreen;
        g_FighterShellCalls.fadeOutScreen = [] {
            if (firstFade == 0) firstFade = GetTime(CLOCK_MATCH);
            realFade();
        };
        uint32_t quitAfter = 0;
        // The end sequence takes 10 s: 400 turns are plenty.
        for (int turn = 0; turn < 400; ++turn) {
            const uint32_t since = GetTime(CLOCK_MATCH) - end;
            if (!run.Turn()) {
                quitAfter = since;
                break;
            }
            const uint32_t after = GetTime(CLOCK_MATCH) - end;
            if (after <= 10000) {
                EXPECT_FALSE(std::filesystem::exists(statsFile)) << after;
            }
        }
        g_FighterShellCalls.fadeOutScreen = realFade;
        ASSERT_NE(firstFade, 0u);
        EXPECT_GT(firstFade - end, 9200u);
        EXPECT_LE(firstFade - end, 9200u + MATCH_TURN_MS);
        EXPECT_GT(quitAfter, 10000u);
        EXPECT_LE(quitAfter, 10000u + 2 * MATCH_TURN_MS);
        EXPECT_TRUE(std::filesystem::exists(statsFile));
    }
}

}  // namespace
