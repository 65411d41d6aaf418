// The players of a team campaign: the editor will not delete one while its campaign stands, a
// member whose record is gone anyway leaves the campaign when it is loaded and is never written
// back, and a campaign whose members all exist plays and stores as it always did.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/debug_log.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_fixture.h"
#include "platform/os/os.h"
#include "platform/os/path.h"
#include "support/fighter_kit.h"
#include "world/scenario.h"

using menutest::Log;
using screenlogictest::ScreenLogicTest;

namespace {

constexpr const char* kNames[CAMPAIGN_MEMBERS] = {"Ana", "Bruno", "Carla", "Dario"};
constexpr const char* kOnePlayerCampaign = "Saves/CAMPAIGNS/GCO00.dat";
constexpr const char* kOnePlayerFile = "Saves/GCO_Allies/PlO00.dat";

// A save that cannot be written while this lives (a folder stands in its place); afterwards the
// file is back as it was, as the next start finds it.
class Unwritable {
public:
    explicit Unwritable(std::filesystem::path path) : path_(std::move(path)) {
        std::ifstream in(path_, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::filesystem::remove(path_);
        std::filesystem::create_directories(path_);
        os::ForgetFolders();
    }
    ~Unwritable() {
        std::filesystem::remove_all(path_);
        std::ofstream(path_, std::ios::binary) << bytes_;
        os::ForgetFolders();
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;

private:
    std::filesystem::path path_;
    std::string bytes_;
};

class CampaignMemberTest : public ScreenLogicTest {
protected:
    int32_t members[CAMPAIGN_MEMBERS] = {};

    // As a new user makes it: a Voraks team campaign of four saved players.
    void SetUp() override {
        ScreenLogicTest::SetUp();
        // The editor's delete needs its preview, and the preview the sides' skeletons.
        LoadKitSkeletons();
        g_Menu.variant = 1;
        g_Menu.gameType = 2;
        g_Menu.saveMode = 2;
        for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) members[k] = AddPlayer(kNames[k]);
        ASSERT_TRUE(CreateCampaign(1, "Voraks", members));
        ASSERT_EQ(ListCampaigns(1), 1);
    }
    void TearDown() override {
        ResetMenu();
        FreeSkeletons();
        ScreenLogicTest::TearDown();
    }
    static void LoadKitSkeletons() {
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::FighterFilesFolder());
        LoadAllSkeletons(false);
        std::filesystem::current_path(previous);
    }
    int AddPlayer(const char* name) {
        PlayerRecord r;
        MakeRandomPlayer(1, &r);
        std::memset(r.look.name, 0, sizeof r.look.name);
        std::strncpy(r.look.name, name, sizeof r.look.name - 1);
        const int slot = AddPlayerRecord(r);
        EXPECT_GE(slot, 0);
        EXPECT_TRUE(SavePlayer(1, slot));
        return slot;
    }
    static std::string PlayerFile(int slot) {
        return "Saves/Voraks/PlV" + std::string(slot < 10 ? "0" : "") + std::to_string(slot) + ".dat";
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.path() / name); }
    const char* Told() const { return s->notice.label.text ? s->notice.label.text : s->notice.text; }
    std::string LabelText(int i) const { return s->labels[i].text ? s->labels[i].text : ""; }
    void AnswerYes() {
        g_Menu.enterPressed = 1;
        Frame(false);
        g_Menu.enterPressed = 0;
    }
    // The campaign list's Load with its first row chosen.
    void LoadFirstCampaign() {
        Show(4);
        s->saveSelected = 0;
        Click(s->buttons[2]);
    }
    // Every save the campaign touches, by file name.
    std::vector<std::string> Saves() const {
        std::vector<std::string> out;
        for (int32_t m : members) out.push_back(Exists(PlayerFile(m)) ? dir.Read(PlayerFile(m)) : "(none)");
        out.push_back(dir.Read("Saves/CAMPAIGNS/CV00.dat"));
        return out;
    }
    // The record page's Start.
    void PressStart() {
        Click(s->buttons[2]);
        ExpectLeft(10, PAGE_START_MATCH, {204});
    }
    // After a load, on to the team's record page and its Start.
    void StartFromTheRecordPage() {
        Show(10);
        PressStart();
    }
    // From the record page's Start to the mission page after the match: the front end is
    // released while the match runs and made anew when it returns. Left by Escape the match
    // gives no results; played to its end, the team wins and its first member gains two levels.
    void PlayAMatch(bool toItsEnd) {
        StartFromTheRecordPage();
        PlayTheStartedMatch(toItsEnd);
    }
    void PlayTheStartedMatch(bool toItsEnd) {
        DropButtons();
        Build(PAGE_START_MATCH);
        ASSERT_FALSE(g_Menu.active) << "the match released the front end";
        std::memset(g_Scenario.results, 0, sizeof g_Scenario.results);
        g_GameSettings.fightersOwnMode2 = 1;
        if (toItsEnd) {
            uint32_t* row = g_Scenario.results + RESULT_FIGHTER_FIRST;
            g_Scenario.results[RESULT_ELAPSED] = 60000;
            g_Scenario.results[RESULT_WINNER] = 1;
            row[FIGHTER_SIDE] = 1;
            row[FIGHTER_LINEUP_ID] = uint32_t(members[0]);
            row[FIGHTER_LEVEL] = g_Menu.playerTables.records[1][members[0]]->level + 2;
        }
        // The match's end frees the skeletons, as the game's release does; the front end that
        // comes back loads them from its data, here the fighters' kit.
        FreeSkeletons();
        g_Menu.ReturnFromMatch();
        LoadKitSkeletons();
        std::memset(g_Scenario.results, 0, sizeof g_Scenario.results);
        s = g_Menu.screens;
        ASSERT_NE(s, nullptr);
        if (toItsEnd) {
            // Its results page, then the team's cards, which apply the match.
            EXPECT_EQ(s->screen, PAGE_RESULTS);
            g_Menu.resultsFought = 1;
            s->teamSelection = 1;
            Show(13);
            Show(11);
        } else {
            EXPECT_EQ(s->screen, g_Menu.gameType == 2 ? 11 : 21) << "a match left early goes back to the missions";
        }
    }
    // The record page as a new user sees it: a name and a preview in each of the four frames.
    void ExpectTheTeamOnTheRecordPage() {
        Show(10);
        for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(LabelText(k), kNames[k]);
            EXPECT_EQ(s->teamIndex[k], members[k]);
            EXPECT_NE(s->teamFighters[k], nullptr);
        }
    }
    // In the armoury, the first owned piece or the first worn one chosen and clicked again.
    void ClickTwiceInTheArmoury(const std::string& move) {
        Show(15);
        const MenuPanel& row = s->panels[move == "put on" ? 4 : 9];
        for (int i = 0; i < 2; ++i) {
            // The worn pieces stand side by side in one row.
            PointAtRect(row.x, row.y, move == "put on" ? row.w : row.w / 2, row.h);
            Frame(true);
        }
    }
    const float* StoredAttributes(int k) const { return g_Menu.playerTables.records[1][members[k]]->attributes; }
    static std::vector<float> Values(const float* attributes) { return {attributes, attributes + PLAYER_ATTRIBUTES}; }
    static std::vector<float> Raised(std::vector<float> values, int k, float by) {
        values[size_t(k)] += by;
        return values;
    }
    // The game started again: the tables and the campaign read from their files, the campaign
    // list's first row loaded.
    void Restart() {
        g_Menu.ClearPlayerTables();
        ClearCampaign();
        LoadFirstCampaign();
        s->boxOpen = 0;
    }
    // A one-player Orlins campaign as the player page makes it, then given points to hand out.
    void MakeOnePlayerCampaign(int32_t pending) {
        g_Menu.gameType = 1;
        g_Menu.variant = 0;
        g_Menu.SelectPlayer(-1, 0);
        Show(20);
        Click(s->images[1]);
        ExpectLeft(20, 21, {204});
        ASSERT_TRUE(Exists(kOnePlayerCampaign));
        g_Campaign.pendingPoints[0] = pending;
        ASSERT_TRUE(SaveCampaign(0, 0, nullptr));
        Show(21);
    }
    // The summary page with value buttons of a size to hit one at a time (the test pictures are
    // out of scale with the screen): plus of value k is image 21 + k, minus 16 + k.
    void ShowSummary() {
        Show(22);
        g_Video.screenRect = {0, 0, 1023, 767};
        for (int i = 16; i <= 25; ++i) s->images[i].w = s->images[i].h = 0.03f;
    }
    // The summary page's shop (0) or armoury (1) opened and left by its back arrow: the shop's card
    // and the summary page made anew show `shown`, with `pending` points still in the store.
    void ShopAndBack(int which, const std::vector<float>& shown, int32_t pending) {
        const int screen = 14 + which, back = which == 0 ? 4 : 6;
        SCOPED_TRACE(screen);
        Log().sounds.clear();
        Click(s->buttons[which]);
        ExpectLeft(22, screen, {204});
        Show(screen);
        EXPECT_EQ(Values(s->teamRecords[0].attributes), shown) << "the shop's card";
        Click(s->images[back]);
        EXPECT_EQ(g_Menu.targetPage, 22);
        ShowSummary();
        EXPECT_EQ(Values(s->teamRecords[0].attributes), shown);
        EXPECT_EQ(g_Campaign.pendingPoints[0], pending);
    }
    // Plays a match started from the summary page, which makes the front end anew.
    void PlayFromTheSummary() {
        ShowSummary();
        Click(s->buttons[2]);
        ExpectLeft(22, PAGE_START_MATCH, {204});
        PlayTheStartedMatch(false);
    }
    // The one-player campaign as a restart finds it: its own player and its store.
    std::vector<float> OnePlayerAfterRestart(int32_t* pending) {
        g_Menu.ClearPlayerTables();
        ClearCampaign();
        PlayerRecord own = {};
        EXPECT_TRUE(LoadCampaign(0, 0, &own));
        *pending = g_Campaign.pendingPoints[0];
        return Values(own.attributes);
    }
    void StartLog() {
        g_Settings.debug = 1;
        ASSERT_EQ(OpenDebugLog(), S_OK);
    }
    int LogLinesWith(const std::string& needle) {
        const std::string log = dir.Read("debug.txt");
        int n = 0;
        for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
        return n;
    }
};

