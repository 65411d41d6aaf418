// The gate of every animation change: the permission rules of the whole body and the upper
// body, the split, the blend, the time stamps, the network gate and its events.
#include <limits>
#include <string>
#include <vector>

#include "animation_fixture.h"

namespace fightertest {
namespace {

class AnimationRulesTest : public AnimationTest {};

enum When { kMidCycle, kAtWrap, kAfterWrap };
constexpr int kRefused = -1;

TEST_F(AnimationRulesTest, WhatMayFollowWhat) {
    const struct {
        int current;
        bool airborne;
        When when;
        int check, asked, started;
    } cases[] = {
        {7, false, kMidCycle, 1, 0, 1},   {3, false, kMidCycle, 1, 0, 0},   // stand during an idle variation
        // The same animation again: only a hit reaction, or a forced start, starts over.
        {50, false, kAtWrap, 1, 50, kRefused}, {116, false, kMidCycle, 1, 116, 116},
        {50, false, kMidCycle, 0, 50, 50},
        // In the air: jumps, attacks, entries and the knock-down only; a fall stays a fall.
        {0, true, kAtWrap, 1, 31, 31},    {0, true, kAtWrap, 1, 50, 50},    {0, true, kAtWrap, 1, 190, 190},
        {0, true, kAtWrap, 1, 134, 134},  {0, true, kAtWrap, 1, 21, kRefused}, {0, true, kAtWrap, 1, 105, kRefused},
        {0, true, kAtWrap, 1, 116, kRefused}, {0, true, kAtWrap, 1, 140, kRefused},
        {0, true, kAtWrap, 1, 170, kRefused},
        {37, true, kAtWrap, 1, 39, 39},   {37, true, kAtWrap, 1, 30, kRefused}, {37, true, kAtWrap, 1, 40, kRefused},
        // Landings, falls, the knock-down, lying and the rise.
        {42, false, kAtWrap, 1, 134, 134}, {42, false, kAtWrap, 1, 0, kRefused},
        {130, false, kAtWrap, 1, 134, 134}, {130, false, kAtWrap, 1, 116, kRefused},
        {130, false, kAtWrap, 1, 135, kRefused},
        {134, false, kAtWrap, 1, 124, 124}, {134, false, kAtWrap, 1, 137, 137}, {134, false, kAtWrap, 1, 190, 190},
        {134, false, kAtWrap, 1, 0, kRefused}, {134, false, kAtWrap, 1, 116, kRefused},
        {124, false, kAtWrap, 1, 134, 134}, {124, false, kAtWrap, 1, 0, kRefused},
        {124, false, kAtWrap, 1, 135, kRefused},
        {191, false, kAtWrap, 1, 0, kRefused}, {193, false, kAtWrap, 1, 134, kRefused},
        {50, false, kAtWrap, 1, 170, kRefused},
        // Entries, level changes and other actions run to their wrap, even against a hit.
        {190, false, kMidCycle, 1, 116, kRefused}, {190, false, kAtWrap, 1, 116, 116},
        {195, false, kMidCycle, 1, 0, kRefused},   {50, false, kMidCycle, 1, 80, kRefused},
        {50, false, kMidCycle, 1, 116, 116},       {50, false, kMidCycle, 1, 51, 51},
        // Check mode 3 takes only the frame of the wrap.
        {0, false, kMidCycle, 3, 1, kRefused}, {0, false, kAtWrap, 3, 1, 1}, {0, false, kAfterWrap, 3, 1, kRefused},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.asked) + " after " + std::to_string(t.current) + " when " +
                     std::to_string(t.when) + (t.airborne ? " in the air" : ""));
        Character& c = Fighter();
        Force(c, t.current);
        Advance(100);
        if (t.when != kMidCycle) ToWrap(c);
        if (t.when == kAfterWrap) Advance(20);
        c.airborne = t.airborne ? 1 : 0;
        EXPECT_EQ(c.SetAnimation(t.asked, 0, t.check, 0), t.started != kRefused);
        const int playing = t.started == kRefused ? t.current : t.started;
        EXPECT_EQ(c.currentAnimation, playing);
        EXPECT_EQ(c.model->GetAnimationIndex(0), playing);
        if (t.started == t.current) {
            EXPECT_EQ(c.model->GetAnimationFrame(0), 0.0f);
        }
    }
}

TEST_F(AnimationRulesTest, TheSplitUpperBodyKeepsItsAnimationUnderLocomotionUntilAnAction) {
    Character& c = Fighter();
    Force(c, 0);
    EXPECT_FALSE(c.SetAnimation(156, 0, 1, BONE_UPPER_BODY));   // only over the run
    ASSERT_TRUE(c.SetAnimation(170, 0, 1, BONE_UPPER_BODY));
    EXPECT_EQ(c.split, 1);
    EXPECT_TRUE(Locked(c, BONE_UPPER_BODY));
    EXPECT_EQ(c.upperPreviousAnimation, 0);
    for (int legs : {21, 37}) {
        ASSERT_TRUE(c.SetAnimation(legs, 0, 0, 0));
        EXPECT_EQ(c.split, 1);
        EXPECT_EQ(c.upperAnimation, 170);
        EXPECT_EQ(c.model->GetAnimationIndex(BONE_GUARD_FIRST), 170);
    }
    ASSERT_TRUE(c.SetAnimation(50, 0, 0, 0));
    EXPECT_EQ(c.split, 0);
    EXPECT_FALSE(Locked(c, BONE_UPPER_BODY));
    EXPECT_EQ(c.upperAnimation, 50);
    EXPECT_EQ(c.upperPreviousAnimation, 170);
    EXPECT_EQ(c.model->GetAnimationIndex(BONE_GUARD_FIRST), 50);
    EXPECT_FALSE(c.SetAnimation(170, 0, 1, BONE_UPPER_BODY));   // no cast over an action
    // Over the whole body's upper-body run variant, the upper body does not split.
    Force(c, 156);
    Force(c, 170, BONE_UPPER_BODY);
    EXPECT_EQ(c.split, 0);
}

