#include "shell/control.h"

#include <cstring>

#include "common/random.h"
#include "effects/effects.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/skin.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "shell/input_system.h"
#include "shell/main_loop.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "shell/viewer.h"
#include "world/map_editor.h"
#include "world/scenario.h"

Control g_Control;

namespace {

// Key 1 of each action; key 2 and the device action stay none.
constexpr int32_t kDefaultKeys[CONTROL_ACTIONS] = {
    'W', 'S', 'A', 'D',                                             // 0..3 movement
    os::VK_LEFT, os::VK_RIGHT, os::VK_DOWN, os::VK_UP,              // 4..7 keyboard look
    os::VK_RBUTTON, os::VK_LBUTTON, os::VK_SPACE, os::VK_LSHIFT,    // 8..11 attack, cast, jump, gait
    'E',                                                            // 12 charge
    '1', '2', '3', '4', '5', '6', '7', '8', '9', '0',               // 13..22 power selection
    os::VK_OEM_4,                                                   // 23
    os::VK_ADD, os::VK_SUBTRACT,                                    // 24, 25 camera distance
    os::VK_DELETE, os::VK_END, os::VK_HOME,                         // 26..28 camera yaw (test)
    'E', 'Q', 'C', 'Z', 'G', 'B', 'F', 'V', os::VK_TAB,             // 29..37 editor edges
    os::VK_INSERT, os::VK_HOME, os::VK_PRIOR, os::VK_DELETE, os::VK_END, os::VK_NEXT,  // 38..43
    os::VK_NUMPAD0 + 8, os::VK_NUMPAD0 + 2, os::VK_NUMPAD0 + 4, os::VK_NUMPAD0 + 6,    // 44..47
    os::VK_RETURN, os::VK_SPACE, os::VK_BACK,                       // 48..50 editor edges
};

constexpr int kSpawningClass = 13;
constexpr int kRisingClass = 14;

// Bindings come from option files, so a key outside the key table never reaches it.
bool KeyDown(int32_t key) {
    if (key < 0 || key > 255) return false;
    return (uint16_t(os::GetAsyncKeyState(key)) & 0xFF80u) != 0;
}

bool DeviceActionDown(int32_t index) {
    if (index < 0 || index >= ACTION_VALUE_COUNT) return false;
    return g_Input.actionValues[index] != 0.0f;
}

bool CanAct(const Character* c) { return c->actionClass != kSpawningClass && c->actionClass != kRisingClass; }

// The mirrored partner of a direction action while the controls are inverted.
int OppositeDirection(int action) { return action ^ 1; }

void RealSceneUpdate(int ms) { g_Scene.Update(ms); }
void RealUpdateInput(Control& c) { c.UpdateInput(); }
void RealNetProcessIncoming() { g_NetSession.ProcessIncoming(); }
void RealPacketFlush() { g_GamePacket.Flush(); }
void RealUpdateAimPoint(Control& c) { c.UpdateAimPoint(); }
void RealUpdateMouseLook(Control& c, Character* ch, int p) { c.UpdateMouseLook(ch, p); }
void RealApplyLocalActions(Control& c, Character* ch, int p) { c.ApplyLocalActions(ch, p); }
void RealUpdateCharacters(Control& c) { c.UpdateCharacters(); }
void RealScenarioUpdateAmbient(int ms) { g_Scenario.UpdateAmbient(ms); }
void RealMatchUpdate() { g_Match.Update(); }
void RealPlayViewerAnimationSounds(Control& c) { c.PlayViewerAnimationSounds(); }
void RealUpdateCamera(Control& c, float s) { c.UpdateCamera(s); }
void RealSelectLevelOfDetail(Character* ch) { ch->SelectLevelOfDetail(); }
void RealHudUpdateMarkers() { g_Hud.UpdateMarkers(); }
void RealMapEditorTick() { g_MapEditor.Tick(); }

constexpr FrameCalls kRealFrameCalls = {
    RealSceneUpdate,      RealUpdateInput,           RealNetProcessIncoming,    RealPacketFlush,
    RealUpdateAimPoint,   RealUpdateMouseLook,       RealApplyLocalActions,     RealUpdateCharacters,
    RealScenarioUpdateAmbient, RealMatchUpdate,      RealPlayViewerAnimationSounds, RealUpdateCamera,
    RealSelectLevelOfDetail, UpdateEffects,          RealHudUpdateMarkers,      RealMapEditorTick,
};

}  // namespace

