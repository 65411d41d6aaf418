#include "platform/os/path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace os {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

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

// The first name of `folder` equal to `part` without regard to case, in byte order so that the
// choice does not depend on the order the file system lists names in.
bool FindNoCase(const std::string& folder, const std::string& part, std::string* match) {
    std::vector<std::string> names;
    if (!ReadFolder(folder, &names)) return false;
    bool found = false;
    for (const std::string& n : names) {
        if (EqualNoCase(n, part) && (!found || n < *match)) {
            *match = n;
            found = true;
        }
    }
    return found;
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

std::string ResolvePath(const char* name) {
    if (!name || !*name) return {};
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
    bool onDisk = true;
    for (const std::string& part : parts) {
        std::string exact = Join(out, part);
        if (!onDisk || part == "." || part == ".." || Exists(exact)) {
            out = exact;
            continue;
        }
        std::string match;
        if (FindNoCase(out, part, &match)) {
            out = Join(out, match);
        } else {
            onDisk = false;
            out = exact;
        }
    }
    if (IsSeparator(in.back()) && !out.empty() && out.back() != '/') out += '/';
    return out;
}

FILE* OpenFile(const char* name, const char* mode) {
    std::string path = ResolvePath(name);
    if (path.empty() || !mode) return nullptr;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    return std::fopen(path.c_str(), mode);
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
    return std::rename(a.c_str(), b.c_str()) == 0;
}

}  // namespace os
