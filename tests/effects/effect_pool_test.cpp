// The effect pool: its slots and count, the end of effects whose children have ended, stopping,
// the explosion's reach, and the portals' turning.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "effect_pool_fixture.h"
#include "effects/bolt_effect.h"
#include "effects/effect_list.h"
#include "effects/effect_type_table.h"
#include "effects/effects.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"
#include "scene/scene.h"

namespace efftest {
namespace {

constexpr RecipeChild kSprite{.child = RecipeChildKind::Sprite, .life = kDuration};
constexpr RecipeChild kEmitter{.child = RecipeChildKind::Emitter, .life = {500}, .rate = 10};
constexpr RecipeChild kBolt{.child = RecipeChildKind::Bolt, .minStep = 1, .maxStep = 1, .width = 0.2f};
constexpr RecipeChild kFacing{.child = RecipeChildKind::Emitter, .facing = true};
constexpr RecipeChild kBolts[] = {kBolt, kBolt}, kMixed[] = {kSprite, kEmitter, kBolt}, kPortal[] = {kFacing, kFacing};
constexpr EffectRecipe kRecipes[] = {{.type = 1, .rows = kMixed}, {.type = 9, .rows = kBolts},
                                     {.type = 63, .rows = kPortal}};

TEST_F(EffectPoolTest, FreeSlotsAreTakenLowestFirstAndTheCountSurvivesFreeingTwice) {
    EXPECT_EQ(Make({.slot = -1, .type = 50}), 0);
    EXPECT_EQ(Make({.slot = 7, .type = 50}), 7);
    EXPECT_EQ(Make({.slot = 1500, .type = 50}), 1);
    EXPECT_EQ(Make({.slot = 7, .type = 51}), -1);
    EXPECT_EQ(g_EffectSlots[7].type, 50);
    // Received events carry any byte.
    EXPECT_EQ(Make({.type = 98}), -1);
    EXPECT_EQ(CreateEffectInPool({.type = -3}), -1);
    // Without the scene's list the effect would belong to nobody.
    EffectList* list = std::exchange(g_Scene.effects, nullptr);
    EXPECT_EQ(Make({.type = 50}), -1);
    g_Scene.effects = list;
    EXPECT_EQ(g_EffectSlots[0].Free(), 2);
    EXPECT_EQ(g_EffectSlots[0].Free(), 2);
    EffectSlotFree(1500);
    EXPECT_EQ(Make({.slot = -1, .type = 50}), 0);
    EXPECT_EQ(g_ActiveEffectCount, 3);
    EXPECT_EQ(g_Scene.effects->Count(), 3);
    ReleaseEffects();
    ReleaseEffects();
    EXPECT_EQ(g_ActiveEffectCount, 0);
    EXPECT_EQ(g_Scene.effects->Count(), 0);
}

TEST_F(EffectPoolTest, ElementMapEffectsAimAtTheirPointAndOnlyTheSeekerMoves) {
    for (int type : {50, 65}) {
        const EffectSlot& e = g_EffectSlots[CreateEffectAt(type, 1, 2, 3)];
        ExpectNear(e.aimPoint, Vec3{1, 2, 3});
        ExpectNear(e.velocity, type == 65 ? Vec3{1, 1, 1} : Vec3{});
    }
    ReleaseEffects();
    EXPECT_EQ(g_Scene.effects->Count(), 0);
}

TEST_F(EffectPoolTest, AnEffectEndsAtTheUpdateAfterEveryChildHasEndedOrIsABolt) {
    g_EffectRecipes = kRecipes;
    const struct { int type; bool freed; } cases[] = {{61, true}, {9, true}, {1, false}};
    for (const auto& c : cases) {
        const int32_t s = Make({.type = c.type, .aimPoint = {0, 0, 4}});
        UpdateEffects(16);
        EXPECT_EQ(g_EffectSlots[s].active == 0, c.freed) << c.type;
    }
}

TEST_F(EffectPoolTest, StopRetimesOnlySpritesAndEmittersOnceAndLetsTheGroupRunOutOfView) {
    g_EffectRecipes = kRecipes;
    const int32_t s = Make({.type = 1, .aimPoint = {0, 0, 3}});
    GroupOf(s).Update(100);
    const size_t nodes = Child<BoltEffect>(s, 2)->nodes.size();
    EffectSlotStop(s, 300);
    EffectSlotStop(s, 900);
    EXPECT_TRUE(Child<SpriteMover>(s, 0)->lifetime == 300 && Child<SpriteMover>(s, 0)->age == 0);
    EXPECT_TRUE(Child<ParticleEmitter>(s, 1)->lifetime == 300 && Child<ParticleEmitter>(s, 1)->elapsed == 0);
    EXPECT_EQ(Child<BoltEffect>(s, 2)->nodes.size(), nodes);
    EXPECT_EQ(GroupOf(s).cullBoxOn, 0);
    EXPECT_TRUE(g_EffectSlots[s].stopped);
    // A free slot, or one outside the pool, takes nothing.
    EffectSlotStop(9, 10);
    EffectSlotSetPosition(9, Vec3{1, 2, 3});
    EffectSlotStop(-2, 10);
    EXPECT_FALSE(g_EffectSlots[9].stopped);
    ExpectNear(g_EffectSlots[9].position, Vec3{});
}

TEST_F(EffectPoolTest, AnExplosionReachesFightersAndPropSurfacesWithinFive) {
    // Fighters are measured at their position raised by 0.75.
    Fighter(0, {0, -0.75f, 0});
    Fighter(1, {5, -0.75f, 0});
    Fighter(2, {0, -0.75f, 2.5f});
    Fighter(3, {}).active = 0;
    DynamicObject& near = Prop(0, {5.5f, 0, 0}, 1.0f);
    Prop(1, {0, 0, 6.5f}, 1.0f);
    BlastHits hits;
    CollectBlastHits(Vec3{}, nullptr, &hits);
    ASSERT_TRUE(hits.fighterCount == 2 && hits.propCount == 1);
    EXPECT_EQ(hits.fighters[0], &g_Characters[0]);
    EXPECT_FLOAT_EQ(hits.damage[0], 20.0f);
    EXPECT_FLOAT_EQ(hits.damage[1], 10.0f);
    EXPECT_EQ(hits.props[0], &near);
    ExpectNear(hits.towardBlast[0], Vec3{-1, 0, 0});
    EXPECT_NEAR(hits.force[0], 2.0f, 1e-5f);
    // The owner's effective power scales the push, not the damage.
    Character& owner = Fighter(4, {40, 0, 0});
    owner.power = 2.5f;
    CollectBlastHits(Vec3{}, &owner, &hits);
    EXPECT_FLOAT_EQ(hits.damage[0], 20.0f);
    EXPECT_NEAR(hits.force[0], 5.0f, 1e-5f);
    // Handed out as the explosion is made; a full pool makes none.
    EXPECT_GE(Make({.type = 32, .owner = &owner}), 0);
    EXPECT_EQ(Blasts().size(), 3u);
    while (Make({.type = 50}) >= 0) {}
    EXPECT_EQ(Make({.type = 32}), -1);
    EXPECT_EQ(Blasts().size(), 3u);
}

// A fighter that left the match: the effects it made and those seeking it let go of its record,
// and nothing else changes hands.
TEST_F(EffectPoolTest, EffectsForgetAFighterThatLeftAsTheirMakerAndTheirQuarryOnly) {
    Character& gone = Fighter(2, {});
    Character& other = Fighter(3, {5, 0, 0});
    const int32_t made = Make({.type = 50, .owner = &gone});
    const int32_t seeking = Make({.type = 50, .owner = &other});
    const int32_t kept = Make({.type = 50, .owner = &other});
    EffectSlotSetTarget(seeking, &gone);
    EffectSlotSetTarget(kept, &other);
    EffectSlotsForgetFighter(&gone);
    EXPECT_EQ(EffectSlotOwner(made), nullptr);
    EXPECT_EQ(EffectSlotOwner(seeking), &other);
    EXPECT_EQ(g_EffectSlots[seeking].target, nullptr);
    EXPECT_EQ(EffectSlotOwner(kept), &other);
    EXPECT_EQ(g_EffectSlots[kept].target, &other);
}

TEST_F(EffectPoolTest, OnlyPortalsTurnTheirEmittersAndTheAngleReadsBack) {
    g_EffectRecipes = kRecipes;
    const int32_t hit = Make({.type = 20});
    EffectSlotSetDirection(hit, 2.5f);
    ExpectNear(g_EffectSlots[hit].direction, Vec3{});
    const Vec3 at{1, 2, 3}, facing{std::sin(2.5f), 0, std::cos(2.5f)};
    const int32_t portal = Make({.type = 63, .position = at});
    EffectSlotSetDirection(portal, 2.5f);
    for (uint32_t place = 0; place < 2; ++place) {
        const ParticleEmitter* e = Child<ParticleEmitter>(portal, place);
        ExpectNear(e->facing, facing);
        EXPECT_FLOAT_EQ(e->facingW, -Vec3Dot(at, facing));
        ExpectNear(e->particleTemplate.facingDirection, facing);
    }
    EXPECT_FLOAT_EQ(EffectSlotGetDirection(portal), 2.5f);
    const struct { int type, power; } powers[] = {{0, 0}, {9, 9}, {15, 5}, {20, -1}, {-1, -1}};
    for (const auto& p : powers) {
        g_EffectSlots[0].type = p.type;
        EXPECT_EQ(g_EffectSlots[0].PowerIndex(), p.power) << p.type;
    }
}

TEST(EffectTypeTable, TypesWithoutARowAreEmptyAndEndlessAndEveryRecipeFitsItsPlaces) {
    int empty = 0;
    for (const EffectTypeRow& row : EFFECT_TYPE_TABLE) {
        EXPECT_TRUE(row.childCount <= 7 && row.sortedAsChildren <= 1 && row.emitterFlag <= 1);
        EXPECT_TRUE(row.childCount > 0 || (row.lifetime == -1 && row.emitterFlag == 0));
        empty += row.childCount == 0;
    }
    // Of 98 types 66 have a recipe and 61 a row without one.
    EXPECT_EQ(empty, 98 - 66 - 1);
    for (size_t i = 0; i < EFFECT_RECIPES.size(); ++i) {
        const EffectRecipe& r = EFFECT_RECIPES[i];
        ASSERT_TRUE(IsEffectType(r.type) && (i == 0 || r.type > EFFECT_RECIPES[i - 1].type));
        EXPECT_LE(r.rows.size(), EFFECT_TYPE_TABLE[r.type].childCount) << r.type;
    }
}

}  // namespace
}  // namespace efftest
