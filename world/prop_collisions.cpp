// A ball's contacts after a move: other balls, then fighters (damage and a hit reaction), then
// the static world, where a flying ball may land. All three bounce the same way.
#include <cmath>
#include <numbers>

#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "render/geometry.h"
#include "scene/collision_octree.h"
#include "scene/ground.h"
#include "world/dynamic_object.h"
#include "world/prop_contact.h"

namespace {

constexpr float kRestSpeed = 0.1f;
constexpr float kGrazingRoll = -0.5f;        // a rolling ball is damped only by steeper impacts
constexpr float kBodyRadius = 0.75f;         // a fighter as a large ball sees it
constexpr float kLandingSpeed = 1.0f;
constexpr float kLandingGap = 0.1f;
constexpr int kMaxLeaves = 64;
constexpr float kFaceNormalMin = 0.0001f;

// Hit reactions (the fighters' codes), by the ball's impact s = speed x radius.
constexpr int kHitImmune = -3;
constexpr int kHitNone = -1;
constexpr int kHitKnockedDown = 124;
constexpr int kHitLight = 115;
constexpr int kHitMedium = 119;
constexpr int kHitHeavy = 130;
constexpr int kHeavyStrength = 2;

// Damage per unit of speed x mass.
constexpr float kLargeDamage = 0.002f;
constexpr float kSmallDamage = 0.1f;

// The angle of a horizontal direction from +z towards +x, in [0, 2 pi).
float YawOf(const Vec3& d) {
    if (d.x == 0.0f) return d.z >= 0.0f ? 0.0f : kPi;
    if (d.z == 0.0f) return d.x >= 0.0f ? kPi * 0.5f : kPi * 1.5f;
    return WrapAngle(std::atan2(d.x, d.z));
}

int ImpactCode(float s) {
    if (s > 4.0f) return kHitHeavy;
    if (s > 2.0f) return kHitMedium;
    if (s > 1.0f) return kHitLight;
    return kHitNone;
}

// Which side of the fighter the contact lies on: 0 front, 1 back, 2 and 3 the sides.
int ContactSide(const Character& c, const Vec3& contact) {
    const float a = AngleDifference(YawOf(Vec3Sub(contact, c.position)), c.yaw);
    if (std::fabs(a) <= kPi * 0.25f) return 0;
    if (std::fabs(a) >= kPi * 0.75f) return 1;
    return a > 0.0f ? 3 : 2;
}

// The ball's centre reaches the face: within the radius of its surface, and over its inside or
// within the radius of one of its edges.
bool TouchesFace(const CollisionFlatFace& face, const CollisionEdge* edges, const Vec3& p, float r) {
    const Vec3& nf = face.normal;
    const float nn = Vec3Dot(nf, nf);
    if (nn < kFaceNormalMin * kFaceNormalMin) return false;
    const float offset = Vec3Dot(nf, p) - face.normalDotFirst;
    if (!(offset * offset < r * r * nn)) return false;
    const uint32_t count = face.edgeCount;
    if (nn > kFaceNormalMin) {
        const Vec3 projection = Vec3Sub(p, Vec3Scale(nf, offset / nn));
        bool inside = true;
        for (uint32_t i = 0; i < count && inside; ++i)
            inside = Vec3Dot(edges[i].side, Vec3Sub(projection, edges[i].start)) >= 0.0f;
        if (inside) return true;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const Vec3& vi = edges[i].start;
        const Vec3& vj = edges[(i + 1) % count].start;
        // Beyond the radius of the sphere around the edge: nowhere on it is nearer.
        const Vec3 toMiddle = Vec3Sub(p, Vec3Scale(Vec3Add(vi, vj), 0.5f));
        const float reach = r + 0.5f * Vec3Length(Vec3Sub(vj, vi));
        if (Vec3Dot(toMiddle, toMiddle) > reach * reach) continue;
        float distance = 0.0f;
        if (SegmentClosestPoint(vi, vj, p, &distance, nullptr) && distance < r) return true;
    }
    return false;
}

// The sum of the normals of the solid faces the ball touches, and how many.
int TouchedFaces(const Vec3& p, float r, Vec3* sum) {
    const CollisionOctree* tree = SceneCollisionOctree();
    if (!tree) return 0;
    int32_t leaves[kMaxLeaves];
    const AxisBox box{{p.x + r, p.y + r, p.z + r}, {p.x - r, p.y - r, p.z - r}};
    const int32_t found = tree->LeavesInBox(box, leaves, kMaxLeaves);
    const std::vector<CollisionMesh>& meshes = tree->Meshes();
    int touched = 0;
    for (int32_t l = 0; l < found; ++l) {
        const OctreeNode* leaf = tree->GetNode(leaves[l]);
        if (!leaf || leaf->first < 0 || size_t(leaf->first) >= meshes.size()) continue;
        const CollisionMesh& mesh = meshes[size_t(leaf->first)];
        const CollisionFlatFace* faces = mesh.FlatFaces().data();
        const CollisionEdge* edges = mesh.Edges().data();
        for (const CollisionFlatGroup& group : mesh.FlatGroups()) {
            if (!(group.typeMask & 1)) continue;
            for (uint32_t f = group.firstFace; f < group.firstFace + group.faceCount; ++f) {
                if (!TouchesFace(faces[f], edges + faces[f].firstEdge, p, r)) continue;
                *sum = Vec3Add(*sum, faces[f].normal);
                ++touched;
            }
        }
    }
    return touched;
}

}  // namespace

