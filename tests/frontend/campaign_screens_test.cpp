// The campaign and shop screens: buying and selling with the campaign's credits, putting pieces
// on and taking them off, the cards after a match and the progress they apply, the stage rewards,
// the team-ready and team-summary screens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/binary_reader.h"
#include "core/settings.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/menu_fixture.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "platform/os/path.h"
#include "support/key_press.h"

using menutest::Log;
using menutest::MenuTest;

namespace {

class CampaignScreensTest : public MenuTest {
protected:
    MenuScreens* s = nullptr;

    void SetUp() override {
        MenuTest::SetUp();
        Build(0);
        StopFading();
        s = g_Menu.screens;
        g_Menu.variant = 0;
        g_Menu.saveMode = 2;
        g_Menu.gameType = 2;
        ClearCampaign();
        ClearEquipmentLists();
        g_Campaign.slot = 0;
        g_Campaign.side = 0;
    }
    void TearDown() override {
        g_Settings.test = 0;
        MenuTest::TearDown();
    }
    void Show(int screen) {
        DropButtons();
        s->SetScreen(screen);
        g_Menu.page = g_Menu.targetPage = screen;
        StopFading();
        Log().sounds.clear();
    }
    // A player of side 0 at a level, put into team slot k.
    int Member(int k, uint32_t level) {
        PlayerRecord r;
        MakeRandomPlayer(0, &r);
        r.level = level;
        const int slot = AddPlayerRecord(r);
        s->teamIndex[k] = g_Menu.teamSlots[0][k] = slot;
        g_Campaign.members[k] = slot;
        return slot;
    }
    static void PointAtRect(float left, float top, float w, float h) {
        const ScreenRect& r = g_Video.screenRect;
        g_Mouse.x = int32_t((left + w / 2) * float(r.right - r.left + 1));
        g_Mouse.y = int32_t((top + h / 2) * float(r.bottom - r.top + 1));
    }
    void Frame(bool pressed) {
        g_Mouse.buttons[MOUSE_LEFT].pressed = g_Mouse.buttons[MOUSE_LEFT].held = pressed ? 1 : 0;
        s->Update();
        g_Mouse.buttons[MOUSE_LEFT].pressed = g_Mouse.buttons[MOUSE_LEFT].held = 0;
    }
    void ClickRect(float x, float y, float w, float h) {
        PointAtRect(x, y, w, h);
        Frame(true);
    }
    void Click(const MenuPanel& p) { ClickRect(p.x, p.y, p.w, p.h); }
    void Click(const ImageButton& b) {
        ClickRect(AlignIs(b.align, 'D') ? b.x - b.w : AlignIs(b.align, 'C') ? b.x - b.w / 2 : b.x, b.y, b.w, b.h);
    }
    void Answer(bool yes) {
        (yes ? g_Menu.enterPressed : g_Menu.escapePressed) = 1;
        Frame(false);
        g_Menu.enterPressed = g_Menu.escapePressed = 0;
    }
    static bool Heard(int fx) { return std::count(Log().sounds.begin(), Log().sounds.end(), fx) > 0; }
};

int LabelsInUse(const MenuScreens& s) {
    int n = 0;
    for (const TextLabel& l : s.labels) n += l.inUse ? 1 : 0;
    return n;
}

TEST(ShopPriceTest, APurchaseCostsThePriceOverTheDivisorAndASaleSixTenthsOfIt) {
    ASSERT_EQ(GetEquipmentRow(0, 0)->price, 111u);
    ASSERT_EQ(GetEquipmentRow(0, 5)->price, 364u);
    struct Case { int kind, id; float divisor; int32_t buy, sell; };
    for (const Case c : {Case{0, 0, 1.0f, 111, 66}, Case{0, 0, 4.0f, 27, 16}, Case{0, 5, 1.0f, 364, 218},
                         Case{0, 5, 4.0f, 91, 54}, Case{0, 54, 1.0f, 0, 0}, Case{5, 0, 1.0f, 0, 0},
                         Case{0, 0, 0.0f, 0, 0}}) {
        EXPECT_EQ(ShopBuyPrice(c.kind, c.id, c.divisor), c.buy) << c.kind << "/" << c.id << "/" << c.divisor;
        EXPECT_EQ(ShopSellPrice(c.kind, c.id, c.divisor), c.sell) << c.kind << "/" << c.id << "/" << c.divisor;
    }
}

TEST_F(CampaignScreensTest, ShopABuysWithTheCreditsRefusesWhenShortAndSellsBack) {
    Member(0, 5);
    g_Campaign.credits = 120;
    AddToShop(0, 0);   // level 0, 111 credits
    AddToShop(0, 1);   // level 4, 161 credits
    Show(14);
    Frame(false);
    EXPECT_EQ(s->buttons[0].enabled, 0) << "nothing selected";
    Click(s->panels[2]);
    EXPECT_EQ(s->shopSelected[0], 0);
    EXPECT_EQ(s->boxOpen, 0);
    Click(s->panels[2]);
    ASSERT_EQ(s->boxOpen, 1) << "a second click on the selected row asks";
    Answer(true);
    EXPECT_EQ(g_Campaign.credits, 9);
    EXPECT_EQ(g_Campaign.inventory[0][0], 0);
    EXPECT_EQ(s->ShopListCount(SHOP_LIST_STOCK), 1);
    EXPECT_NE(std::string(s->labels[12].text).find(":9"), std::string::npos) << s->labels[12].text;
    EXPECT_EQ(ListCampaigns(0), 1) << "the purchase is saved";

    // 161 credits with 9 in hand: refused, and no question.
    Log().sounds.clear();
    Click(s->panels[2]);
    EXPECT_EQ(s->boxOpen, 0);
    EXPECT_TRUE(Heard(FX_REFUSE));
    EXPECT_EQ(g_Campaign.credits, 9);
    Frame(false);
    EXPECT_EQ(s->buttons[0].enabled, 0);

    // The owned piece sells for trunc(111 x 0.6).
    Click(s->panels[4]);
    Click(s->panels[4]);
    Answer(true);
    EXPECT_EQ(g_Campaign.credits, 75);
    EXPECT_EQ(InventoryCount(), 0);
    EXPECT_EQ(s->ShopListCount(SHOP_LIST_STOCK), 2);

    // The one-player campaign pays a quarter: 111 / 4, truncated.
    g_Menu.gameType = 1;
    Show(14);
    Click(s->panels[3]);
    Click(s->panels[3]);
    Answer(true);
    EXPECT_EQ(g_Campaign.credits, 75 - 27);
}

TEST_F(CampaignScreensTest, ShopASellsAPieceForExactlyTheCreditsLeftButNotIntoAFullInventory) {
    // Helmet 0 costs 111, or 111 / 4 = 27 in the one-player campaign.
    const struct {
        const char* what;
        uint8_t gameType;
        int32_t credits;
        int owned;
        bool bought;
    } cases[] = {
        {"the price exactly", 2, 111, 0, true},        {"one short", 2, 110, 0, false},
        {"a quarter exactly", 1, 27, 0, true},         {"one short of a quarter", 1, 26, 0, false},
        {"one place left among the helmets", 2, 1000, INVENTORY_PER_KIND - 1, true},
        {"every helmet place taken", 2, 1000, INVENTORY_PER_KIND, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ClearCampaign();
        ClearEquipmentLists();
        g_Menu.gameType = c.gameType;
        Member(0, 5);
        g_Campaign.credits = c.credits;
        // The catalogue's first helmet counts as owned like any other.
        for (int i = 0; i < c.owned; ++i) ASSERT_TRUE(AddToInventory(0, 0));
        AddToShop(0, 0);
        Show(14);
        Click(s->panels[2]);
        Click(s->panels[2]);
        EXPECT_EQ(s->boxOpen, c.bought ? 1 : 0);
        EXPECT_EQ(Heard(FX_REFUSE), !c.bought);
        if (s->boxOpen) Answer(true);
        const int32_t price = c.gameType == 1 ? 27 : 111;
        EXPECT_EQ(g_Campaign.credits, c.bought ? c.credits - price : c.credits);
        EXPECT_EQ(InventoryCount(), c.owned + (c.bought ? 1 : 0));
        EXPECT_EQ(s->ShopListCount(SHOP_LIST_STOCK), c.bought ? 0 : 1);
    }
}

TEST_F(CampaignScreensTest, ShopListsScrollARowAtATimeWithinTheirLengthAndAnEmptyRowIsRefused) {
    Member(0, 50);
    g_Campaign.credits = 1000;
    for (int id : {0, 1, 2}) AddToShop(0, id);
    AddToInventory(0, 3);
    Show(14);
    struct Step {
        int arrow, first;
        bool up, down;
    };
    // Three pieces in two rows: down once, a second press stays put, up again.
    const Step steps[] = {{-1, 0, false, true}, {1, 1, true, false}, {1, 1, true, false}, {0, 0, false, true},
                          {1, 1, true, false}};
    for (const Step& st : steps) {
        if (st.arrow >= 0) Click(s->images[st.arrow]);
        Frame(false);
        EXPECT_EQ(s->shopFirst[0], st.first);
        EXPECT_EQ(s->images[0].enabled, st.up ? 1 : 0) << st.first;
        EXPECT_EQ(s->images[1].enabled, st.down ? 1 : 0) << st.first;
    }
    // The top row now shows the second piece; bought, the shorter list comes back to its start.
    Click(s->panels[2]);
    EXPECT_EQ(s->shopSelected[0], 1);
    Click(s->panels[2]);
    ASSERT_EQ(s->boxOpen, 1);
    Answer(true);
    EXPECT_EQ(g_Campaign.inventory[0][1], 1);
    EXPECT_EQ(s->shopFirst[0], 0);
    EXPECT_EQ(s->ShopListCount(SHOP_LIST_OWNED), 2);
    // The last row, still selected, bought: the selection moves up onto what is now the last.
    ASSERT_EQ(s->shopSelected[0], 1);
    Click(s->panels[3]);
    ASSERT_EQ(s->boxOpen, 1);
    Answer(true);
    EXPECT_EQ(s->ShopListCount(SHOP_LIST_STOCK), 1);
    EXPECT_EQ(s->shopSelected[0], 0);
    // A row past the end of its list refuses the click.
    ClearEquipmentLists();
    RemoveFromInventory(0, 1);
    RemoveFromInventory(0, 2);
    ASSERT_EQ(InventoryCount(), 1);
    Show(14);
    Click(s->panels[5]);
    EXPECT_TRUE(Heard(FX_REFUSE));
    EXPECT_EQ(s->shopSelected[1], -1);
    Log().sounds.clear();
    Click(s->panels[2]);
    EXPECT_TRUE(Heard(FX_REFUSE)) << "an empty stock";
    EXPECT_EQ(s->shopSelected[0], -1);
}

TEST_F(CampaignScreensTest, ShopBTakesNothingOffIntoAFullInventory) {
    const int slot = Member(0, 5);
    PlayerRecord* r = g_Menu.playerTables.records[0][slot];
    r->look.equipment[0] = 1;
    for (int i = 0; i < INVENTORY_PER_KIND; ++i) ASSERT_TRUE(AddToInventory(0, 0));
    Show(15);
    const MenuPanel& worn = s->panels[9];
    ClickRect(worn.x, worn.y, worn.w / 2, worn.h);
    ClickRect(worn.x, worn.y, worn.w / 2, worn.h);
    EXPECT_TRUE(Heard(FX_REFUSE));
    EXPECT_EQ(r->look.equipment[0], 1);
    EXPECT_EQ(InventoryCount(), INVENTORY_PER_KIND);
    // One place free: it comes off.
    RemoveFromInventory(0, 0);
    Show(15);
    ClickRect(worn.x, worn.y, worn.w / 2, worn.h);
    ClickRect(worn.x, worn.y, worn.w / 2, worn.h);
    EXPECT_EQ(r->look.equipment[0], -1);
    EXPECT_EQ(InventoryCount(), INVENTORY_PER_KIND);
}

TEST_F(CampaignScreensTest, ShopBGivesTheCataloguesFirstPieceBackLikeAnyOther) {
    const int slot = Member(0, 5);
    PlayerRecord* r = g_Menu.playerTables.records[0][slot];
    r->look.equipment[0] = 0;
    AddToInventory(0, 1);   // level 4
    Show(15);
    Click(s->panels[4]);
    Click(s->panels[4]);
    EXPECT_EQ(r->look.equipment[0], 1);
    EXPECT_EQ(std::vector<int>(g_Campaign.inventory[0], g_Campaign.inventory[0] + 2), std::vector<int>({0, -1}));
}

TEST_F(CampaignScreensTest, ShopAsBackArrowLeadsToTheTeamOfItsCampaign) {
    Member(0, 5);
    for (uint8_t type : {1, 2}) {
        SCOPED_TRACE(int(type));
        g_Menu.gameType = type;
        Show(14);
        Click(s->images[4]);
        EXPECT_EQ(g_Menu.targetPage, type == 1 ? 22 : 10);
    }
}

TEST_F(CampaignScreensTest, ShopAsTestKeyAndDebugLinesWorkOnlyInTestMode) {
    Member(0, 0);
    os::GetAsyncKeyState('C');
    size_t draws[2] = {};
    for (uint8_t test : {0, 1}) {
        g_Settings.test = test;
        g_Campaign.credits = 5;
        Show(14);
        testsupport::PressAndReleaseKey('C');
        Frame(false);
        Frame(false);
        EXPECT_EQ(g_Campaign.credits, test ? 10005 : 5);
        rec->ClearLog();
        s->DrawScreen();
        draws[test] = rec->Draws().size();
    }
    EXPECT_GT(draws[1], draws[0]) << "the four debug lines";
}

TEST_F(CampaignScreensTest, ShopBPutsOnWhatTheMemberMayWearAndTakesItOffAgain) {
    const int slot = Member(0, 5);
    PlayerRecord* r = g_Menu.playerTables.records[0][slot];
    r->look.equipment[0] = 1;
    AddToInventory(0, 0);   // level 0
    AddToInventory(0, 5);   // level 20
    Show(15);
    Click(s->panels[4]);
    Click(s->panels[4]);
    EXPECT_EQ(s->teamRecords[0].look.equipment[0], 0);
    EXPECT_EQ(r->look.equipment[0], 0) << "the table's record follows";
    // The helmet worn before goes back to the team: nothing lost, nothing doubled.
    EXPECT_EQ(std::vector<int>(g_Campaign.inventory[0], g_Campaign.inventory[0] + 3), std::vector<int>({5, 1, -1}));
    EXPECT_TRUE(ReloadPlayerSave(0, slot)) << "the member's save is written";

    // The level-20 helmet is refused.
    Log().sounds.clear();
    Click(s->panels[4]);
    EXPECT_TRUE(Heard(FX_REFUSE));
    EXPECT_EQ(s->teamRecords[0].look.equipment[0], 0);

    // Off again from the worn row's first half.
    const MenuPanel& worn = s->panels[9];
    ClickRect(worn.x, worn.y, worn.w / 2, worn.h);
    ClickRect(worn.x, worn.y, worn.w / 2, worn.h);
    EXPECT_EQ(r->look.equipment[0], -1);
    EXPECT_EQ(InventoryCount(), 3);
}

TEST(StageRewardTest, EachSideIsRewardedAfterItsFifthTenthAndFifteenthScenario) {
    struct Case { int side, step, group; };
    for (const Case c : {Case{0, 4, 0}, Case{0, 9, 1}, Case{0, 14, 2}, Case{0, 5, -1}, Case{0, 19, -1},
                         Case{1, 15, 0}, Case{1, 10, 1}, Case{1, 5, 2}, Case{1, 4, -1}, Case{2, 4, -1}})
        EXPECT_EQ(StageRewardGroup(c.side, c.step), c.group) << c.side << "/" << c.step;
    // Every kind belongs to exactly one group.
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        int groups = 0;
        for (int g = 0; g < 3; ++g) groups += StageGroupHasKind(g, kind);
        EXPECT_EQ(groups, 1) << kind;
    }
}

TEST_F(CampaignScreensTest, AStageRewardPutsTheSpecialRecordsPiecesOnAndKeepsTheOldOnes) {
    g_Menu.gameType = 1;
    PlayerRecord special;
    MakeRandomPlayer(0, &special);
    const int32_t pieces[5] = {3, 60, 6, 7, 8};   // gloves outside the catalogue
    std::copy(pieces, pieces + 5, special.look.equipment);
    BinaryWriter w;
    WritePlayerRecord(w, special);
    ASSERT_TRUE(os::WriteFileReplacing("Saves/GCV_Enemies/PlO41.dat", w.Data()));
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    own.look.equipment[0] = 10;
    own.look.equipment[1] = 2;
    ASSERT_TRUE(CopyPlayerToSlot(0, 0, own));
    s->teamIndex[0] = 0;

    EXPECT_FALSE(s->GrantStageEquipment(&own, 5)) << "step 5 grants side 0 nothing";
    EXPECT_EQ(own.look.equipment[0], 10);
    ASSERT_TRUE(s->GrantStageEquipment(&own, 4));
    EXPECT_EQ(own.look.equipment[0], 3);
    EXPECT_EQ(own.look.equipment[1], 2) << "an id past the catalogue is no piece";
    EXPECT_EQ(own.look.equipment[2], -1) << "boots are another group's";
    EXPECT_EQ(g_Campaign.inventory[0][0], 10);
    EXPECT_EQ(g_Menu.playerTables.records[0][0]->look.equipment[0], 3) << "stored";
    // Side 1 has no special record here.
    g_Menu.variant = 1;
    EXPECT_FALSE(s->GrantStageEquipment(&own, 15));
}

TEST_F(CampaignScreensTest, TheOwnCardsApplyTheMatchOnceAndAWinKeepsTheBeatenEnemiesLevels) {
    const int first = Member(0, 2);
    const int second = Member(1, 2);
    g_GameSettings.fightersOwnMode2 = 2;
    g_GameSettings.fightersEnemyMode2 = 3;
    g_GameSettings.side = 0;
    g_GameSettings.scenario = 2;
    std::memset(g_Menu.results, 0, sizeof g_Menu.results);
    g_Menu.results[RESULT_ELAPSED] = 60000;
    g_Menu.results[RESULT_WINNER] = 0;
    const auto row = [](int r) { return g_Menu.results + RESULT_FIGHTER_FIRST + r * RESULT_FIGHTER_FIELDS; };
    // The second member fought in the first row and gained two levels.
    row(0)[FIGHTER_LINEUP_ID] = uint32_t(second);
    row(0)[FIGHTER_LEVEL] = 4;
    row(0)[FIGHTER_EXPERIENCE] = 150;
    row(1)[FIGHTER_LINEUP_ID] = uint32_t(first);
    row(1)[FIGHTER_LEVEL] = 2;
    for (int e = 0; e < 3; ++e) {
        row(2 + e)[FIGHTER_SIDE] = 1;
        row(2 + e)[FIGHTER_LINEUP_ID] = uint32_t(e);
        row(2 + e)[FIGHTER_LEVEL] = 7;
        row(2 + e)[FIGHTER_EXPERIENCE] = 30;
    }
    g_Menu.resultsPending = 1;
    g_Menu.resultsFought = 0x1F;
    Show(12);
    EXPECT_EQ(s->progressPending, 1);
    s->teamSelection = 0;
    Show(13);
    EXPECT_EQ(g_Campaign.pendingPoints[1], 50);
    EXPECT_EQ(g_Campaign.pendingPoints[0], 0);
    const PlayerRecord* r = g_Menu.playerTables.records[0][second];
    EXPECT_EQ(r->level, 4u);
    EXPECT_EQ(r->extra, 150.0f);
    for (int e = 0; e < 3; ++e) {
        EXPECT_EQ(g_Campaign.enemyLevels[e].minimumLevel, 7) << e;
        EXPECT_EQ(g_Campaign.enemyLevels[e].value, 30.0f) << e;
    }
    EXPECT_EQ(g_Campaign.enemyLevels[3].minimumLevel, 0);
    EXPECT_EQ(ListCampaigns(0), 1) << "the team campaign keeps its points";
    // Two cards of the two-card layout, in row order.
    EXPECT_FLOAT_EQ(s->panels[0].x, 0.29f);
    EXPECT_FLOAT_EQ(s->panels[1].y, 0.56f);
    EXPECT_EQ(s->panels[2].visible, 0);
    EXPECT_EQ(s->cardRow[0], 0);
    EXPECT_EQ(s->cardRow[1], 1);

    // The same results again change nothing; the next arrow goes on to the enemies' page.
    Show(13);
    EXPECT_EQ(g_Campaign.pendingPoints[1], 50);
    Click(s->images[0]);
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, 13);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_ACCEPT, 204}));
    s->teamSelection = 1;
    Show(13);
    EXPECT_FLOAT_EQ(s->panels[0].x, 0.4f);
    EXPECT_EQ(s->cardRow[2], 4);
    EXPECT_EQ(s->cardRow[3], -1);

    // A row naming no record is passed over, even against an empty member slot.
    g_Menu.gameType = 1;
    g_Campaign.members[3] = -1;
    row(0)[FIGHTER_LINEUP_ID] = 0xFFFFFFFFu;
    s->progressPending = 1;
    s->teamSelection = 0;
    Show(13);
    EXPECT_EQ(g_Campaign.pendingPoints[3], 0);
    EXPECT_EQ(s->progressPending, 0);
}

