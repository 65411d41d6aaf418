#include "platform/os/path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace os {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string Join(const std::string& folder, const std::string& name) {
    std::string out;
    out.reserve(folder.size() + 1 + name.size());
    out.append(folder);
    if (!folder.empty() && folder.back() != '/') out.push_back('/');
    out.append(name);
    return out;
}

// Names in `folder` (empty: the working folder), without "." and "..".
bool ReadFolder(const std::string& folder, std::vector<std::string>* names) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    while (struct dirent* e = ::readdir(dir)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        names->push_back(std::move(n));
    }
    ::closedir(dir);
    return true;
}

// A file changed this long before it was stamped cannot change again without its times moving
// on, even on file systems that keep whole or even seconds.
constexpr int64_t kSettleNs = 2'000'000'000;

int64_t Nanoseconds(const struct timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

FileStamp StampOf(const struct stat& st) {
    FileStamp s;
    s.device = uint64_t(st.st_dev);
    s.inode = uint64_t(st.st_ino);
    s.size = uint64_t(st.st_size);
    s.modified = Nanoseconds(st.st_mtim);
    s.changed = Nanoseconds(st.st_ctim);
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    // A later change of the contents moves the modification time on; one that puts it back
    // moves the change time, which must match as well.
    s.settled = Nanoseconds(now) - s.modified > kSettleNs;
    return s;
}

std::string LowerName(const std::string& name) {
    std::string out(name);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

// Every name that misses in its exact case would otherwise list its folder again, and a pack
// lookup tries a loose file first, so the listings are kept until their folder changes.
struct FolderNames {
    FileStamp stamp;
    // Lower-cased name -> the first name of that spelling in byte order, so that the choice does
    // not depend on the order the file system lists names in.
    std::unordered_map<std::string, std::string> byLower;
};

struct FolderCache {
    std::mutex mutex;
    std::unordered_map<std::string, FolderNames> byPath;   // by folder path as resolved
};

// Made on first use and never freed: files are opened from static constructors and destructors.
FolderCache& Folders() {
    static FolderCache* cache = new FolderCache;
    return *cache;
}

bool FindNoCase(const std::string& folder, const std::string& part, std::string* match) {
    struct stat st;
    if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return false;
    const FileStamp now = StampOf(st);
    FolderCache& cache = Folders();
    std::lock_guard<std::mutex> lock(cache.mutex);
    FolderNames& names = cache.byPath[folder];
    if (!StillValid(names.stamp, now)) {
        std::vector<std::string> listed;
        if (!ReadFolder(folder, &listed)) {
            cache.byPath.erase(folder);
            return false;
        }
        names.byLower.clear();
        for (std::string& n : listed) {
            auto [it, added] = names.byLower.try_emplace(LowerName(n), n);
            if (!added && n < it->second) it->second = std::move(n);
        }
        names.stamp = now;
    }
    auto it = names.byLower.find(LowerName(part));
    if (it == names.byLower.end()) return false;
    *match = it->second;
    return true;
}

bool WildcardMatch(const char* pat, const char* s) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*s) {
        if (*pat == '*') {
            star = pat++;
            resume = s;
        } else if (*pat == '?' || (*pat && LowerAscii(*pat) == LowerAscii(*s))) {
            ++pat;
            ++s;
        } else if (star) {
            pat = star + 1;
            s = ++resume;
        } else {
            return false;
        }
    }
    while (*pat == '*') ++pat;
    return *pat == 0;
}

}  // namespace

