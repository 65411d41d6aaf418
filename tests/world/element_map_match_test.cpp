// Placing the element map for a match: which records of which game kind become what, fighters by
// the settings and by the front end's line-up, props on their layers, glows and effects, and a
// match on builder-made scenario files.
#include <bit>
#include <cmath>
#include <filesystem>
#include <string>

#include "effects/effect_list.h"
#include "element_fixture.h"
#include "frontend/player_record.h"
#include "scene/glow.h"
#include "support/path_map_builder.h"
#include "support/pmap_writer.h"
#include "support/scenario_files.h"
#include "support/y3d_builder.h"
#include "world/world_calls.h"

namespace elementtest {
namespace {

constexpr int kPotion = 3;
constexpr int kCrazyScreen = 52;

class PlacingTest : public ElementTest {
protected:
    void SetUp() override {
        ElementTest::SetUp();
        g_Settings.frontEnd = 0;
        g_Settings.localSide = 0;
        g_Settings.fightersOwn = 4;
        g_Settings.fightersEnemy = 4;
        g_Settings.levelOwn = 3;
        g_Settings.levelEnemy = 7;
        g_Settings.randomLevelOwn = g_Settings.randomLevelEnemy = 0;
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
    // Item type = 10 x the record's game kind + 1 (kind 9: 4), and one screen item of kind 5 and
    // one common; as the host, where screen items may lie.
    std::vector<ElementBytes> records;
    for (uint32_t kind : {0u, 1u, 2u, 5u, 9u}) records.push_back(At(kind, ELEMENT_ITEM, kind == 9 ? 4 : 10 * kind + 1, 1, 1 + int32_t(kind)));
    records.push_back(At(5, ELEMENT_ITEM, kCrazyScreen, 2, 1));
    records.push_back(At(9, ELEMENT_ITEM, kCrazyScreen + 1, 2, 2));
    WriteFile(records);
    Network(true, true);
    struct Case {
        int kind;
        std::vector<int> types;
    } cases[] = {
        {0, {1, 4, 53}},
        {2, {21, 4, 53}},
        {5, {51, 4, 52, 53}},
        {6, {51, 4}},
        {7, {21, 4}},
        {8, {4}},
        {9, {4, 53}},
        {10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        FreeAllItems();
        testsupport::InstallItemModels();
        g_ElementMap.Clear();
        g_ElementMap.LoadForMatch(c.kind);
        EXPECT_EQ(ItemTypes(), c.types);
    }
    EXPECT_FALSE(EventsOfType(EVENT_SPAWN_ITEM).empty()) << "the host tells the others";
}

TEST_F(PlacingTest, EachSideGetsItsFighterCountFromTheFirstStartsInFileOrder) {
    g_Settings.fightersOwn = 2;
    g_Settings.fightersEnemy = 1;
    WriteFile({At(9, ELEMENT_FIGHTER, 0, 2, 2, 0.5f), At(0, ELEMENT_FIGHTER, 1, 8, 8, 2.0f),
               At(9, ELEMENT_FIGHTER, 0, 4, 2, 1.0f), At(9, ELEMENT_FIGHTER, 1, 9, 8, 2.5f),
               At(0, ELEMENT_FIGHTER, 0, 6, 2, 1.5f)});
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(ActiveFighters(), 3);
    struct Expected {
        int slot, side, level;
        float x, yaw;
    } expected[] = {{0, 0, 3, 2.5f, 0.5f}, {1, 1, 7, 8.5f, 2.0f}, {2, 0, 3, 4.5f, 1.0f}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.slot);
        const Character& c = g_Characters[e.slot];
        EXPECT_EQ(c.side, e.side);
        EXPECT_EQ(c.level, e.level);
        EXPECT_FLOAT_EQ(c.position.x, e.x);
        EXPECT_FLOAT_EQ(c.yaw, e.yaw);
        EXPECT_FLOAT_EQ(c.homeYaw, e.yaw);
    }
    const auto records = Records();
    EXPECT_EQ(records[0]->object.fighter, &g_Characters[0]);
    EXPECT_EQ(records[3]->object.fighter, nullptr) << "the second enemy start stays empty";
    EXPECT_EQ(records[4]->object.fighter, nullptr) << "the third own start stays empty";
}

TEST_F(PlacingTest, ARandomLevelLiesBetweenZeroAndTheSetting) {
    g_Settings.randomLevelOwn = 1;
    g_Settings.levelOwn = 4;
    g_Settings.fightersOwn = 16;
    std::vector<ElementBytes> starts;
    for (int i = 0; i < 12; ++i) starts.push_back(At(9, ELEMENT_FIGHTER, 0, 1 + i, 3));
    WriteFile(starts);
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(ActiveFighters(), 12);
    bool below = false;
    for (const Character& c : g_Characters) {
        EXPECT_GE(c.level, 0);
        EXPECT_LE(c.level, 4);
        below |= c.level < 4;
    }
    EXPECT_TRUE(below) << "twelve draws from 0..4 are not all 4";
}

TEST_F(PlacingTest, NoFighterIsMadeInANetworkGame) {
    WriteFile({At(9, ELEMENT_FIGHTER, 0, 2, 2), At(9, ELEMENT_FIGHTER, 1, 4, 2), At(9, ELEMENT_ITEM, kPotion, 6, 2)});
    Network(true, true);
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(ActiveFighters(), 0);
    EXPECT_EQ(ActiveItems(), 1);
    Vec3 start{};
    EXPECT_TRUE(FindPlacedCharacter(1, 0, &start, nullptr)) << "the starts stay for the network set-up";
    EXPECT_FLOAT_EQ(start.x, 4.5f);
}

TEST_F(PlacingTest, EffectsAreMadeAtTheirPointAndPortalsTurnedByTheFacing) {
    ElementBytes portal = At(9, ELEMENT_EFFECT, 13, 3, 3, 1.25f);
    ElementBytes seeker = At(9, ELEMENT_EFFECT, 15, 5, 5, 0.5f);
    WriteFile({portal, seeker});
    g_ElementMap.LoadForMatch(1);
    const auto portals = Recorder().CreatedOfType(63);
    ASSERT_EQ(portals.size(), 1u);
    const testsupport::KitEffectSlot& made = Recorder().effects[portals[0]];
    EXPECT_FLOAT_EQ(made.direction, 1.25f);
    EXPECT_FLOAT_EQ(made.position.x, 3.5f);
    EXPECT_FLOAT_EQ(made.aimPoint.z, 3.5f);
    EXPECT_FLOAT_EQ(made.velocity.x, 0.0f);
    EXPECT_EQ(made.durationMs, testsupport::KitEffectLifetime(63));
    EXPECT_EQ(Records()[0]->object.slot, portals[0]);
    const auto seekers = Recorder().CreatedOfType(65);
    ASSERT_EQ(seekers.size(), 1u);
    const Vec3 v = Recorder().effects[seekers[0]].velocity;
    EXPECT_FLOAT_EQ(v.x, 1.0f);
    EXPECT_FLOAT_EQ(v.y, 1.0f);
    EXPECT_FLOAT_EQ(v.z, 1.0f);
}

TEST_F(PlacingTest, APropStandsOnItsLayerAtItsPointTurnedByItsQuaternion) {
    ElementBytes box = At(9, ELEMENT_PROP, 3, 6, 6);
    box.position = {6.5f, 0.2f, 6.25f};
    box.block[0] = 0.0f;
    box.block[1] = 0.6f;
    box.block[2] = 0.0f;
    box.block[3] = 0.8f;
    WriteFile({box, At(9, ELEMENT_PROP, 0, 8, 6), At(9, ELEMENT_PROP, 1, 10, 6)});
    g_ElementMap.LoadForMatch(0);
    const DynamicObject& placed = g_Boxes[0];
    ASSERT_TRUE(placed.InUse());
    EXPECT_EQ(placed.type, PROP_TYPE_SMALL);
    EXPECT_FLOAT_EQ(placed.position.y, 0.2f);
    EXPECT_FLOAT_EQ(placed.mesh->transform.translation.z, 6.25f);
    EXPECT_FLOAT_EQ(placed.mesh->transform.rotation.y, 0.6f);
    EXPECT_FLOAT_EQ(placed.mesh->transform.rotation.w, 0.8f);
    EXPECT_EQ(placed.mesh->transformValid, 0);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({6, 6, 0})->prop, &g_Boxes[0]);
    EXPECT_EQ(Records()[0]->object.prop, &g_Boxes[0]);
    EXPECT_EQ(g_Balls[0].type, PROP_TYPE_LARGE);
    EXPECT_EQ(g_Balls[1].type, PROP_TYPE_SMALL);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({10, 6, 0})->prop, &g_Balls[1]);
}

TEST_F(PlacingTest, AGlowTakesItsStoredColourAndScaleAndThePalettesTexture) {
    ElementBytes glow = At(9, ELEMENT_GLOW, 2, 0, 0);
    glow.index = 2;
    glow.position = {1.0f, 2.0f, 3.0f};
    glow.block[0] = 300.0f;    // beyond 255: held at 255
    glow.block[1] = 64.9f;
    glow.block[2] = -5.0f;
    glow.block[3] = 128.0f;
    glow.extra = std::bit_cast<uint32_t>(0.25f);
    ElementBytes offPalette = glow;
    offPalette.index = 9;
    WriteFile({glow, offPalette});
    const int32_t listed = g_Scene.effects->Count();
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(g_ElementMap.glowPaletteCount, GLOW_PALETTE_SIZE) << "loaded for the match";
    EXPECT_EQ(g_Scene.effects->Count(), listed + 1);
    const GlowNode* made = Records()[0]->object.glow;
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->colour, 0x80ff4000u);
    EXPECT_FLOAT_EQ(made->size, 0.25f);
    EXPECT_EQ(made->fadeTime, 300u);
    EXPECT_FLOAT_EQ(made->z, 3.0f);
    EXPECT_EQ(Records()[1]->object.glow, nullptr) << "no palette entry 9";
}

