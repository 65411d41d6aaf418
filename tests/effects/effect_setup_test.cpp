// The set-up every effect type shares: the standing effects' first second, the fog's fades and
// culls, the emitters' flags, the call's values and the types' defaults through the rows, where
// the children end up, and the textures they load.
#include <gtest/gtest.h>

#include <numbers>

#include "effect_pool_fixture.h"
#include "effects/bolt_effect.h"
#include "effects/effect_setup.h"
#include "effects/effects.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"
#include "render/texture_manager.h"
#include "scene/scene.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"

namespace efftest {
namespace {

constexpr RecipeChild kEmitter{.child = RecipeChildKind::Emitter, .life = {500}, .sizes = {{1}}, .rate = 10};
constexpr RecipeChild kSprite{.child = RecipeChildKind::Sprite, .life = {500}, .sizes = {{1}}};
constexpr RecipeChild kOneEmitter[] = {kEmitter};
constexpr RecipeChild kSpriteAndEmitter[] = {kSprite, kEmitter};
// Sizes that grow with the scale and colours made from the call's.
constexpr RecipeChild kScaled[] = {{.child = RecipeChildKind::Emitter,
                                    .life = {500},
                                    .colours = {kCallColour, kCallColourHalf, CallColourWithAlpha(0x64)},
                                    .sizes = {ScaleTimes(0.01f), ScaleTimes(1), ScaleTimes(4)},
                                    .sizeFlags = CURVE_THREE_KEYS}};
constexpr RecipeChild kTimed[] = {{.child = RecipeChildKind::Sprite, .life = DurationPlus(400)},
                                  {.child = RecipeChildKind::Emitter, .life = {500}, .emits = DurationPlus(-500)}};
constexpr RecipeChild kPlaced[] = {kSprite,
                                   {.child = RecipeChildKind::Emitter, .spawnCentre = {{0, -0.2f, 0}, true}},
                                   {.child = RecipeChildKind::Bolt, .minStep = 1, .maxStep = 1}};
constexpr uint8_t kBoltFirst[] = {2, 0, 1};
constexpr RecipeChild kAlongFlight[] = {
    {.child = RecipeChildKind::Emitter, .angleSource = RecipeAngleSource::FromVelocity}};
constexpr RecipeChild kShade[] = {{.child = RecipeChildKind::Sprite, .colours = {kCallColour}}};
constexpr RecipeChild kTurned[] = {{.child = RecipeChildKind::Sprite, .angleSource = RecipeAngleSource::RandomMilli}};
constexpr RecipeChild kTwice[] = {{.child = RecipeChildKind::Sprite, .texture = "Glow00.tga"},
                                  {.child = RecipeChildKind::Emitter, .texture = "Glow00.tga"}};
constexpr EffectRecipe kRecipes[] = {
    {.type = 0, .rows = kOneEmitter},
    {.type = 1, .rows = kPlaced, .addOrder = kBoltFirst},
    {.type = 2, .rows = kTimed},
    {.type = 3, .rows = kAlongFlight},
    {.type = 32, .rows = kTurned},
    {.type = 40, .rows = kScaled, .scaleDefault = 1, .colourDefault = 0x00FF3232},
    {.type = 42, .rows = kShade, .colourBySide = true},
    {.type = 43, .rows = kTwice},
    {.type = 50, .rows = kOneEmitter},
    {.type = 54, .rows = kOneEmitter},
    {.type = 63, .rows = kOneEmitter},
    {.type = 65, .rows = kOneEmitter},
    {.type = 81, .rows = kOneEmitter},
    {.type = 82, .rows = kSpriteAndEmitter},
};

class EffectSetupTest : public EffectPoolTest {
protected:
    void SetUp() override {
        EffectPoolTest::SetUp();
        g_EffectRecipes = kRecipes;
    }
    static void SetFog(bool on) {
        g_Scene.skyTexture = on ? 0 : -1;
        g_Scene.hazeNear = 10.0f;
        g_Scene.hazeFar = 30.0f;
    }
};

TEST_F(EffectSetupTest, StandingEffectsStartASecondInAndType61EndsAtItsFirstUpdate) {
    for (int t = 0; t < EFFECT_TYPE_COUNT; ++t)
        EXPECT_EQ(EffectTypePrewarms(t), (t >= 50 && t <= 64) || (t >= 66 && t <= 69)) << t;
    EXPECT_EQ(Child<ParticleEmitter>(Make({.type = 50}), 0)->elapsed, 1000u);
    EXPECT_EQ(Child<ParticleEmitter>(Make({.type = 65}), 0)->elapsed, 0u);
    const int32_t empty = Make({.type = 61});
    EXPECT_EQ(GroupOf(empty).childCount, 0u);
    UpdateEffects(16);
    EXPECT_FALSE(g_EffectSlots[empty].active);
}

TEST_F(EffectSetupTest, FogFadesAndCullsOnlyInAFoggyScenario) {
    for (bool fog : {false, true}) {
        SCOPED_TRACE(fog);
        ResetEffectPool();
        g_EffectRecipes = kRecipes;
        SetFog(fog);
        const Vec3 at{1, 2, 3};
        const ParticleEmitter* e = Child<ParticleEmitter>(Make({.type = 50, .position = at}), 0);
        EXPECT_EQ((e->flags & EMITTER_DISTANCE_FADE) != 0, fog);
        EXPECT_FLOAT_EQ(e->fadeNear, 10.0f);
        EXPECT_FLOAT_EQ(e->fadeFar, 20.0f);
        const SpriteMover* marker = Child<SpriteMover>(Make({.type = 82}), 0);
        EXPECT_EQ((marker->drawFlags & SPRITE_DISTANCE_FADE) != 0, fog);
        EXPECT_FLOAT_EQ(marker->fadeFar, 20.0f);
        EXPECT_EQ((Child<ParticleEmitter>(Make({.type = 0}), 0)->flags & EMITTER_DISTANCE_FADE), 0u);

        const EffectGroup& plume = GroupOf(0);
        EXPECT_EQ(plume.cullBoxOn, 1);
        ExpectNear(plume.cullBox.min, Vec3{0.8f, 1.8f, 2.8f});
        ExpectNear(plume.cullBox.max, Vec3{1.2f, 4.0f, 3.2f});
        EXPECT_EQ(plume.cullDistanceOn, fog);
        if (fog) {
            EXPECT_FLOAT_EQ(plume.cullDistance, 20.0f);
        }
        const EffectGroup& blast = GroupOf(Make({.type = 32}));
        EXPECT_EQ(blast.cullBoxOn, 0);
        EXPECT_EQ(blast.cullDistanceOn, fog);
    }
}

TEST_F(EffectSetupTest, EmittersStartWithTheirTypesFlags) {
    const struct { int type; uint32_t flags; } cases[] = {{0, 1}, {3, 2}, {50, 0}, {54, 1}, {63, 3}, {81, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(Child<ParticleEmitter>(Make({.type = c.type}), 0)->flags, c.flags) << c.type;
}

TEST_F(EffectSetupTest, AScaleOrColourOfZeroTakesTheTypesDefaultAndAnyOtherIsKept) {
    const struct { float scale; uint32_t colour; float start; uint32_t first, middle, last; } cases[] = {
        {0.0f, 0, 0.01f, 0x00FF3232, 0x007F9919, 0x64FF3232},
        {-0.5f, 0x00FFFFFF, -0.005f, 0x00FFFFFF, 0x007FFFFF, 0x64FFFFFF},
        {0.01f, 0x00FF0000, 0.0001f, 0x00FF0000, 0x007F8000, 0x64FF0000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        const int32_t s = Make({.type = 40, .scale = c.scale, .colour = c.colour});
        const SpriteMoverTemplate& t = Child<ParticleEmitter>(s, 0)->particleTemplate;
        EXPECT_FLOAT_EQ(t.sizeStart, c.start);
        EXPECT_FLOAT_EQ(t.sizeEnd, c.start * 400.0f);
        EXPECT_TRUE(t.colourStart == c.first && t.colourMiddle == c.middle && t.colourEnd == c.last);
    }
}

TEST_F(EffectSetupTest, TimesFromTheDurationStayEndlessAndNeverTurnNegative) {
    const struct { int32_t duration, sprite, emits; } cases[] = {{1200, 1600, 700}, {-1, -1, -1}, {300, 700, 0}};
    for (const auto& c : cases) {
        const int32_t s = Make({.type = 2, .durationMs = c.duration});
        EXPECT_EQ(Child<SpriteMover>(s, 0)->lifetime, c.sprite) << c.duration;
        EXPECT_EQ(Child<ParticleEmitter>(s, 1)->lifetime, c.emits) << c.duration;
    }
}

TEST_F(EffectSetupTest, ChildrenJoinInTheRecipesOrderAndEndAtAbsolutePositions) {
    const int32_t s = Make({.type = 1, .position = {1, 2, 3}, .aimPoint = {1, 2, 8}, .scale = 2});
    const BoltEffect* bolt = Child<BoltEffect>(s, 0);
    ASSERT_NE(bolt, nullptr);
    ExpectNear(bolt->start, Vec3{1, 2, 3});
    ExpectNear(bolt->end, Vec3{1, 2, 8});
    const SpriteMover* sprite = Child<SpriteMover>(s, 1);
    ExpectNear(Vec3{sprite->x, sprite->y, sprite->z}, Vec3{1, 2, 3});
    ExpectNear(Child<ParticleEmitter>(s, 2)->position, Vec3{1, 1.6f, 3});
}

TEST_F(EffectSetupTest, TheHooksTurnParticlesAlongTheFlightShadeBySideAndTurnTheBlastAtRandom) {
    EXPECT_FLOAT_EQ(FacingAngleOfVelocity(Vec3{2, 0, 0}), kPi);
    const ParticleEmitter* e = Child<ParticleEmitter>(Make({.type = 3, .velocity = {0, 0, 5}}), 0);
    EXPECT_FLOAT_EQ(e->particleTemplate.angle, 1.5f * kPi);
    EXPECT_TRUE(e->angleMin == e->particleTemplate.angle && e->angleMax == e->angleMin);
    for (int side : {0, 1}) {
        Character& owner = Fighter(side, {});
        owner.side = side;
        const uint32_t c = Child<SpriteMover>(Make({.type = 42, .owner = &owner}), 0)->colourStart;
        const uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        EXPECT_TRUE(c >> 24 == 0 && g >= 50 && g <= 180) << side;
        EXPECT_EQ(side == 0 ? b : r, 0xFFu);
        EXPECT_EQ(side == 0 ? r : b, g);
    }
    const float angle = Child<SpriteMover>(Make({.type = 32}), 0)->angle;
    EXPECT_TRUE(angle >= 0.0f && angle <= 3.141f);
}

TEST_F(EffectSetupTest, ATextureUsedTwiceLoadsOnce) {
    ScopedWorkDir dir;
    datakit::PackWriter pack;
    pack.Add("TEXTURAS\\EFECTOS\\GLOW00.TGA", datakit::TgaFile(datakit::SolidPicture(4, 4, 0xFFFFFFFF)));
    ASSERT_TRUE(pack.WriteTo("TEXTURAS.DAT"));
    const uint32_t before = g_Scene.textures->count;
    const int32_t s = Make({.type = 43});
    const int32_t id = Child<SpriteMover>(s, 0)->texture;
    EXPECT_GE(id, 0);
    EXPECT_EQ(Child<ParticleEmitter>(s, 1)->particleTemplate.texture, id);
    EXPECT_EQ(g_Scene.textures->count, before + 1);
}

}  // namespace
}  // namespace efftest
