// The path search on maps built in memory: its rules' own cases, portals, the queue's and the
// block's limits, damaged maps that would hold it, and random maps against the searches of
// path_search_reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "path_search_reference.h"
#include "support/path_map_builder.h"
#include "support/random_path_map.h"
#include "world/dynamic_object.h"
#include "world/item.h"
#include "world/path_search.h"
#include "world/scenario.h"

using testsupport::PathMapBuilder;

namespace {

class PathSearchTest : public ::testing::Test {
protected:
    PathMap& map = g_Scenario.pathMap;

    void TearDown() override {
        map.Free();
        ResetPathSearch();
        for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
    }

    // The search into a block of `capacity` points; the path when found.
    bool Find(const CellRef& start, const CellRef& goal, std::vector<CellRef>* path,
              int32_t capacity = PATH_POINTS_MAX) {
        points.assign(size_t(capacity), CellRef{-9, -9, -9});
        length = -9;
        const bool found = g_PathSearch.FindPath(PathBlock{&length, points.data(), capacity}, start, goal);
        if (found && path) path->assign(points.begin(), points.begin() + length);
        return found;
    }

    bool AllMarksFree() const {
        for (const auto& column : map.columns)
            for (const PathCell& cell : column)
                for (const PathLayer& layer : cell.layers)
                    if (layer.mark != PATH_MARK_FREE) return false;
        return true;
    }

