#include "shell/main_loop.h"

#include <cctype>
#include <cmath>

#include "core/data_problems.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/menu.h"
#include "frontend/overlays.h"
#include "frontend/texture_font.h"
#include "net/session.h"
#include "platform/gfx/device.h"
#include "render/adapter_table.h"
#include "render/material_table.h"
#include "render/screenshot.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "shell/control.h"
#include "core/debug_log.h"
#include "shell/input_system.h"
#include "shell/mouse.h"
#include "shell/render_frame.h"
#include "core/settings.h"
#include "shell/startup.h"
#include "world/dynamic_object.h"
#include "world/element_map.h"
#include "world/item.h"
#include "world/scenario.h"

uint8_t g_QuitRequest = 0;
uint8_t g_BackToMenuRequest = 0;
uint8_t g_RenderEnabled = 1;
os::WindowHandle g_Window = nullptr;
os::InstanceHandle g_Instance = nullptr;

namespace {

void RealPollInput() { g_Input.Poll(); }
void RealMenuFrame() { g_Menu.Update(); }
void RealGameFrame() { g_Control.RunFrame(); }
void RealSceneInvalidate() { g_Scene.InvalidateDeviceObjects(); }
bool RealVideoReset() { return g_Video.Reset(); }
bool RealVideoChangeMode(const VideoSettings& vs) { return g_Video.ChangeMode(vs); }
void RealSceneRestore() { g_Scene.RestoreDeviceObjects(); }
void RealFontRestore() { g_Font.RestoreDeviceObjects(); }
void RealFaderRestore() { g_Fader.RestoreDeviceObjects(); }
void RealReturnFromMatch() { g_Menu.ReturnFromMatch(); }
void RealPoseUndrawn() {
    if (g_Scene.characterModels) g_Scene.characterModels->PoseAllUndrawn();
}

constexpr ShellCalls kRealCalls = {
    RealPollInput,       RealMenuFrame,    RealGameFrame,   RenderFrame,      RealPoseUndrawn,     RealSceneInvalidate,
    RealVideoReset,      RealVideoChangeMode, RealSceneRestore, RealFontRestore, RealFaderRestore, RealReturnFromMatch,
};

}  // namespace

ShellCalls g_ShellCalls = kRealCalls;

void ResetShellCalls() { g_ShellCalls = kRealCalls; }

void ResetMainLoopState() {
    g_QuitRequest = 0;
    g_BackToMenuRequest = 0;
    g_RenderEnabled = 1;
    g_Window = nullptr;
    g_Instance = nullptr;
}

void RunFrameTurn() {
    gfx::Device* device = g_Video.GetDevice();
    // Without a device (a failed mode change or re-creation) the turn is not usable.
    gfx::Result level = device ? device->TestCooperativeLevel() : gfx::D3DERR_DEVICELOST;
    if (level == gfx::D3D_OK) {
        g_ShellCalls.pollInput();
        if (g_Menu.active)
            g_ShellCalls.menuFrame();
        else
            g_ShellCalls.gameFrame();
        // Minimised, nothing is drawn, but the fighters walk and strike by their poses all the same.
        if (g_RenderEnabled == 1)
            g_ShellCalls.renderFrame();
        else if (!g_Menu.active)
            g_ShellCalls.poseUndrawn();
    } else if (level == gfx::D3DERR_DEVICENOTRESET) {
        g_ShellCalls.sceneInvalidate();
        g_ShellCalls.videoReset();
        g_ShellCalls.sceneRestore();
        g_ShellCalls.fontRestore();
        g_ShellCalls.faderRestore();
        os::SetCursor(nullptr);
    }
    g_Mouse.prevX = g_Mouse.x;
    g_Mouse.prevY = g_Mouse.y;
}

bool RunLoopTurn(os::Message* msg) {
    if (g_QuitRequest) return false;
    // Data found missing or damaged since the last turn, in a box over whatever is shown.
    ShowDataProblems();
    if (os::PeekMessage(msg, os::PM_REMOVE)) {
        os::TranslateMessage(msg);
        os::DispatchMessage(msg);
    } else {
        RunFrameTurn();
    }
    if (g_BackToMenuRequest) {
        if (!g_Menu.active) g_ShellCalls.returnFromMatch();
        g_BackToMenuRequest = 0;
    }
    return true;
}

int WinMain(os::InstanceHandle instance, os::InstanceHandle, const char*, int) {
    // What the data code found before the start (the text table loads with the program).
    TellDataProblemsOnStderr();
    g_Instance = instance;
    g_AdapterTable.Enumerate();
    if (!InitApp(WndProc)) return -1;

    g_QuitRequest = 0;
    g_BackToMenuRequest = 0;

    os::Message msg;
    os::PeekMessage(&msg, os::PM_NOREMOVE);
    bool quitRequested = false;
    while (msg.id != os::WM_QUIT) {
        if (!RunLoopTurn(&msg)) {
            quitRequested = true;
            break;
        }
    }

    if (g_Settings.mode == 3) g_ElementMap.Release();
    ReleaseGame(true);
    if (g_Settings.debug) {
        WriteDebugLogNewLine();
        WriteDebugLogSeparator();
        WriteDebugLog("FINALIZACION DEL PROGRAMA");
    }
    // Leaving through the quit request is a normal end: the last message's wParam would be the
    // Escape key's code, not an exit status.
    return quitRequested ? 0 : int(msg.wParam);
}

