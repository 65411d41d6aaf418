// One frame of a ball: resting, flying under gravity, or rolling on the ground with friction and
// slope; its mesh turns about the roll axis as it goes.
#include <cmath>

#include "fighters/fighter_shell.h"
#include "net/session.h"
#include "scene/ground.h"
#include "world/dynamic_object.h"
#include "world/prop_contact.h"

namespace {

constexpr float kFriction = 1.96f;         // speed lost per second while rolling
constexpr float kRestSpeed = 0.1f;
constexpr float kLeaveGround = -0.2f;      // farther above the ground than this: falling
constexpr float kRestHeight = 0.02f;       // a rolling ball rests this far above touching
constexpr float kFallOut = -300.0f;
constexpr float kMoved = 0.0001f;

}  // namespace

bool PropMoved(const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) >= kMoved || std::fabs(a.y - b.y) >= kMoved || std::fabs(a.z - b.z) >= kMoved;
}

float PropGroundProbe(const Vec3& p, float radius, Vec3* downhill, bool* found, Vec3* normal) {
    Vec3 n{0, 1, 0};
    const float h = GetGroundHeightAndSlope(p.x, p.y, p.z, &n, downhill);
    *found = h != GROUND_NONE;
    if (!*found) return 0.0f;
    // A degenerate normal is never divided by: the ground counts as level.
    if (Vec3Length(n) < kPropNormaliseMin) n = {0, 1, 0};
    *normal = n;
    const float distance = std::fabs(Vec3Dot(n, p) - Vec3Dot(n, {p.x, h, p.z})) / Vec3Length(n);
    return radius - distance;
}

bool DynamicObject::Update() {
    if (!mesh) return false;
    previousPosition = position;
    Step();
    if (position.y < kFallOut) Despawn();
    return true;
}

void DynamicObject::Step() {
    const float dt = g_FighterShellCalls.frameSeconds();
    switch (state) {
    case PROP_RESTING:
        // At rest nothing moves; in a network game the roll set by the host's velocity still runs.
        if (!IsNetworkActive()) return;
        break;
    case PROP_FLYING:
        SetVelocity(Vec3Add(velocity, Vec3Scale(acceleration, dt)));
        Move(velocity.x * dt, velocity.y * dt, velocity.z * dt);
        if (PropMoved(position, previousPosition)) ResolveCollisions(previousPosition);
        break;
    case PROP_ROLLING: {
        float speed = Vec3Length(velocity) - kFriction * dt;
        if (speed < 0.0f) speed = 0.0f;
        SetVelocity(Vec3Scale(PropNormalise(velocity), speed));
        if (Vec3Length(velocity) < kRestSpeed) ResetPhysics();
        velocity = Vec3Add(velocity, Vec3Scale(downhill, 2.0f * PROP_GRAVITY * downhill.y * dt));
        Move(velocity.x * dt, velocity.y * dt, velocity.z * dt);
        bool ground = false;
        Vec3 n{0, 1, 0};
        const float penetration = PropGroundProbe(position, radius, &downhill, &ground, &n);
        if (!ground || penetration < kLeaveGround) {
            // Rolled off an edge, or off the world: it falls.
            state = PROP_FLYING;
        } else {
            const Vec3 push = Vec3Scale(n, penetration + kRestHeight);
            Move(push.x, push.y, push.z);
        }
        if (PropMoved(position, previousPosition)) ResolveCollisions(previousPosition);
        break;
    }
    default:
        break;
    }
    if (std::fabs(rollAxis.x) >= kMoved || std::fabs(rollAxis.y) >= kMoved || std::fabs(rollAxis.z) >= kMoved)
        Rotate(rollAxis.x, rollAxis.y, rollAxis.z, dt * rollRate);
}