TEST_F(PlacingTest, AMissingFileTouchesNothing) {
    WriteFile({At(9, ELEMENT_ITEM, kPotion, 1, 1)});
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(ActiveItems(), 1);
    std::filesystem::remove("Modelos/Escenarios/Escenario01/Escenario01.dat");
    g_ElementMap.glowPaletteCount = 0;
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(ActiveItems(), 1);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({1, 1, 0})->item, &g_Items[0]);
    EXPECT_EQ(g_ElementMap.list.Count(), 1);
    EXPECT_EQ(g_ElementMap.glowPaletteCount, 0);
}

TEST_F(PlacingTest, APlayTestPlacesTheEditedListAndAReplacingOneClearsTheMapFirst) {
    WriteFile({At(9, ELEMENT_ITEM, kPotion, 1, 1)});
    testsupport::WriteBytes(ELEMENT_PLAY_TEST_FILE,
                            testsupport::ElementFileBytes(101, 0, {At(9, ELEMENT_ITEM, ITEM_BOMB, 5, 5)}));
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(ItemTypes(), std::vector<int>{kPotion});
    g_MapEditor.playTest = 1;
    g_ElementMap.LoadForMatch(0);
    EXPECT_EQ(ItemTypes(), std::vector<int>{ITEM_BOMB});
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({1, 1, 0})->item, nullptr);
    EXPECT_EQ(g_ElementMap.list.Count(), 1);
}

