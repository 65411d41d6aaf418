#include "path_search_reference.h"

#include <cmath>
#include <deque>
#include <map>
#include <tuple>

#include "world/item.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace reference {
namespace {

struct Entry {
    int32_t parent, generation;
    CellRef cell;
    int32_t countdown;
    bool expanded;
};

bool Same(const CellRef& a, const CellRef& b) { return a.x == b.x && a.z == b.z && a.layer == b.layer; }

const int32_t kDx[8] = {1, -1, 0, 0, 1, 1, -1, -1};
const int32_t kDz[8] = {0, 0, 1, -1, 1, -1, 1, -1};

// The rule for a step onto a neighbour, shared by both searches here.
bool Step(const PathMap& map, const CellRef& goal, const CellRef& from, CellRef* to) {
    const CellRef ground{to->x, to->z, 0};
    if (!map.IsValidCell(ground)) return false;
    if (!Same(ground, goal)) {
        const PathLayer* l = map.GetLayer(ground);
        if (l->prop || (l->item && ItemGroupOf(l->item) == ITEM_GROUP_TRAP)) return false;
    }
    const float floor = map.GetLayer(from)->floor;
    for (int32_t k = 0; k < map.LayerCount(to->x, to->z); ++k)
        if (std::fabs(map.GetLayer(CellRef{to->x, to->z, k})->floor - floor) < 0.95f) {
            to->layer = k;
            return true;
        }
    return false;
}

class Literal {
public:
    Literal(PathMap& map, const CellRef& goal) : map_(map), goal_(goal) {}

    bool Push(const CellRef& cell) {
        if (int32_t(queue.size()) >= PATH_QUEUE_SIZE || map_.GetMark(cell) == 2) return false;
        int32_t countdown = 0;
        if (map_.HasJump(cell)) {
            CellRef target;
            map_.JumpTarget(&target, cell);
            countdown = int32_t(map_.CellDistance(cell, target)) + 2;
        }
        queue.push_back({parent, generation, cell, countdown, false});
        if (map_.GetMark(cell) == 0) map_.SetMark(cell, 2);
        return true;
    }
    // 0 refused, 1 pushed, 2 pushed and the goal
    int PushAndTell(const CellRef& cell) {
        if (!Push(cell)) return 0;
        return Same(cell, goal_) ? 2 : 1;
    }
    // By value: pushing may move the queue.
    int Neighbours(CellRef cell) {
        bool progress = false;
        for (int k = 0; k < 8; ++k) {
            CellRef to{cell.x + kDx[k], cell.z + kDz[k], 0};
            if (!Step(map_, goal_, cell, &to)) continue;
            const int r = PushAndTell(to);
            if (r == 2) return 2;
            progress = progress || r == 1;
        }
        return progress ? 1 : 0;
    }
    int Portal(CellRef cell) {
        const PortalRecord* p = map_.PortalAt(cell);
        if (p->partner < 0 || p->partner >= PORTAL_COUNT) return 0;
        CellRef to;
        if (!map_.WorldToCell(g_Portals[p->partner].position, &to, 100.0f)) return 0;
        return PushAndTell(to);
    }
    int Round() {
        const size_t n = queue.size();
        bool progress = false;
        for (size_t i = 0; i < n; ++i) {
            parent = int32_t(i);
            generation = queue[i].generation + 1;
            if (!queue[i].expanded) {
                int r = Neighbours(queue[i].cell);
                queue[i].expanded = true;
                if (r == 2) return 2;
                progress = progress || r == 1;
                if (map_.PortalAt(queue[i].cell)) {
                    r = Portal(queue[i].cell);
                    if (r == 2) return 2;
                    progress = progress || r == 1;
                }
            }
            if (queue[i].countdown > 0) {
                if (--queue[i].countdown == 0) {
                    CellRef target;
                    map_.JumpTarget(&target, queue[i].cell);
                    const int r = PushAndTell(target);
                    if (r == 2) return 2;
                    progress = progress || r == 1;
                } else {
                    progress = true;
                }
            }
        }
        return progress ? 1 : 0;
    }

    std::vector<Entry> queue;
    int32_t parent = 0, generation = 0;

private:
    PathMap& map_;
    CellRef goal_;
};

}  // namespace

SearchResult FindPath(const CellRef& start, const CellRef& goal, int32_t capacity) {
    PathMap& map = g_Scenario.pathMap;
    SearchResult out;
    if (!map.IsValidCell(start) || !map.IsValidCell(goal)) return out;
    map.SetMark(start, 3);
    map.SetMark(goal, 4);
    Literal search(map, goal);
    search.Push(start);
    int r = 1;
    while (r == 1 && int32_t(search.queue.size()) < PATH_QUEUE_SIZE) {
        r = search.Round();
        ++out.rounds;
    }
    for (size_t i = search.queue.size(); i-- > 0;) map.SetMark(search.queue[i].cell, 0);
    map.SetMark(goal, 0);
    out.entries = int32_t(search.queue.size());
    if (r != 2) return out;
    const int32_t length = search.queue.back().generation + 1;
    if (length > capacity) return out;
    out.path.assign(size_t(length), CellRef{-1, -1, -1});
    out.path[0] = start;
    for (size_t i = search.queue.size() - 1; i != 0; i = size_t(search.queue[i].parent))
        out.path[size_t(search.queue[i].generation)] = search.queue[i].cell;
    out.found = true;
    return out;
}

int32_t StepDistance(const PathMap& map, const CellRef& start, const CellRef& goal) {
    std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t> seen;
    std::deque<CellRef> open{start};
    seen[{start.x, start.z, start.layer}] = 0;
    while (!open.empty()) {
        const CellRef c = open.front();
        open.pop_front();
        const int32_t d = seen[{c.x, c.z, c.layer}];
        for (int k = 0; k < 8; ++k) {
            CellRef to{c.x + kDx[k], c.z + kDz[k], 0};
            if (!Step(map, goal, c, &to)) continue;
            if (Same(to, goal)) return d + 1;
            if (seen.emplace(std::make_tuple(to.x, to.z, to.layer), d + 1).second) open.push_back(to);
        }
    }
    return -1;
}

}  // namespace reference
