// The real program in a window on an X server of its own, on the demo data, driven by xdotool as
// a player would drive it: F3 screenshots of the menu and of a match are looked at for what a
// player sees (the menu's words in their rows, a lit match with its fighters), the debug log
// holds no error, and the program ends when its window is asked to close. Skipped where Xvfb or
// xdotool is missing (scripts/setup installs both).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/demo_data_folder.h"
#include "support/real_program.h"
#include "support/screen_picture.h"

namespace fs = std::filesystem;

namespace {

using namespace testsupport;

constexpr int kWidth = 1024, kHeight = 768;

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The value of `key` in the settings text replaced; the game finds a key anywhere in the file, so
// the line is rewritten rather than another added.
void SetKey(std::string* ini, const std::string& key, int value) {
    std::istringstream in(*ini);
    std::string line, out;
    bool found = false;
    while (std::getline(in, line)) {
        const size_t at = line.find(key);
        const size_t eq = line.find('=');
        if (at == 0 && eq != std::string::npos && line.find_first_not_of(' ', key.size()) == eq) {
            line = key + " = " + std::to_string(value) + (line.back() == '\r' ? "\r" : "");
            found = true;
        }
        out += line + "\n";
    }
    if (!found) out += key + " = " + std::to_string(value) + "\r\n";
    *ini = out;
}

// One run of the program: its folder (the demo data linked, the settings edited), its display,
// the program itself and the driver of its window.
class RealGame {
public:
    explicit RealGame(const std::vector<std::pair<std::string, int>>& keys) : driver_(display_) {
        static int runs = 0;
        folder_ = fs::temp_directory_path() /
                  ("brimvale-window-" + std::to_string(::getpid()) + "-" + std::to_string(runs++));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const fs::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
        if (data.empty()) return;
        LinkDataFolder(data, folder_);
        std::string ini = ReadText(data / "Brimvale.ini");
        fs::remove(folder_ / "Brimvale.ini");
        for (const auto& [key, value] : keys) SetKey(&ini, key, value);
        std::ofstream(folder_ / "Brimvale.ini", std::ios::binary) << ini;
        if (!display_.Start(kWidth, kHeight)) return;
        if (!game_.Start({BRIMVALE_GAME}, {display_.Env(), "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null"}, folder_,
                         folder_ / "output.txt"))
            return;
        started_ = driver_.FindWindow("Brimvale", 30000) && driver_.Focus();
    }
    ~RealGame() {
        game_.Stop();
        std::error_code ec;
        if (!::testing::Test::HasFailure()) fs::remove_all(folder_, ec);
    }

    bool Started() const { return started_; }
    WindowDriver& Driver() { return driver_; }
    ChildProcess& Program() { return game_; }
    const fs::path& Folder() const { return folder_; }

