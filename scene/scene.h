// The one world container: every list, tree, resource table and manager through which the
// loaded scenario, the character models and the effects are updated, drawn and queried. Made at
// every start of the front end or a match, freed at every switch.
#pragma once

#include <cstdint>

#include <vector>

#include "common/math.h"

class Animation;
class Camera;
class CharacterModel;
class CharacterModelList;
class CollidableList;
class CollisionOctree;
class DynamicVertexBuffer;
class EffectList;
class IndexBufferTable;
class LightNode;
class LightSlots;
class MaterialRefList;
class MaterialTable;
class MeshTable;
class MirrorList;
class ObjectList;
class PositionedObject;
class RenderBatches;
class RenderOctree;
class RenderQueue;
class SceneNode;
class ScreenSpaceList;
class TextureManager;
class VertexBufferTable;
class WaterList;
struct Ray;
struct SweepVolume;

constexpr int SCENE_ANIMATION_GROUPS = 100;
constexpr int SCENE_ANIMATIONS_PER_GROUP = 1000;
constexpr uint32_t SCENE_DYNAMIC_VERTICES = 1500;
constexpr uint32_t SCENE_DYNAMIC_FVF = 0x142;   // position, diffuse colour, one texture pair
constexpr float SCENE_SKY_FAR_PLANE = 100.0f;

// The steps of the world pass, in the order Scene::Render takes them.
enum class ScenePhase : uint8_t {
    ResetCache,
    ModelVisibility,
    ReflectionTargets,
    ClearQueue,
    Sky,
    FlushSky,
    StaticWorld,
    Nodes,
    Shadows,
    Models,
    Surfaces,
    Decals,
    Queue,
    Ambient,
    ScreenSpaceEffects,
    ScreenSpaceList,
};
// Told of each phase as it starts (tests); null for none.
using ScenePhaseObserver = void (*)(ScenePhase phase);
void SetScenePhaseObserver(ScenePhaseObserver observer);

class Scene {
public:
    // Members in creation order; all owned and null without a scene, unless said otherwise.
    ObjectList* objects = nullptr;                 // mesh nodes, dynamic meshes, lava; the sky until taken out
    CollidableList* collidables = nullptr;
    CharacterModelList* characterModels = nullptr; // links only: the models belong to the fighters
    ObjectList* elements = nullptr;
    RenderOctree* renderOctree = nullptr;
    CollisionOctree* collisionOctree = nullptr;
    MeshTable* meshes = nullptr;
    VertexBufferTable* vertexBuffers = nullptr;
    IndexBufferTable* indexBuffers = nullptr;
    MaterialTable* materials = nullptr;
    MaterialRefList* materialRefs = nullptr;
    TextureManager* textures = nullptr;
    // Group g: null, or SCENE_ANIMATIONS_PER_GROUP owned pointers (null where the file was missing).
    Animation** animations[SCENE_ANIMATION_GROUPS] = {};
    ScreenSpaceList* screenSpace = nullptr;        // links only: the front end owns its sprites
    LightSlots* lightSlots = nullptr;
    // The lights other than the sun, in list order (the loader adds at the front).
    std::vector<LightNode*> lights;
    ObjectList* texturedElements = nullptr;
    MirrorList* mirrors = nullptr;
    WaterList* waters = nullptr;
    EffectList* effects = nullptr;
    EffectList* decals = nullptr;
    DynamicVertexBuffer* dynamicBuffer = nullptr;
    RenderQueue* renderQueue = nullptr;
    RenderBatches* renderBatches = nullptr;
    SceneNode* sky = nullptr;                      // in no list
    LightNode* sun = nullptr;
    PositionedObject* ambientEffect = nullptr;     // not owned
    Camera* camera = nullptr;                      // the current camera
    Camera* savedCamera = nullptr;                 // not owned; one level of PushCamera
    uint8_t skyLayer = 0;                          // distance-haze stages run while it is on
    float hazeNear = 0.0f;
    float hazeFar = 0.0f;
    int32_t skyTexture = -1;                       // -1 = none

    Scene() = default;
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Makes every member (a scene already made is freed first, keeping its animations).
    bool Create();
    // Frees every member and what the scene's loaders put in its lists; the animation groups
    // only when asked.
    void Destroy(bool freeAnimations);
    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();
    // Advances the scene's managers by the frame time.
    void Update(int frameMs);
    // The frame's world pass.
    void Render();
    // The mirrors' reflected view (their camera already pushed).
    void RenderPass(bool full);
    // The water's reflection.
    void RenderReflectionPass();
    PositionedObject* SetAmbientEffect(PositionedObject* effect);
    // Camera-aligned light 0 for the character viewer; false when the device refused.
    bool EnableHeadlight(bool on);
    bool PushCamera(Camera* other);
    void PopCamera();
    bool SetSkyTexture(const char* fileName);
    // One Y3D scene file added to the scene (y3d_loader.cpp). A file that cannot be opened or
    // turns out malformed gives false (logged) and leaves the scene as it was.
    bool LoadModel(const char* fileName, const char* textureFolder, uint32_t materialFlags, bool showProgress);
    // A character model with its detail levels and animation group; null (nothing left behind)
    // when the file, its skeleton or its level 0 is missing or bad. The folder is not read.
    CharacterModel* LoadCharacterModel(const char* fileName, const char* folder, uint32_t loadFlags,
                                       bool showProgress);
    // Group 0..99 into the animation table; true at once when it is loaded already, false
    // (logged) for a group outside the table.
    bool LoadAnimationGroup(int group);
    // Frees and reloads every loaded animation group (character viewer).
    void ReloadAnimations();
    Animation* GetAnimation(int group, int index) const;
    // Nearest hit of the static collision geometry and the collidable objects; outputs (each may
    // be null) are written only on a hit.
    bool RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t typeMask);
    // First contact of the swept quad; outNormal is zeroed first, outPoint written only on a hit.
    bool SweepSphere(const SweepVolume& volume, Vec3* outPoint, Vec3* outNormal, uint32_t typeMask);

private:
    void FreeAnimations();
    void DrawSky(const Vec3& at, bool cullingOff);
};

extern Scene g_Scene;

// Raised only during the water reflection: models draw their lowest detail.
extern uint8_t g_SceneLowestDetail;

// Polygons drawn and draw calls made in the current frame; the render frame zeroes them.
extern uint32_t g_PolygonsDrawn;
extern uint32_t g_DrawCalls;

// Unfreezes the sky's transform and moves it to the point (a movable sky only).
void SkyPlaceAt(SceneNode* sky, const Vec3& at);
void DrawShadowOverlay();
