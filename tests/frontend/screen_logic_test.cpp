// The screens' frames: pointer handling shared by every screen, the main menu and the profile
// choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "frontend/campaign.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/screen_logic_fixture.h"
#include "frontend/mission_table.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"
#include "frontend/text_table.h"
#include "scene/glow.h"

using menutest::Log;
using screenlogictest::ScreenLogicTest;
using screenlogictest::g_musicStops;

namespace {

TEST_F(ScreenLogicTest, HoverShowsTheTipAndHighlightsOnlyWhileTheButtonIsUp) {
    Show(3);
    ImageButton& back = s->images[2];
    PointAt(back);
    Frame(false);
    EXPECT_EQ(std::string(g_Menu.tooltip.text), g_TextTable.Get(484));
    EXPECT_EQ(back.highlighted, 1);
    Frame(false, true);
    EXPECT_EQ(back.highlighted, 0) << "held";
    EXPECT_EQ(g_Menu.page, 3) << "a held button is no click";
    Frame(false);
    g_Mouse.x = g_Mouse.y = 1;
    Frame(false);
    EXPECT_EQ(back.highlighted, 0) << "pointer gone";
    EXPECT_TRUE(Log().sounds.empty());

    // Unbuilt, and the screens without logic, answer nothing.
    for (int screen : {3, 1, 7, 17}) {
        Show(screen);
        if (screen == 3) s->built = 0;
        // Without results screen 17 turns into another; the number alone has no logic.
        if (screen == 17) s->SetScreen(3), s->screen = 17;
        for (ImageButton& b : s->images)
            if (b.highlightSprite) Click(b);
        EXPECT_EQ(g_Menu.page, screen) << screen;
        EXPECT_TRUE(Log().sounds.empty()) << screen;
    }
}

TEST_F(ScreenLogicTest, MainMenuLogoGoesToTheCreditsAndTheQuitBoxQuitsOnlyOnYes) {
    Show(0);
    Click(s->images[0]);
    ExpectLeft(0, 19, {200, 204});

    g_Settings.music = 1;
    Show(0);
    Build(0);
    StopFading();
    Log().sounds.clear();
    s->OpenQuitBox();
    // While the box is open the logo is dead.
    Click(s->images[0]);
    EXPECT_EQ(g_Menu.page, 0);
    g_Menu.escapePressed = 1;
    Frame(false);
    g_Menu.escapePressed = 0;
    EXPECT_EQ(s->boxOpen, 0);
    EXPECT_EQ(s->confirm.open, 0);
    EXPECT_EQ(g_Menu.page, 0);
    EXPECT_TRUE(g_musicStops.empty());

    s->OpenQuitBox();
    Log().sounds.clear();
    g_Menu.enterPressed = 1;
    Frame(false);
    g_Menu.enterPressed = 0;
    EXPECT_EQ(s->boxOpen, 0);
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, PAGE_QUIT);
    EXPECT_TRUE(g_Fader.running);
    EXPECT_EQ(g_musicStops, std::vector<uint32_t>({3000}));
    ASSERT_GT(g_Menu.buttonCount, 0);
    for (int k = 0; k < g_Menu.buttonCount; ++k) EXPECT_EQ(g_Menu.buttons[k].animation, TEXT3D_FLY_OUT) << k;
    EXPECT_EQ(Log().sounds, std::vector<int>({200, 205}));
}