    int32_t length = -9;
    std::vector<CellRef> points;
};

TEST_F(PathSearchTest, StartEqualToGoalIsReachedOnlyThroughANeighbour) {
    {
        SCOPED_TRACE("an open 3 x 3 floor: out to (x+1, z) and back");
        PathMapBuilder(3, 3).Area(0, 0, 2, 2, 0.0f).Build(&map);
        std::vector<CellRef> path;
        ASSERT_TRUE(Find({1, 1, 0}, {1, 1, 0}, &path));
        EXPECT_EQ(path, (std::vector<CellRef>{{1, 1, 0}, {2, 1, 0}, {1, 1, 0}}));
        EXPECT_TRUE(AllMarksFree());
    }
    {
        SCOPED_TRACE("a single cell: no neighbour to go through");
        PathMapBuilder(3, 3).Floor(1, 1, 0.0f).Build(&map);
        EXPECT_FALSE(Find({1, 1, 0}, {1, 1, 0}, nullptr));
        EXPECT_EQ(length, -9);
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, OfTwoEqualRoutesTheOneThroughThePlusXNeighbourWins) {
    // (1, 1) missing: around it through (2, 1) or (0, 1), both two steps.
    PathMapBuilder(3, 3).Area(0, 0, 2, 2, 0.0f).Build(&map);
    map.columns[1][1].Resize(0);
    std::vector<CellRef> path;
    ASSERT_TRUE(Find({1, 0, 0}, {1, 2, 0}, &path));
    EXPECT_EQ(path, (std::vector<CellRef>{{1, 0, 0}, {2, 1, 0}, {1, 2, 0}}));
}

TEST_F(PathSearchTest, AJumpLandsTruncatedLengthPlusTwoRoundsAfterItsStartWasQueued) {
    // Centre to centre (5, 1.76, 0): length 5.3006, so 7 rounds of waiting. The start cell and
    // the cell beside it stand alone; the landing is an island.
    struct Case {
        const char* name;
        CellRef start;
        std::vector<CellRef> path;
        int32_t rounds;
    } cases[] = {
        {"the start is the jump", {1, 0, 0}, {{1, 0, 0}, {6, 0, 0}}, 7},
        {"one step to the jump", {0, 0, 0}, {{0, 0, 0}, {1, 0, 0}, {6, 0, 0}}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMapBuilder(8, 1).Floor(0, 0, 0.0f).Floor(1, 0, 0.0f).Floor(6, 0, 1.76f).Jump({1, 0, 0}, {6, 0, 0}).Build(&map);
        std::vector<CellRef> path;
        ASSERT_TRUE(Find(c.start, {6, 0, 0}, &path));
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(g_PathSearch.rounds, c.rounds);
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, AJumpWaitsNoMoreThan258RoundsHoweverLongOrDamagedItIs) {
    // Two cells side by side, too far apart in height to step; the first jumps onto the second.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        float from, to;
        int32_t rounds;
    } cases[] = {
        {"just under the cap: length 255.502", 0.0f, 255.5f, 257},
        {"at the cap: length 256.002", 0.0f, 256.0f, 258},
        {"far past it", 0.0f, 1.0e6f, 258},
        {"too far apart for a float", -3.0e38f, 3.0e38f, 258},
        {"no floor where it lands", 0.0f, nan, 258},
        {"no floor where it starts", nan, 0.0f, 258},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMapBuilder(2, 1).Floor(0, 0, c.from).Floor(1, 0, c.to).Jump({0, 0, 0}, {1, 0, 0}).Build(&map);
        std::vector<CellRef> path;
        ASSERT_TRUE(Find({0, 0, 0}, {1, 0, 0}, &path));
        EXPECT_EQ(path, (std::vector<CellRef>{{0, 0, 0}, {1, 0, 0}}));
        EXPECT_EQ(g_PathSearch.rounds, c.rounds);
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, AJumpOrPortalBackOntoTheStartsOwnFloorLeadsNowhereAndTheSearchEnds) {
    // A 4 x 3 floor and, past a gap, a cell of its own. The start keeps its mark while it is
    // queued, so a way from it back onto itself would queue it again without end; the search
    // must come out as on the map without that way.
    const CellRef start{1, 1, 0};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        CellRef goal;
        float startFloor;
        bool selfJump, selfPortal;
        bool jumpsOntoStart;   // every cell of the first row jumps onto the start
    } cases[] = {
        {"no floor and a jump onto itself, as fuzzed", {3, 2, 0}, nan, true, false, false},
        {"a jump onto itself, no way to the goal", {5, 1, 0}, 0.0f, true, false, false},
        {"a jump onto itself, the goal near", {3, 2, 0}, 0.0f, true, false, false},
        {"a portal onto itself, no way to the goal", {5, 1, 0}, 0.0f, false, true, false},
        {"a portal onto itself, the goal near", {3, 2, 0}, 0.0f, false, true, false},
        {"both", {5, 1, 0}, 0.0f, true, true, false},
        {"jumps that do not answer, all onto the start", {5, 1, 0}, 0.0f, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The map as it should be searched, and what the search's rules give on it.
        const auto build = [&](bool damaged) {
            PathMapBuilder b(6, 3);
            for (int32_t x = 0; x < 4; ++x)
                for (int32_t z = 0; z < 3; ++z)
                    b.Floor(x, z, x == start.x && z == start.z ? c.startFloor : 0.0f);
            b.Floor(5, 1, 0.0f);
            if (c.jumpsOntoStart)
                for (int32_t x = 0; x < 4; ++x) b.Jump({x, 0, 0}, start);
            if (damaged && c.selfJump) b.Jump(start, start);
            b.Build(&map);
            for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
            if (damaged && c.selfPortal) {
                g_Portals[0] = PortalRecord{1, 0, 1, {1.5f, 0.0f, 1.5f}, {0, 0, 1}};
                g_Portals[1] = PortalRecord{1, 1, 0, {1.5f, 0.0f, 1.5f}, {0, 0, 1}};
                testsupport::PutPortal(&map, start, &g_Portals[0]);
            }
        };
        build(false);
        const reference::SearchResult want = reference::FindPath(start, c.goal, PATH_POINTS_MAX);
        build(true);
        std::vector<CellRef> path;
        EXPECT_EQ(Find(start, c.goal, &path), want.found);
        EXPECT_EQ(path, want.path);
        EXPECT_EQ(g_PathSearch.count, want.entries);
        EXPECT_EQ(g_PathSearch.rounds, want.rounds);
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, AStepChangesHeightByLessThan095EitherWay) {
    // Two cells side by side; the second one's floor is the case's rise above the first.
    struct Case {
        float rise;
        bool found;
    } cases[] = {{0.9f, true}, {0.95f, false}, {-0.9f, true}, {-0.95f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rise);
        PathMapBuilder(2, 1).Floor(0, 0, 0.0f).Floor(1, 0, c.rise).Build(&map);
        std::vector<CellRef> path;
        EXPECT_EQ(Find({0, 0, 0}, {1, 0, 0}, &path), c.found);
        if (c.found) {
            EXPECT_EQ(path, (std::vector<CellRef>{{0, 0, 0}, {1, 0, 0}}));
        }
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, APropOnTheLowestLayerClosesTheWholeCellExceptAsThatLayersGoal) {
    // Ground at 0 along a 5 x 1 strip, a bridge at 3 over cells 1..3.
    DynamicObject prop;
    struct Case {
        const char* name;
        CellRef propAt;   // layer -1: no prop
        CellRef start, goal;
        int32_t length;   // 0: not found
    } cases[] = {
        {"no prop", {2, 0, -1}, {0, 0, 0}, {4, 0, 0}, 5},
        {"prop on the way", {2, 0, 0}, {0, 0, 0}, {4, 0, 0}, 0},
        {"prop on the goal", {2, 0, 0}, {0, 0, 0}, {2, 0, 0}, 3},
        {"prop under the bridge closes the bridge", {2, 0, 0}, {1, 0, 1}, {3, 0, 1}, 0},
        {"the goal on the bridge over the prop is refused too", {2, 0, 0}, {1, 0, 1}, {2, 0, 1}, 0},
        {"prop on the bridge itself does not count", {2, 0, 1}, {1, 0, 1}, {3, 0, 1}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMapBuilder b(5, 1);
        b.Area(0, 0, 4, 0, 0.0f);
        for (int32_t x = 1; x <= 3; ++x) b.Floor(x, 0, 3.0f);
        b.Build(&map);
        if (c.propAt.layer >= 0) testsupport::PutProp(&map, c.propAt, &prop);
        std::vector<CellRef> path;
        EXPECT_EQ(Find(c.start, c.goal, &path), c.length > 0);
        EXPECT_EQ(int32_t(path.size()), c.length);
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, ATrapItemClosesItsCellExceptAsTheGoalAndOtherItemsDoNot) {
    // Ground at 0 along a 5 x 1 strip; one item on (2, 0).
    struct Case {
        const char* name;
        int type;
        CellRef goal;
        int32_t length;   // 0: not found
    } cases[] = {
        {"a bomb on the way", ITEM_BOMB, {4, 0, 0}, 0},
        {"paralysis on the way", 16, {4, 0, 0}, 0},
        {"a bomb on the goal", ITEM_BOMB, {2, 0, 0}, 3},
        {"a potion on the way", 3, {4, 0, 0}, 5},
        {"credits on the way", 21, {4, 0, 0}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMapBuilder(5, 1).Area(0, 0, 4, 0, 0.0f).Build(&map);
        Item item;
        item.type = c.type;
        testsupport::PutItem(&map, {2, 0, 0}, &item);
        std::vector<CellRef> path;
        EXPECT_EQ(Find({0, 0, 0}, c.goal, &path), c.length > 0);
        EXPECT_EQ(int32_t(path.size()), c.length);
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, PortalsLeadToTheirPartnersCellAndNowhereWithout) {
    // Two 3 x 3 floors with nothing between; a portal at (1, 1) on the left one.
    struct Case {
        const char* name;
        int32_t partner;
        Vec3 partnerAt;
        bool found;
    } cases[] = {
        {"paired", 1, {7.5f, 0.0f, 1.5f}, true},
        {"no partner", -1, {7.5f, 0.0f, 1.5f}, false},
        {"partner index past the records", PORTAL_COUNT, {7.5f, 0.0f, 1.5f}, false},
        {"partner off the map", 1, {40.0f, 0.0f, 1.5f}, false},
        {"partner over a gap", 1, {4.5f, 0.0f, 1.5f}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMapBuilder(9, 3).Area(0, 0, 2, 2, 0.0f).Area(6, 0, 8, 2, 0.0f).Build(&map);
        g_Portals[0] = PortalRecord{1, 0, c.partner, {1.5f, 0.0f, 1.5f}, {0, 0, 1}};
        g_Portals[1] = PortalRecord{1, 1, 0, c.partnerAt, {0, 0, 1}};
        testsupport::PutPortal(&map, {1, 1, 0}, &g_Portals[0]);
        std::vector<CellRef> path;
        EXPECT_EQ(Find({0, 1, 0}, {8, 1, 0}, &path), c.found);
        if (c.found) {
            EXPECT_EQ(path, (std::vector<CellRef>{{0, 1, 0}, {1, 1, 0}, {7, 1, 0}, {8, 1, 0}}));
        }
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, EndsThatAreNoCellOfTheMapAreRefusedWithNothingMarked) {
    PathMapBuilder(3, 3).Area(0, 0, 2, 2, 0.0f).Floor(2, 2, 3.0f).Build(&map);
    const CellRef good{0, 0, 0};
    for (const CellRef& bad : {CellRef{3, 0, 0}, CellRef{-1, 0, 0}, CellRef{0, 3, 0}, CellRef{0, 0, 1},
                               CellRef{2, 2, 2}, CellRef{0, 0, -1}}) {
        SCOPED_TRACE(testing::Message() << bad);
        EXPECT_FALSE(Find(good, bad, nullptr));
        EXPECT_FALSE(Find(bad, good, nullptr));
        EXPECT_EQ(length, -9);
        EXPECT_EQ(points[0], (CellRef{-9, -9, -9}));
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, AFailedSearchLeavesEveryMarkFreeTheGoalsToo) {
    PathMapBuilder(6, 1).Area(0, 0, 1, 0, 0.0f).Area(4, 0, 5, 0, 0.0f).Build(&map);
    EXPECT_FALSE(Find({0, 0, 0}, {5, 0, 0}, nullptr));
    EXPECT_TRUE(AllMarksFree());
}

TEST_F(PathSearchTest, AFullQueueFailsTheSearchAndFreesEveryMark) {
    // The goal is 499 rounds away; 200000 cells lie closer.
    PathMapBuilder(500, 500).Area(0, 0, 499, 499, 0.0f).Build(&map);
    EXPECT_FALSE(Find({0, 0, 0}, {499, 499, 0}, nullptr));
    EXPECT_EQ(g_PathSearch.count, PATH_QUEUE_SIZE);
    EXPECT_TRUE(AllMarksFree());
}

TEST_F(PathSearchTest, APathLongerThanTheBlockFailsWithoutWritingPastIt) {
    PathMapBuilder(1600, 1).Area(0, 0, 1599, 0, 0.0f).Build(&map);
    struct Case {
        int32_t goalX, capacity;
        bool found;
    } cases[] = {{1599, 1500, false}, {1500, 1500, false}, {1499, 1500, true}, {1599, 1600, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "to " << c.goalX << " in " << c.capacity);
        // Room behind the block, which must stay as it was.
        points.assign(size_t(c.capacity) + 10, CellRef{-9, -9, -9});
        length = -9;
        const bool found = g_PathSearch.FindPath(PathBlock{&length, points.data(), c.capacity}, {0, 0, 0}, {c.goalX, 0, 0});
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(length, c.found ? c.goalX + 1 : -9);
        for (int32_t k = 0; k < int32_t(points.size()); ++k) {
            const CellRef want = c.found && k <= c.goalX ? CellRef{k, 0, 0} : k == 0 ? CellRef{0, 0, 0} : CellRef{-9, -9, -9};
            if (!(points[size_t(k)] == want)) {
                ADD_FAILURE() << "point " << k << " is " << points[size_t(k)];
                break;
            }
        }
        EXPECT_TRUE(AllMarksFree());
    }
}

TEST_F(PathSearchTest, AGoalWhosePushIsRefusedDoesNotEndTheSearch) {
    PathMapBuilder(2, 1).Area(0, 0, 1, 0, 0.0f).Build(&map);
    g_PathSearch.goal = CellRef{1, 0, 0};
    g_PathSearch.count = PATH_QUEUE_SIZE;
    EXPECT_EQ(g_PathSearch.ExpandNeighbours({0, 0, 0}), 0) << "queue full: nothing queued, no goal";
    g_PathSearch.count = 0;
    EXPECT_EQ(g_PathSearch.ExpandNeighbours({0, 0, 0}), 2);
    EXPECT_EQ(g_PathQueue[0].cell, (CellRef{1, 0, 0}));
}

// Each step goes to one of the eight neighbours and changes height by less than 0.95.
void ExpectWalkable(const PathMap& map, const std::vector<CellRef>& path) {
    for (size_t k = 1; k < path.size(); ++k) {
        const CellRef& a = path[k - 1];
        const CellRef& b = path[k];
        const int32_t dx = std::abs(a.x - b.x), dz = std::abs(a.z - b.z);
        EXPECT_TRUE(dx <= 1 && dz <= 1 && dx + dz > 0) << a << " -> " << b;
        EXPECT_LT(std::fabs(map.GetLayer(a)->floor - map.GetLayer(b)->floor), 0.95f) << a << " -> " << b;
    }
}

CellRef Pick(const PathMap& map, uint32_t* state) {
    for (;;) {
        *state = *state * 1664525u + 1013904223u;
        const int32_t x = int32_t((*state >> 8) % uint32_t(map.cols));
        *state = *state * 1664525u + 1013904223u;
        const int32_t z = int32_t((*state >> 8) % uint32_t(map.rows));
        const int32_t n = map.LayerCount(x, z);
        if (n > 0) return CellRef{x, z, int32_t((*state >> 20) % uint32_t(n))};
    }
}

TEST_F(PathSearchTest, WithoutJumpsOrPortalsThePathIsAShortestWalk) {
    testsupport::RandomMapOptions options;
    options.jumps = 0;
    options.portalPairs = 0;
    int found = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        std::vector<testsupport::PortalSpot> portals;
        testsupport::GenerateRandomMap(seed, options, &map, &portals);
        uint32_t state = seed;
        for (int pair = 0; pair < 10; ++pair) {
            const CellRef a = Pick(map, &state), b = Pick(map, &state);
            if (a == b) continue;
            SCOPED_TRACE(testing::Message() << "seed " << seed << " " << a << " -> " << b);
            const int32_t steps = reference::StepDistance(map, a, b);
            std::vector<CellRef> path;
            ASSERT_EQ(Find(a, b, &path), steps >= 0);
            if (steps < 0) continue;
            ++found;
            EXPECT_EQ(int32_t(path.size()), steps + 1);
            EXPECT_EQ(path.front(), a);
            EXPECT_EQ(path.back(), b);
            ExpectWalkable(map, path);
        }
        EXPECT_TRUE(AllMarksFree());
    }
    EXPECT_GT(found, 40) << "the maps should mostly connect";
}

TEST_F(PathSearchTest, MatchesTheLiteralSearchOnMapsWithJumpsAndPortals) {
    testsupport::RandomMapOptions options;
    options.jumps = 30;
    options.portalPairs = 4;
    int found = 0, leaps = 0;
    for (uint32_t seed = 100; seed < 110; ++seed) {
        std::vector<testsupport::PortalSpot> portals;
        testsupport::GenerateRandomMap(seed, options, &map, &portals);
        testsupport::InstallPortals(&map, portals);
        uint32_t state = seed;
        for (int pair = 0; pair < 8; ++pair) {
            const CellRef a = Pick(map, &state), b = Pick(map, &state);
            SCOPED_TRACE(testing::Message() << "seed " << seed << " " << a << " -> " << b);
            const reference::SearchResult want = reference::FindPath(a, b, PATH_POINTS_MAX);
            std::vector<CellRef> path;
            ASSERT_EQ(Find(a, b, &path), want.found);
            EXPECT_EQ(path, want.path);
            EXPECT_EQ(g_PathSearch.count, want.entries);
            EXPECT_EQ(g_PathSearch.rounds, want.rounds);
            found += want.found;
            for (size_t k = 1; k < path.size(); ++k)
                leaps += std::abs(path[k].x - path[k - 1].x) > 1 || std::abs(path[k].z - path[k - 1].z) > 1;
        }
        EXPECT_TRUE(AllMarksFree());
    }
    EXPECT_GT(found, 30);
    EXPECT_GT(leaps, 10) << "jumps and portals should be on many of the paths";
}

}  // namespace
