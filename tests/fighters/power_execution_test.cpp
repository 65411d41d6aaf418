// Powers as their casts reach their release frames: shots, aim, bolts, the glows on the caster,
// the states that run out, the aim assist, line of sight, and what a client leaves to the host.
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

#include "combat_fixture.h"
#include "core/debug_log.h"
#include "core/settings.h"
#include "fighters/power_table.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "platform/netio/netio.h"
#include "platform/os/os.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "support/ball_arena.h"
#include "support/temp_dir.h"
#include "world/dynamic_object.h"

namespace fightertest {
namespace {

class PowerExecutionTest : public CombatTest {
protected:
    Character& Caster(int side, int level, int slot = 0, const Vec3& at = Vec3{4.5f, 0.0f, 4.5f}) {
        Character& c = Spawned(slot, side, at);
        Force(c, 0);
        c.SetLevel(level, false, true);
        c.energy = c.maxEnergy = 1000.0f;
        Pose(c);
        return c;
    }
    static void CastTo(Character& c, float frame) {
        Cross(c, frame, BONE_UPPER_BODY);
        c.UpdatePowers();
    }
    // The model stands 0.13 behind the feet (facing +z), the upper body one unit above it.
    static Vec3 UpperBody(const Character& c) { return Vec3Add(c.position, Vec3{0.0f, 1.0f, -0.13f}); }
};

TEST_F(PowerExecutionTest, AFullCastOfTheBasicPowerFiresFromBothHandsAndPaysTwice) {
    Character& c = Caster(0, 0);
    Recorder().local = &c;
    PlaceBone(c, 99, Vec3{0.3f, 0.2f, 0.0f});
    PlaceBone(c, 79, Vec3{-0.3f, 0.2f, 0.0f});
    const Vec3 hand[2] = {Vec3Add(UpperBody(c), Vec3{0.3f, 0.2f, 0.0f}), Vec3Add(UpperBody(c), Vec3{-0.3f, 0.2f, 0.0f})};
    c.aimPoint = Vec3Add(hand[0], Vec3{-0.3f, 0.0f, 20.0f});
    ASSERT_TRUE(c.StartPower(0));
    CastTo(c, 3.0f);
    ASSERT_EQ(Made(70).size(), 2u);
    ExpectNear(Made(70)[1].position, Vec3{10000.0f, 10000.0f, 10000.0f});
    CastTo(c, 8.0f);
    const std::vector<KitEffectSlot> shots = Made(0);
    ASSERT_EQ(shots.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        ExpectNear(Recorder().effects[c.powerEffects[i]].position, hand[i]);
        ExpectNear(shots[size_t(i)].position, hand[i]);
        ExpectNear(shots[size_t(i)].aimPoint, c.aimPoint);
        ExpectNear(Recorder().sounds[size_t(i)].position, hand[i]);
    }
    ExpectNear(shots[0].velocity, Vec3Scale(Vec3{-0.3f, 0.0f, 20.0f}, 60.0f / std::sqrt(400.09f)), 1e-3f);
    EXPECT_FLOAT_EQ(c.energy, 1000.0f - 2.0f * 2.0f);
    EXPECT_EQ(SoundIds(), (std::vector<int>{150, 150}));
    const int32_t glow = c.powerEffects[0];
    Force(c, 0);
    c.UpdatePowers();
    EXPECT_TRUE(c.powerEffects[0] == -1 && Recorder().effects[glow].stopped) << "the glows go with the cast";
}

TEST_F(PowerExecutionTest, TheChargeGlowsSitOnTheHandsOfTheDetailLevelAndAFullPoolKeepsNoHandle) {
    const std::tuple<int, int, int> levels[] = {{0, 99, 79}, {1, 99, 79}, {2, 90, 70}, {4, 90, 70}};
    for (const auto& [lod, a, b] : levels) {
        SCOPED_TRACE(lod);
        Character& c = Caster(1, 0);
        for (int bone : {99, 79, 90, 70}) PlaceBone(c, bone, Vec3{0.0f, 0.0f, float(bone) * 0.01f});
        c.model->lod = uint8_t(lod);
        Force(c, 170);
        c.UpdatePowers();
        c.UpdatePowers();
        ExpectNear(Recorder().effects[c.powerEffects[0]].position, Vec3Add(UpperBody(c), Vec3{0, 0, float(a) * 0.01f}));
        ExpectNear(Recorder().effects[c.powerEffects[1]].position, Vec3Add(UpperBody(c), Vec3{0, 0, float(b) * 0.01f}));
        EXPECT_EQ(Recorder().effects[c.powerEffects[1]].type, 72);
        c.ReleasePowerEffects();
    }
    Character& c = Caster(0, 0);
    for (testsupport::KitEffectSlot& e : Recorder().effects) e.active = true;
    ASSERT_TRUE(c.StartPower(0));
    Recorder().sounds.clear();
    CastTo(c, 3.0f);
    EXPECT_TRUE(c.powerEffects[0] == -1 && c.powerEffects[1] == -1);
    EXPECT_FLOAT_EQ(c.energy, 998.0f);
    EXPECT_EQ(SoundIds(), (std::vector<int>{150}));
}

TEST_F(PowerExecutionTest, AComputerAimsAheadWithoutATargetAndLeadsARunnerAsTheAssistedAimDoes) {
    Character& c = Caster(0, 69);
    c.SetYaw(kPi / 2.0f);
    ASSERT_TRUE(c.StartPower(0));
    CastTo(c, 3.0f);
    ExpectNear(Made(0)[0].velocity, Vec3{60.0f, 0.0f, 0.0f}, 1e-3f);
    // Running along +x at 9 a second; side 1's power 3 aims 0.5 up and leads 0.025 s a unit.
    Character& target = Caster(1, 0, 1, Vec3{10.5f, 0.0f, 6.5f});
    target.SetYaw(kPi / 2.0f);
    Force(target, 21);
    c.attackTarget = &target;
    c.attackRange = 30.0f;
    Character& other = Caster(1, 69, 2, Vec3{4.5f, 0.0f, 8.5f});
    other.attackTarget = &target;
    other.attackRange = 20.0f;
    ASSERT_TRUE(other.StartPower(3));
    CastTo(other, 13.0f);
    ExpectNear(Made(13)[0].aimPoint, Vec3Add(target.position, Vec3{4.5f, 0.5f, 0.0f}));
    // The local player's assisted aim: the runner's middle where it will be, 0.75 above the ramp
    // there (x 17.25); one in the air where its jump takes it, but not below the ground.
    Recorder().local = &c;
    Recorder().targetMarker = true;
    g_Settings.difficulty = 1;
    for (bool air : {false, true}) {
        target.airborne = air;
        target.jumpVelocity = Vec3{2.0f, 4.0f, 0.0f};   // 1.125 s of it falls below the floor
        Force(c, 0);
        ASSERT_TRUE(c.StartPower(3));
        CastTo(c, 13.0f);
        const Vec3 want = air ? Vec3{12.75f, 0.75f, 0.0f} : Vec3{17.25f, 0.625f + 0.75f, 0.0f};
        ExpectNear(Made(3).back().aimPoint, Vec3{want.x, want.y, target.position.z}, 1e-3f);
        // Side 0's shot carries its tilt as the fifth vector; side 1's none.
        const Vec3 n = Vec3Scale(Made(3).back().velocity, 1.0f / 40.0f);
        ExpectNear(Made(3).back().direction, Vec3{n.x * n.y, -(n.x * n.x + n.z * n.z), n.y * n.z});
    }
    ExpectNear(Made(13)[0].direction, Vec3{0.0f, 0.0f, 0.0f});
}

TEST_F(PowerExecutionTest, PowerNineRingsFiveBoltsAndOneMorePastEachVisibleEnemyWithinThirty) {
    Character& c = Caster(0, 69);
    Recorder().local = &c;
    const Vec3 s = Vec3Add(c.position, Vec3{0.0f, 2.0f, 0.0f});
    // Aim points 10, 29.9 and 30.1 ahead; an invisible enemy and a team mate.
    const struct { int side; float ahead; bool invisible; } others[] = {
        {1, 10.0f, false}, {1, 29.9f, false}, {1, 30.1f, false}, {1, 5.0f, true}, {0, 3.0f, false}};
    for (int i = 0; i < 5; ++i) {
        Character& o = Caster(others[i].side, 0, i + 1);
        o.position = Vec3Add(s, Vec3{0.0f, -1.0f, others[i].ahead});
        o.states[STATE_INVISIBILITY].active = others[i].invisible ? 1 : 0;
    }
    ASSERT_TRUE(c.StartPower(9));
    CastTo(c, 5.0f);
    ExpectNear(Made(43).at(0).position, s);
    const std::vector<KitEffectSlot> bolts = Made(9);
    ASSERT_EQ(bolts.size(), 7u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(Vec3Length(Vec3Sub(bolts[size_t(i)].aimPoint, s)), 30.0f, 1e-3f);
        EXPECT_NEAR(bolts[size_t(i)].aimPoint.y, s.y - 21.2132f, 1e-3f) << "45 degrees down";
    }
    ExpectNear(bolts[0].aimPoint, Vec3Add(s, Vec3{12.4689f, -21.2132f, 17.1618f}), 1e-3f);   // 36 degrees round
    ExpectNear(bolts[5].aimPoint, Vec3Add(s, Vec3{0.0f, 0.0f, 20.0f}));
    ExpectNear(bolts[6].aimPoint, Vec3Add(s, Vec3{0.0f, 0.0f, 39.9f}), 1e-3f);
    EXPECT_EQ(bolts[6].colour, 16737280u);
    EXPECT_EQ(SoundIds(), (std::vector<int>{225}));
    EXPECT_FLOAT_EQ(c.energy, 850.0f);
    EXPECT_EQ(Flashes(), 1);

    // Side 1's bolts fly off along the facing, each seeking its enemy (the first caster is gone).
    c.dead = 1;
    Character& seeker = Caster(1, 69, 6);
    Character& near = g_Characters[5];   // the team mate above: 3 ahead
    ASSERT_TRUE(seeker.StartPower(9));
    CastTo(seeker, 5.0f);
    const std::vector<KitEffectSlot> seeking = Made(19);
    ASSERT_EQ(seeking.size(), 1u);
    ExpectNear(seeking[0].aimPoint, Vec3Add(near.position, Vec3{0.0f, 0.75f, 0.0f}));
    ExpectNear(seeking[0].velocity, Vec3{0.0f, 0.0f, 12.0f});
    EXPECT_EQ(seeking[0].target, &near);
    EXPECT_EQ(Flashes(), 1) << "only the local player's screen flashes";
}

TEST_F(PowerExecutionTest, PowerEightsGlowFollowsTheCasterAndItsShotSeeksTheTarget) {
    Character& c = Caster(0, 69);
    c.attackTarget = &Caster(1, 0, 1, Vec3{4.5f, 0.0f, 14.5f});
    ASSERT_TRUE(c.StartPower(8));
    CastTo(c, 1.0f);
    const int32_t glow = c.attachedEffect;
    EXPECT_TRUE(Recorder().effects[glow].type == 71 && !Recorder().effects[glow].cullBoxOn && c.energy == 1000.0f);
    c.position = Vec3{5.0f, 0.0f, 5.0f};
    CastTo(c, 13.0f);
    ExpectNear(Recorder().effects[glow].position, Vec3{5.0f, 0.75f, 5.0f});
    EXPECT_EQ(Made(8).at(0).target, c.attackTarget);
    EXPECT_FLOAT_EQ(c.energy, 910.0f);   // 100 less one for each level above 59
}

TEST_F(PowerExecutionTest, StatesRunOutACarrierLosesTheGoodOnesAndPoisonDrainsThreePercentASecond) {
    const bool lostByCarrier[TIMED_STATE_COUNT] = {1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};
    Recorder().frameSeconds = 0.5f;
    for (int k = 0; k < TIMED_STATE_COUNT; ++k) {
        for (int carries = 0; carries < 3; ++carries) {   // none, the enemy symbol, the curse
            SCOPED_TRACE(testing::Message() << "state " << k << " carrying " << carries);
            Character& c = Caster(0, 0);
            c.maxHealth = c.health = 200.0f;
            c.states[k] = TimedState{1, kStartTime - 1000, 1000};
            g_Match.symbols[1].carrier = carries == 1 ? &c : nullptr;
            g_Match.cursedFighter = carries == 2 ? &c : nullptr;
            c.UpdatePowers();
            const bool kept = carries == 0 || !lostByCarrier[k];
            EXPECT_EQ(c.states[k].active != 0, kept);
            EXPECT_FLOAT_EQ(c.health, k == STATE_POISONING ? 197.0f : 200.0f);
            SetTime(kStartTime + 1);
            c.UpdatePowers();
            EXPECT_FALSE(c.states[k].active) << "past its time";
            SetTime(kStartTime);
        }
    }
}

TEST_F(PowerExecutionTest, TheStatesACasterGivesHimselfLastThirtySeconds) {
    const struct {
        int side, power, state;
    } cases[] = {{0, 4, STATE_AGILITY_BOOST}, {0, 5, STATE_INVISIBILITY}, {1, 5, STATE_INVISIBILITY},
                 {0, 7, STATE_INVULNERABILITY}, {1, 7, STATE_INVULNERABILITY}};
    int slot = 0;
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << "side " << t.side << " power " << t.power);
        SetTime(kStartTime);
        Character& c = Caster(t.side, 69, slot, Vec3{4.5f + float(slot), 0.0f, 4.5f});
        ++slot;
        ASSERT_TRUE(c.StartPower(t.power));
        CastTo(c, 5.0f);
        ASSERT_TRUE(c.states[t.state].active);
        Force(c, 0);
        ExpectStateLasts(c, t.state, kStartTime, 30000);
    }
}

