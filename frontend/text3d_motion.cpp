// The 3D words' motion and their letters' animations: fly in from out of view, fly out of view,
// and a wave running through the word. Times are milliseconds of the menu clock; positions move
// by velocity times milliseconds.
#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "frontend/text3d.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

constexpr uint32_t kSubStepMs = 20;
constexpr float kFlyOutRate = 0.1f;
constexpr float kFlyInDamping = 0.005f;
constexpr float kFlyOutDamping = 0.02631579f;
constexpr float kWaveSpeed = 0.012566371f;   // one period per 500 ms
constexpr uint32_t kWavePeriodMs = 500;
constexpr float kSpinRate = 0.02f;           // radians per ms and unit of speed
constexpr float kSettleSpin = 0.01f;         // radians per ms while the letter settles
// A direction drawn this often without leaving the view gives way to a fixed one.
constexpr int kMaxDirectionTries = 64;

float g_FlyInRate = 0.0f;   // 0 until the first word flies in

float Length(const Vec3& v) { return Vec3Length(v); }

Vec3 Unit(const Vec3& v) {
    const float l = Length(v);
    return l > 0.0f ? Vec3Scale(v, 1.0f / l) : Vec3{0, 0, 0};
}

// Reduces the velocity by amount along its own direction (never past standing still).
Vec3 Damp(const Vec3& v, float fraction) { return Vec3Scale(v, std::max(0.0f, 1.0f - fraction)); }

float RandomUnitComponent() { return float(Random() % 2001 - 1000) * 0.001f; }

float TurnOn(float angle, float by) {
    angle += by;
    while (angle > kTwoPi) angle -= kTwoPi;
    while (angle < -kTwoPi) angle += kTwoPi;
    return angle;
}

// Turns a settling angle on towards a full turn; 0 once it would pass it.
float Settle(float angle, float step) {
    if (angle == 0.0f) return 0.0f;
    const float next = angle + (angle > 0.0f ? step : -step);
    return std::fabs(next) >= kTwoPi ? 0.0f : next;
}

}  // namespace

void ResetText3DRates() { g_FlyInRate = 0.0f; }

void Text3D::StartAnimation(int mode) {
    requested = mode;
    const size_t n = letters.size();
    std::fill(done.begin(), done.end(), uint8_t(0));
    switch (mode) {
    case TEXT3D_FLY_IN:
        if (g_FlyInRate == 0.0f) g_FlyInRate = halfScale * 0.2f * 1.8571428f;
        for (size_t i = 0; i < n; ++i) {
            Letter3D& l = letters[i];
            const Vec3 from = PointOutOfView(i);
            // Start a little beyond the point found, so the letter is wholly out of sight.
            const Vec3 away = Unit(Vec3Sub(from, l.home));
            l.offset = Vec3Add(from, Vec3Scale(away, 2.0f * scale));
            velocities[i] = Vec3{0, 0, 0};
            startTimes[i] = now;
        }
        animation = n ? mode : TEXT3D_STILL;
        dirty = 1;
        break;
    case TEXT3D_FLY_OUT:
        for (size_t i = 0; i < n; ++i) {
            const Vec3 to = PointOutOfView(i);
            const Vec3 away = Unit(Vec3Sub(to, letters[i].home));
            homes[i] = Vec3Add(to, Vec3Scale(away, 2.0f * scale));   // the target
            velocities[i] = Vec3{0, 0, 0};
            startTimes[i] = now;
        }
        animation = n ? mode : TEXT3D_STILL;
        break;
    case TEXT3D_STOP:
        animation = TEXT3D_STILL;
        break;
    case TEXT3D_WAVE:
        // A word without letters has nothing to wave.
        if (!n) break;
        waveAmplitude = scale * 0.2f;
        waveSpeed = kWaveSpeed;
        for (size_t i = 0; i < n; ++i) {
            phases[i] = 0.0f;
            directions[i] = Vec3{0, 1, 0};
            startTimes[i] = now + uint32_t(float(kWavePeriodMs) / float(n) * float(i));
        }
        stop = 0;
        animation = mode;
        break;
    default:
        break;
    }
}

Vec3 Text3D::PointOutOfView(size_t i) {
    const Letter3D& l = letters[i];
    const float d = float(Random() % 5001 + 5000) * 0.001f;
    const Camera* camera = g_Scene.camera;
    for (int tries = 0; camera && tries < kMaxDirectionTries; ++tries) {
        const Vec3 dir = Unit(Vec3{RandomUnitComponent(), RandomUnitComponent(), RandomUnitComponent()});
        const Vec3 p = Vec3Add(l.home, Vec3Scale(dir, d));
        const Vec3 w = Vec3TransformCoord(p, wordMatrix);
        for (int plane : {FRUSTUM_TOP, FRUSTUM_BOTTOM, FRUSTUM_LEFT, FRUSTUM_RIGHT}) {
            const Plane& pl = camera->planes[plane];
            if (pl.a * w.x + pl.b * w.y + pl.c * w.z + pl.d < 0.0f) return p;
        }
    }
    // A fixed outward direction: straight up.
    return Vec3Add(l.home, Vec3{0, d, 0});
}

