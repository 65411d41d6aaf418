#include "support/game_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/demo_data_folder.h"
#include "support/screen_picture.h"

namespace fs = std::filesystem;

// The test programs' own sanitizer settings (support/test_main.cpp), handed on to a sanitized
// game: the same system libraries keep their allocations there too.
extern "C" const char* __asan_default_options();
extern "C" const char* __lsan_default_suppressions();

namespace testsupport {

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The journals of all windows of one test program count from one moment.
const std::chrono::steady_clock::time_point g_ProgramStart = std::chrono::steady_clock::now();

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The last `count` lines of a text.
std::string LastLines(const std::string& text, int count) {
    size_t at = text.size();
    while (at > 0 && text[at - 1] == '\n') --at;
    // `at` ends on the newline before the lines kept, or at 0 when the text has no more.
    for (int n = 0; n < count && at > 0; ++n) {
        const size_t newline = text.rfind('\n', at - 1);
        at = newline == std::string::npos ? 0 : newline;
    }
    return text.substr(at == 0 ? 0 : at + 1);
}

}  // namespace

bool WindowToolsPresent() { return !FindProgram("Xvfb").empty() && !FindProgram("xdotool").empty(); }

void SetSettingsKey(std::string* ini, const std::string& key, int value) {
    std::istringstream in(*ini);
    std::string line, out;
    bool found = false;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (line.rfind(key, 0) == 0 && eq != std::string::npos && line.find_first_not_of(' ', key.size()) == eq) {
            line = key + " = " + std::to_string(value) + (!line.empty() && line.back() == '\r' ? "\r" : "");
            found = true;
        }
        out += line + "\n";
    }
    if (!found) out += key + " = " + std::to_string(value) + "\r\n";
    *ini = out;
}

GameWindow::GameWindow(const GameWindowSetup& setup) : driver_(display_) {
    folder_ = fs::temp_directory_path() / ("brimvale-window-" + std::to_string(::getpid()) + "-" + setup.name);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    driver_.SetJournal([this](const std::string& text) { Note(text); });
    if (setup.data.empty()) return;
    LinkDataFolder(setup.data, folder_);
    std::string ini = ReadText(setup.data / "Brimvale.ini");
    fs::remove(folder_ / "Brimvale.ini");
    for (const auto& [key, value] : setup.settings) SetSettingsKey(&ini, key, value);
    std::ofstream(folder_ / "Brimvale.ini", std::ios::binary) << ini;
    if (setup.prepare) setup.prepare(folder_);
    // A server given up is the machine's trouble, not the game's: said in the test's output too.
    display_.SetJournal([this, name = setup.name](const std::string& text) {
        Note(text);
        std::printf("[ X server ] %s: %s\n", name.c_str(), text.c_str());
        std::fflush(stdout);
    });
    if (!setup.xServer.empty()) display_.SetServer(setup.xServer);
    if (!display_.Start(GAME_WINDOW_WIDTH, GAME_WINDOW_HEIGHT, folder_ / "xvfb.txt", folder_ / "xvfb-screen")) {
        Note("no X server");
        return;
    }
    Note("X server " + display_.Name());
    const fs::path suppressions = folder_ / "leaks.supp";
    std::ofstream(suppressions, std::ios::binary) << __lsan_default_suppressions();
    // Its own settings store too: what one run remembers never reaches another.
    if (!game_.Start({setup.program},
                     {display_.Env(), "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null",
                      "XDG_CONFIG_HOME=" + (folder_ / "config").string(),
                      std::string("ASAN_OPTIONS=") + __asan_default_options(),
                      "LSAN_OPTIONS=suppressions=" + suppressions.string()},
                     folder_, folder_ / "output.txt")) {
        Note("the program did not start");
        return;
    }
    Note("program " + std::to_string(game_.Pid()));
    // A focus refused (the window between maps, say) is tried again within the same time. Three
    // programs starting at once on a loaded machine (a sanitizer build on a software rasteriser)
    // have been seen to take most of a minute; the wait ends as soon as the window is there.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!started_ && game_.Running() && !ToldAProblem() && std::chrono::steady_clock::now() < end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        // A second at a time, so that a told problem ends the wait.
        started_ = driver_.FindWindow("Brimvale", int(std::min<long>(left.count(), 1000))) && driver_.Focus();
        if (!started_) Sleep(200);
    }
    if (!started_) Note("not started; the program is " + State());
}

