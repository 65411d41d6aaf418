#include "scene/camera_animators.h"

#include <cmath>

#include "effects/random_range.h"
#include "scene/camera.h"

namespace {
// Single precision: these exact f32 values set the roll.
}  // namespace

Animator::Animator() : duration(0), elapsed(0), targetCamera(nullptr) {}

Animator::~Animator() { Animator::Reset(); }

bool Animator::Start(int32_t newDuration, Camera* target) {
    duration = newDuration;
    elapsed = 0;
    targetCamera = target;
    return true;
}

void Animator::Reset() {
    duration = 0;
    elapsed = 0;
    targetCamera = nullptr;
}

int Animator::GetType() const { return ANIMATOR_BASE; }

bool Animator::IsFinished() const { return elapsed >= duration; }

void Animator::AddElapsed(uint32_t dt) {
    int64_t sum = int64_t(elapsed) + int64_t(dt);
    elapsed = sum > INT32_MAX ? INT32_MAX : int32_t(sum);
}

void Animator::ResetRollAndBase() {
    if (targetCamera) targetCamera->roll = 0.0f;
    Animator::Reset();
}

// ---- Shake ----

ShakeAnimator::ShakeAnimator() : amplitude(0.0f) {}

ShakeAnimator::~ShakeAnimator() { ShakeAnimator::Reset(); }

bool ShakeAnimator::Init(int32_t newDuration, float newAmplitude, Camera* target) {
    Start(newDuration, target);
    amplitude = newAmplitude;
    return true;
}

void ShakeAnimator::Reset() {
    Animator::Reset();
    amplitude = 0.0f;
}

bool ShakeAnimator::Advance(uint32_t dt) {
    AddElapsed(dt);
    return true;
}

bool ShakeAnimator::Apply() {
    float x = RandomInRange(-1.0f, 1.0f, 1000);
    float y = RandomInRange(-1.0f, 1.0f, 1000);
    float z = RandomInRange(-1.0f, 1.0f, 1000);
    float len = std::sqrt(x * x + y * y + z * z);
    if (len <= 0.0001f) return true;
    float m = RandomInRange(0.0f, amplitude, 1000);
    Vec3 offset{x / len * m, y / len * m, z / len * m};
    if (targetCamera) {
        targetCamera->eye = Vec3Add(targetCamera->eye, offset);
        targetCamera->target = Vec3Add(targetCamera->target, offset);
    }
    return true;
}

int ShakeAnimator::GetType() const { return ANIMATOR_SHAKE; }

// ---- Ramp ----

RampAnimator::RampAnimator() : rampTime(0), currentRoll(0.0f) {}

RampAnimator::~RampAnimator() { RampAnimator::Reset(); }

bool RampAnimator::Init(int32_t newDuration, int32_t newRampTime, Camera* target) {
    Start(newDuration, target);
    rampTime = newRampTime;
    currentRoll = 0.0f;
    return true;
}

void RampAnimator::Reset() {
    ResetRollAndBase();
    rampTime = 0;
    currentRoll = 0.0f;
}

bool RampAnimator::Advance(uint32_t dt) {
    AddElapsed(dt);
    const int32_t r = rampTime, d = duration, e = elapsed;
    // Each branch that divides by r is only reached with r > 0.
    if (e < r)
        currentRoll = float(e) / float(r) * kPi;
    else if (int64_t(e) < int64_t(d) - r)
        currentRoll = kPi;
    else if (e >= d)
        currentRoll = 0.0f;
    else
        currentRoll = (1.0f - float(int64_t(r) - d + e) / float(r)) * kPi;
    return true;
}

bool RampAnimator::Apply() {
    if (targetCamera) targetCamera->roll = currentRoll;
    return true;
}

int RampAnimator::GetType() const { return ANIMATOR_RAMP; }

// ---- Spin ----

SpinAnimator::SpinAnimator() : turns(0) {}

SpinAnimator::~SpinAnimator() { SpinAnimator::Reset(); }

bool SpinAnimator::Init(int32_t newDuration, uint32_t newTurns, Camera* target) {
    Start(newDuration, target);
    turns = newTurns;
    return true;
}

void SpinAnimator::Reset() {
    ResetRollAndBase();
    turns = 0;
}

bool SpinAnimator::Advance(uint32_t dt) {
    AddElapsed(dt);
    return true;
}

bool SpinAnimator::Apply() {
    if (!targetCamera) return true;
    // A zero duration would divide by zero; such a spin is already over, at roll 0.
    if (duration == 0) {
        targetCamera->roll = 0.0f;
        return true;
    }
    targetCamera->roll = float(turns) * float(elapsed) * kTwoPi / float(duration);
    return true;
}

int SpinAnimator::GetType() const { return ANIMATOR_SPIN; }
