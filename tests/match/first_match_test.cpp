// The first all-computer match: annihilation on the kit's arena, four fighters a side placed by
// the element map, started and stepped as the game does, with a kill goal out of reach.
#include <gtest/gtest.h>

#include "fighters/character.h"
#include "fighters/match.h"
#include "support/match_harness.h"
#include "support/match_invariants.h"
#include "world/scenario.h"

namespace {

using namespace testsupport;

constexpr uint32_t kThreeMinutes = 3 * 60000;

TEST(FirstMatchTest, FourComputerFightersASideMeetFightDieAndRise) {
    MatchRun run(MatchOptions{.kind = 5, .seed = 7, .maxDeaths = 1000});
    ASSERT_TRUE(run.Started());
    int placed[2] = {};
    for (const Character& c : g_Characters)
        if (c.active) ++placed[c.side];
    EXPECT_EQ(placed[0], 4);
    EXPECT_EQ(placed[1], 4);

    MatchInvariants invariants;
    bool met = false, fought = false, rose = false;
    bool wasDead[MAX_CHARACTERS] = {};
    while (run.SimulatedMs() < kThreeMinutes) {
        ASSERT_TRUE(run.Turn()) << "the program quit at " << run.SimulatedMs() << " ms";
        const std::vector<std::string> failures = invariants.Check();
        ASSERT_TRUE(failures.empty()) << "at " << run.SimulatedMs() << " ms: " << failures.front();
        for (const Character& c : g_Characters) {
            if (!c.active) continue;
            fought = fought || c.actionClass == 3 || c.actionClass == 4;
            rose = rose || (wasDead[c.slot] && !c.dead);
            wasDead[c.slot] = c.dead != 0;
            for (const Character& o : g_Characters)
                if (o.active && o.side != c.side && Vec3Length(Vec3Sub(o.position, c.position)) < 2.0f) met = true;
        }
    }
    EXPECT_TRUE(met);
    EXPECT_TRUE(fought);
    EXPECT_TRUE(rose);
    EXPECT_EQ(g_Match.state, MATCH_PLAYING);
    const int deaths = int32_t(g_Scenario.results[TeamResultIndex(0, TEAM_DEATHS)]) +
                       int32_t(g_Scenario.results[TeamResultIndex(1, TEAM_DEATHS)]);
    const int kills = int32_t(g_Scenario.results[TeamResultIndex(0, TEAM_KILL_POINTS)]) +
                      int32_t(g_Scenario.results[TeamResultIndex(1, TEAM_KILL_POINTS)]);
    EXPECT_GT(deaths, 0);
    EXPECT_GT(kills, 0);
}

}  // namespace
