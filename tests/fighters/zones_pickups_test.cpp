// Springs and portals as a fighter meets them, and the item pickups with their effects by type.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/item_models.h"
#include "support/fighter_fixture.h"
#include "world/item.h"

namespace fightertest {
namespace {

class ZonesPickupsTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        testsupport::InstallItemModels();
    }
    void TearDown() override {
        ResetItems();
        for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
        FighterTest::TearDown();
    }
    // A pair of portals: 0 at (3, 0.75, 8) facing +x, 1 at (12, 0, 8) facing -z.
    static void Portals() {
        g_Portals[0] = PortalRecord{1, 0, 1, {3.0f, 0.75f, 8.0f}, {1.0f, 0.0f, 0.0f}};
        g_Portals[1] = PortalRecord{1, 1, 0, {12.5f, 0.0f, 8.5f}, {0.0f, 0.0f, -1.0f}};
    }
    // Offline only the editor lays screen items; the pickup does not ask who laid them.
    static int Lay(int type, const Vec3& at) {
        g_Settings.mode = 3;
        const int slot = SpawnItem(0, type, at, false);
        g_Settings.mode = 0;
        return slot;
    }
    static int Sounds(int id) {
        int n = 0;
        for (const auto& s : Recorder().sounds) n += s.id == id;
        return n;
    }
};

TEST_F(ZonesPickupsTest, ASpringHealsTenPercentASecondWithItsGlow) {
    Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
    g_Scenario.healthSpring = 1;
    g_Scenario.healthSpringCentre = {5.5f, 0.0f, 10.0f};     // 4.5 away
    c.health = 10.0f;
    c.springTime = kStartTime;
    for (int step = 1; step <= 5; ++step) {
        SetTime(kStartTime + 201 * uint32_t(step));
        c.UpdateScenarioZones();
    }
    EXPECT_NEAR(c.health, 10.0f + 0.1f * c.maxHealth, 1e-3f);
    ASSERT_EQ(Recorder().CreatedOfType(66).size(), 1u);
    EXPECT_EQ(Sounds(170), 1);
    // Out of reach: the glow is stopped.
    c.position.z = 4.0f;
    SetTime(kStartTime + 2000);
    c.UpdateScenarioZones();
    EXPECT_TRUE(Recorder().effects[Recorder().CreatedOfType(66)[0]].stopped);
}

TEST_F(ZonesPickupsTest, APortalCarriesOnACrossingOrATouchAndThenWaits) {
    Portals();
    Character& c = Spawned(0, 0, {2.5f, 0.0f, 8.5f});
    Recorder().local = &c;
    const struct {
        float previousX, x;
        bool passes;
    } cases[] = {{2.0f, 2.5f, false}, {2.5f, 3.0f, true}, {2.5f, 3.5f, true}, {3.5f, 2.5f, true}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.x);
        c.portalTime = 0;
        c.previousPosition = {k.previousX, 0.0f, 8.5f};
        c.SetPosition(k.x, 0.0f, 8.5f, false);
        c.UpdateScenarioZones();
        if (k.passes) {
            // Three ahead of the partner along its facing, turned to face that way.
            EXPECT_NEAR(c.previousPosition.x, 12.5f, 1e-4f);
            EXPECT_NEAR(c.previousPosition.z, 5.5f, 1e-4f);
            EXPECT_NEAR(c.yaw, 3.14159265f, 1e-4f);
            EXPECT_EQ(c.portalTime, kStartTime);
        } else {
            EXPECT_NEAR(c.previousPosition.x, k.previousX, 1e-4f);
        }
    }
    EXPECT_EQ(Sounds(171), 3);
    // Within the wait nothing passes.
    c.portalTime = kStartTime - 1000;
    c.previousPosition = {2.5f, 0.0f, 8.5f};
    c.SetPosition(3.5f, 0.0f, 8.5f, false);
    c.UpdateScenarioZones();
    EXPECT_NEAR(c.previousPosition.x, 2.5f, 1e-4f);
}