TEST_F(ScreenLogicTest, ProfileChoiceSwitchesSidesAndLeavesByPlayType) {
    Show(3);
    g_Options.difficulty = 1;
    Click(s->switches[1]);
    EXPECT_EQ(g_Options.difficulty, 1u);
    EXPECT_TRUE(Log().sounds.empty()) << "the switch already on says nothing";
    for (int i : {2, 0}) {
        Click(s->switches[i]);
        EXPECT_EQ(g_Options.difficulty, uint32_t(i));
        for (int k = 0; k < SCREEN_SWITCHES; ++k) EXPECT_EQ(s->switches[k].on, k == i ? 1 : 0);
    }
    EXPECT_EQ(Log().sounds, std::vector<int>({202, 202}));

    Click(s->images[1]);
    EXPECT_EQ(g_Menu.variant, 1);
    EXPECT_EQ(s->images[1].highlighted, 1);
    EXPECT_EQ(s->images[0].highlighted, 0);

    // Editing the name: only the field runs until it ends.
    const float fx = s->field.x, fy = s->field.y, fw = s->field.w, fh = s->field.h;
    PointAtRect(fx, fy, fw, fh);
    Frame(true);
    EXPECT_EQ(s->boxOpen, 1);
    Click(s->images[2]);
    EXPECT_NE(g_Menu.page, PAGE_TRANSITION);
    s->field.editing = 0;
    s->boxOpen = 0;

    struct Case { int gameType, target; };
    for (Case c : {Case{2, 5}, Case{1, 20}}) {
        Show(3);
        g_Menu.gameType = c.gameType;
        s->teamIndex[2] = 7;
        Click(s->images[3]);
        ExpectLeft(3, c.target, {204});
        EXPECT_EQ(s->teamIndex[2], -1);
        EXPECT_EQ(g_Menu.selectedPlayer, -1);
    }
    Show(3);
    Click(s->images[2]);
    ExpectLeft(3, PAGE_PLAY_TYPE, {205});
}

TEST_F(ScreenLogicTest, CampaignListScrollsOnlyWhileItCanAndDeletesOnYes) {
    for (int slot = 0; slot < 13; ++slot) {
        ClearCampaign();
        g_Campaign.slot = slot;
        g_Campaign.stage = 1;
        for (int k = 0; k < 4; ++k) g_Campaign.members[k] = k + 3;
        std::snprintf(g_Campaign.name, sizeof g_Campaign.name, "C%d", slot);
        ASSERT_TRUE(SaveCampaign(0, slot, nullptr));
    }
    g_Menu.variant = 0;
    Show(4);
    ASSERT_EQ(s->saveCount, 13);
    // The test pictures and font are out of scale with the small test screen: rows and arrows
    // get sizes that keep them apart.
    for (int i = 0; i < 2; ++i) s->images[i].w = s->images[i].h = 0.08f;
    s->images[1].y = 0.12f;
    s->images[0].y = 0.02f;
    const auto shrinkRows = [this] {
        for (int i = 0; i < SCREEN_CAPTION_ROWS; ++i) s->labels[i].w = 0.3f, s->labels[i].h = 0.05f;
    };
    struct Step { int arrow, first; bool up, down; };
    // The starting state, then down twice (the last press stays put), then up once.
    const Step steps[] = {{-1, 0, false, true}, {1, 1, true, true}, {1, 2, true, false},
                          {1, 2, true, false}, {0, 1, true, true}};
    for (const Step& st : steps) {
        if (st.arrow >= 0) Click(s->images[st.arrow]);
        Frame(false);
        EXPECT_EQ(s->saveFirst, st.first);
        EXPECT_EQ(s->images[0].enabled, st.up ? 1 : 0) << st.first;
        EXPECT_EQ(s->images[1].enabled, st.down ? 1 : 0) << st.first;
    }
    EXPECT_EQ(s->buttons[3].enabled, 0) << "nothing selected";
    shrinkRows();
    Click(s->labels[1]);
    EXPECT_EQ(s->saveSelected, 1);
    Frame(false);
    EXPECT_EQ(s->buttons[3].enabled, 1);
    for (bool yes : {false, true}) {
        Click(s->buttons[3]);
        ASSERT_EQ(s->boxOpen, 1);
        (yes ? g_Menu.enterPressed : g_Menu.escapePressed) = 1;
        Frame(false);
        g_Menu.enterPressed = g_Menu.escapePressed = 0;
        EXPECT_EQ(s->boxOpen, 0);
        EXPECT_EQ(ListCampaigns(0), yes ? 12 : 13);
    }
    EXPECT_EQ(s->saveCount, 12);
    EXPECT_EQ(s->saveFirst, 0);
    EXPECT_EQ(s->saveSelected, -1);

    // Loading a team campaign fills the team from its members and goes on to the missions.
    for (int slot = 3; slot <= 6; ++slot) {
        PlayerRecord member;
        MakeRandomPlayer(0, &member);
        ASSERT_TRUE(CopyPlayerToSlot(0, slot, member));
    }
    g_Menu.gameType = 2;
    shrinkRows();
    Click(s->labels[0]);
    Log().sounds.clear();
    Click(s->buttons[2]);
    ExpectLeft(4, 11, {204});
    EXPECT_EQ(std::vector<int>(s->teamIndex, s->teamIndex + 4), std::vector<int>({3, 4, 5, 6}));
}

