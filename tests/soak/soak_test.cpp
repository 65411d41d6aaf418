// A long annihilation of sixteen fighters whose kill goal is out of reach: the invariants every
// frame, and nothing left behind by the release.
#include <gtest/gtest.h>

#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "support/match_harness.h"
#include "support/match_invariants.h"
#include "world/item.h"

namespace {

using namespace testsupport;

#ifdef BRIMVALE_SANITIZED
constexpr uint32_t kMinutes = 3;
#else
constexpr uint32_t kMinutes = 20;
#endif

TEST(SoakTest, SixteenFightersHoldEveryInvariantAndLeaveNothingBehind) {
    MatchRun run(MatchOptions{.kind = 5, .seed = 23, .fightersPerSide = 8, .maxDeaths = 1000000});
    ASSERT_TRUE(run.Started());
    int active = 0;
    for (const Character& c : g_Characters) active += c.active ? 1 : 0;
    ASSERT_EQ(active, 16);

    MatchInvariants invariants;
    while (run.SimulatedMs() < kMinutes * 60000) {
        ASSERT_TRUE(run.Turn()) << "the program quit at " << run.SimulatedMs() << " ms";
        const std::vector<std::string> failures = invariants.Check();
        ASSERT_TRUE(failures.empty()) << "at " << run.SimulatedMs() << " ms: " << failures.front();
    }
    EXPECT_EQ(g_Match.state, MATCH_PLAYING);

    run.Release();
    for (const Character& c : g_Characters) {
        EXPECT_FALSE(c.active);
        EXPECT_EQ(c.model, nullptr);
        EXPECT_EQ(c.lookCopy, nullptr);
    }
    for (int s = 0; s < EFFECT_SLOT_COUNT; ++s) EXPECT_FALSE(EffectSlotInUse(s)) << s;
    for (const Item& item : g_Items) EXPECT_FALSE(item.active);
}

}  // namespace