float DynamicObject::Bounce(const Vec3& n, const Vec3& previous, Vec3* reflected) {
    const Vec3 m = Vec3Sub(position, previous);
    *reflected = ReflectOffPlane(m, {0, 0, 0}, n);
    ResetAcceleration();
    velocity = Vec3Scale(PropNormalise(*reflected), Vec3Length(velocity));
    const float c = Vec3Dot(PropNormalise(m), n);
    if (c < 0.0f && (state != PROP_ROLLING || c < kGrazingRoll)) {
        const float k = 1.0f + 0.5f * c;
        SetVelocity(Vec3Scale(velocity, k));
        return k;
    }
    return 0.0f;
}

bool DynamicObject::CollideWithProps(const Vec3& q) {
    if (kind != PROP_KIND_BALL) return false;
    bool hit = false;
    for (DynamicObject& other : g_Balls) {
        if (!other.InUse() || &other == this) continue;
        if (!(Vec3Length(Vec3Sub(position, other.position)) < radius + other.radius)) continue;
        const Vec3 m = Vec3Sub(position, q);
        const Vec3 n = PropNormalise(Vec3Sub(q, other.position));
        Vec3 ref;
        const float k = Bounce(n, q, &ref);
        if (other.state == PROP_RESTING) other.state = PROP_ROLLING;
        const float passed = Vec3Length(velocity) * (1.0f - k) * (radius / other.radius);
        other.SetVelocity(Vec3Sub(other.velocity, Vec3Scale(n, passed)));
        if (Vec3Length(velocity) < kRestSpeed) ResetPhysics();
        SetPosition(Vec3Add(q, Vec3Add(Vec3Scale(m, 0.4f), Vec3Scale(ref, 0.6f))));
        g_FighterShellCalls.playFx(type == PROP_TYPE_SMALL ? PROP_SOUND_SMALL : PROP_SOUND_LARGE, &position, 0);
        hit = true;
    }
    return hit;
}

