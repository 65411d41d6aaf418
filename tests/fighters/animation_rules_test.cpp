// The gate of every animation change: action classes, the permission rules of the whole body and
// the upper body, the split, the blend, the time stamps, the network gate and its events.
#include <limits>
#include <string>
#include <vector>

#include "animation_fixture.h"

namespace fightertest {
namespace {

class AnimationRulesTest : public AnimationTest {};

TEST_F(AnimationRulesTest, ActionClassesFollowTheIdRanges) {
    const struct {
        int animation, actionClass;
    } cases[] = {{0, 0},    {19, 0},   {20, 1},   {29, 1},   {30, 2},   {49, 2},   {50, 3},   {79, 3},
                 {80, 4},   {104, 4},  {105, 5},  {114, 5},  {115, 6},  {129, 6},  {130, 7},  {139, 7},
                 {140, 8},  {149, 8},  {150, 9},  {154, 9},  {155, 10}, {159, 10}, {160, 11}, {169, 11},
                 {170, 12}, {189, 12}, {190, 13}, {194, 13}, {195, 14}, {199, 14}, {200, -1}, {-1, -1}};
    for (const auto& t : cases) EXPECT_EQ(ActionClassOf(t.animation), t.actionClass) << t.animation;
    EXPECT_FALSE(IsActionAnimation(37));
    EXPECT_TRUE(IsActionAnimation(38));
}

TEST_F(AnimationRulesTest, AskingToStandDuringAnIdleVariationStartsTheIdle) {
    const struct {
        int current, asked, started;
    } cases[] = {{7, 0, 1}, {4, 0, 1}, {19, 0, 1}, {3, 0, 0}, {21, 0, 0}, {7, 2, 2}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.asked) + " during " + std::to_string(t.current));
        Character& c = Fighter();
        Force(c, t.current);
        EXPECT_TRUE(c.SetAnimation(t.asked, 0, 1, 0));
        EXPECT_EQ(c.currentAnimation, t.started);
        EXPECT_EQ(c.model->GetAnimationIndex(0), t.started);
    }
}

TEST_F(AnimationRulesTest, OnlyAHitReactionRestartsWhenAskedAgain) {
    for (int a : {0, 21, 50, 116}) {
        SCOPED_TRACE(a);
        Character& c = Fighter();
        Force(c, a);
        Advance(100);
        const bool restarts = ActionClassOf(a) == 6;
        EXPECT_EQ(c.SetAnimation(a, 0, 1, 0), restarts);
        EXPECT_EQ(c.model->GetAnimationFrame(0) == 0.0f, restarts);
        // Forced, it always starts over.
        EXPECT_TRUE(c.SetAnimation(a, 0, 0, 0));
        EXPECT_EQ(c.model->GetAnimationFrame(0), 0.0f);
    }
}

// Each case starts from the current animation after it wrapped, so only the rules of state and
// place decide.
TEST_F(AnimationRulesTest, WhatMayFollowWhat) {
    const struct {
        const char* name;
        int current;
        bool airborne;
        std::vector<int> allowed, refused;
    } cases[] = {
        {"in the air", 0, true, {31, 37, 50, 190, 134}, {21, 105, 116, 124, 140, 150, 170, 195}},
        {"falling", 37, true, {38, 39, 50, 134}, {30, 40, 21}},
        {"heavy landing", 42, false, {134}, {0, 21, 116, 50}},
        {"falling down", 130, false, {134}, {0, 116, 135, 190}},
        {"knocked down", 134, false, {124, 135, 136, 137, 190}, {0, 21, 116, 130, 50}},
        {"lying", 124, false, {134}, {0, 116, 135, 190}},
        {"rising", 191, false, {}, {0, 134, 190, 192}},
        {"rising, side 1", 193, false, {}, {0, 134, 190}},
        {"an action", 50, false, {0, 21, 116}, {170}},
        {"standing", 0, false, {170}, {}},
    };
    for (const auto& t : cases) {
        for (bool allowed : {true, false}) {
            for (int a : allowed ? t.allowed : t.refused) {
                SCOPED_TRACE(std::string(t.name) + ": " + std::to_string(a));
                Character& c = Fighter();
                Force(c, t.current);
                ToWrap(c);
                c.airborne = t.airborne ? 1 : 0;
                EXPECT_EQ(c.SetAnimation(a, 0, 1, 0), allowed);
                EXPECT_EQ(c.currentAnimation, allowed ? a : t.current);
            }
        }
    }
}

