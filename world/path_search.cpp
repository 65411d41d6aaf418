#include "world/path_search.h"

#include <cmath>
#include <cstring>

#include "world/item.h"
#include "world/scenario.h"

PathSearchEntry g_PathQueue[PATH_QUEUE_SIZE];
PathSearch g_PathSearch;

namespace {

constexpr float kStepHeight = 0.95f;
constexpr float kPortalTolerance = 100.0f;
// No jump the builder makes is longer than 22. A damaged map's endless jump waits this long at
// most, so a search whose every entry waits in turn still ends within 200000 x 259 rounds, a
// fraction of a second.
constexpr float kLongestJumpWait = 256.0f;

constexpr int32_t kNeighbourX[8] = {1, -1, 0, 0, 1, 1, -1, -1};
constexpr int32_t kNeighbourZ[8] = {0, 0, 1, -1, 1, -1, 1, -1};

PathMap& Map() { return g_Scenario.pathMap; }

bool Same(const CellRef& a, const CellRef& b) { return a.x == b.x && a.z == b.z && a.layer == b.layer; }

}  // namespace

PathSearch::PathSearch()
    : parent(0),
      generation(0),
      count(0),
      rounds(0),
      start{},
      goal{},
      block{},
      fresh_(0),
      waitingCount_(0),
      searching_(false),
      closedRows_(0) {}

void PathSearch::Reset() {
    parent = generation = count = rounds = 0;
    start = goal = CellRef{};
    block = PathBlock{};
    fresh_ = waitingCount_ = 0;
    searching_ = false;
    closedRows_ = 0;
    closed_.clear();
    closed_.shrink_to_fit();
    closedList_.clear();
    closedList_.shrink_to_fit();
}

void ResetPathSearch() {
    g_PathSearch.Reset();
    std::memset(static_cast<void*>(g_PathQueue), 0, sizeof g_PathQueue);
}

bool PathSearch::FindPath(const PathBlock& out, const CellRef& from, const CellRef& to) {
    PathMap& map = Map();
    rounds = 0;
    count = 0;
    if (!out.length || !out.points || !map.IsValidCell(from) || !map.IsValidCell(to)) return false;
    block = out;
    start = from;
    goal = to;
    map.SetMark(start, PATH_MARK_START);
    map.SetMark(goal, PATH_MARK_GOAL);
    parent = generation = 0;
    fresh_ = waitingCount_ = 0;
    if (block.capacity > 0) block.points[0] = start;
    const size_t cells = size_t(map.cols) * size_t(map.rows);
    if (closed_.size() != cells) closed_.assign(cells, 0);
    closedRows_ = map.rows;
    searching_ = true;
    Push(start);

    int result = 1;
    while (result == 1 && count < PATH_QUEUE_SIZE) result = ExpandRound();

    searching_ = false;
    for (int32_t index : closedList_) closed_[size_t(index)] = 0;
    closedList_.clear();
    for (int32_t i = count - 1; i >= 0; --i) found_[i].layer->mark = PATH_MARK_FREE;
    // A goal never queued would keep its mark.
    map.SetMark(goal, PATH_MARK_FREE);
    return result == 2 && WritePath();
}

void PathSearch::Close(int32_t x, int32_t z) {
    if (!searching_) return;
    const size_t index = size_t(x) * size_t(closedRows_) + size_t(z);
    if (closed_[index]) return;
    closed_[index] = 1;
    closedList_.push_back(int32_t(index));
}

bool PathSearch::StepAllowed(const CellRef& from, CellRef* to) const {
    const PathMap& map = Map();
    if (!map.IsValidCell(from)) return false;
    return Step(map.GetLayer(from)->floor, to) == kAllowed;
}

PathSearch::StepResult PathSearch::Step(float floor, CellRef* to) const {
    const PathMap& map = Map();
    if (!map.InBounds(to->x, to->z)) return kRefused;
    const PathCell& cell = map.columns[size_t(to->x)][size_t(to->z)];
    if (cell.layerCount <= 0) return kNeverAllowed;
    // Traps and props count on the lowest floor whichever floor is taken.
    if (!Same(CellRef{to->x, to->z, 0}, goal)) {
        const PathLayer& bottom = cell.layers[0];
        if (bottom.prop) return kNeverAllowed;
        if (bottom.item && ItemGroupOf(bottom.item) == ITEM_GROUP_TRAP) return kNeverAllowed;
    }
    for (int32_t k = 0; k < cell.layerCount; ++k) {
        if (std::fabs(cell.layers[size_t(k)].floor - floor) < kStepHeight) {
            to->layer = k;
            return kAllowed;
        }
    }
    return kRefused;
}

bool PathSearch::Push(const CellRef& cell) {
    if (count >= PATH_QUEUE_SIZE) return false;
    PathMap& map = Map();
    PathLayer* layer = map.GetLayer(cell);
    if (layer->mark == PATH_MARK_QUEUED) return false;
    int32_t countdown = 0;
    // A jump onto its own floor is none: each landing would queue the start again.
    if (layer->jumpStart && !Same(layer->jumpTarget, cell)) {
        float length = map.CellDistance(cell, layer->jumpTarget);
        if (!(length < kLongestJumpWait)) length = kLongestJumpWait;
        countdown = int32_t(length) + 2;
    }
    g_PathQueue[count] = PathSearchEntry{parent, generation, cell, countdown, 0};
    found_[count] = Found{layer, layer->floor, layer->portal != nullptr};
    ++count;
    if (layer->mark == PATH_MARK_FREE) {
        layer->mark = PATH_MARK_QUEUED;
        const PathCell& c = map.columns[size_t(cell.x)][size_t(cell.z)];
        bool full = true;
        for (const PathLayer& l : c.layers) full = full && l.mark == PATH_MARK_QUEUED;
        if (full) Close(cell.x, cell.z);
    }
    return true;
}

