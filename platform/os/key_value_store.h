// A small text file of "name=value" lines in the user's config folder, where settings that
// outlive a run and belong to no game file are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace os {

// "$XDG_CONFIG_HOME/brimvale", else "$HOME/.config/brimvale"; empty when neither is set.
std::string UserConfigFolder();

// The machine's name as gethostname gives it; empty when it cannot be had.
std::string ComputerName();

class KeyValueStore {
public:
    // Replaces the contents with the file's lines. False when the file cannot be read (the store
    // is then empty). Lines without '=' are skipped and counted in MalformedLines.
    bool Load(const std::string& path);
    void Parse(const uint8_t* data, size_t size);
    // Written to a temporary beside the file, which then replaces it; missing folders are made.
    bool Save(const std::string& path) const;
    std::vector<uint8_t> Format() const;

    const std::string* Find(const std::string& name) const;
    void Set(const std::string& name, const std::string& value);
    size_t MalformedLines() const { return malformed_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;     // in the order first seen
    std::unordered_map<std::string, size_t> index_;                   // name -> place in entries_
    size_t malformed_ = 0;
};

}  // namespace os
