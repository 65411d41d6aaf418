#include "shell/mouse.h"

#include <cstdint>

#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "world/path_map.h"

MouseState g_Mouse;

void MouseButtonState::Reset() {
    held = 0;
    pressed = 0;
    released = 0;
    pressTime = 0;
    heldDuration = -1;
}

void MouseState::Reset() {
    x = 0;
    y = 0;
    for (MouseButtonState& b : buttons) b.Reset();
    wheel = 0;
}

void MouseState::ClearEdges() {
    for (MouseButtonState& b : buttons) {
        b.pressed = 0;
        b.released = 0;
    }
}

bool MouseState::IsInRect(int rx, int ry, int w, int h) const {
    return rx <= x && x < rx + w && ry <= y && y < ry + h;
}

namespace {

// Fractions times the screen size, cut toward zero; kept inside int range.
int32_t ScaleTrunc(int32_t size, float fraction) {
    double v = double(size) * double(fraction);
    if (!(v > -2147483648.0)) return INT32_MIN;   // also NaN
    if (v >= 2147483647.0) return INT32_MAX;
    return int32_t(v);
}

}  // namespace

bool MouseState::IsInRelativeRect(float fx, float fy, float fw, float fh) const {
    const ScreenRect& r = g_Video.screenRect;
    int32_t w = r.right - r.left + 1;
    int32_t h = r.bottom - r.top + 1;
    int64_t x0 = ScaleTrunc(w, fx);
    int64_t y0 = ScaleTrunc(h, fy);
    return x0 <= x && x < x0 + ScaleTrunc(w, fw) && y0 <= y && y < y0 + ScaleTrunc(h, fh);
}

// A ray through the pointer, 2000 units against the scene's collision octree.
bool MouseState::PickWorldPoint(Vec3* out) const {
    constexpr uint32_t kGroundAndWalls = 1;
    CollisionOctree* octree = SceneCollisionOctree();
    if (!g_Scene.camera || !octree) return false;
    Ray ray;
    ScreenPointToRay(&ray, x, y, *g_Scene.camera);
    return octree->RayQuery(&ray, 2000.0f, out, nullptr, nullptr, kGroundAndWalls);
}

// The same ray, then the path-map cell of the hit point with layer tolerance 100.
bool MouseState::PickMapCell(CellRef* out) const {
    constexpr uint32_t kGroundAndWalls = 1;
    CollisionOctree* octree = SceneCollisionOctree();
    if (!g_Scene.camera || !octree) return false;
    Ray ray;
    ScreenPointToRay(&ray, x, y, *g_Scene.camera);
    Vec3 hit;
    if (!octree->RayQuery(&ray, 2000.0f, &hit, nullptr, nullptr, kGroundAndWalls)) return false;
    const PathMap* map = ScenarioPathMap();
    return map && out && map->WorldToCell(hit, out, 100.0f);
}
