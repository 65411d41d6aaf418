// The four option files: their byte layout against images placed by hand, what a missing, short,
// long or damaged file leaves, safe writing, the start-up defaults and the game-kind lookups.
#include <cmath>
#include <cstring>

#include "core/debug_log.h"
#include "frontend/line_up.h"
#include "frontend/save_files_fixture.h"
#include "net/net_server.h"
#include "render/adapter_table.h"
#include "render/video.h"
#include "datakit/save_images.h"

using datakit::ByteImage;

namespace {

// The named fields, counting up from `first` in file order.
GameSettingsBlock CountingGame(uint32_t first) {
    GameSettingsBlock b{};
    uint32_t n = first;
    b.side = int32_t(n++);
    b.playerSlot = int32_t(n++);
    for (uint32_t& w : b.frontEnd8) w = n++;
    b.scenario = int32_t(n++);
    b.gameKind = int32_t(n++);
    for (uint32_t& w : b.frontEnd28) w = n++;
    b.fightersOwnMode2 = int32_t(n++);
    b.fightersEnemyMode2 = int32_t(n++);
    for (uint32_t& w : b.team) w = n++;
    for (uint32_t& w : b.rules) w = n++;
    b.fightersOwn = int32_t(n++);
    b.fightersEnemy = int32_t(n++);
    b.levelOwn = int32_t(n++);
    b.levelEnemy = int32_t(n++);
    b.randomLevelOwn = 1;
    b.randomLevelEnemy = 0;
    return b;
}

std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

class SettingsFilesTest : public SaveFilesTest {};

TEST_F(SettingsFilesTest, EveryBlockIsWrittenAtItsOffsets) {
    ByteImage game(GAME_SETTINGS_BLOCK_SIZE);
    datakit::PutCountingGameSettings(game, 0, 7);
    EXPECT_EQ(Str(EncodeGameSettings(CountingGame(7))), game.Str());

    OptionsBlock o{};
    o.adapter = 1, o.width = 800, o.height = 600, o.bitsPerPixel = 16, o.textureReduction = 2, o.textureBpp = 32;
    o.modelQuality = 3, o.characterShadow = 1, o.farFactor = 0.25f, o.gamma = 0.75f, o.multisample = 4;
    o.anisotropic = 1, o.waitRetrace = 0, o.specular = 1, o.waterQuality = 2, o.mirrors = 1, o.interfaceFaces = 1;
    o.generalQuality = 3, o.violence = 1, o.difficulty = 2;
    for (int i = 0; i < OPTION_KEY_BINDINGS; ++i) o.keys[i] = StoredKeys{i, 100 + i, -1};
    o.sound = 1, o.soundWordB = 0x3F000000u, o.soundByteA = 1, o.soundWordD = 0x11223344u, o.music = 0;
    o.soundWordA = 0x3F666666u, o.voices = 1, o.soundByteB = 1, o.soundWordC = 0x3F800000u;
    ByteImage options(OPTIONS_BLOCK_SIZE);
    options.U32(0, 1).U32(4, 800).U32(8, 600).U32(12, 16).U32(16, 2).U32(20, 32).U32(24, 3).U8(28, 1);
    options.F32(32, 0.25f).F32(36, 0.75f).U32(40, 4).U8(44, 1).U8(46, 1).U32(48, 2).U8(52, 1).U8(53, 1);
    options.U32(56, 3).U32(60, 1).U32(64, 2);
    for (uint32_t i = 0; i < 26; ++i) options.U32(68 + 12 * i, i).U32(72 + 12 * i, 100 + i).U32(76 + 12 * i, ~0u);
    options.U8(380, 1).U32(384, 0x3F000000u).U8(388, 1).U32(392, 0x11223344u).U32(400, 0x3F666666u);
    options.U8(404, 1).U8(405, 1).U32(408, 0x3F800000u);
    EXPECT_EQ(Str(EncodeOptions(o)), options.Str());

    MultiplayerBlock m{};
    std::strcpy(m.playerName, "Gorvan");
    m.port = 2300, std::strcpy(m.hostAddress, "10.0.0.7"), m.secondPort = 2301, m.frontEnd284 = 9;
    m.game = CountingGame(50);
    m.frontEnd464[19] = 0xAB;
    ByteImage multi(SETUP_BLOCK_SIZE);
    multi.Text(0, "Gorvan").U32(16, 2300).Text(20, "10.0.0.7").U32(280, 2301).U32(284, 9).U8(483, 0xAB);
    datakit::PutCountingGameSettings(multi, 288, 50);
    EXPECT_EQ(Str(EncodeMultiplayer(m)), multi.Str());

    TrainingBlock t{};
    t.frontEnd0[0] = 0x5A, t.side = 1, t.game = CountingGame(3);
    t.values[0] = 2, t.values[1] = 3, t.values[2] = 9, t.values[3] = 12, t.randomLevel[1] = 1, t.frontEnd482[0] = 7;
    ByteImage training(SETUP_BLOCK_SIZE);
    training.U8(0, 0x5A).U32(284, 1).U32(464, 2).U32(468, 3).U32(472, 9).U32(476, 12).U8(481, 1).U8(482, 7);
    datakit::PutCountingGameSettings(training, 288, 3);
    EXPECT_EQ(Str(EncodeTraining(t)), training.Str());

    // What is read back is what was written, field for field.
    OptionsBlock back{};
    DecodeOptions(EncodeOptions(o).data(), OPTIONS_BLOCK_SIZE, OptionsBlock{}, &back);
    EXPECT_EQ(EncodeOptions(back), EncodeOptions(o));
    TrainingBlock trainingBack{};
    t.game = GameSettingsBlock{};
    t.game.scenario = 19, t.game.gameKind = 7, t.game.playerSlot = 999, t.game.side = -1;
    DecodeTraining(EncodeTraining(t).data(), SETUP_BLOCK_SIZE, TrainingBlock{}, &trainingBack);
    EXPECT_EQ(EncodeTraining(trainingBack), EncodeTraining(t));
}

TEST_F(SettingsFilesTest, MissingShortLongAndDamagedOptionFiles) {
    g_Settings.bitsPerPixel = 32;
    g_Settings.width = 1024, g_Settings.height = 768;
    // None yet, as before the first run that stores it: the defaults, and no failure in the log.
    g_Settings.debug = 1;
    ASSERT_EQ(OpenDebugLog(), S_OK);
    EXPECT_FALSE(LoadOptionsConfig());
    const auto logged = [this] { return Exists("debug.txt") ? dir->Read("debug.txt") : std::string(); };
    EXPECT_EQ(logged().find("Options.cfg"), std::string::npos);
    // One there that cannot be read is.
    std::filesystem::create_directory(dir->path() / "Options.cfg");
    EXPECT_FALSE(LoadOptionsConfig());
    EXPECT_NE(logged().find("No se pudo abrir Options.cfg"), std::string::npos);
    std::filesystem::remove(dir->path() / "Options.cfg");
    g_Settings.debug = 0;

    // Short: the first two words over what "Brimvale.ini" gave; the rest as a missing file leaves it.
    Write("Options.cfg", ByteImage(8).U32(4, 640).Str());
    ASSERT_TRUE(LoadOptionsConfig());
    EXPECT_EQ(g_Options.width, 640u);
    EXPECT_EQ(g_Options.height, 768u);
    EXPECT_EQ(g_Settings.width, 640);
    EXPECT_EQ(g_Options.keys[0].key1, 'W');   // the default bindings

    // Long: the block is read, the tail ignored. Damaged: every field out of range falls back,
    // a binding naming no key or control becomes unset.
    ByteImage image(OPTIONS_BLOCK_SIZE + 50);
    image.U32(4, 1280).U32(8, 0).U32(12, 24).U32(40, 17).F32(36, NAN).U32(64, 3).U8(380, 7);
    image.U32(68, 256).U32(72, 0x41).U32(76, 138).U32(80, 0xFFFFFFFFu).U32(88, 137);
    image.F32(400, INFINITY).F32(384, 2.0f).F32(408, 0.3f).F32(392, -NAN);
    Write("Options.cfg", image.Str());
    g_Settings.musicVolume = 0.5f;
    ASSERT_TRUE(LoadOptionsConfig());
    EXPECT_EQ(g_Options.width, 1280u);
    EXPECT_EQ(g_Options.height, 768u);
    EXPECT_EQ(g_Options.bitsPerPixel, 32u);
    EXPECT_EQ(g_Options.multisample, 0u);
    EXPECT_EQ(g_Options.difficulty, 0u);
    EXPECT_EQ(g_Options.sound, 1);
    EXPECT_FLOAT_EQ(g_Options.gamma, 0.5f);
    EXPECT_TRUE(IsValidOptions(g_Options));
    const StoredKeys k0 = g_Options.keys[0], k1 = g_Options.keys[1];
    EXPECT_EQ(std::vector<int32_t>({k0.key1, k0.key2, k0.deviceAction, k1.key1, k1.deviceAction}),
              std::vector<int32_t>({-1, 0x41, -1, -1, 137}));
    EXPECT_FLOAT_EQ(g_Settings.musicVolume, 0.5f);
    EXPECT_FLOAT_EQ(g_Settings.effectVolume, 1.0f);
    EXPECT_FLOAT_EQ(g_Settings.volume3, 0.3f);   // the sound words come through bit for bit
    EXPECT_FLOAT_EQ(g_Settings.volume4, 1.0f);
}

TEST_F(SettingsFilesTest, GameFileValuesOutOfRangeTakeTheIniValues) {
    g_Settings.scenarioId = 4, g_Settings.gameKind = 2, g_Settings.fightersEnemy = 3, g_Settings.levelOwn = 7;
    ByteImage image(GAME_SETTINGS_BLOCK_SIZE);
    image.U32(0, 2).U32(4, 1000).U32(20, 20).U32(24, 8).U32(40, 5).U32(160, 9).U32(156, 4).U32(164, 0x80000000u);
    image.U32(152, 50).U8(172, 2);
    Write("Game.cfg", image.Str());
    g_Menu.saveMode = 0;
    ASSERT_TRUE(LoadGameConfig());
    const GameSettingsBlock& g = g_GameSettings;
    EXPECT_EQ(std::vector<int32_t>({g.side, g.playerSlot, g.scenario, g.gameKind, g.fightersEnemyMode2, g.fightersEnemy,
                                    g.fightersOwn, g.levelOwn, int32_t(g.rules[RULE_MATCH_MINUTES]), g.randomLevelOwn}),
              std::vector<int32_t>({-1, 0, 4, 2, 0, 3, 4, 7, 50, 0}));
    // Applied in training mode: the team sizes and levels of the block's second half.
    EXPECT_EQ(g_Settings.fightersOwn, 4);
    EXPECT_EQ(g_Settings.matchMinutes, 50);
    EXPECT_EQ(g_Settings.scenarioId, 4);
}

TEST_F(SettingsFilesTest, AFailedWriteOrALeftoverTemporaryKeepsTheOldFileReadable) {
    g_Settings.width = 800, g_Settings.height = 600, g_Settings.bitsPerPixel = 16;
    StoreOptions();
    SaveOptionsConfig();
    const std::string saved = Read("Options.cfg");
    ASSERT_EQ(saved.size(), OPTIONS_BLOCK_SIZE);
    Write("Options.cfg.tmp1.0", "left by a crash");

    g_Options.width = 1600;
    os::SetWriteLimitForTests(100);
    SaveOptionsConfig();
    EXPECT_FALSE(SaveMultiplayerConfig());
    os::SetWriteLimitForTests(-1);
    EXPECT_EQ(Read("Options.cfg"), saved);
    EXPECT_FALSE(Exists("Multiplayer.cfg"));
    ASSERT_TRUE(LoadOptionsConfig());
    EXPECT_EQ(g_Options.width, 800u);
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir->path()))
        leftovers += e.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(leftovers, 1);   // only the one that was there before
}

