#pragma once

#include <cstdint>

// The option files and the adapter questions behind them.
#include "frontend/adapter_queries.h"
#include "frontend/settings_files.h"

struct PlayerRecord;
struct PlayerStats;

constexpr int PLAYER_SLOTS = 1000;

// The player tables of each side, loaded from the saves: a record and its statistics per slot
// (null = empty), owned, and how many records each side holds. Moving tables frees the ones
// moved over; they are never copied.
struct PlayerTables {
    PlayerRecord* records[2][PLAYER_SLOTS] = {};
    PlayerStats* stats[2][PLAYER_SLOTS] = {};
    int32_t count[2] = {0, 0};

    PlayerTables() = default;
    ~PlayerTables() { Free(); }
    PlayerTables(const PlayerTables&) = delete;
    PlayerTables& operator=(const PlayerTables&) = delete;
    PlayerTables& operator=(PlayerTables&& other) noexcept;
    // Every slot empty, both counts 0.
    void Free();
};

// The front end. Only what the shell, the fighters and the save files reach so far.
class Menu {
public:
    uint8_t active;     // menu-active byte
    int32_t page;
    int32_t gameKind;   // the menu's copy of the match's game kind
    int32_t variant = -1;       // the side chosen on the set-up screens, 0 or 1
    int32_t saveMode = 2;       // the player-save folders the tables hold: 0 training, 1 multiplayer, 2 other
    int32_t gameType = 2;       // the play type: 1 campaign with its own player, 2 single games and team campaigns
    int32_t localSlot = -1;     // the local fighter's slot, -1 none
    PlayerTables playerTables;
    int32_t selectedPlayer = -1;            // the current record's slot, -1 none
    PlayerRecord* playerRecord = nullptr;   // the current record, null none

    Menu() : active(0), page(0), gameKind(0) {}

    void Update();
    void Render();
    void RenderCursor();
    void ReturnFromMatch();
    void BuildPage(int page);
    void Release();
    // Both sides' tables emptied and read again from the saves of load mode m.
    void LoadPlayerSaves(int mode);
    // The record of `slot` in table 0 or 1 becomes the current one (a negative slot clears it);
    // the game settings' side becomes the table number.
    void SelectPlayer(int slot, int table);
    // The current record when it is of that side, else null.
    const PlayerRecord* SelectedRecord(int side) const;
    // Both tables emptied; no current record.
    void ClearPlayerTables();
    void StoreGameSettings();
    // The game settings, then the options, written into Settings before a match.
    void ApplyConfigs();
    // An enemy's 132-byte record from the enemy folder of the side; false when it is not there.
    bool LoadEnemyRecord(uint32_t identifier, int sideFlag, PlayerRecord* out);
    // The look pieces of a record put on the fighter in a slot, and taken off again.
    void ApplyCharacterLook(const PlayerRecord* record, int slot);
    void RemoveCharacterLook(int slot);
    // One look piece (0-10) of the fighter in a slot replaced by the piece's model of that
    // number; a negative number only takes it off (fighters/look_pieces.cpp).
    void LoadLookPiece(int slot, int piece, int model);
    // The look taken off, then the fighter despawned.
    void RemoveCharacter(int slot);
};

extern Menu g_Menu;

void SetDefaultDisplayMode();
