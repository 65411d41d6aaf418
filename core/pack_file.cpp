#include "core/pack_file.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/os/path.h"
#include "core/data_problems.h"
#include "core/file_list.h"
#include "core/settings.h"

uint32_t g_PackError = PACK_OK;
uint32_t g_PackDirectoryReads = 0;

namespace {

std::string UpperName(const char* name) {
    std::string s(name);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return s;
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

// A pack's directory, read once and kept while the pack on disk stays as it was: every lookup
// would otherwise walk thousands of records, and an animation group asks for a thousand names.
struct PackSlot {
    uint32_t offset = 0;
    uint32_t size = 0;
    bool outside = false;   // data reach past the pack's end
};

struct PackDirectory {
    bool read = false;
    os::FileStamp stamp;
    uint32_t error = PACK_OK;   // a wrong magic or version
    bool cutShort = false;      // the directory ends before its count of records
    // The first record of each name; damaged records and those after them are not held.
    std::unordered_map<std::string, PackSlot> entries;
};

struct PackCache {
    std::mutex mutex;
    std::unordered_map<std::string, PackDirectory> byPath;   // by the pack's resolved path
};

// Made on first use and never freed: packs are read from static constructors.
PackCache& Packs() {
    static PackCache* cache = new PackCache;
    return *cache;
}

// The directory comes in blocks rather than one call per byte.
class BlockReader {
public:
    explicit BlockReader(FILE* f) : f_(f) {}
    int Next() {
        if (pos_ == end_) {
            end_ = os::ReadAt(f_, offset_, block_, sizeof block_);
            offset_ += end_;
            pos_ = 0;
            if (end_ == 0) return EOF;
        }
        return block_[pos_++];
    }
    bool U32(uint32_t* value) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = Next();
            if (c == EOF) return false;
            v |= uint32_t(c) << (8 * i);
        }
        *value = v;
        return true;
    }
    bool Magic() {
        for (char want : {'T', 'A', 'D', 'Q'}) {
            if (Next() != uint8_t(want)) return false;
        }
        return true;
    }

private:
    FILE* f_;
    uint8_t block_[65536];
    uint64_t offset_ = 0;
    size_t pos_ = 0, end_ = 0;
};

// Reads the whole directory of an open pack of `length` bytes. A record cut short or a name with
// no end stops the walk; an over-long name is skipped.
void ReadDirectory(FILE* f, uint64_t length, PackDirectory* dir) {
    dir->error = PACK_OK;
    dir->cutShort = false;
    dir->entries.clear();
    auto in = std::make_unique<BlockReader>(f);
    if (!in->Magic()) {
        dir->error = PACK_BAD_MAGIC;
        return;
    }
    uint32_t version = 0;
    if (!in->U32(&version) || version != PACK_VERSION) {
        dir->error = PACK_BAD_VERSION;
        return;
    }
    uint32_t unused = 0, count = 0;
    if (!in->U32(&unused) || !in->U32(&count)) {
        dir->cutShort = true;
        return;
    }

    std::string name;
    name.reserve(PACK_MAX_NAME);
    for (uint32_t i = 0; i < count; ++i) {
        PackSlot slot;
        uint32_t ignored = 0;
        if (!in->U32(&slot.offset) || !in->U32(&slot.size) || !in->U32(&ignored)) {
            dir->cutShort = true;
            break;
        }
        name.clear();
        bool tooLong = false;
        int c;
        while ((c = in->Next()) != EOF && c != 0) {
            if (name.size() < size_t(PACK_MAX_NAME)) {
                name += char(c);
            } else {
                tooLong = true;
            }
        }
        if (c == EOF) {
            dir->cutShort = true;
            break;
        }
        if (tooLong) continue;
        slot.outside = uint64_t(slot.offset) + slot.size > length;
        dir->entries.try_emplace(name, slot);
    }
}

// Looks `wanted` up in the pack's directory. PACK_OK fills `slot`; the failure codes are those of
// a walk of the directory, where data outside the pack count as not holding the name. `damaged`,
// when given, tells whether a name not held may be one the pack lost by being cut short.
uint32_t FindInPack(const char* packName, const std::string& wanted, PackSlot* slot, std::string* path,
                    bool* damaged = nullptr) {
    if (!packName || !*packName) return PACK_NO_PACK;
    os::FileStamp stamp;
    if (!os::StampFile(packName, path, &stamp)) return PACK_NO_PACK;

    PackCache& cache = Packs();
    std::lock_guard<std::mutex> lock(cache.mutex);
    PackDirectory& dir = cache.byPath[*path];
    // A pack written moments ago is kept too: its size and times are compared again at every
    // lookup, so a rewrite that changes either is still read afresh.
    if (!dir.read || !os::SameStamp(dir.stamp, stamp)) {
        FILE* f = std::fopen(path->c_str(), "rb");
        if (!f) {
            cache.byPath.erase(*path);
            return PACK_NO_PACK;
        }
        ReadDirectory(f, stamp.size, &dir);
        std::fclose(f);
        dir.stamp = stamp;
        dir.read = true;
        ++g_PackDirectoryReads;
    }
    if (dir.error != PACK_OK) return dir.error;
    auto it = dir.entries.find(wanted);
    const bool found = it != dir.entries.end();
    if (damaged) *damaged = found ? it->second.outside : dir.cutShort;
    if (!found || it->second.outside) return PACK_NOT_IN_PACK;
    *slot = it->second;
    return PACK_OK;
}

