// Base of every effect and of the positioned render objects (glows, flares).
#pragma once

#include <cstdint>
#include <cstdio>

struct Vec3;

// Kind-word bit: drawn in the screen-space pass instead of the world pass.
constexpr uint32_t KIND_SCREEN_SPACE = 0x100;

// The kind word of each effect class. The pool reads its children's: sprite movers and
// emitters get a new lifetime when their effect is stopped, and bolts keep no effect alive.
constexpr uint32_t KIND_PLAIN = 0;
constexpr uint32_t KIND_SPRITE_MOVER = 1;
constexpr uint32_t KIND_PARTICLE_EMITTER = 2;
constexpr uint32_t KIND_BOLT = 3;
constexpr uint32_t KIND_EFFECT_GROUP = 7;
constexpr uint32_t KIND_DECAL = 8;
constexpr uint32_t KIND_BUBBLE = 9;
constexpr uint32_t KIND_GLOW = KIND_SCREEN_SPACE | 1;          // 257
constexpr uint32_t KIND_FLARE = KIND_SCREEN_SPACE | 2;         // 258
constexpr uint32_t KIND_FLASH = KIND_SCREEN_SPACE | 3;         // 259
constexpr uint32_t KIND_SCREEN_PULSE = KIND_SCREEN_SPACE | 4;  // 260

// Removal flag: Update returns 1 once the object has ended, so its owner deletes it.
constexpr uint32_t REMOVE_WHEN_FINISHED = 1;

class PositionedObject {
public:
    PositionedObject();
    virtual ~PositionedObject();

    PositionedObject(const PositionedObject&) = delete;
    PositionedObject& operator=(const PositionedObject&) = delete;

    // The virtual operations, in the order other code relies on.
    virtual void Release();
    // 1 when the owner is to delete the object; the base never asks.
    virtual int Update(uint32_t dtMs);
    virtual bool Queue();
    virtual bool Render();
    virtual bool Load(std::FILE* file);
    virtual bool IsFinished();
    virtual void GetPosition(Vec3* out);
    // Points at x; y and z follow it.
    virtual float* GetPositionPtr();
    virtual void SetPosition(const Vec3& p);
    virtual void MoveTo(const Vec3& p);

    float x, y, z;
    // Two words the base leaves to its subclasses: the effect classes keep their removal flags
    // in the first and, where they have them, their queueing flags in the second.
    uint32_t removalFlags;
    uint32_t queueFlags;
    uint8_t finished;
    uint32_t kind;
};
