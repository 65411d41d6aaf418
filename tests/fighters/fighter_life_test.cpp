// Death, revival and respawn, and the life-cycle rules each frame: glows of the spawn and rise
// animations, lava, falling out of the world.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "effects/effect_slots.h"
#include "scene/camera.h"
#include "support/fighter_fixture.h"
#include "world/dynamic_object.h"

namespace fightertest {
namespace {

class FighterLifeTest : public FighterTest {
protected:
    // A fighter of the side at home on the floor, then moved to the point.
    Character& AwayFromHome(int slot, int side, const Vec3& to) {
        Character& c = Spawned(slot, side, Vec3{4.5f, 0, 4.5f});
        c.SetPosition(to.x, to.y, to.z, false);
        c.previousPosition = c.position;
        return c;
    }
    // A charge glow on a hand and a glow that follows the fighter: {charge, glow}.
    static std::pair<int32_t, int32_t> HoldGlows(Character& c, int hand) {
        const Vec3 zero{0, 0, 0};
        const int32_t charge = CreateEffect(-1, 60, c.position, c.position, zero, zero, zero, EFFECT_ENDLESS, 0.0f, 0, &c);
        const int32_t glow = CreateEffect(-1, 71, c.position, c.position, zero, zero, zero, EFFECT_ENDLESS, 0.0f, 0, &c);
        EXPECT_TRUE(charge >= 0 && glow >= 0);
        c.powerEffects[hand] = charge;
        c.attachedEffect = glow;
        return {charge, glow};
    }
    static void ExpectAtHome(const Character& c) {
        EXPECT_NEAR(c.position.x, 4.5f, 1e-4f);
        EXPECT_NEAR(c.position.y, 0.0f, 1e-4f);
        EXPECT_NEAR(c.position.z, 4.5f, 1e-4f);
    }
};

TEST_F(FighterLifeTest, OnlyTheHostOrTheHostsEventRespawnsAndOnlyTheHostAnnouncesIt) {
    const struct {
        const char* name;
        bool network, hosting, dispatching;
        bool respawns;
        std::vector<std::vector<uint8_t>> events;
    } cases[] = {
        {"offline", false, false, false, true, {}},
        {"host", true, true, false, true, {{17, 3}, {3, 3, 0x00, 0x00, 0x80, 0x3F}}},   // facing 1.0
        {"client", true, false, false, false, {}},
        {"client applying the host's event", true, false, true, true, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = AwayFromHome(3, 0, Vec3{9.5f, 0, 9.5f});
        c.homeYaw = 1.0f;
        c.dead = 1;
        c.health = 0.0f;
        c.energy = 1.0f;
        Network(t.network, t.hosting, t.dispatching);
        Recorder().events.clear();
        c.Respawn();
        if (t.respawns) {
            ExpectAtHome(c);
            EXPECT_EQ(c.dead, 0);
            EXPECT_EQ(c.health, c.maxHealth);
            EXPECT_EQ(c.energy, c.maxEnergy);
        } else {
            EXPECT_NEAR(c.position.x, 9.5f, 1e-4f);
            EXPECT_EQ(c.dead, 1);
            EXPECT_EQ(c.energy, 1.0f);
        }
        EXPECT_EQ(Recorder().events, t.events);
        Network(false, false);
    }
}

// The host tells the facing it brought a fighter back with even where every machine last heard
// that facing: another machine's copy would come back to its own idea of home. In a race it is the
// bearing of the next post.
TEST_F(FighterLifeTest, TheHostTellsEachNewLifesFacingEvenTheOneItToldLast) {
    g_Match.checkpointCount = 3;
    g_Match.checkpoints[1].position = Vec3{10, 0, 3};
    g_Match.checkpoints[2].position = Vec3{10, 0, 9};
    const struct {
        const char* name;
        int kind, passed;
        float facing;
    } cases[] = {{"at home", 2, 0, 1.0f}, {"at the second post", 1, 2, 6.2000441f}};
    Network(true, true);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.gameKind = t.kind;
        g_Match.checkpointsPassed[0] = t.passed;
        Character& c = AwayFromHome(3, 0, Vec3{9.5f, 0, 9.5f});
        c.homeYaw = 1.0f;
        c.SetYaw(t.facing);
        g_GamePacket.WriteSetYaw(&c);
        c.Die();
        Recorder().events.clear();
        c.Respawn();
        ASSERT_EQ(Recorder().events.size(), 2u);
        EXPECT_EQ(Recorder().events[0], (std::vector<uint8_t>{17, 3}));
        const std::vector<uint8_t>& told = Recorder().events[1];
        ASSERT_EQ(told.size(), 6u);
        EXPECT_EQ(told[0], EVENT_SET_YAW);
        EXPECT_EQ(told[1], 3);
        float yaw = 0.0f;
        std::memcpy(&yaw, &told[2], sizeof yaw);
        EXPECT_NEAR(yaw, t.facing, 1e-4f);
    }
    Network(false, false);
}

TEST_F(FighterLifeTest, AFighterBackFromAFallStandsOnItsHomeCell) {
    Character& c = AwayFromHome(0, 0, Vec3{28.5f, -200.0f, 4.5f});
    c.Respawn();
    ExpectAtHome(c);
    EXPECT_EQ(c.airborne, 0);
    EXPECT_EQ(g_Scenario.pathMap.CharacterAt(CellRef{4, 4, 0}), &c);
}

TEST_F(FighterLifeTest, AFighterBackFromAFallComesWithFullMetersFreeOfItsStateAndGlowsInItsSidesEntry) {
    for (int side : {0, 1}) {
        SCOPED_TRACE(side);
        Character& c = AwayFromHome(side, side, Vec3{9.5f + float(side), -200.0f, 9.5f});
        c.actionClass = 0;   // out of the entry, which makes immune
        ASSERT_TRUE(c.StartFreeze(10000, 1000));
        c.health = 1.0f;
        c.energy = 2.0f;
        c.knockedDown = 1;
        ASSERT_GT(c.maxEnergy, 2.0f);
        // The glows on the fighter do not come back with it.
        const auto [charge, glow] = HoldGlows(c, 1);
        c.UpdateStates();
        ExpectAtHome(c);
        EXPECT_TRUE(Recorder().effects[charge].stopped && c.powerEffects[1] == -1);
        EXPECT_TRUE(Recorder().effects[glow].stopped && c.attachedEffect == -1);
        EXPECT_EQ(c.health, c.maxHealth);
        EXPECT_EQ(c.energy, c.maxEnergy);
        EXPECT_EQ(c.knockedDown, 0);
        EXPECT_EQ(c.states[STATE_FREEZE].active, 0);
        EXPECT_EQ(c.currentAnimation, side == 0 ? 190 : 192);
    }
}

TEST_F(FighterLifeTest, TheRaceRespawnsAtTheLastCheckpointPassed) {
    g_Match.gameKind = 1;
    g_Match.checkpointCount = 3;
    g_Match.checkpoints[0].position = Vec3{2, 0, 2};
    g_Match.checkpoints[1].position = Vec3{10, 0, 3};
    g_Match.checkpoints[2].position = Vec3{10, 0, 9};
    // Facing the next post to pass: from (10.5, 3) towards (10, 9), atan2(-0.5, 6) brought into
    // [0, 2 pi); past the last post, or before the first, the home facing.
    constexpr float kHome = 1.0f;
    const struct {
        int passed;
        Vec3 at;
        float facing;
    } cases[] = {{0, {4.5f, 0, 4.5f}, kHome}, {2, {10.5f, 0, 3}, 6.2000441f}, {3, {10.5f, 0, 9}, kHome}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.passed);
        Character& c = AwayFromHome(0, 0, Vec3{14.5f, 0, 14.5f});
        c.homeYaw = kHome;
        g_Match.checkpointsPassed[0] = t.passed;
        c.Respawn();
        EXPECT_NEAR(c.position.x, t.at.x, 1e-4f);
        EXPECT_NEAR(c.position.z, t.at.z, 1e-4f);
        EXPECT_NEAR(c.yaw, t.facing, 1e-4f);
    }
}

TEST_F(FighterLifeTest, ASymbolCarrierBackFromAFallHasSentTheSymbolHome) {
    g_Match.gameKind = 0;
    AimCamera(1, 2, 3, 0, 0, 0);
    Character& c = AwayFromHome(0, 0, Vec3{9.5f, -200.0f, 9.5f});
    g_Match.symbols[1].carrier = &c;
    g_Match.symbols[1].atHome = 0;
    c.UpdateStates();
    ExpectAtHome(c);
    EXPECT_EQ(g_Match.symbols[1].carrier, nullptr);
    EXPECT_EQ(g_Match.symbols[1].atHome, 1);
    ASSERT_FALSE(Recorder().sounds.empty());
    EXPECT_EQ(Recorder().sounds.back().id, 251);
}

TEST_F(FighterLifeTest, TheLocalFighterRespawnsWithTheCameraBehindIt) {
    const struct {
        bool local;
        int mode;
        int resets;
        size_t placed;
    } cases[] = {{true, 3, 1, 1}, {true, 0, 1, 0}, {false, 3, 0, 0}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::string(t.local ? "local" : "other") + " in mode " + std::to_string(t.mode));
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
        Recorder().local = t.local ? &c : nullptr;
        Recorder().controlMode = t.mode;
        c.Respawn();
        EXPECT_EQ(Recorder().cameraYawResets, t.resets);
        EXPECT_EQ(Recorder().cameraPlacements.size(), t.placed);
    }
}