FrameCalls g_FrameCalls = kRealFrameCalls;

void ResetFrameCalls() { g_FrameCalls = kRealFrameCalls; }

Control::Control() {
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    viewerRate = 30.0f;
    viewerBlend = 100;
    SetDefaultKeys();
    for (int p = 0; p < CONTROL_PLAYERS; ++p) {
        for (int a = 0; a < CONTROL_ACTIONS; ++a) ClearActionSlot(p, a);
    }
}

void Control::Init() {
    localCharacter = g_Characters[0].active ? &g_Characters[0] : nullptr;
    for (int p = 0; p < CONTROL_PLAYERS; ++p) {
        strafeAngle[p] = 0.0f;
        strafeTarget[p] = 0.0f;
    }
    selectedPower = -1;
    aimCharacter = nullptr;
    aimPoint = Vec3{0.0f, 0.0f, 0.0f};
    targetMarker = 0;
    // With the front end on, the options pages own the bindings.
    if (!g_Settings.frontEnd) SetDefaultKeys();
    for (int p = 0; p < CONTROL_PLAYERS; ++p) {
        for (int a = 0; a < CONTROL_ACTIONS; ++a) ClearActionSlot(p, a);
    }
    comboIndex = -1;
    comboStep = 0;
    stepTime = 0;
    attackChainLatch = jumpChainLatch = 0;
    frameMs = 0;
    frameSeconds = 0.0f;
    secondTick = 0;
    lastFrameTime = 0;
    tickBase = GetTime(CLOCK_MATCH);
    // Without a local fighter yet, the match camera takes the placed eye and target as they are:
    // the last match's would aim the new scene's camera while it loads, and which effects warm up
    // on their creation depends on what that camera sees.
    cameraEye = cameraTarget = placedEye = placedTarget = Vec3{0.0f, 0.0f, 0.0f};
    SelectMode();
    g_Mouse.Reset();
    particleCurtain = nullptr;
    invertedControls = 0;
    inversionStart = 0;
    inversionDuration = 0;
}

void Control::SetDefaultKeys() {
    for (int a = 0; a < CONTROL_ACTIONS; ++a) {
        bindings[a].key1 = kDefaultKeys[a];
        bindings[a].key2 = BINDING_NONE;
        bindings[a].deviceAction = BINDING_NONE;
    }
}

void Control::ClearActionSlot(int player, int action) {
    if (player < 0 || player >= CONTROL_PLAYERS || action < 0 || action >= CONTROL_ACTIONS) return;
    ActionSlot& s = slots[player][action];
    s.held = 0;
    s.doublePress = 0;
    s.pressed = 0;
    s.released = 0;
    s.pressTime = 0;
    s.heldMs = -1;
}

void Control::StartInvertedControls(uint32_t ms) {
    invertedControls = 1;
    inversionStart = GetTime(CLOCK_MATCH);
    inversionDuration = ms;
}

void Control::ReadAction(int player, int action) {
    if (player < 0 || player >= CONTROL_PLAYERS || action < 0 || action >= CONTROL_ACTIONS) return;
    int source = (invertedControls && action <= ACTION_STEP_RIGHT) ? OppositeDirection(action) : action;
    const KeyBinding& b = bindings[source];
    bool down = KeyDown(b.key1) || KeyDown(b.key2) || DeviceActionDown(b.deviceAction);

    ActionSlot& s = slots[player][action];
    if (!down) {
        if (s.held) s.released = 1;
        s.held = 0;
        s.doublePress = 0;
        return;
    }
    if (s.held) return;
    uint32_t now = os::timeGetTime();
    s.pressed = 1;
    if (now - s.pressTime < DOUBLE_PRESS_MS) s.doublePress = 1;
    s.held = 1;
    s.pressTime = now;
    s.heldMs = 0;
}

void Control::UpdateInput() {
    // While a direction's opposite is held, the direction is not read; so of two going down
    // together, the one read first wins.
    constexpr int kOpposite[4] = {ACTION_BACK, ACTION_FORWARD, ACTION_STEP_RIGHT, ACTION_STEP_LEFT};
    uint32_t now = os::timeGetTime();
    for (int p = 0; p < CONTROL_PLAYERS; ++p) {
        for (int a = 0; a < CONTROL_ACTIONS; ++a) {
            ActionSlot& s = slots[p][a];
            s.pressed = 0;
            s.released = 0;
            if (s.held) s.heldMs = int32_t(now - s.pressTime);
            if (p != 0) continue;
            if (a <= ACTION_STEP_RIGHT && slots[0][kOpposite[a]].held) continue;
            ReadAction(0, a);
        }
    }
    if (invertedControls && GetElapsed(CLOCK_MATCH, inversionStart) > inversionDuration) invertedControls = 0;
}

