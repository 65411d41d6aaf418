// Player control and the game frame. Only what the window procedure reaches so far; the
// record grows with key bindings, action slots and the control modes.
#pragma once

#include <cstdint>

class Character;

class Control {
public:
    Character* localCharacter;      // the local fighter, null when none

    Control() : localCharacter(nullptr) {}

    void RunFrame();
    void RequestLeaveMatch();
    void SetMode(int mode);

    // Viewer and test toggles of the window procedure's key tables.
    void ViewerNextAnimation();
    void ViewerPrevAnimation();
    void ToggleFreeCamera();
    void ToggleOctreeDraw();
    void CycleFillMode();
    void ViewerToggleSkeleton();
    void ViewerCameraToModel();
    void ToggleCurtain();
    void ViewerShorterBlend();
    void ViewerLongerBlend();
    void ViewerSlower();
    void ViewerFaster();
    void ViewerReloadAnimations();
    void ViewerLevelDown();
    void ViewerLevelUp();
    void ViewerToggleLighting();
    void RandomLook();
};

extern Control g_Control;
