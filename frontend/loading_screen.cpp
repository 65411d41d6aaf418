#include "frontend/loading_screen.h"

LoadingScreen g_LoadingScreen;

// The loading screen fills these.
void LoadingScreen::Load() {}
void LoadingScreen::Release() {}
void LoadingScreen::Show(float) {}