TEST_F(AnimationRulesTest, AHitReactionWaitsWhileGoingDownUnlessKnockedDown) {
    Character& c = Fighter();
    Force(c, 131);
    ToWrap(c);
    // The fall may only end in the knock-down: the hit is refused by the reaction rule first.
    EXPECT_FALSE(c.SetAnimation(116, 0, 1, 0));
    Force(c, 135);   // getting up after the knock-down
    c.knockedDown = 1;
    ToWrap(c);
    EXPECT_TRUE(c.SetAnimation(116, 0, 1, 0));
}

TEST_F(AnimationRulesTest, EntriesLevelChangesAndActionsRunToTheirWrap) {
    const struct {
        int current;
        int asked;
        bool beforeWrap;
    } cases[] = {
        {190, 116, false}, {190, 0, false}, {195, 116, false}, {195, 50, false},
        // Another action waits; a hit or a fall does not; neither does the same class.
        {50, 80, false},   {50, 116, true}, {50, 130, true},   {50, 51, true},
        // Going down waits for anything but going down further, entering and lying.
        {130, 134, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.asked) + " during " + std::to_string(t.current));
        Character& c = Fighter();
        Force(c, t.current);
        Advance(100);
        EXPECT_EQ(c.SetAnimation(t.asked, 0, 1, 0), t.beforeWrap);
        if (t.beforeWrap) continue;
        ToWrap(c);
        EXPECT_TRUE(c.SetAnimation(t.asked, 0, 1, 0));
    }
}

TEST_F(AnimationRulesTest, CheckModeThreeSucceedsOnlyInTheFrameOfTheWrap) {
    Character& c = Fighter();
    Force(c, 0);
    Advance(500);
    EXPECT_FALSE(c.SetAnimation(1, 0, 3, 0));
    ToWrap(c);
    Advance(20);   // the frame after the wrap
    EXPECT_FALSE(c.SetAnimation(1, 0, 3, 0));
    ToWrap(c);
    EXPECT_TRUE(c.SetAnimation(1, 0, 3, 0));
    EXPECT_EQ(c.currentAnimation, 1);
}

TEST_F(AnimationRulesTest, TheUpperBodyKeepsItsAnimationUnderLocomotionUntilAnActionEndsTheSplit) {
    Character& c = Fighter();
    Force(c, 0);
    ASSERT_TRUE(c.SetAnimation(170, 0, 1, BONE_UPPER_BODY));
    EXPECT_EQ(c.split, 1);
    EXPECT_TRUE(Locked(c, BONE_UPPER_BODY));
    EXPECT_EQ(c.currentAnimation, 0);
    EXPECT_EQ(c.upperAnimation, 170);
    EXPECT_EQ(c.upperPreviousAnimation, 0);
    EXPECT_EQ(c.upperActionClass, 12);

    for (int legs : {21, 37}) {
        SCOPED_TRACE(legs);
        ASSERT_TRUE(c.SetAnimation(legs, 0, 0, 0));
        EXPECT_EQ(c.split, 1);
        EXPECT_EQ(c.upperAnimation, 170);
        EXPECT_EQ(c.model->GetAnimationIndex(0), legs);
        EXPECT_EQ(c.model->GetAnimationIndex(BONE_UPPER_BODY), 170);
        EXPECT_EQ(c.model->GetAnimationIndex(BONE_GUARD_FIRST), 170);
    }
    ASSERT_TRUE(c.SetAnimation(50, 0, 0, 0));
    EXPECT_EQ(c.split, 0);
    EXPECT_FALSE(Locked(c, BONE_UPPER_BODY));
    EXPECT_EQ(c.upperAnimation, 50);
    EXPECT_EQ(c.upperPreviousAnimation, 170);
    EXPECT_EQ(c.model->GetAnimationIndex(BONE_UPPER_BODY), 50);
}

