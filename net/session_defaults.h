// The session's remembered values: the player's name, the hosted session's name and its port,
// kept in the user's config folder between runs.
#pragma once

#include <cstdint>
#include <string>

namespace os {
class KeyValueStore;
}

constexpr size_t SESSION_DEFAULT_TEXT_MAX = 259;   // characters of a stored name

struct SessionDefaults {
    std::string playerName = "TestPlayer";
    std::string sessionName = "TestGame";
    uint32_t port = 25857;
};

// The file, or empty when the user has no config folder.
std::string SessionDefaultsPath();
// The store's values; a missing or malformed one gives its default and, when malformed, a log line.
SessionDefaults ReadSessionDefaults(const os::KeyValueStore& store);
// Reads the file, making it with the defaults when it is missing.
SessionDefaults LoadSessionDefaults();
// Writes the session name and port back, keeping the file's other values; false when it could
// not be written (the old file then stays as it was).
bool SaveSessionDefaults(const SessionDefaults& values);