TEST_F(FighterLifeTest, LavaSwallowsAFallingFighterOnlyInTheLavaScenarios) {
    const struct {
        int scenario;
        float fall;
        bool sinks;
    } cases[] = {{15, -1.0f, true}, {18, -0.1f, true}, {1, -1.0f, false}, {14, -1.0f, false}, {15, 0.0f, false}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.scenario) + " falling at " + std::to_string(t.fall));
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        g_Scenario.number = t.scenario;
        Character& c = AwayFromHome(0, 0, Vec3{28.5f, -2.0f, 12.5f});
        c.jumpVelocity.y = t.fall;
        c.UpdateStates();
        EXPECT_EQ(c.sinking, t.sinks ? 1 : 0);
        const std::vector<int32_t> sink = Recorder().CreatedOfType(87);
        ASSERT_EQ(sink.size(), t.sinks ? 1u : 0u);
        if (!t.sinks) continue;
        EXPECT_EQ(c.sinkTime, kStartTime);
        EXPECT_NEAR(c.sinkPoint.y, -1.0f, 1e-4f);
        EXPECT_NEAR(Recorder().effects[sink[0]].position.y, -1.5f, 1e-4f);
        EXPECT_EQ(Recorder().effects[sink[0]].durationMs, testsupport::KitEffectLifetime(87));
    }
}

