#include "frontend/screen_logic_setup.h"

#include "frontend/match_setup_panel.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/menu_widgets.h"
#include "frontend/overlays.h"
#include "frontend/panel_common.h"
#include "frontend/settings_files.h"

namespace {

constexpr int kFxForward = 204;
constexpr int kFxBack = 205;

// The next used record of the side after `slot`, going round to the first; -1 when none.
int NextUsedRecord(int side, int slot) {
    for (int step = 1; step <= PLAYER_SLOTS; ++step) {
        const int s = ((slot < 0 ? -1 : slot) + step) % PLAYER_SLOTS;
        if (g_Menu.playerTables.records[side][s]) return s;
    }
    return -1;
}

}  // namespace

void LeaveScreenTo(int screen, int target, int fx) {
    g_Menu.page = PAGE_TRANSITION;
    g_Menu.previousPage = screen;
    g_Menu.targetPage = target;
    g_Fader.FadeOut();
    PanelSound(fx);
}

bool StartTrainingMatch() {
    const int player = g_Menu.selectedPlayer;
    if (player < 0) return false;
    GameSettingsBlock& live = g_GameSettings;
    TrainingBlock& t = g_Training;
    t.game = live;
    live.fightersOwn = t.values[0];
    live.fightersEnemy = t.values[1];
    live.levelOwn = t.values[2];
    live.levelEnemy = t.values[3];
    live.randomLevelOwn = t.randomLevel[0];
    live.randomLevelEnemy = t.randomLevel[1];
    const int side = g_Menu.variant == 1 ? 1 : 0;
    live.side = side;
    int members[4] = {player, -1, -1, -1};
    // With fewer than four records the search comes round again and members repeat.
    for (int k = 1; k < 4; ++k) members[k] = members[k - 1] < 0 ? -1 : NextUsedRecord(side, members[k - 1]);
    const int s = live.scenario < 0 ? 0 : live.scenario >= SETUP_SCENARIOS ? SETUP_SCENARIOS - 1 : live.scenario;
    for (int k = 0; k < 4; ++k) {
        live.team[k] = uint32_t(side == 0 ? 4 * s + k : 83 - 4 * s - k);
        live.team[TEAM_PLAYER_WORD + k] = uint32_t(members[k]);
        g_Menu.teamSlots[0][k] = g_Menu.teamSlots[1][k] = members[k];
    }
    LeaveScreenTo(2, PAGE_START_MATCH, kFxForward);
    SaveTrainingConfig();
    return true;
}

void LeaveTrainingSetup() {
    PanelSound(FX_ACCEPT);
    g_Training.game = g_GameSettings;
    SaveTrainingConfig();
    LeaveScreenTo(2, PAGE_PLAY_TYPE, kFxBack);
}

void LeaveNetworkSetup() {
    PanelSound(FX_ACCEPT);
    if (g_MenuNetCalls.stop) g_MenuNetCalls.stop();
    g_Multiplayer.game = g_GameSettings;
    SaveMultiplayerConfig();
    LeaveScreenTo(6, PAGE_MAIN, kFxForward);
}

bool OptionsExit::Update(ConfirmBox* box, bool back, bool enter, bool escape) {
    if (!asking) {
        if (!back) return false;
        PanelSound(FX_ACCEPT);
        asking = 1;
        if (box) box->open = 1;
        return false;
    }
    int answer = -1;
    if (g_Menu.optionsChanged) {
        answer = box ? box->Update(enter, escape) : -1;
        if (answer == 0) return false;
        if (answer == 1) SaveOptionsConfig();
    }
    if (box) box->open = 0;
    asking = 0;
    g_Menu.optionsChanged = 0;
    LeaveScreenTo(8, PAGE_MAIN, kFxBack);
    return true;
}

void MenuScreens::UpdateTrainingSetup() {
    buttons[0].enabled = g_Menu.selectedPlayer >= 0 ? 1 : 0;
    if (Hit(buttons[0], 485)) {
        if (!buttons[0].enabled || !StartTrainingMatch()) PanelSound(FX_REFUSE);
        return;
    }
    if (Hit(images[0], 484)) LeaveTrainingSetup();
}

void MenuScreens::UpdateNetworkSetup() {
    if (Hit(images[0], 484)) LeaveNetworkSetup();
}

void MenuScreens::UpdateOptionsScreen() {
    const bool back = !optionsExit.asking && (Hit(images[0], 484) || g_Menu.escapePressed);
    optionsExit.Update(&confirm, back, g_Menu.enterPressed != 0, g_Menu.escapePressed != 0);
    boxOpen = optionsExit.asking;
    if (boxOpen) ClearHighlights();
}
