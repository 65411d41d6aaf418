// Short-lived effects attached to one camera: a shake, or a roll about the view axis.
// A camera owns at most one and deletes it when it finishes, is replaced, or the camera
// is reset or destroyed.
#pragma once

#include <cstdint>

class Camera;

enum AnimatorType {
    ANIMATOR_BASE = 0,
    ANIMATOR_SHAKE = 1,
    ANIMATOR_RAMP = 2,
    ANIMATOR_SPIN = 3
};

class Animator {
public:
    int32_t duration;       // ms
    int32_t elapsed;        // ms advanced so far
    Camera* targetCamera;   // written by Apply; not owned

    Animator();
    virtual ~Animator();
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    virtual bool Start(int32_t duration, Camera* target);
    virtual void Reset();
    virtual bool Advance(uint32_t dt) = 0;
    virtual bool Apply() = 0;
    virtual int GetType() const;
    // Signed: a duration of 0 is finished after the first advance.
    virtual bool IsFinished() const;

protected:
    // Saturates rather than wrapping negative, which would un-finish an animator.
    void AddElapsed(uint32_t dt);
    // The roll animators' reset: the target's roll back to 0, then the base reset.
    void ResetRollAndBase();
};

// Moves eye and target together by a random offset each Apply; the offsets add up.
class ShakeAnimator : public Animator {
public:
    float amplitude;   // longest offset, world units

    ShakeAnimator();
    ~ShakeAnimator() override;
    bool Init(int32_t duration, float amplitude, Camera* target);
    void Reset() override;
    bool Advance(uint32_t dt) override;
    bool Apply() override;
    int GetType() const override;
};

// Rolls upside down over rampTime, holds, and rolls back over the last rampTime.
class RampAnimator : public Animator {
public:
    int32_t rampTime;     // ms of the rise and of the fall
    float currentRoll;    // radians, from the last Advance

    RampAnimator();
    ~RampAnimator() override;
    bool Init(int32_t duration, int32_t rampTime, Camera* target);
    void Reset() override;
    bool Advance(uint32_t dt) override;
    bool Apply() override;
    int GetType() const override;
};

// Rolls steadily through a whole number of turns; the roll is not wrapped.
class SpinAnimator : public Animator {
public:
    uint32_t turns;

    SpinAnimator();
    ~SpinAnimator() override;
    bool Init(int32_t duration, uint32_t turns, Camera* target);
    void Reset() override;
    bool Advance(uint32_t dt) override;
    bool Apply() override;
    int GetType() const override;
};
