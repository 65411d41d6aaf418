#include "shell/control.h"

#include "frontend/menu.h"
#include "shell/main_loop.h"
#include "shell/settings.h"

Control g_Control;

void Control::RequestLeaveMatch() {
    if (g_Settings.frontEnd && !g_Menu.active)
        g_BackToMenuRequest = 1;
    else if (g_Settings.test)
        g_QuitRequest = 1;
}

// The game frame fills this: frame time, input, network, fighters, camera, effects.
void Control::RunFrame() {}
// The control modes fill this.
void Control::SetMode(int) {}

// The viewer hotkeys fill these.
void Control::ViewerNextAnimation() {}
void Control::ViewerPrevAnimation() {}
void Control::ToggleFreeCamera() {}
void Control::ToggleOctreeDraw() {}
void Control::CycleFillMode() {}
void Control::ViewerToggleSkeleton() {}
void Control::ViewerCameraToModel() {}
void Control::ToggleCurtain() {}
void Control::ViewerShorterBlend() {}
void Control::ViewerLongerBlend() {}
void Control::ViewerSlower() {}
void Control::ViewerFaster() {}
void Control::ViewerReloadAnimations() {}
void Control::ViewerLevelDown() {}
void Control::ViewerLevelUp() {}
void Control::ViewerToggleLighting() {}
void Control::RandomLook() {}
