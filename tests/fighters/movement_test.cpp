// Movement on path maps built in memory: the nearest reachable cell, goal requests and their
// waits, the search's outcome in the record and the statistics, straight walks and shortening,
// and path following. The fighter is a bare record placed on a cell by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/clocks.h"
#include "fighters/character.h"
#include "fighters/movement.h"
#include "support/fighter_kit.h"
#include "support/path_map_builder.h"
#include "world/item.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace {

using testsupport::PathMapBuilder;

constexpr uint32_t kNow = 100000;

class MovementTest : public ::testing::Test {
protected:
    PathMap& map = g_Scenario.pathMap;
    Character& c = g_Characters[0];

    void SetUp() override {
        ResetCharacters();
        ResetPathSearchStats();
        g_Scenario.number = 1;
        SetTime(kNow);
        testsupport::Recorder().Clear();
        testsupport::InstallFighterRecorders();
    }
    void TearDown() override {
        testsupport::RemoveFighterRecorders();
        ResetCharacters();
        ResetScenario();
        ResetPathSearch();
        ResetPathSearchStats();
        g_Clocks = ClockSet();
    }

    static void SetTime(uint32_t t) {
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = t;
    }
    // The fighter standing at the cell's centre.
    void Place(Character& f, const CellRef& cell) {
        f.currentCell = cell;
        map.CellToWorld(&f.position, cell);
    }
    std::vector<CellRef> Path() const { return std::vector<CellRef>(c.pathPoints, c.pathPoints + c.pathLength); }
    void SetPath(const std::vector<CellRef>& points) {
        c.pathLength = int32_t(points.size());
        for (size_t i = 0; i < points.size(); ++i) c.pathPoints[i] = points[i];
    }
    // Following the path from its first point toward its last.
    void Follow(const std::vector<CellRef>& points) {
        SetPath(points);
        c.following = 1;
        c.moveMode = MOVE_FOLLOWING;
        c.pathIndex = 0;
        c.SetTargetCell(points.front());
        c.SetFinalCell(points.back());
    }
};

