// The front end's four option files in the working folder: "Game.cfg" (the game settings of the
// next match), "Options.cfg" (display, quality, difficulty, key bindings and sound),
// "Multiplayer.cfg" and "Training.cfg" (the set-ups of the multiplayer and training pages, each
// with a game-settings block inside). Each file is a fixed little-endian block without header;
// the blocks are read field by field and every value is checked before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t GAME_SETTINGS_BLOCK_SIZE = 176;
constexpr size_t OPTIONS_BLOCK_SIZE = 412;
constexpr size_t SETUP_BLOCK_SIZE = 484;          // "Multiplayer.cfg" and "Training.cfg"
constexpr size_t SETUP_GAME_OFFSET = 288;         // where their game-settings block lies

constexpr int GAME_KIND_COUNT = 8;
constexpr int SETTINGS_TEAM_WORDS = 16;
constexpr int MAX_TEAM_SIZE = 4;
constexpr int MAX_PLAYER_LEVEL = 1000;
constexpr int OPTION_KEY_BINDINGS = 26;           // the actions the controls page edits
constexpr int MAX_BOUND_KEY = 255;
constexpr int MAX_BOUND_CONTROL = 137;
constexpr uint32_t DEFAULT_PORT = 25857;
constexpr int PLAYER_NAME_FIELD = 16;
constexpr int HOST_ADDRESS_FIELD = 260;

// The twelve match-rule values in the order of their "Brimvale.ini" keys.
enum RuleValue {
    RULE_MAX_DEATHS = 0,    // two per side from here to the curse minutes
    RULE_STEALS = 2,
    RULE_CREDITS = 4,
    RULE_CAPTURES = 6,
    RULE_CURSE_MINUTES = 8,
    RULE_FREEZE_TIME = 10,
    RULE_MATCH_MINUTES = 11,
    RULE_VALUE_COUNT = 12,
};

// 176 bytes.
struct GameSettingsBlock {
    int32_t side;                          // the current record's side, -1 when there is none
    int32_t playerSlot;                    // 0..999, -1 none
    uint32_t frontEnd8[3];
    int32_t scenario;                      // 0..19
    int32_t gameKind;                      // 0..7
    uint32_t frontEnd28[2];
    int32_t fightersOwnMode2;              // team sizes of front-end mode 2, 0..4
    int32_t fightersEnemyMode2;            // also the campaign's enemy count
    uint32_t team[SETTINGS_TEAM_WORDS];    // the pages' team set-up; 44 + 4i are enemy records
    uint32_t rules[RULE_VALUE_COUNT];
    int32_t fightersOwn;
    int32_t fightersEnemy;
    int32_t levelOwn;
    int32_t levelEnemy;
    uint8_t randomLevelOwn;
    uint8_t randomLevelEnemy;
};

struct StoredKeys {
    int32_t key1;           // virtual keys 0..255, -1 none
    int32_t key2;
    int32_t deviceAction;   // 0..137, -1 none
};

// 412 bytes. The four sound words are kept as the bits of the floats they hold.
struct OptionsBlock {
    uint32_t adapter;       // the display word before RESX
    uint32_t width;
    uint32_t height;
    uint32_t bitsPerPixel;
    uint32_t textureReduction;
    uint32_t textureBpp;
    uint32_t modelQuality;
    uint8_t characterShadow;
    float farFactor;
    float gamma;
    uint32_t multisample;
    uint8_t anisotropic;
    uint8_t waitRetrace;
    uint8_t specular;
    uint32_t waterQuality;
    uint8_t mirrors;
    uint8_t interfaceFaces;
    uint32_t generalQuality;
    uint32_t violence;
    uint32_t difficulty;
    StoredKeys keys[OPTION_KEY_BINDINGS];
    uint8_t sound;
    uint32_t soundWordB;    // the effect volume
    uint8_t soundByteA;
    uint32_t soundWordD;
    uint8_t music;
    uint32_t soundWordA;    // the music volume
    uint8_t voices;
    uint8_t soundByteB;
    uint32_t soundWordC;
};

// 484 bytes.
struct MultiplayerBlock {
    char playerName[PLAYER_NAME_FIELD];
    uint32_t port;
    char hostAddress[HOST_ADDRESS_FIELD];  // empty: search the local network
    uint32_t secondPort;
    uint32_t frontEnd284;
    GameSettingsBlock game;
    uint8_t frontEnd464[20];
};

