// The network set-up through the real loop: hosting a match with no client on a loopback
// session and coming back through the network results; a search that lists a loopback host as
// the join tab opens, or once its port is typed, and a join it accepts or refuses, or that finds
// it gone.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "e2e/e2e_fixture.h"
#include "frontend/menu_calls.h"
#include "net/net_client.h"
#include "net/net_server.h"
#include "net/session.h"
#include "platform/netio/netio.h"

namespace {

using testsupport::ScriptedProgram;
using namespace e2e;

TEST_F(ScriptedRunTest, AHostedMatchWithoutClientsComesBackThroughTheNetworkResults) {
    testsupport::WriteScriptedFolder(dir);
    const uint32_t port = RunPort();
    HostArenaGreed(program, port);
    auto hosting = std::make_shared<bool>(false);
    program.Do("the session", [hosting](ScriptedProgram&) { *hosting = g_NetSession.active && g_NetSession.hosting; });
    PlayToTheResultAndLeave(program);
    BackThroughTheNetworkResults(program);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 6 -1 12 18 6 0");
    EXPECT_TRUE(*hosting);
    ResetSettingsFiles();
    ASSERT_TRUE(ReadMultiplayerConfig());
    EXPECT_STREQ(g_Multiplayer.playerName, "Anfitrion");
    EXPECT_EQ(g_Multiplayer.port, port);
    EXPECT_EQ(g_Multiplayer.game.scenario, 1);
}

// What the last join did: the index asked for, and whether the match start came as a client.
struct JoinSeen {
    int index = -2;
    int tries = 0;
    bool joined = false;
    bool startedAsClient = false;
};
JoinSeen g_join;
bool (*g_realJoin)(int) = nullptr;
void (*g_realStartGame)() = nullptr;

class JoinRunTest : public ScriptedRunTest {
protected:
    void SetUp() override {
        ScriptedRunTest::SetUp();
        g_join = JoinSeen{};
        testsupport::WriteScriptedFolder(dir);
    }
    void TearDown() override {
        ResetMenuNetCalls();
        ResetMenuShellCalls();
        g_SessionSettingsSource = nullptr;
        ScriptedRunTest::TearDown();
    }
    // Page 0, then the join tab, which searches on the stored port as it opens, or on the host's
    // port once it is typed; the session listed, picked and joined.
    void JoinThroughTheList(uint16_t hostPort, bool typed, std::function<void()> beforeJoin = nullptr) {
        program.WaitForPage(0).Do("watch the join", [hostPort, typed](ScriptedProgram&) {
            if (!typed) g_Multiplayer.port = hostPort;
            g_realJoin = g_MenuNetCalls.join;
            g_MenuNetCalls.join = [](int index) {
                g_join.index = index;
                ++g_join.tries;
                return g_join.joined = g_realJoin(index);
            };
            g_realStartGame = g_MenuShellCalls.startGame;
            g_MenuShellCalls.startGame = [] {
                g_join.startedAsClient = g_Menu.page == PAGE_START_MATCH && g_NetSession.active && !g_NetSession.hosting;
                g_realStartGame();
            };
        });
        program.ChooseMenuButton(1).WaitForPage(6);
        program.ClickUntil("the join tab", SetupTab(6, 1), [] { return OnSetup(6, 10); });
        if (typed) TypeInto(program, 10, 1, std::to_string(hostPort));
        PickAndJoin(beforeJoin);
    }
    void PickAndJoin(std::function<void()> beforeJoin = nullptr) {
        program.WaitUntil("the session listed", [] { return OnSetup(6, 10) && SetupPanel().sessionCount >= 1; }, 300);
        program.ClickUntil("the first row", [](float* x, float* y) {
            if (!OnSetup(6, 10)) return false;
            *x = SetupPanel().x + 0.3f, *y = SetupPanel().y + 0.32f;
            return true;
        }, [] { return SetupPanel().selectedRow == 0; });
        if (beforeJoin) program.Do("before the join", [beforeJoin](ScriptedProgram&) { beforeJoin(); });
        program.ClickWhere("the join button", SetupActionButton(10));
    }
    // A join that failed leaves the network page up, lit, on its join tab.
    void BackOnTheJoinTab(int tries) {
        program.WaitUntil("the failed join", [tries] { return g_join.tries == tries && !g_join.joined; })
            .WaitForPage(6)
            .WaitUntil("the join tab", [] { return OnSetup(6, 10); }, 5);
    }
};

TEST_F(JoinRunTest, TheLoopbackHostIsListedAndJoined) {
    NetServer host;
    const uint32_t port = RunPort() + 1;
    g_SessionSettingsSource = [](int32_t* scenario, int32_t* kind) { return *scenario = 1, *kind = 5, true; };
    ASSERT_TRUE(host.StartServer("Anfitrion", port));
    JoinThroughTheList(uint16_t(port), false);
    program.WaitUntil("the match start", [] { return g_join.startedAsClient; }, 300);
    RunToEnd();
    host.StopServer();
    EXPECT_EQ(g_join.index, 0);
    EXPECT_TRUE(g_join.joined);
    EXPECT_TRUE(g_join.startedAsClient);
}

TEST_F(JoinRunTest, AJoinTheHostRefusesLandsBackOnTheJoinTabSearchingAgain) {
    netio::Server host;
    netio::ServerDesc desc;
    desc.port = uint16_t(RunPort() + 2);
    desc.application = BRIMVALE_APPLICATION_GUID;
    // A name that makes the found line longer than 64 characters.
    desc.sessionName = "Cerrada a cal y canto por su anfitrion";
    desc.appDataSize = 8;
    desc.appData[0] = 1;   // scenario 1, game kind 5
    desc.appData[4] = 5;
    netio::ServerCallbacks cb;
    cb.playerJoined = [&host](uint32_t id, const std::string&) { host.Disconnect(id); };
    ASSERT_TRUE(host.Start(desc, cb));
    JoinThroughTheList(desc.port, true);
    auto row = std::make_shared<std::string>();
    program.Do("the listed row", [row](ScriptedProgram&) { *row = SetupPanel().sessionNames[0]; });
    BackOnTheJoinTab(1);
    program.WaitUntil("listed again", [] { return OnSetup(6, 10) && SetupPanel().sessionCount >= 1; }, 300);
    RunToEnd();
    host.Close();
    EXPECT_EQ(g_join.index, 0);
    EXPECT_FALSE(g_join.joined);
    EXPECT_FALSE(g_join.startedAsClient);
    EXPECT_EQ(program.PagesText(), "0 6");
    // The scripted texts name the players' word, the scenario and the kind by their numbers.
    EXPECT_EQ(row->rfind("Cerrada a cal y canto por su anfitrion - T698 (1/8) - T611 - T605 - (", 0), 0u) << *row;
    EXPECT_EQ(row->substr(row->size() - 3), "ms)") << *row;
}

// The listed host is gone by the time Join is clicked; a host listed next on the same port is
// joined from the same tab.
TEST_F(JoinRunTest, AHostGoneWhenJoinIsClickedLeavesTheJoinTabToJoinTheNextHost) {
    auto gone = std::make_shared<netio::Server>();
    netio::ServerDesc desc;
    desc.port = uint16_t(RunPort() + 3);
    desc.application = BRIMVALE_APPLICATION_GUID;
    desc.sessionName = "Ida";
    desc.appDataSize = 8;
    desc.appData[0] = 1;
    desc.appData[4] = 5;
    ASSERT_TRUE(gone->Start(desc, {}));
    JoinThroughTheList(desc.port, true, [gone] { gone->Close(); });
    BackOnTheJoinTab(1);
    NetServer next;
    g_SessionSettingsSource = [](int32_t* scenario, int32_t* kind) { return *scenario = 1, *kind = 5, true; };
    program.Do("the next host",
               [&next, &desc](ScriptedProgram&) { ASSERT_TRUE(next.StartServer("Otro", desc.port)); });
    // The port entered again searches afresh: within one process a host made after the search
    // began is not always heard.
    TypeInto(program, 10, 1, std::to_string(desc.port));
    PickAndJoin();
    program.WaitUntil("the match start", [] { return g_join.startedAsClient; }, 300);
    RunToEnd();
    next.StopServer();
    EXPECT_EQ(g_join.tries, 2);
    EXPECT_TRUE(g_join.joined);
}

}  // namespace