TEST_F(PowerExecutionTest, TheAimAssistFlagFollowsTheTargetInViewOnlyAtTheLowestDifficulty) {
    Character& c = Caster(0, 0);
    Recorder().local = &c;
    c.attackTarget = &Caster(1, 0, 1, Vec3{10.5f, 0.0f, 10.5f});   // about 45 degrees round
    const struct { int difficulty; Vec3 view; bool before, after; } cases[] = {
        {0, {1, 0, 1}, false, true}, {0, {0, 0, 1}, true, false}, {0, {1, 0, 0.2f}, true, false},
        {1, {0, 0, 1}, true, true},  {2, {1, 0, 1}, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.difficulty << " " << t.view.z);
        g_Settings.difficulty = t.difficulty;
        g_Scene.camera->direction = t.view;
        Recorder().targetMarker = t.before;
        c.UpdatePowers();
        EXPECT_EQ(Recorder().targetMarker, t.after);
    }
}

TEST_F(PowerExecutionTest, LineOfSightIsBlockedByAWallATeamMateOrABallButNotByAnEnemy) {
    const struct { const char* name; Vec3 target; int between; bool sees; } cases[] = {
        {"open", {8.5f, 0, 6.5f}, -1, true},    {"wall", {14.5f, 0, 13.5f}, -1, false},
        {"mate", {8.5f, 0, 6.5f}, 0, false},    {"enemy", {8.5f, 0, 6.5f}, 1, true},
        {"ball", {8.5f, 0, 6.5f}, 2, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Caster(0, 0);
        Character& target = Caster(1, 0, 1);
        Character& other = Caster(t.between == 0 ? 0 : 1, 0, 2);
        c.position = Vec3{8.5f, 0.0f, 13.5f};
        target.position = t.target;
        other.position = t.between == 0 || t.between == 1 ? Vec3{8.5f, 0.0f, 10.0f} : Vec3{1.5f, 0.0f, 1.5f};
        testsupport::InstallPropTemplates();
        if (t.between == 2) {
            ASSERT_EQ(SpawnDynamicObject(-1, 0, 0, Vec3{8.5f, 0.0f, 10.0f}, nullptr), 0);
        }
        EXPECT_EQ(c.HasLineOfSight(&target), t.sees);
        ResetDynamicObjects();
    }
}

TEST_F(PowerExecutionTest, AClientKeepsOnlyTheCastersGlowsAndTheHostTellsWhatItMakesAndPlays) {
    Character& c = Caster(1, 69);
    Recorder().local = &c;
    Network(true, false);
    Force(c, 170);
    c.currentPower = 0;
    c.states[STATE_STRENGTH_BOOST] = TimedState{1, 0, 1000};
    CastTo(c, 3.0f);
    EXPECT_EQ(Made(72).size(), 2u);
    EXPECT_TRUE(Made(10).empty());
    EXPECT_TRUE(c.states[STATE_STRENGTH_BOOST].active);
    EXPECT_FLOAT_EQ(c.energy, 1000.0f);
    EXPECT_TRUE(EventsOfType(31).empty()) << "each machine makes its own charge glows";

    Network(true, true);
    c.SetYaw(kPi);
    Force(c, 0);
    ASSERT_TRUE(c.StartPower(4));
    CastTo(c, 19.0f);
    const KitEffectSlot shot = Made(14).at(0);
    ExpectNear(shot.velocity, Vec3{0.0f, 0.0f, -1.0f});
    ExpectNear(Vec3Sub(shot.aimPoint, shot.position), Vec3{0.0f, 0.0f, -1.0f});
    const std::vector<uint8_t> made = EventsOfType(31).at(0), sound = EventsOfType(37).at(0);
    ASSERT_TRUE(made.size() == 79u && sound.size() == 18u);
    float fourthY = 0.0f;
    std::memcpy(&fourthY, &made[46], 4);
    EXPECT_EQ(fourthY, 1.0f);
    // Slot -1, type 14 ... 600 ms, size 0, colour 0, owner in slot 0; sound 223.
    EXPECT_EQ((std::vector<uint8_t>{made[1], made[4], made[5], made[66], made[67], made[70], made[74], made[78],
                                    sound[1], sound[2]}),
              (std::vector<uint8_t>{255, 255, 14, 88, 2, 0, 0, 0, 223, 0}));
    EXPECT_EQ(SoundIds(), (std::vector<int>{212, 223})) << "the host ends the boost the client kept";
}

// A client's fighter on the host, player 9's, in slot 1; the host's own log kept.
class HostedCastTest : public PowerExecutionTest {
protected:
    static constexpr uint32_t kCastMs = 1008;
    void SetUp() override {
        PowerExecutionTest::SetUp();
        dir = std::make_unique<ScopedWorkDir>();
        g_Settings.debug = 1;
        OpenDebugLog();
        g_NetRoleCalls.inSession = [](uint32_t) { return true; };
    }
    void TearDown() override {
        g_Settings.debug = 0;
        ResetFighterOwners();
        ResetNetRoleCalls();
        dir.reset();
        PowerExecutionTest::TearDown();
    }
    Character& Client(int level, int slot = 1) {
        Network(false, false);
        Character& c = Caster(0, level, slot);
        Network(true, true);
        SetFighterOwner(slot, 9);
        return c;
    }
    static std::vector<uint8_t> Animation(int slot, uint8_t animation) {
        return {9, uint8_t(slot), animation, 0, 0, 0, 0, 0, 0, 0, 0};
    }
    // As player 9's packet carries a cast, a little more than a cast after the last: its
    // animation, then its power; then its frames play.
    static void Cast(Character& c, uint8_t animation, uint8_t power) {
        SetTime(GetTime(CLOCK_MATCH) + kCastMs);
        Receive({Animation(c.slot, animation), {30, uint8_t(c.slot), power}}, 9);
        for (float frame : {1.0f, 3.0f, 5.0f, 8.0f, 13.0f}) CastTo(c, frame);
    }
    size_t Refusals(int type) const {
        const std::string log = dir->Read("debug.txt");
        const std::string line = "player 9 sent events it may not send, first of type " + std::to_string(type);
        size_t n = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
    std::unique_ptr<ScopedWorkDir> dir;
};

TEST_F(HostedCastTest, APlayersCastIsHeldToItsLevelEnergyAndAirAndNeverToTheComputersCooldown) {
    Character& c = Client(29);
    // Power 5 unlocks at 29, power 9 at 69: the refused cast's animation, 175 as power 5's,
    // releases nothing, and the refusal is told.
    Cast(c, 175, 5);
    Cast(c, 175, 9);
    EXPECT_TRUE(Made(5).size() == 1 && Made(43).empty());
    EXPECT_EQ(Refusals(30), 1u);
    // Power 3 again 1150 ms after, and heard 1450 ms after a cast 1600 ms apart: every one fires.
    for (uint32_t gap : {1000u, 1150u, 1450u, 1450u}) {
        SetTime(GetTime(CLOCK_MATCH) + gap - kCastMs);
        Cast(c, 174, 3);
    }
    EXPECT_EQ(Made(3).size(), 4u);
    // Energy: exactly the cost is enough, a little less is not.
    c.energy = c.PowerCost(3) - 0.01f;
    Cast(c, 174, 3);
    EXPECT_EQ(Made(3).size(), 4u);
    c.energy = c.PowerCost(3);
    Cast(c, 174, 3);
    EXPECT_EQ(Made(3).size(), 5u);
    EXPECT_EQ(Refusals(30), 2u);
    // In the air only what casts there, but a player that landed first is not held to the host's
    // copy of its fall.
    c.energy = 1000.0f;
    const struct { float height, rise; int power; bool fires; } air[] = {
        {4.0f, -1.0f, 5, false}, {4.0f, -1.0f, 3, true}, {0.6f, 1.0f, 5, false}, {0.6f, -1.0f, 5, true},
    };
    for (const auto& t : air) {
        SCOPED_TRACE(testing::Message() << "power " << t.power << " at " << t.height);
        const size_t before = Made(t.power).size();
        c.position.y = t.height;
        c.airborne = 1;
        c.jumpVelocity = Vec3{0.0f, t.rise, 0.0f};
        Cast(c, uint8_t(PowerRowOf(0, t.power).castAnimation), uint8_t(t.power));
        EXPECT_EQ(Made(t.power).size(), before + (t.fires ? 1u : 0u));
    }
}

TEST_F(HostedCastTest, ACastOfAFighterTheHostHoldsDeadReleasesNothingAndIsNotHeldAgainstItsPlayer) {
    Character& c = Client(29);
    Cast(c, 174, 3);
    EXPECT_EQ(Made(3).size(), 1u);
    // Dead, and killed in the air, where it dies only on landing: it casts no more meanwhile. Its
    // machine may have told the cast before it heard of the kill: no refusal is counted.
    for (const auto& [dead, health] : {std::pair<uint8_t, float>{1, c.maxHealth}, {0, 0.0f}}) {
        c.dead = dead;
        c.health = health;
        Cast(c, 174, 3);
        EXPECT_EQ(Made(3).size(), 1u) << int(dead);
    }
    EXPECT_EQ(Refusals(30), 0u);
    EXPECT_EQ(Refusals(9), 0u);
}

TEST_F(HostedCastTest, EachCastTheHostTookFiresOnceHoweverItsAnimationIsPlayedAgain) {
    Character& c = Client(70);
    Cast(c, 175, 9);
    ASSERT_EQ(Made(43).size(), 1u);
    const float paid = 1000.0f - c.energy;
    // The animation loops, is wound back by its time, or is told again: nothing more fires.
    CastTo(c, 5.0f);
    Receive({{10, 1, 4, 0, 0, 0, 0}}, 9);
    CastTo(c, 5.0f);
    Receive({Animation(1, 175)}, 9);
    CastTo(c, 5.0f);
    EXPECT_EQ(Made(43).size(), 1u);
    EXPECT_FLOAT_EQ(1000.0f - c.energy, paid);
    // A cast anew fires again.
    Receive({Animation(1, 0)}, 9);
    Cast(c, 175, 9);
    EXPECT_EQ(Made(43).size(), 2u);

    // The basic power repeats by its cast played over itself, which is a cast anew: two shots
    // each, while the energy lasts.
    Receive({Animation(1, 0)}, 9);
    Cast(c, 170, 0);
    EXPECT_EQ(Made(0).size(), 2u);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 2u) << "the loop alone";
    SetTime(GetTime(CLOCK_MATCH) + kCastMs);
    Receive({Animation(1, 170)}, 9);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 4u);
    c.energy = 0.5f;
    SetTime(GetTime(CLOCK_MATCH) + kCastMs);
    Receive({Animation(1, 170)}, 9);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 4u);
    EXPECT_EQ(Refusals(9), 1u);
    // Its cast left, then told again without its power: no cast anew, nothing fires.
    c.energy = 1000.0f;
    SetTime(GetTime(CLOCK_MATCH) + kCastMs);
    Receive({Animation(1, 0)}, 9);
    Receive({Animation(1, 170)}, 9);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 4u);
    // The repeat told by its animation, and its power only in the next packet: that power is no
    // part of the repeat, and starts nothing over.
    SetTime(GetTime(CLOCK_MATCH) + kCastMs);
    Receive({Animation(1, 0), Animation(1, 170), {30, 1, 0}}, 9);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    SetTime(GetTime(CLOCK_MATCH) + kCastMs);
    Receive({Animation(1, 170)}, 9);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 8u);
    Receive({{30, 1, 0}}, 9);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 8u);
}

