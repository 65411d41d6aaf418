// libFuzzer target: any bytes as a peer's first message and as the host's answer to it. A hello
// that reads must say what it said again when written back.
#include <cstdint>
#include <cstdlib>

#include "platform/netio/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const netio::Guid app = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
    netio::Hello hello;
    if (netio::ParseHello(data, size, app, &hello) == netio::HelloResult::Ok) {
        if (hello.name.size() > netio::kMaxNameChars) std::abort();
        if (netio::EncodeHello(app, hello.name) != std::vector<uint8_t>(data, data + size)) std::abort();
    }
    uint32_t id = 0;
    if (netio::ParseAccept(data, size, &id) && id == 0) std::abort();
    return 0;
}
