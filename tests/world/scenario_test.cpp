// Loading and unloading scenarios made of builder-written files on the recording device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pack_file.h"
#include "effects/effect_list.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "scene/scene_node.h"
#include "shell/mouse.h"
#include "support/path_map_builder.h"
#include "datakit/scenario_files.h"
#include "support/temp_dir.h"
#include "world/scenario.h"
#include "world/world_calls.h"

using datakit::ScenarioFiles;

namespace {

// The calls the scenario made into its neighbours, in order.
std::vector<std::string> g_calls;

class ScenarioTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetScenario();
        g_calls.clear();
        g_Settings.mode = 0;
        g_WorldCalls.setupRain = [](bool on) { g_calls.push_back(on ? "rain on" : "rain off"); };
        g_WorldCalls.loadDynamicObjectModels = [] { g_calls.push_back("prop models"); };
        g_WorldCalls.loadItemModels = [] { g_calls.push_back("item models"); };
        g_WorldCalls.loadPathMap = [](PathMap*) {
            g_calls.push_back("path map");
            return false;
        };
        g_WorldCalls.freeDynamicObjects = [] { g_calls.push_back("free props"); };
        g_WorldCalls.freeAllItems = [] { g_calls.push_back("free items"); };
    }
    void TearDown() override {
        ResetScenario();
        ResetWorldCalls();
        ResetPackFiles();
        fxtest::FxDeviceTest::TearDown();
    }
    static bool InObjects(const char* name) { return g_Scene.objects->FindByName(name) != nullptr; }

    ScopedWorkDir dir;
};

TEST_F(ScenarioTest, AFogRowLoadsTheFogTextureAndRangeAndUnloadSwitchesFogOff) {
    ScenarioFiles files;
    files.number = 3;
    files.fogTexture = true;
    files.Write();
    ASSERT_TRUE(g_Scenario.Load(3));
    EXPECT_EQ(g_Scenario.number, 3);
    ASSERT_EQ(g_Scenario.row, &ScenarioTable[3]);
    EXPECT_GE(g_Scene.skyTexture, 0);
    EXPECT_FLOAT_EQ(g_Scene.hazeNear, 1.0f);
    EXPECT_FLOAT_EQ(g_Scene.hazeFar, 150.0f);
    EXPECT_TRUE(InObjects("Suelo"));

    g_Scene.skyLayer = 1;
    g_Scenario.Unload();
    EXPECT_EQ(g_Scene.skyLayer, 0);
    EXPECT_EQ(g_Scenario.number, -1);
    EXPECT_EQ(g_Scenario.row, nullptr);
}

TEST_F(ScenarioTest, ARowWithoutFogLeavesTheSceneFogAlone) {
    ScenarioFiles files;
    files.number = 0;
    files.fogTexture = true;   // there, but the row does not ask for it
    files.Write();
    g_Scene.hazeNear = 7.0f;
    ASSERT_TRUE(g_Scenario.Load(0));
    EXPECT_EQ(g_Scene.skyTexture, -1);
    EXPECT_FLOAT_EQ(g_Scene.hazeNear, 7.0f);
}

TEST_F(ScenarioTest, MergePartsStopAtTheFirstMissingOne) {
    ScenarioFiles files;
    files.number = 1;
    files.merges = {0, 1, 3};
    files.Write();
    g_Scenario.Load(1);
    EXPECT_TRUE(InObjects("Merge00"));
    EXPECT_TRUE(InObjects("Merge01"));
    EXPECT_FALSE(InObjects("Merge03"));
}

TEST_F(ScenarioTest, TheSkyIsOnlyWhatTheSkyFileAdded) {
    {
        SCOPED_TRACE("a sky file with a node");
        ScenarioFiles files;
        files.number = 2;
        files.sky = true;
        files.Write();
        g_Scenario.Load(2);
        ASSERT_NE(g_Scene.sky, nullptr);
        EXPECT_STREQ(g_Scene.sky->name, "Cielo");
        EXPECT_FALSE(InObjects("Cielo")) << "taken out of the object list";
        EXPECT_TRUE(InObjects("Suelo"));
        g_Scenario.Unload();
    }
    g_Scene.Destroy(true);
    ASSERT_TRUE(g_Scene.Create());
    {
        SCOPED_TRACE("a sky file that adds nothing");
        ScenarioFiles files;
        files.number = 4;
        files.sky = true;
        files.skyNodes = {};
        files.Write();
        g_Scenario.Load(4);
        EXPECT_EQ(g_Scene.sky, nullptr);
        EXPECT_TRUE(InObjects("Suelo")) << "the scene file's node is never the sky";
    }
}

