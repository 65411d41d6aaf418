// The search kind's fleeing objects: placing them away from the fighters, collecting them, and
// their flight, wandering and sync each frame.
#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/match.h"
#include "fighters/match_checks.h"
#include "scene/ground.h"
#include "world/path_map.h"
#include "world/world_seams.h"

using namespace matchrules;

namespace {

constexpr int kSearchObjectEffect = 65;
constexpr int kCollectEffect = 84;
constexpr uint32_t kCollectColour = 0x9696ff;
constexpr int kCollectSound = 254;
constexpr int kPlaceTries = 1000;
constexpr float kKeepAway = 20.0f;
constexpr float kScareRadius = 15.0f;
constexpr uint32_t kSyncMs = 200;

bool IsIndex(int i) { return i >= 0 && i < MATCH_SEARCH_OBJECTS; }

// One random cell the local fighter can reach, as a point 2.0 above its centre; false when the
// cell is not usable or there is nothing to draw from.
bool RandomReachablePoint(Character* local, Vec3* out) {
    PathMap* map = ScenarioPathMap();
    if (!map || map->rows <= 0 || map->cols <= 0) return false;
    CellRef cell{0, 0, 0};
    cell.z = Random() % map->rows;
    cell.x = Random() % map->cols;
    if (!map->IsValidCell(cell)) return false;
    if (!local->CanReachCell(cell)) {
        CellRef near{};
        if (!local->FindReachableCell(cell, &near, 20, 5.0f) || !map->IsValidCell(near)) return false;
        cell = near;
    }
    map->CellToWorld(out, cell);
    out->y += 2.0f;
    return true;
}

bool AnyFighterWithin(const Vec3& p, float radius) {
    for (const Character& c : g_Characters)
        if (c.active && Distance3(c.position, p) < radius) return true;
    return false;
}

Vec3 UnitOrZero(const Vec3& v) {
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len < 1e-6f) return {0.0f, 0.0f, 0.0f};
    return {v.x / len, v.y / len, v.z / len};
}

}  // namespace

bool Match::PlaceSearchObject(int i) {
    if (!IsIndex(i) || IsClientNotDispatching() || searchObjects[i] != EFFECT_NO_SLOT) return false;
    Vec3 point{0.0f, 0.0f, 0.0f};
    if (Character* local = g_FighterShellCalls.localFighter()) {
        for (int tries = 0; tries < kPlaceTries; ++tries) {
            Vec3 candidate{};
            if (!RandomReachablePoint(local, &candidate)) continue;
            point = candidate;
            if (!AnyFighterWithin(point, kKeepAway)) break;
        }
    }
    // The seeker flies at the length of its starting velocity: without one it would stand where
    // it is placed, neither fleeing nor wandering.
    const Vec3 one{1.0f, 1.0f, 1.0f}, zero{0.0f, 0.0f, 0.0f};
    const int32_t e = CreateEffect(-1, kSearchObjectEffect, point, point, one, zero, one, EFFECT_ENDLESS, 1.0f, 0, nullptr);
    if (e != EFFECT_NO_SLOT) searchObjects[i] = e;
    if (IsHost()) g_GamePacket.WritePlaceSearchObject(i, point);
    return true;
}

void Match::SetSearchObjectPosition(int i, float x, float y, float z) {
    if (!IsIndex(i) || searchObjects[i] == EFFECT_NO_SLOT) return;
    EffectSlotSetTargetPoint(searchObjects[i], {x, y + 1.0f, z});
}

void Match::CollectSearchObject(int i, int slot) {
    Character* c = ActiveFighter(slot);
    if (!IsIndex(i) || !c || !IsTeamIndex(c->side)) return;
    const int side = c->side;
    ++found[side];
    foundTime[side] = GetTime(CLOCK_MATCH);
    if (searchObjects[i] != EFFECT_NO_SLOT) {
        const Vec3 at = EffectSlotPosition(searchObjects[i]), zero{0.0f, 0.0f, 0.0f};
        CreateEffect(-1, kCollectEffect, at, at, zero, zero, zero, EffectTypeLifetime(kCollectEffect), 0.0f,
                     kCollectColour, nullptr);
    }
    RemoveSearchObject(i);
    PlaceSearchObject(i);
    SpawnFlash(600, false);
    AddToResult(TeamResultIndex(side, TEAM_FOUND), 1);
    AddToResult(FighterResultIndex(slot, FIGHTER_FOUND), 1);
    PlaySound(kCollectSound, c->position);
}

void Match::RemoveSearchObject(int i) {
    if (!IsIndex(i) || searchObjects[i] == EFFECT_NO_SLOT) return;
    EffectSlotStop(searchObjects[i], 0);
    searchObjects[i] = EFFECT_NO_SLOT;
}

void Match::UpdateSearchObjects() {
    const uint32_t now = GetTime(CLOCK_MATCH);
    bool sync = false;
    if (IsNetworkActive() && now - searchSyncTime > kSyncMs) {
        sync = true;
        searchSyncTime = now;
    }
    const bool hosting = IsHost();
    const bool tick = g_FighterShellCalls.secondTick();
    for (int i = 0; i < MATCH_SEARCH_OBJECTS; ++i) {
        if (searchObjects[i] == EFFECT_NO_SLOT) continue;
        const Vec3 e = EffectSlotPosition(searchObjects[i]);
        const Vec3 target = EffectSlotTargetPoint(searchObjects[i]);
        const Character* near[2] = {nullptr, nullptr};
        float nearDistance[2] = {0.0f, 0.0f};
        for (const Character& c : g_Characters) {
            if (!c.active || c.dead) continue;
            if (g_Settings.difficulty == 0 && c.side == localSide) continue;
            const float d = Distance3(c.position, e);
            if (d >= kScareRadius) continue;
            if (!near[0] || d < nearDistance[0]) {
                near[1] = near[0];
                nearDistance[1] = nearDistance[0];
                near[0] = &c;
                nearDistance[0] = d;
            } else if (!near[1] || d < nearDistance[1]) {
                near[1] = &c;
                nearDistance[1] = d;
            }
        }
        if (near[0]) {
            Vec3 d = UnitOrZero(Vec3Sub(e, near[0]->position));
            if (near[1]) d = UnitOrZero(Vec3Add(d, UnitOrZero(Vec3Sub(e, near[1]->position))));
            const Vec3 to = Vec3Add(e, d);
            SetSearchObjectPosition(i, to.x, to.y, to.z);
            if (hosting) g_GamePacket.WriteSetSearchObjectPosition(i, to);
        } else if (Distance3(target, e) < 0.5f || (tick && Random() % 6 == 0)) {
            Vec3 to{};
            Character* local = g_FighterShellCalls.localFighter();
            if (local && RandomReachablePoint(local, &to)) {
                to.y -= 2.0f;
                SetSearchObjectPosition(i, to.x, to.y, to.z);
                if (hosting) g_GamePacket.WriteSetSearchObjectPosition(i, to);
            }
        }
        if (tick) searchObjectHeight[i] = std::fabs(e.y - GetGroundHeight(e.x, e.y, e.z, nullptr));
        if (hosting && sync) g_GamePacket.WriteMoveSearchObject(i, e);
    }
}