TEST_F(SettingsFilesTest, StartUpWithoutFilesUsesTheIniTheComputerNameAndTheTrainingDefaults) {
    g_OptionsShellCalls.computerName = [](char* out, size_t capacity) {
        std::snprintf(out, capacity, "%s", "A-VERY-LONG-HOST-NAME");
    };
    Put(0, 3, "Alda")->team = 2;
    Put(0, 5, "Brenn");
    g_Settings.scenarioId = 9;
    EXPECT_FALSE(LoadMultiplayerConfig());
    EXPECT_STREQ(g_Multiplayer.playerName, "A-VERY-LONG-HOS");
    EXPECT_EQ(g_Multiplayer.port, DEFAULT_PORT);
    EXPECT_EQ(g_Multiplayer.secondPort, DEFAULT_PORT);
    EXPECT_EQ(g_Multiplayer.game.gameKind, 6);   // scenario 0 offers kind 5, which kind 6 stands for
    EXPECT_EQ(g_Multiplayer.game.playerSlot, 5);   // the first record without a team
    EXPECT_EQ(g_Multiplayer.game.rules[RULE_CREDITS], 500u);
    EXPECT_EQ(g_Menu.selectedPlayer, 5);

    EXPECT_FALSE(LoadTrainingConfig());
    const GameSettingsBlock& t = g_Training.game;
    EXPECT_EQ(std::vector<int32_t>({g_Training.side, t.scenario, t.gameKind, t.fightersOwnMode2, int32_t(t.team[3]),
                                    int32_t(t.team[4]), int32_t(t.team[8]), g_Training.values[2]}),
              std::vector<int32_t>({0, 0, 5, 2, 3, 9, 5, 9}));
    EXPECT_TRUE(IsValidTraining(g_Training));

    // A stored multiplayer kind the scenario does not offer moves on to the next one it does.
    MultiplayerBlock stored = g_Multiplayer;
    stored.game.scenario = 1, stored.game.gameKind = 3, stored.game.side = 1;
    Write("Multiplayer.cfg", Str(EncodeMultiplayer(stored)));
    ASSERT_TRUE(LoadMultiplayerConfig());
    EXPECT_EQ(g_Multiplayer.game.gameKind, 3);   // a successful read changes nothing else
    EXPECT_EQ(NextAvailableGameKind(1, 1, 3, true), 5);
    EXPECT_EQ(NextAvailableGameKind(1, 1, 5, false), 2);
}

