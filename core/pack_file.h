// The data packs "TEXTURAS.DAT", "MODELOS.DAT" and "ANIMACIONES.DAT": uncompressed files behind
// a directory. A loose file of the same name on disk is always taken before the packed copy.
#pragma once

#include <cstdint>
#include <cstdio>

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

// Back to the start state (tests).
void ResetPackFiles();
