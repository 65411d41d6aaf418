// What each effect type builds, as data: one row per child (a sprite, a particle emitter or a
// bolt) in the order the recipe builds them, with the few values that come from the call made
// into small expressions (a size times the call's scale, the call's duration plus an offset, the
// call's colour shifted or with another alpha).
#pragma once

#include <cstdint>
#include <span>

#include "common/math.h"

enum class RecipeChildKind : uint8_t { Sprite, Emitter, Bolt };

// k, or k times the call's scale.
struct RecipeNumber {
    float k = 0.0f;
    bool timesScale = false;
};
constexpr RecipeNumber ScaleTimes(float k) { return {k, true}; }

// v, or v times the call's scale.
struct RecipeVector {
    Vec3 v{};
    bool timesScale = false;
};

// ms, or the call's duration plus ms. An endless duration stays endless, and a finite one never
// turns negative, which would read as endless.
struct RecipeTime {
    int32_t ms = 0;
    bool fromDuration = false;
};
constexpr RecipeTime DurationPlus(int32_t ms) { return {ms, true}; }
constexpr RecipeTime kDuration{0, true};

enum class RecipeColourSource : uint8_t {
    Constant,       // value
    Argument,       // the call's colour
    ArgumentHalf,   // the call's colour shifted right by one bit as a 32-bit number
    ArgumentAlpha,  // the call's red, green and blue with the alpha byte of value
};
struct RecipeColour {
    uint32_t value = 0;
    RecipeColourSource source = RecipeColourSource::Constant;
};
constexpr RecipeColour kCallColour{0, RecipeColourSource::Argument};
constexpr RecipeColour kCallColourHalf{0, RecipeColourSource::ArgumentHalf};
constexpr RecipeColour CallColourWithAlpha(uint8_t alpha) {
    return {uint32_t(alpha) << 24, RecipeColourSource::ArgumentAlpha};
}

enum class RecipeDirectionSource : uint8_t { Constant, Velocity, Acceleration };
struct RecipeDirection {
    Vec3 v{};
    RecipeDirectionSource source = RecipeDirectionSource::Constant;
};
constexpr RecipeDirection kAlongVelocity{{}, RecipeDirectionSource::Velocity};
constexpr RecipeDirection kAlongAcceleration{{}, RecipeDirectionSource::Acceleration};

enum class RecipeAngleSource : uint8_t {
    Given,          // the row's angle and angle range
    FromVelocity,   // every particle at the heading angle of the effect's velocity
    RandomMilli,    // the sprite's angle drawn from 0..3.141 in thousandths
};

struct RecipeChild {
    RecipeChildKind child = RecipeChildKind::Sprite;
    const char* texture = nullptr;   // in "Texturas\Efectos\"; null for none
    // The sprite's (or each particle's) lifetime.
    RecipeTime life{};
    // Start, middle and end over three keys; a bolt takes the first.
    RecipeColour colours[3] = {};
    float colourMiddleTime = 0.0f;
    RecipeNumber sizes[3] = {};
    float sizeMiddleTime = 0.0f;
    uint16_t sizeFlags = 0;          // CURVE_THREE_KEYS, or 0 for a constant start size
    RecipeNumber speed{};
    RecipeDirection direction{};
    RecipeNumber accel{};
    RecipeDirection accelDirection{};
    RecipeAngleSource angleSource = RecipeAngleSource::Given;
    float angle = 0.0f;
    float angleSpeed = 0.0f;
    uint16_t frameRate = 0;
    // Lies across the effect's direction instead of facing the camera.
    bool facing = false;
    uint8_t blendMode = 0;
    uint8_t drawFlags = 0;
    // An emitter's own values.
    int32_t rate = 0;
    int32_t lifetimeJitter = 0;
    RecipeNumber spawnRadius{};
    RecipeVector spawnCentre{};      // from the group's origin
    float directionCone = 0.0f;
    float angleMin = 0.0f, angleMax = 0.0f;
    float spinMin = 0.0f, spinMax = 0.0f;
    float sizeScales[3] = {};
    uint32_t colourJitters[3] = {};
    RecipeTime emits = kDuration;
    // A bolt's, which runs from the group's origin to the effect's aim point.
    float minStep = 0.0f, maxStep = 0.0f;
    float width = 0.0f;
    float jitter = 0.0f;
};

// Children of the largest compound effect.
constexpr int RECIPE_MAX_CHILDREN = 8;

struct EffectRecipe {
    int32_t type = 0;
    std::span<const RecipeChild> rows;
    // Row indices in the order the children join the group; empty: the rows' order.
    std::span<const uint8_t> addOrder;
    float scaleDefault = 0.0f;       // takes the place of a scale of exactly 0; 0: scale not read
    uint32_t colourDefault = 0;      // takes the place of a colour of 0
    // A colour of 0 becomes a random shade of the owner's side.
    bool colourBySide = false;
};

// The recipes of one family of types.
extern const std::span<const EffectRecipe> POWER_RECIPES;   // 0-19

// The recipes of the game, one per type that has one, in type order.
extern const std::span<const EffectRecipe> EFFECT_RECIPES;
// The recipes the set-up builds from: the game's, or a test's own.
extern std::span<const EffectRecipe> g_EffectRecipes;
void ResetEffectRecipes();
// The recipe of a type among g_EffectRecipes, null when it has none.
const EffectRecipe* FindEffectRecipe(int32_t type);