TEST_F(CampaignMemberTest, TheEditorWillNotDeleteAPlayerOfAStandingCampaignAndSaysWhichOne) {
    // Training's editor on the Voraks, the first member shown.
    g_Menu.saveMode = 0;
    g_Menu.gameType = 1;
    g_Menu.LoadPlayerSaves(0);
    const std::string before = dir.Read(PlayerFile(members[0]));
    g_Menu.SelectPlayer(members[0], 1);
    Show(9);
    Click(s->buttons[1]);
    EXPECT_EQ(s->boxOpen, 0) << "refused before the question";
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    ASSERT_EQ(s->notice.open, 1);
    EXPECT_STREQ(Told(), "Delete its campaign \"Voraks\" first");
    EXPECT_NE(g_Menu.playerTables.records[1][members[0]], nullptr);
    EXPECT_EQ(g_Menu.selectedPlayer, members[0]);
    EXPECT_EQ(dir.Read(PlayerFile(members[0])), before);
    EXPECT_EQ(g_Menu.gameType, 1) << "the play type the editor came from";

    // A player of no campaign is asked about and deleted as before.
    const int outsider = AddPlayer("Eva");
    g_Menu.SelectPlayer(outsider, 1);
    Show(9);
    Click(s->buttons[1]);
    ASSERT_EQ(s->boxOpen, 1);
    AnswerYes();
    EXPECT_FALSE(Exists(PlayerFile(outsider)));

    // A campaign file removed by hand leaves the member's team word behind: the files decide,
    // and the player is free to go.
    ASSERT_GE(g_Menu.playerTables.records[1][members[1]]->team, 0);
    std::filesystem::remove(dir.path() / "Saves/CAMPAIGNS/CV00.dat");
    g_Menu.SelectPlayer(members[1], 1);
    Show(9);
    Click(s->buttons[1]);
    ASSERT_EQ(s->boxOpen, 1);
    AnswerYes();
    EXPECT_FALSE(Exists(PlayerFile(members[1])));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[1]], nullptr);
}