void Text3D::StepMotion() {
    if (motionMode != 1 || !(motionStart < now)) return;
    if (lastMotionTime < motionStart) lastMotionTime = motionStart;
    const float ms = float(now - lastMotionTime);
    motionDirection = Unit(Vec3Sub(motionTarget, position));
    motionVelocity = Vec3Add(motionVelocity, Vec3Scale(motionDirection, 0.1f * ms * 0.001f));
    motionVelocity = Damp(motionVelocity, 0.125f);
    position = Vec3Add(position, Vec3Scale(motionVelocity, ms));
    if (Length(Vec3Sub(motionTarget, position)) < 0.1f && Length(motionVelocity) / 0.1f < 0.1f) {
        position = motionTarget;
        motionVelocity = Vec3{0, 0, 0};
        motionMode = 0;
    }
    lastMotionTime = now;
    dirty = 1;
}

void Text3D::StepLetters() {
    switch (animation) {
    case TEXT3D_FLY_IN: StepFlight(true); break;
    case TEXT3D_FLY_OUT: StepFlight(false); break;
    case TEXT3D_WAVE: StepWave(); break;
    default: break;
    }
}

void Text3D::StepFlight(bool in) {
    const float rate = in ? g_FlyInRate : kFlyOutRate;
    const float damping = in ? kFlyInDamping : kFlyOutDamping;
    bool all = true;
    for (size_t i = 0; i < letters.size(); ++i) {
        Letter3D& l = letters[i];
        const Vec3 goal = in ? l.home : homes[i];
        uint32_t left = now - startTimes[i];
        startTimes[i] = now;
        while (!done[i] && left > 0) {
            const uint32_t step = std::min(left, kSubStepMs);
            left -= step;
            Vec3& v = velocities[i];
            v = Vec3Add(v, Vec3Scale(Unit(Vec3Sub(goal, l.offset)), rate * float(step) * 0.001f));
            v = Damp(v, damping * float(step));
            // A letter that would pass its home within the step lands on it.
            if (in && Length(Vec3Scale(v, float(step))) >= Length(Vec3Sub(goal, l.offset)))
                l.offset = goal;
            else
                l.offset = Vec3Add(l.offset, Vec3Scale(v, float(step)));
            const float distance = Length(Vec3Sub(goal, l.offset));
            if (!in) {
                done[i] = distance < halfScale;
                continue;
            }
            if (distance > scale) {
                l.angles = {TurnOn(l.angles.x, v.y * kSpinRate * float(step)),
                            TurnOn(l.angles.y, v.x * kSpinRate * float(step)),
                            TurnOn(l.angles.z, v.z * kSpinRate * float(step))};
            } else {
                const float s = kSettleSpin * float(step);
                l.angles = {Settle(l.angles.x, s), Settle(l.angles.y, s), Settle(l.angles.z, s)};
            }
            if (distance < 0.01f) {
                l.offset = l.home;
                v = Vec3{0, 0, 0};
            }
            done[i] = l.offset.x == l.home.x && l.offset.y == l.home.y && l.offset.z == l.home.z &&
                      l.angles.x == 0.0f && l.angles.y == 0.0f && l.angles.z == 0.0f;
        }
        all = all && done[i];
    }
    dirty = 1;
    if (!all) return;
    animation = TEXT3D_STILL;
    if (!in) std::fill(done.begin(), done.end(), uint8_t(0));
}

void Text3D::StepWave() {
    bool all = true;
    for (size_t i = 0; i < letters.size(); ++i) {
        Letter3D& l = letters[i];
        if (stop) {
            directions[i].y = std::max(0.0f, directions[i].y - 0.02f);
            done[i] = std::fabs(directions[i].y) < 0.0001f;
        }
        all = all && done[i];
        if (int32_t(now - startTimes[i]) <= 0) continue;
        uint32_t left = now - startTimes[i];
        startTimes[i] = now;
        while (left > 0) {
            const uint32_t step = std::min(left, kSubStepMs);
            left -= step;
            phases[i] += float(step) * waveSpeed;
        }
        l.offset = Vec3Add(l.home, Vec3Scale(directions[i], waveAmplitude * std::sin(phases[i])));
    }
    dirty = 1;
    if (stop && all) {
        animation = TEXT3D_STILL;
        std::fill(done.begin(), done.end(), uint8_t(0));
        stop = 0;
    }
}
