// Springs and portals from hand-made scene elements, with the fighters' test-kit effect pool:
// pairing, facing, the layers under the portals, a second set-up, a full pool, and the path
// search through a pair.
#include <gtest/gtest.h>

#include <bit>
#include <numbers>
#include <vector>

#include "scene/object_list.h"
#include "scene/scene_element.h"
#include "scene/scene_element_records.h"
#include "support/fighter_kit.h"
#include "support/path_map_builder.h"
#include "world/path_search.h"
#include "world/scenario.h"

using testsupport::PathMapBuilder;
using testsupport::Recorder;

namespace {

struct PortalAt {
    Vec3 position;
    Vec3 direction;
    uint32_t kind;
};

class SpringsAndPortalsTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetScenario();
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        PathMapBuilder(16, 8).Area(0, 0, 15, 7, 0.0f).Build(&g_Scenario.pathMap);
    }
    void TearDown() override {
        ResetScenario();
        ResetPathSearch();
        testsupport::RemoveFighterRecorders();
        fxtest::FxDeviceTest::TearDown();
    }

    static void SetVector(uint32_t* to, const Vec3& v) {
        to[0] = std::bit_cast<uint32_t>(v.x);
        to[1] = std::bit_cast<uint32_t>(v.y);
        to[2] = std::bit_cast<uint32_t>(v.z);
    }
    // The list is walked from its head, so the elements are added last first to be met in order.
    static void Place(const std::vector<PortalAt>& portals) {
        for (auto p = portals.rbegin(); p != portals.rend(); ++p) {
            auto* e = new SceneElement8();
            SetVector(&e->values[0], p->direction);
            SetVector(&e->values[3], p->position);
            e->values[6] = p->kind;
            g_Scene.elements->Add(e);
        }
    }
    static void PlaceSpring(const Vec3& at, uint32_t subtype) {
        auto* e = new SceneElement4();
        SetVector(&e->values[0], at);
        e->values[3] = subtype;
        g_Scene.elements->Add(e);
    }
    static std::vector<int32_t> Partners() {
        std::vector<int32_t> out;
        for (const PortalRecord& p : g_Portals)
            if (p.active) out.push_back(p.partner);
        return out;
    }
    static int LiveEffects(int32_t type) {
        int n = 0;
        for (const testsupport::KitEffectSlot& e : Recorder().effects) n += e.active && e.type == type;
        return n;
    }
    static PortalAt Portal(float x, float z, uint32_t kind) { return {{x, 0.0f, z}, {0, 0, 1}, kind}; }
};

TEST_F(SpringsAndPortalsTest, PortalsPairByCountThenByKindInOrder) {
    struct Case {
        const char* name;
        std::vector<uint32_t> kinds;
        std::vector<int32_t> partners;
    } cases[] = {
        {"two of different kinds pair with each other", {0, 1}, {1, 0}},
        {"four of kinds 0, 1, 0, 1 pair 0-2 and 1-3", {0, 1, 0, 1}, {2, 3, 0, 1}},
        {"three of kind 0: the first two pair, the third is left", {0, 0, 0}, {1, 0, -1}},
        {"a lone portal stays unpaired", {1}, {-1}},
        {"none", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_Scene.elements->DeleteAll();
        std::vector<PortalAt> portals;
        for (size_t i = 0; i < c.kinds.size(); ++i) portals.push_back(Portal(1.5f + 2.0f * float(i), 2.5f, c.kinds[i]));
        Place(portals);
        g_Scenario.SetupSpringsAndPortals();
        EXPECT_EQ(Partners(), c.partners);
        for (size_t i = 0; i < c.kinds.size(); ++i) {
            EXPECT_EQ(g_Portals[i].kind, int32_t(c.kinds[i]));
            EXPECT_FLOAT_EQ(g_Portals[i].position.x, 1.5f + 2.0f * float(i));
        }
        EXPECT_EQ(LiveEffects(63) + LiveEffects(64), int(c.kinds.size()));
    }
}

TEST_F(SpringsAndPortalsTest, APortalFacesTheYawOfItsElementsDirection) {
    struct Case {
        Vec3 direction;
        float yaw;
    } cases[] = {
        {{0, 0, -1}, kPi},
        {{1, 0, 0}, kPi / 2},
        {{-1, 0, 0}, 3 * kPi / 2},
        {{0, 0, 4}, 0.0f},
        {{3, 0, 3}, kPi / 4},
        {{0.00005f, 0, 1}, 0.0f},      // x below 0.0001 after normalising: straight along z
        {{0, 0, 0}, kPi},              // no direction counts as facing -z
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.direction.x << ", " << c.direction.y << ", " << c.direction.z << ")");
        g_Scene.elements->DeleteAll();
        Place({{{2.5f, 0, 2.5f}, c.direction, 0}});
        g_Scenario.SetupSpringsAndPortals();
        const std::vector<int32_t> made = Recorder().CreatedOfType(63);
        ASSERT_FALSE(made.empty());
        EXPECT_NEAR(Recorder().effects[made.back()].angle, c.yaw, 1e-5f);
        EXPECT_NEAR(g_Portals[0].facing.x, std::sin(c.yaw), 1e-5f);
        EXPECT_NEAR(g_Portals[0].facing.z, std::cos(c.yaw), 1e-5f);
    }
}