TEST_F(HostedCastTest, TheLocalPlayersRepeatedBasicPowerFiresAgainAndItsLoopDoesNot) {
    Network(false, false);
    Character& c = Caster(0, 0);
    Recorder().local = &c;
    ASSERT_TRUE(c.StartPower(0));
    for (float frame : {3.0f, 8.0f, 3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 2u);
    Force(c, 170);
    for (float frame : {3.0f, 8.0f}) CastTo(c, frame);
    EXPECT_EQ(Made(0).size(), 4u);
}

TEST_F(HostedCastTest, ARiseAndAnEntryAreTakenOncePerDeathAndSpawnAndTheRestIsCounted) {
    Character& c = Client(29);
    // A rise ends in a respawn with full meters: only a fighter the host holds dead rises.
    for (uint8_t dead : {0, 1}) {
        c.dead = dead;
        Receive({Animation(1, 191)}, 9);
        EXPECT_EQ(c.currentAnimation == 191, dead == 1);
    }
    EXPECT_EQ(Refusals(9), 1u);
    // The entry's end protects: a fighter of another machine enters once after each spawn or
    // respawn, and not again while it stands.
    Character& d = Client(29, 2);
    const auto leave = [&d](std::vector<uint8_t> animations) {
        d.states[STATE_INVULNERABILITY] = TimedState{};
        for (uint8_t animation : animations) Receive({Animation(2, animation)}, 9);
        return d.states[STATE_INVULNERABILITY].active != 0;
    };
    EXPECT_TRUE(leave({190, 0})) << "its spawn's entry";
    EXPECT_FALSE(leave({190, 0})) << "an entry again";
    d.Respawn();
    EXPECT_TRUE(leave({190, 0})) << "its respawn's entry";
    EXPECT_FALSE(leave({190, 0}));
    // Leaving the spawn pose without its entry is that spawn's one protection: no entry follows it.
    // The host's copy stands in the pose as its spawn leaves it.
    Network(false, false);
    d.Respawn();
    Network(true, true);
    ASSERT_EQ(d.currentAnimation, 190);
    EXPECT_TRUE(leave({0})) << "left without an entry";
    EXPECT_FALSE(leave({190, 0})) << "the entry after it";
    EXPECT_NE(d.currentAnimation, 190);
    EXPECT_EQ(Refusals(9), 4u);
}

// The host's frames of 16 ms against a client whose frames are as long: each of the client's
// packets crosses a link that delays it by a draw of 0-400 ms, in order, as a reliable channel
// keeps them; the host applies what has arrived, steps the animations, lands hits and releases
// casts. The client's frame gives its events at each of its frames.
class PacedHostTest : public HostedCastTest {
protected:
    static constexpr uint32_t kFrameMs = 16;
    static constexpr uint32_t kDrainMs = 1500;
    using ClientFrame = std::function<std::vector<std::vector<uint8_t>>(uint32_t at)>;

    void SetUp() override {
        HostedCastTest::SetUp();
        Recorder().created.clear();
        Recorder().events.clear();
    }
    // A victim of another machine's just ahead of the attacker, who never falls.
    Character& Victim(Character& attacker) {
        Network(false, false);
        Character& v = Caster(1, 70, 2, Vec3Add(attacker.position, Vec3{0.0f, 0.0f, 0.57f}));
        Network(true, true);
        SetFighterOwner(2, 8);
        v.SetYaw(kPi);
        v.maxHealth = v.health = 1e6f;
        return v;
    }
    // A player's fighter of level 70 with energy without end, a victim before it, and balls to
    // throw.
    Character& Armed() {
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Character& c = Client(70);
        c.energy = c.maxEnergy = 1e6f;
        c.speed = g_SideTable[0].baseSpeed;
        Victim(c);
        return c;
    }
    // A quiet while after a run, in which what was owed is carried out; then the counts cleared
    // and the effects gone: its pace is the next run's no more.
    static void Pause() {
        SetTime(GetTime(CLOCK_MATCH) + 10000);
        for (Character& k : g_Characters)
            if (k.active) PayOwedActions(k, GetTime(CLOCK_MATCH));
        Recorder().events.clear();
        Recorder().created.clear();
        for (KitEffectSlot& e : Recorder().effects) e = KitEffectSlot{};
    }
    // The client plays for `ms`; the host goes on until the link has delivered all and the last
    // cast has played out. A slow host reads the packets from its receive queue once per frame,
    // and every seventh of its frames lasts 250 ms.
    void Run(Character& c, uint32_t ms, bool delayed, const ClientFrame& client, bool slowHost = false) {
        struct Packet {
            uint32_t arrives;
            std::vector<std::vector<uint8_t>> events;
        };
        std::deque<Packet> link;
        uint32_t last = 0;
        const uint32_t base = GetTime(CLOCK_MATCH);
        uint32_t osNow = base;
        if (slowHost) OpenQueue(&osNow);
        uint32_t hostFrame = 0, nextHostFrame = 0;
        int hostFrames = 0;
        for (uint32_t t = 0; t < ms + kDrainMs; t += kFrameMs) {
            std::vector<std::vector<uint8_t>> events = t < ms ? client(t) : std::vector<std::vector<uint8_t>>{};
            if (!events.empty()) {
                // A lost datagram leaves again after the link's time-out, twice as long again at
                // each further loss, and what was sent after it waits for it.
                uint32_t sent = t;
                for (uint32_t wait = resendMs; delayed && lossPerMille > 0 && uint32_t(Random() % 1000) < lossPerMille;
                     wait *= 2)
                    sent += wait;
                // Uneven: a quarter of the packets wait long, the rest a little.
                const uint32_t delay = !delayed ? 0u : Random() % 4 == 0 ? 250u + Random() % 151 : Random() % 120;
                last = std::max(last, sent + delay);
                link.push_back(Packet{last, std::move(events)});
            }
            SetTime(base + t);
            osNow = base + t;
            while (!link.empty() && link.front().arrives <= t) {
                if (slowHost)
                    ASSERT_TRUE(EnqueueReceivedPacket(9, Packed(link.front().events)));
                else
                    Receive(link.front().events, 9);
                link.pop_front();
            }
            if (t < nextHostFrame) continue;
            if (slowHost) g_NetSession.ProcessIncoming();
            HostFrame(c, base + t, t - hostFrame);
            if (afterHostFrame) afterHostFrame(t);
            hostFrame = t;
            nextHostFrame = t + (slowHost && ++hostFrames % 7 == 0 ? 250 : kFrameMs);
        }
        SetTime(base + ms + kDrainMs);
        if (slowHost) CloseQueue();
    }
    // The delaying link's losses, and the time-out after which it sends a lost datagram again.
    uint32_t lossPerMille = 0;
    uint32_t resendMs = 0;
    // Called with the run's time after each of the host's frames.
    std::function<void(uint32_t)> afterHostFrame;
    // The most of what `made` counts (power 9's casts by default) within any `window` ms of a run.
    size_t MostWithin(Character& c, uint32_t ms, bool delayed, const ClientFrame& client, uint32_t window,
                      const std::function<size_t()>& made = [] { return Made(43).size(); }) {
        std::vector<uint32_t> times;
        const size_t before = made();
        afterHostFrame = [&](uint32_t t) { times.insert(times.end(), made() - before - times.size(), t); };
        Run(c, ms, delayed, client);
        afterHostFrame = nullptr;
        size_t most = 0;
        for (size_t i = 0, j = 0; j < times.size(); ++j) {
            while (times[j] - times[i] >= window) ++i;
            most = std::max(most, j - i + 1);
        }
        return most;
    }
    // One frame of the host's for the fighter: its animations step, its hits land, what is owed
    // and due is carried out, its casts release, its throws let go.
    static void HostFrame(Character& c, uint32_t at, uint32_t ms) {
        SetTime(at);
        Advance(int(ms));
        Pose(c);
        c.MeleeHits();
        PayOwedActions(c, at);
        c.UpdatePowers();
        c.SpawnBodiesFromAnimation();
    }
    static netio::Message Packed(const std::vector<std::vector<uint8_t>>& events) {
        std::vector<uint8_t> payload;
        for (const std::vector<uint8_t>& e : events) payload.insert(payload.end(), e.begin(), e.end());
        std::vector<uint8_t> p = {4, 1, 0, 0, 0, uint8_t(payload.size()), uint8_t(payload.size() >> 8)};
        p.insert(p.end(), payload.begin(), payload.end());
        return netio::Message(9, p.data(), p.size());
    }
    // The hosted session's receive queue, on the test's system clock; the fighters keep their
    // machines.
    static void OpenQueue(const uint32_t* osNow) {
        uint32_t owners[MAX_CHARACTERS];
        for (int i = 0; i < MAX_CHARACTERS; ++i) owners[i] = FighterOwner(i);
        g_NetRoleCalls.startServer = [](const char*, uint32_t) { return true; };
        g_NetRoleCalls.stopServer = [] {};
        os::SetTimeSource([osNow] { return *osNow; });
        ASSERT_TRUE(g_NetSession.Start(true, "Host", 0, ""));
        Network(true, true);
        for (int i = 0; i < MAX_CHARACTERS; ++i) SetFighterOwner(i, owners[i]);
    }
    static void CloseQueue() {
        uint32_t owners[MAX_CHARACTERS];
        for (int i = 0; i < MAX_CHARACTERS; ++i) owners[i] = FighterOwner(i);
        g_NetSession.Stop();
        os::SetTimeSource(nullptr);
        Network(true, true);
        for (int i = 0; i < MAX_CHARACTERS; ++i) SetFighterOwner(i, owners[i]);
    }
    // The client's events at each `every` ms, told `copies` times over in one packet.
    static ClientFrame Every(uint32_t every, int copies, std::vector<std::vector<uint8_t>> events) {
        return [every, copies, events](uint32_t t) {
            std::vector<std::vector<uint8_t>> packet;
            if (t % every == 0)
                for (int i = 0; i < copies; ++i) packet.insert(packet.end(), events.begin(), events.end());
            return packet;
        };
    }
    static std::vector<uint8_t> Time(int slot, float frame, uint8_t bone = 0) {
        std::vector<uint8_t> e = {10, uint8_t(slot), bone, 0, 0, 0, 0};
        std::memcpy(&e[3], &frame, 4);
        return e;
    }
    static std::vector<uint8_t> Power(int slot, int k) { return {30, uint8_t(slot), uint8_t(k)}; }
    static std::vector<uint8_t> Upper(int slot, uint8_t animation) {
        std::vector<uint8_t> e = Animation(slot, animation);
        e.back() = 4;
        return e;
    }
    static size_t Hits() { return EventsOfType(22).size(); }
    // Every refusal of player 9's, whatever its type.
    size_t AllRefusals() const {
        const std::string log = dir->Read("debug.txt");
        size_t n = 0;
        for (size_t at = log.find("player 9 sent events"); at != std::string::npos; at = log.find("player 9 sent", at + 1))
            ++n;
        return n;
    }
};

TEST_F(PacedHostTest, APlayersCastsAreTakenAtItsMachinesPaceAndAFairOneThroughADelayingLinkAlwaysFires) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    c.speed = g_SideTable[0].baseSpeed;
    // Power 9's cast of 30 frames plays on the whole body at 30 a second: a fair machine casts
    // again at its first frame past a second.
    const ClientFrame fairClient = [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t % 1008 != 0) return {};
        return {Animation(1, 0), Animation(1, 175), Power(1, 9)};
    };
    Run(c, 6000, false, fairClient);
    const size_t fair = Made(43).size();
    EXPECT_EQ(fair, 6u);
    Pause();
    Run(c, 6000, true, fairClient);
    EXPECT_EQ(Made(43).size(), fair) << "through the link";
    EXPECT_EQ(AllRefusals(), 0u);

    // Started again at every frame, stood, cast and wound back to before its release: no more
    // than the fair machine's casts over the same time, and one more.
    Pause();
    Run(c, 6000, false, [](uint32_t) -> std::vector<std::vector<uint8_t>> {
        return {Animation(1, 0), Animation(1, 175), Power(1, 9), Time(1, 4.6f)};
    });
    EXPECT_GE(Made(43).size(), fair - 1);
    EXPECT_LE(Made(43).size(), fair + 1);
    EXPECT_GT(Refusals(30), 0u);
}