TEST_F(CampaignMemberTest, TheEditorRefusesOnlyTheCampaignsOwnSide) {
    // The same slot on the Orlins' side is nobody's member.
    PlayerRecord orlin;
    MakeRandomPlayer(0, &orlin);
    orlin.team = 0;
    ASSERT_TRUE(CopyPlayerToSlot(0, members[0], orlin));
    ASSERT_TRUE(SavePlayer(0, members[0]));
    g_Menu.variant = 0;
    g_Menu.saveMode = 0;
    g_Menu.SelectPlayer(members[0], 0);
    Show(9);
    Click(s->buttons[1]);
    ASSERT_EQ(s->boxOpen, 1);
    AnswerYes();
    EXPECT_EQ(g_Menu.playerTables.records[0][members[0]], nullptr);
    EXPECT_FALSE(Exists("Saves/Orlins/PlO00.dat"));
}

// The player gone from the list as an earlier version let it go: no question, no word of the
// campaign.
TEST_F(CampaignMemberTest, AMemberWhoseRecordIsGoneLeavesTheLoadedTeamAndIsNeverWrittenBack) {
    // The gone member's pending points go with it; the others' stay.
    g_Campaign.pendingPoints[0] = 40;
    g_Campaign.pendingPoints[1] = 10;
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    DeletePlayerSave(1, members[0]);
    const std::string gone = PlayerFile(members[0]);
    ASSERT_FALSE(Exists(gone));
    const std::vector<std::string> kept = Saves();

    LoadFirstCampaign();
    ExpectLeft(4, 11, {204});
    EXPECT_EQ(std::vector<int>(s->teamIndex, s->teamIndex + 4),
              std::vector<int>({-1, members[1], members[2], members[3]}));
    EXPECT_EQ(g_Campaign.members[0], -1);
    // The campaign is written without it at once, so that a player made later in the freed slot
    // does not join the team unasked.
    auto onDisk = std::make_unique<CampaignBlock>();
    ASSERT_TRUE(ReadCampaignBlock(1, 0, onDisk.get(), nullptr));
    EXPECT_EQ(std::vector<int>(onDisk->members, onDisk->members + 4),
              std::vector<int>({-1, members[1], members[2], members[3]}));
    EXPECT_STREQ(onDisk->name, "Voraks");
    EXPECT_EQ(std::vector<int>(onDisk->pendingPoints, onDisk->pendingPoints + 4), std::vector<int>({0, 10, 0, 0}));
    EXPECT_EQ(std::vector<int>(g_Campaign.pendingPoints, g_Campaign.pendingPoints + 4),
              std::vector<int>({0, 10, 0, 0}));
    Show(11);
    ASSERT_EQ(s->notice.open, 1) << "the mission choice tells the player";
    EXPECT_STREQ(Told(), "Gone from the team: member 1");
    Show(11);
    EXPECT_EQ(s->notice.open, 0) << "told once";

    // The record page shows three members; Start stores them and writes nothing for the gone one.
    Show(10);
    EXPECT_EQ(LabelText(0), "");
    EXPECT_EQ(LabelText(1), "Bruno");
    EXPECT_EQ(s->currentTeamSlot, 1) << "the page opens on a member who is there";
    StartFromTheRecordPage();
    EXPECT_FALSE(Exists(gone));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[0]], nullptr);
    for (int k = 1; k < CAMPAIGN_MEMBERS; ++k) EXPECT_EQ(dir.Read(PlayerFile(members[k])), kept[k]) << k;
    g_GameSettings.fightersOwnMode2 = 4;
    s->BuildTeamList();
    EXPECT_EQ(std::vector<int>(g_Menu.teamSlots[1], g_Menu.teamSlots[1] + 4),
              std::vector<int>({members[1], members[2], members[3], -1}));

    // Training's list afterwards begins with a named player.
    g_Menu.LoadPlayerSaves(0);
    EXPECT_EQ(g_Menu.playerTables.count[1], 3);
    const int first = NextPlayerSlot(1, -1, false);
    ASSERT_GE(first, 0);
    EXPECT_STREQ(g_Menu.playerTables.records[1][first]->look.name, "Bruno");
}