TEST_F(SettingsFilesTest, TrainingGoalsSavedInOneRunAreTheGoalsOfTheNextRunWithoutAGameFile) {
    LoadTrainingConfig();
    const uint32_t goals[RULE_VALUE_COUNT] = {7, 8, 3, 4, 900, 950, 6, 7, 2, 3, 9, 12};
    std::memcpy(g_GameSettings.rules, goals, sizeof goals);
    g_GameSettings.scenario = 13, g_GameSettings.gameKind = 0;
    ASSERT_TRUE(SaveTrainingConfig());

    // A fresh start: nothing in memory, an ini whose goals differ, and no "Game.cfg". The files
    // are read in the start-up's order.
    Reset();
    g_Settings.SetDefaults();
    g_Settings.stealsGoal[0] = g_Settings.stealsGoal[1] = 1;
    g_Settings.matchMinutes = 0;
    ASSERT_FALSE(Exists("Game.cfg"));
    ASSERT_TRUE(LoadTrainingConfig());
    if (!LoadGameConfig()) g_Menu.StoreGameSettings();

    EXPECT_EQ(std::vector<uint32_t>(g_Training.game.rules, g_Training.game.rules + RULE_VALUE_COUNT),
              std::vector<uint32_t>(goals, goals + RULE_VALUE_COUNT));
    EXPECT_EQ(g_Training.game.scenario, 13);
    EXPECT_EQ(g_Training.game.gameKind, 0);
    // Without a file the goals are the training defaults, whatever the ini says.
    Reset();
    std::filesystem::remove(dir->path() / "Training.cfg");
    g_Settings.SetDefaults();
    g_Settings.stealsGoal[0] = 1;
    EXPECT_FALSE(LoadTrainingConfig());
    EXPECT_EQ(g_Training.game.rules[RULE_STEALS], 5u);
    EXPECT_EQ(g_Training.game.rules[RULE_MATCH_MINUTES], 5u);
}

