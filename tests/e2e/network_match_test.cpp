// One host and two clients, each the real program in a window of its own X server, on the demo
// data and 127.0.0.1: every process goes from the main menu to the network page as a player
// would, the host hosts, the clients search the network, pick the session and join, and all
// three play the match to its end under a one-minute time limit and show its results.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/data_set.h"
#include "frontend/settings_files.h"
#include "support/demo_data_folder.h"
#include "support/game_window.h"
#include "datakit/save_images.h"
#include "support/screen_picture.h"

namespace fs = std::filesystem;

namespace {

using namespace testsupport;
using namespace datakit;

int X(float f) { return int(f * GAME_WINDOW_WIDTH); }
int Y(float f) { return int(f * GAME_WINDOW_HEIGHT); }
void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The network page's panel (left, top, height) and the rows the steps click.
constexpr float kPanelX = 0.04f, kPanelY = 0.2f, kPanelH = 0.65f;

// One player's program: a player of the Orlins in the network players' first slot, and the
// stored multiplayer settings written by the game's own writer (the name, the port, the host's
// address, and a match of `kind` on the water scenario that its one-minute limit ends). Not the
// test mode: there an Escape that the session's end posts after the match already returned to
// the menu quits the program.
GameWindowSetup PlayerSetup(const std::string& name, uint32_t port, int kind = 2) {
    GameWindowSetup setup{name, BRIMVALE_GAME, DemoDataFolder(BRIMVALE_DATA_TOOL),
                          {{"PRUEBAS", 0}, {"MENU", 1}, {"DEBUG", 1}}, {}};
    setup.prepare = [name, port, kind](const fs::path& folder) {
        std::ofstream(folder / "Saves" / "OrlinsMP" / "PlO00.dat", std::ios::binary)
            << PlayerSaveImage(0, 1, name).Str();
        const fs::path back = fs::current_path();
        fs::current_path(folder);
        ResetSettingsFiles();
        ResetRuleValues();
        GameSettingsBlock& g = g_GameSettings;
        g.side = 0;
        g.playerSlot = 0;
        g.scenario = demodata::WATER_SCENARIO;
        g.gameKind = kind;
        g.rules[RULE_VALUE_COUNT - 1] = 1;   // minutes
        std::snprintf(g_Multiplayer.playerName, sizeof g_Multiplayer.playerName, "%s", name.c_str());
        std::snprintf(g_Multiplayer.hostAddress, sizeof g_Multiplayer.hostAddress, "127.0.0.1");
        g_Multiplayer.port = port;
        g_Multiplayer.secondPort = port;
        SaveMultiplayerConfig();
        ResetSettingsFiles();
        fs::current_path(back);
    };
    return setup;
}

// A screenshot that `accept` takes, within `ms`.
bool WaitForPicture(GameWindow& p, int ms, const std::function<bool(const gfx::Image&)>& accept) {
    gfx::Image image;
    return p.ShotUntil(&image, ms, 700, accept);
}

// The network page is up: on its dark panel, the name field darker still and the tab's button
// lighter.
bool NetworkPageShown(const gfx::Image& image) {
    const double panel = MeanLuma(image, RelativeRect(image, 0.10f, 0.325f, 0.30f, 0.355f));
    return MeanLuma(image, RelativeRect(image, 0.49f, 0.325f, 0.72f, 0.355f)) + 5 < panel &&
           MeanLuma(image, RelativeRect(image, 0.405f, 0.795f, 0.595f, 0.815f)) > panel + 20;
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

// The results page's panel: pale over the page's blue.
PixelRect ResultsPanel(const gfx::Image& image) { return RelativeRect(image, 0.08f, 0.15f, 0.88f, 0.95f); }

bool ResultsShown(const gfx::Image& image) {
    return MeanLuma(image, ResultsPanel(image)) > MeanLuma(image, RelativeRect(image, 0, 0, 1, 0.1f)) + 40;
}

// The end's banner TIME OVER in the middle of the screen: its orange, which neither another banner
// nor the water scenario has.
bool TimeOverShown(const gfx::Image& image) {
    return CountPixels(image, RelativeRect(image, 0.3f, 0.4f, 0.7f, 0.6f), [](uint32_t p) {
               const uint32_t red = p >> 16 & 0xff, green = p >> 8 & 0xff, blue = p & 0xff;
               return red > 200 && green > 105 && green < 150 && blue > 40 && blue < 90;
           }) > 200;
}

// The banners a match can end on, by the colour of their plates, which lie over the picture
// three quarters opaque.
struct EndBanner {
    const char* words;
    uint32_t colour;
};
constexpr EndBanner kEndBanners[] = {{"TIME OVER", 0xE08040}, {"YOU WIN", 0x40B040}, {"YOU LOSE", 0xB04040}};
constexpr size_t kEndBannerCount = std::size(kEndBanners);

// The banner whose plate, over a mid-grey picture, the pixel's colour lies nearest to, if near
// enough; -1 for none. Colours are compared by their shares of red, green and blue, which the
// end's fade to black leaves as they were.
int NearestPlate(uint32_t p) {
    const double sum = Red(p) + Green(p) + Blue(p);
    if (sum < 90) return -1;
    int nearest = -1;
    double distance = 0.06;
    for (size_t b = 0; b < kEndBannerCount; ++b) {
        double plate[3], plateSum = 0, d = 0;
        for (int c = 0; c < 3; ++c) plateSum += plate[c] = 0.75 * double(kEndBanners[b].colour >> (16 - 8 * c) & 0xff) + 32;
        const int pixel[3] = {Red(p), Green(p), Blue(p)};
        for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(pixel[c] / sum - plate[c] / plateSum));
        if (d <= distance) distance = d, nearest = int(b);
    }
    return nearest;
}

// The pixels in the middle of the screen that the plate of banner `b` could have drawn.
int PlatePixels(const gfx::Image& image, size_t b) {
    return CountPixels(image, RelativeRect(image, 0.3f, 0.4f, 0.7f, 0.6f),
                       [b](uint32_t p) { return NearestPlate(p) == int(b); });
}

// The players' page after the results: its table's panel starts below the headings, so the band
// above them shows the page's darker background where the results panel was.
bool PlayersPageShown(const gfx::Image& image) {
    return MeanLuma(image, RelativeRect(image, 0.2f, 0.29f, 0.8f, 0.35f)) + 30 <
           MeanLuma(image, RelativeRect(image, 0.2f, 0.6f, 0.8f, 0.75f));
}

// The rows of the players' table (one a player, slot order) drawn in the local player's pale
// yellow; the others are drawn in blue-green.
std::vector<int> RowsInTheLocalColour(const gfx::Image& image, int rows) {
    std::vector<int> found;
    for (int r = 0; r < rows; ++r) {
        const float top = 0.43f + 0.03f * float(r);
        const int yellow = CountPixels(image, RelativeRect(image, 0.1f, top, 0.91f, top + 0.03f), [](uint32_t p) {
            const uint32_t red = p >> 16 & 0xff, green = p >> 8 & 0xff, blue = p & 0xff;
            return red > 200 && green > 200 && blue < 170;
        });
        if (yellow > 20) found.push_back(r);
    }
    return found;
}

// 8 x 8 blocks of the rectangle whose brightness differs between two pictures.
int DifferingBlocks(const gfx::Image& a, const gfx::Image& b, const PixelRect& rect) {
    int differing = 0;
    for (int y = rect.y0; y + 8 <= rect.y1; y += 8)
        for (int x = rect.x0; x + 8 <= rect.x1; x += 8) {
            const PixelRect block{x, y, x + 8, y + 8};
            if (std::abs(MeanLuma(a, block) - MeanLuma(b, block)) > 4) ++differing;
        }
    return differing;
}

// What the broadcast probe found, on the port it bound.
struct BroadcastProbe {
    enum Outcome { HEARD, WITHHELD, FAILED } outcome = FAILED;
    uint16_t port = 0;
    std::string detail;  // why it was withheld or what failed
};

std::string ErrnoText(const char* call) {
    const int error = errno;
    return std::string(call) + ": " + std::strerror(error);
}

// A socket that the probe closes before any program starts, so that the host can bind its port.
struct ProbeSocket {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ~ProbeSocket() {
        if (fd >= 0) ::close(fd);
    }
};

// The clients find the host by a broadcast to its port, which the host binds on every address
// without reuse. The probe binds such a port, the first free one from this run's own upward, so
// that a program holding a port leaves the run another, and broadcasts to it. Only a broadcast
// the machine does not carry back means there is nothing to join here; any other error fails.
BroadcastProbe ProbeLocalBroadcast() {
    constexpr uint32_t kFirstPort = 27000, kPorts = 2000;
    BroadcastProbe probe;
    const ProbeSocket in, out;
    if (in.fd < 0 || out.fd < 0) {
        probe.detail = ErrnoText("socket");
        return probe;
    }
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_ANY);
    const uint32_t first = uint32_t(::getpid()) % kPorts;
    for (uint32_t i = 0; i < kPorts && probe.port == 0; ++i) {
        const uint16_t port = uint16_t(kFirstPort + (first + i) % kPorts);
        at.sin_port = htons(port);
        if (::bind(in.fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) {
            probe.port = port;
        } else if (errno != EADDRINUSE) {
            probe.detail = ErrnoText("bind") + ", UDP port " + std::to_string(port);
            return probe;
        }
    }
    if (probe.port == 0) {
        probe.detail = "bind: every UDP port from " + std::to_string(kFirstPort) + " to " +
                       std::to_string(kFirstPort + kPorts - 1) + " is in use";
        return probe;
    }
    const int on = 1;
    if (::setsockopt(out.fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        probe.detail = ErrnoText("setsockopt SO_BROADCAST");
        return probe;
    }
    const timeval wait{1, 0};
    if (::setsockopt(in.fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0) {
        probe.detail = ErrnoText("setsockopt SO_RCVTIMEO");
        return probe;
    }
    at.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    char byte = 'p';
    if (::sendto(out.fd, &byte, 1, 0, reinterpret_cast<sockaddr*>(&at), sizeof at) != 1) {
        // No route for broadcasts, or a policy that refuses them: the clients' search meets the
        // same refusal, so the machine withholds the network rather than the test failing.
        const bool refused = errno == ENETUNREACH || errno == EHOSTUNREACH || errno == EACCES || errno == EPERM;
        probe.detail = ErrnoText("sendto") + ", a broadcast to UDP port " + std::to_string(probe.port);
        if (refused) probe.outcome = BroadcastProbe::WITHHELD;
        return probe;
    }
    ssize_t got;
    do got = ::recv(in.fd, &byte, 1, 0);
    while (got < 0 && errno == EINTR);
    if (got == 1) {
        probe.outcome = BroadcastProbe::HEARD;
    } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        probe.outcome = BroadcastProbe::WITHHELD;
        probe.detail = "a broadcast to UDP port " + std::to_string(probe.port) + " was sent and never heard back";
    } else {
        probe.detail = got < 0 ? ErrnoText("recv") : "recv: " + std::to_string(got) + " bytes";
    }
    return probe;
}

// Main menu: the network word; the page opens on its hosting tab. A click that left the main
// page as it was is given again.
bool OpenNetworkPage(GameWindow& p) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        p.Driver().Click(X(0.5f), Y(0.527f));
        if (WaitForPicture(p, 30000, NetworkPageShown)) return true;
        p.Note("no network page after the click");
    }
    return false;
}

