// Where a fighter may really go this frame: the root displacement's proposed point collided with
// the loose props, the other fighters and the walls, the momentum's part into what was hit
// removed, and for the local fighter the ceilings. Also the fighter's shape for ray hits.
#include <cmath>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_motion.h"
#include "fighters/movement.h"
#include "fighters/roles.h"
#include "render/geometry.h"
#include "scene/character_model.h"
#include "scene/collision_mesh.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "world/dynamic_object.h"

namespace {

constexpr float kSame = 0.0001f;
constexpr int kUpperBodyPush = 156;
constexpr int kPushBlendMs = 200;
constexpr float kBigProp = 0.5f;
constexpr float kPropReach = 1.5f;
constexpr float kPropPushOut = 1.6f;
constexpr float kLightProp = 1.0f;
constexpr float kLightPush = 0.5f;
constexpr float kHeavyPush = 0.1f;
constexpr float kFighterRadius = 1.0f;
constexpr float kKnockedDownRadius = 0.75f;
constexpr float kFighterHalfHeight = 1.5f;
constexpr float kPushOutMargin = 0.1f;
constexpr float kWalkingLimit = kPi / 4.0f;
constexpr float kProbeHalfWidth = 0.25f;
constexpr float kProbeBottom = 0.6f;
constexpr float kProbeTop = 1.5f;
constexpr float kCeilingHalfSide = 0.15f;
constexpr float kCeilingProbeHeight = 0.6f;
constexpr float kCeilingSweep = 5.0f;
constexpr float kHeadHeight = 1.7f;
constexpr float kRayHeight = 1.5f;
constexpr float kRayRadius = 0.5f;

bool Differs(const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) >= kSame || std::fabs(a.y - b.y) >= kSame || std::fabs(a.z - b.z) >= kSame;
}

Vec3 UnitOrZero3(const Vec3& v) {
    const float length = Vec3Length(v);
    return length < 1e-6f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(v, 1.0f / length);
}

}  // namespace

void BuildWallProbe(SweepVolume* probe, const Vec3& point, const Vec3& reference) {
    const Vec3 f = HorizontalUnit(reference, point);
    const Vec3 across{f.z, 0.0f, -f.x};
    const float xs[4] = {-kProbeHalfWidth, kProbeHalfWidth, kProbeHalfWidth, -kProbeHalfWidth};
    const float ys[4] = {kProbeBottom, kProbeBottom, kProbeTop, kProbeTop};
    for (int i = 0; i < 4; ++i)
        probe->corners[i] = Vec3{reference.x + across.x * xs[i], reference.y + ys[i], reference.z + across.z * xs[i]};
    probe->motion = Vec3{point.x - reference.x, 0.0f, point.z - reference.z};
}

bool SweepWallProbe(const SweepVolume& probe, Vec3* slide, Vec3* normal, Vec3* contact) {
    const float length = Vec3Length(probe.motion);
    if (length < 1e-6f) return false;
    // One unit ahead whatever the motion's length: a wall that close turns the motion into a slide.
    SweepVolume unit = probe;
    unit.motion = Vec3Scale(probe.motion, 1.0f / length);
    Vec3 point{}, n{};
    if (!g_Scene.SweepSphere(unit, &point, &n, COLLISION_GROUND)) return false;
    n.y = 0.0f;
    n = UnitOrZero3(n);
    *slide = SlideAcross(probe.motion, n);
    *normal = n;
    *contact = point;
    return true;
}

