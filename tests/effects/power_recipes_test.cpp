// The twenty power effects as their recipes build them: how many children, in which order, how
// long they live, type 9's colour and the flat particles of type 3.
#include <gtest/gtest.h>

#include <cmath>

#include "effect_pool_fixture.h"
#include "effects/bolt_effect.h"
#include "effects/effect_type_table.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"

namespace efftest {
namespace {

class PowerRecipeTest : public EffectPoolTest {
protected:
    void SetUp() override {
        EffectPoolTest::SetUp();
        ResetEffectRecipes();
    }
    static int32_t MakePower(int type, int32_t duration, uint32_t colour = 0, const Vec3& velocity = {0, 0, 1}) {
        return Make({.type = type, .aimPoint = {0, 0, 5}, .velocity = velocity, .direction = {0, 1, 0},
                     .durationMs = duration, .colour = colour});
    }
    static int32_t LifetimeOf(PositionedObject* child) {
        if (auto* s = dynamic_cast<SpriteMover*>(child)) return s->lifetime;
        if (auto* e = dynamic_cast<ParticleEmitter*>(child)) return e->lifetime;
        return 0;
    }
};

TEST_F(PowerRecipeTest, EveryPowerTypeFillsExactlyItsPlacesAndOnlyTheListedOnesReorder) {
    for (int type = 0; type < 20; ++type) {
        SCOPED_TRACE(type);
        const EffectRecipe* recipe = FindEffectRecipe(type);
        ASSERT_NE(recipe, nullptr);
        const int32_t s = MakePower(type, 1200);
        ASSERT_GE(s, 0);
        EXPECT_EQ(GroupOf(s).childCount, EFFECT_TYPE_TABLE[type].childCount);
        EXPECT_EQ(recipe->rows.size(), EFFECT_TYPE_TABLE[type].childCount);
        for (uint32_t i = 0; i < GroupOf(s).childCount; ++i) EXPECT_NE(GroupOf(s).children[i], nullptr) << i;
        ReleaseEffects();
    }
    // Type 0: second, first, third; 8: reversed; 6, 11, 14, 16, 17, 18: first, third, second.
    int32_t s = MakePower(0, -1);
    EXPECT_FLOAT_EQ(Child<SpriteMover>(s, 0)->sizeStart, 0.25f);
    EXPECT_FLOAT_EQ(Child<SpriteMover>(s, 1)->sizeStart, 0.5f);
    s = MakePower(8, -1);
    EXPECT_NE(Child<ParticleEmitter>(s, 0), nullptr);
    EXPECT_FLOAT_EQ(Child<SpriteMover>(s, 2)->sizeStart, 0.5f);
    for (int type : {6, 11, 14, 16, 17, 18}) {
        s = MakePower(type, 1200);
        const int32_t second = FindEffectRecipe(type)->rows[1].rate, third = FindEffectRecipe(type)->rows[2].rate;
        ASSERT_NE(second, third) << type;
        EXPECT_EQ(Child<ParticleEmitter>(s, 1)->rate, third) << type;
        EXPECT_EQ(Child<ParticleEmitter>(s, 2)->rate, second) << type;
    }
}

TEST_F(PowerRecipeTest, AnEndlessDurationGivesEndlessChildrenAndTwelveHundredAFirstSpriteOf1600) {
    for (int type = 0; type < 20; ++type) {
        const int32_t s = MakePower(type, EFFECT_ENDLESS);
        for (uint32_t i = 0; i < GroupOf(s).childCount; ++i) {
            PositionedObject* c = GroupOf(s).children[i];
            if (c->kind != KIND_BOLT) {
                EXPECT_EQ(LifetimeOf(c), -1) << type << " place " << i;
            }
        }
        ReleaseEffects();
    }
    for (int type : {2, 4, 5, 7, 12, 15, 17}) {
        const int32_t s = MakePower(type, 1200);
        EXPECT_EQ(Child<SpriteMover>(s, 0)->lifetime, 1600) << type;
        EXPECT_EQ(Child<ParticleEmitter>(s, 1)->lifetime, 1200) << type;
    }
    // Type 7's second emitter stops emitting 500 ms before the first.
    const int32_t s = MakePower(7, 1200);
    EXPECT_EQ(Child<ParticleEmitter>(s, 2)->lifetime, 700);
}

TEST_F(PowerRecipeTest, TypeNineIsOrangeAtColourZeroAndTakesAnyOtherColourWhole) {
    for (uint32_t colour : {0u, 0x12345678u}) {
        const uint32_t expected = colour ? colour : 0x00FF9600u;
        const int32_t s = MakePower(9, -1, colour);
        EXPECT_EQ(Child<SpriteMover>(s, 0)->colourStart, expected);
        EXPECT_EQ(Child<SpriteMover>(s, 1)->colourMiddle, expected);
        int bolts = 0;
        for (uint32_t i = 0; i < GroupOf(s).childCount; ++i)
            if (auto* bolt = Child<BoltEffect>(s, i)) {
                EXPECT_EQ(bolt->colour, expected);
                ++bolts;
            }
        EXPECT_EQ(bolts, 5);
    }
}

TEST_F(PowerRecipeTest, TypeThreesParticlesLieFlatAtTheAngleOfTheVelocity) {
    const struct { Vec3 velocity; float h; } cases[] = {{{0, 0, 4}, 1.5f * kPi}, {{3, 0, 0}, kPi}};
    for (const auto& c : cases) {
        const int32_t s = MakePower(3, -1, 0, c.velocity);
        const ParticleEmitter* e = Child<ParticleEmitter>(s, 0);
        ASSERT_NE(e, nullptr);
        EXPECT_NEAR(e->particleTemplate.angle, c.h, 1e-5f);
        EXPECT_NEAR(e->angleMin, c.h, 1e-5f);
        EXPECT_NEAR(e->angleMax, c.h, 1e-5f);
        EXPECT_EQ(e->particleTemplate.drawFlags, 6);
        ExpectNear(e->particleTemplate.facingDirection, Vec3{0, 1, 0});
    }
}

// The bolts of the beam run from the caster to the aim point.
TEST_F(PowerRecipeTest, TheBeamsBoltsRunFromTheEffectToItsAimPoint) {
    const int32_t s = Make({.type = 1, .position = {1, 2, 3}, .aimPoint = {1, 2, 9}, .durationMs = -1});
    const BoltEffect* bolt = Child<BoltEffect>(s, 4);
    ASSERT_NE(bolt, nullptr);
    ExpectNear(bolt->start, Vec3{1, 2, 3});
    ExpectNear(bolt->end, Vec3{1, 2, 9});
    EXPECT_EQ(bolt->blendMode, 2);
}

}  // namespace
}  // namespace efftest
