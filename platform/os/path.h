// Game paths on a case-sensitive file system. The game names its files with backslashes and in
// whatever letter case it likes ("Texturas\\Escenarios\\X.TGA"); these calls find the file that
// is meant, one path component at a time, relative to the working folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace os {

// The existing path a game path stands for: each component matches exactly when it can, else
// case-insensitively (the first such name in byte order). From the first component that exists
// in no case, the rest is kept as given with '/' separators, so a new file can be created there.
std::string ResolvePath(const char* name);

// fopen on the resolved path. A folder is never opened as a file (null).
FILE* OpenFile(const char* name, const char* mode);

// Byte access to an open file for the pack layer, which hands everything else a bounded reader.
// The length leaves the position at the start (0 when it cannot be told); ReadAt returns the count
// read, short at the file's end; TellPosition is -1 when the position cannot be told.
uint64_t FileLength(FILE* f);
size_t ReadAt(FILE* f, uint64_t offset, void* out, size_t n);
bool SeekTo(FILE* f, uint64_t offset);
int64_t TellPosition(FILE* f);

// One state of a file on disk, for callers that keep what they read from it: a change to the file,
// or another file put in its place, gives a different stamp.
struct FileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified = 0, changed = 0;   // nanoseconds
    // File times are coarse: a change within the same tick can leave them as they were. A stamp
    // taken well after the last change cannot be matched by a later one.
    bool settled = false;
};

// The same file in the same state, as far as its stamps tell. A file rewritten in place whose
// times stay as they were (a coarse clock, or a writer that puts them back) is told by its size.
inline bool SameStamp(const FileStamp& a, const FileStamp& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size && a.modified == b.modified &&
           a.changed == b.changed;
}

// The cached copy of a file read under `cached` still holds for a file stamped `now`.
inline bool StillValid(const FileStamp& cached, const FileStamp& now) {
    return cached.settled && SameStamp(cached, now);
}

// Resolves a game path and stamps what is there; false when nothing is, or it is a folder.
bool StampFile(const char* name, std::string* path, FileStamp* stamp);

// Forgets the folder listings kept for resolving names (tests; the layer's own creates and
// renames drop them too).
void ForgetFolders();

struct FolderEntry {
    std::string name;   // as on disk
    bool directory;
    bool archive;       // no such attribute here: every regular file carries it
};

// The entries of a folder whose names match the last component of `pattern`, a wildcard
// pattern with '*' and '?' compared without regard to case ("*.*" matches every name, dotted or
// not). "." and ".." are not listed. Sorted by name. False when the folder cannot be read.
bool ListFolder(const char* pattern, std::vector<FolderEntry>* out);

// Renames a file; both names are game paths.
bool RenameFile(const char* from, const char* to);

// Removes a file (never a folder) under a game path; false when there is none or it stays.
bool DeleteFile(const char* name);
// The file's last modification in seconds since 1970; false (and 0) when it cannot be told.
bool GetFileModifiedTime(const char* name, int64_t* seconds);
// The computer's network name cut to capacity - 1 characters; empty when it cannot be told.
void GetComputerName(char* out, size_t capacity);

// Stores a whole file under a game path. The path resolves as ResolvePath does, so an existing
// file in another letter case is the one replaced; missing folders are created. The bytes go to a
// temporary beside the target ("<name>.brimvale.tmp<pid>.<n>"), which replaces it only once every
// write, flush and close has succeeded: on any failure the temporary is removed and an older file
// stays as it was.
bool WriteFileReplacing(const char* name, const std::vector<uint8_t>& bytes);

// Removes, from the folder of a game path ("Saves\\Orlins\\"; empty: the working folder), the
// temporaries that WriteFileReplacing left when its process was killed mid-write: regular files
// named "<name>.brimvale.tmp<pid>.<n>" whose process no longer runs. Nothing without that mark is
// touched, so another program's "<name>.tmp<pid>.<n>" stays; WriteFileReplacing does the same in
// its target's folder. The count removed.
int RemoveStaleTemporaries(const char* folder);

// Tests: every later WriteFileReplacing fails as a full disk would once `bytes` bytes of a file
// are written; -1 (the start state) writes everything.
void SetWriteLimitForTests(int64_t bytes);

}  // namespace os
