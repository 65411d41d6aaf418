// The control modes' camera work: the free, orbit, fly and match cameras, the match camera's
// placement behind the fighter with its wall probes, and the calls they make into the scene and
// the pointer, gathered so that tests can stand in for them.
#pragma once

#include <cstdint>

#include "common/math.h"

class Camera;
struct Ray;

enum ControlMode {
    CONTROL_FREE = 0,
    CONTROL_VIEWER = 1,
    CONTROL_FLY = 2,
    CONTROL_MATCH = 3,
    CONTROL_MENU = 4,
};

constexpr float MATCH_CAMERA_NEAREST = 7.0f;
constexpr float MATCH_CAMERA_FARTHEST = 18.0f;
constexpr uint32_t CAMERA_PROBE_MASK = 0x107;

struct CameraCalls {
    // Nearest hit within length; the ray's direction is unit. Either out pointer may be null.
    bool (*sceneRayQuery)(Ray* ray, float length, Vec3* point, Vec3* normal, uint32_t mask);
    bool (*octreeRayQuery)(Ray* ray, float length, Vec3* point, Vec3* normal, uint32_t mask);
    bool (*keyDown)(int vk);
    bool (*setCursorPos)(int x, int y);
    void (*showCursor)(bool show);
    void (*setArrowCursor)();
};
extern CameraCalls g_CameraCalls;
void ResetCameraCalls();

// The fly camera's last system time (0 before its first step) and the free camera's turning
// anchor (0, 0 while not turning).
extern uint32_t g_FlyCameraLastTime;
extern int32_t g_FreeCameraAnchorX, g_FreeCameraAnchorY;
void ResetControlModes();

// The scene's main camera, null without a scene.
Camera* MainCamera();
// Width and height of the video object's screen rectangle.
int32_t ScreenWidth();
int32_t ScreenHeight();
// The camera's view width and height at the target's distance, which the viewer pan scales by.
float CameraExtentX(const Camera& camera);
float CameraExtentY(const Camera& camera);
