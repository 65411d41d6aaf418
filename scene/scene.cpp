#include "scene/scene.h"

Scene g_Scene;
uint32_t g_PolygonsDrawn = 0;
uint32_t g_DrawCalls = 0;

// Filled by the scene container: device-bound buffers and render targets.
void Scene::InvalidateDeviceObjects() {}
void Scene::RestoreDeviceObjects() {}
// Filled by the scene container: its manager lists' per-frame update.
void Scene::Update(int) {}
// The scene container fills these: the world pass and the viewer's headlight.
void Scene::Render() {}
void Scene::EnableHeadlight(bool) {}
// The scene container fills these: its members are made and freed with it.
bool Scene::Create() { return true; }
void Scene::Destroy(bool) {}
// The scene loader fills this: every loaded animation group freed and read again.
void Scene::ReloadAnimations() {}
