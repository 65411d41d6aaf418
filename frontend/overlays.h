#pragma once

#include <cstdint>

#include "frontend/texture_font.h"

// The screen fader; only its device restore and what the end of a match asks of it so far.
class Fader {
public:
    uint8_t fadingIn = 0;     // a fade runs while either is set
    uint8_t fadingOut = 0;

    void RestoreDeviceObjects();
    void Draw();
    bool IsRunning() const { return fadingIn || fadingOut; }
    // A fade to black over 600 ms starts from a reset fader; Update advances a running one.
    void Reset();
    void FadeOut();
    void Update();
};

extern Fader g_Fader;
