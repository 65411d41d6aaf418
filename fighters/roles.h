// Which machine does what to a fighter in a network game. Offline: no network game runs. Host:
// this machine hosts it. A client applies shared changes only while it dispatches the host's
// events. The local fighter is the one the local player drives.
#pragma once

#include "fighters/fighter_shell.h"
#include "net/session.h"

class Character;

inline bool IsOffline() { return !IsNetworkActive(); }
inline bool IsHost() { return IsNetworkActive() && g_NetSession.hosting; }
inline bool IsClientNotDispatching() {
    return IsNetworkActive() && !g_NetSession.hosting && !g_GamePacket.dispatching;
}
// A client applying the host's event: the host has applied its rules to the change already, and
// this machine's view of them (a protection, a death, the match's state) may lag or lead it.
inline bool IsReplayingHost() { return IsNetworkActive() && !g_NetSession.hosting && g_GamePacket.dispatching; }
inline bool IsLocalFighter(const Character* c) { return c && c == g_FighterShellCalls.localFighter(); }
// In a network game only the local fighter changes its own animation, and any fighter while the
// received events are applied.
inline bool MayChangeAnimation(const Character* c) {
    return IsOffline() || IsLocalFighter(c) || g_GamePacket.dispatching;
}
// A change of the local fighter, or any change on the host, is told to the other machines.
inline bool ShouldAnnounce(const Character* c) { return IsNetworkActive() && (IsLocalFighter(c) || IsHost()); }
