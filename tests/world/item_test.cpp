// The item slots: spawning by slot, type group and machine, collecting and respawning, removal,
// random cells, the per-frame turn, the models' files and the host's events.
#include <cmath>
#include <filesystem>
#include <string>

#include "element_fixture.h"
#include "scene/camera.h"
#include "scene/object_list.h"
#include "support/path_map_builder.h"
#include "support/y3d_builder.h"

namespace elementtest {
namespace {

using fightertest::kStartTime;

constexpr int kPotion = 3;          // "Vida Parcial", respawns after 60 s
constexpr int kCredits5 = 21;
constexpr int kLetterA = 24;
constexpr int kPunishment = 18;     // "Castigo Divino"
constexpr int kCrazyScreen = 52;    // "Pantalla Loca"
const Vec3 kOnFloor{4.5f, 0.5f, 4.5f};

using ItemTest = ElementTest;

const PathLayer* LayerAt(int32_t x, int32_t z) { return g_Scenario.pathMap.GetLayer({x, z, 0}); }

TEST_F(ItemTest, TheTypeTableGroupsAndValuesItsRows) {
    uint32_t groupSizes[ITEM_GROUP_COUNT] = {};
    for (int t = 0; t < ITEM_TYPE_COUNT; ++t) {
        SCOPED_TRACE(t);
        const ItemTypeRow& row = ItemTypeTable[t];
        EXPECT_EQ(row.code, uint32_t(100 + t));
        ASSERT_LT(row.group, uint32_t(ITEM_GROUP_COUNT));
        ++groupSizes[row.group];
        // Ammunition, credits and letters never come back; everything else does.
        const bool once = row.group == 0 || row.group == 4 || row.group == 5;
        EXPECT_EQ(row.respawn == 0, once);
        EXPECT_EQ(row.spawnEffect == -1, row.group == 0);
    }
    const uint32_t expected[ITEM_GROUP_COUNT] = {3, 12, 3, 2, 4, 26, 2, 6};
    for (int g = 0; g < ITEM_GROUP_COUNT; ++g) EXPECT_EQ(groupSizes[g], expected[g]) << "group " << g;
    EXPECT_STREQ(ItemTypeTable[kLetterA + 25].name, "Letra Z");
    EXPECT_STREQ(ItemTypeTable[22].name, "Cr\xe9" "ditos 25");
    EXPECT_EQ(ItemCreditValue(19), 0u);
    EXPECT_EQ(ItemCreditValue(22), 25u);
}

TEST_F(ItemTest, ACollectedBombComesBackInItsSlotAfterTenSecondsAndTheHostTellsEachStep) {
    Network(true, true);
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    Item& bomb = g_Items[0];
    EXPECT_EQ(LayerAt(4, 4)->item, &bomb);
    // Its two loops in its colour, no spawn flash when not asked.
    EXPECT_TRUE(Recorder().CreatedOfType(91).empty());
    ASSERT_EQ(Recorder().CreatedOfType(97).size(), 1u);
    EXPECT_EQ(Recorder().effects[bomb.effect1].colour, 0xff64ffu);
    EXPECT_EQ(Recorder().effects[bomb.effect2].type, 90);
    const int32_t loop1 = bomb.effect1;
    const uint32_t listed = g_Scene.objects->count;

    bomb.Collect();
    EXPECT_EQ(bomb.active, 1);
    EXPECT_EQ(bomb.present, 0);
    EXPECT_EQ(bomb.model, nullptr);
    EXPECT_EQ(g_Scene.objects->count, listed - 1);
    EXPECT_EQ(LayerAt(4, 4)->item, nullptr);
    EXPECT_TRUE(Recorder().effects[loop1].stopped);
    ASSERT_EQ(Recorder().CreatedOfType(92).size(), 1u);
    EXPECT_FLOAT_EQ(Recorder().effects[Recorder().CreatedOfType(92)[0]].position.z, 4.5f);

    SetTime(kStartTime + 10000);
    UpdateAllItems();
    EXPECT_EQ(bomb.present, 0) << "not before more than 10 s";
    SetTime(kStartTime + 10001);
    UpdateAllItems();
    EXPECT_EQ(bomb.present, 1);
    EXPECT_EQ(bomb.slot, 0);
    EXPECT_FLOAT_EQ(bomb.position.x, 4.5f);
    EXPECT_EQ(LayerAt(4, 4)->item, &bomb);
    EXPECT_EQ(Recorder().CreatedOfType(91).size(), 1u) << "the spawn flash this time";

    const auto spawns = EventsOfType(EVENT_SPAWN_ITEM);
    ASSERT_EQ(spawns.size(), 2u);
    const std::vector<uint8_t>& again = spawns[1];
    ASSERT_EQ(again.size(), 19u);
    EXPECT_EQ(U32At(again, 1), 0u);
    EXPECT_EQ(again[5], ITEM_BOMB);
    EXPECT_FLOAT_EQ(F32At(again, 6), 4.5f);
    EXPECT_FLOAT_EQ(F32At(again, 10), 0.5f);
    EXPECT_FLOAT_EQ(F32At(again, 14), 4.5f);
    EXPECT_EQ(spawns[0][18], 0);
    EXPECT_EQ(again[18], 1);
    const auto collects = EventsOfType(EVENT_COLLECT_ITEM);
    ASSERT_EQ(collects.size(), 1u);
    EXPECT_EQ(collects[0].size(), 5u);
    EXPECT_EQ(U32At(collects[0], 1), 0u);
}

TEST_F(ItemTest, CollectedCreditsDoNotComeBackAndFreeTheirSlot) {
    ASSERT_EQ(SpawnItem(-1, kCredits5, kOnFloor, false), 0);
    g_Items[0].Collect();
    EXPECT_EQ(g_Items[0].active, 0);
    SetTime(kStartTime + 1000000);
    UpdateAllItems();
    EXPECT_EQ(g_Items[0].active, 0);
    EXPECT_EQ(SpawnItem(-1, kPotion, {6.5f, 0.5f, 6.5f}, false), 0);
}

TEST_F(ItemTest, ASlotOutsideTheTableMeansTheFirstFreeOneAndAPresentItemKeepsItsSlot) {
    ASSERT_EQ(SpawnItem(0, kPotion, kOnFloor, false), 0);
    ASSERT_EQ(SpawnItem(1, kPotion, kOnFloor, false), 1);
    struct Case {
        const char* what;
        int slot;
        int expected;
    } cases[] = {
        {"slot 1000", 1000, 2},
        {"a negative slot other than -1", -5, 3},
        {"a slot in use by a present item", 1, -1},
        {"a free slot as given", 500, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SpawnItem(c.slot, kPotion, kOnFloor, false), c.expected);
    }
    // A hidden, respawning item's slot may be spawned into (its respawn does that).
    g_Items[1].Collect();
    EXPECT_EQ(SpawnItem(1, ITEM_BOMB, kOnFloor, false), 1);
    EXPECT_EQ(g_Items[1].type, ITEM_BOMB);
}

TEST_F(ItemTest, TheGameKindMachineAndPositionDecideWhichTypesSpawn) {
    struct Case {
        const char* what;
        bool network, hosting, dispatching;
        int mode;
        int type;
        Vec3 at;
        bool spawned;
    } cases[] = {
        {"a letter alone", false, false, false, 0, kLetterA, kOnFloor, true},
        {"a punishment alone", false, false, false, 0, kPunishment, kOnFloor, true},
        {"a screen item alone", false, false, false, 0, kCrazyScreen, kOnFloor, false},
        {"a screen item in the editor", false, false, false, 3, kCrazyScreen, kOnFloor, true},
        {"a letter on the host", true, true, false, 0, kLetterA, kOnFloor, false},
        {"a punishment on the host", true, true, false, 0, kPunishment, kOnFloor, false},
        {"a screen item on the host", true, true, false, 0, kCrazyScreen, kOnFloor, true},
        {"a bomb on a client by itself", true, false, false, 0, ITEM_BOMB, kOnFloor, false},
        {"a bomb on a client from the host's event", true, false, true, 0, ITEM_BOMB, kOnFloor, true},
        {"type 58", false, false, false, 0, 58, kOnFloor, false},
        {"type -1", false, false, false, 0, -1, kOnFloor, false},
        {"off the map", false, false, false, 0, kPotion, {40.5f, 0.0f, 4.5f}, false},
        {"a position that is no number", false, false, false, 0, kPotion, {NAN, 0.0f, 4.5f}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Network(c.network, c.hosting, c.dispatching);
        g_Settings.mode = c.mode;
        const int slot = SpawnItem(-1, c.type, c.at, false);
        EXPECT_EQ(slot >= 0, c.spawned);
        if (slot >= 0) g_Items[slot].Remove();
    }
    Network(false, false);
    delete g_ItemModels[kPotion];
    g_ItemModels[kPotion] = nullptr;
    EXPECT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), -1) << "a type without a model";
}

TEST_F(ItemTest, CreditsCountTheActiveCreditItemsOnly) {
    for (int type : {20, 23, 23, kPotion}) ASSERT_GE(SpawnItem(-1, type, kOnFloor, false), 0);
    EXPECT_EQ(CountItemCredits(), 101u);
    ASSERT_EQ(SpawnItem(-1, 22, kOnFloor, false), 4);
    g_Items[4].Collect();
    EXPECT_EQ(CountItemCredits(), 101u);
}

TEST_F(ItemTest, RepeatedCollectionsAndRemovalsDeleteEachModelOnce) {
    const uint32_t listed = g_Scene.objects->count;
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    ASSERT_EQ(SpawnItem(-1, kCredits5, {6.5f, 0.5f, 6.5f}, false), 1);
    Network(true, true);
    CollectAllItems();
    CollectAllItems();
    EXPECT_TRUE(ApplyCollectItemEvent(0));
    EXPECT_FALSE(ApplyCollectItemEvent(-1));
    EXPECT_FALSE(ApplyCollectItemEvent(ITEM_SLOTS));
    EXPECT_EQ(EventsOfType(EVENT_COLLECT_ITEM).size(), 2u) << "one per item taken";
    EXPECT_EQ(g_Scene.objects->count, listed);
    g_Items[0].Remove();
    g_Items[0].Remove();
    FreeAllItems();
    EXPECT_EQ(g_Scene.objects->count, listed);
    EXPECT_EQ(g_ItemModels[ITEM_BOMB], nullptr);
}

TEST_F(ItemTest, AClientTakesItemsOnlyWhenTheHostSaysSo) {
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    Network(true, false);
    g_Items[0].Collect();
    EXPECT_EQ(g_Items[0].present, 1);
    Network(true, false, true);
    EXPECT_TRUE(ApplyCollectItemEvent(0));
    EXPECT_EQ(g_Items[0].present, 0);
    EXPECT_TRUE(EventsOfType(EVENT_COLLECT_ITEM).empty());
}

TEST_F(ItemTest, CollectingOneOfTwoItemsOnACellLeavesTheOtherOnIt) {
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    ASSERT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), 1);
    EXPECT_EQ(LayerAt(4, 4)->item, &g_Items[1]);
    g_Items[0].Collect();
    EXPECT_EQ(LayerAt(4, 4)->item, &g_Items[1]);
    g_Items[1].Remove();
    EXPECT_EQ(LayerAt(4, 4)->item, nullptr);
}

