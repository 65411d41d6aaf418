// The recipes of the effects that mark events and states: the explosion, hits, glows, the sides'
// auras, spawns and level-ups, checkpoints, the search object, landing dust, splashes and the
// items' effects. Pairs of one layout differ by their side's colour (blue-violet for side 0,
// orange for side 1).
#include "effects/effect_recipe.h"
#include "effects/recipe_rows.h"

namespace {

using namespace recipe_rows;

constexpr float kHalfPi = kPi / 2.0f;

constexpr RecipeChild k20[] = {
    Emitter(25, "vet09.bmp", 500).Jitter(300).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFC864FF, 0x80C864FF, 0, 0.5f).Sizes(0.3f, 0.65f, 1, 0.5f).Speed({0.4f}, kUp).Blend(2),
};
constexpr RecipeChild k30[] = {
    Emitter(25, "veta03.tga", 500).Jitter(300).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f).Sizes(0.3f, 0.65f, 1, 0.5f).Speed({0.4f}, kUp).Blend(1),
};
constexpr RecipeChild k32[] = {
    Sprite("vet08.bmp", 800).Colours(0xFFFFFFFF, 0x64FF9600, 0, 0.5f).Sizes(0, 4.8f, 9.6f, 0.5f).RandomAngle()
        .Blend(2),
    Emitter(150, "veta03.tga", 1000).Jitter(300).Cone(1).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .Colours(0xFFFFFFFF, 0x64FF9600, 0, 0.5f).Sizes(0.6f, 1.6f, 3.2f, 0.3f).Speed({1.2f}, kUp).Blend(1),
    Emitter(30, "veta03.tga", 1000).Jitter(300).Cone(1).Angle(0, kTwoPi).Spin(-kPi / 4, kPi / 4)
        .Colours(0x00323232, 0x50323232, 0, 0.7f).Sizes(1.2f, 2.4f, 4, 0.5f).Speed({1.2f}, kUp).Blend(1),
    Emitter(60, "vet16.bmp", 500).Jitter(50).Cone(1).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0xFFFFFF80, 0xFFFF9600, 0, 0.5f).Sizes(0.8f, 1.6f, 1.6f, 0.3f).Speed({1.2f}, kUp).Blend(2),
    Emitter(70, "veta04.tga", 600).Emits(300).Cone(1).Colours(0xFFFFFF80, 0xFFB46400, 0, 0.5f)
        .Sizes(0.4f, 2, 3.2f, 0.5f).Speed({3.2f}, kUp).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k40[] = {
    Emitter(4, "vet20.bmp", 350).Keys(kCallColour, kCallColour, {0}, 0.5f).ScaledSizes(0.01f, 1, 1, 0.5f).Blend(2),
    Emitter(4, "Glow07.bmp", 350).Keys(kCallColour, kCallColour, {0}, 0.5f).ScaledSizes(0.01f, 1, 4, 0.5f).Blend(2),
};
constexpr RecipeChild k41[] = {
    Emitter(20, "Glow06.bmp", kDuration).Cone(0.8f).Angle(kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Keys({0x00FFFFFF}, kCallColour, {0}, 0.5f).ScaledSizes(0.15f, 0.3f, 0.45f, 0.5f).Speed(ScaleTimes(1), kUp)
        .Accel(ScaleTimes(3), kDown).Blend(2),
    Emitter(20, "Glow07.bmp", kDuration).Cone(1).Angle(kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0x00FFFFFF, 0x00FFFFFF, 0, 0.5f).ScaledSizes(0.15f, 0.3f, 0.45f, 0.5f).Speed(ScaleTimes(1), kUp)
        .Blend(2),
};
constexpr RecipeChild k42[] = {
    Sprite("Glow04.tga", kDuration).Keys(kCallColour, kCallColour, {0}, 0.5f).Size(ScaleTimes(0.2f))
        .Turn(-kHalfPi).Blend(2),
};
constexpr RecipeChild k43[] = {
    Sprite("Glow04.tga", DurationPlus(400)).Keys(kCallColour, kCallColour, {0}, 0.8f).Sizes(0.1f, 3, 3, 0.2f)
        .Turn(-kHalfPi).Blend(2),
    Emitter(15, "vet06.bmp", 500).Spin(kPi).Keys(kCallColour, kCallColour, {0}, 0.5f).Sizes(0.1f, 0.8f, 1.6f, 0.5f)
        .Turn(kPi / 4).Blend(2),
    Emitter(150, "vet16.bmp", 700).Cone(1).Angle(0, kTwoPi).Spin(-kPi, kPi).Colours(0x00646464, 0x00646464, 0, 0.8f)
        .Sizes(0.01f, 0.05f, 0.1f, 0.5f).Speed({2}, kDown).Blend(2),
};
constexpr RecipeChild k44[] = {
    Emitter(30, "Glow04.tga", 800).Jitter(100).Angle(0, kTwoPi).Spin(-kHalfPi)
        .Colours(0x00FF6400, 0x00FF6400, 0, 0.8f).Sizes(0.1f, 1.5f, 3, 0.5f).Blend(2),
    Emitter(100, "veta06.tga", 800).Jitter(100).Radius(0.1f).Cone(1).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FF6400, 0x00C83200, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
    Emitter(80, "veta00.tga", 800).Jitter(100).Radius(0.1f).Cone(1).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FF6400, 0x00FF6400, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
};
constexpr RecipeChild k70[] = {
    Emitter(15, "vet09.bmp", 200).Jitter(100).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFC864FF, 0x80C864FF, 0, 0.5f).Sizes(0.15f, 0.325f, 0.5f, 0.5f).Speed({0.4f}, kUp).Blend(2),
};
constexpr RecipeChild k71[] = {
    Emitter(100, "veta06.tga", 400).Jitter(100).Radius(0.1f).Cone(1).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .Colours(0x006464FF, 0x003232C8, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
    Emitter(80, "veta00.tga", 400).Jitter(100).Radius(0.1f).Cone(1).Spin(-kHalfPi, kHalfPi)
        .Colours(0x006464FF, 0x006464FF, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
};
constexpr RecipeChild k72[] = {
    Emitter(15, "veta03.tga", 500).Jitter(100).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f).Sizes(0.15f, 0.325f, 0.5f, 0.5f).Speed({0.3f}, kUp)
        .Blend(1),
};
constexpr RecipeChild k73[] = {
    Emitter(100, "veta06.tga", 400).Jitter(100).Radius(0.1f).Cone(1).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FF6400, 0x00C83200, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
    Emitter(80, "veta00.tga", 400).Jitter(100).Radius(0.1f).Cone(1).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FF6400, 0x00FF6400, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
};
constexpr RecipeChild k74[] = {
    Emitter(30, "vet18.bmp", 800).Jitter(200).Radius(0.5f).Colours(0x00C832FF, 0xFF32C8FF, 0, 0.7f)
        .Sizes(1, 2, 4, 0.5f).Blend(2),
    Emitter(30, "Glow07.bmp", 800).Jitter(200).Radius(0.5f).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFFFFFFF, 0xFF6464FF, 0, 0.5f).Sizes(0.1f, 0.3f, 0.6f, 0.5f).Blend(2),
};
// The two spawn glows of side 0 share their turning sprites.
constexpr Row kSpawnGlowA =
    Sprite("Glow07.bmp", kDuration).Colours(0, 0x006464FF, 0, 0.1f).Size({2}).Turn(kHalfPi).Blend(2);
