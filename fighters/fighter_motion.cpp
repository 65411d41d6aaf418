#include "fighters/fighter_motion.h"

#include <cmath>

#include "render/geometry.h"

float MotionYaw(const Vec3& v) {
    const float length = Vec3Length(v);
    const Vec3 u = length < 1e-6f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(v, 1.0f / length);
    float yaw = std::fabs(u.x) >= 0.0001f ? std::atan2(u.x, u.z) : (u.z <= 0.0f ? kPi : 0.0f);
    if (std::fabs(yaw) > kTwoPi) yaw = std::fmod(yaw, kTwoPi);
    if (yaw < 0.0f) yaw += kTwoPi;
    return yaw;
}

float YawGap(float a, float b) {
    const float d = std::fabs(a - b);
    return d > kPi ? kTwoPi - d : d;
}

Vec3 HorizontalUnit(const Vec3& from, const Vec3& to) {
    const Vec3 d{to.x - from.x, 0.0f, to.z - from.z};
    const float length = Vec3Length(d);
    return length < 1e-6f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(d, 1.0f / length);
}

Vec3 SlideAcross(const Vec3& motion, const Vec3& n) {
    const Vec3 origin{0.0f, 0.0f, 0.0f};
    const Vec3 along{-n.z, 0.0f, n.x};
    const Vec3 end{motion.x, 0.0f, motion.z};
    Vec3 slide{0.0f, 0.0f, 0.0f};
    if (SegmentIntersectXZ(origin, along, end, Vec3Add(end, n), &slide)) return slide;
    // The crossing test also refuses one exact parameter of 1; the projection is the same point.
    const float lengthSq = along.x * along.x + along.z * along.z;
    if (lengthSq < 1e-12f) return origin;
    const float s = (end.x * along.x + end.z * along.z) / lengthSq;
    return Vec3{along.x * s, 0.0f, along.z * s};
}
