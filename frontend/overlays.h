#pragma once

#include "frontend/texture_font.h"

// The screen fader; only its device restore so far.
class Fader {
public:
    void RestoreDeviceObjects();
    void Draw();
};

extern Fader g_Fader;
