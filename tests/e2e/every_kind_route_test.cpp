// Every game kind on the demo data set, in one run of the program from its first page: the
// training set-up (side and player, team sizes, the water scenario and kinds 0 to 5 in turn),
// then the network set-up for the two kinds only network play offers, hosted on the lava
// scenario. Each match is looked at while it runs and left with Escape.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "e2e/e2e_fixture.h"
#include "frontend/hud.h"
#include "frontend/mission_table.h"
#include "frontend/sprite2d.h"
#include "support/screen_picture.h"

namespace {

using testsupport::FramePixels;
using testsupport::ScriptedProgram;
using namespace e2e;

constexpr int kWaterScenario = 13;
constexpr int kLavaScenario = 18;

// What a look at a running match saw.
struct MatchLook {
    int kind = -1;
    int scenario = -1;
    bool playing = false;
    int width = 0;
    double litShare = 0;      // of the frame drawn without the HUD
    double plainShare = 0;    // its most common colour's share
    int logoPixels = 0;       // the local side's HUD logo's rectangle
    int logoChanged = 0;      // of those, the pixels that differ when the HUD is not drawn
};

double Share(int n, const FramePixels& f) { return f.argb.empty() ? 0.0 : double(n) / double(f.argb.size()); }

MatchLook Compare(const FramePixels& withHud, const FramePixels& without) {
    MatchLook l;
    l.kind = g_Match.gameKind;
    l.scenario = g_Scenario.number;
    l.playing = g_Match.state == MATCH_PLAYING;
    l.width = without.width;
    int lit = 0, plain = 0;
    const uint32_t common = without.MostCommon(0, 0, 1, 1);
    for (uint32_t c : without.argb) {
        lit += testsupport::Luma(c) > 16;
        plain += (c | 0xff000000u) == common;
    }
    l.litShare = Share(lit, without);
    l.plainShare = Share(plain, without);
    const Sprite2D* logo = g_Hud.logos[g_Match.localSide];
    if (!logo || withHud.width != without.width || withHud.height != without.height) return l;
    for (int y = std::max(0, logo->pixelY); y < std::min(without.height, logo->pixelY + logo->pixelHeight); ++y)
        for (int x = std::max(0, logo->pixelX); x < std::min(without.width, logo->pixelX + logo->pixelWidth); ++x) {
            ++l.logoPixels;
            l.logoChanged += withHud.At(x, y) != without.At(x, y);
        }
    return l;
}

// A running match held still (frames of no time) and drawn once with the HUD and once without:
// the world must show in the one, and the HUD's logo must be what changes between them.
void LookAtTheMatch(ScriptedProgram& p, const std::shared_ptr<std::vector<MatchLook>>& looks) {
    WaitForMatch(p);
    p.Wait(20).Do("hold still", [](ScriptedProgram& q) { q.SetFrameMs(0); }).Wait(2);
    auto withHud = std::make_shared<FramePixels>();
    p.Do("with the HUD", [withHud](ScriptedProgram&) {
        *withHud = ScriptedProgram::ReadFrame();
        g_Settings.hud = 0;
    });
    p.Do("without the HUD", [withHud, looks](ScriptedProgram& q) {
        looks->push_back(Compare(*withHud, ScriptedProgram::ReadFrame()));
        g_Settings.hud = 1;
        q.SetFrameMs(33);
    });
}

void ChooseScenarioAndKind(ScriptedProgram& p, int screen, int scenario, int kind) {
    p.ClickUntil("the scenario", SetupArrow(screen, 11, 1), [scenario] { return SetupPanel().work.scenario == scenario; },
                 25);
    p.ClickUntil("the game kind", SetupArrow(screen, 11, 3), [kind] { return SetupPanel().work.gameKind == kind; }, 10);
}

TEST_F(ScriptedRunTest, EveryGameKindIsPlayedOnTheDemoData) {
#ifdef BRIMVALE_SANITIZED
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    if (!CopyDemoData(2)) GTEST_SKIP() << "BRIMVALE_DEMO_DATA names no demo data folder";
    // The kinds are the ones the scenarios offer: the training set-up steps over the others.
    for (int kind = 0; kind < MISSION_KINDS; ++kind) ASSERT_TRUE(IsCharacterAvailable(0, kWaterScenario, kind, false));
    for (int kind = MISSION_KINDS; kind < GAME_KIND_COUNT; ++kind) {
        ASSERT_FALSE(IsCharacterAvailable(0, kWaterScenario, kind, false));
        ASSERT_TRUE(IsCharacterAvailable(0, kLavaScenario, kind, true));
    }
    auto looks = std::make_shared<std::vector<MatchLook>>();
    auto player = std::make_shared<int>(-1);

    // Training: the other side and back, the next player, one fighter a side.
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(4).WaitForPage(2);
    program.ClickUntil("side 1", SetupArrow(2, 12, 1), [] { return g_Menu.variant == 1; });
    program.ClickUntil("side 0", SetupArrow(2, 12, 0), [] { return g_Menu.variant == 0; });
    program.Do("the first player", [player](ScriptedProgram&) { *player = g_Menu.selectedPlayer; });
    program.ClickUntil("the next player", SetupArrow(2, 12, 3),
                       [player] { return g_Menu.selectedPlayer >= 0 && g_Menu.selectedPlayer != *player; });
    program.Do("the player", [player](ScriptedProgram&) { *player = g_Menu.selectedPlayer; });
    program.ClickUntil("the team tab", SetupTab(2, 2), [] { return OnSetup(2, 2); });
    program.ClickUntil("own team of one", SetupArrow(2, 2, 2), [] { return g_Training.values[0] == 1; });
    program.ClickUntil("enemy team of one", SetupArrow(2, 2, 8), [] { return g_Training.values[1] == 1; });
    for (int kind = 0; kind < MISSION_KINDS; ++kind) {
        program.ClickUntil("the scenario tab", SetupTab(2, 1), [] { return OnSetup(2, 11); });
        ChooseScenarioAndKind(program, 2, kWaterScenario, kind);
        program.ClickWhere("the start button", [](float* x, float* y) {
            return OnSetup(2, SetupPanel().mode) && ScriptedProgram::Middle(g_Menu.screens->buttons[0], x, y);
        });
        LookAtTheMatch(program, looks);
        program.TapKey(os::VK_ESCAPE).WaitForPage(2);
    }
    program.ClickWhere("back arrow", ScreenArrow(2, 0)).WaitForPage(1).ChooseMenuButton(5).WaitForPage(0);

    // Network play: hosted with no client on a port of this run.
    program.ChooseMenuButton(1).WaitForPage(6);
    program.WaitUntil("the host tab", [] { return OnSetup(6, 9); }, 5);
    TypeInto(program, 9, 1, std::to_string(RunPort() + 3));
    for (int kind = MISSION_KINDS; kind < GAME_KIND_COUNT; ++kind) {
        program.ClickUntil("the scenario tab", SetupTab(6, 2), [] { return OnSetup(6, 11); });
        ChooseScenarioAndKind(program, 6, kLavaScenario, kind);
        program.ClickUntil("the host tab", SetupTab(6, 0), [] { return OnSetup(6, 9); });
        program.ClickWhere("the host button", SetupActionButton(9));
        LookAtTheMatch(program, looks);
        program.TapKey(os::VK_ESCAPE).WaitForPage(6);
    }
    program.ClickWhere("back arrow", ScreenArrow(6, 0)).WaitForPage(0);
    RunToEnd();

    EXPECT_EQ(program.PagesText(), "0 1 2 -1 2 -1 2 -1 2 -1 2 -1 2 -1 2 1 0 6 -1 6 -1 6 0");
    EXPECT_GE(*player, 0);
    ASSERT_EQ(looks->size(), size_t(GAME_KIND_COUNT));
    for (int kind = 0; kind < GAME_KIND_COUNT; ++kind) {
        const MatchLook& l = (*looks)[size_t(kind)];
        SCOPED_TRACE("game kind " + std::to_string(kind));
        EXPECT_EQ(l.kind, kind);
        EXPECT_EQ(l.scenario, kind < MISSION_KINDS ? kWaterScenario : kLavaScenario);
        EXPECT_TRUE(l.playing);
        EXPECT_GT(l.width, 0);
        EXPECT_GT(l.litShare, 0.5);
        EXPECT_LT(l.plainShare, 0.5);
        EXPECT_GT(l.logoPixels, 0);
        EXPECT_GT(l.logoChanged, l.logoPixels / 2);
    }
    const std::string log = dir.Read("debug.txt");
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << LogTail();
}

}  // namespace
