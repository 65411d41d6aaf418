// The scenario's health and energy springs and its paired portals, as a fighter meets them.
#include <cmath>

#include "core/clocks.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/roles.h"
#include "scene/ground.h"
#include "world/path_map.h"
#include "world/scenario.h"
#include "world/world_seams.h"

namespace {

constexpr uint32_t kSpringStepMs = 200;
constexpr float kSpringRadius = 5.5f;
constexpr float kSpringShare = 0.02f;
constexpr int kHealthGlow = 66;
constexpr int kEnergyGlow = 67;
constexpr float kHealthGlowHeight = 0.75f;
constexpr float kEnergyGlowHeight = 0.3f;
constexpr int kSpringSound = 170;
constexpr uint32_t kSpringGlowFadeMs = 1000;
constexpr uint32_t kPortalWaitMs = 1000;
constexpr float kPortalRadius = 3.2f;
constexpr float kPortalLead = 3.0f;
constexpr int kPortalSound[2] = {171, 172};
constexpr int kPortalGlow = 74;
constexpr uint32_t kPortalFlashMs = 300;

float Dist(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

int SignOf(float v) { return v > 0.0f ? 1 : v < 0.0f ? -1 : 0; }

float SideOfPortal(const PortalRecord& p, const Vec3& point) {
    return (point.x - p.position.x) * p.facing.x + (point.y - p.position.y) * p.facing.y +
           (point.z - p.position.z) * p.facing.z;
}

// The yaw that faces along a portal's facing, in [0, 2 pi).
float YawOfFacing(const Vec3& f) {
    float yaw;
    if (std::fabs(f.x) < 0.0001f) yaw = f.z < 0.0f ? kPi : 0.0f;
    else yaw = std::atan2(f.x, f.z);
    yaw = std::fmod(yaw, kTwoPi);
    return yaw < 0.0f ? yaw + kTwoPi : yaw;
}

int32_t NewGlow(int type, const Vec3& at, Character* owner) {
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    const int32_t e = CreateEffect(-1, type, at, at, zero, zero, zero, EffectTypeLifetime(type), 0.0f, 0, owner);
    if (e != EFFECT_NO_SLOT) EffectSlotStart(e);
    return e;
}

}  // namespace

void Character::UpdateScenarioZones() {
    if (HoldsAttachedEffect()) {
        const int32_t type = EffectSlotType(attachedEffect);
        if (type == kHealthGlow || type == kEnergyGlow) {
            const float h = type == kHealthGlow ? kHealthGlowHeight : kEnergyGlowHeight;
            EffectSlotSetPosition(attachedEffect, {position.x, position.y + h, position.z});
        }
    }
    if (dead) return;

    const uint32_t now = GetTime(CLOCK_MATCH);
    if (now - springTime > kSpringStepMs) {
        springTime = now;
        struct Spring {
            bool on;
            Vec3 centre;
            int glow;
            float height;
        };
        const Spring springs[2] = {
            {g_Scenario.healthSpring != 0, g_Scenario.healthSpringCentre, kHealthGlow, kHealthGlowHeight},
            {g_Scenario.energySpring != 0, g_Scenario.energySpringCentre, kEnergyGlow, kEnergyGlowHeight},
        };
        for (const Spring& s : springs) {
            if (!s.on) continue;
            if (Dist(position, s.centre) < kSpringRadius) {
                if (s.glow == kHealthGlow) ChangeHealth(maxHealth * kSpringShare, nullptr);
                else ChangeEnergy(maxEnergy * kSpringShare);
                if (attachedEffect == EFFECT_NO_SLOT) {
                    const Vec3 at{position.x, position.y + s.height, position.z};
                    attachedEffect = NewGlow(s.glow, at, this);
                    g_FighterShellCalls.playFx(kSpringSound, &at, 0);
                }
            } else if (attachedEffect != EFFECT_NO_SLOT && EffectSlotType(attachedEffect) == s.glow) {
                EffectSlotStop(attachedEffect, kSpringGlowFadeMs);
            }
        }
    }

    if (now - portalTime <= kPortalWaitMs) return;
    PathMap* map = ScenarioPathMap();
    const bool local = IsLocalFighter(this);
    const Vec3 raised{position.x, position.y + 0.75f, position.z};
    for (const PortalRecord& p : g_Portals) {
        if (!p.active || p.partner < 0 || p.partner >= PORTAL_COUNT) continue;
        if (Dist(raised, p.position) >= kPortalRadius) continue;
        const PortalRecord& to = g_Portals[p.partner];
        bool passes = false;
        if (local || IsNetworkActive()) {
            passes = SignOf(SideOfPortal(p, position)) != SignOf(SideOfPortal(p, previousPosition));
        } else if (following && map && map->IsValidCell(currentCell) && map->PortalAt(currentCell)) {
            CellRef partnerCell{};
            passes = map->WorldToCell(to.position, &partnerCell, 100.0f) && partnerCell.x == targetCell.x &&
                     partnerCell.z == targetCell.z && partnerCell.layer == targetCell.layer;
        }
        if (!passes) continue;

        Vec3 dest = to.position;
        if (local) dest = Vec3Add(dest, Vec3Scale(to.facing, kPortalLead));
        dest.y = GetGroundHeight(dest.x, dest.y + 1.5f, dest.z, nullptr);
        SetYaw(YawOfFacing(to.facing));
        SetPosition(dest.x, dest.y, dest.z, false);
        previousPosition = dest;
        jumpVelocity = {0.0f, 0.0f, 0.0f};
        portalTime = now;
        if (local) {
            SpawnFlash(kPortalFlashMs, false);
            g_FighterShellCalls.placeCameraBehind(this);
        }
        g_FighterShellCalls.playFx(kPortalSound[p.kind == 1 ? 1 : 0], &position, 0);
        if (attachedEffect == EFFECT_NO_SLOT)
            attachedEffect = NewGlow(kPortalGlow, {position.x, position.y + 0.75f, position.z}, this);
        break;
    }
}
