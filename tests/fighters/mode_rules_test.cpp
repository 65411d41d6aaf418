// The mode objects, the game-kind rules and the power words on spawned fighters in the arena,
// with stand-in templates for the posts, digits, signs and symbols.
#include <cmath>
#include <cstring>

#include "core/settings.h"
#include "support/item_models.h"
#include "support/fighter_fixture.h"
#include "world/dynamic_mesh.h"
#include "world/item.h"

namespace fightertest {
namespace {

class ModeRulesTest : public FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        g_Settings.Clear();
        g_Settings.mode = 0;
        for (int t = 0; t < 2; ++t)
            g_Settings.stealsGoal[t] = g_Settings.creditsGoal[t] = g_Settings.capturesGoal[t] =
                g_Settings.maxDeaths[t] = 1000;
        g_Settings.curseMinutes[0] = g_Settings.curseMinutes[1] = 1000;
    }
    void TearDown() override {
        ResetItems();
        FighterTest::TearDown();
    }
    // A match of the kind with empty stand-ins for every template.
    void Begin(int kind, int localSide = 0) {
        g_Match.Setup(kind, localSide);
        for (SceneNode*& t : g_Match.modeTemplates) {
            delete t;
            t = new DynamicMesh();
        }
        for (SceneNode*& t : g_Match.collidableTemplates) {
            delete t;
            t = new DynamicCollidableMesh();
        }
    }
    static Vec3 At(const SceneNode* node) { return static_cast<const DynamicMesh*>(node)->transform.translation; }
    static std::vector<uint8_t> Types() {
        std::vector<uint8_t> out;
        for (const auto& e : Recorder().events) out.push_back(e[0]);
        return out;
    }
};

TEST_F(ModeRulesTest, CheckpointsShowTheirNumberKeepTheSignsAndFaceThePreviousPost) {
    Begin(1);
    // The axis cases of the heading toward the previous post, then a diagonal.
    const struct {
        Vec3 point;
        float yaw;
    } posts[] = {
        {{0, 0, 0}, 0.3f},                       // the first keeps its own yaw
        {{0, 0, 10}, kPi / 2.0f - kPi},           // previous lies at smaller z
        {{0, 0, 20}, kPi / 2.0f - kPi},
        {{10, 0, 20}, kPi / 2.0f - 3.0f * kPi / 2.0f},   // previous at smaller x
        {{0, 0, 20}, kPi / 2.0f - kPi / 2.0f},    // previous at larger x
        {{0, 0, 10}, kPi / 2.0f},                 // previous at larger z: theta 0
        {{-5, 0, 5}, kPi / 2.0f - kPi / 4.0f},    // previous up and right: theta pi/4
        {{0, 0, 0}, kPi / 2.0f - 7.0f * kPi / 4.0f},
        {{1, 0, 0}, kPi / 2.0f - 3.0f * kPi / 2.0f},
        {{2, 0, 0}, kPi / 2.0f - 3.0f * kPi / 2.0f},
    };
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(g_Match.CreateCheckpoint(posts[i].point.x, posts[i].point.y, posts[i].point.z, 0.3f), i);
        EXPECT_NEAR(g_Match.checkpoints[i].yaw, posts[i].yaw, 1e-5f);
        EXPECT_EQ(g_Match.checkpointCount, i + 1);
    }
    // Index 8 shows 9 alone at the middle point; index 9 shows 10 with both digits.
    const CheckpointRecord& nine = g_Match.checkpoints[8];
    ASSERT_NE(nine.digits[0], nullptr);
    EXPECT_EQ(nine.digits[1], nullptr);
    const CheckpointRecord& ten = g_Match.checkpoints[9];
    ASSERT_NE(ten.digits[0], nullptr);
    ASSERT_NE(ten.digits[1], nullptr);
    // Post 9 stands at (2, 0, 0) scaled 1.3 and turned by yaw; the local z of each digit lies along
    // the turned z axis.
    const float yaw = ten.yaw;
    const auto expected = [&](float lz) {
        const float lx = 0.031f * 1.3f, s = 1.3f;
        return Vec3{2.0f + lx * std::cos(yaw) + lz * s * std::sin(yaw), 2.645f * s,
                    -lx * std::sin(yaw) + lz * s * std::cos(yaw)};
    };
    for (const auto& [node, lz] : {std::pair{ten.digits[0], 0.086f}, std::pair{ten.digits[1], -0.174f}}) {
        const Vec3 e = expected(lz), got = At(node);
        EXPECT_NEAR(got.x, e.x, 1e-4f);
        EXPECT_NEAR(got.y, e.y, 1e-4f);
        EXPECT_NEAR(got.z, e.z, 1e-4f);
    }
    // The start sign stays on post 0, the finish sign only on the newest.
    EXPECT_NE(g_Match.checkpoints[0].sign, nullptr);
    for (int i = 1; i < 9; ++i) EXPECT_EQ(g_Match.checkpoints[i].sign, nullptr) << i;
    EXPECT_NE(g_Match.checkpoints[9].sign, nullptr);
    // Three flames each.
    EXPECT_EQ(Recorder().CreatedOfType(90).size(), 30u);
}

