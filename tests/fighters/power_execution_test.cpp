// The powers as their casts reach their release frames: the shots and where they start and aim,
// the bolts of power 9, the charge glows on the hands, the timed states that run out or that a
// carrier loses, the aim assist, and what a client leaves to the host.
#include <cmath>
#include <cstring>
#include <vector>

#include "combat_fixture.h"
#include "core/settings.h"
#include "fighters/power_table.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace fightertest {
namespace {

constexpr float kPi = 3.14159265f;

class PowerExecutionTest : public CombatTest {
protected:
    // Standing at the point, at the level, with energy to spare.
    Character& Caster(int side, int level, int slot = 0, const Vec3& at = Vec3{4.5f, 0.0f, 4.5f}) {
        Character& c = Spawned(slot, side, at);
        Force(c, 0);
        c.SetLevel(level, false, true);
        c.energy = c.maxEnergy = 1000.0f;
        Pose(c);
        return c;
    }
    // The cast started and its frame crossed on the upper body, then the frame's power update.
    static void CastTo(Character& c, float frame) {
        Cross(c, frame, BONE_UPPER_BODY);
        c.UpdatePowers();
    }
    // The model stands 0.13 behind the feet along the facing (+z at yaw 0); the upper body one
    // unit above it.
    static Vec3 UpperBody(const Character& c) {
        return Vec3{c.position.x, c.position.y + 1.0f, c.position.z - 0.13f};
    }
};

TEST_F(PowerExecutionTest, AFullCastOfTheBasicPowerFiresFromBothHandsAndPaysTwice) {
    Character& c = Caster(0, 0);
    Recorder().local = &c;
    PlaceBone(c, 99, Vec3{0.3f, 0.2f, 0.0f});
    PlaceBone(c, 79, Vec3{-0.3f, 0.2f, 0.0f});
    const Vec3 handA = Vec3Add(UpperBody(c), Vec3{0.3f, 0.2f, 0.0f});
    const Vec3 handB = Vec3Add(UpperBody(c), Vec3{-0.3f, 0.2f, 0.0f});
    c.aimPoint = Vec3Add(handA, Vec3{-0.3f, 0.0f, 20.0f});
    ASSERT_TRUE(c.StartPower(0));
    ASSERT_EQ(c.upperAnimation, 170);
    const float before = c.energy;

    CastTo(c, 3.0f);
    const std::vector<MadeEffect> charges = MadeOfType(70);
    ASSERT_EQ(charges.size(), 2u);
    for (const MadeEffect& m : charges) ExpectNear(m.start, Vec3{10000.0f, 10000.0f, 10000.0f});
    CastTo(c, 8.0f);
    ExpectNear(Recorder().effects[c.powerEffects[0]].position, handA);
    ExpectNear(Recorder().effects[c.powerEffects[1]].position, handB);

    const std::vector<MadeEffect> shots = MadeOfType(0);
    ASSERT_EQ(shots.size(), 2u);
    ExpectNear(shots[0].start, handA);
    ExpectNear(shots[1].start, handB);
    for (const MadeEffect& s : shots) {
        ExpectNear(s.second, c.aimPoint);
        EXPECT_NEAR(Vec3Length(s.velocity), 60.0f, 1e-3f);
        EXPECT_EQ(s.owner, &c);
    }
    // From hand A to the aim point 20 ahead and 0.3 aside.
    ExpectNear(shots[0].velocity, Vec3Scale(Vec3{-0.3f, 0.0f, 20.0f}, 60.0f / std::sqrt(400.09f)), 1e-3f);
    EXPECT_FLOAT_EQ(c.energy, before - 4.0f);
    ASSERT_EQ(SoundIds(), (std::vector<int>{150, 150}));
    ExpectNear(Recorder().sounds[1].position, handB);

    // The glows go as the cast ends.
    Force(c, 0);
    c.UpdatePowers();
    EXPECT_EQ(c.powerEffects[0], -1);
    EXPECT_TRUE(Recorder().effects[charges[0].slot].stopped && Recorder().effects[charges[1].slot].stopped);
}

TEST_F(PowerExecutionTest, TheChargeGlowsSitOnTheFineOrCoarseHandsAndNoneStartsFrozen) {
    const struct { int lod; int a, b; } cases[] = {{0, 99, 79}, {1, 99, 79}, {2, 90, 70}, {4, 90, 70}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.lod);
        Character& c = Caster(1, 0);
        for (int bone : {99, 79, 90, 70}) PlaceBone(c, bone, Vec3{0.0f, 0.0f, float(bone) * 0.01f});
        c.model->lod = uint8_t(t.lod);
        Force(c, 170);
        c.currentPower = 0;
        c.UpdatePowers();
        c.UpdatePowers();
        ASSERT_EQ(MadeOfType(72).size(), 2u);
        ExpectNear(Recorder().effects[c.powerEffects[0]].position,
                   Vec3Add(UpperBody(c), Vec3{0.0f, 0.0f, float(t.a) * 0.01f}));
        ExpectNear(Recorder().effects[c.powerEffects[1]].position,
                   Vec3Add(UpperBody(c), Vec3{0.0f, 0.0f, float(t.b) * 0.01f}));
        c.ReleasePowerEffects();
        Made().clear();
    }
    Character& frozen = Caster(0, 0);
    Force(frozen, 170);
    frozen.states[STATE_FREEZE].active = 1;
    frozen.UpdatePowers();
    EXPECT_TRUE(MadeOfType(70).empty());
}