constexpr const char* kScenarioLoaded = "Escenario13.y3d... OK";
constexpr const char* kFrontEndLoaded = "cursor.y3d... OK";

// The rows of the players' table drawn in the others' blue-green, line by line as the local
// colour is counted.
std::vector<int> RowsInTheOthersColour(const gfx::Image& image, int rows) {
    std::vector<int> found;
    for (int r = 0; r < rows; ++r) {
        const float top = 0.43f + 0.03f * float(r);
        const int drawn = CountPixels(image, RelativeRect(image, 0.1f, top, 0.91f, top + 0.03f), [](uint32_t p) {
            const uint32_t red = p >> 16 & 0xff, green = p >> 8 & 0xff, blue = p & 0xff;
            return red < 170 && green > 180 && blue > 180;
        });
        if (drawn > 20) found.push_back(r);
    }
    return found;
}

// The UDP port of this run's session, or why there is none: the clients find the host by a
// broadcast, which the machine may withhold.
#define NETWORK_PORT_OR_SKIP(port)                                                                              \
    const BroadcastProbe probe = ProbeLocalBroadcast();                                                         \
    if (probe.outcome == BroadcastProbe::FAILED) FAIL() << "the broadcast probe failed: " << probe.detail;     \
    if (probe.outcome == BroadcastProbe::WITHHELD)                                                              \
        GTEST_SKIP() << "this machine withholds a network that carries its own broadcasts back to it ("        \
                     << probe.detail << ")";                                                                    \
    const uint32_t port = probe.port;                                                                           \
    SCOPED_TRACE("on UDP port " + std::to_string(port))

