// The game's own recipes of the world and event effects: every type fills exactly its places in
// the order it lists, and the values that come from the call, the side and the fog.
#include <gtest/gtest.h>

#include <vector>

#include "effect_pool_fixture.h"
#include "effects/effect_list.h"
#include "effects/effect_type_table.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"
#include "scene/scene.h"

namespace efftest {
namespace {

// The types these families give a recipe.
constexpr int kTypes[] = {20, 30, 32, 40, 41, 42, 43, 44, 50, 51, 52, 53, 54, 55, 56, 60, 62,
                          63, 64, 65, 66, 67, 70, 71, 72, 73, 74, 75, 76, 79, 80, 81, 82, 83,
                          84, 85, 86, 87, 90, 91, 92, 93, 94, 95, 96, 97};

// A child as its place shows it: sprite or emitter, (particle) lifetime and start size.
struct Place {
    char kind;
    int32_t life;
    float size;
};

class EffectRecipesTest : public EffectPoolTest {
protected:
    void SetUp() override {
        EffectPoolTest::SetUp();
        ResetEffectRecipes();
    }
    static int32_t MakeOfType(int type, float scale = 0, uint32_t colour = 0, Character* owner = nullptr) {
        return Make({.type = type, .durationMs = EFFECT_TYPE_TABLE[type].lifetime, .scale = scale, .colour = colour,
                     .owner = owner});
    }
    static Place PlaceOf(int32_t slot, uint32_t place) {
        if (const auto* e = Child<ParticleEmitter>(slot, place))
            return {'E', e->particleTemplate.lifetime, e->particleTemplate.sizeStart};
        if (const auto* s = Child<SpriteMover>(slot, place)) return {'S', s->lifetime, s->sizeStart};
        return {'?', 0, 0};
    }
    static void SetFog(bool on) {
        g_Scene.skyTexture = on ? 0 : -1;
        g_Scene.hazeNear = 10.0f;
        g_Scene.hazeFar = 30.0f;
    }
};

TEST_F(EffectRecipesTest, EveryTypeFillsItsPlacesInItsListedOrder) {
    for (int type : kTypes) {
        SCOPED_TRACE(type);
        ASSERT_NE(FindEffectRecipe(type), nullptr);
        const int32_t s = MakeOfType(type);
        ASSERT_GE(s, 0);
        const EffectGroup& g = GroupOf(s);
        EXPECT_EQ(g.childCount, EFFECT_TYPE_TABLE[type].childCount);
        for (uint32_t i = 0; i < g.childCount; ++i) EXPECT_NE(PlaceOf(s, i).kind, '?') << i;
        ResetEffectPool();
    }
    // The types whose children join in another order than they are built.
    const struct {
        int type;
        std::vector<Place> places;
    } orders[] = {
        {32, {{'E', 1000, 0.6f}, {'E', 1000, 1.2f}, {'E', 500, 0.8f}, {'E', 600, 0.4f}, {'S', 800, 0}}},
        {51, {{'E', 1000, 0.15f}, {'E', 200, 0.1f}, {'E', 1500, 0.3f}}},
        {53, {{'E', 1000, 0.3f}, {'E', 500, 0.2f}, {'E', 2000, 0.2f}}},
        {63, {{'E', 1500, 0.25f}, {'E', 1500, 5}}},
        {64, {{'E', 1500, 0.25f}, {'E', 1500, 5}}},
        {65, {{'E', 1600, 0.3f}, {'E', 8000, 0.2f}, {'S', -1, 1.8f}, {'S', -1, 1}}},
        {74, {{'E', 800, 0.1f}, {'E', 800, 1}}},
        {75, {{'E', 1000, 0.4f}, {'E', 800, 0.1f}, {'S', -1, 2.8f}, {'S', -1, 2}}},
        {76, {{'E', 1000, 0.124f}, {'S', -1, 2.8f}, {'S', -1, 2}}},
        {79, {{'E', 1000, 0.2f}, {'E', 400, 4}}},
        {80, {{'E', 1000, 0.2f}, {'E', 400, 4}}},
        {81, {{'E', 1000, 0.1f}, {'S', 5000, 1.8f}}},
    };
    for (const auto& o : orders) {
        const int32_t s = MakeOfType(o.type);
        for (uint32_t i = 0; i < o.places.size(); ++i) {
            const Place got = PlaceOf(s, i), want = o.places[i];
            EXPECT_TRUE(got.kind == want.kind && got.life == want.life && std::abs(got.size - want.size) < 1e-5f)
                << "type " << o.type << " place " << i << ": " << got.kind << " " << got.life << " " << got.size;
        }
    }
}

TEST_F(EffectRecipesTest, AnElementMapPlumeFadesAndCullsByTheFogOnlyInAFoggyScenario) {
    for (bool fog : {false, true}) {
        SCOPED_TRACE(fog);
        ResetEffectPool();
        SetFog(fog);
        const int32_t s = Make({.type = 50, .position = {1, 2, 3}, .durationMs = -1});
        const EffectGroup& g = GroupOf(s);
        EXPECT_EQ(g.cullBoxOn, 1);
        ExpectNear(g.cullBox.min, Vec3{0.8f, 1.8f, 2.8f});
        ExpectNear(g.cullBox.max, Vec3{1.2f, 4.0f, 3.2f});
        EXPECT_EQ(g.cullDistanceOn, fog);
        if (fog) {
            EXPECT_FLOAT_EQ(g.cullDistance, 20.0f);
        }
        for (uint32_t i = 0; i < 2; ++i)
            EXPECT_EQ((Child<ParticleEmitter>(s, i)->flags & EMITTER_DISTANCE_FADE) != 0, fog) << i;
    }
}

TEST_F(EffectRecipesTest, TheCallsScaleAndColourOfZeroTakeTheTypesDefaults) {
    // A portal's rings shrink to 1.25.
    const SpriteMoverTemplate& ring = Child<ParticleEmitter>(MakeOfType(63), 1)->particleTemplate;
    EXPECT_FLOAT_EQ(ring.sizeStart, 5.0f);
    EXPECT_FLOAT_EQ(ring.sizeMiddle, 3.75f);
    EXPECT_FLOAT_EQ(ring.sizeEnd, 1.25f);
    // The hit spark: two red emitters, the second growing to 4.
    const int32_t hit = MakeOfType(40);
    for (uint32_t i = 0; i < 2; ++i) {
        const SpriteMoverTemplate& t = Child<ParticleEmitter>(hit, i)->particleTemplate;
        EXPECT_TRUE(t.colourStart == 0x00FF3232u && t.colourMiddle == 0x00FF3232u) << i;
        EXPECT_FLOAT_EQ(t.sizeStart, 0.01f);
        EXPECT_FLOAT_EQ(t.sizeMiddle, 1.0f);
    }
    EXPECT_FLOAT_EQ(Child<ParticleEmitter>(hit, 1)->particleTemplate.sizeEnd, 4.0f);
    // The checkpoint marker: white to half the default red.
    const SpriteMover* marker = Child<SpriteMover>(MakeOfType(82), 0);
    EXPECT_EQ(marker->colourStart, 0x00FFFFFFu);
    EXPECT_EQ(marker->colourMiddle, 0x007F8000u);
    EXPECT_FLOAT_EQ(marker->sizeStart, 0.6f);
    // Dust keeps the call's colour under its own alphas.
    const SpriteMoverTemplate& dust = Child<ParticleEmitter>(MakeOfType(85, 0, 0x11223344), 0)->particleTemplate;
    EXPECT_TRUE(dust.colourStart == 0x64223344u && dust.colourMiddle == 0x32223344u);
}

TEST_F(EffectRecipesTest, TheGlowTakesItsOwnersSideTheBlastItsSpriteLastAndTheSeekerStartsEmpty) {
    for (int side : {0, 1}) {
        Character& owner = Fighter(side, {});
        owner.side = side;
        const uint32_t c = Child<SpriteMover>(MakeOfType(42, 0, 0, &owner), 0)->colourStart;
        const uint32_t r = (c >> 16) & 0xFF, b = c & 0xFF;
        EXPECT_TRUE(side == 0 ? (b == 0xFF && r < 0xFF) : (r == 0xFF && b < 0xFF)) << side;
    }
    const int32_t blast = MakeOfType(32);
    EXPECT_NE(Child<SpriteMover>(blast, 4), nullptr);
    EXPECT_FLOAT_EQ(Child<SpriteMover>(blast, 4)->sizeEnd, 9.6f);
    const int32_t seeker = MakeOfType(65);
    for (uint32_t i = 0; i < 2; ++i) {
        const ParticleEmitter* e = Child<ParticleEmitter>(seeker, i);
        EXPECT_TRUE(e->elapsed == 0 && e->particles->Count() == 0) << i;
    }
    // A standing fire is already a second into its emission.
    EXPECT_GT(Child<ParticleEmitter>(MakeOfType(55), 0)->particles->Count(), 0);
}

}  // namespace
}  // namespace efftest
