#include "platform/os/path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace os {

bool DeleteFile(const char* name) {
    const std::string path = ResolvePath(name);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    const bool removed = ::unlink(path.c_str()) == 0;
    if (removed) ForgetFolders();
    return removed;
}

bool GetFileModifiedTime(const char* name, int64_t* seconds) {
    if (seconds) *seconds = 0;
    const std::string path = ResolvePath(name);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (seconds) *seconds = int64_t(st.st_mtime);
    return true;
}

void GetComputerName(char* out, size_t capacity) {
    if (!out || capacity == 0) return;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = 0;
    const size_t n = std::min(std::strlen(host), capacity - 1);
    std::memcpy(out, host, n);
    out[n] = 0;
}

}  // namespace os