// A stage of one fighter a side played with teams of four, by either side: the rows nobody
// played are zeros, which read as the Orlins' fighter of lineup 0. They fill no card, change no
// member (here the one of player slot 0) and store no enemy's level.
TEST_F(CampaignScreensTest, OnlyTheRowsOfFightersWhoPlayedFillCardsAndApplyProgress) {
    constexpr int kEmptyLabel = 36;
    constexpr uint32_t kEnemy = 3;
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(testing::Message() << "side " << side);
        ClearCampaign();
        g_Campaign.slot = 0;
        g_Campaign.side = uint32_t(side);
        g_Menu.variant = side;
        g_GameSettings.side = side;
        // Each side's first stage: the Voraks play the scenarios from the last down.
        g_Campaign.stage = side == 0 ? 0 : CAMPAIGN_STAGES - 1;
        g_GameSettings.scenario = side == 0 ? 0 : CAMPAIGN_SCENARIOS - 1;
        g_GameSettings.fightersOwnMode2 = 4;
        g_GameSettings.fightersEnemyMode2 = 4;
        const auto member = [&](int k, uint32_t level) {
            PlayerRecord r;
            MakeRandomPlayer(side, &r);
            r.level = level;
            const int slot = AddPlayerRecord(r);
            s->teamIndex[k] = g_Menu.teamSlots[side][k] = slot;
            g_Campaign.members[k] = slot;
            return slot;
        };
        const int idle = member(1, 5);
        const int player = member(0, 2);
        ASSERT_EQ(idle, 0);
        g_Campaign.enemyLevels[0] = {6, 12.0f};
        std::memset(g_Menu.results, 0, sizeof g_Menu.results);
        g_Menu.results[RESULT_ELAPSED] = 45000;
        g_Menu.results[RESULT_WINNER] = uint32_t(side);
        const auto row = [](int r) { return g_Menu.results + RESULT_FIGHTER_FIRST + r * RESULT_FIGHTER_FIELDS; };
        row(0)[FIGHTER_SIDE] = uint32_t(side);
        row(0)[FIGHTER_LINEUP_ID] = uint32_t(player);
        row(0)[FIGHTER_LEVEL] = 3;
        row(0)[FIGHTER_EXPERIENCE] = 40;
        row(1)[FIGHTER_SIDE] = uint32_t(1 - side);
        row(1)[FIGHTER_LINEUP_ID] = kEnemy;
        row(1)[FIGHTER_LEVEL] = 7;
        row(1)[FIGHTER_EXPERIENCE] = 30;
        g_Menu.resultsFought = 0x3;
        g_Menu.resultsPending = 1;
        Show(12);
        ASSERT_EQ(s->progressPending, 1);
        for (int shown : {side, 1 - side}) {
            SCOPED_TRACE(shown == side ? "own cards" : "enemy cards");
            s->teamSelection = shown;
            Show(13);
            EXPECT_EQ(s->cardRow[0], shown == side ? 0 : 1);
            for (int i = 1; i < SCREEN_TEAM; ++i) {
                EXPECT_EQ(s->cardRow[i], -1) << i;
                EXPECT_EQ(s->labels[kEmptyLabel + i].visible, 1) << "card " << i << " not marked empty";
            }
            EXPECT_EQ(s->labels[kEmptyLabel].visible, 0);
        }
        EXPECT_EQ(g_Menu.playerTables.records[side][player]->level, 3u);
        EXPECT_EQ(g_Menu.playerTables.records[side][idle]->level, 5u) << "a member who did not play";
        EXPECT_EQ(g_Campaign.pendingPoints[1], 0);
        EXPECT_EQ(g_Campaign.enemyLevels[kEnemy].minimumLevel, 7);
        EXPECT_EQ(g_Campaign.enemyLevels[0].minimumLevel, 6) << "an enemy who did not play";
        EXPECT_EQ(g_Campaign.enemyLevels[0].value, 12.0f);
    }
}