bool Character::MoveWithCollision(int frameMs) {
    Vec3 proposed = position;
    if (model && model->applyRootMotion) proposed = Vec3Add(proposed, rootDisplacement);
    const Vec3 reference{previousPosition.x, proposed.y, previousPosition.z};

    if ((IsOffline() || IsLocalFighter(this)) && upperAnimation == kUpperBodyPush && model &&
        !(currentAnimation == ANIM_RUN && !model->HasAnimationWrapped(BONE_UPPER_BODY))) {
        SetAnimation(currentAnimation, 0, 0, BONE_UPPER_BODY);
        EndSplitAnimation();
        SetAnimationTime(model->GetAnimationFrame(BONE_WHOLE_BODY), BONE_UPPER_BODY);
    }

    bool touched = false;
    if (Differs(proposed, reference)) {
        Vec3 normal{};
        bool haveNormal = false;
        Vec3 propNormal{};
        const bool props = CollideWithProps(proposed, &propNormal);
        const bool fighters = CollideWithFighters(proposed);
        touched = props || fighters;
        if (props) {
            normal = propNormal;
            haveNormal = true;
        }

        SweepVolume probe{};
        Vec3 slide{}, wall{}, contact{};
        BuildWallProbe(&probe, proposed, reference);
        if (SweepWallProbe(probe, &slide, &wall, &contact)) {
            SetPosition(reference.x + slide.x, reference.y + slide.y, reference.z + slide.z, true);
            wallContact = 1;
            normal = wall;
            haveNormal = true;
            if (Differs(position, reference)) {
                BuildWallProbe(&probe, position, reference);
                if (SweepWallProbe(probe, &slide, &wall, &contact)) {
                    SetPosition(reference.x + slide.x, reference.y + slide.y, reference.z + slide.z, true);
                    normal = wall;
                }
            }
            touched = true;
        }

        if (touched && haveNormal && Differs(momentum, Vec3{0.0f, 0.0f, 0.0f}) && Vec3Dot(momentum, normal) < 0.0f) {
            // What ran into the contact is lost, and with it every vertical part.
            const Vec3 along = UnitOrZero3(Vec3{-normal.z, 0.0f, normal.x});
            const float s = momentum.x * along.x + momentum.z * along.z;
            momentum = Vec3{along.x * s, 0.0f, along.z * s};
        }
    }

    if (IsLocalFighter(this) && HandleCeiling()) touched = true;
    WaterContactEffects(frameMs);
    return touched;
}

bool Character::CollideWithProps(const Vec3& point, Vec3* outNormal) {
    const Vec3 start = Vec3Add(previousPosition, velocity);
    bool touched = false;
    for (DynamicObject& prop : g_Balls) {
        if (!prop.InUse()) continue;
        const float r = prop.radius;
        const Vec3 d = Vec3Sub(position, prop.position);
        if (r > kBigProp && Vec3Length(d) <= kPropReach * r) {
            const Vec3 out = Vec3Scale(UnitOrZero3(d), kPropPushOut * r);
            const Vec3 to = Vec3Add(prop.position, out);
            SetPosition(to.x, to.y, to.z, true);
            *outNormal = out;
            touched = true;
            continue;
        }
        const Vec3 raised{point.x, point.y + r, point.z};
        if (Vec3Length(Vec3Sub(raised, prop.position)) > kPropReach * r) continue;
        const Vec3 n = HorizontalUnit(prop.position, point);
        *outNormal = n;
        const Vec3 slide = SlideAcross(Vec3Sub(point, start), n);
        SetPosition(start.x + slide.x, start.y, start.z + slide.z, true);
        if (currentAnimation == ANIM_RUN && prop.type == PROP_TYPE_LARGE &&
            YawGap(yaw, HeadingTo(prop.position.x - position.x, prop.position.z - position.z)) <= kPi / 4.0f)
            SetAnimation(kUpperBodyPush, kPushBlendMs, 1, BONE_UPPER_BODY);
        prop.state = PROP_ROLLING;
        const float push = Vec3Length(totalVelocity) * (r < kLightProp ? kLightPush : kHeavyPush);
        prop.velocity = Vec3Sub(prop.velocity, Vec3Scale(n, push));
        prop.SetVelocity(prop.velocity.x, prop.velocity.y, prop.velocity.z);
        prop.owner = this;
        touched = true;
    }
    return touched;
}