TEST_F(ModeRulesTest, TheHundredthPostIsRefusedAndAFailedPostRecordsNothing) {
    Begin(1);
    for (int i = 0; i < MATCH_CHECKPOINTS; ++i) ASSERT_EQ(g_Match.CreateCheckpoint(float(i), 0, 0, 0), i);
    EXPECT_EQ(g_Match.CreateCheckpoint(200, 0, 0, 0), -1);
    EXPECT_EQ(g_Match.checkpointCount, 99);

    Begin(1);
    // A post template that is not solid cannot be copied into the collidable list.
    delete g_Match.collidableTemplates[TEMPLATE_POST];
    g_Match.collidableTemplates[TEMPLATE_POST] = new DynamicMesh();
    EXPECT_EQ(g_Match.CreateCheckpoint(1, 0, 0, 0), -1);
    EXPECT_EQ(g_Match.checkpointCount, 0);
    EXPECT_EQ(g_Match.checkpoints[0].index, -1);
    g_Match.checkpointCount = 1;    // even a count left over cannot be passed without a post
    EXPECT_FALSE(g_Match.PassCheckpoint(0, 0, -1));
}

TEST_F(ModeRulesTest, TheRacePassesPostsOnlyInOrderOnceAndWinsOnTheLast) {
    Begin(1);
    Character& a = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    Spawned(1, 1, {12.5f, 0.0f, 12.5f});
    ASSERT_EQ(g_Match.CreateCheckpoint(12.5f, 0.0f, 12.5f, 0.0f), 0);
    ASSERT_EQ(g_Match.CreateCheckpoint(2.5f, 0.0f, 2.5f, 0.0f), 1);
    // Fighter a stands at post 1 first: nothing; side 1 stands at post 0 and passes it.
    EXPECT_EQ(g_Match.UpdateRules(), -1);
    EXPECT_EQ(g_Match.checkpointsPassed[0], 0);
    EXPECT_EQ(g_Match.checkpointsPassed[1], 1);
    EXPECT_FALSE(g_Match.PassCheckpoint(0, 1, 1)) << "a second pass";
    EXPECT_EQ(g_Match.checkpointsPassed[1], 1);
    EXPECT_EQ(g_Scenario.results[TeamResultIndex(1, TEAM_CHECKPOINTS)], 1u);
    a.position = {12.5f, 0.0f, 12.5f};
    EXPECT_EQ(g_Match.UpdateRules(), -1);
    a.position = {2.5f, 0.0f, 2.5f};
    EXPECT_EQ(g_Match.UpdateRules(), 0);
    // Without posts the race is won by side 0 at once.
    Begin(1);
    EXPECT_EQ(g_Match.UpdateRules(), 0);
}

TEST_F(ModeRulesTest, TheSymbolIsCarriedDroppedReturnedAndCapturedOnlyAtHome) {
    Begin(0);
    Character& thief = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    Character& guard = Spawned(1, 1, {12.5f, 0.0f, 12.5f});
    ASSERT_TRUE(g_Match.CreateSymbol(5.5f, 0.0f, 5.5f, 0.0f, 1));
    ASSERT_TRUE(g_Match.CreateSymbol(10.5f, 0.0f, 10.5f, 0.0f, 0));
    EXPECT_FALSE(g_Match.CreateSymbol(1, 0, 1, 0, 1)) << "the record has its pedestal";

    thief.position = {5.5f, 0.0f, 5.5f};
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.symbols[1].carrier, &thief);
    // Dead, the carrier drops it 1.0 above its feet.
    thief.position = {6.5f, 0.0f, 7.5f};
    thief.dead = 1;
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.symbols[1].carrier, nullptr);
    EXPECT_EQ(g_Match.symbols[1].atHome, 0);
    EXPECT_NEAR(g_Match.symbols[1].symbolPosition.y, 1.0f, 1e-6f);
    // The own side's touch returns it home.
    guard.position = {6.5f, 0.0f, 7.5f};
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.symbols[1].atHome, 1);
    EXPECT_NEAR(g_Match.symbols[1].symbolPosition.y, 2.0f, 1e-6f);
    // Carried again, then a capture only while the thief's own symbol stands at home.
    thief.dead = 0;
    guard.position = {12.5f, 0.0f, 2.5f};
    thief.position = {5.5f, 0.0f, 5.5f};
    g_Match.UpdateRules();
    ASSERT_EQ(g_Match.symbols[1].carrier, &thief);
    g_Match.SetSymbolCarrier(0, 3.0f, 0.0f, 3.0f, nullptr);
    thief.position = {3.0f, -1.0f, 3.0f};     // at its own lying symbol: it goes home, no capture
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.captures[0], 0);
    EXPECT_EQ(g_Match.symbols[0].atHome, 1);
    thief.position = {10.5f, 0.0f, 10.5f};
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.captures[0], 1);
    EXPECT_EQ(g_Match.symbols[1].atHome, 1);
    // A drop at the origin goes home.
    g_Match.SetSymbolCarrier(1, 0.00005f, -0.00005f, 0.0f, nullptr);
    EXPECT_EQ(g_Match.symbols[1].atHome, 1);
}