// A training match's own cards: each card carries the record its row's fighter was made from,
// the player's and its team-mate's.
TEST_F(CampaignScreensTest, EachOwnCardCarriesTheNameOfItsRowsFighter) {
    g_Menu.saveMode = 0;
    g_Menu.gameType = 1;
    const char* const names[2] = {"Player", "Mate"};
    int slots[2];
    for (int k = 0; k < 2; ++k) {
        PlayerRecord r;
        MakeRandomPlayer(0, &r);
        std::memset(r.look.name, 0, sizeof r.look.name);
        std::strcpy(r.look.name, names[k]);
        slots[k] = AddPlayerRecord(r);
        ASSERT_GE(slots[k], 0);
    }
    g_GameSettings.fightersOwnMode2 = 2;
    g_GameSettings.fightersEnemyMode2 = 2;
    std::memset(g_Menu.results, 0, sizeof g_Menu.results);
    for (int row = 0; row < 4; ++row) {
        uint32_t* r = g_Menu.results + RESULT_FIGHTER_FIRST + row * RESULT_FIGHTER_FIELDS;
        // The enemies' rows come between, as the match numbers its fighters.
        r[FIGHTER_SIDE] = row == 0 || row == 2 ? 0 : 1;
        r[FIGHTER_LINEUP_ID] = row == 0 ? uint32_t(slots[0]) : row == 2 ? uint32_t(slots[1]) : uint32_t(10 + row);
    }
    g_Menu.resultsFought = 0xF;
    s->teamSelection = 0;
    s->progressPending = 0;
    Show(13);
    EXPECT_EQ(s->cardRow[0], 0);
    EXPECT_EQ(s->cardRow[1], 2);
    for (int k = 0; k < 2; ++k) {
        ASSERT_TRUE(s->labels[k].text) << k;
        EXPECT_STREQ(s->labels[k].text, names[k]);
    }
}

