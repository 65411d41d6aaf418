#include "frontend/settings_files.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "fighters/match.h"
#include "frontend/adapter_queries.h"
#include "frontend/block_codec.h"
#include "frontend/line_up.h"
#include "frontend/menu.h"
#include "frontend/mission_table.h"
#include "frontend/player_saves.h"
#include "net/net_server.h"
#include "platform/os/path.h"
#include "render/adapter_table.h"

GameSettingsBlock g_GameSettings;
OptionsBlock g_Options;
MultiplayerBlock g_Multiplayer;
TrainingBlock g_Training;

namespace {

constexpr const char* kGameFile = "Game.cfg";
constexpr const char* kOptionsFile = "Options.cfg";
constexpr const char* kMultiplayerFile = "Multiplayer.cfg";
constexpr const char* kTrainingFile = "Training.cfg";
constexpr int kMultiplayerKind = 6;
constexpr int kTrainingKind = 5;
constexpr int32_t kTrainingTeamSize = 2;
constexpr int32_t kTrainingLevel = 9;
constexpr uint32_t kMaxRuleValue = 10000;   // minutes x 60000 must still fit
constexpr uint32_t kMaxScreenSide = 16384;

// ---- field order of each block (one visitor reads or writes) -------------------------------

template <class V>
void VisitGame(V& v, GameSettingsBlock& b) {
    v.I32(b.side);
    v.I32(b.playerSlot);
    for (uint32_t& w : b.frontEnd8) v.U32(w);
    v.I32(b.scenario);
    v.I32(b.gameKind);
    for (uint32_t& w : b.frontEnd28) v.U32(w);
    v.I32(b.fightersOwnMode2);
    v.I32(b.fightersEnemyMode2);
    for (uint32_t& w : b.team) v.U32(w);
    for (uint32_t& w : b.rules) v.U32(w);
    v.I32(b.fightersOwn);
    v.I32(b.fightersEnemy);
    v.I32(b.levelOwn);
    v.I32(b.levelEnemy);
    v.U8(b.randomLevelOwn);
    v.U8(b.randomLevelEnemy);
    v.Pad(2);
}

template <class V>
void VisitOptions(V& v, OptionsBlock& b) {
    v.U32(b.adapter);
    v.U32(b.width);
    v.U32(b.height);
    v.U32(b.bitsPerPixel);
    v.U32(b.textureReduction);
    v.U32(b.textureBpp);
    v.U32(b.modelQuality);
    v.U8(b.characterShadow);
    v.Pad(3);
    v.F32(b.farFactor);
    v.F32(b.gamma);
    v.U32(b.multisample);
    v.U8(b.anisotropic);
    v.U8(b.waitRetrace);
    v.U8(b.specular);
    v.Pad(1);
    v.U32(b.waterQuality);
    v.U8(b.mirrors);
    v.U8(b.interfaceFaces);
    v.Pad(2);
    v.U32(b.generalQuality);
    v.U32(b.violence);
    v.U32(b.difficulty);
    for (StoredKeys& k : b.keys) {
        v.I32(k.key1);
        v.I32(k.key2);
        v.I32(k.deviceAction);
    }
    v.U8(b.sound);
    v.Pad(3);
    v.U32(b.soundWordB);
    v.U8(b.soundByteA);
    v.Pad(3);
    v.U32(b.soundWordD);
    v.U8(b.music);
    v.Pad(3);
    v.U32(b.soundWordA);
    v.U8(b.voices);
    v.U8(b.soundByteB);
    v.Pad(2);
    v.U32(b.soundWordC);
}

template <class V>
void VisitMultiplayer(V& v, MultiplayerBlock& b) {
    v.Bytes(b.playerName, sizeof b.playerName);
    v.U32(b.port);
    v.Bytes(b.hostAddress, sizeof b.hostAddress);
    v.U32(b.secondPort);
    v.U32(b.frontEnd284);
    VisitGame(v, b.game);
    v.Bytes(b.frontEnd464, sizeof b.frontEnd464);
}

template <class V>
void VisitTraining(V& v, TrainingBlock& b) {
    v.Bytes(b.frontEnd0, sizeof b.frontEnd0);
    v.I32(b.side);
    VisitGame(v, b.game);
    for (int32_t& w : b.values) v.I32(w);
    v.Bytes(b.randomLevel, sizeof b.randomLevel);
    v.Bytes(b.frontEnd482, sizeof b.frontEnd482);
}

// ---- checks: with `fix`, a value out of range takes the default's ---------------------------

bool InRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }
bool IsSwitch(uint8_t v) { return v <= 1; }
bool IsUnitFloat(float v) { return std::isfinite(v) && v >= 0.0f && v <= 1.0f; }
bool IsUnitFloatBits(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return IsUnitFloat(v);
}
bool IsFiniteBits(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return std::isfinite(v);
}