TEST_F(ScenarioTest, TexturedElementsAreFreedWithTheirNodes) {
    ScenarioFiles files;
    files.number = 5;
    files.texturedElements = 2;
    files.Write();
    g_Scenario.Load(5);
    EXPECT_EQ(g_Scene.texturedElements->count, 0u);
    EXPECT_EQ(g_Scene.texturedElements->head, nullptr);
}

TEST_F(ScenarioTest, EachBubbleScenarioTakesItsOwnBubbleModelOutOfTheList) {
    struct Case {
        int number;
        const char* file;
    } cases[] = {{15, "HellBubble15"}, {18, "HellBubble18"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        ScenarioFiles files;
        files.number = c.number;
        files.bubbleFiles = {"HellBubble.Y3D", "HellBubble15.Y3D", "HellBubble18.Y3D"};
        files.Write();
        g_Scenario.Load(c.number);
        ASSERT_NE(g_Scenario.bubbleModel, nullptr);
        EXPECT_STREQ(g_Scenario.bubbleModel->name, "HellBubble(DIN)");
        EXPECT_FALSE(InObjects("HellBubble(DIN)"));
        EXPECT_TRUE(InObjects(c.file));
        EXPECT_FALSE(InObjects("HellBubble"));
        g_Scenario.Unload();
        EXPECT_EQ(g_Scenario.bubbleModel, nullptr);
        g_Scene.Destroy(true);
        ASSERT_TRUE(g_Scene.Create());
    }
    // No other row has the bubble flag.
    for (int n = 0; n < SCENARIO_COUNT; ++n) EXPECT_EQ(ScenarioTable[n].bubbles != 0, n == 15 || n == 18) << n;
}

TEST_F(ScenarioTest, TheLoadCallsItsNeighboursByApplicationMode) {
    struct Case {
        int mode;
        int number;
        std::vector<std::string> want;
    } cases[] = {
        {0, 5, {"rain on", "prop models", "item models", "path map"}},
        {0, 0, {"rain off", "prop models", "item models", "path map"}},
        {1, 98, {"path map"}},
        {2, 5, {"prop models", "item models", "path map"}},
        {3, 5, {"prop models", "item models", "path map"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " scenario " << c.number);
        g_Settings.mode = c.mode;
        g_calls.clear();
        g_Scenario.Load(c.number);
        EXPECT_EQ(g_calls, c.want);
        g_calls.clear();
        g_Scenario.Unload();
        EXPECT_EQ(g_calls, (std::vector<std::string>{"free props", "free items"}));
    }
}

TEST_F(ScenarioTest, OnlyAMissingOrDamagedSceneFileFailsTheLoadAndTheOtherStepsStillRun) {
    ScenarioFiles files;
    files.number = 8;   // no sky, lights or merge parts: none of them is needed
    files.Write();
    EXPECT_TRUE(g_Scenario.Load(8));
    g_Scenario.Unload();

    g_calls.clear();
    EXPECT_FALSE(g_Scenario.Load(9));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"rain off", "prop models", "item models", "path map"}));
    EXPECT_EQ(g_Scenario.row, &ScenarioTable[9]);
    EXPECT_EQ(g_Scenario.results[1], 0xffffffffu);
    g_Scenario.Unload();

    // A scene file cut short is refused like a missing one.
    std::vector<uint8_t> cut = datakit::FloorSceneFile(20.0f, 0.0f, {"Suelo"});
    cut.resize(cut.size() / 2);
    dir.Write("Modelos/Escenarios/Escenario10/Escenario10.y3d", std::string(cut.begin(), cut.end()));
    EXPECT_FALSE(g_Scenario.Load(10));
}

TEST_F(ScenarioTest, OutOfTableNumbersGetTheNeutralRow) {
    for (int n : {98, 20, -3}) {
        SCOPED_TRACE(n);
        g_Scenario.Load(n);
        ASSERT_EQ(g_Scenario.row, &NeutralScenarioRow);
        EXPECT_EQ(g_Scenario.number, n);
        g_Scenario.Unload();
    }
    const ScenarioRow& r = NeutralScenarioRow;
    EXPECT_EQ(r.fog | r.rain | r.sound2 | r.glowMotes | r.bubbles, 0u);
    EXPECT_EQ(r.fogNear, 0.0f);
    EXPECT_EQ(r.fogFar, 0.0f);
    EXPECT_EQ(r.ambient, 0xff646464u);
    EXPECT_EQ(r.fogColour, 0xff000000u);
    EXPECT_EQ(r.alpha, 64u);
}

