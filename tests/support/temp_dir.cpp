#include "support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <sstream>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "platform/os/path.h"

namespace fs = std::filesystem;

ScopedWorkDir::ScopedWorkDir() {
    static std::atomic<int> counter{0};
    previous_ = fs::current_path();
    path_ = fs::temp_directory_path() /
            ("brimvale-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
    fs::current_path(path_);
}

ScopedWorkDir::~ScopedWorkDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
}

void ScopedWorkDir::Write(const std::string& name, const std::string& bytes) const {
    fs::path p = path_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string ScopedWorkDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

pid_t EndedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

namespace {

std::set<std::string> NamesIn(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end; it.increment(ec))
        names.insert(it->path().filename().string());
    return names;
}

}  // namespace

std::string KilledWriteTemporary(const std::string& gamePath, const std::string& bytes, size_t written) {
    if (written >= bytes.size()) return std::string();
    const fs::path target = os::ResolvePath(gamePath.c_str());
    if (target.empty()) return std::string();
    const fs::path folder = target.parent_path();
    const std::set<std::string> before = NamesIn(folder);

    const pid_t child = ::fork();
    if (child == 0) {
        // Past the size limit the kernel stops the writer with SIGXFSZ; ending there at once, with
        // no clean-up of any kind, is what a kill does.
        struct sigaction action = {};
        action.sa_handler = [](int) { ::_exit(0); };
        ::sigaction(SIGXFSZ, &action, nullptr);
        const rlimit limit = {rlim_t(written), rlim_t(written)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        os::WriteFileReplacing(gamePath.c_str(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
        ::_exit(1);   // the write was not stopped
    }
    if (child < 0) return std::string();
    int status = 0;
    ::waitpid(child, &status, 0);
    os::ForgetFolders();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::string();

    const std::string stem = target.filename().string() + ".";
    for (const std::string& name : NamesIn(folder)) {
        if (before.count(name) || name.compare(0, stem.size(), stem) != 0) continue;
        return (folder / name).string();
    }
    return std::string();
}