bool DynamicObject::CollideWithCharacters(const Vec3& q) {
    for (Character& c : g_Characters) {
        if (!c.active) continue;
        const Vec3 m = Vec3Sub(position, q);
        Vec3 n{}, contact{};
        if (type == PROP_TYPE_LARGE) {
            const Vec3 centre{c.position.x, c.position.y + kBodyRadius, c.position.z};
            if (!(Vec3Length(Vec3Sub(position, centre)) <= radius + kBodyRadius)) continue;
            // Only a fighter ahead of the motion is struck.
            if (!(std::fabs(AngleDifference(YawOf(m), YawOf(Vec3Sub(c.position, q)))) < kPi * 0.5f)) continue;
            n = PropNormalise(Vec3Sub(q, centre));
            contact = position;
        } else {
            const Ray ray{PropNormalise(m), q};
            if (!g_PropFighterCalls.intersectRay(&c, ray, Vec3Length(m), &contact, &n)) continue;
        }
        const float speedBefore = Vec3Length(velocity);
        Vec3 ref;
        Bounce(n, q, &ref);
        const float speed = Vec3Length(velocity);

        int code;
        if (g_PropFighterCalls.isImmune(&c)) {
            code = kHitImmune;
        } else if (c.knockedDown) {
            code = kHitKnockedDown;
        } else {
            code = ImpactCode(speed * radius);
            if (code != kHitNone) code += ContactSide(c, contact);
        }
        // Hits are dealt where melee hits are: offline or by the host, which tells a remote victim.
        if (IsOffline() || IsHost()) {
            if (code != kHitImmune) {
                const float impact = c.knockedDown ? speedBefore : speed;
                const float damage = impact * mass * (type == PROP_TYPE_LARGE ? kLargeDamage : kSmallDamage);
                g_PropFighterCalls.changeHealth(&c, -damage, owner);
            }
            const int heavy = code >= kHitHeavy && code <= kHitHeavy + 3 ? kHeavyStrength : 0;
            if (IsHost() && !IsLocalFighter(&c))
                g_GamePacket.WriteApplyHit(c.slot, owner ? owner->slot : -1, 0.0f, contact, code, uint32_t(heavy));
            else
                g_PropFighterCalls.applyHit(&c, 0.0f, contact, code, heavy, owner);
        }
        if (Vec3Length(velocity) < kRestSpeed) ResetPhysics();
        SetPosition(Vec3Add(type == PROP_TYPE_LARGE ? q : contact, ref));
        return true;
    }
    return false;
}

bool DynamicObject::ResolveCollisions(const Vec3& q) {
    bool hit = CollideWithProps(q);
    if (CollideWithCharacters(q)) hit = true;

    const Vec3 m = Vec3Sub(position, q);
    Vec3 sum{0, 0, 0};
    Vec3 n;
    if (TouchedFaces(position, radius, &sum) > 0) {
        n = PropNormalise(sum);
    } else if (Vec3Length(m) < radius) {
        // A step shorter than the radius ends within the radius of any face it crossed, and such
        // a face would have been touched: the ray could find nothing.
        return hit;
    } else {
        const CollisionOctree* tree = SceneCollisionOctree();
        Ray ray{PropNormalise(m), q};
        Vec3 normal{};
        if (!tree || !tree->RayQuery(&ray, Vec3Length(m), nullptr, &normal, nullptr, 1)) return hit;
        n = PropNormalise(normal);
    }
    Vec3 ref;
    Bounce(n, q, &ref);
    if (Vec3Length(velocity) < kRestSpeed) ResetPhysics();

    if (state == PROP_FLYING && std::fabs(velocity.y) < kLandingSpeed) {
        bool ground = false;
        Vec3 groundNormal{0, 1, 0};
        const float penetration = PropGroundProbe(position, radius, &downhill, &ground, &groundNormal);
        if (ground && std::fabs(penetration) < kLandingGap) {
            state = PROP_ROLLING;
            const float speed = Vec3Length(velocity);
            Vec3 along = PropNormalise(velocity);
            along.y = downhill.y;
            velocity = Vec3Scale(PropNormalise(along), speed);
        }
    }
    SetPosition(Vec3Add(q, Vec3Add(Vec3Scale(m, 0.4f), Vec3Scale(ref, 0.6f))));
    g_FighterShellCalls.playFx(type == PROP_TYPE_SMALL ? PROP_SOUND_SMALL : PROP_SOUND_LARGE, &position, 0);
    return true;
}
