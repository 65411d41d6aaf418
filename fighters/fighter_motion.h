// Small vector rules that the momentum, collision and flight steps share.
#pragma once

#include "common/math.h"

struct SweepVolume;

// The yaw of a vector as the momentum rules take it: the whole vector normalised first (shorter
// than 1e-6 counts as zero), then atan2(x, z) when |x| >= 0.0001, else pi when z <= 0 and 0
// otherwise; brought into [0, 2 pi).
float MotionYaw(const Vec3& v);
// |a - b| folded into [0, pi].
float YawGap(float a, float b);
// The horizontal unit vector from one point to another; zero when they stand on one vertical.
Vec3 HorizontalUnit(const Vec3& from, const Vec3& to);
// The horizontal part of a motion along the line across a horizontal normal, found as the
// crossing of the line through the origin along (-n.z, 0, n.x) with the line through the
// motion's end along n; y = 0.
Vec3 SlideAcross(const Vec3& motion, const Vec3& normal);

// The wall probe of a move from the reference to the point: a rectangle 0.5 wide from 0.6 to 1.5
// above the reference, across the horizontal direction of the move, with the horizontal move as
// its motion.
void BuildWallProbe(SweepVolume* probe, const Vec3& point, const Vec3& reference);
// The probe swept one unit along its motion's direction against the static world and the
// collidable objects; on a hit the motion's slide along the wall, the wall's flattened unit
// normal and the contact point. Nothing is written without a hit.
bool SweepWallProbe(const SweepVolume& probe, Vec3* slide, Vec3* normal, Vec3* contact);