TEST_F(CampaignMemberTest, ACampaignWhosePlayersAreAllGoneDoesNotOpenAndStaysAsItWas) {
    for (int32_t m : members) DeletePlayerSave(1, m);
    const std::string campaign = dir.Read("Saves/CAMPAIGNS/CV00.dat");
    g_Options.difficulty = 2;
    g_Settings.difficulty = 2;
    struct Clock {
        uint32_t now = os::timeGetTime();
        Clock() { os::SetTimeSource([this] { return now; }); }
        ~Clock() { os::SetTimeSource({}); }
    } clock;
    LoadFirstCampaign();
    EXPECT_EQ(g_Menu.page, 4);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    ASSERT_EQ(s->notice.open, 1);
    EXPECT_STREQ(Told(), "No player of this campaign is left to play it");
    EXPECT_EQ(dir.Read("Saves/CAMPAIGNS/CV00.dat"), campaign);
    EXPECT_EQ(g_Campaign.slot, -1);
    EXPECT_EQ(g_Options.difficulty, 2u);
    EXPECT_EQ(g_Settings.difficulty, 2);
    for (int32_t m : members) EXPECT_FALSE(Exists(PlayerFile(m))) << m;
    // The list lets the notice go in its time.
    clock.now += 5900;
    Frame(false);
    EXPECT_EQ(s->notice.open, 1);
    clock.now += 200;
    Frame(false);
    EXPECT_EQ(s->notice.open, 0);
}

TEST_F(CampaignMemberTest, ACampaignWhosePlayersAllExistLoadsAndStoresByteForByteAsBefore) {
    const std::vector<std::string> before = Saves();
    LoadFirstCampaign();
    ExpectLeft(4, 11, {204});
    EXPECT_EQ(std::vector<int>(s->teamIndex, s->teamIndex + 4), std::vector<int>(members, members + 4));
    for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) EXPECT_STREQ(s->teamRecords[k].look.name, kNames[k]) << k;
    EXPECT_EQ(Saves(), before) << "loading wrote nothing new";
    Show(11);
    EXPECT_EQ(s->notice.open, 0);
    StartFromTheRecordPage();
    EXPECT_EQ(Saves(), before);
    for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) EXPECT_EQ(g_Campaign.members[k], members[k]) << k;
}

// The card of a member whose record went while the campaign was open: Start stores nothing of
// it, however the card was left.
TEST_F(CampaignMemberTest, StartPassesOverASlotWithoutARecordWhateverItsCardHolds) {
    LoadFirstCampaign();
    Show(10);
    DeletePlayerSave(1, members[2]);
    // The card as a stale copy, then as the blank one the copy now leaves.
    s->teamRecords[2] = s->teamRecords[1];
    PressStart();
    EXPECT_FALSE(Exists(PlayerFile(members[2])));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[2]], nullptr);
    EXPECT_FALSE(s->CopyTeamRecord(2));
    EXPECT_TRUE(IsBlankRecord(s->teamRecords[2]));
    StartFromTheRecordPage();
    EXPECT_FALSE(Exists(PlayerFile(members[2])));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[2]], nullptr);
    // A blank card over a member who is there leaves the member as it was.
    const std::string bruno = dir.Read(PlayerFile(members[1]));
    Show(10);
    s->teamRecords[1] = PlayerRecord{};
    PressStart();
    EXPECT_STREQ(g_Menu.playerTables.records[1][members[1]]->look.name, "Bruno");
    EXPECT_EQ(dir.Read(PlayerFile(members[1])), bruno);
    // A member whose record is there is stored from its card.
    Show(10);
    s->teamRecords[3].level = 7;
    PressStart();
    g_Menu.LoadPlayerSaves(2);
    ASSERT_NE(g_Menu.playerTables.records[1][members[3]], nullptr);
    EXPECT_EQ(g_Menu.playerTables.records[1][members[3]]->level, 7u);
    EXPECT_EQ(g_Menu.playerTables.count[1], 3);
    EXPECT_TRUE(s->CopyTeamRecord(3));
    EXPECT_STREQ(s->teamRecords[3].look.name, "Dario");
}

// A member is refused deletion while any campaign of its side holds it, whatever its team word
// says: deleting the second of two campaigns that share the team frees the team word, not the
// players of the first.
TEST_F(CampaignMemberTest, AMemberOfTwoCampaignsStaysWhenEitherIsDeleted) {
    ASSERT_TRUE(CreateCampaign(1, "Second", members));
    ASSERT_EQ(ListCampaigns(1), 2);
    ASSERT_TRUE(DeleteCampaign(1, 1));
    for (int32_t m : members) ASSERT_EQ(g_Menu.playerTables.records[1][m]->team, -1) << m;
    g_Menu.saveMode = 0;
    g_Menu.gameType = 1;
    g_Menu.LoadPlayerSaves(0);
    const std::string before = dir.Read(PlayerFile(members[2]));
    g_Menu.SelectPlayer(members[2], 1);
    Show(9);
    Click(s->buttons[1]);
    EXPECT_EQ(s->boxOpen, 0);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    ASSERT_EQ(s->notice.open, 1);
    EXPECT_STREQ(Told(), "Delete its campaign \"Voraks\" first");
    EXPECT_EQ(dir.Read(PlayerFile(members[2])), before);
}

