// The computer fighters' decision lists on path maps built in memory: what each game kind walks
// to or engages, the unsticking, the test mode's hand control, and the fallbacks without a local
// or a cursed fighter.
#include <vector>

#include "bare_fighter_fixture.h"
#include "common/random.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "scene/character_model.h"
#include "scene/mesh_node.h"

namespace {

using namespace perceptiontest;

const CellRef kNoGoal{-1, -1, -1};
CellRef g_click{-1, -1, -1};

class BehaviourTest : public BareFighterTest {
protected:
    void SetUp() override {
        BareFighterTest::SetUp();
        savedSettings_ = g_Settings;
        g_FighterShellCalls.controlMode = []() { return 0; };
        g_FighterShellCalls.secondTick = []() { return false; };
        g_FighterShellCalls.frameSeconds = []() { return 0.0f; };
        g_FighterShellCalls.clickedMapCell = [](CellRef* out) {
            *out = g_click;
            return g_click.x >= 0;
        };
        g_FighterShellCalls.clickedWorldPoint = [](Vec3*) { return false; };
        g_Settings.test = 0;
        g_Settings.computerControl = 0;
        g_click = kNoGoal;
    }
    void TearDown() override {
        g_Settings = savedSettings_;
        BareFighterTest::TearDown();
    }
    // A computer fighter of side 0 with full meters, no goal asked for yet.
    Character& Fighter(int slot, int32_t x, int32_t z, int role = 0) {
        Character& f = Put(slot, 0, x, z);
        f.maxEnergy = f.energy = 100.0f;
        f.behaviourRole = role;
        f.requestedGoalCell = kNoGoal;
        return f;
    }
    int SearchObject(int index, int32_t x, int32_t z, float height) {
        const Vec3 zero{};
        const int32_t s = CreateEffect(-1, 66, Centre(x, z), zero, zero, zero, zero, -1, 1.0f, 0, nullptr);
        for (int32_t& o : g_Match.searchObjects)
            if (o == 0 && s != 0) o = -1;
        g_Match.searchObjects[index] = s;
        g_Match.searchObjectHeight[index] = height;
        return s;
    }

private:
    Settings savedSettings_;
};

TEST_F(BehaviourTest, OutsidePlayNoDecisionRunsButTheUnstickingDoes) {
    OpenFloor();
    g_Match.gameKind = 5;
    for (int32_t state : {1, 0}) {
        SCOPED_TRACE(state);
        ResetCharacters();
        g_Match.state = state;
        Character& f = Fighter(0, 40, 40);
        Character& e = Put(1, 1, 45, 40);
        f.UpdatePerception();
        f.following = 1;
        f.currentCell = CellRef{40, 40, 5};   // no such layer
        f.AiUpdate();
        EXPECT_EQ(f.invalidCellTime, kNow);
        EXPECT_EQ(f.attackTarget, state == 0 ? &e : nullptr);
    }
}

TEST_F(BehaviourTest, ARunnerStuckForASecondJumpsUpALowStepElseReplans) {
    const struct {
        const char* name;
        float targetFloor;
        uint32_t stuckFor;
        bool replans;
    } cases[] = {
        {"a step 6.9 up", 6.9f, 1001, false},
        {"a step 7 up", 7.0f, 1001, true},
        {"only a second", 7.0f, 1000, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        PathMapBuilder(kGrid, kGrid).Area(30, 30, 40, 50, 0.0f).Floor(41, 40, t.targetFloor).Area(42, 30, 50, 50, 0.0f).Build(&map);
        ResetCharacters();
        g_Match.gameKind = 7;
        Character& f = Fighter(0, 40, 40);
        f.following = 1;
        f.actionClass = 1;
        f.targetCell = CellRef{41, 40, 0};
        f.finalCell = CellRef{45, 40, 0};
        f.stuckPosition = f.position;
        f.stuckTime = kNow - t.stuckFor;
        f.AiUpdate();
        EXPECT_EQ(f.requestedGoalCell, (t.replans ? CellRef{40, 40, 0} : kNoGoal));
    }
}

TEST_F(BehaviourTest, InTestModeOnlySlotOneMovesAndOnlyByClicks) {
    OpenFloor();
    g_Match.gameKind = 5;
    g_Settings.test = 1;
    Character& other = Fighter(2, 40, 40);
    Character& one = Fighter(1, 30, 30);
    Put(5, 1, 42, 40);
    other.UpdatePerception();
    one.UpdatePerception();
    other.AiUpdate();
    one.AiUpdate();
    EXPECT_EQ(other.attackTarget, nullptr);
    EXPECT_EQ(one.requestedGoalCell, kNoGoal);
    g_click = CellRef{50, 40, 0};
    other.AiUpdate();
    one.AiUpdate();
    EXPECT_EQ(one.requestedGoalCell, (CellRef{50, 40, 0}));
    EXPECT_EQ(other.requestedGoalCell, kNoGoal);
    g_Settings.computerControl = 1;
    other.AiUpdate();
    EXPECT_EQ(other.attackTarget, &g_Characters[5]);
}

TEST_F(BehaviourTest, GreedTriesTheMostValuableCreditsOfEachRingFirst) {
    OpenFloor();
    g_Match.gameKind = 2;
    Character& f = Fighter(0, 0, 0);
    Item& one = g_Items[4];
    one.active = one.present = 1;
    one.type = 20;
    one.position = Centre(60, 0);
    Item& fifty = g_Items[9];
    fifty.active = fifty.present = 1;
    fifty.type = 23;
    fifty.position = Centre(0, 79);
    f.AiThink();
    EXPECT_EQ(f.requestedGoalCell, (CellRef{0, 79, 0}));
}

TEST_F(BehaviourTest, SearchObjectsOutOfReachAreWatchedFromAStandOff) {
    const struct {
        const char* name;
        int32_t fighterX;
        float height;
        bool enemy;
        CellRef goal;
        bool engages;
    } cases[] = {
        {"15 high, 20 away, an enemy near", 40, 15.0f, true, kNoGoal, true},
        {"15 high, 20 away, nobody near", 40, 15.0f, false, kNoGoal, false},
        {"15 high, 40 away", 20, 15.0f, false, {43, 40, 0}, false},
        {"25 high, 40 away", 20, 25.0f, false, kNoGoal, false},
        {"within reach, 40 away", 20, 10.0f, false, {60, 40, 0}, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        OpenFloor();
        ResetCharacters();
        ResetMatch();
        testsupport::Recorder().Clear();
        g_Match.gameKind = 3;
        Character& f = Fighter(0, t.fighterX, 40);
        if (t.enemy) Put(1, 1, t.fighterX, 70);
        f.UpdatePerception();
        SearchObject(0, 60, 40, t.height);
        f.AiThink();
        EXPECT_EQ(f.requestedGoalCell, t.goal);
        EXPECT_EQ(f.attackTarget != nullptr, t.engages);
    }
}

TEST_F(BehaviourTest, TheCursedEnemyIsFledNearAndLeftAloneWhenFleeingFails) {
    const struct {
        const char* name;
        int32_t cursedX;
        bool open;
        bool flees;
    } cases[] = {
        {"hidden, 25 away, room to flee", 15, true, true},
        {"4 away, no room to flee", 36, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        if (t.open) {
            OpenFloor();
        } else {
            PathMapBuilder(kGrid, kGrid).Floor(40, 40, 0.0f).Floor(t.cursedX, 40, 0.0f).Build(&map);
        }
        ResetCharacters();
        g_Match.gameKind = 4;
        Character& f = Fighter(0, 40, 40);
        Character& cursed = Put(1, 1, t.cursedX, 40);
        cursed.states[STATE_INVISIBILITY].active = 1;
        g_Match.cursedFighter = &cursed;
        f.AiThink();
        EXPECT_EQ(f.requestedGoalCell, (t.flees ? CellRef{45, 40, 0} : kNoGoal));
        EXPECT_EQ(f.attackTarget, nullptr);
    }
}

TEST_F(BehaviourTest, WithoutALocalOrACursedFighterTheFallbacksAct) {
    OpenFloor();
    const struct {
        const char* name;
        int kind, role;
        bool engages;
    } cases[] = {
        {"curse with nobody cursed", 4, 0, false},
        {"annihilation, a companion without a leader", 5, 2, true},
        {"steal the symbol, a companion without a leader", 0, 2, false},
        {"steal the symbol, a defender without symbols", 0, 1, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetCharacters();
        g_Match.gameKind = t.kind;
        g_FighterShellCalls.secondTick = []() { return true; };
        Character& f = Fighter(0, 40, 40, t.role);
        Character& e = Put(1, 1, 60, 40);
        f.UpdatePerception();
        for (uint32_t seed = 1; seed <= 11; ++seed) {
            SeedRandom(seed);
            f.AiThink();
        }
        EXPECT_EQ(f.attackTarget, t.engages ? &e : nullptr);
    }
}

TEST_F(BehaviourTest, ADefenderHomeWithNobodyNearFacesTheEnemyBase) {
    OpenFloor();
    g_Match.gameKind = 0;
    g_FighterShellCalls.frameSeconds = []() { return 1.0f; };
    // Stand-ins for the symbol meshes: both symbols on their pedestals, the enemy's beyond reach.
    MeshNode meshes[2];
    const int32_t homes[2][2] = {{10, 30}, {75, 40}};
    for (int t = 0; t < 2; ++t) {
        SymbolRecord& s = g_Match.symbols[t];
        s.symbol = &meshes[t];
        s.atHome = 1;
        s.pedestalPosition = s.symbolPosition = Centre(homes[t][0], homes[t][1]);
    }
    const struct {
        const char* name;
        int32_t z;
        bool turns;
    } cases[] = {
        {"10 from its symbol: it turns to the enemy base and stays", 40, true},
        {"20 from its symbol: it walks back to it", 50, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        ResetCharacters();
        Character& f = Fighter(0, 10, t.z, 1);
        f.model = new CharacterModel();   // what turns; the reset deletes it
        f.SetYaw(0.0f);
        f.UpdatePerception();
        f.AiThink();
        if (t.turns) {
            EXPECT_NEAR(f.yaw, 0.5f * kPi, 1e-4f);
            EXPECT_EQ(f.requestedGoalCell, kNoGoal);
        } else {
            EXPECT_NE(f.requestedGoalCell, kNoGoal);
        }
    }
    for (SymbolRecord& s : g_Match.symbols) s.symbol = nullptr;
}

}  // namespace