TEST_F(ModeRulesTest, SameFrameGoalsGoToSideZeroAndKindFourTestsSideZerosExcessFirst) {
    const struct {
        int kind;
        int winner;
    } cases[] = {{0, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Begin(c.kind);
        g_Match.PutSideAtGoal(0);
        g_Match.PutSideAtGoal(1);
        EXPECT_EQ(g_Match.UpdateRules(), c.winner);
    }
    // Curse limit 0: the first carried ms loses.
    g_Settings.curseMinutes[0] = g_Settings.curseMinutes[1] = 0;
    Begin(4);
    EXPECT_EQ(g_Match.UpdateRules(), -1);
    g_Match.curseTime[1] = 1;
    EXPECT_EQ(g_Match.UpdateRules(), 0);
    // Each for himself: the lower slot wins.
    for (int kind : {6, 7}) {
        SCOPED_TRACE(kind);
        Begin(kind);
        for (int slot : {5, 2}) {
            Character& f = Spawned(slot, slot % 2, {2.5f + float(slot), 0.0f, 2.5f});
            f.killScore = 1000;
            f.credits = 1000;
        }
        EXPECT_EQ(g_Match.UpdateRules(), 2);
        ResetCharacters();
    }
}

TEST_F(ModeRulesTest, EachSideIsHeldToItsOwnGoalAndItsOwnCurseLimit) {
    // Side 0 needs 2 (20 credits, 1 minute of curse), side 1 needs 6 (60 credits, 3 minutes).
    Settings& s = g_Settings;
    s.stealsGoal[0] = s.capturesGoal[0] = s.maxDeaths[0] = 2;
    s.stealsGoal[1] = s.capturesGoal[1] = s.maxDeaths[1] = 6;
    s.creditsGoal[0] = 20;
    s.creditsGoal[1] = 60;
    s.curseMinutes[0] = 1;
    s.curseMinutes[1] = 3;
    const struct {
        int kind;
        int32_t* counter;   // per team
        int32_t scale;
    } counted[] = {{0, g_Match.captures, 1}, {2, g_Match.points, 10}, {3, g_Match.found, 1}, {5, g_Match.killScore, 1}};
    for (const auto& c : counted) {
        SCOPED_TRACE(c.kind);
        const struct {
            int32_t side0, side1;
            int winner;
        } steps[] = {{0, 3, -1}, {0, 5, -1}, {0, 6, 1}, {1, 0, -1}, {2, 0, 0}};
        for (const auto& k : steps) {
            SCOPED_TRACE(testing::Message() << k.side0 << " : " << k.side1);
            Begin(c.kind);
            c.counter[0] = k.side0 * c.scale;
            c.counter[1] = k.side1 * c.scale;
            EXPECT_EQ(g_Match.UpdateRules(), k.winner);
        }
    }
    // The curse: a side loses only once it has carried it past its own limit.
    const struct {
        uint32_t side0, side1;
        int winner;
    } curse[] = {{0, 120000, -1}, {0, 180000, -1}, {0, 180001, 0}, {60000, 0, -1}, {60001, 0, 1}};
    for (const auto& k : curse) {
        SCOPED_TRACE(testing::Message() << "curse " << k.side0 << " : " << k.side1);
        Begin(4);
        g_Match.curseTime[0] = k.side0;
        g_Match.curseTime[1] = k.side1;
        EXPECT_EQ(g_Match.UpdateRules(), k.winner);
    }
    // The test keys put a side exactly at its own goal.
    for (int kind : {0, 2, 3, 4, 5})
        for (int team : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " team " << team << " at its goal");
            Begin(kind);
            g_Match.PutSideAtGoal(team);
            EXPECT_EQ(g_Match.UpdateRules(), team);
        }
    // Each for himself: a fighter is held to the goal of its own side.
    for (int kind : {6, 7}) {
        SCOPED_TRACE(kind);
        Begin(kind);
        Character& voraks = Spawned(2, 1, {4.5f, 0.0f, 2.5f});
        Character& orlin = Spawned(5, 0, {7.5f, 0.0f, 2.5f});
        const int32_t scale = kind == 6 ? 1 : 10;
        voraks.killScore = 5 * scale;   // far past side 0's goal, short of its own
        voraks.credits = 5 * scale;
        orlin.killScore = orlin.credits = scale;
        EXPECT_EQ(g_Match.UpdateRules(), -1);
        orlin.killScore = orlin.credits = 2 * scale;
        EXPECT_EQ(g_Match.UpdateRules(), 5);
        orlin.killScore = orlin.credits = 0;
        voraks.killScore = voraks.credits = 6 * scale;
        EXPECT_EQ(g_Match.UpdateRules(), 2);
        ResetCharacters();
    }
}