namespace {

void OnMouseButtonDown(int button) {
    MouseButtonState& b = g_Mouse.buttons[button];
    b.held = 1;
    b.pressed = 1;
    b.pressTime = os::timeGetTime();
    // A press ends the "no press since the reset" state, so a click released before the next
    // game frame still raises its released edge.
    b.heldDuration = 0;
}

void OnMouseButtonUp(int button) {
    MouseButtonState& b = g_Mouse.buttons[button];
    b.held = 0;
    if (b.heldDuration != -1) b.released = 1;
    b.heldDuration = 0;
}

void OnSize(uintptr_t wParam) {
    if (!g_Video.GetDevice()) return;
    if (wParam == os::SIZE_MINIMIZED) {
        g_RenderEnabled = 0;
        return;
    }
    g_ShellCalls.sceneInvalidate();
    VideoSettings vs;
    FillVideoSettings(&vs);
    // A failed mode change leaves no device to restore objects on.
    if (!g_ShellCalls.videoChangeMode(vs)) return;
    g_ShellCalls.sceneRestore();
    g_ShellCalls.fontRestore();
    g_ShellCalls.faderRestore();
    g_RenderEnabled = 1;
}

void ReloadEditedElementMap() {
    g_ElementMap.DespawnAll();
    g_ElementMap.Clear();
    g_ElementMap.Load(nullptr, -1);
    g_ElementMap.DespawnAll();
    g_ElementMap.SpawnAll();
}

void OnKeyDown(int key) {
    if (key < 27 || key > 123) return;
    const bool test = g_Settings.test != 0;
    switch (key) {
    case os::VK_ESCAPE:
    case os::VK_F12: g_Control.RequestLeaveMatch(); break;
    case os::VK_PRIOR:
        if (test) g_Settings.speedFactor *= 0.5f;
        break;
    case os::VK_NEXT:
        if (test) g_Settings.speedFactor *= 2.0f;
        break;
    case os::VK_ADD:
        if (test) g_Control.ViewerNextAnimation();
        break;
    case os::VK_SUBTRACT:
        if (test) g_Control.ViewerPrevAnimation();
        break;
    case os::VK_F1:
        if (test) g_ViewerHelp ^= 1;
        break;
    case os::VK_F2:
        if (test) g_Control.ToggleFreeCamera();
        break;
    case os::VK_F3: SaveScreenshot(); break;
    case os::VK_F4:
        if (g_Settings.mode == 3)
            ReloadEditedElementMap();
        else if (test)
            g_Settings.hud ^= 1;
        break;
    case os::VK_F5:
        if (g_Settings.mode == 3) g_ElementMap.Save(nullptr);
        break;
    case os::VK_F6:
        if (test) CollectAllItems();
        break;
    case os::VK_F8:
        if (test) g_Control.ToggleOctreeDraw();
        break;
    case os::VK_F9:
        if (test) g_Control.CycleFillMode();
        break;
    case os::VK_F11:
        if (test) g_Settings.statistics ^= 1;
        break;
    default: break;
    }
}

void TogglePause() {
    if (GetActiveClock() == CLOCK_MATCH)
        SetActiveClock(CLOCK_PAUSE);
    else if (GetActiveClock() == CLOCK_PAUSE)
        SetActiveClock(CLOCK_MATCH);
}

void OnChar(int ch) {
    if (ch < '0' || ch > 'y') return;
    ch = std::toupper(ch);
    const bool test = g_Settings.test != 0;
    const int mode = g_Settings.mode;
    if (ch == 'P') {
        if (mode == 1)
            g_Control.ViewerFaster();
        else if ((mode == 0 || mode == 2) && !g_NetSession.active)
            TogglePause();
        return;
    }
    if (!test) return;
    switch (ch) {
    case '0':
        if (mode == 0 || mode == 2) g_Control.SetMode(0);
        break;
    case '7':
        if (mode == 0) g_Control.SetMode(3);
        break;
    case '8':
        if (mode == 0 || mode == 2) g_Control.SetMode(2);
        break;
    case '9':
        if (mode == 0 && g_Scene.camera && g_Scenario.row) {
            // A row without a far distance means 400, as for every camera.
            float farDist = g_Scenario.row->fogFar != 0.0f ? g_Scenario.row->fogFar : 400.0f;
            g_Scene.camera->Set(Vec3{0.0f, 0.0f, -20.0f}, Vec3{0.0f, 0.0f, 0.0f}, 0.0f, float(M_PI) / 4.0f, 1.0f,
                                farDist);
        }
        break;
    case 'B': g_Control.ViewerToggleSkeleton(); break;
    case 'C': g_Control.ViewerCameraToModel(); break;
    case 'I': g_Control.ToggleCurtain(); break;
    case 'K': g_Control.ViewerShorterBlend(); break;
    case 'L': g_Control.ViewerLongerBlend(); break;
    case 'O': g_Control.ViewerSlower(); break;
    case 'R': g_Control.ViewerReloadAnimations(); break;
    case 'U': g_Control.ViewerLevelDown(); break;
    case 'V': g_Control.ViewerToggleLighting(); break;
    case 'Y': g_Control.ViewerLevelUp(); break;
    default: break;  // 'F' and the rest do nothing
    }
}

void OnSysChar(int ch) {
    if (ch < '0' || ch > 't' || !g_Settings.test) return;
    ch = std::toupper(ch);
    Character* local = g_Control.localCharacter;
    switch (ch) {
    case '0':
        if (local && !local->dead) local->ChangeHealth(-10000, nullptr);
        break;
    case '1':
    case '2':
    case '3':
    case '4': g_Video.stages[ch - '1'].frozen ^= 1; break;
    case '9':
        if (local) local->Respawn();
        break;
    case 'A': g_Control.RandomLook(); break;
    case 'B':
        if (!local) break;
        if (local->attached)
            local->DetachFromScene();
        else
            local->AttachToScene();
        break;
    case 'C':
        g_Settings.pathDebug2 ^= 1;
        g_Settings.pathDebug1 = 0;
        break;
    case 'T':
        g_Settings.pathDebug1 ^= 1;
        g_Settings.pathDebug2 = 0;
        break;
    case 'F':
        if (g_Settings.mode == 0 && g_Scene.materials) g_Scene.materials->RemoveSpecialLayerAll();
        break;
    case 'G': g_Match.PutSideAtGoal(g_Match.localSide); break;
    case 'H': g_Match.PutSideAtGoal(1 - g_Match.localSide); break;
    case 'J': g_Match.ExpireTimeLimit(); break;
    case 'M':
        if (!local) break;
        if (local->states[STATE_FREEZE].active)
            local->StopFreeze(1000);
        else
            local->StartFreeze(10000, 1000);
        break;
    case 'N':
        if (local) local->SetLevel(local->level + 1, 1, 1);
        break;
    case 'P':
        if (local && g_Settings.mode != 3) {
            const Vec3& p = local->position;
            SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(PROP_TYPE_LARGE),
                               {p.x + 3.0f * std::sin(local->yaw), p.y + 2.0f, p.z + 3.0f * std::cos(local->yaw)},
                               nullptr);
        }
        break;
    default: break;
    }
}

}  // namespace

