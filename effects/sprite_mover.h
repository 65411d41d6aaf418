// The game's textured, moving sprite: it flies with speed, acceleration and drag, may orbit a
// pivot, turns on screen, and changes colour and size along two- or three-key curves. Drawn as
// one quad facing the camera or a fixed direction. Also the particle of the particle emitter.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/positioned_object.h"

class AnimatedTexture;

// Curve flags of the colour and size curves.
constexpr uint16_t CURVE_TWO_KEYS = 1;          // start to end
constexpr uint16_t CURVE_THREE_KEYS = 2;        // start to middle to end; wins over two keys
constexpr uint16_t CURVE_FIRST_SQUARE = 4;      // progress squared on the first (or only) segment
constexpr uint16_t CURVE_FIRST_SQRT = 8;        // its square root; wins over squaring
constexpr uint16_t CURVE_SECOND_SQUARE = 16;
constexpr uint16_t CURVE_SECOND_SQRT = 32;

// Draw flags.
constexpr uint8_t SPRITE_ANGLE_FOLLOWS_MOTION = 1;   // the on-screen angle follows the direction
constexpr uint8_t SPRITE_FIXED_FACING = 2;           // faces facingDirection, not the camera
constexpr uint8_t SPRITE_NO_CULLING = 4;
constexpr uint8_t SPRITE_DISTANCE_FADE = 8;

// What a caller fills to make a sprite (times in ms, distances in world units, angles in
// radians; speeds per second).
struct SpriteMoverTemplate {
    int32_t lifetime = 0;                 // negative: lives until released, curves at their start
    Vec3 position{};
    Vec3 direction{};                     // normalised by Init
    float speed = 0.0f;
    Vec3 accelDirection{};                // normalised by Init
    float accel = 0.0f;
    Vec3 pivot{};                         // the position orbits it ...
    Vec3 spinAxis{};                      // ... about this unit axis
    float spinSpeed = 0.0f;
    float spinAccel = 0.0f;
    float drag = 0.0f;                    // speed lost per second
    float angle = 0.0f;                   // on screen
    float angleSpeed = 0.0f;
    Vec3 facingDirection{};               // with SPRITE_FIXED_FACING
    float fadeNear = 0.0f;                // with SPRITE_DISTANCE_FADE
    float fadeFar = 0.0f;
    uint32_t colourStart = 0;             // ARGB
    uint32_t colourMiddle = 0;
    uint32_t colourEnd = 0;
    float colourMiddleTime = 0.0f;        // fraction of the lifetime
    uint16_t colourFlags = 0;             // CURVE_*
    float sizeStart = 0.0f;               // edge length of the quad
    float sizeMiddle = 0.0f;
    float sizeEnd = 0.0f;
    float sizeMiddleTime = 0.0f;
    uint16_t sizeFlags = 0;
    int32_t texture = -1;                 // texture id; negative: untextured
    uint16_t frameRate = 0;               // frames per second; 0: a still picture
    uint8_t blendMode = 0;                // blend preset; 0 also draws at once, unsorted
    uint8_t drawFlags = 0;                // SPRITE_*
};

class SpriteMover : public PositionedObject {
public:
    SpriteMover();
    ~SpriteMover() override;

    void Release() override;
    int Update(uint32_t dtMs) override;
    // Skips a sprite out of view; draws an opaque one at once, queues the others sorted.
    bool Queue() override;
    bool Render() override;

    // False for a null template (the sprite untouched). removal: REMOVE_WHEN_FINISHED or 0.
    bool Init(const SpriteMoverTemplate* from, uint32_t removal);
    // The template's values as they stand (nothing normalised, no texture handle): what Init
    // starts from and what the emitter varies per particle. Alive, age 0, current colour and
    // size at their start values.
    void TakeTemplate(const SpriteMoverTemplate& from);
    // The box of edge currentSize around the position meets the camera's frustum.
    bool IsVisible() const;

    // The colour drawn: the current colour, faded by distance with SPRITE_DISTANCE_FADE.
    uint32_t DrawColour() const;
    // Takes the angle from the direction of motion on screen (SPRITE_ANGLE_FOLLOWS_MOTION).
    void FollowMotion();

    int32_t lifetime;
    uint32_t age;
    Vec3 direction;
    float speed;
    Vec3 accelDirection;
    float accel;
    Vec3 pivot;
    Vec3 spinAxis;
    float spinSpeed;
    float spinAccel;
    float drag;
    float angleSpeed;
    float angle;
    Vec3 facingDirection;
    float fadeNear;
    float fadeFar;
    uint32_t colourStart;
    uint32_t colourMiddle;
    uint32_t colourEnd;
    float colourMiddleTime;
    uint32_t currentColour;
    uint16_t colourFlags;
    float sizeStart;
    float sizeMiddle;
    float sizeEnd;
    float sizeMiddleTime;
    float currentSize;
    uint16_t sizeFlags;
    int32_t texture;
    uint8_t drawFlags;
    uint8_t blendMode;
    AnimatedTexture* animatedTexture;   // owned; null for a still picture
};

// The states a sprite's quads draw with: the dynamic buffer flushed and bound as triangle lists,
// lighting off, culling unless SPRITE_NO_CULLING, stage 0 MODULATE of the sprite's texture and
// the diffuse colour, stage 1 off, the sprite's blend preset and the identity world.
void SetSpriteStates(const SpriteMover& sprite);