// 484 bytes.
struct TrainingBlock {
    uint8_t frontEnd0[284];
    int32_t side;
    GameSettingsBlock game;
    int32_t values[4];      // team sizes (2, 2) and levels (9, 9) of the team-values tab
    uint8_t randomLevel[2];
    uint8_t frontEnd482[2];
};

// The live blocks, for the whole run.
extern GameSettingsBlock g_GameSettings;
extern OptionsBlock g_Options;
extern MultiplayerBlock g_Multiplayer;
extern TrainingBlock g_Training;
// All four zeroed (tests).
void ResetSettingsFiles();

// Byte images; the decoders lay the bytes there are over the block they are given, field by field
// (a short image leaves the rest as it was), then put every value out of range back to that
// field's value in `defaults`.
std::vector<uint8_t> EncodeGameSettings(const GameSettingsBlock& block);
void DecodeGameSettings(const uint8_t* data, size_t size, const GameSettingsBlock& defaults, GameSettingsBlock* out);
std::vector<uint8_t> EncodeOptions(const OptionsBlock& block);
void DecodeOptions(const uint8_t* data, size_t size, const OptionsBlock& defaults, OptionsBlock* out);
std::vector<uint8_t> EncodeMultiplayer(const MultiplayerBlock& block);
void DecodeMultiplayer(const uint8_t* data, size_t size, const MultiplayerBlock& defaults, MultiplayerBlock* out);
std::vector<uint8_t> EncodeTraining(const TrainingBlock& block);
void DecodeTraining(const uint8_t* data, size_t size, const TrainingBlock& defaults, TrainingBlock* out);

// Whether a block holds only values its readers accept (the decoders' promise).
bool IsValidGameSettings(const GameSettingsBlock& block);
bool IsValidOptions(const OptionsBlock& block);
bool IsValidMultiplayer(const MultiplayerBlock& block);
bool IsValidTraining(const TrainingBlock& block);

bool LoadGameConfig();
bool LoadOptionsConfig();
bool ReadMultiplayerConfig();
bool ReadTrainingConfig();
bool LoadMultiplayerConfig();
bool LoadTrainingConfig();
void SaveOptionsConfig();
bool SaveMultiplayerConfig();
bool SaveTrainingConfig();

// Settings into a block: the fields a missing file takes from "Brimvale.ini".
void FillGameSettingsFromSettings(GameSettingsBlock* block);
void FillOptionsFromSettings(OptionsBlock* block);
void StoreOptions();
void ApplyOptions();
void ApplyGameSettings();
// The live game block's rule values back to 20, 20, 5, 5, 500, 500, 20, 20, 5, 5, 5, 5.
void ResetRuleValues();
// A quality preset written into the live options; see the .cpp for the result.
uint32_t FillDisplayModeList(int preset);

// The scenario and game kind a network host announces.
void GetAnnouncedPair(int32_t* scenario, int32_t* gameKind);

bool IsCharacterAvailable(int side, int scenario, int gameKind, bool extended);
int NextAvailableGameKind(int side, int scenario, int gameKind, bool extended);
int PreviousAvailableGameKind(int side, int scenario, int gameKind, bool extended);

// Reaches the key bindings of the player control, which lives above the front end (filled by the
// shell; tests may replace entries).
struct OptionsShellCalls {
    void (*setDefaultKeys)();
    void (*readKeys)(StoredKeys out[OPTION_KEY_BINDINGS]);
    void (*writeKeys)(const StoredKeys in[OPTION_KEY_BINDINGS]);
    // The computer's name, cut to fit; empty when it cannot be told.
    void (*computerName)(char* out, size_t capacity);
    // The options page's input and output: the first DirectInput control being pressed (-1
    // none), the first pressed virtual key (-1 none), the layout's character of a key (the count
    // of characters written), the brightness applied at once, and the music player's volume in
    // hundredths of a decibel.
    int (*activeControl)();
    int (*firstPressedKey)();
    int (*keyCharacter)(int key, char out[2]);
    void (*setBrightness)(float value);
    void (*setMusicVolume)(int32_t volume);
};
extern OptionsShellCalls g_OptionsShellCalls;
void ResetOptionsShellCalls();
