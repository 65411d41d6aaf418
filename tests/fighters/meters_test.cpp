// The meters: levels and the statistics they give, experience, health under the match's rules
// with the kills it records, energy and the power bar, and which machine applies and tells.
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "animation_fixture.h"
#include "core/settings.h"

namespace fightertest {
namespace {

using Events = std::vector<std::vector<uint8_t>>;
using Kill = std::tuple<int, int, int>;
std::vector<Kill> g_kills;

class MeterTest : public AnimationTest {
protected:
    void SetUp() override {
        AnimationTest::SetUp();
        g_kills.clear();
        SetKillObserver([](int points, int victim, int killer) { g_kills.emplace_back(points, victim, killer); });
        g_Settings.difficulty = 1;
    }
    void TearDown() override {
        SetKillObserver(nullptr);
        AnimationTest::TearDown();
    }
    // Standing, past the entry animation that makes it immune.
    Character& At(int slot, int side) {
        Character& c = Spawned(slot, side, Vec3{4.5f + float(slot), 0, 4.5f});
        Force(c, 0);
        return c;
    }
};

TEST_F(MeterTest, ALevelSetsTheMetersTheStatisticsAndTheHighestPower) {
    const struct {
        int level;
        float health, experience, strength, agility;
        int highest;
    } cases[] = {
        {0, 100, 100, 50, 50, 0}, {1, 105, 125, 55, 55, 0},        {4, 120, 200, 70, 70, 1},
        {68, 440, 1800, 390, 390, 8}, {70, 450, 1850, 403.33333f, 395, 9},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.level);
        Character& c = At(0, 0);
        c.SetLevel(t.level, false, true);
        EXPECT_FLOAT_EQ(c.health, t.health);
        EXPECT_FLOAT_EQ(c.maxEnergy, t.health);
        EXPECT_FLOAT_EQ(c.maxExperience, t.experience);
        EXPECT_NEAR(c.strength, t.strength, 1e-3f);
        EXPECT_NEAR(c.constitution, t.strength, 1e-3f);
        EXPECT_FLOAT_EQ(c.speed, t.agility);
        EXPECT_FLOAT_EQ(c.agility, t.agility);
        EXPECT_EQ(c.highestUnlockedPower, t.highest);
    }
}

TEST_F(MeterTest, TheLowestDifficultyHalvesTheOtherSidesConstitutionAndSpeedNotBelowTheBase) {
    g_Settings.difficulty = 0;
    g_Match.localSide = 0;
    const struct {
        int side, level;
        float constitution, speed;
    } cases[] = {{1, 0, 25, 50}, {1, 40, 125, 125}, {0, 40, 250, 250}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.side) + " at " + std::to_string(t.level));
        Character& c = At(0, t.side);
        c.SetLevel(t.level, false, true);
        EXPECT_FLOAT_EQ(c.constitution, t.constitution);
        EXPECT_FLOAT_EQ(c.speed, t.speed);
    }
}

TEST_F(MeterTest, FullExperienceRaisesTheLevelAndDropsTheRestTripledInTheCampaignForTheLocalFighter) {
    const struct {
        const char* name;
        int mode;
        bool local;
        float amount;
        int level;
        float experience;
    } cases[] = {
        {"exactly full", 2, false, 100, 1, 0}, {"past full", 2, false, 180, 1, 0}, {"short", 2, false, 99, 0, 99},
        {"campaign, local", 1, true, 40, 1, 0}, {"campaign, other", 1, false, 40, 0, 40},
        {"single game, local", 2, true, 40, 0, 40},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Menu.gameMode = t.mode;
        Character& c = At(0, 0);
        Recorder().local = t.local ? &c : nullptr;
        Recorder().sounds.clear();
        c.AddExperience(t.amount, nullptr);
        EXPECT_EQ(c.level, t.level);
        EXPECT_FLOAT_EQ(c.experience, t.experience);
        if (t.level == 1) {
            EXPECT_EQ(c.currentAnimation, 195);
            EXPECT_EQ(SoundIds(), std::vector<int>{210});
        }
    }
}