namespace {

struct Resolved {
    std::string path;
    bool onDisk = true;        // false once a component exists in no case
    bool statted = false;      // `st` holds the whole path's stat
    struct stat st {};
};

Resolved Resolve(const char* name) {
    Resolved r;
    if (!name || !*name) return r;
    std::string in(name);
    std::vector<std::string> parts;
    std::string cur;
    for (char c : in) {
        if (IsSeparator(c)) {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);

    std::string out = in[0] == '/' ? "/" : "";
    for (const std::string& part : parts) {
        std::string exact = Join(out, part);
        r.statted = false;
        if (!r.onDisk || part == "." || part == "..") {
            out = exact;
            continue;
        }
        if (::stat(exact.c_str(), &r.st) == 0) {
            r.statted = true;
            out = exact;
            continue;
        }
        std::string match;
        if (FindNoCase(out, part, &match)) {
            out = Join(out, match);
        } else {
            r.onDisk = false;
            out = exact;
        }
    }
    if (IsSeparator(in.back()) && !out.empty() && out.back() != '/') {
        out += '/';
        r.statted = false;
    }
    r.path = std::move(out);
    return r;
}

// The stat of a resolved path, taken again only when resolving did not end with one.
bool StatResolved(const Resolved& r, struct stat* st) {
    if (r.statted) {
        *st = r.st;
        return true;
    }
    return r.onDisk && ::stat(r.path.c_str(), st) == 0;
}

}  // namespace

std::string ResolvePath(const char* name) { return Resolve(name).path; }

uint64_t FileLength(FILE* f) {
    if (!f || std::fseek(f, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return end < 0 ? 0 : uint64_t(end);
}

bool SeekTo(FILE* f, uint64_t offset) {
    return f && offset <= uint64_t(LONG_MAX) && std::fseek(f, long(offset), SEEK_SET) == 0;
}

size_t ReadAt(FILE* f, uint64_t offset, void* out, size_t n) {
    return SeekTo(f, offset) ? std::fread(out, 1, n, f) : 0;
}

int64_t TellPosition(FILE* f) { return f ? int64_t(std::ftell(f)) : -1; }

FILE* OpenFile(const char* name, const char* mode) {
    Resolved r = Resolve(name);
    if (r.path.empty() || !mode) return nullptr;
    // Reading needs the file, and a missing component means there is none.
    if (!r.onDisk && mode[0] == 'r') return nullptr;
    struct stat st;
    if (StatResolved(r, &st) && S_ISDIR(st.st_mode)) return nullptr;
    FILE* f = std::fopen(r.path.c_str(), mode);
    // A file the game has just made must be found by the next lookup.
    if (f && (std::strchr(mode, 'w') || std::strchr(mode, 'a'))) ForgetFolders();
    return f;
}

bool StampFile(const char* name, std::string* path, FileStamp* stamp) {
    Resolved r = Resolve(name);
    struct stat st;
    if (r.path.empty() || !StatResolved(r, &st) || S_ISDIR(st.st_mode)) return false;
    *stamp = StampOf(st);
    *path = std::move(r.path);
    return true;
}

void ForgetFolders() {
    FolderCache& cache = Folders();
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.byPath.clear();
}

bool ListFolder(const char* pattern, std::vector<FolderEntry>* out) {
    if (!pattern || !out) return false;
    std::string p(pattern);
    size_t cut = p.find_last_of("\\/");
    std::string folderName = cut == std::string::npos ? "" : p.substr(0, cut + 1);
    std::string mask = cut == std::string::npos ? p : p.substr(cut + 1);
    // The classic "*.*" also matches names without a dot.
    if (mask == "*.*") mask.assign(1, '*');

    std::string folder = folderName.empty() ? "" : ResolvePath(folderName.c_str());
    std::vector<std::string> names;
    if (!ReadFolder(folder, &names)) return false;
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        if (!WildcardMatch(mask.c_str(), n.c_str())) continue;
        struct stat st;
        if (::stat(Join(folder, n).c_str(), &st) != 0) continue;
        FolderEntry e;
        e.name = n;
        e.directory = S_ISDIR(st.st_mode);
        e.archive = S_ISREG(st.st_mode);
        out->push_back(std::move(e));
    }
    return true;
}

bool RenameFile(const char* from, const char* to) {
    std::string a = ResolvePath(from);
    std::string b = ResolvePath(to);
    if (a.empty() || b.empty()) return false;
    const bool renamed = std::rename(a.c_str(), b.c_str()) == 0;
    if (renamed) ForgetFolders();
    return renamed;
}

}  // namespace os
