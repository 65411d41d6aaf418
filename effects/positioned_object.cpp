#include "effects/positioned_object.h"

#include "common/math.h"

PositionedObject::PositionedObject()
    : x(0.0f), y(0.0f), z(0.0f), removalFlags(0), queueFlags(0), finished(0), kind(KIND_PLAIN) {}

PositionedObject::~PositionedObject() = default;

void PositionedObject::Release() {}

int PositionedObject::Update(uint32_t) { return 0; }

bool PositionedObject::Queue() { return true; }

bool PositionedObject::Render() { return true; }

bool PositionedObject::Load(std::FILE*) { return false; }

bool PositionedObject::IsFinished() { return finished != 0; }

void PositionedObject::GetPosition(Vec3* out) {
    if (!out) return;
    out->x = x;
    out->y = y;
    out->z = z;
}

float* PositionedObject::GetPositionPtr() { return &x; }

void PositionedObject::SetPosition(const Vec3& p) {
    x = p.x;
    y = p.y;
    z = p.z;
}

void PositionedObject::MoveTo(const Vec3& p) { SetPosition(p); }