TEST_F(PowerExecutionTest, WithEveryEffectSlotTakenNoHandleIsKeptButTheCostAndSoundStillHappen) {
    Character& c = Caster(0, 69);
    Recorder().local = &c;
    FillEffectPool();
    ASSERT_TRUE(c.StartPower(0));
    CastTo(c, 3.0f);
    EXPECT_EQ(c.powerEffects[0], -1);
    EXPECT_EQ(c.powerEffects[1], -1);
    EXPECT_FLOAT_EQ(c.energy, 999.0f);
    EXPECT_EQ(SoundIds(), (std::vector<int>{150}));
    c.currentPower = 8;
    Force(c, 174);
    CastTo(c, 1.0f);
    EXPECT_EQ(c.attachedEffect, -1);
}

TEST_F(PowerExecutionTest, AComputerCasterAimsAheadWithoutATargetAndAtItWithSpreadAndLeadWithOne) {
    Character& c = Caster(0, 69);
    c.SetYaw(kPi / 2.0f);
    Pose(c);
    ASSERT_TRUE(c.StartPower(0));
    CastTo(c, 3.0f);
    ASSERT_EQ(MadeOfType(0).size(), 1u);
    const MadeEffect straight = MadeOfType(0)[0];
    ExpectNear(straight.velocity, Vec3{60.0f, 0.0f, 0.0f}, 1e-3f);
    ExpectNear(Vec3Sub(straight.second, straight.start), Vec3{1.0f, 0.0f, 0.0f});

    // A target running along +x at 9 units a second, 30 away: 0.5 s of flight.
    Character& target = Caster(1, 0, 1, Vec3{4.5f, 0.0f, 10.5f});
    target.SetYaw(kPi / 2.0f);
    Force(target, 21);
    c.attackTarget = &target;
    c.attackRange = 30.0f;
    CastTo(c, 8.0f);
    ASSERT_EQ(MadeOfType(0).size(), 2u);
    const Vec3 aim = MadeOfType(0)[1].second;
    const Vec3 led = Vec3Add(target.position, Vec3{4.5f, 1.0f, 0.0f});
    EXPECT_NEAR(aim.x, led.x, 0.8f + 1e-4f);
    EXPECT_NEAR(aim.y, led.y, 0.8f + 1e-4f);
    EXPECT_NEAR(aim.z, led.z, 0.8f + 1e-4f);
    EXPECT_GT(aim.x, target.position.x + 3.6f) << "led ahead of the runner";

    // Side 1's power 3 aims lower, scatters nothing and leads by 0.025 s a unit.
    Character& other = Caster(1, 69, 2, Vec3{10.5f, 0.0f, 4.5f});
    other.attackTarget = &target;
    other.attackRange = 20.0f;
    ASSERT_TRUE(other.StartPower(3));
    CastTo(other, 13.0f);
    ASSERT_EQ(MadeOfType(13).size(), 1u);
    ExpectNear(MadeOfType(13)[0].second, Vec3Add(target.position, Vec3{4.5f, 0.5f, 0.0f}));
    ExpectNear(MadeOfType(13)[0].fifth, Vec3{0.0f, 0.0f, 0.0f});
}

