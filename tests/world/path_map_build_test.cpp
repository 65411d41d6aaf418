// The path-map builder's first three steps on hand-made collision geometry: cells and their
// layers, sectors with their pruning and size order, the flood fill's queue limit, the progress
// screens, and the scenario's map built, stored and read back.
#include <gtest/gtest.h>

#include "world/path_map_build_fixture.h"

#include <cmath>
#include <filesystem>
#include <vector>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "scene/scene_element_records.h"
#include "support/collision_scene.h"
#include "support/path_map_builder.h"
#include "support/temp_dir.h"
#include "world/path_map_build.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace fs = std::filesystem;
using testsupport::CollisionSceneDesc;
using testsupport::InstalledCollision;

namespace {

class PathMapBuildTest : public PathMapBuildFixture {
protected:
    PathMap& map = g_Scenario.pathMap;

    // Steps 1 to 3 only, so that the sectors are seen before steps 4 and 5 change them.
    void BuildSectors() {
        ASSERT_TRUE(map.ComputeBounds());
        ASSERT_TRUE(map.AllocateCells(map.cols, map.rows));
        map.StepFaces();
        map.StepCells();
        map.StepSectors();
    }
    std::vector<float> Floors(int32_t x, int32_t z) const {
        std::vector<float> floors;
        for (const PathLayer& l : map.columns[size_t(x)][size_t(z)].layers) floors.push_back(l.floor);
        return floors;
    }
    int32_t LayersIn(int32_t sector) const {
        int32_t n = 0;
        for (const auto& column : map.columns)
            for (const PathCell& cell : column)
                for (const PathLayer& l : cell.layers) n += l.sector == sector;
        return n;
    }
};

TEST_F(PathMapBuildTest, AFlatFloorGivesOneLayerPerCoveredCellInOneSector) {
    InstalledCollision scene(CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0));
    ASSERT_TRUE(scene.ok());
    BuildSectors();
    // Corner probes lie 0.01 past each corner, so the floor reaches half a cell beyond the ten
    // cells; that half cell is too small a fragment.
    EXPECT_EQ(map.cols, 11);
    EXPECT_EQ(map.rows, 11);
    EXPECT_EQ(map.columns[10][3].flag, 1);
    EXPECT_EQ(map.columns[10][3].layerCount, 0);
    const PathLayer& l = map.columns[4][7].layers.at(0);
    EXPECT_EQ(map.columns[4][7].flag, 0);
    EXPECT_EQ(l.floor, 0.0f);
    EXPECT_EQ(l.low, 0.0f);
    for (float c : l.corners) EXPECT_EQ(c, 0.0f);
    ASSERT_EQ(map.sectorCount, 1);
    EXPECT_EQ(map.sectors[0].cellCount, 100);
    EXPECT_EQ(map.sectors[0].colour, 0x800000ffu);
    EXPECT_EQ(LayersIn(0), 100);

    // The rest of the build: no other sector, so no jump, nothing leads in, and it reaches itself.
    ResetPathMapBuild();
    ASSERT_TRUE(map.Build());
    ASSERT_EQ(map.sectorCount, 1);
    EXPECT_EQ(map.sectors[0].isolated, 1);
    EXPECT_EQ(map.sectors[0].colour, PATH_ISOLATED_COLOUR);
    EXPECT_EQ(map.sectors[0].reach, std::vector<int32_t>{1});
    EXPECT_EQ(map.columns[4][7].layers[0].jumpStart, 0);
}

TEST_F(PathMapBuildTest, APlatformOverTheFloorTakesTheFloorUnderItAway) {
    // Bottom 1.0 above the floor, 1.5 thick, over x and z 3..7.
    InstalledCollision scene(CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0).Box({3, 1, 3}, {7, 2.5f, 7}));
    BuildSectors();
    // Under the platform its bottom is less than 2.0 above the floor: no floor layer there.
    EXPECT_EQ(Floors(4, 4), std::vector<float>{2.5f});
    EXPECT_EQ(Floors(3, 5), std::vector<float>{2.5f});
    // The top's last row has a corner probe past the edge, which finds the floor 2.5 below.
    EXPECT_EQ(Floors(6, 4), std::vector<float>{});
    EXPECT_EQ(Floors(2, 4), std::vector<float>{0.0f});
    ASSERT_EQ(map.sectorCount, 2);
    EXPECT_EQ(map.sectors[0].cellCount, 100 - 25);
    EXPECT_EQ(map.sectors[1].cellCount, 9);
}

