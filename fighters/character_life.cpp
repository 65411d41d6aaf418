// Death, revival and respawn, and the life-cycle rules of each frame: the spawn and rise
// animations with their glows and protection, the rise after death, lava and falling out of the
// world.
#include <cmath>

#include "core/clocks.h"
#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/match_checks.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/ground.h"
#include "scene/scene.h"
#include "world/dynamic_object.h"
#include "world/path_map.h"
#include "world/scenario.h"

namespace {

constexpr int kSymbolReturnSound = 251;

// The death animation by the hit reaction playing when the fighter dies.
struct DeathRow {
    int32_t reaction;
    int32_t death;
};
constexpr DeathRow kDeathAnimations[] = {
    {116, 131}, {120, 131}, {117, 132}, {121, 132}, {118, 133}, {122, 133},
};
constexpr int32_t kPlainDeath = 130;

int32_t DeathAnimationFor(int32_t current) {
    for (const DeathRow& row : kDeathAnimations)
        if (row.reaction == current) return row.death;
    return kPlainDeath;
}

// The spawn glow and the rise glow of each side: effect type and how long it lasts past the
// animation (side 1's spawn glow has a fixed time).
struct GlowRow {
    int32_t spawnType;
    int32_t riseType;
};
constexpr GlowRow kGlows[SIDE_COUNT] = {{75, 76}, {55, 55}};

bool IsSpawnOrRiseGlow(int32_t type) { return type == 55 || type == 75 || type == 76; }

// The angle from +z towards +x of the direction from a to b, in [0, 2 pi).
float BearingOf(const Vec3& a, const Vec3& b) { return WrapAngle(std::atan2(b.x - a.x, b.z - a.z)); }

bool InLavaScenario() { return g_Scenario.number == 15 || g_Scenario.number == 18; }

// The first fighter of the same side still in the match, in slot order.
Character* TeamMateOf(const Character& fighter) {
    for (Character& c : g_Characters)
        if (c.active && &c != &fighter && c.side == fighter.side) return &c;
    return nullptr;
}

}  // namespace

void Character::ReturnCarriedSymbol(bool dropAtCell) {
    if (side < 0 || side >= SIDE_COUNT) return;
    const int team = 1 - side;
    if (g_Match.symbols[team].carrier != this) return;
    if (dropAtCell) {
        PathMap* map = ScenarioPathMap();
        CellRef cell = currentCell;
        if (map && (map->IsValidCell(cell) || (FindReachableCell(currentCell, &cell, 5, 5.0f) && map->IsValidCell(cell)))) {
            Vec3 p{};
            map->CellToWorld(&p, cell);
            g_Match.SetSymbolCarrier(team, p.x, p.y + 1.0f, p.z, nullptr);
            return;
        }
    }
    g_Match.SetSymbolCarrier(team, 0.0f, 0.0f, 0.0f, nullptr);
    g_FighterShellCalls.playFx(kSymbolReturnSound, g_Scene.camera ? &g_Scene.camera->eye : nullptr, 0);
}

void Character::Die() {
    dead = 1;
    CancelStates();
    ReleasePowerEffects();
    ReleaseEffect();
    deathTime = GetTime(CLOCK_MATCH);
    // Lying on the ground already, or in a fall or death of its own: it stays in that.
    if (currentAnimation != 124 && !(actionClass == 7 && currentAnimation < 135))
        SetAnimation(DeathAnimationFor(currentAnimation), 0, 0, 0);
    // The host says where the symbol fell; a client's view of the cell may be another.
    if (g_Match.gameKind == 0 && matchrules::IsAuthoritative()) DropCarriedSymbol();
}

void Character::Revive() {
    dead = 0;
    // A new life casts nothing of the last one's, even where its death was never told to end it.
    currentPower = -1;
    ForgetPace(*this, true);
    knockedDown = 0;
    sinking = 0;
    CancelStates();
    ReleasePowerEffects();
    ReleaseEffect();
    health = maxHealth;
    energy = maxEnergy;
    entryOwed = 1;
    SetAnimation(side == 0 ? 190 : 192, 0, 0, 0);
}

void Character::Respawn() {
    // A client respawns a fighter only when the host says so.
    if (IsClientNotDispatching()) return;
    Revive();
    Land(true);
    const bool local = IsLocalFighter(this);
    if (local) g_FighterShellCalls.resetCameraYawOffset();

    Vec3 point{};
    float facing = homeYaw;
    const int passed = side >= 0 && side < SIDE_COUNT ? g_Match.checkpointsPassed[side] : 0;
    if (g_Match.gameKind == 1 && passed > 0 && passed <= MATCH_CHECKPOINTS) {
        point = g_Match.checkpoints[passed - 1].position;
        point.x += 0.5f;
        if (passed < g_Match.checkpointCount && passed < MATCH_CHECKPOINTS)
            facing = BearingOf(point, g_Match.checkpoints[passed].position);
    } else {
        g_Scenario.pathMap.CellToWorld(&point, homeCell);
    }
    // The ground is looked for where the fighter comes back, not where it fell.
    previousPosition = point;
    SetPosition(point.x, point.y, point.z, true);
    SetYaw(facing);
    following = 0;

    if (local && g_FighterShellCalls.controlMode() == CONTROL_MODE_MATCH) g_FighterShellCalls.placeCameraBehind(this);
    if (g_Match.gameKind == 0) ReturnCarriedSymbol(false);
    if (IsHost()) {
        g_GamePacket.WriteRespawn(slot);
        // Told even when it is the facing last told: another machine's copy comes back to its own
        // idea of home, and the fighter's machine tells only its turns.
        g_GamePacket.WriteSetYaw(this);
    }
    SelectDefaultPower();
}