TEST_F(MovementTest, TheNearestReachableCellIsTheFirstOfTheInnermostRingAndNeverTheCentre) {
    // Around the centre (3, 3), in scan order: (2, 2) in an isolated sector, (3, 2) nine units up,
    // (4, 2) in a sector that sector 0 does not reach, then (4, 3) and (2, 4); (1, 1) in ring 2.
    PathMapBuilder(7, 7)
        .Floor(3, 3, 0.0f)
        .Floor(2, 2, 0.0f, 1)
        .Isolated(1)
        .Floor(3, 2, 9.0f)
        .Floor(4, 2, 0.0f, 2)
        .Floor(4, 3, 0.0f)
        .Floor(2, 4, 0.0f)
        .Floor(1, 1, 0.0f)
        .Floor(6, 6, 0.0f)
        .Build(&map);
    const struct {
        const char* name;
        CellRef centre;
        float height;
        int rings;
        bool found;
        CellRef cell;
    } cases[] = {
        {"the first reachable cell of ring 1", {3, 3, 0}, 0.0f, 2, true, {4, 3, 0}},
        {"a floor within the height tolerance comes first", {3, 3, 0}, 8.0f, 2, true, {3, 2, 0}},
        {"one ring holds only the centre", {3, 3, 0}, 0.0f, 1, false, {}},
        {"no ring at all", {3, 3, 0}, 0.0f, 0, false, {}},
        {"columns off the grid are passed over", {0, 0, -1}, 0.0f, 2, true, {1, 1, 0}},
        {"nothing reachable within the rings", {6, 0, 0}, 0.0f, 3, false, {}},
        {"ring 2 when ring 1 has nothing", {4, 5, 0}, 0.0f, 3, true, {3, 3, 0}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Place(c, {3, 3, 0});
        c.position.y = t.height;
        CellRef out{-9, -9, -9};
        EXPECT_EQ(c.FindReachableCell(t.centre, &out, t.rings, 5.0f), t.found);
        if (t.found) {
            EXPECT_EQ(out, t.cell);
        }
    }
    EXPECT_FALSE(c.FindReachableCell({3, 3, 0}, nullptr, 2, 5.0f));
}

TEST_F(MovementTest, ARequestWaitsAfterTheLastSearchByWhatLiesOnItsGoal) {
    PathMapBuilder(10, 3).Area(0, 0, 9, 2, 0.0f).Build(&map);
    Character other;
    Item item;
    const struct {
        const char* name;
        bool fighter, item;
        uint32_t wait;
    } cases[] = {
        {"a fighter on the goal", true, true, 800},
        {"an item on the goal", false, true, 200},
        {"nothing on the goal", false, false, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const CellRef goal{8, 1, 0};
        testsupport::PutCharacter(&map, goal, t.fighter ? &other : nullptr);
        testsupport::PutItem(&map, goal, t.item ? &item : nullptr);
        c = Character();
        Place(c, {1, 1, 0});
        c.lastRequestTime = kNow - t.wait + 1;
        ASSERT_TRUE(c.MoveToCell(goal, false));
        if (t.wait > 0) {
            EXPECT_FALSE(c.ServePathRequest());
            EXPECT_EQ(c.pathRequested, 1);
            EXPECT_EQ(c.following, 0);
        }
        SetTime(kNow + 1);
        EXPECT_TRUE(c.ServePathRequest());
        EXPECT_EQ(c.pathRequested, 0);
        EXPECT_EQ(c.lastRequestTime, kNow + 1);
        // The straight path from the second point on, followed from now.
        EXPECT_EQ(Path(), (std::vector<CellRef>{{1, 1, 0}, goal}));
        EXPECT_EQ(c.pathIndex, 1);
        EXPECT_EQ(c.targetCell, goal);
        EXPECT_EQ(c.moveMode, MOVE_FOLLOWING);
        EXPECT_EQ(c.pathStartTimes[1], kNow + 1);
        SetTime(kNow);
    }
}

TEST_F(MovementTest, AGoalEqualToTheCurrentCellIsWalkedToItsCentre) {
    PathMapBuilder(5, 5).Area(0, 0, 4, 4, 0.0f).Build(&map);
    Place(c, {2, 2, 0});
    c.position.x += 0.45f;
    ASSERT_TRUE(c.MoveToCell(c.currentCell, false));
    ASSERT_TRUE(c.ServePathRequest());
    EXPECT_EQ(c.pathLength, 1);
    EXPECT_EQ(c.pathIndex, 0);
    EXPECT_EQ(c.targetCell, (CellRef{2, 2, 0}));

    c.position.x = 2.5f + 0.6f;
    c.StepToward();
    EXPECT_EQ(c.following, 1);
    c.position.x = 2.5f + 0.4f;
    c.StepToward();
    EXPECT_EQ(c.following, 0);
    EXPECT_EQ(c.moveMode, MOVE_STANDING);
}

TEST_F(MovementTest, ASearchThatFindsNoPathIsRecordedAsFailed) {
    // Both floors claim sector 0, but nothing joins them.
    PathMapBuilder(12, 3).Area(0, 0, 3, 2, 0.0f).Area(8, 0, 11, 2, 0.0f).Build(&map);
    Place(c, {1, 1, 0});
    ASSERT_TRUE(c.MoveToCell({10, 1, 0}, false));
    EXPECT_FALSE(c.ServePathRequest());
    EXPECT_EQ(c.pathRequested, 0);
    EXPECT_EQ(c.following, 0);
    EXPECT_EQ(c.failedGoalCell, (CellRef{10, 1, 0}));
    EXPECT_EQ(c.failedSector, 0);
    EXPECT_EQ(g_PathSearchStats.count[PATH_BAND_FAILED], 1u);
    EXPECT_EQ(g_PathSearchStats.lastFailedGoal, (CellRef{10, 1, 0}));
}

TEST_F(MovementTest, StatisticsKeepBandsOfPathLengthWithIntegerRunningMeans) {
    const struct {
        int32_t length;
        uint32_t ms;
    } found[] = {{49, 10}, {3, 20}, {1, 25}, {50, 7}, {149, 8}, {150, 100}, {499, 1}, {500, 40}, {1500, 41}};
    for (const auto& f : found) RecordPathFound(f.length, f.ms);
    RecordPathFailed({4, 5, 1}, 9);
    RecordPathFailed({7, 8, 0}, 4);
    const struct {
        int band;
        uint32_t count, mean;
    } expected[] = {
        {PATH_BAND_SHORT, 3, 18},     // 10, then (10 + 20) / 2 = 15, then (2 x 15 + 25) / 3 = 18
        {PATH_BAND_MEDIUM, 2, 7},     // 7, then (7 + 8) / 2 = 7
        {PATH_BAND_LONG, 2, 50},      // 100, then 101 / 2
        {PATH_BAND_VERY_LONG, 2, 40}, // 40, then 81 / 2
        {PATH_BAND_FAILED, 2, 6},     // 9, then 13 / 2
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.band);
        EXPECT_EQ(g_PathSearchStats.count[e.band], e.count);
        EXPECT_EQ(g_PathSearchStats.meanMs[e.band], e.mean);
    }
    EXPECT_EQ(g_PathSearchStats.lastFailedGoal, (CellRef{7, 8, 0}));
}

TEST_F(MovementTest, AStraightWalkClimbsNoMoreThanItsStepAndEnds) {
    // Row 0 rises by 0.1 a cell, row 2 by 0.5; (8, 4) has a floor above it.
    PathMapBuilder b(10, 6);
    for (int32_t x = 0; x < 6; ++x) b.Floor(x, 0, 0.1f * float(x)).Floor(x, 2, 0.5f * float(x));
    b.Area(0, 4, 9, 4, 0.0f).Floor(8, 4, 3.0f);
    b.Build(&map);
    const struct {
        const char* name;
        CellRef a, b;
        bool walkable;
    } cases[] = {
        {"a ramp of 0.1 a cell", {0, 0, 0}, {5, 0, 0}, true},
        {"a ramp of 0.5 a cell", {0, 2, 0}, {5, 2, 0}, false},
        {"up to the floor above", {8, 4, 0}, {8, 4, 1}, false},
        {"down from the floor above", {8, 4, 1}, {8, 4, 0}, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(c.IsStraightWalkable(t.a, t.b), t.walkable);
    }
}

TEST_F(MovementTest, ShorteningKeepsCornersJumpsAndSectorBorders) {
    const struct {
        const char* name;
        PathMapBuilder floors;
        std::vector<CellRef> path, shortened;
    } cases[] = {
        {"a straight corridor",
         PathMapBuilder(12, 1).Area(0, 0, 11, 0, 0.0f),
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}, {7, 0, 0}, {8, 0, 0}},
         {{0, 0, 0}, {8, 0, 0}}},
        {"an L",
         PathMapBuilder(7, 7).Area(0, 0, 6, 0, 0.0f).Area(6, 1, 6, 6, 0.0f),
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {6, 2, 0},
          {6, 3, 0}, {6, 4, 0}, {6, 5, 0}, {6, 6, 0}},
         {{0, 0, 0}, {6, 0, 0}, {6, 6, 0}}},
        {"across a jump",
         PathMapBuilder(13, 1).Area(0, 0, 4, 0, 0.0f).Area(8, 0, 12, 0, 0.0f, 1).Reach(0, 1).Jump({4, 0, 0},
                                                                                                     {8, 0, 0}),
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {8, 0, 0}, {9, 0, 0}, {10, 0, 0}, {11, 0, 0},
          {12, 0, 0}},
         {{0, 0, 0}, {4, 0, 0}, {8, 0, 0}, {12, 0, 0}}},
        {"across sectors",
         PathMapBuilder(12, 1).Area(0, 0, 5, 0, 0.0f).Area(6, 0, 11, 0, 0.0f, 1).Reach(0, 1),
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}, {7, 0, 0}, {8, 0, 0},
          {9, 0, 0}, {10, 0, 0}, {11, 0, 0}},
         {{0, 0, 0}, {5, 0, 0}, {6, 0, 0}, {11, 0, 0}}},
        {"a single point", PathMapBuilder(2, 1).Area(0, 0, 1, 0, 0.0f), {{1, 0, 0}}, {{1, 0, 0}}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        t.floors.Build(&map);
        Place(c, t.path.front());
        SetPath(t.path);
        c.SimplifyPath();
        EXPECT_EQ(Path(), t.shortened);
    }
}