// All three start at once: the start-ups (videos, menu) overlap, so that the clients are on their
// network pages before the host's one-minute match runs, on a slow machine too. The host hosts,
// the clients search the network, pick the session and join, and all three draw the match.
// A host and two clients on this run's port; the second client's own set-up tab holds `secondKind`.
struct ThreePrograms {
    ThreePrograms(uint32_t port, int secondKind)
        : host(PlayerSetup("Anfitrion", port)), first(PlayerSetup("Uno", port)),
          second(PlayerSetup("Dos", port, secondKind)) {}
    GameWindow host, first, second;
};

void StartHostAndJoin(ThreePrograms& p3) {
    GameWindow& host = p3.host;
    const std::vector<GameWindow*> clients = {&p3.first, &p3.second};
    const std::vector<GameWindow*> players = {&host, &p3.first, &p3.second};
    for (GameWindow* p : players) {
        SCOPED_TRACE(p->Folder().filename().string());
        ASSERT_TRUE(p->Started()) << "no window; it is " << p->State();
        // The start-up videos play first; a busy machine stretches them.
        ASSERT_TRUE(p->WaitForLog(kFrontEndLoaded, 1, 90000)) << "no menu; it is " << p->State();
    }
    Sleep(2000);
    for (GameWindow* p : players) {
        SCOPED_TRACE(p->Folder().filename().string());
        ASSERT_TRUE(OpenNetworkPage(*p)) << "no network page; it is " << p->State();
    }
    // The clients' joining tab, given again while the page's fade still swallowed the click.
    for (GameWindow* c : clients) {
        SCOPED_TRACE(c->Folder().filename().string());
        bool shown = false;
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            c->Driver().Click(X(kPanelX + 0.24f + 0.1f), Y(kPanelY - 0.03f));
            shown = WaitForPicture(*c, 10000, JoinTabShown);
        }
        ASSERT_TRUE(shown) << "no joining tab; it is " << c->State();
    }
    // The hosting tab's button hosts.
    host.Driver().Click(X(0.5f), Y(kPanelY + kPanelH - 0.06f + 0.02f));
    ASSERT_TRUE(host.WaitForLog("SERVER STARTED SUCCESSFULLY", 1, 20000)) << host.State();
    ASSERT_TRUE(host.WaitForLog(kScenarioLoaded, 1, 60000)) << host.State();

    for (GameWindow* client : clients) {
        GameWindow& c = *client;
        SCOPED_TRACE(c.Folder().filename().string());
        // Enter in the joining tab's name field starts the search of the local network.
        bool listed = false;
        for (int attempt = 0; attempt < 2 && !listed; ++attempt) {
            c.Driver().Click(X(0.48f + 0.05f), Y(kPanelY + 0.12f + 0.02f));
            Sleep(500);
            c.Driver().Key("Return");
            listed = WaitForPicture(c, 30000, SessionListed);
        }
        ASSERT_TRUE(listed) << "no session found; it is " << c.State();
        c.Driver().Click(X(kPanelX + 0.3f), Y(kPanelY + 0.3f + 0.02f));
        Sleep(500);
        c.Driver().Click(X(0.5f), Y(kPanelY + kPanelH - 0.06f + 0.02f));
        ASSERT_TRUE(c.WaitForLog(kScenarioLoaded, 1, 60000)) << "the match did not start; it is " << c.State();
    }
    // Each draws the world around its own fighter.
    for (size_t i = 0; i < players.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(WaitForPicture(*players[i], 20000, [](const gfx::Image& image) {
            return MeanLuma(image, RelativeRect(image, 0, 0.3f, 1, 0.75f)) > 30;
        })) << "no lit match picture";
    }
}