TEST_F(FighterLifeTest, ASinkingFighterRespawnsAfter5000Ms) {
    g_Scenario.number = 15;
    Character& c = AwayFromHome(0, 0, Vec3{28.5f, -2.0f, 12.5f});
    c.jumpVelocity.y = -1.0f;
    c.UpdateStates();
    ASSERT_EQ(c.sinking, 1);
    SetTime(kStartTime + 5000);
    c.UpdateStates();
    EXPECT_EQ(c.sinking, 1);
    EXPECT_NEAR(c.position.x, 28.5f, 1e-4f);
    SetTime(kStartTime + 5001);
    c.UpdateStates();
    EXPECT_EQ(c.sinking, 0);
    ExpectAtHome(c);
}

TEST_F(FighterLifeTest, FallsOutOfTheWorldCountOneDeathWithoutKillerPer7000Ms) {
    // The map's lowest floor is -2: below -152 a fighter has fallen out.
    Character& a = AwayFromHome(0, 0, Vec3{9.5f, -152.0f, 9.5f});
    Character& b = AwayFromHome(1, 1, Vec3{8.5f, -200.0f, 9.5f});
    Character& c = AwayFromHome(2, 1, Vec3{7.5f, -151.9f, 9.5f});
    a.UpdateStates();
    b.UpdateStates();
    c.UpdateStates();
    EXPECT_EQ(g_FallRespawnStamp, kStartTime);
    EXPECT_NEAR(a.position.y, 0.0f, 1e-4f);
    EXPECT_NEAR(b.position.y, 0.0f, 1e-4f);
    EXPECT_NEAR(c.position.y, -151.9f, 1e-4f);
    const struct {
        uint32_t at, stamp;
    } later[] = {{kStartTime + 6999, kStartTime}, {kStartTime + 7000, kStartTime + 7000}};
    for (const auto& t : later) {
        SetTime(t.at);
        a.SetPosition(9.5f, -300.0f, 9.5f, false);
        a.UpdateStates();
        EXPECT_EQ(g_FallRespawnStamp, t.stamp) << t.at;
        EXPECT_NEAR(a.position.y, 0.0f, 1e-4f);
    }
}