bool CheckGame(GameSettingsBlock& b, const GameSettingsBlock& d, bool fix) {
    FieldChecker c{fix};
    c.Check(b.side, d.side, InRange(b.side, -1, 1));
    c.Check(b.playerSlot, d.playerSlot, InRange(b.playerSlot, -1, PLAYER_SLOTS - 1));
    c.Check(b.scenario, d.scenario, InRange(b.scenario, 0, MISSION_SCENARIOS - 1));
    c.Check(b.gameKind, d.gameKind, InRange(b.gameKind, 0, GAME_KIND_COUNT - 1));
    using G = GameSettingsBlock;
    for (int32_t G::*size : {&G::fightersOwnMode2, &G::fightersEnemyMode2, &G::fightersOwn, &G::fightersEnemy})
        c.Check(b.*size, d.*size, InRange(b.*size, 0, MAX_TEAM_SIZE));
    c.Check(b.levelOwn, d.levelOwn, InRange(b.levelOwn, 0, MAX_PLAYER_LEVEL));
    c.Check(b.levelEnemy, d.levelEnemy, InRange(b.levelEnemy, 0, MAX_PLAYER_LEVEL));
    for (int i = 0; i < RULE_VALUE_COUNT; ++i) c.Check(b.rules[i], d.rules[i], b.rules[i] <= kMaxRuleValue);
    c.Check(b.randomLevelOwn, d.randomLevelOwn, IsSwitch(b.randomLevelOwn));
    c.Check(b.randomLevelEnemy, d.randomLevelEnemy, IsSwitch(b.randomLevelEnemy));
    return c.valid;
}

bool IsKey(int32_t k) { return InRange(k, -1, MAX_BOUND_KEY); }

bool CheckOptions(OptionsBlock& b, const OptionsBlock& d, bool fix) {
    FieldChecker c{fix};
    c.Check(b.adapter, d.adapter, b.adapter < AdapterTable::kMaxAdapters);
    c.Check(b.width, d.width, InRange(b.width, 1, kMaxScreenSide));
    c.Check(b.height, d.height, InRange(b.height, 1, kMaxScreenSide));
    c.Check(b.bitsPerPixel, d.bitsPerPixel, b.bitsPerPixel == 16 || b.bitsPerPixel == 32);
    c.Check(b.textureReduction, d.textureReduction, b.textureReduction <= 3);
    c.Check(b.textureBpp, d.textureBpp, b.textureBpp == 16 || b.textureBpp == 32);
    c.Check(b.modelQuality, d.modelQuality, b.modelQuality <= 4);
    c.Check(b.farFactor, d.farFactor, IsUnitFloat(b.farFactor));
    c.Check(b.gamma, d.gamma, IsUnitFloat(b.gamma));
    c.Check(b.multisample, d.multisample, b.multisample <= 16);
    c.Check(b.waterQuality, d.waterQuality, InRange(b.waterQuality, 1, 3));
    c.Check(b.generalQuality, d.generalQuality, b.generalQuality <= 3);
    c.Check(b.violence, d.violence, b.violence <= 1);
    c.Check(b.difficulty, d.difficulty, b.difficulty <= 2);
    using O = OptionsBlock;
    for (uint8_t O::*flag : {&O::characterShadow, &O::anisotropic, &O::waitRetrace, &O::specular, &O::mirrors,
                             &O::interfaceFaces, &O::sound, &O::soundByteA, &O::music, &O::voices, &O::soundByteB})
        c.Check(b.*flag, d.*flag, IsSwitch(b.*flag));
    // A binding that names no key or control is unset rather than the default key.
    constexpr int32_t kUnset = -1;
    for (StoredKeys& k : b.keys) {
        c.Check(k.key1, kUnset, IsKey(k.key1));
        c.Check(k.key2, kUnset, IsKey(k.key2));
        c.Check(k.deviceAction, kUnset, InRange(k.deviceAction, -1, MAX_BOUND_CONTROL));
    }
    c.Check(b.soundWordA, d.soundWordA, IsUnitFloatBits(b.soundWordA));
    c.Check(b.soundWordB, d.soundWordB, IsUnitFloatBits(b.soundWordB));
    c.Check(b.soundWordC, d.soundWordC, IsFiniteBits(b.soundWordC));
    c.Check(b.soundWordD, d.soundWordD, IsFiniteBits(b.soundWordD));
    return c.valid;
}