TEST_F(ModeRulesTest, TheCursePassesOnceToAnEnemyThatIsNotImmuneAndNotFromAFrozenHolder) {
    Begin(4);
    Character& holder = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
    Character& mate = Spawned(1, 0, {5.5f, 0.0f, 6.0f});
    Character& immune = Spawned(2, 1, {6.0f, 0.0f, 5.5f});
    Character& dead = Spawned(3, 1, {5.0f, 0.0f, 5.5f});
    Character& first = Spawned(4, 1, {5.5f, 0.0f, 5.0f});
    Character& second = Spawned(5, 1, {5.5f, 0.0f, 6.2f});
    (void)mate;
    // Out of their entry animations, which make them immune.
    for (Character* c : {&holder, &mate, &immune, &dead, &first, &second}) c->actionClass = 0;
    immune.StartInvulnerability(30000, 0);
    dead.dead = 1;
    g_Match.SetCursedCharacter(&holder, false);
    holder.states[STATE_FREEZE].active = 1;
    EXPECT_EQ(g_Match.UpdateRules(), -1);
    EXPECT_EQ(g_Match.cursedFighter, &holder) << "a frozen holder keeps it";
    holder.states[STATE_FREEZE].active = 0;
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.cursedFighter, &first);
    EXPECT_NE(g_Match.cursedFighter, &second);
    EXPECT_TRUE(first.states[STATE_FREEZE].active);
    // A client only counts on what the host says.
    Network(true, false);
    g_Match.SetCursedCharacter(&holder, false);
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.cursedFighter, &holder);
    // No fighter: no freeze and no crash.
    g_Match.SetCursedCharacter(nullptr, true);
    EXPECT_EQ(g_Match.cursedFighter, nullptr);
}

TEST_F(ModeRulesTest, TheFighterWhoTakesTheCurseStaysFrozenForTheSetSeconds) {
    Begin(4);
    g_Settings.freezeTime = 7;
    Character& c = Spawned(0, 1, {5.5f, 0.0f, 5.5f});
    c.actionClass = 0;
    g_Match.SetCursedCharacter(&c, true);
    ASSERT_TRUE(c.states[STATE_FREEZE].active);
    ExpectStateLasts(c, STATE_FREEZE, kStartTime, 7000);
}

TEST_F(ModeRulesTest, StateWordsHoldTheirStateForItsWholeTimeOnTheSideTheyAreMeantFor) {
    Begin(2);
    const struct {
        int word, state;
        bool own;
        uint32_t ms;
    } cases[] = {{7, STATE_PARALYSIS, false, 20000},    {8, STATE_POISONING, false, 30000},
                 {9, STATE_FREEZE, false, 10000},       {10, STATE_INVISIBILITY, true, 30000},
                 {11, STATE_INVULNERABILITY, true, 30000}, {12, STATE_SUPER, true, 30000}};
    int slot = 0;
    for (const auto& t : cases) {
        SCOPED_TRACE(PowerWordText(t.word));
        SetTime(kStartTime);
        Character& mate = Spawned(slot++, 0, {5.5f, 0.0f, 5.5f});
        Character& enemy = Spawned(slot++, 1, {6.5f, 0.0f, 5.5f});
        mate.actionClass = enemy.actionClass = 0;   // out of the entry, which makes immune
        g_Match.ApplyWord(0, t.word);
        Character& held = t.own ? mate : enemy;
        const Character& spared = t.own ? enemy : mate;
        ASSERT_TRUE(held.states[t.state].active);
        EXPECT_FALSE(spared.states[t.state].active);
        ExpectStateLasts(held, t.state, kStartTime, t.ms);
    }
}

TEST_F(ModeRulesTest, SearchObjectsKeepAwayFromFightersAndDifficultyZeroSparesTheLocalSide) {
    Begin(3);
    Character& local = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    Recorder().local = &local;
    ASSERT_TRUE(g_Match.PlaceSearchObject(0));
    ASSERT_NE(g_Match.searchObjects[0], -1);
    EXPECT_FALSE(g_Match.PlaceSearchObject(0)) << "the slot is taken";
    Vec3 p = EffectSlotPosition(g_Match.searchObjects[0]);
    p.y -= 2.0f;
    // The arena's walkable part is 16 x 16: a point 20 away from the corner fighter exists.
    EXPECT_GE(std::hypot(p.x - local.position.x, p.z - local.position.z), 20.0f);
    // Collected, it comes back somewhere again away from the fighter.
    g_Match.CollectSearchObject(0, 0);
    EXPECT_EQ(g_Match.found[0], 1);
    ASSERT_NE(g_Match.searchObjects[0], -1);
    const Vec3 again = EffectSlotPosition(g_Match.searchObjects[0]);
    EXPECT_GE(std::hypot(again.x - local.position.x, again.z - local.position.z), 20.0f);

    // A fighter of the local side near the object: difficulty 0 ignores it, 1 flees from it.
    for (int difficulty : {0, 1}) {
        SCOPED_TRACE(difficulty);
        g_Settings.difficulty = difficulty;
        const int32_t slot = g_Match.searchObjects[0];
        EffectSlotSetPosition(slot, {8.0f, 2.0f, 8.0f});
        EffectSlotSetTargetPoint(slot, {8.0f, 2.0f, 12.0f});    // still on its way: no wandering
        local.position = {5.0f, 2.0f, 8.0f};
        g_Match.UpdateSearchObjects();
        const Vec3 t = EffectSlotTargetPoint(slot);
        if (difficulty == 0) {
            EXPECT_NEAR(t.x, 8.0f, 1e-5f);
        } else {
            EXPECT_NEAR(t.x, 9.0f, 1e-5f);
            EXPECT_NEAR(t.y, 3.0f, 1e-5f);
        }
    }
    // A path map without cells draws nothing.
    g_Scenario.pathMap.Release();
    g_Match.RemoveSearchObject(0);
    EXPECT_TRUE(g_Match.PlaceSearchObject(0));
}