// What earlier versions wrote for a deleted member, 176 zero bytes, is no player on either side:
// no list shows it, a campaign naming it goes on without it, nothing writes it again, and the
// next new player takes its slot.
TEST_F(CampaignMemberTest, ARecordOfZerosOnDiskIsNoPlayerUntilANewOneTakesItsSlot) {
    const std::string zeros(PLAYER_RECORD_SIZE + PLAYER_STATS_SIZE, '\0');
    dir.Write(PlayerFile(members[0]), zeros);
    dir.Write("Saves/Orlins/PlO00.dat", zeros);
    g_Menu.LoadPlayerSaves(0);
    EXPECT_EQ(g_Menu.playerTables.records[1][members[0]], nullptr);
    EXPECT_EQ(g_Menu.playerTables.records[0][0], nullptr);
    EXPECT_EQ(g_Menu.playerTables.count[0], 0);
    EXPECT_EQ(g_Menu.playerTables.count[1], 3);
    const int first = NextPlayerSlot(1, -1, false);
    ASSERT_GE(first, 0);
    EXPECT_STREQ(g_Menu.playerTables.records[1][first]->look.name, "Bruno");

    LoadFirstCampaign();
    ExpectLeft(4, 11, {204});
    EXPECT_EQ(s->teamIndex[0], -1);
    Show(11);
    ASSERT_EQ(s->notice.open, 1);
    EXPECT_STREQ(Told(), "Gone from the team: member 1");
    StartFromTheRecordPage();
    EXPECT_EQ(dir.Read(PlayerFile(members[0])), zeros);
    EXPECT_EQ(dir.Read("Saves/Orlins/PlO00.dat"), zeros);

    const int eva = AddPlayer("Eva");
    EXPECT_EQ(eva, members[0]) << "the first free slot";
    g_Menu.LoadPlayerSaves(2);
    ASSERT_NE(g_Menu.playerTables.records[1][eva], nullptr);
    EXPECT_STREQ(g_Menu.playerTables.records[1][eva]->look.name, "Eva");
}

// The notice of a campaign that lost a member belongs to its own load: one that opens on its end
// picture leaves nothing for the next campaign's mission page.
TEST_F(CampaignMemberTest, AFinishedCampaignLeavesItsNoticeToNoOtherCampaign) {
    ASSERT_TRUE(LoadCampaign(1, 0, nullptr));
    g_Campaign.stage = CAMPAIGN_FINISHED;
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    const int32_t others[CAMPAIGN_MEMBERS] = {members[1], members[2], members[3], -1};
    ASSERT_TRUE(CreateCampaign(1, "Whole", others));
    DeletePlayerSave(1, members[0]);
    LoadFirstCampaign();
    ExpectLeft(4, 16, {204});
    // The mission page, as a campaign made next would open it.
    Show(11);
    EXPECT_EQ(s->notice.open, 0) << (s->notice.open ? Told() : "");
    LoadFirstCampaign();
    ExpectLeft(4, 16, {204});
    Show(4);
    s->saveSelected = 1;
    Click(s->buttons[2]);
    ExpectLeft(4, 11, {204});
    EXPECT_STREQ(g_Campaign.name, "Whole");
    Show(11);
    EXPECT_EQ(s->notice.open, 0) << (s->notice.open ? Told() : "");
}

// The record page after a match, left by Escape or played to its end: the team as before it,
// and the points the match gave can be spent there.
TEST_F(CampaignMemberTest, TheRecordPageShowsTheTeamAfterEveryMatch) {
    LoadFirstCampaign();
    ExpectTheTeamOnTheRecordPage();
    PlayAMatch(false);
    ExpectTheTeamOnTheRecordPage();
    PlayAMatch(true);
    EXPECT_EQ(g_Campaign.pendingPoints[0], 50);
    ExpectTheTeamOnTheRecordPage();
    const float strength = StoredAttributes(0)[0];
    Click(s->buttons[3]);
    EXPECT_EQ(g_Campaign.pendingPoints[0], 0);
    EXPECT_GT(s->teamRecords[0].attributes[0], strength);
    EXPECT_EQ(StoredAttributes(0)[0], s->teamRecords[0].attributes[0]);
}

// The one-player campaign's pages after a match show its own player as before it.
TEST_F(CampaignMemberTest, TheOnePlayerPagesShowTheirPlayerAfterAMatch) {
    g_Menu.gameType = 1;
    g_Menu.variant = 0;
    g_Menu.SelectPlayer(-1, 0);
    Show(20);
    ASSERT_NE(g_Menu.playerRecord, nullptr);
    const std::string name = g_Menu.playerRecord->look.name;
    Click(s->images[1]);
    ExpectLeft(20, 21, {204});
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Show(21);
        EXPECT_EQ(s->teamIndex[0], 0);
        EXPECT_EQ(LabelText(2), name);
        Show(22);
        EXPECT_EQ(LabelText(0), name);
        EXPECT_NE(s->teamFighters[0], nullptr);
        Click(s->buttons[2]);
        ExpectLeft(22, PAGE_START_MATCH, {204});
        PlayTheStartedMatch(false);
    }
}