TEST_F(PowerExecutionTest, TheRingOfBoltsAlwaysHasFiveAndOneMoreEndsTenPastEachVisibleEnemyNear) {
    Character& c = Caster(0, 69);
    const Vec3 s = Vec3Add(c.position, Vec3{0.0f, 2.0f, 0.0f});
    // Enemies with their aim point 10, 29.9 and 30.1 ahead, an invisible one and a team mate.
    const struct { int side; float ahead; bool invisible; } others[] = {
        {1, 10.0f, false}, {1, 29.9f, false}, {1, 30.1f, false}, {1, 5.0f, true}, {0, 3.0f, false},
    };
    for (int i = 0; i < 5; ++i) {
        Character& o = Caster(others[i].side, 0, i + 1);
        o.position = Vec3Add(s, Vec3{0.0f, -1.0f, others[i].ahead});
        o.states[STATE_INVISIBILITY].active = others[i].invisible ? 1 : 0;
    }
    ASSERT_TRUE(c.StartPower(9));
    ASSERT_EQ(c.currentAnimation, 175);
    CastTo(c, 5.0f);

    ASSERT_EQ(MadeOfType(43).size(), 1u);
    ExpectNear(MadeOfType(43)[0].start, s);
    const std::vector<MadeEffect> bolts = MadeOfType(9);
    ASSERT_EQ(bolts.size(), 7u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        ExpectNear(bolts[size_t(i)].start, s);
        // 30 away and 45 degrees down.
        EXPECT_NEAR(Vec3Length(Vec3Sub(bolts[size_t(i)].second, s)), 30.0f, 1e-3f);
        EXPECT_NEAR(bolts[size_t(i)].second.y, 2.0f - 21.2132f, 1e-3f);
        EXPECT_EQ(bolts[size_t(i)].colour, 0u);
        EXPECT_EQ(bolts[size_t(i)].durationMs, 1200);
    }
    // The first at 36 degrees off the facing.
    ExpectNear(bolts[0].second, Vec3Add(s, Vec3{12.4689f, -21.2132f, 17.1618f}), 1e-3f);
    ExpectNear(bolts[5].second, Vec3Add(s, Vec3{0.0f, 0.0f, 20.0f}));
    ExpectNear(bolts[6].second, Vec3Add(s, Vec3{0.0f, 0.0f, 39.9f}), 1e-3f);
    EXPECT_EQ(bolts[5].colour, 16737280u);
    EXPECT_EQ(SoundIds(), (std::vector<int>{225}));
    EXPECT_FLOAT_EQ(c.energy, 1000.0f - 150.0f);
}

