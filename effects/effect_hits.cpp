// Projectile flight and what the power effects do to what they hit: the segment test against the
// world, fighters and props, the damage rule with its reactions, experience and sparks, and the
// push of a loose prop. In a network game only the host decides hits.
#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "effects/effect_draw.h"
#include "effects/effect_pool.h"
#include "effects/random_range.h"
#include "fighters/character_checks.h"
#include "fighters/power_table.h"
#include "fighters/roles.h"
#include "render/geometry.h"
#include "world/scenario.h"

namespace {

constexpr uint32_t kEffectRayMask = 0x107;
constexpr int32_t kExplosion = 32;
constexpr int32_t kBlueHit = 20, kRedHit = 30, kRedStrike = 73, kSpark = 42, kSeekerFound = 81;
constexpr int32_t kSeeker = 65;
constexpr const char* kStain = "Texturas\\Efectos\\Mancha00.tga";
// A statistic of 0 would divide the damage by nothing.
constexpr float kStatisticFloor = 0.01f;
constexpr float kMoved = 0.0001f;
constexpr float kChestRaise = 0.75f;
constexpr int kMaxSparks = 50;
constexpr float kSparkSpeed = 12.0f;
// Near its aim the bearing to it swings at up to speed / distance radians a second, faster than a
// seeker's own turn; turning at least twice that, it closes on its aim instead of circling it.
constexpr float kNearTurnFactor = 2.0f;

// An aim nearer straight behind than this (the sine of the angle off it, about 3 degrees) turns a
// seeker as one this far off would: nearer, it takes ever longer to come round.
constexpr float kStraightBehind = 0.05f;

// The way `side` points; with none (an aim exactly behind), a turn about the up axis, or about
// another when the heading is straight up or down.
Vec3 Across(const Vec3& heading, const Vec3& side) {
    Vec3 s = UnitOrZero(side);
    if (Vec3Length(s) == 0.0f) s = UnitOrZero(Vec3{heading.z, 0.0f, -heading.x});
    if (Vec3Length(s) == 0.0f) s = Vec3{1.0f, 0.0f, 0.0f};
    return s;
}

// Reaction codes of a hit on a fighter.
constexpr int kNoReaction = -1, kGuarded = -2, kImmune = -3;
constexpr int kLight = 115, kMedium = 119, kHeavy = 130, kKnockedDown = 124;
constexpr int kGuardAnimation = 149;
constexpr int kHeavySound = 243;

bool OnClient() { return g_NetSession.active && !g_NetSession.hosting; }

bool Moved(const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) >= kMoved || std::fabs(a.y - b.y) >= kMoved || std::fabs(a.z - b.z) >= kMoved;
}

Vec3 Raised(const Vec3& p, float h) { return Vec3{p.x, p.y + h, p.z}; }

// Types 0-9 are side 0's powers, 10-19 side 1's.
int SideOfType(int32_t type) { return type >= 10 ? 1 : 0; }

// The row of the effect's own power; null for a type without one.
const PowerRow* OwnPowerRow(const EffectSlot& s) {
    const int32_t k = s.PowerIndex();
    return k < 0 ? nullptr : &PowerRowOf(SideOfType(s.type), k);
}

void PlayAt(int id, const Vec3& at) {
    if (g_FighterShellCalls.playFx) g_FighterShellCalls.playFx(id, &at, 0);
}

int32_t MakeAt(int32_t type, const Vec3& at, Character* owner) {
    return CreateEffect(EFFECT_NO_SLOT, type, at, at, Vec3{}, Vec3{}, Vec3{}, EffectTypeLifetime(type), 0.0f, 0, owner);
}

// 0 ahead, 1 behind, 2 and 3 the sides, from the heading of the hit point off the victim's facing.
int HitDirection(const Character& victim, const Vec3& hitPoint) {
    const float heading = std::atan2(hitPoint.x - victim.position.x, hitPoint.z - victim.position.z);
    const float a = AngleDifference(victim.yaw, heading);
    const float quarter = kPi / 4.0f;
    if (std::fabs(a) <= quarter) return 0;
    if (std::fabs(a) >= 3.0f * quarter) return 1;
    return a < 0.0f ? 2 : 3;
}

// Sparks of experience fly from the hit back to the one who earned it.
void SendSparks(int n, const Vec3& from, Character* owner) {
    const Vec3 aim = Raised(owner->position, kChestRaise);
    for (int i = 0; i < n; ++i) {
        const Vec3 r{RandomInRange(-1.0f, 1.0f, 1000), RandomInRange(0.0f, 1.0f, 1000), RandomInRange(-1.0f, 1.0f, 1000)};
        const Vec3 velocity = Vec3Scale(UnitOrZero(r), kSparkSpeed);
        CreateEffect(EFFECT_NO_SLOT, kSpark, from, aim, velocity, Vec3{}, Vec3{}, EFFECT_ENDLESS, 0.0f, 0, owner);
    }
}

}  // namespace

