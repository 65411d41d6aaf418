// Routes through stored trajectories on path maps built in memory: the heading they compare, the
// choice of a trajectory, the route assembled from its three legs, the cell and position given
// back after the exit leg, and the plain request whenever no route is put in place.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/clocks.h"
#include "fighters/character.h"
#include "fighters/movement.h"
#include "fighters/route_planning.h"
#include "fighters/trajectory.h"
#include "support/fighter_kit.h"
#include "support/path_map_builder.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace {

using testsupport::PathMapBuilder;
using Points = std::vector<CellRef>;

constexpr uint32_t kNow = 100000;
constexpr float kPi = 3.14159265358979f;

// Cells of row z from one x to another, both included, in walking order.
Points Row(int32_t z, int32_t from, int32_t to) {
    Points p;
    for (int32_t x = from;; x += from < to ? 1 : -1) {
        p.push_back(CellRef{x, z, 0});
        if (x == to) break;
    }
    return p;
}
Points Join(std::initializer_list<Points> parts) {
    Points out;
    for (const Points& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class RouteTest : public ::testing::Test {
protected:
    PathMap& map = g_Scenario.pathMap;
    Character& c = g_Characters[0];

    void SetUp() override {
        ResetCharacters();
        ResetPathSearchStats();
        ResetTrajectoryTable();
        ResetRouteBuffer();
        g_Scenario.number = 1;
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = kNow;
        testsupport::Recorder().Clear();
        testsupport::InstallFighterRecorders();
    }
    void TearDown() override {
        testsupport::RemoveFighterRecorders();
        ResetTrajectoryTable();
        ResetRouteBuffer();
        ResetCharacters();
        ResetScenario();
        ResetPathSearch();
        ResetPathSearchStats();
        g_Clocks = ClockSet();
    }

    static void StoreTrajectories(const std::vector<Points>& trajectories) {
        TrajectoryTable& table = g_TrajectoryTable;
        table.Clear();
        for (const Points& t : trajectories) {
            Trajectory& e = table.entries[table.count++];
            e.n = uint32_t(t.size());
            e.points.reset(new CellRef[t.size()]);
            std::copy(t.begin(), t.end(), e.points.get());
        }
    }
    void Place(const CellRef& cell) {
        c = Character();
        c.currentCell = cell;
        map.CellToWorld(&c.position, cell);
    }
    static Points Route() { return Points(g_RouteBuffer.points, g_RouteBuffer.points + g_RouteBuffer.count); }
    Points Path() const { return Points(c.pathPoints, c.pathPoints + c.pathLength); }
    // What a failed route leaves: no path taken up, a plain request for the goal waiting.
    void ExpectPlainRequest(const CellRef& goal) const {
        EXPECT_EQ(c.following, 0);
        EXPECT_EQ(c.pathRequested, 1);
        EXPECT_EQ(c.requestedGoalCell, goal);
    }
};

TEST_F(RouteTest, TheHeadingOfADirectionAndTheDifferenceOfTwo) {
    const struct {
        const char* name;
        Vec3 direction;
        float heading;
    } headings[] = {
        {"+z", {0.0f, 0.0f, 3.0f}, 0.0f},
        {"+x", {2.0f, 0.0f, 0.0f}, kPi / 2},
        {"-z", {0.0f, 0.0f, -1.0f}, kPi},
        {"-x", {-1.0f, 0.0f, 0.0f}, 1.5f * kPi},
        {"-x -z", {-1.0f, 0.0f, -1.0f}, 1.25f * kPi},
        {"x under 0.0001 once normalised", {0.00005f, 0.0f, 1.0f}, 0.0f},
        {"the same toward -z", {-0.00005f, 0.0f, -1.0f}, kPi},
        {"straight up", {0.0f, 5.0f, 0.0f}, kPi},
        {"shorter than 1e-6 is no direction", {5e-7f, 0.0f, 0.0f}, kPi},
    };
    for (const auto& t : headings) {
        SCOPED_TRACE(t.name);
        EXPECT_NEAR(RouteHeading(t.direction), t.heading, 1e-6f);
    }
    EXPECT_NEAR(RouteHeadingDifference(0.1f, 6.2f), 2 * kPi - 6.1f, 1e-5f);
    EXPECT_NEAR(RouteHeadingDifference(kPi / 2, 1.5f * kPi), kPi, 1e-6f);
    EXPECT_NEAR(RouteHeadingDifference(2.0f, 1.0f), 1.0f, 1e-6f);
}

TEST_F(RouteTest, TheTrajectoryChosenLeadsTheGoalsWayOverMoreThan70WithBothEndsNear) {
    PathMapBuilder(120, 30).Area(0, 0, 119, 29, 0.0f).Build(&map);
    const Points a = Row(8, 5, 114), b = Row(12, 5, 114), reversed = Row(10, 114, 5), shortRow = Row(10, 5, 80);
    const struct {
        const char* name;
        std::vector<Points> trajectories;
        CellRef fighter, goal;
        int chosen;
        int32_t entry, exit;
    } cases[] = {
        {"the smaller sum of end distances", {a, b}, {5, 11, 0}, {110, 11, 0}, 1, 0, 105},
        {"the earlier on an equal sum", {a, b}, {5, 10, 0}, {110, 10, 0}, 0, 0, 105},
        {"one that runs the other way", {reversed}, {5, 10, 0}, {110, 10, 0}, -1, 0, 0},
        {"the other way passed over", {reversed, a}, {5, 10, 0}, {110, 10, 0}, 1, 0, 105},
        {"a stretch of 70", {shortRow}, {5, 10, 0}, {75, 10, 0}, -1, 0, 0},
        {"a stretch of 71", {shortRow}, {5, 10, 0}, {76, 10, 0}, 0, 0, 71},
        {"the entry a fifth of the stretch away", {shortRow}, {5, 25, 0}, {80, 10, 0}, -1, 0, 0},
        {"the entry nearer", {shortRow}, {5, 24, 0}, {80, 10, 0}, 0, 0, 75},
        {"the exit a fifth of the stretch away", {shortRow}, {5, 10, 0}, {80, 25, 0}, -1, 0, 0},
        {"the exit nearer", {shortRow}, {5, 10, 0}, {80, 24, 0}, 0, 0, 75},
        {"no trajectories", {}, {5, 10, 0}, {110, 10, 0}, -1, 0, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        StoreTrajectories(t.trajectories);
        Place(t.fighter);
        int32_t entry = -1, exit = -1;
        EXPECT_EQ(c.FindTrajectory(t.goal, &entry, &exit), t.chosen);
        if (t.chosen != -1) {
            EXPECT_EQ(entry, t.entry);
            EXPECT_EQ(exit, t.exit);
        }
    }
}

TEST_F(RouteTest, ARouteJoinsThePathToTheEntryTheStretchAndThePathFromTheExit) {
    PathMapBuilder(120, 21).Area(0, 0, 119, 20, 0.0f).Build(&map);
    const Points along = Row(10, 5, 114);
    StoreTrajectories({along});
    const struct {
        const char* name;
        CellRef fighter, goal;
        Points route;
    } cases[] = {
        {"off both ends", {5, 12, 0}, {110, 12, 0},
         Join({{{5, 12, 0}, {5, 10, 0}}, Row(10, 5, 110), {{110, 10, 0}, {110, 12, 0}}})},
        {"on the entry, the goal on the exit", {5, 10, 0}, {110, 10, 0}, Row(10, 5, 110)},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Place(t.fighter);
        ASSERT_TRUE(c.MoveToCell(t.goal, true));
        EXPECT_EQ(Route(), t.route);
        // On open ground the route shortens to one straight walk, taken up at once.
        EXPECT_EQ(Path(), (Points{t.fighter, t.goal}));
        EXPECT_EQ(c.following, 1);
        EXPECT_EQ(c.pathRequested, 0);
        EXPECT_EQ(c.pathIndex, 1);
        EXPECT_EQ(c.targetCell, t.goal);
        EXPECT_EQ(c.finalCell, t.goal);
        EXPECT_EQ(c.failedGoalCell, CELL_NONE);
        EXPECT_EQ(c.moveMode, MOVE_FOLLOWING);
        EXPECT_EQ(c.pathStartTimes[0], kNow);
        EXPECT_EQ(c.currentCell, t.fighter);
    }
    // Without the flag the request stays a plain one.
    ResetRouteBuffer();
    Place({5, 12, 0});
    ASSERT_TRUE(c.MoveToCell({110, 12, 0}, false));
    ExpectPlainRequest({110, 12, 0});
    EXPECT_EQ(g_RouteBuffer.count, 0);
}

TEST_F(RouteTest, AFailedExitLegGivesTheFighterItsCellAndPositionBackAndLeavesAPlainRequest) {
    // The goal lies on an island of the same sector that nothing joins to the field.
    PathMapBuilder(120, 21).Area(0, 0, 119, 13, 0.0f).Area(108, 17, 114, 19, 0.0f).Build(&map);
    StoreTrajectories({Row(10, 5, 114)});
    Place({5, 12, 0});
    c.position = Vec3{5.7f, 0.0f, 12.2f};
    const CellRef goal{112, 18, 0};
    ASSERT_TRUE(c.MoveToCell(goal, true));
    EXPECT_EQ(c.currentCell, (CellRef{5, 12, 0}));
    EXPECT_EQ(c.position.x, 5.7f);
    EXPECT_EQ(c.position.z, 12.2f);
    ExpectPlainRequest(goal);
}

TEST_F(RouteTest, ARouteThatWouldPass1500PointsIsAPlainRequest) {
    // A winding corridor: lanes along x on the even rows joined at alternate ends through the odd
    // ones. Its first 1500 cells, from (1, 0) to (86, 28), are the trajectory.
    Points winding;
    for (int32_t lane = 0; winding.size() < PATH_POINTS_MAX; ++lane) {
        const bool east = lane % 2 == 0;
        const Points row = Row(2 * lane, east ? (lane == 0 ? 1 : 0) : 99, east ? 99 : 0);
        winding.insert(winding.end(), row.begin(), row.end());
        winding.push_back(CellRef{east ? 99 : 0, 2 * lane + 1, 0});
    }
    winding.resize(PATH_POINTS_MAX);
    ASSERT_EQ(winding.back(), (CellRef{86, 28, 0}));
    PathMapBuilder floors(100, 29);
    for (const CellRef& cell : winding) floors.Floor(cell.x, cell.z, 0.0f);
    floors.Floor(0, 0, 0.0f).Floor(87, 28, 0.0f).Build(&map);
    StoreTrajectories({winding});

    const struct {
        const char* name;
        CellRef fighter, goal;
        bool routed;
    } cases[] = {
        {"the stretch alone fills the buffer", {1, 0, 0}, {86, 28, 0}, true},
        {"a path to the entry before it", {0, 0, 0}, {86, 28, 0}, false},
        {"a path from the exit after it", {1, 0, 0}, {87, 28, 0}, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Place(t.fighter);
        ASSERT_TRUE(c.MoveToCell(t.goal, true));
        if (t.routed) {
            EXPECT_EQ(Route(), winding);
            EXPECT_EQ(c.following, 1);
            EXPECT_EQ(c.finalCell, t.goal);
        } else {
            ExpectPlainRequest(t.goal);
        }
    }
}

}  // namespace