// A card's level row reads as every other page shows a level to the player, one above the
// stored number: a fighter who ended the match at level 6 reads 7.
TEST_F(CampaignScreensTest, ACardPrintsTheLevelAsTheRestOfTheGameShowsIt) {
    const int slot = Member(0, 6);
    g_GameSettings.fightersOwnMode2 = 1;
    g_GameSettings.fightersEnemyMode2 = 1;
    g_GameSettings.side = 0;
    std::memset(g_Menu.results, 0, sizeof g_Menu.results);
    uint32_t* row = g_Menu.results + RESULT_FIGHTER_FIRST;
    row[FIGHTER_LINEUP_ID] = uint32_t(slot);
    row[FIGHTER_LEVEL] = 6;
    row[FIGHTER_EXPERIENCE] = 40;
    g_Menu.resultsFought = 0x1;
    s->progressPending = 0;
    s->teamSelection = 0;
    Show(13);
    ASSERT_EQ(s->cardRow[0], 0);
    constexpr int kLevelRow = 4 + 6;
    const MenuPanel& card = s->panels[0];
    const float y = s->labels[kLevelRow].y;
    rec->ClearLog();
    s->DrawValues();
    const auto drawn = screentest::DrawnGlyphs(*rec);
    const auto printed = [&](const char* text) {
        rec->ClearLog();
        g_Font.Print(5, 18, card.x + card.w - 0.01f, y, 0, text, 'd', true);
        return screentest::DrawnGlyphs(*rec);
    };
    const auto seven = printed("7"), six = printed("6");
    ASSERT_FALSE(seven.empty());
    ASSERT_FALSE(screentest::AllDrawnAmong(six, seven)) << "the font tells the two apart";
    EXPECT_TRUE(screentest::AllDrawnAmong(seven, drawn));
    EXPECT_FALSE(screentest::AllDrawnAmong(six, drawn));
}

