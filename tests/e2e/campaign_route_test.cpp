// The campaign screens through the real loop: the credits from the main menu's logo; the
// campaign list loading and deleting a saved campaign; a team campaign from its name to a won
// match, the results and both teams' pages, and out through the quit box; the record screen after
// a match, with points spent there kept through both shops; the shops; the player
// editor; a one-player campaign's first step won; a finished one-player campaign's end; points
// given on the one-player summary page kept through both shops.
// Matches are won with the test key that puts the own side at its goal.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "common/binary_reader.h"
#include "e2e/e2e_fixture.h"
#include "frontend/campaign.h"
#include "frontend/equipment_table.h"
#include "frontend/menu_calls.h"
#include "frontend/mission_table.h"
#include "frontend/player_saves.h"
#include "frontend/text_label.h"

namespace {

using testsupport::FramePixels;
using testsupport::ScriptedProgram;
using namespace e2e;

bool OnScreen(int screen) { return g_Menu.screens && g_Menu.screens->screen == screen && g_Menu.page == screen; }

ScriptedProgram::Locate Image(int screen, int i) { return ScreenArrow(screen, i); }

ScriptedProgram::Locate Button(int screen, int i) {
    return [screen, i](float* x, float* y) { return OnScreen(screen) && ScriptedProgram::Middle(g_Menu.screens->buttons[i], x, y); };
}

ScriptedProgram::Locate LabelOf(int screen, int i) {
    return [screen, i](float* x, float* y) {
        if (!OnScreen(screen)) return false;
        const TextLabel& l = g_Menu.screens->labels[i];
        if (!l.inUse || l.w <= 0) return false;
        // A centred label's anchor is its middle.
        *x = l.x, *y = l.y + l.h / 2;
        return true;
    };
}

// The ink of label `slot` of the shown screen, read from the frame drawn last.
void ReadLabelInk(ScriptedProgram& p, int slot, std::shared_ptr<int> ink) {
    p.Wait(2).Do("read the frame", [slot, ink](ScriptedProgram&) {
        *ink = ScriptedProgram::ReadFrame().LabelInk(g_Menu.screens->labels[slot]);
    });
}

std::string CampaignFile(const ScopedWorkDir& dir, const char* name) {
    return (dir.path() / "Saves" / "CAMPAIGNS" / name).string();
}

TEST_F(ScriptedRunTest, TheLogoLeadsToTheCreditsAndTheirBackArrowHome) {
    testsupport::WriteScriptedFolder(dir);
    auto logoInk = std::make_shared<int>(-1), creditsInk = std::make_shared<int>(-1);
    program.WaitForPage(0);
    ReadLabelInk(program, 0, logoInk);
    program.ClickWhere("the logo", Image(0, 0)).WaitForPage(19);
    // Halfway into the first page the panel is white and the title shows on it.
    program.Wait(100);
    ReadLabelInk(program, 0, creditsInk);
    program.ClickWhere("the credits' back arrow", Image(19, 0)).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 19 0");
    EXPECT_GT(*logoInk, 20);
    EXPECT_GT(*creditsInk, 20);
}

// A team campaign of side 0 saved in its first slot, its team the side's first four players,
// at its first stage with the missions of the table.
void WriteTeamCampaign(const ScopedWorkDir& dir, const char* name, int32_t credits = 0, int32_t firstsPoints = 0) {
    ClearCampaign();
    CampaignBlock& b = g_Campaign;
    b.credits = credits;
    b.pendingPoints[0] = firstsPoints;
    std::snprintf(b.name, sizeof b.name, "%s", name);
    b.slot = 0;
    b.side = 0;
    b.difficulty = 1;
    b.stage = 0;
    for (int i = 0; i < CAMPAIGN_MEMBERS; ++i) b.members[i] = i;
    for (int s = 0; s < CAMPAIGN_SCENARIOS; ++s)
        for (int k = 0; k < MISSION_KINDS; ++k) b.scenarios[s][CAMPAIGN_PLAYED + k] = FindMission(MISSIONS, 0, s, k)->Available();
    const std::vector<uint8_t> bytes = EncodeCampaign(b);
    std::filesystem::create_directories(dir.path() / "Saves" / "CAMPAIGNS");
    dir.Write("Saves/CAMPAIGNS/CO00.dat", std::string(bytes.begin(), bytes.end()));
    ClearCampaign();
}

TEST_F(ScriptedRunTest, ASavedCampaignIsLoadedFromTheListAndDeletedOnYes) {
    testsupport::WriteScriptedFolder(dir);
    WriteTeamCampaign(dir, "Brigada");
    auto rowInk = std::make_shared<int>(-1);
    auto loadedName = std::make_shared<std::string>();
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(3).WaitForPage(4);
    ReadLabelInk(program, 0, rowInk);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    program.ClickWhere("load", Button(4, 2)).WaitForPage(11);
    program.Do("the loaded campaign", [loadedName](ScriptedProgram&) { *loadedName = g_Campaign.name; });
    // Back from the missions asks first; yes leads to the play type.
    program.ClickUntil("the missions' back arrow", Image(11, 30), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitForPage(1).ChooseMenuButton(3).WaitForPage(4);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    program.ClickUntil("delete", Button(4, 3), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitUntil("the list emptied", [] { return g_Menu.screens->saveCount == 0; }, 30);
    program.ClickWhere("the list's back arrow", Image(4, 2)).WaitForPage(1);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 11 1 4 1");
    EXPECT_EQ(*loadedName, "Brigada");
    EXPECT_GT(*rowInk, 20) << "the campaign's caption row";
    EXPECT_FALSE(std::filesystem::exists(CampaignFile(dir, "CO00.dat")));
}

// The pixels of the rectangle (screen fractions) that differ between two frames of one size.
int ChangedPixels(const FramePixels& a, const FramePixels& b, float x, float y, float w, float h) {
    if (a.width != b.width || a.height != b.height || a.argb.empty() || b.argb.empty()) return 0;
    int n = 0;
    const int x0 = std::max(0, int(x * float(a.width))), x1 = std::min(a.width, int((x + w) * float(a.width)));
    const int y0 = std::max(0, int(y * float(a.height))), y1 = std::min(a.height, int((y + h) * float(a.height)));
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) n += a.At(px, py) != b.At(px, py) ? 1 : 0;
    return n;
}

// A saved campaign cut short: its row reads damaged, Load stays on the list and shows a notice
// naming the file over it, and the file is left as it was.
TEST_F(ScriptedRunTest, ACampaignCutShortIsListedDamagedAndLoadLeavesItAsItWas) {
    testsupport::WriteScriptedFolder(dir);
    WriteTeamCampaign(dir, "Brigada");
    const std::string cut = dir.Read("Saves/CAMPAIGNS/CO00.dat").substr(0, 96000);
    dir.Write("Saves/CAMPAIGNS/CO00.dat", cut);
    auto row = std::make_shared<std::string>(), told = std::make_shared<std::string>();
    auto rowInk = std::make_shared<int>(-1), boxChanged = std::make_shared<int>(-1), boxArea = std::make_shared<int>(0);
    auto before = std::make_shared<FramePixels>();
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(3).WaitForPage(4);
    ReadLabelInk(program, 0, rowInk);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    program.Wait(2).Do("the list before", [before](ScriptedProgram&) { *before = ScriptedProgram::ReadFrame(); });
    program.ClickUntil("load", Button(4, 2), [] { return g_Menu.screens->notice.open != 0; });
    program.Wait(2).Do("the row and the notice", [row, told, before, boxChanged, boxArea](ScriptedProgram&) {
        const NoticeBox& n = g_Menu.screens->notice;
        *row = g_Menu.screens->labels[0].text;
        *told = n.label.text ? n.label.text : n.text;
        const FramePixels after = ScriptedProgram::ReadFrame();
        *boxChanged = ChangedPixels(*before, after, n.x, n.y, n.w, n.h);
        *boxArea = int(n.w * float(after.width)) * int(n.h * float(after.height));
    });
    program.ClickWhere("the list's back arrow", Image(4, 2)).WaitForPage(1);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 1");
    EXPECT_EQ(*row, "CO00.dat - damaged");
    EXPECT_GT(*rowInk, 20) << "the marked row";
    EXPECT_EQ(*told, "Could not open CO00.dat: the file is damaged");
    EXPECT_GT(*boxChanged, *boxArea / 2) << "the notice is drawn over the list: " << *boxChanged << " of " << *boxArea;
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/CO00.dat"), cut);
}

// The name field's text replaced by typing: a click begins the entry, Enter ends it.
void TypeCampaignName(ScriptedProgram& p, const std::string& name) {
    p.ClickUntil("the name field", [](float* x, float* y) {
        if (!OnScreen(3)) return false;
        const TextField& f = g_Menu.screens->field;
        *x = f.x + f.w / 2, *y = f.y + f.h / 2;
        return f.w > 0;
    }, [] { return g_Menu.screens->boxOpen != 0; });
    for (int i = 0; i < 20; ++i) p.TapKey(os::VK_BACK);
    p.Type(name).TapKey(os::VK_RETURN);
    p.WaitUntil("the entry's end", [] { return g_Menu.screens->boxOpen == 0; }, 10);
}

// The match won at once through the test key that puts the own side at its goal; Escape once
// the result block says so.
void WinTheMatch(ScriptedProgram& p, std::shared_ptr<uint32_t> winner) {
    WaitForMatch(p);
    p.AltKey('G');
    p.WaitUntil("the result", [] { return g_Scenario.results[RESULT_ELAPSED] > 0; }, 200);
    p.Do("the winner", [winner](ScriptedProgram&) { *winner = g_Scenario.results[RESULT_WINNER]; });
    p.TapKey(os::VK_ESCAPE);
}

// The page the menu asked the shell to end on.
int g_quitFromPage = -1;
void (*g_realRequestQuit)() = nullptr;

// A player save of the team campaign's folder.
std::string CampaignPlayerSave(const ScopedWorkDir& dir, int slot) {
    g_Menu.gameType = 2;
    std::string path = PlayerSavePath(0, slot, 2);
    std::replace(path.begin(), path.end(), '\\', '/');
    return dir.Read(path);
}

// The team word of a player save, which begins with the record's fields in order.
int32_t SavedTeam(const std::string& save) {
    int32_t team = -2;
    if (save.size() >= offsetof(PlayerRecord, team) + sizeof team)
        std::memcpy(&team, save.data() + offsetof(PlayerRecord, team), sizeof team);
    return team;
}

TEST_F(ScriptedRunTest, ATeamCampaignIsNamedFilledWonAndLeftThroughTheQuitBox) {
    testsupport::WriteScriptedFolder(dir, {.testMode = true});
    for (int k = 0; k < 4; ++k) ASSERT_EQ(SavedTeam(CampaignPlayerSave(dir, k)), -1) << "member " << k;
    auto missionInk = std::make_shared<int>(-1);
    auto winner = std::make_shared<uint32_t>(99);
    auto scenario = std::make_shared<int>(-1);
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(2).WaitForPage(3);
    TypeCampaignName(program, "Brigada");
    program.ClickUntil("side 1", Image(3, 1), [] { return g_Menu.variant == 1; });
    program.ClickUntil("side 0", Image(3, 0), [] { return g_Menu.variant == 0; });
    program.ClickUntil("the lowest difficulty", [](float* x, float* y) {
        if (!OnScreen(3)) return false;
        const MenuSwitch& s = g_Menu.screens->switches[0];
        *x = s.x + s.w / 2, *y = s.y + s.h / 2;
        return true;
    }, [] { return g_Options.difficulty == 0; });
    program.ClickWhere("the name page's next arrow", Image(3, 3)).WaitForPage(5);
    program.ClickUntil("fill", Button(5, 1), [] { return g_Menu.screens->teamIndex[3] >= 0; });
    program.ClickWhere("the team's next arrow", Image(5, 5)).WaitForPage(11);
    ReadLabelInk(program, 1, missionInk);
    // Scenario 1 is the second spot of the first stage; greed is its kind 2.
    program.ClickWhere("greed in the arena", Image(11, 1 * MISSION_KINDS + 2)).WaitForPage(10);
    program.Do("the mission", [scenario](ScriptedProgram&) { *scenario = g_GameSettings.scenario; });
    program.ClickWhere("start", Button(10, 2));
    WinTheMatch(program, winner);
    program.WaitForPage(12);
    program.ClickWhere("results' next arrow", Image(12, 0));
    BothTeamPages(program, 11);

    program.ClickUntil("the missions' back arrow", Image(11, 30), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitForPage(1).ChooseMenuButton(5).WaitForPage(0);

    program.ClickUntil("quit", [](float* x, float* y) { return ScriptedProgram::MenuButtonPoint(3, x, y); },
                       [] { return g_Menu.screens->boxOpen != 0; });
    program.Do("watch the quit", [](ScriptedProgram&) {
        g_realRequestQuit = g_MenuShellCalls.requestQuit;
        g_MenuShellCalls.requestQuit = [] {
            g_quitFromPage = g_Menu.page;
            g_realRequestQuit();
        };
    });
    program.TapKey(os::VK_RETURN).WaitForTheEnd();
    RunToEnd();
    g_MenuShellCalls.requestQuit = g_realRequestQuit;
    EXPECT_EQ(program.PagesText(), "0 1 3 5 11 10 -1 12 13 11 1 0");
    EXPECT_EQ(g_quitFromPage, PAGE_QUIT);
    EXPECT_GT(*missionInk, 20) << "the arena's name under its picture";
    EXPECT_EQ(*scenario, 1);
    EXPECT_EQ(*winner, 0u);
    // The campaign keeps its name, its team and the won greed of scenario 1.
    g_Menu.gameType = 2;
    auto block = std::make_unique<CampaignBlock>();
    ASSERT_TRUE(std::filesystem::exists(CampaignFile(dir, "CO00.dat")));
    ASSERT_TRUE(ReadCampaignBlock(0, 0, block.get(), nullptr));
    EXPECT_STREQ(block->name, "Brigada");
    EXPECT_EQ(block->difficulty, 0u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(block->members[k], k);
    EXPECT_EQ(block->scenarios[1][CAMPAIGN_WON + 2], 1);
    EXPECT_EQ(block->scenarios[1][CAMPAIGN_WON + 5], 0);
    // The members' saves, stored again by the record screen's start, keep the campaign as their team.
    for (int k = 0; k < 4; ++k) EXPECT_EQ(SavedTeam(CampaignPlayerSave(dir, k)), 0) << "member " << k;
}

// The middle of one of a shop list's row panels.
ScriptedProgram::Locate ShopRow(int screen, int panel) {
    return [screen, panel](float* x, float* y) { return OnScreen(screen) && ScriptedProgram::Middle(g_Menu.screens->panels[panel], x, y); };
}

// Page 0 to the record screen of the first saved team campaign, through the list and the
// arena's greed.
void ToTheRecordScreen(ScriptedProgram& p) {
    p.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(3).WaitForPage(4);
    p.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    p.ClickWhere("load", Button(4, 2)).WaitForPage(11);
    p.ClickWhere("greed in the arena", Image(11, 1 * MISSION_KINDS + 2)).WaitForPage(10);
}

TEST_F(ScriptedRunTest, APieceIsBoughtAndSoldAgainAndTheShopsPagesTurn) {
    constexpr int32_t kCredits = 100000;
    testsupport::WriteScriptedFolder(dir);
    WriteTeamCampaign(dir, "Tienda", kCredits);
    auto creditsInk = std::make_shared<int>(-1);
    auto piece = std::make_shared<std::array<int, 2>>(std::array<int, 2>{-1, -1});
    auto afterBuy = std::make_shared<int32_t>(0);
    ToTheRecordScreen(program);
    program.ClickWhere("the shop", Button(10, 0)).WaitForPage(14);
    ReadLabelInk(program, 12, creditsInk);
    // Buying: the stock's first row selected, the buy button, yes.
    program.ClickUntil("the stock's first row", ShopRow(14, 2), [] { return g_Menu.screens->shopSelected[0] == 0; });
    program.Do("the piece", [piece](ScriptedProgram&) {
        g_Menu.screens->ShopListPiece(SHOP_LIST_STOCK, 0, &(*piece)[0], &(*piece)[1]);
    });
    program.ClickUntil("buy", Button(14, 0), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitUntil("bought", [] { return g_Menu.screens->ShopListCount(SHOP_LIST_OWNED) == 1; }, 10);
    program.Do("credits after buying", [afterBuy](ScriptedProgram&) { *afterBuy = g_Campaign.credits; });
    // Selling it again from the team's inventory.
    program.ClickUntil("the inventory's first row", ShopRow(14, 4), [] { return g_Menu.screens->shopSelected[1] == 0; });
    program.ClickUntil("sell", Button(14, 1), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitUntil("sold", [] { return g_Menu.screens->ShopListCount(SHOP_LIST_OWNED) == 0; }, 10);
    program.ClickWhere("to the wardrobe", Button(14, 2)).WaitForPage(15);
    program.ClickWhere("back to the shop", Button(15, 2)).WaitForPage(14);
    program.ClickWhere("the shop's back arrow", Image(14, 4)).WaitForPage(10);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 11 10 14 15 14 10");
    EXPECT_GT(*creditsInk, 20) << "the credits under the lists";
    const EquipmentRow* row = GetEquipmentRow((*piece)[0], (*piece)[1]);
    ASSERT_NE(row, nullptr);
    const int32_t price = int32_t(row->price);
    ASSERT_GT(price, 0);
    EXPECT_EQ(*afterBuy, kCredits - price);
    // The campaign file keeps what the sale gave back: three fifths of the price, cut down.
    g_Menu.gameType = 2;
    auto block = std::make_unique<CampaignBlock>();
    ASSERT_TRUE(ReadCampaignBlock(0, 0, block.get(), nullptr));
    EXPECT_EQ(block->credits, kCredits - price + price * 3 / 5);
    for (int32_t id : block->inventory[(*piece)[0]]) EXPECT_EQ(id, -1);
}

// What the record screen shows of its four members.
struct RecordPage {
    std::array<std::string, CAMPAIGN_MEMBERS> names;
    std::array<bool, CAMPAIGN_MEMBERS> previews{};
    std::array<float, PLAYER_ATTRIBUTES> firstsValues{};
    int32_t firstsPoints = -1;
};
void ReadRecordPage(ScriptedProgram& p, std::shared_ptr<RecordPage> page) {
    p.Wait(2).Do("the record page", [page](ScriptedProgram&) {
        MenuScreens& s = *g_Menu.screens;
        for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) {
            page->names[k] = s.labels[k].text ? s.labels[k].text : "";
            page->previews[k] = s.teamFighters[k] != nullptr;
        }
        std::copy(s.teamRecords[0].attributes, s.teamRecords[0].attributes + PLAYER_ATTRIBUTES, page->firstsValues.begin());
        page->firstsPoints = g_Campaign.pendingPoints[0];
    });
}

// After a match the record screen shows the team it showed before it, and the points spent there
// stay on the member through both shops and into the files a restart reads.
TEST_F(ScriptedRunTest, TheRecordScreenAfterAMatchShowsItsTeamAndKeepsThePointsSpentThere) {
    testsupport::WriteScriptedFolder(dir, {.testMode = true});
    WriteTeamCampaign(dir, "Puntos", 0, 25);
    auto before = std::make_shared<RecordPage>(), after = std::make_shared<RecordPage>();
    auto spent = std::make_shared<RecordPage>(), shopped = std::make_shared<RecordPage>();
    auto winner = std::make_shared<uint32_t>(99);
    ToTheRecordScreen(program);
    ReadRecordPage(program, before);
    program.ClickWhere("start", Button(10, 2));
    WinTheMatch(program, winner);
    program.WaitForPage(12).ClickWhere("results' next arrow", Image(12, 0));
    BothTeamPages(program, 11);
    // The arena's greed is won; its annihilation is still open.
    program.ClickWhere("annihilation in the arena", Image(11, 1 * MISSION_KINDS + 5)).WaitForPage(10);
    ReadRecordPage(program, after);
    program.ClickUntil("the first member's points", Button(10, 3), [] { return g_Campaign.pendingPoints[0] == 0; });
    ReadRecordPage(program, spent);
    program.ClickWhere("the shop", Button(10, 0)).WaitForPage(14);
    program.ClickWhere("the shop's back arrow", Image(14, 4)).WaitForPage(10);
    program.ClickWhere("the armoury", Button(10, 1)).WaitForPage(15);
    program.ClickWhere("the armoury's back arrow", Image(15, 6)).WaitForPage(10);
    ReadRecordPage(program, shopped);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 11 10 -1 12 13 11 10 14 10 15 10");
    EXPECT_EQ(*winner, 0u);
    for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) {
        SCOPED_TRACE(k);
        EXPECT_FALSE(before->names[k].empty());
        EXPECT_TRUE(before->previews[k]);
        EXPECT_EQ(after->names[k], before->names[k]);
        EXPECT_TRUE(after->previews[k]);
    }
    EXPECT_EQ(after->firstsPoints, 25);
    // Twenty-five points: five to each of the five values.
    std::array<float, PLAYER_ATTRIBUTES> raised = after->firstsValues;
    for (float& a : raised) a += 5.0f;
    EXPECT_EQ(spent->firstsValues, raised);
    EXPECT_EQ(shopped->firstsValues, raised);
    EXPECT_EQ(shopped->firstsPoints, 0);
    // What a restart reads: the member's save with the points, the campaign without them.
    const std::string save = CampaignPlayerSave(dir, 0);
    BinaryReader reader(reinterpret_cast<const uint8_t*>(save.data()), save.size());
    PlayerRecord stored = {};
    ASSERT_TRUE(ReadPlayerRecord(reader, 0, &stored));
    EXPECT_EQ(std::vector<float>(stored.attributes, stored.attributes + PLAYER_ATTRIBUTES),
              std::vector<float>(raised.begin(), raised.end()));
    g_Menu.gameType = 2;
    auto block = std::make_unique<CampaignBlock>();
    ASSERT_TRUE(ReadCampaignBlock(0, 0, block.get(), nullptr));
    EXPECT_EQ(block->pendingPoints[0], 0);
}

TEST_F(ScriptedRunTest, ARandomPlayerMadeInTheEditorIsSavedOnTheWayBackToTheTeam) {
    testsupport::WriteScriptedFolder(dir);
    auto rowInk = std::make_shared<int>(-1);
    auto made = std::make_shared<PlayerRecord>();
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(2).WaitForPage(3);
    program.ClickWhere("the name page's next arrow", Image(3, 3)).WaitForPage(5);
    program.ClickWhere("new player", Button(5, 0)).WaitForPage(9);
    ReadLabelInk(program, EDITOR_NAME_LABEL, rowInk);
    program.ClickUntil("random player", Button(9, 0), [] { return g_Menu.screens->editor.changed != 0; });
    program.Do("the new player", [made](ScriptedProgram&) { *made = *g_Menu.screens->candidateRecord; });
    // Leaving with changes asks whether to keep them; yes saves the player. The back arrow is
    // image 21.
    program.ClickUntil("the editor's back arrow", Image(9, 21), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitForPage(5);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 3 5 9 5");
    EXPECT_GT(*rowInk, 20) << "the first look row's caption";
    // Four players were saved before; the new one takes the next slot.
    const std::string save = CampaignPlayerSave(dir, 4);
    BinaryReader reader(reinterpret_cast<const uint8_t*>(save.data()), save.size());
    PlayerRecord saved = {};
    ASSERT_TRUE(ReadPlayerRecord(reader, 0, &saved));
    EXPECT_EQ(saved.level, made->level);
    EXPECT_EQ(std::memcmp(&saved.look, &made->look, sizeof saved.look), 0) << "the random look";
    EXPECT_EQ(CampaignPlayerSave(dir, 5), "");
}

TEST_F(ScriptedRunTest, AOnePlayerCampaignIsWonAtItsFirstStepAndComesBackReadyForTheNext) {
    testsupport::WriteScriptedFolder(dir, {.testMode = true});
    auto titleInk = std::make_shared<int>(-1);
    auto winner = std::make_shared<uint32_t>(99);
    auto scenarios = std::make_shared<std::array<int, 2>>(std::array<int, 2>{-1, -1});
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(0).WaitForPage(3);
    program.ClickWhere("the name page's next arrow", Image(3, 3)).WaitForPage(20);
    program.ClickWhere("the player's next arrow", Image(20, 1)).WaitForPage(21);
    ReadLabelInk(program, 0, titleInk);
    program.Do("the first step", [scenarios](ScriptedProgram&) { (*scenarios)[0] = g_GameSettings.scenario; });
    program.ClickWhere("the mission's next arrow", Image(21, 1)).WaitForPage(22);
    program.ClickWhere("start", Button(22, 2));
    WinTheMatch(program, winner);
    program.WaitForPage(12).ClickWhere("results' next arrow", Image(12, 0));
    BothTeamPages(program, 21);
    program.Do("the next step", [scenarios](ScriptedProgram&) { (*scenarios)[1] = g_GameSettings.scenario; });
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 3 20 21 22 -1 12 13 21");
    EXPECT_GT(*titleInk, 20) << "the scenario's name over the mission";
    EXPECT_EQ(*winner, 0u);
    EXPECT_EQ((*scenarios)[0], 0);
    EXPECT_EQ((*scenarios)[1], 1);
    // The campaign's file, with its own player after the block, marks the first step won.
    g_Menu.gameType = 1;
    auto block = std::make_unique<CampaignBlock>();
    PlayerRecord own = {};
    ASSERT_TRUE(std::filesystem::exists(CampaignFile(dir, "GCO00.dat")));
    ASSERT_TRUE(ReadCampaignBlock(0, 0, block.get(), &own));
    EXPECT_EQ(block->scenarios[0][CAMPAIGN_WON], 1);
    EXPECT_EQ(block->scenarios[1][CAMPAIGN_WON], 0);
}

// A one-player campaign of side 0 in its first slot, its own player after the block: with every
// step won, or at its first step with points waiting for the player.
void WriteOnePlayerCampaign(bool finished, int32_t pending = 0, PlayerRecord* player = nullptr) {
    g_Menu.gameType = 1;
    ClearCampaign();
    std::snprintf(g_Campaign.name, sizeof g_Campaign.name, "%s", finished ? "Terminada" : "Puntos");
    g_Campaign.slot = 0;
    g_Campaign.side = 0;
    g_Campaign.stage = 0;
    g_Campaign.pendingPoints[0] = pending;
    for (int s = 0; s < CAMPAIGN_SCENARIOS; ++s) {
        uint8_t* scenario = g_Campaign.scenarios[s];
        scenario[CAMPAIGN_PLAYED] = finished || FindMission(SINGLE_MISSIONS, 0, s, 0)->Available();
        scenario[CAMPAIGN_WON] = finished;
    }
    PlayerRecord own = {};
    MakeRandomPlayer(0, &own);
    std::snprintf(own.look.name, sizeof own.look.name, "%s", "Ostha");
    ASSERT_TRUE(SaveCampaign(0, 0, &own));
    if (player) *player = own;
    ClearCampaign();
}

TEST_F(ScriptedRunTest, AFinishedOnePlayerCampaignEndsOnItsPictureAndStaysSaved) {
    testsupport::WriteScriptedFolder(dir);
    WriteOnePlayerCampaign(true);
    const std::string saved = dir.Read("Saves/CAMPAIGNS/GCO00.dat");
    ASSERT_FALSE(saved.empty());
    auto rowInk = std::make_shared<int>(-1);
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(1).WaitForPage(4);
    ReadLabelInk(program, 0, rowInk);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    // Every step won: the mission page shows the information instead.
    program.ClickWhere("load", Button(4, 2)).WaitForPage(23);
    program.ClickWhere("the information's next arrow", Image(23, 0)).WaitForPage(16);
    program.TapKey(os::VK_RETURN).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 23 16 0");
    EXPECT_GT(*rowInk, 20) << "the campaign's caption row";
    // Only the team campaign's end deletes it.
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/GCO00.dat"), saved);
}

TEST_F(ScriptedRunTest, PointsGivenOnTheOnePlayerSummaryStayThroughBothShops) {
    testsupport::WriteScriptedFolder(dir);
    PlayerRecord own = {};
    WriteOnePlayerCampaign(false, 10, &own);
    auto values = std::make_shared<std::array<float, 3>>(std::array<float, 3>{-1, -1, -1});
    auto points = std::make_shared<std::array<int, 3>>(std::array<int, 3>{-1, -1, -1});
    auto read = [values, points](int i) {
        return [values, points, i](ScriptedProgram&) {
            (*values)[size_t(i)] = g_Menu.screens->teamRecords[0].attributes[0];
            (*points)[size_t(i)] = g_Campaign.pendingPoints[0];
        };
    };
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(1).WaitForPage(4);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    program.ClickWhere("load", Button(4, 2)).WaitForPage(21);
    program.ClickWhere("the mission's next arrow", Image(21, 1)).WaitForPage(22);
    // Plus beside the first value, twice: two of the ten points given.
    program.ClickUntil("plus", Image(22, 21), [] { return g_Campaign.pendingPoints[0] == 9; });
    program.ClickUntil("plus again", Image(22, 21), [] { return g_Campaign.pendingPoints[0] == 8; });
    program.Do("given", read(0));
    program.ClickWhere("the shop", Button(22, 0)).WaitForPage(14);
    program.ClickWhere("the shop's back arrow", Image(14, 4)).WaitForPage(22);
    program.Wait(2).Do("after the shop", read(1));
    program.ClickWhere("the armoury", Button(22, 1)).WaitForPage(15);
    program.ClickWhere("the armoury's back arrow", Image(15, 6)).WaitForPage(22);
    program.Wait(2).Do("after the armoury", read(2));
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 21 22 14 22 15 22");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((*values)[size_t(i)], own.attributes[0] + 2.0f);
        EXPECT_EQ((*points)[size_t(i)], 8);
    }
    // What a restart reads: the campaign's own player with the two points, eight still waiting.
    g_Menu.gameType = 1;
    auto block = std::make_unique<CampaignBlock>();
    PlayerRecord stored = {};
    ASSERT_TRUE(ReadCampaignBlock(0, 0, block.get(), &stored));
    EXPECT_EQ(stored.attributes[0], own.attributes[0] + 2.0f);
    EXPECT_EQ(block->pendingPoints[0], 8);
}

}  // namespace