// The seeker flies at the length of the velocity it is made with: the search's objects get the
// element map's start (1, 1, 1), aimed at their own point, when placed and when placed again
// after a find. Made still, they would neither flee nor wander.
TEST_F(ModeRulesTest, SearchObjectsAreMadeToFlyWhenPlacedAndPlacedAgain) {
    Begin(3);
    Character& local = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    Recorder().local = &local;
    ASSERT_TRUE(g_Match.PlaceSearchObject(0));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "placed" : "placed again");
        const int32_t slot = g_Match.searchObjects[0];
        ASSERT_NE(slot, EFFECT_NO_SLOT);
        EXPECT_EQ(EffectSlotType(slot), 65);
        const Vec3 v = EffectSlotVelocity(slot);
        EXPECT_FLOAT_EQ(v.x, 1.0f);
        EXPECT_FLOAT_EQ(v.y, 1.0f);
        EXPECT_FLOAT_EQ(v.z, 1.0f);
        const Vec3 p = EffectSlotPosition(slot), aim = EffectSlotTargetPoint(slot);
        EXPECT_FLOAT_EQ(aim.x, p.x);
        EXPECT_FLOAT_EQ(aim.y, p.y);
        EXPECT_FLOAT_EQ(aim.z, p.z);
        g_Match.CollectSearchObject(0, local.slot);
    }
}

TEST_F(ModeRulesTest, EventsWithIndicesOutOfPlayAreIgnored) {
    Begin(1);
    Spawned(0, 0, {2.5f, 0.0f, 2.5f});
    // The tally below names fighter 2 among those the match ended with: it is here too.
    Spawned(2, 1, {6.5f, 0.0f, 2.5f});
    ASSERT_EQ(g_Match.CreateCheckpoint(12.5f, 0.0f, 12.5f, 0.0f), 0);
    const std::vector<std::vector<uint8_t>> refused = {
        {46, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255},    // team 2
        {46, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7},      // slot 7 not active
        {48, 99, 0, 0, 0, 0, 0},                             // checkpoint 99
        {48, 0, 0, 0, 0, 0, 3},                              // slot 3 not active
        {49, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},           // object 10
        {52, 0, 255},                                        // nobody collects
        {53, 9, 1},
        {54, 2, 1, 0, 0, 0},
        {54, 0, 1, 0},                                        // short
    };
    for (const auto& e : refused) {
        SCOPED_TRACE(int(e[0]));
        EXPECT_FALSE(ApplyMatchEvent(e.data(), e.size()));
    }
    EXPECT_EQ(g_Match.checkpointsPassed[0], 0);
    const std::vector<uint8_t> pass = {48, 0, 0, 0, 0, 0, 0xff};
    EXPECT_TRUE(ApplyMatchEvent(pass.data(), pass.size()));
    EXPECT_EQ(g_Match.checkpointsPassed[0], 1);

    // The host's tally, by hand: points 300 and -5; side 0 holds two Bs, side 1 can no longer get
    // a Z; DOUBLE on show on side 0, BONUS gone; fighters 0 and 2 ended the match.
    std::vector<uint8_t> tally(77, 0);
    tally[0] = 42;
    tally[1] = 0x2C, tally[2] = 0x01;
    tally[5] = 0xFB, tally[6] = tally[7] = tally[8] = 0xFF;
    tally[9 + 1] = 2;
    tally[35 + 25] = 0xFF;
    tally[61 + 3] = 2;
    tally[75] = 0x05;
    g_Match.wordState[2] = 1;
    const auto with = [&tally](size_t at, uint8_t v) {
        std::vector<uint8_t> e = tally;
        e[at] = v;
        return e;
    };
    for (const auto& e : {with(61, 4), with(9, 0xFE), with(74, 2), std::vector<uint8_t>(tally.begin(), tally.end() - 1)}) {
        EXPECT_FALSE(ApplyMatchEvent(e.data(), e.size()));
        EXPECT_EQ(g_Match.points[0], 0);
        EXPECT_EQ(g_Match.wordState[2], 1);
    }
    EXPECT_TRUE(ApplyMatchEvent(tally.data(), tally.size()));
    EXPECT_EQ(g_Match.points[0], 300);
    EXPECT_EQ(g_Match.points[1], -5);
    EXPECT_EQ(g_Match.letters[0][1], 2);
    EXPECT_EQ(g_Match.letters[1][25], -1);
    EXPECT_EQ(g_Match.wordState[2], 0);
    EXPECT_EQ(g_Match.wordState[3], 2);
    EXPECT_EQ(g_Match.endFighters, 0x5);
    // Spelled on the other side, a word is merely gone here.
    EXPECT_TRUE(ApplyMatchEvent(with(74, 1).data(), tally.size()));
    EXPECT_EQ(g_Match.wordState[3], 0);
}