TEST_F(AnimationRulesTest, TheUpperBodyRunVariantNeedsTheRunAndCastsWaitForTheAction) {
    const struct {
        int upper, asked;
        bool allowed, splits;
    } cases[] = {
        {0, 156, false, false}, {21, 156, true, true}, {0, 170, true, true}, {50, 170, false, false},
        {21, 21, false, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.asked) + " over " + std::to_string(t.upper));
        Character& c = Fighter();
        Force(c, t.upper);
        EXPECT_EQ(c.SetAnimation(t.asked, 0, 1, BONE_UPPER_BODY), t.allowed);
        EXPECT_EQ(c.split, t.splits ? 1 : 0);
        EXPECT_EQ(c.currentAnimation, t.upper);
    }
    // Over the upper-body run variant of the whole body, the upper body follows without a split.
    Character& c = Fighter();
    Force(c, 156);
    Force(c, 170, BONE_UPPER_BODY);
    EXPECT_EQ(c.split, 0);
}

TEST_F(AnimationRulesTest, OtherBonesPlayWithoutBookkeepingAndUnknownLayersAndAnimationsAreRefused) {
    Character& c = Fighter();
    Force(c, 0);
    EXPECT_TRUE(c.SetAnimation(50, 0, 1, BONE_GUARD_SECOND));
    EXPECT_EQ(c.model->GetAnimationIndex(BONE_GUARD_SECOND), 50);
    EXPECT_EQ(c.currentAnimation, 0);
    EXPECT_EQ(c.upperAnimation, 0);
    for (int layer : {-1, testsupport::KIT_BONE_COUNT, 255}) {
        SCOPED_TRACE(layer);
        EXPECT_FALSE(c.SetAnimation(51, 0, 0, layer));
    }
    for (int a : {-1, 44, 199, 200, 100000}) {
        SCOPED_TRACE(a);
        EXPECT_FALSE(c.SetAnimation(a, 0, 0, 0));
    }
    EXPECT_EQ(c.currentAnimation, 0);
    EXPECT_EQ(c.model->GetAnimationIndex(0), 0);
}

TEST_F(AnimationRulesTest, AFrozenFighterChangesNothing) {
    Character& c = Fighter();
    Force(c, 0);
    c.states[STATE_FREEZE].active = 1;
    EXPECT_FALSE(c.SetAnimation(50, 0, 0, 0));
    EXPECT_EQ(c.currentAnimation, 0);
    EXPECT_EQ(c.lastAttackAnimation, -1);
}

TEST_F(AnimationRulesTest, LandingsAfterJumpAttacksBlendAtOnce) {
    const struct {
        int from, to;
        uint32_t blend;
    } cases[] = {
        {75, 21, 0},  {32, 21, 0},   {156, 21, 0}, {74, 21, 200}, {60, 22, 0}, {60, 21, 200},
        {71, 23, 0},  {36, 24, 0},   {55, 0, 0},   {66, 0, 0},    {60, 0, 200}, {0, 21, 200},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.to) + " after " + std::to_string(t.from));
        Character& c = Fighter();
        Force(c, t.from);
        ASSERT_TRUE(c.SetAnimation(t.to, 200, 0, 0));
        EXPECT_EQ(Controller(c, 0).blendTotal, t.blend);
    }
    // A negative blend is no blend at all.
    Character& c = Fighter();
    ASSERT_TRUE(c.SetAnimation(50, -300, 0, 0));
    EXPECT_EQ(Controller(c, 0).blendTotal, 0u);
}

TEST_F(AnimationRulesTest, StartsStampTheTimesAndAnimationsOtherRulesRead) {
    Character& c = Fighter();
    const uint32_t t0 = kStartTime;
    c.idleStart = c.attackStartTime = c.knockDownTime = c.defenceStartTime = 0;
    Force(c, 0);
    EXPECT_EQ(c.idleStart, t0);
    SetTime(t0 + 100);
    Force(c, 1);   // standing on keeps the idle time
    EXPECT_EQ(c.idleStart, t0);
    Force(c, 2);
    SetTime(t0 + 200);
    Force(c, 0);   // after a turn on the spot it starts again
    EXPECT_EQ(c.idleStart, t0 + 200);

    Force(c, 85);
    EXPECT_EQ(c.attackStartTime, t0 + 200);
    EXPECT_EQ(c.lastAttackAnimation, 85);
    Force(c, 107);
    EXPECT_EQ(c.lastTauntAnimation, 107);
    EXPECT_EQ(c.lastAttackAnimation, 85);
    Force(c, 144);
    EXPECT_EQ(c.defenceStartTime, t0 + 200);

    SetTime(t0 + 300);
    Force(c, 134);
    EXPECT_EQ(c.knockDownTime, t0 + 300);
    EXPECT_EQ(c.knockedDown, 1);
    SetTime(t0 + 400);
    Force(c, 124);
    EXPECT_EQ(c.knockedDown, 1);
    Force(c, 134);   // back from lying: still the same knock-down
    EXPECT_EQ(c.knockDownTime, t0 + 300);
    Force(c, 135);
    EXPECT_EQ(c.knockedDown, 0);
    EXPECT_EQ(c.previousAnimation, 134);
    EXPECT_EQ(c.actionClass, 7);
}

