// The element-map editor on the arena: placement under the limits and cell rules, the selectors,
// the palette bar, mouse placing and picking, edit mode, deleting, reloading and the play-test.
#include <bit>

#include "editor_fixture.h"
#include "effects/effect_list.h"
#include "effects/effect_slots.h"
#include "scene/glow.h"
#include "shell/main_loop.h"
#include "datakit/pack_writer.h"
#include "world/world_calls.h"

namespace elementtest {
namespace {

using PlacementTest = EditorTest;

TEST_F(PlacementTest, FightersAreLimitedToSixteenCountingTheCommonOnes) {
    Kind(9);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(Place(ELEMENT_FIGHTER, i % 2, i, 1)) << i;
    Kind(0);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(Place(ELEMENT_FIGHTER, 0, i, 3)) << i;
    EXPECT_EQ(CountCharacters(), 16u);
    EXPECT_FALSE(Place(ELEMENT_FIGHTER, 0, 7, 3));
    EXPECT_EQ(g_ElementMap.list.Count(), 16);
    // Another game kind counts only its own and the common ones.
    Kind(2);
    EXPECT_TRUE(Place(ELEMENT_FIGHTER, 1, 7, 3));
    // Outside the palette, negative, or on an occupied cell: refused, nothing recorded.
    EXPECT_FALSE(Place(ELEMENT_FIGHTER, 2, 8, 3));
    EXPECT_FALSE(Place(ELEMENT_ITEM, -1, 8, 3));
    EXPECT_FALSE(Place(ELEMENT_ITEM, 3, 0, 1));
    EXPECT_FALSE(Place(ELEMENT_EFFECT, 7, 8, 3));     // an effect without a name
    EXPECT_EQ(g_ElementMap.list.Count(), 17);
}

TEST_F(PlacementTest, ASecondSymbolOfATeamReplacesTheFirst) {
    Kind(0);
    ASSERT_TRUE(Place(ELEMENT_SPECIAL, 0, 2, 2));
    ASSERT_TRUE(Place(ELEMENT_SPECIAL, 1, 4, 2));
    ASSERT_TRUE(Place(ELEMENT_SPECIAL, 0, 6, 2));
    EXPECT_EQ(g_ElementMap.list.Count(), 2);
    EXPECT_EQ(CountSymbolsOfTeam(0), 1u);
    EXPECT_EQ(Layer(2, 2).specialRole, 0);
    EXPECT_EQ(Layer(6, 2).specialRole, ELEMENT_ROLE_SYMBOL);
    EXPECT_EQ(Layer(6, 2).character, nullptr);
    EXPECT_FLOAT_EQ(g_Match.symbols[0].pedestalPosition.x, 6.5f);
    EXPECT_EQ(Last()->role, ELEMENT_ROLE_SYMBOL);
}

TEST_F(PlacementTest, RemovingCheckpointThreeOfTenRenumbersTheRestButNotTheRecords) {
    Kind(1);
    std::vector<ElementRecord*> posts;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(Place(ELEMENT_SPECIAL, 2, i, 4));
        posts.push_back(Last());
        EXPECT_EQ(Last()->index, i);
    }
    DespawnElement(posts[3]);
    EXPECT_EQ(CountCheckpoints(), 9u);
    for (int i = 3; i < 9; ++i) {
        EXPECT_FLOAT_EQ(g_ElementMap.checkpoints[i].position.x, float(i + 1) + 0.5f) << i;
        EXPECT_EQ(Layer(i + 1, 4).specialIndex, i) << i;
        EXPECT_EQ(posts[size_t(i + 1)]->index, i + 1) << i;
    }
    EXPECT_EQ(Layer(3, 4).specialRole, 0);
    EXPECT_EQ(g_Match.checkpoints[3].post, nullptr);
    // The path-map clear takes the posts off the match, never for fighters.
    g_Scenario.pathMap.ClearOccupants();
    EXPECT_EQ(g_Match.checkpoints[0].post, nullptr);
    EXPECT_EQ(Layer(0, 4).specialSlot, -1);
}

TEST_F(PlacementTest, CellRulesBetweenCommonAndSpecificElements) {
    Kind(0);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 5, 2, 6));
    Kind(9);
    // A cell of a specific game kind's element is not free for the common ones, even unspawned.
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
    EXPECT_EQ(Spawned(0, ELEMENT_ITEM, 5), 0);
    EXPECT_FALSE(Place(ELEMENT_ITEM, 6, 2, 6));
    ASSERT_TRUE(Place(ELEMENT_FIGHTER, 0, 3, 6));
    // A common item without a model still gets a counted record with a pick box, and leaves its
    // cell without an occupant.
    delete g_ItemModels[7];
    g_ItemModels[7] = nullptr;
    ASSERT_TRUE(Place(ELEMENT_ITEM, 7, 4, 6));
    ElementRecord* modelless = Last();
    EXPECT_EQ(modelless->object.item, nullptr);
    EXPECT_EQ(Spawned(9, ELEMENT_ITEM, 7), 1);
    EXPECT_EQ(g_MapEditor.picks[g_MapEditor.pickCount - 1], modelless);
    EXPECT_NEAR(modelless->pickBox.max.x - modelless->pickBox.min.x, 0.9f, 1e-5f);
    Kind(0);
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
    // A specific element may share a common element's cell only while its layer is empty.
    EXPECT_FALSE(Place(ELEMENT_ITEM, 5, 3, 6));
    EXPECT_TRUE(Place(ELEMENT_ITEM, 5, 4, 6));
    // Common elements cannot be deleted here.
    const int before = g_ElementMap.list.Count();
    DespawnElement(modelless);
    EXPECT_EQ(g_ElementMap.list.Count(), before);
}

