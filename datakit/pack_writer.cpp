#include "datakit/pack_writer.h"

#include <fstream>
#include <iterator>

namespace datakit {
namespace {

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

size_t PackWriter::Add(const std::string& name, const std::vector<uint8_t>& data) {
    entries_.push_back(Entry{name, data, std::nullopt, std::nullopt});
    return entries_.size() - 1;
}

size_t PackWriter::Add(const std::string& name, const std::string& data) {
    return Add(name, Bytes(data));
}

std::vector<PackWriter::Entry> PackWriter::AllEntries() const {
    std::vector<Entry> all;
    if (dummyFirst) {
        all.push_back(Entry{"DUMMY.BIN", std::vector<uint8_t>(16, 0xDD), std::nullopt, std::nullopt});
    }
    all.insert(all.end(), entries_.begin(), entries_.end());
    return all;
}

size_t PackWriter::DirectoryEnd() const {
    size_t end = 16;
    for (const Entry& e : AllEntries()) end += 12 + e.name.size() + 1;
    return end;
}

// Real data offsets of every entry (dummy included), whatever the stored ones say.
std::vector<uint32_t> PackWriter::Offsets(const std::vector<Entry>& all) const {
    std::vector<uint32_t> offsets(all.size());
    size_t at = DirectoryEnd();
    for (size_t i = 0; i < all.size(); ++i) {
        offsets[i] = uint32_t(at);
        at += all[i].data.size();
    }
    return offsets;
}

std::vector<uint8_t> PackWriter::Build() const {
    std::vector<Entry> all = AllEntries();
    std::vector<uint32_t> offsets = Offsets(all);
    std::vector<uint8_t> out(magic, magic + 4);
    PutU32(&out, version);
    PutU32(&out, unusedWord);
    PutU32(&out, countOverride ? *countOverride : uint32_t(all.size()));
    for (size_t i = 0; i < all.size(); ++i) {
        const Entry& e = all[i];
        PutU32(&out, e.offset ? *e.offset : offsets[i]);
        PutU32(&out, e.size ? *e.size : uint32_t(e.data.size()));
        PutU32(&out, 0);
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.push_back(0);
    }
    for (const Entry& e : all) out.insert(out.end(), e.data.begin(), e.data.end());
    if (truncateAt && *truncateAt < out.size()) out.resize(*truncateAt);
    return out;
}

bool PackWriter::WriteTo(const std::string& path) const {
    return WriteBytes(path, Build());
}

}  // namespace datakit
