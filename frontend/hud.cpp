#include "frontend/hud.h"

Hud g_Hud;

// The HUD fills this: the target and objective markers.
void Hud::UpdateMarkers() {}
// The HUD fills this.
void Hud::Draw() {}
void Hud::Load() {}
void Hud::Release() {}
