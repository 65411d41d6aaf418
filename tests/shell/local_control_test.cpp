// The local fighter control against a recording fighter: aim point and target, movement,
// charge and the network send cadence.
#include <gtest/gtest.h>

#include <cmath>

#include "local_control_fake.h"

using namespace lctest;

namespace {

class LocalControlTest : public ControlFixture {};

TEST_F(LocalControlTest, AimRayStartsBesideTheFighterAndFindsTheTarget) {
    control.selectedPower = 1;
    Character* other = &g_Characters[4];
    other->active = 1;
    me->nearestEnemy = &g_Characters[2];
    // Nothing hit: 500 along the ray from the point level with the fighter.
    control.UpdateAimPoint();
    ASSERT_EQ(F().rays.size(), 1u);
    ExpectVec(F().rays[0].origin, Vec3{0.0f, 1.2f, 0.0f});
    EXPECT_EQ(F().rays[0].excluded, me);
    ExpectVec(me->aimPoint, Vec3{0.0f, 1.2f, 500.0f});
    EXPECT_EQ(me->attackTarget, &g_Characters[2]);
    // A fighter hit becomes the target, at the distance the fighter code measures.
    F().rayHit = true;
    F().rayPoint = Vec3{0.5f, 1.0f, 9.0f};
    F().rayWho = other;
    control.UpdateAimPoint();
    ExpectVec(me->aimPoint, F().rayPoint);
    EXPECT_EQ(me->attackTarget, other);
    EXPECT_FLOAT_EQ(me->attackRange, F().distance);
}

TEST_F(LocalControlTest, TargetFallsBackByGameKindSightAndState) {
    control.selectedPower = 0;
    Character* fallback = &g_Characters[2];
    Character* holder = &g_Characters[6];
    Character* cursed = &g_Characters[7];
    const struct {
        const char* name;
        int kind;
        bool carried;
        bool sight;
        int cursedSide;
        int cursedClass;
        bool dead;
        Character* want;
    } cases[] = {
        {"symbol holder in sight", 0, false, true, 1, 0, false, holder},
        {"symbol holder hidden", 0, false, false, 1, 0, false, fallback},
        {"cursed enemy", 4, false, true, 1, 0, false, cursed},
        {"cursed spawning", 4, false, true, 1, 13, false, fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_Match.gameKind = c.kind;
        g_Match.localSide = 0;
        F().holder = holder;
        F().carried = c.carried;
        F().lineOfSight = c.sight;
        cursed->side = c.cursedSide;
        cursed->actionClass = c.cursedClass;
        F().cursed = cursed;
        holder->dead = c.dead ? 1 : 0;
        me->nearestEnemy = fallback;
        control.UpdateAimPoint();
        EXPECT_EQ(me->attackTarget, c.want);
    }
}

TEST_F(LocalControlTest, ForwardAndRightStrafeToAQuarterTurnAtTheTurnRate) {
    control.frameMs = 20;   // 0.1 radian a frame
    Hold(0, 100);
    Hold(3, 100);
    float turned = 0.0f;
    for (int i = 1; i <= 10; ++i) {
        control.ApplyLocalActions(me, 0);
        EXPECT_NEAR(control.strafeAngle[0], std::min(0.1f * float(i), kPi / 4.0f), 1e-5f) << i;
    }
    for (float t : F().modelTurns) turned += t;
    EXPECT_NEAR(turned, kPi / 4.0f, 1e-5f);
    EXPECT_EQ(F().modelTurns.size(), 8u);
    EXPECT_EQ(F().animations.front(), (AnimCall{21, 200, 1, 0}));

    // Back and right: -pi/4 the shorter way, through 0 and wrapped below 2 pi.
    ClearSlots();
    Hold(1, 100);
    Hold(3, 100);
    control.strafeAngle[0] = 0.0f;
    control.ApplyLocalActions(me, 0);
    EXPECT_NEAR(control.strafeAngle[0], 2.0f * kPi - 0.1f, 1e-5f);
    EXPECT_FLOAT_EQ(F().modelTurns.back(), -0.1f);
}

TEST_F(LocalControlTest, ChargeHeldReachesItsCapAndATapChargesOnRelease) {
    Hold(12, 580);
    control.ApplyLocalActions(me, 0);
    EXPECT_TRUE(F().animations.empty());
    Hold(12, 610);
    control.ApplyLocalActions(me, 0);
    EXPECT_EQ(me->throwCharge, 600u);
    EXPECT_EQ(F().animations, (std::vector<AnimCall>{{152, 200, 1, 0}}));
    EXPECT_TRUE(F().packets.empty());

    const struct {
        int32_t ms;
        int animation;
    } taps[] = {{200, 150}, {201, 151}};
    F().net = true;
    for (const auto& t : taps) {
        ClearSlots();
        F().animations.clear();
        F().packets.clear();
        Release(12, t.ms);
        control.ApplyLocalActions(me, 0);
        EXPECT_EQ(me->throwCharge, uint32_t(t.ms));
        EXPECT_EQ(F().Animations(), std::vector<int>{t.animation}) << t.ms;
        EXPECT_EQ(F().packets, std::vector<std::string>{"charge"});
    }
}

TEST_F(LocalControlTest, DirectMovementMovesByFacingSpeedAndBonus) {
    SideRow row{};
    row.baseSpeed = 100.0f;
    me->sideRow = &row;
    me->moveMode = MOVE_DIRECT;
    control.frameMs = 100;
    const struct {
        std::vector<int> held;
        float angle;
        float speed;
        float stat;
    } cases[] = {
        {{0, 3}, kPi / 4, 0.004f, 110.5f}, {{1, 2}, 5 * kPi / 4, 0.002f, 100.0f}, {{2}, -kPi / 2, 0.002f, 400.0f},
    };
    for (const auto& c : cases) {
        ClearSlots();
        for (int a : c.held) Hold(a, 10);
        me->position = Vec3{0, 0, 0};
        me->speed = c.stat;
        control.ApplyDirectMovement(me, 0);
        float bonus = std::min(std::trunc(c.stat - 100.0f), 100.0f);
        float d = c.speed * 100.0f * (1.0f + bonus * 0.01f);
        ExpectVec(me->position, Vec3{std::sin(c.angle) * d, 0.0f, std::cos(c.angle) * d});
    }
}

TEST_F(LocalControlTest, EveryActiveFighterStepsAndTheLocalStateIsSentAtItsCadence) {
    g_Characters[3].active = 1;
    control.frameMs = 16;
    control.UpdateCharacters();
    EXPECT_EQ(F().updates, (std::vector<Character*>{&g_Characters[0], &g_Characters[3]}));
    EXPECT_EQ(F().updateMs, (std::vector<int>{16, 16}));
    me->position = Vec3{1, 0, 0};
    me->yaw = 1.0f;
    me->upperAnimation = 172;
    EXPECT_TRUE(F().packets.empty());   // not a network game

    F().net = true;
    struct Frame {
        uint32_t now;
        std::vector<std::string> slow;   // standing still
        std::vector<std::string> fast;   // moving
    };
    const Frame frames[] = {
        {100, {"yaw", "target", "aim"}, {"position", "yaw", "target", "aim"}},   // 200 ms not yet passed
        {140, {}, {}},
        {250, {"position", "yaw", "target", "aim"}, {"position", "yaw", "target", "aim"}},
        {300, {}, {}},                                                        // exactly 50 ms: not more
        {310, {"yaw", "target", "aim"}, {"position", "yaw", "target", "aim"}},
    };
    for (bool moving : {false, true}) {
        ResetLocalControl();
        me->velocity = Vec3{moving ? 1.0f : 0.0f, 0.0f, 0.0f};
        for (const Frame& f : frames) {
            F().packets.clear();
            F().now = f.now;
            control.UpdateCharacters();
            EXPECT_EQ(F().packets, moving ? f.fast : f.slow) << f.now << (moving ? " moving" : " still");
        }
    }

    // Under 5 degrees turned, the short way round through 0, sends nothing.
    me->upperAnimation = 0;
    me->velocity = Vec3{};
    me->lastSentPosition = me->position;
    me->lastSentYaw = 6.25f;
    me->yaw = 0.02f;
    F().packets.clear();
    F().now = 11000;
    control.UpdateCharacters();
    EXPECT_TRUE(F().packets.empty());
}

}  // namespace
