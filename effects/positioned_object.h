// Base of every effect and of the positioned render objects (glows, flares).
#pragma once

#include <cstdint>
#include <cstdio>

struct Vec3;

// Kind-word bit: drawn in the screen-space pass instead of the world pass.
constexpr uint32_t KIND_SCREEN_SPACE = 0x100;

class PositionedObject {
public:
    PositionedObject();
    virtual ~PositionedObject();

    PositionedObject(const PositionedObject&) = delete;
    PositionedObject& operator=(const PositionedObject&) = delete;

    // The virtual operations, in the order other code relies on.
    virtual void Release();
    // Non-zero when the object is finished and its owner may delete it.
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
    uint8_t finished;
    uint32_t kind;
};
