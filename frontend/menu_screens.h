// The 2D screens of menu pages 0 to 23: one object the menu owns, with the widgets, labels and
// boxes the screens build, run and draw. The screens themselves are filled in separately; until
// then a screen builds, runs and draws nothing of its own.
#pragma once

#include <cstdint>

#include "frontend/menu_widgets.h"

class MenuScreens {
public:
    ConfirmBox confirm;
    NoticeBox notice;
    // The main menu's quit question is open; the 3D buttons stand still meanwhile.
    uint8_t boxOpen = 0;
    // The session picked in the session list, -1 none.
    int32_t chosenSession = -1;
    // The background variants of pages 6 and 13: the set-up panel's mode and the team choice.
    int32_t setupMode = 0;
    int32_t teamSelection = 0;
    uint8_t built = 0;
    int32_t screen = -1, previousScreen = -1;

    MenuScreens() = default;
    ~MenuScreens() { ReleaseScreen(screen); }
    MenuScreens(const MenuScreens&) = delete;
    MenuScreens& operator=(const MenuScreens&) = delete;

    // Releases the previous screen, then builds screen n.
    void SetScreen(int n);
    void ReleaseScreen(int n);
    // One frame of the current screen: hits and page changes.
    void Update();
    // Draws the current screen (inside Begin2D/End2D).
    void Draw();
    // Opens the main menu's quit question.
    void OpenQuitBox();
};
