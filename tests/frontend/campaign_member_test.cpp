// The players of a team campaign: the editor will not delete one while its campaign stands, a
// member whose record is gone anyway leaves the campaign when it is loaded and is never written
// back, and a campaign whose members all exist plays and stores as it always did.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fighters/character.h"
#include "frontend/campaign.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_fixture.h"
#include "platform/os/os.h"
#include "support/fighter_kit.h"

using menutest::Log;
using screenlogictest::ScreenLogicTest;

namespace {

constexpr const char* kNames[CAMPAIGN_MEMBERS] = {"Ana", "Bruno", "Carla", "Dario"};

class CampaignMemberTest : public ScreenLogicTest {
protected:
    int32_t members[CAMPAIGN_MEMBERS] = {};

    // As a new user makes it: a Voraks team campaign of four saved players.
    void SetUp() override {
        ScreenLogicTest::SetUp();
        // The editor's delete needs its preview, and the preview the sides' skeletons.
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::FighterFilesFolder());
        LoadAllSkeletons(false);
        std::filesystem::current_path(previous);
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
    // After a load, on to the team's record page and its Start.
    void StartFromTheRecordPage() {
        Show(10);
        Click(s->buttons[2]);
        ExpectLeft(10, PAGE_START_MATCH, {204});
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
    DeletePlayerSave(1, members[2]);
    // The card as a stale copy, then as the blank one the copy now leaves.
    s->teamRecords[2] = s->teamRecords[1];
    StartFromTheRecordPage();
    EXPECT_FALSE(Exists(PlayerFile(members[2])));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[2]], nullptr);
    EXPECT_FALSE(s->CopyTeamRecord(2));
    EXPECT_TRUE(IsBlankRecord(s->teamRecords[2]));
    StartFromTheRecordPage();
    EXPECT_FALSE(Exists(PlayerFile(members[2])));
    EXPECT_EQ(g_Menu.playerTables.records[1][members[2]], nullptr);
    // A blank card over a member who is there leaves the member as it was.
    const std::string bruno = dir.Read(PlayerFile(members[1]));
    s->teamRecords[1] = PlayerRecord{};
    StartFromTheRecordPage();
    EXPECT_STREQ(g_Menu.playerTables.records[1][members[1]]->look.name, "Bruno");
    EXPECT_EQ(dir.Read(PlayerFile(members[1])), bruno);
    // A member whose record is there is stored from its card.
    s->teamRecords[3].level = 7;
    StartFromTheRecordPage();
    g_Menu.LoadPlayerSaves(2);
    ASSERT_NE(g_Menu.playerTables.records[1][members[3]], nullptr);
    EXPECT_EQ(g_Menu.playerTables.records[1][members[3]]->level, 7u);
    EXPECT_EQ(g_Menu.playerTables.count[1], 3);
    EXPECT_TRUE(s->CopyTeamRecord(3));
    EXPECT_STREQ(s->teamRecords[3].look.name, "Dario");
}

}  // namespace
