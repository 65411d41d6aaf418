// What every game-event writer shares: three floats of a point, and handing the finished event
// (type byte first, little-endian, packed) to the packet's sink.
#pragma once

#include "common/binary_reader.h"
#include "common/math.h"

void SendGameEvent(const BinaryWriter& w);

inline void PutVec3(BinaryWriter& w, const Vec3& v) {
    w.PutF32(v.x);
    w.PutF32(v.y);
    w.PutF32(v.z);
}
