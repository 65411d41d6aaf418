// The recipes of the effects that stand in the world: the element map's plumes, smoke, fire and
// waterfalls (50-62), the search object's seeker (65), the portals (63, 64) and the springs (66,
// 67). They emit until they are stopped.
#include "effects/effect_recipe.h"
#include "effects/recipe_rows.h"

namespace {

using namespace recipe_rows;

constexpr float kHalfPi = kPi / 2.0f;

constexpr RecipeChild k50[] = {
    Emitter(10, "veta03.tga", 2000).Jitter(1000).Cone(0.05f).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0xFFFFFF64, 0x64FF9600, 0, 0.7f).Sizes(0.1f, 0.4f, 0.8f, 0.5f).Speed({0.5f}, kUp).Blend(1),
    Emitter(5, "veta03.tga", 3000).Jitter(1000).Cone(0.05f).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0xFF646464, 0x80323232, 0, 0.7f).Sizes(0.1f, 0.4f, 0.8f, 0.5f).Speed({0.5f}, kUp).Blend(1),
};
constexpr RecipeChild k51[] = {
    Emitter(150, "veta03.tga", 1000).Jitter(300).Cone(0.05f).Angle(0, kTwoPi).Spin(-3 * kPi, 3 * kPi)
        .Colours(0xFFFFFFFF, 0x64FF9600, 0, 0.5f).Sizes(0.15f, 0.4f, 0.8f, 0.3f).Speed({3.5f}, kUp).Blend(1),
    Emitter(30, "veta03.tga", 1500).Jitter(300).Cone(0.05f).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0x00323232, 0x50323232, 0, 0.7f).Sizes(0.3f, 0.6f, 1, 0.5f).Speed({2}, kUp).Blend(1),
    Emitter(60, "vet16.bmp", 200).Jitter(50).Cone(0.05f).Angle(0, kTwoPi).Spin(-3 * kPi, 3 * kPi)
        .Colours(0xFFFFFF80, 0xFFFF9600, 0, 0.5f).Sizes(0.1f, 0.2f, 0.2f, 0.3f).Speed({3.5f}, kUp).Blend(2),
};
constexpr RecipeChild k52[] = {
    Emitter(30, "vet16.bmp", 1000).Jitter(300).Cone(0.02f).Angle(0, kTwoPi).Spin(-3 * kPi, 3 * kPi)
        .Colours(0xFFFF9600, 0xFFFF7800, 0, 0.3f).Sizes(0.15f, 0.4f, 0.6f, 0.3f).Speed({2}, kUp).Blend(2),
    Emitter(60, "veta03.tga", 1500).Jitter(300).Cone(0.05f).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0x32646464, 0xFF505050, 0, 0.5f).Sizes(0.3f, 0.6f, 1, 0.5f).Speed({2}, kUp).Blend(1),
};
constexpr RecipeChild k53[] = {
    Emitter(30, "veta03.tga", 1000).Jitter(500).Cone(0.15f).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f).Sizes(0.3f, 0.4f, 0.7f, 0.5f).Speed({0.5f}, kUp).Blend(1),
    Emitter(10, "veta03.tga", 2000).Jitter(300).Cone(0.15f).Angle(0, kTwoPi).Spin(-kPi, kPi)
        .Colours(0x00323232, 0x50323232, 0, 0.8f).Sizes(0.2f, 0.3f, 0.5f, 0.5f).Speed({0.5f}, kUp).Blend(1),
    Emitter(10, "vet16.bmp", 500).Jitter(100).Cone(0.05f).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFFFFF32, 0xFFFF9600, 0, 0.3f).Sizes(0.2f, 0.3f, 0.5f, 0.5f).Speed({0.5f}, kUp).Blend(2),
};
constexpr RecipeChild k54[] = {
    Emitter(60, "veta03.tga", 1000).Jitter(500).Cone(0.25f).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f).Sizes(0.3f, 0.4f, 0.7f, 0.5f).Speed({0.5f}, kUp).Blend(1),
    Emitter(10, "vet16.bmp", 600).Jitter(300).Cone(0.25f).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0xFFFFFF32, 0xFFFF9600, 0, 0.5f).Sizes(0.2f, 0.3f, 0.7f, 0.5f).Speed({0.3f}, kUp).Blend(2),
};
constexpr RecipeChild k55[] = {
    Emitter(50, "veta06.tga", 800).Jitter(800).Radius(0.1f).Cone(0.1f).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FF6400, 0x00C83200, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
    Emitter(30, "veta00.tga", 800).Jitter(500).Radius(0.1f).Cone(0.1f).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FF6400, 0x00FF6400, 0, 0.5f).Sizes(0.05f, 0.5f, 0.7f, 0.1f).Speed({1.2f}, kUp).Blend(2),
};
constexpr RecipeChild k56[] = {
    Emitter(5, "vet16.bmp", 4000).Jitter(2000).Cone(0.1f).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .SizeScales(1.5f, 1.5f, 1.5f).ColourJitters(0x00323232, 0x00191919, 0)
        .Colours(0xFF646464, 0x80323232, 0, 0.7f).Sizes(0.2f, 0.7f, 1.2f, 0.5f).Speed({0.3f}, kUp).Blend(2),
};
constexpr RecipeChild k60[] = {
    Emitter(70, "veta04.tga", 1500).Jitter(100).Radius(0.05f).Cone(0.07f)
        .Colours(0x00C8C8FF, 0x00646480, 0x00323246, 0.5f).Sizes(0.3f, 1, 2.7f, 0.5f).Speed({2}, kAlongX)
        .Accel({4}, kDown).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
    Emitter(15, "vet09.bmp", 1500).Jitter(100).Radius(0).Cone(0.03f).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00B4B4E1, 0x00505064, 0x001E1E32, 0.5f).Sizes(0.1f, 0.7f, 1.4f, 0.5f).Speed({2}, kAlongX)
        .Accel({4}, kDown).Blend(2),
};
constexpr RecipeChild k62[] = {
    Emitter(70, "veta04.tga", 1500).Jitter(100).Radius(0.3f).Cone(0.07f)
        .Colours(0x00C8C8FF, 0x00646480, 0x00323246, 0.5f).Sizes(0.3f, 1, 2.7f, 0.5f).Speed({0.5f}, kUp)
        .Accel({4}, kDown).Blend(2),
    Emitter(40, "ani_Grasa(ANI00).bmp", 1000).Jitter(300).Radius(0.3f).Cone(0.03f).Spin(-kHalfPi, kHalfPi)
        .Colours(0x00FFFFFF, 0x00C8C8FF, 0, 0.5f).Sizes(0.1f, 0.15f, 0.15f, 0.5f).Speed({0.5f}, kUp)
        .Accel({4}, kDown).FrameRate(5).Blend(2),
};
// The portals' particles lie flat across the portal and show both faces.
constexpr uint8_t kPortalDraw = SPRITE_FIXED_FACING | SPRITE_NO_CULLING;
constexpr RecipeChild k63[] = {
    Emitter(5, "veta01.tga", 1500).Spin(kPi / 8, kPi / 4).Colours(0, 0x006464FF, 0x00640000, 0.5f)
        .ScaledSizes(4, 3, 1, 0.5f).Facing().Blend(2, kPortalDraw),
    Emitter(5, "vet06.bmp", 1500).Colours(0x00FFFFFF, 0x00FF9664, 0, 0.5f).ScaledSizes(0.2f, 0.5f, 1, 0.5f)
        .Facing().Turn(kPi / 4).Blend(2, kPortalDraw),
};
constexpr RecipeChild k64[] = {
    Emitter(5, "veta03.tga", 1500).Spin(-kPi / 4, kPi / 4).Colours(0, 0x00FF6400, 0x00323200, 0.5f)
        .ScaledSizes(4, 3, 1, 0.5f).Facing().Blend(2, kPortalDraw),
    Emitter(5, "vet05.bmp", 1500).Colours(0x00FFFFFF, 0x00FFFF00, 0, 0.5f).ScaledSizes(0.2f, 0.5f, 1, 0.5f)
        .Facing().Turn(kPi / 4).Blend(2, kPortalDraw),
};
constexpr RecipeChild k65[] = {
    Sprite("Glow06.bmp", kDuration).Colours(0xFFFFFFFF, 0x966464FF, 0, 0.5f).Size({1}).Turn(kHalfPi).Blend(2),
    Sprite("Glow04.tga", kDuration).Colours(0xFF6464FF, 0x966464FF, 0, 0.5f).Size({1.8f}).Turn(-kHalfPi).Blend(2),
    Emitter(150, "veta06.tga", 1600).Jitter(100).Radius(0.1f).Cone(1).Angle(0, kTwoPi).Spin(-kHalfPi, kHalfPi)
        .Colours(0xFF6464FF, 0x966464FF, 0, 0.5f).Sizes(0.3f, 0.4f, 0.5f, 0.1f).Speed({0.1f}, kUp).Blend(2),
    Emitter(50, "vet12.bmp", 8000).Spin(kHalfPi).Colours(0xFF6464FF, 0x966464FF, 0, 0.5f)
        .Sizes(0.2f, 1, 0.2f, 0.1f).Blend(2),
};
constexpr RecipeChild k66[] = {
    Emitter(40, "veta04.tga", 1000).Cone(1).Colours(0x00800000, 0x00800000, 0, 0.5f)
        .ScaledSizes(0.1f, 0.5f, 0.8f, 0.5f).Speed(ScaleTimes(1), kUp).Blend(2, SPRITE_ANGLE_FOLLOWS_MOTION),
};
constexpr RecipeChild k67[] = {
    Emitter(25, "vet10.bmp", 2500).ScaledBall(0.5f, {0, -0.2f, 0}).Angle(0, kTwoPi).Spin(-2 * kPi, 2 * kPi)
        .Colours(0x006464FF, 0x006464FF, 0, 0.5f).ScaledSizes(0.01f, 0.12f, 0.12f, 0.5f)
        .Speed(ScaleTimes(0.5f), kUp).Blend(2),
};

constexpr uint8_t kFirstThirdSecond[] = {0, 2, 1};
constexpr uint8_t kSecondFirst[] = {1, 0};
constexpr uint8_t kThirdFourthSecondFirst[] = {2, 3, 1, 0};

constexpr EffectRecipe kWorld[] = {
    Recipe(50, k50),
    Recipe(51, k51, kFirstThirdSecond),
    Recipe(52, k52),
    Recipe(53, k53, kFirstThirdSecond),
    Recipe(54, k54),
    Recipe(55, k55),
    Recipe(56, k56),
    Recipe(60, k60),
    Recipe(62, k62),
    Recipe(63, k63, kSecondFirst, 1.25f),
    Recipe(64, k64, kSecondFirst, 1.25f),
    Recipe(65, k65, kThirdFourthSecondFirst),
    Recipe(66, k66, {}, 3),
    Recipe(67, k67, {}, 3),
};

}  // namespace

const std::span<const EffectRecipe> WORLD_EFFECT_RECIPES(kWorld);