TEST_F(FighterLifeTest, SpawnAndRiseAnimationsCarryTheirGlows) {
    const struct {
        int side, animation;
        int32_t type, durationMs;
    } cases[] = {{0, 190, 75, 1500 + 2000}, {1, 192, 55, 3200}, {0, 191, 76, 1500}, {1, 193, 55, 1500}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.animation);
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        Character& c = Spawned(0, t.side, Vec3{4.5f, 0, 4.5f});
        Play(c, t.animation, 13);
        Advance(33);   // its first frame: 45 frames are 1500 ms
        c.UpdateStates();
        const std::vector<int32_t> glow = Recorder().CreatedOfType(t.type);
        ASSERT_EQ(glow.size(), 1u);
        EXPECT_EQ(Recorder().effects[glow[0]].durationMs, t.durationMs);
        EXPECT_FALSE(Recorder().effects[glow[0]].cullBoxOn);
        EXPECT_EQ(c.attachedEffect, glow[0]);
        // Once the effect has ended the fighter lets go of it.
        Recorder().effects[glow[0]].active = false;
        Advance(33);
        c.UpdateStates();
        EXPECT_EQ(c.attachedEffect, -1);
    }
}

TEST_F(FighterLifeTest, TheSpawnProtectionKeepsItsOverlayWhenTheEntryWraps) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    Play(c, 190, 13);
    Advance(33);
    c.UpdateStates();
    const size_t glows = Recorder().CreatedOfType(75).size();
    // Past its 45 frames: the cycle completes, and the wrap passes frame 0 again.
    Advance(1480);
    ASSERT_TRUE(c.model->HasAnimationWrapped(0));
    ASSERT_TRUE(c.model->AnimationPassedFrame(0, 0.0f));
    c.UpdateStates();
    EXPECT_EQ(c.states[STATE_INVULNERABILITY].active, 1);
    EXPECT_EQ(c.overlayPresent, 1);
    EXPECT_EQ(Recorder().CreatedOfType(75).size(), glows) << "no second spawn glow";
}

TEST_F(FighterLifeTest, TheEndOfTheRiseRespawnsAndNothingAttachedDoesNot) {
    Character& c = AwayFromHome(0, 0, Vec3{9.5f, 0, 9.5f});
    Play(c, 191, 13);
    Advance(1400);
    c.UpdateStates();
    EXPECT_NEAR(c.position.x, 9.5f, 1e-4f);
    Advance(200);   // past its 45 frames
    c.DetachFromScene();
    c.UpdateStates();
    EXPECT_NEAR(c.position.x, 9.5f, 1e-4f);
    c.AttachToScene();
    c.UpdateStates();
    ExpectAtHome(c);
}

TEST_F(FighterLifeTest, DeathEndsTheStateAndStopsTheGlowsOnTheFighter) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    c.actionClass = 0;
    ASSERT_TRUE(c.StartPoisoning(30000, 1000));
    const auto [charge, glow] = HoldGlows(c, 0);
    c.Die();
    EXPECT_EQ(c.states[STATE_POISONING].active, 0) << "the dead are not drained";
    EXPECT_EQ(c.overlayPresent, 0);
    EXPECT_TRUE(Recorder().effects[charge].stopped && c.powerEffects[0] == -1);
    EXPECT_TRUE(Recorder().effects[glow].stopped && c.attachedEffect == -1);
}

// A death and the respawn after it are no new fighter: what the fighter scored stays in its row.
TEST_F(FighterLifeTest, ARespawnKeepsTheFightersResultRow) {
    g_Scenario.ResetResults();
    Character& c = Spawned(1, 0, Vec3{4.5f, 0, 4.5f});
    const uint32_t* row = g_Scenario.results + FighterResultIndex(1, 0);
    c.AddCredits(40);
    g_Match.RecordKill(-1, 1, -1);
    const std::vector<uint32_t> scored(row, row + RESULT_FIGHTER_FIELDS);
    ASSERT_EQ(scored[FIGHTER_POINTS], 40u);
    c.Die();
    c.Respawn();
    EXPECT_EQ(std::vector<uint32_t>(row, row + RESULT_FIGHTER_FIELDS), scored);
}