TEST_F(CampaignScreensTest, TheResultsReadTheTeamsSavesAgainAndAWinRestocksTheShop) {
    const int slot = Member(0, 3);
    ASSERT_TRUE(SavePlayer(0, slot));
    g_Menu.playerTables.records[0][slot]->level = 9;
    g_GameSettings.fightersOwnMode2 = 1;
    g_GameSettings.scenario = 1;
    g_GameSettings.gameKind = 0;
    std::memset(g_Menu.results, 0, sizeof g_Menu.results);
    g_Menu.results[RESULT_ELAPSED] = 1000;
    g_Menu.results[RESULT_WINNER] = 0;
    g_Menu.resultsPending = 1;
    Show(12);
    EXPECT_EQ(s->teamRecords[0].level, 3u);
    EXPECT_EQ(g_Menu.playerTables.records[0][slot]->level, 3u);
    EXPECT_GT(ShopCount(), 0);
}

TEST_F(CampaignScreensTest, TheSummarysPlusTakesAPointUpToTheCapAndMinusStopsAtTheStart) {
    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    own.attributes[3] = CampaignAttributeCap(3);
    ASSERT_TRUE(CopyPlayerToSlot(0, 0, own));
    s->teamIndex[0] = g_Menu.teamSlots[0][0] = 0;
    g_Campaign.pendingPoints[0] = 1;
    Show(22);
    // The test pictures are out of scale with the screen: buttons of a size to hit one at a time.
    Screen(1024, 768);
    for (int i = 16; i <= 25; ++i) s->images[i].w = s->images[i].h = 0.03f;
    const float strength = s->teamRecords[0].attributes[0];
    Click(s->images[21]);
    EXPECT_EQ(s->teamRecords[0].attributes[0], strength + 1.0f);
    EXPECT_EQ(g_Campaign.pendingPoints[0], 0);
    Click(s->images[21]);
    EXPECT_EQ(s->teamRecords[0].attributes[0], strength + 1.0f) << "no points left";
    Click(s->images[16]);
    EXPECT_EQ(g_Campaign.pendingPoints[0], 1);
    Log().sounds.clear();
    Click(s->images[16]);
    EXPECT_EQ(s->teamRecords[0].attributes[0], strength) << "not below the start";
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    Log().sounds.clear();
    Click(s->images[24]);
    EXPECT_EQ(s->teamRecords[0].attributes[3], CampaignAttributeCap(3)) << "agility at its cap";
    EXPECT_EQ(g_Campaign.pendingPoints[0], 1);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
}

