#include "frontend/menu.h"

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

// The option files fill these; until then none is read.
bool LoadOptionsConfig() { return false; }
void StoreOptions() {}
bool LoadMultiplayerConfig() { return false; }
bool LoadTrainingConfig() { return false; }
bool LoadGameConfig() { return false; }
// The video object's format check fills this; no depth-stencil format is known to work yet.
bool IsStencilSupported(int) { return false; }
void SetDefaultDisplayMode() {}