// Packs already told to the player as missing or damaged: once each a run, however many files
// are wanted from them.
struct ToldPacks {
    std::mutex mutex;
    std::unordered_set<std::string> names;
};

ToldPacks& Told() {
    static ToldPacks* told = new ToldPacks;
    return *told;
}

// A file wanted from a pack that is missing, is no pack, or lost it by being cut short.
void TellPackProblem(const char* packName, uint32_t error, bool damaged, const std::string& wanted) {
    const char* why = nullptr;
    if (error == PACK_NO_PACK) why = "is missing or cannot be read";
    else if (error == PACK_BAD_MAGIC || error == PACK_BAD_VERSION) why = "is damaged: it is not a data pack";
    else if (error == PACK_NOT_IN_PACK && damaged) why = "is damaged: it is cut short";
    if (!why) return;
    {
        ToldPacks& told = Told();
        std::lock_guard<std::mutex> lock(told.mutex);
        if (!told.names.insert(packName).second) return;
    }
    TellDataProblemF("The data file %s %s (%s cannot be loaded from it).", packName, why, wanted.c_str());
}

}  // namespace

FILE* OpenPackEntry(const char* packName, const char* fileName, PackEntryInfo* info) {
    if (!fileName || !*fileName) return nullptr;
    std::string wanted = UpperName(fileName);
    if (g_Settings.debug) g_FileList.Add(wanted.c_str());
    g_PackError = PACK_OK;

    if (FILE* loose = os::OpenFile(wanted.c_str(), "rb")) {
        uint64_t length = os::FileLength(loose);
        FillInfo(info, 0, wanted, 0, length > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(length));
        return loose;
    }

    PackSlot slot;
    std::string path;
    bool damaged = false;
    g_PackError = FindInPack(packName, wanted, &slot, &path, &damaged);
    if (g_PackError != PACK_OK) {
        if (packName && *packName) TellPackProblem(packName, g_PackError, damaged, wanted);
        return nullptr;
    }
    // The path is resolved and known to be no folder already.
    FILE* pack = std::fopen(path.c_str(), "rb");
    if (!pack) {
        g_PackError = PACK_NO_PACK;
        return nullptr;
    }
    if (!os::SeekTo(pack, slot.offset)) {
        std::fclose(pack);
        g_PackError = PACK_NOT_IN_PACK;
        return nullptr;
    }
    FillInfo(info, 1, wanted, slot.offset, slot.size);
    return pack;
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
    PackSlot slot;
    std::string path;
    const uint32_t result = FindInPack(packName, wanted, &slot, &path);
    if (result == PACK_OK) return 2;
    // A pack that merely lacks the name is no failure here.
    g_PackError = result == PACK_NOT_IN_PACK ? PACK_OK : result;
    return 0;
}

bool IsPackEntryAtEnd(FILE* stream, const PackEntryInfo* info) {
    if (!stream || !info) return true;
    if (std::feof(stream)) return true;
    const int64_t pos = os::TellPosition(stream);
    if (pos < 0 || uint64_t(pos) < info->offset) return true;
    return uint64_t(pos) - info->offset >= info->size;
}

bool PackEntry::ReadFrom(FILE* stream, uint64_t start, size_t size) {
    bytes_.resize(size);
    const bool whole = os::ReadAt(stream, start, bytes_.data(), size) == size;
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
    return stream && ReadFrom(stream, info_.offset, info_.size);
}

const char* OpenStoredFile(PackEntry* entry, const char* packName, const char* fileName, const char* magic,
                           size_t magicSize) {
    if (!fileName || !entry->Open(packName, fileName)) return "cannot be opened";
    const uint8_t* bytes = entry->Reader().Span(magicSize);
    if (!bytes || std::memcmp(bytes, magic, magicSize) != 0) return "wrong magic";
    return nullptr;
}

bool PackEntry::OpenFile(const char* path) {
    Close();
    if (!path || !*path) return false;
    FILE* stream = os::OpenFile(path, "rb");
    if (!stream) return false;
    const uint64_t length = os::FileLength(stream);
    if (length > 0xFFFFFFFFu) {
        std::fclose(stream);
        return false;
    }
    FillInfo(&info_, 0, path, 0, uint32_t(length));
    return ReadFrom(stream, 0, size_t(length));
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
    g_PackDirectoryReads = 0;
    {
        PackCache& cache = Packs();
        std::lock_guard<std::mutex> lock(cache.mutex);
        cache.byPath.clear();
    }
    {
        ToldPacks& told = Told();
        std::lock_guard<std::mutex> lock(told.mutex);
        told.names.clear();
    }
    os::ForgetFolders();
}
