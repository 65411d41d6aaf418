#include "net/session_defaults.h"

#include <cstdio>
#include <string>

#include "net/session.h"
#include "platform/os/key_value_store.h"

namespace {

const char* const kFileName = "session.cfg";
const char* const kPlayerName = "Player Name";
const char* const kSessionName = "Session Name";
const char* const kPort = "SimpleServer Port";

void LogBadValue(const char* name) {
    char line[128];
    std::snprintf(line, sizeof line, "NET ERROR - malformed \"%s\" in the session defaults, default used", name);
    LogNetError(line);
}

void ReadText(const os::KeyValueStore& store, const char* name, std::string* out) {
    const std::string* v = store.Find(name);
    if (!v) return;
    if (v->size() > SESSION_DEFAULT_TEXT_MAX || v->find('\0') != std::string::npos) {
        LogBadValue(name);
        return;
    }
    *out = *v;
}

// A decimal port 0..65535 (0: the layer's default).
bool ParsePort(const std::string& text, uint32_t* out) {
    if (text.empty() || text.size() > 5) return false;
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint32_t(c - '0');
    }
    if (v > 65535) return false;
    *out = v;
    return true;
}

// The session name and port over what the store holds; a missing player name gets its default.
void PutValues(const SessionDefaults& d, os::KeyValueStore* store) {
    if (!store->Find(kPlayerName)) store->Set(kPlayerName, SessionDefaults().playerName);
    store->Set(kSessionName, d.sessionName.substr(0, SESSION_DEFAULT_TEXT_MAX));
    store->Set(kPort, std::to_string(d.port));
}

bool Write(const std::string& path, const os::KeyValueStore& store) {
    if (store.Save(path)) return true;
    LogNetError("NET ERROR - the session defaults could not be written");
    return false;
}

}  // namespace

std::string SessionDefaultsPath() {
    const std::string folder = os::UserConfigFolder();
    return folder.empty() ? folder : folder + "/" + kFileName;
}

SessionDefaults ReadSessionDefaults(const os::KeyValueStore& store) {
    SessionDefaults d;
    ReadText(store, kPlayerName, &d.playerName);
    ReadText(store, kSessionName, &d.sessionName);
    if (const std::string* port = store.Find(kPort)) {
        if (!ParsePort(*port, &d.port)) LogBadValue(kPort);
    }
    return d;
}

SessionDefaults LoadSessionDefaults() {
    const std::string path = SessionDefaultsPath();
    os::KeyValueStore store;
    if (path.empty()) return SessionDefaults();
    if (!store.Load(path)) {
        const SessionDefaults d;
        PutValues(d, &store);
        Write(path, store);
        return d;
    }
    if (store.MalformedLines()) LogNetError("NET ERROR - lines without a value in the session defaults skipped");
    return ReadSessionDefaults(store);
}

bool SaveSessionDefaults(const SessionDefaults& values) {
    const std::string path = SessionDefaultsPath();
    if (path.empty()) return false;
    os::KeyValueStore store;
    store.Load(path);
    PutValues(values, &store);
    return Write(path, store);
}
