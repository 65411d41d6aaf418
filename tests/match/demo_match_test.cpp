// Whole matches of all eight game kinds on the demo data, with the game's own effect pool: every
// kind ends and the program leaves on its own, the invariants hold after every frame, and the
// powers and pickups of the match really made effects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/data_set.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "support/demo_data_folder.h"
#include "support/match_harness.h"
#include "support/match_play.h"
#include "world/scenario.h"

namespace {

using namespace testsupport;

// The end sequence leaves 10000 ms after the end; a frame more for the quit to be seen.
constexpr uint32_t kLeaveMs = 10000 + 2 * MATCH_TURN_MS;
#ifdef BRIMVALE_SANITIZED
// Under the sanitizers a shorter stretch of each kind, without waiting for its end.
constexpr uint32_t kPlayMs = 60000;
#else
constexpr uint32_t kPlayMs = 10 * 60000;
#endif

// Counts, over every frame, the slots of the pool that came into use.
struct EffectWatch {
    bool seen[EFFECT_SLOT_COUNT] = {};
    int made = 0;
    void Look() {
        for (int s = 0; s < EFFECT_SLOT_COUNT; ++s) {
            const bool inUse = EffectSlotInUse(s);
            if (inUse && !seen[s]) ++made;
            seen[s] = inUse;
        }
    }
};

class DemoMatchTest : public ::testing::TestWithParam<int> {};

TEST_P(DemoMatchTest, EndsWithTheGameEffectsAndQuitsOnItsOwn) {
    const int kind = GetParam();
    const std::filesystem::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
    ASSERT_FALSE(data.empty()) << "the demo data could not be written";
    // Scenarios of every pool across the kinds: the training set-up's default without one, both
    // lava rows, both rain rows with water, one without a far distance, one of the last world.
    const int scenarios[8] = {0, demodata::LAVA_SCENARIO, demodata::WATER_SCENARIO, 15, 5, 8, demodata::WATER_SCENARIO, 19};
    const int scenario = scenarios[kind];
    MatchRun run(MatchOptions{.kind = kind, .seed = uint32_t(31 + kind), .dataFolder = data.string(),
                              .scenario = scenario});
    ASSERT_TRUE(run.Started());
    ASSERT_EQ(g_Scenario.number, scenario);

    EffectWatch effects;
    MatchOutcome outcome;
    if (kind == 6) {
        // Every fighter for himself: the computer's fighters see no enemy in this kind, so nobody
        // scores. Two minutes of play, then one fighter is given the kills of the goal.
        outcome = PlayMatch(run, 120000, false, [&effects] { effects.Look(); });
        ASSERT_FALSE(HasFailure());
        ASSERT_EQ(outcome.endState, MATCH_PLAYING);
        int killer = -1, victim = -1;
        for (const Character& c : g_Characters) {
            if (c.active && c.side == 0 && killer < 0) killer = c.slot;
            if (c.active && c.side == 1 && victim < 0) victim = c.slot;
        }
        ASSERT_TRUE(killer >= 0 && victim >= 0);
        g_Match.RecordKill(g_Settings.maxDeaths[0], victim, killer);
        const MatchOutcome rest = PlayMatch(run, 120000 + kLeaveMs + MATCH_TURN_MS);
        outcome.endState = rest.endState;
        outcome.endMs = rest.endMs;
        outcome.quitMs = rest.quitMs;
    } else {
        outcome = PlayMatch(run, kPlayMs + kLeaveMs, false, [&effects] { effects.Look(); });
    }
    ASSERT_FALSE(HasFailure());
    EXPECT_GT(effects.made, 0) << "no effect was made";
#ifndef BRIMVALE_SANITIZED
    ASSERT_NE(outcome.endState, MATCH_PLAYING) << "no end in ten minutes; progress " << KindProgress(kind);
    EXPECT_LE(outcome.endMs, kPlayMs);
    // The team kinds end by play; 7 by its time limit, 6 by the kills given above.
    if (kind <= 5) {
        EXPECT_GT(outcome.progress, 0) << "the match ended without play";
    }
    ASSERT_NE(outcome.quitMs, 0u) << "the program did not leave after the end";
    EXPECT_GT(outcome.quitMs - outcome.endMs, 10000u);
    EXPECT_LE(outcome.quitMs - outcome.endMs, kLeaveMs);
#endif
}

// Steal the symbol on the demo arena as a new player meets it in training: two a side, five
// captures to win, the player's own fighter standing idle. The enemy crosses the arena for its
// first capture and the match lasts well over a minute; the race takes a lap of the arena.
TEST(DemoArenaTest, StealTheSymbolAndTheRaceLastLongEnoughToPlay) {
    const std::filesystem::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
    ASSERT_FALSE(data.empty()) << "the demo data could not be written";
#ifdef BRIMVALE_SANITIZED
    // The lengths are the data's, not the memory's: one seed of each under the sanitizers.
    const std::vector<uint32_t> stealSeeds = {1u}, raceSeeds = {1u};
#else
    const std::vector<uint32_t> stealSeeds = {1u, 2u, 3u}, raceSeeds = {1u, 2u};
#endif
    for (uint32_t seed : stealSeeds) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        MatchRun run(MatchOptions{.kind = 0, .seed = seed, .fightersPerSide = 2, .steals = 5, .render = true,
                                  .dataFolder = data.string(), .scenario = 0});
        ASSERT_TRUE(run.Started());
        uint32_t firstEnemyCapture = 0;
        const MatchOutcome outcome = PlayMatch(run, 200000, false, [&] {
            if (!firstEnemyCapture && g_Match.captures[1] > 0) firstEnemyCapture = run.SimulatedMs();
        });
        ASSERT_FALSE(HasFailure());
        ASSERT_NE(outcome.endState, MATCH_PLAYING);
        EXPECT_GT(firstEnemyCapture, 18000u);
        EXPECT_GT(outcome.endMs, 75000u);
    }
    for (uint32_t seed : raceSeeds) {
        SCOPED_TRACE(testing::Message() << "race, seed " << seed);
        MatchRun run(MatchOptions{.kind = 1, .seed = seed, .dataFolder = data.string(), .scenario = 0});
        ASSERT_TRUE(run.Started());
        const MatchOutcome outcome = PlayMatch(run, 200000);
        ASSERT_FALSE(HasFailure());
        ASSERT_NE(outcome.endState, MATCH_PLAYING);
        EXPECT_GT(outcome.endMs, 20000u);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, DemoMatchTest, ::testing::Range(0, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return "Kind" + std::to_string(info.param); });

}  // namespace
