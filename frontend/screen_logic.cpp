#include "frontend/menu_screens.h"

#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/overlays.h"
#include "frontend/panel_common.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/settings_files.h"
#include "frontend/text3d.h"
#include "shell/mouse.h"
#include "core/settings.h"

namespace {

constexpr int kFxForward = 204;
constexpr int kFxBack = 205;
constexpr int kFxSwitch = 202;
constexpr int kTipBack = 484;
constexpr int kMusicFadeMs = 3000;

bool LeftHeld() { return g_Mouse.buttons[MOUSE_LEFT].held != 0; }
bool LeftPressed() { return g_Mouse.buttons[MOUSE_LEFT].pressed != 0; }

// Screens without a frame of their own.
bool HasLogic(int screen) { return screen >= 0 && screen <= 23 && screen != 1 && screen != 7 && screen != 17; }

bool OverWidget(bool over, uint8_t* highlight, int tip) {
    if (highlight) *highlight = over && !LeftHeld() ? 1 : 0;
    if (!over) return false;
    if (tip >= 0) ShowPanelTip(tip);
    return LeftPressed();
}

}  // namespace

bool MenuScreens::Hit(ImageButton& b, int tip) { return OverWidget(b.IsMouseOver(), &b.highlighted, tip); }
bool MenuScreens::Hit(MenuButton& b, int tip) { return OverWidget(b.IsMouseOver(), &b.highlighted, tip); }
bool MenuScreens::Hit(MenuSwitch& s, int tip) { return OverWidget(s.IsClicked(), nullptr, tip); }

void MenuScreens::ClearHighlights() {
    for (auto& i : images) i.highlighted = 0;
    for (auto& b : buttons) b.highlighted = 0;
    field.SetHighlighted(false);
}

void MenuScreens::Update() {
    if (!built) return;
    // The panels take their own input; the screens' widgets answer in the screens' logic.
    if (screen == 2 || screen == 6) matchSetup.Update();
    if (screen == 8 && optionsOn) options.Update();
    if (!HasLogic(screen)) return;
    switch (screen) {
    case 0: UpdateMainMenu(); break;
    case 3: UpdateProfileChoice(); break;
    default: break;
    }
}

void MenuScreens::UpdateMainMenu() {
    if (boxOpen) {
        const int answer = confirm.Update(g_Menu.enterPressed != 0, g_Menu.escapePressed != 0);
        if (answer == 0) return;
        boxOpen = 0;
        confirm.open = 0;
        if (answer != 1) return;
        g_Menu.page = PAGE_TRANSITION;
        g_Menu.targetPage = PAGE_QUIT;
        for (int k = 0; k < g_Menu.buttonCount && k < MENU_BUTTONS; ++k)
            g_Menu.buttons[k].StartAnimation(TEXT3D_FLY_OUT);
        g_Fader.FadeOut();
        if (g_Settings.music && g_MenuShellCalls.stopMusic) g_MenuShellCalls.stopMusic(kMusicFadeMs);
        PanelSound(kFxBack);
        return;
    }
    if (Hit(images[0], -1)) {
        PanelSound(FX_ACCEPT);
        LeaveScreenTo(0, 19, kFxForward);
    }
}

void MenuScreens::UpdateProfileChoice() {
    if (boxOpen) {
        ClearHighlights();
        if (field.Update() != 0) boxOpen = 0;
        return;
    }
    const bool overField = g_Mouse.IsInRelativeRect(field.x, field.y, field.w, field.h);
    field.SetHighlighted(overField && !LeftHeld());
    if (overField) {
        ShowPanelTip(593);
        if (LeftPressed()) {
            PanelSound(FX_ACCEPT);
            field.BeginEdit();
            boxOpen = 1;
            return;
        }
    }
    // The side logos keep the chosen side lit rather than following the pointer.
    for (int i = 0; i < 2; ++i) {
        if (!images[i].IsMouseOver()) continue;
        ShowPanelTip(597 + i);
        if (!LeftPressed()) continue;
        g_Menu.variant = i;
        images[i].highlighted = 1;
        images[1 - i].highlighted = 0;
        PanelSound(FX_ACCEPT);
    }
    for (int i = 0; i < SCREEN_SWITCHES; ++i) {
        // The switch already on changes nothing and says nothing.
        if (!Hit(switches[i], 594 + i) || switches[i].on) continue;
        for (auto& s : switches) s.on = 0;
        switches[i].on = 1;
        g_Options.difficulty = uint32_t(i);
        PanelSound(kFxSwitch);
    }
    if (Hit(images[2], kTipBack)) {
        LeaveScreenTo(3, PAGE_PLAY_TYPE, kFxBack);
        return;
    }
    if (Hit(images[3], 599)) {
        // The field edits the name buffer itself; the copy keeps it terminated within its size.
        title[sizeof title - 1] = 0;
        for (auto& t : teamIndex) t = -1;
        g_Menu.SelectPlayer(-1, g_Menu.variant == 1 ? 1 : 0);
        LeaveScreenTo(3, g_Menu.gameType == 2 ? 5 : 20, kFxForward);
    }
}