TEST_F(MeterTest, HealthChangesOnlyWhereTheMatchAndTheSidesAllowIt) {
    const struct {
        const char* name;
        int kind, matchState;
        float start, amount;
        int attacker;   // -1 none, 0 itself, 1 a team mate, 2 an enemy
        bool immune;
        float health;
    } cases[] = {
        {"damage", 0, 0, 100, -30, 2, false, 70},        {"healing stops at the top", 0, 0, 90, 30, -1, false, 105},
        {"nothing heals 0", 0, 0, 0, 30, -1, false, 0},  {"match over", 0, 1, 100, -30, 2, false, 100},
        {"immune", 0, 0, 100, -30, 2, true, 100},        {"immune heals", 0, 0, 50, 30, 2, true, 80},
        {"team mate, kind 5", 5, 0, 100, -30, 1, false, 100}, {"team mate, kind 6", 6, 0, 100, -30, 1, false, 70},
        {"team mate, kind 7", 7, 0, 100, -30, 1, false, 70}, {"itself, kind 0", 0, 0, 100, -30, 0, false, 70},
        {"not a number", 0, 0, 100, std::numeric_limits<float>::quiet_NaN(), 2, false, 100},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.gameKind = t.kind;
        g_Match.state = t.matchState;
        Character& c = At(0, 0);
        c.SetLevel(1, false, true);
        Character* others[] = {nullptr, &c, &At(1, 0), &At(2, 1)};
        c.health = t.start;
        if (t.immune) c.states[STATE_SUPER].active = 1;
        c.ChangeHealth(t.amount, others[t.attacker + 1]);
        EXPECT_FLOAT_EQ(c.health, t.health);
    }
}

TEST_F(MeterTest, DeathRecordsTheKillAndEndsTheGuardExceptWhileApplyingTheHostsEvent) {
    const struct {
        const char* name;
        int attacker;   // -1 none, else a slot
        bool dispatching;
        std::vector<Kill> kills;
    } cases[] = {
        {"no attacker", -1, false, {{-1, 3, -1}}}, {"an enemy", 5, false, {{1, 3, 5}}},
        {"itself", 3, false, {{-1, 3, 3}}},        {"the host's event", 5, true, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_kills.clear();
        Character& c = At(3, 0);
        At(5, 1);
        c.guarding = 1;
        Network(t.dispatching, false, t.dispatching);
        c.ChangeHealth(-500, t.attacker < 0 ? nullptr : &g_Characters[t.attacker]);
        EXPECT_EQ(c.health, 0.0f);
        EXPECT_EQ(c.guarding, 0);
        EXPECT_EQ(g_kills, t.kills);
        Network(false, false);
    }
}

TEST_F(MeterTest, OnlyTheHostTellsAndAClientOnItsOwnAppliesNothing) {
    const struct {
        const char* name;
        bool network, hosting, dispatching;
        bool applied;
        Events events;
    } cases[] = {
        {"offline", false, false, false, true, {}},
        {"client", true, false, false, false, {}},
        {"client applying", true, false, true, true, {}},
        {"host", true, true, false, true,
         {{18, 2, 4, 0, 0, 0xA0, 0xC0}, {19, 2, 0, 0, 0xA0, 0xC0}, {20, 2, 0, 0, 0xA0, 0x40, 0xFF},
          {21, 2, 0, 0, 0xE0, 0x40}}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = At(2, 0);
        At(4, 1);
        Network(t.network, t.hosting, t.dispatching);
        Recorder().events.clear();
        c.ChangeHealth(-5, &g_Characters[4]);
        c.ChangeEnergy(-5);
        c.AddExperience(5, nullptr);
        c.AddCredits(7);
        EXPECT_FLOAT_EQ(c.health, t.applied ? 95.0f : 100.0f);
        EXPECT_FLOAT_EQ(c.energy, t.applied ? 95.0f : 100.0f);
        EXPECT_FLOAT_EQ(c.experience, t.applied ? 5.0f : 0.0f);
        EXPECT_EQ(c.credits, t.applied ? 7 : 0);
        Events meters;
        for (const auto& e : Recorder().events)
            if (e[0] >= 18 && e[0] <= 21) meters.push_back(e);
        EXPECT_EQ(meters, t.events);
        Network(false, false);
    }
}

TEST_F(MeterTest, EnergyKeepsThePowerBarToWhatTheFighterCanPay) {
    const struct {
        const char* name;
        int side, level, selected;
        float energy, amount;
        int after;
    } cases[] = {
        {"a gain selects the default", 0, 20, -1, 50, 10, 3},
        {"a gain keeps a choice", 0, 20, 0, 50, 10, 0},
        {"too little for power 3", 0, 20, 3, 30, -10, -1},
        {"just enough for power 3", 0, 20, 3, 30, -7.5f, 3},
        {"side 0 keeps power 1", 0, 20, 1, 10, -10, 1},
        {"side 1 drops power 1", 1, 20, 1, 10, -10, -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = At(0, t.side);
        c.SetLevel(t.level, false, true);
        Recorder().local = &c;
        Recorder().selectedPower = t.selected;
        c.energy = t.energy;
        c.ChangeEnergy(t.amount);
        EXPECT_EQ(Recorder().selectedPower, t.after);
        Recorder().local = nullptr;
    }
    Character& c = At(0, 0);
    c.ChangeEnergy(-500);
    EXPECT_EQ(c.energy, 0.0f);
    c.ChangeEnergy(500);
    EXPECT_EQ(c.energy, c.maxEnergy);
}

}  // namespace
}  // namespace fightertest
