// One host and three clients, each its own process, on loopback: they find each other, play,
// one leaves and the host ends the session. Before them a client that says what only the host
// may say is sent away, and nobody believes it. Every process checks what it saw.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, NET_BOT_PATH, nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

// The exit code, or -1 when it had to be killed after `ms`.
int Finish(pid_t pid, int ms) {
    int status = 0;
    for (int waited = 0; waited < ms; waited += 10) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(NetBotTest, AnOffenderIsSentAwayThenAHostAndThreeClientsPlayLeaveAndEnd) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / ("netbot" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    const std::string portFile = (dir / "port").string();
    std::filesystem::remove(portFile);

    const pid_t host = Spawn({"net_bot", "host", portFile});
    ASSERT_GT(host, 0);
    // Its start alone can take seconds on a loaded machine.
    std::string port;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (port.empty() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream(portFile) >> port;
    }
    if (port.empty()) Finish(host, 0);
    ASSERT_FALSE(port.empty()) << "the host never told its port";
    EXPECT_EQ(Finish(Spawn({"net_bot", "offender", port}), 30000), 0) << "offender";
    std::vector<pid_t> clients;
    for (int n = 1; n <= 3; ++n) clients.push_back(Spawn({"net_bot", "client", port, std::to_string(n)}));
    for (size_t i = 0; i < clients.size(); ++i) EXPECT_EQ(Finish(clients[i], 60000), 0) << "client " << i + 1;
    EXPECT_EQ(Finish(host, 20000), 0) << "host";
    std::filesystem::remove_all(dir);
}

}  // namespace
