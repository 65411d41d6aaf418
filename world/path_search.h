// Path search over the scenario's path map: a breadth-first wavefront over the eight neighbouring
// cells that takes jump links after a delay by their length and steps through portals. One
// search at a time, on the main thread.
#pragma once

#include <cstdint>
#include <vector>

#include "world/path_map.h"

constexpr int32_t PATH_QUEUE_SIZE = 200000;

struct PathSearchEntry {
    int32_t parent;         // the entry this one was reached from
    int32_t generation;     // steps from the start
    CellRef cell;
    int32_t countdown;      // rounds left before this cell's jump lands; 0 when it has none
    uint8_t expanded;
};

// The one queue of the path search and of the builder's sector flood fill, which never run at
// the same time.
extern PathSearchEntry g_PathQueue[PATH_QUEUE_SIZE];

class PathSearch {
public:
    int32_t parent;         // entry being expanded
    int32_t generation;     // given to the entries pushed now
    int32_t count;          // queued entries (of the last search, once it has ended)
    int32_t rounds;         // rounds run by the last search
    CellRef start;
    CellRef goal;
    PathBlock block;        // where the path goes

    PathSearch();
    PathSearch(const PathSearch&) = delete;
    PathSearch& operator=(const PathSearch&) = delete;

    // A route on the scenario's map from start to goal, written into the block: its length and
    // the points, point k being the cell reached after k steps. False (the block's length kept)
    // when either end is no valid cell, no route is found within the queue, or the route has
    // more points than the block holds. Every mark is 0 again afterwards. A jump lands
    // trunc(length) + 2 rounds after its start was queued, 258 at most; a jump or portal back
    // onto its own floor leads nowhere.
    bool FindPath(const PathBlock& block, const CellRef& start, const CellRef& goal);
    // Whether a step from one cell onto a neighbouring cell is allowed; its layer is chosen here.
    bool StepAllowed(const CellRef& from, CellRef* to) const;

    // The parts of a search; 0 nothing pushed, 1 something pushed (or a jump still waiting),
    // 2 the goal was queued.
    bool Push(const CellRef& cell);
    int ExpandRound();
    int ExpandNeighbours(const CellRef& cell);
    int StepJump(const CellRef& cell);
    int StepPortal(const CellRef& cell);
    bool WritePath();

    // Back to the start state (tests).
    void Reset();

private:
    enum StepResult { kRefused, kAllowed, kNeverAllowed };
    // The step rule from a floor height; kNeverAllowed when no step onto the cell can be allowed
    // for the rest of the search (no floor, or a trap or prop on its lowest one).
    StepResult Step(float floor, CellRef* to) const;
    int Countdown(int32_t index, bool* progress);
    int ExpandFrom(const CellRef& cell, float floor);
    void PrefetchAround(const CellRef& cell) const;
    // A cell nothing more can be pushed onto (every floor queued, or never allowed) is not looked
    // at again in this search: the map's records lie far apart in memory, a byte per cell does not.
    bool IsClosed(int32_t x, int32_t z) const {
        return searching_ && closed_[size_t(x) * size_t(closedRows_) + size_t(z)];
    }
    void Close(int32_t x, int32_t z);

    // A round visits only entries with something left to do: the ones queued by the round before
    // and the ones waiting for a jump to land, in queue order, so the result is that of a visit
    // of every entry.
    int32_t fresh_;                         // first entry not yet expanded
    int32_t waitingCount_;
    int32_t waiting_[PATH_QUEUE_SIZE];      // expanded entries whose jump has not landed, in order
    // What a round needs of each entry's layer, taken while the layer is at hand in Push.
    struct Found {
        PathLayer* layer;
        float floor;
        bool portal;
    };
    Found found_[PATH_QUEUE_SIZE];
    bool searching_;
    int32_t closedRows_;
    std::vector<uint8_t> closed_;           // per cell, x major; all 0 between searches
    std::vector<int32_t> closedList_;       // what to clear when the search ends
};

extern PathSearch g_PathSearch;
// The search and its queue as at start-up.
void ResetPathSearch();
