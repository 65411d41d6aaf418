#include "frontend/menu.h"

Menu g_Menu;

// The menu pages fill these: frame, return from a match, pages and release.
void Menu::Update() {}
void Menu::Render() {}
void Menu::RenderCursor() {}
void Menu::ReturnFromMatch() {}
void Menu::BuildPage(int) {}
void Menu::Release() {}
// The menu pages fill this with the front end's own display mode.
void SetDefaultDisplayMode() {}