TEST_F(SettingsFilesTest, AHostedSessionAnnouncesTheScenarioAndKindOfTheLiveGameSettings) {
    Write("Multiplayer.cfg", Str(EncodeMultiplayer(g_Multiplayer)));
    g_SessionSettingsSource = nullptr;
    ASSERT_TRUE(LoadMultiplayerConfig());
    ASSERT_NE(g_SessionSettingsSource, nullptr) << "hosting would fail for want of the settings";
    // The network page's set-up writes the live settings before it hosts.
    for (const auto& [scenario, kind] : {std::pair{13, 2}, std::pair{18, 5}}) {
        g_GameSettings.scenario = scenario, g_GameSettings.gameKind = kind;
        int32_t announcedScenario = -1, announcedKind = -1;
        EXPECT_TRUE(g_SessionSettingsSource(&announcedScenario, &announcedKind));
        EXPECT_EQ(announcedScenario, scenario);
        EXPECT_EQ(announcedKind, kind);
    }
    g_SessionSettingsSource = nullptr;
}

TEST_F(SettingsFilesTest, GameKindAvailability) {
    EXPECT_EQ(IsCharacterAvailable(0, 3, 7, true), IsCharacterAvailable(0, 3, 2, false));
    EXPECT_TRUE(IsCharacterAvailable(1, 3, 7, true));
    EXPECT_FALSE(IsCharacterAvailable(1, 3, 7, false));
    EXPECT_FALSE(IsCharacterAvailable(-1, 13, 0, true));
    EXPECT_FALSE(IsCharacterAvailable(2, 13, 0, true));
    EXPECT_FALSE(IsCharacterAvailable(0, 20, 0, true));
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(IsCharacterAvailable(0, 13, k, false)) << k;
    EXPECT_EQ(NextAvailableGameKind(0, 13, 5, false), 0);
    EXPECT_EQ(PreviousAvailableGameKind(0, 13, 0, true), 7);
    EXPECT_EQ(PreviousAvailableGameKind(0, 15, 0, false), 5);
    EXPECT_EQ(NextAvailableGameKind(0, 15, 9, false), 0);
    EXPECT_EQ(NextAvailableGameKind(0, 1, -1, false), 2);   // kind 0 is not offered there
    EXPECT_EQ(NextAvailableGameKind(0, 25, 0, false), -1);
}

