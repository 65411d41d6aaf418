// The per-frame update: which steps run on which machine, and its own small steps.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "scene/animation.h"
#include "scene/bone.h"
#include "scene/camera.h"
#include "support/fighter_fixture.h"

namespace fightertest {
namespace {

using S = UpdateStep;

std::vector<S>& Ran() {
    static std::vector<S> steps;
    return steps;
}

std::vector<S> Without(std::vector<S> steps, std::initializer_list<S> gone) {
    for (S g : gone) steps.erase(std::remove(steps.begin(), steps.end(), g), steps.end());
    return steps;
}

class FighterUpdateTest : public FighterTest {
protected:
    void Watch() {
        Ran().clear();
        SetUpdateStepObserver([](Character&, UpdateStep step) { Ran().push_back(step); });
    }
};

TEST_F(FighterUpdateTest, EachMachineRunsItsStepsForEachFighter) {
    const std::vector<S> all = {
        S::ClearContacts, S::Ground,      S::Velocity,      S::RootDisplacement,    S::Perception,
        S::States,        S::LevelUpGlow, S::Physics,       S::MeleeHits,           S::Behaviour,
        S::PathMove,      S::JumpFlight,  S::CollectItems,  S::Powers,              S::ScenarioZones,
        S::AnimationEnd,  S::IdleAnimation, S::BodiesFromAnimation, S::MoveWithCollision, S::ServePathRequest,
        S::Death,         S::AnimationSounds, S::PreviousPosition, S::SettleOnGround,
    };
    const std::initializer_list<S> computer = {S::Behaviour, S::PathMove};
    const struct {
        const char* name;
        bool network, hosting, local, dead;
        std::vector<S> steps;
        float health = 100.0f;
    } cases[] = {
        {"offline computer fighter", false, false, false, false, all},
        {"offline local fighter", false, false, true, false, Without(all, computer)},
        {"offline, dead", false, false, false, true,
         Without(all, {S::MeleeHits, S::Behaviour, S::PathMove, S::JumpFlight, S::CollectItems, S::Powers,
                       S::IdleAnimation, S::BodiesFromAnimation})},
        // Killed, its death still to come: it strikes and throws no more.
        {"offline, killed", false, false, false, false, Without(all, {S::MeleeHits, S::BodiesFromAnimation}), 0.0f},
        {"host, local fighter", true, true, true, false, Without(all, computer)},
        {"host, remote fighter", true, true, false, false, Without(all, {S::Behaviour, S::PathMove, S::AnimationEnd,
                                                                        S::IdleAnimation})},
        {"host, remote fighter killed", true, true, false, false,
         Without(all, {S::MeleeHits, S::Behaviour, S::PathMove, S::AnimationEnd, S::IdleAnimation,
                       S::BodiesFromAnimation}),
         0.0f},
        {"client, local fighter", true, false, true, false,
         Without(all, {S::MeleeHits, S::Behaviour, S::PathMove, S::CollectItems, S::BodiesFromAnimation})},
        {"client, remote fighter", true, false, false, false,
         Without(all, {S::MeleeHits, S::Behaviour, S::PathMove, S::CollectItems, S::AnimationEnd, S::IdleAnimation,
                       S::BodiesFromAnimation})},
    };
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    Watch();
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Network(t.network, t.hosting);
        Recorder().local = t.local ? &c : nullptr;
        c.dead = t.dead ? 1 : 0;
        c.health = t.health;
        // Rising through the frame, so that its death stays to come.
        c.airborne = t.health > 0.0f ? 0 : 1;
        c.jumpVelocity = Vec3{0.0f, t.health > 0.0f ? 0.0f : 5.0f, 0.0f};
        Ran().clear();
        EXPECT_TRUE(c.Update(20));
        EXPECT_EQ(Ran(), t.steps);
    }
    c.active = 0;
    Ran().clear();
    EXPECT_FALSE(c.Update(20));
    EXPECT_TRUE(Ran().empty());
}

TEST_F(FighterUpdateTest, AFighterDespawnedByItsStatesStepEndsTheUpdate) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    Ran().clear();
    SetUpdateStepObserver([](Character& f, UpdateStep step) {
        Ran().push_back(step);
        if (step == UpdateStep::States) f.Despawn();
    });
    EXPECT_TRUE(c.Update(20));
    EXPECT_EQ(Ran().back(), S::States);
    EXPECT_EQ(c.model, nullptr);
}

