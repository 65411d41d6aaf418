#pragma once

#include <cstdint>

// The front end. Only what the shell reaches so far.
class Menu {
public:
    uint8_t active;     // menu-active byte
    int32_t page;
    int32_t gameKind;   // the menu's copy of the match's game kind

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
};

extern Menu g_Menu;

bool LoadOptionsConfig();
void StoreOptions();
bool LoadMultiplayerConfig();
bool LoadTrainingConfig();
bool LoadGameConfig();
bool IsStencilSupported(int bitsPerPixel);
void SetDefaultDisplayMode();