bool IsPort(uint32_t p) { return InRange(p, 1, 65535); }

bool CheckMultiplayer(MultiplayerBlock& b, const MultiplayerBlock& d, bool fix) {
    FieldChecker c{fix};
    c.Terminated(b.playerName, sizeof b.playerName);
    c.Terminated(b.hostAddress, sizeof b.hostAddress);
    c.Check(b.port, d.port, IsPort(b.port));
    c.Check(b.secondPort, d.secondPort, IsPort(b.secondPort));
    const bool game = CheckGame(b.game, d.game, fix);
    return c.valid && game;
}

bool CheckTraining(TrainingBlock& b, const TrainingBlock& d, bool fix) {
    FieldChecker c{fix};
    c.Check(b.side, d.side, InRange(b.side, 0, 1));
    for (int i = 0; i < 2; ++i) {
        c.Check(b.values[i], d.values[i], InRange(b.values[i], 0, MAX_TEAM_SIZE));
        c.Check(b.values[2 + i], d.values[2 + i], InRange(b.values[2 + i], 0, MAX_PLAYER_LEVEL));
        c.Check(b.randomLevel[i], d.randomLevel[i], IsSwitch(b.randomLevel[i]));
    }
    const bool game = CheckGame(b.game, d.game, fix);
    return c.valid && game;
}

// ---- files -----------------------------------------------------------------------------------

template <class Block, void (*Visit)(FieldReader&, Block&), bool (*Check)(Block&, const Block&, bool)>
void Decode(const uint8_t* data, size_t size, const Block& defaults, Block* out) {
    FieldReader reader(data, size);
    Visit(reader, *out);
    Check(*out, defaults, true);
}

template <class Block, void (*Visit)(FieldWriter&, Block&)>
std::vector<uint8_t> Encode(const Block& block) {
    Block copy = block;
    FieldWriter writer;
    Visit(writer, copy);
    return writer.Data();
}

// The file read whole into `entry`; false when it cannot be opened.
bool ReadConfig(const char* name, PackEntry* entry) {
    if (entry->OpenFile(name)) return true;
    // Until a run has stored it there is none, and its defaults stand: that is no failure.
    std::error_code ignored;
    if (std::filesystem::exists(os::ResolvePath(name), ignored)) WriteDebugLogF("No se pudo abrir %s", name);
    return false;
}

bool WriteConfig(const char* name, const std::vector<uint8_t>& bytes) {
    if (os::WriteFileReplacing(name, bytes)) return true;
    WriteDebugLogF("No se pudo guardar %s", name);
    return false;
}

// The live game block as "Game.cfg" missing would leave it.
GameSettingsBlock GameDefaults() {
    GameSettingsBlock b = g_GameSettings;
    FillGameSettingsFromSettings(&b);
    return b;
}

OptionsBlock OptionsDefaults() {
    OptionsBlock b = g_Options;
    FillOptionsFromSettings(&b);
    return b;
}

void SetRuleDefaults(GameSettingsBlock* b) {
    static constexpr uint32_t kRules[RULE_VALUE_COUNT] = {20, 20, 5, 5, 500, 500, 20, 20, 5, 5, 5, 5};
    std::memcpy(b->rules, kRules, sizeof kRules);
}

MultiplayerBlock MultiplayerDefaults() {
    MultiplayerBlock b{};
    g_OptionsShellCalls.computerName(b.playerName, sizeof b.playerName);
    b.playerName[sizeof b.playerName - 1] = 0;
    b.port = DEFAULT_PORT;
    b.secondPort = DEFAULT_PORT;
    b.game = g_GameSettings;
    b.game.side = 0;
    b.game.scenario = 0;
    b.game.gameKind = kMultiplayerKind;
    SetRuleDefaults(&b.game);
    return b;
}