TEST_F(SettingsFilesTest, QualityPresetsFollowTheAdapter) {
    g_AdapterTable.Reset();
    g_AdapterTable.adapterCount = 1;
    g_Video.adapter = 0;
    AdapterRecord& a = g_AdapterTable.adapters[0];
    a.multisample32[1] = a.multisample32[3] = 1;   // types 2 and 4
    a.anisotropic = 1;
    EXPECT_FALSE(HasMultisampling(16));
    EXPECT_FALSE(HasMultisampling(24));
    EXPECT_EQ(NextMultisample(32, 0), 2);
    EXPECT_EQ(NextMultisample(32, 2), 4);
    EXPECT_EQ(NextMultisample(32, 4), 0);
    EXPECT_EQ(PreviousMultisample(32, 0), 4);
    EXPECT_EQ(PreviousMultisample(32, 2), 0);

    g_Options.bitsPerPixel = 32;
    EXPECT_EQ(FillDisplayModeList(2), 1u);
    EXPECT_EQ(g_Options.multisample, 4u);
    EXPECT_EQ(g_Options.anisotropic, 1);
    // The headless adapter answers the stencil question with no: no character shadow.
    EXPECT_EQ(g_Options.characterShadow, IsStencilSupported(32) ? 1 : 0);
    EXPECT_EQ(FillDisplayModeList(0), 0u);
    EXPECT_EQ(std::vector<uint32_t>({g_Options.textureReduction, g_Options.textureBpp, g_Options.multisample,
                                     g_Options.waterQuality, g_Options.generalQuality}),
              std::vector<uint32_t>({3, 16, 0, 1, 0}));
    EXPECT_EQ(FillDisplayModeList(3), 1u);
    EXPECT_EQ(g_Options.generalQuality, 3u);
    g_AdapterTable.Reset();
    EXPECT_FALSE(HasAnisotropicFiltering());
}

}  // namespace