TEST_F(FighterUpdateTest, RootVelocityIsTheRootDisplacementOverTheFrameTime) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    Play(c, 21, 1);
    Advance(100);   // three frames of a run whose root moves 0.3 a frame
    const struct {
        float seconds, velocity;
    } cases[] = {{0.02f, 45.0f}, {0.0f, 0.0f}, {0.00009f, 0.0f}, {-0.00009f, 0.0f}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.seconds);
        Recorder().frameSeconds = t.seconds;
        c.Update(20);
        EXPECT_NEAR(c.rootDisplacement.z, 0.9f, 1e-4f);
        EXPECT_NEAR(c.rootVelocity.z, t.velocity, 1e-2f);
        EXPECT_FALSE(std::isnan(c.rootVelocity.x));
    }
}

TEST_F(FighterUpdateTest, TheGroundHoldsTheFeetUnlessItLiesMoreThanPointNineBelow) {
    const struct {
        const char* name;
        float height;
        bool airborne, remoteOnClient;
        float y;
        bool falls;
    } cases[] = {
        {"0.5 above", 0.5f, false, false, 0.0f, false},
        {"0.9 above", 0.9f, false, false, 0.0f, false},
        {"0.95 above", 0.95f, false, false, 0.95f, true},
        {"airborne", 0.5f, true, false, 0.5f, false},
        {"remote on a client", 0.95f, false, true, 0.95f, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
        Network(t.remoteOnClient, false);
        c.airborne = t.airborne ? 1 : 0;
        c.model->heightOffset = t.height;
        c.previousPosition = Vec3{c.position.x, t.height, c.position.z};
        c.UpdateGround(true);
        EXPECT_NEAR(c.position.y, t.y, 1e-4f);
        EXPECT_EQ(c.airborne, t.falls || t.airborne ? 1 : 0);
        EXPECT_EQ(c.model->rootMotion, t.falls ? 0 : 1);
        Network(false, false);
    }
}

TEST_F(FighterUpdateTest, TheSlopeIsTheDownhillDirectionAndLevelGroundHasNone) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    c.UpdateGround(true);
    EXPECT_FLOAT_EQ(c.groundNormal.y, 1.0f);
    EXPECT_EQ(Vec3Length(c.slopeVector), 0.0f);
    // The ramp rises by 0.5 along +x: normal (-1, 2, 0) / sqrt 5, downhill (-2, -1, 0) / sqrt 5.
    c.SetPosition(18.0f, 1.0f, 4.5f, false);
    c.previousPosition = c.position;
    c.UpdateGround(true);
    const float r5 = std::sqrt(5.0f);
    EXPECT_NEAR(c.groundNormal.y, 2.0f / r5, 1e-4f);
    EXPECT_NEAR(c.slopeVector.x, -2.0f / r5, 1e-4f);
    EXPECT_NEAR(c.slopeVector.y, -1.0f / r5, 1e-4f);
    EXPECT_EQ(c.groundContact, 1);
}

TEST_F(FighterUpdateTest, AComputerFighterWalksOffALedgeItsPathLeadsDown) {
    const struct {
        const char* name;
        float drop;
        bool sameCell, following, local, network;
        float ground;
    } cases[] = {
        {"1.6 down on its cell", 1.6f, true, true, false, false, -2000.0f},
        {"1.5 down", 1.5f, true, true, false, false, 2.0f},
        {"target on another cell", 1.6f, false, true, false, false, 2.0f},
        {"not following", 1.6f, true, false, false, false, 2.0f},
        {"the local fighter", 1.6f, true, true, true, false, 2.0f},
        {"in a network game", 1.6f, true, true, false, true, 2.0f},
    };
    Character& c = Spawned(0, 0, Vec3{23.5f, 2.0f, 4.3f});
    ASSERT_EQ(c.currentCell.x, 23);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Network(t.network, true);
        Recorder().local = t.local ? &c : nullptr;
        c.following = t.following ? 1 : 0;
        c.targetCell = t.sameCell ? c.currentCell : CellRef{22, 4, 0};
        c.waypoints[1] = Vec3{23.5f, c.position.y - t.drop, 4.5f};
        EXPECT_NEAR(c.GroundHeight(23.5f, 2.0f, 4.5f, nullptr, nullptr), t.ground, 1e-4f);
    }
}