TEST_F(ZonesPickupsTest, AComputerFighterPassesOnlyOnAPathOntoThePartnersCell) {
    Portals();
    Character& c = Spawned(1, 1, {3.5f, 0.0f, 8.5f});
    c.previousPosition = c.position;     // no crossing: computer fighters do not need one
    const CellRef here{3, 8, 0};
    g_Scenario.pathMap.GetLayer(here)->portal = &g_Portals[0];
    c.currentCell = here;
    for (bool onPath : {false, true}) {
        SCOPED_TRACE(onPath);
        c.following = 1;
        c.portalTime = 0;
        c.previousPosition = {3.5f, 0.0f, 8.5f};
        c.targetCell = onPath ? CellRef{12, 8, 0} : CellRef{4, 8, 0};
        c.UpdateScenarioZones();
        EXPECT_NEAR(c.previousPosition.x, onPath ? 12.5f : 3.5f, 1e-4f);
        EXPECT_NEAR(c.previousPosition.z, 8.5f, 1e-4f) << "no lead for other fighters";
    }
    g_Scenario.pathMap.GetLayer(here)->portal = nullptr;
}

TEST_F(ZonesPickupsTest, TheNearestItemWinsAndTiesGoToTheSmallerDxThenDz) {
    Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
    (void)c;
    ASSERT_EQ(SpawnItem(0, 24, {5.5f, 0.75f, 6.5f}, false), 0);     // dx 0, dz +1
    ASSERT_EQ(SpawnItem(1, 25, {4.5f, 0.75f, 5.5f}, false), 1);     // dx -1, dz 0
    ASSERT_EQ(SpawnItem(2, 26, {5.5f, 0.75f, 4.5f}, false), 2);     // dx 0, dz -1
    EXPECT_EQ(FindNearestItem(5.5f, 0.75f, 5.5f, 1), &g_Items[1]);
    g_Items[1].Remove();
    EXPECT_EQ(FindNearestItem(5.5f, 0.75f, 5.5f, 1), &g_Items[2]);
    EXPECT_EQ(FindNearestItem(9.5f, 0.75f, 9.5f, 1), nullptr);
}

TEST_F(ZonesPickupsTest, TheReachDependsOnTheFighterAndTheTrapGroup) {
    const struct {
        bool local;
        int type;
        float distance;
        bool taken;
    } cases[] = {
        {true, 3, 1.15f, true},  {true, 3, 1.25f, false}, {false, 3, 0.75f, true},
        {false, 3, 0.85f, false}, {false, 16, 0.35f, true}, {false, 16, 0.45f, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.type) + " at " + std::to_string(k.distance));
        ResetItems();
        testsupport::InstallItemModels();
        Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
        Recorder().local = k.local ? &c : nullptr;
        ASSERT_EQ(SpawnItem(0, k.type, {5.5f + k.distance, 0.75f, 5.5f}, false), 0);
        c.CollectItems();
        EXPECT_EQ(g_Items[0].present == 0, k.taken);
        c.Despawn();
    }
}

