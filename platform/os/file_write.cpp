#include "platform/os/path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace os {
namespace {

std::atomic<int64_t> g_WriteLimit{-1};

// Every folder on the way to the file, created where missing; false when one cannot be made or a
// file stands where a folder should be.
bool MakeFolders(const std::string& path) {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        struct stat st;
        if (::stat(folder.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return false;
            continue;
        }
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// A new file beside the target that no one else is writing; -1 when the folder refuses it.
int CreateTemporary(const std::string& target, std::string* name) {
    static std::atomic<uint32_t> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".tmp%ld.%u", long(::getpid()), serial++);
        *name = target + suffix;
        // Created like any new file, so the umask gives it the usual permissions.
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    const int64_t limit = g_WriteLimit.load();
    size_t done = 0;
    while (done < size) {
        size_t n = size - done;
        if (limit >= 0) {
            if (int64_t(done) >= limit) return false;
            if (int64_t(n) > limit - int64_t(done)) n = size_t(limit - int64_t(done));
        }
        const ssize_t wrote = ::write(fd, data + done, n);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += size_t(wrote);
    }
    return true;
}

}  // namespace

bool WriteFileReplacing(const char* name, const std::vector<uint8_t>& bytes) {
    const std::string target = ResolvePath(name);
    if (target.empty() || target.back() == '/') return false;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
    if (!MakeFolders(target)) {
        ForgetFolders();
        return false;
    }

    std::string temporary;
    const int fd = CreateTemporary(target, &temporary);
    if (fd < 0) {
        ForgetFolders();
        return false;
    }
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    // Folders and names changed under the cached listings.
    ForgetFolders();
    return ok;
}

void SetWriteLimitForTests(int64_t bytes) { g_WriteLimit.store(bytes < 0 ? -1 : bytes); }

}  // namespace os
