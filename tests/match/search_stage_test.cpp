// The search on the demo's lava scenario as the Voraks' team campaign meets it: four against
// three, two finds to win, the lowest difficulty, the player's own fighter standing idle. The
// object that the match places flies from the start, toward a spot of its own and away from
// the hunters, instead of waiting where it was placed for the first fighter to walk up to it.
#include <gtest/gtest.h>

#include <cmath>

#include "data/data_set.h"
#include "effects/effect_slots.h"
#include "fighters/match.h"
#include "support/demo_data_folder.h"
#include "support/match_harness.h"
#include "support/match_play.h"

namespace {

using namespace testsupport;

// How far the search's first object travels in its first two seconds, up to the first find.
float FirstObjectPath(uint32_t seed, const std::string& data) {
    MatchRun run(MatchOptions{.kind = 3, .seed = seed, .fightersPerSide = 4, .captures = 2, .localSide = 1,
                              .enemies = 3, .difficulty = 0, .level = 0, .enemyLevel = 0, .matchMinutes = 12,
                              .render = true, .dataFolder = data, .scenario = demodata::LAVA_SCENARIO});
    EXPECT_TRUE(run.Started());
    const int32_t slot = g_Match.searchObjects[0];
    EXPECT_NE(slot, EFFECT_NO_SLOT);
    if (!run.Started() || slot == EFFECT_NO_SLOT) return 0.0f;
    Vec3 last = EffectSlotPosition(slot);
    float path = 0.0f;
    bool found = false;
    PlayMatch(run, 2000, false, [&] {
        found = found || g_Match.found[0] + g_Match.found[1] > 0 || g_Match.searchObjects[0] != slot;
        if (found) return;
        const Vec3 now = EffectSlotPosition(slot);
        path += Vec3Length(Vec3Sub(now, last));
        last = now;
    });
    return path;
}

TEST(DemoSearchTest, TheSearchObjectFliesFromTheStart) {
    const std::filesystem::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
    ASSERT_FALSE(data.empty()) << "the demo data could not be written";
    for (uint32_t seed : {1u, 2u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        // It flies at about 1.7 units a second; the first find comes later than a second in.
        EXPECT_GT(FirstObjectPath(seed, data.string()), 1.0f);
        ASSERT_FALSE(HasFailure());
    }
}

}  // namespace