TEST_F(PlacementTest, CommonCheckpointsCountOnceAndAFullPickTableRefuses) {
    Kind(9);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(Place(ELEMENT_SPECIAL, 2, i, 8));
    EXPECT_EQ(CountCheckpoints(), 3u);
    // The match makes posts only in the race, yet the records stay checkpoints for it.
    EXPECT_EQ(Last()->object.slot, -1);
    EXPECT_EQ(Last()->role, ELEMENT_ROLE_CHECKPOINT);
    Kind(1);
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
    EXPECT_EQ(CountCheckpoints(), 3u);
    ASSERT_TRUE(Place(ELEMENT_SPECIAL, 2, 5, 8));
    EXPECT_EQ(CountCheckpoints(), 4u);
    ElementRecord* any = Last();
    while (g_MapEditor.pickCount < EDITOR_PICKS) g_MapEditor.AddPick(any);
    EXPECT_FALSE(Place(ELEMENT_ITEM, 5, 6, 8));
    EXPECT_EQ(g_ElementMap.list.Count(), 4);
}

TEST_F(PlacementTest, GlowsAndEffectsTakeTheCursorPointAndTheirStoredValuesBack) {
    Kind(9);
    g_MapEditor.cursorPoint = Vec3{3.0f, 1.0f, 3.0f};
    ASSERT_TRUE(Place(ELEMENT_GLOW, 2, -1, -1));
    ElementRecord& glow = *Last();
    EXPECT_FLOAT_EQ(glow.position.y, 1.0f);
    EXPECT_FLOAT_EQ(glow.block[3], 128.0f);
    EXPECT_FLOAT_EQ(std::bit_cast<float>(glow.extra), 0.07f);
    ASSERT_TRUE(Place(ELEMENT_EFFECT, 13, -1, -1));
    ElementRecord& portal = *Last();
    EXPECT_EQ(EffectSlotType(portal.object.slot), 63);
    // A slot that went to another effect is left to it.
    const int32_t slot = portal.object.slot;
    EffectSlotFree(slot);
    ASSERT_EQ(CreateEffectAt(64, Vec3{0, 0, 0}), slot);
    glow.block[0] = 10.0f;
    glow.extra = std::bit_cast<uint32_t>(0.3f);
    g_ElementMap.DespawnAll();
    EXPECT_EQ(portal.object.slot, EFFECT_NO_SLOT);
    EXPECT_EQ(EffectSlotType(slot), 64);
    g_ElementMap.SpawnAll();
    ASSERT_NE(glow.object.glow, nullptr);
    EXPECT_EQ((glow.object.glow->colour >> 16) & 0xff, 10u);
    EXPECT_FLOAT_EQ(glow.object.glow->size, 0.3f);
}

