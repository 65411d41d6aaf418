// The demo text table against what the game reads: every screen, box and tip of the front end
// is shown on the recording device with the pointer swept over it, the names the code computes
// are asked for over their whole range, and each number asked for must have a text of its own.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "data/data_set.h"
#include "demo_folder.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/equipment_table.h"
#include "frontend/options_panel.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_fixture.h"
#include "frontend/settings_files.h"
#include "frontend/text_table.h"
#include "net/net_client.h"
#include "shell/input_system.h"

namespace {

namespace fs = std::filesystem;

class DemoTextsTest : public screenlogictest::ScreenLogicTest {
protected:
    void SetUp() override {
        ScreenLogicTest::SetUp();
        const fs::path back = fs::current_path();
        fs::current_path(demotest::DataFolder());
        g_TextTable.Load("textos.txt");
        fs::current_path(back);
        ASSERT_TRUE(g_TextTable.IsLoaded());
    }
    void TearDown() override {
        ScreenLogicTest::TearDown();
        g_TextTable.Reset();
    }

    // The pointer at every point of a grid over the screen, a frame at each: every tip shows.
    void Sweep() {
        const ScreenRect& r = g_Video.screenRect;
        const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
        for (int gy = 0; gy < 40; ++gy)
            for (int gx = 0; gx < 50; ++gx) {
                g_Mouse.x = (2 * gx + 1) * w / 100;
                g_Mouse.y = (2 * gy + 1) * h / 80;
                Frame(false);
            }
        s->DrawScreen();
    }
    void ShowAndSweep(int screen) {
        Show(screen);
        Sweep();
    }

    // Every number asked for so far has a text of the demo set's own.
    static void ExpectEveryAskedNumberNamed(const char* what) {
        const std::vector<int32_t> asked = g_TextTable.AskedNumbers();
        EXPECT_FALSE(asked.empty()) << what;
        for (int32_t id : asked) {
            const char* text = g_TextTable.Find(id);
            EXPECT_TRUE(text && *text && text != demodata::PlaceholderText(id)) << what << ": text " << id;
        }
        g_TextTable.ClearAsked();
    }
};

TEST_F(DemoTextsTest, EveryScreenBoxAndTipOfTheFrontEndHasItsTexts) {
    for (int page : {PAGE_MAIN, PAGE_PLAY_TYPE}) {
        DropButtons();
        Build(page);
    }
    ExpectEveryAskedNumberNamed("the 3D pages");

    // Training, network and both kinds of campaign, for each side.
    for (int saveMode = 0; saveMode <= 2; ++saveMode)
        for (int gameType : {1, 2})
            for (int side = 0; side < 2; ++side) {
                g_Menu.saveMode = saveMode;
                g_Menu.gameType = gameType;
                g_Menu.variant = side;
                for (int screen = 0; screen <= 23; ++screen) {
                    SCOPED_TRACE(testing::Message() << "screen " << screen);
                    if (screen == 12 || screen == 17 || screen == 18) continue;
                    ShowAndSweep(screen);
                    if (s->confirm.text[0]) s->OpenQuitBox();
                    s->DrawScreen();
                }
            }
    ExpectEveryAskedNumberNamed("the screens");

    // The options' four tabs, every key row scrolled into view.
    Show(8);
    for (int tab = 0; tab < OPTIONS_TABS; ++tab) {
        s->options.VideoOptionsScreen(tab, tab + 4);
        Sweep();
    }
    for (int row = 0; row < OPTION_KEY_BINDINGS; ++row) s->options.ScrollKeys(1), s->options.Draw();
    ExpectEveryAskedNumberNamed("the options");

    // The set-up panels of training and of the network, every tab, scenario and game kind.
    for (int screen : {2, 6}) {
        g_Menu.saveMode = screen == 2 ? 0 : 1;
        Show(screen);
        const int tabs = screen == 2 ? 3 : 4;
        for (int tab = 0; tab < tabs; ++tab) {
            const int mode = screen == 2 ? (tab == 0 ? 12 : tab == 1 ? 11 : 2) : tab + 9;
            s->matchSetup.SessionScreen(tab, mode);
            Sweep();
            if (mode != 11) continue;
            for (int step = 0; step < SETUP_SCENARIOS; ++step) s->matchSetup.StepScenario(1);
            for (int step = 0; step < 9; ++step) s->matchSetup.StepKind(1), Sweep();
            for (int step = 0; step < 3; ++step) s->matchSetup.StepDifficulty(1);
        }
    }
    ExpectEveryAskedNumberNamed("the set-up panels");

    // Results of every game kind, won, lost and drawn, in training and on the network.
    for (int kind = 0; kind < 8; ++kind)
        for (uint32_t winner : {0u, 1u, 2u})
            for (int saveMode : {0, 1}) {
                g_Menu.saveMode = saveMode;
                g_GameSettings.gameKind = g_Menu.gameKind = kind;
                g_Menu.results[RESULT_ELAPSED] = 61000;
                g_Menu.results[RESULT_WINNER] = winner;
                g_Menu.resultsFought = 0x3;
                ShowAndSweep(saveMode == 1 ? 18 : 12);
            }
    ExpectEveryAskedNumberNamed("the results");
}

// The team choice's button that fills the four slots says so, as its tip does, and does not
// read like the way on, which stays shut until the team is full.
TEST_F(DemoTextsTest, TheTeamChoicesFillButtonSaysWhatItDoes) {
    g_Menu.saveMode = 2;
    g_Menu.gameType = 2;
    g_Menu.variant = 0;
    Show(5);
    const MenuButton& fill = s->buttons[1];
    ASSERT_TRUE(fill.label.inUse);
    const std::string caption = fill.label.text ? fill.label.text : "";
    PointAt(fill);
    Frame(false);
    ASSERT_TRUE(g_Menu.tooltip.text && g_Menu.tooltip.visible);
    EXPECT_EQ(caption, g_Menu.tooltip.text) << "the caption and the tip it shows";
    EXPECT_EQ(s->images[5].enabled, 0) << "the way on is shut with the slots empty";
    EXPECT_NE(caption, g_TextTable.Find(504)) << "the way on's tip";
}

// The campaign list's delete and the shop's purchase ask the same question: it names neither, so
// that it reads right on both pages.
TEST_F(DemoTextsTest, TheQuestionTheCampaignListAndTheShopShareReadsRightOnBoth) {
    g_Menu.saveMode = 2;
    g_Menu.gameType = 2;
    g_Menu.variant = 0;
    std::string asked[2];
    const int screens[2] = {4, 14};
    for (int i = 0; i < 2; ++i) {
        Show(screens[i]);
        const ConfirmBox& box = s->confirm;
        asked[i] = box.label.text ? box.label.text : box.text;
        ASSERT_FALSE(asked[i].empty()) << screens[i];
    }
    EXPECT_EQ(asked[0], asked[1]);
    std::string lower = asked[0];
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* word : {"delete", "campaign", "buy", "sell", "piece", "purchase", "remove"})
        EXPECT_EQ(lower.find(word), std::string::npos) << asked[0] << " names " << word;
}

