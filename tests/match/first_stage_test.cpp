// The first match of each side's one-player campaign, as its mission gives it, on the demo data:
// a new player who only stands and looks around must not have lost it within the first minute.
#include <gtest/gtest.h>

#include "fighters/match.h"
#include "frontend/mission_table.h"
#include "support/demo_data_folder.h"
#include "support/match_harness.h"
#include "support/match_play.h"

namespace {

using namespace testsupport;

TEST(FirstStageTest, AStillPlayerHasNotLostTheFirstStealTheSymbolWithinAMinute) {
    const std::filesystem::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
    ASSERT_FALSE(data.empty()) << "the demo data could not be written";
    for (int side : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "side " << side);
        // Each side's campaign starts at its own end of the scenario list.
        const int scenario = side == 0 ? 0 : MISSION_SCENARIOS - 1;
        const MissionRecord* m = FindMission(SINGLE_MISSIONS, side, scenario, 0);
        ASSERT_NE(m, nullptr);
        MatchRun run(MatchOptions{.kind = 0, .seed = 3, .fightersPerSide = 1, .steals = int(m->words[20]),
                                  .localSide = side, .enemies = int(m->words[3]), .difficulty = 0, .level = 0,
                                  .enemyLevel = int(m->words[8]), .render = true, .dataFolder = data.string(),
                                  .scenario = scenario});
        ASSERT_TRUE(run.Started());
        const MatchOutcome outcome = PlayMatch(run, 60000);
        EXPECT_EQ(outcome.endState, MATCH_PLAYING) << "lost at " << outcome.endMs << " ms";
    }
}

}  // namespace
