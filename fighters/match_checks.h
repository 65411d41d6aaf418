// Small tests the match's rules and mode objects share.
#pragma once

#include <cmath>

#include "fighters/character.h"
#include "fighters/roles.h"
#include "net/session.h"

namespace matchrules {

inline bool IsTeamIndex(int team) { return team == 0 || team == 1; }
inline bool IsFighterSlot(int slot) { return slot >= 0 && slot < MAX_CHARACTERS; }
// Offline or hosting: this machine detects contacts and places objects on its own.
inline bool IsAuthoritative() { return !IsNetworkActive() || g_NetSession.hosting; }
// The fighter of a slot, null for -1 and for a slot outside the records or not active.
inline Character* ActiveFighter(int slot) {
    if (!IsFighterSlot(slot) || !g_Characters[slot].active) return nullptr;
    return &g_Characters[slot];
}
inline float Distance3(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}
inline Vec3 Raised(const Vec3& p, float dy) { return {p.x, p.y + dy, p.z}; }
inline void PlaySound(int id, const Vec3& at) { g_FighterShellCalls.playFx(id, &at, 0); }

}  // namespace matchrules
