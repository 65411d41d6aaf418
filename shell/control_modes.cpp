#include "shell/control_modes.h"

#include <algorithm>
#include <cmath>

#include "fighters/character.h"
#include "frontend/menu.h"
#include "platform/os/os.h"
#include "render/debug_draw.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "shell/local_control.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "world/scenario.h"

uint32_t g_FlyCameraLastTime = 0;
int32_t g_FreeCameraAnchorX = 0, g_FreeCameraAnchorY = 0;

namespace {

constexpr float kPitchLimit = kPi / 2.0f;
constexpr float kPitchMargin = 0.01f;
constexpr int kVkShift = 16;
constexpr int kVkControl = 17;
constexpr float kDefaultFar = 400.0f;

bool RealSceneRayQuery(Ray* ray, float length, Vec3* point, Vec3* normal, uint32_t mask) {
    return g_Scene.RayQuery(ray, length, point, normal, nullptr, mask);
}

bool RealOctreeRayQuery(Ray* ray, float length, Vec3* point, Vec3* normal, uint32_t mask) {
    CollisionOctree* octree = SceneCollisionOctree();
    return octree && octree->RayQuery(ray, length, point, normal, nullptr, mask);
}

bool RealKeyDown(int vk) { return (uint16_t(os::GetAsyncKeyState(vk)) & 0xFF80u) != 0; }
bool RealSetCursorPos(int x, int y) { return os::SetCursorPos(x, y); }
void RealShowCursor(bool show) { ShowMouseCursor(show); }
void RealSetArrowCursor() { os::SetCursor(os::LoadArrowCursor()); }

constexpr CameraCalls kRealCameraCalls = {
    RealSceneRayQuery, RealOctreeRayQuery, RealKeyDown, RealSetCursorPos, RealShowCursor, RealSetArrowCursor,
};

// The horizontal axis to the right of a view direction; zero when the view is vertical.
Vec3 RightOf(const Vec3& view) {
    float h = std::sqrt(view.x * view.x + view.z * view.z);
    if (h < 1e-6f) return Vec3{0.0f, 0.0f, 0.0f};
    return Vec3{view.z / h, 0.0f, -view.x / h};
}

// Keeps the pitch inside (-pi/2, pi/2) with the same margin on both sides.
float LimitPitchDelta(float pitch, float delta) {
    if (pitch + delta >= kPitchLimit) return kPitchLimit - pitch - kPitchMargin;
    if (pitch + delta <= -kPitchLimit) return -kPitchLimit - pitch + kPitchMargin;
    return delta;
}

// Yaw about y, pitch about the horizontal axis across the view.
void TurnView(Camera& camera, float yaw, float pitchDelta, bool orbit) {
    Vec3 view = Vec3Sub(camera.target, camera.eye);
    float h = std::sqrt(view.x * view.x + view.z * view.z);
    float a = 0.0f, c = 0.0f;
    if (h >= 1e-6f) {
        a = view.z / h * pitchDelta;
        c = -(view.x / h) * pitchDelta;
    }
    if (orbit)
        camera.Orbit(a, yaw, c);
    else
        camera.Turn(a, yaw, c);
}

void MoveView(Camera& camera, const Vec3& by) {
    camera.eye = Vec3Add(camera.eye, by);
    camera.target = Vec3Add(camera.target, by);
}

// The free and fly cameras' walk: sideways on the ground plane, forward and back along the view.
void WalkView(Camera& camera, float distance, bool right, bool left, bool back, bool forward) {
    Vec3 view = Vec3Sub(camera.target, camera.eye);
    Vec3 side = RightOf(view);
    bool hasSide = side.x != 0.0f || side.z != 0.0f;
    Vec3 unit = Vec3Normalize(view);
    if (right && hasSide) MoveView(camera, Vec3Scale(side, distance));
    if (left && hasSide) MoveView(camera, Vec3Scale(side, -distance));
    if (back) MoveView(camera, Vec3Scale(unit, -distance));
    if (forward) MoveView(camera, Vec3Scale(unit, distance));
}

// Moves current toward goal: a share of the remaining way per second, landing on it when the
// step would pass it.
Vec3 Trail(const Vec3& current, const Vec3& goal, float k, float seconds) {
    Vec3 d = Vec3Sub(goal, current);
    if (std::fabs(d.x) < 0.0001f && std::fabs(d.y) < 0.0001f && std::fabs(d.z) < 0.0001f) return current;
    float remaining = Vec3Length(d);
    float step = remaining * k * seconds;
    if (step <= remaining) return Vec3Add(current, Vec3Scale(d, step / remaining));
    return goal;
}

bool Probe(bool (*query)(Ray*, float, Vec3*, Vec3*, uint32_t), const Vec3& from, const Vec3& to, float length,
           Vec3* hit) {
    Vec3 d = Vec3Sub(to, from);
    if (Vec3Length(d) < 1e-6f) return false;
    Ray ray{Vec3Normalize(d), from};
    Vec3 normal{};
    return query(&ray, length, hit, &normal, CAMERA_PROBE_MASK);
}

}  // namespace