TEST_F(PacedHostTest, TheBasicPowerRepeatsAtTheRunsPaceWhateverItsMachineTells) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    c.speed = g_SideTable[0].baseSpeed;
    // Over the running legs the cast plays at the run's rate: 30 frames in 1000 ms, and in 667 ms
    // under the speed boost; standing, on the whole body at 30 frames a second, boosted or not.
    // The fair machine plays it again at its first frame after.
    const struct { const char* name; bool boosted, runs; uint32_t fairEvery; } ways[] = {
        {"running", false, true, 1008}, {"running boosted", true, true, 672}, {"standing boosted", true, false, 1008}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        c.states[STATE_SPEED_BOOST].active = way.boosted ? 1 : 0;
        c.states[STATE_SPEED_BOOST].durationMs = 1000000;
        c.states[STATE_SPEED_BOOST].startTime = GetTime(CLOCK_MATCH);
        const uint32_t every = way.fairEvery;
        const uint8_t legs = way.runs ? 21 : 0;
        const auto start = [legs]() -> std::vector<std::vector<uint8_t>> {
            if (legs) return {Animation(1, legs), Upper(1, 170), Power(1, 0)};
            return {Animation(1, 0), Animation(1, 170), Power(1, 0)};
        };
        const ClientFrame fairClient = [every, legs, start](uint32_t t) -> std::vector<std::vector<uint8_t>> {
            if (t % every != 0) return {};
            if (t == 0 || !legs) return start();
            return {Upper(1, 170)};
        };
        Pause();
        Run(c, 5000, false, fairClient);
        const size_t fair = Made(0).size();
        EXPECT_EQ(fair, 2 * ((5000 + every - 1) / every));
        const size_t refused = AllRefusals();
        Pause();
        Run(c, 5000, true, fairClient);
        EXPECT_EQ(Made(0).size(), fair) << "through the link";
        EXPECT_EQ(AllRefusals(), refused);

        // Told again every 300 ms, at every frame wound back before its release, and its power
        // told again once it released, wound back.
        for (int form = 0; form < 3; ++form) {
            SCOPED_TRACE(form);
            Pause();
            Run(c, 5000, false, [form, start](uint32_t t) -> std::vector<std::vector<uint8_t>> {
                if (t == 0) return start();
                if (form == 1) return {Upper(1, 170), Time(1, 2.6f, 4)};
                if (t % 304 == 0) return {Upper(1, 170)};
                if (form == 2 && t % 304 == 288) return {Power(1, 0), Time(1, 2.6f, 4)};
                return {};
            });
            EXPECT_LE(Made(0).size(), fair + 2);
        }
    }
}