constexpr Row kSpawnGlowB =
    Sprite("Glow04.tga", kDuration).Colours(0, 0x006464FF, 0, 0.1f).Size({2.8f}).Turn(-kHalfPi).Blend(2);
constexpr RecipeChild k75[] = {
    kSpawnGlowA,
    kSpawnGlowB,
    Emitter(15, "glow07.bmp", 1000).Spin(kHalfPi).Colours(0x00646480, 0x00464680, 0, 0.5f)
        .Sizes(0.4f, 1.7f, 1, 0.1f).Blend(2),
    Emitter(50, "Glow07.bmp", 800).Jitter(100).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0x00C8C800, 0x00646400, 0, 0.5f).Sizes(0.1f, 0.2f, 0.3f, 0.2f).Speed({1.2f}, kUp).Blend(2),
};
constexpr RecipeChild k76[] = {
    kSpawnGlowA,
    kSpawnGlowB,
    Emitter(60, "Glow07.bmp", 1000).Jitter(200).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0x00C8C800, 0x00646400, 0, 0.5f).ScaledSizes(0.2f, 0.3f, 0.5f, 0.5f).Speed(ScaleTimes(1), kUp)
        .Turn(-kHalfPi).Blend(2),
};
constexpr RecipeChild k79[] = {
    Emitter(10, "veta01.tga", 400).Colours(0, 0x006464FF, 0x00640000, 0.5f).ScaledSizes(4, 3, 1, 0.5f).Facing()
        .Blend(2),
    Emitter(5, "vet06.bmp", 1000).Colours(0x00FFFFFF, 0x00FF9664, 0, 0.5f).ScaledSizes(0.2f, 0.5f, 1, 0.5f)
        .Facing().Turn(kPi / 4).Blend(2),
};
constexpr RecipeChild k80[] = {
    Emitter(10, "veta03.tga", 400).Spin(-kPi / 4, kPi / 4).Colours(0, 0x00FF3200, 0x00323200, 0.5f)
        .ScaledSizes(4, 3, 1, 0.5f).Facing().Blend(2),
    Emitter(5, "vet05.bmp", 1000).Colours(0x00FFFFFF, 0x00FFFF00, 0, 0.5f).ScaledSizes(0.2f, 0.5f, 1, 0.5f)
        .Facing().Turn(kPi / 4).Blend(2),
};
constexpr RecipeChild k81[] = {
    Sprite("Glow04.tga", kDuration).Colours(0xFFC8C8FF, 0x966464FF, 0, 0.5f).Size({1.8f}).Facing().Turn(-kHalfPi)
        .Blend(2, SPRITE_FIXED_FACING),
    Emitter(10, "vet14.bmp", 1000).Radius(0.2f).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFF6464FF, 0x966464FF, 0, 0.5f).Sizes(0.1f, 0.5f, 0.8f, 0.3f).Facing()
        .Blend(2, SPRITE_FIXED_FACING),
};
constexpr RecipeChild k82[] = {
    Sprite("Glow00.tga", kDuration).Keys({0x00FFFFFF}, kCallColourHalf, {0}, 0.5f).Size(ScaleTimes(0.5f)).Blend(2),
    Emitter(50, "veta06.tga", 700).Cone(1).Keys(kCallColour, kCallColour, {0}, 0.5f).ScaledSizes(0, 0.15f, 0.3f, 0.5f)
        .Speed(ScaleTimes(0.2f), kUp).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k83[] = {
    Sprite("Glow03.tga", kDuration).Keys({0x00FFFFFF}, kCallColourHalf, {0}, 0.5f).Size(ScaleTimes(1)).Blend(2),
    Emitter(100, "veta07.tga", 500).Cone(1).Keys(kCallColour, kCallColour, {0}, 0.5f)
        .ScaledSizes(1.2f, 1.2f, 1.2f, 0.5f).Speed(ScaleTimes(0.2f), kUp).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k84[] = {
    Sprite("Glow07.bmp", DurationPlus(400)).Keys(kCallColour, kCallColour, {0}, 0.8f).Sizes(0.1f, 5, 5, 0.2f)
        .Turn(-kHalfPi).Blend(2),
    Sprite("Glow07.bmp", DurationPlus(400)).Colours(0x00FFFFFF, 0x00FFFFFF, 0, 0.8f).Sizes(0.1f, 2.5f, 2.5f, 0.2f)
        .Turn(kHalfPi).Blend(2),
    Emitter(150, "vet16.bmp", 900).Jitter(200).Cone(1).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0x00FFFFFF, 0x009696FF, 0, 0.8f).Sizes(0.01f, 0.05f, 0.1f, 0.5f).Speed({2}, kDown).Blend(2),
};
constexpr RecipeChild k85[] = {
    Emitter(30, "veta08.tga", 1000).Radius(0.2f).Cone(0.4f).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .Keys(CallColourWithAlpha(0x64), CallColourWithAlpha(0x32), {0}, 0.7f).Sizes(0.4f, 0.7f, 1, 0.5f)
        .Speed({0.7f}, kUp).Accel({1.5f}, kDown).Blend(1),
    Emitter(50, "veta08.tga", 700).Jitter(100).Radius(0.35f).Cone(0.3f).Angle(0, kTwoPi)
        .Keys(CallColourWithAlpha(0xFF), CallColourWithAlpha(0x80), {0}, 0.7f).Sizes(0.03f, 0.03f, 0.03f, 0.5f)
        .Speed({1}, kUp).Accel({1}, kDown).Blend(1, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k86[] = {
    Emitter(200, "veta09.tga", 1200).Jitter(200).Radius(0.2f).Cone(0.4f)
        .Keys(CallColourWithAlpha(0xFF), CallColourWithAlpha(0x80), {0}, 0.7f).Sizes(0.4f, 0.7f, 1, 0.5f)
        .Speed({1.5f}, kUp).Accel({3}, kDown).Blend(1),
    Emitter(500, "veta10.tga", 1200).Jitter(400).Radius(0.35f).Cone(0.4f)
        .Keys(CallColourWithAlpha(0xFF), CallColourWithAlpha(0xC8), {0}, 0.7f).Sizes(0.08f, 0.08f, 0.08f, 0.5f)
        .Speed({2}, kUp).Accel({3}, kDown).Blend(1, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k87[] = {
    Emitter(25, "vet16.bmp", 7000).Jitter(1000).Cone(0.1f).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .SizeScales(1.5f, 1.5f, 1.5f).Colours(0xFF323214, 0x8019190A, 0, 0.7f).Sizes(1, 1.5f, 2, 0.5f)
        .Speed({2.5f}, kUp).Blend(2),
};
constexpr RecipeChild k90[] = {
    Sprite("vet10.bmp", kDuration).Keys(kCallColour, kCallColourHalf, {0}, 0.5f).Size(ScaleTimes(1)).Blend(2),
};
constexpr RecipeChild k91[] = {
    Emitter(30, "Glow07.bmp", 700).Keys({0x00FFFFFF}, kCallColour, {0}, 0.5f).ScaledSizes(1, 0.5f, 0.01f, 0.5f)
        .Blend(2),
    Emitter(30, "vet24.bmp", 400).Keys({0x00FFFFFF}, kCallColour, {0}, 0.5f).ScaledSizes(0.5f, 1, 1, 0.5f).Blend(2),
};
constexpr RecipeChild k92[] = {
    Emitter(50, "Glow05.bmp", 1500).Cone(0.3f).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Keys({0x00FFFFFF}, kCallColour, {0}, 0.5f).ScaledSizes(0, 0.2f, 0.3f, 0.5f).Speed(ScaleTimes(3), kUp)
        .Accel(ScaleTimes(5), kDown).Blend(2),
};
constexpr RecipeChild k93[] = {
    Emitter(40, "veta04.tga", 700).Cone(1).Colours(0x00800000, 0x00800000, 0, 0.5f)
        .ScaledSizes(0.1f, 0.5f, 0.8f, 0.5f).Speed(ScaleTimes(1), kUp).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k94[] = {
    Emitter(20, "vet10.bmp", 1000).ScaledBall(0.5f, {0, -0.2f, 0}).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0x006464FF, 0x006464FF, 0, 0.5f).ScaledSizes(0.01f, 0.12f, 0.12f, 0.5f)
        .Speed(ScaleTimes(0.5f), kUp).Blend(2),
};
constexpr RecipeChild k95[] = {
    Emitter(20, "vet10.bmp", 1000).ScaledBall(0.5f, {0, -0.2f, 0}).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0x00C8C8C8, 0x00C8C8C8, 0, 0.5f).ScaledSizes(0.01f, 0.12f, 0.12f, 0.5f)
        .Speed(ScaleTimes(0.5f), kUp).Blend(2),
};
constexpr RecipeChild k96[] = {
    Emitter(40, "Glow05.bmp", 700).Jitter(200).Cone(1).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Keys({0x00FFFFFF}, kCallColour, {0x00FF8000}, 0.5f).ScaledSizes(0.2f, 0.3f, 0.5f, 0.5f)
        .Speed(ScaleTimes(0.8f), kUp).Blend(2),
};
constexpr RecipeChild k97[] = {
    Emitter(40, "veta06.tga", 700).Cone(1).Colours(0x00FF0000, 0x00FF0000, 0, 0.5f)
        .ScaledSizes(0.1f, 0.5f, 0.8f, 0.5f).Speed(ScaleTimes(1), kUp).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
};

constexpr uint8_t kSecondFirst[] = {1, 0};
constexpr uint8_t kSpriteLast[] = {1, 2, 3, 4, 0};
constexpr uint8_t kThirdFourthSecondFirst[] = {2, 3, 1, 0};
constexpr uint8_t kThirdSecondFirst[] = {2, 1, 0};

constexpr EffectRecipe kEvents[] = {
    Recipe(20, k20),
    Recipe(30, k30),
    Recipe(32, k32, kSpriteLast),
    Recipe(40, k40, {}, 1, 0x00FF3232),
    Recipe(41, k41, {}, 1, 0x00FFFF00),
    Recipe(42, k42, {}, 1, 0, true),
    Recipe(43, k43, {}, 0, 0x00FF9600),
    Recipe(44, k44),
    Recipe(70, k70),
    Recipe(71, k71),
    Recipe(72, k72),
    Recipe(73, k73),
    Recipe(74, k74, kSecondFirst),
    Recipe(75, k75, kThirdFourthSecondFirst),
    Recipe(76, k76, kThirdSecondFirst, 0.62f),
    Recipe(79, k79, kSecondFirst, 1),
    Recipe(80, k80, kSecondFirst, 1),
    Recipe(81, k81, kSecondFirst),
    Recipe(82, k82, {}, 1.2f, 0x00FF0000),
    Recipe(83, k83, {}, 1.5f, 0x00FF0000),
    Recipe(84, k84, {}, 0, 0x00FF9600),
    Recipe(85, k85, {}, 0, 0x00C89664),
    Recipe(86, k86, {}, 0, 0x00969696),
    Recipe(87, k87),
    Recipe(90, k90, {}, 1.116f, 0x006464FF),
    Recipe(91, k91, {}, 2, 0x00FFFFFF),
    Recipe(92, k92, {}, 1, 0x00FFFFFF),
    Recipe(93, k93, {}, 0.62f),
    Recipe(94, k94, {}, 1),
    Recipe(95, k95, {}, 1),
    Recipe(96, k96, {}, 0.62f, 0x00FFFF64),
    Recipe(97, k97, {}, 0.62f),
};

}  // namespace

const std::span<const EffectRecipe> EVENT_EFFECT_RECIPES(kEvents);
