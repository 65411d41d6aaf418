// Match after match in one run, as a player plays them: a match with a given seed plays frame for
// frame the same after another match as after itself, so nothing of a released match reaches the
// next (the fighter records, the camera the next one loads under, the random numbers).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/data_set.h"
#include "effects/effect_slots.h"
#include "support/demo_data_folder.h"
#include "support/match_harness.h"
#include "support/match_play.h"

namespace {

using namespace testsupport;

// Every frame's fighters and match, and how many effects are alive in it.
std::vector<uint64_t> Frames(const MatchOptions& options, uint32_t ms) {
    MatchRun run(options);
    EXPECT_TRUE(run.Started());
    if (!run.Started()) return {};
    std::vector<uint64_t> effects;
    MatchOutcome o = PlayMatch(run, ms, true, [&effects] {
        uint64_t inUse = 0;
        for (int s = 0; s < EFFECT_SLOT_COUNT; ++s) inUse += EffectSlotInUse(s) ? 1 : 0;
        effects.push_back(inUse);
    });
    o.fingerprints.insert(o.fingerprints.end(), effects.begin(), effects.end());
    return o.fingerprints;
}

TEST(MatchAfterMatchTest, AMatchPlaysFrameForFrameTheSameWhicheverMatchCameBeforeIt) {
    const std::string demo = DemoDataFolder(BRIMVALE_DATA_TOOL).string();
    ASSERT_FALSE(demo.empty()) << "the demo data could not be written";
    const MatchOptions annihilation{.kind = 5, .seed = 5, .maxDeaths = 1000};
    const MatchOptions search{.kind = 3, .seed = 14};
    const MatchOptions onDemo{.kind = 5, .seed = 7, .dataFolder = demo, .scenario = 5};
    const MatchOptions inRain{.kind = 2, .seed = 9, .render = true, .dataFolder = demo, .scenario = demodata::WATER_SCENARIO};
    // The match is played after `before`, then after `between`; a time of 0 leaves one out.
    const struct {
        const char* name;
        MatchOptions before;
        uint32_t beforeMs;
        MatchOptions match;
        uint32_t matchMs;
        MatchOptions between;
        uint32_t betweenMs;
    } cases[] = {
        // The unsticking stamps of a minute and a half of fighting stay in the records: a fighter
        // that comes to an invalid cell remembered from then is sent back at once.
        {"after a longer annihilation", {.kind = 5, .seed = 7, .maxDeaths = 1000}, 90000, annihilation, 60000,
         {}, 0},
        // The objects are placed and sent off by the seeded numbers.
        {"a search after another", {.kind = 3, .seed = 2}, 30000, search, 30000, {}, 0},
        // Effects warm up on their creation as far as the camera the match loads under sees them:
        // the first match's camera sees all, one aimed by the last match's start does not.
        {"on the demo data after itself", {}, 0, onDemo, 20000, onDemo, 20000},
        {"in the rain after itself", {}, 0, inRain, 8000, inRain, 8000},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        if (t.beforeMs) Frames(t.before, t.beforeMs);
        const std::vector<uint64_t> first = Frames(t.match, t.matchMs);
        if (t.betweenMs) Frames(t.between, t.betweenMs);
        const std::vector<uint64_t> again = Frames(t.match, t.matchMs);
        ASSERT_FALSE(HasFailure());
        ASSERT_EQ(first.size(), again.size());
        // The frames, then the effect counts.
        for (size_t i = 0; i < first.size(); ++i)
            ASSERT_EQ(first[i], again[i]) << "entry " << i << " of " << first.size();
    }
}

}  // namespace
