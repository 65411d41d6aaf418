// Placing the element map for a match: which records of which game kind become what, fighters by
// the settings and by the front end's line-up, props, glows and effects, and a match on
// builder-made scenario files.
#include <bit>
#include <filesystem>
#include <string>

#include "effects/effect_list.h"
#include "fighters/character.h"
#include "element_fixture.h"
#include "frontend/player_record.h"
#include "net/session.h"
#include "scene/glow.h"
#include "support/path_map_builder.h"
#include "support/pmap_writer.h"
#include "datakit/scenario_files.h"
#include "datakit/y3d_builder.h"
#include "world/world_calls.h"

namespace elementtest {
namespace {

class PlacingTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        g_Settings.frontEnd = 0;
        g_Settings.localSide = 0;
        g_Settings.fightersOwn = g_Settings.fightersEnemy = 4;
        g_Settings.levelOwn = 3;
        g_Settings.levelEnemy = 7;
        g_Settings.difficulty = 1;
    }
    // The item types lying in the world, in slot order.
    static std::vector<int> ItemTypes() {
        std::vector<int> out;
        for (const Item& item : g_Items)
            if (item.active) out.push_back(item.type);
        return out;
    }
};

TEST_F(PlacingTest, EachGameKindReadsItsRecordsAndTheCommonOnesAndTheReducedKindsLeaveOutScreenItems) {
    // Item type 10 x game kind + 1 (common: 4), a screen item of kind 5 and a common one; as the
    // host, where screen items may lie.
    std::vector<ElementBytes> records;
    for (uint32_t kind : {0u, 2u, 5u, 9u}) records.push_back(At(kind, ELEMENT_ITEM, kind == 9 ? 4 : 10 * kind + 1, 1, int32_t(kind)));
    records.push_back(At(5, ELEMENT_ITEM, 52, 2, 1));
    records.push_back(At(9, ELEMENT_ITEM, 53, 2, 2));
    WriteFile(records);
    Network(true, true);
    struct Case {
        int kind;
        std::vector<int> types;
    } cases[] = {{0, {1, 4, 53}}, {5, {51, 4, 52, 53}}, {6, {51, 4}}, {7, {21, 4}}, {8, {4}}, {9, {4, 53}}, {10, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        FreeAllItems();
        testsupport::InstallItemModels();
        g_ElementMap.LoadForMatch(c.kind);
        EXPECT_EQ(ItemTypes(), c.types);
    }
}

TEST_F(PlacingTest, EachSideGetsItsFighterCountFromItsFirstStartsAndANetworkGameNone) {
    g_Settings.fightersOwn = 2;
    g_Settings.fightersEnemy = 1;
    WriteFile({At(9, ELEMENT_FIGHTER, 0, 2, 2, 0.5f), At(0, ELEMENT_FIGHTER, 1, 8, 8, 2.0f),
               At(9, ELEMENT_FIGHTER, 0, 4, 2, 1.0f), At(9, ELEMENT_FIGHTER, 1, 9, 8), At(0, ELEMENT_FIGHTER, 0, 6, 2)});
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(CountActive(g_Characters), 3);
    struct Expected {
        int side, level;
        float x, yaw;
    } expected[] = {{0, 3, 2.5f, 0.5f}, {1, 7, 8.5f, 2.0f}, {0, 3, 4.5f, 1.0f}};
    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE(s);
        const Character& c = g_Characters[s];
        EXPECT_EQ(c.side * 100 + c.level, expected[s].side * 100 + expected[s].level);
        EXPECT_FLOAT_EQ(c.position.x, expected[s].x);
        EXPECT_FLOAT_EQ(c.yaw, expected[s].yaw);
        EXPECT_FLOAT_EQ(c.homeYaw, expected[s].yaw);
        EXPECT_EQ(Records()[size_t(s)]->object.fighter, &c);
    }
    EXPECT_EQ(Records()[3]->object.fighter, nullptr);

    ResetCharacters();
    Network(true, true);
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(CountActive(g_Characters), 0);
    EXPECT_TRUE(FindPlacedCharacter(1, 1, nullptr, nullptr)) << "the starts stay for the network set-up";

    // A host starts its match before any client joins: still a network game, and the host's
    // own fighter stands at its side's first start, facing as it, and at each new life again.
    ResetCharacters();
    g_ServerPlayerCount = 0;
    g_Settings.localSide = 0;
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(CountActive(g_Characters), 0);
    SpawnLocalPlayer();
    ASSERT_EQ(CountActive(g_Characters), 1);
    EXPECT_EQ(g_Characters[0].side, 0);
    EXPECT_FLOAT_EQ(g_Characters[0].position.x, 2.5f);
    EXPECT_FLOAT_EQ(g_Characters[0].yaw, 0.5f);
    g_Characters[0].SetYaw(2.0f);
    g_Characters[0].Respawn();
    EXPECT_FLOAT_EQ(g_Characters[0].yaw, 0.5f);
}

