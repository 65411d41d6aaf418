// Campaign saves: the block's bytes, creating, loading old and damaged files, deleting with the
// later saves moving down, stages, match results, pending points and the enemies' level.
#include <cmath>
#include <cstring>

#include "frontend/match_setups.h"
#include "frontend/mission_table.h"
#include "frontend/save_files_fixture.h"
#include "datakit/save_images.h"

using datakit::ByteImage;

namespace {

const PlayerRecord kBlankPlayer = {};

class CampaignTest : public SaveFilesTest {
protected:
    // A campaign file of the side with its name and stage, as the game writes it: the one-player
    // campaign with a player of its own.
    void Store(int side, int slot, const char* name, uint32_t stage = 0) {
        ClearCampaign();
        g_Campaign.side = uint32_t(side);
        g_Campaign.stage = stage;
        g_Campaign.slot = slot;
        std::snprintf(g_Campaign.name, sizeof g_Campaign.name, "%s", name);
        PlayerRecord own;
        MakeRandomPlayer(side, &own);
        std::strcpy(own.look.name, "Stored");
        ASSERT_TRUE(SaveCampaign(side, slot, g_Menu.gameType == 1 ? &own : nullptr));
    }
    std::string NameAt(int side, int slot) {
        return LoadCampaign(side, slot, nullptr) ? std::string(g_Campaign.name) : std::string("(none)");
    }
};

TEST_F(CampaignTest, TheBlockIsWrittenAtItsOffsetsAndReadBack) {
    ClearCampaign();
    CampaignBlock& b = g_Campaign;
    b.difficulty = 2, b.slot = 7, std::strcpy(b.name, "Northern March"), b.side = 1;
    b.members[0] = 3, b.members[3] = 999, b.pendingPoints[1] = 75, b.stage = 2, b.credits = 1234;
    b.inventory[0][0] = 5, b.inventory[4][0] = 53;
    b.enemyLevels[19] = EnemyLevelRow{31, 2.5f};
    b.scenarios[0][0] = 1, b.scenarios[19][9523] = 0xEE;
    ByteImage image(CAMPAIGN_BLOCK_SIZE);
    image.U32(0, 2).U32(4, 7).Text(8, "Northern March").U32(268, 1).U32(272, 3).U32(276, ~0u).U32(280, ~0u);
    image.U32(284, 999).U32(292, 75).U32(304, 2).U32(308, 1234);
    for (size_t i = 0; i < 270; ++i) image.U32(312 + 4 * i, ~0u);
    image.U32(312, 5).U32(312 + 4 * 216, 53).U32(1392 + 8 * 19, 31).F32(1396 + 8 * 19, 2.5f);
    image.U8(1552, 1).U8(CAMPAIGN_BLOCK_SIZE - 1, 0xEE);
    b.members[1] = b.members[2] = -1;
    const std::vector<uint8_t> bytes = EncodeCampaign(b);
    ASSERT_EQ(bytes, image.Bytes());
    CampaignBlock back;
    DecodeCampaign(bytes.data(), bytes.size(), 1, &back);
    EXPECT_EQ(EncodeCampaign(back), bytes);

    // Damaged values take the cleared block's; the side follows the file.
    image.U32(268, 0).U32(272, 1000).U32(288, 7501).U32(304, 4).U32(312, 54).U32(316, 9).F32(1396, NAN);
    image.Text(8, std::string(260, 'x'));
    DecodeCampaign(image.Bytes().data(), image.Bytes().size(), 1, &back);
    EXPECT_TRUE(IsValidCampaign(back, 1));
    EXPECT_EQ(std::vector<int32_t>({int32_t(back.side), back.members[0], back.pendingPoints[0], int32_t(back.stage),
                                    back.inventory[0][0], int32_t(std::strlen(back.name))}),
              std::vector<int32_t>({1, -1, 0, 3, 9, 259}));   // the piece after the bad one moves up
}

TEST_F(CampaignTest, CreatingMarksTheMembersAndCopiesTheScenarioKinds) {
    g_Menu.gameType = 2;
    g_Options.difficulty = 2;
    Store(0, 0, "first");
    Put(0, 4, "Ilse");
    Put(0, 6, "Marrow");
    const int32_t members[4] = {4, 6, -1, 1200};
    ASSERT_TRUE(CreateCampaign(0, std::string(300, 'c').c_str(), members));
    EXPECT_EQ(g_Campaign.slot, 1);
    EXPECT_EQ(std::strlen(g_Campaign.name), 259u);
    EXPECT_EQ(g_Settings.difficulty, 2);
    EXPECT_EQ(std::vector<int32_t>(g_Campaign.members, g_Campaign.members + 4), std::vector<int32_t>({4, 6, -1, -1}));
    EXPECT_EQ(g_Menu.playerTables.records[0][6]->team, 1);
    EXPECT_TRUE(Exists("Saves/Orlins/PlO06.dat"));
    EXPECT_TRUE(Exists("Saves/CAMPAIGNS/CO01.dat"));
    // Scenario 1 offers kinds 2 and 5.
    const uint8_t* kinds = g_Campaign.scenarios[1];
    EXPECT_EQ(std::vector<int>(kinds, kinds + 6), std::vector<int>({0, 0, 1, 0, 0, 1}));

    // The one-player campaign plays one mission per scenario and starts side 1 at stage 3. It is
    // written with its player from the first, so that a game ended before any other store leaves
    // a campaign its player can load; without one, or with a blank one, nothing is written.
    g_Menu.gameType = 1;
    EXPECT_FALSE(CreateCampaign(1, "own", nullptr));
    EXPECT_FALSE(CreateCampaign(1, "own", nullptr, &kBlankPlayer));
    EXPECT_FALSE(Exists("Saves/CAMPAIGNS/GCV00.dat"));
    PlayerRecord own;
    MakeRandomPlayer(1, &own);
    std::strcpy(own.look.name, "Sable");
    own.attributes[2] = 61.0f;
    ASSERT_TRUE(CreateCampaign(1, "own", nullptr, &own));
    EXPECT_EQ(g_Campaign.stage, 3u);
    EXPECT_EQ(std::vector<int>(kinds, kinds + 6), std::vector<int>({1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Read("Saves/CAMPAIGNS/GCV00.dat").size(), CAMPAIGN_BLOCK_SIZE + PLAYER_RECORD_SIZE);
    ClearCampaign();
    PlayerRecord back;
    MakeRandomPlayer(1, &back);
    ASSERT_TRUE(LoadCampaign(1, 0, &back));
    EXPECT_STREQ(g_Campaign.name, "own");
    EXPECT_STREQ(back.look.name, "Sable");
    EXPECT_EQ(back.attributes[2], 61.0f);
}

TEST_F(CampaignTest, CreatingWithEverySlotTakenWritesNothing) {
    g_Menu.gameType = 2;
    for (int slot = 0; slot < 1000; ++slot) {
        char name[48];
        std::snprintf(name, sizeof name, "Saves/CAMPAIGNS/CV%02d.dat", slot);
        Write(name, "x");
    }
    Put(1, 2, "Quill");
    const int32_t members[4] = {2, -1, -1, -1};
    EXPECT_FALSE(CreateCampaign(1, "full", members));
    EXPECT_EQ(g_Menu.playerTables.records[1][2]->team, -1);
    EXPECT_FALSE(Exists("Saves/Voraks/PlV02.dat"));
}

TEST_F(CampaignTest, OldShortFilesAndTheOwnPlayerLoad) {
    // A file from before the difficulty word: the block from its second field on.
    ByteImage old(CAMPAIGN_BLOCK_SIZE - 4);
    old.U32(0, 3).Text(4, "Old Road").U32(264, 0).U32(300, 2);
    Write("Saves/CAMPAIGNS/CO03.dat", old.Str());
    g_Options.difficulty = 0;
    ASSERT_TRUE(LoadCampaign(0, 3, nullptr));
    EXPECT_STREQ(g_Campaign.name, "Old Road");
    EXPECT_EQ(g_Campaign.stage, 2u);
    EXPECT_EQ(g_Campaign.difficulty, 1u);
    EXPECT_EQ(g_Options.difficulty, 1u);
    EXPECT_EQ(g_Campaign.slot, 3);
    EXPECT_FALSE(LoadCampaign(0, 4, nullptr));

    // The one-player campaign's own record follows the block, and a save without it, or with a
    // blank one, keeps it.
    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(1, &own);
    std::strcpy(own.look.name, "Sable");
    Store(1, 0, "mine");
    ASSERT_TRUE(SaveCampaign(1, 0, &own));
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    ASSERT_TRUE(SaveCampaign(1, 0, &kBlankPlayer));
    EXPECT_EQ(Read("Saves/CAMPAIGNS/GCV00.dat").size(), CAMPAIGN_BLOCK_SIZE + PLAYER_RECORD_SIZE);
    PlayerRecord back;
    ASSERT_TRUE(LoadCampaign(1, 0, &back));
    EXPECT_STREQ(back.look.name, "Sable");

    // With no player in the file to keep, a store without one writes nothing rather than a
    // campaign nobody could play.
    std::filesystem::remove(dir->path() / "Saves/CAMPAIGNS/GCV00.dat");
    EXPECT_FALSE(SaveCampaign(1, 0, nullptr));
    EXPECT_FALSE(SaveCampaign(1, 0, &kBlankPlayer));
    EXPECT_FALSE(Exists("Saves/CAMPAIGNS/GCV00.dat"));
}

// Only the older form's own length is read as older: a file cut anywhere else inside the block is
// refused by every reader, marked in the list, and neither it nor the open campaign changes.
TEST_F(CampaignTest, ACampaignCutShortIsRefusedMarkedAndKeptAsItIs) {
    g_Menu.gameType = 2;
    Store(1, 1, "Next");
    Store(1, 0, "Kept Road", 2);
    const std::string whole = Read("Saves/CAMPAIGNS/CV00.dat");
    ASSERT_EQ(whole.size(), CAMPAIGN_BLOCK_SIZE);
    char caption[64];
    for (size_t length : {size_t(0), size_t(4), size_t(96000), CAMPAIGN_BLOCK_SIZE - 5, CAMPAIGN_BLOCK_SIZE - 3,
                          CAMPAIGN_BLOCK_SIZE - 1}) {
        SCOPED_TRACE(length);
        const std::string cut = whole.substr(0, length);
        Write("Saves/CAMPAIGNS/CV00.dat", cut);
        ClearCampaign();
        std::strcpy(g_Campaign.name, "open");
        g_Campaign.slot = 5;
        g_Options.difficulty = 2;
        EXPECT_FALSE(LoadCampaign(1, 0, nullptr));
        EXPECT_STREQ(g_Campaign.name, "open");
        EXPECT_EQ(g_Campaign.slot, 5);
        EXPECT_EQ(g_Options.difficulty, 2u);
        EXPECT_TRUE(IsCampaignDamaged(1, 0));
        auto block = std::make_unique<CampaignBlock>();
        EXPECT_FALSE(ReadCampaignBlock(1, 0, block.get(), nullptr));
        EXPECT_EQ(ListCampaigns(1), 2) << "listed, not taken for a free slot";
        ASSERT_TRUE(DamagedCampaignCaption(1, 0, caption, sizeof caption));
        EXPECT_STREQ(caption, "CV00.dat - damaged");
        EXPECT_FALSE(DeleteCampaign(1, 0));
        EXPECT_EQ(Read("Saves/CAMPAIGNS/CV00.dat"), cut);
        EXPECT_EQ(NameAt(1, 1), "Next") << "nothing moved down";
    }

    // The whole file, the older form and a longer team file load; none is marked.
    Write("Saves/CAMPAIGNS/CV00.dat", whole);
    g_Options.difficulty = 2;
    EXPECT_EQ(NameAt(1, 0), "Kept Road");
    EXPECT_EQ(g_Campaign.stage, 2u);
    EXPECT_EQ(g_Campaign.difficulty, 0u);
    EXPECT_FALSE(DamagedCampaignCaption(1, 0, caption, sizeof caption));
    Write("Saves/CAMPAIGNS/CV00.dat", whole.substr(4));
    EXPECT_EQ(NameAt(1, 0), "Kept Road");
    EXPECT_EQ(g_Campaign.difficulty, 1u);
    EXPECT_FALSE(DamagedCampaignCaption(1, 0, caption, sizeof caption));
    Write("Saves/CAMPAIGNS/CV00.dat", whole + std::string(PLAYER_RECORD_SIZE - 4, 'x'));
    EXPECT_EQ(NameAt(1, 0), "Kept Road");
    EXPECT_FALSE(IsCampaignDamaged(1, 0));
}

// A one-player campaign that ends inside its player is damaged, whether or not the player is asked
// for.
TEST_F(CampaignTest, AOnePlayerCampaignWhosePlayerIsCutIsRefused) {
    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    std::strcpy(own.look.name, "Sable");
    Store(0, 0, "mine");
    ASSERT_TRUE(SaveCampaign(0, 0, &own));
    const std::string whole = Read("Saves/CAMPAIGNS/GCO00.dat");
    ASSERT_EQ(whole.size(), CAMPAIGN_BLOCK_SIZE + PLAYER_RECORD_SIZE);
    PlayerRecord buffer;
    char caption[64];
    for (size_t kept = 1; kept < PLAYER_RECORD_SIZE; ++kept) {
        SCOPED_TRACE(kept);
        const std::string cut = whole.substr(0, CAMPAIGN_BLOCK_SIZE + kept);
        Write("Saves/CAMPAIGNS/GCO00.dat", cut);
        ClearCampaign();
        MakeRandomPlayer(0, &buffer);
        std::strcpy(buffer.look.name, "Before");
        ASSERT_FALSE(LoadCampaign(0, 0, &buffer));
        ASSERT_STREQ(buffer.look.name, "Before");
        ASSERT_EQ(g_Campaign.slot, -1);
        ASSERT_FALSE(LoadCampaign(0, 0, nullptr));
        ASSERT_TRUE(DamagedCampaignCaption(0, 0, caption, sizeof caption));
        ASSERT_EQ(Read("Saves/CAMPAIGNS/GCO00.dat"), cut);
    }
    // The same lengths are only longer team files, which load.
    g_Menu.gameType = 2;
    Write("Saves/CAMPAIGNS/CO00.dat", whole.substr(0, CAMPAIGN_BLOCK_SIZE + 1));
    EXPECT_EQ(NameAt(0, 0), "mine");

    g_Menu.gameType = 1;
    Write("Saves/CAMPAIGNS/GCO00.dat", whole);
    ASSERT_TRUE(LoadCampaign(0, 0, &buffer));
    EXPECT_STREQ(buffer.look.name, "Sable");
    EXPECT_FALSE(IsCampaignDamaged(0, 0));
}

// Earlier versions first wrote a one-player campaign as its block alone, then added a record of
// zeros at its first store; the older form has no player either. None is ever played by a blank
// player: each is refused as damaged, told in the list, and kept byte for byte.
TEST_F(CampaignTest, AOnePlayerCampaignWithoutAPlayerOfItsOwnIsRefusedAndKept) {
    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    std::strcpy(own.look.name, "Sable");
    Store(0, 0, "mine");
    ASSERT_TRUE(SaveCampaign(0, 0, &own));
    const std::string whole = Read("Saves/CAMPAIGNS/GCO00.dat");
    const std::string block = whole.substr(0, CAMPAIGN_BLOCK_SIZE);
    char caption[64];
    for (const std::string& file :
         {block, block + std::string(PLAYER_RECORD_SIZE, '\0'), block.substr(4)}) {
        SCOPED_TRACE(file.size());
        Write("Saves/CAMPAIGNS/GCO00.dat", file);
        ClearCampaign();
        PlayerRecord buffer;
        MakeRandomPlayer(0, &buffer);
        std::strcpy(buffer.look.name, "Before");
        EXPECT_FALSE(LoadCampaign(0, 0, &buffer));
        EXPECT_STREQ(buffer.look.name, "Before");
        EXPECT_EQ(g_Campaign.slot, -1);
        EXPECT_TRUE(IsCampaignDamaged(0, 0));
        EXPECT_TRUE(DamagedCampaignCaption(0, 0, caption, sizeof caption));
        EXPECT_FALSE(DeleteCampaign(0, 0));
        EXPECT_EQ(Read("Saves/CAMPAIGNS/GCO00.dat"), file);
    }
    // The same files are whole team campaigns, the older form among them.
    g_Menu.gameType = 2;
    for (const std::string& file : {block, block + std::string(PLAYER_RECORD_SIZE, '\0'), block.substr(4)}) {
        Write("Saves/CAMPAIGNS/CO00.dat", file);
        EXPECT_EQ(NameAt(0, 0), "mine") << file.size();
    }
}

TEST_F(CampaignTest, DeletingMovesTheLaterCampaignsDownAndAFailedDeleteKeepsThemAll) {
    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    std::strcpy(own.look.name, "Fifth");
    for (int slot = 0; slot < 5; ++slot) Store(0, slot, std::to_string(slot + 1).c_str());
    ASSERT_TRUE(SaveCampaign(0, 4, &own));
    EXPECT_EQ(ListCampaigns(0), 5);
    EXPECT_GT(g_CampaignTimes[4], 0);

    ASSERT_TRUE(DeleteCampaign(0, 2));   // the third of five
    EXPECT_EQ(ListCampaigns(0), 4);
    EXPECT_EQ(NameAt(0, 2) + NameAt(0, 3), "45");
    PlayerRecord moved;
    ASSERT_TRUE(LoadCampaign(0, 3, &moved));
    EXPECT_STREQ(moved.look.name, "Fifth");

    // A save that cannot be removed (a folder stands in its place): nothing moves.
    std::filesystem::remove(dir->path() / "Saves/CAMPAIGNS/GCO01.dat");
    std::filesystem::create_directories(dir->path() / "Saves/CAMPAIGNS/GCO01.dat");
    os::ForgetFolders();
    EXPECT_FALSE(DeleteCampaign(0, 1));
    EXPECT_EQ(NameAt(0, 0) + NameAt(0, 2) + NameAt(0, 3), "145");
}

TEST_F(CampaignTest, DeletingATeamCampaignFreesItsMembersAndSpendsTheirPoints) {
    g_Menu.gameType = 2;
    PlayerRecord* r = Put(1, 8, "Hale");
    r->team = 0;
    Store(1, 0, "team");
    g_Campaign.members[0] = 8;
    g_Campaign.pendingPoints[0] = 25;
    ASSERT_TRUE(SaveCampaign(1, 0, nullptr));
    ASSERT_TRUE(DeleteCampaign(1, 0));
    EXPECT_EQ(r->team, -1);
    // Five points each to strength, power, constitution, agility and speed.
    EXPECT_EQ(std::vector<float>(r->attributes, r->attributes + 5), std::vector<float>(5, 55.0f));
    EXPECT_TRUE(Exists("Saves/Voraks/PlV08.dat"));
    EXPECT_FALSE(Exists("Saves/CAMPAIGNS/CV00.dat"));
}

TEST_F(CampaignTest, StagesResultsPointsAndTheEnemiesLevel) {
    g_Menu.gameType = 2;
    PlayerRecord* r = Put(0, 3, "Tarn", 4);
    Store(0, 0, "run", 0);
    g_Campaign.members[1] = 3;
    uint32_t results[264] = {};
    uint32_t* row = results + 24 + 15;   // member 1's row
    row[1] = 3, row[2] = 10, row[8] = 6, row[14] = 2;
    float extra = 40.0f;
    std::memcpy(&row[9], &extra, 4);
    ApplyMatchResults(results, 1);
    EXPECT_EQ(g_Campaign.pendingPoints[1], 50);   // two levels gained
    EXPECT_EQ(r->level, 6u);
    EXPECT_EQ(r->extra, 40.0f);
    EXPECT_EQ(g_Menu.playerTables.stats[0][3]->words[0], 10u);
    EXPECT_EQ(g_Menu.playerTables.stats[0][3]->words[10], 2u);
    EXPECT_TRUE(Exists("Saves/Orlins/PlO03.dat"));

    // A stage is complete once every kind played in its five scenarios is won.
    for (int s = 0; s < 5; ++s) g_Campaign.scenarios[s][CAMPAIGN_PLAYED + 1] = 1;
    EXPECT_FALSE(IsStageComplete());
    for (int s = 0; s < 5; ++s) g_Campaign.scenarios[s][CAMPAIGN_WON + 1] = 1;
    EXPECT_TRUE(IsStageComplete());
    AdvanceStage();
    EXPECT_EQ(g_Campaign.stage, 1u);
    g_Campaign.stage = 3, g_Campaign.side = 0;
    AdvanceStage();
    EXPECT_EQ(g_Campaign.stage, uint32_t(CAMPAIGN_FINISHED));
    EXPECT_TRUE(IsStageComplete());

    // Enemy level: the larger of the adjusted level and the table's minimum; record numbers
    // outside the stage's 20 entries read the nearest entry, never past the table.
    g_Settings.difficulty = 1;
    g_Campaign.stage = 1;
    g_GameSettings.side = 0;
    g_GameSettings.fightersEnemyMode2 = 3;
    g_Campaign.enemyLevels[0].minimumLevel = 30;
    g_Campaign.enemyLevels[19].minimumLevel = 50;
    const uint32_t numbers[3] = {20, 5, 4000000000u}, levels[3] = {10, 12, 14};
    for (int i = 0; i < 3; ++i) g_GameSettings.team[i] = numbers[i], g_GameSettings.team[4 + i] = levels[i];
    EXPECT_EQ(AverageEnemyLevel(), (30 + 30 + 50) / 3 + 1);
    g_GameSettings.fightersEnemyMode2 = 0;
    EXPECT_EQ(AverageEnemyLevel(), 1);
    EnemyLevelRow entry;
    EXPECT_TRUE(FindEnemyLevel(39, &entry));
    EXPECT_EQ(entry.minimumLevel, 50);
    EXPECT_FALSE(FindEnemyLevel(40, &entry));
}

TEST_F(CampaignTest, MissionRecordsNameTheirStagesEnemies) {
    for (int side = 0; side < 2; ++side)
        for (int s = 0; s < MISSION_SCENARIOS; ++s) {
            const MissionRecord& m = *FindMission(MISSIONS, side, s, 5);
            const int stage = (side == 0 ? s : 19 - s) / 5;
            ASSERT_GE(m.words[3], 1u);
            ASSERT_LE(m.words[3], 4u);
            for (uint32_t i = 0; i < m.words[3]; ++i) {
                EXPECT_GE(m.words[4 + i], uint32_t(20 * stage));
                EXPECT_LT(m.words[4 + i], uint32_t(20 * stage + 20));
            }
            EXPECT_TRUE(FindMission(SINGLE_MISSIONS, side, s, 0)->Available());
        }
    EXPECT_EQ(FindMission(MISSIONS, 0, 20, 0), nullptr);
}

// A side starts its one-player campaign alone and gains an ally every five steps, up to three:
// the first players of its table, after the player, a little stronger than the step.
TEST_F(CampaignTest, TheOnePlayerCampaignGainsAnAllyEveryFiveStepsUpToThree) {
    const int allies[MISSION_SCENARIOS] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3};
    for (int side = 0; side < 2; ++side)
        for (int step = 0; step < MISSION_SCENARIOS; ++step) {
            SCOPED_TRACE(testing::Message() << "side " << side << ", step " << step);
            // Side 1 plays its steps from scenario 19 down.
            MissionRecord setup;
            ASSERT_TRUE(FindMatchSetup(side, side == 0 ? step : 19 - step, &setup));
            for (int a = 0; a < 3; ++a) {
                const bool ally = a < allies[step];
                EXPECT_EQ(int32_t(setup.words[13 + a]), ally ? a + 1 : -1) << "ally " << a;
                EXPECT_EQ(setup.words[17 + a], ally ? uint32_t(3 * step + 2) : 0u) << "ally " << a;
            }
        }
}

}  // namespace