TEST_F(SpringsAndPortalsTest, LayersUnderPortalsPointAtTheirRecordsAndNoOthersDo) {
    PathMap& map = g_Scenario.pathMap;
    map.GetLayer({5, 5, 0})->portal = &g_Portals[7];   // left from an earlier set-up
    Place({Portal(2.5f, 3.5f, 0), Portal(40.0f, 3.5f, 1), Portal(9.5f, 1.5f, 1)});
    g_Scenario.SetupSpringsAndPortals();
    ASSERT_EQ(Partners(), (std::vector<int32_t>{-1, 2, 1}));
    EXPECT_EQ(map.GetLayer({2, 3, 0})->portal, &g_Portals[0]);
    EXPECT_EQ(map.GetLayer({9, 1, 0})->portal, &g_Portals[2]);
    int pointers = 0;
    for (const auto& column : map.columns)
        for (const PathCell& cell : column)
            for (const PathLayer& layer : cell.layers) pointers += layer.portal != nullptr;
    EXPECT_EQ(pointers, 2) << "the portal off the map has a record but no layer";
}

TEST_F(SpringsAndPortalsTest, ASecondSetUpLeavesOneEffectPerFeatureAndTheSamePairs) {
    Place({Portal(1.5f, 1.5f, 0), Portal(3.5f, 1.5f, 1), Portal(5.5f, 1.5f, 0), Portal(7.5f, 1.5f, 1)});
    PlaceSpring({3, 1, 4}, 1);
    PlaceSpring({7, 2, 1}, 2);
    PlaceSpring({9, 9, 9}, 3);   // no kind of spring
    for (int call = 1; call <= 2; ++call) {
        SCOPED_TRACE(testing::Message() << "call " << call);
        g_Scenario.SetupSpringsAndPortals();
        EXPECT_EQ(Partners(), (std::vector<int32_t>{2, 3, 0, 1}));
        EXPECT_EQ(LiveEffects(63), 2);
        EXPECT_EQ(LiveEffects(64), 2);
        EXPECT_EQ(LiveEffects(66), 1);
        EXPECT_EQ(LiveEffects(67), 1);
        EXPECT_EQ(g_Scenario.healthSpring, 1);
        EXPECT_EQ(g_Scenario.energySpring, 1);
        EXPECT_EQ(g_Scenario.healthSpringCentre.z, 4.0f);
        EXPECT_EQ(g_Scenario.energySpringCentre.y, 2.0f);
        EXPECT_EQ(g_Scenario.pathMap.GetLayer({5, 1, 0})->portal, &g_Portals[2]);
    }
}

TEST_F(SpringsAndPortalsTest, AFullPoolLeavesSpringsFlaggedAndPortalsWithoutRecords) {
    for (testsupport::KitEffectSlot& e : Recorder().effects) e.active = true;   // every slot busy, type -1
    Place({Portal(1.5f, 1.5f, 0), Portal(3.5f, 1.5f, 1)});
    PlaceSpring({3, 1, 4}, 1);
    PlaceSpring({6, 1, 2}, 2);
    g_Scenario.SetupSpringsAndPortals();
    EXPECT_TRUE(Recorder().created.empty());
    EXPECT_EQ(g_Scenario.healthSpring, 1);
    EXPECT_EQ(g_Scenario.energySpring, 1);
    EXPECT_FLOAT_EQ(g_Scenario.healthSpringCentre.x, 3.0f);
    EXPECT_FLOAT_EQ(g_Scenario.energySpringCentre.x, 6.0f);
    EXPECT_TRUE(Partners().empty());
}

TEST_F(SpringsAndPortalsTest, ThePathSearchStepsThroughAPairedPortal) {
    // Two floors with nothing between them but the pair.
    PathMapBuilder(9, 3).Area(0, 0, 2, 2, 0.0f).Area(6, 0, 8, 2, 0.0f).Build(&g_Scenario.pathMap);
    Place({Portal(1.5f, 1.5f, 0), Portal(7.5f, 1.5f, 1)});
    g_Scenario.SetupSpringsAndPortals();
    int32_t length = 0;
    CellRef points[16];
    ASSERT_TRUE(g_PathSearch.FindPath(PathBlock{&length, points, 16}, {0, 1, 0}, {8, 1, 0}));
    EXPECT_EQ(std::vector<CellRef>(points, points + length),
              (std::vector<CellRef>{{0, 1, 0}, {1, 1, 0}, {7, 1, 0}, {8, 1, 0}}));
}

}  // namespace
