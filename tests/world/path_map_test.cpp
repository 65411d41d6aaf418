// The path map's queries on maps built in memory: cell lookup, nearest layer, centres,
// reachability and clearing the occupants.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fighters/character.h"
#include "core/frame_stats.h"
#include "shell/startup.h"
#include "support/path_map_builder.h"
#include "world/dynamic_object.h"
#include "world/item.h"
#include "world/scenario.h"
#include "world/world_calls.h"

using testsupport::PathMapBuilder;

namespace {

class PathMapTest : public ::testing::Test {
protected:
    void TearDown() override {
        ResetWorldCalls();
        map.Free();
    }
    PathMap map;
};

TEST_F(PathMapTest, WorldToCellTruncatesTowardZeroAndStopsAtTheGridEdge) {
    // Offsets of 2: world x -2 is the grid's left edge.
    PathMapBuilder(4, 3, 2.0f, 2.0f).Area(0, 0, 3, 2, 1.0f).Build(&map);
    struct Case {
        Vec3 at;
        bool found;
        CellRef want;
    } cases[] = {
        {{-2.5f, 1.0f, -2.0f}, true, {0, 0, 0}},    // x + offX = -0.5 truncates to column 0
        {{1.99f, 1.0f, 0.5f}, true, {3, 2, 0}},
        {{2.0f, 1.0f, 0.0f}, false, {4, 2, 99}},    // x + offX = cols is outside
        {{0.0f, 1.0f, -3.5f}, false, {2, -1, 99}},
        {{0.0f, 150.0f, 0.0f}, false, {2, 2, -1}},  // no floor within the tolerance: layer -1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x << "," << c.at.y << "," << c.at.z);
        CellRef out{77, 77, 99};
        EXPECT_EQ(map.WorldToCell(c.at, &out, 100.0f), c.found);
        EXPECT_EQ(out.x, c.want.x);
        EXPECT_EQ(out.z, c.want.z);
        EXPECT_EQ(out.layer, c.want.layer) << "the layer is written only inside the grid";
    }
}

TEST_F(PathMapTest, WorldToCellTreatsNonFiniteAndHugePositionsAsOutside) {
    PathMapBuilder(4, 4).Area(0, 0, 3, 3, 0.0f).Build(&map);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const Vec3& at : {Vec3{nan, 0, 1}, Vec3{1, 0, inf}, Vec3{-inf, 0, 1}, Vec3{3e9f, 0, 1}, Vec3{1, 0, -3e9f}}) {
        CellRef out{5, 5, 7};
        EXPECT_FALSE(map.WorldToCell(at, &out, 100.0f));
        EXPECT_EQ(out.layer, 7);
        EXPECT_FALSE(map.InBounds(out.x, out.z));
    }
}

TEST_F(PathMapTest, NearestLayerKeepsTheLowerOnATieAndNeedsStrictlyLessThanTheTolerance) {
    PathMapBuilder(1, 1).Floor(0, 0, 0.0f).Floor(0, 0, 3.0f).Floor(0, 0, 10.0f).Build(&map);
    EXPECT_EQ(map.FindLayerNear(0, 0, 1.5f, 100.0f), 0);
    EXPECT_EQ(map.FindLayerNear(0, 0, 1.6f, 100.0f), 1);
    EXPECT_EQ(map.FindLayerNear(0, 0, 9.0f, 100.0f), 2);
    EXPECT_EQ(map.FindLayerNear(0, 0, 6.0f, 3.0f), -1) << "d = tolerance does not qualify";
    EXPECT_EQ(map.FindLayerNear(0, 0, 6.0f, 3.01f), 1);

    PathMap empty;
    PathMapBuilder(2, 1).Floor(1, 0, 0.0f).Build(&empty);
    EXPECT_EQ(empty.FindLayerNear(0, 0, 0.0f, 100.0f), -1);
    EXPECT_EQ(empty.CellFlags(CellRef{0, 0, 0}), 1);
    EXPECT_EQ(empty.CellFlags(CellRef{1, 0, 0}), 0);
}

