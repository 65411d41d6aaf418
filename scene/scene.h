#pragma once

class Camera;
class MaterialTable;

// The world container. Only what the shell reaches so far.
class Scene {
public:
    Camera* camera;                // the current camera, null without a scene
    MaterialTable* materials;      // null without a scene

    Scene() : camera(nullptr), materials(nullptr) {}

    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();
    // Advances the scene's managers by the frame time.
    void Update(int frameMs);
};

extern Scene g_Scene;
