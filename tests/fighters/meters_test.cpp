// The meters: levels and their statistics, experience, health under the match's rules with the
// kills it records, energy and the power bar, and which machine applies and tells.
#include <limits>
#include <tuple>
#include <vector>

#include "animation_fixture.h"
#include "core/settings.h"

namespace fightertest {
namespace {

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
    Character& At(int slot, int side, int level = 0) {
        Character& c = Spawned(slot, side, Vec3{4.5f + float(slot), 0, 4.5f});
        Force(c, 0);
        c.SetLevel(level, false, true);
        return c;
    }
};

TEST_F(MeterTest, ALevelSetsTheMetersTheStatisticsAndTheHighestPowerEasierAgainstTheOtherSide) {
    g_Match.localSide = 0;
    const struct {
        int level, side, difficulty;
        float health, experience, strength, constitution, agility, speed;
        int highest;
    } cases[] = {
        {0, 0, 1, 100, 100, 50, 50, 50, 50, 0},
        {1, 0, 1, 105, 125, 55, 55, 55, 55, 0},
        {68, 0, 1, 440, 1800, 390, 390, 390, 390, 8},
        {70, 0, 1, 450, 1850, 403.33333f, 403.33333f, 395, 395, 9},
        {0, 1, 0, 100, 100, 50, 25, 50, 50, 0},
        {40, 1, 0, 300, 1100, 250, 125, 250, 125, 6},
        {40, 0, 0, 300, 1100, 250, 250, 250, 250, 6},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.level);
        g_Settings.difficulty = t.difficulty;
        Character& c = At(0, t.side, t.level);
        EXPECT_FLOAT_EQ(c.health, t.health);
        EXPECT_FLOAT_EQ(c.maxEnergy, t.health);
        EXPECT_FLOAT_EQ(c.maxExperience, t.experience);
        EXPECT_NEAR(c.strength, t.strength, 1e-3f);
        EXPECT_NEAR(c.constitution, t.constitution, 1e-3f);
        EXPECT_FLOAT_EQ(c.agility, t.agility);
        EXPECT_FLOAT_EQ(c.speed, t.speed);
        EXPECT_EQ(c.highestUnlockedPower, t.highest);
    }
}

TEST_F(MeterTest, FullExperienceRaisesTheLevelAndDropsTheRestTripledInTheCampaignForTheLocalFighter) {
    // A campaign left in the menu before hosting a network game triples nothing there.
    const struct { int mode; bool local; float amount; int level; float experience; bool hosting = false; } cases[] = {
        {2, false, 100, 1, 0}, {2, false, 180, 1, 0}, {2, false, 99, 0, 99}, {1, true, 40, 1, 0}, {1, false, 40, 0, 40},
        {1, true, 40, 0, 40, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.amount);
        g_Menu.gameType = t.mode;
        Character& c = At(0, 0);
        Recorder().local = t.local ? &c : nullptr;
        Recorder().sounds.clear();
        Network(t.hosting, t.hosting);
        c.AddExperience(t.amount, nullptr);
        Network(false, false);
        EXPECT_EQ(c.level, t.level);
        EXPECT_FLOAT_EQ(c.experience, t.experience);
        EXPECT_EQ(c.currentAnimation, t.level == 1 ? 195 : 0);
        EXPECT_EQ(SoundIds(), t.level == 1 ? std::vector<int>{210} : std::vector<int>{});
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
        {"damage", 0, 0, 100, -30, 2, false, 70},         {"healing to the top", 0, 0, 90, 30, -1, false, 105},
        {"nothing heals 0", 0, 0, 0, 30, -1, false, 0},   {"match over", 0, 1, 100, -30, 2, false, 100},
        {"immune", 0, 0, 100, -30, 2, true, 100},         {"team mate, kind 5", 5, 0, 100, -30, 1, false, 100},
        {"team mate, kind 6", 6, 0, 100, -30, 1, false, 70}, {"itself, kind 0", 0, 0, 100, -30, 0, false, 70},
        {"not a number", 0, 0, 100, std::numeric_limits<float>::quiet_NaN(), 2, false, 100},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.gameKind = t.kind;
        g_Match.state = t.matchState;
        Character& c = At(0, 0, 1);
        Character* others[] = {nullptr, &c, &At(1, 0), &At(2, 1)};
        c.health = t.start;
        c.states[STATE_SUPER].active = t.immune ? 1 : 0;
        c.ChangeHealth(t.amount, others[t.attacker + 1]);
        EXPECT_FLOAT_EQ(c.health, t.health);
    }
}

TEST_F(MeterTest, DeathRecordsTheKillAndEndsTheGuardExceptWhileApplyingTheHostsEvent) {
    const struct { int attacker; bool dispatching; std::vector<Kill> kills; } cases[] = {
        {-1, false, {{-1, 3, -1}}}, {5, false, {{1, 3, 5}}}, {3, false, {{-1, 3, 3}}}, {5, true, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.attacker);
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
    const struct { bool network, hosting, dispatching, applied; std::vector<std::vector<uint8_t>> events; } cases[] = {
        {false, false, false, true, {}},
        {true, false, false, false, {}},
        {true, false, true, true, {}},
        {true, true, false, true,
         {{18, 2, 4, 0, 0, 0xA0, 0xC0}, {19, 2, 0, 0, 0xA0, 0xC0}, {20, 2, 0, 0, 0xA0, 0x40, 0xFF},
          {21, 2, 0, 0, 0xE0, 0x40}}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.network << t.hosting << t.dispatching);
        Character& c = At(2, 0);
        At(4, 1);
        Network(t.network, t.hosting, t.dispatching);
        Recorder().events.clear();
        c.ChangeHealth(-5, &g_Characters[4]);
        c.ChangeEnergy(-5);
        c.AddExperience(5, nullptr);
        c.AddCredits(7);
        EXPECT_FLOAT_EQ(c.health + c.energy + c.experience, t.applied ? 195.0f : 200.0f);
        EXPECT_EQ(c.credits, t.applied ? 7 : 0);
        EXPECT_EQ(Recorder().events, t.events);
        Network(false, false);
    }
}

TEST_F(MeterTest, EnergyKeepsThePowerBarToWhatTheFighterCanPay) {
    const struct { int side, selected; float energy, amount; int after; } cases[] = {
        {0, -1, 50, 10, 3}, {0, 3, 30, -10, -1}, {0, 3, 30, -7.5f, 3}, {0, 1, 10, -10, 1}, {1, 1, 10, -10, -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.side << " " << t.selected << " " << t.amount);
        Character& c = At(0, t.side, 20);
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
}

}  // namespace
}  // namespace fightertest
