// What the power effects do to the fighters and props they meet: damage with its reactions,
// experience and sparks, the host's authority, prop pushes, the projectiles' flight and hits, and
// the channelled powers' step. The world's ray is scripted; the fighters are the kit's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "effect_fixture.h"
#include "effects/effect_list.h"
#include "effects/effect_pool.h"
#include "effects/effects.h"
#include "fighters/power_table.h"
#include "support/fighter_fixture.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"

namespace {

using testsupport::Recorder;

// What the world's ray answers, and what it was last asked.
struct RayScript {
    bool hit = false;
    SegmentHit at;
    int calls = 0;
    Vec3 from{}, direction{};
    float length = 0.0f;
} g_Script;
RayScript& Script() { return g_Script; }

class EffectHitTest : public fightertest::FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        ResetEffectPool();
        Script() = RayScript{};
        g_EffectHitCalls.rayQuery = [](const Vec3& from, const Vec3& dir, float length, Character*, SegmentHit* out) {
            g_Script = {g_Script.hit, g_Script.at, g_Script.calls + 1, from, dir, length};
            if (g_Script.hit) *out = g_Script.at;
            return g_Script.hit;
        };
    }
    void TearDown() override {
        ResetEffectPool();
        ResetDynamicObjects();
        FighterTest::TearDown();
    }
    Character& Fighter(int slot, int side, const Vec3& at) { return PlainFighter(slot, side, at); }
    static EffectSlot& Pooled(int type, const Vec3& at, const Vec3& velocity, Character* owner) {
        const int32_t s = CreateEffectInPool({.type = type, .position = at, .aimPoint = at, .velocity = velocity,
                                              .durationMs = EFFECT_ENDLESS, .owner = owner});
        EXPECT_GE(s, 0);
        return g_EffectSlots[s < 0 ? 0 : s];
    }
    // A slot outside the pool: its hits, without a compound effect.
    static bool Hit(int type, Character* owner, Character* victim, const Vec3& at, float damage) {
        EffectSlot s;
        s.active = 1;
        s.type = type;
        s.owner = owner;
        return s.DamageCharacter(victim, at, damage);
    }
    static DynamicObject& Ball(const Vec3& at) {
        DynamicObject& ball = g_Balls[0];
        ball.mesh = new DynamicMesh();
        g_Scene.objects->Add(ball.mesh);
        ball.position = at;
        ball.radius = 1.0f;
        ball.mass = 840.0f;
        return ball;
    }
    // The reaction code of the last apply-hit event (type, slots, damage, point, then the code);
    // kNoEvent when none was sent.
    static constexpr int32_t kNoEvent = 99;
    static int32_t LastReaction() {
        int32_t code = kNoEvent;
        for (const auto& e : Recorder().events)
            if (e.size() >= 23 && e[0] == 22) std::memcpy(&code, e.data() + 19, 4);
        return code;
    }
};

TEST_F(EffectHitTest, OwnProjectilesSpareTheCasterAndHisOwnExplosionHurtsHim) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    Character& b = Fighter(1, 1, {6, 0, 4});
    EXPECT_FALSE(Hit(0, &a, &a, a.position, 5));
    EXPECT_FLOAT_EQ(a.health, 100.0f);
    EXPECT_TRUE(Hit(32, &a, &a, a.position, 5));
    EXPECT_FLOAT_EQ(a.health, 95.0f);
    // Without an owner the explosion hits 7 times as hard.
    EXPECT_TRUE(Hit(32, nullptr, &b, b.position, 2));
    EXPECT_FLOAT_EQ(b.health, 86.0f);
    // Neither a zero power nor a zero constitution divides by zero.
    a.power = 0.0f;
    Hit(32, &a, &b, b.position, 1);
    EXPECT_TRUE(b.health < 86.0f && b.health > 85.9f && std::isfinite(a.experience));
    a.power = 1.0f;
    b.constitution = 0.0f;
    Hit(32, &a, &b, b.position, 1);
    EXPECT_FLOAT_EQ(b.health, 0.0f);
}