TrainingBlock TrainingDefaults() {
    TrainingBlock b{};
    b.values[0] = b.values[1] = kTrainingTeamSize;
    b.values[2] = b.values[3] = kTrainingLevel;
    b.side = 0;
    b.game.scenario = 0;
    b.game.gameKind = kTrainingKind;
    SetRuleDefaults(&b.game);
    return b;
}

// The first record of `side` (free ones only), selected, its slot in the live game block.
int32_t SelectFirstPlayer(int side) {
    const int32_t slot = FindFreePlayerSlot(side, true);
    g_GameSettings.playerSlot = slot;
    g_Menu.SelectPlayer(slot, side);
    return slot;
}

// A kind the side cannot play in the scenario becomes the next one it can.
void KeepKindPlayable(bool extended) {
    GameSettingsBlock& g = g_GameSettings;
    if (!IsCharacterAvailable(g.side, g.scenario, g.gameKind, extended)) {
        const int next = NextAvailableGameKind(g.side, g.scenario, g.gameKind, extended);
        if (next >= 0) g.gameKind = next;
    }
    // The menu's scenario background is not reloaded: these run only at start-up, before any
    // device or menu exists.
}

}  // namespace

// ---- codecs ----------------------------------------------------------------------------------

std::vector<uint8_t> EncodeGameSettings(const GameSettingsBlock& b) { return Encode<GameSettingsBlock, VisitGame>(b); }
std::vector<uint8_t> EncodeOptions(const OptionsBlock& b) { return Encode<OptionsBlock, VisitOptions>(b); }
std::vector<uint8_t> EncodeMultiplayer(const MultiplayerBlock& b) {
    return Encode<MultiplayerBlock, VisitMultiplayer>(b);
}
std::vector<uint8_t> EncodeTraining(const TrainingBlock& b) { return Encode<TrainingBlock, VisitTraining>(b); }

void DecodeGameSettings(const uint8_t* data, size_t size, const GameSettingsBlock& d, GameSettingsBlock* out) {
    Decode<GameSettingsBlock, VisitGame, CheckGame>(data, size, d, out);
}
void DecodeOptions(const uint8_t* data, size_t size, const OptionsBlock& d, OptionsBlock* out) {
    Decode<OptionsBlock, VisitOptions, CheckOptions>(data, size, d, out);
}
void DecodeMultiplayer(const uint8_t* data, size_t size, const MultiplayerBlock& d, MultiplayerBlock* out) {
    Decode<MultiplayerBlock, VisitMultiplayer, CheckMultiplayer>(data, size, d, out);
}
void DecodeTraining(const uint8_t* data, size_t size, const TrainingBlock& d, TrainingBlock* out) {
    Decode<TrainingBlock, VisitTraining, CheckTraining>(data, size, d, out);
}

namespace {

// Checked on a copy: nothing is put back.
template <class Block, bool (*Check)(Block&, const Block&, bool)>
bool IsValid(const Block& b) {
    Block copy = b;
    return Check(copy, b, false);
}

}  // namespace

bool IsValidGameSettings(const GameSettingsBlock& b) { return IsValid<GameSettingsBlock, CheckGame>(b); }
bool IsValidOptions(const OptionsBlock& b) { return IsValid<OptionsBlock, CheckOptions>(b); }
bool IsValidMultiplayer(const MultiplayerBlock& b) { return IsValid<MultiplayerBlock, CheckMultiplayer>(b); }
bool IsValidTraining(const TrainingBlock& b) { return IsValid<TrainingBlock, CheckTraining>(b); }

void ResetSettingsFiles() {
    g_GameSettings = GameSettingsBlock{};
    g_Options = OptionsBlock{};
    g_Multiplayer = MultiplayerBlock{};
    g_Training = TrainingBlock{};
}

// ---- loading and saving ----------------------------------------------------------------------

// One cfg file over its block: what a missing file gives first, then what the file holds laid
// over it; false when the file cannot be opened.
template <class Block>
bool ReadBlockFile(const char* name, Block (*makeDefaults)(),
                   void (*decode)(const uint8_t*, size_t, const Block&, Block*), Block* out) {
    PackEntry file;
    if (!ReadConfig(name, &file)) return false;
    const Block defaults = makeDefaults();
    *out = defaults;
    decode(file.Reader().Data(), file.Length(), defaults, out);
    return true;
}

bool LoadGameConfig() {
    if (!ReadBlockFile(kGameFile, GameDefaults, DecodeGameSettings, &g_GameSettings)) return false;
    ApplyGameSettings();
    return true;
}