TEST_F(PlacementTest, RecordsThatCannotBePlacedAreSkippedAndSavedBackAsRead) {
    ElementBytes offMap = At(9, ELEMENT_ITEM, 5, 500, 2);
    WriteFile({At(9, ELEMENT_ITEM, 5, 1, 2), offMap});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    ASSERT_EQ(g_ElementMap.list.Count(), 2);
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
    EXPECT_EQ(CountItems(), 1u);
    EXPECT_EQ(g_MapEditor.pickCount, 1);
    ASSERT_TRUE(g_ElementMap.Save("again.map"));
    const std::vector<uint8_t> saved = datakit::ReadBytes("again.map");
    const std::vector<uint8_t> read = datakit::ReadBytes(datakit::ScenarioElementPath(1));
    EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 16, saved.end()), std::vector<uint8_t>(read.begin() + 16, read.end()));
}

using SelectorTest = EditorTest;

TEST_F(SelectorTest, GameKindsCycleThroughTheCommonOnesAndShowTheirElements) {
    Kind(5);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 5, 1, 1));
    Frame({EDIT_NEXT_GAME_KIND});
    EXPECT_EQ(g_ElementMap.currentGameKind, 9);
    EXPECT_EQ(g_Match.gameKind, 9);
    EXPECT_EQ(Spawned(5, ELEMENT_ITEM, 5), 0);
    Frame({EDIT_NEXT_GAME_KIND});
    EXPECT_EQ(g_ElementMap.currentGameKind, 0);
    Frame({EDIT_PREV_GAME_KIND});
    Frame({EDIT_PREV_GAME_KIND});
    EXPECT_EQ(g_ElementMap.currentGameKind, 5);
    EXPECT_EQ(Spawned(5, ELEMENT_ITEM, 5), 1);
}

TEST_F(SelectorTest, ItemGroupsSkipAmmunitionAndOfferMultiplayerOnlyToCommonElements) {
    Kind(9);
    Frame({EDIT_NEXT_ELEMENT_KIND});
    ASSERT_EQ(g_ElementMap.currentElementKind, int(ELEMENT_ITEM));
    EXPECT_EQ(g_ElementMap.currentGroup, 1);
    std::vector<int> groups;
    for (int i = 0; i < 7; ++i) {
        Frame({EDIT_NEXT_GROUP});
        groups.push_back(g_ElementMap.currentGroup);
    }
    EXPECT_EQ(groups, (std::vector<int>{2, 3, 4, 5, 6, 7, 1}));
    Frame({EDIT_PREV_GROUP});
    EXPECT_EQ(g_ElementMap.currentGroup, 7);
    // Group 7 becomes 6 under a specific game kind, by either selector.
    Frame({EDIT_NEXT_GAME_KIND});
    EXPECT_EQ(g_ElementMap.currentGroup, 6);
    Frame({EDIT_PREV_GAME_KIND});
    Frame({EDIT_NEXT_GROUP});
    ASSERT_EQ(g_ElementMap.currentGroup, 7);
    Frame({EDIT_NEXT_ELEMENT_KIND});
    Frame({EDIT_NEXT_GAME_KIND});
    Frame({EDIT_PREV_ELEMENT_KIND});
    EXPECT_EQ(g_ElementMap.currentGroup, 6);
    Frame({EDIT_NEXT_GROUP});
    EXPECT_EQ(g_ElementMap.currentGroup, 1);
    Frame({EDIT_PREV_GROUP});
    EXPECT_EQ(g_ElementMap.currentGroup, 6);
}