// A fighter whose player left ends what it had going, as at a death, and nothing that outlives it
// names its record: the next fighter given the slot would score its hits and draw its seekers.
TEST_F(FighterLifeTest, AFighterThatLeavesStopsItsGlowsAndNoEffectOrPropNamesItsRecord) {
    Character& gone = Spawned(2, 0, Vec3{4.5f, 0, 4.5f});
    Character& other = Spawned(3, 1, Vec3{8.5f, 0, 8.5f});
    gone.playerId = 43;
    const auto [charge, glow] = HoldGlows(gone, 1);
    const Vec3 zero{0, 0, 0};
    const int32_t shot = CreateEffect(-1, 50, gone.position, other.position, zero, zero, zero, 3000, 0.0f, 0, &gone);
    const int32_t seeker = CreateEffect(-1, 8, other.position, gone.position, zero, zero, zero, 3000, 0.0f, 0, &other);
    ASSERT_TRUE(shot >= 0 && seeker >= 0);
    EffectSlotSetTarget(seeker, &gone);
    DynamicObject& ball = g_Balls[PROP_BALL_COUNT - 1];
    DynamicObject& box = g_Boxes[PROP_BOX_COUNT - 1];
    DynamicObject& othersBall = g_Balls[0];
    ball.owner = box.owner = &gone;
    othersBall.owner = &other;

    RemovePlayerCharacters(43);
    EXPECT_EQ(gone.active, 0);
    EXPECT_TRUE(Recorder().effects[charge].stopped && Recorder().effects[glow].stopped);
    EXPECT_EQ(Recorder().effects[shot].owner, nullptr);
    EXPECT_EQ(Recorder().effects[seeker].target, nullptr);
    EXPECT_EQ(Recorder().effects[seeker].owner, &other) << "the other fighter's own effect stays its";
    EXPECT_EQ(ball.owner, nullptr);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(othersBall.owner, &other);
    ball.owner = box.owner = othersBall.owner = nullptr;
}

// A glow that ended freed its slot, which the next effect made takes, another fighter's glow
// here: the fighter whose glow it was neither drags it along nor stops it, and lets go of it.
TEST_F(FighterLifeTest, AGlowsSlotTakenByAnotherFightersEffectIsNoLongerTheFightersOwn) {
    Character& first = Spawned(2, 0, Vec3{4.5f, 0, 4.5f});
    Character& second = Spawned(3, 1, Vec3{8.5f, 0, 8.5f});
    const int32_t glow = HoldGlows(first, 1).second;
    EffectSlotFree(glow);
    const Vec3 zero{0, 0, 0}, at{8.5f, 2.0f, 8.5f};
    ASSERT_EQ(CreateEffect(glow, 71, at, at, zero, zero, zero, EFFECT_ENDLESS, 0.0f, 0, &second), glow);
    first.UpdatePowers();
    const Vec3 p = Recorder().effects[glow].position;
    EXPECT_TRUE(p.x == at.x && p.y == at.y && p.z == at.z) << "moved to the fighter whose glow had the slot";
    EXPECT_EQ(first.attachedEffect, EFFECT_NO_SLOT);
    for (const auto& [name, gone] : std::initializer_list<std::pair<const char*, void (*)(Character&)>>{
             {"death", [](Character& c) { c.Die(); }},
             {"leave", [](Character& c) { c.LeaveMatch(); }}}) {
        SCOPED_TRACE(name);
        first.attachedEffect = glow;
        gone(first);
        EXPECT_FALSE(Recorder().effects[glow].stopped) << "another fighter's glow stopped";
        EXPECT_EQ(EffectSlotOwner(glow), &second);
    }
}

TEST_F(FighterLifeTest, ADeadSymbolCarrierWithNowhereToDropItSendsItHome) {
    g_Match.gameKind = 0;
    AimCamera(1, 2, 3, 0, 0, 0);
    const struct {
        const char* name;
        bool onTheMap;
        size_t sounds;
    } cases[] = {{"on a cell", true, 0}, {"off the map", false, 1}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Recorder().sounds.clear();
        Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
        g_Match.symbols[1].carrier = &c;
        // Far enough off the grid that no cell within five rings lies on it.
        if (!t.onTheMap) c.currentCell = CellRef{-100, -100, -1};
        SetTime(kStartTime + 5);
        c.Die();
        EXPECT_EQ(c.dead, 1);
        EXPECT_EQ(c.deathTime, kStartTime + 5);
        ASSERT_EQ(Recorder().sounds.size(), t.sounds);
        if (!t.sounds) continue;
        EXPECT_EQ(Recorder().sounds[0].id, 251);
        EXPECT_TRUE(Recorder().sounds[0].hasPosition);
        EXPECT_NEAR(Recorder().sounds[0].position.z, 3.0f, 1e-5f);
    }
}

}  // namespace
}  // namespace fightertest
