// The real program on the demo data in a window on an X server of its own: a fresh folder with
// the data set linked and chosen settings changed, the program started there, its screenshots
// (F3) and its debug log read back. The folder stays behind for a look when the test failed, with
// the game's output, the X server's and a journal of the test's steps.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/image.h"
#include "support/real_program.h"

namespace testsupport {

constexpr int GAME_WINDOW_WIDTH = 1024, GAME_WINDOW_HEIGHT = 768;

// Xvfb and xdotool are both there.
bool WindowToolsPresent();

// Settings file text with the value of `key` replaced; the game finds a key anywhere in the
// file, so the line is rewritten (or added when missing).
void SetSettingsKey(std::string* ini, const std::string& key, int value);

struct GameWindowSetup {
    std::string name;                                   // names the folder
    std::string program;                                // the game's path
    std::filesystem::path data;                         // the demo data set
    std::vector<std::pair<std::string, int>> settings;  // "Brimvale.ini" keys changed
    // Writes further files into the folder before the start.
    std::function<void(const std::filesystem::path&)> prepare;
    // The program run in Xvfb's place (empty: Xvfb), for the tests of the harness itself.
    std::string xServer;
};

class GameWindow {
public:
    explicit GameWindow(const GameWindowSetup& setup);
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // The window came up and has the keyboard.
    bool Started() const { return started_; }
    WindowDriver& Driver() { return driver_; }
    ChildProcess& Program() { return game_; }
    const std::filesystem::path& Folder() const { return folder_; }

    // F3, then the new screenshot once the game has written it whole; false after 10 s.
    bool Shot(gfx::Image* out);
    // Screenshots every `everyMs` until `accept` takes one; false after `ms` or when the
    // program ended.
    bool ShotUntil(gfx::Image* out, int ms, int everyMs, const std::function<bool(const gfx::Image&)>& accept);
    // What the display shows at this moment, read from the X server's own screen: no key and no
    // wait for the game, so it can be looked at many times a second. Only the rows from `top` to
    // `bottom` (fractions of the height) are read; the others are black.
    bool Screen(gfx::Image* out, float top = 0.0f, float bottom = 1.0f) const;
    // A copy of the screen as it is now, as an XWD image (LoadScreenFile reads it).
    bool CopyScreen(const std::filesystem::path& to) const;
    // Lines of the debug log that hold `text`.
    std::vector<std::string> LogLines(const std::string& text) const;
    // Waits up to `ms` for `count` such lines.
    bool WaitForLog(const std::string& text, int count, int ms) const;
    // For a failure's message: whether the program still runs or how it ended, and the last
    // lines it printed (where a crash says what it was) and of its debug log.
    std::string State();
    // A line in the folder's "harness.txt", stamped with the seconds since the test program
    // started: what the test did and when, beside the game's own debug log.
    void Note(const std::string& text) const;
    // The game told a problem with its data: on a display it waits in a message box that nobody
    // here answers, so every wait ends at once and the test fails.
    bool ToldAProblem() const;

private:
    std::filesystem::path folder_;
    VirtualDisplay display_;
    ChildProcess game_;
    WindowDriver driver_;
    std::set<std::string> seen_;
    bool started_ = false;
};

}  // namespace testsupport
