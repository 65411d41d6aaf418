#include "frontend/hud.h"

#include "shell/control.h"
#include "shell/sound.h"

namespace {

constexpr HudShellCalls kRealCalls = {
    [] { return g_Control.localCharacter; },
    [] { return int(g_Control.selectedPower); },
    [] { return g_Control.aimCharacter; },
    [] { return g_Control.targetMarker != 0; },
    [] { return g_Control.frameSeconds; },
    [] { return g_Control.cameraEye; },
    [] { return g_Control.cameraTarget; },
    PlayFx,
};

}  // namespace

HudShellCalls g_HudShellCalls = kRealCalls;

void ResetHudShellCalls() { g_HudShellCalls = kRealCalls; }