bool Character::CollideWithFighters(const Vec3& point) {
    const Vec3 start = Vec3Add(previousPosition, velocity);
    for (Character& other : g_Characters) {
        if (!other.active || &other == this || other.dead) continue;
        const float radius = other.knockedDown ? kKnockedDownRadius : kFighterRadius;
        if (!(std::hypot(other.position.x - point.x, other.position.z - point.z) < radius) ||
            !(std::fabs(other.position.y - point.y) < kFighterHalfHeight))
            continue;
        const float motion = PathHeading(point.x - start.x, point.z - start.z);
        const float towards = PathHeading(other.position.x - start.x, other.position.z - start.z);
        // A running fighter always slides.
        const float limit = actionClass == 1 ? -1.0f : kWalkingLimit;
        Vec3 to{start.x, point.y, start.z};
        if (YawGap(motion, towards) > limit) {
            const Vec3 slide = SlideAcross(Vec3Sub(point, start), HorizontalUnit(other.position, point));
            to = Vec3{start.x + slide.x, point.y, start.z + slide.z};
        }
        SetPosition(to.x, to.y, to.z, true);
        if (!knockedDown && Vec3Length(Vec3Sub(position, other.position)) <= radius) {
            const Vec3 out = Vec3Add(other.position, Vec3Scale(UnitOrZero3(Vec3Sub(position, other.position)),
                                                                radius + kPushOutMargin));
            SetPosition(out.x, out.y, out.z, true);
        }
        return true;
    }
    return false;
}

bool Character::HandleCeiling() {
    const Vec3 base = previousPosition;
    if (!(base.y < position.y)) return false;
    const float top = base.y + kCeilingProbeHeight;
    // Wound the other way round from the ground probe, which sweeps down.
    const SweepVolume probe{{{base.x - kCeilingHalfSide, top, base.z - kCeilingHalfSide},
                             {base.x - kCeilingHalfSide, top, base.z + kCeilingHalfSide},
                             {base.x + kCeilingHalfSide, top, base.z + kCeilingHalfSide},
                             {base.x + kCeilingHalfSide, top, base.z - kCeilingHalfSide}},
                            {0.0f, kCeilingSweep, 0.0f}};
    Vec3 contact{}, n{};
    if (!g_Scene.SweepSphere(probe, &contact, &n, COLLISION_GROUND)) return false;
    const float head = position.y + kHeadHeight;
    if (contact.y > head) return false;
    const float overlap = head - contact.y;
    if (!airborne) {
        // On foot the step that reached under the ceiling is taken back.
        const Vec3 back = Vec3Sub(base, rootDisplacement);
        SetPosition(back.x, back.y, back.z, true);
        return false;
    }
    const float y = contact.y - kHeadHeight;
    if (model) model->heightOffset = y;
    position.y = y;
    const float ny = std::fabs(n.y);
    const float L = std::hypot(n.x, n.z);
    // Flat and upright ceilings only stop the rise.
    if (ny < 0.0001f || ny > 0.99f || L < 1e-6f) return false;
    const Vec3 h{n.x / L, 0.0f, n.z / L};
    const Vec3 to = Vec3Add(position, Vec3Scale(Vec3{h.x * ny, L, h.z * ny}, overlap));
    SetPosition(to.x, to.y, to.z, true);
    ceilingContact = 1;
    return true;
}

bool Character::IntersectRay(const Ray& ray, float maxDistance, Vec3* outPoint, Vec3* outNormal) {
    if (dead) return false;
    const Cylinder body{position, kRayHeight, kRayRadius};
    Vec3 point{}, normal{};
    if (!RayCylinderIntersect(ray, body, &point, &normal)) return false;
    if (!(Vec3Length(Vec3Sub(point, ray.origin)) < maxDistance)) return false;
    if (outPoint) *outPoint = point;
    if (outNormal) *outNormal = normal;
    return true;
}