// A save cut short is listed marked; Load on it is refused with the refusal sound and a notice that
// names it, Delete keeps it and says so, and deleting the campaign before it moves it down whole.
// The same for a one-player campaign whose player is cut, which brings no player into the table.
TEST_F(ScreenLogicTest, TheCampaignListMarksASaveCutShortAndNothingRewritesIt) {
    const auto rows = [this] {
        for (int i = 0; i < SCREEN_CAPTION_ROWS; ++i) s->labels[i].w = 0.3f, s->labels[i].h = 0.05f;
    };
    const auto told = [this] { return s->notice.label.text ? s->notice.label.text : s->notice.text; };
    const auto confirmDelete = [this] {
        Click(s->buttons[3]);
        ASSERT_EQ(s->boxOpen, 1);
        g_Menu.enterPressed = 1;
        Frame(false);
        g_Menu.enterPressed = 0;
    };
    g_Menu.gameType = 2;
    g_Menu.variant = 0;
    for (int slot = 0; slot < 2; ++slot) {
        ClearCampaign();
        g_Campaign.slot = slot;
        std::snprintf(g_Campaign.name, sizeof g_Campaign.name, "C%d", slot);
        ASSERT_TRUE(SaveCampaign(0, slot, nullptr));
    }
    const std::string cut = dir.Read("Saves/CAMPAIGNS/CO01.dat").substr(0, 96000);
    dir.Write("Saves/CAMPAIGNS/CO01.dat", cut);
    Show(4);
    ASSERT_EQ(s->saveCount, 2);
    EXPECT_EQ(std::string(s->labels[0].text).rfind("C0 - ", 0), 0u) << s->labels[0].text;
    EXPECT_STREQ(s->labels[1].text, "CO01.dat - damaged");
    EXPECT_EQ(s->notice.open, 0);
    rows();
    Click(s->labels[1]);
    Log().sounds.clear();
    Click(s->buttons[2]);
    EXPECT_EQ(g_Menu.page, 4);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    EXPECT_EQ(s->notice.open, 1);
    EXPECT_STREQ(told(), "Could not open CO01.dat: the file is damaged");
    s->notice.open = 0;
    confirmDelete();
    EXPECT_EQ(s->notice.open, 1);
    EXPECT_STREQ(told(), "Could not delete CO01.dat: the file is damaged");
    // The notice goes after its four seconds.
    s->notice.shownAt -= 4001;
    Frame(false);
    EXPECT_EQ(s->notice.open, 0);
    EXPECT_EQ(ListCampaigns(0), 2);
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/CO01.dat"), cut);
    rows();
    Click(s->labels[0]);
    confirmDelete();
    EXPECT_EQ(ListCampaigns(0), 1);
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/CO00.dat"), cut);
    EXPECT_STREQ(s->labels[0].text, "CO00.dat - damaged");

    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    std::strcpy(own.look.name, "Sable");
    ClearCampaign();
    g_Campaign.slot = 0;
    ASSERT_TRUE(SaveCampaign(0, 0, &own));
    const std::string whole = dir.Read("Saves/CAMPAIGNS/GCO00.dat");
    dir.Write("Saves/CAMPAIGNS/GCO00.dat", whole.substr(0, whole.size() - 1));
    Show(4);
    EXPECT_STREQ(s->labels[0].text, "GCO00.dat - damaged");
    rows();
    Click(s->labels[0]);
    Click(s->buttons[2]);
    EXPECT_EQ(g_Menu.page, 4);
    EXPECT_STREQ(told(), "Could not open GCO00.dat: the file is damaged");
    EXPECT_EQ(g_Menu.playerTables.records[0][0], nullptr);
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/GCO00.dat"), whole.substr(0, whole.size() - 1));
    // Whole, it opens with its player first.
    dir.Write("Saves/CAMPAIGNS/GCO00.dat", whole);
    Show(4);
    rows();
    Click(s->labels[0]);
    Log().sounds.clear();
    Click(s->buttons[2]);
    ExpectLeft(4, 21, {204});
    ASSERT_NE(g_Menu.playerTables.records[0][0], nullptr);
    EXPECT_STREQ(g_Menu.playerTables.records[0][0]->look.name, "Sable");
}

