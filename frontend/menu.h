#pragma once

#include <cstdint>

struct PlayerRecord;

// The front end. Only what the shell and the fighters reach so far.
class Menu {
public:
    uint8_t active;     // menu-active byte
    int32_t page;
    int32_t gameKind;   // the menu's copy of the match's game kind
    // The chosen player record of each side; null until the profiles choose one (a fighter made
    // from none gets the plain record).
    PlayerRecord* selectedPlayer[2] = {nullptr, nullptr};
    int32_t gameMode = 2;       // 1 campaign, 2 single games
    int32_t localSlot = -1;     // the local fighter's slot, -1 none

    Menu() : active(0), page(0), gameKind(0) {}

    void Update();
    void Render();
    void RenderCursor();
    void ReturnFromMatch();
    void BuildPage(int page);
    void Release();
    void LoadPlayerSaves(int sides);
    void SelectPlayer(int slot, int table);
    void StoreGameSettings();
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

bool LoadOptionsConfig();
void StoreOptions();
bool LoadMultiplayerConfig();
bool LoadTrainingConfig();
bool LoadGameConfig();
bool IsStencilSupported(int bitsPerPixel);
void SetDefaultDisplayMode();