TEST_F(SelectorTest, TheBarRotatesOnlyGroupsOfSixOrMoreAndKeepsTheMarkedEntry) {
    g_ElementMap.currentElementKind = ELEMENT_ITEM;
    EditorPanel& bar = g_MapEditor.panels[PANEL_BAR];
    g_ElementMap.currentGroup = 4;      // the four credits
    bar.selectedSlot[1][4] = 1;
    Frame({EDIT_BAR_FORWARD});
    EXPECT_EQ(g_MapEditor.SelectedSubtype(), 21);
    g_ElementMap.currentGroup = 5;      // the 26 letters
    bar.selectedSlot[1][5] = 2;
    Frame({EDIT_BAR_FORWARD});
    EXPECT_EQ(EditorSlotSubtype(bar, 0), 25);
    EXPECT_EQ(bar.selectedSlot[1][5], 1);
    EXPECT_EQ(g_MapEditor.SelectedSubtype(), 26);
    for (int i = 0; i < 24; ++i) Frame({EDIT_BAR_FORWARD});
    EXPECT_EQ(EditorSlotSubtype(bar, 0), 49);       // Z first
    EXPECT_EQ(EditorSlotSubtype(bar, 1), 24);       // then A again
    EXPECT_EQ(bar.selectedSlot[1][5], -1);          // the marked letter scrolled away
}

using EditorMouseTest = EditorTest;

TEST_F(EditorMouseTest, DraggingPlacesOneElementPerFreeCellAndPicksWhatIsThere) {
    Kind(0);
    g_ElementMap.currentElementKind = ELEMENT_PROP;
    g_MapEditor.panels[PANEL_BAR].selectedSlot[ELEMENT_PROP][0] = 2;
    Button(MOUSE_LEFT, true);
    for (int x : {4, 5, 6, 7}) {
        PointAt(x, 5);
        Frame();
    }
    // Back over the third box: it is picked, not placed again.
    PointAt(Records()[2]->position);
    Frame();
    ASSERT_EQ(g_ElementMap.list.Count(), 4);
    EXPECT_EQ(Spawned(0, ELEMENT_PROP, 2), 4);
    EXPECT_EQ(Layer(6, 5).prop, Records()[2]->object.prop);
    EXPECT_EQ(g_MapEditor.selected, Records()[2]);
    // A right click deletes what the mouse is over; the editor forgets it.
    Button(MOUSE_LEFT, false);
    Button(MOUSE_RIGHT, true);
    Frame();
    EXPECT_EQ(g_ElementMap.list.Count(), 3);
    EXPECT_EQ(g_MapEditor.selected, nullptr);
    EXPECT_EQ(Layer(6, 5).prop, nullptr);
}

