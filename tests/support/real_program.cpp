#include "support/real_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

extern char** environ;

namespace testsupport {

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Our environment with the given entries put over it.
std::vector<std::string> MergedEnv(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra) replaced = replaced || x.substr(0, x.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

// Everything of the start that can fail happens before the fork; the child only makes calls that
// are safe between fork and exec.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, const fs::path& folder,
            const fs::path& logFile, int outFd, int keepFd) {
    if (args.empty()) return -1;
    const std::vector<std::string> env = MergedEnv(extraEnv);
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const std::string folderText = folder.string(), logText = logFile.string();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // Its own process group, so that a terminal's signals meant for the tests pass it by.
    setpgid(0, 0);
    if (!folderText.empty() && chdir(folderText.c_str()) != 0) _exit(126);
    const int sink = open("/dev/null", O_RDWR);
    const int log = logText.empty() ? -1 : open(logText.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(sink, 0);
    dup2(outFd >= 0 ? outFd : log >= 0 ? log : sink, 1);
    dup2(log >= 0 ? log : sink, 2);
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != keepFd) close(fd);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

// X servers keep their sockets here, and those started without a descriptor to tell their display
// their locks.
const std::string kSocketPrefix = "/tmp/.X11-unix/X";
std::string LockFile(int display) { return "/tmp/.X" + std::to_string(display) + "-lock"; }

// The display numbers of the X sockets listening now: of those with the given inodes, or of all.
std::set<int> ListeningDisplays(const std::set<unsigned long>* inodes) {
    std::set<int> displays;
    std::ifstream table("/proc/net/unix");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string skip, path;
        unsigned long inode = 0;
        if (!(fields >> skip >> skip >> skip >> skip >> skip >> skip >> inode >> path)) continue;
        if (inodes && !inodes->count(inode)) continue;
        // An abstract name is shown with an '@' before it.
        const size_t at = path.rfind('@', 0) == 0 ? 1 : 0;
        if (path.compare(at, kSocketPrefix.size(), kSocketPrefix) != 0) continue;
        const std::string digits = path.substr(at + kSocketPrefix.size());
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        displays.insert(std::stoi(digits));
    }
    return displays;
}

// The displays a running process listens on, read from its descriptors: how a server that never
// told its number is found out.
std::set<int> DisplaysOf(pid_t pid) {
    std::set<unsigned long> inodes;
    std::error_code ec;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkEc;
        const std::string target = fs::read_symlink(it->path(), linkEc).string();
        if (!linkEc && target.rfind("socket:[", 0) == 0) inodes.insert(std::strtoul(target.c_str() + 8, nullptr, 10));
    }
    return inodes.empty() ? std::set<int>{} : ListeningDisplays(&inodes);
}

// Whether a server accepts connections on that socket file; a file left by a killed server
// refuses them.
bool Answers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return true;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    const bool answered = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
                          errno != ECONNREFUSED;
    close(fd);
    return answered;
}

// The socket file a killed server left for its display, while nobody answers on it. (Told its
// display through a descriptor, Xvfb keeps no lock file.)
void RemoveLeftSocket(int display) {
    const std::string socketFile = kSocketPrefix + std::to_string(display);
    if (!Answers(socketFile)) unlink(socketFile.c_str());
}

// The first display after `after` that no server listens on or holds locked.
int FreeDisplayAfter(int after) {
    const std::set<int> listening = ListeningDisplays(nullptr);
    int n = after + 1;
    std::error_code ec;
    while (listening.count(n) || fs::exists(LockFile(n), ec)) ++n;
    return n;
}

}  // namespace

int KillAndReap(pid_t pid) {
    // Killed by the signal, also when someone else reaped it first.
    int status = SIGKILL;
    if (pid <= 0) return status;
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const fs::path candidate = fs::path(dir) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const fs::path& folder, const fs::path& logFile, int outFd, int keepFd) {
    Stop();
    pid_ = Spawn(argv, env, folder, logFile, outFd, keepFd);
    ended_ = false;
    status_ = 0;
    return pid_ > 0;
}

bool ChildProcess::Running() { return Wait(0) == -1; }

int ChildProcess::Wait(int ms) {
    if (pid_ <= 0) return -2;
    for (int waited = 0; !ended_; waited += 10) {
        const pid_t got = waitpid(pid_, &status_, WNOHANG);
        if (got == pid_ || (got < 0 && errno == ECHILD)) {
            ended_ = true;
            break;
        }
        if (waited >= ms) return -1;
        Sleep(10);
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -2;
}

int ChildProcess::Stop(int graceMs) {
    if (pid_ <= 0) return -2;
    if (!ended_) {
        kill(pid_, SIGTERM);
        if (Wait(graceMs) == -1) {
            status_ = KillAndReap(pid_);
            ended_ = true;
        }
    }
    const int code = WIFEXITED(status_) ? WEXITSTATUS(status_) : -2;
    pid_ = -1;
    return code;
}

int RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs,
            std::string* out) {
    int fds[2] = {-1, -1};
    if (pipe(fds) != 0) return -1;
    ChildProcess tool;
    const bool started = tool.Start(argv, env, {}, {}, fds[1]);
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    auto drain = [&] {
        char buffer[512];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            if (out) out->append(buffer, size_t(n));
    };
    int code = -1;
    for (int waited = 0; started; waited += 5) {
        drain();
        code = tool.Wait(0);
        if (code != -1 || waited >= timeoutMs) break;
        Sleep(5);
    }
    if (started && code == -1) tool.Stop(0);
    drain();
    close(fds[0]);
    return started ? code : -1;
}