CameraCalls g_CameraCalls = kRealCameraCalls;

void ResetCameraCalls() { g_CameraCalls = kRealCameraCalls; }

void ResetControlModes() {
    g_FlyCameraLastTime = 0;
    g_FreeCameraAnchorX = 0;
    g_FreeCameraAnchorY = 0;
}

Camera* MainCamera() { return g_Scene.camera; }

int32_t ScreenWidth() { return g_Video.screenRect.right - g_Video.screenRect.left + 1; }
int32_t ScreenHeight() { return g_Video.screenRect.bottom - g_Video.screenRect.top + 1; }

float CameraExtentX(const Camera& camera) {
    return 2.0f * Vec3Length(Vec3Sub(camera.target, camera.eye)) * std::tan(camera.fovX * 0.5f);
}

float CameraExtentY(const Camera& camera) {
    return 2.0f * Vec3Length(Vec3Sub(camera.target, camera.eye)) * std::tan(camera.fovY * 0.5f);
}

void CenterCursor() {
    const ScreenRect& r = g_Video.screenRect;
    g_CameraCalls.setCursorPos(r.left + (r.right - r.left + 1) / 2, r.top + (r.bottom - r.top + 1) / 2);
}

void Control::SelectMode() {
    Camera* camera = MainCamera();
    switch (g_Settings.mode) {
    case 0:
        SetMode(g_Menu.active ? CONTROL_MENU : CONTROL_MATCH);
        break;
    case 1:
        SetMode(CONTROL_VIEWER);
        break;
    case 2:
    case 3:
        if (camera) {
            const Vec3& eye = g_Scenario.healthSpringCentre;
            const Vec3& target = g_Scenario.energySpringCentre;
            camera->Set(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0f, kPi / 4.0f, 1.0f, 1000.0f);
        }
        SetMode(CONTROL_FLY);
        break;
    default:
        break;
    }
    if (camera) camera->Update();
    cameraPitch = kPi / 24.0f;
    cameraYawOffset = 0.0f;
    reservedAngle = 0.0f;
    cameraDistance = MATCH_CAMERA_NEAREST;
    cameraDistanceTarget = MATCH_CAMERA_NEAREST;
}

void Control::SetMode(int mode) {
    previousMode = controlMode;
    controlMode = mode;
    Camera* camera = MainCamera();
    switch (mode) {
    case CONTROL_FREE:
        g_CameraCalls.setArrowCursor();
        g_CameraCalls.showCursor(true);
        break;
    case CONTROL_VIEWER:
        if (camera) camera->Set(-2.34f, 1.95f, 3.9f, 0.0f, 0.75f, 0.0f, 0.0f, kPi / 4.0f, 0.1f, 20.0f);
        g_CameraCalls.showCursor(true);
        break;
    case CONTROL_FLY:
        // The first step after entering counts from now, not from the last time flown.
        g_FlyCameraLastTime = 0;
        CenterCursor();
        g_CameraCalls.showCursor(false);
        break;
    case CONTROL_MATCH: {
        float far = (g_Scenario.row && g_Scenario.row->fogFar != 0.0f) ? g_Scenario.row->fogFar : kDefaultFar;
        far = (far - 30.0f) * g_Settings.farFactor + 30.0f;
        if (camera) camera->Set(0.0f, 2.0f, -1.0f, 0.0f, 2.0f, 0.0f, 0.0f, kPi / 4.0f, 1.0f, far);
        CenterCursor();
        g_CameraCalls.showCursor(false);
        uint8_t pulledIn = 0;
        PlaceCamera(localCharacter, &placedEye, &placedTarget, &pulledIn);
        cameraEye = placedEye;
        cameraTarget = placedTarget;
        SetCamera(cameraEye, cameraTarget);
        break;
    }
    case CONTROL_MENU:
        if (camera) camera->Set(0.0f, 0.0f, -20.0f, 0.0f, 0.0f, 0.0f, 0.0f, kPi / 8.0f, 1.0f, 400.0f);
        break;
    default:
        break;
    }
}

