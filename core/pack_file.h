// The data packs "TEXTURAS.DAT", "MODELOS.DAT" and "ANIMACIONES.DAT": uncompressed files behind
// a directory. A loose file of the same name on disk is always taken before the packed copy.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/binary_reader.h"

constexpr uint32_t PACK_VERSION = 256;
// Longest entry name a directory may hold, without its NUL.
constexpr int PACK_MAX_NAME = 259;

struct PackEntryInfo {
    uint8_t inPack;     // 1 inside a pack, 0 loose
    char name[263];     // upper-cased
    uint32_t offset;    // where the entry's data start in the stream (0 when loose)
    uint32_t size;
};

// The last failure of OpenPackEntry or FindPackEntry; each open or find resets it.
enum PackError : uint32_t {
    PACK_OK = 0,
    PACK_NOT_IN_PACK = 1,     // no entry of that name (also an empty or damaged directory)
    PACK_NO_PACK = 2,         // no loose file, and no pack named or the pack cannot be opened
    PACK_BAD_MAGIC = 3,
    PACK_BAD_VERSION = 4,
};
extern uint32_t g_PackError;

// A binary stream at the entry's first byte, or null. `info` may be null.
FILE* OpenPackEntry(const char* packName, const char* fileName, PackEntryInfo* info);
void ClosePackEntry(FILE* stream);
// 1 loose on disk, 2 in the pack, 0 neither.
int FindPackEntry(const char* packName, const char* fileName);
// True once a reader has reached the end of the entry (or cannot read at all).
bool IsPackEntryAtEnd(FILE* stream, const PackEntryInfo* info);

// One stored file, loose or inside a pack, read whole: where it starts in its stream, how long it
// is, and the bounded little-endian reader over its bytes whose position counts from the entry's
// first byte. Every loader reads through one of these, so a short read is one failure path.
class PackEntry {
public:
    PackEntry() : reader_(nullptr, 0) { info_ = PackEntryInfo{}; }
    PackEntry(const PackEntry&) = delete;
    PackEntry& operator=(const PackEntry&) = delete;

    // Loose file first, then the pack (as OpenPackEntry); false with g_PackError set, or when the
    // entry cannot be read in full.
    bool Open(const char* packName, const char* fileName);
    // A file by path (case-insensitive), outside any pack.
    bool OpenFile(const char* path);
    // Bytes already in memory (tests, fuzzers, files read by other means).
    void Assign(const uint8_t* data, size_t size, const char* name = "");
    void Close();

    bool IsOpen() const { return open_; }
    uint32_t Start() const { return info_.offset; }
    size_t Length() const { return bytes_.size(); }
    const char* Name() const { return info_.name; }
    const PackEntryInfo& Info() const { return info_; }
    BinaryReader& Reader() { return reader_; }

private:
    bool ReadFrom(FILE* stream, uint64_t start, size_t size);

    PackEntryInfo info_;
    std::vector<uint8_t> bytes_;
    BinaryReader reader_;
    bool open_ = false;
};

// Opens a stored file (as PackEntry::Open) and steps over the magic it must begin with. Null when
// both hold, else why not: "cannot be opened" or "wrong magic".
const char* OpenStoredFile(PackEntry* entry, const char* packName, const char* fileName, const char* magic,
                           size_t magicSize);

// Pack directories read from disk so far (tests and benchmarks).
extern uint32_t g_PackDirectoryReads;

// Back to the start state, with no pack directory or folder listing kept (tests).
void ResetPackFiles();