TEST_F(EditorMouseTest, EditModeMovesAndTurnsTheSelectionByKind) {
    Kind(0);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 5, 5, 5));
    ElementRecord* item = Last();
    ASSERT_TRUE(Place(ELEMENT_FIGHTER, 0, 7, 5));
    ElementRecord* fighter = Last();
    g_MapEditor.cursorPoint = Vec3{5.0f, 1.0f, 8.0f};
    ASSERT_TRUE(Place(ELEMENT_GLOW, 0, -1, -1));
    ElementRecord* glow = Last();
    Frame({EDIT_TOGGLE_MODE});
    ASSERT_TRUE(g_MapEditor.InEditMode());
    EXPECT_FALSE(g_MapEditor.panels[PANEL_BAR].visible);
    // Select the item with the mouse, then hold Delete and numeric 8 for 400 ms: 2 units along the
    // camera's flattened view (+z).
    Button(MOUSE_LEFT, true);
    PointAt(item->position);
    Frame();
    Button(MOUSE_LEFT, false);
    ASSERT_EQ(g_MapEditor.selected, item);
    Frame({EDIT_MOVE_XZ, EDIT_PAD_8});
    g_Control.slots[0][EDIT_PAD_8].heldMs = 400;
    Frame();
    EXPECT_EQ(item->cell.z, 7);
    EXPECT_FLOAT_EQ(item->position.z, 7.5f);
    EXPECT_FLOAT_EQ(item->position.y, 0.5f);
    EXPECT_EQ(Layer(5, 7).item, item->object.item);
    EXPECT_EQ(Layer(5, 5).item, nullptr);
    // Moving onto the fighter's cell is refused.
    Frame({}, {EDIT_MOVE_XZ, EDIT_PAD_8});
    EditorSelectElement(item);
    g_MapEditor.edit.offset = Vec3{2.0f, 0.0f, -2.0f};
    EditorApplyEdit();
    EXPECT_EQ(item->cell.x, 5);
    // A fighter start turns about y, a glow's channels fall by five per radian.
    EditorSelectElement(fighter);
    g_MapEditor.edit.rotation.y = 0.5f;
    EditorApplyEdit();
    EXPECT_FLOAT_EQ(fighter->block[1], fighter->object.fighter->yaw);
    EXPECT_NE(fighter->block[1], 0.0f);
    EditorSelectElement(glow);
    g_MapEditor.edit.rotation = Vec3{2.0f, 0.0f, 30.0f};
    g_MapEditor.edit.scale = 0.01f;
    EditorApplyEdit();
    EXPECT_FLOAT_EQ(glow->block[0], 118.0f);
    EXPECT_FLOAT_EQ(glow->block[2], 0.0f);
    EXPECT_FLOAT_EQ(std::bit_cast<float>(glow->extra), 0.08f);
    EXPECT_EQ(g_ElementMap.glowPalette[0].red, 118u);
    EXPECT_EQ(glow->object.glow->colour & 0xffffff, 0x768000u);
    // "RESTAURAR" drops the pending edit, "CENTRAR" puts an item back on its cell's centre.
    EditorSelectElement(item);
    item->position.x = 5.2f;
    EditorCenter();
    EXPECT_FLOAT_EQ(item->position.x, 5.5f);
    g_MapEditor.edit.offset.x = 3.0f;
    EditorRestore();
    EXPECT_FLOAT_EQ(g_MapEditor.edit.offset.x, 0.0f);
}

TEST_F(EditorMouseTest, DeletingOrReloadingForgetsTheSelection) {
    Kind(0);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 5, 5, 5));
    ASSERT_TRUE(Place(ELEMENT_ITEM, 6, 6, 5));
    g_ElementMap.lastFound = g_ElementMap.list.First();
    Frame({EDIT_TOGGLE_MODE});
    Button(MOUSE_LEFT, true);
    PointAt(g_ElementMap.list.First()->position);
    Frame();
    Button(MOUSE_LEFT, false);
    ASSERT_NE(g_MapEditor.selected, nullptr);
    Frame({EDIT_DELETE});
    EXPECT_EQ(g_MapEditor.selected, nullptr);
    EXPECT_EQ(g_ElementMap.lastFound, nullptr);
    EXPECT_EQ(g_ElementMap.list.Count(), 1);
    PointAt(4, 5);
    Frame({}, {EDIT_DELETE});
    PointAt(5, 5);
    Frame();
    // F4 with a selection: the list comes again from the scenario's file (none here).
    EditorSelectElement(g_ElementMap.list.First());
    WndProc(nullptr, os::WM_KEYDOWN, os::VK_F4, 0);
    EXPECT_EQ(g_MapEditor.selected, nullptr);
    EXPECT_EQ(g_MapEditor.pickCount, 0);
    PointAt(6, 5);
    Frame();
    EXPECT_EQ(g_MapEditor.hovered, nullptr);
}