TEST_F(FighterUpdateTest, AnAnimatedModelSettlesOnFlatGroundCloseBelowItsRoot) {
    const struct {
        const char* name;
        Vec3 at;
        float height;
        bool posed;
        float settled;
    } cases[] = {
        {"1.4 above the floor", {4.5f, 0, 4.5f}, 1.4f, true, 0.0f},
        {"1.5 above the floor", {4.5f, 0, 4.5f}, 1.5f, true, 1.5f},
        {"over the ramp", {18.0f, 1.0f, 4.5f}, 1.5f, true, 1.5f},
        {"not posed from its animation", {4.5f, 0, 4.5f}, 1.0f, false, 1.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Spawned(0, 0, t.at);
        Play(c, 0, 0);
        Advance(40);
        c.airborne = 1;   // the per-frame ground snap leaves it alone
        Recorder().frameSeconds = 0.0f;   // and a frame of no time no flight moves it
        c.model->heightOffset = t.height;
        c.model->applyRootMotion = t.posed ? 1 : 0;
        c.Update(20);
        EXPECT_NEAR(c.model->heightOffset, t.settled, 1e-4f);
    }
}

TEST_F(FighterUpdateTest, ABlendIntoAWalkKeepsTheModelInItsPlace) {
    // Far from the world's origin, so that a pull towards the walk's own root track would show.
    Character& c = Spawned(0, 0, Vec3{12.5f, 0, 12.5f});
    Play(c, 0, 0);
    Advance(40);
    c.model->UpdatePose(false);
    const Vec3 before = c.model->position;
    ASSERT_TRUE(c.model->PlayAnimation(0, 21, 200, 30.0f, true));
    for (int frame = 0; frame < 5; ++frame) {
        Advance(33);
        c.model->UpdatePose(false);
        // Facing +z, the walk's 0.3 a frame leads forward by the blend's share; nothing pulls the
        // model sideways or back.
        EXPECT_NEAR(c.model->position.x, before.x, 1e-4f) << frame;
        EXPECT_GE(c.model->position.z, before.z) << frame;
        EXPECT_LE(c.model->position.z, before.z + 0.3f * float(frame + 1)) << frame;
    }
}

TEST_F(FighterUpdateTest, HealthSpentInTheAirKillsOnTheFrameAfterLanding) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    c.health = 0.0f;
    c.airborne = 1;
    c.jumpVelocity = Vec3{0.0f, 5.0f, 0.0f};   // still rising at the end of the frame
    c.Update(20);
    EXPECT_EQ(c.dead, 0);
    c.airborne = 0;
    SetTime(kStartTime + 20);
    c.Update(20);
    EXPECT_EQ(c.dead, 1);
    EXPECT_EQ(c.deathTime, kStartTime + 20);
}

