// What must hold after every frame of a match, whatever the fighters do: finite motion, a
// consistent path-map occupancy, records that are whole exactly while active, one timed state
// at most, meters inside their bounds, paths inside their buffer, attached effects in the pool,
// a match state that ends once, goal counters that never fall, and a result block that agrees
// with the match and adds up per side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effects/effect_slots.h"

namespace testsupport {

class MatchInvariants {
public:
    // The failures of this frame, each a line of text; empty when everything holds. The
    // counters that only grow and the pool's slots are compared with the previous frame's; a
    // turn that ran no frame (it handled a window message) is not checked.
    std::vector<std::string> Check();
    // A new match: nothing remembered.
    void Forget();

private:
    bool seen_ = false;
    uint32_t frameTime_ = 0;
    bool ended_ = false;
    int32_t state_ = 0;
    int32_t captures_[2] = {}, passed_[2] = {}, found_[2] = {};
    uint32_t curse_[2] = {};
    bool inUse_[EFFECT_SLOT_COUNT] = {};
};

}  // namespace testsupport