bool GameWindow::ToldAProblem() const {
    // The game says each problem on its standard error before it shows it in a message box:
    // those with its data after its name, a video error after "Error".
    const std::string output = "\n" + ReadText(folder_ / "output.txt");
    return output.find("\nBrimvale: ") != std::string::npos || output.find("\nError: ") != std::string::npos;
}

GameWindow::~GameWindow() {
    if (ToldAProblem())
        ADD_FAILURE() << "the game told a problem, in a message box nobody answers:\n"
                      << LastLines(ReadText(folder_ / "output.txt"), 5);
    game_.Stop();
    std::error_code ec;
    if (!::testing::Test::HasFailure()) fs::remove_all(folder_, ec);
}

bool GameWindow::Shot(gfx::Image* out) {
    if (!driver_.Key("F3")) return false;
    const auto start = std::chrono::steady_clock::now();
    for (int waited = 0; waited < 10000 && !ToldAProblem(); waited += 100) {
        for (const fs::directory_entry& e : fs::directory_iterator(folder_)) {
            const std::string name = e.path().filename().string();
            // The game writes a temporary and renames it.
            if (name.rfind("BrmVshot", 0) != 0 || e.path().extension() != ".bmp" || seen_.count(name)) continue;
            if (LoadScreenshot(e.path(), out) && out->width == GAME_WINDOW_WIDTH &&
                out->height == GAME_WINDOW_HEIGHT) {
                seen_.insert(name);
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
                Note(name + " after " + std::to_string(ms.count()) + " ms");
                return true;
            }
        }
        Sleep(100);
    }
    Note("no screenshot in 10 s");
    return false;
}

bool GameWindow::ShotUntil(gfx::Image* out, int ms, int everyMs, const std::function<bool(const gfx::Image&)>& accept) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end && game_.Running()) {
        if (Shot(out) && accept(*out)) return true;
        Sleep(everyMs);
    }
    return false;
}

bool GameWindow::Screen(gfx::Image* out, float top, float bottom) const {
    return !display_.ScreenFile().empty() && LoadScreenFile(display_.ScreenFile(), out, top, bottom);
}

bool GameWindow::CopyScreen(const fs::path& to) const {
    std::error_code ec;
    return !display_.ScreenFile().empty() &&
           fs::copy_file(display_.ScreenFile(), to, fs::copy_options::overwrite_existing, ec);
}

std::vector<std::string> GameWindow::LogLines(const std::string& text) const {
    std::istringstream log(ReadText(folder_ / "debug.txt"));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(log, line))
        if (line.find(text) != std::string::npos) lines.push_back(line);
    return lines;
}

bool GameWindow::WaitForLog(const std::string& text, int count, int ms) const {
    const auto start = std::chrono::steady_clock::now();
    for (int waited = 0; waited < ms && !ToldAProblem(); waited += 250) {
        if (int(LogLines(text).size()) >= count) {
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            Note("log line " + std::to_string(count) + " \"" + text + "\" after " + std::to_string(took.count()) + " ms");
            return true;
        }
        Sleep(250);
    }
    Note("no log line " + std::to_string(count) + " \"" + text + "\" in " + std::to_string(ms) + " ms");
    return false;
}

std::string GameWindow::State() {
    if (display_.Name().empty())
        return display_.Tries() == 0 ? "never started"
                                     : "never started: no X server came up in " + std::to_string(display_.Tries()) +
                                           " tries (their output is in " + (folder_ / "xvfb.txt").string() + ")";
    const int code = game_.Wait(0);
    std::string s = code == -1   ? "still running"
                    : code == -2 ? "ended by a signal"
                                 : "ended with " + std::to_string(code);
    s += "; its output ends:\n" + LastLines(ReadText(folder_ / "output.txt"), 5);
    s += "\nits log ends:\n" + LastLines(ReadText(folder_ / "debug.txt"), 5);
    s += "\nits folder: " + folder_.string();
    return s;
}

void GameWindow::Note(const std::string& text) const {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - g_ProgramStart).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", seconds);
    std::ofstream(folder_ / "harness.txt", std::ios::app) << stamp << text << "\n";
}

}  // namespace testsupport
