// The program started from its own entry in a fresh folder, driven by a script.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/settings.h"
#include "fighters/match.h"
#include "frontend/settings_files.h"
#include "world/scenario.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "shell/main_loop.h"
#include "support/scripted_program.h"
#include "support/temp_dir.h"

namespace e2e {

class ScriptedRunTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    testsupport::ScriptedProgram program;

    void SetUp() override {
        g_Settings.Clear();
        ResetMainLoopState();
    }
    void TearDown() override {
        os::Shutdown();
        g_Settings.Clear();
        ResetMainLoopState();
    }
    // The demo data set named by BRIMVALE_DEMO_DATA copied into the working folder and turned to
    // the menu, with saved players (the demo has none: the editor that makes them is another
    // screen); false when there is no set.
    bool CopyDemoData(int playersPerSide) {
        const char* demo = std::getenv("BRIMVALE_DEMO_DATA");
        if (!demo || !std::filesystem::exists(std::filesystem::path(demo) / "Brimvale.ini")) return false;
        std::filesystem::copy(demo, dir.path(), std::filesystem::copy_options::recursive);
        testsupport::OpenMenuInSettings(dir.path().string());
        testsupport::WriteSavedPlayers(dir.path().string(), playersPerSide);
        return true;
    }
    std::string LogTail() const {
        const std::string log = dir.Read("debug.txt");
        return log.size() > 3000 ? log.substr(log.size() - 3000) : log;
    }
    // Runs the script; the run must reach its end and the program end with 0.
    void RunToEnd(int frameLimit = 20000) {
        const int code = program.Run(frameLimit);
        EXPECT_EQ(program.failure, "") << "pages " << program.PagesText() << "\nthe log ends:\n" << LogTail();
        EXPECT_EQ(code, 0);
    }
};

// Where the widgets of the set-up panel and of the screens stand, once they are shown.
inline MatchSetupPanel& SetupPanel() { return g_Menu.screens->matchSetup; }
inline bool OnSetup(int screen, int mode) {
    return g_Menu.screens && g_Menu.screens->screen == screen && g_Menu.page == screen && SetupPanel().mode == mode;
}
inline testsupport::ScriptedProgram::Locate SetupArrow(int screen, int mode, int i) {
    return [screen, mode, i](float* x, float* y) {
        return OnSetup(screen, mode) && testsupport::ScriptedProgram::Middle(SetupPanel().arrows[i], x, y);
    };
}
inline testsupport::ScriptedProgram::Locate SetupTab(int screen, int t) {
    return [screen, t](float* x, float* y) {
        return OnSetup(screen, SetupPanel().mode) && testsupport::ScriptedProgram::Middle(SetupPanel().tabs[t], x, y);
    };
}
inline testsupport::ScriptedProgram::Locate ScreenArrow(int screen, int i) {
    return [screen, i](float* x, float* y) {
        return g_Menu.screens && g_Menu.screens->screen == screen && g_Menu.page == screen &&
               testsupport::ScriptedProgram::Middle(g_Menu.screens->images[i], x, y);
    };
}
// Scenario 1 (the arena), greed and a one-minute limit in the set-up's scenario tab `tab`.
inline void ChooseArenaGreed(testsupport::ScriptedProgram& p, int screen, int tab) {
    p.ClickUntil("the scenario tab", SetupTab(screen, tab), [screen] { return OnSetup(screen, 11); });
    p.ClickUntil("scenario 2", SetupArrow(screen, 11, 1), [] { return SetupPanel().work.scenario == 2; }, 20);
    p.ClickUntil("scenario 1", SetupArrow(screen, 11, 0), [] { return SetupPanel().work.scenario == 1; });
    p.ClickUntil("greed", SetupArrow(screen, 11, 3), [] { return SetupPanel().work.gameKind == 2; }, 10);
    p.ClickUntil("one minute", SetupArrow(screen, 11, 6),
                 [] { return SetupPanel().work.rules[RULE_MATCH_MINUTES] == 1; }, 10);
}
// The network set-up's text fields and its action button in mode `mode` of screen 6.
inline testsupport::ScriptedProgram::Locate SetupField(int mode, int f) {
    return [mode, f](float* x, float* y) {
        if (!OnSetup(6, mode)) return false;
        const TextField& t = SetupPanel().fields[f];
        *x = t.x + t.w / 2, *y = t.y + t.h / 2;
        return t.w > 0;
    };
}
inline testsupport::ScriptedProgram::Locate SetupActionButton(int mode) {
    return [mode](float* x, float* y) {
        return OnSetup(6, mode) && testsupport::ScriptedProgram::Middle(SetupPanel().actionButton, x, y);
    };
}
// A field's text replaced by typing: a click begins the entry, Backspace empties it, Enter ends it.
inline void TypeInto(testsupport::ScriptedProgram& p, int mode, int f, const std::string& text) {
    p.ClickUntil("a field's entry", SetupField(mode, f), [f] { return SetupPanel().fields[f].editing != 0; });
    for (int i = 0; i < 20; ++i) p.TapKey(os::VK_BACK);
    p.Type(text).TapKey(os::VK_RETURN);
    p.WaitUntil("the entry's end", [f] { return SetupPanel().fields[f].editing == 0; }, 10);
}
// A port of this run's own, away from the default; hosts of one run add to it.
inline uint32_t RunPort() { return 30000 + uint32_t(getpid()) % 20000; }