// Points spent on the record page stay spent on that member through either shop and a restart;
// a member's points not spent stay pending.
TEST_F(CampaignMemberTest, PointsSpentOnTheRecordPageOutliveTheShopsAndARestart) {
    ASSERT_TRUE(LoadCampaign(1, 0, nullptr));
    g_Campaign.pendingPoints[0] = 25;
    g_Campaign.pendingPoints[2] = 10;
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    const std::vector<float> before(StoredAttributes(0), StoredAttributes(0) + PLAYER_ATTRIBUTES);
    // Twenty-five points are one step of five over each of the five values.
    std::vector<float> raised = before;
    for (float& a : raised) a += 5.0f;
    LoadFirstCampaign();
    Show(10);
    Click(s->buttons[3]);
    ASSERT_EQ(std::vector<float>(s->teamRecords[0].attributes, s->teamRecords[0].attributes + 5), raised);
    struct Shop { int button, screen, back; };
    for (Shop shop : {Shop{0, 14, 4}, Shop{1, 15, 6}}) {
        SCOPED_TRACE(shop.screen);
        Show(10);
        Click(s->buttons[shop.button]);
        ExpectLeft(10, shop.screen, {204});
        Show(shop.screen);
        Click(s->images[shop.back]);
        EXPECT_EQ(g_Menu.targetPage, 10);
        Show(10);
        EXPECT_EQ(std::vector<float>(s->teamRecords[0].attributes, s->teamRecords[0].attributes + 5), raised);
    }
    // The game started again: the tables and the campaign read from their files.
    g_Menu.ClearPlayerTables();
    ClearCampaign();
    LoadFirstCampaign();
    ExpectLeft(4, 11, {204});
    EXPECT_EQ(std::vector<float>(StoredAttributes(0), StoredAttributes(0) + 5), raised);
    EXPECT_EQ(std::vector<int>(g_Campaign.pendingPoints, g_Campaign.pendingPoints + 4), std::vector<int>({0, 0, 10, 0}));
    Show(10);
    EXPECT_EQ(std::vector<float>(s->teamRecords[0].attributes, s->teamRecords[0].attributes + 5), raised);
}

// Points given with plus on the one-player summary page stay on the player whichever shop comes
// next and after a restart; those not given stay pending, and minus goes no lower than the page
// opened with.
TEST_F(CampaignMemberTest, PointsGivenOnTheOnePlayerSummaryOutliveTheShopsAndARestart) {
    MakeOnePlayerCampaign(10);
    // Before a match and after one, which makes the front end anew.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) PlayFromTheSummary();
        ShowSummary();
        const int32_t pending = g_Campaign.pendingPoints[0];
        const std::vector<float> opened = Values(s->teamRecords[0].attributes);
        Click(s->images[21]);
        Click(s->images[21]);
        const std::vector<float> given = Raised(opened, 0, 2.0f);
        ASSERT_EQ(Values(s->teamRecords[0].attributes), given);
        ASSERT_EQ(g_Campaign.pendingPoints[0], pending - 2);
        for (int shop = 0; shop < 2; ++shop) ShopAndBack(shop, given, pending - 2);
        Click(s->images[16]);
        EXPECT_EQ(Values(s->teamRecords[0].attributes), given) << "minus stops at what the page opened with";
        EXPECT_EQ(g_Campaign.pendingPoints[0], pending - 2);
        int32_t stored = -1;
        EXPECT_EQ(OnePlayerAfterRestart(&stored), given);
        EXPECT_EQ(stored, pending - 2);
        // Back as the restart found it, the campaign's own player in the table.
        PlayerRecord own = {};
        ASSERT_TRUE(LoadCampaign(0, 0, &own));
        ASSERT_TRUE(CopyPlayerToSlot(0, 0, own));
    }
}

// After the back arrow has stored the page, a minus and a plus move a point from one value to
// another and leave the store's count as it was: each shop and a restart still read what the page
// shows, before a match and after one, which makes the front end anew.
TEST_F(CampaignMemberTest, APointMovedBetweenValuesAfterTheSummarysStoreReachesTheShopsAndARestart) {
    MakeOnePlayerCampaign(10);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) PlayFromTheSummary();
        ShowSummary();
        std::vector<float> shown = Values(s->teamRecords[0].attributes);
        int32_t pending = g_Campaign.pendingPoints[0];
        for (int shop = 0; shop < 2; ++shop) {
            // Plus on strength, then the back arrow, which stores and goes back to the team page;
            // the summary made anew, agility up one and strength no lower than it was stored.
            Click(s->images[21]);
            Log().sounds.clear();
            Click(s->images[6]);
            ExpectLeft(22, 21, {205});
            ShowSummary();
            Click(s->images[16]);
            Click(s->images[24]);
            shown = Raised(Raised(shown, 0, 1.0f), 3, 1.0f);
            pending -= 2;
            ASSERT_EQ(Values(s->teamRecords[0].attributes), shown);
            ASSERT_EQ(g_Campaign.pendingPoints[0], pending);
            ShopAndBack(shop, shown, pending);
        }
        int32_t stored = -1;
        EXPECT_EQ(OnePlayerAfterRestart(&stored), shown);
        EXPECT_EQ(stored, pending);
        // Back as the restart found it, the campaign's own player in the table.
        PlayerRecord own = {};
        ASSERT_TRUE(LoadCampaign(0, 0, &own));
        ASSERT_TRUE(CopyPlayerToSlot(0, 0, own));
    }
}