TEST_F(ZonesPickupsTest, EachItemTypeHasItsEffect) {
    const auto state = [](int k) { return [k](const Character& c) { return c.states[k].active != 0; }; };
    const struct {
        int type;
        std::function<bool(const Character&)> applied;
    } cases[] = {
        {3, [](const Character& c) { return std::fabs(c.health - (10.0f + 0.5f * c.maxHealth)) < 1e-3f; }},
        {4, [](const Character& c) { return c.health == c.maxHealth; }},
        {5, [](const Character& c) { return c.experience >= 75.0f || c.level > 0; }},
        {6, [](const Character& c) { return std::fabs(c.energy - (10.0f + 0.5f * c.maxEnergy)) < 1e-3f; }},
        {7, [](const Character& c) { return c.energy == c.maxEnergy; }},
        {8, state(STATE_STRENGTH_BOOST)},   {9, state(STATE_CONSTITUTION_BOOST)},
        {10, state(STATE_AGILITY_BOOST)},   {11, state(STATE_SPEED_BOOST)},
        {12, state(STATE_POWER_BOOST)},     {13, state(STATE_INVULNERABILITY)},
        {14, state(STATE_INVISIBILITY)},    {16, state(STATE_PARALYSIS)},
        {17, state(STATE_POISONING)},       {50, state(STATE_FORBIDDEN_FRUIT)},
        {51, state(STATE_SUPER)},
        {15, [](const Character&) { return Recorder().CreatedOfType(32).size() == 1 && Recorder().decals == 1; }},
        {20, [](const Character& c) { return c.credits == 1; }},
        {21, [](const Character& c) { return c.credits == 5; }},
        {22, [](const Character& c) { return c.credits == 25; }},
        {23, [](const Character& c) { return c.credits == 50; }},
        {54, [](const Character&) { return Recorder().screenItems == std::vector<int>{54}; }},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.type);
        ResetItems();
        testsupport::InstallItemModels();
        Recorder().Clear();
        Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
        Recorder().local = &c;
        c.actionClass = 0;
        c.health = 10.0f;
        c.energy = 10.0f;
        ASSERT_EQ(Lay(k.type, {5.5f, 0.75f, 5.5f}), 0);
        c.CollectItems();
        EXPECT_TRUE(k.applied(c));
        EXPECT_EQ(g_Scenario.results[TeamResultIndex(0, TEAM_ITEMS)], 1u);
        EXPECT_EQ(g_Scenario.results[FighterResultIndex(0, FIGHTER_ITEMS)], 1u);
        c.Despawn();
        g_Scenario.ResetResults();
    }
}

TEST_F(ZonesPickupsTest, StateItemsHoldTheirStateForItsWholeTime) {
    const struct {
        int type, state;
        uint32_t ms;
    } cases[] = {{8, STATE_STRENGTH_BOOST, 30000},     {9, STATE_CONSTITUTION_BOOST, 30000},
                 {10, STATE_AGILITY_BOOST, 30000},     {11, STATE_SPEED_BOOST, 30000},
                 {12, STATE_POWER_BOOST, 30000},       {13, STATE_INVULNERABILITY, 30000},
                 {14, STATE_INVISIBILITY, 30000},      {16, STATE_PARALYSIS, 20000},
                 {17, STATE_POISONING, 30000},         {50, STATE_FORBIDDEN_FRUIT, 30000},
                 {51, STATE_SUPER, 30000}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.type);
        ResetItems();
        testsupport::InstallItemModels();
        SetTime(kStartTime);
        Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
        c.actionClass = 0;
        ASSERT_EQ(Lay(t.type, {5.5f, 0.75f, 5.5f}), 0);
        c.CollectItems();
        ASSERT_TRUE(c.states[t.state].active);
        ExpectStateLasts(c, t.state, kStartTime, t.ms);
        c.Despawn();
    }
}

TEST_F(ZonesPickupsTest, PunishmentOfSideOneTakenBySideOneStrikesItsOwnTeam) {
    g_Match.gameKind = 0;
    Character& c = Spawned(0, 1, {5.5f, 0.0f, 5.5f});
    Character& mate = Spawned(1, 1, {9.5f, 0.0f, 5.5f});
    Spawned(2, 0, {5.5f, 0.0f, 9.5f});
    ASSERT_EQ(SpawnItem(0, 18, {5.5f, 0.75f, 5.5f}, false), 0);
    c.CollectItems();
    const std::vector<int32_t> strikes = Recorder().CreatedOfType(9);
    ASSERT_EQ(strikes.size(), 1u);
    const auto& e = Recorder().effects[strikes[0]];
    EXPECT_NEAR(e.aimPoint.x, mate.position.x, 1e-4f);
    EXPECT_NEAR(e.aimPoint.y, mate.position.y + 1.0f, 1e-4f);
    // Started 1.5 along the way from the collector's raised point.
    EXPECT_NEAR(e.position.x, 5.5f + 1.5f * 4.0f / std::hypot(4.0f, 0.25f), 1e-3f);
    EXPECT_EQ(e.colour, 0xff6400u);
}

