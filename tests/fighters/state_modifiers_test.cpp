// What the states and statistics make of a fighter: immunity aside, the tripled statistics, the
// guard time, gravity and the animation rate; the blends it gives and the entry's protection.
#include <string>

#include "animation_fixture.h"

namespace fightertest {
namespace {

class StateModifierTest : public AnimationTest {};

TEST_F(StateModifierTest, TheAnimationRateFollowsFreezeParalysisTheBoostsTheSpeedAndTheAction) {
    const struct {
        const char* name;
        int animation;
        std::vector<int> states;
        float speedAboveBase;
        float rate;
    } cases[] = {
        {"frozen running", 21, {STATE_FREEZE, STATE_SPEED_BOOST}, 0, 0},
        {"paralysis beats the boost", 21, {STATE_PARALYSIS, STATE_SPEED_BOOST}, 0, 15},
        {"boosted run", 21, {STATE_SPEED_BOOST}, 0, 45},
        {"super run", 24, {STATE_SUPER}, 0, 45},
        {"run at half the cap", 21, {}, 172.5f, 37.5f},
        {"run past the cap", 21, {}, 400, 45},
        {"boost standing", 0, {STATE_SPEED_BOOST}, 400, 30},
        {"entering", 190, {}, 0, 45},
        {"attacking", 50, {}, 0, 30},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter();
        Force(c, t.animation);
        for (int k : t.states) c.states[k].active = 1;
        c.speed = BASE_STATISTIC + t.speedAboveBase;
        EXPECT_FLOAT_EQ(c.AnimationRate(), t.rate);
    }
}

TEST_F(StateModifierTest, AgilityLengthensTheGuardAndSoftensGravityUpToTheCap) {
    const struct {
        const char* name;
        float agilityAboveBase;
        int state;
        uint32_t guardMs;
        float gravity;
    } cases[] = {
        {"base", 0, -1, 5000, -9.8f},          {"half the cap", 172.5f, -1, 7500, -6.533333f},
        {"past the cap", 500, -1, 10000, -4.9f}, {"agility boost", 0, STATE_AGILITY_BOOST, 10000, -4.9f},
        {"super", 0, STATE_SUPER, 10000, -4.9f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Fighter(1);
        c.agility = BASE_STATISTIC + t.agilityAboveBase;
        if (t.state >= 0) c.states[t.state].active = 1;
        EXPECT_EQ(c.MaxGuardTime(), t.guardMs);
        EXPECT_NEAR(c.Gravity(), t.gravity, 1e-5f);
    }
}

TEST_F(StateModifierTest, BoostsTripleTheirStatistics) {
    const struct {
        int state;
        float strength, power, constitution;
    } cases[] = {
        {STATE_STRENGTH_BOOST, 30, 20, 10}, {STATE_POWER_BOOST, 10, 60, 10}, {STATE_CONSTITUTION_BOOST, 10, 20, 30},
        {STATE_SUPER, 30, 60, 10},          {STATE_FORBIDDEN_FRUIT, 30, 60, 10}, {STATE_SPEED_BOOST, 10, 20, 10},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.state);
        Character& c = Fighter();
        c.strength = 10;
        c.power = 20;
        c.constitution = 10;
        c.states[t.state].active = 1;
        EXPECT_FLOAT_EQ(c.EffectiveStrength(), t.strength);
        EXPECT_FLOAT_EQ(c.EffectivePower(), t.power);
        EXPECT_FLOAT_EQ(c.EffectiveConstitution(), t.constitution);
    }
}

TEST_F(StateModifierTest, TheRunCarriesTheFighterAlongItsFacingAtItsPace) {
    const struct {
        int animation;
        bool boosted;
        float step;
    } cases[] = {{21, false, 0.9f}, {21, true, 1.35f}, {22, false, 0.45f}, {20, false, 0.2f}, {0, false, 0.0f}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.animation);
        Character& c = Fighter();
        Force(c, t.animation);
        c.yaw = 3.14159265f / 2;
        c.states[STATE_SPEED_BOOST].active = t.boosted ? 1 : 0;
        const Vec3 d = c.RunDisplacement(0.1f);
        EXPECT_NEAR(d.x, t.step, 1e-5f);
        EXPECT_NEAR(d.z, 0.0f, 1e-5f);
    }
}

TEST_F(StateModifierTest, AParalysedFighterBlendsTwiceAsLongAndTheEntryTwoThirds) {
    Character& c = Fighter();
    Force(c, 0);
    ASSERT_TRUE(c.StartParalysis(5000, 0));
    ASSERT_TRUE(c.SetAnimation(50, 300, 0, 0));
    EXPECT_EQ(Controller(c, 0).blendTotal, 600u);
    EXPECT_FLOAT_EQ(Controller(c, 0).rate, 15.0f);
    c.CancelStates();
    ASSERT_TRUE(c.SetAnimation(190, 300, 0, 0));
    EXPECT_EQ(Controller(c, 0).blendTotal, 200u);
}

TEST_F(StateModifierTest, TheProtectionStartsWhenTheEntryCompletesAlsoForARecordThatEndedFrozen) {
    for (bool frozen : {false, true}) {
        SCOPED_TRACE(frozen ? "respawned frozen" : "spawned");
        Character& c = Fighter(1);
        if (frozen) {
            Force(c, 0);
            ASSERT_TRUE(c.StartFreeze(10000, 1000));
            c.Respawn();
            EXPECT_EQ(c.states[STATE_FREEZE].active, 0);
        }
        ASSERT_EQ(c.currentAnimation, 192);
        EXPECT_FLOAT_EQ(Controller(c, 0).rate, 45.0f);
        ToWrap(c);
        c.UpdateStates();
        EXPECT_EQ(c.states[STATE_INVULNERABILITY].active, 1);
        EXPECT_EQ(c.states[STATE_INVULNERABILITY].durationMs, 5000u);
    }
}

}  // namespace
}  // namespace fightertest
