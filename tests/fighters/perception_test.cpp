// Perception of the computer fighters on path maps built in memory: the enemy rule, the strict
// and loose nearest enemy, the last attacker's upkeep and the walking goals' tries, read back
// from the goal each request left in the record.
#include <gtest/gtest.h>

#include <vector>

#include "bare_fighter_fixture.h"
#include "fighters/perception.h"

namespace {

using namespace perceptiontest;
using PerceptionTest = BareFighterTest;

TEST_F(PerceptionTest, EnemiesAreTheOtherSideBelowKindSixAndEveryoneFromIt) {
    OpenFloor();
    const struct {
        const char* name;
        int kind, side;
        bool enemies;
        int allies;
    } cases[] = {
        {"same side in annihilation", 5, 0, false, 1},
        {"same side in kind 6", 6, 0, true, 0},
        {"same side in kind 7", 7, 0, true, 0},
        {"other side in kind 0", 0, 1, true, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.gameKind = t.kind;
        Put(0, 0, 10, 10);
        Character& other = Put(1, t.side, 14, 10);
        EXPECT_EQ(AreEnemies(c, other), t.enemies);
        c.UpdatePerception();
        EXPECT_EQ(c.nearestEnemy, t.enemies ? &other : nullptr);
        EXPECT_EQ(c.nearestFighter, &other);
        EXPECT_FLOAT_EQ(c.nearestFighterDistance, 4.0f);
        EXPECT_EQ(c.CountEnemiesWithin(5.0f), t.enemies ? 1 : 0);
        EXPECT_EQ(c.CountEnemiesWithin(4.0f), 0);
        EXPECT_EQ(c.CountAlliesWithin(5.0f), t.allies);
    }
}

TEST_F(PerceptionTest, TheStrictEnemySkipsNearHiddenAndUnreachableFoes) {
    OpenFloor(60);
    const struct {
        const char* name;
        int32_t x;
        bool invisible, immune, airborne, dead;
        bool strict, loose;
    } cases[] = {
        {"invisible 50 away", 50, true, false, false, false, false, true},
        {"invisible 70 away", 70, true, false, false, false, true, true},
        {"immune 50 away", 50, false, true, false, false, false, true},
        {"on the ledge", 60, false, false, false, false, false, true},
        {"in the air over the ledge", 60, false, false, true, false, true, true},
        {"dead", 30, false, false, false, true, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetCharacters();
        Put(0, 0, 0, 40);
        Character& e = Put(3, 1, t.x, 40);
        e.states[STATE_INVISIBILITY].active = t.invisible;
        e.states[STATE_INVULNERABILITY].active = t.immune;
        e.airborne = t.airborne;
        e.dead = t.dead;
        c.UpdatePerception();
        EXPECT_EQ(c.nearestEnemy, t.strict ? &e : nullptr);
        EXPECT_EQ(c.nearestEnemyLoose, t.loose ? &e : nullptr);
        EXPECT_FLOAT_EQ(c.nearestEnemyDistance, t.strict ? float(t.x) : 0.0f);
        EXPECT_FLOAT_EQ(c.nearestEnemyLooseDistance, t.loose ? float(t.x) : 0.0f);
        EXPECT_FLOAT_EQ(c.nearestFighterDistance, t.dead ? 0.0f : float(t.x));
    }
    float d = 0.0f;
    ResetCharacters();
    Put(0, 0, 0, 40);
    EXPECT_EQ(c.NearestOpponent(&d, false), nullptr);
    EXPECT_FLOAT_EQ(d, -1.0f);
}

TEST_F(PerceptionTest, TheFirstOfEquallyNearFightersAndOnlyThoseInTheConeAreSeen) {
    OpenFloor();
    Put(0, 0, 40, 40);
    c.yaw = 0.0f;   // facing +z
    Character& behind = Put(2, 1, 40, 30);
    Character& ahead = Put(5, 1, 40, 50);
    Character& side = Put(7, 1, 50, 40);
    float d = 0.0f;
    EXPECT_EQ(c.NearestFighter(&d), &behind);
    EXPECT_EQ(c.NearestEnemyInView(&d, 20.0f, 3.14159265f / 2.0f), &ahead);
    EXPECT_FLOAT_EQ(d, 10.0f);
    EXPECT_EQ(c.NearestEnemyInView(&d, 10.0f, 3.14159265f / 2.0f), nullptr);
    c.yaw = 3.14159265f / 2.0f;
    EXPECT_EQ(c.NearestEnemyInView(&d, 20.0f, 1.0f), &side);
}

TEST_F(PerceptionTest, AnUnreachableLastAttackerGivesWayToANearerReachableEnemy) {
    OpenFloor(60);
    const struct {
        const char* name;
        bool following, dead, falling, reachableNearer;
        bool kept;
    } cases[] = {
        {"forgotten for a nearer reachable enemy", false, false, false, true, false},
        {"kept while a path is walked", true, false, false, true, true},
        {"kept while nobody is nearer", false, false, false, false, true},
        {"dropped when dead", true, true, false, false, false},
        {"dropped when falling fast", true, false, true, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetCharacters();
        Put(0, 0, 40, 40);
        Character& l = Put(4, 1, 60, 40);
        Put(6, 1, t.reachableNearer ? 30 : 10, 40);
        l.dead = t.dead;
        l.currentAnimation = t.falling ? 39 : 0;
        c.following = t.following;
        c.lastAttacker = &l;
        c.lastAttackerDistance = 20.0f;
        c.UpdatePerception();
        EXPECT_EQ(c.lastAttacker, t.kept ? &l : nullptr);
        EXPECT_FLOAT_EQ(c.lastAttackerDistance, t.kept ? 20.0f : 0.0f);
    }
}

TEST_F(PerceptionTest, FleeingTriesEachDirectionFromFarToNearInTurn) {
    // The threat at (35, 40), the fighter at (40, 40): away is +x; the turns give (+0.71, -0.71),
    // (-0.71, -0.71)... of which only the listed floors exist.
    const struct {
        const char* name;
        float start;
        std::vector<CellRef> floors;
        bool found;
        CellRef goal;
    } cases[] = {
        {"a later direction at its first distance", 30.0f, {{35, 50, 0}, {35, 15, 0}}, true, {35, 15, 0}},
        {"the nearest point straight away comes first", 30.0f, {{45, 40, 0}, {56, 19, 0}}, true, {45, 40, 0}},
        {"the last direction at its last distance", 30.0f, {{35, 50, 0}}, true, {35, 50, 0}},
        {"distance 8 is not tried", 28.0f, {{43, 40, 0}}, false, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        PathMapBuilder b(kGrid, kGrid);
        b.Floor(40, 40, 0.0f).Floor(35, 40, 0.0f);
        for (const CellRef& f : t.floors) b.Floor(f.x, f.z, 0.0f);
        b.Build(&map);
        ResetCharacters();
        Put(0, 0, 40, 40);
        const Character& o = Put(1, 1, 35, 40);
        c.requestedGoalCell = CellRef{-1, -1, -1};
        EXPECT_EQ(c.FleeFrom(&o, t.start), t.found);
        if (t.found) {
            EXPECT_EQ(c.requestedGoalCell, t.goal);
        } else {
            EXPECT_EQ(c.requestedGoalCell, (CellRef{-1, -1, -1}));
        }
    }
}

TEST_F(PerceptionTest, TheSymbolIsApproachedFromTheRadiusDownToAboveOneAndAHalf) {
    const struct {
        const char* name;
        float radius;
        int32_t floorX;
        bool found;
    } cases[] = {
        {"radius 2 tries the point 2 away", 2.0f, 42, true},
        {"radius 2 never tries 1 away", 2.0f, 41, false},
        {"radius 3 comes down to 2", 3.0f, 42, true},
        {"radius 0 walks to the symbol", 0.0f, 40, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        PathMapBuilder b(kGrid, kGrid);
        b.Floor(50, 40, 0.0f);
        if (t.floorX != 50) b.Floor(t.floorX, 40, 0.0f);
        b.Build(&map);
        ResetCharacters();
        ResetMatch();
        Put(0, 0, 50, 40);
        Character& carrier = Put(1, 1, 40, 40);
        g_Match.symbols[1].carrier = &carrier;
        // The symbol's own cell has no floor: it stands 10 short of the fighter.
        g_Match.symbols[1].symbolPosition = Vec3Sub(c.position, Vec3{10.0f, 0.0f, 0.0f});
        c.requestedGoalCell = CellRef{-1, -1, -1};
        EXPECT_EQ(c.GoToSymbol(1, t.radius), t.found);
        EXPECT_EQ(c.requestedGoalCell, (t.found ? CellRef{t.floorX, 40, 0} : CellRef{-1, -1, -1}));
        g_Match.symbols[1].carrier = nullptr;
    }
    EXPECT_FALSE(c.GoToSymbol(0, 0.0f));
}

TEST_F(PerceptionTest, CheckpointsPastTheLastAndUnplacedObjectsGiveNoGoal) {
    OpenFloor();
    Put(0, 1, 40, 40);
    g_Match.checkpointCount = MATCH_CHECKPOINTS;
    g_Match.checkpoints[5].position = Centre(30, 40);
    const struct {
        const char* name;
        int32_t next;
        bool found;
    } cases[] = {
        {"the next post", 5, true},
        {"past the last of 99", MATCH_CHECKPOINTS, false},
        {"a negative index", -1, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.checkpointsPassed[1] = t.next;
        c.following = 0;
        EXPECT_EQ(c.GoToNextCheckpoint(4.0f), t.found);
    }
    EXPECT_EQ(c.requestedGoalCell, (CellRef{34, 40, 0}));
    EXPECT_EQ(c.NearestSearchObject(100.0f), -1);
    EXPECT_FALSE(c.GoToSearchObject(0));
    EXPECT_FALSE(c.GoToSearchObject(10));
}

TEST_F(PerceptionTest, HighSearchObjectsAreLeftToTheLocalPlayer) {
    OpenFloor();
    Put(0, 0, 40, 40);
    const Vec3 zero{};
    const int32_t high = CreateEffect(-1, 66, Centre(44, 40), zero, zero, zero, zero, -1, 1.0f, 0, nullptr);
    const int32_t low = CreateEffect(-1, 66, Centre(30, 40), zero, zero, zero, zero, -1, 1.0f, 0, nullptr);
    ASSERT_GE(high, 0);
    ASSERT_GE(low, 0);
    for (int32_t& s : g_Match.searchObjects) s = -1;
    g_Match.searchObjects[3] = high;
    g_Match.searchObjectHeight[3] = 15.0f;
    g_Match.searchObjects[7] = low;
    g_Match.searchObjectHeight[7] = 10.0f;
    EXPECT_EQ(c.NearestSearchObject(12.0f), 7);
    g_local = &c;
    EXPECT_EQ(c.NearestSearchObject(12.0f), 3);
    g_local = nullptr;
    g_Match.searchObjects[7] = -1;
    EXPECT_EQ(c.NearestSearchObject(12.0f), -1);
    EXPECT_TRUE(c.GoToSearchObject(3));
    EXPECT_EQ(c.requestedGoalCell, (CellRef{44, 40, 0}));
}

TEST_F(PerceptionTest, TheNearestReachableItemIsOfTheTypesWithinTheLimits) {
    OpenFloor(60);
    Put(0, 0, 40, 40);
    const struct {
        int slot, type;
        int32_t x;
        float y;
    } items[] = {
        {2, 21, 60, 0.0f},    // on the ledge
        {4, 30, 45, 0.0f},    // of another type
        {6, 22, 35, 3.0f},    // too high
        {8, 20, 30, 0.0f},
        {9, 23, 50, 0.0f},    // as near as slot 8: the lower slot wins
    };
    for (const auto& it : items) {
        Item& item = g_Items[it.slot];
        item.active = item.present = 1;
        item.type = it.type;
        item.position = Centre(it.x, 40);
        item.position.y = it.y;
    }
    EXPECT_EQ(c.NearestReachableItem(20, 23, 100.0f, 2.0f), 8);
    EXPECT_EQ(c.NearestReachableItem(20, 23, 100.0f, 4.0f), 6);
    EXPECT_EQ(c.NearestReachableItem(20, 23, 10.0f, 2.0f), -1);
    EXPECT_EQ(c.NearestItemOfType(21), 2);
    g_Items[8].present = 0;
    EXPECT_EQ(c.NearestReachableItem(20, 23, 100.0f, 2.0f), 9);
    EXPECT_TRUE(c.GoToNearestItem(20, 23, 100.0f, 2.0f));
    EXPECT_EQ(c.requestedGoalCell, (CellRef{50, 40, 0}));
    EXPECT_FALSE(c.GoToNearestItem(40, 41, 100.0f, 2.0f));
}

}  // namespace
