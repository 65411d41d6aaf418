// The item slots: spawning by slot, type group and machine, collecting and respawning, repeated
// removal, random cells, the per-frame turn and the host's events.
#include <cmath>

#include "element_fixture.h"
#include "scene/camera.h"
#include "support/path_map_builder.h"

namespace elementtest {
namespace {

using fightertest::kStartTime;

constexpr int kPotion = 3;          // "Vida Parcial", back after 60 s
constexpr int kCredits5 = 21;
const Vec3 kOnFloor{4.5f, 0.5f, 4.5f};

using ItemTest = ElementTest;

PathLayer* LayerAt(int32_t x, int32_t z) { return g_Scenario.pathMap.GetLayer({x, z, 0}); }

TEST_F(ItemTest, TheTypeTableGroupsItsRowsAndCreditsCountTheActiveCreditItems) {
    uint32_t sizes[ITEM_GROUP_COUNT] = {};
    for (const ItemTypeRow& row : ItemTypeTable) ++sizes[row.group < ITEM_GROUP_COUNT ? row.group : 0];
    const uint32_t expected[ITEM_GROUP_COUNT] = {3, 12, 3, 2, 4, 26, 2, 6};
    for (int g = 0; g < ITEM_GROUP_COUNT; ++g) EXPECT_EQ(sizes[g], expected[g]) << "group " << g;

    for (int type : {20, 23, 23, kPotion, 22}) ASSERT_GE(SpawnItem(-1, type, kOnFloor, false), 0);
    g_Items[4].Collect();
    EXPECT_EQ(CountItemCredits(), 101u);
}

TEST_F(ItemTest, ACollectedBombComesBackInItsSlotAfterTenSecondsAndTheHostTellsEachStep) {
    Network(true, true);
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    Item& bomb = g_Items[0];
    EXPECT_EQ(LayerAt(4, 4)->item, &bomb);
    EXPECT_TRUE(Recorder().CreatedOfType(91).empty()) << "no spawn flash when not asked";
    EXPECT_EQ(Recorder().effects[bomb.effect1].type, 97);
    EXPECT_EQ(Recorder().effects[bomb.effect1].colour, 0xff64ffu);
    const int32_t loop = bomb.effect1;
    const uint32_t listed = g_Scene.objects->count;

    bomb.Collect();
    EXPECT_EQ(bomb.active + 2 * bomb.present, 1) << "hidden, not freed";
    EXPECT_EQ(g_Scene.objects->count, listed - 1);
    EXPECT_EQ(LayerAt(4, 4)->item, nullptr);
    EXPECT_TRUE(Recorder().effects[loop].stopped);
    EXPECT_EQ(Recorder().CreatedOfType(92).size(), 1u) << "the pick-up flash";

    SetTime(kStartTime + 10000);
    UpdateAllItems();
    EXPECT_EQ(bomb.present, 0) << "not before more than 10 s";
    SetTime(kStartTime + 10001);
    UpdateAllItems();
    EXPECT_EQ(bomb.present, 1);
    EXPECT_EQ(LayerAt(4, 4)->item, &bomb);
    EXPECT_EQ(Recorder().CreatedOfType(91).size(), 1u);

    const auto spawns = EventsOfType(EVENT_SPAWN_ITEM);
    ASSERT_EQ(spawns.size(), 2u);
    ASSERT_EQ(spawns[1].size(), 19u);
    EXPECT_EQ(U32At(spawns[1], 1), 0u);
    EXPECT_EQ(spawns[1][5], ITEM_BOMB);
    EXPECT_EQ(U32At(spawns[1], 10), 0x3f000000u) << "y 0.5";
    EXPECT_EQ(spawns[0][18] * 10 + spawns[1][18], 1) << "the spawn flash flag, the second time only";
    const auto collects = EventsOfType(EVENT_COLLECT_ITEM);
    ASSERT_EQ(collects.size(), 1u);
    EXPECT_EQ(collects[0], (std::vector<uint8_t>{EVENT_COLLECT_ITEM, 0, 0, 0, 0}));
}

TEST_F(ItemTest, SlotsTypeGroupsMachinesAndPositionsDecideWhatSpawns) {
    ASSERT_EQ(SpawnItem(0, kPotion, kOnFloor, false), 0);
    ASSERT_EQ(SpawnItem(1, kCredits5, kOnFloor, false), 1);
    g_Items[1].Collect();   // credits do not come back: slot 1 is free again
    struct Case {
        const char* what;
        bool network, hosting, dispatching;
        int mode, slot, type;
        Vec3 at;
        int expected;
    } cases[] = {
        {"slot 1000: the first free", false, false, false, 0, 1000, kPotion, kOnFloor, 1},
        {"a negative slot other than -1", false, false, false, 0, -5, kPotion, kOnFloor, 1},
        {"a present item's slot", false, false, false, 0, 0, kPotion, kOnFloor, -1},
        {"a free slot as given", false, false, false, 0, 500, kPotion, kOnFloor, 500},
        {"a letter alone", false, false, false, 0, -1, 24, kOnFloor, 1},
        {"a screen item alone", false, false, false, 0, -1, 52, kOnFloor, -1},
        {"a screen item in the editor", false, false, false, 3, -1, 52, kOnFloor, 1},
        {"a letter on the host", true, true, false, 0, -1, 24, kOnFloor, -1},
        {"a punishment on the host", true, true, false, 0, -1, 18, kOnFloor, -1},
        {"a screen item on the host", true, true, false, 0, -1, 52, kOnFloor, 1},
        {"a bomb on a client by itself", true, false, false, 0, -1, ITEM_BOMB, kOnFloor, -1},
        {"a bomb from the host's event", true, false, true, 0, -1, ITEM_BOMB, kOnFloor, 1},
        {"a letter on a client by itself", true, false, false, 0, -1, 24, kOnFloor, -1},
        {"a letter from the host's event", true, false, true, 0, -1, 24, kOnFloor, 1},
        {"a punishment from the host's event", true, false, true, 0, -1, 18, kOnFloor, 1},
        {"type 58", false, false, false, 0, -1, 58, kOnFloor, -1},
        {"off the map", false, false, false, 0, -1, kPotion, {40.5f, 0.0f, 4.5f}, -1},
        {"a position that is no number", false, false, false, 0, -1, kPotion, {NAN, 0.0f, 4.5f}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Network(c.network, c.hosting, c.dispatching);
        g_Settings.mode = c.mode;
        const int slot = SpawnItem(c.slot, c.type, c.at, false);
        EXPECT_EQ(slot, c.expected);
        if (slot >= 0) g_Items[slot].Remove();
    }
}

TEST_F(ItemTest, RepeatedCollectionsAndRemovalsTouchEachItemOnceAndSpareItsNeighbour) {
    const uint32_t listed = g_Scene.objects->count;
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    ASSERT_EQ(SpawnItem(-1, kCredits5, {6.5f, 0.5f, 6.5f}, false), 1);
    ASSERT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), 2);
    Network(true, false);
    g_Items[0].Collect();
    EXPECT_EQ(g_Items[0].present, 1) << "a client waits for the host";
    Network(true, true);
    g_Items[2].Remove();
    CollectAllItems();
    CollectAllItems();
    EXPECT_TRUE(ApplyCollectItemEvent(0));
    EXPECT_FALSE(ApplyCollectItemEvent(-1));
    EXPECT_FALSE(ApplyCollectItemEvent(ITEM_SLOTS));
    EXPECT_EQ(EventsOfType(EVENT_COLLECT_ITEM).size(), 2u) << "one per item taken";
    g_Items[0].Remove();
    g_Items[0].Remove();
    EXPECT_EQ(g_Scene.objects->count, listed);
    // An item leaving a cell never takes another item's place on it with it.
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    ASSERT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), 1);
    g_Items[0].Collect();
    EXPECT_EQ(LayerAt(4, 4)->item, &g_Items[1]);
}

