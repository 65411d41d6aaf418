#include "fighters/fighter_shell.h"

#include "frontend/overlays.h"
#include "shell/control.h"
#include "shell/mouse.h"
#include "shell/music.h"
#include "shell/sound.h"

namespace {

constexpr FighterShellCalls kRealCalls = {
    [] { return g_Control.localCharacter; },
    [] { return g_Control.frameSeconds; },
    [] { return int(g_Control.controlMode); },
    [] { g_Control.cameraYawOffset = 0.0f; },
    // The trailing camera starts again from the new place.
    [](Character* c) {
        uint8_t pulledIn = 0;
        g_Control.PlaceCamera(c, &g_Control.cameraEye, &g_Control.cameraTarget, &pulledIn);
        g_Control.SetCamera(g_Control.cameraEye, g_Control.cameraTarget);
    },
    [](CharacterModel* model) { g_Control.viewerModel = model; },
    PlayFx,
    [](uint32_t ms) {
        if (g_SoundManager.musicPlayer) g_SoundManager.musicPlayer->Stop(ms);
    },
    [] {
        if (!g_Fader.IsRunning()) {
            g_Fader.Reset();
            g_Fader.FadeOut();
        } else {
            g_Fader.Update();
        }
    },
    [] { g_Control.RequestLeaveMatch(); },
    [] { return int(g_Control.frameMs); },
    [](int player, int action) {
        return player >= 0 && player < CONTROL_PLAYERS && action >= 0 && action < CONTROL_ACTIONS &&
               g_Control.slots[player][action].held != 0;
    },
    [] { return int(g_Control.selectedPower); },
    [](int power) { g_Control.selectedPower = power; },
    [] { return g_Control.targetMarker != 0; },
    [](bool on) { g_Control.targetMarker = on ? 1 : 0; },
    [] { return g_Control.secondTick != 0; },
    [](int type) { g_Control.StartScreenEffect(type); },
    [](CellRef* out) { return g_Mouse.buttons[MOUSE_RIGHT].pressed && g_Mouse.PickMapCell(out); },
    [](Vec3* out) { return g_Mouse.buttons[MOUSE_MIDDLE].pressed && g_Mouse.PickWorldPoint(out); },
};

}  // namespace

FighterShellCalls g_FighterShellCalls = kRealCalls;

void ResetFighterShellCalls() { g_FighterShellCalls = kRealCalls; }