inline void WaitForMatch(testsupport::ScriptedProgram& p) {
    p.WaitUntil("the match", [] { return !g_Menu.active && g_Match.state == MATCH_PLAYING; }, 600);
}
// From page 0 through the network page's host tab: greed on the arena, hosted as "Anfitrion" on
// `port`; then the match.
inline void HostArenaGreed(testsupport::ScriptedProgram& p, uint32_t port) {
    p.WaitForPage(0).ChooseMenuButton(1).WaitForPage(6);
    p.WaitUntil("the host tab", [] { return OnSetup(6, 9); }, 5);
    ChooseArenaGreed(p, 6, 2);
    p.ClickUntil("the host tab", SetupTab(6, 0), [] { return OnSetup(6, 9); });
    TypeInto(p, 9, 0, "Anfitrion");
    TypeInto(p, 9, 1, std::to_string(port));
    p.ClickWhere("the host button", SetupActionButton(9));
    WaitForMatch(p);
}
// After a hosted match: its results, the network results, the network page, then page 0.
inline void BackThroughTheNetworkResults(testsupport::ScriptedProgram& p) {
    p.WaitForPage(12).ClickWhere("results' next arrow", ScreenArrow(12, 0));
    p.WaitForPage(18).ClickWhere("network results' next arrow", ScreenArrow(18, 0));
    p.WaitForPage(6).ClickWhere("back arrow", ScreenArrow(6, 0)).WaitForPage(0);
}
// A minute of match time in few frames, until the match has its result; then Escape.
inline void PlayToTheResultAndLeave(testsupport::ScriptedProgram& p) {
    p.Do("fast clock", [](testsupport::ScriptedProgram& q) { q.SetFrameMs(1000); });
    p.WaitUntil("the result", [] { return g_Scenario.results[RESULT_ELAPSED] > 0; }, 200);
    p.Do("slow clock", [](testsupport::ScriptedProgram& q) { q.SetFrameMs(33); }).TapKey(os::VK_ESCAPE);
}

// Both teams' pages of the campaign team screen, the next arrow on each, then `nextPage`.
inline void BothTeamPages(testsupport::ScriptedProgram& p, int nextPage) {
    p.WaitForPage(13).ClickWhere("the first team's next arrow", ScreenArrow(13, 0));
    p.WaitUntil("the other team", [] {
        return g_Menu.screens && g_Menu.screens->screen == 13 && g_Menu.screens->teamSelection != g_Menu.variant;
    }, 300);
    p.WaitForPage(13).ClickWhere("the other team's next arrow", ScreenArrow(13, 0)).WaitForPage(nextPage);
}

}  // namespace e2e