    // F3, then the new screenshot once the game has written it whole; false after 10 s.
    bool Shot(gfx::Image* out) {
        if (!driver_.Key("F3")) return false;
        for (int waited = 0; waited < 10000; waited += 100) {
            for (const fs::directory_entry& e : fs::directory_iterator(folder_)) {
                const std::string name = e.path().filename().string();
                // The game writes a temporary and renames it.
                if (name.rfind("BrmVshot", 0) != 0 || e.path().extension() != ".bmp" || seen_.count(name)) continue;
                if (LoadScreenshot(e.path(), out) && out->width == kWidth && out->height == kHeight) {
                    seen_.insert(name);
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // Screenshots every `everyMs` until `accept` takes one; false after `ms`.
    template <typename F>
    bool ShotUntil(gfx::Image* out, int ms, int everyMs, F accept) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end && game_.Running()) {
            if (Shot(out) && accept(*out)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
        }
        return false;
    }

    // Lines of the debug log that report an error.
    std::vector<std::string> ErrorLines() const {
        std::istringstream log(ReadText(folder_ / "debug.txt"));
        std::vector<std::string> errors;
        std::string line;
        while (std::getline(log, line))
            if (line.find("ERROR") != std::string::npos) errors.push_back(line);
        return errors;
    }

private:
    fs::path folder_;
    VirtualDisplay display_;
    ChildProcess game_;
    WindowDriver driver_;
    std::set<std::string> seen_;
    bool started_ = false;
};

bool ToolsPresent() { return !FindProgram("Xvfb").empty() && !FindProgram("xdotool").empty(); }

// ---- What the pictures must show ----

// Rows of bright ink (the menu's white words) in a column of the screen, merged into bands.
struct InkBand {
    int top = 0, bottom = 0;
    double centreX = 0;
    double Middle() const { return 0.5 * (top + bottom); }
};

std::vector<InkBand> WordBands(const gfx::Image& image, const PixelRect& column) {
    auto bright = [](uint32_t p) { return Luma(p) > 170; };
    std::vector<InkBand> bands;
    int gap = 1000;
    for (int y = column.y0; y < column.y1; ++y) {
        const PixelRect row{column.x0, y, column.x1, y + 1};
        const int ink = CountPixels(image, row, bright);
        if (ink < 4) {
            ++gap;
            continue;
        }
        double sumX = 0;
        for (int x = column.x0; x < column.x1; ++x)
            if (bright(image.pixels[size_t(y) * image.width + size_t(x)])) sumX += x;
        if (gap > 8 || bands.empty()) bands.push_back(InkBand{y, y, 0});
        InkBand& b = bands.back();
        b.bottom = y;
        b.centreX += sumX;
        gap = 0;
    }
    for (InkBand& b : bands) {
        const int ink = CountPixels(image, PixelRect{column.x0, b.top, column.x1, b.bottom + 1}, bright);
        b.centreX = ink ? b.centreX / ink : 0;
    }
    return bands;
}

// The Orlins' skin as lit in a match: warm, red over green over blue (the demo's skin tones).
bool OrlinSkin(uint32_t p) {
    const int r = Red(p), g = Green(p), b = Blue(p);
    return r >= 130 && r - g >= 20 && r - g <= 100 && g - b >= 15 && g - b <= 90;
}

TEST(RealWindowTest, TheMenuShowsItsFourWordsInTheLayoutsRowsAndTheLogStaysClean) {
    if (!ToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    RealGame game({{"MENU", 1}, {"PRUEBAS", 1}, {"DEBUG", 1}});
    ASSERT_TRUE(game.Started()) << "no window; see " << game.Folder() / "output.txt";

    // The rows of the main page's words, and the step between them, in screen pixels.
    const double rows[4] = {0.524 * kHeight, 0.628 * kHeight, 0.732 * kHeight, 0.836 * kHeight};
    const double step = 0.104 * kHeight;
    gfx::Image shot;
    std::vector<InkBand> bands;
    // The words fly in; a picture with four settled words is waited for.
    const bool settled = game.ShotUntil(&shot, 30000, 500, [&](const gfx::Image& image) {
        bands = WordBands(image, RelativeRect(image, 0.3f, 0.25f, 0.7f, 0.95f));
        if (bands.size() != 4) return false;
        for (int i = 1; i < 4; ++i)
            if (std::abs(bands[i].Middle() - bands[i - 1].Middle() - step) > 6) return false;
        return true;
    });
    ASSERT_TRUE(settled) << "no picture with the four words a row apart; last had " << bands.size() << " bands";
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("word " + std::to_string(i));
        // Centred across the screen, of a letter's height.
        EXPECT_NEAR(bands[i].centreX, 0.5 * kWidth, 0.03 * kWidth);
        EXPECT_GT(bands[i].bottom - bands[i].top, 12);
        EXPECT_LT(bands[i].bottom - bands[i].top, 70);
        // Every word stands the same distance from its row: the words stand above the point the
        // layout names, never below it or more than a row above.
        EXPECT_NEAR(rows[i] - bands[i].Middle(), rows[0] - bands[0].Middle(), 4);
        EXPECT_GE(rows[i] - bands[i].Middle(), -4);
        EXPECT_LE(rows[i] - bands[i].Middle(), step + 4);
    }
    // The page's background is drawn: not a black frame.
    EXPECT_GT(MeanLuma(shot, RelativeRect(shot, 0, 0, 1, 1)), 20);

    EXPECT_EQ(game.ErrorLines(), std::vector<std::string>{});
    // Closing the window ends the program normally.
    EXPECT_EQ(game.Program().Stop(15000), 0);
}

TEST(RealWindowTest, AMatchIsLitAndShowsTheLocalFighterAndTheLogStaysClean) {
    if (!ToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    RealGame game({{"MENU", 0}, {"PRUEBAS", 1}, {"DEBUG", 1}, {"TIPO_PERSONAJE", 0}});
    ASSERT_TRUE(game.Started()) << "no window; see " << game.Folder() / "output.txt";

    // The camera stands behind the local fighter, an Orlin: its skin fills the middle of the view
    // once the match runs (the loading screen comes first).
    gfx::Image shot;
    const auto middle = [](const gfx::Image& image) { return RelativeRect(image, 0.3f, 0.35f, 0.7f, 0.76f); };
    const bool playing = game.ShotUntil(&shot, 60000, 1000, [&](const gfx::Image& image) {
        return CountPixels(image, middle(image), OrlinSkin) > 800;
    });
    ASSERT_TRUE(playing) << "no match picture with the local fighter in the middle";

    // A lit world: neither black nor washed out, the ground below the horizon bright too.
    const double all = MeanLuma(shot, RelativeRect(shot, 0, 0, 1, 1));
    EXPECT_GT(all, 30);
    EXPECT_LT(all, 230);
    EXPECT_GT(MeanLuma(shot, RelativeRect(shot, 0, 0.45f, 1, 0.75f)), 30);
    // Away from the middle the fighter's skin is rare: the colour picks the fighter, not the world.
    const int skinMiddle = CountPixels(shot, middle(shot), OrlinSkin);
    const int skinTop = CountPixels(shot, RelativeRect(shot, 0.3f, 0.0f, 0.7f, 0.25f), OrlinSkin);
    EXPECT_GT(skinMiddle, 8 * skinTop);

    EXPECT_EQ(game.ErrorLines(), std::vector<std::string>{});
    EXPECT_EQ(game.Program().Stop(15000), 0);
}

}  // namespace
