// The power table, what a power costs, who may cast what and when, and the start of a cast with
// its event.
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
};

TEST(PowerTable, EachSideUnlocksItsPowersInOrderAndCapsTheStatisticsAt345) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        EXPECT_FLOAT_EQ(StatisticCap(side), 345.0f);
        EXPECT_EQ(PowerRowOf(side, 0).requiredLevel, 0);
        for (int k = 0; k < POWERS_PER_SIDE; ++k) {
            SCOPED_TRACE(testing::Message() << side << " " << k);
            const PowerRow& row = PowerRowOf(side, k);
            EXPECT_TRUE(k == 0 || row.requiredLevel > PowerRowOf(side, k - 1).requiredLevel);
            EXPECT_TRUE(row.castAnimation >= 170 && row.castAnimation <= 176);
            EXPECT_TRUE(row.costPerLevel <= 0.0f && row.minimumCost <= row.baseCost);
            EXPECT_LE(row.upperBodyCast, row.airCast);
        }
    }
}

TEST_F(PowerTest, TheCostFallsWithTheLevelToItsFloorAndPowers5And7TakeAShareOfTheMaximum) {
    const struct { int k, level; float cost; } cases[] = {
        {0, 30, 1.0f}, {3, 15, 25.0f}, {3, 40, 12.5f}, {3, 45, 10.0f}, {5, 10, 100.0f}, {5, 60, 100.0f}, {7, 60, 125.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.k << " at " << t.level);
        Character& c = Caster(0, t.level);
        c.maxEnergy = 250;
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
        bool network = false;
    } cases[] = {
        {"side 0 in the air", 0, 69, 5, 2, 1, true, true, 37, {0, 1, 3, 8}},
        {"side 1 in the air", 1, 69, 5, 2, 1, true, true, 37, {0, 3, 8}},
        {"computer side 1 in a race", 1, 69, 1, 2, 1, false, false, 0, {0, 3, 8}},
        {"during an action", 0, 69, 5, 2, 1, true, false, 50, {}},
        {"easy campaign at 49", 0, 49, 5, 1, 0, true, false, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"normal campaign at 49", 0, 49, 5, 1, 1, true, false, 0, {0, 1, 2, 3, 4, 5, 6, 7}},
        {"a network game after an easy campaign, at 49", 0, 49, 5, 1, 0, true, false, 0, {0, 1, 2, 3, 4, 5, 6, 7}, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.gameKind = t.kind;
        g_Menu.gameType = t.mode;
        g_Settings.difficulty = t.difficulty;
        Network(t.network, false);
        Character& c = Caster(t.side, t.level);
        Recorder().local = t.local ? &c : nullptr;
        Force(c, t.animation);
        c.airborne = t.airborne ? 1 : 0;
        std::vector<int> usable;
        for (int k = -1; k <= POWERS_PER_SIDE; ++k)
            if (c.CanUsePower(k)) usable.push_back(k);
        EXPECT_EQ(usable, t.usable);
        if (t.network) EXPECT_EQ(c.highestUnlockedPower, 7);
        Network(false, false);
    }
    g_Settings.difficulty = 0;
    EXPECT_EQ(Caster(0, 49).highestUnlockedPower, 9) << "the local side in the easy campaign";
}

TEST_F(PowerTest, AComputerFighterWaitsOutItsCooldownWhileAPlayersCastNeverWaits) {
    // A player's cast told by its machine was paced there; the packets' delays only move it.
    const struct { int k; uint32_t since; bool local, received, starts; } cases[] = {
        {8, 2000, false, false, false}, {8, 2500, false, false, true}, {3, 1499, false, false, false},
        {3, 1500, false, false, true},  {9, 2999, false, false, false}, {0, 0, false, false, true},
        {8, 2000, true, false, true},   {8, 2000, false, true, true},   {3, 1150, false, true, true},
        {9, 0, false, true, true},      {10, 5000, false, true, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.k << " after " << t.since << (t.local ? ", local" : "")
                                        << (t.received ? ", received" : ""));
        Character& c = Caster(0, 69);
        Recorder().local = t.local ? &c : nullptr;
        c.lastPowerStart = kStartTime - t.since;
        Network(true, false, t.received);
        EXPECT_EQ(c.StartPower(t.k), t.starts);
        if (t.received) EXPECT_EQ(c.currentPower, t.starts ? t.k : -1);
        EXPECT_EQ(c.lastPowerStart, t.starts ? kStartTime : kStartTime - t.since);
        Network(false, false);
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
    EXPECT_TRUE(c.StartPower(3));   // over the upper body's cast: refused
    EXPECT_EQ(c.currentPower, -1);
    EXPECT_EQ(c.lastPowerStart, kStartTime + 100);
    EXPECT_TRUE(Recorder().events.empty());
    Force(c, 0);
    EXPECT_TRUE(c.StartPower(3));
    EXPECT_EQ(c.currentAnimation, 174);
    EXPECT_EQ(Recorder().events.back(), (std::vector<uint8_t>{30, 0, 3}));
    // The host passes on what it applied from a client; the animation comes in its own event.
    Recorder().events.clear();
    Network(true, true, true);
    EXPECT_TRUE(remote.StartPower(9));
    EXPECT_EQ(remote.currentAnimation, 0);
    EXPECT_EQ(Recorder().events, (std::vector<std::vector<uint8_t>>{{30, 2, 9}}));
    Network(false, false);
}

}  // namespace
}  // namespace fightertest