TEST_F(MovementTest, AWaypointOnAnotherFloorOverTheCellEndsTheMove) {
    // (3, 3) has floors at 0, 1.5 and 3.
    PathMapBuilder(6, 6).Area(0, 0, 5, 5, 0.0f).Floor(3, 3, 1.5f).Floor(3, 3, 3.0f).Build(&map);
    const struct {
        const char* name;
        CellRef from, to;
        int32_t actionClass;
        uint8_t airborne;
        bool gaveUp;
    } cases[] = {
        {"three above", {3, 3, 0}, {3, 3, 2}, 0, 0, true},
        {"one and a half above", {3, 3, 0}, {3, 3, 1}, 0, 0, false},
        {"three above while jumping", {3, 3, 0}, {3, 3, 2}, 2, 0, false},
        {"three above in the air", {3, 3, 0}, {3, 3, 2}, 0, 1, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        c = Character();
        Place(c, t.from);
        c.actionClass = t.actionClass;
        c.airborne = t.airborne;
        Follow({t.from, {3, 4, 0}, t.to});
        c.pathIndex = 2;
        c.SetTargetCell(t.to);
        c.StepToward();
        EXPECT_EQ(c.following, t.gaveUp ? 0 : 1);
        EXPECT_EQ(c.moveMode, t.gaveUp ? MOVE_STANDING : MOVE_FOLLOWING);
    }

}

TEST_F(MovementTest, APathOf1500PointsIsFollowedToItsEndWithoutATargetFromBeyondIt) {
    // A serpentine over 50 x 30 cells; the last point lies 1.2 below the fighter's ledge, so it
    // is passed before the fighter stands within the arrival radius.
    PathMapBuilder(50, 30).Area(0, 0, 49, 29, 0.0f).Build(&map);
    std::vector<CellRef> points;
    for (int32_t z = 0; z < 30; ++z)
        for (int32_t i = 0; i < 50; ++i) points.push_back(CellRef{z % 2 == 0 ? i : 49 - i, z, 0});
    ASSERT_EQ(points.size(), size_t(PATH_POINTS_MAX));
    Place(c, points.front());
    c.actionClass = 1;
    Follow(points);
    for (int32_t i = 0; i < PATH_POINTS_MAX - 1; ++i) {
        ASSERT_EQ(c.pathIndex, i);
        ASSERT_EQ(c.targetCell, points[size_t(i)]);
        c.position = c.waypoints[WAYPOINT_TARGET];
        c.StepToward();
        ASSERT_EQ(c.following, 1);
    }
    ASSERT_EQ(c.targetCell, points.back());
    c.position = Vec3Add(c.waypoints[WAYPOINT_TARGET], Vec3{0.6f, 1.2f, 0.0f});
    c.StepToward();
    EXPECT_EQ(c.pathIndex, PATH_POINTS_MAX);
    EXPECT_EQ(c.targetCell, points.back());
    EXPECT_EQ(c.following, 1);
    c.StepToward();
    EXPECT_EQ(c.following, 0);
    EXPECT_EQ(c.moveMode, MOVE_STANDING);
}

TEST_F(MovementTest, FollowingAnotherFighterAimsAtAPointLeadingItTowardThisOne) {
    PathMapBuilder(10, 5).Area(0, 0, 9, 4, 0.0f).Build(&map);
    Character& other = g_Characters[1];
    const struct {
        const char* name;
        float lead;
        bool accepted;
        CellRef goal;
    } cases[] = {
        {"three units ahead of it", 3.0f, true, {5, 2, 0}},
        {"a point off the grid", 20.0f, false, {22, 2, -1}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        c = Character();
        Place(c, {7, 2, 0});
        Place(other, {2, 2, 0});
        EXPECT_EQ(c.MoveToward(&other, t.lead), t.accepted);
        EXPECT_EQ(t.accepted ? c.requestedGoalCell : c.failedGoalCell, t.goal);
    }
}

}  // namespace