void Control::UpdateMouseHoldTimes() {
    uint32_t now = os::timeGetTime();
    for (MouseButtonState& b : g_Mouse.buttons) {
        if (b.held) b.heldDuration = int32_t(now - b.pressTime);
    }
}

void Control::UpdateCharacterDetail() {
    for (Character& c : g_Characters) {
        if (c.active) g_FrameCalls.selectLevelOfDetail(&c);
    }
}

void Control::RequestLeaveMatch() {
    if (g_Settings.frontEnd && !g_Menu.active)
        g_BackToMenuRequest = 1;
    else if (g_Settings.test)
        g_QuitRequest = 1;
}

void Control::RunFrame() {
    const FrameCalls& call = g_FrameCalls;

    uint32_t now = GetTime(CLOCK_MATCH);
    if (lastFrameTime == 0) lastFrameTime = now;
    uint32_t elapsed = now - lastFrameTime;
    if (elapsed > MAX_FRAME_MS) elapsed = MAX_FRAME_MS;
    // The test keys halve the factor without a floor; a factor that is not positive would
    // divide by zero.
    double factor = g_Settings.speedFactor > 0.0f ? double(g_Settings.speedFactor) : 1.0;
    double scaled = double(elapsed) / factor;
    frameMs = scaled >= double(INT32_MAX) ? INT32_MAX : int32_t(scaled);
    frameSeconds = float(frameMs) * 0.001f;

    uint32_t sinceTick = GetElapsed(CLOCK_MATCH, tickBase);
    if (sinceTick > 1000) {
        secondTick = 1;
        tickBase = GetTime(CLOCK_MATCH) + 1000 - sinceTick;
    } else {
        secondTick = 0;
    }

    call.sceneUpdate(frameMs);
    UpdateMouseHoldTimes();
    call.updateInput(*this);
    if (g_NetSession.active) {
        call.netProcessIncoming();
        call.packetFlush();
    }

    if (os::IsForeground(g_Window)) {
        const bool play = GetActiveClock() == CLOCK_MATCH;
        const int mode = g_Settings.mode;
        if (mode == 0) {
            if (play) {
                call.updateAimPoint(*this);
                call.updateMouseLook(*this, localCharacter, 0);
                if (localCharacter && !localCharacter->states[STATE_FREEZE].active && CanAct(localCharacter))
                    call.applyLocalActions(*this, localCharacter, 0);
                call.updateCharacters(*this);
            }
            call.scenarioUpdateAmbient(frameMs);
            call.matchUpdate();
        } else if (mode == 1) {
            call.playViewerAnimationSounds(*this);
        }
        call.updateCamera(*this, frameSeconds);
        UpdateCharacterDetail();
        if (play) call.updateEffects(uint32_t(frameMs));
        if (play) call.hudUpdateMarkers();
        // A play-test runs as a match; the editor still watches for its end.
        if (mode == 3 || g_MapEditor.playTest) call.mapEditorTick();
    }

    lastFrameTime = now;
    g_Mouse.prevX = g_Mouse.x;
    g_Mouse.prevY = g_Mouse.y;
    g_Mouse.ClearEdges();
}

// The control modes and camera live in control_modes.cpp, the local fighter control in
// local_control.cpp, the effect requests in screen_effects.cpp.

// ---- viewer hotkeys and animation cues ----

namespace {

constexpr int kViewerMode = 1;
constexpr int kEditorMode = 3;

// The viewer-only keys need the character viewer and its model.
bool ViewerActive(const Control& c) { return g_Settings.mode == kViewerMode && c.viewerModel; }

}  // namespace

void Control::PlayViewerAnimationSounds() {
    if (!viewerModel) return;
    const ViewerCues cues = EvaluateViewerCues(viewerModel, g_Settings.localSide);
    const Vec3 origin{0.0f, 0.0f, 0.0f};
    if (cues.a != CUE_NONE) g_ViewerCalls.playFx(cues.a, &origin, 0);
    if (cues.b != CUE_NONE) g_ViewerCalls.playFx(cues.b, &origin, 0);
    if (cues.c != CUE_NONE) g_ViewerCalls.playFx(cues.c, &origin, 0);
}

