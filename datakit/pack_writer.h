// Writes data packs ("TADQ", version 256) for tests, sound or deliberately damaged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace datakit {

class PackWriter {
public:
    struct Entry {
        std::string name;                  // stored as given (packs normally hold upper case)
        std::vector<uint8_t> data;
        std::optional<uint32_t> offset;    // overrides the computed data offset
        std::optional<uint32_t> size;      // overrides the stored size
    };

    // Adds an entry; returns its index in the directory.
    size_t Add(const std::string& name, const std::vector<uint8_t>& data);
    size_t Add(const std::string& name, const std::string& data);
    Entry& At(size_t i) { return entries_[i]; }

    // A dummy entry ("DUMMY.BIN", 16 bytes) first in both the directory and the data, so that
    // the entries under test sit neither first nor at the first data offset.
    bool dummyFirst = false;
    char magic[4] = {'T', 'A', 'D', 'Q'};
    uint32_t version = 256;
    uint32_t unusedWord = 0;
    std::optional<uint32_t> countOverride;
    // Cut the result to this many bytes.
    std::optional<size_t> truncateAt;

    // The pack's bytes.
    std::vector<uint8_t> Build() const;
    // Offset of the first byte after the directory.
    size_t DirectoryEnd() const;
    bool WriteTo(const std::string& path) const;

private:
    std::vector<Entry> AllEntries() const;
    std::vector<uint32_t> Offsets(const std::vector<Entry>& all) const;

    std::vector<Entry> entries_;
};

std::vector<uint8_t> Bytes(const std::string& s);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace datakit