intptr_t WndProc(os::WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case os::WM_CREATE:
    case os::WM_SETFOCUS:
    case os::WM_KILLFOCUS:
    case os::WM_KEYUP:
    case os::WM_SIZING: return 0;
    case os::WM_DESTROY: os::PostQuitMessage(0); return 0;
    case os::WM_MOVE:
        if (g_Video.GetDevice()) g_Video.UpdateViewport();
        return 0;
    case os::WM_SIZE: OnSize(wParam); return 0;
    case os::WM_CLOSE:
    case os::WM_QUIT: os::DestroyWindow(window); return 0;
    case os::WM_KEYDOWN: OnKeyDown(int(wParam)); return 0;
    case os::WM_CHAR:
        PushTypedChar(uint8_t(wParam));
        OnChar(int(wParam));
        return 0;
    case os::WM_SYSCHAR: OnSysChar(int(wParam)); return 0;
    case os::WM_MOUSEMOVE:
        g_Mouse.x = os::LoWord(uintptr_t(lParam));
        g_Mouse.y = os::HiWord(uintptr_t(lParam));
        return 0;
    case os::WM_LBUTTONDOWN: OnMouseButtonDown(MOUSE_LEFT); return 0;
    case os::WM_RBUTTONDOWN: OnMouseButtonDown(MOUSE_RIGHT); return 0;
    case os::WM_MBUTTONDOWN: OnMouseButtonDown(MOUSE_MIDDLE); return 0;
    case os::WM_LBUTTONUP: OnMouseButtonUp(MOUSE_LEFT); return 0;
    case os::WM_RBUTTONUP: OnMouseButtonUp(MOUSE_RIGHT); return 0;
    case os::WM_MBUTTONUP: OnMouseButtonUp(MOUSE_MIDDLE); return 0;
    case os::WM_LBUTTONDBLCLK: OnMouseButtonDown(MOUSE_LEFT_DOUBLE); return 0;
    case os::WM_RBUTTONDBLCLK: OnMouseButtonDown(MOUSE_RIGHT_DOUBLE); return 0;
    case os::WM_MBUTTONDBLCLK: OnMouseButtonDown(MOUSE_MIDDLE_DOUBLE); return 0;
    case os::WM_MOUSEWHEEL: g_Mouse.wheel = int16_t(os::HiWord(wParam)); return 0;
    case os::WM_APP:
        g_NetSession.RefreshPlayerList();
        if (g_NetSession.hosting && lParam != 0) {
            RemovePlayerCharacters(uint32_t(wParam));
            g_GamePacket.WriteRemovePlayer(uint32_t(wParam));
        }
        return 0;
    default: return os::DefWindowProc(window, msg, wParam, lParam);
    }
}
