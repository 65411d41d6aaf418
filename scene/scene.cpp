#include "scene/scene.h"

Scene g_Scene;

// Filled by the scene container: device-bound buffers and render targets.
void Scene::InvalidateDeviceObjects() {}
void Scene::RestoreDeviceObjects() {}
// Filled by the scene container: its manager lists' per-frame update.
void Scene::Update(int) {}