TEST_F(ScreenLogicTest, TeamChoicePlacesTheCandidateFillsTheTeamAndCreatesTheCampaign) {
    g_Menu.variant = 0;
    g_Menu.gameType = 2;
    PlayerRecord r;
    int players[4];
    for (int& p : players) {
        MakeRandomPlayer(0, &r);
        p = AddPlayerRecord(r);
        ASSERT_GE(p, 0);
    }
    Show(5);
    for (int k = 0; k < SCREEN_TEAM; ++k) s->images[k].w = s->images[k].h = 0.1f;
    const int first = g_Menu.selectedPlayer;
    ASSERT_GE(first, 0);
    Character* fighter = s->candidate;
    // A click on the chosen slot places; on another slot it only chooses it.
    Click(s->images[0]);
    EXPECT_EQ(s->teamIndex[0], first);
    EXPECT_EQ(s->teamFighters[0], fighter);
    EXPECT_EQ(s->chosenTeamSlot, 1);
    EXPECT_EQ(s->noCandidate, 0);
    EXPECT_NE(g_Menu.selectedPlayer, first);
    EXPECT_EQ(std::string(s->labels[0].text), std::string(s->teamRecords[0].look.name, strnlen(s->teamRecords[0].look.name, PLAYER_NAME_SIZE)));
    Click(s->images[3]);
    EXPECT_EQ(s->chosenTeamSlot, 3);
    EXPECT_EQ(s->teamIndex[3], -1);
    Frame(false);
    EXPECT_EQ(s->images[5].enabled, 0);

    Click(s->buttons[1]);
    std::vector<int> filled(s->teamIndex, s->teamIndex + 4);
    std::sort(filled.begin(), filled.end());
    std::vector<int> all(players, players + 4);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(filled, all);
    EXPECT_EQ(s->candidate, nullptr);
    EXPECT_EQ(g_Menu.selectedPlayer, -1);
    Frame(false);
    EXPECT_EQ(s->images[5].enabled, 1);
    Log().sounds.clear();
    Click(s->images[5]);
    ExpectLeft(5, 11, {204});
    EXPECT_EQ(ListCampaigns(0), 1);
}