void Control::ViewerNextAnimation() {
    if (ViewerActive(*this)) PlayNeighbourAnimation(viewerModel, +1, viewerBlend, viewerRate);
}

void Control::ViewerPrevAnimation() {
    if (ViewerActive(*this)) PlayNeighbourAnimation(viewerModel, -1, viewerBlend, viewerRate);
}

void Control::ToggleFreeCamera() {
    if (g_Settings.mode == kViewerMode) return;
    g_ViewerCalls.setMode(*this, controlMode != 0 ? 0 : 2);
}

void Control::ToggleOctreeDraw() {
    if (g_Settings.mode != kViewerMode) octreeDraw = octreeDraw ? 0 : 1;
}

void Control::CycleFillMode() { fillMode = (fillMode >= 0 && fillMode < 2) ? fillMode + 1 : 0; }

void Control::ViewerToggleSkeleton() { showBones = showBones ? 0 : 1; }

void Control::ViewerCameraToModel() {
    if (!ViewerActive(*this)) return;
    const float h = viewerModel->position.y;
    viewerModel->position = Vec3{0.0f, h, 0.0f};
    Camera* camera = g_Scene.camera;
    if (!camera) return;
    const Vec3 target{0.0f, h, 0.0f};
    camera->eye = Vec3Add(camera->eye, Vec3Sub(target, camera->target));
    camera->target = target;
}

void Control::ToggleCurtain() {
    if (g_Settings.mode == kViewerMode) {
        if (viewerModel) g_ViewerCalls.toggleAdvance(viewerModel);
    } else if (g_Settings.mode != kEditorMode) {
        g_ViewerCalls.startParticleCurtain(*this);
    }
}

void Control::ViewerShorterBlend() { viewerBlend = viewerBlend > VIEWER_BLEND_STEP ? viewerBlend - VIEWER_BLEND_STEP : 0; }

void Control::ViewerLongerBlend() {
    viewerBlend = viewerBlend < VIEWER_BLEND_MAX - VIEWER_BLEND_STEP ? viewerBlend + VIEWER_BLEND_STEP : VIEWER_BLEND_MAX;
}

// No lower limit: a negative rate plays the animations backwards.
void Control::ViewerSlower() {
    if (!ViewerActive(*this)) return;
    viewerRate -= VIEWER_RATE_STEP;
    g_ViewerCalls.setSpeed(viewerModel, viewerRate);
}

void Control::ViewerFaster() {
    if (g_Settings.mode != kViewerMode) return;
    viewerRate += VIEWER_RATE_STEP;
    if (viewerModel) g_ViewerCalls.setSpeed(viewerModel, viewerRate);
}

void Control::ViewerReloadAnimations() {
    if (g_Settings.mode == kViewerMode) g_ViewerCalls.reloadAnimations();
}

void Control::ViewerLevelDown() {
    if (ViewerActive(*this)) viewerModel->lod = viewerModel->lod > 0 ? uint8_t(viewerModel->lod - 1) : 0;
}

void Control::ViewerLevelUp() {
    if (ViewerActive(*this))
        viewerModel->lod = viewerModel->lod < VIEWER_LOD_MAX ? uint8_t(viewerModel->lod + 1) : VIEWER_LOD_MAX;
}

void Control::ViewerToggleLighting() {
    if (g_Settings.mode != kViewerMode) return;
    if (g_Video.lightingLocked) {
        g_Video.lightingLocked = 0;
        return;
    }
    // Without a device there is no state to switch, only the lock to take.
    if (g_Video.GetDevice()) g_Video.SetLighting(false);
    g_Video.lightingLocked = 1;
}

void Control::RandomLook() {
    if (!localCharacter) return;
    SkinParts parts;
    parts.skin = Random() % 5;
    parts.eyes = Random() % 10;
    // Eight values of 0..7 fill the record from the clothes on; the last tattoo slot, which
    // they do not reach, is left empty.
    parts.clothes = Random() % 8;
    for (int i = 0; i < SKIN_TATTOO_SLOTS - 1; ++i) parts.tattoos[i] = Random() % 8;
    parts.tattoos[SKIN_TATTOO_SLOTS - 1] = -1;
    SkinImageCache cache;
    g_ViewerCalls.composeSkin(localCharacter, localCharacter->side, parts, &cache);
    g_ViewerCalls.clearSkinCache(&cache);
}