TEST_F(EditorMouseTest, FindNextWalksTheKindsElementsOfASubtypeAndWraps) {
    Kind(0);
    g_ElementMap.currentElementKind = ELEMENT_ITEM;
    for (int x : {2, 3, 4}) ASSERT_TRUE(Place(ELEMENT_ITEM, x == 3 ? 6 : 5, x, 2));
    const auto records = Records();
    EXPECT_EQ(FindNextElement(5), records[0]);
    EXPECT_EQ(FindNextElement(5), records[2]);
    EXPECT_EQ(FindNextElement(5), records[0]);
    EXPECT_EQ(FindNextElement(9), nullptr);
    EXPECT_NEAR(g_Scene.camera->target.x, 2.5f, 1e-4f);
}

using PlayTestTest = EditorTest;

TEST_F(PlayTestTest, CommonElementsOrAnUnwrittenListCannotBePlayTested) {
    Kind(9);
    EXPECT_FALSE(StartPlayTest());
    Frame({EDIT_PLAY_TEST});
    EXPECT_EQ(g_MapEditor.playTest, 0);
    EXPECT_EQ(g_Settings.mode, 3);
    EXPECT_FALSE(std::filesystem::exists(ELEMENT_PLAY_TEST_FILE));
    // Without "temp.map" the end could not bring the edits back: the editor stays.
    Kind(0);
    ASSERT_TRUE(Place(ELEMENT_ITEM, 5, 2, 2));
    os::SetWriteLimitForTests(10);
    EXPECT_FALSE(StartPlayTest());
    EXPECT_EQ(g_Settings.mode, 3);
    EXPECT_EQ(CountItems(), 1u);
    EXPECT_NE(Layer(2, 2).item, nullptr);
}

TEST_F(PlayTestTest, APlayTestPlaysTheUnsavedEditsAndLeavesTheEditorAsItWas) {
    g_Settings.localSide = 0;
    g_Settings.fightersOwn = g_Settings.fightersEnemy = 2;
    WriteFile({At(9, ELEMENT_ITEM, 5, 1, 1)});
    const std::vector<uint8_t> scenarioFile = datakit::ReadBytes(datakit::ScenarioElementPath(1));
    g_ElementMap.Load(nullptr, -1);
    Kind(0);
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
    ASSERT_TRUE(Place(ELEMENT_FIGHTER, 0, 3, 3));
    ASSERT_TRUE(Place(ELEMENT_FIGHTER, 1, 8, 3));
    ASSERT_TRUE(Place(ELEMENT_SPECIAL, 1, 5, 3));
    ASSERT_TRUE(Place(ELEMENT_PROP, 0, 6, 6));
    g_MapEditor.cursorPoint = Vec3{2.0f, 1.0f, 2.0f};
    ASSERT_TRUE(Place(ELEMENT_GLOW, 1, -1, -1));
    ASSERT_TRUE(Place(ELEMENT_EFFECT, 0, -1, -1));
    const std::vector<uint8_t> edited = [] {
        EXPECT_TRUE(WriteElementFile("before.map", g_ElementMap.list, 0));
        return datakit::ReadBytes("before.map");
    }();
    std::vector<uint32_t> counts(&g_ElementMap.spawnCounts[0][0][0], &g_ElementMap.spawnCounts[9][5][57] + 1);
    const int glows = g_Scene.effects->Count();

    Frame({EDIT_PLAY_TEST});
    ASSERT_EQ(g_MapEditor.playTest, 1);
    EXPECT_EQ(g_Settings.mode, 0);
    EXPECT_EQ(CountActive(g_Characters), 2);
    ASSERT_NE(g_Control.localCharacter, nullptr);
    EXPECT_EQ(g_Control.localCharacter->side, 0);
    EXPECT_NE(g_Match.symbols[1].pedestal, nullptr);
    // The editor keeps out of the match but for its key.
    g_MapEditor.DrawHud();
    Frame({}, {EDIT_PLAY_TEST});
    EXPECT_EQ(g_MapEditor.playTest, 1);

    Frame({EDIT_PLAY_TEST});
    EXPECT_EQ(g_MapEditor.playTest, 0);
    EXPECT_EQ(g_Settings.mode, 3);
    EXPECT_EQ(g_Control.localCharacter, nullptr);
    EXPECT_TRUE(WriteElementFile("after.map", g_ElementMap.list, 0));
    EXPECT_EQ(datakit::ReadBytes("after.map"), edited);
    EXPECT_EQ(std::vector<uint32_t>(&g_ElementMap.spawnCounts[0][0][0], &g_ElementMap.spawnCounts[9][5][57] + 1),
              counts);
    EXPECT_EQ(g_Scene.effects->Count(), glows);
    // Only the editor's own fighters stand again, on their cells.
    EXPECT_EQ(CountActive(g_Characters), 2);
    EXPECT_NE(Layer(3, 3).character, nullptr);
    EXPECT_EQ(Layer(5, 3).specialRole, ELEMENT_ROLE_SYMBOL);
    EXPECT_NE(Layer(6, 6).prop, nullptr);
    EXPECT_EQ(CountActive(g_Items), 1);
    EXPECT_EQ(datakit::ReadBytes(datakit::ScenarioElementPath(1)), scenarioFile);
}

}  // namespace
}  // namespace elementtest