TEST_F(EffectHitTest, AGuardedHitTakesATenthAndAnswersMinusTwoOnlyNearFrameFour) {
    Network(true, true);
    Character& a = Fighter(0, 0, {4, 0, 4});
    Character& b = Fighter(1, 1, {4, 0, 6});
    a.power = 2.0f;
    Play(b, 149, 8);
    for (float frame : {4.0f, 7.5f}) {
        b.health = 100.0f;
        a.experience = 0.0f;
        b.model->SetAnimationFrame(0, frame, true);
        EXPECT_TRUE(Hit(0, &a, &b, {4, 1, 6}, 15));
        const bool guarded = frame == 4.0f;
        EXPECT_NEAR(b.health, guarded ? 97.0f : 70.0f, 1e-4f);
        EXPECT_NEAR(a.experience, guarded ? 0.25f : 2.5f, 1e-4f);
        EXPECT_EQ(LastReaction(), guarded ? -2 : -1);
    }
}

TEST_F(EffectHitTest, EachSidesShotsDealTheirOwnPowersDamageAndOnlyBasicShotsCanBeGuarded) {
    // Power and constitution 1: the loss is the damage of the shot's own power row.
    const struct {
        int type, side;
        float damage;
        bool guardable;
    } cases[] = {{0, 0, 5.0f, true}, {10, 1, 8.0f, true}, {3, 0, 10.0f, false}, {13, 1, 20.0f, false}};
    Script().hit = true;
    Script().at.point = {4, 1, 6};
    Script().at.normal = {0, 0, -1};
    int slot = 0;
    for (const auto& c : cases) {
        for (bool guarding : {false, true}) {
            SCOPED_TRACE(testing::Message() << "type " << c.type << (guarding ? " on a guard" : ""));
            Character& a = Fighter(slot++, c.side, {4, 0, 2});
            Character& b = Fighter(slot++, 1 - c.side, {4, 0, 6});
            if (guarding) {
                Play(b, 149, 8);
                b.model->SetAnimationFrame(0, 4.0f, true);
            }
            Script().at.fighter = &b;
            Recorder().frameSeconds = 0.1f;
            EffectSlot& s = Pooled(c.type, {4, 1, 5}, {0, 0, 10}, &a);
            s.UpdateProjectile(true);
            const float loss = guarding && c.guardable ? 0.1f * c.damage : c.damage;
            EXPECT_NEAR(b.health, 100.0f - loss, 1e-4f);
        }
    }
}

TEST_F(EffectHitTest, ACastersOwnShotFliesThroughHimAndOnlyDamagingShotsPushProps) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    Recorder().frameSeconds = 0.1f;
    Script().hit = true;
    Script().at.point = {4, 1, 4.5f};
    Script().at.normal = {0, 0, -1};
    Script().at.fighter = &a;
    EffectSlot& own = Pooled(0, {4, 1, 4}, {0, 0, 10}, &a);
    own.UpdateProjectile(true);
    EXPECT_FALSE(own.stopped);
    EXPECT_FLOAT_EQ(a.health, 100.0f);
    // A ball in the way: the ice sweep leaves it lying, a basic shot pushes it away.
    DynamicObject& ball = Ball({4, 1, 6});
    Script().at.fighter = nullptr;
    Script().at.prop = &ball;
    Script().at.point = {4, 1, 5.5f};
    EffectSlot& sweep = Pooled(6, {4, 1, 4}, {}, &a);
    SetTime(fightertest::kStartTime + 300);
    sweep.Update();
    ASSERT_GE(Script().calls, 2) << "the sweep reached the ball";
    EXPECT_EQ(ball.state, uint32_t(PROP_RESTING));
    EXPECT_EQ(Vec3Length(ball.velocity), 0.0f);
    Pooled(0, {4, 1, 5}, {0, 0, 10}, &a).UpdateProjectile(true);
    EXPECT_NE(ball.state, uint32_t(PROP_RESTING));
    EXPECT_GT(ball.velocity.z, 0.0f);
}