TEST_F(ScreenLogicTest, TeamChoiceButtonsDoWhatTheyReadAndTheEditorGivesBackTheChosenSlot) {
    g_Menu.variant = 0;
    g_Menu.gameType = 2;
    PlayerRecord r;
    for (int i = 0; i < 4; ++i) {
        MakeRandomPlayer(0, &r);
        ASSERT_GE(AddPlayerRecord(r), 0);
    }
    Show(5);
    // The recording device's pictures have no size; the frames are given one.
    auto sizeFrames = [this] {
        for (int k = 0; k < SCREEN_TEAM; ++k) s->images[k].w = s->images[k].h = 0.1f;
    };
    sizeFrames();
    ASSERT_STREQ(s->buttons[0].label.text, "Nuevo");
    ASSERT_STREQ(s->buttons[1].label.text, "Llenar");
    EXPECT_EQ(s->images[0].highlighted, 1) << "a new team starts at its first slot";
    // A click on the chosen slot places the shown player there.
    Click(s->images[0]);
    const int first = s->teamIndex[0];
    ASSERT_GE(first, 0);
    ASSERT_EQ(s->chosenTeamSlot, 1);

    // "New player" opens the editor; back from it the player adds to the slot it had come to.
    Log().sounds.clear();
    Click(s->buttons[0]);
    ExpectLeft(5, 9, {205});
    Show(9);
    Show(5);
    sizeFrames();
    EXPECT_EQ(s->chosenTeamSlot, 1);
    EXPECT_EQ(s->images[0].highlighted, 0);
    EXPECT_EQ(s->images[1].highlighted, 1);
    Click(s->images[1]);
    EXPECT_EQ(s->teamIndex[0], first) << "the earlier placement stays";
    EXPECT_GE(s->teamIndex[1], 0);
    EXPECT_NE(s->teamIndex[1], first);
    EXPECT_EQ(s->chosenTeamSlot, 2);

    // The fill button fills and leaves nowhere.
    Click(s->buttons[1]);
    EXPECT_EQ(g_Menu.page, 5);
    for (int k = 0; k < SCREEN_TEAM; ++k) EXPECT_GE(s->teamIndex[k], 0) << k;

    // Any other way in starts at the first slot again.
    Show(3);
    Show(5);
    EXPECT_EQ(s->chosenTeamSlot, 0);
    EXPECT_EQ(s->images[0].highlighted, 1);
}

TEST_F(ScreenLogicTest, AMissionFillsTheLiveBlockByKindAndAnUnknownStepChangesNothing) {
    struct Offsets { int pair, time; bool scaled; };
    // Goal pair and time offsets in bytes by kind; -1 none.
    const Offsets byKind[MISSION_KINDS] = {{116, -1, false}, {-1, 152, true}, {124, 152, true},
                                           {132, 152, true}, {140, 148, false}, {108, -1, false}};
    g_Settings.difficulty = 0;
    for (int side = 0; side < 2; ++side) {
        for (int kind = 0; kind < MISSION_KINDS; ++kind) {
            const int step = 7;
            const MissionRecord* m = FindMission(MISSIONS, side, step, kind);
            ASSERT_NE(m, nullptr);
            std::memset(&g_GameSettings, 0xAB, sizeof g_GameSettings);
            ASSERT_TRUE(SetUpMission(side, step, kind, true));
            uint32_t w[40];
            std::memcpy(w, &g_GameSettings, sizeof w);
            EXPECT_EQ(w[0], uint32_t(side));
            EXPECT_EQ(w[1], 0xABABABABu) << "the player slot stays";
            EXPECT_EQ(w[5], uint32_t(step));
            EXPECT_EQ(w[6], uint32_t(kind));
            for (int i = 0; i < 20; ++i) EXPECT_EQ(w[7 + i], m->words[i]) << kind << " word " << i;
            const Offsets& o = byKind[kind];
            for (int off = 108; off < 156; off += 4) {
                uint32_t want = 0;
                if (off == o.pair) want = m->words[20];
                if (off == o.pair + 4 && o.pair >= 0) want = m->words[21];
                if (off == o.time) want = o.scaled ? uint32_t(int(double(m->words[22]) * 1.25)) : m->words[22];
                EXPECT_EQ(w[off / 4], want) << "kind " << kind << " offset " << off;
            }
            EXPECT_EQ(w[39], 0xABABABABu) << "nothing past the mission's part";
        }
    }
    // A step outside the table is refused whole.
    std::memset(&g_GameSettings, 0xAB, sizeof g_GameSettings);
    for (int step : {-1, MISSION_SCENARIOS}) EXPECT_FALSE(SetUpMission(0, step, 0, true));
    EXPECT_FALSE(SetUpMission(2, 0, 0, true));
    EXPECT_EQ(g_GameSettings.side, int32_t(0xABABABAB));
}

