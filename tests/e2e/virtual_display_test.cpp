// The end-to-end runs' own X server when a server never comes up: a stand-in runs the real Xvfb
// but sends its display number elsewhere and stops or kills it once it is up, as a server was seen
// to take a display, write its screen file and then say nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/demo_data_folder.h"
#include "support/game_window.h"
#include "support/real_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::VirtualDisplay;

// Run n of the stand-in does what line n of plan.txt says: "hang" takes a display, writes the
// number to display-n instead of the descriptor given and stops there; "kill" does the same and is
// then killed; "die" ends at once with 3; anything else, or no line, is Xvfb itself. Each run's id
// goes to runs.txt.
constexpr const char* kStandIn = R"(#!/usr/bin/env bash
dir=$(dirname "$0")
echo $$ >>"$dir/runs.txt"
run=$(wc -l <"$dir/runs.txt")
what=$(sed -n "${run}p" "$dir/plan.txt")
[ "$what" = die ] && exit 3
[ "$what" = hang ] || [ "$what" = kill ] || exec Xvfb "$@"
signal=STOP
[ "$what" = kill ] && signal=KILL
args=()
while [ $# -gt 0 ]; do
  if [ "$1" = -displayfd ]; then args+=(-displayfd 9); shift 2; continue; fi
  args+=("$1")
  shift
done
told="$dir/display-$run"
(
  while [ ! -s "$told" ] && kill -0 $$ 2>/dev/null; do sleep 0.05; done
  kill -$signal $$ 2>/dev/null
) &
exec Xvfb "${args[@]}" 9>"$told"
)";

// Whether a server takes connections on that socket file.
bool Answers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool answered = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answered;
}

class VirtualDisplayTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    VirtualDisplay display;
    std::vector<std::string> journal;

    void SetUp() override {
        if (!testsupport::WindowToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
        dir.Write("stand-in", kStandIn);
        fs::permissions(dir.path() / "stand-in", fs::perms::owner_all);
        display.SetServer((dir.path() / "stand-in").string());
        display.SetJournal([this](const std::string& text) { journal.push_back(text); });
    }
    void Plan(const std::string& lines) { dir.Write("plan.txt", lines); }
    // The ids of the stand-in's runs.
    std::vector<pid_t> Runs() const {
        std::vector<pid_t> runs;
        std::ifstream in(dir.path() / "runs.txt");
        for (pid_t pid; in >> pid;) runs.push_back(pid);
        return runs;
    }
    // The display run n (from 1) took and hid, -1 when it took none in time.
    int HiddenDisplay(int run) const {
        int n = -1;
        std::ifstream(dir.path() / ("display-" + std::to_string(run))) >> n;
        return n;
    }
    bool Told(const std::string& text) const {
        for (const std::string& line : journal)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    std::string Journal() const {
        std::string all;
        for (const std::string& line : journal) all += line + "\n";
        return all;
    }
    // A server given up is gone, reaped, named with the display it took, and left no socket file
    // that nobody answers on.
    void ExpectGivenUpCleanly(int run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const pid_t pid = Runs().at(size_t(run - 1));
        const int gone = kill(pid, 0) == 0 ? 0 : errno;
        EXPECT_EQ(gone, ESRCH) << "still there, or never reaped";
        const int n = HiddenDisplay(run);
        if (n < 0) return;
        EXPECT_TRUE(Told("X server " + std::to_string(run) + " of 3 (pid " + std::to_string(pid) + ", display :" +
                         std::to_string(n) + ")"))
            << Journal();
        const std::string socketFile = "/tmp/.X11-unix/X" + std::to_string(n);
        EXPECT_TRUE(!fs::exists(socketFile) || Answers(socketFile)) << socketFile << " left behind";
    }
};

TEST_F(VirtualDisplayTest, AServerThatNeverTellsItsDisplayIsReplacedOnALaterDisplay) {
    Plan("hang\nkill\n");
    ASSERT_TRUE(display.Start(320, 240, dir.path() / "xvfb.txt", dir.path() / "screen")) << Journal();
    EXPECT_EQ(display.Tries(), 3);
    ASSERT_EQ(Runs().size(), 3u);
    EXPECT_TRUE(Told("X server 1 of 3 (pid " + std::to_string(Runs()[0]))) << Journal();
    EXPECT_TRUE(Told(") told no display in 10000 ms; another is started")) << Journal();
    EXPECT_TRUE(Told("X server 2 of 3 (pid " + std::to_string(Runs()[1]))) << Journal();
    EXPECT_TRUE(Told(") ended by a signal before it told a display; another is started")) << Journal();
    EXPECT_TRUE(Told("X server 3 came up on " + display.Name())) << Journal();
    ExpectGivenUpCleanly(1);
    ExpectGivenUpCleanly(2);
    if (HiddenDisplay(1) >= 0) {
        EXPECT_GT(std::stoi(display.Name().substr(1)), HiddenDisplay(1)) << "the display tried before taken again";
    }
    // The one that came up takes clients.
    std::string size;
    EXPECT_EQ(testsupport::RunTool({testsupport::FindProgram("xdotool"), "getdisplaygeometry"}, {display.Env()},
                                   10000, &size),
              0);
    EXPECT_EQ(size, "320 240\n");
    EXPECT_TRUE(fs::exists(display.ScreenFile()));
}

TEST_F(VirtualDisplayTest, ServersThatNeverComeUpAreGivenUpAfterThreeEachOnALaterDisplay) {
    Plan("hang\nhang\nhang\nhang\n");
    display.SetReadyMs(5000);
    EXPECT_FALSE(display.Start(320, 240, dir.path() / "xvfb.txt"));
    EXPECT_EQ(display.Tries(), 3);
    EXPECT_EQ(display.Name(), "");
    ASSERT_EQ(Runs().size(), 3u) << "a fourth server was started";
    EXPECT_TRUE(Told("X server 3 of 3 (pid " + std::to_string(Runs()[2]))) << Journal();
    EXPECT_TRUE(Told(") told no display in 5000 ms; no more are tried")) << Journal();
    int last = -1;
    for (int run = 1; run <= 3; ++run) {
        ExpectGivenUpCleanly(run);
        const int n = HiddenDisplay(run);
        if (n < 0) continue;
        EXPECT_GT(n, last) << "run " << run << " took a display tried before";
        last = n;
    }
}

// A window whose X servers all fail starts no game, and says that it was the servers.
TEST_F(VirtualDisplayTest, AGameWindowWithoutAnXServerStartsNoGameAndSaysWhy) {
    Plan("die\ndie\ndie\n");
    const testsupport::GameWindowSetup setup{"no-server", BRIMVALE_GAME,
                                             testsupport::DemoDataFolder(BRIMVALE_DATA_TOOL), {}, {},
                                             (dir.path() / "stand-in").string()};
    ASSERT_FALSE(setup.data.empty()) << "no demo data";
    testsupport::GameWindow window(setup);
    EXPECT_FALSE(window.Started());
    EXPECT_LE(window.Program().Pid(), 0) << "a game was started without a display";
    ASSERT_EQ(Runs().size(), 3u);
    const std::string state = window.State();
    EXPECT_NE(state.find("no X server came up in 3 tries"), std::string::npos) << state;
    std::string notes;
    std::getline(std::ifstream(window.Folder() / "harness.txt"), notes, '\0');
    EXPECT_NE(notes.find("X server 3 of 3 (pid " + std::to_string(Runs().back())), std::string::npos) << notes;
    EXPECT_NE(notes.find(") ended with 3 before it told a display; no more are tried"), std::string::npos) << notes;
}

}  // namespace