TEST_F(PacedHostTest, AMeleeAttackHitsOnceHoweverItIsWoundBackAndAFairChainLandsEveryHit) {
    Character& c = Client(70);
    Character& v = Victim(c);
    // Wound back before its hit frame at every frame: one hit.
    Run(c, 1000, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 50)};
        return {Time(1, 4.6f)};
    });
    EXPECT_EQ(Hits(), 1u);
    EXPECT_LT(v.health, 1e6f);
    // A two-hit attack wound back after both: its two hits.
    Pause();
    Run(c, 1500, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 58)};
        if (t >= 1000) return {Time(1, 1.0f)};
        return {};
    });
    EXPECT_EQ(Hits(), 2u);

    // Stood and started again at every frame: no more than a fair attacker's one hit per
    // 35 frames, and one more.
    Pause();
    Run(c, 3500, false, [](uint32_t) -> std::vector<std::vector<uint8_t>> {
        return {Animation(1, 0), Animation(1, 50), Time(1, 4.6f)};
    });
    EXPECT_GE(Hits(), 3u);
    EXPECT_LE(Hits(), 4u);
    EXPECT_GT(Refusals(9), 0u);

    // The controls' chain, 50 to 53, each step as soon as it may, then 53 to its end, through
    // the delaying link: every hit lands, steps that arrive together included, and nothing is
    // refused.
    Pause();
    const size_t refused = AllRefusals();
    const struct { uint32_t at; uint8_t attack; float frame; } steps[] = {
        {0, 50, 0.0f}, {208, 51, 4.0f}, {448, 52, 4.0f}, {896, 53, 5.0f}};
    constexpr uint32_t kCycle = 1904;   // 53 runs its last 30 frames
    Run(c, 3 * kCycle, true, [&steps](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        for (const auto& s : steps)
            if (t % kCycle == s.at) return {Animation(1, s.attack), Time(1, s.frame)};
        if (t % kCycle == kCycle - kFrameMs) return {Animation(1, 0)};
        return {};
    });
    EXPECT_EQ(Hits(), 12u);
    EXPECT_EQ(AllRefusals(), refused);
}

TEST_F(PacedHostTest, ACastItsMachinePlayedThroughReleasesWhenTheNextArrivesTooSoonBehindIt) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    c.states[STATE_SPEED_BOOST] = TimedState{1, GetTime(CLOCK_MATCH), 1000000};
    // Power 3 over the running legs releases at frame 13, 289 ms in; the next cast, 667 ms after
    // on its machine, arrives 208 ms behind it.
    Run(c, 224, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 21), Upper(1, 174), Power(1, 3)};
        if (t == 208) return {Upper(1, 21), Upper(1, 174), Power(1, 3)};
        return {};
    });
    EXPECT_EQ(Made(3).size(), 2u);
    EXPECT_EQ(AllRefusals(), 0u);
    // The next cast told straight over it, without the run between.
    Pause();
    Run(c, 224, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 21), Upper(1, 174), Power(1, 3)};
        if (t == 208) return {Upper(1, 174), Power(1, 3)};
        return {};
    });
    EXPECT_EQ(Made(3).size(), 2u);
    EXPECT_EQ(AllRefusals(), 0u);
    // An attack cuts such a cast short before its release: nothing more.
    Pause();
    Run(c, 1000, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 21), Upper(1, 174), Power(1, 3)};
        if (t == 96) return {Animation(1, 50)};
        return {};
    });
    EXPECT_TRUE(Made(3).empty());
}

TEST_F(PacedHostTest, AThrowLetsGoOfOneBallAtItsMachinesPaceAndAThrowPlayedThroughLetsGoOfItsBall) {
    ResetDynamicObjects();
    testsupport::InstallPropTemplates();
    Character& c = Client(70);
    const auto balls = [] {
        int n = 0;
        for (const DynamicObject& b : g_Balls) n += b.InUse() ? 1 : 0;
        return n;
    };
    // Thrown again at every frame, just before its ball: a fair machine throws once per its 35
    // frames.
    Run(c, 3500, false, [](uint32_t) -> std::vector<std::vector<uint8_t>> {
        return {Animation(1, 0), Animation(1, 150), Time(1, 18.6f)};
    });
    EXPECT_GE(balls(), 3);
    EXPECT_LE(balls(), 4);
    // The longest throw lets go at frame 27; its stand arrives 700 ms behind it.
    ResetDynamicObjects();
    testsupport::InstallPropTemplates();
    Pause();
    Run(c, 720, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 152)};
        if (t == 704) return {Animation(1, 0)};
        return {};
    });
    EXPECT_EQ(balls(), 1);
    ResetDynamicObjects();
}

TEST_F(PacedHostTest, AToldHitOrADeathEndsTheCastAndItsPace) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    // Power 9's cast heard late, its fighter hit 50 ms after, and the cast again once the reaction
    // has played, heard at once: 400 ms apart here, where a cast lasts a second.
    const auto castNine = [&c] { Receive({Animation(1, 0), Animation(1, 175), Power(1, 9)}, 9); };
    castNine();
    SetTime(GetTime(CLOCK_MATCH) + 50);
    g_GamePacket.WriteApplyHit(1, -1, 5.0f, c.position, 115, 0);
    Receive({Animation(1, 115)}, 9);
    SetTime(GetTime(CLOCK_MATCH) + 350);
    castNine();
    EXPECT_EQ(Refusals(30), 0u);
    EXPECT_EQ(c.currentPower, 9);
    // Without the hit it is too soon.
    Pause();
    castNine();
    SetTime(GetTime(CLOCK_MATCH) + 400);
    castNine();
    EXPECT_EQ(Refusals(30), 1u);

    // Attack 50 cut short by a stand, its hit owed, and a new life before it is due: the new life
    // owes nothing of it.
    Pause();
    Victim(c);
    Receive({Animation(1, 50), Animation(1, 0)}, 9);
    c.Respawn();
    for (const OwedAction& o : c.pace.owed) EXPECT_EQ(o.kind, OwedKind::None);
    // Killed in a cast before its release, which its machine never told ended: nothing fires
    // after the respawn.
    Pause();
    Receive({Animation(1, 174), Power(1, 3)}, 9);
    c.health = 0.0f;
    c.Die();
    c.Respawn();
    Run(c, 1200, false, [](uint32_t) { return std::vector<std::vector<uint8_t>>{}; });
    EXPECT_TRUE(Made(3).empty());
}

