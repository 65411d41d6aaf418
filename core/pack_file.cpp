#include "core/pack_file.h"

#include <cstring>
#include <string>

#include "platform/os/path.h"
#include "core/file_list.h"
#include "core/settings.h"

uint32_t g_PackError = PACK_OK;

namespace {

std::string UpperName(const char* name) {
    std::string s(name);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return s;
}

bool ReadU32(FILE* f, uint32_t* value) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    *value = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return true;
}

// Length of the stream; the position is left at the start.
uint64_t StreamLength(FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return 0;
    long end = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return end < 0 ? 0 : uint64_t(end);
}

void FillInfo(PackEntryInfo* info, uint8_t inPack, const std::string& name, uint32_t offset, uint32_t size) {
    if (!info) return;
    info->inPack = inPack;
    size_t n = name.size() < sizeof info->name - 1 ? name.size() : sizeof info->name - 1;
    std::memcpy(info->name, name.data(), n);
    info->name[n] = 0;
    info->offset = offset;
    info->size = size;
}

struct PackHit {
    FILE* pack = nullptr;
    uint32_t offset = 0;
    uint32_t size = 0;
};

// Opens the pack and walks its directory for `wanted`. Returns PACK_OK with the pack left open in
// `hit`, or the failure code with nothing left open. A damaged directory (cut short, a name with
// no end) or an entry whose data would lie outside the pack counts as not holding the name.
uint32_t FindInPack(const char* packName, const std::string& wanted, PackHit* hit) {
    if (!packName || !*packName) return PACK_NO_PACK;
    FILE* f = os::OpenFile(packName, "rb");
    if (!f) return PACK_NO_PACK;
    uint64_t length = StreamLength(f);

    char magic[4];
    if (std::fread(magic, 1, 4, f) != 4 || std::memcmp(magic, "TADQ", 4) != 0) {
        std::fclose(f);
        return PACK_BAD_MAGIC;
    }
    uint32_t version = 0;
    if (!ReadU32(f, &version) || version != PACK_VERSION) {
        std::fclose(f);
        return PACK_BAD_VERSION;
    }
    uint32_t unused = 0, count = 0;
    if (!ReadU32(f, &unused) || !ReadU32(f, &count)) {
        std::fclose(f);
        return PACK_NOT_IN_PACK;
    }

    std::string name;
    name.reserve(PACK_MAX_NAME);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t offset = 0, size = 0, ignored = 0;
        if (!ReadU32(f, &offset) || !ReadU32(f, &size) || !ReadU32(f, &ignored)) break;
        name.clear();
        bool tooLong = false;
        int c;
        while ((c = std::fgetc(f)) != EOF && c != 0) {
            if (name.size() < size_t(PACK_MAX_NAME)) {
                name += char(c);
            } else {
                tooLong = true;
            }
        }
        if (c == EOF) break;
        if (tooLong || name != wanted) continue;
        if (uint64_t(offset) + size > length) break;
        hit->pack = f;
        hit->offset = offset;
        hit->size = size;
        return PACK_OK;
    }
    std::fclose(f);
    return PACK_NOT_IN_PACK;
}

}  // namespace

FILE* OpenPackEntry(const char* packName, const char* fileName, PackEntryInfo* info) {
    if (!fileName || !*fileName) return nullptr;
    std::string wanted = UpperName(fileName);
    if (g_Settings.debug) g_FileList.Add(wanted.c_str());
    g_PackError = PACK_OK;

    if (FILE* loose = os::OpenFile(wanted.c_str(), "rb")) {
        uint64_t length = StreamLength(loose);
        FillInfo(info, 0, wanted, 0, length > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(length));
        return loose;
    }

    PackHit hit;
    g_PackError = FindInPack(packName, wanted, &hit);
    if (g_PackError != PACK_OK) return nullptr;
    if (std::fseek(hit.pack, long(hit.offset), SEEK_SET) != 0) {
        std::fclose(hit.pack);
        g_PackError = PACK_NOT_IN_PACK;
        return nullptr;
    }
    FillInfo(info, 1, wanted, hit.offset, hit.size);
    return hit.pack;
}

void ClosePackEntry(FILE* stream) {
    if (stream) std::fclose(stream);
}

int FindPackEntry(const char* packName, const char* fileName) {
    if (!fileName || !*fileName) return 0;
    std::string wanted = UpperName(fileName);
    g_PackError = PACK_OK;

    if (FILE* loose = os::OpenFile(wanted.c_str(), "rb")) {
        std::fclose(loose);
        return 1;
    }
    PackHit hit;
    uint32_t result = FindInPack(packName, wanted, &hit);
    if (result == PACK_OK) {
        std::fclose(hit.pack);
        return 2;
    }
    // A pack that merely lacks the name is no failure here.
    g_PackError = result == PACK_NOT_IN_PACK ? PACK_OK : result;
    return 0;
}

bool IsPackEntryAtEnd(FILE* stream, const PackEntryInfo* info) {
    if (!stream || !info) return true;
    if (std::feof(stream)) return true;
    long pos = std::ftell(stream);
    if (pos < 0 || uint64_t(pos) < info->offset) return true;
    return uint64_t(pos) - info->offset >= info->size;
}

bool PackEntry::ReadFrom(FILE* stream, size_t size) {
    bytes_.resize(size);
    const bool whole = std::fread(bytes_.data(), 1, size, stream) == size;
    std::fclose(stream);
    if (!whole) {
        Close();
        return false;
    }
    reader_ = BinaryReader(bytes_.data(), bytes_.size());
    open_ = true;
    return true;
}

bool PackEntry::Open(const char* packName, const char* fileName) {
    Close();
    FILE* stream = OpenPackEntry(packName, fileName, &info_);
    return stream && ReadFrom(stream, info_.size);
}

bool PackEntry::OpenFile(const char* path) {
    Close();
    if (!path || !*path) return false;
    FILE* stream = os::OpenFile(path, "rb");
    if (!stream) return false;
    const uint64_t length = StreamLength(stream);
    if (length > 0xFFFFFFFFu) {
        std::fclose(stream);
        return false;
    }
    FillInfo(&info_, 0, path, 0, uint32_t(length));
    return ReadFrom(stream, size_t(length));
}

void PackEntry::Assign(const uint8_t* data, size_t size, const char* name) {
    Close();
    bytes_.assign(data, data + (data ? size : 0));
    FillInfo(&info_, 0, name ? name : "", 0, uint32_t(bytes_.size()));
    reader_ = BinaryReader(bytes_.data(), bytes_.size());
    open_ = true;
}

void PackEntry::Close() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    info_ = PackEntryInfo{};
    reader_ = BinaryReader(nullptr, 0);
    open_ = false;
}

void ResetPackFiles() {
    g_PackError = PACK_OK;
}