TEST_F(PlacingTest, PropsGlowsAndEffectsStandWhereTheirRecordsSayTurnedAsTheySay) {
    ElementBytes box = At(9, ELEMENT_PROP, 3, 6, 6);
    box.position = {6.5f, 0.2f, 6.25f};
    box.block[1] = 0.6f;
    box.block[3] = 0.8f;
    ElementBytes glow = At(9, ELEMENT_GLOW, 2, 0, 0);
    glow.index = 2;
    glow.position.z = 3.0f;
    glow.block[0] = 300.0f;    // held at 255
    glow.block[1] = 64.9f;
    glow.block[2] = -5.0f;
    glow.block[3] = 128.0f;
    glow.extra = std::bit_cast<uint32_t>(0.25f);
    ElementBytes offPalette = glow;
    offPalette.index = 9;
    WriteFile({box, At(9, ELEMENT_PROP, 1, 10, 6), glow, offPalette, At(9, ELEMENT_EFFECT, 13, 3, 3, 1.25f),
               At(9, ELEMENT_EFFECT, 15, 5, 5)});
    const int32_t listed = g_Scene.effects->Count();
    g_ElementMap.LoadForMatch(0);
    const auto records = Records();

    const DynamicObject& placed = g_Boxes[0];
    ASSERT_TRUE(placed.InUse());
    EXPECT_EQ(placed.type, PROP_TYPE_SMALL);
    EXPECT_FLOAT_EQ(placed.position.y, 0.2f);
    EXPECT_FLOAT_EQ(placed.mesh->transform.translation.z, 6.25f);
    EXPECT_FLOAT_EQ(placed.mesh->transform.rotation.y, 0.6f);
    EXPECT_FLOAT_EQ(placed.mesh->transform.rotation.w, 0.8f);
    EXPECT_EQ(placed.mesh->transformValid, 0);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({6, 6, 0})->prop, &g_Boxes[0]);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({10, 6, 0})->prop, &g_Balls[0]);
    EXPECT_EQ(g_Balls[0].type, PROP_TYPE_SMALL);

    EXPECT_EQ(g_Scene.effects->Count(), listed + 1);
    const GlowNode* made = records[2]->object.glow;
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->colour, 0x80ff4000u);
    EXPECT_FLOAT_EQ(made->size, 0.25f);
    EXPECT_EQ(made->fadeTime, 300u) << "the palette, loaded for the match";
    EXPECT_EQ(records[3]->object.glow, nullptr) << "no palette entry 9";

    const auto portals = Recorder().CreatedOfType(63);
    ASSERT_EQ(portals.size(), 1u);
    EXPECT_EQ(records[4]->object.slot, portals[0]);
    const testsupport::KitEffectSlot& portal = Recorder().effects[portals[0]];
    EXPECT_FLOAT_EQ(portal.angle, 1.25f);
    EXPECT_FLOAT_EQ(portal.aimPoint.x, 3.5f);
    EXPECT_FLOAT_EQ(portal.velocity.y, 0.0f);
    EXPECT_EQ(portal.durationMs, testsupport::KitEffectLifetime(63));
    const auto seekers = Recorder().CreatedOfType(65);
    ASSERT_EQ(seekers.size(), 1u);
    EXPECT_FLOAT_EQ(Recorder().effects[seekers[0]].velocity.y, 1.0f);
}

TEST_F(PlacingTest, AMissingFileTouchesNothingAndAPlayTestPlacesTheEditedList) {
    WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1)});
    datakit::WriteBytes(ELEMENT_PLAY_TEST_FILE, datakit::ElementFileBytes(101, 0, {At(9, ELEMENT_ITEM, ITEM_BOMB, 5, 5)}));
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(ItemTypes(), std::vector<int>{3});
    std::filesystem::remove("Modelos/Escenarios/Escenario01/Escenario01.dat");
    g_ElementMap.glowPaletteCount = 0;
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(ItemTypes(), std::vector<int>{3});
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({1, 1, 0})->item, &g_Items[0]);
    EXPECT_EQ(g_ElementMap.list.Count(), 1);
    EXPECT_EQ(g_ElementMap.glowPaletteCount, 0);

    g_MapEditor.playTest = 1;
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(ItemTypes(), std::vector<int>{ITEM_BOMB});
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({1, 1, 0})->item, nullptr);
}

// Own players: level = identifier - 10, attributes 1..5, experience 100 + identifier. Enemies:
// experience 5, none for identifier 99. Level table: enemy 21 {12, 40}, enemy 22 {15, 2}.
struct StandIn {
    static bool Player(int side, uint32_t id, PlayerRecord* out) {
        MakeRandomPlayer(side, out);
        out->level = id - 10;
        for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) out->attributes[k] = float(k + 1);
        out->extra = 100.0f + float(id);
        return true;
    }
    static bool Enemy(uint32_t id, int side, PlayerRecord* out) {
        MakeRandomPlayer(side, out);
        out->extra = 5.0f;
        return id != 99;
    }
    static bool Level(uint32_t id, EnemyLevelEntry* out) {
        *out = id == 21 ? EnemyLevelEntry{12, 40.0f} : EnemyLevelEntry{15, 2.0f};
        return id == 21 || id == 22;
    }
    // The equipment adds 10.
    static float Attribute(int k, const PlayerRecord* r) { return r->attributes[k] + 10.0f; }
};

