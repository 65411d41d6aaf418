#include "platform/os/key_value_store.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/os/path.h"

namespace os {

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return std::string(xdg) + "/brimvale";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config/brimvale";
    return std::string();
}

std::string ComputerName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return std::string();
    return name;
}

bool KeyValueStore::Load(const std::string& path) {
    entries_.clear();
    index_.clear();
    malformed_ = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t n;
    // Nothing a person writes here is large; a huge file is not ours.
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && bytes.size() < (size_t(1) << 20))
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) return false;
    Parse(bytes.data(), bytes.size());
    return true;
}

void KeyValueStore::Parse(const uint8_t* data, size_t size) {
    entries_.clear();
    index_.clear();
    malformed_ = 0;
    size_t at = 0;
    while (at < size) {
        size_t end = at;
        while (end < size && data[end] != '\n') ++end;
        std::string line(reinterpret_cast<const char*>(data + at), end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) {
            ++malformed_;
            continue;
        }
        Set(line.substr(0, eq), line.substr(eq + 1));
    }
}

std::vector<uint8_t> KeyValueStore::Format() const {
    std::vector<uint8_t> out;
    for (const auto& [name, value] : entries_) {
        out.insert(out.end(), name.begin(), name.end());
        out.push_back('=');
        out.insert(out.end(), value.begin(), value.end());
        out.push_back('\n');
    }
    return out;
}

bool KeyValueStore::Save(const std::string& path) const { return WriteFileReplacing(path.c_str(), Format()); }

const std::string* KeyValueStore::Find(const std::string& name) const {
    const auto it = index_.find(name);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

void KeyValueStore::Set(const std::string& name, const std::string& given) {
    // One line per entry: a value never carries a line break into the file.
    const std::string value = given.substr(0, given.find_first_of("\r\n"));
    // A file of many lines is read in one pass: the last value of a name wins without a walk.
    const auto [it, added] = index_.try_emplace(name, entries_.size());
    if (added)
        entries_.emplace_back(name, value);
    else
        entries_[it->second].second = value;
}

}  // namespace os
