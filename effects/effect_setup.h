// The frame that every effect type's set-up shares, beside its recipe.
#pragma once

#include <cstdint>

#include "common/math.h"

// Standing effects (50-69 but the seeker 65) are advanced by a second as they are made, so that
// they show already running.
bool EffectTypePrewarms(int32_t type);
// The sprite angle of particles that lie across a projectile's flight: from the heading of the
// velocity, so that they line up with it.
float FacingAngleOfVelocity(const Vec3& velocity);