namespace elementtest {
namespace {

TEST_F(PlayTestTest, OnScenarioFilesTheEditorPlacesMovesDeletesSavesReloadsAndPlays) {
    ResetItems();
    ResetDynamicObjects();
    WriteFloorScenario();
    WriteFile({OnFloor(At(9, ELEMENT_ITEM, 21, 26, 22)), OnFloor(At(0, ELEMENT_ITEM, 3, 24, 22))});
    ResetWorldCalls();
    ASSERT_TRUE(g_Scenario.Load(1));
    g_ElementMap.InitMatch();
    EXPECT_EQ(CountItems(), 1u);
    Frame({EDIT_NEXT_GAME_KIND});
    ASSERT_EQ(CountItems(), 2u);
    // Only types whose models the scenario has are in the palette.
    ASSERT_TRUE(Place(ELEMENT_ITEM, 21, 30, 22));
    EXPECT_FALSE(Place(ELEMENT_ITEM, 5, 31, 22));
    EditorSelectElement(Last());
    g_MapEditor.edit.offset = Vec3{0.0f, 0.0f, 1.0f};
    EditorApplyEdit();
    DespawnElement(g_ElementMap.list.Next(g_ElementMap.list.First()));
    WndProc(nullptr, os::WM_KEYDOWN, os::VK_F5, 0);
    WndProc(nullptr, os::WM_KEYDOWN, os::VK_F4, 0);
    auto cells = [] {
        std::vector<std::pair<int, int>> out;
        for (const ElementRecord* r : Records()) out.emplace_back(r->cell.x, r->cell.z);
        return out;
    };
    const std::vector<std::pair<int, int>> edited{{26, 22}, {30, 23}};
    EXPECT_EQ(cells(), edited);
    EXPECT_EQ(CountActive(g_Items), 2);
    const std::vector<uint8_t> saved = datakit::ReadBytes(datakit::ScenarioElementPath(1));

    Frame({EDIT_PLAY_TEST});
    ASSERT_EQ(g_Settings.mode, 0);
    EXPECT_EQ(CountActive(g_Items), 2);
    Frame({}, {EDIT_PLAY_TEST});
    Frame({EDIT_PLAY_TEST});
    EXPECT_EQ(g_Settings.mode, 3);
    EXPECT_EQ(cells(), edited);
    EXPECT_EQ(CountItems(), 2u);
    EXPECT_EQ(datakit::ReadBytes(datakit::ScenarioElementPath(1)), saved);
    g_ElementMap.DespawnAll();
    g_Scenario.Unload();
}

}  // namespace
}  // namespace elementtest
