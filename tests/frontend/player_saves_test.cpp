// Player records and their save files: folders by save mode and play type, file names, counts,
// damaged saves, deleting, slot searches and random looks.
#include <cstring>

#include "frontend/save_files_fixture.h"
#include "frontend/text_table.h"
#include "datakit/save_images.h"

namespace {

class PlayerSavesTest : public SaveFilesTest {};

TEST_F(PlayerSavesTest, SavesGoToTheFolderOfTheModeAndComeBackAfterARestart) {
    struct Case {
        int saveMode, gameType, side, slot;
        const char* file;
    };
    const Case cases[] = {
        {0, 2, 0, 5, "Saves/Orlins/PlO05.dat"},       {2, 2, 1, 123, "Saves/Voraks/PlV123.dat"},
        {2, 1, 0, 7, "Saves/GCO_Allies/PlO07.dat"},   {1, 2, 1, 0, "Saves/VoraksMP/PlV00.dat"},
        {1, 1, 0, 999, "Saves/OrlinsMP/PlO999.dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ResetMenu();
        g_Menu.saveMode = c.saveMode;
        g_Menu.gameType = c.gameType;
        Put(c.side, c.slot, "Kestrel", 12);
        g_Menu.playerTables.stats[c.side][c.slot]->words[10] = 77;
        ASSERT_TRUE(SavePlayer(c.side, c.slot));
        ASSERT_TRUE(Exists(c.file));
        EXPECT_EQ(Read(c.file).size(), PLAYER_RECORD_SIZE + PLAYER_STATS_SIZE);

        ResetMenu();
        g_Menu.gameType = c.gameType;
        g_Menu.LoadPlayerSaves(c.saveMode);
        const PlayerRecord* r = g_Menu.playerTables.records[c.side][c.slot];
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(r->look.name, "Kestrel");
        EXPECT_EQ(r->level, 12u);
        EXPECT_EQ(g_Menu.playerTables.stats[c.side][c.slot]->words[10], 77u);
        EXPECT_EQ(g_Menu.playerTables.count[c.side], 1);
        EXPECT_EQ(g_Menu.playerTables.count[1 - c.side], 0);

        g_Menu.saveMode = c.saveMode;
        g_Menu.SelectPlayer(c.slot, c.side);
        DeletePlayerSave(c.side, c.slot);
        EXPECT_FALSE(Exists(c.file));
        EXPECT_EQ(g_Menu.playerRecord, nullptr);   // not left pointing at the freed record
        g_Menu.LoadPlayerSaves(c.saveMode);
        EXPECT_EQ(g_Menu.playerTables.records[c.side][c.slot], nullptr);
        EXPECT_EQ(g_Menu.playerTables.count[c.side], 0);
    }
}

TEST_F(PlayerSavesTest, ASaveKilledMidWriteLeavesNoTemporaryOnceTheFolderIsReadAgain) {
    g_Menu.saveMode = 0;
    Put(0, 0, "Kestrel", 3);
    ASSERT_TRUE(SavePlayer(0, 0));
    const std::string saved = Read("Saves/Orlins/PlO00.dat");
    // What a kill between the temporary's creation and its rename leaves beside the save.
    const std::string left = KilledWriteTemporary("Saves\\Orlins\\PlO00.dat", saved, 40);
    ASSERT_FALSE(left.empty());
    Write("Saves/Orlins/PlO00.dat.bak", saved);

    ResetMenu();
    g_Menu.LoadPlayerSaves(0);
    EXPECT_FALSE(Exists(left));
    EXPECT_TRUE(Exists("Saves/Orlins/PlO00.dat.bak"));
    EXPECT_EQ(Read("Saves/Orlins/PlO00.dat"), saved);
    ASSERT_NE(g_Menu.playerTables.records[0][0], nullptr);
    EXPECT_STREQ(g_Menu.playerTables.records[0][0]->look.name, "Kestrel");
}

TEST_F(PlayerSavesTest, CountsFollowTheRecordsHeldAndBadSlotsAreRefused) {
    Put(0, 1, "A");
    Put(0, 4, "B");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SavePlayer(0, 1));
    EXPECT_EQ(g_Menu.playerTables.count[0], 2);
    EXPECT_FALSE(SavePlayer(0, 2));   // an empty slot
    EXPECT_FALSE(SavePlayer(0, 1000));
    EXPECT_FALSE(SavePlayer(0, -1));
    EXPECT_FALSE(SavePlayer(2, 1));
    EXPECT_EQ(g_Menu.playerTables.count[0], 2);
    // A slot holding a record with no name and no attribute (a card nothing was copied into)
    // writes no file, whatever its side word or level: it would read back as a nameless player.
    // A name or one attribute makes it a record like any other.
    ASSERT_TRUE(CopyPlayerToSlot(0, 3, PlayerRecord{}));
    EXPECT_FALSE(SavePlayer(0, 3));
    EXPECT_FALSE(Exists("Saves/Orlins/PlO03.dat"));
    PlayerRecord nearlyBlank{};
    nearlyBlank.side = 1;
    nearlyBlank.level = 1;
    ASSERT_TRUE(CopyPlayerToSlot(1, 3, nearlyBlank));
    EXPECT_FALSE(SavePlayer(1, 3));
    EXPECT_FALSE(Exists("Saves/Voraks/PlV03.dat"));
    nearlyBlank.attributes[4] = 5.0f;
    ASSERT_TRUE(CopyPlayerToSlot(1, 3, nearlyBlank));
    EXPECT_TRUE(SavePlayer(1, 3));
    EXPECT_TRUE(Exists("Saves/Voraks/PlV03.dat"));
    nearlyBlank.attributes[4] = 0.0f;
    nearlyBlank.look.name[0] = 'N';
    ASSERT_TRUE(CopyPlayerToSlot(1, 4, nearlyBlank));
    EXPECT_TRUE(SavePlayer(1, 4));
    EXPECT_TRUE(Exists("Saves/Voraks/PlV04.dat"));
    g_Menu.LoadPlayerSaves(2);
    EXPECT_EQ(g_Menu.playerTables.count[0], 1);   // only slot 1 was saved

    // A folder without saves leaves both tables empty.
    g_Menu.LoadPlayerSaves(1);
    EXPECT_EQ(g_Menu.playerTables.count[0] + g_Menu.playerTables.count[1], 0);
}

TEST_F(PlayerSavesTest, DamagedAndShortSavesLoadSanitised) {
    datakit::ByteImage bad = datakit::PlayerSaveImage(1, 5000, std::string(20, 'N'));
    bad.U32(8, 0x7FC00000u).U32(32, 4000).U32(56, 9).U32(68, 8).U32(100, 6).U32(112, 54).U32(116, 53);
    Write("Saves/Orlins/PlO02.dat", bad.Str());   // a side-1 record in side 0's save
    Write("Saves/Orlins/PlO03.dat", datakit::PlayerSaveImage(0, 3, "Tamsin", false).Str());
    Write("Saves/Orlins/PlO04.dat", std::string(40, '\xFF'));
    g_Menu.LoadPlayerSaves(2);
    ASSERT_EQ(g_Menu.playerTables.count[0], 3);

    const PlayerRecord& r = *g_Menu.playerTables.records[0][2];
    EXPECT_EQ(r.side, 0u);
    EXPECT_EQ(r.level, 0u);
    EXPECT_EQ(r.attributes[0], 50.0f);
    EXPECT_EQ(r.team, -1);
    EXPECT_EQ(std::string(r.look.name), std::string(19, 'N'));
    EXPECT_EQ(std::vector<int32_t>({int32_t(r.look.skin), r.look.tattoos[0], r.look.hair, r.look.equipment[0],
                                    r.look.equipment[1]}),
              std::vector<int32_t>({0, -1, -1, -1, 53}));
    PlayerRecord copy = r;
    EXPECT_TRUE(SanitisePlayerRecord(&copy, 0, false));

    // No statistics block: all zero. A 40-byte file: what it holds over a new record.
    EXPECT_EQ(g_Menu.playerTables.stats[0][3]->words[0], 0u);
    EXPECT_STREQ(g_Menu.playerTables.records[0][3]->look.name, "Tamsin");
    EXPECT_TRUE(SanitisePlayerRecord(g_Menu.playerTables.records[0][4], 0, false));
}

TEST_F(PlayerSavesTest, GoldenSaveBytes) {
    PlayerRecord r;
    MakeRandomPlayer(1, &r);
    std::memset(r.look.name, 0, sizeof r.look.name);
    std::strcpy(r.look.name, "Orwen");
    r.level = 8;
    CopyPlayerToSlot(1, 12, r);
    for (uint32_t w = 0; w < 11; ++w) g_Menu.playerTables.stats[1][12]->words[w] = w + 1;
    ASSERT_TRUE(SavePlayer(1, 12));
    EXPECT_EQ(Read("Saves/Voraks/PlV12.dat"), datakit::PlayerSaveImage(1, 8, "Orwen").Str());
}

TEST_F(PlayerSavesTest, SlotSearchesAndTheStoredPlayerAtStartUp) {
    Put(1, 2, "A")->team = 0;
    Put(1, 7, "B");
    Put(1, 900, "C");
    EXPECT_EQ(FindFreePlayerSlot(1, false), 2);
    EXPECT_EQ(FindFreePlayerSlot(1, true), 7);
    EXPECT_EQ(FindFreePlayerSlot(0, false), -1);
    EXPECT_EQ(NextPlayerSlot(1, 900, false), 2);
    EXPECT_EQ(NextPlayerSlot(1, 900, true), 7);
    EXPECT_EQ(PreviousPlayerSlot(1, 2, false), 900);
    EXPECT_EQ(PreviousPlayerSlot(1, 7, true), 900);
    EXPECT_EQ(NextPlayerSlot(0, 0, false), -1);

    // The stored one when it is there, else the first of side 0, else side 1's.
    g_GameSettings.side = 1, g_GameSettings.playerSlot = 7;
    SelectStoredPlayer();
    EXPECT_STREQ(g_Menu.playerRecord->look.name, "B");
    g_GameSettings.playerSlot = 8;
    SelectStoredPlayer();
    EXPECT_EQ(g_Menu.selectedPlayer, 2);
    Put(0, 30, "D");
    g_GameSettings.playerSlot = 8;
    SelectStoredPlayer();
    EXPECT_EQ(g_Menu.SelectedRecord(0), g_Menu.playerTables.records[0][30]);
    EXPECT_EQ(g_GameSettings.side, 0);
    g_Menu.SelectPlayer(-1, 1);
    EXPECT_EQ(g_Menu.playerRecord, nullptr);
    EXPECT_EQ(g_GameSettings.side, 1);
}

TEST_F(PlayerSavesTest, NewPlayersNamesAndRandomLooks) {
    g_TextTable.Reset();
    g_TextTable.count = TEXT_TABLE_SLOTS;
    g_TextTable.strings.assign(TEXT_TABLE_SLOTS, std::string(30, 'x'));
    g_TextTable.lengths.assign(TEXT_TABLE_SLOTS, 31);
    g_Menu.gameType = 2;
    const int slot = MakeDefaultPlayer(1);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(std::string(g_Menu.playerTables.records[1][0]->look.name), std::string(19, 'x'));
    EXPECT_EQ(MakeDefaultPlayer(1), 1);
    EXPECT_EQ(g_Menu.playerTables.count[1], 2);
    g_Menu.gameType = 1;
    EXPECT_EQ(MakeDefaultPlayer(1), 0);   // the campaign's own player, always slot 0
    EXPECT_EQ(g_Menu.playerTables.count[1], 2);
    g_TextTable.Reset();

    g_Menu.gameType = 2;
    PlayerRecord at10;
    MakeRandomPlayer(0, &at10);
    ASSERT_TRUE(CreatePlayerAtLevel(&at10, 40, 10, 3.0f));
    EXPECT_EQ(g_Menu.playerTables.records[0][40]->attributes[4], 100.0f);
    EXPECT_TRUE(Exists("Saves/Orlins/PlO40.dat"));

    bool sawNoTattoo = false;
    for (uint32_t seed = 1; seed < 300; ++seed) {
        SeedRandom(seed);
        PlayerRecord r;
        MakeRandomPlayer(0, &r);
        RandomizePlayerLook(0, &r);
        ASSERT_TRUE(SanitisePlayerRecord(&r, 0, false)) << seed;
        int count = 0;
        for (int t : r.look.tattoos) count += t >= 0;
        sawNoTattoo |= count == 0;
        ASSERT_LE(count, 7) << seed;
    }
    EXPECT_TRUE(sawNoTattoo);
}

TEST_F(PlayerSavesTest, EnemyRecordsComeFromTheCampaignsEnemyFolders) {
    Write("Saves/CV/PlV04.dat", datakit::PlayerSaveImage(1, 6, "Rusk").Str());
    Write("Saves/GCV_Enemies/PlO04.dat", datakit::PlayerSaveImage(0, 9, "Vell").Str());
    PlayerRecord out;
    g_Menu.gameType = 2;
    ASSERT_TRUE(g_Menu.LoadEnemyRecord(4, 1, &out));
    EXPECT_STREQ(out.look.name, "Rusk");
    EXPECT_FALSE(g_Menu.LoadEnemyRecord(4, 0, &out));
    EXPECT_FALSE(g_Menu.LoadEnemyRecord(1000, 1, &out));
    g_Menu.gameType = 1;
    ASSERT_TRUE(g_Menu.LoadEnemyRecord(4, 0, &out));
    EXPECT_EQ(out.level, 9u);
}

}  // namespace