TEST_F(PathMapTest, CentresAndDistances) {
    PathMapBuilder(3, 3, 1.0f, -4.0f).Floor(0, 0, 2.0f).Floor(2, 2, 6.0f).Build(&map);
    Vec3 p;
    EXPECT_EQ(map.CellToWorld(&p, CellRef{2, 2, 0}), &p);
    EXPECT_FLOAT_EQ(p.x, 1.5f);
    EXPECT_FLOAT_EQ(p.z, 6.5f);
    EXPECT_FLOAT_EQ(p.y, 6.0f);
    map.CellToWorld(&p, CellRef{1, 1, 0});
    EXPECT_FLOAT_EQ(p.y, -1000.0f) << "a cell without layers";
    // Two cells apart on x and z, four up.
    EXPECT_FLOAT_EQ(map.CellDistance(CellRef{0, 0, 0}, CellRef{2, 2, 0}), std::sqrt(4.0f + 4.0f + 16.0f));

    // The scenario's own map measures with the rise.
    PathMapBuilder(3, 3, 1.0f, -4.0f).Floor(0, 0, 2.0f).Floor(2, 2, 6.0f).Build(&g_Scenario.pathMap);
    float rise = 0.0f;
    EXPECT_FLOAT_EQ(MeasureCellDistance(CellRef{2, 2, 0}, CellRef{0, 0, 0}, &rise), std::sqrt(24.0f));
    EXPECT_FLOAT_EQ(rise, -4.0f);
    g_Scenario.pathMap.Free();
}

TEST_F(PathMapTest, ValidityAndCheckedQueries) {
    PathMapBuilder(2, 2).Floor(0, 0, 0.0f, 1).Floor(0, 0, 5.0f, 0).Floor(1, 1, 0.0f, 1).Build(&map);
    EXPECT_TRUE(map.IsValidCell(CellRef{0, 0, 1}));
    EXPECT_FALSE(map.IsValidCell(CellRef{0, 0, 2}));
    EXPECT_FALSE(map.IsValidCell(CellRef{0, 0, -1}));
    EXPECT_FALSE(map.IsValidCell(CellRef{1, 0, 0}));
    EXPECT_FALSE(map.IsValidCell(CellRef{2, 0, 0}));
    EXPECT_EQ(map.SectorOf(CellRef{0, 0, 1}), 0);
    EXPECT_EQ(map.SectorOf(CellRef{0, 0, 2}), -1) << "layer index = layer count";
    EXPECT_EQ(map.SectorOf(CellRef{-1, 0, 0}), -1);
    EXPECT_EQ(map.FindItem(CellRef{0, 0, 2}), nullptr);
    EXPECT_EQ(map.SectorColour(-1), 0u);
    EXPECT_EQ(map.IsSectorIsolated(-1), 0);
    EXPECT_EQ(map.IsSectorIsolated(2), 0);
    EXPECT_EQ(map.SectorReaches(0, 5), 0);
}

TEST_F(PathMapTest, ReachabilityFollowsSectorsIsolationAndTheReachRows) {
    // Sector 0 on row 0, sector 1 (isolated) on row 1, sector 2 on row 2; 0 reaches 2 only.
    PathMapBuilder(3, 4)
        .Area(0, 0, 2, 0, 0.0f, 0)
        .Area(0, 1, 2, 1, 0.0f, 1)
        .Area(0, 2, 2, 2, 0.0f, 2)
        .Floor(0, 3, 0.0f, -1)
        .Isolated(1)
        .Reach(0, 2, 2)
        .Reach(0, 1, 1)
        .Build(&map);
    const CellRef s0{0, 0, 0}, s0b{2, 0, 0}, s1{0, 1, 0}, s1b{2, 1, 0}, s2{0, 2, 0}, none{0, 3, 0};
    EXPECT_TRUE(map.CanReach(s0, s2));
    EXPECT_FALSE(map.CanReach(s2, s0));
    EXPECT_FALSE(map.CanReach(s0, s1)) << "nothing leads into an isolated sector";
    EXPECT_TRUE(map.CanReach(s1, s1b)) << "within one sector, isolated or not";
    EXPECT_TRUE(map.CanReach(s0, s0b));
    EXPECT_TRUE(map.CanReach(none, s2)) << "an unassigned sector answers yes";
    EXPECT_TRUE(map.CanReach(s2, none));
    EXPECT_TRUE(map.CanReach(s0, CellRef{9, 9, 0})) << "an invalid cell has no sector";
    EXPECT_EQ(map.SectorColour(1), PATH_ISOLATED_COLOUR);
}

// What ClearOccupants asked of the owners, in order.
std::vector<std::pair<char, const void*>> g_cleared;