TEST_F(PacedHostTest, CopiesOfAnActionToldTogetherAreCarriedOutOnce) {
    ResetDynamicObjects();
    testsupport::InstallPropTemplates();
    Character& c = Client(70);
    Character& v = Victim(c);
    c.energy = c.maxEnergy = 1e6f;
    const auto balls = [] {
        size_t n = 0;
        for (const DynamicObject& b : g_Balls) n += b.InUse() ? 1 : 0;
        return n;
    };
    // What one copy at a fair pace makes, and what twenty copies in each packet make.
    const struct {
        const char* name;
        uint32_t every;
        std::vector<std::vector<uint8_t>> events;
        std::function<size_t()> made;
    } forms[] = {
        {"power 9", 1008, {Animation(1, 0), Animation(1, 175), Power(1, 9)}, [] { return Made(43).size(); }},
        {"power 0's repeat", 1008, {Animation(1, 0), Animation(1, 170), Power(1, 0), Upper(1, 170), Power(1, 0)},
         [] { return Made(0).size(); }},
        {"attack 50", 1200, {Animation(1, 50)}, [] { return Hits(); }},
        {"attack 50 and a stand", 1200, {Animation(1, 50), Animation(1, 0)}, [] { return Hits(); }},
        {"throw 150", 1200, {Animation(1, 150)}, [] { return EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT).size(); }},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        size_t made[2] = {};
        float paid[2] = {};
        for (int copies : {1, 20}) {
            ResetDynamicObjects();
            testsupport::InstallPropTemplates();
            Pause();
            c.energy = c.maxEnergy;
            Run(c, 6000, false, Every(form.every, copies, form.events));
            made[copies > 1] = form.made();
            paid[copies > 1] = c.maxEnergy - c.energy;
        }
        EXPECT_GT(made[0], 0u);
        EXPECT_EQ(made[1], made[0]);
        EXPECT_FLOAT_EQ(paid[1], paid[0]);
    }
    EXPECT_LT(v.health, 1e6f);

    // Six casts of power 3 told a frame apart, which a slow host reads in one of its frames: one
    // cast.
    Pause();
    Run(c, 6000, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t < 112 || t > 192) return {};
        return {Animation(1, 0), Animation(1, 174), Power(1, 3)};
    }, true);
    EXPECT_EQ(Made(3).size(), 1u);
    ResetDynamicObjects();
}

TEST_F(PacedHostTest, WhatAStandToldWithAnActionCutsShortComesAtItsFramesTime) {
    Character& c = Armed();
    const auto balls = [] { return EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT).size(); };
    // At 30 frames a second: power 3 releases at its frame 13 and attack 50 hits at its frame 5;
    // its chain step 51 starts at frame 4 once 50 has passed frame 6, and hits at its frame 11;
    // throw 150 lets go at its frame 19.
    const auto at = [](float frames) { return uint32_t(frames / 30.0f * 1000.0f); };
    const struct {
        const char* name;
        std::vector<std::vector<uint8_t>> events;
        std::vector<uint32_t> times;
        std::function<size_t()> made;
    } forms[] = {
        {"power 3", {Animation(1, 174), Power(1, 3), Animation(1, 0)}, {at(13)}, [] { return Made(3).size(); }},
        {"power 3, then power 9 too soon",
         {Animation(1, 174), Power(1, 3), Animation(1, 0), Animation(1, 175), Power(1, 9)},
         {at(13)},
         [] { return Made(3).size(); }},
        {"attack 50", {Animation(1, 50), Animation(1, 0)}, {at(5)}, [] { return Hits(); }},
        {"attack 50 and its step 51", {Animation(1, 50), Animation(1, 51), Time(1, 4.0f), Animation(1, 0)},
         {at(5), at(6) + at(11 - 4)},
         [] { return Hits(); }},
        {"throw 150", {Animation(1, 150), Animation(1, 0)}, {at(19)}, balls},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Pause();
        const uint32_t base = GetTime(CLOCK_MATCH);
        Receive(form.events, 9);
        std::vector<uint32_t> times;
        for (uint32_t t = kFrameMs; t <= 2000; t += kFrameMs) {
            const size_t before = form.made();
            HostFrame(c, base + t, kFrameMs);
            times.insert(times.end(), form.made() - before, t);
        }
        // Each in the first host frame from its time on.
        ASSERT_EQ(times.size(), form.times.size());
        for (size_t i = 0; i < times.size(); ++i) {
            EXPECT_GE(times[i], form.times[i]);
            EXPECT_LT(times[i], form.times[i] + kFrameMs);
        }
    }
    ResetDynamicObjects();
}

TEST_F(PacedHostTest, AJumpsAttackIsPacedWithTheJumpItGoesOnFrom) {
    Character& c = Client(70);
    Victim(c);
    // From the stand, attack 73 as often as its 35 frames let it.
    Run(c, 5000, false, Every(1168, 1, {Animation(1, 73)}));
    const size_t fromStand = Hits();
    ASSERT_GT(fromStand, 0u);
    // A fair jump's attack: the jump, then the attack at the jump's frame 10, through the link.
    Pause();
    const size_t refused = AllRefusals();
    Run(c, 5000, true, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t % 1184 == 0) return {Animation(1, 30)};
        if (t % 1184 == 336) return {Animation(1, 73), Time(1, 10.0f)};
        return {};
    });
    const size_t fromJumps = Hits();
    EXPECT_EQ(fromJumps, 2 * ((5000 - 336 + 1183) / 1184));
    EXPECT_EQ(AllRefusals(), refused);
    // A jump that turns into a fall: the attack goes on from the fall's own frame, and the next
    // attack follows its end at once.
    Pause();
    Run(c, 5696, true, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t % 2848 == 0) return {Animation(1, 30)};
        if (t % 2848 == 496) return {Animation(1, 37)};
        if (t % 2848 == 592) return {Animation(1, 73), Time(1, 3.0f)};
        if (t % 2848 == 1664) return {Animation(1, 0), Animation(1, 73)};
        return {};
    });
    EXPECT_EQ(AllRefusals(), refused);
    EXPECT_EQ(Hits(), 8u);
    // The attack at the jump's frame 25 ends where the jump's 35 frames would: the next, from the
    // stand, follows it at once.
    Pause();
    Run(c, 2400, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 30)};
        if (t == 848) return {Animation(1, 73), Time(1, 25.0f)};
        if (t == 1184) return {Animation(1, 0), Animation(1, 73)};
        return {};
    });
    EXPECT_EQ(AllRefusals(), refused);
    EXPECT_EQ(Hits(), 4u);
    // A fall that cuts an attack short is no proof that it played through: its hits never come.
    Pause();
    Run(c, 1500, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t == 0) return {Animation(1, 50)};
        if (t == 32) return {Animation(1, 38)};
        return {};
    });
    EXPECT_EQ(Hits(), 0u);
    // A jump told before each attack, set at its frame 25: no more than the stand's, and one
    // attack's hits.
    Pause();
    Run(c, 5000, false, Every(352, 1, {Animation(1, 30), Animation(1, 73), Time(1, 25.0f)}));
    EXPECT_LE(Hits(), fromStand + 2);
    EXPECT_GT(Refusals(9), 0u);
}

TEST_F(PacedHostTest, AParalysedPlayerIsPacedAtItsSlowerRateAndAtTheFasterOnceItEnds) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    const auto paralyse = [&c] { c.StartTimedState(STATE_PARALYSIS, 1000000, 1000); };
    // Paralysed, power 9's 30 frames play at 15 a second: a fair machine casts every 2 s.
    paralyse();
    Run(c, 6000, true, Every(2016, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)}));
    const size_t fair = Made(43).size();
    EXPECT_EQ(fair, 3u);
    EXPECT_EQ(AllRefusals(), 0u);
    Pause();
    paralyse();
    Run(c, 6000, false, Every(1008, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)}));
    EXPECT_LE(Made(43).size(), fair + 1);
    EXPECT_GT(Refusals(30), 0u);

    // Cured 500 ms into a cast: 7.5 frames played, the other 22.5 at 30 a second, 1250 ms in all.
    Pause();
    c.StopTimedState(STATE_PARALYSIS, 0);
    paralyse();
    const size_t refused = Refusals(30);
    const uint32_t base = GetTime(CLOCK_MATCH);
    Receive({Animation(1, 0), Animation(1, 175), Power(1, 9)}, 9);
    SetTime(base + 500);
    c.StopTimedState(STATE_PARALYSIS, 0);
    SetTime(base + 1264 - PACE_CREDIT_MS + 16);
    Receive({Animation(1, 0), Animation(1, 175), Power(1, 9)}, 9);
    EXPECT_EQ(Refusals(30), refused);

    // Paralysed 500 ms into a cast: 15 frames played, the other 15 at 15 a second, 1500 ms in all.
    Pause();
    c.StopTimedState(STATE_PARALYSIS, 0);
    const uint32_t again = GetTime(CLOCK_MATCH);
    Receive({Animation(1, 0), Animation(1, 175), Power(1, 9)}, 9);
    SetTime(again + 500);
    paralyse();
    SetTime(again + 1504 - PACE_CREDIT_MS + 16);
    Receive({Animation(1, 0), Animation(1, 175), Power(1, 9)}, 9);
    EXPECT_EQ(Refusals(30), refused);
}