TEST_F(PowerExecutionTest, SideOnesSeekingBoltsFlyAlongTheFacingAndSeekEachEnemyInRange) {
    g_Match.gameKind = 6;   // each for himself: any side may be struck
    Character& c = Caster(1, 69);
    Character& near = Caster(1, 0, 1, Vec3{4.5f, 0.0f, 20.0f});
    Caster(0, 0, 2, Vec3{4.5f, 0.0f, 35.0f});   // 30.51 from the start point
    ASSERT_TRUE(c.StartPower(9));
    CastTo(c, 5.0f);
    ASSERT_EQ(MadeOfType(44).size(), 1u);
    const std::vector<MadeEffect> bolts = MadeOfType(19);
    ASSERT_EQ(bolts.size(), 1u);
    ExpectNear(bolts[0].start, Vec3Add(c.position, Vec3{0.0f, 0.75f, 0.0f}));
    ExpectNear(bolts[0].second, Vec3Add(near.position, Vec3{0.0f, 0.75f, 0.0f}));
    ExpectNear(bolts[0].velocity, Vec3{0.0f, 0.0f, 12.0f});
    EXPECT_EQ(Recorder().effects[bolts[0].slot].target, &near);
    EXPECT_EQ(SoundIds(), (std::vector<int>{231}));
}

TEST_F(PowerExecutionTest, ThePowerEightGlowFollowsTheCasterAndItsShotSeeksTheTarget) {
    Character& c = Caster(0, 69);
    Character& target = Caster(1, 0, 1, Vec3{4.5f, 0.0f, 14.5f});
    Recorder().local = &c;
    c.attackTarget = &target;
    c.aimPoint = Vec3{4.5f, 1.0f, 14.5f};
    ASSERT_TRUE(c.StartPower(8));
    CastTo(c, 1.0f);
    ASSERT_EQ(MadeOfType(71).size(), 1u);
    const int32_t glow = MadeOfType(71)[0].slot;
    EXPECT_EQ(c.attachedEffect, glow);
    EXPECT_EQ(MadeOfType(71)[0].durationMs, 600);
    EXPECT_FALSE(Recorder().effects[glow].cullBoxOn);
    EXPECT_FLOAT_EQ(c.energy, 1000.0f) << "paid only with the shot";
    c.position = Vec3{5.0f, 0.0f, 5.0f};
    CastTo(c, 13.0f);
    ExpectNear(Recorder().effects[glow].position, Vec3{5.0f, 0.75f, 5.0f});
    ASSERT_EQ(MadeOfType(8).size(), 1u);
    EXPECT_NEAR(Vec3Length(MadeOfType(8)[0].velocity), 20.0f, 1e-3f);
    EXPECT_EQ(Recorder().effects[MadeOfType(8)[0].slot].target, &target);
    EXPECT_EQ(SoundIds(), (std::vector<int>{224}));
    EXPECT_FLOAT_EQ(c.energy, 1000.0f - 90.0f);   // 100 less 1 for each of 10 levels above 59
    // The glow let go of once its slot is no longer in use.
    Recorder().effects[glow].active = false;
    c.UpdatePowers();
    EXPECT_EQ(c.attachedEffect, -1);
}

