// The power table, what a power costs, who may cast what and when, the start of a cast with its
// layer and its event, and the line of sight.
#include <string>
#include <vector>

#include "animation_fixture.h"
#include "core/settings.h"
#include "fighters/power_table.h"

namespace fightertest {
namespace {

class PowerTest : public AnimationTest {
protected:
    // Standing, past the entry animation, at the level with energy to spare.
    Character& Caster(int side, int level, int slot = 0) {
        Character& c = Spawned(slot, side, Vec3{4.5f + float(slot), 0, 4.5f});
        Force(c, 0);
        c.SetLevel(level, false, true);
        c.energy = c.maxEnergy = 1000;
        return c;
    }
    static std::vector<int> Usable(Character& c) {
        std::vector<int> out;
        for (int k = 0; k < POWERS_PER_SIDE; ++k)
            if (c.CanUsePower(k)) out.push_back(k);
        return out;
    }
    static size_t StartPowerEvents() {
        size_t n = 0;
        for (const auto& e : Recorder().events) n += e[0] == 30 ? 1 : 0;
        return n;
    }
};

TEST(PowerTable, EachSideUnlocksItsPowersInOrderAndCapsTheStatisticsAt345) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        SCOPED_TRACE(side);
        EXPECT_EQ(PowerRowOf(side, 0).requiredLevel, 0);
        EXPECT_FLOAT_EQ(StatisticCap(side), 345.0f);
        for (int k = 0; k < POWERS_PER_SIDE; ++k) {
            const PowerRow& row = PowerRowOf(side, k);
            if (k > 0) EXPECT_GT(row.requiredLevel, PowerRowOf(side, k - 1).requiredLevel) << k;
            EXPECT_GE(row.castAnimation, 170) << k;
            EXPECT_LE(row.castAnimation, 176) << k;
            EXPECT_LE(row.costPerLevel, 0.0f) << k;
            EXPECT_LE(row.minimumCost, row.baseCost) << k;
            EXPECT_LE(row.upperBodyCast, row.airCast) << k;
        }
    }
}

TEST_F(PowerTest, TheCostFallsWithTheLevelToItsFloorAndPowers5And7TakeAShareOfTheMaximum) {
    const struct {
        int k, level;
        float maxEnergy, cost;
    } cases[] = {{0, 30, 250, 1.0f},  {3, 15, 250, 25.0f}, {3, 40, 250, 12.5f}, {3, 45, 250, 10.0f},
                 {3, 60, 250, 10.0f}, {5, 10, 250, 100.0f}, {5, 60, 250, 100.0f}, {7, 60, 250, 125.0f}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.k) + " at " + std::to_string(t.level));
        Character& c = Caster(0, t.level);
        c.maxEnergy = t.maxEnergy;
        EXPECT_FLOAT_EQ(c.PowerCost(t.k), t.cost);
        c.energy = t.cost;
        EXPECT_TRUE(c.HasEnergyForPower(t.k));
        c.energy = t.cost - 0.01f;
        EXPECT_FALSE(c.HasEnergyForPower(t.k));
    }
}