TEST_F(SettingsFilesTest, AMatchFromTheMenuLinesUpTheChosenPlayersAgainstTheBlocksEnemies) {
    GameSettingsBlock& b = g_GameSettings;
    g_Menu.saveMode = 0;
    b.side = 1;
    b.fightersOwn = 2, b.fightersEnemy = 4;
    b.levelOwn = 6, b.levelEnemy = 8;
    b.randomLevelOwn = 1, b.randomLevelEnemy = 0;
    for (int k = 0; k < 4; ++k) {
        b.team[k] = uint32_t(40 + k);
        b.team[4 + k] = uint32_t(10 + k);
        b.team[12 + k] = uint32_t(20 + k);
    }
    b.team[7] = 5000;   // a damaged level word
    // Chosen players in slots 0 and 2 of the side; the others empty or out of range.
    const int32_t slots[4] = {5, -1, 7, 1000};
    for (int k = 0; k < 4; ++k) g_Menu.teamSlots[1][k] = slots[k];
    ApplyGameSettings();
    FillLineUpFromMenu();
    const LineUpSide& own = g_LineUp.sides[1];
    ASSERT_EQ(own.count, 2);
    EXPECT_EQ(own.identifiers[0], 5u);
    EXPECT_EQ(own.identifiers[1], 7u);
    EXPECT_EQ(own.levels[0], 20);
    EXPECT_EQ(own.levels[1], 22) << "a member keeps the level of its team position";
    EXPECT_EQ(own.level, 6);
    EXPECT_EQ(own.randomLevel, 1);
    const LineUpSide& enemies = g_LineUp.sides[0];
    ASSERT_EQ(enemies.count, 4);
    EXPECT_EQ(enemies.identifiers[3], 43u);
    EXPECT_EQ(enemies.levels[0], 10);
    EXPECT_EQ(enemies.levels[3], MAX_PLAYER_LEVEL);
    EXPECT_EQ(enemies.level, 8);
    EXPECT_EQ(enemies.randomLevel, 0);

    // Nobody chosen on the screens: the block's current player plays alone.
    for (int k = 0; k < 4; ++k) g_Menu.teamSlots[1][k] = -1;
    b.playerSlot = 3;
    FillLineUpFromMenu();
    ASSERT_EQ(g_LineUp.sides[1].count, 1);
    EXPECT_EQ(g_LineUp.sides[1].identifiers[0], 3u);

    // A side the block does not know lines up nobody.
    b.side = -1;
    ApplyGameSettings();
    FillLineUpFromMenu();
    EXPECT_EQ(g_LineUp.sides[0].count, 0);
    EXPECT_EQ(g_LineUp.sides[1].count, 0);
    ResetLineUp();
}