TEST_F(ModeRulesTest, FighterSixteenIsNobodyInTheModeEventsAndTheKills) {
    Begin(5);
    Spawned(15, 0, {2.5f, 0.0f, 2.5f});
    Spawned(0, 1, {6.5f, 0.0f, 2.5f});
    const std::vector<std::vector<uint8_t>> refused = {
        {46, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16},   // the carrier
        {47, 16},                                          // the capturer
        {48, 0, 0, 0, 0, 0, 16},                           // who passed
        {52, 0, 16},                                       // who collects
        {53, 16, 1},                                       // who is cursed
    };
    for (const auto& e : refused) {
        SCOPED_TRACE(int(e[0]));
        EXPECT_FALSE(ApplyMatchEvent(e.data(), e.size()));
    }
    EXPECT_EQ(g_Match.cursedFighter, nullptr);
    g_Match.RecordKill(1, 16, 15);
    g_Match.RecordKill(1, 0, 16);
    EXPECT_EQ(g_Match.killScore[0], 0);
    EXPECT_EQ(g_Match.killScore[1], 0);
    g_Match.RecordKill(1, 0, 15);
    EXPECT_EQ(g_Match.killScore[0], 1) << "the last slot's kill counts";
}

TEST_F(ModeRulesTest, WordsAreSpelledInIdOrderAndTheLocalSideWaitsTwoSeconds) {
    Begin(2, 0);
    testsupport::InstallItemModels();
    // Letters of BONUS and DOUBLE on the map, one L missing for LIFE? L is in DOUBLE: LIFE lacks I, F.
    int slot = 0;
    for (char ch : std::string("BONUSDLE")) {
        ASSERT_NE(SpawnItem(slot, 24 + (ch - 'A'), {2.5f + float(slot % 10), 0.0f, 2.5f + float(slot / 10)}, false), -1);
        ++slot;
    }
    g_Match.EnableWords();
    EXPECT_EQ(g_Match.wordState[2], 1);   // BONUS
    EXPECT_EQ(g_Match.wordState[3], 1);   // DOUBLE
    EXPECT_EQ(g_Match.wordState[5], 0);   // LIFE
    // The other side spells both in one pickup: BONUS first (100), then DOUBLE (200).
    for (char ch : std::string("BONUSDLE")) g_Match.letters[1][ch - 'A'] = 1;
    g_Match.letters[1]['S' - 'A'] = 0;
    g_Match.CollectLetter(1, 'S' - 'A', 3);
    EXPECT_EQ(g_Match.points[1], 200);
    EXPECT_EQ(g_Match.wordState[2], 0);
    EXPECT_EQ(g_Match.wordState[3], 0);
    EXPECT_EQ(g_Scenario.results[TeamResultIndex(1, TEAM_LETTERS)], 1u);
    // HALF of 7 leaves 4.
    g_Match.points[0] = 7;
    g_Match.ApplyWord(0, 4);
    EXPECT_EQ(g_Match.points[0], 4);
    // The last L taken while side 1 has none of it: side 1 can no longer obtain it.
    EXPECT_EQ(CountLetterItems('L' - 'A'), 1);
    g_Match.letters[1]['L' - 'A'] = 0;
    g_Match.CollectLetter(0, 'L' - 'A', 0);
    EXPECT_EQ(g_Match.letters[1]['L' - 'A'], -1);
    EXPECT_FALSE(g_Match.CanSpell(1, 3));
    EXPECT_FALSE(g_Match.SetWordState(13, 1));

    // The local side: shown, then applied 2000 ms after the pickup.
    Begin(2, 0);
    g_Match.wordState[2] = 1;
    for (char ch : std::string("BONU")) g_Match.letters[0][ch - 'A'] = 1;
    g_Match.CollectLetter(0, 'S' - 'A', 0);
    EXPECT_EQ(g_Match.wordState[2], 2);
    EXPECT_EQ(g_Match.points[0], 0);
    SetTime(kStartTime + 1001);
    g_Match.UpdateWordTimers();
    EXPECT_EQ(g_Match.wordState[2], 3);
    EXPECT_EQ(g_Match.points[0], 0);
    SetTime(kStartTime + 2002);
    g_Match.UpdateWordTimers();
    EXPECT_EQ(g_Match.wordState[2], 0);
    EXPECT_EQ(g_Match.points[0], 100);
}

// A word that comes due in the end's pause leaves the result the match ended with.
TEST_F(ModeRulesTest, ZantorWinsAndFatalityLosesForTheLocalPlayerWhoeverSpellsItUntilTheMatchHasEnded) {
    const struct {
        int word;
        int state;
        uint32_t winner;
    } cases[] = {{0, MATCH_WON, 0}, {1, MATCH_LOST, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        Begin(2, 0);
        g_Match.ApplyWord(1, c.word);
        EXPECT_EQ(g_Match.state, c.state);
        EXPECT_EQ(g_Scenario.results[RESULT_WINNER], c.winner);
        SetTime(kStartTime + 4000);
        g_Match.ApplyWord(1, 1 - c.word);
        EXPECT_EQ(g_Match.state, c.state) << "the pause's word turned the result";
        EXPECT_EQ(g_Scenario.results[RESULT_WINNER], c.winner);
        EXPECT_EQ(g_Match.stateTime, kStartTime);
        SetTime(kStartTime);
    }
}

// Each for himself, the results read the winner word as a fighter's slot: the words name the local
// fighter when the local player wins, and another fighter when it loses.
TEST_F(ModeRulesTest, EachForHimselfZantorAndFatalityNameAFighterAsTheWinner) {
    for (int kind : {6, 7}) {
        for (const auto& c : {std::pair<int, uint32_t>{0, 1}, std::pair<int, uint32_t>{1, 3}}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << ", word " << c.first);
            Begin(kind, 1);
            Character& local = Spawned(1, 1, {5.5f, 0.0f, 5.5f});
            Spawned(3, 1, {8.5f, 0.0f, 5.5f});
            Recorder().local = &local;
            g_Match.ApplyWord(0, c.first);
            EXPECT_EQ(g_Match.state, c.first == 0 ? MATCH_WON : MATCH_LOST);
            EXPECT_EQ(g_Scenario.results[RESULT_WINNER], c.second);
            Recorder().local = nullptr;
            ResetCharacters();
        }
    }
}