TEST_F(PathMapBuildTest, SlopeAreaAndLayerOrderLimits) {
    // A slope y = k x with the normal's y given exactly.
    auto slope = [](float normalY) {
        const float k = std::sqrt(1.0f / (normalY * normalY) - 1.0f);
        CollisionSceneDesc d;
        d.PolygonWithNormal({{0, 0, 0}, {0, 0, 6}, {6, 6 * k, 6}, {6, 6 * k, 0}},
                            Vec3{-std::sqrt(1.0f - normalY * normalY), normalY, 0.0f});
        return d;
    };
    // A polygon over most of cell (2, 2) whose first three corners lie on one line: rounding makes
    // Heron's product for that flat fan triangle slightly negative, which must not cost the area.
    auto flatFirst = [] {
        auto on = [](float t) { return Vec3{2.3f + 0.0037f * t, 1.0f, 2.7f + 0.0059f * t}; };
        CollisionSceneDesc d;
        d.Floor(0, 0, 6, 6, 0);
        d.PolygonWithNormal({on(0), on(1), on(18), on(300), {4, 1, on(300).z}, {4, 1, on(-300).z}, on(-300)},
                            Vec3{0, 1, 0});
        return d;
    };
    struct Case {
        const char* name;
        CollisionSceneDesc scene;
        int32_t x, z;
        std::vector<float> floors;
    };
    const Case cases[] = {
        {"a flat fan triangle", flatFirst(), 2, 2, {1.0f}},
        {"normal y 0.788 exactly", slope(0.788f), 2, 2, {}},
        {"normal y just above", slope(0.7885f), 2, 2, {3.0f * std::sqrt(1.0f / (0.7885f * 0.7885f) - 1.0f)}},
        // A strip on a floor: its area decides; the floor under it is covered either way. These
        // widths give the fan's sum 0.8f exactly and the next float above.
        {"area 0.8 exactly", CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0).Floor(0, 0, 0.800000131f, 1, 1.0f), 0, 0, {}},
        {"area above 0.8", CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0).Floor(0, 0, 0.80000025f, 1, 1.0f), 0, 0, {1.0f}},
        {"floor first", CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0).Floor(1, 1, 8, 8, 3.0f), 3, 3, {0.0f, 3.0f}},
        {"deck first", CollisionSceneDesc().Floor(1, 1, 8, 8, 3.0f).Floor(0, 0, 10.5f, 10.5f, 0), 3, 3, {0.0f, 3.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledCollision scene(c.scene);
        map.Free();
        ASSERT_TRUE(map.ComputeBounds());
        ASSERT_TRUE(map.AllocateCells(map.cols, map.rows));
        map.StepFaces();
        const std::vector<float> floors = Floors(c.x, c.z);
        ASSERT_EQ(floors.size(), c.floors.size());
        for (size_t i = 0; i < floors.size(); ++i) EXPECT_NEAR(floors[i], c.floors[i], 1e-4f);
    }
}

TEST_F(PathMapBuildTest, AThreeCellIslandIsRemovedAndItsCellsStayMarkedAsBuilt) {
    // The island's last column and row are half covered and get nothing: three layers remain.
    InstalledCollision scene(CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0).Floor(12, 0, 15.5f, 1.5f, 0));
    BuildSectors();
    ASSERT_EQ(map.sectorCount, 1);
    EXPECT_EQ(map.sectors[0].cellCount, 100);
    for (int32_t x : {12, 13, 14}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(map.columns[size_t(x)][0].layerCount, 0);
        EXPECT_EQ(map.columns[size_t(x)][0].flag, 0);
    }
}

TEST_F(PathMapBuildTest, SectorsAreSortedLargestFirstWithTheirLayersAndIndices) {
    // Found in x order: 16, 36 and 25 layers.
    InstalledCollision scene(CollisionSceneDesc()
                                 .Floor(0, 0, 4.5f, 4.5f, 0)
                                 .Floor(6, 0, 12.5f, 6.5f, 0)
                                 .Floor(14, 0, 19.5f, 5.5f, 0));
    BuildSectors();
    ASSERT_EQ(map.sectorCount, 3);
    const int32_t counts[3] = {36, 25, 16}, indices[3] = {1, 2, 0};
    const uint32_t colours[3] = {0x800000ffu, 0x8000ff00u, 0x80ffff00u};
    const CellRef member[3] = {{8, 2, 0}, {15, 1, 0}, {1, 1, 0}};
    for (int32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(map.sectors[size_t(i)].cellCount, counts[i]);
        EXPECT_EQ(map.sectors[size_t(i)].index, indices[i]);
        EXPECT_EQ(map.sectors[size_t(i)].colour, colours[i]);
        EXPECT_EQ(map.SectorOf(member[i]), i);
        EXPECT_EQ(LayersIn(i), counts[i]);
    }
}

TEST_F(PathMapBuildTest, AFillThatOverflowsTheQueueLeavesTheRestUnassigned) {
    // 450 x 450 layers in one piece. From the corner seed, its three neighbours each queue it once
    // more (its mark is not "queued"), so 200000 entries hold 199997 layers.
    testsupport::PathMapBuilder(450, 450).Area(0, 0, 449, 449, 0.0f, -1).Build(&map);
    map.StepCells();
    map.StepSectors();
    ASSERT_EQ(map.sectorCount, 1);
    EXPECT_EQ(LayersIn(0), 199997);
    EXPECT_EQ(LayersIn(-1), 450 * 450 - 199997);
    EXPECT_EQ(map.sectors[0].cellCount, 199997);
    for (const auto& column : map.columns)
        for (const PathCell& cell : column) ASSERT_EQ(cell.layers[0].mark, 0);
}