TEST_F(AnimationRulesTest, LandingsAfterJumpAttacksBlendAtOnce) {
    const struct {
        int from, to, blend;
    } cases[] = {{75, 21, 0}, {74, 21, 200}, {60, 22, 0}, {60, 21, 200}, {71, 23, 0}, {55, 0, 0}, {60, 0, 200}};
    for (const auto& t : cases) {
        SCOPED_TRACE(std::to_string(t.to) + " after " + std::to_string(t.from));
        Character& c = Fighter();
        Force(c, t.from);
        ASSERT_TRUE(c.SetAnimation(t.to, 200, 0, 0));
        EXPECT_EQ(Controller(c, 0).blendTotal, uint32_t(t.blend));
    }
    Character& c = Fighter();
    ASSERT_TRUE(c.SetAnimation(50, -300, 0, 0));   // a negative blend is none
    EXPECT_EQ(Controller(c, 0).blendTotal, 0u);
}

TEST_F(AnimationRulesTest, StartsStampTheTimesAndAnimationsOtherRulesRead) {
    Character& c = Fighter();
    c.idleStart = 0;
    Force(c, 0);
    SetTime(kStartTime + 100);
    Force(c, 1);   // standing on keeps the idle start; after a turn on the spot it starts again
    Force(c, 2);
    EXPECT_EQ(c.idleStart, kStartTime);
    Force(c, 0);
    EXPECT_EQ(c.idleStart, kStartTime + 100);
    Force(c, 85);
    Force(c, 107);
    Force(c, 144);
    EXPECT_EQ(c.attackStartTime, kStartTime + 100);
    EXPECT_EQ(c.lastAttackAnimation, 85);
    EXPECT_EQ(c.lastTauntAnimation, 107);
    EXPECT_EQ(c.defenceStartTime, kStartTime + 100);
    Force(c, 134);
    SetTime(kStartTime + 400);
    Force(c, 124);
    Force(c, 134);   // back from lying: the same knock-down
    EXPECT_EQ(c.knockDownTime, kStartTime + 100);
    EXPECT_EQ(c.knockedDown, 1);
    Force(c, 135);
    EXPECT_EQ(c.knockedDown, 0);
    EXPECT_EQ(c.previousAnimation, 134);
    // Frozen, nothing starts and nothing is stamped.
    c.states[STATE_FREEZE].active = 1;
    EXPECT_FALSE(c.SetAnimation(60, 0, 0, 0));
    EXPECT_EQ(c.lastAttackAnimation, 85);
}

TEST_F(AnimationRulesTest, TheFallWithACryIsHeardBySide) {
    for (int side : {0, 1}) {
        Character& c = Fighter(side);
        Recorder().sounds.clear();
        Force(c, 39);
        ASSERT_EQ(SoundIds(), std::vector<int>{85 + side});
        EXPECT_NEAR(Recorder().sounds[0].position.z, c.position.z, 1e-6f);
    }
}

TEST_F(AnimationRulesTest, InANetworkGameOnlyTheLocalFighterOrAReceivedEventChangesAndTheyAreAnnounced) {
    // A whole-body change ends any split (event 11), then tells the change (event 9).
    const std::vector<std::vector<uint8_t>> announced = {{11, 0}, {9, 0, 50, 0, 0, 0, 100, 0, 0, 0, 0}};
    const struct {
        const char* name;
        bool network, hosting, dispatching, local, changes, announces;
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
    }
}

TEST_F(AnimationRulesTest, BonesAndTimesFromEventsThatNameNoPlaceInTheModelAreIgnored) {
    Character& c = Fighter();
    Force(c, 21);
    Network(true, false);
    Recorder().local = &c;
    Recorder().events.clear();
    ASSERT_TRUE(c.SetAnimation(156, 0, 1, BONE_UPPER_BODY));
    c.SetAnimationTime(2.5f, 0);   // 2.5 is 0x40200000
    const std::vector<std::vector<uint8_t>> events = {
        {11, 0}, {9, 0, 156, 0, 0, 0, 0, 0, 0, 0, 4}, {10, 0, 0, 0x00, 0x00, 0x20, 0x40}};
    EXPECT_EQ(Recorder().events, events);
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(0), 2.5f);
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(BONE_UPPER_BODY), 0.0f);   // split: its own time

    // Another bone plays without bookkeeping; a layer or animation the model lacks plays nothing.
    EXPECT_TRUE(c.SetAnimation(50, 0, 1, BONE_GUARD_SECOND));
    EXPECT_EQ(c.model->GetAnimationIndex(BONE_GUARD_SECOND), 50);
    EXPECT_EQ(c.currentAnimation, 21);
    Recorder().events.clear();
    for (int layer : {-1, datakit::KIT_BONE_COUNT}) EXPECT_FALSE(c.SetAnimation(51, 0, 0, layer)) << layer;
    for (int a : {-1, 44, 200, 100000}) EXPECT_FALSE(c.SetAnimation(a, 0, 0, 0)) << a;
    for (float t : {-1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        c.SetAnimationTime(t, 0);
    c.SetAnimationTime(1.0f, datakit::KIT_BONE_COUNT);
    EXPECT_FLOAT_EQ(c.model->GetAnimationFrame(0), 2.5f);
    EXPECT_TRUE(Recorder().events.empty());
}

}  // namespace
}  // namespace fightertest
