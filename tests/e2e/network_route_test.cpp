// The network set-up through the real loop: hosting a match with no client on a loopback
// session and coming back through the network results; a search that lists a loopback host,
// and a join it accepts or refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "e2e/e2e_fixture.h"
#include "net/session.h"

namespace {

using testsupport::ScriptedProgram;
using namespace e2e;

// A port of this run's own, away from the default.
uint32_t RunPort() { return 30000 + uint32_t(getpid()) % 20000; }

ScriptedProgram::Locate Field(int mode, int f) {
    return [mode, f](float* x, float* y) {
        if (!OnSetup(6, mode)) return false;
        const TextField& t = SetupPanel().fields[f];
        *x = t.x + t.w / 2, *y = t.y + t.h / 2;
        return t.w > 0;
    };
}

ScriptedProgram::Locate ActionButton(int mode) {
    return [mode](float* x, float* y) { return OnSetup(6, mode) && ScriptedProgram::Middle(SetupPanel().actionButton, x, y); };
}

// A field's text replaced by typing: a click begins the entry, Backspace empties it, Enter ends it.
void TypeInto(ScriptedProgram& p, int mode, int f, const std::string& text) {
    p.ClickUntil("a field's entry", Field(mode, f), [f] { return SetupPanel().fields[f].editing != 0; });
    for (int i = 0; i < 20; ++i) p.TapKey(os::VK_BACK);
    p.Type(text).TapKey(os::VK_RETURN);
    p.WaitUntil("the entry's end", [f] { return SetupPanel().fields[f].editing == 0; }, 10);
}

TEST_F(ScriptedRunTest, AHostedMatchWithoutClientsComesBackThroughTheNetworkResults) {
    testsupport::WriteScriptedFolder(dir);
    const uint32_t port = RunPort();
    program.WaitForPage(0).ChooseMenuButton(1).WaitForPage(6);
    program.WaitUntil("the host tab", [] { return OnSetup(6, 9); }, 5);
    ChooseArenaGreed(program, 6, 2);
    program.ClickUntil("the host tab", SetupTab(6, 0), [] { return OnSetup(6, 9); });
    TypeInto(program, 9, 0, "Anfitrion");
    TypeInto(program, 9, 1, std::to_string(port));
    auto hosting = std::make_shared<bool>(false);
    program.ClickWhere("the host button", ActionButton(9));
    WaitForMatch(program);
    program.Do("the session", [hosting](ScriptedProgram&) { *hosting = g_NetSession.active && g_NetSession.hosting; });
    PlayToTheResultAndLeave(program);
    program.WaitForPage(12).ClickWhere("results' next arrow", ScreenArrow(12, 0));
    program.WaitForPage(18).ClickWhere("network results' next arrow", ScreenArrow(18, 0));
    program.WaitForPage(6).ClickWhere("back arrow", ScreenArrow(6, 0)).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 6 -1 12 18 6 0");
    EXPECT_TRUE(*hosting);
    ResetSettingsFiles();
    ASSERT_TRUE(ReadMultiplayerConfig());
    EXPECT_STREQ(g_Multiplayer.playerName, "Anfitrion");
    EXPECT_EQ(g_Multiplayer.port, port);
    EXPECT_EQ(g_Multiplayer.game.scenario, 1);
}

}  // namespace