TEST_F(PathMapBuildTest, NoGeometryOrTooWideAGridBuildsNothing) {
    {
        SCOPED_TRACE("no collision tree");
        EXPECT_FALSE(map.Build());
        EXPECT_EQ(map.cols, 0);
    }
    {
        SCOPED_TRACE("wider than the reader takes");
        InstalledCollision scene(CollisionSceneDesc().Floor(0, 0, 2, 2, 0).Floor(4100, 0, 4102, 2, 0));
        EXPECT_FALSE(map.Build());
        EXPECT_EQ(map.cols, 0);
        EXPECT_TRUE(map.columns.empty());
    }
}

TEST(PathMapProgressTest, ScreenLinesForEachStep) {
    struct Case {
        int step;
        uint64_t current, total;
        uint32_t elapsed;
        const char* counter;
        const char* total_;
        const char* left;
        const char* percent;
    };
    const Case cases[] = {
        // 3 s for a quarter: 12 s in all, 9 s left.
        {1, 1000, 4000, 3000, "Cara: 4000 -> 1000", "Tiempo Total: 00:00:12", "Tiempo Restante: 00:00:09", "Porcentaje: 25%"},
        {2, 2601, 2601, 3725000, "Celda: 2601 -> 2601", "Tiempo Total: 01:02:05", "Tiempo Restante: 00:00:00", "Porcentaje: 100%"},
        {3, 1, 3, 100, "Sector: 3 -> 1", "Tiempo Total: 00:00:00", "Tiempo Restante: 00:00:00", "Porcentaje: 33%"},
        {4, 20000, 990000, 1000, "Puntos posibles de Salto: 990000 -> 20000", "Tiempo Total: 00:00:49",
         "Tiempo Restante: 00:00:48", "Porcentaje: 2%"},
        {4, 3500000, 7000000, 60000, "Puntos posibles de Salto: 7M -> 3M", "Tiempo Total: 00:02:00",
         "Tiempo Restante: 00:01:00", "Porcentaje: 50%"},
        {5, 2, 8, 1000, "Sector: 8 -> 2", "Tiempo Total: 00:00:04", "Tiempo Restante: 00:00:03", "Porcentaje: 25%"},
    };
    const char* titles[5] = {"Paso 1/5 - Procesando Caras...", "Paso 2/5 - Procesando Celdas...",
                             "Paso 3/5 - Procesando Sectores...", "Paso 4/5 - Procesando Puntos de Salto...",
                             "Paso 5/5 - Procesando Accesibilidad de Sectores..."};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        ProgressText t{};
        FormatProgress(c.step, c.current, c.total, c.elapsed, &t);
        EXPECT_STREQ(t.lines[0], "Calculando Mapa de Alturas");
        EXPECT_STREQ(t.lines[1], titles[c.step - 1]);
        EXPECT_STREQ(t.lines[2], c.counter);
        EXPECT_STREQ(t.lines[3], c.total_);
        EXPECT_STREQ(t.lines[4], c.left);
        EXPECT_STREQ(t.lines[5], c.percent);
    }
}

class PathMapScreenTest : public fxtest::FxDeviceTest {};

TEST_F(PathMapScreenTest, ScreensAreDrawnOnlyAtTheThrottledCounts) {
    ResetScenario();
    ResetPathMapBuild();
    // One face, 51 x 51 cells, one sector: step 1 at 1 of 1, step 2 at 1000, 2000 and 2601, step 3
    // and step 5 at 1 of 1; step 4 has no pair of sectors to count.
    InstalledCollision scene(CollisionSceneDesc().Floor(0, 0, 50, 50, 0));
    const size_t before = rec->CountCalls(gfx::CallKind::Present);
    ASSERT_TRUE(g_Scenario.pathMap.Build());
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::Present) - before, 6u);
    EXPECT_EQ(g_PathMapBuild.screens, 6u);
    EXPECT_STREQ(g_PathMapBuild.text.lines[2], "Sector: 1 -> 1");
    ResetScenario();
}

class PathMapStoreTest : public PathMapBuildTest {
protected:
    ScopedWorkDir dir;
};

TEST_F(PathMapStoreTest, AScenarioWithoutAStoredMapBuildsWritesAndThenReadsIt) {
    g_Scenario.number = 3;
    {
        InstalledCollision scene(CollisionSceneDesc().Floor(0, 0, 10.5f, 10.5f, 0).Box({3, 1, 3}, {7, 2.5f, 7}));
        ASSERT_TRUE(map.LoadOrBuild());
    }
    ASSERT_TRUE(fs::exists(dir.path() / "Modelos/Escenarios/Escenario03/pmap.dat"));
    const int32_t sectors = map.sectorCount;
    const std::vector<int32_t> reach = map.sectors[1].reach;
    ASSERT_EQ(sectors, 2);
    // No geometry now: only the stored file can give the map back.
    ResetPackFiles();
    map.Free();
    ASSERT_TRUE(map.LoadOrBuild());
    EXPECT_EQ(map.sectorCount, sectors);
    EXPECT_EQ(map.sectors[1].reach, reach);
    EXPECT_EQ(Floors(4, 4), std::vector<float>{2.5f});
    EXPECT_TRUE(map.sectors[0].cells.empty());
}

}  // namespace