// Points moved onto a member, by the record page's spending, the summary page's spending or its
// plus, while the member's file and then the campaign's cannot be written: both files stay as they
// were, the page shows what they hold, a restart finds the points once, still pending, and the
// failure is in the debug log.
TEST_F(CampaignMemberTest, PointsSpentOnTheRecordPageAreFoundOnceWhenAWriteFails) {
    StartLog();
    ASSERT_TRUE(LoadCampaign(1, 0, nullptr));
    g_Campaign.pendingPoints[0] = 25;
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    const std::vector<float> before = Values(StoredAttributes(0));
    const std::vector<std::string> saves = Saves();
    for (const std::string blocked : {PlayerFile(members[0]), std::string("Saves/CAMPAIGNS/CV00.dat")}) {
        SCOPED_TRACE(blocked);
        for (int way = 0; way < 4; ++way) {
            SCOPED_TRACE(way);
            LoadFirstCampaign();
            Show(10);
            {
                Unwritable unwritable(dir.path() / blocked);
                Click(s->buttons[3]);
                EXPECT_EQ(Values(s->teamRecords[0].attributes), before);
                EXPECT_EQ(Values(StoredAttributes(0)), before);
                EXPECT_EQ(g_Campaign.pendingPoints[0], 25);
            }
            EXPECT_EQ(Saves(), saves);
            // Then out by either shop, Start or the back arrow, which store the team again.
            if (way < 3) Click(s->buttons[way]);
            else Click(s->images[6]);
            EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
            Restart();
            EXPECT_EQ(Values(StoredAttributes(0)), before);
            EXPECT_EQ(g_Campaign.pendingPoints[0], 25);
        }
    }
    EXPECT_EQ(LogLinesWith("quedan como estaban"), 8);
    // Written at last, the points are on the member and gone from the store.
    Show(10);
    Click(s->buttons[3]);
    Restart();
    EXPECT_EQ(Values(StoredAttributes(0)), std::vector<float>({55, 55, 55, 55, 55}));
    EXPECT_EQ(g_Campaign.pendingPoints[0], 0);
    ResetDebugLog();
    g_Settings.debug = 0;
}

TEST_F(CampaignMemberTest, PointsGivenOnTheOnePlayerSummaryAreFoundOnceWhenAWriteFails) {
    StartLog();
    MakeOnePlayerCampaign(10);
    ShowSummary();
    std::vector<float> opened = Values(s->teamRecords[0].attributes);
    ASSERT_TRUE(SavePlayer(0, 0));
    const std::string campaignBytes = dir.Read(kOnePlayerCampaign), playerBytes = dir.Read(kOnePlayerFile);
    // Plus, then out by either shop or Start, or stored by the back arrow; or the spending button:
    // each with either file blocked. What cannot be stored does not leave the page.
    struct Way { const char* name; bool plus; int button, image; bool refused; };
    const Way ways[] = {{"shop", true, 0, -1, true}, {"armoury", true, 1, -1, true}, {"start", true, 2, -1, true},
                        {"back arrow", true, -1, 6, true}, {"spending", false, 3, -1, false}};
    for (const char* blocked : {kOnePlayerFile, kOnePlayerCampaign}) {
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(blocked) + " " + way.name);
            ShowSummary();
            {
                Unwritable unwritable(dir.path() / blocked);
                if (way.plus) Click(s->images[21]);
                Log().sounds.clear();
                if (way.button >= 0) Click(s->buttons[way.button]);
                else Click(s->images[way.image]);
                EXPECT_EQ(Values(s->teamRecords[0].attributes), opened);
                EXPECT_EQ(g_Campaign.pendingPoints[0], 10);
                EXPECT_EQ(g_Menu.page, 22);
                if (way.refused) EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
            }
            EXPECT_EQ(dir.Read(kOnePlayerCampaign), campaignBytes);
            EXPECT_EQ(dir.Read(kOnePlayerFile), playerBytes);
            int32_t pending = -1;
            EXPECT_EQ(OnePlayerAfterRestart(&pending), opened);
            EXPECT_EQ(pending, 10);
            PlayerRecord own = {};
            ASSERT_TRUE(LoadCampaign(0, 0, &own));
            ASSERT_TRUE(CopyPlayerToSlot(0, 0, own));
        }
    }
    EXPECT_EQ(LogLinesWith("quedan como estaban"), 10);
    // Given and stored by the back arrow, then given again on the page made anew: only the
    // second goes back to the store when a write fails.
    ShowSummary();
    Click(s->images[21]);
    Click(s->images[6]);
    ShowSummary();
    opened = Raised(opened, 0, 1.0f);
    Click(s->images[21]);
    {
        Unwritable unwritable(dir.path() / kOnePlayerCampaign);
        Click(s->buttons[0]);
    }
    EXPECT_EQ(Values(s->teamRecords[0].attributes), opened);
    EXPECT_EQ(g_Campaign.pendingPoints[0], 9);
    int32_t pending = -1;
    EXPECT_EQ(OnePlayerAfterRestart(&pending), opened);
    EXPECT_EQ(pending, 9);
    ResetDebugLog();
    g_Settings.debug = 0;
}