TEST_F(EffectHitTest, ThirtyPointsOfExperienceSendFiftySparksAndTypeNineHalf) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    Character& b = Fighter(1, 1, {8, 0, 4});
    a.maxExperience = 1000.0f;
    for (int type : {2, 9}) {
        Recorder().Clear();
        b.health = 100.0f;
        Hit(type, &a, &b, {8, 1, 4}, 90);
        const auto sparks = Recorder().CreatedOfType(42);
        EXPECT_EQ(sparks.size(), type == 9 ? 25u : 50u);
        for (int32_t k : sparks) {
            EXPECT_NEAR(Vec3Length(Recorder().effects[k].velocity), 12.0f, 1e-3f);
            efftest::ExpectNear(Recorder().effects[k].aimPoint, Vec3Add(a.position, {0, 0.75f, 0}));
        }
    }
}

TEST_F(EffectHitTest, ReactionCodesFollowTheLossTheSideOfTheHitAndTheVictimsState) {
    Network(true, true);
    Character& a = Fighter(0, 0, {0, 0, -5});
    Character& b = Fighter(1, 1, {4, 0, 4});
    const Vec3 ahead{4, 1, 5}, behind{4, 1, 3}, left{3, 1, 4}, right{5, 1, 4};
    const struct { int type; float damage; Vec3 at; int code; } cases[] = {
        {2, 5.0f, ahead, 115},  {2, 5.5f, behind, 120}, {2, 10.0f, left, 121}, {2, 10.5f, right, 133},
        {3, 1.0f, ahead, 130},  {1, 20.0f, ahead, -1},   {10, 1.0f, ahead, -1},
    };
    for (const auto& c : cases) {
        b.health = 100.0f;
        Hit(c.type, &a, &b, c.at, c.damage);
        EXPECT_EQ(LastReaction(), c.code) << c.type << " " << c.damage;
    }
    EXPECT_TRUE(std::any_of(Recorder().sounds.begin(), Recorder().sounds.end(),
                            [](const testsupport::RecordedSound& r) { return r.id == 243; }));
    b.knockedDown = 1;
    Hit(2, &a, &b, ahead, 1.0f);
    EXPECT_EQ(LastReaction(), 124);
    b.knockedDown = 0;
    b.actionClass = 14;
    b.health = 100.0f;
    Hit(2, &a, &b, ahead, 50.0f);
    EXPECT_EQ(LastReaction(), -3);
    EXPECT_FLOAT_EQ(b.health, 100.0f);
}

TEST_F(EffectHitTest, OnlyTheHostDecidesAndALocalVictimTakesTheHitAtOnce) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    Character& b = Fighter(1, 1, {6, 0, 4});
    DynamicObject& ball = Ball({10, 1, 10});
    EffectSlot push;
    Network(true, false);
    EXPECT_TRUE(Hit(2, &a, &b, b.position, 10));
    EXPECT_FALSE(push.PushProp(&ball, {1, 0, 0}, 50));
    EXPECT_TRUE(b.health == 100.0f && ball.state == PROP_RESTING && Recorder().events.empty());
    // k = force / (radius x 50).
    Network(true, false, true);
    EXPECT_TRUE(push.PushProp(&ball, {1, 0, 0}, 50));
    EXPECT_NEAR(ball.velocity.x, -1.0f, 1e-5f);
    Network(true, true);
    Recorder().local = &b;
    Hit(2, &a, &b, b.position, 10);
    EXPECT_FLOAT_EQ(b.health, 90.0f);
    EXPECT_EQ(LastReaction(), kNoEvent);
}

TEST_F(EffectHitTest, ABombBesideARestingUnitBallWakesItAndRollsItAway) {
    Character& a = Fighter(0, 0, {0, 0, 0});
    DynamicObject& ball = Ball({6, 1, 4});
    Pooled(32, {4, 1, 4}, {}, &a);
    EXPECT_EQ(ball.state, uint32_t(PROP_ROLLING));
    EXPECT_GT(ball.velocity.x, 0.2f);
}

