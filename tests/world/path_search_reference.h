// Searches written for the tests only: the path search exactly as its rules read (every queued
// entry visited in every round), and a plain breadth-first distance under the same step rule.
#pragma once

#include <cstdint>
#include <vector>

#include "world/path_map.h"

namespace reference {

struct SearchResult {
    bool found = false;
    std::vector<CellRef> path;
    int32_t entries = 0;   // queued in all
    int32_t rounds = 0;
};

// On the scenario's map and portal records, with a block of `capacity` points.
SearchResult FindPath(const CellRef& start, const CellRef& goal, int32_t capacity);

// Fewest steps from start to goal over neighbour steps alone; -1 when there is no way.
int32_t StepDistance(const PathMap& map, const CellRef& start, const CellRef& goal);

}  // namespace reference