TEST_F(FighterUpdateTest, TheDetailLevelFollowsTheCameraDistanceAndTheLowestAllowed) {
    const struct {
        float distance;
        int minimum;
        int level;
    } cases[] = {
        {9.9f, 0, 0},  {10.0f, 0, 1}, {9.0f, 1, 1},  {20.9f, 1, 1}, {21.0f, 0, 2}, {5.0f, 2, 2},
        {31.9f, 2, 2}, {32.0f, 0, 3}, {5.0f, 3, 3},  {42.9f, 3, 3}, {43.0f, 0, 4}, {5.0f, 4, 4},
    };
    // Bone 6 and another of the eighteen: level 1 keeps the fine bones' last pose, the coarse
    // levels stop posing below bone 6.
    const uint8_t flags[MODEL_LOD_COUNT][2] = {{0, 0}, {0, 1}, {2, 0}, {2, 0}, {2, 0}};
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.distance) + " at minimum " + std::to_string(t.minimum));
        g_ModelQuality = t.minimum;
        g_Scene.camera->eye = Vec3Add(c.position, Vec3{0.0f, 0.0f, t.distance});
        c.SelectLevelOfDetail();
        EXPECT_EQ(c.model->lod, t.level);
        EXPECT_EQ(c.model->bones[6]->poseFlags, flags[t.level][0]);
        EXPECT_EQ(c.model->bones[50]->poseFlags, flags[t.level][1]);
        EXPECT_EQ(c.model->bones[7]->poseFlags, 0);
    }
}

TEST_F(FighterUpdateTest, ALevelUpGlowsLongerThanFortyFramesAndSprays200Sparks) {
    const struct {
        int side;
        int32_t frames;
        int32_t type;
        int32_t glowMs;
    } cases[] = {{0, 60, 79, 666}, {1, 60, 80, 666}, {0, 30, 79, 0}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.side) + ", " + std::to_string(t.frames) + " frames");
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        g_Scene.GetAnimation(datakit::KIT_ANIMATION_GROUP, 195)->length = t.frames;
        Character& c = Spawned(0, t.side, Vec3{4.5f, 0, 4.5f});
        Play(c, 195, 14);
        Advance(400);   // to frame 12
        c.Update(20);
        EXPECT_TRUE(Recorder().created.empty());
        Advance(200);   // past frame 15
        c.Update(20);
        const std::vector<int32_t> glow = Recorder().CreatedOfType(t.type);
        ASSERT_EQ(glow.size(), 1u);
        const testsupport::KitEffectSlot& g = Recorder().effects[glow[0]];
        EXPECT_EQ(g.durationMs, t.glowMs);
        EXPECT_FALSE(g.cullBoxOn);
        EXPECT_EQ(c.attachedEffect, glow[0]);
        const std::vector<int32_t> sparks = Recorder().CreatedOfType(42);
        ASSERT_EQ(sparks.size(), 200u);
        for (int32_t s : sparks) {
            const testsupport::KitEffectSlot& e = Recorder().effects[s];
            const Vec3 d = Vec3Sub(e.position, c.position);
            EXPECT_TRUE(std::fabs(d.x) <= 15.0f && d.y >= -5.0f && d.y <= 15.0f && std::fabs(d.z) <= 15.0f);
            EXPECT_NEAR(e.aimPoint.y, c.position.y + 1.5f, 1e-5f);
            EXPECT_NEAR(Vec3Length(e.velocity), 12.0f, 1e-3f);
            EXPECT_GE(e.velocity.y, 0.0f);
            EXPECT_EQ(e.owner, &c);
        }
        Advance(200);
        c.Update(20);
        EXPECT_EQ(Recorder().created.size(), 201u);
    }
}

TEST_F(FighterUpdateTest, TheLevelUpGlowRidesOnTheUpperBodyUntilItEnds) {
    Character& c = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    Play(c, 195, 14);
    Advance(600);
    c.Update(20);
    const int32_t glow = c.attachedEffect;
    ASSERT_NE(glow, -1);
    Advance(20);
    // Posed where it stands: the upper body is one unit above the model's place.
    c.model->applyRootMotion = 0;
    c.model->UpdatePose(true);
    ++g_FrameStats.frameCounter;
    c.Update(20);
    const Vec3 at = Recorder().effects[glow].position;
    EXPECT_NEAR(at.x, c.model->position.x, 1e-4f);
    EXPECT_NEAR(at.y, datakit::KIT_UPPER_BODY_HEIGHT, 1e-4f);
    EXPECT_NEAR(at.z, c.model->position.z, 1e-4f);
    Recorder().effects[glow].active = false;
    c.Update(20);
    EXPECT_EQ(c.attachedEffect, -1);
}

}  // namespace
}  // namespace fightertest
