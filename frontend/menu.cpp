#include "frontend/menu.h"

#include "platform/gfx/types.h"
#include "render/adapter_table.h"

Menu g_Menu;

// The menu pages fill these: frame, return from a match, pages and release.
void Menu::Update() {}
void Menu::Render() {}
void Menu::RenderCursor() {}
void Menu::ReturnFromMatch() {}
void Menu::BuildPage(int) {}
void Menu::Release() {}
// The profile and save files fill these.
void Menu::LoadPlayerSaves(int) {}
void Menu::SelectPlayer(int, int) {}
void Menu::StoreGameSettings() {}
bool Menu::LoadEnemyRecord(uint32_t, int, PlayerRecord*) { return false; }

// The option files fill these; until then none is read.
bool LoadOptionsConfig() { return false; }
void StoreOptions() {}
bool LoadMultiplayerConfig() { return false; }
bool LoadTrainingConfig() { return false; }
bool LoadGameConfig() { return false; }
// The back buffer of a 16-bit display is R5G6B5; every other depth is asked as 32-bit.
bool IsStencilSupported(int bitsPerPixel) {
    const uint32_t colour = bitsPerPixel == 16 ? gfx::D3DFMT_R5G6B5 : gfx::D3DFMT_X8R8G8B8;
    return CheckVideoFormat(colour, colour, gfx::D3DFMT_D24S8) == 0;
}
void SetDefaultDisplayMode() {}