TEST_F(PowerTest, WhoMayCastWhatByTheAirTheRaceTheActionAndTheEasyCampaign) {
    const struct {
        const char* name;
        int side, level, kind, mode, difficulty;
        bool local, airborne;
        int animation;
        std::vector<int> usable;
    } cases[] = {
        {"side 0 in the air", 0, 69, 5, 2, 1, true, true, 37, {0, 1, 3, 8}},
        {"side 1 in the air", 1, 69, 5, 2, 1, true, true, 37, {0, 3, 8}},
        {"computer side 1 in a race", 1, 69, 1, 2, 1, false, false, 0, {0, 3, 8}},
        {"computer side 0 in greed", 0, 69, 2, 2, 1, false, false, 0, {0, 1, 3, 8}},
        {"the local fighter in a race", 1, 69, 1, 2, 1, true, false, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"during an action", 0, 69, 5, 2, 1, true, false, 50, {}},
        {"level 48", 0, 48, 5, 2, 1, true, false, 0, {0, 1, 2, 3, 4, 5, 6}},
        {"easy campaign at 49", 0, 49, 5, 1, 0, true, false, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"easy campaign, not local", 0, 49, 5, 1, 0, false, false, 0, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"normal campaign at 49", 0, 49, 5, 1, 1, true, false, 0, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.gameKind = t.kind;
        g_Menu.gameMode = t.mode;
        g_Settings.difficulty = t.difficulty;
        Character& c = Caster(t.side, t.level);
        Recorder().local = t.local ? &c : nullptr;
        Force(c, t.animation);
        c.airborne = t.airborne ? 1 : 0;
        EXPECT_EQ(Usable(c), t.usable);
        EXPECT_FALSE(c.CanUsePower(10));
    }
    g_Match.localSide = 0;
    g_Menu.gameMode = 1;
    g_Settings.difficulty = 0;
    EXPECT_EQ(Caster(0, 49).highestUnlockedPower, 9);
}

TEST_F(PowerTest, AnotherMachinesCastWaitsOutItsCooldownWhileTheLocalFighterNeverWaits) {
    const struct {
        const char* name;
        int k;
        uint32_t since;
        bool local, starts;
    } cases[] = {
        {"power 8 after 2000", 8, 2000, false, false}, {"power 8 after 2500", 8, 2500, false, true},
        {"power 3 after 1499", 3, 1499, false, false}, {"power 9 after 2999", 9, 2999, false, false},
        {"power 0 at once", 0, 0, false, true},        {"local power 8 after 2000", 8, 2000, true, true},
        {"an index past the powers", 10, 5000, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Caster(0, 69);
        Recorder().local = t.local ? &c : nullptr;
        c.lastPowerStart = kStartTime - t.since;
        Network(true, false, !t.local);
        EXPECT_EQ(c.StartPower(t.k), t.starts);
        EXPECT_EQ(c.currentPower, t.starts ? t.k : -1);
        EXPECT_EQ(c.lastPowerStart, t.starts ? kStartTime : kStartTime - t.since);
        Network(false, false);
    }
}

TEST_F(PowerTest, ACastPlaysOnTheBodyOrTheUpperBodyByWhatTheFighterIsDoing) {
    const struct {
        const char* name;
        int k, from;
        bool airborne;
        int animation, upper;
        uint32_t blend;
    } cases[] = {
        {"standing", 3, 0, false, 174, 174, 0},     {"running, upper-body cast", 3, 21, false, 21, 174, 0},
        {"running, whole-body cast", 4, 21, false, 175, 175, 200}, {"in the air", 8, 37, true, 37, 174, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Caster(0, 69);
        Force(c, t.from);
        c.airborne = t.airborne ? 1 : 0;
        ASSERT_TRUE(c.StartPower(t.k));
        EXPECT_EQ(c.currentPower, t.k);
        EXPECT_EQ(c.currentAnimation, t.animation);
        EXPECT_EQ(c.upperAnimation, t.upper);
        EXPECT_EQ(Controller(c, t.animation == t.upper ? 0 : BONE_UPPER_BODY).blendTotal, t.blend);
    }
}

TEST_F(PowerTest, OnlyACastThatBeganIsToldAndARefusedOneStillCountsForTheCooldown) {
    Character& c = Caster(0, 69);
    Character& remote = Caster(1, 69, 2);
    Recorder().local = &c;
    Network(true, false);
    Force(c, 21);
    Force(c, 175, BONE_UPPER_BODY);
    Recorder().events.clear();
    SetTime(kStartTime + 100);
    EXPECT_TRUE(c.StartPower(3));
    EXPECT_EQ(c.currentPower, -1);
    EXPECT_EQ(c.lastPowerStart, kStartTime + 100);
    EXPECT_EQ(StartPowerEvents(), 0u);
    Force(c, 0);
    EXPECT_TRUE(c.StartPower(3));
    EXPECT_EQ(Recorder().events.back(), (std::vector<uint8_t>{30, 0, 3}));
    // The host tells of what it applied from a client, so the others see it too.
    Recorder().events.clear();
    Network(true, true, true);
    EXPECT_TRUE(remote.StartPower(9));
    EXPECT_EQ(remote.currentAnimation, 0);
    EXPECT_EQ(Recorder().events, (std::vector<std::vector<uint8_t>>{{30, 2, 9}}));
    Network(false, false);
}

TEST_F(PowerTest, NothingInTheScenarioBlocksTheViewUntilTheRayQueryLands) {
    Character& c = Caster(0, 0);
    Character& other = Caster(1, 0, 1);
    EXPECT_TRUE(c.HasLineOfSight(&other));
    EXPECT_TRUE(c.HasLineOfSight(&c));
    EXPECT_FALSE(c.HasLineOfSight(nullptr));
}

}  // namespace
}  // namespace fightertest