// Every program's screen read from its X server several times a second, all in turn, until each
// has shown TIME OVER or left its match (its front end back, or the program ended), for `ms` at
// most. At that pace the banner, up through the end's pause, is seen even at the lows of its
// swing, however long the game would take over a screenshot; a look reads only the band the
// banner lies in. The screen is kept in the program's folder once a second, the last `kKept`
// copies; for a program that showed no TIME OVER they become pictures there, and *misses tells it
// with the most pixels of each banner's colour one of them had.
std::vector<bool> WatchForTimeOver(const std::vector<GameWindow*>& players, int ms, std::string* misses) {
    constexpr size_t kKept = 40;
    using Clock = std::chrono::steady_clock;
    struct Watch {
        bool seen = false, left = false;
        int looks = 0;
        std::vector<fs::path> kept;
        Clock::time_point lastKept{}, lastLog{};
    };
    std::vector<Watch> watches(players.size());
    const Clock::time_point start = Clock::now(), end = start + std::chrono::milliseconds(ms);
    for (GameWindow* p : players) {
        p->Note("watching the screen for TIME OVER");
        fs::create_directories(p->Folder() / "screens");
    }
    bool watching = true;
    while (watching && Clock::now() < end) {
        watching = false;
        for (size_t i = 0; i < players.size(); ++i) {
            Watch& w = watches[i];
            GameWindow& p = *players[i];
            if (w.seen || w.left) continue;
            watching = true;
            const Clock::time_point now = Clock::now();
            gfx::Image image;
            if (p.Screen(&image, 0.4f, 0.6f)) {
                ++w.looks;
                w.seen = TimeOverShown(image);
                if (w.seen) p.Note("TIME OVER on the screen, at look " + std::to_string(w.looks));
            }
            if (!w.seen && now - w.lastKept >= std::chrono::seconds(1)) {
                w.lastKept = now;
                char name[32];
                std::snprintf(name, sizeof name, "%06lld.xwd",
                              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count()));
                const fs::path copy = p.Folder() / "screens" / name;
                if (p.CopyScreen(copy)) w.kept.push_back(copy);
                if (w.kept.size() > kKept) {
                    std::error_code ec;
                    fs::remove(w.kept.front(), ec);
                    w.kept.erase(w.kept.begin());
                }
            }
            // The log is read less often: it grows through the match.
            if (!w.seen && now - w.lastLog >= std::chrono::seconds(1)) {
                w.lastLog = now;
                w.left = !p.Program().Running() || p.LogLines(kFrontEndLoaded).size() >= 2;
            }
        }
        Sleep(100);
    }
    std::vector<bool> seen;
    for (size_t i = 0; i < players.size(); ++i) {
        const Watch& w = watches[i];
        seen.push_back(w.seen);
        if (w.seen) continue;
        players[i]->Note("no TIME OVER in " + std::to_string(w.looks) + " looks at the screen");
        std::vector<int> most(kEndBannerCount, 0);
        for (const fs::path& copy : w.kept) {
            gfx::Image image;
            if (!LoadScreenFile(copy, &image) || !SavePicture(fs::path(copy).replace_extension(".bmp"), image)) continue;
            std::error_code ec;
            fs::remove(copy, ec);
            for (size_t b = 0; b < kEndBannerCount; ++b) most[b] = std::max(most[b], PlatePixels(image, b));
        }
        std::string counts;
        for (size_t b = 0; b < kEndBannerCount; ++b)
            counts += std::string(b ? ", " : "") + kEndBanners[b].words + " " + std::to_string(most[b]);
        *misses += players[i]->Folder().filename().string() + " showed no TIME OVER in " + std::to_string(w.looks) +
                   " looks (" + (w.left ? "its match ended" : "in " + std::to_string(ms / 1000) + " s") +
                   "); most pixels of each banner's colour in one of its screens, kept once a second in " +
                   (players[i]->Folder() / "screens").string() + ": " + counts + "; it is " + players[i]->State() +
                   "\n";
    }
    return seen;
}

