// A short way to write recipe rows: a child and its texture, then only the values the row gives,
// chained, each left at 0 where the row says nothing.
#pragma once

#include "common/math.h"
#include "effects/effect_recipe.h"
#include "effects/sprite_mover.h"

namespace recipe_rows {

inline constexpr Vec3 kUp{0.0f, 1.0f, 0.0f};
inline constexpr Vec3 kDown{0.0f, -1.0f, 0.0f};
inline constexpr Vec3 kAlongX{1.0f, 0.0f, 0.0f};

struct Row {
    RecipeChild c;

    constexpr Row Jitter(int32_t ms) const { Row r = *this; r.c.lifetimeJitter = ms; return r; }
    constexpr Row Cone(float k) const { Row r = *this; r.c.directionCone = k; return r; }
    constexpr Row Angle(float lo, float hi) const { Row r = *this; r.c.angleMin = lo; r.c.angleMax = hi; return r; }
    constexpr Row Angle(float a) const { return Angle(a, a); }
    constexpr Row RandomAngle() const { Row r = *this; r.c.angleSource = RecipeAngleSource::RandomMilli; return r; }
    constexpr Row Spin(float lo, float hi) const { Row r = *this; r.c.spinMin = lo; r.c.spinMax = hi; return r; }
    constexpr Row Spin(float s) const { return Spin(s, s); }
    constexpr Row Radius(float k) const { Row r = *this; r.c.spawnRadius = {k}; return r; }
    // A ball of k x scale around the centre, which is given in units of the scale.
    constexpr Row ScaledBall(float k, const Vec3& centre) const {
        Row r = *this;
        r.c.spawnRadius = ScaleTimes(k);
        r.c.spawnCentre = {centre, true};
        return r;
    }
    constexpr Row SizeScales(float s, float m, float e) const {
        Row r = *this;
        r.c.sizeScales[0] = s;
        r.c.sizeScales[1] = m;
        r.c.sizeScales[2] = e;
        return r;
    }
    constexpr Row ColourJitters(uint32_t s, uint32_t m, uint32_t e) const {
        Row r = *this;
        r.c.colourJitters[0] = s;
        r.c.colourJitters[1] = m;
        r.c.colourJitters[2] = e;
        return r;
    }
    constexpr Row Emits(int32_t ms) const { Row r = *this; r.c.emits = {ms}; return r; }
    constexpr Row Keys(RecipeColour s, RecipeColour m, RecipeColour e, float middle) const {
        Row r = *this;
        r.c.colours[0] = s;
        r.c.colours[1] = m;
        r.c.colours[2] = e;
        r.c.colourMiddleTime = middle;
        return r;
    }
    constexpr Row Colours(uint32_t s, uint32_t m, uint32_t e, float middle) const {
        return Keys(RecipeColour{s}, RecipeColour{m}, RecipeColour{e}, middle);
    }
    constexpr Row Sizes(RecipeNumber s, RecipeNumber m, RecipeNumber e, float middle) const {
        Row r = *this;
        r.c.sizes[0] = s;
        r.c.sizes[1] = m;
        r.c.sizes[2] = e;
        r.c.sizeMiddleTime = middle;
        r.c.sizeFlags = CURVE_THREE_KEYS;
        return r;
    }
    constexpr Row Sizes(float s, float m, float e, float middle) const {
        return Sizes(RecipeNumber{s}, RecipeNumber{m}, RecipeNumber{e}, middle);
    }
    constexpr Row ScaledSizes(float s, float m, float e, float middle) const {
        return Sizes(ScaleTimes(s), ScaleTimes(m), ScaleTimes(e), middle);
    }
    // One constant size.
    constexpr Row Size(RecipeNumber s) const { Row r = *this; r.c.sizes[0] = s; r.c.sizeFlags = 0; return r; }
    constexpr Row Speed(RecipeNumber k, const Vec3& along) const {
        Row r = *this;
        r.c.speed = k;
        r.c.direction = {along};
        return r;
    }
    constexpr Row Accel(RecipeNumber k, const Vec3& along) const {
        Row r = *this;
        r.c.accel = k;
        r.c.accelDirection = {along};
        return r;
    }
    constexpr Row Turn(float radiansPerSecond) const { Row r = *this; r.c.angleSpeed = radiansPerSecond; return r; }
    constexpr Row FrameRate(uint16_t fps) const { Row r = *this; r.c.frameRate = fps; return r; }
    constexpr Row Facing() const { Row r = *this; r.c.facing = true; return r; }
    constexpr Row Blend(uint8_t preset, uint8_t draw = 0) const {
        Row r = *this;
        r.c.blendMode = preset;
        r.c.drawFlags = draw;
        return r;
    }
    constexpr operator RecipeChild() const { return c; }
};

constexpr Row Emitter(int32_t perSecond, const char* texture, RecipeTime life) {
    Row r{};
    r.c.child = RecipeChildKind::Emitter;
    r.c.rate = perSecond;
    r.c.texture = texture;
    r.c.life = life;
    return r;
}
constexpr Row Emitter(int32_t perSecond, const char* texture, int32_t lifeMs) {
    return Emitter(perSecond, texture, RecipeTime{lifeMs});
}
constexpr Row Sprite(const char* texture, RecipeTime life) {
    Row r{};
    r.c.child = RecipeChildKind::Sprite;
    r.c.texture = texture;
    r.c.life = life;
    return r;
}
constexpr Row Sprite(const char* texture, int32_t lifeMs) { return Sprite(texture, RecipeTime{lifeMs}); }

// A type's recipe: its rows, the order they join the group in (empty: as built) and the values
// that take the place of a scale or colour of 0.
constexpr EffectRecipe Recipe(int32_t type, std::span<const RecipeChild> rows, std::span<const uint8_t> order = {},
                              float scaleDefault = 0.0f, uint32_t colourDefault = 0, bool colourBySide = false) {
    return EffectRecipe{type, rows, order, scaleDefault, colourDefault, colourBySide};
}

}  // namespace recipe_rows
