// The real program as other processes see it: an X server of its own (Xvfb), the game started in
// a data folder on that display, and xdotool's keys and clicks. Every process started here is
// ended by its own id, first asked (SIGTERM closes the game's window), then killed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// The full path of a program on PATH, empty when there is none.
std::string FindProgram(const std::string& name);

// SIGKILL to a child of ours, then a wait without a limit until it is reaped: a killed child
// always ends, however long a loaded machine takes to run it. Its wait status.
int KillAndReap(pid_t pid);

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is the program's path; `env` entries ("NAME=value") are added to ours; `folder` is
    // the working folder (empty: ours). Output goes to `logFile` (empty: discarded); `outFd`, when
    // given, takes standard output instead; `keepFd` stays open in the child.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
               const std::filesystem::path& folder = {}, const std::filesystem::path& logFile = {},
               int outFd = -1, int keepFd = -1);
    bool Running();
    // The exit code once it ended within `ms`; -1 while it still runs, -2 when a signal ended it.
    int Wait(int ms);
    // SIGTERM, up to `graceMs` to end, then SIGKILL and a wait until it is reaped; returns the
    // exit code as Wait does.
    int Stop(int graceMs = 3000);
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
};

// Runs a tool to its end (killed after `timeoutMs`); its exit code, -1 on a time-out. Standard
// output is returned in *out when asked for.
int RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs,
            std::string* out = nullptr);

// An Xvfb server on a free display number, with one screen of the given size at 24 bits; its
// output goes to `logFile` when one is named. With a `screenFolder`, the server keeps its screen
// in a file there, which anyone can read at any moment.
// A server that tells no display within the wait (one was seen to take a display, write its
// screen file and then say nothing, on a loaded machine) is killed and reaped, the socket file it
// left is removed while nobody answers on it, and another is started on a display past the ones
// it held, up to kServerTries servers in all; each one given up is told to the journal.
class VirtualDisplay {
public:
    static constexpr int kServerTries = 3;
    bool Start(int width, int height, const std::filesystem::path& logFile = {},
               const std::filesystem::path& screenFolder = {});
    // ":N", empty before a successful start.
    const std::string& Name() const { return name_; }
    // The file of the screen (an XWD image), empty without a screen folder.
    const std::filesystem::path& ScreenFile() const { return screenFile_; }
    // DISPLAY=... for a child's environment.
    std::string Env() const { return "DISPLAY=" + name_; }
    // Servers the last Start started.
    int Tries() const { return tries_; }
    // For the tests of this class: the program run in Xvfb's place, with Xvfb's arguments, and
    // how long a server has to tell its display.
    void SetServer(const std::string& program) { program_ = program; }
    void SetReadyMs(int ms) { readyMs_ = ms; }
    void SetJournal(std::function<void(const std::string&)> journal) { journal_ = std::move(journal); }

private:
    // One server on display `number` (-1: the first free one); false when it told none in time.
    bool TryServer(int number, int width, int height, const std::filesystem::path& logFile,
                   const std::filesystem::path& screenFolder, std::set<int>* held, std::string* why);
    ChildProcess server_;
    std::string name_;
    std::filesystem::path screenFile_;
    std::string program_;
    int readyMs_ = 10000;
    int tries_ = 0;
    std::function<void(const std::string&)> journal_;
};

// xdotool on one display, driving one window.
class WindowDriver {
public:
    explicit WindowDriver(const VirtualDisplay& display) : display_(display) {}
    // Where every step and its outcome are told, for a failure's record.
    void SetJournal(std::function<void(const std::string&)> journal) { journal_ = std::move(journal); }
    // Waits up to `ms` for a visible window of that exact title; false when none came.
    bool FindWindow(const std::string& title, int ms);
    // Pointer into the window and the keyboard focus on it.
    bool Focus();
    // A key by its X name ("F3", "Return", "Escape"), pressed and released.
    bool Key(const std::string& key);
    // The pointer to (x, y) in window pixels, then the left button pressed for 200 ms.
    bool Click(int x, int y);
    bool MoveTo(int x, int y);

private:
    int Xdotool(const std::vector<std::string>& args, std::string* out = nullptr);
    void Tell(const std::string& text) const {
        if (journal_) journal_(text);
    }
    const VirtualDisplay& display_;
    std::string window_;
    std::function<void(const std::string&)> journal_;
};

}  // namespace testsupport