int PathSearch::Countdown(int32_t index, bool* progress) {
    PathSearchEntry& entry = g_PathQueue[index];
    if (entry.countdown <= 0) return 0;
    if (--entry.countdown > 0) {
        *progress = true;
        return 1;
    }
    const int r = StepJump(entry.cell);
    if (r == 1) *progress = true;
    return r;
}

int PathSearch::ExpandRound() {
    const int32_t n = count;
    bool progress = false;
    ++rounds;
    // Entries expanded in earlier rounds come first in the queue; of them only the ones waiting
    // for a jump have anything to do.
    const int32_t waited = waitingCount_;
    waitingCount_ = 0;
    for (int32_t w = 0; w < waited; ++w) {
        const int32_t i = waiting_[w];
        parent = i;
        generation = g_PathQueue[i].generation + 1;
        if (Countdown(i, &progress) == 2) return 2;
        if (g_PathQueue[i].countdown > 0) waiting_[waitingCount_++] = i;
    }
    for (int32_t i = fresh_; i < n; ++i) {
        if (i + 8 < n) PrefetchAround(g_PathQueue[i + 8].cell);
        PathSearchEntry& entry = g_PathQueue[i];
        parent = i;
        generation = entry.generation + 1;
        int r = ExpandFrom(entry.cell, found_[i].floor);
        entry.expanded = 1;
        if (r == 2) return 2;
        if (r == 1) progress = true;
        if (found_[i].portal) {
            r = StepPortal(entry.cell);
            if (r == 2) return 2;
            if (r == 1) progress = true;
        }
        if (Countdown(i, &progress) == 2) return 2;
        if (entry.countdown > 0) waiting_[waitingCount_++] = i;
    }
    fresh_ = n;
    return progress ? 1 : 0;
}

int PathSearch::ExpandNeighbours(const CellRef& cell) { return ExpandFrom(cell, Map().GetLayer(cell)->floor); }

void PathSearch::PrefetchAround(const CellRef& cell) const {
    const PathMap& map = Map();
    for (int32_t x = cell.x - 1; x <= cell.x + 1; ++x) {
        if (x < 0 || x >= map.cols) continue;
        const PathCell* column = map.columns[size_t(x)].data();
        const int32_t z0 = cell.z > 0 ? cell.z - 1 : 0, z1 = cell.z + 1 < map.rows ? cell.z + 1 : map.rows - 1;
        __builtin_prefetch(column + z0);
        __builtin_prefetch(reinterpret_cast<const char*>(column + z1 + 1) - 1);
    }
}

int PathSearch::ExpandFrom(const CellRef& cell, float floor) {
    const PathMap& map = Map();
    // The open neighbours first, their records fetched together rather than one after another.
    // Pushing one neighbour closes no other, so the order of the rule is kept.
    int open[8];
    int opened = 0;
    for (int k = 0; k < 8; ++k) {
        const int32_t x = cell.x + kNeighbourX[k], z = cell.z + kNeighbourZ[k];
        if (!map.InBounds(x, z) || IsClosed(x, z)) continue;
        open[opened++] = k;
        __builtin_prefetch(&map.columns[size_t(x)][size_t(z)]);
    }
    for (int n = 0; n < opened; ++n) {
        const PathCell& c = map.columns[size_t(cell.x + kNeighbourX[open[n]])][size_t(cell.z + kNeighbourZ[open[n]])];
        __builtin_prefetch(c.layers.data());
    }
    bool progress = false;
    for (int n = 0; n < opened; ++n) {
        CellRef to{cell.x + kNeighbourX[open[n]], cell.z + kNeighbourZ[open[n]], 0};
        const StepResult step = Step(floor, &to);
        if (step == kNeverAllowed) Close(to.x, to.z);
        if (step != kAllowed) continue;
        // Only a goal that is really queued ends the search: the path is traced from the last entry.
        if (!Push(to)) continue;
        progress = true;
        if (Same(to, goal)) return 2;
    }
    return progress ? 1 : 0;
}

int PathSearch::StepJump(const CellRef& cell) {
    PathMap& map = Map();
    CellRef target;
    map.JumpTarget(&target, cell);
    if (!map.IsValidCell(target) || !Push(target)) return 0;
    return Same(target, goal) ? 2 : 1;
}

int PathSearch::StepPortal(const CellRef& cell) {
    PathMap& map = Map();
    const PortalRecord* portal = map.PortalAt(cell);
    if (!portal || portal->partner < 0 || portal->partner >= PORTAL_COUNT) return 0;
    CellRef target{};
    if (!map.WorldToCell(g_Portals[portal->partner].position, &target, kPortalTolerance)) return 0;
    // Back onto its own floor it would queue the start again in every round.
    if (Same(target, cell) || !Push(target)) return 0;
    return Same(target, goal) ? 2 : 1;
}

bool PathSearch::WritePath() {
    if (count <= 0) return false;
    const int32_t length = g_PathQueue[count - 1].generation + 1;
    // A cut path would walk its owner somewhere else.
    if (length >= PATH_QUEUE_SIZE || length > block.capacity) return false;
    *block.length = length;
    for (int32_t i = count - 1; i != 0; i = g_PathQueue[i].parent)
        block.points[g_PathQueue[i].generation] = g_PathQueue[i].cell;
    return true;
}