// A screenshot of a frame drawn after all the input given so far. The game saves the frame it
// drew last, and a machine short of time may have drawn none since the pointer moved: the first
// shot is saved once the game has read that input, the second after a frame drawn since.
bool ShotAfterInput(GameWindow& p, gfx::Image* out) {
    gfx::Image first;
    return p.Shot(&first) && p.Shot(out);
}

// The one-minute limit and the ten seconds of the end, then every process back on its results
// page, whichever of them came back last.
void PlayToTheResults(const std::vector<GameWindow*>& players, gfx::Image* results) {
    ASSERT_TRUE(players[0]->WaitForLog(kFrontEndLoaded, 2, 150000))
        << "the host's match did not end; it is " << players[0]->State();
    for (size_t i = 1; i < players.size(); ++i)
        ASSERT_TRUE(players[i]->WaitForLog(kFrontEndLoaded, 2, 60000))
            << "a client's match did not end; it is " << players[i]->State();
    Sleep(4000);
    for (size_t i = 0; i < players.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(players[i]->Program().Wait(0), -1) << "the program " << players[i]->State();
        players[i]->Driver().MoveTo(2, 2);
        ASSERT_TRUE(ShotAfterInput(*players[i], &results[i]));
        ASSERT_TRUE(ResultsShown(results[i])) << "no results panel; the program is " << players[i]->State();
    }
    // The same result block on every machine: the results panel (the match's time and every
    // counter of both sides) reads the same everywhere.
    for (size_t i = 1; i < players.size(); ++i) {
        SCOPED_TRACE(i);
        const int differing = DifferingBlocks(results[0], results[i], ResultsPanel(results[0]));
        EXPECT_EQ(differing, 0) << "the results differ from the host's; both pictures are kept as results.bmp in "
                                << players[0]->Folder() << " and " << players[i]->Folder();
        if (differing > 0) {
            SavePicture(players[0]->Folder() / "results.bmp", results[0]);
            SavePicture(players[i]->Folder() / "results.bmp", results[i]);
        }
    }
}

