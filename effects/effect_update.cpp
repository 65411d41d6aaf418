// The per-frame step of each effect type that depends on the game: the projectiles fly, and the
// channelled powers on a caster's hands follow him and hit at intervals (a beam, short sweeps, a
// bolt, energy turned into health).
#include <algorithm>
#include <cmath>

#include "core/clocks.h"
#include "effects/bolt_effect.h"
#include "effects/effect_draw.h"
#include "effects/effect_group.h"
#include "effects/effect_pool.h"
#include "effects/effect_type_table.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"
#include "fighters/animation_control.h"
#include "fighters/character_checks.h"
#include "fighters/power_release.h"
#include "fighters/power_table.h"
#include "fighters/roles.h"

namespace {

constexpr uint32_t kBeamTickMs = 50;
constexpr uint32_t kSweepTickMs = 30;
constexpr int kBeamAnimation = 173;
constexpr float kBeamLastFrame = 30.0f;
// A computer caster's beam bends onto his target within this angle of his facing.
constexpr float kBeamCone = 0.6108652f;
constexpr float kBeamPastTarget = 5.0f;
constexpr float kAimLockRaise = 0.75f;
constexpr float kSweepStep = 0.15f;
constexpr int kEnergyPower = 2;
constexpr int32_t kExperienceSpark = 42;
constexpr uint32_t kSparkLandMs = 100;
constexpr uint32_t kSeekerLostMs = 500;
// No seeker chases longer: power 9's catch a fighter running off at run speed from the edge of
// their 30-unit reach within 16 s, even from behind the caster, and power 8's one 200 units off
// within 19 s. One still flying by then is outrun, or has nobody to strike.
constexpr uint32_t kSeekerFlightMs = 30000;
constexpr float kEnergyPerMs = 0.1f;

Vec3 Facing(float yaw) { return Vec3{std::sin(yaw), 0.0f, std::cos(yaw)}; }

// The bolts take the new end and build a new path; the child in place 1 sits at the end.
void LeadChildrenTo(EffectGroup* group, const Vec3& end) {
    if (!group) return;
    for (uint32_t i = 0; i < group->childCount; ++i) {
        PositionedObject* child = group->children[i];
        if (!child || child->kind != KIND_BOLT) continue;
        if (auto* bolt = dynamic_cast<BoltEffect*>(child)) {
            bolt->end = end;
            bolt->Build();
        }
    }
    if (group->childCount > 1 && group->children[1]) group->children[1]->SetPosition(end);
}

Vec3 BeamEnd(const Character& owner, const Vec3& start) {
    const float range = PowerRowOf(0, 1).range;
    const Character* target = owner.attackTarget;
    Vec3 end;
    if (!g_NetSession.active && !IsLocalFighter(&owner)) {
        const Vec3 toTarget = target ? Vec3Sub(target->position, owner.position) : Vec3{};
        if (target && std::fabs(AngleDifference(owner.yaw, std::atan2(toTarget.x, toTarget.z))) < kBeamCone) {
            const Vec3 p = Vec3Add(target->position, Vec3{0.0f, 1.0f, 0.0f});
            end = Vec3Add(p, Vec3Scale(UnitOrZero(Vec3Sub(p, start)), kBeamPastTarget));
        } else {
            end = Vec3Add(start, Vec3Scale(Facing(owner.yaw), range));
        }
    } else {
        end = Vec3Add(start, Vec3Scale(UnitOrZero(Vec3Sub(owner.aimPoint, start)), range));
    }
    const bool aimLocked = g_FighterShellCalls.targetMarker && g_FighterShellCalls.targetMarker();
    if (IsLocalFighter(&owner) && aimLocked && target)
        end = Vec3Add(target->position, Vec3{0.0f, kAimLockRaise, 0.0f});
    return end;
}

bool BeamRunsOut(const Character& owner) {
    return !owner.active || owner.upperAnimation != kBeamAnimation || IsFrozen(owner) ||
           (owner.model && owner.model->AnimationPassedFrame(BONE_UPPER_BODY, kBeamLastFrame));
}

}  // namespace