// The text of the label on the same line to the right of the one reading `name`; "(no name)"
// when no label reads it, "(no value)" when nothing stands beside it.
std::string ValueBeside(const MenuScreens& s, const char* name) {
    const TextLabel* named = nullptr;
    for (const TextLabel& l : s.labels)
        if (l.inUse && l.visible && std::strcmp(l.text, name) == 0) named = &l;
    if (!named) return "(no name)";
    for (const TextLabel& l : s.labels)
        if (l.inUse && l.visible && &l != named && std::fabs(l.y - named->y) < 1e-4f && l.x > named->x)
            return l.text;
    return "(no value)";
}

// The team panels of the campaign hub and of the one-player summary put the team's size beside
// the own team's name and the stage's enemies beside the enemy team's, as the set-up rows name
// those two texts.
TEST_F(CampaignScreensTest, TheTeamPanelsPutEachCountBesideItsOwnName) {
    dir.Write("textos.txt", dir.Read("textos.txt") + "TXT0537\"Ours\";\nTXT0540\"Theirs\";\n");
    g_TextTable.Load("textos.txt");
    Member(0, 4);
    g_GameSettings.fightersOwnMode2 = 4;
    g_GameSettings.fightersEnemyMode2 = 1;
    g_Menu.gameType = 1;
    Show(22);
    EXPECT_EQ(ValueBeside(*s, "Ours"), "4");
    EXPECT_EQ(ValueBeside(*s, "Theirs"), "1");
    g_Menu.gameType = 2;
    Show(10);
    EXPECT_EQ(ValueBeside(*s, "Theirs"), "1");
    EXPECT_EQ(ValueBeside(*s, "Ours"), "(no name)") << "the hub counts only the enemies";
}