void Control::UpdateCamera(float seconds) {
    switch (controlMode) {
    case CONTROL_FREE: UpdateFreeCamera(); break;
    case CONTROL_VIEWER: UpdateViewerCamera(); break;
    case CONTROL_FLY: {
        // Its own time step, so it also moves while the match clock stands still.
        uint32_t now = os::timeGetTime();
        float step = g_FlyCameraLastTime == 0 ? 0.0f : float(now - g_FlyCameraLastTime) * 0.001f;
        g_FlyCameraLastTime = now;
        UpdateFlyCamera(step);
        break;
    }
    case CONTROL_MATCH: UpdateFollowCamera(); break;
    default: break;
    }
    Camera* camera = MainCamera();
    if (camera) {
        camera->UpdateAnimator(uint32_t(seconds * 1000.0f));
        camera->ApplyAnimator();
    }
    UpdateParticleCurtain();
    if (camera) camera->Update();
}

void Control::SetCamera(const Vec3& eye, const Vec3& target) {
    Camera* camera = MainCamera();
    if (!camera) return;
    camera->eye = eye;
    camera->target = target;
    camera->Update();
}

void Control::UpdateFreeCamera() {
    Camera* camera = MainCamera();
    if (!camera) return;
    const CameraCalls& call = g_CameraCalls;
    float move = (call.keyDown(kVkShift) ? 80.0f : 20.0f) * 0.1f;
    WalkView(*camera, move, call.keyDown(os::VK_RIGHT), call.keyDown(os::VK_LEFT), call.keyDown(os::VK_DOWN),
             call.keyDown(os::VK_UP));

    if (!call.keyDown(kVkControl) && !g_Mouse.buttons[MOUSE_MIDDLE].held) {
        g_FreeCameraAnchorX = 0;
        g_FreeCameraAnchorY = 0;
        return;
    }
    if (g_FreeCameraAnchorX == 0 && g_FreeCameraAnchorY == 0) {
        g_FreeCameraAnchorX = g_Mouse.prevX;
        g_FreeCameraAnchorY = g_Mouse.prevY;
    }
    int32_t w = ScreenWidth(), h = ScreenHeight();
    if (w <= 0 || h <= 0) return;
    float yaw = float(g_Mouse.x - g_FreeCameraAnchorX) * kTwoPi / float(w) * 0.1f;
    float pitch = float(g_Mouse.y - g_FreeCameraAnchorY) * kTwoPi / float(h) * 0.1f;
    pitch = LimitPitchDelta(camera->GetPitch(), pitch);
    TurnView(*camera, yaw, pitch, false);
    call.setCursorPos(g_FreeCameraAnchorX, g_FreeCameraAnchorY);
}

void Control::UpdateViewerCamera() {
    Camera* camera = MainCamera();
    if (!camera) return;
    int32_t w = ScreenWidth(), h = ScreenHeight();
    if (w <= 0 || h <= 0) return;
    float mx = float(g_Mouse.x - g_Mouse.prevX);
    float my = float(g_Mouse.y - g_Mouse.prevY);
    bool left = g_Mouse.buttons[MOUSE_LEFT].held != 0;
    bool right = g_Mouse.buttons[MOUSE_RIGHT].held != 0;
    if (left && !right) {
        TurnView(*camera, mx * kTwoPi / float(w), my * kTwoPi / float(h), true);
    } else if (left && right) {
        Vec3 out = Vec3Normalize(Vec3Sub(camera->eye, camera->target));
        camera->eye = Vec3Add(camera->eye, Vec3Scale(out, 10.0f * (my / float(h))));
    } else if (right) {
        Vec3 by = Vec3Add(Vec3Scale(camera->right, mx / float(w) * CameraExtentX(*camera)),
                          Vec3Scale(camera->up, my / float(h) * CameraExtentY(*camera)));
        MoveView(*camera, by);
    }
}