TEST_F(ScreenLogicTest, ResultsGoOnBySaveModeAndAnUnknownModeKeepsTheTarget) {
    struct Case { int saveMode, target; };
    for (Case c : {Case{0, 13}, Case{2, 13}, Case{1, 18}, Case{3, 21}}) {
        g_Menu.results[RESULT_ELAPSED] = 1000;
        g_Menu.saveMode = c.saveMode;
        g_Menu.variant = 1;
        s->teamSelection = 0;
        Show(12);
        ASSERT_EQ(s->screen, 12);
        g_Menu.saveMode = c.saveMode;
        g_Menu.targetPage = 21;
        Click(s->images[0]);
        ExpectLeft(12, c.target, {200, 204});
        EXPECT_EQ(s->teamSelection, c.target == 13 ? 1 : 0) << c.saveMode;
    }
}

TEST_F(ScreenLogicTest, CampaignTeamShowsTheOtherSideThenGoesOnBySaveModeAndStage) {
    ClearCampaign();
    g_Campaign.slot = 0;
    struct Case { int variant, shown, saveMode, gameType, side, stage; bool complete; int target, shownAfter, stageAfter; };
    const Case cases[] = {
        {0, 0, 2, 2, 0, 1, true, 13, 1, 1},    // the other side's page first
        {1, 1, 2, 2, 0, 1, true, 13, 0, 1},
        {0, 1, 0, 2, 0, 1, true, 2, 1, 1},
        {0, 1, 1, 2, 0, 1, true, 6, 1, 1},
        {0, 1, 2, 1, 0, 1, true, 21, 1, 1},
        {0, 1, 2, 2, 0, 1, false, 11, 1, 1},
        {0, 1, 2, 2, 0, 1, true, 11, 1, 2},
        {0, 1, 2, 2, 0, 3, true, 16, 1, CAMPAIGN_FINISHED},
        {0, 1, 2, 2, 1, 1, true, 11, 1, 0},
        {0, 1, 2, 2, 1, 0, true, 16, 1, CAMPAIGN_FINISHED},
        {0, 1, 7, 2, 0, 1, true, 25, 1, 1},
    };
    for (const Case& c : cases) {
        g_Menu.variant = c.variant;
        g_Menu.saveMode = c.saveMode;
        g_Menu.gameType = c.gameType;
        g_Menu.targetPage = 25;
        s->teamSelection = c.shown;
        g_Campaign.side = uint32_t(c.side);
        g_Campaign.stage = uint32_t(c.stage);
        for (auto& row : g_Campaign.scenarios) row[CAMPAIGN_PLAYED] = 1, row[CAMPAIGN_WON] = c.complete ? 1 : 0;
        const int line = int(&c - cases);
        EXPECT_EQ(s->CampaignTeamTarget(), c.target) << line;
        EXPECT_EQ(s->teamSelection, c.shownAfter) << line;
        EXPECT_EQ(g_Campaign.stage, uint32_t(c.stageAfter)) << line;
    }
}

TEST_F(ScreenLogicTest, EndPictureWaitsForAKeyOrButtonAndDeletesATeamCampaign) {
    for (int gameType : {1, 2}) {
        g_Menu.gameType = gameType;
        ClearCampaign();
        g_Campaign.slot = 0;
        // The one-player campaign is written with its player.
        PlayerRecord own;
        MakeRandomPlayer(0, &own);
        ASSERT_TRUE(SaveCampaign(0, 0, &own));
        ASSERT_EQ(ListCampaigns(0), 1);
        g_Menu.variant = 0;
        Show(16);
        Frame(false);
        EXPECT_EQ(g_Menu.page, 16) << "nothing down";
        g_Menu.escapePressed = 1;
        Frame(false);
        g_Menu.escapePressed = 0;
        ExpectLeft(16, PAGE_MAIN, {204});
        EXPECT_EQ(ListCampaigns(0), gameType == 2 ? 0 : 1);
    }
}

