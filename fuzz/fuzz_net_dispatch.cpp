// libFuzzer target: any bytes as a received game packet, applied as a client or as the host to a
// client's packet (the first byte chooses, and which client) to a recording stand-in for the game.
// The dispatcher must never hand the game an index or a value it could not use.
#include <cstdint>
#include <cstdlib>

#include "net/game_ops.h"
#include "net/session.h"
#include "tests/support/recording_game_ops.h"

namespace {
testsupport::RecordingGameOps g_Fake;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    g_Fake = testsupport::RecordingGameOps();
    for (int s = 0; s < 16; s += 2) g_Fake.active[s] = true;
    g_Fake.local = 2;
    g_Fake.kind = data[0] >> 1 & 7;
    g_Fake.passed[0] = 3;
    g_GameOps = &g_Fake;
    g_NetSession.hosting = data[0] & 1;
    // Fighters 0 and 4 belong to client 1, fighter 8 to client 2; client 3 has left.
    g_NetRoleCalls.inSession = [](uint32_t player) { return player == 1 || player == 2; };
    SetFighterOwner(0, 1);
    SetFighterOwner(4, 1);
    SetFighterOwner(8, 2);
    g_GamePacket.Reset();
    g_GamePacket.Dispatch(data + 1, size - 1, data[0] >> 4 & 3);
    if (g_Fake.invalid != 0 || g_GamePacket.dispatching) std::abort();
    return 0;
}