void Control::UpdateFlyCamera(float seconds) {
    Camera* camera = MainCamera();
    if (!camera) return;
    const CameraCalls& call = g_CameraCalls;
    float distance = (call.keyDown(kVkShift) ? 80.0f : 20.0f) * seconds;
    WalkView(*camera, distance, call.keyDown(os::VK_RIGHT) || call.keyDown('D'),
             call.keyDown(os::VK_LEFT) || call.keyDown('A'), call.keyDown(os::VK_DOWN) || call.keyDown('S'),
             call.keyDown(os::VK_UP) || call.keyDown('W'));

    const ScreenRect& r = g_Video.screenRect;
    int32_t w = ScreenWidth(), h = ScreenHeight();
    if (w <= 0 || h <= 0) return;
    float dx = float(g_Mouse.x - (r.left + w / 2));
    float dy = float(g_Mouse.y - (r.top + h / 2));
    float yaw = dx * kTwoPi / float(w) * 0.1f;
    float pitch = LimitPitchDelta(camera->GetPitch(), dy * kTwoPi / float(h) * 0.1f);
    TurnView(*camera, yaw, pitch, false);
    CenterCursor();
}

void Control::UpdateFollowCamera() {
    Character* me = localCharacter;
    if (!me) return;
    const ActionSlot* s = slots[0];
    if (g_Settings.test) {
        if (s[26].held)
            cameraYawOffset += float(frameMs) * 0.001f;
        else if (s[27].held)
            cameraYawOffset -= float(frameMs) * 0.001f;
        if (s[28].held) cameraYawOffset = 0.0f;
    }
    if (s[24].held)
        cameraDistanceTarget = std::max(MATCH_CAMERA_NEAREST, cameraDistanceTarget - frameSeconds * 11.0f);
    else if (s[25].held)
        cameraDistanceTarget = std::min(MATCH_CAMERA_FARTHEST, cameraDistanceTarget + frameSeconds * 11.0f);

    float gap = cameraDistanceTarget - cameraDistance;
    if (std::fabs(gap) >= 0.0001f) {
        float step = float(frameMs) * 0.01f;
        cameraDistance = step >= std::fabs(gap) ? cameraDistanceTarget : cameraDistance + (gap > 0 ? step : -step);
    }

    uint8_t pulledIn = 0;
    PlaceCamera(me, &placedEye, &placedTarget, &pulledIn);
    cameraEye = Trail(cameraEye, placedEye, pulledIn ? 14.0f : 7.0f, frameSeconds);
    cameraTarget = Trail(cameraTarget, placedTarget, 7.0f, frameSeconds);
    SetCamera(cameraEye, cameraTarget);
    CenterCursor();

    Camera* camera = MainCamera();
    if (!camera) return;
    float d = Vec3Length(Vec3Sub(camera->eye, me->position));
    int alpha = 255;
    if (d < 4.0f) {
        float a = (d - 2.0f) * 0.5f * 255.0f;
        alpha = a < 0.0f ? 0 : std::min(255, int(a));
    }
    g_FighterCalls.setModelAlpha(me, alpha);
}