void Character::LeaveMatch() {
    if (!active) return;
    // As at a death: the glows on it end and a symbol it carried falls where it stood.
    ReleasePowerEffects();
    ReleaseEffect();
    if (g_Match.gameKind == 0) DropCarriedSymbol();
    if (g_Match.cursedFighter == this) {
        // The side that carried the curse keeps it, and its clock: a fighter near its side's limit
        // must not hand both to the other side by leaving. With none of its side left it goes back
        // to the host's own fighter, which every match starts with it. A client has heard from the
        // host who took it before it hears of the leave.
        Character* next = nullptr;
        if (matchrules::IsAuthoritative()) {
            next = TeamMateOf(*this);
            Character* local = g_FighterShellCalls.localFighter();
            if (!next && local != this) next = local;
        }
        g_Match.SetCursedCharacter(next, false);
        if (IsHost()) g_GamePacket.WriteSetCursedCharacter(next ? next->slot : -1, false);
    }
    // The next fighter given the slot would otherwise score this one's hits and draw its seekers.
    EffectSlotsForgetFighter(this);
    ForgetPropOwner(this);
    Despawn();
}

void Character::DropCarriedSymbol() {
    const int team = 1 - side;
    if (side < 0 || side >= SIDE_COUNT || g_Match.symbols[team].carrier != this) return;
    ReturnCarriedSymbol(true);
    // Each machine would drop it where it last saw the carrier: the host says where it lies, before
    // the clients hear of a leave.
    const SymbolRecord& s = g_Match.symbols[team];
    if (IsHost()) g_GamePacket.WriteSetSymbolCarrier(team, s.atHome ? Vec3{} : s.symbolPosition, -1);
}

void Character::AttachGlow(int32_t type, int32_t durationMs) {
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    const int32_t glow = CreateEffect(-1, type, position, position, zero, zero, zero, durationMs, 0.0f, 0, this);
    if (glow == EFFECT_NO_SLOT) return;
    attachedEffect = glow;
    EffectSlotStart(glow);
}

void Character::UpdateStates() {
    if (!attached) return;
    const uint32_t now = GetTime(CLOCK_MATCH);
    const int s = side == 1 ? 1 : 0;

    if (model && actionClass == ACTION_CLASS_ENTRY) {
        const int32_t a = currentAnimation;
        const bool wrapped = model->HasAnimationWrapped(0);
        const bool started = model->AnimationPassedFrame(0, 0.0f);
        const uint32_t lengthMs = FramesToMs(0, float(model->GetAnimationLength(0)));
        if (a == 190 || a == 192) {
            if (wrapped) {
                // Nothing from before stays on beside the protection.
                CancelStates();
                states[STATE_INVULNERABILITY].active = 0;
                StartInvulnerability(5000, 1000);
            } else if (started) {
                // The wrap also passes frame 0; only the first start flashes, so the protection
                // keeps its overlay.
                RemoveBodyOverlay(0);
                FlashSpawnOverlay(s, int(lengthMs / 2), 0, int(lengthMs / 2));
                AttachGlow(kGlows[s].spawnType, s == 0 ? int32_t(lengthMs + 2000) : 3200);
            }
        } else if (a == 191 || a == 193) {
            if (wrapped) {
                Respawn();
            } else if (started) {
                FlashRiseOverlay(s, int(lengthMs / 2), 0, int(lengthMs / 2));
                AttachGlow(kGlows[s].riseType, int32_t(lengthMs));
            }
        }
    }
    FollowWithAttachedEffect(IsSpawnOrRiseGlow);

    if (dead && g_Match.state == 0 && now - deathTime > 3000) SetAnimation(side == 0 ? 191 : 193, 0, 1, 0);

    const PathMap* map = ScenarioPathMap();
    const bool fallen = map && position.y <= map->min.y - 150.0f;
    if (InLavaScenario() && !sinking) {
        const float lava = GetLavaHeight(position.x, previousPosition.y + 1.5f, position.z, nullptr);
        if (position.y < lava && jumpVelocity.y < 0.0f) {
            sinking = 1;
            sinkTime = now;
            sinkPoint = Vec3{position.x, lava, position.z};
            const Vec3 zero{0.0f, 0.0f, 0.0f};
            const Vec3 at{position.x, lava - 0.5f, position.z};
            CreateEffect(-1, 87, at, at, zero, zero, zero, EffectTypeLifetime(87), 0.0f, 0, this);
        }
    }
    if (!fallen && !(sinking && now - sinkTime > 5000)) return;
    // However many fall, one death without killer counts per 7000 ms.
    if (now - g_FallRespawnStamp >= 7000) {
        g_Match.RecordKill(-1, slot, slot);
        g_FallRespawnStamp = now;
    }
    Respawn();
}