TEST_F(ScenarioTest, ResultsStartClearedWithMinusOneInTheRecordMarkers) {
    g_Scenario.results[7] = 99;
    g_Scenario.Load(98);
    for (int i = 0; i < MATCH_RESULT_DWORDS; ++i) {
        const bool marker = i == 1 || (i >= 25 && i <= 250 && (i - 25) % 15 == 0);
        EXPECT_EQ(g_Scenario.results[i], marker ? 0xffffffffu : 0u) << "dword " << i;
    }
}

TEST_F(ScenarioTest, UnloadIsSafeBeforeAnyLoadAndTwice) {
    g_Scene.skyLayer = 1;
    g_Scenario.Unload();
    g_Scenario.Unload();
    EXPECT_TRUE(g_calls.empty()) << "with nothing loaded no neighbour is called";
    EXPECT_EQ(g_Scene.skyLayer, 1);

    ScenarioFiles files;
    files.number = 15;
    files.bubbleFiles = {"HellBubble15.Y3D"};
    files.Write();
    g_Scenario.Load(15);
    testsupport::PathMapBuilder(2, 2).Area(0, 0, 1, 1, 0.0f).Build(&g_Scenario.pathMap);
    g_Scenario.Unload();
    g_Scenario.Unload();
    EXPECT_EQ(g_Scenario.bubbleModel, nullptr);
    EXPECT_EQ(g_Scenario.pathMap.cols, 0);
    EXPECT_EQ(g_Scenario.ripple0, -1);
    EXPECT_EQ(ScenarioPathMap(), nullptr);
}

TEST_F(ScenarioTest, RainIsTakenOffTheSceneWhenTheScenarioUnloads) {
    g_Scenario.Load(13);   // a rain row
    g_Scene.SetAmbientEffect(&g_Scenario.rain);
    g_Scene.effects->Add(&g_Scenario.rain);
    g_Scenario.Unload();
    EXPECT_EQ(g_Scene.ambientEffect, nullptr);
    EXPECT_EQ(g_Scene.effects->Count(), 0) << "taken out, not deleted (the scenario owns it)";
}

TEST_F(ScenarioTest, PickingFindsTheCellUnderThePointer) {
    ScenarioFiles files;
    files.number = 6;
    files.Write();
    g_Scenario.Load(6);
    // Cells of one unit over the 40 x 40 floor; the grid starts at world -20.
    testsupport::PathMapBuilder(40, 40, 20.0f, 20.0f).Area(0, 0, 39, 39, 0.0f).Floor(23, 21, 6.0f).Build(
        &g_Scenario.pathMap);
    AimCamera(3.4f, 10.0f, -2.0f, 3.4f, 0.0f, 1.6f);
    g_Mouse.x = kSize / 2;
    g_Mouse.y = kSize / 2;
    CellRef cell{};
    ASSERT_TRUE(g_Mouse.PickMapCell(&cell));
    EXPECT_EQ(cell.x, 23);
    EXPECT_EQ(cell.z, 21);
    EXPECT_EQ(cell.layer, 0) << "the floor hit at y 0 is nearer the lower layer";

    g_Scenario.Unload();
    EXPECT_FALSE(g_Mouse.PickMapCell(&cell)) << "no map once the scenario is gone";
    g_Mouse = MouseState();
}

}  // namespace

namespace {

TEST_F(ScenarioTest, TheSpringsOfTheSceneFileGiveTheirCentresAfterSetUp) {
    ScenarioFiles files;
    files.number = 7;
    files.elements = {datakit::SpringRecord(1, {1, 2, 3}), datakit::SpringRecord(2, {-4, 0.5f, 6})};
    files.Write();
    g_Scenario.Load(7);
    g_Scenario.SetupSpringsAndPortals();
    EXPECT_EQ(g_Scenario.healthSpring, 1);
    EXPECT_EQ(g_Scenario.energySpring, 1);
    EXPECT_FLOAT_EQ(g_Scenario.healthSpringCentre.z, 3.0f);
    EXPECT_FLOAT_EQ(g_Scenario.energySpringCentre.x, -4.0f);
    EXPECT_FLOAT_EQ(g_Scenario.energySpringCentre.y, 0.5f);
}

}  // namespace