bool ScenarioSegmentQuery(const Vec3& from, const Vec3& direction, float length, Character* ignore, SegmentHit* out) {
    uint8_t special = 0;
    const bool hit = g_Scenario.RayQuery(Ray{direction, from}, length, &out->point, &out->normal, kEffectRayMask,
                                         &out->fighter, &out->prop, ignore, &special);
    out->special = special != 0;
    return hit;
}

bool EffectSlot::TestSegment(const Vec3& from, const Vec3& to, Vec3* hitPoint, Vec3* normal, bool applyHits,
                             bool* special) {
    const Vec3 d = Vec3Sub(to, from);
    SegmentHit hit;
    if (!g_EffectHitCalls.rayQuery(from, UnitOrZero(d), Vec3Length(d), owner, &hit)) return false;
    if (hit.fighter && hit.fighter == owner && type != kExplosion) return false;
    if (hitPoint) *hitPoint = hit.point;
    if (normal) *normal = hit.normal;
    if (special) *special = hit.special;
    if (!applyHits) return true;

    const bool ownerIsEnemy = owner && hit.fighter && owner->side != hit.fighter->side;
    const PowerRow* row = OwnPowerRow(*this);
    if (hit.fighter) {
        switch (type) {
        case 6:
            if (ownerIsEnemy) hit.fighter->StartFreeze(10000, 1000);
            return true;
        case 14:
            if (ownerIsEnemy) hit.fighter->StartPoisoning(30000, 1000);
            return true;
        case 16:
            if (ownerIsEnemy) hit.fighter->StartParalysis(20000, 1000);
            return true;
        default:
            // A type without a power (the search object) has no hit to deal: it only meets him.
            return row ? g_EffectHitCalls.damageCharacter(*this, hit.fighter, hit.point, row->damage) : true;
        }
    }
    if (hit.prop && type != 6 && type != 14 && type != 16 && owner && row) {
        const float damage = PowerRowOf(owner->side == 1 ? 1 : 0, PowerIndex()).damage;
        g_EffectHitCalls.pushProp(*this, hit.prop, hit.normal, owner->EffectivePower() * damage);
    }
    return true;
}

bool EffectSlot::DamageCharacter(Character* victim, const Vec3& hitPoint, float damage) {
    if (!victim) return false;
    if (victim == owner && type != kExplosion) return false;
    if (type == 3 && victim->actionClass == 7 && victim->currentAnimation <= 134) return false;
    if (OnClient()) return true;

    int code = kImmune;
    if (!victim->IsImmune()) {
        const bool guarded = !IsFrozen(*victim) && (type == 0 || type == 10) &&
                             victim->currentAnimation == kGuardAnimation && victim->model &&
                             std::fabs(victim->model->GetAnimationFrame(0) - 4.0f) < 3.0f;
        float loss = 0.0f;
        if (!victim->dead) {
            float factor = 1.0f;
            if (owner)
                factor = std::max(owner->EffectivePower(), kStatisticFloor) /
                         std::max(victim->EffectiveConstitution(), kStatisticFloor);
            else if (type == kExplosion)
                factor = 7.0f;
            loss = factor * damage;
            float experience = damage / factor / 3.0f;
            if (guarded) {
                loss *= 0.1f;
                experience *= 0.1f;
            }
            if (loss > 0.0f) victim->ChangeHealth(-loss, owner);
            if (owner && experience > 0.0f) {
                owner->AddExperience(experience, victim);
                int n = int(std::min(float(kMaxSparks), std::trunc(3.0f * experience)));
                if (type == 9 && n > 1) n /= 2;
                SendSparks(n, hitPoint, owner);
            }
        }
        // The types without a power of their own (the explosion, the search object) read no row.
        const PowerRow* row = OwnPowerRow(*this);
        const float m = victim->maxHealth;
        if (guarded)
            code = kGuarded;
        else if (type == 0 || type == 10 || type == 1)
            code = kNoReaction;
        else if (victim->knockedDown)
            code = kKnockedDown;
        else if (owner && row && row->reactionFlag && (victim->actionClass == 6 || victim->actionClass == 7))
            code = kNoReaction;
        else {
            if (loss > 0.1f * m || type == 3) {
                if (type == 3 && victim->currentAnimation != kHeavy) PlayAt(kHeavySound, hitPoint);
                code = kHeavy;
            } else {
                code = loss > 0.05f * m ? kMedium : kLight;
            }
            code += HitDirection(*victim, hitPoint);
        }
    }

    if (IsNetworkActive() && !IsLocalFighter(victim))
        g_GamePacket.WriteApplyHit(victim->slot, owner ? owner->slot : -1, damage, hitPoint, code, 2);
    else
        victim->ApplyHit(damage, hitPoint, code, 2, owner);
    return true;
}