bool LoadOptionsConfig() {
    if (!ReadBlockFile(kOptionsFile, OptionsDefaults, DecodeOptions, &g_Options)) return false;
    ApplyOptions();
    return true;
}

bool ReadMultiplayerConfig() {
    return ReadBlockFile(kMultiplayerFile, MultiplayerDefaults, DecodeMultiplayer, &g_Multiplayer);
}

bool ReadTrainingConfig() {
    return ReadBlockFile(kTrainingFile, TrainingDefaults, DecodeTraining, &g_Training);
}

namespace {

// What a hosted session announces: the next match's scenario and kind.
bool AnnounceGameSettings(int32_t* scenario, int32_t* gameKind) {
    GetAnnouncedPair(scenario, gameKind);
    return true;
}

}  // namespace

bool LoadMultiplayerConfig() {
    // Without it the server refuses to host.
    g_SessionSettingsSource = AnnounceGameSettings;
    if (ReadMultiplayerConfig()) return true;
    g_Multiplayer = MultiplayerDefaults();
    GameSettingsBlock& g = g_GameSettings;
    g.side = 0;
    g.scenario = 0;
    g.gameKind = kMultiplayerKind;
    ResetRuleValues();
    g_Menu.variant = 0;
    SelectFirstPlayer(0);
    KeepKindPlayable(true);
    g_Multiplayer.game = g_GameSettings;
    return false;
}

bool LoadTrainingConfig() {
    const bool read = ReadTrainingConfig();
    GameSettingsBlock& g = g_GameSettings;
    if (!read) {
        g_Training = TrainingDefaults();
        ResetRuleValues();
    }
    g.side = g_Training.side;
    g.scenario = g_Training.game.scenario;
    g.gameKind = g_Training.game.gameKind;
    g_Menu.variant = g_Training.side;
    const int32_t slot = SelectFirstPlayer(g_Training.side);
    for (uint32_t& w : g.frontEnd8) w = 0;
    g.fightersOwnMode2 = g.fightersEnemyMode2 = kTrainingTeamSize;
    for (int i = 0; i < 4; ++i) {
        g.team[i] = uint32_t(i);       // 44-56
        g.team[4 + i] = 9;             // 60-72
        g.team[12 + i] = 9;            // 92-104
    }
    g.team[8] = uint32_t(slot);        // 76
    g.team[9] = g.team[10] = g.team[11] = 0;
    KeepKindPlayable(false);
    // The live block's rules are those of "Game.cfg" or of the ini, not the training's: the goals
    // read from the file are kept, or every training match after a restart would end at once.
    uint32_t rules[RULE_VALUE_COUNT];
    std::memcpy(rules, g_Training.game.rules, sizeof rules);
    g_Training.game = g_GameSettings;
    if (read) std::memcpy(g_Training.game.rules, rules, sizeof rules);
    return read;
}

void SaveOptionsConfig() { WriteConfig(kOptionsFile, EncodeOptions(g_Options)); }

bool SaveMultiplayerConfig() {
    g_Multiplayer.game = g_GameSettings;
    return WriteConfig(kMultiplayerFile, EncodeMultiplayer(g_Multiplayer));
}

bool SaveTrainingConfig() {
    g_Training.game = g_GameSettings;
    return WriteConfig(kTrainingFile, EncodeTraining(g_Training));
}

// ---- between the blocks and Settings ---------------------------------------------------------

void FillGameSettingsFromSettings(GameSettingsBlock* b) {
    const Settings& s = g_Settings;
    b->side = g_Menu.playerRecord ? int32_t(g_Menu.playerRecord->side) : -1;
    b->scenario = s.scenarioId;
    b->gameKind = s.gameKind;
    b->fightersOwn = s.fightersOwn;
    b->fightersEnemy = s.fightersEnemy;
    b->levelOwn = s.levelOwn;
    b->levelEnemy = s.levelEnemy;
    b->randomLevelOwn = s.randomLevelOwn;
    b->randomLevelEnemy = s.randomLevelEnemy;
    const int32_t rules[RULE_VALUE_COUNT] = {s.maxDeaths[0],    s.maxDeaths[1],    s.stealsGoal[0], s.stealsGoal[1],
                                             s.creditsGoal[0],  s.creditsGoal[1],  s.capturesGoal[0],
                                             s.capturesGoal[1], s.curseMinutes[0], s.curseMinutes[1],
                                             s.freezeTime,      s.matchMinutes};
    for (int i = 0; i < RULE_VALUE_COUNT; ++i) b->rules[i] = uint32_t(rules[i]);
}