TEST_F(PathMapTest, ClearOccupantsDespawnsRowByRowAndClearsEveryPointerAndByte) {
    PathMapBuilder(2, 2).Area(0, 0, 1, 1, 0.0f).Floor(1, 0, 5.0f).Build(&map);
    static Character fighters[2];
    static Item itemRecord;
    static DynamicObject propRecord;
    Item* item = &itemRecord;
    DynamicObject* prop = &propRecord;
    PortalRecord portal{};
    // Row 0 is z = 0: (1, 0) comes before (0, 1).
    testsupport::PutCharacter(&map, {0, 1, 0}, fighters);
    testsupport::PutItem(&map, {1, 0, 1}, item);
    testsupport::PutCharacter(&map, {1, 0, 1}, fighters + 1);
    testsupport::PutProp(&map, {1, 0, 0}, prop);
    testsupport::PutPortal(&map, {1, 1, 0}, &portal);
    map.GetLayer({0, 0, 0})->specialRole = 2;
    map.GetLayer({0, 0, 0})->specialIndex = 7;

    g_cleared.clear();
    g_WorldCalls.despawnCharacter = [](Character* c) { g_cleared.push_back({'c', c}); };
    g_WorldCalls.removeItem = [](Item* i) { g_cleared.push_back({'i', i}); };
    g_WorldCalls.despawnProp = [](DynamicObject* p) { g_cleared.push_back({'p', p}); };
    map.ClearOccupants();

    const std::vector<std::pair<char, const void*>> want = {
        {'p', prop}, {'c', fighters + 1}, {'i', item}, {'c', fighters}};
    EXPECT_EQ(g_cleared, want);
    for (int x = 0; x < 2; ++x)
        for (int z = 0; z < 2; ++z)
            for (int l = 0; l < map.LayerCount(x, z); ++l) {
                const PathLayer* layer = map.GetLayer({x, z, l});
                EXPECT_EQ(layer->character, nullptr);
                EXPECT_EQ(layer->item, nullptr);
                EXPECT_EQ(layer->prop, nullptr);
                EXPECT_EQ(layer->portal, nullptr);
                EXPECT_EQ(layer->specialRole, 0);
                EXPECT_EQ(layer->specialIndex, 0);
            }
}

TEST_F(PathMapTest, FreeEmptiesTheMapAndTheScenarioGivesItOnlyWhileLoaded) {
    PathMapBuilder(3, 2, 1.0f, 1.0f).Area(0, 0, 2, 1, 0.0f).Build(&map);
    EXPECT_TRUE(map.Free());
    EXPECT_EQ(map.cols, 0);
    EXPECT_EQ(map.rows, 0);
    EXPECT_EQ(map.sectorCount, 0);
    EXPECT_TRUE(map.columns.empty());
    EXPECT_TRUE(map.sectors.empty());
    EXPECT_EQ(map.offX, 0.0f);
    EXPECT_TRUE(map.Release());

    EXPECT_EQ(ScenarioPathMap(), nullptr);
    g_Scenario.number = 3;
    EXPECT_EQ(ScenarioPathMap(), &g_Scenario.pathMap);
    g_Scenario.number = -1;
}

}  // namespace

namespace {

TEST(PathMapStatisticsTest, TheViewerCountsIsolatedSectorsLayersAndJumpStarts) {
    g_Scenario.number = 2;
    PathMapBuilder(3, 2)
        .Area(0, 0, 2, 0, 0.0f, 0)
        .Floor(0, 1, 0.0f, 1)
        .Floor(0, 1, 5.0f, 2)
        .Isolated(1)
        .Isolated(2)
        .Jump({0, 0, 0}, {0, 1, 1})
        .Jump({2, 0, 0}, {0, 1, 0})
        .Build(&g_Scenario.pathMap);
    g_FrameStats.jumpPoints = 99;
    CountPathMapStatistics();
    EXPECT_EQ(g_FrameStats.impassableSectors, 2);
    EXPECT_EQ(g_FrameStats.walkableSurface, 5);
    EXPECT_EQ(g_FrameStats.jumpPoints, 2);

    ResetScenario();
    CountPathMapStatistics();
    EXPECT_EQ(g_FrameStats.walkableSurface, 0) << "no scenario, no figures";
    EXPECT_EQ(g_FrameStats.jumpPoints, 0);
}

}  // namespace
