#pragma once

#include <cstdint>

#include <vector>

class Camera;
class DynamicVertexBuffer;
class LightNode;
class LightSlots;
class MaterialTable;
class RenderOctree;

// The world container. Only what the shell reaches so far.
class Scene {
public:
    Camera* camera;                // the current camera, null without a scene
    MaterialTable* materials;      // null without a scene
    LightSlots* lightSlots;        // null without a scene
    RenderOctree* renderOctree;    // the static geometry's draw tree; null when none is loaded
    int32_t skyTexture;            // -1 when the scene has no sky texture
    uint8_t skyLayer;              // sky-layer switch: distance-haze stages run while it is on
    int32_t specialLayerTexture;   // the special material layer's texture, -1 when not loaded

    Scene() : camera(nullptr), materials(nullptr), lightSlots(nullptr), renderOctree(nullptr), skyTexture(-1), skyLayer(0), specialLayerTexture(-1) {}

    bool Create();
    // Frees every member; the animation groups only when asked.
    void Destroy(bool freeAnimations);
    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();
    // Advances the scene's managers by the frame time.
    void Update(int frameMs);
    // The frame's world pass.
    void Render();
    // Camera-aligned light 0 for the character viewer.
    void EnableHeadlight(bool on);
    // Frees and reloads every loaded animation group (character viewer).
    void ReloadAnimations();

    DynamicVertexBuffer* dynamicBuffer = nullptr;   // per-frame geometry; null without a scene
    LightNode* sun = nullptr;                       // the scene's sun light, null when none
    // The scene's other lights in list order (the loader adds at the front); not owned here.
    // Stands in for the object list until that lands.
    std::vector<LightNode*> lights;
};

extern Scene g_Scene;

// Polygons drawn and draw calls made in the current frame; the render frame zeroes them.
extern uint32_t g_PolygonsDrawn;
extern uint32_t g_DrawCalls;