TEST_F(EffectHitTest, SteeringKeepsTheSpeedAndASeekerWhoseTargetDiedKeepsItsLastAim) {
    Recorder().frameSeconds = 0.05f;
    EffectSlot& s = Pooled(19, {0, 0, 0}, {0, 0, 10}, nullptr);
    s.aimPoint = {10, 0, 0};
    s.Update();
    // t = unit(10, 0, -0.5); u = (0, 0, 1) + 0.35 t; v = 10 unit(u).
    efftest::ExpectNear(s.velocity, {3.3520f, 0, 9.4215f}, 2e-3f);
    Character& b = Fighter(1, 1, {8, 0, 8});
    s.target = &b;
    s.Update();
    const Vec3 aim = Vec3Add(b.position, {0, 0.75f, 0});
    efftest::ExpectNear(s.aimPoint, aim);
    b.dead = 1;
    b.position = {2, 0, 2};
    s.Update();
    efftest::ExpectNear(s.aimPoint, aim);
}

TEST_F(EffectHitTest, RangeLimitedShotsStopPastTheirRangeOrWithoutAnOwner) {
    Character& a = Fighter(0, 0, {0, 0, 0});
    Recorder().frameSeconds = 0.05f;
    const EffectSlot& far = Pooled(0, {0, 1, 199.9f}, {0, 0, 10}, &a);
    const EffectSlot& near = Pooled(0, {0, 1, 100}, {0, 0, 10}, &a);
    const EffectSlot& orphan = Pooled(0, {0, 1, 10}, {}, nullptr);
    // The pool's own step: the kit's effect calls stand in for the rest of the pool.
    for (EffectSlot& s : g_EffectSlots)
        if (s.active) s.Update();
    EXPECT_TRUE(far.stopped && !near.stopped && orphan.stopped);
    // The still one tested nothing.
    EXPECT_EQ(Script().calls, 2);
}

TEST_F(EffectHitTest, HitsLeaveTheirEffectSoundAndStainButLavaTakesNoStain) {
    Character& a = Fighter(0, 0, {0, 0, 0});
    Recorder().frameSeconds = 0.1f;
    Script().hit = true;
    Script().at.point = {4, 0.5f, 6};
    Script().at.normal = {0, 1, 0};
    for (bool lava : {true, false}) {
        Recorder().Clear();
        Recorder().frameSeconds = 0.1f;
        Script().at.special = lava;
        EffectSlot& s = Pooled(0, {4, 1, 5}, {0, -5, 10}, &a);
        s.Update();
        EXPECT_TRUE(s.stopped && Vec3Length(s.velocity) == 0.0f);
        efftest::ExpectNear(s.position, {4, 0.55f, 6});
        EXPECT_EQ(Recorder().CreatedOfType(20).size(), 1u);
        EXPECT_EQ(Recorder().decals, lava ? 0 : 1);
        EXPECT_TRUE(!Recorder().sounds.empty() && Recorder().sounds.back().id == 154);
    }
    Recorder().Clear();
    Recorder().frameSeconds = 0.1f;
    Pooled(18, {4, 1, 5}, {0, -5, 10}, &a).Update();
    ASSERT_EQ(Recorder().CreatedOfType(32).size(), 1u);
    EXPECT_EQ(Recorder().effects[Recorder().CreatedOfType(32)[0]].owner, &a);
    EXPECT_EQ(Recorder().decals, 1);
    EXPECT_TRUE(Recorder().sounds.back().id >= 240 && Recorder().sounds.back().id <= 242);
    // The search object only marks the fighter it meets: no damage, no reaction, no stop.
    Character& b = Fighter(1, 1, {4, 0, 6});
    Script().at.fighter = &b;
    EffectSlot& seeker = Pooled(65, {4, 1, 5}, {0, 0, 10}, nullptr);
    seeker.UpdateProjectile(true);
    EXPECT_EQ(Recorder().CreatedOfType(81).size(), 1u);
    EXPECT_TRUE(!seeker.stopped && b.health == 100.0f && Recorder().CreatedOfType(40).empty());
}