TEST_F(ScreenLogicTest, PlayerChoiceCreatesTheCampaignWithItsPlayerFirst) {
    g_Menu.gameType = 1;
    g_Menu.variant = 1;
    g_Menu.SelectPlayer(-1, 1);
    Show(20);
    ASSERT_NE(g_Menu.playerRecord, nullptr) << "the screen makes a player";
    for (int& t : s->teamIndex) t = -1;
    s->teamIndex[2] = 5;
    Click(s->images[1]);
    ExpectLeft(20, 21, {204});
    EXPECT_EQ(std::vector<int>(s->teamIndex, s->teamIndex + 4), std::vector<int>({0, -1, -1, -1}));
    EXPECT_EQ(0, std::memcmp(&s->teamRecords[0], g_Menu.playerRecord, sizeof(PlayerRecord)));
    EXPECT_EQ(ListCampaigns(1), 1);

    // The game ends on the mission map, before any other store; started again, the campaign
    // opens with the player chosen, name and values.
    const PlayerRecord chosen = *g_Menu.playerRecord;
    const std::string file = dir.Read("Saves/CAMPAIGNS/GCV00.dat");
    ASSERT_EQ(file.size(), CAMPAIGN_BLOCK_SIZE + PLAYER_RECORD_SIZE);
    g_Menu.ClearPlayerTables();
    g_Menu.SelectPlayer(-1, 1);
    ClearCampaign();
    Show(4);
    ASSERT_EQ(s->saveCount, 1);
    s->saveSelected = 0;
    Click(s->buttons[2]);
    ExpectLeft(4, 21, {204});
    const PlayerRecord* own = g_Menu.playerTables.records[1][0];
    ASSERT_NE(own, nullptr);
    EXPECT_STREQ(own->look.name, chosen.look.name);
    EXPECT_EQ(std::vector<float>(own->attributes, own->attributes + 5),
              std::vector<float>(chosen.attributes, chosen.attributes + 5));
    Show(21);
    EXPECT_STREQ(s->teamRecords[0].look.name, chosen.look.name);

    // The block alone, as an earlier version left such a game, is damaged: never played by a
    // blank player, and never written over.
    const std::string blockAlone = file.substr(0, CAMPAIGN_BLOCK_SIZE);
    dir.Write("Saves/CAMPAIGNS/GCV00.dat", blockAlone);
    g_Menu.ClearPlayerTables();
    Show(4);
    EXPECT_STREQ(s->labels[0].text, "GCV00.dat - damaged");
    s->saveSelected = 0;
    Click(s->buttons[2]);
    EXPECT_EQ(g_Menu.page, 4);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    ASSERT_EQ(s->notice.open, 1);
    EXPECT_STREQ(s->notice.label.text ? s->notice.label.text : s->notice.text,
                 "Could not open GCV00.dat: the file is damaged");
    EXPECT_EQ(g_Menu.playerTables.records[1][0], nullptr);
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/GCV00.dat"), blockAlone);
}

TEST(CreditsTest, PagesSkipSixToEightAndTheGreyRampsUpAndDown) {
    std::vector<int> order{0};
    for (int i = 0; i < 8; ++i) order.push_back(NextCreditsPage(order.back()));
    EXPECT_EQ(order, std::vector<int>({0, 1, 2, 3, 4, 5, 9, 0, 1}));
    struct Case { uint32_t t; int grey; };
    for (Case c : {Case{0, 0}, Case{1000, 127}, Case{2000, 255}, Case{6000, 255}, Case{7000, 128}, Case{8001, 0}})
        EXPECT_EQ(CreditsGreyLevel(c.t), c.grey) << c.t;
}

}  // namespace
