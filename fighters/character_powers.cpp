// Casting: what a power costs, whether a fighter may cast it now, the start of its cast and the
// line of sight that aiming asks for.
#include <cmath>
#include <limits>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/action_pace.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/power_table.h"
#include "fighters/roles.h"
#include "frontend/menu.h"
#include "net/session.h"
#include "scene/ground.h"
#include "world/scenario.h"

namespace {

constexpr int kUpperBodyCastBlend = 0;
constexpr int kWholeBodyRunCastBlend = 200;
constexpr float kShoulderOffset = 0.25f;
constexpr float kShoulderHeight = 0.6f;
constexpr uint32_t kSightMask = 1;
// A player lands before the host's copy of its fall does: this close above the ground it counts as
// landed.
constexpr float kLandingSlack = 1.0f;
constexpr float kGroundProbeRise = 0.5f;

// The shortest time between two casts of the same fighter for the powers that have one.
uint32_t CooldownMs(int k) {
    switch (k) {
    case 3: return 1500;
    case 8: return 2500;
    case 9: return 3000;
    default: return 0;
    }
}

int SideOf(const Character& c) { return c.side == 1 ? 1 : 0; }

bool ApplyingReceivedEvents() { return IsNetworkActive() && g_GamePacket.dispatching; }

// A ray from a point beside the fighter towards the target: clear, or stopped by an enemy.
bool ClearOrEnemy(Character& c, const Vec3& from, const Vec3& direction, float length) {
    Character* hit = nullptr;
    if (!g_Scenario.RayQuery(from, direction, length, nullptr, kSightMask, &hit, &c)) return true;
    return hit && hit->side != c.side;
}

}  // namespace

float Character::PowerCost(int k) const {
    // No fighter can pay for a power that does not exist.
    if (!IsPowerIndex(k)) return std::numeric_limits<float>::infinity();
    const PowerRow& row = PowerRowOf(SideOf(*this), k);
    float cost = row.baseCost + row.costPerLevel * float(level - row.requiredLevel);
    if (k == 5) cost = 0.4f * maxEnergy;
    if (k == 7) cost = 0.5f * maxEnergy;
    return cost < row.minimumCost ? row.minimumCost : cost;
}

bool Character::HasEnergyForPower(int k) const { return IsPowerIndex(k) && PowerCost(k) <= energy; }

bool Character::CanUsePower(int k) {
    if (!IsPowerIndex(k)) return false;
    const int s = SideOf(*this);
    const bool local = IsLocalFighter(this);
    const bool race = g_Match.gameKind == 1 || g_Match.gameKind == 2;
    if (!IsNetworkActive() && !local && race && !(RACE_POWERS[s] & (1u << k))) return false;
    if (!HasEnergyForPower(k)) return false;
    const PowerRow& row = PowerRowOf(s, k);
    int required = row.requiredLevel;
    if (local && CampaignRulesApply() && g_Settings.difficulty == 0)
        required = int(float(required) * EASY_CAMPAIGN_LEVEL_FACTOR);
    if (level < required) return false;
    if (airborne && !row.airCast) return false;
    return !IsActionAnimation(currentAnimation);
}

bool Character::AcceptsReceivedCast(int k) {
    if (!IsPowerIndex(k) || OutOfTheFight()) return false;
    // What casts under way will still pay is no longer there to cast with.
    if (PowerCost(k) > energy - ClaimedCastEnergy(*this)) return false;
    // No campaign easing in a network game: the table's own level.
    const PowerRow& row = PowerRowOf(SideOf(*this), k);
    if (level < row.requiredLevel) return false;
    if (!airborne || row.airCast) return true;
    const float ground = GetGroundHeight(position.x, position.y + kGroundProbeRise, position.z, nullptr);
    return jumpVelocity.y <= 0.0f && position.y - ground <= kLandingSlack;
}

bool Character::StartPower(int k) {
    // A power index from a packet may be anything.
    if (!IsPowerIndex(k)) return false;
    const bool received = ApplyingReceivedEvents();
    if (!received && !CanUsePower(k)) return false;
    // The cooldown paces computer-controlled fighters; a player's cast told by its machine was
    // paced there, and its packets' delays would only move it.
    const uint32_t cooldown = CooldownMs(k);
    if (!received && !IsLocalFighter(this) && cooldown > 0 && GetElapsed(CLOCK_MATCH, lastPowerStart) < cooldown)
        return false;
    lastPowerStart = GetTime(CLOCK_MATCH);

    const PowerRow& row = PowerRowOf(SideOf(*this), k);
    int layer = BONE_WHOLE_BODY;
    int blend = 0;
    if (airborne || (actionClass == ACTION_CLASS_RUN && row.upperBodyCast)) {
        layer = BONE_UPPER_BODY;
        blend = kUpperBodyCastBlend;
    } else if (actionClass == ACTION_CLASS_RUN) {
        blend = kWholeBodyRunCastBlend;
    }
    // While the received events are applied the cast animation comes in its own event.
    const bool started = received || SetAnimation(row.castAnimation, blend, 1, layer);
    if (started) {
        currentPower = k;
        castReleases = 0;
        // Only a cast that really began is told, so that the host releases what the client cast.
        if (ShouldAnnounce(this)) g_GamePacket.WriteStartPower(slot, k);
    }
    return true;
}

bool Character::HasLineOfSight(Character* target) {
    if (!target) return false;
    const Vec3 d = Vec3Sub(target->position, position);
    const float length = Vec3Length(d);
    // Standing in one place nothing can come between them.
    if (!(length > 0.0f)) return true;
    const Vec3 direction = Vec3Scale(d, 1.0f / length);
    const float c = std::cos(yaw) * kShoulderOffset;
    const float s = std::sin(yaw) * kShoulderOffset;
    const Vec3 left = Vec3Add(position, Vec3{-c, kShoulderHeight, s});
    const Vec3 right = Vec3Add(position, Vec3{c, kShoulderHeight, -s});
    return ClearOrEnemy(*this, left, direction, length) && ClearOrEnemy(*this, right, direction, length);
}