TEST_F(ItemTest, ALyingItemTurnsAndKeepsItsSecondEffectTowardTheCamera) {
    AimCamera(4.5f, 0.5f, -5.5f, 4.5f, 0.5f, 4.5f);
    ASSERT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), 0);
    Item& item = g_Items[0];
    Recorder().frameSeconds = 0.02f;
    UpdateAllItems();
    UpdateAllItems();
    // 1.5 rad/s for 0.04 s: 0.06 rad about y.
    const Quat q = item.model->transform.rotation;
    EXPECT_NEAR(q.y, 0.0299955f, 1e-6f);
    EXPECT_NEAR(q.w, 0.9995500f, 1e-6f);
    EXPECT_NEAR(q.x, 0.0f, 1e-7f);
    EXPECT_EQ(item.model->transformValid, 0);
    const Vec3 effect = Recorder().effects[item.effect2].position;
    EXPECT_FLOAT_EQ(effect.x, 4.5f);
    EXPECT_FLOAT_EQ(effect.y, 0.5f);
    EXPECT_FLOAT_EQ(effect.z, 4.0f);
    EXPECT_FLOAT_EQ(Recorder().effects[item.effect1].position.z, 4.5f);
}

TEST_F(ItemTest, ARandomCellNeedsAMapALocalFighterAndRoomAwayFromFighters) {
    {
        SCOPED_TRACE("no local fighter");
        EXPECT_EQ(SpawnItemAtRandomCell(kPotion), -1);
    }
    Character& local = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    Recorder().local = &local;
    {
        SCOPED_TRACE("a type without a model");
        EXPECT_EQ(SpawnItemAtRandomCell(58), -1);
    }
    {
        SCOPED_TRACE("the arena: a reachable cell at least 20 from the fighter");
        const int slot = SpawnItemAtRandomCell(kPotion);
        ASSERT_EQ(slot, 0);
        const Vec3 at = g_Items[0].position;
        EXPECT_GE(Vec3Length(Vec3Sub(Vec3{at.x, at.y - 0.5f, at.z}, local.position)), 20.0f);
        EXPECT_FLOAT_EQ(at.x - std::floor(at.x), 0.5f);
        EXPECT_FLOAT_EQ(at.z - std::floor(at.z), 0.5f);
        CellRef cell{};
        ASSERT_TRUE(g_Scenario.pathMap.WorldToCell(at, &cell, 0.6f));
        EXPECT_FLOAT_EQ(at.y, g_Scenario.pathMap.GetLayer(cell)->floor + 0.5f);
        EXPECT_EQ(g_Scenario.pathMap.GetLayer(cell)->item, &g_Items[0]);
        EXPECT_TRUE(Recorder().CreatedOfType(91).empty()) << "no spawn flash";
    }
    {
        SCOPED_TRACE("a 5 x 5 map: every cell lies within 20 of the fighter");
        testsupport::PathMapBuilder(5, 5).Area(0, 0, 4, 4, 0.0f).Build(&g_Scenario.pathMap);
        EXPECT_EQ(SpawnItemAtRandomCell(kPotion), -1);
    }
    {
        SCOPED_TRACE("an empty map");
        g_Scenario.pathMap.Free();
        EXPECT_EQ(SpawnItemAtRandomCell(kPotion), -1);
    }
}