// The enemy team's level on the team summary and the campaign hub: the average of the next
// match's enemies, each at least the minimum its record has in the stage's table, plus one. The
// hub follows a next match that changes while it is shown.
TEST_F(CampaignScreensTest, TheTeamPagesShowTheNextMatchsAverageEnemyLevel) {
    dir.Write("textos.txt", dir.Read("textos.txt") + "TXT0540\"Theirs\";\nTXT0707\"Their level\";\n");
    g_TextTable.Load("textos.txt");
    Member(0, 4);
    const int difficulty = g_Settings.difficulty;
    g_Settings.difficulty = 1;   // the levels as stored
    g_Campaign.stage = 1;
    g_GameSettings.side = 0;
    // Three enemies of the second stage, whose records are numbered from 20: the second one's
    // record asks for more than its level, the third's for less.
    const uint32_t records[3] = {22, 25, 27}, levels[3] = {10, 12, 14};
    for (int i = 0; i < 3; ++i) g_GameSettings.team[i] = records[i], g_GameSettings.team[4 + i] = levels[i];
    g_Campaign.enemyLevels[5].minimumLevel = 30;
    g_Campaign.enemyLevels[7].minimumLevel = 9;
    g_GameSettings.fightersEnemyMode2 = 3;
    const std::string level = std::to_string((10 + 30 + 14) / 3 + 1);
    g_Menu.gameType = 1;
    Show(22);
    EXPECT_EQ(ValueBeside(*s, "Their level"), level);
    g_Menu.gameType = 2;
    Show(10);
    EXPECT_EQ(ValueBeside(*s, "Their level"), level);
    EXPECT_EQ(ValueBeside(*s, "Theirs"), "3");
    // Two enemies now, the first stronger.
    g_GameSettings.fightersEnemyMode2 = 2;
    g_GameSettings.team[4] = 40;
    PointAtRect(0.0f, 0.0f, 0.01f, 0.01f);
    Frame(false);
    EXPECT_EQ(g_Menu.page, 10);
    EXPECT_EQ(ValueBeside(*s, "Their level"), std::to_string((40 + 30) / 2 + 1));
    EXPECT_EQ(ValueBeside(*s, "Theirs"), "2");
    g_Settings.difficulty = difficulty;
}