// A fighter alone (a host whose clients all left) that spells FATALITY has lost: the winner word
// names a slot, which the results read as a defeat unless it is the local fighter's own; -1 would
// read as a time-out and rank the lone row first.
TEST_F(ModeRulesTest, EachForHimselfFatalityAloneNamesASlotThatIsNotTheLocalFightersOwn) {
    for (int kind : {6, 7}) {
        for (int slot : {0, 1, 5}) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << ", alone in slot " << slot);
            Begin(kind, 0);
            g_Scenario.ResetResults();
            Character& local = Spawned(slot, 0, {5.5f, 0.0f, 5.5f});
            Recorder().local = &local;
            g_Match.ApplyWord(0, 1);
            EXPECT_EQ(g_Match.state, MATCH_LOST);
            const uint32_t winner = g_Scenario.results[RESULT_WINNER];
            EXPECT_LT(winner, uint32_t(MAX_CHARACTERS));
            EXPECT_NE(winner, uint32_t(slot));
            Recorder().local = nullptr;
            ResetCharacters();
        }
    }
}

TEST_F(ModeRulesTest, TheHostAnnouncesATakenSymbolAndAPassedPost) {
    Begin(0);
    Network(true, true);
    ASSERT_TRUE(g_Match.CreateSymbol(5.5f, 0.0f, 5.5f, 0.0f, 1));
    Spawned(2, 0, {5.5f, 0.0f, 5.5f});
    Recorder().events.clear();
    g_Match.UpdateRules();
    ASSERT_EQ(Types(), (std::vector<uint8_t>{EVENT_SET_SYMBOL_CARRIER, EVENT_PLAY_SOUND}));
    // Team 1, the zero point, carrier slot 2.
    EXPECT_EQ(Recorder().events[0], (std::vector<uint8_t>{46, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(Recorder().events[1].size(), 18u);
    EXPECT_EQ(Recorder().events[1][1], 250);

    Begin(1);
    ASSERT_EQ(g_Match.CreateCheckpoint(12.5f, 0.0f, 12.5f, 0.0f), 0);
    ResetCharacters();
    Spawned(3, 1, {12.5f, 0.0f, 12.5f});
    Recorder().events.clear();
    g_Match.UpdateRules();
    const std::vector<uint8_t> pass = {48, 0, 0, 0, 0, 1, 3};
    int passes = 0;
    for (const auto& e : Recorder().events) passes += e == pass;
    EXPECT_EQ(passes, 1);
}

TEST_F(ModeRulesTest, TheCurseTimeIsSentWhenItDriftsFromALastValueLeftByAnEarlierMatch) {
    Begin(4);
    Network(true, true);
    Character& holder = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
    g_Match.SetCursedCharacter(&holder, false);
    g_Match.lastSentCurseTime = 900000;     // never reset between matches
    Recorder().frameSeconds = 0.02f;
    g_Match.UpdateRules();
    EXPECT_EQ(g_Match.curseTime[0], 20u);
    EXPECT_EQ(g_Match.lastSentCurseTime, 20u);
    EXPECT_EQ(Types(), std::vector<uint8_t>{EVENT_SET_CURSE_TIME});
    EXPECT_EQ(g_Scenario.results[TeamResultIndex(0, TEAM_CURSE_MS)], 20u);
}

// A fighter whose player left lets go of the symbol and the curse: the fighter next given its slot
// starts with neither, and the match goes on without waiting for it.
TEST_F(ModeRulesTest, ACarrierOrCursedFighterThatLeavesHandsNeitherToTheNextFighterInItsSlot) {
    // The host drops it where it saw the carrier stand as it left or died, and says where first;
    // a client that saw it elsewhere puts it where the host says.
    std::vector<uint8_t> told;
    for (bool dies : {false, true}) {
        for (bool host : {true, false}) {
            SCOPED_TRACE(testing::Message() << (host ? "host" : "client") << (dies ? ", the carrier dies" : ""));
            Begin(0);
            Network(true, host);
            ASSERT_TRUE(g_Match.CreateSymbol(10.5f, 0.0f, 10.5f, 0.0f, 1));
            Character& carrier = Spawned(2, 0, {host ? 5.5f : 7.5f, 0.0f, 5.5f});
            carrier.playerId = 43;
            g_Match.SetSymbolCarrier(1, 0.0f, 0.0f, 0.0f, &carrier);
            Recorder().events.clear();
            if (host) {
                dies ? carrier.Die() : RemovePlayerCharacters(43);
                ASSERT_EQ(Recorder().events.size(), 1u);
                told = Recorder().events[0];
                ASSERT_EQ(told.size(), 15u);
                EXPECT_EQ(told[0], EVENT_SET_SYMBOL_CARRIER);
                EXPECT_EQ(told[1], 1);
                EXPECT_EQ(told[14], 255) << "no carrier";
                float x = 0.0f;
                std::memcpy(&x, &told[2], 4);
                EXPECT_NEAR(x, 5.5f, 1e-4f);
            } else if (dies) {
                carrier.Die();
                EXPECT_EQ(g_Match.symbols[1].carrier, &carrier) << "the client waits for the host's word";
                Receive({told});
            } else {
                Receive({told});
                RemovePlayerCharacters(43);
                EXPECT_TRUE(Recorder().events.empty());
            }
            EXPECT_EQ(g_Match.symbols[1].carrier, nullptr);
            EXPECT_NEAR(g_Match.symbols[1].symbolPosition.x, 5.5f, 1e-4f) << "dropped where the host saw it stand";
            EXPECT_NEAR(g_Match.symbols[1].symbolPosition.y, 1.0f, 1e-4f);
            EXPECT_EQ(g_Match.symbols[1].atHome, 0);
            Spawned(2, 0, {2.5f, 0.0f, 2.5f});
            EXPECT_EQ(g_Match.symbols[1].carrier, nullptr);
            Network(false, false);
            ResetCharacters();
            g_Match.Release();
        }
    }

    // The curse stays with the leaver's side while one of it is left, unfrozen; with none, it goes
    // back to the host's own fighter, which starts every match with it. The host says so before the
    // leave; a client waits for the host's word.
    for (bool host : {true, false}) {
        for (bool mateStays : {true, false}) {
            SCOPED_TRACE(testing::Message() << (host ? "host" : "client") << (mateStays ? ", a team mate stays" : ""));
            Begin(4);
            Network(true, host);
            Character& local = Spawned(0, 0, {2.5f, 0.0f, 2.5f});
            Recorder().local = &local;
            Spawned(1, 0, {8.5f, 0.0f, 2.5f});
            Character& cursed = Spawned(2, 1, {5.5f, 0.0f, 5.5f});
            cursed.playerId = 43;
            Spawned(3, 1, {2.5f, 0.0f, 8.5f}).Despawn();     // one of its side that left before
            if (mateStays) Spawned(4, 1, {8.5f, 0.0f, 8.5f});
            g_Match.SetCursedCharacter(&cursed, false);
            Recorder().events.clear();
            RemovePlayerCharacters(43);
            const uint8_t taker = mateStays ? 4 : 0;
            EXPECT_EQ(g_Match.cursedFighter, host ? &g_Characters[taker] : nullptr);
            if (host) {
                EXPECT_EQ(Recorder().events, (std::vector<std::vector<uint8_t>>{{EVENT_SET_CURSED_CHARACTER, taker, 0}}));
                EXPECT_EQ(g_Characters[taker].states[STATE_FREEZE].active, 0);
            } else {
                EXPECT_TRUE(Recorder().events.empty());
            }
            Spawned(2, 1, {5.5f, 0.0f, 5.5f});
            EXPECT_NE(g_Match.cursedFighter, &g_Characters[2]);
            Recorder().local = nullptr;
            Network(false, false);
            ResetCharacters();
        }
    }
}

TEST_F(ModeRulesTest, ADeadCarrierDropsOnItsCellAndARaceRespawnStandsAtTheLastPost) {
    Begin(0);
    ASSERT_TRUE(g_Match.CreateSymbol(10.5f, 0.0f, 10.5f, 0.0f, 1));
    Character& c = Spawned(0, 0, {5.5f, 0.0f, 5.5f});
    g_Match.SetSymbolCarrier(1, 0.0f, 0.0f, 0.0f, &c);
    c.Die();
    EXPECT_EQ(g_Match.symbols[1].carrier, nullptr);
    EXPECT_NEAR(g_Match.symbols[1].symbolPosition.x, 5.5f, 1e-4f);
    EXPECT_NEAR(g_Match.symbols[1].symbolPosition.y, 1.0f, 1e-4f);
    EXPECT_EQ(g_Match.symbols[1].atHome, 0);
    ResetCharacters();

    // The next post straight ahead in z, then straight ahead in x.
    const struct {
        Vec3 next;
        float yaw;
    } cases[] = {{{4.0f, 0.0f, 9.0f}, 6.2831853f - std::atan2(0.5f, 4.0f)}, {{9.0f, 0.0f, 5.0f}, kPi / 2.0f}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.next.x);
        Begin(1);
        ASSERT_EQ(g_Match.CreateCheckpoint(4.0f, 0.0f, 5.0f, 0.0f), 0);
        ASSERT_EQ(g_Match.CreateCheckpoint(k.next.x, k.next.y, k.next.z, 0.0f), 1);
        Character& r = Spawned(0, 0, {12.5f, 0.0f, 12.5f});
        ASSERT_TRUE(g_Match.PassCheckpoint(0, 0, 0));
        r.actionClass = 0;
        r.Die();
        r.Respawn();
        EXPECT_NEAR(r.previousPosition.x, 4.5f, 1e-4f);
        EXPECT_NEAR(r.previousPosition.z, 5.0f, 1e-4f);
        EXPECT_NEAR(r.yaw, k.yaw, 1e-4f);
        ResetCharacters();
    }
}

}  // namespace
}  // namespace fightertest
