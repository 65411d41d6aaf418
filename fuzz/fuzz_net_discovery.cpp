// libFuzzer target: any bytes as a session-search datagram, a request or an answer. An answer
// that reads never passes more application data than allowed and writes back as it came.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/netio/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const netio::Guid app = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
    netio::IsSearchDatagram(data, size);
    uint32_t token = 0;
    netio::ParseDiscoveryRequest(data, size, app, &token);
    netio::DiscoveryAnswer a;
    if (netio::ParseDiscoveryAnswer(data, size, app, &a)) {
        if (a.appDataSize > netio::kMaxAppData || a.name.size() > netio::kMaxSessionNameChars) std::abort();
        if (netio::EncodeDiscoveryAnswer(a) != std::vector<uint8_t>(data, data + size)) std::abort();
    }
    return 0;
}