TEST_F(ZonesPickupsTest, ScreenItemsRunAtOnceOfflineAndThroughTheEventInANetworkGame) {
    for (bool network : {false, true}) {
        SCOPED_TRACE(network);
        ResetItems();
        testsupport::InstallItemModels();
        Recorder().Clear();
        Network(network, network);
        Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
        Recorder().local = &c;
        ASSERT_EQ(Lay(56, {5.5f, 0.75f, 5.5f}), 0);
        c.CollectItems();
        EXPECT_EQ(Recorder().screenItems, network ? std::vector<int>{} : std::vector<int>{56});
        int sent = 0;
        for (const auto& e : Recorder().events)
            if (e[0] == EVENT_SCREEN_EFFECT) sent += e == std::vector<uint8_t>{36, 0, 0, 0, 0, 56};
        EXPECT_EQ(sent, network ? 1 : 0);
        c.Despawn();
    }
}

TEST_F(ZonesPickupsTest, ALetterCountsForTheSideAndTheTallies) {
    g_Match.Setup(2, 0);
    Character& c = Spawned(3, 1, {5.5f, 0.0f, 5.5f});
    ASSERT_EQ(SpawnItem(0, 24 + 2, {5.5f, 0.75f, 5.5f}, false), 0);
    c.CollectItems();
    EXPECT_EQ(g_Match.letters[1][2], 1);
    EXPECT_EQ(g_Match.letters[0][2], -1) << "the last C on the map";
    EXPECT_EQ(g_Scenario.results[TeamResultIndex(1, TEAM_LETTERS)], 1u);
    EXPECT_EQ(g_Scenario.results[FighterResultIndex(3, FIGHTER_LETTERS)], 1u);
    EXPECT_EQ(g_Scenario.results[TeamResultIndex(1, TEAM_ITEMS)], 1u);
    EXPECT_EQ(Sounds(160), 1);
}

// The letter that completes the other side's ZANTOR or FATALITY ends the match in its pickup, and
// counts all the same: on the host and in the block it tells the clients as the match ends.
TEST_F(ZonesPickupsTest, TheLetterThatSpellsAWordEndingTheMatchCountsOnTheHostAndInTheBlockItTells) {
    for (const int word : {0, 1}) {
        const std::string text = PowerWordText(word);
        SCOPED_TRACE(text);
        Network(false, false);
        ResetItems();
        testsupport::InstallItemModels();
        ResetCharacters();
        Recorder().Clear();
        g_Scenario.ResetResults();
        g_Match.Setup(2, 0);
        Character& c = Spawned(3, 1, {5.5f, 0.0f, 5.5f});
        const char last = text.back();
        for (char ch : text) g_Match.letters[1][ch - 'A'] = 1;
        g_Match.letters[1][last - 'A'] = 0;
        g_Match.wordState[word] = 1;
        ASSERT_EQ(SpawnItem(0, 24 + (last - 'A'), {5.5f, 0.75f, 5.5f}, false), 0);
        // Placed while the host was alone; a client has joined since.
        Network(true, true);
        c.CollectItems();
        ASSERT_NE(g_Match.state, MATCH_PLAYING) << "the word ended the match";
        std::vector<uint32_t> told;
        for (const auto& e : Recorder().events)
            if (e[0] == EVENT_MATCH_RESULTS && e.size() == 1 + 4 * MATCH_RESULT_DWORDS) {
                told.resize(MATCH_RESULT_DWORDS);
                std::memcpy(told.data(), e.data() + 1, 4 * MATCH_RESULT_DWORDS);
            }
        ASSERT_FALSE(told.empty()) << "the host tells the end's block";
        for (const uint32_t* block : {static_cast<const uint32_t*>(g_Scenario.results), static_cast<const uint32_t*>(told.data())}) {
            EXPECT_EQ(block[TeamResultIndex(1, TEAM_LETTERS)], 1u);
            EXPECT_EQ(block[FighterResultIndex(3, FIGHTER_LETTERS)], 1u);
            EXPECT_EQ(block[TeamResultIndex(1, TEAM_ITEMS)], 1u);
            EXPECT_EQ(block[FighterResultIndex(3, FIGHTER_ITEMS)], 1u);
        }
    }
}

}  // namespace
}  // namespace fightertest
