#include "support/match_play.h"

#include <gtest/gtest.h>

#include <string>

#include "fighters/character.h"
#include "support/match_harness.h"
#include "support/match_invariants.h"

namespace testsupport {

int64_t KindProgress(int kind) {
    const Match& m = g_Match;
    int64_t sum = 0;
    for (int t = 0; t < 2; ++t) {
        switch (kind) {
            case 0: sum += m.captures[t]; break;
            case 1: sum += m.checkpointsPassed[t]; break;
            case 2: sum += m.points[t]; break;
            case 3: sum += m.found[t]; break;
            case 4: sum += m.curseTime[t]; break;
            case 5: sum += m.killScore[t] > 0 ? m.killScore[t] : 0; break;
            default: break;
        }
    }
    // Every fighter for himself: the fighters' own scores.
    if (kind == 6 || kind == 7)
        for (const Character& c : g_Characters)
            if (c.active) sum += kind == 6 ? c.killScore : c.credits;
    return sum;
}

MatchOutcome PlayMatch(MatchRun& run, uint32_t limitMs, bool fingerprints, const std::function<void()>& eachFrame) {
    MatchOutcome out;
    MatchInvariants invariants;
    while (run.SimulatedMs() < limitMs) {
        const uint32_t now = run.SimulatedMs();
        if (!run.Turn()) {
            out.quitMs = now;
            break;
        }
        const std::vector<std::string> failures = invariants.Check();
        EXPECT_TRUE(failures.empty()) << "at " << run.SimulatedMs() << " ms: " << failures.front();
        if (!failures.empty()) break;
        if (fingerprints) out.fingerprints.push_back(MatchFingerprint());
        if (eachFrame) eachFrame();
        if (out.endState == MATCH_PLAYING && g_Match.state != MATCH_PLAYING) {
            out.endState = g_Match.state;
            out.endMs = run.SimulatedMs();
            out.progress = KindProgress(g_Match.gameKind);
        }
    }
    return out;
}

}  // namespace testsupport