TEST_F(PacedHostTest, AFairPlayerIsNeverRefusedForTheHostsOwnLateFrames) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    // Through the link and a slow host together, every fair cast fires; told at every frame,
    // no more than the fair machine's casts and one.
    const ClientFrame fairClient = Every(1008, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)});
    Run(c, 6000, false, fairClient);
    const size_t fair = Made(43).size();
    Pause();
    Run(c, 6000, true, fairClient, true);
    EXPECT_EQ(Made(43).size(), fair);
    EXPECT_EQ(AllRefusals(), 0u);
    Pause();
    Run(c, 6000, false, Every(16, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)}), true);
    EXPECT_LE(Made(43).size(), fair + 1);
    EXPECT_GT(Refusals(30), 0u);

    // Power 9 every 1008 ms; the second packet 400 ms late from the link and read 120 ms later
    // still, in a long frame of the host's; the third on time.
    Pause();
    const size_t refused = AllRefusals();
    uint32_t osNow = GetTime(CLOCK_MATCH);
    OpenQueue(&osNow);
    const uint32_t base = GetTime(CLOCK_MATCH);
    const auto arrive = [&osNow, base](uint32_t at) {
        osNow = base + at;
        ASSERT_TRUE(EnqueueReceivedPacket(9, Packed({Animation(1, 0), Animation(1, 175), Power(1, 9)})));
    };
    const auto read = [&osNow, base](uint32_t at) {
        osNow = base + at;
        SetTime(base + at);
        g_NetSession.ProcessIncoming();
    };
    arrive(0);
    read(0);
    arrive(1408);
    read(1528);
    arrive(2016);
    read(2016);
    // A host frame of a second and a half: two fair casts arrive during it and are read at its end.
    arrive(3024);
    arrive(4032);
    read(4500);
    CloseQueue();
    EXPECT_EQ(AllRefusals(), refused);
    EXPECT_EQ(c.currentPower, 9);
}

TEST_F(PacedHostTest, AWholeBodyCastToldOverTheRunIsPacedAtTheWholeBodysRate) {
    Character& c = Client(70);
    c.energy = c.maxEnergy = 1e6f;
    c.states[STATE_SPEED_BOOST] = TimedState{1, GetTime(CLOCK_MATCH), 1000000};
    // Power 9 plays on the whole body at 30 frames a second, even when it starts from a boosted
    // run: told with its power before its animation, every 672 ms, the run's boosted pace.
    Run(c, 6000, false, Every(1008, 1, {Animation(1, 21), Power(1, 9), Animation(1, 175)}));
    const size_t fair = Made(43).size();
    Pause();
    Run(c, 6000, false, Every(672, 1, {Animation(1, 21), Power(1, 9), Animation(1, 175)}));
    EXPECT_LE(Made(43).size(), fair + 1);
    EXPECT_GT(Refusals(30), 0u);
}

TEST_F(PacedHostTest, AKilledFighterIsHeardOnlyInItsFallDeathAndRiseAndNothingItOwedLands) {
    Character& c = Client(70);
    Character& v = Victim(c);
    c.energy = c.maxEnergy = 1e6f;
    // Killed in the air, its machine goes on jumping every 304 ms with attack 73 after every second
    // jump, and casting: none of it happens, and none of it is held against the player, whose
    // machine may have told it before it heard of its kill.
    c.airborne = 1;
    c.ChangeHealth(-c.maxHealth, &v);
    ASSERT_EQ(c.health, 0.0f);
    Run(c, 5000, false, [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
        if (t % 608 == 0) return {Animation(1, 30)};
        if (t % 608 == 304) return {Animation(1, 73), Time(1, 10.0f), Animation(1, 174), Power(1, 3)};
        return {};
    });
    EXPECT_EQ(Hits(), 0u);
    EXPECT_EQ(v.health, 1e6f);
    EXPECT_TRUE(Made(3).empty());
    EXPECT_EQ(AllRefusals(), 0u);
    EXPECT_FALSE(IsStrikeAnimation(c.currentAnimation) || c.currentAnimation == 30);
    // Its fall goes on as its machine tells it; it dies once it has landed, then rises.
    Receive({Animation(1, 38)}, 9);
    EXPECT_EQ(c.currentAnimation, 38);
    c.airborne = 0;
    c.Update(int(kFrameMs));
    ASSERT_EQ(c.dead, 1);
    Receive({Animation(1, 130), Animation(1, 73)}, 9);
    EXPECT_EQ(c.currentAnimation, 130);
    Receive({Animation(1, 191)}, 9);
    EXPECT_EQ(c.currentAnimation, 191);
    EXPECT_EQ(AllRefusals(), 0u);

    // A cast under way, killed before its release: nothing leaves.
    Pause();
    c.Revive();
    Receive({Animation(1, 174), Power(1, 3)}, 9);
    const uint32_t cast = GetTime(CLOCK_MATCH);
    HostFrame(c, cast + 100, 100);
    c.airborne = 1;
    c.ChangeHealth(-c.maxHealth, &v);
    for (uint32_t t = 100 + kFrameMs; t <= 1500; t += kFrameMs) HostFrame(c, cast + t, kFrameMs);
    EXPECT_TRUE(Made(3).empty());
    c.airborne = 0;

    // Attack 50 told with the stand that cuts it short, and a throw with its stand, killed before
    // the hit or the ball is due: neither comes.
    ResetDynamicObjects();
    testsupport::InstallPropTemplates();
    for (const uint8_t action : {uint8_t(50), uint8_t(150)}) {
        SCOPED_TRACE(int(action));
        Pause();
        c.Revive();
        Receive({Animation(1, action), Animation(1, 0)}, 9);
        SetTime(GetTime(CLOCK_MATCH) + 2 * kFrameMs);
        c.ChangeHealth(-c.maxHealth, &v);
        const uint32_t base = GetTime(CLOCK_MATCH);
        for (uint32_t t = kFrameMs; t <= 1500; t += kFrameMs) HostFrame(c, base + t, kFrameMs);
        EXPECT_EQ(Hits(), 0u);
        EXPECT_TRUE(EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT).empty());
    }
    ResetDynamicObjects();
}

TEST_F(PacedHostTest, ACastIsTakenOnlyOnEnergyThatCastsUnderWayHaveNotClaimed) {
    Character& c = Client(70);
    c.speed = g_SideTable[0].baseSpeed;
    // Power 6 pays at its frame 19 of 30; told again 512 ms in, with the stand that leaves it.
    // Power 8 over the boosted run pays at its frame 13 at 45 frames a second; told again 176 ms
    // in, with the run. Power 0's repeat over the boosted run, told 176 ms in, comes just before
    // its second shot pays: each shot pays the cost, and a cast needs one.
    const struct {
        const char* name;
        int power;
        bool boosted;
        std::vector<std::vector<uint8_t>> first, again;
        uint32_t againAt;
        float casts[2];   // energy, in costs, for one cast and for two
        size_t shots;
    } forms[] = {
        {"power 6", 6, false, {Animation(1, 0), Animation(1, 176), Power(1, 6)},
         {Animation(1, 0), Animation(1, 176), Power(1, 6)}, 512, {1.5f, 2.5f}, 1},
        {"power 8 over the run", 8, true, {Animation(1, 21), Upper(1, 174), Power(1, 8)},
         {Upper(1, 21), Upper(1, 174), Power(1, 8)}, 176, {1.5f, 2.5f}, 1},
        {"power 0's repeat over the run", 0, true, {Animation(1, 21), Upper(1, 170), Power(1, 0)}, {Upper(1, 170)},
         176, {2.5f, 3.5f}, 2},
    };
    for (const auto& form : forms) {
        c.states[STATE_SPEED_BOOST] = TimedState{uint8_t(form.boosted ? 1 : 0), GetTime(CLOCK_MATCH), 1000000};
        const float cost = c.PowerCost(form.power);
        const float paid = cost * float(form.shots);
        for (size_t fired : {1u, 2u}) {
            const float energy = form.casts[fired - 1] * cost;
            SCOPED_TRACE(testing::Message() << form.name << ", energy for " << form.casts[fired - 1]);
            Pause();
            c.energy = energy;
            Run(c, form.againAt + kFrameMs, false, [&form](uint32_t t) -> std::vector<std::vector<uint8_t>> {
                if (t == 0) return form.first;
                if (t == form.againAt) return form.again;
                return {};
            });
            EXPECT_EQ(Made(form.power).size(), fired * form.shots);
            EXPECT_FLOAT_EQ(c.energy, std::max(energy - float(fired) * paid, 0.0f));
        }
    }
}

