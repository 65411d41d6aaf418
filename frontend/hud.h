// The in-match HUD. Only what the game frame reaches so far.
#pragma once

class Hud {
public:
    // Per-frame update of the HUD's markers, only while play runs.
    void UpdateMarkers();
    void Load();
    void Release();
    void Draw();
};

extern Hud g_Hud;
