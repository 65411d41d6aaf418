#include "platform/os/path.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace os {
namespace {

std::atomic<int64_t> g_WriteLimit{-1};

// What makes a temporary this game's own. Other programs leave "<name>.tmp<pid>.<n>" files too
// (a user's "backup.tar.tmp999999.1" beside Game.cfg); the clean-up must never take one of
// those for ours.
constexpr char kTemporaryMark[] = ".brimvale.tmp";
constexpr size_t kTemporaryMarkLength = sizeof kTemporaryMark - 1;

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
        std::snprintf(suffix, sizeof suffix, "%s%ld.%u", kTemporaryMark, long(::getpid()), serial++);
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

// The writer's process id of a name made by CreateTemporary ("<target>.brimvale.tmp<pid>.<serial>");
// 0 for any other name.
long TemporaryWriter(const std::string& name) {
    const size_t at = name.rfind(kTemporaryMark);
    if (at == std::string::npos || at == 0) return 0;
    size_t i = at + kTemporaryMarkLength, digits = 0;
    long pid = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && digits < 10; ++i, ++digits)
        pid = pid * 10 + (name[i] - '0');
    if (digits == 0 || i >= name.size() || name[i] != '.') return 0;
    const size_t serial = ++i;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
    }
    const bool ours = i == name.size() && i > serial && i - serial <= 10 && pid <= INT_MAX;
    return ours ? pid : 0;
}

// A writer that still runs may be writing its temporary now (another copy of the game in the
// same folder, or this one); only one that is gone left it for good.
bool WriterIsGone(long pid) {
    if (pid <= 0 || pid == long(::getpid())) return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

int RemoveStaleTemporariesIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> stale;
    while (struct dirent* e = ::readdir(dir))
        if (WriterIsGone(TemporaryWriter(e->d_name))) stale.push_back(e->d_name);
    ::closedir(dir);
    int removed = 0;
    for (const std::string& name : stale) {
        const std::string path = folder.empty() ? name : folder + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0) ++removed;
    }
    if (removed) ForgetFolders();
    return removed;
}

}  // namespace

int RemoveStaleTemporaries(const char* folder) {
    if (!folder) return 0;
    std::string path = *folder ? ResolvePath(folder) : std::string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return RemoveStaleTemporariesIn(path);
}

bool WriteFileReplacing(const char* name, const std::vector<uint8_t>& bytes) {
    const std::string target = ResolvePath(name);
    if (target.empty() || target.back() == '/') return false;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
    if (!MakeFolders(target)) {
        ForgetFolders();
        return false;
    }

    const size_t cut = target.rfind('/');
    RemoveStaleTemporariesIn(cut == std::string::npos ? std::string() : target.substr(0, cut == 0 ? 1 : cut));

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
