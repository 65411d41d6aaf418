// libFuzzer target: any bytes as a message from the host to a client. The player list never
// holds an unterminated name or a repeated player, and the count follows the list.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/net_client.h"
#include "net/session.h"
#include "platform/netio/netio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_NetClient.Close();
    // The bytes as a run of messages, each a length byte and that many bytes.
    size_t at = 0;
    while (at < size) {
        const size_t n = std::min<size_t>(data[at], size - at - 1);
        g_NetClient.HandleMessage(netio::Message(0, data + at + 1, n));
        at += 1 + n;
    }
    const auto players = g_NetClient.Players();
    if (int32_t(players.size()) != g_ClientPlayerCount.load()) std::abort();
    for (size_t i = 0; i < players.size(); ++i) {
        if (strnlen(players[i].name, sizeof players[i].name) >= sizeof players[i].name) std::abort();
        for (size_t j = 0; j < i; ++j)
            if (players[j].id == players[i].id) std::abort();
    }
    return 0;
}
