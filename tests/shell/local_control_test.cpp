// The local fighter control against a recording fighter: aim point and target, look, movement,
// charge, attacks, combinations and the network send cadence.
#include <gtest/gtest.h>

#include <cmath>

#include "local_control_fake.h"
#include "platform/os/os.h"

using namespace lctest;

namespace {

uint32_t g_systemNow = 0;

class LocalControlTest : public ControlFixture {
protected:
    void TearDown() override {
        os::SetTimeSource({});
        ControlFixture::TearDown();
    }
};

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

TEST_F(LocalControlTest, KeyboardLookRampsUpOverOneSecondWhenTheMouseIsStill) {
    const struct {
        int action;
        int32_t held;
        float turn;     // pixels
    } cases[] = {{4, 0, 0.0f}, {4, 500, -80.0f}, {4, 1000, -160.0f}, {4, 4000, -160.0f}, {5, 250, 40.0f}, {5, 1000, 160.0f}};
    for (const auto& c : cases) {
        ClearSlots();
        F().turns.clear();
        Hold(c.action, c.held);
        control.UpdateMouseLook(me, 0);
        if (c.turn == 0.0f) {
            EXPECT_TRUE(F().turns.empty());
        } else {
            ASSERT_EQ(F().turns.size(), 1u) << c.action << "/" << c.held;
            EXPECT_FLOAT_EQ(F().turns[0], c.turn * 0.0023f);
        }
    }
    // A moved mouse wins over the keys.
    ClearSlots();
    F().turns.clear();
    Hold(4, 1000);
    g_Mouse.x = 330;
    control.UpdateMouseLook(me, 0);
    ASSERT_EQ(F().turns.size(), 1u);
    EXPECT_FLOAT_EQ(F().turns[0], 10.0f * 0.0023f);
}

TEST_F(LocalControlTest, LookTurnsOnlyAFighterFreeToTurnAndPitchIsClampedByDifficulty) {
    g_Mouse.x = 340;
    me->knockedDown = 1;
    me->currentAnimation = 2;
    control.UpdateMouseLook(me, 0);
    EXPECT_TRUE(F().turns.empty());
    ASSERT_EQ(F().animations.size(), 1u);
    EXPECT_EQ(F().animations[0], (AnimCall{0, 200, 0, 0}));
    me->knockedDown = 0;
    control.controlMode = CONTROL_FLY;
    control.UpdateMouseLook(me, 0);
    EXPECT_TRUE(F().turns.empty());
    control.controlMode = CONTROL_MATCH;

    g_Mouse.x = 320;
    const struct {
        int difficulty;
        int dy;
        float want;
    } cases[] = {{0, 1000, 0.5135988f}, {0, -1000, -0.2471976f}, {1, 1000, 1.5607964f}, {1, -1000, -0.7707964f}, {0, 10, 0.023f}};
    for (const auto& c : cases) {
        g_Settings.difficulty = c.difficulty;
        control.cameraPitch = 0.0f;
        g_Mouse.y = 240 + c.dy;
        control.UpdateMouseLook(me, 0);
        EXPECT_NEAR(control.cameraPitch, c.want, 1e-5f) << c.difficulty << "/" << c.dy;
    }
}

TEST_F(LocalControlTest, WheelSelectsPowersAndWrapsThroughNone) {
    me->highestUnlockedPower = 2;
    const struct {
        int selected;
        int wheel;
        int want;
    } cases[] = {{-1, -120, 0}, {1, -120, 2}, {2, -120, -1}, {2, 120, 1}, {-1, 120, 2}, {0, 120, -1}, {1, 0, 1}};
    for (const auto& c : cases) {
        control.selectedPower = c.selected;
        g_Mouse.wheel = c.wheel;
        control.UpdateMouseLook(me, 0);
        EXPECT_EQ(control.selectedPower, c.want) << c.selected << "/" << c.wheel;
        EXPECT_EQ(g_Mouse.wheel, 0);
    }
}

TEST_F(LocalControlTest, ANumberKeySelectsItsPowerUpToTheHighestUnlockedOne) {
    // Keys 1 to 0 are actions 13 to 22: no power, then powers 0 to 8.
    for (int highest = 0; highest <= 9; ++highest) {
        me->highestUnlockedPower = highest;
        for (int key = 0; key < 10; ++key) {
            const int power = key - 1;
            SCOPED_TRACE(testing::Message() << "highest " << highest << ", power " << power);
            ClearSlots();
            const int before = power == -1 ? 0 : -1;
            control.selectedPower = before;
            Hold(13 + key, 40);
            control.ApplyLocalActions(me, 0);
            EXPECT_EQ(control.selectedPower, power <= highest ? power : before);
        }
    }
    // Two keys held: the later one wins unless its power is still locked.
    me->highestUnlockedPower = 2;
    ClearSlots();
    control.selectedPower = -1;
    Hold(15, 40);   // power 1
    Hold(16, 40);   // power 2
    control.ApplyLocalActions(me, 0);
    EXPECT_EQ(control.selectedPower, 2);
    Hold(17, 40);   // power 3, locked
    control.ApplyLocalActions(me, 0);
    EXPECT_EQ(control.selectedPower, 2);
    me->highestUnlockedPower = 1;
    control.ApplyLocalActions(me, 0);
    EXPECT_EQ(control.selectedPower, 1);
}

TEST_F(LocalControlTest, MeleeTapAndHoldByClassAndGait) {
    const struct {
        int actionClass;
        int animation;
        bool hold;
        int want;
    } cases[] = {{0, 0, false, 30}, {0, 0, true, 31}, {1, 0, false, 32}, {1, 0, true, 33},
                 {1, 22, false, 34}, {1, 23, true, 35}, {1, 24, false, 36}, {2, 0, false, -1}};
    for (const auto& c : cases) {
        ClearSlots();
        F().animations.clear();
        me->actionClass = c.actionClass;
        me->currentAnimation = c.animation;
        if (c.hold)
            Hold(8, 300);
        else
            Release(8, 100);
        control.ApplyLocalActions(me, 0);
        // Class 1 standing still also goes back to standing after the strike.
        std::vector<int> got = F().Animations();
        if (c.actionClass == 1) {
            ASSERT_EQ(got.size(), 2u);
            EXPECT_EQ(got[1], 0);
            got.pop_back();
        }
        if (c.want < 0)
            EXPECT_TRUE(got.empty());
        else
            EXPECT_EQ(got, std::vector<int>{c.want}) << c.actionClass << "/" << c.animation;
    }
    // Killed in the air, before its death comes: the press starts nothing.
    ClearSlots();
    F().animations.clear();
    me->actionClass = 0;
    me->currentAnimation = 0;
    me->health = 0.0f;
    Release(8, 100);
    control.ApplyLocalActions(me, 0);
    EXPECT_TRUE(F().Animations().empty());
}

TEST_F(LocalControlTest, AttackChainPressIsLatchedUntilTheChainFrame) {
    me->actionClass = 3;
    me->currentAnimation = 50;
    Press(9);
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(control.attackChainLatch, 1);
    EXPECT_TRUE(F().animations.empty());

    // No new press; frame 6 crossed now.
    ClearSlots();
    F().passed = {{0, 6.0f}};
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(F().animations, (std::vector<AnimCall>{{51, 0, 1, 0}}));
    EXPECT_EQ(F().times, std::vector<float>{4.0f});
    EXPECT_EQ(control.attackChainLatch, 0);

    // Without a press or latch the chain point passes unused.
    F().animations.clear();
    me->currentAnimation = 51;
    F().passed = {{0, 11.0f}};
    control.ApplyAttackInput(me, 0);
    EXPECT_TRUE(F().animations.empty());

    const struct {
        int from;
        float frame;
        int to;
        float start;
    } chain[] = {{52, 17.0f, 53, 5.0f}, {51, 11.0f, 52, 4.0f}, {57, 19.0f, 58, 5.0f}};
    for (const auto& c : chain) {
        F().animations.clear();
        F().times.clear();
        me->currentAnimation = c.from;
        F().passed = {{0, c.frame}};
        Press(9);
        control.ApplyAttackInput(me, 0);
        ASSERT_EQ(F().animations.size(), 1u);
        EXPECT_EQ(F().animations[0].animation, c.to);
        EXPECT_EQ(F().times, std::vector<float>{c.start});
    }
    // A press in an animation outside the chain latches nothing.
    ClearSlots();
    me->currentAnimation = 53;
    Press(9);
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(control.attackChainLatch, 0);
}

TEST_F(LocalControlTest, JumpChainAndStompOnAFighterLyingClose) {
    me->actionClass = 3;
    me->currentAnimation = 63;
    Press(10);
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(control.jumpChainLatch, 1);
    ClearSlots();
    F().passed = {{0, 15.0f}};
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(F().Animations(), std::vector<int>{64});
    EXPECT_EQ(F().times, std::vector<float>{4.0f});

    // A knocked-down fighter 1 unit away is stomped on, whatever else the jump would do.
    F().animations.clear();
    me->actionClass = 0;
    me->currentAnimation = 0;
    Character& down = g_Characters[5];
    down.active = 1;
    down.knockedDown = 1;
    down.position = Vec3{1.0f, 0.2f, 0.0f};
    F().random = 7;
    Press(10);
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(F().Animations(), std::vector<int>{78});
    // Too high above: an ordinary jump.
    F().animations.clear();
    down.position.y = 0.5f;
    control.ApplyAttackInput(me, 0);
    EXPECT_EQ(F().Animations(), std::vector<int>{63});
}

TEST_F(LocalControlTest, PowerCombinationStepsWithinTheirWindows) {
    uint32_t& now = g_systemNow;
    now = 1000;
    os::SetTimeSource([] { return g_systemNow; });
    SideRow row{};
    for (auto& combo : row.combos)
        for (ComboStep& s : combo) s = ComboStep{-1, 0, 0, {0, 0}, -1};
    me->sideRow = &row;

    // As shipped: nothing starts.
    Hold(8, 0);
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(control.comboIndex, -1);

    row.combos[4][0] = ComboStep{8, 0, 0, {0, 0}, -1};
    row.combos[4][1] = ComboStep{9, 1, 0, {0, 0}, 200};
    row.combos[4][2] = ComboStep{10, 0, 1, {0, 0}, 201};
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(control.comboIndex, 4);
    EXPECT_EQ(control.comboStep, 1);

    now += 300;    // double press within 400 ms
    Slot(9).doublePress = 1;
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(F().animations, (std::vector<AnimCall>{{200, 100, 1, 0}}));
    EXPECT_EQ(control.comboStep, 2);

    now += 400;    // the hold step waits while the key is short of 300 ms
    Hold(10, 299);
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(control.comboStep, 2);
    Hold(10, 300);
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(F().Animations(), (std::vector<int>{200, 201}));
    EXPECT_EQ(control.comboIndex, -1);    // the next step ends it

    // Outside the window the combination ends.
    ClearSlots();
    Hold(8, 0);
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(control.comboIndex, 4);
    ClearSlots();
    now += 401;    // past the double-press step's 400 ms
    control.UpdatePowerCombo(me, 0);
    EXPECT_EQ(control.comboIndex, -1);
    EXPECT_EQ(control.comboStep, 0);
}

}  // namespace