TEST_F(PowerExecutionTest, StraightAndPlacedPowersTheirStatesAndTheirEventsInANetworkGame) {
    Character& c = Caster(1, 69);
    Recorder().local = &c;
    Network(true, true);
    c.SetYaw(kPi);
    Pose(c);
    ASSERT_TRUE(c.StartPower(4));
    CastTo(c, 19.0f);
    ASSERT_EQ(MadeOfType(14).size(), 1u);
    const MadeEffect shot = MadeOfType(14)[0];
    ExpectNear(shot.velocity, Vec3{0.0f, 0.0f, -1.0f});
    ExpectNear(Vec3Sub(shot.second, shot.start), Vec3{0.0f, 0.0f, -1.0f});
    ExpectNear(shot.fourth, Vec3{0.0f, 1.0f, 0.0f});

    // The effect and the sound as event 31 and 37, with the values they were made with.
    const auto made = EventsOfType(31);
    ASSERT_EQ(made.size(), 1u);
    ASSERT_EQ(made[0].size(), 79u);
    EXPECT_EQ((std::vector<uint8_t>(made[0].begin(), made[0].begin() + 6)),
              (std::vector<uint8_t>{31, 0xFF, 0xFF, 0xFF, 0xFF, 14}));
    float fourthY = 0.0f;
    std::memcpy(&fourthY, &made[0][6 + 9 * 4 + 4], 4);
    EXPECT_FLOAT_EQ(fourthY, 1.0f);
    EXPECT_EQ((std::vector<uint8_t>(made[0].begin() + 66, made[0].end())),
              (std::vector<uint8_t>{88, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));   // 600 ms, size 0, colour 0, owner 0
    const auto sound = EventsOfType(37);
    ASSERT_EQ(sound.size(), 1u);
    ASSERT_EQ(sound[0].size(), 18u);
    EXPECT_EQ(sound[0][1], 223);
    EXPECT_EQ(sound[0][17], 0);

    // Power 5 makes its effect, then the state runs for 30 s.
    Network(false, false);
    Force(c, 0);
    ASSERT_TRUE(c.StartPower(5));
    CastTo(c, 5.0f);
    ASSERT_EQ(MadeOfType(15).size(), 1u);
    ExpectNear(MadeOfType(15)[0].start, Vec3Add(c.position, Vec3{0.0f, 0.75f, 0.0f}));
    EXPECT_TRUE(c.states[STATE_INVISIBILITY].active);
    EXPECT_EQ(c.states[STATE_INVISIBILITY].durationMs, 30000u);
}

TEST_F(PowerExecutionTest, StatesRunOutAndACarrierLosesTheGoodOnesButKeepsTheHarmfulOnes) {
    const bool endsWhenCarrying[TIMED_STATE_COUNT] = {true, true, false, false, false, true,
                                                     true, true, true,  true,  true,  true};
    for (int k = 0; k < TIMED_STATE_COUNT; ++k) {
        for (int how = 0; how < 3; ++how) {
            SCOPED_TRACE(testing::Message() << "state " << k << (how == 0 ? " symbol" : how == 1 ? " curse" : " free"));
            Character& c = Caster(0, 0);
            c.states[k] = TimedState{1, kStartTime - 1000, 1000};
            if (how == 0) g_Match.symbols[1].carrier = &c;
            if (how == 1) g_Match.cursedFighter = &c;
            c.UpdatePowers();
            EXPECT_EQ(c.states[k].active != 0, how == 2 || !endsWhenCarrying[k]);
            SetTime(kStartTime + 1);
            c.UpdatePowers();
            EXPECT_FALSE(c.states[k].active) << "past its duration";
            SetTime(kStartTime);
            g_Match.symbols[1].carrier = nullptr;
            g_Match.cursedFighter = nullptr;
        }
    }
}

TEST_F(PowerExecutionTest, PoisonDrainsThreePercentOfTheMaximumHealthEachSecond) {
    Character& c = Caster(0, 0);
    c.maxHealth = c.health = 200.0f;
    c.states[STATE_POISONING] = TimedState{1, kStartTime, 60000};
    Recorder().frameSeconds = 0.5f;
    c.UpdatePowers();
    EXPECT_FLOAT_EQ(c.health, 197.0f);
}

TEST_F(PowerExecutionTest, TheAimAssistFlagFollowsTheTargetInViewOnlyAtTheLowestDifficulty) {
    ASSERT_NE(g_Scene.camera, nullptr);
    Character& c = Caster(0, 0);
    Character& target = Caster(1, 0, 1, Vec3{14.5f, 0.0f, 14.5f});   // bearing 45 degrees
    Recorder().local = &c;
    c.attackTarget = &target;
    const struct { int difficulty; Vec3 view; bool before, after; } cases[] = {
        {0, {1.0f, 0.0f, 1.0f}, false, true},
        {0, {0.0f, 0.0f, 1.0f}, true, false},    // 45 degrees off the view
        {0, {1.0f, 0.0f, 0.2f}, true, false},
        {1, {0.0f, 0.0f, 1.0f}, true, true},
        {2, {1.0f, 0.0f, 1.0f}, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.difficulty << " " << t.view.x << " " << t.view.z);
        g_Settings.difficulty = t.difficulty;
        g_Scene.camera->direction = t.view;
        Recorder().targetMarker = t.before;
        c.UpdatePowers();
        EXPECT_EQ(Recorder().targetMarker, t.after);
    }
    g_Settings.difficulty = 0;
    c.attackTarget = nullptr;
    Recorder().targetMarker = true;
    c.UpdatePowers();
    EXPECT_FALSE(Recorder().targetMarker);
}

TEST_F(PowerExecutionTest, TheAimAssistAimsAtTheTargetsMiddleWhereItRunsOnTheGround) {
    Character& c = Caster(0, 0);
    Character& target = Caster(1, 0, 1, Vec3{4.5f, 0.0f, 10.5f});
    target.SetYaw(kPi / 2.0f);
    Force(target, 21);
    Recorder().local = &c;
    Recorder().targetMarker = true;
    g_Settings.difficulty = 1;
    c.attackTarget = &target;
    c.attackRange = 30.0f;
    c.aimPoint = Vec3{0.0f, 0.0f, 100.0f};
    ASSERT_TRUE(c.StartPower(0));
    CastTo(c, 3.0f);
    // Half a second at 9 units a second along +x, on the floor at y 0.
    ExpectNear(MadeOfType(0)[0].second, Vec3{target.position.x + 4.5f, 0.75f, target.position.z}, 1e-3f);

    // In the air it keeps flying: 0.75 s of its jump and its fall.
    target.airborne = 1;
    target.jumpVelocity = Vec3{2.0f, 4.0f, 0.0f};
    CastTo(c, 8.0f);
    const float lead = 0.75f;
    ExpectNear(MadeOfType(0)[1].second,
               Vec3{target.position.x + 2.0f * lead, 0.75f + 4.0f * lead + 0.5f * target.Gravity() * lead * lead,
                    target.position.z},
               1e-3f);
}

TEST_F(PowerExecutionTest, AClientOnlyKeepsTheEffectsOnTheCasterAndLeavesTheRestToTheHost) {
    Character& c = Caster(0, 69);
    Recorder().local = &c;
    Network(true, false);
    Force(c, 170);
    c.currentPower = 0;
    c.states[STATE_STRENGTH_BOOST] = TimedState{1, 0, 1000};
    const float energy = c.energy;
    CastTo(c, 3.0f);
    EXPECT_EQ(MadeOfType(70).size(), 2u);
    EXPECT_TRUE(MadeOfType(0).empty());
    EXPECT_TRUE(c.states[STATE_STRENGTH_BOOST].active);
    EXPECT_FLOAT_EQ(c.energy, energy);
    EXPECT_TRUE(EventsOfType(31).empty()) << "each machine makes its own charge glows";
}

TEST_F(PowerExecutionTest, TheBeamsSelectionGoesWhenItsCastEndsWithoutEnergyForAnother) {
    const struct { int selected; float energy; int upper, previous; int after; } cases[] = {
        {1, 0.0f, 0, 173, -1}, {1, 1000.0f, 0, 173, 1}, {1, 0.0f, 173, 0, 1}, {0, 0.0f, 0, 173, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.selected << " " << t.energy << " " << t.upper);
        Character& c = Caster(0, 69);
        Recorder().local = &c;
        Recorder().selectedPower = t.selected;
        c.energy = t.energy;
        c.upperAnimation = t.upper;
        c.upperPreviousAnimation = t.previous;
        c.UpdatePowers();
        EXPECT_EQ(Recorder().selectedPower, t.after);
    }
}

}  // namespace
}  // namespace fightertest
