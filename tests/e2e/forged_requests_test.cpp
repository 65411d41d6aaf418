// A client that forges fighter requests against a match this program hosts: it is given one
// fighter, its own, and none under the ids it made up; nothing it asked for outlives its leave;
// and the next player to join still gets a fighter. The same after clients that ask and leave at
// once, whose requests the host may drain only after their leaves. The clients are the headless player bot, as
// processes of their own.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_fixture.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "support/real_program.h"

namespace {

using testsupport::ScriptedProgram;
using namespace e2e;

using Fighters = std::vector<std::pair<int, uint32_t>>;

// The active fighters' slots and the player ids they were made under (the host's own and the
// computer's carry 0, as a fighter made under an id a client made up could).
Fighters ActiveFighters() {
    Fighters all;
    for (int s = 0; s < 16; ++s)
        if (g_Characters[s].active) all.emplace_back(s, g_Characters[s].playerId);
    return all;
}

// Runs the bot in that role to its end, then waits until the match holds exactly the fighters
// it held before the bot came.
void RunBotAndSeeItsFightersGo(ScriptedProgram& program, const std::filesystem::path& folder,
                               std::vector<std::string> args, std::shared_ptr<std::vector<int>> codes) {
    auto before = std::make_shared<Fighters>();
    program.Do("the fighters before", [before](ScriptedProgram&) { *before = ActiveFighters(); });
    auto bot = std::make_shared<testsupport::ChildProcess>();
    const std::string role = args[0];
    const std::filesystem::path log = folder / (role + ".log");
    args.insert(args.begin(), NET_BOT_PATH);
    program.Do(role.c_str(), [bot, args, log](ScriptedProgram&) { bot->Start(args, {}, {}, log); });
    program.WaitUntil(role.c_str(), [bot, codes] {
        const int code = bot->Wait(0);
        if (code != -1) codes->push_back(code);
        return code != -1;
    }, 20000);
    // Its leaves reach the host's game, which takes away whatever was made for it.
    program.WaitUntil("the fighters of the clients gone", [before] { return ActiveFighters() == *before; }, 600);
}

TEST_F(ScriptedRunTest, AForgingClientGetsOneFighterAndLeavesRoomForTheNextPlayer) {
    testsupport::WriteScriptedFolder(dir);
    const uint32_t port = RunPort() + 4;
    HostArenaGreed(program, port);
    // The bots take real seconds: the match's minute must not pass meanwhile.
    program.Do("slow clock", [](ScriptedProgram& p) { p.SetFrameMs(1); });
    auto codes = std::make_shared<std::vector<int>>();
    for (const std::string role : {"forger", "newcomer"})
        RunBotAndSeeItsFightersGo(program, dir.path(), {role, std::to_string(port)}, codes);
    program.Do("normal clock", [](ScriptedProgram& p) { p.SetFrameMs(33); });
    PlayToTheResultAndLeave(program);
    BackThroughTheNetworkResults(program);
    RunToEnd();
    std::string bots;
    for (const char* role : {"forger", "newcomer"}) bots += dir.Read(std::string(role) + ".log");
    EXPECT_EQ(*codes, (std::vector<int>{0, 0})) << bots;
    EXPECT_NE(dir.Read("debug.txt").find("sent events it may not send, first of type 38"), std::string::npos);
}

TEST_F(ScriptedRunTest, ClientsThatAskAndLeaveAtOnceLeaveNoFighterAndTheNextPlayerGetsOne) {
    testsupport::WriteScriptedFolder(dir);
    const uint32_t port = RunPort() + 5;
    HostArenaGreed(program, port);
    program.Do("slow clock", [](ScriptedProgram& p) { p.SetFrameMs(1); });
    auto codes = std::make_shared<std::vector<int>>();
    // More askers than the match has slots: any fighter left behind would leave the newcomer none.
    RunBotAndSeeItsFightersGo(program, dir.path(), {"asker", std::to_string(port), "24"}, codes);
    RunBotAndSeeItsFightersGo(program, dir.path(), {"newcomer", std::to_string(port)}, codes);
    program.Do("normal clock", [](ScriptedProgram& p) { p.SetFrameMs(33); });
    PlayToTheResultAndLeave(program);
    BackThroughTheNetworkResults(program);
    RunToEnd();
    std::string bots;
    for (const char* role : {"asker", "newcomer"}) bots += dir.Read(std::string(role) + ".log");
    EXPECT_EQ(*codes, (std::vector<int>{0, 0})) << bots;
}

// A modified client's cast of power 9, told twenty times in its packet and left to run, wound back
// or told again, fires once on the host each time; its flood of endless hit flashes makes none,
// and the host sends it away.
TEST_F(ScriptedRunTest, AModifiedClientsCastFiresOnceAndItsFloodOfHitFlashesMakesNone) {
    testsupport::WriteScriptedFolder(dir);
    const uint32_t port = RunPort() + 7;
    HostArenaGreed(program, port);
    // The forms take real seconds each: the match's minute must last them, its frames still play.
    program.Do("slower clock", [](ScriptedProgram& p) { p.SetFrameMs(8); });
    auto codes = std::make_shared<std::vector<int>>();
    RunBotAndSeeItsFightersGo(program, dir.path(), {"caster", std::to_string(port)}, codes);
    auto flashes = std::make_shared<int>(-1);
    program.Do("the flashes in the pool", [flashes](ScriptedProgram&) {
        *flashes = 0;
        for (int32_t s = 0; s < 1500; ++s) *flashes += EffectSlotInUse(s) && EffectSlotType(s) == 41 ? 1 : 0;
    });
    program.Do("normal clock", [](ScriptedProgram& p) { p.SetFrameMs(33); });
    PlayToTheResultAndLeave(program);
    BackThroughTheNetworkResults(program);
    RunToEnd();
    const std::string bot = dir.Read("caster.log");
    EXPECT_EQ(*codes, (std::vector<int>{0})) << bot;
    EXPECT_EQ(*flashes, 0);
    const std::string log = dir.Read("debug.txt");
    EXPECT_NE(log.find("sent events it may not send, first of type 31"), std::string::npos);
    EXPECT_NE(log.find("sent away for refused events"), std::string::npos);
}

}  // namespace
