// One host and two clients, each the real program in a window of its own X server, on the demo
// data and 127.0.0.1: every process goes from the main menu to the network page as a player
// would, the host hosts, the clients search the network, pick the session and join, and all
// three play the match to its end under a one-minute time limit and show its results.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frontend/settings_files.h"
#include "support/demo_data_folder.h"
#include "support/real_program.h"
#include "support/save_images.h"
#include "support/screen_picture.h"

namespace fs = std::filesystem;

namespace {

using namespace testsupport;

constexpr int kWidth = 1024, kHeight = 768;

int X(float f) { return int(f * kWidth); }
int Y(float f) { return int(f * kHeight); }
void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The network page's panel (left, top, height) and the rows the steps click.
constexpr float kPanelX = 0.04f, kPanelY = 0.2f, kPanelH = 0.65f;

class Player {
public:
    Player(const std::string& name, uint32_t port) : driver_(display_) {
        folder_ = fs::temp_directory_path() / ("brimvale-net-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const fs::path& data = DemoDataFolder(BRIMVALE_DATA_TOOL);
        if (data.empty()) return;
        LinkDataFolder(data, folder_);
        std::ifstream in(data / "Brimvale.ini", std::ios::binary);
        std::string ini{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        // Not the test mode: there an Escape that the session's end posts after the match
        // already returned to the menu quits the program.
        ReplaceLine(&ini, "PRUEBAS", 0);
        ReplaceLine(&ini, "MENU", 1);
        fs::remove(folder_ / "Brimvale.ini");
        std::ofstream(folder_ / "Brimvale.ini", std::ios::binary) << ini;
        // A player of the Orlins in the network players' first slot.
        fs::remove(folder_ / "Saves" / "OrlinsMP" / ".keep");
        std::ofstream(folder_ / "Saves" / "OrlinsMP" / "PlO00.dat", std::ios::binary)
            << PlayerSaveImage(0, 1, name).Str();
        WriteMultiplayerFile(name, port);
        if (!display_.Start(kWidth, kHeight)) return;
        if (!game_.Start({BRIMVALE_GAME},
                         {display_.Env(), "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null",
                          "XDG_CONFIG_HOME=" + (folder_ / "config").string()},
                         folder_, folder_ / "output.txt"))
            return;
        started_ = driver_.FindWindow("Brimvale", 30000) && driver_.Focus();
    }
    ~Player() {
        game_.Stop();
        std::error_code ec;
        if (!::testing::Test::HasFailure()) fs::remove_all(folder_, ec);
    }

    bool Started() const { return started_; }
    WindowDriver& Driver() { return driver_; }
    ChildProcess& Program() { return game_; }
    const fs::path& Folder() const { return folder_; }
    bool Shot() { return driver_.Key("F3"); }

private:
    static void ReplaceLine(std::string* ini, const std::string& key, int value) {
        const size_t at = ini->find("\n" + key + " ");
        if (at == std::string::npos) return;
        const size_t end = ini->find('\n', at + 1);
        ini->replace(at + 1, end - at - 1, key + " = " + std::to_string(value) + "\r");
    }

    // The stored multiplayer settings, written by the game's own writer: the name, the port, the
    // host's address, and a match of greed on the water scenario that the time limit ends.
    void WriteMultiplayerFile(const std::string& name, uint32_t port) {
        const fs::path back = fs::current_path();
        fs::current_path(folder_);
        ResetSettingsFiles();
        ResetRuleValues();
        GameSettingsBlock& g = g_GameSettings;
        g.side = 0;
        g.playerSlot = 0;
        g.scenario = 13;
        g.gameKind = 2;
        g.rules[11] = 1;   // minutes
        std::snprintf(g_Multiplayer.playerName, sizeof g_Multiplayer.playerName, "%s", name.c_str());
        std::snprintf(g_Multiplayer.hostAddress, sizeof g_Multiplayer.hostAddress, "127.0.0.1");
        g_Multiplayer.port = port;
        g_Multiplayer.secondPort = port;
        SaveMultiplayerConfig();
        ResetSettingsFiles();
        fs::current_path(back);
    }

    fs::path folder_;
    VirtualDisplay display_;
    ChildProcess game_;
    WindowDriver driver_;
    bool started_ = false;
};

bool ToolsPresent() { return !FindProgram("Xvfb").empty() && !FindProgram("xdotool").empty(); }

int CountInLog(const Player& p, const std::string& text) {
    std::ifstream in(p.Folder() / "debug.txt", std::ios::binary);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
}

bool WaitForLog(const Player& p, const std::string& text, int count, int ms) {
    for (int waited = 0; waited < ms; waited += 250) {
        if (CountInLog(p, text) >= count) return true;
        Sleep(250);
    }
    return false;
}

// The newest screenshot of a player, after F3.
bool Picture(Player& p, gfx::Image* out) {
    static int shots = 0;
    if (!p.Shot()) return false;
    for (int waited = 0; waited < 10000; waited += 100) {
        fs::path newest;
        fs::file_time_type newestTime{};
        for (const fs::directory_entry& e : fs::directory_iterator(p.Folder())) {
            const std::string name = e.path().filename().string();
            if (name.rfind("BrmVshot", 0) != 0 || e.path().extension() != ".bmp") continue;
            if (newest.empty() || e.last_write_time() > newestTime) newest = e.path(), newestTime = e.last_write_time();
        }
        if (!newest.empty() && LoadScreenshot(newest, out) && out->width == kWidth) {
            std::error_code ec;
            fs::rename(newest, p.Folder() / ("seen-" + std::to_string(++shots) + ".bmp"), ec);
            return true;
        }
        Sleep(100);
    }
    return false;
}

template <typename F>
bool WaitForPicture(Player& p, int ms, F accept) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    gfx::Image image;
    while (std::chrono::steady_clock::now() < end) {
        if (Picture(p, &image) && accept(image)) return true;
        Sleep(700);
    }
    return false;
}

// The network page is up: the name field's dark frame on the blue page.
bool NetworkPageShown(const gfx::Image& image) {
    return MeanLuma(image, RelativeRect(image, 0.49f, 0.325f, 0.72f, 0.355f)) + 15 <
           MeanLuma(image, RelativeRect(image, 0.49f, 0.27f, 0.72f, 0.30f));
}

// The joining tab: the session list's caption under the two fields.
bool JoinTabShown(const gfx::Image& image) {
    return CountPixels(image, RelativeRect(image, 0.42f, 0.45f, 0.58f, 0.485f),
                       [](uint32_t p) { return Luma(p) > 170; }) > 20;
}

// A session in the list's first row.
bool SessionListed(const gfx::Image& image) {
    return CountPixels(image, RelativeRect(image, 0.14f, 0.50f, 0.70f, 0.545f),
                       [](uint32_t p) { return Luma(p) > 170; }) > 30;
}

constexpr const char* kScenarioLoaded = "Escenario13.y3d... OK";
constexpr const char* kFrontEndLoaded = "cursor.y3d... OK";

TEST(NetworkMatchTest, AHostAndTwoClientsPlayOneMatchToItsEnd) {
    if (!ToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    const uint32_t port = 27000 + uint32_t(::getpid() % 2000);
    Player host("Anfitrion", port);
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(WaitForLog(host, kFrontEndLoaded, 1, 20000));
    Sleep(2000);
    // Main menu: the network word; the page opens on its hosting tab, whose button hosts.
    host.Driver().Click(X(0.5f), Y(0.527f));
    ASSERT_TRUE(WaitForPicture(host, 30000, NetworkPageShown)) << "host: no network page";
    host.Driver().Click(X(0.5f), Y(kPanelY + kPanelH - 0.06f + 0.02f));
    ASSERT_TRUE(WaitForLog(host, "SERVER STARTED SUCCESSFULLY", 1, 20000));
    ASSERT_TRUE(WaitForLog(host, kScenarioLoaded, 1, 60000));

    std::vector<std::unique_ptr<Player>> clients;
    for (const char* name : {"Uno", "Dos"}) {
        SCOPED_TRACE(name);
        clients.push_back(std::make_unique<Player>(name, port));
        Player& c = *clients.back();
        ASSERT_TRUE(c.Started());
        ASSERT_TRUE(WaitForLog(c, kFrontEndLoaded, 1, 20000));
        Sleep(2000);
        c.Driver().Click(X(0.5f), Y(0.527f));
        ASSERT_TRUE(WaitForPicture(c, 30000, NetworkPageShown)) << "no network page";
        // The joining tab; Enter in its name field starts the search of the local network.
        c.Driver().Click(X(kPanelX + 0.24f + 0.1f), Y(kPanelY - 0.03f));
        ASSERT_TRUE(WaitForPicture(c, 10000, JoinTabShown)) << "no joining tab";
        c.Driver().Click(X(0.48f + 0.05f), Y(kPanelY + 0.12f + 0.02f));
        Sleep(500);
        c.Driver().Key("Return");
        ASSERT_TRUE(WaitForPicture(c, 30000, SessionListed)) << "no session found";
        c.Driver().Click(X(kPanelX + 0.3f), Y(kPanelY + 0.3f + 0.02f));
        Sleep(500);
        c.Driver().Click(X(0.5f), Y(kPanelY + kPanelH - 0.06f + 0.02f));
        ASSERT_TRUE(WaitForLog(c, kScenarioLoaded, 1, 60000)) << "the match did not start";
    }
    // All three play: each draws the world around its own fighter.
    Player* players[3] = {&host, clients[0].get(), clients[1].get()};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(WaitForPicture(*players[i], 20000, [](const gfx::Image& image) {
            return MeanLuma(image, RelativeRect(image, 0, 0.3f, 1, 0.75f)) > 30;
        })) << "no lit match picture";
    }
    // The one-minute limit and the ten seconds of the end, then every process back on its
    // results page.
    ASSERT_TRUE(WaitForLog(host, kFrontEndLoaded, 2, 150000)) << "the host's match did not end";
    for (auto& c : clients) ASSERT_TRUE(WaitForLog(*c, kFrontEndLoaded, 2, 30000)) << "a client's match did not end";
    Sleep(4000);
    gfx::Image results[3];
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(players[i]->Program().Wait(0), -1) << "the program ended";
        players[i]->Driver().MoveTo(2, 2);
        Sleep(500);
        ASSERT_TRUE(Picture(*players[i], &results[i]));
    }
    // The same result block on every machine: the results panel (the match's time and every
    // counter of both sides) reads the same everywhere.
    const PixelRect panel = RelativeRect(results[0], 0.08f, 0.15f, 0.88f, 0.95f);
    EXPECT_GT(MeanLuma(results[0], panel), MeanLuma(results[0], RelativeRect(results[0], 0, 0, 1, 0.1f)) + 40)
        << "no results panel on the host";
    for (int i = 1; i < 3; ++i) {
        SCOPED_TRACE(i);
        int differing = 0;
        for (int y = panel.y0; y + 8 <= panel.y1; y += 8)
            for (int x = panel.x0; x + 8 <= panel.x1; x += 8) {
                const PixelRect block{x, y, x + 8, y + 8};
                if (std::abs(MeanLuma(results[0], block) - MeanLuma(results[i], block)) > 4) ++differing;
            }
        EXPECT_EQ(differing, 0) << "the results differ from the host's";
    }
}

}  // namespace