TEST_F(ItemTest, ALyingItemTurnsAndKeepsItsSecondEffectTowardTheCamera) {
    AimCamera(4.5f, 0.5f, -5.5f, 4.5f, 0.5f, 4.5f);
    ASSERT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), 0);
    Recorder().frameSeconds = 0.02f;
    UpdateAllItems();
    UpdateAllItems();
    // 1.5 rad/s for 0.04 s: 0.06 rad about y.
    const Quat q = g_Items[0].model->transform.rotation;
    EXPECT_NEAR(q.y, 0.0299955f, 1e-6f);
    EXPECT_NEAR(q.w, 0.9995500f, 1e-6f);
    EXPECT_FLOAT_EQ(Recorder().effects[g_Items[0].effect2].position.z, 4.0f);
}

TEST_F(ItemTest, ARandomCellNeedsAMapALocalFighterAndRoomAwayFromFighters) {
    EXPECT_EQ(SpawnItemAtRandomCell(kPotion), -1) << "no local fighter";
    Character& local = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    Recorder().local = &local;
    ASSERT_EQ(SpawnItemAtRandomCell(kPotion), 0);
    const Vec3 at = g_Items[0].position;
    CellRef cell{};
    ASSERT_TRUE(g_Scenario.pathMap.WorldToCell(at, &cell, 0.6f));
    const Vec3 centre{float(cell.x) + 0.5f, g_Scenario.pathMap.GetLayer(cell)->floor, float(cell.z) + 0.5f};
    EXPECT_FLOAT_EQ(at.x, centre.x);
    EXPECT_FLOAT_EQ(at.y, centre.y + 0.5f);
    EXPECT_GE(Vec3Length(Vec3Sub(centre, local.position)), 20.0f);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer(cell)->item, &g_Items[0]);

    testsupport::PathMapBuilder(5, 5).Area(0, 0, 4, 4, 0.0f).Build(&g_Scenario.pathMap);
    EXPECT_EQ(SpawnItemAtRandomCell(kPotion), -1) << "every cell within 20 of the fighter";
    g_Scenario.pathMap.Free();
    EXPECT_EQ(SpawnItemAtRandomCell(kPotion), -1) << "an empty map";
}

}  // namespace
}  // namespace elementtest
