// The twenty power effects as their recipes build them: children, order, lifetimes, type 9's
// colour and type 3's flat particles.
#include <gtest/gtest.h>

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
};

TEST_F(PowerRecipeTest, EveryPowerTypeFillsItsPlacesInTheListedOrderAndEndlessStaysEndless) {
    for (int type = 0; type < 20; ++type) {
        const int32_t s = MakePower(type, EFFECT_ENDLESS);
        ASSERT_EQ(FindEffectRecipe(type)->rows.size(), EFFECT_TYPE_TABLE[type].childCount) << type;
        for (uint32_t i = 0; i < GroupOf(s).childCount; ++i) {
            PositionedObject* c = GroupOf(s).children[i];
            ASSERT_NE(c, nullptr) << type << " place " << i;
            const auto* sprite = dynamic_cast<SpriteMover*>(c);
            const auto* emitter = dynamic_cast<ParticleEmitter*>(c);
            EXPECT_EQ(sprite ? sprite->lifetime : emitter ? emitter->lifetime : -1, -1) << type;
        }
        ReleaseEffects();
    }
    // Type 0: second, first, third; 8: reversed; the sweeps, 17 and 18: first, third, second.
    EXPECT_FLOAT_EQ(Child<SpriteMover>(MakePower(0, -1), 0)->sizeStart, 0.25f);
    EXPECT_FLOAT_EQ(Child<SpriteMover>(MakePower(8, -1), 2)->sizeStart, 0.5f);
    for (int type : {6, 11, 14, 16, 17, 18}) {
        const int32_t s = MakePower(type, 1200);
        EXPECT_EQ(Child<ParticleEmitter>(s, 1)->rate, FindEffectRecipe(type)->rows[2].rate) << type;
        EXPECT_EQ(Child<ParticleEmitter>(s, 2)->rate, FindEffectRecipe(type)->rows[1].rate) << type;
    }
}

TEST_F(PowerRecipeTest, TwelveHundredMsGiveAFirstSpriteOf1600AndTypeSevenStopsEmittingEarly) {
    for (int type : {2, 4, 5, 7, 12, 15, 17}) {
        const int32_t s = MakePower(type, 1200);
        EXPECT_EQ(Child<SpriteMover>(s, 0)->lifetime, 1600) << type;
        EXPECT_EQ(Child<ParticleEmitter>(s, 1)->lifetime, 1200) << type;
    }
    EXPECT_EQ(Child<ParticleEmitter>(MakePower(7, 1200), 2)->lifetime, 700);
}

TEST_F(PowerRecipeTest, TypeNineIsOrangeAtColourZeroAndTypeThreeLiesFlatAtItsHeading) {
    for (uint32_t colour : {0u, 0x12345678u}) {
        const int32_t s = MakePower(9, -1, colour);
        const uint32_t expected = colour ? colour : 0x00FF9600u;
        EXPECT_EQ(Child<SpriteMover>(s, 1)->colourMiddle, expected);
        for (uint32_t i = 2; i < 7; ++i) EXPECT_EQ(Child<BoltEffect>(s, i)->colour, expected);
    }
    const struct { Vec3 velocity; float h; } cases[] = {{{0, 0, 4}, 1.5f * kPi}, {{3, 0, 0}, kPi}};
    for (const auto& c : cases) {
        const ParticleEmitter* e = Child<ParticleEmitter>(MakePower(3, -1, 0, c.velocity), 0);
        EXPECT_NEAR(e->particleTemplate.angle, c.h, 1e-5f);
        EXPECT_NEAR(e->angleMin, c.h, 1e-5f);
        EXPECT_NEAR(e->angleMax, c.h, 1e-5f);
        EXPECT_EQ(e->particleTemplate.drawFlags, 6);
    }
}

}  // namespace
}  // namespace efftest