// On to the players' page: `rows` rows drawn, one line after another, and exactly one of them,
// the machine's own fighter's, in the local colour; its line goes to `own`. The next arrow
// stands at the page's right edge.
void ExpectPlayersPage(GameWindow& p, int rows, int* own) {
    bool shown = false;
    for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
        p.Driver().Click(X(0.965f), Y(0.918f));
        shown = WaitForPicture(p, 10000, PlayersPageShown);
    }
    ASSERT_TRUE(shown) << "no players' page; the program is " << p.State();
    p.Driver().MoveTo(2, 2);
    gfx::Image page;
    ASSERT_TRUE(ShotAfterInput(p, &page));
    constexpr int kLines = 4;
    const std::vector<int> local = RowsInTheLocalColour(page, kLines);
    const std::vector<int> others = RowsInTheOthersColour(page, kLines);
    ASSERT_EQ(local.size(), 1u) << "rows in the local colour";
    EXPECT_EQ(int(local.size() + others.size()), rows) << "rows drawn";
    for (int line = 0; line < rows; ++line)
        EXPECT_TRUE(std::count(local.begin(), local.end(), line) + std::count(others.begin(), others.end(), line) == 1)
            << "line " << line << " holds one row in one colour";
    *own = local[0];
}

// Every machine's players' page with `rows` rows; the line each marks as its own, in order.
std::vector<int> ExpectPlayersPages(const std::vector<GameWindow*>& players, int rows) {
    std::vector<int> own(players.size(), -1);
    for (size_t i = 0; i < players.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "machine " << i);
        ExpectPlayersPage(*players[i], rows, &own[i]);
        if (::testing::Test::HasFatalFailure()) break;
    }
    return own;
}

