// The search on the demo data. On the lava scenario as the Voraks' team campaign once met it
// (four against three, two finds to win, the lowest difficulty, the player's own fighter standing
// idle), the object that the match places flies from the start, toward a spot of its own and away
// from the hunters, instead of waiting where it was placed for the first fighter to walk up to it.
// And every search stage of the demo's campaigns, as its mission gives it, lasts past its first
// minute while the player only stands and looks around.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/settings.h"
#include "data/data_set.h"
#include "effects/effect_slots.h"
#include "fighters/match.h"
#include "frontend/match_setups.h"
#include "frontend/mission_table.h"
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

// A search stage of a campaign, with the fighters and goals its record gives the match.
struct SearchStage {
    bool team;
    int side, scenario;
    MissionRecord record;
    int fighters;   // the player's side, the player among them
};

// Every search a side meets: in the one-player campaign the stored setups whose kind is the search,
// with their allies; in the team campaign every scenario that offers it, the team of four whole.
std::vector<SearchStage> CampaignSearches() {
    std::vector<SearchStage> out;
    for (int side : {0, 1})
        for (int s = 0; s < MISSION_SCENARIOS; ++s) {
            MissionRecord setup;
            if (!FindMatchSetup(side, s, &setup) || setup.words[1] != 3) continue;
            int fighters = 1;
            for (int a = 13; a <= 15; ++a) fighters += int32_t(setup.words[a]) >= 0 ? 1 : 0;
            out.push_back({false, side, s, setup, fighters});
        }
    for (int side : {0, 1})
        for (int s = 0; s < MISSION_SCENARIOS; ++s) {
            const MissionRecord* m = FindMission(MISSIONS, side, s, 3);
            if (m && m->Available()) out.push_back({true, side, s, *m, int(m->words[2])});
        }
    return out;
}

TEST(DemoSearchTest, EveryCampaignSearchOutlastsAMinuteOfAStillPlayer) {
#ifdef BRIMVALE_SANITIZED
    // Over half an hour of match time would take the sanitized match run's whole time-out; the
    // plain build plays the same matches.
    GTEST_SKIP() << "too long under the sanitizers; the plain build runs it";
#endif
    const std::filesystem::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
    ASSERT_FALSE(data.empty()) << "the demo data could not be written";
    const std::vector<SearchStage> stages = CampaignSearches();
    // Three in each side's one-player campaign, six in each side's team campaign.
    ASSERT_EQ(stages.size(), 18u);
    for (const SearchStage& st : stages) {
        const MissionRecord& m = st.record;
        const int enemies = int(m.words[3]);
        ASSERT_GE(enemies, 1);
        ASSERT_LE(enemies, 4);
        // From the lowest difficulty, where the objects do not flee from the player's side, to the
        // highest, where the other side comes strongest.
        for (int difficulty : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << (st.team ? "team" : "one-player") << " campaign, side " << st.side
                                            << ", scenario " << st.scenario << ", difficulty " << difficulty);
            // The enemies come at their levels as the difficulty moves them, all as strong as the
            // strongest of them; the player's side at its first ally's level (word 17, 0 without).
            Settings difficultySettings{};
            difficultySettings.difficulty = difficulty;
            const int strongest = int(*std::max_element(m.words + 8, m.words + 8 + enemies));
            MatchRun run(MatchOptions{.kind = 3, .seed = 1, .fightersPerSide = st.fighters,
                                      .captures = int(m.words[20]), .voraksCaptures = int(m.words[21]),
                                      .localSide = st.side, .enemies = enemies, .difficulty = difficulty,
                                      .level = int(m.words[17]),
                                      .enemyLevel = difficultySettings.AdjustByDifficulty(strongest),
                                      .matchMinutes = int(m.words[22]), .idlePlayer = true,
                                      .dataFolder = data.string(), .scenario = st.scenario});
            ASSERT_TRUE(run.Started());
            const MatchOutcome outcome = PlayMatch(run, 60000);
            EXPECT_EQ(outcome.endState, MATCH_PLAYING)
                << "over at " << outcome.endMs << " ms, the player's side " << g_Match.found[st.side] << " of "
                << m.words[20 + st.side] << ", the other " << g_Match.found[1 - st.side] << " of "
                << m.words[21 - st.side];
            // Not a search nobody could find anything in.
            EXPECT_GT(g_Match.found[0] + g_Match.found[1], 0);
        }
    }
}

}  // namespace
