// Slots, spawning, despawning and the scene attachment of fighters.
#include <cmath>
#include <limits>
#include <vector>

#include "frontend/player_record.h"
#include "support/fighter_fixture.h"

namespace fightertest {
namespace {

class FighterSpawnTest : public FighterTest {};

TEST_F(FighterSpawnTest, TheSlotRuleTakesAGivenSlotElseTheLowestFreeOne) {
    for (int i : {0, 1, 3}) g_Characters[i].active = 1;
    const struct {
        int requested, slot;
    } cases[] = {{5, 5}, {1, 1}, {15, 15}, {-1, 2}, {16, 2}, {-5, 2}, {127, 2}};
    for (const auto& c : cases) EXPECT_EQ(FindFighterSlot(c.requested), c.slot) << c.requested;
    for (Character& c : g_Characters) c.active = 1;
    EXPECT_EQ(FindFighterSlot(-1), -1);
    EXPECT_EQ(FindFighterSlot(7), 7);
    EXPECT_EQ(SpawnCharacter(-1, 0, 0, 0, 4, 0, 4, nullptr, nullptr), -1);
}

TEST_F(FighterSpawnTest, ASpawnWithoutSkeletonOrWithBadArgumentsIsRefusedAndChangesNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        int side;
        Vec3 at;
    } cases[] = {
        {"side 2", 2, {4, 0, 4}}, {"side -1", -1, {4, 0, 4}}, {"x not a number", 0, {nan, 0, 4}},
        {"y infinite", 0, {4, inf, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SpawnCharacter(-1, 0, c.side, 0, c.at.x, c.at.y, c.at.z, nullptr, nullptr), -1);
        EXPECT_FALSE(g_Characters[0].Spawn(0, 0, c.side, 0, c.at.x, c.at.y, c.at.z, nullptr, nullptr));
        EXPECT_EQ(g_Characters[0].slot, -1);
        EXPECT_EQ(g_Characters[0].model, nullptr);
    }

    // Side 1 without its skeleton; then a skeleton without bones, whose copy is no model.
    CharacterModel* skeleton = g_SideTable[1].skeleton;
    g_SideTable[1].skeleton = nullptr;
    EXPECT_EQ(SpawnCharacter(-1, 0, 1, 0, 4, 0, 4, nullptr, nullptr), -1);
    CharacterModel empty;
    g_SideTable[1].skeleton = &empty;
    EXPECT_EQ(SpawnCharacter(-1, 0, 1, 0, 4, 0, 4, nullptr, nullptr), -1);
    EXPECT_EQ(g_Characters[0].active, 0);
    EXPECT_EQ(g_Characters[0].model, nullptr);
    EXPECT_EQ(ListedModels(), 0);
    g_SideTable[1].skeleton = skeleton;
}

TEST_F(FighterSpawnTest, ASpawnStartsFromAClearRecord) {
    // Whatever a record held before, a spawn starts it afresh.
    Character& old = g_Characters[2];
    old.dead = old.knockedDown = old.sinking = old.following = 1;
    old.states[STATE_FREEZE] = TimedState{1, 500, 9000};
    old.pathLength = 40;
    old.pathPoints[7] = CellRef{3, 3, 0};
    old.currentPower = 4;
    old.lastAttackAnimation = 55;
    old.deathTime = old.throwCharge = old.guardEndTime = 77;
    old.killScore = 9;

    SetTime(12345);
    Character& c = Spawned(2, 0, Vec3{4.5f, 0, 6.5f});
    EXPECT_EQ(c.active, 1);
    EXPECT_EQ(c.attached, 1);
    EXPECT_EQ(ListedModels(), 1);
    EXPECT_EQ(c.sideRow, &g_SideTable[0]);
    ASSERT_NE(c.lookCopy, nullptr);
    EXPECT_EQ(c.lookCopy->hair, -1);
    // The model stands at the point (no offset yet); the feet are 0.13 ahead along the facing (+z).
    EXPECT_NEAR(c.model->position.x, 4.5f, 1e-5f);
    EXPECT_NEAR(c.model->position.z, 6.5f, 1e-5f);
    EXPECT_NEAR(c.position.x, 4.5f, 1e-5f);
    EXPECT_NEAR(c.position.z, 6.63f, 1e-5f);
    const CellRef here{4, 6, 0};
    for (const CellRef* cell : {&c.currentCell, &c.previousCell, &c.targetCell, &c.finalCell, &c.requestedGoalCell,
                                &c.homeCell, &c.jumpCell}) {
        EXPECT_EQ(cell->x, here.x);
        EXPECT_EQ(cell->z, here.z);
        EXPECT_EQ(cell->layer, here.layer);
    }
    EXPECT_EQ(c.failedGoalCell.x, -1);
    EXPECT_EQ(c.failedSector, -1);
    EXPECT_EQ(c.spareCell.layer, -1);
    EXPECT_EQ(g_Scenario.pathMap.CharacterAt(here), &c);
    EXPECT_EQ(c.dead, 0);
    EXPECT_EQ(c.knockedDown, 0);
    EXPECT_EQ(c.sinking, 0);
    EXPECT_EQ(c.following, 0);
    EXPECT_GT(c.health, 0.0f);
    EXPECT_EQ(c.states[STATE_FREEZE].active, 0);
    EXPECT_EQ(c.pathLength, 0);
    EXPECT_EQ(c.pathPoints[7].x, 0);
    EXPECT_EQ(c.currentPower, -1);
    EXPECT_EQ(c.lastAttackAnimation, -1);
    EXPECT_EQ(c.lastTauntAnimation, -1);
    EXPECT_EQ(c.attachedEffect, -1);
    EXPECT_EQ(c.powerEffects[0], -1);
    EXPECT_EQ(c.deathTime, 0u);
    EXPECT_EQ(c.throwCharge, 0u);
    EXPECT_EQ(c.guardEndTime, 0u);
    EXPECT_EQ(c.killScore, 0);
    EXPECT_EQ(c.idleStart, 12345u);
    EXPECT_FLOAT_EQ(c.groundNormal.y, 1.0f);
    EXPECT_EQ(c.model->rootMotion, 1);
    // Spawning tells the session nothing of the attachment.
    EXPECT_TRUE(Recorder().events.empty());
}

// A fighter new to the match starts its result row as the match's start gives every row, whoever
// had the slot before; the menu's figures play in no match and leave the rows alone.
TEST_F(FighterSpawnTest, ASpawnStartsItsResultRowAsTheMatchStartDoesOutsideTheMenu) {
    g_Scenario.ResetResults();
    uint32_t* row = g_Scenario.results + FighterResultIndex(4, 0);
    const std::vector<uint32_t> clean(row, row + RESULT_FIGHTER_FIELDS);
    std::vector<uint32_t> left(RESULT_FIGHTER_FIELDS);
    for (int f = 0; f < RESULT_FIGHTER_FIELDS; ++f) left[f] = row[f] = uint32_t(70 + f);
    g_Menu.active = 1;
    Spawned(4, 0, Vec3{4.5f, 0, 4.5f});
    g_Menu.active = 0;
    EXPECT_EQ(std::vector<uint32_t>(row, row + RESULT_FIGHTER_FIELDS), left) << "a menu figure";
    Spawned(4, 1, Vec3{6.5f, 0, 4.5f});
    EXPECT_EQ(std::vector<uint32_t>(row, row + RESULT_FIGHTER_FIELDS), clean);
}

TEST_F(FighterSpawnTest, SpawningOverAFighterLeavesNoStaleOccupantOrModel) {
    Character& first = Spawned(3, 0, Vec3{2.5f, 0, 2.5f});
    const CellRef a{2, 2, 0}, b{9, 9, 0};
    ASSERT_EQ(g_Scenario.pathMap.CharacterAt(a), &first);
    // The same record again, elsewhere: the old cell is free and one model is listed.
    Character& again = Spawned(3, 1, Vec3{9.5f, 0, 9.5f});
    EXPECT_EQ(g_Scenario.pathMap.CharacterAt(a), nullptr);
    EXPECT_EQ(g_Scenario.pathMap.CharacterAt(b), &again);
    EXPECT_EQ(ListedModels(), 1);
    EXPECT_EQ(again.side, 1);
    // And once more on the very cell it stands on: it still holds it.
    Spawned(3, 1, Vec3{9.5f, 0, 9.5f});
    EXPECT_EQ(g_Scenario.pathMap.CharacterAt(b), &again);
}

TEST_F(FighterSpawnTest, DespawnFreesTheCellModelAndLookEvenWhenDetached) {
    for (bool detached : {false, true}) {
        SCOPED_TRACE(detached ? "detached" : "attached");
        Character& c = Spawned(0, 0, Vec3{2.5f, 0, 2.5f});
        if (detached) {
            EXPECT_TRUE(c.DetachFromScene());
        }
        EXPECT_TRUE(c.Despawn());
        EXPECT_EQ(c.active, 0);
        EXPECT_EQ(c.model, nullptr);
        EXPECT_EQ(c.lookCopy, nullptr);
        EXPECT_EQ(c.sideRow, nullptr);
        EXPECT_EQ(c.attached, 0);
        EXPECT_EQ(ListedModels(), 0);
        EXPECT_EQ(g_Scenario.pathMap.CharacterAt(CellRef{2, 2, 0}), nullptr);
    }
}

TEST_F(FighterSpawnTest, AttachmentIsAnnouncedOnlyByTheHostForANonZeroSlot) {
    Character& zero = Spawned(0, 0, Vec3{2.5f, 0, 2.5f});
    Character& two = Spawned(2, 1, Vec3{5.5f, 0, 2.5f});
    const struct {
        const char* name;
        bool network, hosting;
        Character* c;
        std::vector<std::vector<uint8_t>> events;
    } cases[] = {
        {"offline", false, false, &two, {}},
        {"client", true, false, &two, {}},
        {"host", true, true, &two, {{41, 2}}},
        {"host, slot 0", true, true, &zero, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Network(c.network, c.hosting);
        Recorder().events.clear();
        EXPECT_TRUE(c.c->DetachFromScene());
        EXPECT_FALSE(c.c->DetachFromScene());
        EXPECT_EQ(ListedModels(), 1);
        EXPECT_TRUE(c.c->AttachToScene());
        EXPECT_FALSE(c.c->AttachToScene());
        EXPECT_EQ(ListedModels(), 2);
        EXPECT_EQ(Recorder().events, c.events);
    }
}

TEST_F(FighterSpawnTest, SetPositionIgnoresAPointThatIsNotFinite) {
    Character& c = Spawned(0, 0, Vec3{2.5f, 0, 2.5f});
    const Vec3 before = c.position;
    c.SetPosition(std::numeric_limits<float>::quiet_NaN(), 0, 3, false);
    c.SetPosition(3, 0, std::numeric_limits<float>::infinity(), true);
    EXPECT_EQ(c.position.x, before.x);
    EXPECT_EQ(c.position.z, before.z);
    c.SetPosition(6.5f, 0, 3.5f, true);
    EXPECT_NEAR(c.position.x, 6.5f, 1e-5f);
    EXPECT_EQ(g_Scenario.pathMap.CharacterAt(CellRef{6, 3, 0}), &c);
}

TEST_F(FighterSpawnTest, SkeletonsLoadByApplicationModeAndFreeEverything) {
    Spawned(0, 0, Vec3{2.5f, 0, 2.5f});
    FreeSkeletons();
    EXPECT_EQ(g_Characters[0].active, 0);
    const struct {
        int mode;
        bool sides, viewer;
    } cases[] = {{0, true, false}, {1, false, true}, {2, false, false}, {3, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        g_Settings.mode = c.mode;
        g_Settings.localSide = 1;
        LoadSkeletons(false);
        EXPECT_EQ(g_SideTable[0].skeleton != nullptr, c.sides);
        EXPECT_EQ(g_SideTable[1].skeleton != nullptr, c.sides);
        EXPECT_EQ(Recorder().viewerModel != nullptr, c.viewer);
        EXPECT_EQ(ListedModels(), c.viewer ? 1 : 0);
        if (c.viewer) {
            EXPECT_EQ(Recorder().viewerModel->GetAnimationIndex(0), 0);
        }
        FreeSkeletons();
        EXPECT_EQ(g_SideTable[0].skeleton, nullptr);
        EXPECT_EQ(Recorder().viewerModel, nullptr);
        EXPECT_EQ(ListedModels(), 0);
    }
}

TEST_F(FighterSpawnTest, AClientAsksTheHostForItsFighterWithItsLook) {
    Network(true, false);
    g_NetSession.playerId = 0x01020304;
    g_Settings.localSide = 1;
    PlayerRecord record;
    MakeRandomPlayer(1, &record);
    record.level = 7;
    record.look.name[0] = 'Q';
    record.look.hair = 3;
    record.look.equipment[4] = 0x11223344;
    g_Menu.playerRecord = &record;
    SpawnLocalPlayer();
    g_Menu.playerRecord = nullptr;
    ASSERT_EQ(Recorder().events.size(), 1u);
    const std::vector<uint8_t>& e = Recorder().events[0];
    ASSERT_EQ(e.size(), 116u);
    // type, slot -1, player id, side, level, a zero position, then the look from dword 9.
    const std::vector<uint8_t> head = {38, 0xFF, 4, 3, 2, 1, 1, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(e.begin(), e.begin() + 20), head);
    EXPECT_EQ(e[20], 'Q');
    EXPECT_EQ(std::vector<uint8_t>(e.begin() + 84, e.begin() + 88), (std::vector<uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(e.begin() + 112, e.end()), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(g_Characters[0].active, 0);
}

TEST_F(FighterSpawnTest, TheSideTableStartsWithoutSkeletonsWithEqualBasesAndNoCombination) {
    for (const SideRow& row : SIDE_TABLE_ROWS) {
        EXPECT_EQ(row.skeleton, nullptr);
        for (float base : {row.baseStrength, row.basePower, row.baseConstitution, row.baseAgility, row.baseSpeed})
            EXPECT_EQ(base, 50.0f);
        for (const auto& combo : row.combos) EXPECT_EQ(combo[0].action, -1);
    }
}

}  // namespace
}  // namespace fightertest