// The names the code computes from a number: the keys and controls a binding can hold, the
// players' random names, the equipment's and the games a join list shows.
TEST_F(DemoTextsTest, EveryComputedNameOverItsWholeRangeHasItsText) {
    char name[64];
    for (int k = 0; k <= 254; ++k) KeyName(k, name, sizeof name);
    for (int c = 0; c < ACTION_VALUE_COUNT; ++c) ControlName(c, name, sizeof name);
    for (int r = 0; r < INPUT_ACTION_ROWS; ++r) g_TextTable.Find(INPUT_ACTION_NAME_TEXT + r);
    for (int n = 0; n < PLAYER_NAME_TEXTS; ++n) g_TextTable.Find(n);
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind)
        for (int n = 0; n < EQUIPMENT_ROWS_PER_KIND; ++n)
            if (const EquipmentRow* row = GetEquipmentRow(kind, n); row && IsCatalogueItem(*row))
                g_TextTable.Find(int32_t(row->textId));
    for (uint32_t scenario = 0; scenario < 20; ++scenario)
        for (uint32_t kind = 0; kind < 8; ++kind) {
            netio::SessionInfo session;
            session.name = "host";
            session.maxPlayers = 8;
            session.appDataSize = 8;
            for (int b = 0; b < 4; ++b) {
                session.appData[b] = uint8_t(scenario >> (8 * b));
                session.appData[4 + b] = uint8_t(kind >> (8 * b));
            }
            bool joinable = false;
            int32_t scenarioShown = -1, kindShown = -1;
            SessionDisplayText(session, &joinable, &scenarioShown, &kindShown);
            EXPECT_TRUE(joinable);
        }
    ExpectEveryAskedNumberNamed("the computed names");
}

}  // namespace