TEST_F(CampaignScreensTest, StatLinesEndAtOneXWithOrWithoutABonus) {
    ASSERT_GT(g_Font.TextWidth("50", 2, 4), 0.0f) << "the menu's font measures";
    PlayerRecord r;
    MakeRandomPlayer(0, &r);
    r.look.equipment[0] = 5;   // helmet 5: constitution +25, agility +8
    rec->ClearLog();
    s->DrawStatLines(r, 0.5f, 0.3f, 0.05f);
    // The glyphs' right edges by line (their top in pixels).
    std::map<int, float> right, left;
    std::map<int, int> glyphs;
    for (const gfx::DrawRecord& d : rec->Draws()) {
        const std::vector<screentest::DrawnVertex> v = screentest::VerticesOf(d);
        if (v.empty()) continue;
        float top = v[0].y, x0 = v[0].x, x1 = v[0].x;
        for (const auto& p : v) top = std::min(top, p.y), x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        const int line = int(std::lround((top / float(kSize) - 0.3f) / 0.05f));
        right[line] = std::max(right.count(line) ? right[line] : 0.0f, x1);
        left[line] = std::min(left.count(line) ? left[line] : 1e9f, x0);
        ++glyphs[line];
    }
    ASSERT_EQ(right.size(), 5u);
    for (const auto& [line, x] : right) EXPECT_NEAR(x, right.begin()->second, 1.5f) << "line " << line;
    EXPECT_GT(glyphs[2], glyphs[0]) << "the bonus line carries its sum";
    // Constitution 50 + 25: the sum stands before the value, not over it.
    const float width = (g_Font.TextWidth("50 + 25 =", 9, 4) + g_Font.TextWidth("75", 2, 4)) * float(kSize);
    EXPECT_NEAR(right[2] - left[2], width, 0.5f);
    EXPECT_NEAR(right.begin()->second, 0.5f * float(kSize), 0.5f);
}

TEST_F(CampaignScreensTest, TeamReadySetsUpTheFirstStageNotWonOrShowsTheEndWhenAllAre) {
    g_Menu.gameType = 1;
    g_Menu.variant = 1;
    PlayerRecord own;
    MakeRandomPlayer(1, &own);
    ASSERT_TRUE(CopyPlayerToSlot(1, 0, own));
    g_Campaign.scenarios[19][CAMPAIGN_WON] = 1;
    Show(21);
    EXPECT_EQ(s->screen, 21);
    EXPECT_EQ(g_GameSettings.scenario, 18) << "side 1 plays from 19 down";
    EXPECT_EQ(s->teamIndex[0], 0);
    EXPECT_EQ(g_Campaign.side, 1u);
    for (auto& sc : g_Campaign.scenarios) sc[CAMPAIGN_WON] = 1;
    DropButtons();
    s->SetScreen(21);
    EXPECT_EQ(s->screen, 23);
    EXPECT_EQ(g_Menu.page, 23);
}

TEST_F(CampaignScreensTest, ReenteringACampaignOrShopScreenReleasesItsOwnWidgetsFirst) {
    Member(0, 4);
    AddToShop(0, 0);
    AddToInventory(1, 0);
    g_GameSettings.fightersOwnMode2 = 1;
    g_GameSettings.fightersEnemyMode2 = 2;
    g_Menu.results[RESULT_ELAPSED] = 1000;
    // The shop pages: the stock's piece in the first row, the owned gloves in the second list.
    testsupport::WriteMenuPicture(dir, "Casco0001", 16, 16);
    Show(14);
    EXPECT_EQ(s->labels[0].visible, 1);
    EXPECT_FLOAT_EQ(s->labels[0].x, s->panels[2].x + s->panels[2].w / 2);
    EXPECT_EQ(s->labels[1].visible, 0);
    EXPECT_EQ(s->labels[2].visible, 1);
    EXPECT_NE(s->pictures[0], nullptr);
    EXPECT_EQ(s->pictures[1], nullptr);
    for (int screen : {13, 14, 15, 21, 22}) {
        Show(screen);
        const int labels = LabelsInUse(*s);
        EXPECT_GT(labels, 0) << screen;
        Show(screen);
        EXPECT_EQ(LabelsInUse(*s), labels) << screen;
        EXPECT_EQ(s->previousScreen, screen);
    }
}

}  // namespace