void Menu::StoreGameSettings() { FillGameSettingsFromSettings(&g_GameSettings); }

void ApplyGameSettings() {
    Settings& s = g_Settings;
    const GameSettingsBlock& b = g_GameSettings;
    s.localSide = b.side;
    if (g_Menu.playerRecord) s.levelOwn = int32_t(g_Menu.playerRecord->level);
    s.scenarioId = b.scenario;
    s.gameKind = b.gameKind;
    if (g_Menu.saveMode == 0) {
        s.fightersOwn = b.fightersOwn;
        s.fightersEnemy = b.fightersEnemy;
        s.levelOwn = b.levelOwn;
        s.levelEnemy = b.levelEnemy;
        s.randomLevelOwn = b.randomLevelOwn;
        s.randomLevelEnemy = b.randomLevelEnemy;
    } else if (g_Menu.saveMode == 2) {
        s.fightersOwn = b.fightersOwnMode2;
        s.fightersEnemy = b.fightersEnemyMode2;
        s.randomLevelOwn = 0;
        s.randomLevelEnemy = 0;
    }
    int32_t* rules[RULE_VALUE_COUNT] = {&s.maxDeaths[0],    &s.maxDeaths[1],    &s.stealsGoal[0], &s.stealsGoal[1],
                                        &s.creditsGoal[0],  &s.creditsGoal[1],  &s.capturesGoal[0],
                                        &s.capturesGoal[1], &s.curseMinutes[0], &s.curseMinutes[1],
                                        &s.freezeTime,      &s.matchMinutes};
    for (int i = 0; i < RULE_VALUE_COUNT; ++i) *rules[i] = int32_t(b.rules[i]);
    g_Match.Setup(s.gameKind, s.localSide);
}

void FillOptionsFromSettings(OptionsBlock* b) {
    const Settings& s = g_Settings;
    b->adapter = uint32_t(s.adapter);
    b->width = uint32_t(s.width);
    b->height = uint32_t(s.height);
    b->bitsPerPixel = uint32_t(s.bitsPerPixel);
    b->textureReduction = uint32_t(s.textureReduction);
    b->textureBpp = uint32_t(s.textureBpp);
    b->modelQuality = uint32_t(s.modelQuality);
    b->characterShadow = s.characterShadow;
    b->farFactor = s.farFactor;
    b->gamma = s.gamma;
    b->multisample = uint32_t(s.multisample);
    b->anisotropic = s.anisotropic;
    b->waitRetrace = s.waitRetrace;
    b->specular = s.specular;
    b->waterQuality = uint32_t(s.waterQuality);
    b->mirrors = s.mirrors;
    b->interfaceFaces = s.interfaceFaces;
    b->generalQuality = uint32_t(s.generalQuality);
    b->violence = uint32_t(s.violence);
    b->difficulty = uint32_t(s.difficulty);
    b->sound = s.sound;
    b->music = s.music;
    b->voices = s.voices;
    b->soundByteA = s.soundOption1;
    b->soundByteB = s.soundOption2;
    std::memcpy(&b->soundWordA, &s.musicVolume, 4);
    std::memcpy(&b->soundWordB, &s.effectVolume, 4);
    std::memcpy(&b->soundWordC, &s.volume3, 4);
    std::memcpy(&b->soundWordD, &s.volume4, 4);
    g_OptionsShellCalls.setDefaultKeys();
    g_OptionsShellCalls.readKeys(b->keys);
}

void StoreOptions() { FillOptionsFromSettings(&g_Options); }

