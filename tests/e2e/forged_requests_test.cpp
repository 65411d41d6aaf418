// A client that forges fighter requests against a match this program hosts: it is given one
// fighter, its own, and none under the ids it made up; nothing it asked for outlives its leave;
// and the next player to join still gets a fighter. The clients are the headless player bot, as
// processes of their own.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_fixture.h"
#include "fighters/character.h"
#include "support/real_program.h"

namespace {

using testsupport::ScriptedProgram;
using namespace e2e;

// Active fighters that a client asked for (the host's own and the computer's carry id 0).
int ClientsFighters() {
    int n = 0;
    for (const Character& c : g_Characters) n += c.active && c.playerId != 0 ? 1 : 0;
    return n;
}

TEST_F(ScriptedRunTest, AForgingClientGetsOneFighterAndLeavesRoomForTheNextPlayer) {
    testsupport::WriteScriptedFolder(dir);
    const uint32_t port = RunPort() + 4;
    HostArenaGreed(program, port);
    // The bots take real seconds: the match's minute must not pass meanwhile.
    program.Do("slow clock", [](ScriptedProgram& p) { p.SetFrameMs(1); });
    auto bot = std::make_shared<testsupport::ChildProcess>();
    auto codes = std::make_shared<std::vector<int>>();
    for (const std::string role : {"forger", "newcomer"}) {
        const std::filesystem::path log = dir.path() / (role + ".log");
        program.Do(role.c_str(), [bot, role, port, log](ScriptedProgram&) {
            bot->Start({NET_BOT_PATH, role, std::to_string(port)}, {}, {}, log);
        });
        program.WaitUntil(role.c_str(), [bot, codes] {
            const int code = bot->Wait(0);
            if (code != -1) codes->push_back(code);
            return code != -1;
        }, 20000);
        // Its leave reaches the host's game, which takes away whatever was made for it.
        program.WaitUntil("the fighters of the clients gone", [] { return ClientsFighters() == 0; }, 600);
    }
    program.Do("normal clock", [](ScriptedProgram& p) { p.SetFrameMs(33); });
    PlayToTheResultAndLeave(program);
    BackThroughTheNetworkResults(program);
    RunToEnd();
    std::string bots;
    for (const char* role : {"forger", "newcomer"}) bots += dir.Read(std::string(role) + ".log");
    EXPECT_EQ(*codes, (std::vector<int>{0, 0})) << bots;
    EXPECT_NE(dir.Read("debug.txt").find("sent events it may not send, first of type 38"), std::string::npos);
}

}  // namespace