// ---- The front end's line-up ----

// Own players' records: level = identifier - 10, five attributes 1..5, experience 100 +
// identifier. Enemies' records: experience 5. Level table: enemy 21 {12, 40}, enemy 22 {15, 2}.
struct StandIn {
    static bool Player(int side, uint32_t id, PlayerRecord* out) {
        MakeRandomPlayer(side, out);
        out->level = id - 10;
        for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) out->attributes[k] = float(k + 1);
        out->extra = 100.0f + float(id);
        return true;
    }
    static bool Enemy(uint32_t id, int side, PlayerRecord* out) {
        if (id == 99) return false;
        MakeRandomPlayer(side, out);
        out->extra = 5.0f;
        return true;
    }
    static bool Level(uint32_t id, EnemyLevelEntry* out) {
        if (id == 21) *out = {12, 40.0f};
        else if (id == 22) *out = {15, 2.0f};
        else return false;
        return true;
    }
    // The equipment adds 10.
    static float Attribute(int k, const PlayerRecord* r) { return r->attributes[k] + 10.0f; }
};

TEST_F(PlacingTest, LineUpLevelsFollowTheMatchModeTheGameModeAndTheEnemiesLevelTable) {
    g_Settings.frontEnd = 1;
    g_Settings.fightersOwn = 2;
    g_Settings.fightersEnemy = 2;
    g_LineUpCalls.playerRecord = StandIn::Player;
    g_LineUpCalls.enemyRecord = StandIn::Enemy;
    g_LineUpCalls.enemyLevel = StandIn::Level;
    g_LineUpCalls.playerAttribute = StandIn::Attribute;
    g_LineUp.sides[0] = LineUpSide{2, {11, 12}, {4, 5}, 6, 0};
    g_LineUp.sides[1] = LineUpSide{2, {21, 22}, {10, 20}, 8, 0};
    WriteFile({At(9, ELEMENT_FIGHTER, 0, 2, 2), At(9, ELEMENT_FIGHTER, 0, 3, 2), At(9, ELEMENT_FIGHTER, 1, 8, 8),
               At(9, ELEMENT_FIGHTER, 1, 9, 8)});
    struct Case {
        const char* what;
        int matchMode, gameMode, difficulty;
        int levels[4];              // slots 0, 1 own; 2, 3 enemies
        float experience[4];
        bool ownAttributes[2];      // from GetPlayerAttribute
    } cases[] = {
        {"the sides' level settings", 0, 1, 1, {6, 6, 8, 8}, {0, 0, 5, 5}, {false, false}},
        {"match mode 2, campaign: only the first own fighter from its record", 2, 1, 1, {1, 5, 12, 20},
         {111, 0, 40, 0}, {true, false}},
        {"match mode 2, single games: every own fighter from its record", 2, 2, 1, {1, 2, 12, 20},
         {111, 112, 40, 0}, {true, true}},
        {"easy: the enemies come up to their entries", 2, 2, 0, {1, 2, 12, 15}, {111, 112, 40, 5}, {true, true}},
        {"hard: both enemies above their entries", 2, 2, 2, {1, 2, 15, 25}, {111, 112, 0, 0}, {true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetCharacters();
        g_ElementMap.Clear();
        g_Scenario.ResetResults();
        g_LineUp.matchMode = c.matchMode;
        g_Menu.gameMode = c.gameMode;
        g_Settings.difficulty = c.difficulty;
        g_ElementMap.LoadForMatch(0);
        ASSERT_EQ(ActiveFighters(), 4);
        for (int s = 0; s < 4; ++s) {
            SCOPED_TRACE(s);
            const Character& f = g_Characters[s];
            EXPECT_EQ(f.side, s < 2 ? 0 : 1);
            EXPECT_EQ(f.level, c.levels[s]);
            EXPECT_FLOAT_EQ(f.experience, c.experience[s]);
            const uint32_t id = s < 2 ? 11u + uint32_t(s) : 21u + uint32_t(s - 2);
            EXPECT_EQ(g_Scenario.results[FighterResultIndex(s, FIGHTER_SIDE)], uint32_t(f.side));
            EXPECT_EQ(g_Scenario.results[FighterResultIndex(s, FIGHTER_LINEUP_ID)], id);
            if (s < 2) {
                EXPECT_EQ(f.strength == 11.0f && f.speed == 15.0f, c.ownAttributes[s]);
            }
        }
    }
}

TEST_F(PlacingTest, AFighterTheLineUpCannotGiveLeavesItsStartEmpty) {
    g_Settings.frontEnd = 1;
    g_Settings.fightersEnemy = 3;
    g_LineUpCalls.enemyRecord = StandIn::Enemy;
    g_LineUp.sides[1] = LineUpSide{2, {99, 22}, {1, 1}, 8, 1};
    WriteFile({At(9, ELEMENT_FIGHTER, 1, 2, 2), At(9, ELEMENT_FIGHTER, 1, 3, 2), At(9, ELEMENT_FIGHTER, 1, 4, 2)});
    g_ElementMap.LoadForMatch(0);
    // The line-up's first enemy has no record: each start asks for it again and stays empty.
    EXPECT_EQ(ActiveFighters(), 0);
}

// ---- A whole match ----

void WriteModel(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    testsupport::Y3DSceneFile file;
    testsupport::Y3DMeshNode node;
    node.name = name + " (DIN)";
    node.type = 0x101;
    file.records.push_back(testsupport::MeshNodeRecord(node));
    ASSERT_TRUE(testsupport::WriteBytes(folder + "/" + name + ".y3d", file.Build()));
}

TEST_F(PlacingTest, AMatchOnScenarioFilesPlacesItsKindsElementsAndTheTestKeyCollectsItsItems) {
    ResetItems();
    ResetDynamicObjects();
    testsupport::ScenarioFiles files;
    files.number = 1;
    files.Write();
    PathMap floor;
    testsupport::PathMapBuilder(40, 40, 20.0f, 20.0f).Area(0, 0, 39, 39, 0.0f).Build(&floor);
    ASSERT_TRUE(testsupport::WriteBytes("Modelos/Escenarios/Escenario01/pmap.dat", testsupport::PmapBytes(floor)));
    WriteModel("Modelos/Items", "item03");
    WriteModel("Modelos/Items", "item21");
    WriteModel("Modelos/Objetos Dinamicos", "Caja de 1m");
    // Cells count from -20: cell 22 is world 2.
    auto onFloor = [](ElementBytes r) {
        r.position.x -= 20.0f;
        r.position.z -= 20.0f;
        return r;
    };
    WriteFile({onFloor(At(9, ELEMENT_FIGHTER, 0, 22, 22, 0.5f)), onFloor(At(2, ELEMENT_FIGHTER, 1, 30, 30)),
               onFloor(At(2, ELEMENT_ITEM, 3, 24, 22)), onFloor(At(9, ELEMENT_ITEM, 21, 26, 22)),
               onFloor(At(1, ELEMENT_ITEM, 3, 28, 22)), onFloor(At(9, ELEMENT_PROP, 3, 24, 26))});
    ResetWorldCalls();
    ASSERT_TRUE(g_Scenario.Load(1));
    ASSERT_EQ(g_Scenario.pathMap.cols, 40);
    g_ElementMap.LoadForMatch(2);

    ASSERT_EQ(ActiveFighters(), 2);
    EXPECT_FLOAT_EQ(g_Characters[0].position.x, 2.5f);
    EXPECT_FLOAT_EQ(g_Characters[0].yaw, 0.5f);
    EXPECT_EQ(g_Characters[1].side, 1);
    EXPECT_EQ(ItemTypes(), (std::vector<int>{3, 21}));
    EXPECT_FLOAT_EQ(g_Items[0].position.x, 4.5f);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({24, 22, 0})->item, &g_Items[0]);
    ASSERT_TRUE(g_Boxes[0].InUse());
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({24, 26, 0})->prop, &g_Boxes[0]);
    EXPECT_EQ(CountItemCredits(), 5u);

    CollectAllItems();
    EXPECT_EQ(g_Items[0].present, 0);
    EXPECT_EQ(g_Items[0].active, 1) << "the potion comes back";
    EXPECT_EQ(g_Items[1].active, 0);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({26, 22, 0})->item, nullptr);

    ClearWorldElements();
    g_Scenario.Unload();
    EXPECT_EQ(ActiveItems(), 0);
    EXPECT_FALSE(g_Boxes[0].InUse());
}

}  // namespace
}  // namespace elementtest
