// The recipes of the twenty powers' effects: types 0-9 are side 0's powers (mostly blue-violet),
// types 10-19 side 1's (red and orange). Several share a layout and differ in colour and texture.
#include "effects/effect_recipe.h"
#include "effects/sprite_mover.h"

namespace {

// Colour keys: start > middle > end at the middle time.
struct Keys {
    RecipeColour start, middle, end;
    float middleTime;
};

// A constant size (one value), or start / middle / end at the middle time.
struct Sizes {
    float start, middle = 0.0f, end = 0.0f, middleTime = 0.0f;
    bool threeKeys = false;
};
constexpr Sizes Size(float s) { return {s}; }
constexpr Sizes Size(float a, float b, float c, float t) { return {a, b, c, t, true}; }

struct Motion {
    float speed = 0.0f;
    RecipeDirection direction{};
    float accel = 0.0f;
    RecipeDirection accelDirection{};
    float angleSpeed = 0.0f;
};
constexpr RecipeDirection kUp{{0.0f, 1.0f, 0.0f}};
constexpr RecipeDirection kDown{{0.0f, -1.0f, 0.0f}};
constexpr Motion Turning(float angleSpeed) { return {.angleSpeed = angleSpeed}; }

// An emitter's own values; angles in radians, the cone in units of pi.
struct Emit {
    int32_t rate;
    int32_t jitter = 0;
    float spawnRadius = 0.0f;
    float cone = 0.0f;
    float angleMin = 0.0f, angleMax = 0.0f;
    float spinMin = 0.0f, spinMax = 0.0f;
    RecipeTime emits = kDuration;
};

constexpr float kHalfPi = kPi / 2.0f;
constexpr float kQuarterPi = kPi / 4.0f;

constexpr RecipeChild Common(RecipeChildKind kind, const char* texture, RecipeTime life, const Keys& k,
                             const Sizes& s, const Motion& m, uint8_t blend, uint8_t draw) {
    RecipeChild r{.child = kind, .texture = texture, .life = life};
    r.colours[0] = k.start;
    r.colours[1] = k.middle;
    r.colours[2] = k.end;
    r.colourMiddleTime = k.middleTime;
    r.sizes[0] = {s.start};
    r.sizes[1] = {s.middle};
    r.sizes[2] = {s.end};
    r.sizeMiddleTime = s.middleTime;
    r.sizeFlags = s.threeKeys ? CURVE_THREE_KEYS : 0;
    r.speed = {m.speed};
    r.direction = m.direction;
    r.accel = {m.accel};
    r.accelDirection = m.accelDirection;
    r.angleSpeed = m.angleSpeed;
    r.blendMode = blend;
    r.drawFlags = draw;
    return r;
}

constexpr RecipeChild Sprite(const char* texture, RecipeTime life, const Keys& k, const Sizes& s, const Motion& m,
                             uint8_t blend, uint8_t draw = 0) {
    return Common(RecipeChildKind::Sprite, texture, life, k, s, m, blend, draw);
}

constexpr RecipeChild Emitter(const Emit& e, const char* texture, RecipeTime life, const Keys& k, const Sizes& s,
                              const Motion& m, uint8_t blend, uint8_t draw = 0) {
    RecipeChild r = Common(RecipeChildKind::Emitter, texture, life, k, s, m, blend, draw);
    r.rate = e.rate;
    r.lifetimeJitter = e.jitter;
    r.spawnRadius = {e.spawnRadius};
    r.directionCone = e.cone;
    r.angleMin = e.angleMin;
    r.angleMax = e.angleMax;
    r.spinMin = e.spinMin;
    r.spinMax = e.spinMax;
    r.emits = e.emits;
    return r;
}

// From the group's origin to the effect's aim point, blend 2.
constexpr RecipeChild Bolt(float minStep, float maxStep, float width, float jitter, RecipeColour colour) {
    RecipeChild r{.child = RecipeChildKind::Bolt, .texture = "vet02.bmp", .blendMode = 2};
    r.colours[0] = colour;
    r.minStep = minStep;
    r.maxStep = maxStep;
    r.width = width;
    r.jitter = jitter;
    return r;
}

constexpr RecipeColour C(uint32_t argb) { return {argb}; }
constexpr Keys K(uint32_t a, uint32_t b, uint32_t c, float t) { return {C(a), C(b), C(c), t}; }

constexpr RecipeTime Ms(int32_t ms) { return {ms}; }
constexpr RecipeTime kLongerBy400 = DurationPlus(400);
constexpr Emit kFullAngleSpin2{.rate = 0, .angleMin = 0.0f, .angleMax = 2.0f * kPi, .spinMin = -2.0f * kPi,
                               .spinMax = 2.0f * kPi};
constexpr Emit Rate(Emit e, int32_t rate) {
    e.rate = rate;
    return e;
}

// The glow that swells at the caster's feet: shared by the non-flying powers of both sides.
constexpr RecipeChild CastGlow(uint32_t colour) {
    return Sprite("Glow04.tga", kLongerBy400, K(colour, colour, 0, 0.8f), Size(0.1f, 3, 3, 0.2f),
                  Turning(-kHalfPi), 2);
}
constexpr RecipeChild Sparkle(uint32_t middle) {
    return Emitter({.rate = 15, .spinMin = kPi, .spinMax = kPi}, "vet06.bmp", Ms(500), K(0x00FFFFFF, middle, 0, 0.5f),
                   Size(0.1f, 0.8f, 1.6f, 0.5f), Turning(kQuarterPi), 2);
}
// Falling dust of the healing powers: spawn ball 0.25, cone 0.1.
constexpr Emit kFalling{.rate = 30, .spawnRadius = 0.25f, .cone = 0.1f, .angleMin = 0.0f, .angleMax = 2.0f * kPi,
                        .spinMin = -kPi, .spinMax = kPi};
constexpr Motion kFallingMotion{.speed = 2, .direction = kDown, .accel = 1, .accelDirection = kDown};
// The streaks that rise around a caster (types 15 and 17 and the projectile 19).
constexpr Emit Rising(int32_t rate, bool angled) {
    return {.rate = rate, .jitter = 100, .spawnRadius = 0.1f, .cone = 1.0f, .angleMin = 0.0f,
            .angleMax = angled ? 2.0f * kPi : 0.0f, .spinMin = -kHalfPi, .spinMax = kHalfPi};
}
// The sweeps (6, 11, 14, 16) fly along the effect's velocity and speed up along its acceleration.
constexpr Motion Along(float speed, float accel = 0.0f) {
    return {.speed = speed, .direction = kAlongVelocity, .accel = accel,
            .accelDirection = accel != 0.0f ? kAlongAcceleration : RecipeDirection{}};
}
constexpr Emit Sweep(int32_t rate, int32_t jitter, float cone, float spin) {
    return {.rate = rate, .jitter = jitter, .cone = cone, .angleMin = 0.0f, .angleMax = 2.0f * kPi,
            .spinMin = -spin, .spinMax = spin};
}
// The poison and paralysis sweeps of side 1 (14, 16) differ only in their blend.
constexpr RecipeChild SickSweep(int row, uint8_t blend) {
    switch (row) {
    case 0:
        return Emitter(Sweep(100, 300, 0.05f, 3 * kPi), "vet16.bmp", Ms(1000), K(0x00323232, 0x00143214, 0, 0.5f),
                       Size(0.1f, 0.6f, 1, 0.5f), Along(3.5f, 1), blend);
    case 1:
        return Emitter(Sweep(50, 300, 0.05f, kPi), "vet16.bmp", Ms(1200), K(0x00321432, 0x00321432, 0, 0.5f),
                       Size(0.1f, 0.6f, 1, 0.5f), Along(3, 1), blend);
    default:
        return Emitter(Sweep(60, 50, 0.05f, 3 * kPi), "vet16.bmp", Ms(200), K(0xFFFFFF80, 0xFF64FF64, 0, 0.5f),
                       Size(0.1f, 0.2f, 0.2f, 0.3f), Along(3.5f, 1), blend);
    }
}

constexpr RecipeChild kType0[] = {
    Sprite("Glow00.tga", kDuration, K(0xFFC864FF, 0x80C864FF, 0, 0.5f), Size(0.5f), Turning(-kHalfPi), 2),
    Sprite("Glow03.tga", kDuration, K(0xFF6464FF, 0x806464FF, 0, 0.5f), Size(0.25f), {}, 2),
    Sprite("vet06.bmp", kDuration, K(0x80FFFFFF, 0x40FFFFFF, 0, 0.5f), Size(0.3f), Turning(kHalfPi), 2),
};
constexpr RecipeChild kType1[] = {
    Sprite("Glow04.tga", kDuration, K(0x006464FF, 0x006464FF, 0, 0.5f), Size(0.8f), Turning(-kHalfPi), 2),
    Sprite("Glow04.tga", kDuration, K(0x006464FF, 0x006464FF, 0, 0.5f), Size(1.2f), Turning(-kHalfPi), 2, 2),
    Emitter(Rate(kFullAngleSpin2, 40), "vet14.bmp", Ms(500), K(0xFF6464FF, 0xFF6464FF, 0, 0.5f),
            Size(0.2f, 0.3f, 0.4f, 0.5f), Turning(-kHalfPi), 2, 2),
    Emitter(Rate(kFullAngleSpin2, 40), "vet14.bmp", Ms(500), K(0xFF6464FF, 0xFF6464FF, 0, 0.5f),
            Size(0.2f, 0.4f, 0.6f, 0.5f), {}, 2, 2),
    Bolt(2, 2, 0.2f, 0.01f, C(0xFFA0A0FF)),
    Bolt(0.3f, 0.8f, 0.07f, 0.05f, C(0xFF6464FF)),
    Bolt(0.3f, 0.8f, 0.07f, 0.05f, C(0xFF6464FF)),
};
constexpr RecipeChild kType2[] = {
    CastGlow(0x006464FF),
    Emitter({.rate = 5}, "vet06.bmp", Ms(500), K(0x00FFFFFF, 0x00FF9664, 0, 0.5f), Size(0.1f, 0.8f, 1.6f, 0.5f),
            Turning(kQuarterPi), 2),
    Emitter({.rate = 40, .cone = 1.0f}, "veta04.tga", Ms(500), K(0x00800000, 0x00800000, 0, 0.5f),
            Size(0.1f, 0.5f, 0.8f, 0.5f), {.speed = 1.5f, .direction = kUp, .angleSpeed = kQuarterPi}, 2, 1),
    Emitter(kFalling, "vet16.bmp", Ms(800), K(0x00191940, 0x00400C0C, 0, 0.8f), Size(0.01f, 0.6f, 1, 0.1f),
            kFallingMotion, 2),
    Emitter(Rate(kFalling, 60), "Glow07.bmp", Ms(800), K(0x00FFFF64, 0x00FFFF32, 0, 0.7f),
            Size(0.1f, 0.2f, 0.3f, 0.5f), kFallingMotion, 2),
};
constexpr RecipeChild kType3[] = {[] {
    RecipeChild r = Emitter({.rate = 200}, "vet19.bmp", Ms(500), K(0x00FFFFFF, 0x000064FF, 0, 0.5f),
                            Size(2, 1, 0.5f, 0.5f), {}, 2, 6);
    r.angleSource = RecipeAngleSource::FromVelocity;
    r.facing = true;
    return r;
}()};
constexpr RecipeChild kType4[] = {
    CastGlow(0x006464FF),
    Sparkle(0x006464FF),
    Emitter({.rate = 100}, "vet12.bmp", Ms(700), K(0x00646464, 0x003C3C64, 0, 0.7f), Size(0.05f, 0.5f, 2, 0.05f),
            {.speed = 3, .direction = kDown}, 2),
    Emitter(kFalling, "vet16.bmp", Ms(800), K(0x00141432, 0x00141432, 0, 0.8f), Size(0.01f, 0.6f, 1, 0.1f),
            kFallingMotion, 2),
    Emitter({.rate = 30, .spinMin = kQuarterPi, .spinMax = kQuarterPi}, "vet24.bmp", Ms(800),
            K(0x00969646, 0x00969646, 0, 0.5f), Size(0.1f, 1.5f, 3, 0.5f), {}, 2),
};
constexpr RecipeChild kType5[] = {
    CastGlow(0x006464FF),
    Sparkle(0x006464FF),
    Emitter({.rate = 300, .spawnRadius = 0.25f, .cone = 1.0f, .angleMin = 0.0f, .angleMax = 2.0f * kPi,
             .spinMin = -kPi, .spinMax = kPi},
            "vet16.bmp", Ms(400), K(0x00282864, 0x00282864, 0, 0.8f), Size(0.01f, 0.6f, 1, 0.1f),
            {.speed = 2, .direction = kDown}, 2),
};
constexpr RecipeChild kType6[] = {
    Emitter(Sweep(200, 300, 0.1f, 3 * kPi), "vet16.bmp", Ms(1000), K(0x00323232, 0x00232332, 0, 0.5f),
            Size(0.1f, 0.6f, 1, 0.5f), Along(3.5f), 2),
    Emitter(Sweep(50, 100, 0.07f, 2 * kPi), "vet22.bmp", Ms(400), K(0x00808080, 0x00808080, 0, 0.5f),
            Size(0.05f, 0.1f, 0.15f, 0.5f), Along(4.5f), 2),
    Emitter(Sweep(60, 50, 0.05f, 3 * kPi), "vet16.bmp", Ms(200), K(0xFFFFFFFF, 0xFF646464, 0, 0.5f),
            Size(0.1f, 0.2f, 0.2f, 0.3f), Along(3.5f), 2),
};
constexpr RecipeChild kType7[] = {
    CastGlow(0x006464FF),
    Emitter({.rate = 15, .spinMin = kPi, .spinMax = kPi}, "vet06.bmp", kDuration, K(0x00FFFFFF, 0x006464FF, 0, 0.5f),
            Size(0.1f, 1.4f, 2.8f, 0.5f), Turning(kQuarterPi), 2),
    Emitter({.rate = 100, .spinMin = -2 * kPi, .spinMax = -2 * kPi, .emits = DurationPlus(-500)}, "vet14.bmp",
            kDuration, K(0x00B45050, 0x0064641E, 0, 0.2f), Size(0.1f, 1.4f, 2.8f, 0.2f), Turning(kQuarterPi), 2),
};
constexpr RecipeChild kType8[] = {
    Sprite("vet10.bmp", kDuration, K(0x00FFFFFF, 0x006464FF, 0, 0.5f), Size(0.5f), {}, 2),
    Sprite("Glow04.tga", kDuration, K(0x006464FF, 0x006464FF, 0, 0.5f), Size(1.8f), Turning(-kHalfPi), 2),
    Emitter({.rate = 300, .spinMin = 2 * kPi, .spinMax = 2 * kPi}, "vet04.bmp", Ms(500),
            K(0x006464FF, 0x00FFFF64, 0, 0.7f), Size(0.6f, 0.7f, 0.2f, 0.3f), {}, 2),
};
constexpr Keys kCallKeys{kCallColour, kCallColour, {}, 0.5f};
constexpr RecipeChild kType9[] = {
    Sprite("Glow04.tga", kDuration, kCallKeys, Size(0.8f), Turning(-kHalfPi), 2),
    Sprite("Glow04.tga", kDuration, kCallKeys, Size(1.2f), Turning(-kHalfPi), 2),
    Bolt(2, 2, 0.2f, 0.01f, kCallColour),
    Bolt(0.3f, 0.8f, 0.07f, 0.05f, kCallColour),
    Bolt(0.3f, 0.8f, 0.07f, 0.05f, kCallColour),
    Bolt(0.3f, 0.8f, 0.07f, 0.08f, kCallColour),
    Bolt(0.3f, 0.8f, 0.07f, 0.08f, kCallColour),
};
constexpr RecipeChild kType10[] = {
    Emitter(Rate(kFullAngleSpin2, 10), "veta03.tga", Ms(500), K(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f),
            Size(0.21f, 0.455f, 0.7f, 0.5f), {}, 1),
    Emitter(Rate(kFullAngleSpin2, 10), "vet16.bmp", Ms(300), K(0xFFFFFF32, 0xFFFF9600, 0, 0.5f),
            Size(0.14f, 0.315f, 0.49f, 0.5f), {}, 2),
};
constexpr RecipeChild kType11[] = {
    Emitter(Sweep(150, 300, 0.05f, 3 * kPi), "veta03.tga", Ms(1000), K(0xFFFFFFFF, 0x64FF9600, 0, 0.5f),
            Size(0.15f, 0.4f, 0.8f, 0.3f), Along(3.5f, 1), 1),
    Emitter(Sweep(30, 300, 0.05f, kPi), "veta03.tga", Ms(1500), K(0x00323232, 0x50323232, 0, 0.7f),
            Size(0.3f, 0.6f, 1, 0.5f), Along(2, 0.57f), 1),
    Emitter(Sweep(60, 50, 0.05f, 3 * kPi), "vet16.bmp", Ms(200), K(0xFFFFFF80, 0xFFFF9600, 0, 0.5f),
            Size(0.1f, 0.2f, 0.2f, 0.3f), Along(3.5f, 1), 2),
};
constexpr RecipeChild kType12[] = {
    CastGlow(0x00FF6464),
    Emitter({.rate = 5, .angleMin = 0.0f, .angleMax = 2.0f * kPi, .spinMin = -kPi, .spinMax = kPi}, "vet04.bmp",
            Ms(500), K(0x00FFFFFF, 0x006496FF, 0, 0.5f), Size(0.1f, 0.8f, 1.6f, 0.5f), Turning(kQuarterPi), 2),
    Emitter({.rate = 40, .cone = 1.0f, .angleMin = 0.0f, .angleMax = 2.0f * kPi, .spinMin = -kPi, .spinMax = kPi},
            "veta04.tga", Ms(500), K(0x00800000, 0x00800000, 0, 0.5f), Size(0.1f, 0.5f, 0.8f, 0.5f),
            {.speed = 1.5f, .direction = kUp, .angleSpeed = kQuarterPi}, 2, 1),
    Emitter(kFalling, "vet16.bmp", Ms(800), K(0x00191940, 0x00400C0C, 0, 0.8f), Size(0.01f, 0.6f, 1, 0.1f),
            kFallingMotion, 2),
    Emitter(Rate(kFalling, 60), "Glow07.bmp", Ms(800), K(0x00FFFF64, 0x00FFFF32, 0, 0.7f),
            Size(0.1f, 0.2f, 0.3f, 0.5f), kFallingMotion, 2),
};
constexpr Emit kBurst{.rate = 200, .angleMin = 0.0f, .angleMax = 2.0f * kPi, .spinMin = -2 * kPi, .spinMax = 2 * kPi};
constexpr RecipeChild kType13[] = {
    Emitter(kBurst, "veta03.tga", Ms(300), K(0x00323232, 0x50323232, 0, 0.7f), Size(0.6f, 0.9f, 1.2f, 0.5f), {}, 1),
    Emitter(kBurst, "veta03.tga", Ms(200), K(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f), Size(0.6f, 0.8f, 1, 0.5f),
            {}, 1),
    Emitter(kBurst, "vet16.bmp", Ms(100), K(0xFFFFFF32, 0xFFFF9600, 0, 0.5f), Size(0.3f, 0.5f, 0.7f, 0.5f), {}, 2),
};
constexpr RecipeChild kType14[] = {SickSweep(0, 2), SickSweep(1, 2), SickSweep(2, 2)};
constexpr Motion kRise{.speed = 1.2f, .direction = kUp};
constexpr RecipeChild kType15[] = {
    CastGlow(0x00FF6464),
    Sparkle(0x00FF6464),
    Emitter(Rising(100, true), "veta06.tga", Ms(500), K(0x00FF6400, 0x00C83200, 0, 0.5f),
            Size(0.05f, 0.5f, 0.7f, 0.1f), kRise, 2),
    Emitter(Rising(80, false), "veta00.tga", Ms(500), K(0x00FF6400, 0x00FF6400, 0, 0.5f),
            Size(0.05f, 0.5f, 0.7f, 0.1f), kRise, 2),
};
constexpr RecipeChild kType16[] = {SickSweep(0, 3), SickSweep(1, 3), SickSweep(2, 3)};
constexpr Motion kRiseTurning{.speed = 1.2f, .direction = kUp, .angleSpeed = -kHalfPi};
constexpr RecipeChild kType17[] = {
    CastGlow(0x00FF6464),
    Emitter(Rising(100, false), "veta06.tga", Ms(650), K(0x00B4B4B4, 0x00B4B4B4, 0, 0.5f),
            Size(0.05f, 0.5f, 0.7f, 0.1f), kRiseTurning, 3),
    Emitter(Rising(80, false), "veta00.tga", Ms(650), K(0x00B4B4B4, 0x00B4B4B4, 0, 0.5f),
            Size(0.05f, 0.5f, 0.7f, 0.1f), kRiseTurning, 3),
};
constexpr RecipeChild kType18[] = {
    Emitter({.rate = 100, .jitter = 100, .cone = 0.15f, .angleMin = 0.0f, .angleMax = 2.0f * kPi, .spinMin = -kPi,
             .spinMax = kPi},
            "veta03.tga", Ms(350), K(0xFFFFFFFF, 0xC8FF9600, 0x00805000, 0.5f), Size(0.6f, 0.7f, 0.2f, 0.5f), {}, 1),
    Emitter({.rate = 150, .jitter = 100, .cone = 0.15f, .angleMin = 0.0f, .angleMax = 2.0f * kPi, .spinMin = -kPi,
             .spinMax = kPi},
            "veta03.tga", Ms(500), K(0x00323232, 0x50323232, 0, 0.8f), Size(0.6f, 0.9f, 0.4f, 0.5f), {}, 1),
    Emitter({.rate = 100, .jitter = 100, .cone = 0.05f, .angleMin = 0.0f, .angleMax = 2.0f * kPi,
             .spinMin = -2 * kPi, .spinMax = 2 * kPi},
            "vet16.bmp", Ms(200), K(0xFFFFFF32, 0xFFFF9600, 0, 0.3f), Size(0.6f, 0.7f, 0.2f, 0.5f), {}, 2),
};
constexpr Motion kCreep{.speed = 0.4f, .direction = kUp};
constexpr RecipeChild kType19[] = {
    Sprite("Glow04.tga", kDuration, K(0x00FF6464, 0x00FF6464, 0, 0.8f), Size(1.8f, 1.8f, 1.8f, 0.2f),
           Turning(-kHalfPi), 2),
    Emitter({.rate = 100, .spinMin = kPi, .spinMax = kPi}, "vet06.bmp", Ms(200), K(0x00FFFFFF, 0x00FF6464, 0, 0.5f),
            Size(0.6f, 0.8f, 1, 0.5f), Turning(kQuarterPi), 2),
    Emitter(Rising(300, true), "veta06.tga", Ms(400), K(0x00FF640A, 0x00C8320A, 0, 0.5f),
            Size(0.05f, 0.5f, 0.7f, 0.1f), kCreep, 2),
    Emitter(Rising(220, false), "veta00.tga", Ms(400), K(0x00FF640A, 0x00FF640A, 0, 0.5f),
            Size(0.05f, 0.5f, 0.7f, 0.1f), kCreep, 2),
};

// Orders in which the children join their group, where they differ from the rows'.
constexpr uint8_t kSecondFirstThird[] = {1, 0, 2};
constexpr uint8_t kFirstThirdSecond[] = {0, 2, 1};
constexpr uint8_t kReversed[] = {2, 1, 0};

constexpr EffectRecipe Recipe(int32_t type, std::span<const RecipeChild> rows, std::span<const uint8_t> order = {},
                              uint32_t colourDefault = 0) {
    EffectRecipe r;
    r.type = type;
    r.rows = rows;
    r.addOrder = order;
    r.colourDefault = colourDefault;
    return r;
}

constexpr EffectRecipe kPowerRecipes[] = {
    Recipe(0, kType0, kSecondFirstThird),
    Recipe(1, kType1),
    Recipe(2, kType2),
    Recipe(3, kType3),
    Recipe(4, kType4),
    Recipe(5, kType5),
    Recipe(6, kType6, kFirstThirdSecond),
    Recipe(7, kType7),
    Recipe(8, kType8, kReversed),
    Recipe(9, kType9, {}, 0x00FF9600),
    Recipe(10, kType10),
    Recipe(11, kType11, kFirstThirdSecond),
    Recipe(12, kType12),
    Recipe(13, kType13),
    Recipe(14, kType14, kFirstThirdSecond),
    Recipe(15, kType15),
    Recipe(16, kType16, kFirstThirdSecond),
    Recipe(17, kType17, kFirstThirdSecond),
    Recipe(18, kType18, kFirstThirdSecond),
    Recipe(19, kType19),
};

}  // namespace

constinit const std::span<const EffectRecipe> POWER_RECIPES(kPowerRecipes);