void Control::PlaceCamera(Character* character, Vec3* outEye, Vec3* outTarget, uint8_t* pulledIn) {
    if (!character || !character->model) return;
    const CameraCalls& call = g_CameraCalls;

    Vec3 target = Vec3Add(character->position, Vec3{0.0f, selectedPower != POWER_NONE ? 1.9f : 1.2f, 0.0f});
    float yaw = g_FighterCalls.modelYaw(character) + cameraYawOffset - strafeAngle[0];
    Mat4 rotation;
    MatrixRotation(&rotation, cameraPitch, yaw, 0.0f);
    Vec3 back = Vec3TransformNormal(Vec3{0.0f, 0.0f, 1.0f}, rotation);
    Vec3 eye = Vec3Sub(target, Vec3Scale(back, cameraDistance));
    uint8_t pulled = 0;
    // A scenario without an energy spring sets no floor (a stale or zero height would hold the
    // camera up).
    if (g_Scenario.energySpring) eye.y = std::max(eye.y, g_Scenario.energySpringCentre.y);
    if (character->sinking) {
        target = Vec3Add(character->sinkPoint, Vec3{0.0f, 0.03f, 0.0f});
        eye = Vec3Sub(target, Vec3Scale(back, cameraDistance));
    }

    // Occlusion: a wall between fighter and eye pulls the eye in front of it, unless the spot
    // behind it can be seen from beside or above the fighter (a thin obstacle).
    Vec3 toEye = Vec3Sub(eye, target);
    float span = Vec3Length(toEye);
    Vec3 hit{}, normal{};
    if (span >= 1e-6f) {
        Ray ray{Vec3Scale(toEye, 1.0f / span), target};
        if (call.sceneRayQuery(&ray, span, &hit, &normal, CAMERA_PROBE_MASK)) {
            Vec3 candidate = Vec3Add(hit, Vec3Scale(normal, 0.5f));
            Vec3 side = RightOf(Vec3Sub(target, eye));
            const Vec3 offsets[4] = {Vec3Scale(side, 1.5f), Vec3Scale(side, -1.5f), Vec3{0.0f, 1.5f, 0.0f},
                                     Vec3{0.0f, -1.5f, 0.0f}};
            bool seen = false;
            for (const Vec3& offset : offsets) {
                Vec3 probe = Vec3Add(target, offset);
                Vec3 wall{};
                if (Probe(call.octreeRayQuery, target, probe, 1.5f, &wall)) {
                    Vec3 dir = Vec3Normalize(offset);
                    probe = Vec3Sub(wall, Vec3Scale(dir, 0.1f));
                }
                Vec3 toCandidate = Vec3Sub(candidate, probe);
                Vec3 blocker{};
                if (!Probe(call.octreeRayQuery, probe, candidate, Vec3Length(toCandidate), &blocker)) {
                    seen = true;
                    break;
                }
            }
            if (!seen && Vec3Length(Vec3Sub(candidate, target)) < cameraDistance) {
                eye = candidate;
                pulled = 1;
                Vec3 toTarget = Vec3Sub(target, eye);
                float near = Vec3Length(toTarget);
                if (near < 1.5f && near >= 1e-6f) target = Vec3Add(eye, Vec3Scale(toTarget, 1.5f / near));
            }
        }
    }

    // Clearance: walls close around the eye push it back from them.
    Vec3 toTarget = Vec3Sub(target, eye);
    if (Vec3Length(toTarget) >= 1e-6f) {
        Vec3 current = Vec3Add(eye, Vec3Scale(Vec3Normalize(toTarget), 1.0f));
        Vec3 side = RightOf(toTarget);
        const Vec3 probes[4] = {Vec3Add(current, Vec3Scale(side, 0.5f)), Vec3Add(current, Vec3Scale(side, -0.5f)),
                                Vec3Add(current, Vec3{0.0f, 0.5f, 0.0f}), Vec3Add(current, Vec3{0.0f, -0.5f, 0.0f})};
        bool any = false;
        for (const Vec3& probe : probes) {
            Vec3 d = Vec3Sub(probe, current);
            if (Vec3Length(d) < 1e-6f) continue;
            Vec3 wall{};
            if (Probe(call.octreeRayQuery, current, probe, 0.5f, &wall)) {
                current = Vec3Sub(wall, Vec3Scale(Vec3Normalize(d), 0.5f));
                any = true;
            }
        }
        if (any) {
            Vec3 away = Vec3Normalize(Vec3Sub(current, target));
            eye = Vec3Add(current, away);
        }
    }

    *outEye = eye;
    *outTarget = target;
    *pulledIn = pulled;
}
