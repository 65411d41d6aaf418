// The real program on a freshly written demo data set, started as the game starts with the front
// end off (the water scenario, eight against eight, sound on the null device) on the OpenGL device
// of a hidden 1024 x 768 window, its loop turned on a clock that advances 33 ms before each turn.
#pragma once

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>

#include "core/settings.h"
#include "data/data_set.h"
#include "platform/os/os.h"
#include "render/adapter_table.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace benchsupport {

// Sets "KEY = value" lines of the settings file in place.
inline bool SetKeys(const std::filesystem::path& file,
                    const std::initializer_list<std::pair<const char*, const char*>>& keys) {
    std::ifstream in(file);
    std::stringstream text;
    std::string line;
    while (std::getline(in, line)) {
        for (const auto& [key, value] : keys)
            if (line.rfind(std::string(key) + " =", 0) == 0) line = std::string(key) + " = " + value + "\r";
        text << line << "\n";
    }
    std::ofstream out(file, std::ios::trunc);
    out << text.str();
    return bool(out);
}

inline uint32_t g_demoNow = 0;

// The demo data set written into folder by a child process; false with the reason otherwise.
inline bool WriteInChild(const std::string& folder, std::string* error) {
    const pid_t child = ::fork();
    if (child < 0) {
        *error = "the data set's writer could not be started";
        return false;
    }
    if (child == 0) {
        std::string reason;
        const bool written = demodata::WriteDataSet(folder, &reason);
        if (!written) std::fprintf(stderr, "%s\n", reason.c_str());
        ::_exit(written ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    *error = "the demo data set could not be written into " + folder;
    return false;
}

// The data folder and the program's surroundings for the length of one benchmark; Start starts
// the program in it.
class DemoMatch {
public:
    static constexpr uint32_t kTurnMs = 33;

    DemoMatch(benchmark::State& state, const char* tag)
        : folder_(std::filesystem::temp_directory_path() /
                  ("brimvale-bench-" + std::string(tag) + "-" + std::to_string(::getpid()))) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("ALSOFT_DRIVERS", "null", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // Written by a child process: the writer's heap is not the game's, and what it leaves
        // behind would count in this process's memory.
        std::string error;
        if (!WriteInChild(folder_.string(), &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        // Straight into a match, no videos, no log.
        if (!SetKeys(folder_ / "Brimvale.ini", {{"MENU", "0"}, {"PRUEBAS", "1"}, {"DEBUG", "0"}, {"NUM_PER", "8"},
                                                {"NUM_PER_ENE", "8"}, {"RESX", "1024"}, {"RESY", "768"}})) {
            state.SkipWithError("the settings file could not be written");
            return;
        }
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
        g_StartupSeed = [] { return 7u; };
        g_demoNow = 100000;
        os::SetTimeSource([] { return g_demoNow; });
        ready_ = true;
    }
    ~DemoMatch() {
        if (!previous_.empty()) {
            os::SetTimeSource(nullptr);
            ResetStartupSeed();
            g_Settings.Clear();
            ResetMainLoopState();
            std::filesystem::current_path(previous_);
        }
        std::filesystem::remove_all(folder_);
    }
    bool Ready() const { return ready_; }

    bool Start() {
        g_Settings.Clear();
        ResetMainLoopState();
        g_AdapterTable.Enumerate();
        return InitApp(WndProc);
    }
    // Turns of the loop; the number made before the program quit.
    int Turns(int count) {
        os::Message msg{};
        int turns = 0;
        for (; turns < count; ++turns) {
            g_demoNow += kTurnMs;
            if (!RunLoopTurn(&msg)) break;
        }
        return turns;
    }

private:
    std::filesystem::path folder_, previous_;
    bool ready_ = false;
};

}  // namespace benchsupport