bool EffectSlot::PushProp(DynamicObject* prop, const Vec3& direction, float force) {
    if (!prop) return false;
    if (OnClient() && !g_GamePacket.dispatching) return false;
    if (prop->state == PROP_RESTING) prop->state = PROP_ROLLING;
    const float k = force / (std::max(prop->radius, 0.001f) * 50.0f);
    prop->SetVelocity(Vec3Sub(prop->velocity, Vec3Scale(direction, k)));
    return true;
}

void EffectSlot::UpdateProjectile(bool hitFighters) {
    const float dt = g_FighterShellCalls.frameSeconds ? g_FighterShellCalls.frameSeconds() : 0.0f;
    velocity = Vec3Add(velocity, Vec3Scale(acceleration, dt));
    previousPosition = position;
    position = Vec3Add(position, Vec3Scale(velocity, dt));
    SetPosition(position);

    if (!stopped) {
        Vec3 h{}, n{};
        bool special = false;
        if (hitFighters && Moved(previousPosition, position) &&
            TestSegment(previousPosition, position, &h, &n, true, &special)) {
            switch (type) {
            case 0:
            case 10: {
                const Vec3 at = Vec3Add(h, Vec3Scale(n, 0.05f));
                Stop(200);
                velocity = Vec3{};
                MakeAt(type == 0 ? kBlueHit : kRedHit, at, nullptr);
                if (!special) CreateDecal(kStain, at, 0.4f, Vec3Sub(position, previousPosition), 20000, 20, 5000);
                PlayAt(type == 0 ? 154 : 155, at);
                SetPosition(at);
                break;
            }
            case 8:
            case 13:
            case 18:
                Stop(200);
                MakeAt(kExplosion, h, owner);
                CreateDecal(kStain, h, 3.0f, Vec3Sub(position, previousPosition), 40000, 100, 5000);
                PlayAt(240 + Random() % 3, h);
                SetPosition(h);
                break;
            case 19:
                Stop(200);
                MakeAt(kRedStrike, h, nullptr);
                PlayAt(244, h);
                break;
            case kSeeker: MakeAt(kSeekerFound, h, nullptr); break;
            default: break;
            }
        }
        switch (type) {
        case 0:
        case 3:
        case 10:
        case 13: {
            const PowerRow* row = OwnPowerRow(*this);
            if (!owner || (row && Vec3Length(Vec3Sub(position, owner->position)) > row->range)) Stop(500);
            break;
        }
        case 8:
        case 18:
        case 19:
            // A target that has died or left keeps the last aim.
            if (target && target->active && !target->dead) aimPoint = Raised(target->position, kChestRaise);
            break;
        case kSpark:
            if (owner) aimPoint = Raised(owner->position, owner->actionClass == 14 ? 1.0f : kChestRaise);
            if (Vec3Length(Vec3Sub(aimPoint, position)) < 1.0f) Stop(100);
            break;
        default: break;
        }
    }

    if (type != 8 && type != 18 && type != 19 && type != kSpark && type != kSeeker) return;
    if (!Moved(position, aimPoint)) return;
    const Vec3 toward = Vec3Sub(aimPoint, position);
    const float distance = Vec3Length(toward);
    const float speed = Vec3Length(velocity);
    float k = 7.0f;
    if (type == kSeeker) k = 1.5f;
    if (type == kSpark) k = 10.0f;
    if (type == 8 || type == 18) k = distance <= 1.0f ? 12.0f : 10.0f / distance + 2.0f;
    // The element map's drifting seeker is meant to wander about its point.
    if (type != kSeeker) k = std::max(k, kNearTurnFactor * speed / distance);
    const Vec3 heading = speed < 1e-6f ? Vec3{} : Vec3Scale(velocity, 1.0f / speed);
    Vec3 pull = UnitOrZero(toward);
    // Straight behind, the pull has no part across the heading to turn by and the seeker would fly
    // on away from its aim: it turns as if its aim lay a little off its line.
    const float along = Vec3Dot(pull, heading);
    const Vec3 across = Vec3Sub(pull, Vec3Scale(heading, along));
    if (along < 0.0f && Vec3Length(across) < kStraightBehind)
        pull = UnitOrZero(Vec3Add(Vec3Scale(heading, along), Vec3Scale(Across(heading, across), kStraightBehind)));
    const Vec3 turned = Vec3Add(heading, Vec3Scale(pull, k * dt));
    velocity = Vec3Scale(UnitOrZero(turned), speed);
}