TEST_F(EffectHitTest, AFrozenOwnerStopsTheBeamAndItsHitsComeEveryFiftyMilliseconds) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    Character& b = Fighter(1, 1, {4, 0, 8});
    a.upperAnimation = 173;
    Script().hit = true;
    Script().at.point = {4, 1, 8};
    Script().at.fighter = &b;
    EffectSlot& s = Pooled(1, {4, 1, 4}, {}, &a);
    int hits = 0;
    for (uint32_t t : {20u, 51u, 90u, 102u}) {
        const float before = b.health;
        SetTime(fightertest::kStartTime + t);
        s.Update();
        hits += b.health < before;
    }
    EXPECT_TRUE(hits == 2 && !s.stopped);
    a.states[STATE_FREEZE].active = 1;
    s.Update();
    EXPECT_TRUE(s.stopped);
}

// A caster whose player leaves mid-beam: the beam, which only its owner can end, stops at once and
// its slot frees as its children end; so do a spark flying back to him and a seeker after him,
// which would circle where he stood. The fighter next given the slot, casting a beam of its own,
// is not their owner. On the host and on a client that hears the leave from it.
TEST_F(EffectHitTest, TheBeamOfACasterWhosePlayerLeavesAndTheSparksAndSeekersAfterHimEndAndFreeTheirSlots) {
    ResetEffectCalls();
    for (bool host : {true, false}) {
        SCOPED_TRACE(host ? "host" : "client");
        Network(true, host);
        Character& a = Fighter(0, 0, {4, 0, 4});
        a.playerId = 43;
        a.upperAnimation = 173;
        EffectSlot& beam = Pooled(1, {4, 1, 4}, {}, &a);
        const int32_t s = CreateEffectInPool({.type = 42, .position = {4, 1, 9}, .aimPoint = {4, 1.75f, 4},
                                              .velocity = {0, 0, 12}, .durationMs = EFFECT_ENDLESS, .owner = &a});
        ASSERT_GE(s, 0);
        EffectSlot& spark = g_EffectSlots[s];
        Character& b = Fighter(1, 1, {4, 0, 12});
        std::vector<EffectSlot*> seekers;
        for (int type : {8, 18, 19}) {
            seekers.push_back(&Pooled(type, {4, 1, 12}, {0, 0, -10}, &b));
            seekers.back()->target = &a;
        }
        auto frame = [] {
            UpdateEffects(16);
            g_Scene.effects->Update(16);
        };
        frame();
        ASSERT_TRUE(beam.active && !beam.stopped && spark.active && !spark.stopped);

        Recorder().events.clear();
        if (host) {
            RemovePlayerCharacters(43);
        } else {
            const std::vector<uint8_t> leave = {EVENT_REMOVE_PLAYER, 43, 0, 0, 0};
            Receive({leave});
        }
        ASSERT_EQ(a.active, 0);
        Character& next = Fighter(0, 0, {4, 0, 4});
        next.upperAnimation = 173;
        // Their last particles fade within a second and a half.
        for (int i = 0; i < 90; ++i) frame();
        EXPECT_EQ(beam.active, 0) << "the beam still holds its slot";
        EXPECT_EQ(spark.active, 0) << "the spark still holds its slot";
        for (const EffectSlot* seeker : seekers) EXPECT_EQ(seeker->active, 0) << "a seeker of type " << seeker->type;
        ResetEffectPool();
        ResetCharacters();
    }
}

TEST_F(EffectHitTest, TheSweepReachesAFifthOfItsRangeAt300MsAndNothingAfterTwiceItsLife) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    EffectSlot& s = Pooled(6, {4, 1, 4}, {}, &a);
    SetTime(fightertest::kStartTime + 300);
    s.Update();
    EXPECT_NEAR(Script().length, 0.2f * PowerRowOf(0, 6).range, 1e-4f);
    SetTime(fightertest::kStartTime + 1300);
    s.Update();
    EXPECT_EQ(Script().calls, 1);
}