bool VirtualDisplay::Start(int width, int height, const fs::path& logFile, const fs::path& screenFolder) {
    name_.clear();
    screenFile_.clear();
    std::set<int> held;
    int display = -1;
    for (tries_ = 1;; ++tries_) {
        std::string why;
        if (TryServer(display, width, height, logFile, screenFolder, &held, &why)) break;
        const bool last = tries_ == kServerTries;
        if (journal_)
            journal_("X server " + std::to_string(tries_) + " of " + std::to_string(kServerTries) + " " + why +
                     (last ? "; no more are tried" : "; another is started"));
        if (last) return false;
        // Past every display tried, so that a number that troubles servers is not taken again.
        int after = display;
        for (int n : held) after = std::max(after, n);
        if (after >= 0) display = FreeDisplayAfter(after);
    }
    if (tries_ > 1 && journal_) journal_("X server " + std::to_string(tries_) + " came up on " + name_);
    if (!screenFolder.empty()) screenFile_ = screenFolder / "Xvfb_screen0";
    return true;
}

bool VirtualDisplay::TryServer(int display, int width, int height, const fs::path& logFile,
                               const fs::path& screenFolder, std::set<int>* held, std::string* why) {
    const std::string program = program_.empty() ? FindProgram("Xvfb") : program_;
    int fds[2];
    if (program.empty() || pipe(fds) != 0) {
        *why = "could not be started";
        return false;
    }
    // Xvfb writes the display number it took to the descriptor it is given once it takes clients.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> args{program};
    if (display >= 0) args.push_back(":" + std::to_string(display));
    args.insert(args.end(), {"-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp",
                             "-noreset"});
    if (!screenFolder.empty()) {
        std::error_code ec;
        fs::create_directories(screenFolder, ec);
        args.insert(args.end(), {"-fbdir", screenFolder.string()});
    }
    const bool started = server_.Start(args, {}, {}, logFile, -1, fds[1]);
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string told;
    bool ended = !started;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(readyMs_);
    while (!ended && told.find('\n') == std::string::npos) {
        char c[32];
        const ssize_t n = read(fds[0], c, sizeof c);
        if (n > 0) {
            told.append(c, size_t(n));
            continue;
        }
        ended = n == 0 || !server_.Running();
        if (ended || std::chrono::steady_clock::now() >= end) break;
        Sleep(10);
    }
    close(fds[0]);
    const size_t newline = told.find('\n');
    const std::string number = newline == std::string::npos ? "" : told.substr(0, newline);
    if (!number.empty() && number.size() <= 5 && number.find_first_not_of("0123456789") == std::string::npos) {
        name_ = ":" + number;
        return true;
    }
    if (!started) {
        *why = "could not be started";
        return false;
    }
    // The displays it took: the one it was given, or those it listens on, read while it still
    // runs. One stuck in its start-up heeds no SIGTERM.
    const pid_t pid = server_.Pid();
    std::set<int> displays = ended ? std::set<int>{} : DisplaysOf(pid);
    if (display >= 0) displays.insert(display);
    const int code = server_.Stop(1000);
    for (int n : displays) RemoveLeftSocket(n);
    held->insert(displays.begin(), displays.end());
    *why = "(pid " + std::to_string(pid);
    for (int n : displays) *why += (n == *displays.begin() ? ", display :" : " and :") + std::to_string(n);
    *why += !ended          ? ") told no display in " + std::to_string(readyMs_) + " ms"
            : code == -2    ? ") ended by a signal before it told a display"
                            : ") ended with " + std::to_string(code) + " before it told a display";
    return false;
}

int WindowDriver::Xdotool(const std::vector<std::string>& args, std::string* out) {
    static const std::string tool = FindProgram("xdotool");
    if (tool.empty()) return -1;
    std::vector<std::string> argv{tool};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto start = std::chrono::steady_clock::now();
    const int code = RunTool(argv, {display_.Env()}, 10000, out);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    // Searches that find nothing yet are the normal wait; only the driving steps are told.
    if (args.front() != "search") {
        std::string line = "xdotool";
        for (const std::string& a : args) line += " " + a;
        Tell(line + ": " + std::to_string(code) + " in " + std::to_string(ms.count()) + " ms");
    }
    return code;
}

bool WindowDriver::FindWindow(const std::string& title, int ms) {
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::milliseconds(ms);
    do {
        std::string out;
        if (Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}, &out) == 0) {
            std::istringstream lines(out);
            std::string first;
            if (lines >> first) {
                window_ = first;
                const auto waited = std::chrono::steady_clock::now() - start;
                Tell("window " + first + " after " +
                     std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()) + " ms");
                return true;
            }
        }
        Sleep(200);
    } while (std::chrono::steady_clock::now() < end);
    Tell("no window named " + title + " in " + std::to_string(ms) + " ms");
    return false;
}

bool WindowDriver::MoveTo(int x, int y) {
    return !window_.empty() &&
           Xdotool({"mousemove", "--window", window_, std::to_string(x), std::to_string(y)}) == 0;
}

bool WindowDriver::Focus() {
    if (window_.empty() || !MoveTo(8, 8)) return false;
    return Xdotool({"windowfocus", window_}) == 0;
}

bool WindowDriver::Key(const std::string& key) { return !window_.empty() && Xdotool({"key", key}) == 0; }

bool WindowDriver::Click(int x, int y) {
    // Held for a few frames, as a hand holds it: the menu's words act on a held button.
    if (!MoveTo(x, y) || Xdotool({"mousedown", "1"}) != 0) return false;
    Sleep(200);
    return Xdotool({"mouseup", "1"}) == 0;
}

}  // namespace testsupport
