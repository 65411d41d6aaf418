// Playing a whole match through the harness: turns until the program quits or a limit passes,
// the invariants checked after every frame, and what the run saw.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "fighters/match.h"

namespace testsupport {

class MatchRun;

// How far the kind's own goal counter moved, both sides together.
int64_t KindProgress(int kind);

struct MatchOutcome {
    int32_t endState = MATCH_PLAYING;
    uint32_t endMs = 0;         // match time of the end
    uint32_t quitMs = 0;        // match time at which the program quit, 0 when it did not
    int64_t progress = 0;       // the kind's counter at the end
    std::vector<uint64_t> fingerprints;
};

// Turns until the program quits or `limitMs` of match time passed; a broken invariant is a test
// failure and ends the run. `eachFrame` runs after every checked frame.
MatchOutcome PlayMatch(MatchRun& run, uint32_t limitMs, bool fingerprints = false,
                       const std::function<void()>& eachFrame = {});

}  // namespace testsupport