// A piece put on or taken off in the armoury moves between the team's stock and the member only
// when both files take it: with either unwritable it stays where it was, in memory and on disk.
TEST_F(CampaignMemberTest, APieceMovedInTheArmouryStaysWhereItWasWhenAWriteFails) {
    PlayerRecord& first = *g_Menu.playerTables.records[1][members[0]];
    first.level = 50;
    first.look.equipment[0] = -1;
    ASSERT_TRUE(SavePlayer(1, members[0]));
    ASSERT_TRUE(LoadCampaign(1, 0, nullptr));
    ASSERT_TRUE(AddToInventory(0, 3));
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    LoadFirstCampaign();
    s->currentTeamSlot = 0;
    // A piece moved with either file unwritable leaves the member, the stock and both files as
    // they were.
    auto refusedWhileUnwritable = [this](const char* move, int32_t worn, int32_t owned) {
        for (const std::string blocked : {PlayerFile(members[0]), std::string("Saves/CAMPAIGNS/CV00.dat")}) {
            SCOPED_TRACE(std::string(move) + " with " + blocked);
            const std::vector<std::string> saves = Saves();
            {
                Unwritable unwritable(dir.path() / blocked);
                ClickTwiceInTheArmoury(move);
            }
            EXPECT_EQ(s->teamRecords[0].look.equipment[0], worn);
            // The table's record, which a restart reads anew.
            EXPECT_EQ(g_Menu.playerTables.records[1][members[0]]->look.equipment[0], worn);
            EXPECT_EQ(g_Campaign.inventory[0][0], owned);
            EXPECT_EQ(Saves(), saves);
        }
    };
    refusedWhileUnwritable("put on", -1, 3);
    ClickTwiceInTheArmoury("put on");
    EXPECT_EQ(s->teamRecords[0].look.equipment[0], 3);
    Restart();
    EXPECT_EQ(g_Menu.playerTables.records[1][members[0]]->look.equipment[0], 3);
    EXPECT_EQ(g_Campaign.inventory[0][0], -1);
    s->currentTeamSlot = 0;
    refusedWhileUnwritable("take off", 3, -1);
    ClickTwiceInTheArmoury("take off");
    Restart();
    EXPECT_EQ(g_Menu.playerTables.records[1][members[0]]->look.equipment[0], -1);
    EXPECT_EQ(g_Campaign.inventory[0][0], 3);
}

// Start and the back arrow of the team's record page store every member and the campaign: with
// any member's file or the campaign's unwritable, neither leaves, and the refusal is all that
// sounds. Stored, the back arrow leaves for the missions.
TEST_F(CampaignMemberTest, TheRecordPageStaysWithARefusalWhenTheTeamCannotBeStored) {
    LoadFirstCampaign();
    const std::string campaign = "Saves/CAMPAIGNS/CV00.dat";
    for (const std::string blocked : {PlayerFile(members[0]), PlayerFile(members[3]), campaign}) {
        for (const bool start : {true, false}) {
            SCOPED_TRACE(blocked + (start ? ", start" : ", back arrow"));
            Show(10);
            Unwritable unwritable(dir.path() / blocked);
            if (start) Click(s->buttons[2]);
            else Click(s->images[6]);
            EXPECT_EQ(g_Menu.page, 10);
            EXPECT_EQ(g_Menu.targetPage, 10);
            EXPECT_FALSE(g_Fader.running);
            EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
        }
    }
    Show(10);
    Click(s->images[6]);
    ExpectLeft(10, 11, {205});
}

// The one-player stage page asks whether to leave the campaign only once its player and the
// campaign are stored; the summary's back arrow stores and goes back to it, refusing when it
// cannot.
TEST_F(CampaignMemberTest, TheOnePlayerBackArrowsRefuseWhenThePlayerOrTheCampaignCannotBeStored) {
    MakeOnePlayerCampaign(0);
    for (const char* blocked : {kOnePlayerFile, kOnePlayerCampaign}) {
        SCOPED_TRACE(blocked);
        Show(21);
        Unwritable unwritable(dir.path() / blocked);
        Click(s->images[0]);
        EXPECT_EQ(s->boxOpen, 0) << "no question that would lead out unstored";
        EXPECT_EQ(s->confirm.open, 0);
        EXPECT_EQ(Log().sounds, std::vector<int>({FX_REFUSE}));
    }
    Show(21);
    Click(s->images[0]);
    EXPECT_EQ(Log().sounds, std::vector<int>({FX_ACCEPT}));
    ASSERT_EQ(s->boxOpen, 1);
    AnswerYes();
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, PAGE_PLAY_TYPE);
    ShowSummary();
    Click(s->images[6]);
    ExpectLeft(22, 21, {205});
}

// Deleting a team campaign hands its pending points to the members; a member's file that cannot
// be written keeps the campaign, its points and every member as they were.
TEST_F(CampaignMemberTest, ACampaignWhoseMemberCannotBeWrittenIsNotDeletedAndKeepsItsPoints) {
    ASSERT_TRUE(LoadCampaign(1, 0, nullptr));
    g_Campaign.pendingPoints[0] = 25;
    g_Campaign.pendingPoints[2] = 10;
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    const std::vector<std::string> saves = Saves();
    const std::vector<float> first = Values(StoredAttributes(0));
    {
        Unwritable unwritable(dir.path() / PlayerFile(members[2]));
        EXPECT_FALSE(DeleteCampaign(1, 0));
    }
    EXPECT_EQ(Saves(), saves);
    for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) {
        EXPECT_EQ(g_Menu.playerTables.records[1][members[k]]->team, 0) << k;
        EXPECT_EQ(dir.Read(PlayerFile(members[k])), saves[size_t(k)]) << k;
    }
    EXPECT_EQ(Values(StoredAttributes(0)), first) << "its points still pending";
    EXPECT_EQ(std::vector<int>(g_Campaign.pendingPoints, g_Campaign.pendingPoints + 4), std::vector<int>({25, 0, 10, 0}));
    Restart();
    EXPECT_EQ(Values(StoredAttributes(0)), first);
    EXPECT_EQ(std::vector<int>(g_Campaign.pendingPoints, g_Campaign.pendingPoints + 4), std::vector<int>({25, 0, 10, 0}));
    ASSERT_TRUE(DeleteCampaign(1, 0));
    EXPECT_FALSE(Exists("Saves/CAMPAIGNS/CV00.dat"));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[0]]->team, -1);
}

}  // namespace