TEST_F(EffectHitTest, TheSweepsOfIcePoisonAndParalysisHoldAnEnemyForTheirWholeTimeAndSpareTheCastersSide) {
    const struct {
        int type, casterSide, state;
        uint32_t ms;
    } cases[] = {{6, 0, STATE_FREEZE, 10000}, {14, 1, STATE_POISONING, 30000}, {16, 1, STATE_PARALYSIS, 20000}};
    int slot = 0;
    for (const auto& t : cases) {
        for (bool enemy : {true, false}) {
            SCOPED_TRACE(testing::Message() << "type " << t.type << (enemy ? " on an enemy" : " on a team mate"));
            SetTime(fightertest::kStartTime);
            Character& a = Fighter(slot++, t.casterSide, {4, 0, 4});
            Character& b = Fighter(slot++, enemy ? 1 - t.casterSide : t.casterSide, {4, 0, 5});
            Script().hit = true;
            Script().at.point = {4, 1, 5};
            Script().at.fighter = &b;
            EffectSlot& s = Pooled(t.type, {4, 1, 4}, {}, &a);
            const uint32_t hitAt = fightertest::kStartTime + 300;
            SetTime(hitAt);
            s.Update();
            ASSERT_EQ(b.states[t.state].active, enemy ? 1 : 0);
            EXPECT_FLOAT_EQ(b.health, 100.0f) << "a state, not damage";
            if (enemy) ExpectStateLasts(b, t.state, hitAt, t.ms);
        }
    }
}

TEST_F(EffectHitTest, FourMillisecondsTurnPointFourEnergyIntoHealthWithinBothCaps) {
    Character& a = Fighter(0, 0, {4, 0, 4});
    a.currentPower = 2;
    a.upperAnimation = PowerRowOf(0, 2).castAnimation;
    a.energy = 20.0f;
    a.health = a.maxHealth - 5.0f;
    Recorder().frameSeconds = 0.004f;
    EffectSlot& s = Pooled(2, {4, 0, 4}, {}, &a);
    s.Update();
    EXPECT_NEAR(a.energy, 19.6f, 1e-4f);
    for (int i = 0; i < 30; ++i) s.Update();
    EXPECT_FLOAT_EQ(a.health, a.maxHealth);
    EXPECT_NEAR(a.energy, 15.0f, 1e-3f);
}

TEST_F(EffectHitTest, TheComputersBeamBendsOntoItsTargetWithin35DegreesAndOnlyTheLocalAimLocks) {
    Character& a = Fighter(0, 0, {0, 0, 0});
    Character& b = Fighter(1, 1, {0, 0, 0});
    a.upperAnimation = 173;
    a.attackTarget = &b;
    EffectSlot& s = Pooled(1, {0, 1, 0}, {}, &a);
    for (float degrees : {30.0f, 40.0f}) {
        const float r = degrees * kPi / 180.0f;
        b.position = {10 * std::sin(r), 0, 10 * std::cos(r)};
        s.Update();
        const Vec3 toTarget = UnitOrZero(Vec3Sub(Vec3{b.position.x, 1, b.position.z}, Script().from));
        efftest::ExpectNear(Script().direction, degrees < 35 ? toTarget : Vec3{0, 0, 1}, 1e-3f);
    }
    // The local player aims where he points, unless his aim is locked on his target.
    a.aimPoint = {-10, 1, 0};
    Recorder().local = &a;
    s.Update();
    efftest::ExpectNear(Script().direction, UnitOrZero(Vec3Sub(a.aimPoint, Script().from)), 1e-3f);
    Recorder().targetMarker = true;
    s.Update();
    EXPECT_NEAR(Script().length, Vec3Length(Vec3Sub(Vec3Add(b.position, {0, 0.75f, 0}), Script().from)), 1e-3f);
}

}  // namespace