void ApplyOptions() {
    Settings& s = g_Settings;
    const OptionsBlock& b = g_Options;
    s.adapter = int32_t(b.adapter);
    s.width = int32_t(b.width);
    s.height = int32_t(b.height);
    s.bitsPerPixel = int32_t(b.bitsPerPixel);
    s.textureReduction = int32_t(b.textureReduction);
    s.textureBpp = int32_t(b.textureBpp);
    s.modelQuality = int32_t(b.modelQuality);
    s.characterShadow = b.characterShadow;
    s.farFactor = b.farFactor;
    s.gamma = b.gamma;
    s.multisample = int32_t(b.multisample);
    s.anisotropic = b.anisotropic;
    s.waitRetrace = b.waitRetrace;
    s.specular = b.specular;
    s.waterQuality = int32_t(b.waterQuality);
    s.mirrors = b.mirrors;
    s.interfaceFaces = b.interfaceFaces;
    s.generalQuality = int32_t(b.generalQuality);
    s.violence = int32_t(b.violence);
    s.difficulty = int32_t(b.difficulty);
    s.sound = b.sound;
    s.music = b.music;
    s.voices = b.voices;
    s.soundOption1 = b.soundByteA;
    s.soundOption2 = b.soundByteB;
    std::memcpy(&s.musicVolume, &b.soundWordA, 4);
    std::memcpy(&s.effectVolume, &b.soundWordB, 4);
    std::memcpy(&s.volume3, &b.soundWordC, 4);
    std::memcpy(&s.volume4, &b.soundWordD, 4);
    g_OptionsShellCalls.writeKeys(b.keys);
}

void Menu::ApplyConfigs() {
    ApplyGameSettings();
    FillLineUpFromMenu();
    ApplyOptions();
}

void ResetRuleValues() { SetRuleDefaults(&g_GameSettings); }

uint32_t FillDisplayModeList(int preset) {
    OptionsBlock& o = g_Options;
    if (preset < 0 || preset > 2) {
        o.generalQuality = uint32_t(preset);
        return uint32_t(preset - 2);
    }
    static constexpr uint32_t kReduction[3] = {3, 1, 0};
    static constexpr uint32_t kTextureBpp[3] = {16, 32, 32};
    static constexpr uint32_t kModels[3] = {4, 1, 0};
    static constexpr float kFar[3] = {0.0f, 0.5f, 1.0f};
    const bool high = preset == 2;
    const int bpp = int(o.bitsPerPixel);
    o.textureReduction = kReduction[preset];
    o.textureBpp = kTextureBpp[preset];
    o.modelQuality = kModels[preset];
    o.characterShadow = high && IsStencilSupported(bpp) ? 1 : 0;
    o.farFactor = kFar[preset];
    o.multisample = high && HasMultisampling(bpp) ? uint32_t(PreviousMultisample(bpp, 0)) : 0;
    o.anisotropic = high && HasAnisotropicFiltering() ? 1 : 0;
    o.specular = high ? 1 : 0;
    o.waterQuality = uint32_t(preset + 1);
    o.mirrors = high ? 1 : 0;
    o.interfaceFaces = high ? 1 : 0;
    o.generalQuality = uint32_t(preset);
    return preset == 0 ? 0 : 1;
}

void GetAnnouncedPair(int32_t* scenario, int32_t* gameKind) {
    if (scenario) *scenario = g_GameSettings.scenario;
    if (gameKind) *gameKind = g_GameSettings.gameKind;
}

// ---- game-kind availability ------------------------------------------------------------------

bool IsCharacterAvailable(int side, int scenario, int gameKind, bool extended) {
    if (side < 0 || gameKind < 0 || gameKind >= GAME_KIND_COUNT) return false;
    if (gameKind >= MISSION_KINDS) {
        if (!extended) return false;
        gameKind = gameKind == 6 ? 5 : 2;
    }
    const MissionRecord* r = FindMission(MISSIONS, side, scenario, gameKind);
    return r && r->Available();
}

namespace {

int StepAvailableKind(int side, int scenario, int gameKind, bool extended, int step) {
    const int n = extended ? GAME_KIND_COUNT : MISSION_KINDS;
    const bool outside = gameKind < 0 || gameKind >= n;
    const int start = outside ? 0 : gameKind;
    if (outside && IsCharacterAvailable(side, scenario, 0, extended)) return 0;
    for (int k = (start + step + n) % n; k != start; k = (k + step + n) % n)
        if (IsCharacterAvailable(side, scenario, k, extended)) return k;
    // Only the kind it started from is left.
    return IsCharacterAvailable(side, scenario, start, extended) ? start : -1;
}

}  // namespace

int NextAvailableGameKind(int side, int scenario, int gameKind, bool extended) {
    return StepAvailableKind(side, scenario, gameKind, extended, 1);
}

int PreviousAvailableGameKind(int side, int scenario, int gameKind, bool extended) {
    return StepAvailableKind(side, scenario, gameKind, extended, -1);
}