TEST_F(AnimationRulesTest, TheFallWithACryIsHeardBySide) {
    for (int side : {0, 1}) {
        SCOPED_TRACE(side);
        Character& c = Fighter(side);
        Recorder().sounds.clear();
        Force(c, 39);
        ASSERT_EQ(SoundIds(), std::vector<int>{85 + side});
        EXPECT_TRUE(Recorder().sounds[0].hasPosition);
        EXPECT_NEAR(Recorder().sounds[0].position.z, c.position.z, 1e-6f);
    }
}

TEST_F(AnimationRulesTest, InANetworkGameOnlyTheLocalFighterOrAReceivedEventChangesAndTheyAreAnnounced) {
    // A whole-body change ends any split (event 11), then tells the change (event 9).
    const std::vector<std::vector<uint8_t>> announced = {{11, 0}, {9, 0, 50, 0, 0, 0, 100, 0, 0, 0, 0}};
    const struct {
        const char* name;
        bool network, hosting, dispatching, local;
        bool changes;
        bool announces;
    } cases[] = {
        {"offline", false, false, false, false, true, false},
        {"host, local fighter", true, true, false, true, true, true},
        {"host, remote fighter", true, true, false, false, false, false},
        {"host applying an event", true, true, true, false, true, true},
        {"client, local fighter", true, false, false, true, true, true},
        {"client, remote fighter", true, false, false, false, false, false},
        {"client applying an event", true, false, true, false, true, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter();
        Force(c, 0);
        Recorder().events.clear();
        Recorder().local = t.local ? &c : nullptr;
        Network(t.network, t.hosting, t.dispatching);
        EXPECT_EQ(c.SetAnimation(50, 100, 1, 0), t.changes);
        EXPECT_EQ(c.currentAnimation, t.changes ? 50 : 0);
        EXPECT_EQ(Recorder().events, t.announces ? announced : std::vector<std::vector<uint8_t>>{});
        Network(false, false);
        Recorder().local = nullptr;
    }
}

TEST_F(AnimationRulesTest, TheUpperBodyAndTheTimeAreAnnounced) {
    Character& c = Fighter();
    Force(c, 21);
    Network(true, false);
    Recorder().local = &c;
    Recorder().events.clear();
    ASSERT_TRUE(c.SetAnimation(156, 0, 1, BONE_UPPER_BODY));
    EXPECT_EQ(Recorder().events, (std::vector<std::vector<uint8_t>>{{11, 0}, {9, 0, 156, 0, 0, 0, 0, 0, 0, 0, 4}}));
    Recorder().events.clear();
    c.SetAnimationTime(2.5f, 0);   // 2.5 is 0x40200000
    EXPECT_EQ(Recorder().events, (std::vector<std::vector<uint8_t>>{{10, 0, 0, 0x00, 0x00, 0x20, 0x40}}));
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(0), 2.5f);
    // The split upper body keeps its own time.
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(BONE_UPPER_BODY), 0.0f);
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(BONE_GUARD_FIRST), 0.0f);
}

TEST_F(AnimationRulesTest, AnAnimationTimeThatIsNoPlaceInAnAnimationIsIgnored) {
    Character& c = Fighter();
    Force(c, 0);
    c.SetAnimationTime(3.0f, 0);
    Network(true, true);
    Recorder().events.clear();
    for (float t : {-1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(t);
        c.SetAnimationTime(t, 0);
        EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(0), 3.0f);
    }
    c.SetAnimationTime(1.0f, testsupport::KIT_BONE_COUNT);
    EXPECT_TRUE(Recorder().events.empty());
}

}  // namespace
}  // namespace fightertest