void EffectSlot::ForgetFighter(const Character* fighter) {
    if (!active || !fighter) return;
    if (owner == fighter) {
        // The beam runs out and a spark lands only by their owner: without one they would go on
        // for the rest of the match.
        if (type == 1) Stop(0);
        else if (type == kExperienceSpark) Stop(kSparkLandMs);
        owner = nullptr;
    }
    if (target == fighter) {
        target = nullptr;
        // A seeker would hang about the point it last aimed at, where no body lies, to its bound.
        if (type == 8 || type == 18 || type == 19) Stop(kSeekerLostMs);
    }
}

void EffectSlot::UpdateByType() {
    switch (type) {
    case 8:
    case 18:
    case 19:
        // Given up like a seeker whose target left.
        if (GetElapsed(CLOCK_MATCH, startTime) >= kSeekerFlightMs) Stop(kSeekerLostMs);
        UpdateProjectile(true);
        return;
    case 0:
    case 3:
    case 10:
    case 13:
    case 65: UpdateProjectile(true); return;
    case 42: UpdateProjectile(false); return;
    default: break;
    }

    const bool beamOrBolt = type == 1 || type == 9;
    const bool sweep = type == 6 || type == 11 || type == 14 || type == 16;
    const bool due = GetElapsed(CLOCK_MATCH, lastTime) > (sweep ? kSweepTickMs : kBeamTickMs);
    Vec3 hit{}, normal{};
    bool special = false;

    if (type == 1 && owner) {
        const Vec3 start = CastBonePoint(*owner, CastBone::A);
        SetPosition(start);
        Vec3 end = BeamEnd(*owner, start);
        if (TestSegment(start, end, &hit, &normal, due, &special)) end = hit;
        const Vec3 along = UnitOrZero(Vec3Sub(end, start));
        LeadChildrenTo(group, end);
        if (group && group->childCount > 1)
            if (auto* sprite = dynamic_cast<SpriteMover*>(group->children[1])) sprite->facingDirection = along;
        if (group && group->childCount > 3 && group->children[3]) {
            group->children[3]->SetPosition(end);
            if (auto* emitter = dynamic_cast<ParticleEmitter*>(group->children[3]))
                emitter->SetupVariant(along.x, along.y, along.z, -Vec3Dot(end, along));
        }
        if (BeamRunsOut(*owner)) Stop(0);
    } else if ((type == 2 || type == 12) && owner && !owner->dead && owner->currentPower == kEnergyPower &&
               owner->upperAnimation == PowerRowOf(owner->side == 1 ? 1 : 0, kEnergyPower).castAnimation) {
        const int frameMs = g_FighterShellCalls.frameMs ? g_FighterShellCalls.frameMs() : 0;
        const float amount = std::min({float(frameMs) * kEnergyPerMs, owner->energy, owner->maxHealth - owner->health});
        if (amount > 0.0f) {
            owner->ChangeEnergy(-amount);
            owner->ChangeHealth(amount, nullptr);
        }
    } else if (sweep && owner) {
        const uint32_t life = uint32_t(std::max(EFFECT_TYPE_TABLE[type].lifetime, 1));
        const uint32_t e = GetElapsed(CLOCK_MATCH, startTime);
        if (e < 2 * life) {
            const Vec3 start = Vec3Add(CastBonePoint(*owner, CastBone::D),
                                       Vec3Scale(Vec3{std::sin(owner->yaw), -0.6f, std::cos(owner->yaw)}, kSweepStep));
            SetPosition(start);
            const float range = PowerRowOf(type >= 10 ? 1 : 0, PowerIndex()).range;
            const float reach = float(e) * range * 0.4f / float(life);
            TestSegment(start, Vec3Add(start, Vec3Scale(Facing(owner->yaw), reach)), &hit, &normal, due, &special);
        }
    } else if (type == 9) {
        Vec3 end = target ? Vec3Add(target->position, Vec3{0.0f, 1.0f, 0.0f}) : aimPoint;
        if (TestSegment(position, end, &hit, &normal, due, &special)) end = hit;
        LeadChildrenTo(group, end);
    }

    if ((beamOrBolt || sweep) && due) lastTime = GetTime(CLOCK_MATCH);
}