TEST_F(PacedHostTest, AToldTimeWindsThePlayersFighterNoFurtherThanItsMachineCouldHavePlayed) {
    Character& c = Armed();
    const auto at = [](float frames) { return uint32_t(frames / 30.0f * 1000.0f); };
    float hit73 = 0.0f;
    ASSERT_TRUE(c.GetAttackRow(3, 73, nullptr, &hit73, nullptr));
    // Each told a frame before its release, hit or ball, at 30 frames a second, the run's as the
    // whole body's: the step told at `at` ms, after what comes before it. The chain's step 51,
    // told 24 ms before 50 passes its frame 6, enters at its frame 4 when it is told; the run has
    // played 16 frames when the cast over it starts, and its time leaves the cast's alone. The runs come last: they carry the attacker away from its victim.
    struct Step {
        uint32_t at;
        std::vector<std::vector<uint8_t>> events;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        uint32_t fair;
        std::function<size_t()> made;
    } forms[] = {
        {"attack 73", {{0, {Animation(1, 73), Time(1, hit73 - 0.1f)}}}, at(hit73), [] { return Hits(); }},
        {"the chain's step, after 50's own hit", {{0, {Animation(1, 50)}}, {176, {Animation(1, 51), Time(1, 10.9f)}}},
         176 + at(11 - 4), [] { return Hits() / 2; }},
        {"throw 150", {{0, {Animation(1, 150), Time(1, 18.9f)}}}, at(19),
         [] { return EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT).size(); }},
        {"power 3", {{0, {Animation(1, 174), Power(1, 3), Time(1, 12.9f)}}}, at(13), [] { return Made(3).size(); }},
        {"power 3, by its upper body's time", {{0, {Animation(1, 174), Power(1, 3), Time(1, 12.9f, 4)}}}, at(13),
         [] { return Made(3).size(); }},
        {"power 3 over the run", {{0, {Animation(1, 21), Upper(1, 174), Power(1, 3), Time(1, 12.9f, 4)}}}, at(13),
         [] { return Made(3).size(); }},
        {"power 3 over the run, by the whole body's time",
         {{0, {Animation(1, 21)}}, {528, {Upper(1, 174), Power(1, 3), Time(1, 15.9f)}}}, 528 + at(13),
         [] { return Made(3).size(); }},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Pause();
        Receive({Animation(1, 0)}, 9);
        // What the last form left owed is carried out as its machine leaves it.
        Recorder().events.clear();
        Recorder().created.clear();
        const uint32_t base = GetTime(CLOCK_MATCH);
        uint32_t first = 0;
        size_t next = 0;
        for (uint32_t t = 0; t <= 2000 && first == 0; t += kFrameMs) {
            if (t > 0) HostFrame(c, base + t, kFrameMs);
            if (form.made() > 0) first = t;
            for (; next < form.steps.size() && form.steps[next].at == t; ++next) Receive(form.steps[next].events, 9);
        }
        EXPECT_GE(first, form.fair);
        EXPECT_LT(first, form.fair + 2 * kFrameMs);
    }

    // What a fair machine tells still holds: a defence wound back, and a jump set to its landing.
    Pause();
    Receive({Animation(1, 140)}, 9);
    const uint32_t base = GetTime(CLOCK_MATCH);
    for (uint32_t t = kFrameMs; t <= 10 * kFrameMs; t += kFrameMs) HostFrame(c, base + t, kFrameMs);
    Receive({Time(1, 1.0f)}, 9);
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(0), 1.0f);
    Pause();
    Receive({Animation(1, 30), Time(1, 52.0f)}, 9);
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(0), 52.0f);
    EXPECT_EQ(AllRefusals(), 0u);
    ResetDynamicObjects();
}

// A link that delays unevenly and loses one datagram in ten, resending after its time-out and
// holding what follows, as the transport's channel does; the host knows how late it may hold
// one.
TEST_F(PacedHostTest, EveryFairActionFiresThroughALinkThatLosesAndResendsInOrder) {
    Character& c = Armed();
    constexpr uint32_t kResendMs = 800;
    // As the transport bounds it: five resend waits.
    g_NetRoleCalls.lateBound = [](uint32_t player) -> uint32_t { return player == 9 ? 5 * kResendMs : 0; };
    const auto balls = [] { return EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT).size(); };
    const struct { uint32_t at; uint8_t attack; float frame; } steps[] = {
        {0, 50, 0.0f}, {208, 51, 4.0f}, {448, 52, 4.0f}, {896, 53, 5.0f}};
    constexpr uint32_t kCycle = 1904;
    const struct {
        const char* name;
        ClientFrame client;
        std::function<size_t()> made;
    } forms[] = {
        {"power 9", Every(1008, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)}), [] { return Made(43).size(); }},
        {"power 0's repeat", Every(1008, 1, {Animation(1, 0), Animation(1, 170), Power(1, 0)}),
         [] { return Made(0).size(); }},
        {"the chain",
         [&steps](uint32_t t) -> std::vector<std::vector<uint8_t>> {
             for (const auto& s : steps)
                 if (t % kCycle == s.at) return {Animation(1, s.attack), Time(1, s.frame)};
             if (t % kCycle == kCycle - kFrameMs) return {Animation(1, 0)};
             return {};
         },
         [] { return Hits(); }},
        {"throw 150", Every(1200, 1, {Animation(1, 150)}), balls},
        {"a jump's attack",
         [](uint32_t t) -> std::vector<std::vector<uint8_t>> {
             if (t % 1184 == 0) return {Animation(1, 30)};
             if (t % 1184 == 336) return {Animation(1, 73), Time(1, 10.0f)};
             return {};
         },
         [] { return Hits(); }},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Pause();
        lossPerMille = 0;
        Run(c, 20000, false, form.client);
        const size_t fair = form.made();
        ASSERT_GT(fair, 0u);
        const size_t refused = AllRefusals();
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Pause();
        lossPerMille = 100;
        resendMs = kResendMs;
        Run(c, 20000, true, form.client);
        EXPECT_EQ(form.made(), fair);
        EXPECT_EQ(AllRefusals(), refused);
    }
    ResetDynamicObjects();
}

// What the link's allowance lets the host take ahead still strikes at the fair pace: a machine
// that tells its actions early, through a link that loses and resends, or told over and over,
// gets no more within any few seconds than a fair one.
TEST_F(PacedHostTest, WhatALinksAllowanceTakesAheadStrikesNoSoonerThanTheFairPace) {
    Character& c = Armed();
    lossPerMille = 100;
    resendMs = 800;
    g_NetRoleCalls.lateBound = [](uint32_t player) -> uint32_t { return player == 9 ? 8000 : 0; };
    // Copies in one packet gain nothing from the link's allowance. A cast told at every frame is
    // taken as far ahead as a held packet could be, the transport's most, but what is taken
    // ahead fires no sooner than the fair pace: in any four seconds, no more than the fair
    // machine's casts and one.
    Pause();
    const ClientFrame fairCaster = Every(1008, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)});
    const size_t fairWithin = MostWithin(c, 12000, false, fairCaster, 4032);
    const size_t fair = Made(43).size();
    Pause();
    Run(c, 12000, true, Every(1008, 20, {Animation(1, 0), Animation(1, 175), Power(1, 9)}));
    EXPECT_LE(Made(43).size(), fair);
    Pause();
    EXPECT_LE(MostWithin(c, 12000, true, Every(16, 1, {Animation(1, 0), Animation(1, 175), Power(1, 9)}), 4032),
              fairWithin + 1);
    // Nine casts, attacks or throws a frame apart, then one a second: each of those plays on the
    // host's copy at once, while the nine strike at their times.
    const auto balls = [] { return EventsOfType(EVENT_SPAWN_DYNAMIC_OBJECT).size(); };
    const struct {
        const char* name;
        std::vector<std::vector<uint8_t>> events;
        uint32_t every;
        std::function<size_t()> made;
    } forms[] = {
        {"power 9", {Animation(1, 0), Animation(1, 175), Power(1, 9)}, 1008, [] { return Made(43).size(); }},
        {"attack 50", {Animation(1, 0), Animation(1, 50)}, 1200, [] { return Hits(); }},
        {"throw 150", {Animation(1, 0), Animation(1, 150)}, 1200, balls},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.name);
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Pause();
        const size_t fairMost = MostWithin(c, 12000, false, Every(form.every, 1, form.events), 4800, form.made);
        ResetDynamicObjects();
        testsupport::InstallPropTemplates();
        Pause();
        const auto events = form.events;
        const uint32_t every = form.every;
        EXPECT_LE(MostWithin(c, 12000, true, [events, every](uint32_t t) -> std::vector<std::vector<uint8_t>> {
            if (t < 144 || t % every == 0) return events;
            return {};
        }, 4800, form.made), fairMost + 1);
    }
    ResetDynamicObjects();
}

}  // namespace
}  // namespace fightertest