TEST_F(ItemTest, ModelsComeFromTheirFilesAndLeaveTheObjectList) {
    ResetItems();
    std::filesystem::create_directories("Modelos/Items");
    for (int type : {ITEM_BOMB, kCredits5}) {
        char name[32];
        std::snprintf(name, sizeof name, "item%02d", type);
        testsupport::Y3DSceneFile file;
        testsupport::Y3DMeshNode node;
        node.name = std::string(name) + " (DIN)";
        node.type = 0x101;
        file.records.push_back(testsupport::MeshNodeRecord(node));
        ASSERT_TRUE(testsupport::WriteBytes(std::string("Modelos/Items/") + name + ".y3d", file.Build()));
    }
    const uint32_t listed = g_Scene.objects->count;
    LoadItemModels();
    ASSERT_NE(g_ItemModels[ITEM_BOMB], nullptr);
    EXPECT_STREQ(g_ItemModels[kCredits5]->name, "item21 (DIN)");
    EXPECT_EQ(g_ItemModels[kPotion], nullptr);
    EXPECT_EQ(g_Scene.objects->count, listed);
    EXPECT_EQ(SpawnItem(-1, kPotion, kOnFloor, false), -1);
    ASSERT_EQ(SpawnItem(-1, ITEM_BOMB, kOnFloor, false), 0);
    EXPECT_EQ(g_Items[0].model->lit, 0) << "no point lights";
    FreeAllItems();
    EXPECT_EQ(g_Items[0].active, 0);
    EXPECT_EQ(g_ItemModels[ITEM_BOMB], nullptr);
    EXPECT_EQ(g_Scene.objects->count, listed);
}

}  // namespace
}  // namespace elementtest
