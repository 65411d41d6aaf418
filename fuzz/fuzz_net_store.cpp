// libFuzzer target: any bytes as the session-defaults file. The values read are always usable:
// a port within 0..65535 and names that fit their buffers.
#include <cstdint>
#include <cstdlib>

#include "net/session_defaults.h"
#include "platform/os/key_value_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    os::KeyValueStore store;
    store.Parse(data, size);
    const SessionDefaults d = ReadSessionDefaults(store);
    if (d.port > 65535 || d.playerName.size() > SESSION_DEFAULT_TEXT_MAX ||
        d.sessionName.size() > SESSION_DEFAULT_TEXT_MAX)
        std::abort();
    // What is written reads back the same.
    const std::vector<uint8_t> text = store.Format();
    os::KeyValueStore again;
    again.Parse(text.data(), text.size());
    if (again.Format() != text) std::abort();
    return 0;
}