TEST(NetworkMatchTest, AHostAndTwoClientsPlayOneMatchToItsEnd) {
    if (!WindowToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    NETWORK_PORT_OR_SKIP(port);
    // The host plays greed; the second client's own set-up tab holds greed each for himself,
    // whose results would have the other results page: the host's kind must decide its page.
    ThreePrograms p3(port, 7);
    ASSERT_NO_FATAL_FAILURE(StartHostAndJoin(p3));
    const std::vector<GameWindow*> players = {&p3.host, &p3.first, &p3.second};
    // The time runs out: every machine's end banner is the host's, TIME OVER, in its pause.
    std::string misses;
    const std::vector<bool> timeOver = WatchForTimeOver(players, 150000, &misses);
    EXPECT_EQ(std::count(timeOver.begin(), timeOver.end(), true), 3) << misses;
    gfx::Image results[3];
    ASSERT_NO_FATAL_FAILURE(PlayToTheResults(players, results));
    // Each machine marks the row of its own fighter, and no other, whichever came back last.
    std::vector<int> own;
    ASSERT_NO_FATAL_FAILURE(own = ExpectPlayersPages(players, 3));
    EXPECT_NE(own[0], own[1]) << "the host and the first client mark the same row";
    EXPECT_NE(own[0], own[2]) << "the host and the second client mark the same row";
    EXPECT_NE(own[1], own[2]) << "both clients mark the same row";
    // Closing the windows ends every program normally.
    for (int i = 2; i >= 0; --i) EXPECT_EQ(players[size_t(i)]->Program().Stop(15000), 0) << i;
}

// The first client closes its window a few seconds into the match: the host and the second client
// play on to the end, and each draws the two fighters that are left, marking its own.
TEST(NetworkMatchTest, AClientThatLeavesDuringTheMatchLeavesNoRowBehind) {
    if (!WindowToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    NETWORK_PORT_OR_SKIP(port);
    ThreePrograms p3(port, 2);
    ASSERT_NO_FATAL_FAILURE(StartHostAndJoin(p3));
    Sleep(5000);
    EXPECT_EQ(p3.first.Program().Stop(15000), 0) << "the leaver's program did not end normally";
    p3.host.Note("the first client closed its window");
    const std::vector<GameWindow*> players = {&p3.host, &p3.second};
    gfx::Image results[2];
    ASSERT_NO_FATAL_FAILURE(PlayToTheResults(players, results));
    std::vector<int> own;
    ASSERT_NO_FATAL_FAILURE(own = ExpectPlayersPages(players, 2));
    EXPECT_EQ(own[0], 0) << "the host's fighter is the first of the two";
    EXPECT_EQ(own[1], 1) << "the second client's fighter follows the host's";
    for (int i = 1; i >= 0; --i) EXPECT_EQ(players[size_t(i)]->Program().Stop(15000), 0) << i;
}

}  // namespace