TEST_F(PlacingTest, LineUpLevelsFollowTheMatchModeTheGameModeAndTheEnemiesLevelTable) {
    g_Settings.frontEnd = 1;
    g_Settings.fightersOwn = g_Settings.fightersEnemy = 2;
    g_LineUpCalls = LineUpCalls{StandIn::Player, StandIn::Enemy, StandIn::Level, StandIn::Attribute};
    g_LineUp.sides[0] = LineUpSide{2, {11, 12}, {4, 5}, 6, 0};
    g_LineUp.sides[1] = LineUpSide{2, {21, 22}, {10, 20}, 8, 0};
    WriteFile({At(9, ELEMENT_FIGHTER, 0, 2, 2), At(9, ELEMENT_FIGHTER, 0, 3, 2), At(9, ELEMENT_FIGHTER, 1, 8, 8),
               At(9, ELEMENT_FIGHTER, 1, 9, 8)});
    struct Case {
        const char* what;
        int matchMode, gameMode, difficulty;
        int levels[4];          // slots 0, 1 own; 2, 3 enemies
        float experience[4];
        int ownFromRecord;      // own fighters given the record's attributes
    } cases[] = {
        {"the sides' level settings", 0, 1, 1, {6, 6, 8, 8}, {0, 0, 5, 5}, 0},
        {"match mode 2, campaign: the first own fighter from its record", 2, 1, 1, {1, 5, 12, 20}, {111, 0, 40, 0}, 1},
        {"match mode 2, single games: every own fighter", 2, 2, 1, {1, 2, 12, 20}, {111, 112, 40, 0}, 2},
        {"easy: both enemies up to their entries", 2, 2, 0, {1, 2, 12, 15}, {111, 112, 40, 5}, 2},
        {"hard: both enemies above their entries", 2, 2, 2, {1, 2, 15, 25}, {111, 112, 0, 0}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetCharacters();
        g_Menu.saveMode = c.matchMode;
        g_Menu.gameType = c.gameMode;
        g_Settings.difficulty = c.difficulty;
        g_ElementMap.LoadForMatch(0);
        ASSERT_EQ(CountActive(g_Characters), 4);
        for (int s = 0; s < 4; ++s) {
            SCOPED_TRACE(s);
            const Character& f = g_Characters[s];
            EXPECT_EQ(f.level, c.levels[s]);
            EXPECT_FLOAT_EQ(f.experience, c.experience[s]);
            EXPECT_EQ(g_Scenario.results[FighterResultIndex(s, FIGHTER_SIDE)], uint32_t(s / 2));
            EXPECT_EQ(g_Scenario.results[FighterResultIndex(s, FIGHTER_LINEUP_ID)], uint32_t(s < 2 ? 11 + s : 19 + s));
            if (s < 2) {
                EXPECT_EQ(f.strength == 11.0f && f.speed == 15.0f, s < c.ownFromRecord);
            }
        }
    }
    // An enemy the line-up cannot give leaves every start that asks for it empty.
    ResetCharacters();
    g_LineUp.sides[1].identifiers[0] = 99;
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(CountActive(g_Characters), 2);
}

TEST_F(PlacingTest, AMatchOnScenarioFilesPlacesItsKindsElementsAndTheTestKeyCollectsItsItems) {
    ResetItems();
    ResetDynamicObjects();
    WriteFloorScenario();
    WriteFile({OnFloor(At(9, ELEMENT_FIGHTER, 0, 22, 22, 0.5f)), OnFloor(At(2, ELEMENT_FIGHTER, 1, 30, 30)),
               OnFloor(At(2, ELEMENT_ITEM, 3, 24, 22)), OnFloor(At(9, ELEMENT_ITEM, 21, 26, 22)),
               OnFloor(At(1, ELEMENT_ITEM, 3, 28, 22)), OnFloor(At(9, ELEMENT_PROP, 3, 24, 26))});
    ResetWorldCalls();
    ASSERT_TRUE(g_Scenario.Load(1));
    g_ElementMap.LoadForMatch(2);

    ASSERT_EQ(CountActive(g_Characters), 2);
    EXPECT_FLOAT_EQ(g_Characters[0].position.x, 2.5f);
    EXPECT_EQ(g_Characters[1].side, 1);
    EXPECT_EQ(ItemTypes(), (std::vector<int>{3, 21}));
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({24, 22, 0})->item, &g_Items[0]);
    ASSERT_TRUE(g_Boxes[0].InUse());
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({24, 26, 0})->prop, &g_Boxes[0]);

    CollectAllItems();
    EXPECT_EQ(g_Items[0].active * 10 + g_Items[0].present, 10) << "the potion comes back later";
    EXPECT_EQ(g_Items[1].active, 0);

    ClearWorldElements();
    EXPECT_FALSE(g_Boxes[0].InUse());
    EXPECT_TRUE(g_ElementMap.list.Empty());
    g_Scenario.Unload();
    EXPECT_EQ(CountActive(g_Items), 0) << "the hidden potion goes with the scenario";
}

}  // namespace
}  // namespace elementtest
